#include "gui/win32/GdiContext.h"

#include <cstring>

#include "gui/FontTable.h"
#include "gui/win32/WindowClass.h"

namespace brisko::win32 {

namespace {

bool pressed(int virtualKey) { return (GetAsyncKeyState(virtualKey) & 0x8000) != 0; }

}  // namespace

HDC deviceContextOf(DrawContext& context) {
  auto* surface = dynamic_cast<GdiSurface*>(&context);
  return surface ? surface->deviceContext() : nullptr;
}

template <class Interface>
GdiContext<Interface>::GdiContext(HDC deviceContext, HWND owner, bool releaseWhenDone)
    : window(owner), releaseDc(releaseWhenDone) {
  if (window) {
    RECT bounds;
    if (GetWindowRect(window, &bounds)) windowOrigin = {bounds.left, bounds.top};
  }
  if (deviceContext) adopt(deviceContext);
}

template <class Interface>
GdiContext<Interface>::~GdiContext() {
  HDC used = dc;
  restore();
  if (releaseDc && used) ReleaseDC(window, used);
}

template <class Interface>
void GdiContext<Interface>::adopt(HDC deviceContext) {
  dc = deviceContext;
  savedBrush = GetCurrentObject(dc, OBJ_BRUSH);
  savedPen = GetCurrentObject(dc, OBJ_PEN);
  savedFont = GetCurrentObject(dc, OBJ_FONT);
  SetBkMode(dc, TRANSPARENT);
  setFrameColor(frameColor);
  setLineStyle(lineStyle);
  setFillColor(fillColor);
  SetTextColor(dc, toColorRef(fontColor));
}

template <class Interface>
void GdiContext<Interface>::restore() {
  if (!dc) return;
  if (savedBrush) SelectObject(dc, savedBrush);
  if (savedPen) SelectObject(dc, savedPen);
  if (savedFont) SelectObject(dc, savedFont);
  if (ownBrush) DeleteObject(ownBrush);
  if (ownPen) DeleteObject(ownPen);
  if (ownFont) DeleteObject(ownFont);
  ownBrush = nullptr;
  ownPen = nullptr;
  ownFont = nullptr;
  dc = nullptr;
}

template <class Interface>
void GdiContext<Interface>::replacePen() {
  if (!dc) return;
  LOGPEN description{};
  description.lopnStyle = lineStyle == kLineDotted ? PS_DOT : PS_SOLID;
  description.lopnWidth.x = 1;
  description.lopnColor = toColorRef(frameColor);
  HPEN pen = CreatePenIndirect(&description);
  if (!pen) return;
  SelectObject(dc, pen);
  if (ownPen) DeleteObject(ownPen);
  ownPen = pen;
}

template <class Interface>
void GdiContext<Interface>::setLineStyle(int32_t style) {
  lineStyle = style;
  replacePen();
}

template <class Interface>
void GdiContext<Interface>::setFrameColor(Color color) {
  frameColor = color;
  replacePen();
}

template <class Interface>
void GdiContext<Interface>::setFillColor(Color color) {
  fillColor = color;
  if (!dc) return;
  SetBkColor(dc, toColorRef(color));
  LOGBRUSH description{BS_SOLID, toColorRef(color), 0};
  HBRUSH brush = CreateBrushIndirect(&description);
  if (!brush) return;
  SelectObject(dc, brush);
  if (ownBrush) DeleteObject(ownBrush);
  ownBrush = brush;
}

template <class Interface>
void GdiContext<Interface>::setFontColor(Color color) {
  fontColor = color;
  if (dc) SetTextColor(dc, toColorRef(color));
}

template <class Interface>
void GdiContext<Interface>::setFont(int32_t fontId, int32_t size, int32_t face) {
  if (!dc) return;
  const FontSpec spec = resolveFont(fontId, size, face);
  LOGFONTA description{};
  description.lfHeight = -spec.height;
  description.lfWeight = spec.bold ? FW_BOLD : FW_NORMAL;
  description.lfItalic = spec.italic ? TRUE : FALSE;
  description.lfUnderline = spec.underline ? TRUE : FALSE;
  description.lfCharSet = ANSI_CHARSET;
  description.lfOutPrecision = OUT_STRING_PRECIS;
  description.lfClipPrecision = CLIP_STROKE_PRECIS;
  description.lfQuality = DEFAULT_QUALITY;
  description.lfPitchAndFamily =
      static_cast<BYTE>(VARIABLE_PITCH | (spec.decorative ? FF_DECORATIVE : FF_SWISS));
  std::strncpy(description.lfFaceName, spec.face, LF_FACESIZE - 1);
  HFONT font = CreateFontIndirectA(&description);
  if (!font) return;
  SelectObject(dc, font);
  if (ownFont) DeleteObject(ownFont);
  ownFont = font;
}

template <class Interface>
void GdiContext<Interface>::moveTo(Point p) {
  if (dc) MoveToEx(dc, p.h, p.v, nullptr);
}

template <class Interface>
void GdiContext<Interface>::lineTo(Point p) {
  if (dc) LineTo(dc, p.h, p.v);
}

template <class Interface>
void GdiContext<Interface>::frameRect(const Rect& rect) {
  if (!dc) return;
  // GDI lines leave out their last pixel; the closed path covers every corner.
  MoveToEx(dc, rect.left, rect.top, nullptr);
  LineTo(dc, rect.right, rect.top);
  LineTo(dc, rect.right, rect.bottom);
  LineTo(dc, rect.left, rect.bottom);
  LineTo(dc, rect.left, rect.top);
}

template <class Interface>
void GdiContext<Interface>::fillRect(const Rect& rect) {
  if (!dc || !ownBrush) return;
  const RECT inner{rect.left + 1, rect.top + 1, rect.right, rect.bottom};
  FillRect(dc, &inner, ownBrush);
}

template <class Interface>
void GdiContext<Interface>::drawString(const char* text, const Rect& rect, bool opaque, int32_t alignment) {
  if (!dc || !text) return;
  SetBkMode(dc, opaque ? OPAQUE : TRANSPARENT);
  RECT box{rect.left, rect.top, rect.right, rect.bottom};
  UINT format = DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX;
  if (alignment == kAlignCenter) {
    format |= DT_CENTER;
  } else if (alignment == kAlignRight) {
    format |= DT_RIGHT;
  } else {
    box.left += 1;
  }
  DrawTextA(dc, text, -1, &box, format);
  SetBkMode(dc, TRANSPARENT);
}

template <class Interface>
ButtonState GdiContext<Interface>::buttonState() {
  // GetAsyncKeyState reports the physical buttons.
  const bool swapped = buttonsSwapped();
  ButtonState state = 0;
  if (pressed(VK_LBUTTON)) state |= swapped ? kRightButton : kLeftButton;
  if (pressed(VK_MBUTTON)) state |= kMiddleButton;
  if (pressed(VK_RBUTTON)) state |= swapped ? kLeftButton : kRightButton;
  if (pressed(VK_SHIFT)) state |= kShiftKey;
  if (pressed(VK_CONTROL)) state |= kControlKey;
  if (pressed(VK_MENU)) state |= kAltKey;
  return state;
}

template <class Interface>
Point GdiContext<Interface>::mousePosition() {
  POINT cursor{};
  GetCursorPos(&cursor);
  return {cursor.x - windowOrigin.h, cursor.y - windowOrigin.v};
}

template class GdiContext<DrawContext>;
template class GdiContext<OffscreenContext>;

OffscreenBuffer::OffscreenBuffer(HWND compatibleWith, int32_t width, int32_t height, Color background)
    : GdiContext<OffscreenContext>(nullptr, nullptr, false) {
  HDC windowDc = GetDC(compatibleWith);
  if (!windowDc) return;
  memoryDc = CreateCompatibleDC(windowDc);
  if (memoryDc) bitmap = CreateCompatibleBitmap(windowDc, width, height);
  ReleaseDC(compatibleWith, windowDc);
  if (!bitmap) return;
  previousBitmap = SelectObject(memoryDc, bitmap);
  adopt(memoryDc);
  setFillColor(background);
  setFrameColor(background);
  fillRect({0, 0, width, height});
  frameRect({0, 0, width, height});
}

OffscreenBuffer::~OffscreenBuffer() {
  restore();
  if (memoryDc && previousBitmap) SelectObject(memoryDc, previousBitmap);
  if (bitmap) DeleteObject(bitmap);
  if (memoryDc) DeleteDC(memoryDc);
}

void OffscreenBuffer::copyTo(DrawContext& target, const Rect& rect, Point source) {
  HDC targetDc = deviceContextOf(target);
  if (!targetDc || !bitmap) return;
  BitBlt(targetDc, rect.left, rect.top, rect.width(), rect.height(), memoryDc, source.h, source.v, SRCCOPY);
}

}  // namespace brisko::win32
