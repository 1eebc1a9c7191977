#pragma once

#include <cstdint>

#include "gui/DrawContext.h"
#include "gui/Geometry.h"

namespace brisko {

// A reference-counted image loaded by resource id (Platform::loadBitmap).
// A resource that did not load gives a bitmap of 0 by 0 that draws nothing.
class Bitmap {
 public:
  Bitmap(int32_t resourceId, int32_t width, int32_t height)
      : resource(resourceId), pixelWidth(width), pixelHeight(height) {}
  Bitmap(const Bitmap&) = delete;
  Bitmap& operator=(const Bitmap&) = delete;

  int32_t resourceId() const { return resource; }
  int32_t width() const { return pixelWidth; }
  int32_t height() const { return pixelHeight; }
  Color transparentColor() const { return keyColor; }

  void addReference() { ++references; }
  // Destroys the bitmap when the last reference goes; a count already at 0
  // is left alone.
  void releaseReference() {
    if (references <= 0) return;
    if (--references == 0) delete this;
  }
  int32_t referenceCount() const { return references; }

  // Copies the rect-sized block at `source` to `rect` of the context.
  virtual void drawOpaque(DrawContext& context, const Rect& rect, Point source) = 0;
  // The same, leaving out every pixel equal to transparentColor().
  virtual void drawTransparent(DrawContext& context, const Rect& rect, Point source) = 0;

 protected:
  virtual ~Bitmap() = default;

 private:
  int32_t resource;
  int32_t references = 1;
  int32_t pixelWidth;
  int32_t pixelHeight;
  Color keyColor = kWhite;
};

}  // namespace brisko
