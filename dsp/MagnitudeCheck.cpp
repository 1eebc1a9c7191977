#include "dsp/MagnitudeCheck.h"

#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace brisko {
namespace {

constexpr uint32_t kMagnitudeBits = 0x7FFFFFFF;

// For non-negative floats (NaN included) the order of the bit patterns as
// integers is the order of the values, NaN above infinity.
uint32_t magnitudeBits(float value) {
  uint32_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  return bits & kMagnitudeBits;
}

}  // namespace

bool allMagnitudesBelow(const float* values, int32_t n, float limit) {
  const uint32_t limitBits = magnitudeBits(limit);
  int32_t i = 0;
#if defined(__SSE2__)
  // One pass without branches, sixteen values at a time; magnitudes fit in
  // 31 bits, so the signed comparison orders them.
  const __m128i magnitude = _mm_set1_epi32(static_cast<int32_t>(kMagnitudeBits));
  const __m128i largestBelow = _mm_set1_epi32(static_cast<int32_t>(limitBits - 1));
  const auto outside = [&](const float* at) {
    const __m128i bits = _mm_and_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(at)), magnitude);
    return _mm_cmpgt_epi32(bits, largestBelow);
  };
  __m128i any = _mm_setzero_si128();
  for (; i + 16 <= n; i += 16) {
    const __m128i low = _mm_or_si128(outside(values + i), outside(values + i + 4));
    const __m128i high = _mm_or_si128(outside(values + i + 8), outside(values + i + 12));
    any = _mm_or_si128(any, _mm_or_si128(low, high));
  }
  for (; i + 4 <= n; i += 4) any = _mm_or_si128(any, outside(values + i));
  if (_mm_movemask_epi8(any) != 0) return false;
#endif
  for (; i < n; ++i) {
    if (magnitudeBits(values[i]) >= limitBits) return false;
  }
  return true;
}

}  // namespace brisko
