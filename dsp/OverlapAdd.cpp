#include "dsp/OverlapAdd.h"

namespace brisko {
namespace {

void overlapAddBaseline(float* out, const float* window, const float* time, float scale, int32_t n) {
  for (int32_t j = 0; j < n; ++j) {
    const float scaled = time[j] * scale;
    out[j] = static_cast<float>(static_cast<double>(window[j]) * scaled + out[j]);
  }
}

}  // namespace

OverlapAddFunction baselineOverlapAdd() { return overlapAddBaseline; }

}  // namespace brisko
