#include <gtest/gtest.h>

#include <vector>

#include "gui/cairo/BmpDecoder.h"
#include "gui/cairo/CairoBitmap.h"
#include "resources/BitmapIds.h"

namespace brisko {
namespace {

// A 2 by 2 24-bit file: rows padded to 8 bytes, bottom row first unless
// `topDown`.
std::vector<unsigned char> tinyBmp(bool topDown) {
  std::vector<unsigned char> file(54 + 16, 0);
  auto put32 = [&](size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) file[at + i] = static_cast<unsigned char>(v >> (8 * i));
  };
  file[0] = 'B';
  file[1] = 'M';
  put32(2, static_cast<uint32_t>(file.size()));
  put32(10, 54);
  put32(14, 40);
  put32(18, 2);
  put32(22, topDown ? static_cast<uint32_t>(-2) : 2u);
  file[26] = 1;
  file[28] = 24;
  // Stored rows (blue, green, red): first (1,2,3) (4,5,6), then (7,8,9) (10,11,12).
  const unsigned char rows[16] = {1, 2, 3, 4, 5, 6, 0, 0, 7, 8, 9, 10, 11, 12, 0, 0};
  for (int i = 0; i < 16; ++i) file[54 + i] = rows[i];
  return file;
}

TEST(BitmapDecodingTest, RowsComeOutTopFirstInEitherStorageOrder) {
  RgbPixels image;
  std::vector<unsigned char> file = tinyBmp(false);
  ASSERT_TRUE(decodeBmp24(file.data(), file.size(), image));
  EXPECT_EQ(image.pixels, (std::vector<uint32_t>{0x090807, 0x0C0B0A, 0x030201, 0x060504}));
  file = tinyBmp(true);
  ASSERT_TRUE(decodeBmp24(file.data(), file.size(), image));
  EXPECT_EQ(image.pixels, (std::vector<uint32_t>{0x030201, 0x060504, 0x090807, 0x0C0B0A}));
}

TEST(BitmapDecodingTest, MalformedFilesAreRefusedWithoutReadingPastTheEnd) {
  RgbPixels image;
  const std::vector<unsigned char> good = tinyBmp(false);
  auto refused = [&](std::vector<unsigned char> file) {
    return !decodeBmp24(file.data(), file.size(), image) && image.width == 0 && image.pixels.empty();
  };
  EXPECT_TRUE(refused({good.begin(), good.end() - 1}));
  EXPECT_TRUE(refused({good.begin(), good.begin() + 20}));
  std::vector<unsigned char> bad = good;
  bad[0] = 'X';
  EXPECT_TRUE(refused(bad));
  bad = good;
  bad[28] = 32;
  EXPECT_TRUE(refused(bad));
  bad = good;
  bad[30] = 1;  // run-length compressed
  EXPECT_TRUE(refused(bad));
  bad = good;
  bad[21] = 0x7F;  // width near 2^31
  EXPECT_TRUE(refused(bad));
  bad = good;
  bad[10] = 0xFF;  // pixels said to start past the end
  EXPECT_TRUE(refused(bad));
  EXPECT_FALSE(decodeBmp24(nullptr, 100, image));
}

TEST(BitmapDecodingTest, TheEditorsBitmapsLoadWithTheirSizesAndNoKeyColourInTheSlider) {
  struct Expected {
    int id, width, height;
  };
  for (const Expected& e : {Expected{kBitmapBackground, 200, 300}, Expected{kBitmapSliderBody, 159, 19},
                            Expected{kBitmapSliderHandle, 9, 19}}) {
    CairoBitmap* bitmap = CairoBitmap::load(e.id);
    ASSERT_NE(bitmap, nullptr);
    EXPECT_EQ(bitmap->width(), e.width);
    EXPECT_EQ(bitmap->height(), e.height);
    EXPECT_EQ(bitmap->pixels().pixels.size(), static_cast<size_t>(e.width * e.height));
    if (e.id != kBitmapBackground) {
      for (uint32_t pixel : bitmap->pixels().pixels) ASSERT_NE(pixel, 0xFFFFFFu);
    }
    bitmap->releaseReference();
  }
  // The body's trough is near-black, with a lighter edge along the bottom.
  CairoBitmap* body = CairoBitmap::load(kBitmapSliderBody);
  EXPECT_EQ(body->pixels().pixels[5 * 159 + 50], 0x121212u);
  EXPECT_NE(body->pixels().pixels[18 * 159 + 50], 0x121212u);
  body->releaseReference();

  CairoBitmap* unknown = CairoBitmap::load(999);
  ASSERT_NE(unknown, nullptr);
  EXPECT_EQ(unknown->width(), 0);
  EXPECT_EQ(unknown->height(), 0);
  unknown->releaseReference();
}

}  // namespace
}  // namespace brisko
