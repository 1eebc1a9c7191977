#include "tools/render/SpectrogramImage.h"

#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "tools/render/Spectrogram.h"

namespace brisko::render {
namespace {

constexpr int kPlotWidth = 1100;
constexpr int kPlotHeight = 300;
constexpr int kLeft = 70, kRight = 90, kTop = 40, kGap = 70, kBottom = 50;
constexpr double kRangeDb = 100.0;  // colours span -100 dB .. 0 dB
constexpr const char* kFont = "Liberation Sans";

std::vector<float> monoMix(const AudioData& audio) {
  std::vector<float> mix(audio.frames());
  const size_t channels = audio.channels.size();
  for (size_t i = 0; i < mix.size(); ++i) {
    double sum = 0.0;
    for (size_t c = 0; c < channels; ++c) sum += audio.channels[c][i];
    mix[i] = static_cast<float>(sum / static_cast<double>(channels));
  }
  return mix;
}

// Dark blue through magenta and orange to pale yellow.
void colourFor(double level, double& r, double& g, double& b) {
  static const double stops[][3] = {{0.0, 0.0, 0.02}, {0.15, 0.05, 0.45}, {0.65, 0.1, 0.55},
                                    {0.98, 0.45, 0.15}, {1.0, 0.95, 0.6}};
  const double x = std::clamp(level, 0.0, 1.0) * 4.0;
  const int i = std::min(static_cast<int>(x), 3);
  const double f = x - i;
  r = stops[i][0] + f * (stops[i + 1][0] - stops[i][0]);
  g = stops[i][1] + f * (stops[i + 1][1] - stops[i][1]);
  b = stops[i][2] + f * (stops[i + 1][2] - stops[i][2]);
}

// A step of 1, 2 or 5 times a power of ten that gives about `wanted` ticks.
double niceStep(double span, int wanted) {
  const double raw = span / wanted;
  const double power = std::pow(10.0, std::floor(std::log10(raw)));
  for (double m : {1.0, 2.0, 5.0})
    if (m * power >= raw) return m * power;
  return 10.0 * power;
}

void text(cairo_t* cr, double x, double y, const std::string& s, double alignX, double size = 12.0) {
  cairo_set_font_size(cr, size);
  cairo_text_extents_t extents;
  cairo_text_extents(cr, s.c_str(), &extents);
  cairo_move_to(cr, x - alignX * extents.width - extents.x_bearing, y);
  cairo_show_text(cr, s.c_str());
}

void drawPanel(cairo_t* cr, const Spectrogram& spectrogram, double seconds, int top, const std::string& title) {
  // The spectrogram as an image of one pixel per column and bin, scaled onto the plot.
  cairo_surface_t* image = cairo_image_surface_create(CAIRO_FORMAT_RGB24, spectrogram.columns, spectrogram.bins);
  unsigned char* pixels = cairo_image_surface_get_data(image);
  const int stride = cairo_image_surface_get_stride(image);
  for (int32_t bin = 0; bin < spectrogram.bins; ++bin) {
    auto* row = reinterpret_cast<uint32_t*>(pixels + (spectrogram.bins - 1 - bin) * stride);
    for (int32_t column = 0; column < spectrogram.columns; ++column) {
      double r, g, b;
      colourFor((spectrogram.at(column, bin) + kRangeDb) / kRangeDb, r, g, b);
      row[column] = (static_cast<uint32_t>(r * 255) << 16) | (static_cast<uint32_t>(g * 255) << 8) |
                    static_cast<uint32_t>(b * 255);
    }
  }
  cairo_surface_mark_dirty(image);
  cairo_save(cr);
  cairo_rectangle(cr, kLeft, top, kPlotWidth, kPlotHeight);
  cairo_clip(cr);
  cairo_translate(cr, kLeft, top);
  cairo_scale(cr, static_cast<double>(kPlotWidth) / spectrogram.columns,
              static_cast<double>(kPlotHeight) / spectrogram.bins);
  cairo_set_source_surface(cr, image, 0, 0);
  cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_GOOD);
  cairo_paint(cr);
  cairo_restore(cr);
  cairo_surface_destroy(image);

  cairo_set_source_rgb(cr, 0.1, 0.1, 0.1);
  cairo_set_line_width(cr, 1.0);
  cairo_rectangle(cr, kLeft - 0.5, top - 0.5, kPlotWidth + 1, kPlotHeight + 1);
  cairo_stroke(cr);
  text(cr, kLeft, top - 10, title, 0.0, 14.0);

