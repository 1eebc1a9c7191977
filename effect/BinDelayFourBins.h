#pragma once

// The vector bin delay's loops, written once for any "four bins" kernel K:
// the one-tap frame and the per-bin frames, four bins at a time, with the
// single-bin step for the rest. Included only by the x86 vector units (the
// SSE2 baseline, AVX2, AVX-512), each compiled for its own instruction set;
// internal linkage on purpose, so that no function compiled for one set can
// be picked for another's callers.
//
// K provides: a type Fractions, the four bins' blend fractions (each for both
// cells of its bin), from one tap (uniformFractions) or four (fractions); and
// delay(frame, j, h0, h1, fractions, doubledFeedback), bins j .. j + 3 of one
// frame, where h0[k] and h1[k] hold two bins' cells of the two rows (k = 0:
// bins j, j + 1; k = 1: bins j + 2, j + 3).

#include <immintrin.h>

#include <cstddef>
#include <cstdint>

#include "effect/BinDelayKernels.h"
#include "effect/BinDelayStep.h"

namespace brisko {
namespace {

// Two bins' cells of one row each: lo at the first bin's, hi at the second's.
inline __m128 loadTwoPairs(const float* lo, const float* hi) {
  const __m128 low = _mm_castpd_ps(_mm_load_sd(reinterpret_cast<const double*>(lo)));
  return _mm_loadh_pi(low, reinterpret_cast<const __m64*>(hi));
}

// Bins j .. j + 3's spectrum values as (first, second) pairs by bin: bins j
// and j + 1 in the first register, bins j + 2 and j + 3 in the second.
struct BinPairs {
  __m128 v[2];
};
inline BinPairs loadBinPairs(const BinDelayFrame& f, int32_t j) {
  const __m128 first = _mm_loadu_ps(f.first + j);
  const __m128 second = _mm_loadu_ps(f.second + j);
  return {{_mm_unpacklo_ps(first, second), _mm_unpackhi_ps(first, second)}};
}
// Pairs by bin, as loadBinPairs gives them, back into the two halves.
inline void storeBinPairs(const BinDelayFrame& f, int32_t j, __m128 low, __m128 high) {
  _mm_storeu_ps(f.first + j, _mm_shuffle_ps(low, high, _MM_SHUFFLE(2, 0, 2, 0)));
  _mm_storeu_ps(f.second + j, _mm_shuffle_ps(low, high, _MM_SHUFFLE(3, 1, 3, 1)));
}

// The frame and tap are copied first: the vector stores may alias anything,
// and every field would be reloaded after each of them.
template <class K>
void uniformFourBins(const BinDelayFrame& frame, const ReadTap& readTap) {
  const BinDelayFrame f = frame;
  const ReadTap tap = readTap;
  const typename K::Fractions fracs = K::uniformFractions(tap.frac);
  int32_t j = 0;
  for (; j + 4 <= f.bins; j += 4) {
    const float* row0 = f.history + tap.row0Offset + 2 * j;
    const float* row1 = f.history + tap.row1Offset + 2 * j;
    const __m128 h0[2] = {_mm_loadu_ps(row0), _mm_loadu_ps(row0 + 4)};
    const __m128 h1[2] = {_mm_loadu_ps(row1), _mm_loadu_ps(row1 + 4)};
    K::delay(f, j, h0, h1, fracs, f.doubledFeedback);
  }
  for (; j < f.bins; ++j) delayOneBin(f, j, tap.row0Offset, tap.row1Offset, tap.frac);
}

// `Count` frames (zero: frames[0 .. count - 1]), bin-major as the single-bin
// step. The frames are copied first: stores through their float pointers
// could otherwise alias them, and every pointer would be reloaded per store.
// Each row offset serves every frame's load as soon as it is formed, so few
// of them are alive at once. Plain loads, which beat the hardware gathers on
// the CPUs measured.
template <class K, int32_t Count>
void perBinFrames(const BinDelayFrame* frames, int32_t count, const ReadTap* taps, const int32_t* slotOf) {
  constexpr int32_t kFixed = Count > 0 ? Count : 1;
  const int32_t frameCount = Count > 0 ? Count : count;
  BinDelayFrame f[kFixed];
  for (int32_t c = 0; c < kFixed; ++c) f[c] = frames[c];
  const auto frame = [&](int32_t c) -> const BinDelayFrame& { return Count > 0 ? f[c] : frames[c]; };
  const int32_t bins = frames[0].bins;
  int32_t j = 0;
  for (; j + 4 <= bins; j += 4) {
    const ReadTap* t[4] = {&taps[slotOf[j]], &taps[slotOf[j + 1]], &taps[slotOf[j + 2]], &taps[slotOf[j + 3]]};
    const typename K::Fractions fracs = K::fractions(t[0]->frac, t[1]->frac, t[2]->frac, t[3]->frac);
    if constexpr (Count > 0) {
      // Bins j + 2p and j + 2p + 1 of every frame, both rows.
      __m128 h0[Count][2], h1[Count][2];
      const float* cells[Count];  // bin j's cells of row 0
      for (int32_t c = 0; c < Count; ++c) cells[c] = f[c].history + 2 * ptrdiff_t{j};
      for (int32_t p = 0; p < 2; ++p) {
        const ptrdiff_t lo0 = t[2 * p]->row0Offset, hi0 = t[2 * p + 1]->row0Offset;
        for (int32_t c = 0; c < Count; ++c) h0[c][p] = loadTwoPairs(cells[c] + lo0 + 4 * p, cells[c] + hi0 + 4 * p + 2);
        const ptrdiff_t lo1 = t[2 * p]->row1Offset, hi1 = t[2 * p + 1]->row1Offset;
        for (int32_t c = 0; c < Count; ++c) h1[c][p] = loadTwoPairs(cells[c] + lo1 + 4 * p, cells[c] + hi1 + 4 * p + 2);
      }
      for (int32_t c = 0; c < Count; ++c) K::delay(f[c], j, h0[c], h1[c], fracs, f[c].doubledFeedback);
    } else {
      for (int32_t c = 0; c < frameCount; ++c) {
        const BinDelayFrame& g = frame(c);
        __m128 h0[2], h1[2];
        for (int32_t p = 0; p < 2; ++p) {
          const ptrdiff_t cell = 2 * ptrdiff_t{j} + 4 * p;
          const float* cells = g.history + cell;
          h0[p] = loadTwoPairs(cells + t[2 * p]->row0Offset, cells + t[2 * p + 1]->row0Offset + 2);
          h1[p] = loadTwoPairs(cells + t[2 * p]->row1Offset, cells + t[2 * p + 1]->row1Offset + 2);
        }
        K::delay(g, j, h0, h1, fracs, g.doubledFeedback);
      }
    }
  }
  for (; j < bins; ++j) {
    const ReadTap& tap = taps[slotOf[j]];
    for (int32_t c = 0; c < frameCount; ++c) delayOneBin(frame(c), j, tap.row0Offset, tap.row1Offset, tap.frac);
  }
}

// One channel, or the two of a stereo pair, with their pointers in registers.
template <class K>
void perBinFourBins(const BinDelayFrame* frames, int32_t count, const ReadTap* taps, const int32_t* slotOf) {
  if (count == 2) return perBinFrames<K, 2>(frames, count, taps, slotOf);
  if (count == 1) return perBinFrames<K, 1>(frames, count, taps, slotOf);
  perBinFrames<K, 0>(frames, count, taps, slotOf);
}

}  // namespace
}  // namespace brisko
