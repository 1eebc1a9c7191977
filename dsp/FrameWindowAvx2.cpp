// Compiled with -mavx2 -mfma (and nothing else from this file may run before
// the CPU check): eight float products per register, the same products.
#include "dsp/FrameWindow.h"

#if defined(__AVX2__)

#include <immintrin.h>

namespace brisko {
namespace {

inline void multiply(float* out, const float* window, const float* x, int32_t n) {
  int32_t j = 0;
  for (; j + 16 <= n; j += 16) {
    _mm256_storeu_ps(out + j, _mm256_mul_ps(_mm256_loadu_ps(window + j), _mm256_loadu_ps(x + j)));
    _mm256_storeu_ps(out + j + 8, _mm256_mul_ps(_mm256_loadu_ps(window + j + 8), _mm256_loadu_ps(x + j + 8)));
  }
  for (; j + 4 <= n; j += 4) _mm_storeu_ps(out + j, _mm_mul_ps(_mm_loadu_ps(window + j), _mm_loadu_ps(x + j)));
  for (; j < n; ++j) out[j] = window[j] * x[j];
}

void frameWindow(float* out, const float* window, const float* first, int32_t head, const float* second, int32_t n) {
  multiply(out, window, first, head);
  multiply(out + head, window + head, second, n - head);
}

}  // namespace

FrameWindowFunction avx2FrameWindowUnchecked() { return frameWindow; }

}  // namespace brisko

#endif
