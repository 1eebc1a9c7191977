// sin, cos and atan of brisko::pmath (declared in PortableMath.h).
#include <cmath>
#include <limits>

#include "dsp/DoubleDouble.h"
#include "dsp/HalfPiReduction.h"
#include "dsp/PortableMath.h"

namespace brisko::pmath {
namespace {

using detail::DoubleDouble;

constexpr double kQuarterPi = 0x1.921fb54442d18p-1;
constexpr double kTiny = 0x1p-27;  // below this x^3/6 and x^2/2 vanish in rounding

// sin on [-pi/4, pi/4] of x + tail (|tail| tiny against x): x plus an odd
// minimax polynomial. The x^3 term, up to a tenth of x, is carried in
// double-double so that its rounding does not add to the final one.
double sinKernel(double x, double tail) {
  constexpr double s1 = -0x1.5555555555549p-3;
  constexpr double s2 = 0x1.111111110f8a6p-7;
  constexpr double s3 = -0x1.a01a019c161d5p-13;
  constexpr double s4 = 0x1.71de357b1fe7dp-19;
  constexpr double s5 = -0x1.ae5e68a2b9cebp-26;
  constexpr double s6 = 0x1.5d93a5acfd57cp-33;
  const DoubleDouble square = detail::twoProduct(x, x);
  const double z = square.hi;
  const DoubleDouble cube = detail::multiply(square, x);
  const DoubleDouble lead = detail::multiply(cube, s1);
  const double r = s2 + z * (s3 + z * (s4 + z * (s5 + z * s6)));
  const double rest = cube.hi * z * r + tail * (1.0 - 0.5 * z);
  const DoubleDouble sum = detail::fastTwoSum(x, lead.hi);
  return sum.hi + (sum.lo + (lead.lo + rest));
}

// cos on [-pi/4, pi/4] of x + tail: 1 - x^2/2 keeps the rounding error of
// the subtraction, and the x^4 term is carried in double-double.
double cosKernel(double x, double tail) {
  constexpr double c1 = 0x1.555555555554cp-5;
  constexpr double c2 = -0x1.6c16c16c15177p-10;
  constexpr double c3 = 0x1.a01a019cb1590p-16;
  constexpr double c4 = -0x1.27e4f809c52adp-22;
  constexpr double c5 = 0x1.1ee9ebdb4b1c4p-29;
  constexpr double c6 = -0x1.8fae9be8838d4p-37;
  const DoubleDouble square = detail::twoProduct(x, x);
  const double z = square.hi;
  const double zz = z * z;
  const DoubleDouble quartic = detail::multiply(detail::multiply(square, square), c1);
  const double higher = z * zz * (c2 + z * c3) + zz * zz * z * (c4 + z * (c5 + z * c6));
  const double halfZ = 0.5 * z;
  const double w = 1.0 - halfZ;
  const double small = (((1.0 - w) - halfZ) - 0.5 * square.lo) + (quartic.lo + (higher - x * tail));
  const DoubleDouble sum = detail::fastTwoSum(w, quartic.hi);
  return sum.hi + (sum.lo + small);
}

double notANumber(double x) { return std::isnan(x) ? x + x : std::numeric_limits<double>::quiet_NaN(); }

constexpr double kAtan0 = 0x1.555555555550dp-2;

// atan(x) = x - x (kAtan0 z + atanSeriesRest(z)) for z = x^2, |x| < 0.4375.
double atanSeriesRest(double z) {
  constexpr double a1 = -0x1.999999998ebc4p-3;
  constexpr double a2 = 0x1.24924920083ffp-3;
  constexpr double a3 = -0x1.c71c6fe231671p-4;
  constexpr double a4 = 0x1.745cdc54c206ep-4;
  constexpr double a5 = -0x1.3b0f2af749a6dp-4;
  constexpr double a6 = 0x1.10d66a0d03d51p-4;
  constexpr double a7 = -0x1.dde2d52defd9ap-5;
  constexpr double a8 = 0x1.97b4b24760debp-5;
  constexpr double a9 = -0x1.2b4442c6a6c2fp-5;
  constexpr double a10 = 0x1.0ad3ae322da11p-6;
  const double w = z * z;
  const double odd = w * (a1 + w * (a3 + w * (a5 + w * (a7 + w * a9))));
  const double even = z * w * (a2 + w * (a4 + w * (a6 + w * (a8 + w * a10))));
  return odd + even;
}

// numerator / denominator, with the quotient's rounding error kept.
DoubleDouble divide(double numerator, DoubleDouble denominator) {
  const double quotient = numerator / denominator.hi;
  const DoubleDouble back = detail::twoProduct(quotient, denominator.hi);
  const double remainder = ((numerator - back.hi) - back.lo) - quotient * denominator.lo;
  return {quotient, remainder / denominator.hi};
}

// atan of |x| >= 0.4375 as atan(c) + atan((x - c) / (1 + c x)) for
// c = 1/2, 1, 3/2 or infinity; the reduced argument is kept in double-double
// so that its rounding does not add to the final one.
double atanReduced(double ax) {
  constexpr double kAtanHi[] = {0x1.dac670561bb4fp-2, 0x1.921fb54442d18p-1, 0x1.f730bd281f69bp-1,
                                0x1.921fb54442d18p+0};
  constexpr double kAtanLo[] = {0x1.a2b7f222f65e2p-56, 0x1.1a62633145c07p-55, 0x1.007887af0cbbdp-56,
                                0x1.1a62633145c07p-54};
  int id;
  DoubleDouble reduced;
  if (ax < 0.6875) {
    id = 0;  // (2x - 1) / (2 + x); the numerator is exact
    reduced = divide(2.0 * ax - 1.0, detail::twoSum(2.0, ax));
  } else if (ax < 1.1875) {
    id = 1;
    reduced = divide(ax - 1.0, detail::twoSum(ax, 1.0));
  } else if (ax < 2.4375) {
    id = 2;
    reduced = divide(ax - 1.5, detail::add(detail::twoProduct(1.5, ax), 1.0));
  } else {
    id = 3;
    reduced = divide(-1.0, {ax, 0.0});
  }
  const double z = reduced.hi * reduced.hi;
  const double correction = reduced.hi * (kAtan0 * z + atanSeriesRest(z));
  const DoubleDouble lead = detail::twoSum(kAtanHi[id], reduced.hi);
  return lead.hi + (lead.lo + ((kAtanLo[id] + reduced.lo) - correction));
}

}  // namespace

double sin(double x) {
  const double ax = std::fabs(x);
  if (!(ax <= std::numeric_limits<double>::max())) return notANumber(x);
  if (ax <= kQuarterPi) return ax < kTiny ? x : sinKernel(x, 0.0);
  const detail::HalfPiReduction reduced = detail::reduceByHalfPi(x);
  const double r = reduced.remainder.hi;
  const double tail = reduced.remainder.lo;
  switch (reduced.quadrant) {
    case 0: return sinKernel(r, tail);
    case 1: return cosKernel(r, tail);
    case 2: return -sinKernel(r, tail);
    default: return -cosKernel(r, tail);
  }
}

double cos(double x) {
  const double ax = std::fabs(x);
  if (!(ax <= std::numeric_limits<double>::max())) return notANumber(x);
  if (ax <= kQuarterPi) return ax < kTiny ? 1.0 : cosKernel(x, 0.0);
  const detail::HalfPiReduction reduced = detail::reduceByHalfPi(x);
  const double r = reduced.remainder.hi;
  const double tail = reduced.remainder.lo;
  switch (reduced.quadrant) {
    case 0: return cosKernel(r, tail);
    case 1: return -sinKernel(r, tail);
    case 2: return -cosKernel(r, tail);
    default: return sinKernel(r, tail);
  }
}

double atan(double x) {
  constexpr double kHalfPi = 0x1.921fb54442d18p+0;
  if (std::isnan(x)) return x + x;
  const double ax = std::fabs(x);
  double result;
  if (ax >= 0x1p66) {
    result = kHalfPi;  // also for infinity
  } else if (ax < 0.4375) {
    if (ax < kTiny) return x;
    // The x^3 term is carried in double-double, as in sinKernel.
    const DoubleDouble square = detail::twoProduct(ax, ax);
    const DoubleDouble cube = detail::multiply(square, ax);
    const DoubleDouble lead = detail::multiply(cube, kAtan0);
    const double rest = ax * atanSeriesRest(square.hi);
    const DoubleDouble sum = detail::fastTwoSum(ax, -lead.hi);
    result = sum.hi + (sum.lo - (lead.lo + rest));
  } else {
    result = atanReduced(ax);
  }
  return x < 0.0 ? -result : result;
}

}  // namespace brisko::pmath
