#pragma once

#include <cstdint>
#include <vector>

namespace brisko {

namespace fourier {
struct Plan;
}

// Real radix-2 transform between N samples and the packed spectrum:
//   s[k]       = sum x[n] cos(2 pi k n / N)   for k = 0 .. N/2
//   s[N/2 + k] = sum x[n] sin(2 pi k n / N)   for k = 1 .. N/2 - 1
// Neither direction scales; inverse(forward(x)) is N * x until rescale().
//
// Every value is read from a float array, intermediates are doubles and every
// store rounds to float, in a fixed order of operations: the result is the
// same bits on every target. From 64 points on, x86 runs SSE2 passes (AVX2
// where the CPU has it, on x86-64 Linux) that keep exactly these operations.
class FourierTransform {
 public:
  // A length that is not a power of two is rounded to the nearest one on a
  // logarithmic scale; lengths below 1 become 1.
  explicit FourierTransform(int32_t length);

  FourierTransform(const FourierTransform&) = delete;
  FourierTransform& operator=(const FourierTransform&) = delete;

  // output and input are distinct arrays of length() floats; input is only read.
  void forward(float* output, const float* input);
  // input is a packed spectrum; output receives length() times the signal.
  void inverse(const float* input, float* output);
  // Multiplies each value by 1/N (computed once in double), rounding to float.
  void rescale(float* data) const;

  int32_t length() const { return length_; }
  int32_t bitCount() const { return bitCount_; }
  const std::vector<int32_t>& bitReversalTable() const { return bitReversal_; }
  const std::vector<float>& quarterCosineTable() const { return quarterCosine_; }

 private:
  fourier::Plan plan() const;
  void forwardPasses(float* output, const float* input);
  void inversePasses(const float* input, float* output);

  std::vector<int32_t> bitReversal_;
  std::vector<float> quarterCosine_;  // empty when bitCount <= 3
  float halfSqrt2_;
  int32_t length_;
  int32_t bitCount_;
  std::vector<float> scratch_;  // empty when bitCount <= 2
  // quarterCosineTable as doubles, with the sines in the order the passes read them.
  std::vector<double> twiddles_;
};

}  // namespace brisko
