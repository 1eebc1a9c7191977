#include <gtest/gtest.h>

#include <string>

#include "gui/FontTable.h"

namespace brisko {
namespace {

TEST(FontTable, IdsOutsideTheTableFallBackToTheBoldSystemFont) {
  for (int32_t id : {9, -1, 8}) {
    const FontSpec font = resolveFont(id, 0, 0);
    EXPECT_EQ(font.height, 12);
    EXPECT_EQ(std::string(font.face), "Arial");
    EXPECT_TRUE(font.bold);
  }
}

TEST(FontTable, FaceBitsAndSizes) {
  const FontSpec display = resolveFont(4, 0, kFaceBold);
  EXPECT_EQ(display.height, 11);
  EXPECT_TRUE(display.bold);
  EXPECT_FALSE(display.italic);

  const FontSpec symbol = resolveFont(7, 0, 0);
  EXPECT_EQ(symbol.height, 13);
  EXPECT_EQ(std::string(symbol.face), "Symbol");
  EXPECT_TRUE(symbol.decorative);
  EXPECT_FALSE(symbol.bold);

  const FontSpec sized = resolveFont(3, 20, kFaceItalic | kFaceUnderline);
  EXPECT_EQ(sized.height, 20);
  EXPECT_TRUE(sized.italic);
  EXPECT_TRUE(sized.underline);
  EXPECT_FALSE(sized.bold);
  EXPECT_FALSE(sized.decorative);
}

}  // namespace
}  // namespace brisko
