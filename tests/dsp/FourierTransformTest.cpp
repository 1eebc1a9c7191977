#include "dsp/FourierTransform.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <numbers>
#include <random>
#include <vector>

#include "ReferenceTransform.h"
#include "TransformTestSignals.h"

namespace brisko {
namespace {

constexpr double kTwoPi = 2.0 * std::numbers::pi;

std::vector<float> forwardOf(const std::vector<float>& signal) {
  FourierTransform transform(static_cast<int32_t>(signal.size()));
  std::vector<float> spectrum(signal.size());
  transform.forward(spectrum.data(), signal.data());
  return spectrum;
}

std::vector<float> inverseOf(const std::vector<float>& spectrum) {
  FourierTransform transform(static_cast<int32_t>(spectrum.size()));
  std::vector<float> signal(spectrum.size());
  transform.inverse(spectrum.data(), signal.data());
  return signal;
}

std::vector<float> randomSignal(size_t n, unsigned seed) {
  std::mt19937 rng(seed);
  std::uniform_real_distribution<float> dist(-1.0f, 1.0f);
  std::vector<float> signal(n);
  for (float& x : signal) x = dist(rng);
  return signal;
}

TEST(FourierTransform, TablesForLength256) {
  FourierTransform transform(256);
  EXPECT_EQ(transform.length(), 256);
  EXPECT_EQ(transform.bitCount(), 8);
  ASSERT_EQ(transform.quarterCosineTable().size(), 124u);
  // Sub-tables of 4, 8, 16, 32, 64 entries at 0, 4, 12, 28, 60, each starting at cos(0).
  for (int start : {0, 4, 12, 28, 60}) EXPECT_EQ(transform.quarterCosineTable()[start], 1.0f);
  EXPECT_FLOAT_EQ(transform.quarterCosineTable()[60 + 32], static_cast<float>(std::cos(32 * std::numbers::pi / 128)));
}

TEST(FourierTransform, BitReversalAndSmallSizesNeedNoTables) {
  FourierTransform eight(8);
  EXPECT_EQ(eight.bitReversalTable(), (std::vector<int32_t>{0, 4, 2, 6, 1, 5, 3, 7}));
  EXPECT_TRUE(eight.quarterCosineTable().empty());

  EXPECT_EQ(forwardOf({3.0f}), (std::vector<float>{3.0f}));
  EXPECT_EQ(forwardOf({3.0f, 1.0f}), (std::vector<float>{4.0f, 2.0f}));
  EXPECT_EQ(inverseOf({4.0f, 2.0f}), (std::vector<float>{6.0f, 2.0f}));
  // N = 4: DC, bin 1 cosine, Nyquist, bin 1 sine.
  EXPECT_EQ(forwardOf({1.0f, 2.0f, 3.0f, 4.0f}), (std::vector<float>{10.0f, -2.0f, -2.0f, -2.0f}));
  EXPECT_EQ(inverseOf({10.0f, -2.0f, -2.0f, -2.0f}), (std::vector<float>{4.0f, 8.0f, 12.0f, 16.0f}));
}

TEST(FourierTransform, NonPowerOfTwoLengthsAreRounded) {
  EXPECT_EQ(FourierTransform(0).length(), 1);
  EXPECT_EQ(FourierTransform(-5).length(), 1);
  EXPECT_EQ(FourierTransform(181).length(), 128);
  EXPECT_EQ(FourierTransform(182).length(), 256);
}

TEST(FourierTransform, ImpulsesGiveCosineAndSineRows) {
  for (int n : {8, 16, 256}) {
    std::vector<float> impulse(n, 0.0f);
    impulse[0] = 1.0f;
    const auto spectrum = forwardOf(impulse);
    for (int k = 0; k <= n / 2; ++k) EXPECT_EQ(spectrum[k], 1.0f) << n << " " << k;
    for (int k = n / 2 + 1; k < n; ++k) EXPECT_EQ(spectrum[k], 0.0f) << n << " " << k;
  }
  std::vector<float> shifted(16, 0.0f);
  shifted[1] = 1.0f;
  const auto spectrum = forwardOf(shifted);
  for (int k = 0; k <= 8; ++k) EXPECT_NEAR(spectrum[k], std::cos(kTwoPi * k / 16), 1e-6) << k;
  for (int k = 1; k < 8; ++k) EXPECT_NEAR(spectrum[8 + k], std::sin(kTwoPi * k / 16), 1e-6) << k;
}

TEST(FourierTransform, SineLandsInItsSineSlot) {
  std::vector<float> sine(16);
  for (int n = 0; n < 16; ++n) sine[n] = static_cast<float>(std::sin(kTwoPi * 3 * n / 16));
  const auto spectrum = forwardOf(sine);
  for (int k = 0; k < 16; ++k) EXPECT_NEAR(spectrum[k], k == 11 ? 8.0 : 0.0, 2e-6) << k;
}

TEST(FourierTransform, InverseOfSingleBins) {
  for (int n : {4, 8, 32, 256}) {
    std::vector<float> nyquist(n, 0.0f);
    nyquist[n / 2] = 1.0f;
    const auto alternating = inverseOf(nyquist);
    for (int i = 0; i < n; ++i) EXPECT_EQ(alternating[i], i % 2 ? -1.0f : 1.0f) << n << " " << i;

    std::vector<float> firstSine(n, 0.0f);
    firstSine[n / 2 + 1] = 1.0f;
    const auto sine = inverseOf(firstSine);
    for (int i = 0; i < n; ++i) EXPECT_NEAR(sine[i], 2.0 * std::sin(kTwoPi * i / n), 1e-6) << n << " " << i;
  }
}

TEST(FourierTransform, RoundTripRestoresInputAndLeavesItUnchanged) {
  for (int n = 1; n <= 4096; n *= 2) {
    FourierTransform transform(n);
    const auto signal = randomSignal(static_cast<size_t>(n), static_cast<unsigned>(n));
    const auto original = signal;
    std::vector<float> spectrum(n), back(n);
    transform.forward(spectrum.data(), signal.data());
    const auto spectrumCopy = spectrum;
    transform.inverse(spectrum.data(), back.data());
    EXPECT_EQ(signal, original);
    EXPECT_EQ(spectrum, spectrumCopy);
    transform.rescale(back.data());
    const double tolerance = 4e-7 * (transform.bitCount() + 1);
    for (int i = 0; i < n; ++i) ASSERT_NEAR(back[i], signal[i], tolerance) << n << " " << i;
  }
}

// Hashes of the transform's output bits for fixed inputs. They pin down the
// exact results (order of operations, rounding points, table values) so that
// any change of bits on any target shows up here.
struct Golden {
  int32_t length;
  uint64_t forwardHash;
  uint64_t inverseHash;
};

constexpr Golden kGolden[] = {
    {1, 0x425b7eb336f94f53ull, 0x620e899eb30b0e56ull},
    {2, 0xd2926aaf024eb92dull, 0x7a76063235bf0706ull},
    {4, 0x7980480eb869f37cull, 0x8c8f032d19c97b49ull},
    {8, 0xdf499c8db17affb8ull, 0x83b3c2983938d7ccull},
    {16, 0x71339405c221cc6aull, 0xac7fa14aea227436ull},
    {64, 0x2cd19a3c427635bcull, 0xa0dd9b53ee7031daull},
    {256, 0x10ce9f1f8b595b1bull, 0x4c05a8b9ce09831cull},
    {1024, 0xa04ab1d0c04fe3c0ull, 0x340cc1073dbec847ull},
    {4096, 0xa94ba0f7da7dd605ull, 0xb0a35f857ac0518bull},
};

TEST(FourierTransformBits, GoldenHashes) {
  for (const Golden& golden : kGolden) {
    FourierTransform transform(golden.length);
    const auto n = static_cast<size_t>(golden.length);
    const auto signal = testsignals::unitSignal(n, 1000u + static_cast<uint32_t>(n));
    const auto packed = testsignals::unitSignal(n, 2000u + static_cast<uint32_t>(n));
    std::vector<float> spectrum(n), back(n);
    transform.forward(spectrum.data(), signal.data());
    transform.inverse(packed.data(), back.data());
    EXPECT_EQ(testsignals::fnv1a(spectrum), golden.forwardHash) << std::hex << "forward " << std::dec << n;
    EXPECT_EQ(testsignals::fnv1a(back), golden.inverseHash) << std::hex << "inverse " << std::dec << n;
  }
}

void expectSameAsReference(FourierTransform& transform, const std::vector<float>& values, const char* what) {
  reference::expectSameBits(
      transform, [&](float* out, const float* in) { transform.forward(out, in); },
      [&](const float* in, float* out) { transform.inverse(in, out); }, values, what);
}

TEST(FourierTransformBits, RescaleRoundsEachProductOfTheDoubleScale) {
  testsignals::Lcg lcg(79);
  for (int32_t n = 1; n <= 4096; n *= 4) {
    FourierTransform transform(n);
    for (auto content : {testsignals::Content::kWideRange, testsignals::Content::kDenormal,
                         testsignals::Content::kSpecial}) {
      auto values = testsignals::contentSignal(static_cast<size_t>(n), content, lcg);
      std::vector<float> expected(values.size());
      for (size_t i = 0; i < values.size(); ++i) expected[i] = static_cast<float>(values[i] * (1.0 / n));
      transform.rescale(values.data());
      EXPECT_TRUE(testsignals::sameBits(values, expected)) << "N = " << n;
    }
  }
}

TEST(FourierTransformBits, MatchesReferenceOnEverySize) {
  testsignals::Lcg lcg(77);
  for (int32_t n = 1; n <= 4096; n *= 2) {
    FourierTransform transform(n);
    const int rounds = n <= 256 ? 40 : 8;
    for (int round = 0; round < rounds; ++round) {
      expectSameAsReference(transform, testsignals::contentSignal(static_cast<size_t>(n), testsignals::Content::kUnit, lcg), "unit");
      expectSameAsReference(transform, testsignals::contentSignal(static_cast<size_t>(n), testsignals::Content::kWideRange, lcg), "wide range");
      expectSameAsReference(transform, testsignals::contentSignal(static_cast<size_t>(n), testsignals::Content::kSpread, lcg), "spread");
      expectSameAsReference(transform, testsignals::contentSignal(static_cast<size_t>(n), testsignals::Content::kTones, lcg), "tones");
      expectSameAsReference(transform, testsignals::contentSignal(static_cast<size_t>(n), testsignals::Content::kSparse, lcg), "sparse");
    }
    expectSameAsReference(transform, testsignals::contentSignal(static_cast<size_t>(n), testsignals::Content::kDenormal, lcg), "denormal");
    expectSameAsReference(transform, testsignals::contentSignal(static_cast<size_t>(n), testsignals::Content::kSpecial, lcg), "inf and NaN");
  }
}

TEST(FourierTransformBits, MatchesReferenceOnLargeSizes) {
  testsignals::Lcg lcg(78);
  for (int32_t n = 8192; n <= 65536; n *= 2) {
    FourierTransform transform(n);
    expectSameAsReference(transform, testsignals::contentSignal(static_cast<size_t>(n), testsignals::Content::kTones, lcg), "tones");
    expectSameAsReference(transform, testsignals::contentSignal(static_cast<size_t>(n), testsignals::Content::kSpecial, lcg), "inf and NaN");
  }
}

}  // namespace
}  // namespace brisko
