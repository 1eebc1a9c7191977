// The x86 baseline: four sample frames' doubles in two SSE2 registers.
#include "effect/StereoMix.h"

#if defined(__SSE2__)

#include "effect/StereoMixQuads.h"

namespace brisko {
namespace {

struct Sse2Lanes {
  struct Doubles {
    __m128d low, high;
  };
  static Doubles widen(__m128 v) { return {_mm_cvtps_pd(v), _mm_cvtps_pd(_mm_movehl_ps(v, v))}; }
  static __m128 narrow(Doubles v) { return _mm_movelh_ps(_mm_cvtpd_ps(v.low), _mm_cvtpd_ps(v.high)); }
  static Doubles add(Doubles a, Doubles b) { return {_mm_add_pd(a.low, b.low), _mm_add_pd(a.high, b.high)}; }
  static Doubles mul(Doubles a, Doubles b) { return {_mm_mul_pd(a.low, b.low), _mm_mul_pd(a.high, b.high)}; }
  static Doubles oneMinus(Doubles v) {
    const __m128d one = _mm_set1_pd(1.0);
    return {_mm_sub_pd(one, v.low), _mm_sub_pd(one, v.high)};
  }
};

}  // namespace

StereoMixQuads sse2StereoMixQuads() { return mixStereoQuads<Sse2Lanes>; }

}  // namespace brisko

#else

brisko::StereoMixQuads brisko::sse2StereoMixQuads() { return nullptr; }

#endif
