#pragma once

#include <cstdint>

#include "dsp/FourierTransformPasses.h"

// SSE2 passes of FourierTransform; the same bits as the scalar passes.
namespace brisko::fourier {

#if defined(__SSE2__)
constexpr bool kHaveSse2 = true;
#else
constexpr bool kHaveSse2 = false;
#endif

// Shortest transform the SSE2 passes handle: 64 points (bitCount 6).
constexpr int32_t kSse2MinBitCount = 6;

// Same contract as FourierTransform::forward / inverse; scratch holds length floats.
void forwardSse2(const Plan& plan, float* output, const float* input, float* scratch);
void inverseSse2(const Plan& plan, const float* input, float* output, float* scratch);

}  // namespace brisko::fourier
