#include "tools/render/Spectrogram.h"

#include <algorithm>
#include <cmath>

#include "dsp/SpectralSetup.h"

namespace brisko::render {

Spectrogram computeSpectrogram(const std::vector<float>& signal, int32_t sampleRate, size_t spanFrames,
                               int32_t maxColumns) {
  SpectralSetup setup;
  setup.configure(kSpectrogramFrame, 4, static_cast<int32_t>(WindowType::Hann), 1.0f);
  const size_t frame = static_cast<size_t>(kSpectrogramFrame);
  const size_t columnsWanted = static_cast<size_t>(std::max(maxColumns, 1));
  const size_t hop = std::max(frame / 4, (spanFrames + columnsWanted - 1) / columnsWanted);

  Spectrogram result;
  result.columns = static_cast<int32_t>(std::max<size_t>(1, (spanFrames + hop - 1) / hop));
  result.bins = kSpectrogramFrame / 2 + 1;
  result.secondsPerColumn = static_cast<double>(hop) / sampleRate;
  result.hertzPerBin = static_cast<double>(sampleRate) / kSpectrogramFrame;
  result.decibels.resize(static_cast<size_t>(result.columns) * static_cast<size_t>(result.bins));

  // A sine of amplitude A peaks at A * (sum of the window) / 2.
  double windowSum = 0.0;
  for (size_t j = 0; j < frame; ++j) windowSum += setup.analysisWindow()[j];
  const double fullScale = windowSum / 2.0;

  std::vector<float> windowed(frame), spectrum(frame);
  for (int32_t column = 0; column < result.columns; ++column) {
    const long long first = static_cast<long long>(column) * static_cast<long long>(hop) -
                            static_cast<long long>(frame / 2);
    for (size_t j = 0; j < frame; ++j) {
      const long long index = first + static_cast<long long>(j);
      const float x = index >= 0 && static_cast<size_t>(index) < signal.size() ? signal[static_cast<size_t>(index)] : 0.0f;
      windowed[j] = setup.analysisWindow()[j] * x;
    }
    setup.transform()->forward(spectrum.data(), windowed.data());
    for (int32_t bin = 0; bin < result.bins; ++bin) {
      const size_t k = static_cast<size_t>(bin);
      const double cosine = spectrum[k];
      const double sine = (k == 0 || k == frame / 2) ? 0.0 : spectrum[frame / 2 + k];
      const double amplitude = std::sqrt(cosine * cosine + sine * sine) / fullScale;
      const double db = amplitude > 0.0 ? 20.0 * std::log10(amplitude) : kSpectrogramFloorDb;
      result.decibels[static_cast<size_t>(column) * static_cast<size_t>(result.bins) + k] =
          static_cast<float>(std::max(db, static_cast<double>(kSpectrogramFloorDb)));
    }
  }
  return result;
}

}  // namespace brisko::render
