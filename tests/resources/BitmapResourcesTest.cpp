// The editor's bitmaps as the plug-in loads them: format and size of each,
// and the properties the drawing code relies on (dark slots where the
// sliders sit, a (18, 18, 18) trough, no key colour in the slider parts).
#include <gtest/gtest.h>

#include <algorithm>

#include "BitmapLoader.h"
#include "resources/BitmapIds.h"

namespace brisko::test {
namespace {

constexpr Pixel kWhite{255, 255, 255};
constexpr Pixel kTrough{18, 18, 18};

LoadedBitmap load(int id) {
  std::string error;
  std::optional<LoadedBitmap> bitmap = loadBitmap(id, error);
  if (!bitmap) ADD_FAILURE() << "bitmap " << id << ": " << error;
  return bitmap.value_or(LoadedBitmap{});
}

int countPixels(const LoadedBitmap& bitmap, int left, int top, int right, int bottom, auto predicate) {
  int count = 0;
  for (int y = top; y < bottom; ++y)
    for (int x = left; x < right; ++x) count += predicate(bitmap.at(x, y)) ? 1 : 0;
  return count;
}

TEST(BitmapResources, EachIsA24BitImageOfItsLayoutSize) {
  struct Expected {
    int id, width, height;
  };
  for (const Expected& e : {Expected{kBitmapBackground, 200, 300}, Expected{kBitmapSliderBody, 159, 19},
                            Expected{kBitmapSliderHandle, 9, 19}}) {
    std::string error;
    const std::optional<LoadedBitmap> bitmap = loadBitmap(e.id, error);
    ASSERT_TRUE(bitmap) << "bitmap " << e.id << ": " << error;
    EXPECT_EQ(bitmap->width, e.width) << "bitmap " << e.id;
    EXPECT_EQ(bitmap->height, e.height) << "bitmap " << e.id;
  }
  std::string error;
  EXPECT_FALSE(loadBitmap(131, error));
}

TEST(BitmapResources, SliderBodyIsTroughWithLighterBottomAndRightEdge) {
  const LoadedBitmap body = load(kBitmapSliderBody);
  ASSERT_EQ(body.width, 159);
  const int right = body.width - 1;
  const int bottom = body.height - 1;
  EXPECT_EQ(countPixels(body, 0, 0, right, bottom, [](Pixel p) { return p != kTrough; }), 0);
  const auto lighter = [](Pixel p) { return p.r > 18 && p.g > 18 && p.b > 18; };
  EXPECT_EQ(countPixels(body, 0, bottom, body.width, body.height, lighter), body.width);
  EXPECT_EQ(countPixels(body, right, 0, body.width, body.height, lighter), body.height);
}

TEST(BitmapResources, SliderPartsHoldNoKeyColourSoKeyedCopiesStayOpaque) {
  for (int id : {kBitmapSliderBody, kBitmapSliderHandle}) {
    const LoadedBitmap bitmap = load(id);
    EXPECT_EQ(countPixels(bitmap, 0, 0, bitmap.width, bitmap.height, [](Pixel p) { return p == kWhite; }), 0)
        << "bitmap " << id;
  }
}

TEST(BitmapResources, HandleIsAShadedGreyBar) {
  const LoadedBitmap handle = load(kBitmapSliderHandle);
  ASSERT_EQ(handle.width, 9);
  const auto coloured = [](Pixel p) { return std::max({p.r, p.g, p.b}) - std::min({p.r, p.g, p.b}) > 8; };
  EXPECT_EQ(countPixels(handle, 0, 0, handle.width, handle.height, coloured), 0);
  // Shaded: a clearly lit part and a clearly dark part, and it stands out
  // against the trough.
  EXPECT_GT(countPixels(handle, 0, 0, handle.width, handle.height, [](Pixel p) { return p.g > 150; }), 20);
  EXPECT_GT(countPixels(handle, 0, 0, handle.width, handle.height, [](Pixel p) { return p.g < 80; }), 10);
}

TEST(BitmapResources, BackgroundIsRedPanelWithDarkSlotsUnderTheSliders) {
  const LoadedBitmap background = load(kBitmapBackground);
  ASSERT_EQ(background.width, 200);
  ASSERT_EQ(background.height, 300);
  long red = 0, green = 0;
  for (int y = 0; y < background.height; ++y)
    for (int x = 0; x < background.width; ++x) {
      red += background.at(x, y).r;
      green += background.at(x, y).g;
    }
  EXPECT_GT(red, 2 * green) << "panel is not red";

  const auto bright = [](Pixel p) { return std::max({p.r, p.g, p.b}) > 40; };
  for (int row = 0; row < 6; ++row) {
    const int top = 40 + 37 * row;
    EXPECT_EQ(countPixels(background, 20, top, 179, top + 19, bright), 0) << "slot " << row;
    // Displays draw over x 20..55, y top + 19..top + 33; nothing white may show through.
    EXPECT_EQ(countPixels(background, 20, top + 19, 56, top + 34, [](Pixel p) { return p == kWhite; }), 0)
        << "display " << row;
  }
}

}  // namespace
}  // namespace brisko::test
