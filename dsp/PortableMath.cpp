#include "dsp/PortableMath.h"

#include <cmath>

// Placeholder: forwards to the C runtime until the portable versions land.
namespace brisko::pmath {

double sin(double x) { return std::sin(x); }
double cos(double x) { return std::cos(x); }
double exp(double x) { return std::exp(x); }
double log(double x) { return std::log(x); }
double pow(double x, double y) { return std::pow(x, y); }
double atan(double x) { return std::atan(x); }

}  // namespace brisko::pmath
