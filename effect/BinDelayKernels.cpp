#include "effect/BinDelayKernels.h"
#include "effect/BinDelayStep.h"

#include "effect/SignalKernels.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace brisko {
namespace {

#if defined(__SSE2__)
// A bin's two cells of one row, as floats in the low half.
inline __m128 loadPair(const float* cells) {
  return _mm_castpd_ps(_mm_load_sd(reinterpret_cast<const double*>(cells)));
}

// One bin's (first, second) pair as doubles, the same operations in the same
// order as delayOneBin: v0 and v1 the row cells, x the spectrum values.
// Answers a, stores the written pair.
inline __m128d delayPair(__m128d v0, __m128d v1, __m128d x, __m128d frac, __m128d feedback, __m128d* stored) {
  const __m128d a = _mm_add_pd(v0, _mm_mul_pd(frac, _mm_sub_pd(v1, v0)));
  *stored = _mm_mul_pd(_mm_add_pd(x, _mm_mul_pd(feedback, a)), _mm_set1_pd(0.5));
  return a;
}

// Bins j .. j + 3 of one frame: h0[k] and h1[k] point at bin j + k's cells
// in the two rows; frac[k] its fraction.
inline void delayFourBins(const BinDelayFrame& f, int32_t j, const float* const* h0, const float* const* h1,
                          const __m128d* frac) {
  const __m128d feedback = _mm_set1_pd(f.doubledFeedback);
  const __m128 first = _mm_loadu_ps(f.first + j);
  const __m128 second = _mm_loadu_ps(f.second + j);
  const __m128 xs[2] = {_mm_unpacklo_ps(first, second), _mm_unpackhi_ps(first, second)};  // pairs by bin
  __m128 outs[2];
  for (int part = 0; part < 2; ++part) {
    __m128d stored[2], a[2];
    for (int k = 0; k < 2; ++k) {
      const int bin = 2 * part + k;
      const __m128 x = k ? _mm_movehl_ps(xs[part], xs[part]) : xs[part];
      a[k] = delayPair(_mm_cvtps_pd(loadPair(h0[bin])), _mm_cvtps_pd(loadPair(h1[bin])), _mm_cvtps_pd(x), frac[bin],
                       feedback, &stored[k]);
    }
    _mm_storeu_ps(f.write + 2 * (j + 2 * part), _mm_movelh_ps(_mm_cvtpd_ps(stored[0]), _mm_cvtpd_ps(stored[1])));
    outs[part] = _mm_movelh_ps(_mm_cvtpd_ps(a[0]), _mm_cvtpd_ps(a[1]));  // first, second of two bins
  }
  _mm_storeu_ps(f.first + j, _mm_shuffle_ps(outs[0], outs[1], _MM_SHUFFLE(2, 0, 2, 0)));
  _mm_storeu_ps(f.second + j, _mm_shuffle_ps(outs[0], outs[1], _MM_SHUFFLE(3, 1, 3, 1)));
}
#endif

// Copies as in the AVX2 kernel: the vector stores may alias the fields.
void uniformBaseline(const BinDelayFrame& frame, const ReadTap& readTap) {
  const BinDelayFrame f = frame;
  const ReadTap tap = readTap;
  int32_t j = 0;
#if defined(__SSE2__)
  const __m128d frac = _mm_set1_pd(tap.frac);
  const __m128d fracs[4] = {frac, frac, frac, frac};
  for (; j + 4 <= f.bins; j += 4) {
    const float* row0 = f.history + tap.row0Offset + 2 * j;
    const float* row1 = f.history + tap.row1Offset + 2 * j;
    const float* h0[4] = {row0, row0 + 2, row0 + 4, row0 + 6};
    const float* h1[4] = {row1, row1 + 2, row1 + 4, row1 + 6};
    delayFourBins(f, j, h0, h1, fracs);
  }
#endif
  for (; j < f.bins; ++j) delayOneBin(f, j, tap.row0Offset, tap.row1Offset, tap.frac);
}

void perBinBaseline(const BinDelayFrame* frames, int32_t count, const ReadTap* taps, const int32_t* slotOf) {
  const int32_t bins = frames[0].bins;
  int32_t j = 0;
#if defined(__SSE2__)
  for (; j + 4 <= bins; j += 4) {
    const ReadTap* t[4] = {&taps[slotOf[j]], &taps[slotOf[j + 1]], &taps[slotOf[j + 2]], &taps[slotOf[j + 3]]};
    const __m128d fracs[4] = {_mm_set1_pd(t[0]->frac), _mm_set1_pd(t[1]->frac), _mm_set1_pd(t[2]->frac),
                              _mm_set1_pd(t[3]->frac)};
    for (int32_t c = 0; c < count; ++c) {
      const BinDelayFrame& f = frames[c];
      const float* h = f.history + 2 * j;
      const float* h0[4] = {h + t[0]->row0Offset, h + t[1]->row0Offset + 2, h + t[2]->row0Offset + 4,
                            h + t[3]->row0Offset + 6};
      const float* h1[4] = {h + t[0]->row1Offset, h + t[1]->row1Offset + 2, h + t[2]->row1Offset + 4,
                            h + t[3]->row1Offset + 6};
      delayFourBins(f, j, h0, h1, fracs);
    }
  }
#endif
  for (; j < bins; ++j) {
    const ReadTap& tap = taps[slotOf[j]];
    for (int32_t c = 0; c < count; ++c) delayOneBin(frames[c], j, tap.row0Offset, tap.row1Offset, tap.frac);
  }
}

constexpr BinDelayKernels kBaseline = {uniformBaseline, perBinBaseline};

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
