// The GDI drawing layer, pixel-exact on a 32-bpp DIB: the outline and fill
// rules, fonts of the table, text placement, and keyed copies through
// TransparentBlt and through the monochrome mask.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstdlib>

#include "gui/FontTable.h"
#include "gui/win32/GdiBitmap.h"
#include "gui/win32/GdiContext.h"
#include "gui/win32/WindowClass.h"
#include "resources/BitmapIds.h"
#include "tests/win32/WindowTestSupport.h"

namespace brisko::win32 {
namespace {

using wintest::Pixel;
using wintest::rgb;

constexpr Pixel kWhitePixel = rgb(255, 255, 255);
constexpr Pixel kBlackPixel = rgb(0, 0, 0);

// A 32-bpp top-down surface filled with one colour.
class Surface {
 public:
  Surface(int w, int h, COLORREF fill = RGB(0, 0, 0)) : width(w), height(h) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = w;
    info.bmiHeader.biHeight = -h;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    dc = CreateCompatibleDC(nullptr);
    bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits), nullptr, 0);
    previous = SelectObject(dc, bitmap);
    HBRUSH brush = CreateSolidBrush(fill);
    const RECT all{0, 0, w, h};
    FillRect(dc, &all, brush);
    DeleteObject(brush);
  }
  ~Surface() {
    SelectObject(dc, previous);
    DeleteObject(bitmap);
    DeleteDC(dc);
  }
  Pixel at(int x, int y) const {
    GdiFlush();
    return bits[y * width + x] & 0x00ffffffu;
  }
  void set(int x, int y, Pixel p) {
    GdiFlush();
    bits[y * width + x] = p;
  }
  bool sameAs(const Surface& other) const {
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x)
        if (at(x, y) != other.at(x, y)) return false;
    return true;
  }
  // Bounding box of pixels that differ from `background`; empty when none.
  RECT inkBounds(Pixel background) const {
    RECT box{width, height, -1, -1};
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x)
        if (at(x, y) != background) {
          box.left = std::min<LONG>(box.left, x);
          box.top = std::min<LONG>(box.top, y);
          box.right = std::max<LONG>(box.right, x);
          box.bottom = std::max<LONG>(box.bottom, y);
        }
    return box;
  }

  HDC dc;
  int width;
  int height;

 private:
  HBITMAP bitmap;
  HGDIOBJ previous;
  uint32_t* bits = nullptr;
};

TEST(GdiContext, FillLeavesLeftAndTopOutlineIncludesRightAndBottom) {
  Surface surface(80, 90);
  {
    WindowContext context(surface.dc, nullptr, false);
    context.setFillColor(kWhite);
    context.fillRect({20, 59, 55, 73});
  }
  EXPECT_EQ(surface.at(21, 60), kWhitePixel);
  EXPECT_EQ(surface.at(54, 72), kWhitePixel);
  EXPECT_EQ(surface.at(20, 60), kBlackPixel);
  EXPECT_EQ(surface.at(21, 59), kBlackPixel);
  EXPECT_EQ(surface.at(55, 72), kBlackPixel);
  EXPECT_EQ(surface.at(54, 73), kBlackPixel);

  Surface outline(80, 90);
  {
    WindowContext context(outline.dc, nullptr, false);
    context.setFrameColor(kRed);
    context.frameRect({20, 59, 55, 73});
  }
  const Pixel red = rgb(255, 0, 0);
  for (int x = 20; x <= 55; ++x) {
    EXPECT_EQ(outline.at(x, 59), red) << x;
    EXPECT_EQ(outline.at(x, 73), red) << x;
  }
  for (int y = 59; y <= 73; ++y) {
    EXPECT_EQ(outline.at(20, y), red) << y;
    EXPECT_EQ(outline.at(55, y), red) << y;
  }
  EXPECT_EQ(outline.at(21, 60), kBlackPixel);
  EXPECT_EQ(outline.at(56, 74), kBlackPixel);
}

LOGFONTA selectedFont(HDC dc) {
  LOGFONTA font{};
  GetObjectA(GetCurrentObject(dc, OBJ_FONT), sizeof font, &font);
  return font;
}

TEST(GdiContext, FontsComeFromTheTable) {
  Surface surface(4, 4);
  WindowContext context(surface.dc, nullptr, false);
  context.setFont(9, 0, 0);
  LOGFONTA font = selectedFont(surface.dc);
  EXPECT_EQ(font.lfHeight, -12);
  EXPECT_EQ(font.lfWeight, FW_BOLD);
  EXPECT_STREQ(font.lfFaceName, "Arial");

  context.setFont(4, 0, kFaceBold | kFaceItalic);
  font = selectedFont(surface.dc);
  EXPECT_EQ(font.lfHeight, -11);
  EXPECT_EQ(font.lfWeight, FW_BOLD);
  EXPECT_TRUE(font.lfItalic);
  EXPECT_EQ(font.lfPitchAndFamily, VARIABLE_PITCH | FF_SWISS);

  context.setFont(7, 0, 0);
  font = selectedFont(surface.dc);
  EXPECT_EQ(font.lfHeight, -13);
  EXPECT_EQ(font.lfWeight, FW_NORMAL);
  EXPECT_STREQ(font.lfFaceName, "Symbol");
  EXPECT_EQ(font.lfPitchAndFamily, VARIABLE_PITCH | FF_DECORATIVE);

  context.setFont(3, 20, kFaceUnderline);
  font = selectedFont(surface.dc);
  EXPECT_EQ(font.lfHeight, -20);
  EXPECT_TRUE(font.lfUnderline);
}

