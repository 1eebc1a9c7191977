#include "Cairo.h"

#include <fontconfig/fontconfig.h>

#include <cstring>
#include <vector>

namespace brisko::artwork {
namespace {

// Splits UTF-8 text into its characters, each as its own string.
std::vector<std::string> characters(const std::string& utf8) {
  std::vector<std::string> out;
  for (std::size_t i = 0; i < utf8.size();) {
    std::size_t length = 1;
    const auto lead = static_cast<unsigned char>(utf8[i]);
    if (lead >= 0xF0) length = 4;
    else if (lead >= 0xE0) length = 3;
    else if (lead >= 0xC0) length = 2;
    out.push_back(utf8.substr(i, length));
    i += length;
  }
  return out;
}

double advance(cairo_t* cr, const std::string& text) {
  cairo_text_extents_t extents;
  cairo_text_extents(cr, text.c_str(), &extents);
  return extents.x_advance;
}

}  // namespace

Surface makeSurface(int width, int height) {
  return Surface(cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height));
}

Context makeContext(const Surface& surface) { return Context(cairo_create(surface.get())); }

Surface surfaceFromImage(const RgbImage& image) {
  Surface surface = makeSurface(image.width(), image.height());
  cairo_surface_flush(surface.get());
  unsigned char* data = cairo_image_surface_get_data(surface.get());
  const int stride = cairo_image_surface_get_stride(surface.get());
  for (int y = 0; y < image.height(); ++y) {
    auto* row = reinterpret_cast<std::uint32_t*>(data + y * stride);
    for (int x = 0; x < image.width(); ++x) {
      const Rgb p = image.at(x, y);
      row[x] = 0xFF000000u | (std::uint32_t{p.r} << 16) | (std::uint32_t{p.g} << 8) | p.b;
    }
  }
  cairo_surface_mark_dirty(surface.get());
  return surface;
}

RgbImage imageFromSurface(const Surface& surface) {
  cairo_surface_flush(surface.get());
  const int width = cairo_image_surface_get_width(surface.get());
  const int height = cairo_image_surface_get_height(surface.get());
  const unsigned char* data = cairo_image_surface_get_data(surface.get());
  const int stride = cairo_image_surface_get_stride(surface.get());
  RgbImage image(width, height);
  for (int y = 0; y < height; ++y) {
    const auto* row = reinterpret_cast<const std::uint32_t*>(data + y * stride);
    for (int x = 0; x < width; ++x) {
      const std::uint32_t p = row[x];
      image.set(x, y, {static_cast<std::uint8_t>(p >> 16), static_cast<std::uint8_t>(p >> 8),
                       static_cast<std::uint8_t>(p)});
    }
  }
  return image;
}

void setSourceRgb(cairo_t* cr, int r, int g, int b, double alpha) {
  cairo_set_source_rgba(cr, r / 255.0, g / 255.0, b / 255.0, alpha);
}

void selectSans(cairo_t* cr, double pixelSize, bool bold) {
  cairo_select_font_face(cr, "Liberation Sans", CAIRO_FONT_SLANT_NORMAL,
                         bold ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
  cairo_set_font_size(cr, pixelSize);
  cairo_font_options_t* options = cairo_font_options_create();
  cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
  cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_FULL);
  cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_ON);
  cairo_set_font_options(cr, options);
  cairo_font_options_destroy(options);
}

double spacedTextWidth(cairo_t* cr, const std::string& utf8, double spacing) {
  const std::vector<std::string> chars = characters(utf8);
  double width = 0.0;
  for (const std::string& c : chars) width += advance(cr, c);
  if (!chars.empty()) width += spacing * static_cast<double>(chars.size() - 1);
  return width;
}

void showSpacedText(cairo_t* cr, double x, double baseline, const std::string& utf8, double spacing) {
  for (const std::string& c : characters(utf8)) {
    cairo_move_to(cr, x, baseline);
    cairo_show_text(cr, c.c_str());
    x += advance(cr, c) + spacing;
  }
}

bool fontFamilyInstalled(const char* family) {
  FcPattern* pattern = FcNameParse(reinterpret_cast<const FcChar8*>(family));
  FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  FcResult result = FcResultNoMatch;
  FcPattern* match = FcFontMatch(nullptr, pattern, &result);
  bool found = false;
  FcChar8* matched = nullptr;
  if (match && FcPatternGetString(match, FC_FAMILY, 0, &matched) == FcResultMatch)
    found = std::strcmp(reinterpret_cast<const char*>(matched), family) == 0;
  if (match) FcPatternDestroy(match);
  FcPatternDestroy(pattern);
  return found;
}

}  // namespace brisko::artwork
