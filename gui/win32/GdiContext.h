#pragma once

// DrawContext and OffscreenContext over a GDI device context.

#include <windows.h>

#include <cstdint>

#include "gui/DrawContext.h"

namespace brisko::win32 {

inline COLORREF toColorRef(Color color) { return RGB(color.red, color.green, color.blue); }

// What bitmaps and copies need of a context: its device context.
class GdiSurface {
 public:
  virtual HDC deviceContext() const = 0;

 protected:
  ~GdiSurface() = default;
};

// The GDI device context behind a drawing context of this backend, or null.
HDC deviceContextOf(DrawContext& context);

// The drawing state of one device context: the pen, brush and font of the
// setters, put back to what the device context had when the state goes.
template <class Interface>
class GdiContext : public Interface, public GdiSurface {
 public:
  // `window` only gives the screen origin for mousePosition; a device
  // context obtained with GetDC(window) is released when `releaseDc` is set.
  GdiContext(HDC dc, HWND window, bool releaseDc);
  ~GdiContext() override;

  void setLineStyle(int32_t style) override;
  void setFrameColor(Color color) override;
  void setFillColor(Color color) override;
  void setFontColor(Color color) override;
  void setFont(int32_t fontId, int32_t size, int32_t face) override;
  void moveTo(Point p) override;
  void lineTo(Point p) override;
  void frameRect(const Rect& rect) override;
  void fillRect(const Rect& rect) override;
  void drawString(const char* text, const Rect& rect, bool opaque, int32_t alignment) override;
  ButtonState buttonState() override;
  Point mousePosition() override;

  HDC deviceContext() const override { return dc; }

 protected:
  // Saves the device context's objects and applies the current colours.
  void adopt(HDC deviceContext);
  // Puts the saved objects back and deletes the own ones; runs once.
  void restore();

 private:
  void replacePen();

  HDC dc = nullptr;
  HWND window;
  bool releaseDc;
  Point windowOrigin;
  Color fontColor = kWhite;
  Color frameColor = kWhite;
  Color fillColor = kBlack;
  int32_t lineStyle = kLineSolid;
  HPEN ownPen = nullptr;
  HBRUSH ownBrush = nullptr;
  HFONT ownFont = nullptr;
  HGDIOBJ savedPen = nullptr;
  HGDIOBJ savedBrush = nullptr;
  HGDIOBJ savedFont = nullptr;
};

using WindowContext = GdiContext<DrawContext>;

// A back buffer: a memory bitmap compatible with `window` (the screen when
// null), cleared to the background colour.
class OffscreenBuffer final : public GdiContext<OffscreenContext> {
 public:
  OffscreenBuffer(HWND compatibleWith, int32_t width, int32_t height, Color background);
  ~OffscreenBuffer() override;

  bool valid() const { return bitmap != nullptr; }
  void copyTo(DrawContext& target, const Rect& rect, Point source) override;

 private:
  HDC memoryDc = nullptr;
  HBITMAP bitmap = nullptr;
  HGDIOBJ previousBitmap = nullptr;
};

}  // namespace brisko::win32
