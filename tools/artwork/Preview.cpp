#include "Preview.h"

#include <cmath>
#include <cstdio>

#include "Cairo.h"

namespace brisko::artwork {
namespace {

double displayedValue(int row, double value) {
  switch (row) {
    case 0: return value * 4.64;
    case 2: return value * 999.99;
    case 4: return value * 128.0;
    case 5: return (value - 0.5) * 2.0;
    default: return value;
  }
}

void blit(cairo_t* cr, const RgbImage& image, int x, int y) {
  Surface source = surfaceFromImage(image);
  cairo_set_source_surface(cr, source.get(), x, y);
  cairo_paint(cr);
}

// Black box with its outline, then the value centred in it as a single line.
void drawDisplay(cairo_t* cr, const Box& box, double value) {
  setSourceRgb(cr, 0, 0, 0);
  cairo_rectangle(cr, box.left, box.top, box.width() + 1, box.height() + 1);
  cairo_fill(cr);

  char text[32];
  std::snprintf(text, sizeof text, "%2.2f", value);
  selectSans(cr, 11, false);
  cairo_font_extents_t font;
  cairo_font_extents(cr, &font);
  cairo_text_extents_t extents;
  cairo_text_extents(cr, text, &extents);
  const double lineHeight = std::ceil(font.ascent) + std::ceil(font.descent);
  const double top = box.top + std::floor((box.height() - lineHeight) / 2.0);
  const double x = box.left + std::floor((box.width() - extents.x_advance) / 2.0);
  setSourceRgb(cr, 255, 255, 255);
  cairo_move_to(cr, x, top + std::ceil(font.ascent));
  cairo_show_text(cr, text);
}

}  // namespace

RgbImage composeEditor(const EditorBitmaps& bitmaps, const std::array<double, kRowCount>& values) {
  Surface surface = makeSurface(kPanelWidth, kPanelHeight);
  Context context = makeContext(surface);
  cairo_t* cr = context.get();
  blit(cr, bitmaps.background, 0, 0);
  for (int row = 0; row < kRowCount; ++row) {
    const Box slider = sliderBox(row);
    const double value = values[static_cast<std::size_t>(row)];
    blit(cr, bitmaps.body, slider.left, slider.top);
    blit(cr, bitmaps.handle, slider.left + handleLeft(value), slider.top);
    drawDisplay(cr, displayBox(row), displayedValue(row, value));
  }
  return imageFromSurface(surface);
}

bool writePng(const RgbImage& image, const std::string& path, int zoom) {
  Surface source = surfaceFromImage(image);
  Surface scaled = makeSurface(image.width() * zoom, image.height() * zoom);
  Context cr = makeContext(scaled);
  cairo_scale(cr.get(), zoom, zoom);
  cairo_set_source_surface(cr.get(), source.get(), 0, 0);
  cairo_pattern_set_filter(cairo_get_source(cr.get()), CAIRO_FILTER_NEAREST);
  cairo_paint(cr.get());
  return cairo_surface_write_to_png(scaled.get(), path.c_str()) == CAIRO_STATUS_SUCCESS;
}

}  // namespace brisko::artwork
