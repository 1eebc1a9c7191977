#include "gui/cairo/CairoDrawContext.h"

#include <gtest/gtest.h>

#include <set>
#include <utility>

#include "gui/cairo/CairoBitmap.h"
#include "tests/gui/cairo/ImageSupport.h"

namespace brisko {
namespace {

using testing::rgb;
using PixelSet = std::set<std::pair<int32_t, int32_t>>;

constexpr uint32_t kUntouched = 0x123456;
constexpr Color kGreen{0, 200, 0, 0};

// The pixels of `image` that no longer hold kUntouched.
PixelSet changedPixels(cairo_surface_t* image) {
  PixelSet changed;
  for (int32_t y = 0; y < cairo_image_surface_get_height(image); ++y) {
    for (int32_t x = 0; x < cairo_image_surface_get_width(image); ++x) {
      if (pixelAt(image, x, y) != kUntouched) changed.insert({x, y});
    }
  }
  return changed;
}

PixelSet block(int32_t left, int32_t top, int32_t right, int32_t bottom) {
  PixelSet pixels;
  for (int32_t y = top; y <= bottom; ++y) {
    for (int32_t x = left; x <= right; ++x) pixels.insert({x, y});
  }
  return pixels;
}

class CairoDrawContextTest : public ::testing::Test {
 protected:
  CairoSurfacePtr image = makeRgbImage(80, 90, kUntouched);
  CairoDrawContext context{image.get()};
};

TEST_F(CairoDrawContextTest, FillLeavesOutTheLeftAndTopLinesAndOutlineIncludesRightAndBottom) {
  const Rect display{20, 59, 55, 73};
  context.setFillColor(kGreen);
  context.fillRect(display);
  EXPECT_EQ(changedPixels(image.get()), block(21, 60, 54, 72));
  EXPECT_EQ(pixelAt(image.get(), 21, 60), rgb(kGreen));

  CairoSurfacePtr outlined = makeRgbImage(80, 90, kUntouched);
  CairoDrawContext outline(outlined.get());
  outline.setFrameColor(kRed);
  outline.frameRect(display);
  PixelSet lines;
  for (int32_t x = 20; x <= 55; ++x) lines.insert({{x, 59}, {x, 73}});
  for (int32_t y = 59; y <= 73; ++y) lines.insert({{20, y}, {55, y}});
  EXPECT_EQ(changedPixels(outlined.get()), lines);
  EXPECT_EQ(pixelAt(outlined.get(), 55, 73), rgb(kRed));
}

TEST_F(CairoDrawContextTest, LinesLeaveOutTheirEndPointAndDotsRunThreeOnThreeOff) {
  context.setFrameColor(kRed);
  context.moveTo({2, 5});
  context.lineTo({7, 5});
  context.lineTo({7, 8});
  EXPECT_EQ(changedPixels(image.get()), (PixelSet{{2, 5}, {3, 5}, {4, 5}, {5, 5}, {6, 5}, {7, 5}, {7, 6}, {7, 7}}));

  CairoSurfacePtr dotted = makeRgbImage(20, 4, kUntouched);
  CairoDrawContext dots(dotted.get());
  dots.setLineStyle(kLineDotted);
  dots.moveTo({0, 1});
  dots.lineTo({14, 1});
  EXPECT_EQ(changedPixels(dotted.get()), (PixelSet{{0, 1}, {1, 1}, {2, 1}, {6, 1}, {7, 1}, {8, 1}, {12, 1}, {13, 1}}));
}

TEST_F(CairoDrawContextTest, DrawingOutsideTheImageIsClippedAndBadSurfacesDrawNothing) {
  context.setFillColor(kGreen);
  context.fillRect({-1000, -1000, 2, 3});
  context.moveTo({-50, 1});
  context.lineTo({1, 1});
  context.frameRect({70, 80, 5000, 5000});
  const PixelSet changed = changedPixels(image.get());
  EXPECT_TRUE(changed.count({0, 0}) && changed.count({1, 2}) && changed.count({79, 80}) && changed.count({70, 89}));
  EXPECT_FALSE(changed.count({2, 0}));

  CairoSurfacePtr alphaOnly(cairo_image_surface_create(CAIRO_FORMAT_A8, 4, 4));
  for (cairo_surface_t* unusable : {static_cast<cairo_surface_t*>(nullptr), alphaOnly.get()}) {
    CairoDrawContext nothing(unusable);
    nothing.fillRect({0, 0, 4, 4});
    nothing.frameRect({0, 0, 4, 4});
    nothing.drawString("1.00", {0, 0, 4, 4}, true, kAlignCenter);
    nothing.copyTo(context, {0, 0, 4, 4}, {0, 0});
    EXPECT_EQ(nothing.surface(), nullptr);
  }
}

TEST_F(CairoDrawContextTest, BackBufferStartsClearedAndCopiesItsBlockToTheTarget) {
  CairoDrawContext buffer(6, 4, kGreen);
  for (int32_t y = 0; y < 4; ++y) {
    for (int32_t x = 0; x < 6; ++x) ASSERT_EQ(pixelAt(buffer.surface(), x, y), rgb(kGreen)) << x << "," << y;
  }
  buffer.setFrameColor(kRed);
  buffer.moveTo({1, 2});
  buffer.lineTo({2, 2});
  buffer.copyTo(context, {10, 20, 14, 23}, {1, 1});
  EXPECT_EQ(changedPixels(image.get()), block(10, 20, 13, 22));
  EXPECT_EQ(pixelAt(image.get(), 10, 21), rgb(kRed));
  EXPECT_EQ(pixelAt(image.get(), 11, 21), rgb(kGreen));

  // A copy within one image reads the block before it writes over it.
  buffer.copyTo(buffer, {2, 2, 5, 3}, {1, 2});
  EXPECT_EQ(pixelAt(buffer.surface(), 2, 2), rgb(kRed));
  EXPECT_EQ(pixelAt(buffer.surface(), 3, 2), rgb(kGreen));
}

TEST_F(CairoDrawContextTest, KeyedCopiesLeaveTheTargetWhereTheBitmapIsWhite) {
  // Row 0: white, red; row 1: green, white.
  RgbPixels pixels{2, 2, {0xFFFFFF, 0xFF0000, 0x00C800, 0xFFFFFF}};
  auto* bitmap = new CairoBitmap(1, pixels);
  bitmap->drawOpaque(context, {0, 0, 2, 2}, {0, 0});
  EXPECT_EQ(pixelAt(image.get(), 0, 0), 0xFFFFFFu);
  bitmap->drawTransparent(context, {10, 10, 12, 12}, {0, 0});
  EXPECT_EQ(changedPixels(image.get()), (PixelSet{{0, 0}, {1, 0}, {0, 1}, {1, 1}, {11, 10}, {10, 11}}));
  EXPECT_EQ(pixelAt(image.get(), 11, 10), 0xFF0000u);

  // A source block beyond the bitmap draws only what exists.
  bitmap->drawOpaque(context, {30, 30, 40, 40}, {1, 1});
  EXPECT_EQ(changedPixels(image.get()).count({30, 30}), 1u);
  EXPECT_EQ(changedPixels(image.get()).count({31, 30}), 0u);
  bitmap->releaseReference();

  auto* allWhite = new CairoBitmap(2, RgbPixels{2, 1, {0xFFFFFF, 0xFFFFFF}});
  CairoSurfacePtr fresh = makeRgbImage(4, 4, kUntouched);
  CairoDrawContext target(fresh.get());
  allWhite->drawTransparent(target, {0, 0, 2, 1}, {0, 0});
  EXPECT_TRUE(changedPixels(fresh.get()).empty());
  allWhite->releaseReference();
}

}  // namespace
}  // namespace brisko
