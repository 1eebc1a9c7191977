#include "gui/cairo/CairoBitmap.h"

#include <new>
#include <utility>

#include "gui/cairo/CairoDrawContext.h"
#include "resources/EmbeddedResources.h"

namespace brisko {

CairoBitmap::CairoBitmap(int32_t resourceId, RgbPixels decoded)
    : Bitmap(resourceId, decoded.width, decoded.height), image(std::move(decoded)) {}

CairoBitmap* CairoBitmap::load(int32_t resourceId) {
  RgbPixels decoded;
  if (const EmbeddedResource* file = findEmbeddedBitmap(resourceId)) decodeBmp24(file->data, file->size, decoded);
  return new (std::nothrow) CairoBitmap(resourceId, std::move(decoded));
}

void CairoBitmap::drawOpaque(DrawContext& context, const Rect& rect, Point source) {
  draw(context, rect, source, false);
}

void CairoBitmap::drawTransparent(DrawContext& context, const Rect& rect, Point source) {
  draw(context, rect, source, true);
}

void CairoBitmap::draw(DrawContext& context, const Rect& rect, Point source, bool keyed) {
  auto* target = dynamic_cast<CairoDrawContext*>(&context);
  if (!target || image.pixels.empty()) return;
  const Color key = transparentColor();
  const uint32_t keyRgb = (static_cast<uint32_t>(key.red) << 16) | (static_cast<uint32_t>(key.green) << 8) | key.blue;
  target->copyPixels(image.pixels.data(), image.width, image.height, image.width, rect, source, keyed, keyRgb);
}

}  // namespace brisko
