#include "dsp/FourierTransform.h"

#include <cmath>
#include <utility>

#include "dsp/DspKernels.h"
#include "dsp/FourierTransformKernels.h"
#include "dsp/FourierTransformPasses.h"
#include "dsp/Pi.h"
#include "dsp/PortableMath.h"

namespace brisko {
namespace {

constexpr int32_t kMaxBitCount = 30;

inline float toFloat(double value) { return static_cast<float>(value); }

int32_t roundedBitCount(int32_t length) {
  if (length <= 1) return 0;
  const double bits = std::floor(pmath::log(static_cast<double>(length)) / pmath::log(2.0) + 0.5);
  return bits > kMaxBitCount ? kMaxBitCount : static_cast<int32_t>(bits);
}

// The process's kernel set's transform, for lengths of 64 and more.
const fourier::QuadKernels* simdKernels() { return activeDspKernels().transform; }

}  // namespace

FourierTransform::FourierTransform(int32_t length)
    : halfSqrt2_(toFloat(std::sqrt(2.0) * 0.5)),
      length_(0),
      bitCount_(roundedBitCount(length)) {
  length_ = int32_t{1} << bitCount_;

  // Bit-reversed counting: toggle the top bit, carrying downwards while the
  // toggled bit comes out 0.
  bitReversal_.resize(static_cast<size_t>(length_));
  bitReversal_[0] = 0;
  for (int32_t i = 1; i < length_; ++i) {
    int32_t value = bitReversal_[i - 1];
    int32_t mask = length_ / 2;
    value ^= mask;
    while ((value & mask) == 0 && mask > 1) {
      mask >>= 1;
      value ^= mask;
    }
    bitReversal_[i] = value;
  }

  if (bitCount_ > 3) {
    // Level L (2 .. bitCount - 2): 2^L samples of a quarter cosine wave,
    // starting at index 2^L - 4.
    quarterCosine_.resize(static_cast<size_t>((length_ >> 1) - 4));
    for (int32_t level = 2; level <= bitCount_ - 2; ++level) {
      const int32_t size = int32_t{1} << level;
      float* table = quarterCosine_.data() + (size - 4);
      const double divisor = static_cast<double>(int32_t{1} << (level + 1));
      for (int32_t i = 0; i < size; ++i) table[i] = toFloat(pmath::cos(i * kPi / divisor));
    }
  }
  if (bitCount_ > 2) scratch_.resize(static_cast<size_t>(length_));
  twiddles_ = fourier::expandTwiddles(quarterCosine_, bitCount_);
}

fourier::Plan FourierTransform::plan() const {
  return {length_, bitCount_, bitReversal_.data(), twiddles_.data(), halfSqrt2_};
}

void FourierTransform::forward(float* output, const float* input) {
  switch (bitCount_) {
    case 0:
      output[0] = input[0];
      return;
    case 1:
      output[0] = toFloat(static_cast<double>(input[0]) + input[1]);
      output[1] = toFloat(static_cast<double>(input[0]) - input[1]);
      return;
    case 2: {
      output[1] = toFloat(static_cast<double>(input[0]) - input[2]);
      output[3] = toFloat(static_cast<double>(input[1]) - input[3]);
      const double a = static_cast<double>(input[0]) + input[2];
      const double b = static_cast<double>(input[1]) + input[3];
      output[0] = toFloat(a + b);
      output[2] = toFloat(a - b);
      return;
    }
    default:
      forwardPasses(output, input);
  }
}

void FourierTransform::forwardPasses(float* output, const float* input) {
  const fourier::Plan tables = plan();
  if (bitCount_ >= fourier::kSimdMinBitCount && simdKernels()) {
    simdKernels()->forward(tables, output, input, scratch_.data());
    return;
  }
  using Lanes = fourier::ScalarLanes;
  // The passes alternate between output and scratch so that the last lands in output.
  float* dst = (bitCount_ & 1) ? output : scratch_.data();
  float* src = (bitCount_ & 1) ? scratch_.data() : output;
  fourier::forwardFirstStages<Lanes>(dst, input, bitReversal_.data(), tables.halfSqrt2, length_);
  for (int32_t p = 3; p < bitCount_; ++p) {
    std::swap(src, dst);
    fourier::forwardMerge<Lanes>(dst, src, fourier::twiddlesOfPass(tables, p), int32_t{1} << p, length_);
  }
}

void FourierTransform::inverse(const float* input, float* output) {
  switch (bitCount_) {
    case 0:
      output[0] = input[0];
      return;
    case 1:
      output[0] = toFloat(static_cast<double>(input[0]) + input[1]);
      output[1] = toFloat(static_cast<double>(input[0]) - input[1]);
      return;
    case 2: {
      const double sum = static_cast<double>(input[0]) + input[2];
      const double difference = static_cast<double>(input[0]) - input[2];
      output[0] = toFloat(sum + 2.0 * input[1]);
      output[2] = toFloat(sum - 2.0 * input[1]);
      output[1] = toFloat(difference + 2.0 * input[3]);
      output[3] = toFloat(difference - 2.0 * input[3]);
      return;
    }
    default:
      inversePasses(input, output);
  }
}

void FourierTransform::inversePasses(const float* input, float* output) {
  const fourier::Plan tables = plan();
  if (bitCount_ >= fourier::kSimdMinBitCount && simdKernels()) {
    simdKernels()->inverse(tables, input, output, scratch_.data());
    return;
  }
  using Lanes = fourier::ScalarLanes;
  // The first pass reads input, each later one what the previous one wrote;
  // the last split lands in scratch, as the final stages write output.
  float* dst = (bitCount_ & 1) ? output : scratch_.data();
  float* spare = (bitCount_ & 1) ? scratch_.data() : output;
  const float* src = input;
  for (int32_t p = bitCount_ - 1; p >= 3; --p) {
    fourier::inverseSplit<Lanes>(dst, src, fourier::twiddlesOfPass(tables, p), int32_t{1} << p, length_);
    src = dst;
    std::swap(dst, spare);
  }
  fourier::inverseLastStages<Lanes>(output, src, bitReversal_.data(), tables.halfSqrt2, length_);
}

void FourierTransform::rescale(float* data) const {
  // 1/N is a power of two, so the float scale is exact, and a float product
  // rounds the exact product once, as rounding the (exact) double product does.
  const double scale = 1.0 / length_;
  const auto floatScale = static_cast<float>(scale);
  for (int32_t i = 0; i < length_; ++i) data[i] *= floatScale;
}

}  // namespace brisko
