#pragma once

#include "dsp/FourierTransform.h"

// Plain scalar passes of the real transform, kept apart from the optimised
// code so that tests can compare the two bit for bit. Every value is read from
// a float array, intermediates are doubles and every store rounds to float.
// The tables come from the transform object under test.
namespace brisko::reference {

void forward(const FourierTransform& tables, float* output, const float* input);
void inverse(const FourierTransform& tables, const float* input, float* output);

}  // namespace brisko::reference
