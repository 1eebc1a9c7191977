#include "dsp/FrameWindow.h"

namespace brisko {
namespace {

void multiply(float* out, const float* window, const float* x, int32_t n) {
  for (int32_t j = 0; j < n; ++j) out[j] = window[j] * x[j];
}

void frameWindowBaseline(float* out, const float* window, const float* first, int32_t head, const float* second,
                         int32_t n) {
  multiply(out, window, first, head);
  multiply(out + head, window + head, second, n - head);
}

}  // namespace

FrameWindowFunction baselineFrameWindow() { return frameWindowBaseline; }

}  // namespace brisko
