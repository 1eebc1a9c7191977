#pragma once

#include <bit>
#include <cstdint>
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
  // Uniform in [-1, 1) with 24 significant bits: exact in float.
  float unit() {
    const auto top = static_cast<int32_t>(next() >> 8) - (int32_t{1} << 23);
    return static_cast<float>(top) * (1.0f / 8388608.0f);
  }
  // Any finite float, sign and exponent drawn at random: a wide dynamic range.
  float wideRange() {
    const uint32_t mantissa = next() >> 9;
    const uint32_t exponent = next() % 254u + 1u;
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

}  // namespace brisko::testsignals
