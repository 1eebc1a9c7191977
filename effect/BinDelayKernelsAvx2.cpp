// Compiled with -mavx2 (and nothing else from this file may run before the
// CPU check): the bin delay with four bins' doubles per register. The same
// operations in the same order as the baseline, so the same bits.
#include "effect/BinDelayKernels.h"

#if defined(__AVX2__)

#include <immintrin.h>

namespace brisko {
namespace {

// Bins j .. j + 3 of one half: h0 and h1 the cells of the two rows.
inline void delayFourBins(__m128 h0, __m128 h1, float* spectrum, float* write, __m256d frac, __m256d feedback) {
  const __m256d v0 = _mm256_cvtps_pd(h0);
  const __m256d a = _mm256_add_pd(v0, _mm256_mul_pd(frac, _mm256_sub_pd(_mm256_cvtps_pd(h1), v0)));
  const __m256d x = _mm256_cvtps_pd(_mm_loadu_ps(spectrum));
  const __m256d stored = _mm256_mul_pd(_mm256_add_pd(x, _mm256_mul_pd(feedback, a)), _mm256_set1_pd(0.5));
  _mm_storeu_ps(write, _mm256_cvtpd_ps(stored));
  _mm_storeu_ps(spectrum, _mm256_cvtpd_ps(a));
}

// The baseline's single-bin step, kept as this unit's own copy: a shared
// inline function with external linkage could be emitted from this -mavx2
// unit and picked by the linker for the baseline's callers too.
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

void uniform(const BinDelayFrame& f, const ReadTap& tap) {
  const __m256d frac = _mm256_set1_pd(tap.frac);
  const __m256d feedback = _mm256_set1_pd(f.doubledFeedback);
  int32_t j = 0;
  for (; j + 4 <= f.bins; j += 4) {
    delayFourBins(_mm_loadu_ps(f.realHistory + tap.row0Offset + j), _mm_loadu_ps(f.realHistory + tap.row1Offset + j),
                  f.first + j, f.realWrite + j, frac, feedback);
    delayFourBins(_mm_loadu_ps(f.sineHistory + tap.row0Offset + j), _mm_loadu_ps(f.sineHistory + tap.row1Offset + j),
                  f.second + j, f.sineWrite + j, frac, feedback);
  }
  for (; j < f.bins; ++j) delayOneBin(f, j, tap.row0Offset, tap.row1Offset, tap.frac);
}

// Bins j .. j + 3 of one history, each through its own row offset: plain
// loads, which beat the hardware gathers on the CPUs measured.
inline __m128 gatherFour(const float* history, const int32_t* offsets, int32_t j) {
  return _mm_setr_ps(history[offsets[0] + j], history[offsets[1] + j + 1], history[offsets[2] + j + 2],
                     history[offsets[3] + j + 3]);
}

void perBin(const BinDelayFrame* frames, int32_t count, const ReadTap* taps, const int32_t* slotOf) {
  const int32_t bins = frames[0].bins;
  int32_t j = 0;
  for (; j + 4 <= bins; j += 4) {
    const ReadTap* t[4] = {&taps[slotOf[j]], &taps[slotOf[j + 1]], &taps[slotOf[j + 2]], &taps[slotOf[j + 3]]};
    const int32_t row0[4] = {t[0]->row0Offset, t[1]->row0Offset, t[2]->row0Offset, t[3]->row0Offset};
    const int32_t row1[4] = {t[0]->row1Offset, t[1]->row1Offset, t[2]->row1Offset, t[3]->row1Offset};
    const __m256d frac = _mm256_setr_pd(t[0]->frac, t[1]->frac, t[2]->frac, t[3]->frac);
    for (int32_t c = 0; c < count; ++c) {
      const BinDelayFrame& f = frames[c];
      const __m256d feedback = _mm256_set1_pd(f.doubledFeedback);
      delayFourBins(gatherFour(f.realHistory, row0, j), gatherFour(f.realHistory, row1, j), f.first + j,
                    f.realWrite + j, frac, feedback);
      delayFourBins(gatherFour(f.sineHistory, row0, j), gatherFour(f.sineHistory, row1, j), f.second + j,
                    f.sineWrite + j, frac, feedback);
    }
  }
  for (; j < bins; ++j) {
    const ReadTap& tap = taps[slotOf[j]];
    for (int32_t c = 0; c < count; ++c) delayOneBin(frames[c], j, tap.row0Offset, tap.row1Offset, tap.frac);
  }
}

constexpr BinDelayKernels kAvx2 = {uniform, perBin};

}  // namespace

const BinDelayKernels* avx2BinDelayKernelsUnchecked() { return &kAvx2; }

}  // namespace brisko

#endif
