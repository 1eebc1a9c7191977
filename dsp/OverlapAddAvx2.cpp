// Compiled with -mavx2 -mfma (and nothing else from this file may run before
// the CPU check): four samples' doubles per register, the same operations.
#include "dsp/OverlapAdd.h"

#if defined(__AVX2__)

#include <immintrin.h>

#include "dsp/SumsOnMultiplyUnits.h"

namespace brisko {
namespace {

void overlapAdd(float* out, const float* window, const float* time, float scale, int32_t n) {
  const __m128 scales = _mm_set1_ps(scale);
  const auto four = [&](int32_t at) {
    const __m256d scaled = _mm256_cvtps_pd(_mm_mul_ps(_mm_loadu_ps(time + at), scales));
    const __m256d product = _mm256_mul_pd(_mm256_cvtps_pd(_mm_loadu_ps(window + at)), scaled);
    _mm_storeu_ps(out + at, _mm256_cvtpd_ps(sumOnMultiplyUnit(product, _mm256_cvtps_pd(_mm_loadu_ps(out + at)))));
  };
  int32_t j = 0;
  for (; j + 8 <= n; j += 8) {  // two groups per turn: less loop overhead
    four(j);
    four(j + 4);
  }
  for (; j + 4 <= n; j += 4) four(j);
  for (; j < n; ++j) {
    const float scaled = time[j] * scale;
    out[j] = static_cast<float>(static_cast<double>(window[j]) * scaled + out[j]);
  }
}

}  // namespace

OverlapAddFunction avx2OverlapAddUnchecked() { return overlapAdd; }

}  // namespace brisko

#endif
