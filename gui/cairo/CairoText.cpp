#include "gui/cairo/CairoText.h"

#include <cmath>

#include "gui/DrawContext.h"

namespace brisko {

void selectFont(cairo_t* cr, const FontSpec& spec) {
  cairo_select_font_face(cr, spec.face, spec.italic ? CAIRO_FONT_SLANT_ITALIC : CAIRO_FONT_SLANT_NORMAL,
                         spec.bold ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
  // The height is the character (em) height, as the table means it.
  cairo_set_font_size(cr, spec.height);
  cairo_font_options_t* options = cairo_font_options_create();
  // Fixed here rather than taken from the desktop's settings, so that the
  // same build draws the same pixels everywhere.
  cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
  cairo_font_options_set_subpixel_order(options, CAIRO_SUBPIXEL_ORDER_DEFAULT);
  cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_SLIGHT);
  cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_ON);
  cairo_set_font_options(cr, options);
  cairo_font_options_destroy(options);
}

TextPlacement placeText(cairo_t* cr, const char* text, const Rect& rect, int32_t alignment) {
  cairo_font_extents_t font;
  cairo_font_extents(cr, &font);
  cairo_text_extents_t extents;
  cairo_text_extents(cr, text, &extents);

  TextPlacement place;
  const auto ascent = static_cast<int32_t>(std::ceil(font.ascent));
  place.height = ascent + static_cast<int32_t>(std::ceil(font.descent));
  place.width = static_cast<int32_t>(std::lround(extents.x_advance));
  place.top = rect.top + (rect.height() - place.height) / 2;
  place.baseline = place.top + ascent;
  if (alignment == kAlignCenter) {
    place.left = rect.left + (rect.width() - place.width) / 2;
  } else if (alignment == kAlignRight) {
    place.left = rect.right - place.width;
  } else {
    place.left = rect.left + 1;
  }
  return place;
}

}  // namespace brisko
