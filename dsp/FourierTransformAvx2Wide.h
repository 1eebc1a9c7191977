#pragma once

// Four doubles per AVX register, the W type of the passes in
// FourierTransformQuad.h. For units compiled with -mavx2 -mfma only; internal
// linkage, as everything such a unit defines.

#include <immintrin.h>

#include "dsp/SumsOnMultiplyUnits.h"

namespace brisko::fourier {
namespace {

struct Avx2Wide {
  struct Wide {
    __m256d v;
  };
  static Wide widen(__m128 v) { return {_mm256_cvtps_pd(v)}; }
  static __m128 narrow(Wide v) { return _mm256_cvtpd_ps(v.v); }
  static void storeNarrowed(float* p, Wide v) { _mm_storeu_ps(p, narrow(v)); }
  static Wide loadWidened(const float* p) { return {_mm256_cvtps_pd(_mm_loadu_ps(p))}; }
  static Wide loadWidenedPairs(const float* p, const float* q) {
    const __m128 low = _mm_loadl_pi(_mm_setzero_ps(), reinterpret_cast<const __m64*>(p));
    return {_mm256_cvtps_pd(_mm_loadh_pi(low, reinterpret_cast<const __m64*>(q)))};
  }
  static Wide load(const double* p) { return {_mm256_loadu_pd(p)}; }
  static Wide loadPairwise(const double* p) {
    return {_mm256_permute4x64_pd(_mm256_castpd128_pd256(_mm_loadu_pd(p)), 0x50)};
  }
  static Wide broadcast(double v) { return {_mm256_set1_pd(v)}; }
};

// Sums on the multiply units: the passes convert every value they load and
// store, and those conversions share the add units.
inline Avx2Wide::Wide operator+(Avx2Wide::Wide a, Avx2Wide::Wide b) { return {sumOnMultiplyUnit(a.v, b.v)}; }
inline Avx2Wide::Wide operator-(Avx2Wide::Wide a, Avx2Wide::Wide b) { return {differenceOnMultiplyUnit(a.v, b.v)}; }
inline Avx2Wide::Wide operator*(Avx2Wide::Wide a, Avx2Wide::Wide b) { return {_mm256_mul_pd(a.v, b.v)}; }

}  // namespace
}  // namespace brisko::fourier
