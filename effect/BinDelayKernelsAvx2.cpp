// Compiled with -mavx2 (and nothing else from this file may run before the
// CPU check): the bin delay with four bins' doubles per register. The same
// operations in the same order as the baseline, so the same bits.
#include "effect/BinDelayKernels.h"

#if defined(__AVX2__)

#include <immintrin.h>

#include <cstddef>

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

// Four consecutive bins of one history, bin k through its own row offset
// rows[k] (which includes the first bin's index): plain loads, which beat the
// hardware gathers on the CPUs measured.
inline __m128 gatherFour(const float* history, const ptrdiff_t* rows) {
  return _mm_setr_ps(history[rows[0]], history[rows[1] + 1], history[rows[2] + 2], history[rows[3] + 3]);
}

// `Count` frames (zero: frames[0 .. count - 1]), bin-major as the single-bin
// step. The frames are copied first: stores through their float pointers
// could otherwise alias them, and every pointer would be reloaded per store.
template <int32_t Count>
void perBinFrames(const BinDelayFrame* frames, int32_t count, const ReadTap* taps, const int32_t* slotOf) {
  constexpr int32_t kFixed = Count > 0 ? Count : 1;
  BinDelayFrame f[kFixed];
  for (int32_t c = 0; c < kFixed; ++c) f[c] = frames[c];
  if constexpr (Count == 0) static_cast<void>(f);
  const int32_t bins = frames[0].bins;
  int32_t j = 0;
  for (; j + 4 <= bins; j += 4) {
    const ReadTap* t[4] = {&taps[slotOf[j]], &taps[slotOf[j + 1]], &taps[slotOf[j + 2]], &taps[slotOf[j + 3]]};
    const ptrdiff_t row0[4] = {t[0]->row0Offset + ptrdiff_t{j}, t[1]->row0Offset + ptrdiff_t{j},
                               t[2]->row0Offset + ptrdiff_t{j}, t[3]->row0Offset + ptrdiff_t{j}};
    const ptrdiff_t row1[4] = {t[0]->row1Offset + ptrdiff_t{j}, t[1]->row1Offset + ptrdiff_t{j},
                               t[2]->row1Offset + ptrdiff_t{j}, t[3]->row1Offset + ptrdiff_t{j}};
    const __m256d frac = _mm256_setr_pd(t[0]->frac, t[1]->frac, t[2]->frac, t[3]->frac);
    const auto one = [&](const BinDelayFrame& g) {
      const __m256d feedback = _mm256_set1_pd(g.doubledFeedback);
      delayFourBins(gatherFour(g.realHistory, row0), gatherFour(g.realHistory, row1), g.first + j, g.realWrite + j,
                    frac, feedback);
      delayFourBins(gatherFour(g.sineHistory, row0), gatherFour(g.sineHistory, row1), g.second + j, g.sineWrite + j,
                    frac, feedback);
    };
    if constexpr (Count > 0) {
      for (int32_t c = 0; c < Count; ++c) one(f[c]);
    } else {
      for (int32_t c = 0; c < count; ++c) one(frames[c]);
    }
  }
  for (; j < bins; ++j) {
    const ReadTap& tap = taps[slotOf[j]];
    for (int32_t c = 0; c < count; ++c) delayOneBin(frames[c], j, tap.row0Offset, tap.row1Offset, tap.frac);
  }
}

// One channel, or the two of a stereo pair, with their pointers in registers.
void perBin(const BinDelayFrame* frames, int32_t count, const ReadTap* taps, const int32_t* slotOf) {
  if (count == 2) return perBinFrames<2>(frames, count, taps, slotOf);
  if (count == 1) return perBinFrames<1>(frames, count, taps, slotOf);
  perBinFrames<0>(frames, count, taps, slotOf);
}

constexpr BinDelayKernels kAvx2 = {uniform, perBin};

}  // namespace

const BinDelayKernels* avx2BinDelayKernelsUnchecked() { return &kAvx2; }

}  // namespace brisko

#endif