  // Time axis, seconds.
  const double timeStep = niceStep(seconds, 10);
  for (double t = 0.0; t <= seconds + 1e-9; t += timeStep) {
    const double x = kLeft + t / seconds * kPlotWidth;
    cairo_move_to(cr, std::round(x) + 0.5, top + kPlotHeight);
    cairo_line_to(cr, std::round(x) + 0.5, top + kPlotHeight + 5);
    cairo_stroke(cr);
    char label[32];
    std::snprintf(label, sizeof label, "%g", t);
    text(cr, x, top + kPlotHeight + 18, label, 0.5);
  }
  text(cr, kLeft + kPlotWidth, top + kPlotHeight + 34, "time (s)", 1.0);

  // Frequency axis, kHz.
  const double nyquistKhz = spectrogram.hertzPerBin * (spectrogram.bins - 1) / 1000.0;
  const double frequencyStep = niceStep(nyquistKhz, 5);
  for (double f = 0.0; f <= nyquistKhz + 1e-9; f += frequencyStep) {
    const double y = top + kPlotHeight - f / nyquistKhz * kPlotHeight;
    cairo_move_to(cr, kLeft - 5, std::round(y) + 0.5);
    cairo_line_to(cr, kLeft, std::round(y) + 0.5);
    cairo_stroke(cr);
    char label[32];
    std::snprintf(label, sizeof label, "%g", f);
    text(cr, kLeft - 8, y + 4, label, 1.0);
  }
  cairo_save(cr);
  cairo_translate(cr, 18, top + kPlotHeight / 2.0);
  cairo_rotate(cr, -M_PI / 2);
  text(cr, 0, 0, "frequency (kHz)", 0.5);
  cairo_restore(cr);
}

void drawColourScale(cairo_t* cr, int top, int height) {
  const int x = kLeft + kPlotWidth + 20;
  for (int i = 0; i < height; ++i) {
    double r, g, b;
    colourFor(1.0 - static_cast<double>(i) / (height - 1), r, g, b);
    cairo_set_source_rgb(cr, r, g, b);
    cairo_rectangle(cr, x, top + i, 16, 1);
    cairo_fill(cr);
  }
  cairo_set_source_rgb(cr, 0.1, 0.1, 0.1);
  for (int db = 0; db >= -static_cast<int>(kRangeDb); db -= 20) {
    const double y = top + (-db / kRangeDb) * (height - 1);
    text(cr, x + 20, y + 4, std::to_string(db), 0.0, 11.0);
  }
  text(cr, x, top - 10, "dB", 0.0, 11.0);
}

}  // namespace

bool spectrogramsAvailable() { return true; }

bool writeSpectrogramPng(const AudioData& input, const AudioData& output, const std::string& caption,
                         const std::string& path, std::string& error) {
  const size_t span = std::max<size_t>({input.frames(), output.frames(), 1});
  const double seconds = static_cast<double>(span) / input.sampleRate;
  const Spectrogram in = computeSpectrogram(monoMix(input), input.sampleRate, span, kPlotWidth);
  const Spectrogram out = computeSpectrogram(monoMix(output), output.sampleRate, span, kPlotWidth);

  const int width = kLeft + kPlotWidth + kRight;
  const int height = kTop + 2 * kPlotHeight + kGap + kBottom;
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height);
  cairo_t* cr = cairo_create(surface);
  cairo_set_source_rgb(cr, 1, 1, 1);
  cairo_paint(cr);
  cairo_select_font_face(cr, kFont, CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
  drawPanel(cr, in, seconds, kTop, "Input");
  drawPanel(cr, out, seconds, kTop + kPlotHeight + kGap, "Output" + (caption.empty() ? "" : ": " + caption));
  drawColourScale(cr, kTop, 2 * kPlotHeight + kGap);
  cairo_destroy(cr);
  const cairo_status_t status = cairo_surface_write_to_png(surface, path.c_str());
  cairo_surface_destroy(surface);
  if (status != CAIRO_STATUS_SUCCESS) {
    error = "cannot write " + path + ": " + cairo_status_to_string(status);
    return false;
  }
  return true;
}

}  // namespace brisko::render
