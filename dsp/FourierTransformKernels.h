#pragma once

#include <cstdint>
#include <vector>

#include "dsp/FourierTransform.h"
#include "dsp/FourierTransformPasses.h"

// The SIMD implementations of FourierTransform for lengths of 64 and more,
// each a table of its whole transforms and of its single passes (which tests
// check one by one).
namespace brisko::fourier {

constexpr int32_t kSimdMinBitCount = 6;

struct QuadKernels {
  // Same contract as FourierTransform::forward / inverse; scratch holds length floats.
  void (*forward)(const Plan& plan, float* output, const float* input, float* scratch);
  void (*inverse)(const Plan& plan, const float* input, float* output, float* scratch);
  // Merging pass over a lane array of `count` positions (four transforms).
  void (*forwardMergeLanes)(float* D, const float* S, Twiddles twiddles, int32_t m, int32_t count);
  // Merging pass with m = n / 4 from a lane array into the plain layout.
  void (*forwardMergeFromLanes)(float* D, const float* V, Twiddles twiddles, int32_t n);
  // Merging pass over the plain layout.
  void (*forwardMergePlain)(float* D, const float* S, Twiddles twiddles, int32_t m, int32_t n);
  void (*inverseSplitLanes)(float* D, const float* S, Twiddles twiddles, int32_t m, int32_t count);
  void (*inverseSplitToLanes)(float* V, const float* S, Twiddles twiddles, int32_t n);
  void (*inverseSplitPlain)(float* D, const float* S, Twiddles twiddles, int32_t m, int32_t n);
};

// SSE2 (the x86 baseline): null when the target has no SSE2.
const QuadKernels* sse2Kernels();
// The AVX2 and AVX-512 tables, compiled for those sets: only through their
// kernel sets' tables (DspKernels.h), which are there only where the CPU
// runs them.
const QuadKernels* avx2KernelsUnchecked();
const QuadKernels* avx512KernelsUnchecked();

// The plan of a transform, rebuilt from its public tables, for calling
// kernels directly (tests and benchmarks).
class PlanCopy {
 public:
  explicit PlanCopy(const FourierTransform& transform);
  const Plan& plan() const { return plan_; }

 private:
  std::vector<double> twiddles_;
  Plan plan_;
};

}  // namespace brisko::fourier
