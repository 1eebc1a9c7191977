#include "effect/BinDelayKernels.h"

#include "dsp/CpuFeatures.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace brisko {
namespace {

inline void delayOneBin(const BinDelayFrame& f, int32_t j, int32_t row0, int32_t row1, double frac) {
  const double real0 = f.realHistory[row0 + j];
  const double sine0 = f.sineHistory[row0 + j];
  const double a = real0 + frac * (f.realHistory[row1 + j] - real0);
  const double b = sine0 + frac * (f.sineHistory[row1 + j] - sine0);
  f.realWrite[j] = static_cast<float>((f.first[j] + f.doubledFeedback * a) * 0.5);
  f.sineWrite[j] = static_cast<float>((f.second[j] + f.doubledFeedback * b) * 0.5);
  f.first[j] = static_cast<float>(a);
  f.second[j] = static_cast<float>(b);
}

#if defined(__SSE2__)
// Four bins of one half at a time, as two pairs of doubles: the same
// operations in the same order as delayOneBin. h0 and h1 hold the four bins'
// values of the two rows; fracLow and fracHigh their fractions.
inline void delayFourBins(__m128 h0, __m128 h1, float* spectrum, float* write, __m128d fracLow, __m128d fracHigh,
                          __m128d feedback) {
  const __m128 x = _mm_loadu_ps(spectrum);
  const __m128d half = _mm_set1_pd(0.5);
  __m128d out[2], stored[2];
  for (int part = 0; part < 2; ++part) {
    const __m128d v0 = _mm_cvtps_pd(part ? _mm_movehl_ps(h0, h0) : h0);
    const __m128d v1 = _mm_cvtps_pd(part ? _mm_movehl_ps(h1, h1) : h1);
    const __m128d xin = _mm_cvtps_pd(part ? _mm_movehl_ps(x, x) : x);
    const __m128d frac = part ? fracHigh : fracLow;
    const __m128d a = _mm_add_pd(v0, _mm_mul_pd(frac, _mm_sub_pd(v1, v0)));
    stored[part] = _mm_mul_pd(_mm_add_pd(xin, _mm_mul_pd(feedback, a)), half);
    out[part] = a;
  }
  _mm_storeu_ps(write, _mm_movelh_ps(_mm_cvtpd_ps(stored[0]), _mm_cvtpd_ps(stored[1])));
  _mm_storeu_ps(spectrum, _mm_movelh_ps(_mm_cvtpd_ps(out[0]), _mm_cvtpd_ps(out[1])));
}

// Bins j .. j + 3 of one history, each through its own row offset.
inline __m128 gatherFour(const float* history, const int32_t* offsets, int32_t j) {
  return _mm_setr_ps(history[offsets[0] + j], history[offsets[1] + j + 1], history[offsets[2] + j + 2],
                     history[offsets[3] + j + 3]);
}
#endif

void uniformBaseline(const BinDelayFrame& f, const ReadTap& tap) {
  int32_t j = 0;
#if defined(__SSE2__)
  const __m128d frac = _mm_set1_pd(tap.frac);
  const __m128d feedback = _mm_set1_pd(f.doubledFeedback);
  for (; j + 4 <= f.bins; j += 4) {
    delayFourBins(_mm_loadu_ps(f.realHistory + tap.row0Offset + j), _mm_loadu_ps(f.realHistory + tap.row1Offset + j),
                  f.first + j, f.realWrite + j, frac, frac, feedback);
    delayFourBins(_mm_loadu_ps(f.sineHistory + tap.row0Offset + j), _mm_loadu_ps(f.sineHistory + tap.row1Offset + j),
                  f.second + j, f.sineWrite + j, frac, frac, feedback);
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
    const int32_t row0[4] = {t[0]->row0Offset, t[1]->row0Offset, t[2]->row0Offset, t[3]->row0Offset};
    const int32_t row1[4] = {t[0]->row1Offset, t[1]->row1Offset, t[2]->row1Offset, t[3]->row1Offset};
    const __m128d fracLow = _mm_setr_pd(t[0]->frac, t[1]->frac);
    const __m128d fracHigh = _mm_setr_pd(t[2]->frac, t[3]->frac);
    for (int32_t c = 0; c < count; ++c) {
      const BinDelayFrame& f = frames[c];
      const __m128d feedback = _mm_set1_pd(f.doubledFeedback);
      delayFourBins(gatherFour(f.realHistory, row0, j), gatherFour(f.realHistory, row1, j), f.first + j,
                    f.realWrite + j, fracLow, fracHigh, feedback);
      delayFourBins(gatherFour(f.sineHistory, row0, j), gatherFour(f.sineHistory, row1, j), f.second + j,
                    f.sineWrite + j, fracLow, fracHigh, feedback);
    }
  }
#endif
  for (; j < bins; ++j) {
    const ReadTap& tap = taps[slotOf[j]];
    for (int32_t c = 0; c < count; ++c) delayOneBin(frames[c], j, tap.row0Offset, tap.row1Offset, tap.frac);
  }
}

constexpr BinDelayKernels kBaseline = {uniformBaseline, perBinBaseline};

// The fastest implementation this CPU runs.
const BinDelayKernels& fastest() {
  static const BinDelayKernels& kernels = avx2BinDelayKernels() ? *avx2BinDelayKernels() : kBaseline;
  return kernels;
}

}  // namespace

const BinDelayKernels& baselineBinDelayKernels() { return kBaseline; }

const BinDelayKernels* avx2BinDelayKernels() {
#if defined(BRISKO_ENGINE_AVX2)
  return cpuRunsAvx2() ? avx2BinDelayKernelsUnchecked() : nullptr;
#else
  return nullptr;
#endif
}

void delayBinsUniform(const BinDelayFrame& frame, const ReadTap& tap) { fastest().uniform(frame, tap); }

void delayBinsPerBin(const BinDelayFrame& frame, const ReadTap* taps, const int32_t* slotOf) {
  fastest().perBin(&frame, 1, taps, slotOf);
}

void delayBinsPerBin(const BinDelayFrame* frames, int32_t count, const ReadTap* taps, const int32_t* slotOf) {
  fastest().perBin(frames, count, taps, slotOf);
}

}  // namespace brisko
