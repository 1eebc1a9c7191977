#pragma once

#include <cairo.h>

#include <cstdint>
#include <string>

#include "gui/Geometry.h"
#include "gui/cairo/CairoSurface.h"

namespace brisko::testing {

// A PNG file as an image surface; null when it cannot be read.
inline CairoSurfacePtr readPng(const std::string& path) {
  CairoSurfacePtr image(cairo_image_surface_create_from_png(path.c_str()));
  if (cairo_surface_status(image.get()) != CAIRO_STATUS_SUCCESS) return nullptr;
  return image;
}

inline uint32_t rgb(Color c) { return (uint32_t{c.red} << 16) | (uint32_t{c.green} << 8) | c.blue; }

// The smallest rectangle (right and bottom one past) holding every pixel of
// `area` that differs from `background`; empty (all 0) when there is none.
inline Rect inkBox(cairo_surface_t* image, const Rect& area, uint32_t background) {
  Rect box{area.right, area.bottom, area.left, area.top};
  bool found = false;
  for (int32_t y = area.top; y < area.bottom; ++y) {
    for (int32_t x = area.left; x < area.right; ++x) {
      if (pixelAt(image, x, y) == background) continue;
      found = true;
      if (x < box.left) box.left = x;
      if (y < box.top) box.top = y;
      if (x + 1 > box.right) box.right = x + 1;
      if (y + 1 > box.bottom) box.bottom = y + 1;
    }
  }
  return found ? box : Rect{};
}

}  // namespace brisko::testing
