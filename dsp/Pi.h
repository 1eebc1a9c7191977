#pragma once

namespace brisko {

// pi as 4 * arctan(1) in double precision, computed once at library start-up.
extern const double kPi;

}  // namespace brisko
