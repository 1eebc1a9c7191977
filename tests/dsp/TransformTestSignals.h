#pragma once

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <numbers>
#include <vector>

// Deterministic test signals and bit hashes for the transform tests. Plain
// integer arithmetic only, so every target produces the same inputs.
namespace brisko::testsignals {

// 32-bit linear congruential generator (Numerical Recipes constants).
class Lcg {
 public:
  explicit Lcg(uint32_t seed) : state_(seed) {}
  uint32_t next() {
    state_ = state_ * 1664525u + 1013904223u;
    return state_;
  }
  // The low bits of an LCG repeat with short periods: choices use the high ones.
  uint32_t below(uint32_t range) { return (next() >> 8) % range; }
  bool coin() { return (next() >> 31) != 0; }
  // Uniform in [-1, 1) with 24 significant bits: exact in float.
  float unit() {
    const auto top = static_cast<int32_t>(next() >> 8) - (int32_t{1} << 23);
    return static_cast<float>(top) * (1.0f / 8388608.0f);
  }
  // Any finite float, sign and exponent drawn at random: a wide dynamic range.
  float wideRange() {
    const uint32_t mantissa = next() >> 9;
    const uint32_t exponent = below(254u) + 1u;
    const uint32_t sign = next() & 0x80000000u;
    return std::bit_cast<float>(sign | (exponent << 23) | mantissa);
  }
  // Magnitudes from 2^-30 to 2^30: sums of such values mostly round in
  // double, so the order of operations shows in the bits (over the whole
  // float range one term usually swamps the others, and over a narrow range
  // double sums are mostly exact).
  float spread() {
    const uint32_t mantissa = next() >> 9;
    const uint32_t exponent = 97u + below(61u);
    const uint32_t sign = next() & 0x80000000u;
    return std::bit_cast<float>(sign | (exponent << 23) | mantissa);
  }

 private:
  uint32_t state_;
};

inline std::vector<float> unitSignal(size_t n, uint32_t seed) {
  Lcg lcg(seed);
  std::vector<float> signal(n);
  for (float& x : signal) x = lcg.unit();
  return signal;
}

// FNV-1a over the bytes of each float's bit pattern, lowest byte first.
inline uint64_t fnv1a(const std::vector<float>& values) {
  uint64_t hash = 14695981039346656037ull;
  for (float value : values) {
    const auto bits = std::bit_cast<uint32_t>(value);
    for (int shift = 0; shift < 32; shift += 8) {
      hash ^= (bits >> shift) & 0xFFu;
      hash *= 1099511628211ull;
    }
  }
  return hash;
}

inline constexpr double kTwoPi = 2.0 * std::numbers::pi;

enum class Content { kUnit, kWideRange, kSpread, kDenormal, kSpecial, kTones, kSparse };

// Kinds of test input. Tones and sparse impulses have large intermediate
// values that cancel in the later passes (and their spectra cancel back in the
// inverse).
inline std::vector<float> contentSignal(size_t n, Content content, Lcg& lcg) {
  std::vector<float> values(n, 0.0f);
  switch (content) {
    case Content::kUnit:
      for (float& x : values) x = lcg.unit();
      break;
    case Content::kWideRange:
      for (float& x : values) x = lcg.wideRange();
      break;
    case Content::kSpread:
      for (float& x : values) x = lcg.spread();
      break;
    case Content::kDenormal:
      // Subnormal patterns mixed with tiny normals, so sums cross the boundary.
      for (float& x : values) {
        const uint32_t sign = lcg.coin() ? 0x80000000u : 0u, smallestNormal = lcg.coin() ? 0x00800000u : 0u;
        x = std::bit_cast<float>(sign | smallestNormal | (lcg.next() >> 9));
      }
      break;
    case Content::kSpecial:
      for (float& x : values) {
        const uint32_t pick = lcg.below(16u);
        x = pick == 0   ? std::numeric_limits<float>::infinity()
            : pick == 1 ? -std::numeric_limits<float>::infinity()
            : pick == 2 ? std::numeric_limits<float>::quiet_NaN()
            : pick == 3 ? -0.0f
                        : lcg.unit() * 1e30f;
      }
      break;
    case Content::kTones:
      for (int tone = 0; tone < 3; ++tone) {
        const double length = static_cast<double>(n);
        const double bin = static_cast<double>(lcg.below(static_cast<uint32_t>(n / 2 + 1)));
        const double phase = lcg.unit() * kTwoPi, amplitude = 1e6 * lcg.unit();
        for (size_t i = 0; i < n; ++i)
          values[i] += static_cast<float>(amplitude * std::cos(kTwoPi * bin * static_cast<double>(i) / length + phase));
      }
      for (float& x : values) x += 1e-3f * lcg.unit();
      break;
    case Content::kSparse:
      for (int impulse = 0; impulse < 3; ++impulse) values[lcg.below(static_cast<uint32_t>(n))] = 1e4f * lcg.unit();
      break;
  }
  return values;
}

// Same bits, except that any NaN matches any NaN (payloads are not preserved).
inline ::testing::AssertionResult sameBits(const std::vector<float>& actual, const std::vector<float>& expected) {
  for (size_t i = 0; i < actual.size(); ++i) {
    if (std::isnan(actual[i]) && std::isnan(expected[i])) continue;
    if (std::bit_cast<uint32_t>(actual[i]) != std::bit_cast<uint32_t>(expected[i]))
      return ::testing::AssertionFailure() << "index " << i << ": " << actual[i] << " instead of " << expected[i];
  }
  return ::testing::AssertionSuccess();
}

}  // namespace brisko::testsignals
