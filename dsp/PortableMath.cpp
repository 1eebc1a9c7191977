// exp, log and pow of brisko::pmath; sin, cos and atan are in PortableTrig.cpp.
//
// All three go through double-double cores good to about 2^-90 relative, so
// the one final rounding to double is almost always the correct rounding.
#include "dsp/PortableMath.h"

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>

#include "dsp/DoubleDouble.h"

namespace brisko::pmath {
namespace {

using detail::add;
using detail::DoubleDouble;
using detail::multiply;

constexpr double kInfinity = std::numeric_limits<double>::infinity();

// ln 2 in three pieces; k * kLn2Hi is exact for |k| < 2^21.
constexpr double kLn2Hi = 0x1.62e42fee00000p-1;
constexpr double kLn2Mid = 0x1.a39ef35793c76p-33;
constexpr double kLn2Lo = 0x1.cc01f97b57a08p-87;
constexpr double kInvLn2 = 0x1.71547652b82fep+0;
constexpr DoubleDouble kOneSixth = {0x1.5555555555555p-3, 0x1.5555555555555p-57};

// Beyond these exp overflows to infinity or underflows to zero.
constexpr double kExpOverflow = 710.0;
constexpr double kExpUnderflow = -746.0;

// 2^k for k in [-1022, 1023], built from its bits.
double powerOfTwo(int k) { return std::bit_cast<double>(static_cast<uint64_t>(k + 1023) << 52); }

// (v.hi + v.lo) * 2^k for v.hi in [0.5, 2] and k in [-1082, 2046], rounded
// once: the first factor of a split scale is exact. A result below the normal
// range rounds v.hi a second time, to fewer bits; when v.hi lies exactly
// halfway between two such results, v.lo decides the side, not the tie rule.
double scaleRounded(DoubleDouble v, int k) {
  if (k > 1023) return v.hi * powerOfTwo(1023) * powerOfTwo(k - 1023);
  if (k > -1022) return v.hi * powerOfTwo(k);
  const double scaled = v.hi * powerOfTwo(k + 60);  // exact
  const double result = scaled * 0x1p-60;
  const double offset = scaled - result * 0x1p60;  // exact
  const bool halfway = std::fabs(offset) == 0x1p-1015;  // half of 2^-1074, scaled by 2^60
  if (halfway && v.lo != 0.0 && (offset > 0.0) == (v.lo > 0.0)) return result + (offset > 0.0 ? 0x1p-1074 : -0x1p-1074);
  return result;
}

int roundToInt(double x) { return static_cast<int>(std::floor(x + 0.5)); }

// e^r - 1 for |r| <= 0.35, relative error about 2^-90. Larger arguments are
// halved ten times first and the result doubled back with
// e^(2a) - 1 = (e^a - 1)(e^a + 1).
DoubleDouble expm1Reduced(DoubleDouble r) {
  const bool halve = std::fabs(r.hi) > 0x1p-11;
  const DoubleDouble a = halve ? DoubleDouble{r.hi * 0x1p-10, r.lo * 0x1p-10} : r;
  // Taylor series to a^8 / 8!; the tail from a^4 on is small enough for double.
  const double q =
      1.0 / 24 + a.hi * (1.0 / 120 + a.hi * (1.0 / 720 + a.hi * (1.0 / 5040 + a.hi * (1.0 / 40320))));
  DoubleDouble series = add(kOneSixth, a.hi * q);
  series = add(multiply(series, a), 0.5);
  series = add(multiply(series, a), 1.0);
  DoubleDouble result = multiply(series, a);
  if (halve) {
    for (int i = 0; i < 10; ++i) result = multiply(result, add(result, 2.0));
  }
  return result;
}

// e^x for x = x.hi + x.lo with x.hi in [kExpUnderflow, kExpOverflow], rounded
// to double: e^x = 2^k e^r with r = x - k ln 2.
double expRounded(DoubleDouble x) {
  const int k = roundToInt(x.hi * kInvLn2);
  const double kd = k;
  DoubleDouble r = detail::twoSum(x.hi, -kd * kLn2Hi);
  r = add(r, detail::twoProduct(-kd, kLn2Mid));
  r = add(r, x.lo - kd * kLn2Lo);
  const DoubleDouble value = add(expm1Reduced(r), 1.0);
  return scaleRounded(value, k);
}

// A log(1 + f) good to about 2^-52 for |f| < 0.42, the first guess below.
double log1pGuess(double f) {
  constexpr double lg1 = 0x1.5555555555593p-1;
  constexpr double lg2 = 0x1.999999997fa04p-2;
  constexpr double lg3 = 0x1.2492494229359p-2;
  constexpr double lg4 = 0x1.c71c51d8e78afp-3;
  constexpr double lg5 = 0x1.7466496cb03dep-3;
  constexpr double lg6 = 0x1.39a09d078c69fp-3;
  constexpr double lg7 = 0x1.2f112df3e5244p-3;
  const double s = f / (2.0 + f);
  const double z = s * s;
  const double w = z * z;
  const double even = w * (lg2 + w * (lg4 + w * lg6));
  const double odd = z * (lg1 + w * (lg3 + w * (lg5 + w * lg7)));
  const double halfSquare = 0.5 * f * f;
  return f - (halfSquare - s * (halfSquare + odd + even));
}

// ln x for finite x > 0, in double-double. x = 2^k m with m in
// [sqrt(1/2), sqrt(2)); a Newton step on e^y = m refines the first guess y0:
// ln m = y0 + ln(1 + c) with c = m e^-y0 - 1 = f + E + f E, where f = m - 1
// (exact) and E = e^-y0 - 1. Every term stays relative to ln m, so the result
// keeps its accuracy also next to x = 1.
DoubleDouble logPrecise(double x) {
  int k = 0;
  if (x < std::numeric_limits<double>::min()) {
    x *= 0x1p54;
    k = -54;
  }
  const uint64_t bits = std::bit_cast<uint64_t>(x);
  k += static_cast<int>(bits >> 52) - 1023;
  double m = std::bit_cast<double>((bits & ((uint64_t{1} << 52) - 1)) | (uint64_t{1023} << 52));
  if (m > 0x1.6a09e667f3bcdp+0) {  // sqrt(2)
    m *= 0.5;
    k += 1;
  }
  const double f = m - 1.0;
  const double y0 = log1pGuess(f);
  const DoubleDouble e = expm1Reduced({-y0, 0.0});
  const DoubleDouble c = add(add(multiply(e, f), e), f);
  // ln(1 + c) = c - c^2/2 to far below the rounding of c.
  DoubleDouble logM = add(detail::twoSum(y0, c.hi), c.lo - 0.5 * c.hi * c.hi);
  if (k == 0) return logM;
  const double kd = k;
  logM = add(logM, detail::twoProduct(kd, kLn2Mid));
  logM = add(logM, kd * kLn2Lo);
  return add(logM, kd * kLn2Hi);
}

bool isInteger(double y) { return std::floor(y) == y; }

// For an integer y: odd? (Doubles from 2^53 up are all even.)
bool isOdd(double y) { return !isInteger(0.5 * y); }

}  // namespace

double exp(double x) {
  if (std::isnan(x)) return x + x;
  if (x > kExpOverflow) return kInfinity;
  if (x < kExpUnderflow) return 0.0;
  return expRounded({x, 0.0});
}

double log(double x) {
  if (std::isnan(x)) return x + x;
  if (x < 0.0) return std::numeric_limits<double>::quiet_NaN();
  if (x == 0.0) return -kInfinity;
  if (x == kInfinity) return x;
  return logPrecise(x).hi;
}

double pow(double x, double y) {
  if (y == 0.0 || x == 1.0) return 1.0;  // even for a NaN in the other argument
  if (std::isnan(x) || std::isnan(y)) return x + y;
  // Exponents with a correctly rounded closed form.
  if (y == 1.0) return x;
  if (y == -1.0) return 1.0 / x;
  if (y == 2.0) return x * x;

  const double ax = std::fabs(x);
  if (std::isinf(y)) {
    if (ax == 1.0) return 1.0;  // x = -1
    return (ax > 1.0) == (y > 0.0) ? kInfinity : 0.0;
  }
  const bool oddY = isInteger(y) && isOdd(y);
  if (ax == 0.0 || ax == kInfinity) {
    const double magnitude = (ax == 0.0) == (y < 0.0) ? kInfinity : 0.0;
    return std::signbit(x) && oddY ? -magnitude : magnitude;
  }
  double sign = 1.0;
  if (x < 0.0) {
    if (!isInteger(y)) return std::numeric_limits<double>::quiet_NaN();
    if (oddY) sign = -1.0;
  }
  if (y == 0.5) return std::sqrt(ax);  // x > 0 here

  const DoubleDouble logX = logPrecise(ax);
  const double estimate = y * logX.hi;
  if (estimate > kExpOverflow) return sign * kInfinity;
  if (estimate < kExpUnderflow) return sign * 0.0;
  return sign * expRounded(multiply(logX, y));
}

}  // namespace brisko::pmath
