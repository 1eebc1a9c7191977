#include "gui/cairo/CairoSurface.h"

namespace brisko {

CairoSurfacePtr makeRgbImage(int32_t width, int32_t height, uint32_t rgb) {
  if (width < 1 || height < 1) return nullptr;
  CairoSurfacePtr image(cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height));
  if (cairo_surface_status(image.get()) != CAIRO_STATUS_SUCCESS) return nullptr;
  cairo_surface_flush(image.get());
  unsigned char* data = cairo_image_surface_get_data(image.get());
  const int stride = cairo_image_surface_get_stride(image.get());
  for (int32_t y = 0; y < height; ++y) {
    auto* row = reinterpret_cast<uint32_t*>(data + static_cast<std::ptrdiff_t>(y) * stride);
    for (int32_t x = 0; x < width; ++x) row[x] = 0xFF000000u | rgb;
  }
  cairo_surface_mark_dirty(image.get());
  return image;
}

uint32_t pixelAt(cairo_surface_t* image, int32_t x, int32_t y) {
  if (!image || cairo_surface_get_type(image) != CAIRO_SURFACE_TYPE_IMAGE) return 0;
  if (x < 0 || y < 0 || x >= cairo_image_surface_get_width(image) || y >= cairo_image_surface_get_height(image)) {
    return 0;
  }
  cairo_surface_flush(image);
  const unsigned char* data = cairo_image_surface_get_data(image);
  const int stride = cairo_image_surface_get_stride(image);
  const auto* row = reinterpret_cast<const uint32_t*>(data + static_cast<std::ptrdiff_t>(y) * stride);
  return row[x] & 0xFFFFFFu;
}

}  // namespace brisko
