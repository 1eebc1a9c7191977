#pragma once

#include <cstdint>

namespace brisko {

// out[j] = window[j] * (time[j] * scale) + out[j] for j < n: the float
// product by the (exact) scale, then the window product and the sum in
// double, rounded to float once. The inverse transform's rescale, the
// synthesis window and the overlap-add in one pass.
using OverlapAddFunction = void (*)(float* out, const float* window, const float* time, float scale, int32_t n);

// Plain code (vectorised by the compiler).
OverlapAddFunction baselineOverlapAdd();
// The AVX2 function, compiled for AVX2: only through its kernel set's table
// (DspKernels.h), which is there only where the CPU runs it.
OverlapAddFunction avx2OverlapAddUnchecked();

}  // namespace brisko
