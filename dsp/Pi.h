#pragma once

namespace brisko {

// pi in double precision: 4 * arctan(1) as the portable arctangent computes
// it (its test checks that the two agree). A constant rather than a value
// computed at library start-up, where it would depend on the rounding mode
// of whoever loads the library.
inline constexpr double kPi = 3.141592653589793;

}  // namespace brisko
