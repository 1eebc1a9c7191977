#include "Panel.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <vector>

#include "Cairo.h"
#include "Layout.h"

namespace brisko::artwork {
namespace {

// Fixed-seed generator, so every run gives the same texture.
class Noise {
 public:
  explicit Noise(std::uint64_t seed) : state_(seed) {}
  // Uniform in -1 to 1.
  double next() {
    state_ += 0x9E3779B97F4A7C15ull;
    std::uint64_t z = state_;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    z ^= z >> 31;
    return static_cast<double>(z >> 11) / static_cast<double>(1ull << 52) - 1.0;
  }

 private:
  std::uint64_t state_;
};

// Brushed metal: noise smeared along each row, plus a little fine grain and
// a per-row offset for the longer brush lines. Roughly -1 to 1.
std::vector<double> brushTexture(int width, int height) {
  Noise noise(0x42524953u);
  const int pad = 24;
  const int smear = 11;
  std::vector<double> out(static_cast<std::size_t>(width) * height);
  std::vector<double> row(static_cast<std::size_t>(width + 2 * pad));
  for (int y = 0; y < height; ++y) {
    for (double& v : row) v = noise.next();
    const double rowOffset = 0.35 * noise.next();
    for (int x = 0; x < width; ++x) {
      double sum = 0.0;
      for (int k = -smear; k <= smear; ++k) sum += row[static_cast<std::size_t>(x + pad + k)];
      const double streak = sum / std::sqrt(2.0 * smear + 1.0);
      const double grain = row[static_cast<std::size_t>(x + pad)];
      out[static_cast<std::size_t>(y) * width + x] = 0.45 * streak + 0.2 * grain + rowOffset;
    }
  }
  return out;
}

void paintBrushedRed(const Surface& surface) {
  const int width = kPanelWidth;
  const int height = kPanelHeight;
  const std::vector<double> texture = brushTexture(width, height);
  RgbImage image(width, height);
  for (int y = 0; y < height; ++y) {
    const double t = static_cast<double>(y) / (height - 1);
    for (int x = 0; x < width; ++x) {
      // Oxblood, a little lighter at the top, with a broad diagonal sheen.
      const double sheenAxis = (0.55 * x + y - 70.0) / 85.0;
      const double sheen = 0.16 * std::exp(-sheenAxis * sheenAxis);
      const double dx = (x - width / 2.0) / (width * 0.72);
      const double dy = (y - height / 2.0) / (height * 0.72);
      const double vignette = 1.0 - 0.35 * (dx * dx + dy * dy);
      const double shade = (1.0 + 0.075 * texture[static_cast<std::size_t>(y) * width + x] + sheen) * vignette;
      const double r = (124.0 - 40.0 * t) * shade;
      const double g = (24.0 - 8.0 * t) * shade;
      const double b = (27.0 - 8.0 * t) * shade;
      auto channel = [](double v) { return static_cast<std::uint8_t>(std::clamp(std::lround(v), 0L, 255L)); };
      image.set(x, y, {channel(r), channel(g), channel(b)});
    }
  }
  Surface textured = surfaceFromImage(image);
  Context cr = makeContext(surface);
  cairo_set_source_surface(cr.get(), textured.get(), 0, 0);
  cairo_paint(cr.get());
}

void fillBox(cairo_t* cr, double x, double y, double w, double h) {
  cairo_rectangle(cr, x, y, w, h);
  cairo_fill(cr);
}

// Raised panel edge: light along the top and left, dark along the bottom and right.
void drawPanelEdge(cairo_t* cr) {
  setSourceRgb(cr, 255, 190, 180, 0.22);
  fillBox(cr, 0, 0, kPanelWidth, 1);
  fillBox(cr, 0, 0, 1, kPanelHeight);
  setSourceRgb(cr, 0, 0, 0, 0.55);
  fillBox(cr, 0, kPanelHeight - 1, kPanelWidth, 1);
  fillBox(cr, kPanelWidth - 1, 0, 1, kPanelHeight);
  setSourceRgb(cr, 0, 0, 0, 0.25);
  fillBox(cr, 1, kPanelHeight - 2, kPanelWidth - 2, 1);
  fillBox(cr, kPanelWidth - 2, 1, 1, kPanelHeight - 2);
}

void drawScrew(cairo_t* cr, double cx, double cy, double slotAngle) {
  const double radius = 4.5;
  // Countersink shadow.
  setSourceRgb(cr, 0, 0, 0, 0.45);
  cairo_arc(cr, cx + 0.4, cy + 0.6, radius + 0.9, 0, 2 * std::numbers::pi);
  cairo_fill(cr);
  setSourceRgb(cr, 255, 210, 200, 0.18);
  cairo_arc(cr, cx - 0.3, cy - 0.3, radius + 0.6, std::numbers::pi, 1.5 * std::numbers::pi);
  cairo_set_line_width(cr, 0.8);
  cairo_stroke(cr);
  // Steel head, lit from the top left.
  cairo_pattern_t* head = cairo_pattern_create_radial(cx - 1.6, cy - 1.8, 0.3, cx, cy, radius);
  cairo_pattern_add_color_stop_rgb(head, 0.0, 228 / 255.0, 224 / 255.0, 220 / 255.0);
  cairo_pattern_add_color_stop_rgb(head, 0.55, 150 / 255.0, 146 / 255.0, 144 / 255.0);
  cairo_pattern_add_color_stop_rgb(head, 1.0, 78 / 255.0, 74 / 255.0, 74 / 255.0);
  cairo_set_source(cr, head);
  cairo_arc(cr, cx, cy, radius, 0, 2 * std::numbers::pi);
  cairo_fill(cr);
  cairo_pattern_destroy(head);
  // Slot, with a lit lower lip.
  const double dx = std::cos(slotAngle) * (radius - 0.9);
  const double dy = std::sin(slotAngle) * (radius - 0.9);
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_BUTT);
  cairo_set_line_width(cr, 1.3);
  setSourceRgb(cr, 36, 32, 32);
  cairo_move_to(cr, cx - dx, cy - dy);
  cairo_line_to(cr, cx + dx, cy + dy);
  cairo_stroke(cr);
  const double nx = -std::sin(slotAngle) * 0.9;
  const double ny = std::cos(slotAngle) * 0.9;
  cairo_set_line_width(cr, 0.6);
  setSourceRgb(cr, 240, 236, 232, 0.55);
  cairo_move_to(cr, cx - dx * 0.8 + nx, cy - dy * 0.8 + ny);
  cairo_line_to(cr, cx + dx * 0.8 + nx, cy + dy * 0.8 + ny);
  cairo_stroke(cr);
}

void drawScrews(cairo_t* cr) {
  const double near = 9.5;
  drawScrew(cr, near, near, 0.35);
  drawScrew(cr, kPanelWidth - near, near, 2.2);
  drawScrew(cr, near, kPanelHeight - near, 1.1);
  drawScrew(cr, kPanelWidth - near, kPanelHeight - near, 2.75);
}

// Silk-screened text: a soft dark shadow one pixel below the letters.
void drawPrinted(cairo_t* cr, const std::string& text, double x, double baseline, double spacing, int r, int g,
                 int b) {
  setSourceRgb(cr, 0, 0, 0, 0.55);
  showSpacedText(cr, x, baseline + 1, text, spacing);
  setSourceRgb(cr, r, g, b);
  showSpacedText(cr, x, baseline, text, spacing);
}

void drawCentred(cairo_t* cr, const std::string& text, double baseline, double spacing, int r, int g, int b) {
  const double width = spacedTextWidth(cr, text, spacing);
  drawPrinted(cr, text, std::round((kPanelWidth - width) / 2.0), baseline, spacing, r, g, b);
}

void drawTitle(cairo_t* cr) {
  // The name in brushed cream, lighter at the top of the letters.
  selectSans(cr, 19, true);
  const std::string name = "BRISKO";
  const double spacing = 3.0;
  const double x = std::round((kPanelWidth - spacedTextWidth(cr, name, spacing)) / 2.0);
  setSourceRgb(cr, 0, 0, 0, 0.6);
  showSpacedText(cr, x, 21, name, spacing);
  cairo_pattern_t* cream = cairo_pattern_create_linear(0, 6, 0, 20);
  cairo_pattern_add_color_stop_rgb(cream, 0.0, 250 / 255.0, 242 / 255.0, 230 / 255.0);
  cairo_pattern_add_color_stop_rgb(cream, 1.0, 212 / 255.0, 196 / 255.0, 180 / 255.0);
  cairo_set_source(cr, cream);
  showSpacedText(cr, x, 20, name, spacing);
  cairo_pattern_destroy(cream);

  selectSans(cr, 7.5, true);
  drawCentred(cr, "DYNAMIC SPECTRUM DELAY", 31, 1.6, 226, 160, 146);
}

// A recessed slot, shadowed along its top and left, lit along its bottom and right.
void drawSlot(cairo_t* cr, const Box& slot) {
  setSourceRgb(cr, 0, 0, 0, 0.5);
  fillBox(cr, slot.left - 1, slot.top - 1, slot.width() + 1, 1);
  fillBox(cr, slot.left - 1, slot.top - 1, 1, slot.height() + 1);
  setSourceRgb(cr, 255, 200, 190, 0.24);
  fillBox(cr, slot.left - 1, slot.bottom, slot.width() + 2, 1);
  fillBox(cr, slot.right, slot.top - 1, 1, slot.height() + 1);
  cairo_pattern_t* depth = cairo_pattern_create_linear(0, slot.top, 0, slot.bottom);
  cairo_pattern_add_color_stop_rgb(depth, 0.0, 8 / 255.0, 5 / 255.0, 5 / 255.0);
  cairo_pattern_add_color_stop_rgb(depth, 1.0, 22 / 255.0, 15 / 255.0, 15 / 255.0);
  cairo_set_source(cr, depth);
  fillBox(cr, slot.left, slot.top, slot.width(), slot.height());
  cairo_pattern_destroy(depth);
}

// The caption sits right of the value display, in the band under the slot.
void drawCaption(cairo_t* cr, int row) {
  const Box display = displayBox(row);
  selectSans(cr, 8.5, true);
  drawPrinted(cr, kCaptions[static_cast<std::size_t>(row)], display.right + 5, display.top + 11, 0.6, 236, 214, 200);
}

// A recessed, slightly darker plate that carries the six rows.
void drawControlPlate(cairo_t* cr) {
  const double left = 11, top = 35, right = kPanelWidth - 11, bottom = 264;
  setSourceRgb(cr, 20, 0, 0, 0.28);
  fillBox(cr, left, top, right - left, bottom - top);
  setSourceRgb(cr, 0, 0, 0, 0.5);
  fillBox(cr, left, top, right - left, 1);
  fillBox(cr, left, top, 1, bottom - top);
  setSourceRgb(cr, 0, 0, 0, 0.2);
  fillBox(cr, left + 1, top + 1, right - left - 1, 1);
  fillBox(cr, left + 1, top + 1, 1, bottom - top - 1);
  setSourceRgb(cr, 255, 200, 190, 0.2);
  fillBox(cr, left, bottom, right - left + 1, 1);
  fillBox(cr, right, top, 1, bottom - top);
}

void drawFooter(cairo_t* cr) {
  selectSans(cr, 10, true);
  drawCentred(cr, "Brisko Audio", 279, 0.6, 236, 222, 208);
  selectSans(cr, 8, false);
  drawCentred(cr, "spectral delay \u00B7 v1.3", 291, 0.4, 226, 178, 166);
}

}  // namespace

RgbImage drawBackground() {
  Surface surface = makeSurface(kPanelWidth, kPanelHeight);
  paintBrushedRed(surface);
  Context context = makeContext(surface);
  cairo_t* cr = context.get();
  drawPanelEdge(cr);
  drawTitle(cr);
  drawControlPlate(cr);
  for (int row = 0; row < kRowCount; ++row) {
    drawSlot(cr, sliderBox(row));
    drawCaption(cr, row);
  }
  drawFooter(cr);
  drawScrews(cr);
  return imageFromSurface(surface);
}

}  // namespace brisko::artwork
