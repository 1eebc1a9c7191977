#pragma once

// Sums and differences of doubles computed as a * 1 + b and a * 1 - b in one
// fused multiply-add. The product by 1 is exact, so the single rounding gives
// exactly the bits of a + b (a - b); but the operation runs on the multiply
// units, which the transforms and the bin delay leave half idle, instead of
// the add units, which the conversions between float and double crowd.
// For units compiled with -mavx2 -mfma only; internal linkage, as for every
// function such a unit defines, so no copy is shared with baseline code.

#include <immintrin.h>

#if !defined(__FMA__)
#error "SumsOnMultiplyUnits.h needs a unit compiled with -mfma"
#endif

namespace brisko {
namespace {

inline __m256d sumOnMultiplyUnit(__m256d a, __m256d b) { return _mm256_fmadd_pd(a, _mm256_set1_pd(1.0), b); }
inline __m256d differenceOnMultiplyUnit(__m256d a, __m256d b) {
  return _mm256_fmsub_pd(a, _mm256_set1_pd(1.0), b);
}

}  // namespace
}  // namespace brisko
