#pragma once

#include <cstdint>

namespace brisko {

// Where one stored read position reads the history: two row offsets (row
// index times the row width, in floats) and the blend fraction between them.
struct ReadTap {
  int32_t row0Offset = 0;
  int32_t row1Offset = 0;
  double frac = 0.0;
};

// The history keeps both halves of the packed spectrum in one row, bin by
// bin: bin j's first-half cell at 2j, its second-half cell at 2j + 1. A read
// position's cells for a bin then share one cache line per row, which matters
// to hosts running many instances, and one load fetches both.
//
// The per-frame inner loop of the spectral delay, for each bin j and half
// h (x the first or the second half of the spectrum, H the history):
//   a = H[row0 + 2j + h] + frac * (H[row1 + 2j + h] - H[row0 + 2j + h])   (in double)
//   write[2j + h] = (x[j] + F * a) * 0.5
//   x[j] = a
// Reads come before writes, so a tap on the write row sees the value stored
// a whole history earlier.
struct BinDelayFrame {
  float* first;            // first half of the packed spectrum
  float* second;           // second half
  const float* history;    // all rows
  float* write;            // the write row
  double doubledFeedback;
  int32_t bins;
};

// Every bin reads through the same tap.
void delayBinsUniform(const BinDelayFrame& frame, const ReadTap& tap);

// Bin j reads through taps[slotOf[j]].
void delayBinsPerBin(const BinDelayFrame& frame, const ReadTap* taps, const int32_t* slotOf);
// The same for `count` frames (the channels of engines in step, each with a
// history of its own), each bin's taps looked up once for all of them.
void delayBinsPerBin(const BinDelayFrame* frames, int32_t count, const ReadTap* taps, const int32_t* slotOf);

// The implementations the functions above take from the process's kernel
// set (SignalKernels.h); each gives the same bits.
struct BinDelayKernels {
  void (*uniform)(const BinDelayFrame& frame, const ReadTap& tap);
  void (*perBin)(const BinDelayFrame* frames, int32_t count, const ReadTap* taps, const int32_t* slotOf);
};
// SSE2 where the target has it, plain code otherwise.
const BinDelayKernels& baselineBinDelayKernels();
// AVX2 (two bins' pairs of doubles per register) and AVX-512 (four), compiled
// for those sets: only through their kernel sets' tables (SignalKernels.h),
// which are there only where the CPU runs them.
const BinDelayKernels* avx2BinDelayKernelsUnchecked();
const BinDelayKernels* avx512BinDelayKernelsUnchecked();

}  // namespace brisko
