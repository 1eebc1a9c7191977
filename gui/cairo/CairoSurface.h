#pragma once

#include <cairo.h>

#include <cstdint>
#include <memory>

namespace brisko {

struct CairoSurfaceRelease {
  void operator()(cairo_surface_t* surface) const { cairo_surface_destroy(surface); }
};
// One reference to a cairo surface.
using CairoSurfacePtr = std::unique_ptr<cairo_surface_t, CairoSurfaceRelease>;

// A width by height RGB24 image filled with 0xRRGGBB `rgb`; null when cairo
// could not make one (also for sizes below 1).
CairoSurfacePtr makeRgbImage(int32_t width, int32_t height, uint32_t rgb = 0);

// The 0xRRGGBB value of an image pixel; 0 outside the image.
uint32_t pixelAt(cairo_surface_t* image, int32_t x, int32_t y);

}  // namespace brisko
