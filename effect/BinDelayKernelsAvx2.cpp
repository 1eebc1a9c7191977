// Compiled with -mavx2 -mfma (and nothing else from this file may run before
// the CPU check): the bin delay with two bins' (first, second) pairs of
// doubles per register. The same operations in the same order as the
// baseline, so the same bits.
#include "effect/BinDelayKernels.h"

#if defined(__AVX2__)

#include <immintrin.h>

#include "dsp/SumsOnMultiplyUnits.h"
#include "effect/BinDelayFourBins.h"

namespace brisko {
namespace {

struct Avx2FourBins {
  struct Fractions {
    __m256d pairs[2];  // bins j, j + 1; bins j + 2, j + 3
  };
  static Fractions uniformFractions(double frac) { return {{_mm256_set1_pd(frac), _mm256_set1_pd(frac)}}; }
  // Two fractions, each for both cells of its bin.
  static __m256d fracPairs(double lo, double hi) {
    return _mm256_insertf128_pd(_mm256_castpd128_pd256(_mm_set1_pd(lo)), _mm_set1_pd(hi), 1);
  }
  static Fractions fractions(double f0, double f1, double f2, double f3) {
    return {{fracPairs(f0, f1), fracPairs(f2, f3)}};
  }

  static void delay(const BinDelayFrame& f, int32_t j, const __m128* h0, const __m128* h1, const Fractions& fracs,
                    double doubledFeedback) {
    const __m256d feedback = _mm256_set1_pd(doubledFeedback);
    const BinPairs xs = loadBinPairs(f, j);
    __m128 outs[2];
    for (int k = 0; k < 2; ++k) {
      const __m256d v0 = _mm256_cvtps_pd(h0[k]);
      const __m256d step = differenceOnMultiplyUnit(_mm256_cvtps_pd(h1[k]), v0);
      const __m256d a = sumOnMultiplyUnit(v0, _mm256_mul_pd(fracs.pairs[k], step));
      const __m256d stored =
          _mm256_mul_pd(sumOnMultiplyUnit(_mm256_cvtps_pd(xs.v[k]), _mm256_mul_pd(feedback, a)), _mm256_set1_pd(0.5));
      _mm_storeu_ps(f.write + 2 * j + 4 * k, _mm256_cvtpd_ps(stored));
      outs[k] = _mm256_cvtpd_ps(a);
    }
    storeBinPairs(f, j, outs[0], outs[1]);
  }
};

constexpr BinDelayKernels kAvx2 = {uniformFourBins<Avx2FourBins>, perBinFourBins<Avx2FourBins>};

}  // namespace

const BinDelayKernels* avx2BinDelayKernelsUnchecked() { return &kAvx2; }

}  // namespace brisko

#endif
