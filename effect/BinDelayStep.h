#pragma once

// The bin delay's single-bin step, the formula of BinDelayFrame as written.
// Internal linkage on purpose: the baseline and the AVX2 unit each compile
// their own copy, so no copy compiled for AVX2 can be picked by the linker
// for the baseline's callers.

#include <cstdint>

#include "effect/BinDelayKernels.h"

namespace brisko {
namespace {

inline void delayOneBin(const BinDelayFrame& f, int32_t j, int32_t row0, int32_t row1, double frac) {
  const float* h0 = f.history + row0 + 2 * j;
  const float* h1 = f.history + row1 + 2 * j;
  const double real0 = h0[0];
  const double sine0 = h0[1];
  const double a = real0 + frac * (h1[0] - real0);
  const double b = sine0 + frac * (h1[1] - sine0);
  f.write[2 * j] = static_cast<float>((f.first[j] + f.doubledFeedback * a) * 0.5);
  f.write[2 * j + 1] = static_cast<float>((f.second[j] + f.doubledFeedback * b) * 0.5);
  f.first[j] = static_cast<float>(a);
  f.second[j] = static_cast<float>(b);
}

}  // namespace
}  // namespace brisko
