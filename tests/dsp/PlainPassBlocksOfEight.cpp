// The plain-layout passes, generic over the block width, run by the AVX-512
// transform in blocks of eight. Here the same generic code runs blocks of
// eight made of two AVX2 quads, against the AVX2 kernels' blocks of four:
// the indices, mirrored stores and last overlapping block of the eight-wide
// loops are checked on any AVX2 machine, not only on one that runs AVX-512.
// Compiled with -mavx2 -mfma: called only where the CPU runs AVX2.
#include "PlainPassBlocksOfEight.h"

#if defined(__AVX2__)

#include <bit>
#include <cstdint>
#include <string>
#include <vector>

#include "dsp/DspKernels.h"
#include "dsp/FourierTransform.h"
#include "dsp/FourierTransformAvx2Wide.h"
#include "dsp/FourierTransformQuad.h"

namespace brisko::fourier {
namespace {

struct QuadPair {
  static constexpr int32_t kSize = 8;
  struct Floats {
    __m128 low, high;
  };
  struct Wide {
    Avx2Wide::Wide low, high;
  };
  static Floats load(const float* p) { return {_mm_loadu_ps(p), _mm_loadu_ps(p + 4)}; }
  static void store(float* p, Floats v) {
    _mm_storeu_ps(p, v.low);
    _mm_storeu_ps(p + 4, v.high);
  }
  static Floats reverse(Floats v) { return {reversed(v.high), reversed(v.low)}; }
  static Floats sum(Floats a, Floats b) { return {_mm_add_ps(a.low, b.low), _mm_add_ps(a.high, b.high)}; }
  static Floats difference(Floats a, Floats b) { return {_mm_sub_ps(a.low, b.low), _mm_sub_ps(a.high, b.high)}; }
  static Wide widen(Floats v) { return {Avx2Wide::widen(v.low), Avx2Wide::widen(v.high)}; }
  static Floats narrow(Wide v) { return {Avx2Wide::narrow(v.low), Avx2Wide::narrow(v.high)}; }
  static Wide loadWidened(const float* p) { return {Avx2Wide::loadWidened(p), Avx2Wide::loadWidened(p + 4)}; }
  static Wide loadTwiddles(const double* p) { return {Avx2Wide::load(p), Avx2Wide::load(p + 4)}; }
};

QuadPair::Wide operator+(QuadPair::Wide a, QuadPair::Wide b) { return {a.low + b.low, a.high + b.high}; }
QuadPair::Wide operator-(QuadPair::Wide a, QuadPair::Wide b) { return {a.low - b.low, a.high - b.high}; }
QuadPair::Wide operator*(QuadPair::Wide a, QuadPair::Wide b) { return {a.low * b.low, a.high * b.high}; }

std::string firstDifference(const std::vector<float>& actual, const std::vector<float>& expected) {
  for (size_t i = 0; i < actual.size(); ++i) {
    if (std::bit_cast<uint32_t>(actual[i]) != std::bit_cast<uint32_t>(expected[i]))
      return ", n " + std::to_string(actual.size()) + ": first difference at " + std::to_string(i);
  }
  return {};
}

}  // namespace

std::string plainPassBlocksOfEightMismatch() {
  const QuadKernels& four = *dspKernels(KernelSet::kAvx2)->transform;
  uint32_t state = 5;
  for (int32_t n : {64, 256, 1024}) {
    const FourierTransform transform(n);
    const PlanCopy copy(transform);
    std::vector<float> S(static_cast<size_t>(n));
    for (float& x : S) x = static_cast<float>((state = state * 1664525u + 1013904223u) >> 8) / 65536.0f - 128.0f;
    for (int32_t m = 32; m <= n / 2; m *= 2) {
      const Twiddles twiddles = twiddlesOfPass(copy.plan(), std::countr_zero(static_cast<uint32_t>(m)));
      std::vector<float> expected(static_cast<size_t>(n)), actual(static_cast<size_t>(n), -1.0f);
      four.forwardMergePlain(expected.data(), S.data(), twiddles, m, n);
      forwardMergePlain<QuadPair>(actual.data(), S.data(), twiddles, m, n);
      if (const std::string at = firstDifference(actual, expected); !at.empty()) return "merge, m " + std::to_string(m) + at;
      std::fill(actual.begin(), actual.end(), -1.0f);
      four.inverseSplitPlain(expected.data(), S.data(), twiddles, m, n);
      inverseSplitPlain<QuadPair>(actual.data(), S.data(), twiddles, m, n);
      if (const std::string at = firstDifference(actual, expected); !at.empty()) return "split, m " + std::to_string(m) + at;
    }
  }
  return {};
}

}  // namespace brisko::fourier

#else

std::string brisko::fourier::plainPassBlocksOfEightMismatch() { return {}; }

#endif
