#pragma once

#include <cairo.h>

#include <cstdint>

#include "gui/FontTable.h"
#include "gui/Geometry.h"

namespace brisko {

// Where one line of text goes inside a rectangle, in whole pixels: the cell
// (left, top, width by ascent + descent) and the baseline.
struct TextPlacement {
  int32_t left = 0;
  int32_t top = 0;
  int32_t width = 0;
  int32_t height = 0;
  int32_t baseline = 0;
};

// Selects the font of `spec` on `cr` with grey anti-aliasing and whole-pixel
// metrics. Faces are looked up through fontconfig, so "Arial" becomes a
// metric-compatible face such as Liberation Sans.
void selectFont(cairo_t* cr, const FontSpec& spec);

// Single line, centred vertically; centred for kAlignCenter, flush right for
// kAlignRight, otherwise one pixel in from the left edge. Uses the font
// selected on `cr`.
TextPlacement placeText(cairo_t* cr, const char* text, const Rect& rect, int32_t alignment);

}  // namespace brisko
