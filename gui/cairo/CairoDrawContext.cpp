#include "gui/cairo/CairoDrawContext.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "gui/cairo/CairoText.h"

namespace brisko {

namespace {

constexpr uint32_t kOpaque = 0xFF000000u;
constexpr uint32_t kRgbMask = 0x00FFFFFFu;
// A dotted pen: three pixels drawn, three left alone.
constexpr int32_t kDotLength = 3;

uint32_t rgbOf(Color c) {
  return (static_cast<uint32_t>(c.red) << 16) | (static_cast<uint32_t>(c.green) << 8) | c.blue;
}

bool isPixelImage(cairo_surface_t* surface) {
  if (!surface || cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) return false;
  if (cairo_surface_get_type(surface) != CAIRO_SURFACE_TYPE_IMAGE) return false;
  const cairo_format_t format = cairo_image_surface_get_format(surface);
  return format == CAIRO_FORMAT_RGB24 || format == CAIRO_FORMAT_ARGB32;
}

}  // namespace

CairoDrawContext::CairoDrawContext(cairo_surface_t* surface) : font(resolveFont(0, 0, 0)) {
  // Only 32-bit pixel images can be drawn on; anything else draws nothing.
  if (!isPixelImage(surface)) return;
  image.reset(cairo_surface_reference(surface));
  data = cairo_image_surface_get_data(surface);
  width = cairo_image_surface_get_width(surface);
  height = cairo_image_surface_get_height(surface);
  stride = cairo_image_surface_get_stride(surface);
}

CairoDrawContext::CairoDrawContext(int32_t bufferWidth, int32_t bufferHeight, Color background)
    : CairoDrawContext(makeRgbImage(bufferWidth, bufferHeight).get()) {
  setFillColor(background);
  setFrameColor(background);
  const Rect whole{0, 0, bufferWidth, bufferHeight};
  fillRect(whole);
  frameRect(whole);
}

CairoDrawContext::~CairoDrawContext() = default;

uint32_t* CairoDrawContext::row(int32_t y) const {
  return reinterpret_cast<uint32_t*>(data + static_cast<std::ptrdiff_t>(y) * stride);
}

void CairoDrawContext::plot(int32_t x, int32_t y, uint32_t rgb) {
  if (x < 0 || y < 0 || x >= width || y >= height) return;
  row(y)[x] = kOpaque | rgb;
}

void CairoDrawContext::touchClipped(const Rect& area) {
  const Rect clipped{std::max(area.left, 0), std::max(area.top, 0), std::min(area.right, width),
                     std::min(area.bottom, height)};
  if (clipped.left < clipped.right && clipped.top < clipped.bottom) touched(clipped);
}

void CairoDrawContext::fillPixels(const Rect& area, uint32_t rgb) {
  if (!data) return;
  const int32_t left = area.left < 0 ? 0 : area.left;
  const int32_t top = area.top < 0 ? 0 : area.top;
  const int32_t right = area.right > width ? width : area.right;
  const int32_t bottom = area.bottom > height ? height : area.bottom;
  touchClipped(area);
  cairo_surface_flush(image.get());
  for (int32_t y = top; y < bottom; ++y) {
    uint32_t* line = row(y);
    for (int32_t x = left; x < right; ++x) line[x] = kOpaque | rgb;
  }
  cairo_surface_mark_dirty(image.get());
}

void CairoDrawContext::setLineStyle(int32_t style) {
  lineStyle = style;
  dashPhase = 0;
}

void CairoDrawContext::setFrameColor(Color color) {
  penColor = color;
  dashPhase = 0;
}

void CairoDrawContext::setFillColor(Color color) { brushColor = color; }

void CairoDrawContext::setFontColor(Color color) { textColor = color; }

void CairoDrawContext::setFont(int32_t fontId, int32_t size, int32_t face) { font = resolveFont(fontId, size, face); }

void CairoDrawContext::moveTo(Point p) { position = p; }

void CairoDrawContext::lineTo(Point p) {
  const Point from = position;
  position = p;
  if (!data) return;
  // Bresenham from `from` towards `p`; the end point itself is left for the
  // next segment, so joined segments never draw a pixel twice.
  const int32_t dx = std::abs(p.h - from.h);
  const int32_t dy = -std::abs(p.v - from.v);
  const int32_t stepX = from.h < p.h ? 1 : -1;
  const int32_t stepY = from.v < p.v ? 1 : -1;
  int32_t error = dx + dy;
  int32_t x = from.h;
  int32_t y = from.v;
  const uint32_t rgb = rgbOf(penColor);
  touchClipped({std::min(from.h, p.h), std::min(from.v, p.v), std::max(from.h, p.h) + 1, std::max(from.v, p.v) + 1});
  cairo_surface_flush(image.get());
  while (x != p.h || y != p.v) {
    const bool dotOn = lineStyle != kLineDotted || (dashPhase / kDotLength) % 2 == 0;
    if (dotOn) plot(x, y, rgb);
    dashPhase = (dashPhase + 1) % (2 * kDotLength);
    const int32_t doubled = 2 * error;
    if (doubled >= dy) {
      error += dy;
      x += stepX;
    }
    if (doubled <= dx) {
      error += dx;
      y += stepY;
    }
  }
  cairo_surface_mark_dirty(image.get());
}

void CairoDrawContext::frameRect(const Rect& rect) {
  moveTo({rect.left, rect.top});
  lineTo({rect.right, rect.top});
  lineTo({rect.right, rect.bottom});
  lineTo({rect.left, rect.bottom});
  lineTo({rect.left, rect.top});
}

void CairoDrawContext::fillRect(const Rect& rect) {
  fillPixels({rect.left + 1, rect.top + 1, rect.right, rect.bottom}, rgbOf(brushColor));
}

void CairoDrawContext::drawString(const char* text, const Rect& rect, bool opaque, int32_t alignment) {
  if (!text || !image || rect.width() <= 0 || rect.height() <= 0) return;
  touchClipped(rect);
  cairo_t* cr = cairo_create(image.get());
  // Text never leaves its rectangle.
  cairo_rectangle(cr, rect.left, rect.top, rect.width(), rect.height());
  cairo_clip(cr);
  selectFont(cr, font);
  const TextPlacement place = placeText(cr, text, rect, alignment);
  if (opaque) {
    cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
    cairo_set_source_rgb(cr, brushColor.red / 255.0, brushColor.green / 255.0, brushColor.blue / 255.0);
    cairo_rectangle(cr, place.left, place.top, place.width, place.height);
    cairo_fill(cr);
  }
  cairo_set_source_rgb(cr, textColor.red / 255.0, textColor.green / 255.0, textColor.blue / 255.0);
  cairo_move_to(cr, place.left, place.baseline);
  cairo_show_text(cr, text);
  if (font.underline) {
    cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
    cairo_rectangle(cr, place.left, place.baseline + 1, place.width, 1);
    cairo_fill(cr);
  }
  cairo_destroy(cr);
}

void CairoDrawContext::copyPixels(const uint32_t* pixels, int32_t sourceWidth, int32_t sourceHeight,
                                  int32_t sourceStride, const Rect& rect, Point source, bool keyed, uint32_t key) {
  if (!data || !pixels) return;
  touchClipped(rect);
  cairo_surface_flush(image.get());
  for (int32_t y = rect.top; y < rect.bottom; ++y) {
    const int32_t sourceY = source.v + (y - rect.top);
    if (y < 0 || y >= height || sourceY < 0 || sourceY >= sourceHeight) continue;
    uint32_t* target = row(y);
    const uint32_t* from = pixels + static_cast<std::ptrdiff_t>(sourceY) * sourceStride;
    for (int32_t x = rect.left; x < rect.right; ++x) {
      const int32_t sourceX = source.h + (x - rect.left);
      if (x < 0 || x >= width || sourceX < 0 || sourceX >= sourceWidth) continue;
      const uint32_t rgb = from[sourceX] & kRgbMask;
      if (keyed && rgb == key) continue;
      target[x] = kOpaque | rgb;
    }
  }
  cairo_surface_mark_dirty(image.get());
}

void CairoDrawContext::copyTo(DrawContext& target, const Rect& rect, Point source) {
  auto* destination = dynamic_cast<CairoDrawContext*>(&target);
  if (!destination || !data) return;
  cairo_surface_flush(image.get());
  const int32_t words = stride / 4;
  if (destination != this) {
    destination->copyPixels(reinterpret_cast<const uint32_t*>(data), width, height, words, rect, source, false, 0);
    return;
  }
  // A copy within one image reads everything before it writes.
  const std::vector<uint32_t> snapshot(reinterpret_cast<const uint32_t*>(data),
                                       reinterpret_cast<const uint32_t*>(data) +
                                           static_cast<std::ptrdiff_t>(words) * height);
  copyPixels(snapshot.data(), width, height, words, rect, source, false, 0);
}

}  // namespace brisko
