#pragma once

#include "dsp/DoubleDouble.h"

namespace brisko::pmath::detail {

// x = n * pi/2 + remainder, with n taken modulo 4 and |remainder| <= pi/4
// (plus rounding). The remainder is good to far more than double precision,
// also when x is a near multiple of pi/2, for every finite double x.
struct HalfPiReduction {
  int quadrant;  // n mod 4, in 0..3
  DoubleDouble remainder;
};

HalfPiReduction reduceByHalfPi(double x);

}  // namespace brisko::pmath::detail
