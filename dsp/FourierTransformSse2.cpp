#include "dsp/FourierTransformKernels.h"

#if defined(__SSE2__)

#include <emmintrin.h>

#include "dsp/FourierTransformQuad.h"

namespace brisko::fourier {
namespace {

// Two floats from memory, widened.
inline __m128d widenPair(const float* p) {
  return _mm_cvtps_pd(_mm_castsi128_ps(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p))));
}

// Four doubles in two SSE2 registers.
struct Sse2Wide {
  struct Wide {
    __m128d low, high;
  };
  static Wide widen(__m128 v) { return {_mm_cvtps_pd(v), _mm_cvtps_pd(_mm_movehl_ps(v, v))}; }
  static __m128 narrow(Wide v) { return _mm_movelh_ps(_mm_cvtpd_ps(v.low), _mm_cvtpd_ps(v.high)); }
  // Each half stored as it is converted: no shuffle joins them.
  static void storeNarrowed(float* p, Wide v) {
    _mm_storel_pi(reinterpret_cast<__m64*>(p), _mm_cvtpd_ps(v.low));
    _mm_storel_pi(reinterpret_cast<__m64*>(p + 2), _mm_cvtpd_ps(v.high));
  }
  static Wide loadWidened(const float* p) { return {widenPair(p), widenPair(p + 2)}; }
  static Wide loadWidenedPairs(const float* p, const float* q) { return {widenPair(p), widenPair(q)}; }
  static Wide load(const double* p) { return {_mm_loadu_pd(p), _mm_loadu_pd(p + 2)}; }
  static Wide broadcast(double v) { return {_mm_set1_pd(v), _mm_set1_pd(v)}; }
  static Wide loadPairwise(const double* p) {
    const __m128d pair = _mm_loadu_pd(p);
    return {_mm_unpacklo_pd(pair, pair), _mm_unpackhi_pd(pair, pair)};
  }
};

inline Sse2Wide::Wide operator+(Sse2Wide::Wide a, Sse2Wide::Wide b) {
  return {_mm_add_pd(a.low, b.low), _mm_add_pd(a.high, b.high)};
}
inline Sse2Wide::Wide operator-(Sse2Wide::Wide a, Sse2Wide::Wide b) {
  return {_mm_sub_pd(a.low, b.low), _mm_sub_pd(a.high, b.high)};
}
inline Sse2Wide::Wide operator*(Sse2Wide::Wide a, Sse2Wide::Wide b) {
  return {_mm_mul_pd(a.low, b.low), _mm_mul_pd(a.high, b.high)};
}

}  // namespace

const QuadKernels* sse2Kernels() { return &kQuadKernels<Sse2Wide>; }

}  // namespace brisko::fourier

#else

const brisko::fourier::QuadKernels* brisko::fourier::sse2Kernels() { return nullptr; }

#endif
