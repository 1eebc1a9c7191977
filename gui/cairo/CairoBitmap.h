#pragma once

#include <cstdint>

#include "gui/Bitmap.h"
#include "gui/cairo/BmpDecoder.h"

namespace brisko {

// A bitmap decoded from one of the .bmp files built into the binary. It draws
// on CairoDrawContexts only; other contexts are left alone.
class CairoBitmap final : public Bitmap {
 public:
  // 0 by 0, drawing nothing, when the id is unknown or the file is not a
  // 24-bit bitmap.
  static CairoBitmap* load(int32_t resourceId);
  CairoBitmap(int32_t resourceId, RgbPixels decoded);

  void drawOpaque(DrawContext& context, const Rect& rect, Point source) override;
  void drawTransparent(DrawContext& context, const Rect& rect, Point source) override;

  const RgbPixels& pixels() const { return image; }

 private:
  void draw(DrawContext& context, const Rect& rect, Point source, bool keyed);

  RgbPixels image;
};

}  // namespace brisko
