// Compiled with -mavx2 -mfma (and nothing else from this file may run before
// the CPU check): four sample frames' doubles per register.
#include "effect/StereoMix.h"

#if defined(__AVX2__)

#include "dsp/SumsOnMultiplyUnits.h"
#include "effect/StereoMixQuads.h"

namespace brisko {
namespace {

struct Avx2Lanes {
  using Doubles = __m256d;
  static Doubles widen(__m128 v) { return _mm256_cvtps_pd(v); }
  static __m128 narrow(Doubles v) { return _mm256_cvtpd_ps(v); }
  static Doubles add(Doubles a, Doubles b) { return sumOnMultiplyUnit(a, b); }
  static Doubles mul(Doubles a, Doubles b) { return _mm256_mul_pd(a, b); }
  static Doubles oneMinus(Doubles v) { return _mm256_sub_pd(_mm256_set1_pd(1.0), v); }
};

}  // namespace

StereoMixQuads avx2StereoMixQuadsUnchecked() { return mixStereoQuads<Avx2Lanes>; }

}  // namespace brisko

#endif
