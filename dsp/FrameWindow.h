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
// The AVX2 function, compiled for AVX2: only through its kernel set's table
// (DspKernels.h), which is there only where the CPU runs it.
FrameWindowFunction avx2FrameWindowUnchecked();

}  // namespace brisko
