#pragma once

#include <cstdint>

namespace brisko {

// Whether |values[i]| < limit for every i < n, limit being positive (or
// +infinity: whether every value is finite). NaN is never below. Compares
// the bit patterns as integers, so it raises no floating-point exception
// and reads a subnormal as what it is whatever the control state.
bool allMagnitudesBelow(const float* values, int32_t n, float limit);

}  // namespace brisko
