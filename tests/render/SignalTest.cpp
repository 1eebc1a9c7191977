// The demo signal and the spectrogram's analysis.
#include <gtest/gtest.h>

#include <cmath>

#include "dsp/PortableMath.h"
#include "tools/render/DemoSignal.h"
#include "tools/render/Spectrogram.h"

namespace brisko::render {
namespace {

TEST(DemoSignal, FourSecondsOfStereoThatNeverClips) {
  const AudioData demo = makeDemoSignal(44100);
  ASSERT_EQ(demo.channels.size(), 2u);
  EXPECT_EQ(demo.frames(), 4u * 44100u);
  EXPECT_NE(demo.channels[0], demo.channels[1]);
  for (const auto& channel : demo.channels) {
    float peak = 0.0f;
    double energyOfFirstQuarter = 0.0;
    for (size_t i = 0; i < channel.size(); ++i) {
      peak = std::max(peak, std::fabs(channel[i]));
      if (i < channel.size() / 4) energyOfFirstQuarter += channel[i] * channel[i];
    }
    EXPECT_LT(peak, 1.0f);
    EXPECT_GT(peak, 0.3f);
    EXPECT_GT(energyOfFirstQuarter, 1.0);
  }
}

// A sine on a bin's centre shows at its level on that bin and nowhere far from it.
TEST(Spectrogram, SineOnABinShowsItsLevel) {
  constexpr int32_t kRate = 44100;
  constexpr int32_t kBin = 64;
  std::vector<float> sine(kRate);
  for (size_t i = 0; i < sine.size(); ++i)
    sine[i] = static_cast<float>(0.5 * pmath::sin(6.283185307179586 * kBin * static_cast<double>(i) /
                                                  kSpectrogramFrame));
  const Spectrogram spectrogram = computeSpectrogram(sine, kRate, sine.size() * 2, 100);
  EXPECT_EQ(spectrogram.bins, kSpectrogramFrame / 2 + 1);
  EXPECT_LE(spectrogram.columns, 100);
  EXPECT_NEAR(spectrogram.secondsPerColumn * spectrogram.columns, 2.0, 0.05);
  EXPECT_NEAR(spectrogram.hertzPerBin, kRate / 2048.0, 1e-12);
  const int32_t middle = spectrogram.columns / 4;  // well inside the sine
  EXPECT_NEAR(spectrogram.at(middle, kBin), 20.0 * std::log10(0.5), 0.01);
  EXPECT_LT(spectrogram.at(middle, kBin + 3), -60.0f);
  EXPECT_LT(spectrogram.at(middle, 500), -100.0f);
  EXPECT_EQ(spectrogram.at(spectrogram.columns - 1, kBin), kSpectrogramFloorDb);  // beyond the signal: silence
}

}  // namespace
}  // namespace brisko::render
