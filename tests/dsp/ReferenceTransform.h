#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <vector>

#include "TransformTestSignals.h"
#include "dsp/FourierTransform.h"

// Plain scalar passes of the real transform, kept apart from the optimised
// code so that tests can compare the two bit for bit. Every value is read from
// a float array, intermediates are doubles and every store rounds to float.
// The tables come from the transform object under test.
namespace brisko::reference {

void forward(const FourierTransform& tables, float* output, const float* input);
void inverse(const FourierTransform& tables, const float* input, float* output);

// Single passes over n floats; table is the quarter cosine sub-table of the pass.
void forwardMerge(float* D, const float* S, const float* table, int32_t m, int32_t n);
void inverseSplit(float* D, const float* S, const float* table, int32_t m, int32_t n);

// Checks forward and inverse implementations against the reference: the
// forward of values, the inverse of values taken as a spectrum, and the
// inverse of their spectrum. Outputs start out as NaN, so that any output
// left unwritten shows.
template <class Forward, class Inverse>
void expectSameBits(const FourierTransform& tables, Forward forwardUnderTest, Inverse inverseUnderTest,
                    const std::vector<float>& values, const char* what) {
  const auto n = values.size();
  const float poison = std::numeric_limits<float>::quiet_NaN();
  std::vector<float> actual(n, poison), expected(n, poison), spectrum(n, poison);
  forwardUnderTest(actual.data(), values.data());
  forward(tables, spectrum.data(), values.data());
  EXPECT_TRUE(testsignals::sameBits(actual, spectrum)) << "forward, " << what << ", N = " << n;
  for (const std::vector<float>* input : {&values, static_cast<const std::vector<float>*>(&spectrum)}) {
    std::fill(actual.begin(), actual.end(), poison);
    inverseUnderTest(input->data(), actual.data());
    inverse(tables, input->data(), expected.data());
    EXPECT_TRUE(testsignals::sameBits(actual, expected)) << "inverse, " << what << ", N = " << n;
  }
}

}  // namespace brisko::reference
