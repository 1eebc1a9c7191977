#include "dsp/FourierTransformKernels.h"

#include <cmath>

namespace brisko::fourier {

std::vector<double> expandTwiddles(const std::vector<float>& quarterCosine, int32_t bitCount) {
  // Merging pass p reads the level p - 1 sub-table (h = 2^(p-1) entries at
  // h - 4): cosines[i] = table[i] and sines[i] = table[h - i].
  std::vector<double> twiddles;
  for (int32_t p = 3; p < bitCount; ++p) {
    const int32_t h = int32_t{1} << (p - 1);
    const float* table = quarterCosine.data() + (h - 4);
    for (int32_t i = 0; i < h; ++i) twiddles.push_back(table[i]);
    twiddles.push_back(0.0);  // sin 0: never read
    for (int32_t i = 1; i < h; ++i) twiddles.push_back(table[h - i]);
  }
  return twiddles;
}

PlanCopy::PlanCopy(const FourierTransform& transform)
    : twiddles_(expandTwiddles(transform.quarterCosineTable(), transform.bitCount())),
      plan_{transform.length(), transform.bitCount(), transform.bitReversalTable().data(), twiddles_.data(),
            static_cast<float>(std::sqrt(2.0) * 0.5)} {}

}  // namespace brisko::fourier