TEST(GdiContext, TextStaysInsideItsRectangleAndFollowsTheAlignment) {
  const Rect box{20, 59, 120, 73};
  RECT centred, left, right;
  for (int32_t alignment : {int32_t{kAlignCenter}, int32_t{0}, int32_t{kAlignRight}}) {
    Surface surface(160, 100);
    {
      WindowContext context(surface.dc, nullptr, false);
      context.setFont(4, 0, 0);
      context.setFontColor(kWhite);
      context.drawString("0.50", box, false, alignment);
    }
    const RECT ink = surface.inkBounds(kBlackPixel);
    ASSERT_LE(ink.left, ink.right) << "no text drawn";
    EXPECT_GE(ink.left, box.left);
    EXPECT_LT(ink.right, box.right);
    EXPECT_GE(ink.top, box.top);
    EXPECT_LT(ink.bottom, box.bottom);
    (alignment == kAlignCenter ? centred : alignment == kAlignRight ? right : left) = ink;
  }
  EXPECT_LT(left.left, centred.left);
  EXPECT_LT(centred.left, right.left);
  // Vertically centred: about as much room above as below.
  EXPECT_LE(std::abs((centred.top - box.top) - (box.bottom - 1 - centred.bottom)), 2);
}

TEST(GdiContext, OpaqueTextPaintsTheFillColourBehindIt) {
  Surface surface(100, 40);
  {
    WindowContext context(surface.dc, nullptr, false);
    context.setFillColor(kRed);
    context.setFontColor(kWhite);
    context.drawString("8888", {0, 0, 100, 40}, true, kAlignCenter);
    context.drawString(nullptr, {0, 0, 100, 40}, true, kAlignCenter);
  }
  const RECT ink = surface.inkBounds(kBlackPixel);
  bool sawRed = false;
  for (int x = ink.left; x <= ink.right; ++x) sawRed |= surface.at(x, (ink.top + ink.bottom) / 2) == rgb(255, 0, 0);
  EXPECT_TRUE(sawRed);
}

TEST(GdiContext, GivesBackTheDeviceContextsObjectsAndLeaksNone) {
  Surface surface(10, 10);
  const HGDIOBJ pen = GetCurrentObject(surface.dc, OBJ_PEN);
  const HGDIOBJ brush = GetCurrentObject(surface.dc, OBJ_BRUSH);
  const HGDIOBJ font = GetCurrentObject(surface.dc, OBJ_FONT);
  const DWORD before = wintest::gdiObjects();
  for (int i = 0; i < 50; ++i) {
    WindowContext context(surface.dc, nullptr, false);
    context.setFont(i % 8, 0, i % 8);
    context.setLineStyle(kLineDotted);
    context.setFillColor(kRed);
    context.setFrameColor(kBlack);
  }
  for (int i = 0; i < 50; ++i) OffscreenBuffer buffer(nullptr, 159, 19, kBlack);
  EXPECT_EQ(wintest::gdiObjects(), before);
  EXPECT_EQ(GetCurrentObject(surface.dc, OBJ_PEN), pen);
  EXPECT_EQ(GetCurrentObject(surface.dc, OBJ_BRUSH), brush);
  EXPECT_EQ(GetCurrentObject(surface.dc, OBJ_FONT), font);
}

TEST(OffscreenBuffer, StartsInTheBackgroundColourAndCopiesABlock) {
  OffscreenBuffer buffer(nullptr, 30, 20, kRed);
  ASSERT_TRUE(buffer.valid());
  buffer.setFillColor(kWhite);
  buffer.fillRect({4, 4, 10, 10});  // white at 5..9
  Surface target(60, 40);
  WindowContext context(target.dc, nullptr, false);
  buffer.copyTo(context, {10, 10, 40, 30}, {0, 0});
  EXPECT_EQ(target.at(10, 10), rgb(255, 0, 0));
  EXPECT_EQ(target.at(39, 29), rgb(255, 0, 0));
  EXPECT_EQ(target.at(15, 15), kWhitePixel);
  EXPECT_EQ(target.at(40, 30), kBlackPixel);
  EXPECT_EQ(target.at(9, 9), kBlackPixel);
}

