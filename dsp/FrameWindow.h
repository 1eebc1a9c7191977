#pragma once

#include <cstdint>

namespace brisko {

// out[j] = window[j] * x[j] for j < n, one float product each, where the
// frame x is `head` samples from `first` followed by samples from `second`:
// the analysis window applied straight from the samples kept from earlier
// blocks and those of the current block, without gathering them first.
using FrameWindowFunction = void (*)(float* out, const float* window, const float* first, int32_t head,
                                     const float* second, int32_t n);

// Plain code (vectorised by the compiler).
FrameWindowFunction baselineFrameWindow();
// AVX2: null when not built in or the CPU does not run it.
FrameWindowFunction avx2FrameWindow();
// The AVX2 function itself, compiled for AVX2: only after the CPU check.
FrameWindowFunction avx2FrameWindowUnchecked();
// The fastest of the above this CPU runs.
FrameWindowFunction fastestFrameWindow();

}  // namespace brisko
