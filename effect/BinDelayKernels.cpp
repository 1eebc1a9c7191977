#include "effect/BinDelayKernels.h"
#include "effect/BinDelayStep.h"

#include "effect/SignalKernels.h"

#if defined(__SSE2__)
#include "effect/BinDelayFourBins.h"
#endif

namespace brisko {
namespace {

#if defined(__SSE2__)
// One bin's pair of doubles per register, the same operations in the same
// order as delayOneBin.
struct Sse2FourBins {
  struct Fractions {
    __m128d bins[4];
  };
  static Fractions uniformFractions(double frac) {
    const __m128d f = _mm_set1_pd(frac);
    return {{f, f, f, f}};
  }
  static Fractions fractions(double f0, double f1, double f2, double f3) {
    return {{_mm_set1_pd(f0), _mm_set1_pd(f1), _mm_set1_pd(f2), _mm_set1_pd(f3)}};
  }

  // v0 and v1 the row cells, x the spectrum values of one bin; answers a,
  // stores the written pair.
  static __m128d delayPair(__m128d v0, __m128d v1, __m128d x, __m128d frac, __m128d feedback, __m128d* stored) {
    const __m128d a = _mm_add_pd(v0, _mm_mul_pd(frac, _mm_sub_pd(v1, v0)));
    *stored = _mm_mul_pd(_mm_add_pd(x, _mm_mul_pd(feedback, a)), _mm_set1_pd(0.5));
    return a;
  }

  static void delay(const BinDelayFrame& f, int32_t j, const __m128* h0, const __m128* h1, const Fractions& fracs,
                    double doubledFeedback) {
    const __m128d feedback = _mm_set1_pd(doubledFeedback);
    const BinPairs xs = loadBinPairs(f, j);
    __m128 outs[2];
    for (int k = 0; k < 2; ++k) {
      __m128d stored[2], a[2];
      for (int b = 0; b < 2; ++b) {
        const auto high = [b](__m128 v) { return b ? _mm_movehl_ps(v, v) : v; };
        a[b] = delayPair(_mm_cvtps_pd(high(h0[k])), _mm_cvtps_pd(high(h1[k])), _mm_cvtps_pd(high(xs.v[k])),
                         fracs.bins[2 * k + b], feedback, &stored[b]);
      }
      _mm_storeu_ps(f.write + 2 * j + 4 * k, _mm_movelh_ps(_mm_cvtpd_ps(stored[0]), _mm_cvtpd_ps(stored[1])));
      outs[k] = _mm_movelh_ps(_mm_cvtpd_ps(a[0]), _mm_cvtpd_ps(a[1]));  // first, second of two bins
    }
    storeBinPairs(f, j, outs[0], outs[1]);
  }
};

constexpr BinDelayKernels kBaseline = {uniformFourBins<Sse2FourBins>, perBinFourBins<Sse2FourBins>};
#else
void uniformBaseline(const BinDelayFrame& f, const ReadTap& tap) {
  for (int32_t j = 0; j < f.bins; ++j) delayOneBin(f, j, tap.row0Offset, tap.row1Offset, tap.frac);
}

void perBinBaseline(const BinDelayFrame* frames, int32_t count, const ReadTap* taps, const int32_t* slotOf) {
  for (int32_t j = 0; j < frames[0].bins; ++j) {
    const ReadTap& tap = taps[slotOf[j]];
    for (int32_t c = 0; c < count; ++c) delayOneBin(frames[c], j, tap.row0Offset, tap.row1Offset, tap.frac);
  }
}

constexpr BinDelayKernels kBaseline = {uniformBaseline, perBinBaseline};
#endif

}  // namespace

const BinDelayKernels& baselineBinDelayKernels() { return kBaseline; }

void delayBinsUniform(const BinDelayFrame& frame, const ReadTap& tap) {
  activeSignalKernels().binDelay->uniform(frame, tap);
}

void delayBinsPerBin(const BinDelayFrame& frame, const ReadTap* taps, const int32_t* slotOf) {
  activeSignalKernels().binDelay->perBin(&frame, 1, taps, slotOf);
}

void delayBinsPerBin(const BinDelayFrame* frames, int32_t count, const ReadTap* taps, const int32_t* slotOf) {
  activeSignalKernels().binDelay->perBin(frames, count, taps, slotOf);
}

}  // namespace brisko
