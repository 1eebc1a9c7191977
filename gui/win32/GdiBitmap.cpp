#include "gui/win32/GdiBitmap.h"

#include <new>

#include "gui/win32/GdiContext.h"

namespace brisko::win32 {

namespace {
TransparentBltFunction transparentBlt = nullptr;
}

TransparentBltFunction keyedCopyEntry() { return transparentBlt; }

void setKeyedCopyEntry(TransparentBltFunction entry) { transparentBlt = entry; }

void keyedCopy(HDC target, int x, int y, int width, int height, HDC source, int sourceX, int sourceY,
               COLORREF key, TransparentBltFunction entry) {
  if (entry) {
    entry(target, x, y, width, height, source, sourceX, sourceY, width, height, key);
    return;
  }
  // Mask bits are 1 where the source has the key colour. XOR, AND, XOR keeps
  // the target there and puts the source everywhere else.
  HDC maskDc = CreateCompatibleDC(target);
  HBITMAP mask = maskDc ? CreateBitmap(width, height, 1, 1, nullptr) : nullptr;
  if (!mask) {
    if (maskDc) DeleteDC(maskDc);
    return;
  }
  HGDIOBJ previousMask = SelectObject(maskDc, mask);
  const COLORREF targetBack = SetBkColor(target, RGB(255, 255, 255));
  const COLORREF targetText = SetTextColor(target, RGB(0, 0, 0));
  const COLORREF sourceBack = SetBkColor(source, key);
  BitBlt(maskDc, 0, 0, width, height, source, sourceX, sourceY, SRCCOPY);
  BitBlt(target, x, y, width, height, source, sourceX, sourceY, SRCINVERT);
  BitBlt(target, x, y, width, height, maskDc, 0, 0, SRCAND);
  BitBlt(target, x, y, width, height, source, sourceX, sourceY, SRCINVERT);
  SetBkColor(source, sourceBack);
  SetBkColor(target, targetBack);
  SetTextColor(target, targetText);
  SelectObject(maskDc, previousMask);
  DeleteObject(mask);
  DeleteDC(maskDc);
}

GdiBitmap* GdiBitmap::load(HINSTANCE module, int32_t resourceId) {
  HBITMAP image = LoadBitmapA(module, MAKEINTRESOURCEA(resourceId));
  BITMAP info{};
  if (image && !GetObjectA(image, sizeof info, &info)) {
    DeleteObject(image);
    image = nullptr;
  }
  auto* bitmap = new (std::nothrow) GdiBitmap(resourceId, image ? info.bmWidth : 0, image ? info.bmHeight : 0, image);
  if (!bitmap && image) DeleteObject(image);
  return bitmap;
}

GdiBitmap::GdiBitmap(int32_t resourceId, int32_t width, int32_t height, HBITMAP image)
    : Bitmap(resourceId, width, height), handle(image) {}

GdiBitmap::~GdiBitmap() {
  if (handle) DeleteObject(handle);
}

template <class Copy>
void GdiBitmap::withImage(HDC target, Copy copy) {
  if (!handle || !target) return;
  HDC imageDc = CreateCompatibleDC(target);
  if (!imageDc) return;
  HGDIOBJ previous = SelectObject(imageDc, handle);
  copy(imageDc);
  SelectObject(imageDc, previous);
  DeleteDC(imageDc);
}

void GdiBitmap::drawOpaque(DrawContext& context, const Rect& rect, Point source) {
  HDC target = deviceContextOf(context);
  withImage(target, [&](HDC image) {
    BitBlt(target, rect.left, rect.top, rect.width(), rect.height(), image, source.h, source.v, SRCCOPY);
  });
}

void GdiBitmap::drawTransparent(DrawContext& context, const Rect& rect, Point source) {
  HDC target = deviceContextOf(context);
  withImage(target, [&](HDC image) {
    keyedCopy(target, rect.left, rect.top, rect.width(), rect.height(), image, source.h, source.v,
              toColorRef(transparentColor()), keyedCopyEntry());
  });
}

}  // namespace brisko::win32
