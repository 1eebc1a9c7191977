#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace brisko::render {

// Short-time magnitude spectra of a signal, in decibels relative to a
// full-scale sine, made with the project's transform and Hann window.
struct Spectrogram {
  int32_t columns = 0;
  int32_t bins = 0;                // 0 .. Nyquist inclusive
  double secondsPerColumn = 0.0;   // hop between columns
  double hertzPerBin = 0.0;
  std::vector<float> decibels;     // column after column, bins low to high

  float at(int32_t column, int32_t bin) const {
    return decibels[static_cast<size_t>(column) * static_cast<size_t>(bins) + static_cast<size_t>(bin)];
  }
};

constexpr int32_t kSpectrogramFrame = 2048;
constexpr float kSpectrogramFloorDb = -120.0f;

// Frames of kSpectrogramFrame samples, the first centred on sample 0; the
// hop is a quarter frame or longer, so that there are at most `maxColumns`
// columns for `spanFrames` samples (the signal is taken as silent beyond its
// end, so signals of different lengths can share one time axis).
Spectrogram computeSpectrogram(const std::vector<float>& signal, int32_t sampleRate, size_t spanFrames,
                               int32_t maxColumns);

}  // namespace brisko::render
