#include "dsp/SpectralSetup.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace brisko {
namespace {

constexpr int32_t kKaiser = static_cast<int32_t>(WindowType::Kaiser);

// The A&S polynomial is good to about 1.6e-7 relative (x < 3.75) and 1.9e-7
// relative to exp(x)/sqrt(x) above; compare with the power series.
double seriesI0(double x) {
  double term = 1.0, sum = 1.0;
  for (int k = 1; k < 200; ++k) {
    term *= (x / (2.0 * k)) * (x / (2.0 * k));
    sum += term;
  }
  return sum;
}

TEST(BesselI0, MatchesPowerSeriesWithinApproximationBound) {
  EXPECT_NEAR(besselI0(3.5), 7.3782035, 5e-7);
  for (double x = -20.0; x <= 20.0; x += 0.03125) {
    const double reference = seriesI0(x);
    const double bound = std::fabs(x) < 3.75 ? 1.6e-7 * reference : 2.2e-7 * std::exp(std::fabs(x)) / std::sqrt(std::fabs(x));
    ASSERT_NEAR(besselI0(x), reference, bound) << x;
  }
}

TEST(SpectralSetup, EngineConfigurationWindows) {
  SpectralSetup setup;
  ASSERT_TRUE(setup.configure(256, 2, kKaiser, 1.0f));
  EXPECT_EQ(setup.frameSize(), 256);
  EXPECT_EQ(setup.overlap(), 2);
  const float* analysis = setup.analysisWindow();
  const float* synthesis = setup.synthesisWindow();
  EXPECT_FLOAT_EQ(analysis[0], 0.13553435f);
  EXPECT_EQ(analysis[0], analysis[255]);
  EXPECT_FLOAT_EQ(analysis[127], 0.99997735f);
  EXPECT_EQ(analysis[127], analysis[128]);
  EXPECT_EQ(synthesis[0], 0.0f);
  EXPECT_FLOAT_EQ(synthesis[1], 0.054979749f);
  EXPECT_FLOAT_EQ(synthesis[128], 1.0000226f);
  EXPECT_FLOAT_EQ(synthesis[255], 0.057642214f);
  for (int i = 0; i < 128; ++i) {
    const double sum = static_cast<double>(analysis[i]) * synthesis[i] + static_cast<double>(analysis[i + 128]) * synthesis[i + 128];
    ASSERT_NEAR(sum, 1.0, 3e-7) << i;
  }
  ASSERT_NE(setup.transform(), nullptr);
  EXPECT_EQ(setup.transform()->length(), 256);
}

TEST(SpectralSetup, SynthesisWindowIsRoundedAfterCompensationAndAgainAfterWeight) {
  SpectralSetup setup;
  setup.configure(256, 2, kKaiser, 1.0f);
  int differences = 0;
  for (int i = 0; i < 256; ++i) {
    const double t = i < 128 ? i / 256.0 : 1.0 - i / 256.0;
    const float compensation = static_cast<float>(1.0 / setup.analysisWindow()[i]);
    EXPECT_EQ(setup.synthesisWindow()[i], static_cast<float>(t * 4.0 / 2 * compensation)) << i;
    // Rounding once, straight from the double compensation, differs somewhere.
    differences += setup.synthesisWindow()[i] != static_cast<float>(t * 4.0 / 2 * (1.0 / setup.analysisWindow()[i]));
  }
  EXPECT_GT(differences, 0);
}

TEST(SpectralSetup, RoundsSizeAndOverlapToPowersOfTwo) {
  SpectralSetup setup;
  setup.configure(181, 3, kKaiser, 1.0f);
  EXPECT_EQ(setup.frameSize(), 128);
  EXPECT_EQ(setup.overlap(), 4);
  setup.configure(182, 6, kKaiser, 1.0f);
  EXPECT_EQ(setup.frameSize(), 256);
  EXPECT_EQ(setup.overlap(), 8);
  setup.configure(200, 5, kKaiser, 1.0f);
  EXPECT_EQ(setup.frameSize(), 256);
  EXPECT_EQ(setup.overlap(), 4);
}

TEST(SpectralSetup, RefusesUnsupportedSizesAndKeepsItsConfiguration) {
  SpectralSetup setup;
  EXPECT_FALSE(setup.configure(256, 0, kKaiser, 1.0f));
  EXPECT_FALSE(setup.ready());
  ASSERT_TRUE(setup.configure(256, 2, kKaiser, 1.0f));
  for (auto [size, overlap] : {std::pair{0, 2}, {-256, 2}, {1, 1}, {131072, 2}, {2147483647, 2}, {256, -1}, {4, 8}}) {
    EXPECT_FALSE(setup.configure(size, overlap, kKaiser, 1.0f)) << size << " " << overlap;
    EXPECT_TRUE(setup.ready());
    EXPECT_EQ(setup.frameSize(), 256);
    EXPECT_EQ(setup.overlap(), 2);
  }
  EXPECT_TRUE(setup.configure(2, 2, kKaiser, 1.0f));
  EXPECT_TRUE(setup.configure(65536, 1, 0, 0.0f));
}

TEST(SpectralSetup, OtherWindowShapes) {
  SpectralSetup setup;
  for (int type : {0, 8, -1}) {
    setup.configure(64, 1, type, 0.0f);
    for (int i = 0; i < 64; ++i) {
      ASSERT_EQ(setup.analysisWindow()[i], 1.0f) << type;
      ASSERT_EQ(setup.synthesisWindow()[i], 1.0f) << type;
    }
  }
  setup.configure(256, 2, static_cast<int32_t>(WindowType::Triangular), 1.0f);
  EXPECT_EQ(setup.analysisWindow()[0], 0.0f);
  EXPECT_EQ(setup.analysisWindow()[127], static_cast<float>(254.0 / 255));
  EXPECT_EQ(setup.analysisWindow()[128], static_cast<float>(2.0 - 256.0 / 255));
  EXPECT_EQ(setup.analysisWindow()[255], 0.0f);
  // Values below 1/N are clamped, so the compensation stays at N.
  EXPECT_EQ(setup.synthesisWindow()[255], static_cast<float>((1.0 / 256) * 4.0 / 2 * 256.0f));

  setup.configure(256, 2, static_cast<int32_t>(WindowType::Hann), 1.0f);
  EXPECT_EQ(setup.analysisWindow()[0], 0.0f);
  EXPECT_FLOAT_EQ(setup.analysisWindow()[85], static_cast<float>(0.5 - 0.5 * std::cos(2 * std::numbers::pi * 85 / 255)));
  setup.configure(256, 2, static_cast<int32_t>(WindowType::Hamming), 1.0f);
  EXPECT_FLOAT_EQ(setup.analysisWindow()[0], 0.08f);
  setup.configure(256, 2, static_cast<int32_t>(WindowType::BlackmanHarris3), 1.0f);
  EXPECT_NEAR(setup.analysisWindow()[0], 0.42323 - 0.49755 + 0.07922, 1e-7);
  setup.configure(256, 2, static_cast<int32_t>(WindowType::BlackmanHarris4), 1.0f);
  EXPECT_NEAR(setup.analysisWindow()[0], 0.35875 - 0.48829 + 0.14128 - 0.01168, 1e-7);
  setup.configure(256, 2, static_cast<int32_t>(WindowType::Gaussian), 1.0f);
  EXPECT_EQ(setup.analysisWindow()[128], 1.0f);
  EXPECT_FLOAT_EQ(setup.analysisWindow()[0], static_cast<float>(std::exp(-0.5 * 3.5 * 3.5)));
}

TEST(SpectralSetup, ReconfigureReplacesTransform) {
  SpectralSetup setup;
  setup.configure(256, 2, kKaiser, 1.0f);
  setup.configure(64, 2, kKaiser, 1.0f);
  ASSERT_NE(setup.transform(), nullptr);
  EXPECT_EQ(setup.transform()->length(), 64);
  setup.clear();
  EXPECT_FALSE(setup.ready());
  EXPECT_EQ(setup.transform(), nullptr);
}

}  // namespace
}  // namespace brisko
