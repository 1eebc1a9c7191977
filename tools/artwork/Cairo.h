// Small helpers over cairo: owned surfaces and contexts, conversion to and
// from RgbImage, and hinted text with letter spacing.
#pragma once

#include <cairo.h>

#include <memory>
#include <string>

#include "RgbImage.h"

namespace brisko::artwork {

struct SurfaceDeleter {
  void operator()(cairo_surface_t* surface) const { cairo_surface_destroy(surface); }
};
struct ContextDeleter {
  void operator()(cairo_t* cr) const { cairo_destroy(cr); }
};
using Surface = std::unique_ptr<cairo_surface_t, SurfaceDeleter>;
using Context = std::unique_ptr<cairo_t, ContextDeleter>;

Surface makeSurface(int width, int height);
Context makeContext(const Surface& surface);

Surface surfaceFromImage(const RgbImage& image);
RgbImage imageFromSurface(const Surface& surface);

void setSourceRgb(cairo_t* cr, int r, int g, int b, double alpha = 1.0);

// Selects Liberation Sans (metric-compatible with Arial) at a pixel size,
// with grey antialiasing and full hinting so small text stays crisp.
void selectSans(cairo_t* cr, double pixelSize, bool bold);

// Width of a text drawn with extra space between its characters.
double spacedTextWidth(cairo_t* cr, const std::string& utf8, double spacing);
void showSpacedText(cairo_t* cr, double x, double baseline, const std::string& utf8, double spacing);

// True when fontconfig resolves the family to itself rather than a fallback.
bool fontFamilyInstalled(const char* family);

}  // namespace brisko::artwork
