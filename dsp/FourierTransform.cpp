#include "dsp/FourierTransform.h"

#include <cmath>
#include <utility>

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

// Forward passes. S is the array a pass reads, D the one it writes.

void forwardFourPoint(float* D, const float* x, const int32_t* rev, int32_t n) {
  for (int32_t c = 0; c < n; c += 4) {
    const double x0 = x[rev[c]], x1 = x[rev[c + 1]], x2 = x[rev[c + 2]], x3 = x[rev[c + 3]];
    D[c + 1] = toFloat(x0 - x1);
    D[c + 3] = toFloat(x2 - x3);
    const double a = x0 + x1;
    const double b = x2 + x3;
    D[c] = toFloat(a + b);
    D[c + 2] = toFloat(a - b);
  }
}

void forwardEightPoint(float* D, const float* S, double halfSqrt2, int32_t n) {
  for (int32_t c = 0; c < n; c += 8) {
    D[c] = toFloat(static_cast<double>(S[c]) + S[c + 4]);
    D[c + 4] = toFloat(static_cast<double>(S[c]) - S[c + 4]);
    D[c + 2] = S[c + 2];
    D[c + 6] = S[c + 6];
    double v = (static_cast<double>(S[c + 5]) - S[c + 7]) * halfSqrt2;
    D[c + 1] = toFloat(S[c + 1] + v);
    D[c + 3] = toFloat(S[c + 1] - v);
    v = (static_cast<double>(S[c + 5]) + S[c + 7]) * halfSqrt2;
    D[c + 5] = toFloat(v + S[c + 3]);
    D[c + 7] = toFloat(v - S[c + 3]);
  }
}

// Merges pairs of m-point spectra into 2m-point spectra; table holds
// cos(i pi / m) for i = 0 .. m/2 - 1.
void forwardMerge(float* D, const float* S, const float* table, int32_t m, int32_t n) {
  const int32_t h = m / 2;
  for (int32_t c = 0; c < n; c += 2 * m) {
    D[c] = toFloat(static_cast<double>(S[c]) + S[c + m]);
    D[c + m] = toFloat(static_cast<double>(S[c]) - S[c + m]);
    D[c + h] = S[c + h];
    D[c + m + h] = S[c + m + h];
    for (int32_t i = 1; i < h; ++i) {
      const double co = table[i];
      const double si = table[h - i];
      double v = S[c + m + i] * co - S[c + m + h + i] * si;
      D[c + i] = toFloat(S[c + i] + v);
      D[c + m - i] = toFloat(S[c + i] - v);
      v = S[c + m + i] * si + S[c + m + h + i] * co;
      D[c + m + i] = toFloat(v + S[c + h + i]);
      D[c + 2 * m - i] = toFloat(v - S[c + h + i]);
    }
  }
}

// Inverse passes: the forward stages run backwards.

void inverseSplit(float* D, const float* S, const float* table, int32_t m, int32_t n) {
  const int32_t h = m / 2;
  for (int32_t c = 0; c < n; c += 2 * m) {
    D[c] = toFloat(static_cast<double>(S[c]) + S[c + m]);
    D[c + m] = toFloat(static_cast<double>(S[c]) - S[c + m]);
    D[c + h] = toFloat(2.0 * S[c + h]);
    D[c + m + h] = toFloat(2.0 * S[c + m + h]);
    for (int32_t i = 1; i < h; ++i) {
      const double co = table[i];
      const double si = table[h - i];
      D[c + i] = toFloat(static_cast<double>(S[c + i]) + S[c + m - i]);
      D[c + h + i] = toFloat(static_cast<double>(S[c + m + i]) - S[c + 2 * m - i]);
      const double vr = static_cast<double>(S[c + i]) - S[c + m - i];
      const double vi = static_cast<double>(S[c + m + i]) + S[c + 2 * m - i];
      D[c + m + i] = toFloat(vr * co + vi * si);
      D[c + m + h + i] = toFloat(vi * co - vr * si);
    }
  }
}

void inverseEightPoint(float* D, const float* S, double halfSqrt2, int32_t n) {
  for (int32_t c = 0; c < n; c += 8) {
    D[c] = toFloat(static_cast<double>(S[c]) + S[c + 4]);
    D[c + 4] = toFloat(static_cast<double>(S[c]) - S[c + 4]);
    D[c + 2] = toFloat(2.0 * S[c + 2]);
    D[c + 6] = toFloat(2.0 * S[c + 6]);
    D[c + 1] = toFloat(static_cast<double>(S[c + 1]) + S[c + 3]);
    D[c + 3] = toFloat(static_cast<double>(S[c + 5]) - S[c + 7]);
    const double vr = static_cast<double>(S[c + 1]) - S[c + 3];
    const double vi = static_cast<double>(S[c + 5]) + S[c + 7];
    D[c + 5] = toFloat((vr + vi) * halfSqrt2);
    D[c + 7] = toFloat((vi - vr) * halfSqrt2);
  }
}

void inverseFourPoint(float* out, const float* T, const int32_t* rev, int32_t n) {
  for (int32_t c = 0; c < n; c += 4) {
    const double b0 = static_cast<double>(T[c]) + T[c + 2];
    const double b2 = static_cast<double>(T[c]) - T[c + 2];
    const double b1 = 2.0 * T[c + 1];
    const double b3 = 2.0 * T[c + 3];
    out[rev[c]] = toFloat(b0 + b1);
    out[rev[c + 1]] = toFloat(b0 - b1);
    out[rev[c + 2]] = toFloat(b2 + b3);
    out[rev[c + 3]] = toFloat(b2 - b3);
  }
}

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
  // The passes alternate between output and scratch so that the last lands in output.
  float* dst = (bitCount_ & 1) ? scratch_.data() : output;
  float* src = (bitCount_ & 1) ? output : scratch_.data();
  forwardFourPoint(dst, input, bitReversal_.data(), length_);
  std::swap(src, dst);
  forwardEightPoint(dst, src, halfSqrt2_, length_);
  for (int32_t p = 3; p < bitCount_; ++p) {
    std::swap(src, dst);
    const int32_t m = int32_t{1} << p;
    forwardMerge(dst, src, quarterCosine_.data() + (m / 2 - 4), m, length_);
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
  float* dst = (bitCount_ & 1) ? scratch_.data() : output;
  float* spare = (bitCount_ & 1) ? output : scratch_.data();
  const float* src = input;
  for (int32_t p = bitCount_ - 1; p >= 3; --p) {
    const int32_t m = int32_t{1} << p;
    inverseSplit(dst, src, quarterCosine_.data() + (m / 2 - 4), m, length_);
    src = dst;
    std::swap(dst, spare);
  }
  inverseEightPoint(dst, src, halfSqrt2_, length_);
  inverseFourPoint(output, dst, bitReversal_.data(), length_);
}

void FourierTransform::rescale(float* data) const {
  const double scale = 1.0 / length_;
  for (int32_t i = 0; i < length_; ++i) data[i] = toFloat(data[i] * scale);
}

}  // namespace brisko