TEST(GdiBitmap, LoadsTheModulesResourcesAndMissingOnesDrawNothing) {
  GdiBitmap* background = GdiBitmap::load(pluginModule(), kBitmapBackground);
  GdiBitmap* handle = GdiBitmap::load(pluginModule(), kBitmapSliderHandle);
  GdiBitmap* missing = GdiBitmap::load(pluginModule(), 4321);
  ASSERT_TRUE(background && handle && missing);
  EXPECT_EQ(background->width(), 200);
  EXPECT_EQ(background->height(), 300);
  EXPECT_EQ(handle->width(), 9);
  EXPECT_EQ(handle->height(), 19);
  EXPECT_EQ(missing->width(), 0);

  const wintest::Pixels expected = wintest::loadBitmapPixels(pluginModule(), kBitmapBackground);
  Surface surface(200, 300);
  {
    WindowContext context(surface.dc, nullptr, false);
    background->drawOpaque(context, {10, 20, 60, 50}, {10, 20});
    missing->drawOpaque(context, {0, 0, 200, 300}, {0, 0});
    missing->drawTransparent(context, {0, 0, 200, 300}, {0, 0});
  }
  EXPECT_EQ(surface.at(10, 20), expected.at(10, 20));
  EXPECT_EQ(surface.at(59, 49), expected.at(59, 49));
  EXPECT_EQ(surface.at(60, 50), kBlackPixel);
  EXPECT_EQ(surface.at(9, 20), kBlackPixel);
  background->releaseReference();
  handle->releaseReference();
  missing->releaseReference();
}

// A 4 by 2 source: white (the key) in column 0 and row 1 column 3.
struct KeyedSource {
  Surface pixels{4, 2};
  KeyedSource() {
    const Pixel colours[2][4] = {{kWhitePixel, rgb(10, 20, 30), rgb(255, 255, 254), rgb(0, 0, 255)},
                                 {kWhitePixel, rgb(1, 2, 3), rgb(200, 0, 0), kWhitePixel}};
    for (int y = 0; y < 2; ++y)
      for (int x = 0; x < 4; ++x) pixels.set(x, y, colours[y][x]);
  }
};

TEST(KeyedCopy, MaskPathGivesTheImageOfTransparentBlt) {
  HMODULE library = LoadLibraryA("msimg32.dll");
  ASSERT_NE(library, nullptr);
  auto transparentBlt = reinterpret_cast<TransparentBltFunction>(
      reinterpret_cast<void*>(GetProcAddress(library, "TransparentBlt")));
  ASSERT_NE(transparentBlt, nullptr);
  KeyedSource source;
  Surface withEntry(8, 6, RGB(0, 128, 0));
  Surface withMask(8, 6, RGB(0, 128, 0));
  keyedCopy(withEntry.dc, 2, 3, 4, 2, source.pixels.dc, 0, 0, RGB(255, 255, 255), transparentBlt);
  keyedCopy(withMask.dc, 2, 3, 4, 2, source.pixels.dc, 0, 0, RGB(255, 255, 255), nullptr);
  EXPECT_TRUE(withEntry.sameAs(withMask));
  EXPECT_EQ(withMask.at(2, 3), rgb(0, 128, 0));  // key: target kept
  EXPECT_EQ(withMask.at(5, 4), rgb(0, 128, 0));
  EXPECT_EQ(withMask.at(3, 3), rgb(10, 20, 30));
  EXPECT_EQ(withMask.at(4, 3), rgb(255, 255, 254));  // near the key is not the key
  EXPECT_EQ(withMask.at(4, 4), rgb(200, 0, 0));
  // The mask path puts the target's colours back.
  EXPECT_EQ(GetBkColor(withMask.dc), GetBkColor(withEntry.dc));
  EXPECT_EQ(GetTextColor(withMask.dc), GetTextColor(withEntry.dc));
  FreeLibrary(library);
}

TEST(KeyedCopy, AllKeySourceLeavesTheTargetUnchangedOnBothPaths) {
  Surface white(5, 5, RGB(255, 255, 255));
  Surface target(5, 5, RGB(7, 8, 9));
  Surface untouched(5, 5, RGB(7, 8, 9));
  keyedCopy(target.dc, 0, 0, 5, 5, white.dc, 0, 0, RGB(255, 255, 255), nullptr);
  EXPECT_TRUE(target.sameAs(untouched));
  GdiBitmap* handle = GdiBitmap::load(pluginModule(), kBitmapSliderHandle);
  {
    // Through the bitmap's own path (whatever entry point is set now).
    WindowContext context(target.dc, nullptr, false);
    handle->drawTransparent(context, {0, 0, 5, 5}, {0, 0});
  }
  EXPECT_FALSE(target.sameAs(untouched));  // the handle has no key pixels
  handle->releaseReference();
}

}  // namespace
}  // namespace brisko::win32
