#include <gtest/gtest.h>

#include <cstdlib>

#include "gui/cairo/CairoDrawContext.h"
#include "gui/cairo/CairoText.h"
#include "tests/gui/cairo/ImageSupport.h"

namespace brisko {
namespace {

using testing::inkBox;
using testing::rgb;

constexpr int32_t kDisplayFont = 4;  // "Arial", 11 pixels

struct TextCase {
  Rect rect;
  int32_t alignment;
};

Rect drawnInk(const char* text, const Rect& rect, int32_t alignment, bool opaque = false) {
  CairoSurfacePtr image = makeRgbImage(120, 80);
  CairoDrawContext context(image.get());
  context.setFont(kDisplayFont, 0, 0);
  context.setFontColor(kWhite);
  context.setFillColor(kRed);
  context.drawString(text, rect, opaque, alignment);
  return inkBox(image.get(), {0, 0, 120, 80}, 0);
}

TEST(CairoTextTest, ArialResolvesToAFaceWithArialMetrics) {
  CairoSurfacePtr image = makeRgbImage(10, 10);
  cairo_t* cr = cairo_create(image.get());
  selectFont(cr, resolveFont(kDisplayFont, 0, 0));
  // Arial's digits advance 1139/2048 em and its full stop 569/2048 em: 6 and
  // 3 pixels at 11. A face with other metrics (DejaVu Sans: 7 and 4) fails.
  const TextPlacement place = placeText(cr, "0.00", {0, 0, 40, 14}, kAlignCenter);
  cairo_destroy(cr);
  EXPECT_EQ(place.width, 21);
  EXPECT_EQ(place.height, 13);
}

TEST(CairoTextTest, TextStaysInItsRectangleCentredVerticallyAndPlacedByAlignment) {
  for (const TextCase& c : {TextCase{{20, 10, 55, 24}, kAlignCenter}, TextCase{{20, 10, 100, 50}, kAlignCenter},
                            TextCase{{5, 30, 90, 61}, 0}, TextCase{{5, 30, 90, 61}, kAlignRight}}) {
    SCOPED_TRACE(c.rect.top * 1000 + c.rect.bottom);
    // "Hg" inks from the cap line to the descender: nearly the whole cell.
    const Rect ink = drawnInk("Hg", c.rect, c.alignment);
    ASSERT_GT(ink.width(), 0);
    EXPECT_GE(ink.left, c.rect.left);
    EXPECT_LE(ink.right, c.rect.right);
    EXPECT_GE(ink.top, c.rect.top);
    EXPECT_LE(ink.bottom, c.rect.bottom);
    const int32_t inkMiddle2 = ink.top + ink.bottom;
    const int32_t rectMiddle2 = c.rect.top + c.rect.bottom;
    EXPECT_LE(std::abs(inkMiddle2 - rectMiddle2), 4) << "ink rows " << ink.top << " to " << ink.bottom;
    if (c.alignment == kAlignCenter) {
      EXPECT_LE(std::abs((ink.left - c.rect.left) - (c.rect.right - ink.right)), 2);
    } else if (c.alignment == kAlignRight) {
      EXPECT_GE(ink.right, c.rect.right - 2);
    } else {
      EXPECT_GE(ink.left, c.rect.left + 1);
      EXPECT_LE(ink.left, c.rect.left + 2);
    }
  }
}

TEST(CairoTextTest, LongTextIsClippedAndOpaqueTextFillsItsCell) {
  const Rect narrow{30, 10, 45, 24};
  const Rect clipped = drawnInk("999.99 999.99", narrow, kAlignCenter);
  EXPECT_EQ(clipped.left, narrow.left);
  EXPECT_EQ(clipped.right, narrow.right);

  CairoSurfacePtr image = makeRgbImage(60, 30);
  CairoDrawContext context(image.get());
  context.setFont(kDisplayFont, 0, 0);
  context.setFillColor(kRed);
  context.drawString("1.00", {0, 0, 60, 30}, true, kAlignCenter);
  // The cell: 13 rows centred in 30, as wide as the text's advance.
  const TextPlacement cell{19, 8, 21, 13, 18};
  EXPECT_EQ(pixelAt(image.get(), cell.left, cell.top), rgb(kRed));
  EXPECT_EQ(pixelAt(image.get(), cell.left + cell.width - 1, cell.top + cell.height - 1), rgb(kRed));
  EXPECT_EQ(pixelAt(image.get(), cell.left - 1, cell.top), 0u);
  EXPECT_EQ(pixelAt(image.get(), cell.left, cell.top + cell.height), 0u);

  context.drawString(nullptr, {0, 0, 60, 30}, true, kAlignCenter);
  context.drawString("x", {10, 10, 10, 30}, true, kAlignCenter);
}

}  // namespace
}  // namespace brisko
