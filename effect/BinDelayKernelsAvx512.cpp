// Compiled with -mavx512f (and nothing else from this file may run before the
// CPU check): the bin delay with four bins' (first, second) pairs of doubles
// per register. The same operations in the same order as the baseline, so
// the same bits.
#include "effect/BinDelayKernels.h"

#if defined(__AVX512F__)

// GCC 12's 512-bit intrinsics pass an "undefined" register as the source of
// their (absent) masked-off lanes, which it then reports as uninitialised.
#pragma GCC diagnostic ignored "-Wuninitialized"
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"

#include <immintrin.h>

#include "effect/BinDelayFourBins.h"

namespace brisko {
namespace {

// Sums on the multiply units (a * 1 + b, the same rounded sum), beside the
// conversions on the add units.
inline __m512d sum(__m512d a, __m512d b) { return _mm512_fmadd_pd(a, _mm512_set1_pd(1.0), b); }
inline __m512d difference(__m512d a, __m512d b) { return _mm512_fmsub_pd(a, _mm512_set1_pd(1.0), b); }

struct Avx512FourBins {
  struct Fractions {
    __m512d v;  // bins j .. j + 3, each for both cells
  };
  static Fractions uniformFractions(double frac) { return {_mm512_set1_pd(frac)}; }
  static Fractions fractions(double f0, double f1, double f2, double f3) {
    return {_mm512_setr_pd(f0, f0, f1, f1, f2, f2, f3, f3)};
  }

  static void delay(const BinDelayFrame& f, int32_t j, const __m128* h0, const __m128* h1, const Fractions& fracs,
                    double doubledFeedback) {
    const BinPairs pairs = loadBinPairs(f, j);
    const __m256 xs = _mm256_set_m128(pairs.v[1], pairs.v[0]);
    const __m512d v0 = _mm512_cvtps_pd(_mm256_set_m128(h0[1], h0[0]));
    const __m512d step = difference(_mm512_cvtps_pd(_mm256_set_m128(h1[1], h1[0])), v0);
    const __m512d a = sum(v0, _mm512_mul_pd(fracs.v, step));
    const __m512d stored =
        _mm512_mul_pd(sum(_mm512_cvtps_pd(xs), _mm512_mul_pd(_mm512_set1_pd(doubledFeedback), a)), _mm512_set1_pd(0.5));
    _mm256_storeu_ps(f.write + 2 * j, _mm512_cvtpd_ps(stored));
    // (first, second) by bin into the two halves.
    const __m256 out = _mm256_permutevar8x32_ps(_mm512_cvtpd_ps(a), _mm256_setr_epi32(0, 2, 4, 6, 1, 3, 5, 7));
    _mm_storeu_ps(f.first + j, _mm256_castps256_ps128(out));
    _mm_storeu_ps(f.second + j, _mm256_extractf128_ps(out, 1));
  }
};

constexpr BinDelayKernels kAvx512 = {uniformFourBins<Avx512FourBins>, perBinFourBins<Avx512FourBins>};

}  // namespace

const BinDelayKernels* avx512BinDelayKernelsUnchecked() { return &kAvx512; }

}  // namespace brisko

#endif
