#pragma once

// Bitmaps from the module's bitmap resources, drawn opaque or keyed.

#include <windows.h>

#include <cstdint>

#include "gui/Bitmap.h"

namespace brisko::win32 {

using TransparentBltFunction = BOOL(WINAPI*)(HDC, int, int, int, int, HDC, int, int, int, int, UINT);

// The keyed-copy entry point of the image library, or null (then copies go
// through a monochrome mask). Set by the windows that load the library.
TransparentBltFunction keyedCopyEntry();
void setKeyedCopyEntry(TransparentBltFunction entry);

// Copies width by height from `source` at (sourceX, sourceY) to `target` at
// (x, y), leaving out the pixels of colour `key`; `entry` null takes the
// monochrome-mask path.
void keyedCopy(HDC target, int x, int y, int width, int height, HDC source, int sourceX, int sourceY,
               COLORREF key, TransparentBltFunction entry);

class GdiBitmap final : public Bitmap {
 public:
  // One reference held; 0 by 0 and drawing nothing when the resource is missing.
  static GdiBitmap* load(HINSTANCE module, int32_t resourceId);

  void drawOpaque(DrawContext& context, const Rect& rect, Point source) override;
  void drawTransparent(DrawContext& context, const Rect& rect, Point source) override;

 private:
  GdiBitmap(int32_t resourceId, int32_t width, int32_t height, HBITMAP image);
  ~GdiBitmap() override;

  // Selects the image into a memory context compatible with `target` and
  // runs `copy` with it.
  template <class Copy>
  void withImage(HDC target, Copy copy);

  HBITMAP handle;
};

}  // namespace brisko::win32
