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
// AVX2: null when not built in or the CPU does not run it.
OverlapAddFunction avx2OverlapAdd();
// The AVX2 function itself, compiled for AVX2: only after the CPU check.
OverlapAddFunction avx2OverlapAddUnchecked();
// The fastest of the above this CPU runs.
OverlapAddFunction fastestOverlapAdd();

}  // namespace brisko
