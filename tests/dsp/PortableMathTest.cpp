#include "dsp/PortableMath.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>

#include "dsp/Pi.h"

namespace brisko {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// Deterministic arguments built with exact operations only (no library
// distributions, no libm), so every target tests the same inputs.
class Inputs {
 public:
  uint64_t next() {  // splitmix64
    uint64_t z = (state_ += 0x9E3779B97F4A7C15u);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9u;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBu;
    return z ^ (z >> 31);
  }
  double uniform(double lo, double hi) { return lo + (hi - lo) * (static_cast<double>(next() >> 11) * 0x1p-53); }
  // Mantissa uniform, binade uniform in [2^lo, 2^hi).
  double binades(int lo, int hi) {
    const double mantissa = 1.0 + static_cast<double>(next() >> 12) * 0x1p-52;
    return std::ldexp(mantissa, lo + static_cast<int>(next() % static_cast<uint64_t>(hi - lo)));
  }
  // Any finite non-negative double, subnormals included.
  double anyFinite() {
    for (;;) {
      const double value = std::bit_cast<double>(next() >> 1);
      if (std::isfinite(value)) return value;
    }
  }

 private:
  uint64_t state_ = 0x2545F4914F6CDD1Du;
};

// Equal bits, or both NaN (whose payload no one relies on).
bool sameValue(double a, double b) {
  return std::bit_cast<uint64_t>(a) == std::bit_cast<uint64_t>(b) || (std::isnan(a) && std::isnan(b));
}

struct Unary {
  double (*function)(double);
  double x, expected;
};
struct Binary {
  double x, y, expected;
};

// Correctly rounded results, worked out separately with 400-bit arithmetic:
// the same bits are required on every target.
TEST(PortableMath, GivesGoldenBitsOnEveryTarget) {
  const Unary golden[] = {
      {pmath::sin, -0x1.6p+1, -0x1.86d2239c183fbp-2},
      {pmath::sin, 0x1.dcd65p+29, 0x1.1778cae83c69bp-1},  // 1e9
      {pmath::sin, 0x1.0f0cf064dd592p+73, -0x1.b453ab76bf397p-1},  // 1e22
      {pmath::sin, 0x1.921fb54442d18p+1, 0x1.1a62633145c07p-53},  // pi
      {pmath::sin, 0x1.921fb54442d18p+20, -0x1.1a62633145c07p-34},
      {pmath::sin, 0x1.6ac5b262ca1ffp+849, 0x1p+0},  // the double closest to a multiple of pi/2
      {pmath::cos, 0x1.6ac5b262ca1ffp+849, -0x1.14ae72e6ba22fp-61},
      {pmath::cos, 0x1p+0, 0x1.14a280fb5068cp-1},
      {pmath::cos, 0x1.921fb54442d18p+0, 0x1.1a62633145c07p-54},
      {pmath::exp, -0x1.88p+2, 0x1.1eb805a03296cp-9},
      {pmath::exp, 0x1.ep+4, 0x1.370470aec28edp+43},
      {pmath::exp, 0x1.62e3d70a3d70ap+9, 0x1.fe9ce5c4c52b4p+1023},
      {pmath::exp, -0x1.748p+9, 0x1p-1074},
      {pmath::log, 0x1p+1, 0x1.62e42fefa39efp-1},
      {pmath::log, 0x1.fffffffffffffp-1, -0x1p-53},
      {pmath::log, 0x1.56e1fc2f8f359p-997, -0x1.5963447f87fb5p+9},
      {pmath::log, 0x1p-1074, -0x1.74385446d71c3p+9},
      {pmath::atan, 0x1p-1, 0x1.dac670561bb4fp-2},
      {pmath::atan, -0x1.8p+1, -0x1.3fc176b7a8560p+0},
      {pmath::atan, 0x1.2a05f2p+33, 0x1.921fb543d4de0p+0},
  };
  for (const Unary& g : golden) EXPECT_TRUE(sameValue(g.function(g.x), g.expected)) << std::hexfloat << g.x;
  const Binary goldenPow[] = {
      {0x1.8p+1, -0x1.4p+1, 0x1.06c22e8802d6ep-4},
      {0x1p-16, -0x1p+2, 0x1p+64},
      {0x1.15930885e07f3p-3, -0x1.8p+0, 0x1.40a92c5d31513p+4},
      {-0x1.8p+0, -0x1.8p+1, -0x1.2f684bda12f68p-2},
  };
  for (const Binary& g : goldenPow) EXPECT_TRUE(sameValue(pmath::pow(g.x, g.y), g.expected)) << g.x << " ^ " << g.y;
}

// A fingerprint of many results per function, over the ranges the signal
// path uses and beyond. The constants were taken on x86-64 Linux; a Windows
// build reaching the same values computes the same bits for every input.
uint64_t fingerprint(int count, double (*input)(Inputs&), double (*function)(double, Inputs&)) {
  Inputs inputs;
  uint64_t hash = 0xCBF29CE484222325u;  // FNV-1a over the result bits
  for (int i = 0; i < count; ++i) {
    const double x = input(inputs);
    hash = (hash ^ std::bit_cast<uint64_t>(function(x, inputs))) * 0x100000001B3u;
  }
  return hash;
}

TEST(PortableMath, FingerprintsMatchTheReferenceTarget) {
  constexpr int kCount = 20000;
  auto sin = [](double x, Inputs&) { return pmath::sin(x); };
  auto cos = [](double x, Inputs&) { return pmath::cos(x); };
  auto exp = [](double x, Inputs&) { return pmath::exp(x); };
  auto log = [](double x, Inputs&) { return pmath::log(x); };
  auto atan = [](double x, Inputs&) { return pmath::atan(x); };
  auto pow = [](double x, Inputs& in) { return pmath::pow(x, in.uniform(-4.0, 4.0)); };
  EXPECT_EQ(fingerprint(kCount, [](Inputs& in) { return in.uniform(0.0, 1e9); }, sin), 0x476FE9504ADA6187u);
  EXPECT_EQ(fingerprint(kCount, [](Inputs& in) { return -in.binades(-30, 1024); }, sin), 0x27F9711B9E392DE7u);
  EXPECT_EQ(fingerprint(kCount, [](Inputs& in) { return in.binades(-30, 1024); }, cos), 0xA46922F55217AC58u);
  EXPECT_EQ(fingerprint(kCount, [](Inputs& in) { return in.uniform(-746.0, 710.0); }, exp), 0x988EA4F831290CA2u);
  EXPECT_EQ(fingerprint(kCount, [](Inputs& in) { return in.anyFinite(); }, log), 0xBBB95F6F1D5CBC18u);
  EXPECT_EQ(fingerprint(kCount, [](Inputs& in) { return in.anyFinite(); }, atan), 0x5141A83B96323FCCu);
  EXPECT_EQ(fingerprint(kCount, [](Inputs& in) { return in.binades(-16, 16); }, pow), 0xECDD92E28847F539u);
}

TEST(PortableMath, SpecialValues) {
  const Unary cases[] = {
      {pmath::sin, kInf, kNaN},   {pmath::sin, -kInf, kNaN},  {pmath::sin, kNaN, kNaN},
      {pmath::sin, -0.0, -0.0},   {pmath::sin, 0x1p-1074, 0x1p-1074},
      {pmath::cos, kInf, kNaN},   {pmath::cos, -kInf, kNaN},  {pmath::cos, kNaN, kNaN},   {pmath::cos, -0.0, 1.0},
      {pmath::exp, kNaN, kNaN},   {pmath::exp, kInf, kInf},   {pmath::exp, 710.0, kInf},  {pmath::exp, -kInf, 0.0},
      {pmath::exp, -746.0, 0.0},  {pmath::exp, -0.0, 1.0},
      {pmath::log, kNaN, kNaN},   {pmath::log, -1.0, kNaN},   {pmath::log, -kInf, kNaN},  {pmath::log, 0.0, -kInf},
      {pmath::log, -0.0, -kInf},  {pmath::log, kInf, kInf},   {pmath::log, 1.0, 0.0},
      {pmath::atan, kNaN, kNaN},  {pmath::atan, -0.0, -0.0},  {pmath::atan, kInf, 0x1.921fb54442d18p+0},
      {pmath::atan, -kInf, -0x1.921fb54442d18p+0},
  };
  for (const Unary& c : cases) EXPECT_TRUE(sameValue(c.function(c.x), c.expected)) << c.x;
  const Binary powCases[] = {
      {kNaN, 0.0, 1.0},    {1.0, kNaN, 1.0},    {-1.0, kInf, 1.0},     {-1.0, -kInf, 1.0},   {0.5, kInf, 0.0},
      {2.0, kInf, kInf},   {0.5, -kInf, kInf},  {2.0, -kInf, 0.0},     {-0.0, -3.0, -kInf},  {-0.0, -2.0, kInf},
      {-0.0, 3.0, -0.0},   {-0.0, 2.5, 0.0},    {0.0, -2.5, kInf},     {-kInf, 3.0, -kInf},  {-kInf, 2.0, kInf},
      {-kInf, -3.0, -0.0}, {-kInf, -2.0, 0.0},  {kInf, -0.5, 0.0},     {-0.0, 0.5, 0.0},     {-kInf, 0.5, kInf},
      {-2.0, 3.0, -8.0},   {2.0, 1024.0, kInf}, {-2.0, 1025.0, -kInf}, {2.0, -1075.0, 0.0},  {-2.0, -1075.0, -0.0},
      {-2.0, 0.5, kNaN},   {-8.0, 1.0 / 3, kNaN}, {kNaN, 1.0, kNaN},   {2.0, kNaN, kNaN},
  };
  for (const Binary& c : powCases) EXPECT_TRUE(sameValue(pmath::pow(c.x, c.y), c.expected)) << c.x << " ^ " << c.y;
}

// Results whose correct rounding is known without a reference.
TEST(PortableMath, ExactlyKnownResults) {
  EXPECT_EQ(pmath::atan(1.0), 0.78539816339744828);
  EXPECT_EQ(4.0 * pmath::atan(1.0), kPi);  // the constant the window and transform tables use
  Inputs inputs;
  for (int i = 0; i < 20000; ++i) {
    const double x = inputs.binades(-16, 16);
    ASSERT_EQ(pmath::pow(x, -1.0), 1.0 / x) << x;
    ASSERT_EQ(pmath::pow(x, 2.0), x * x) << x;
    ASSERT_EQ(pmath::pow(x, 0.5), std::sqrt(x)) << x;
    ASSERT_EQ(pmath::sin(-x), -pmath::sin(x)) << x;
    ASSERT_EQ(pmath::cos(-x), pmath::cos(x)) << x;
    ASSERT_EQ(pmath::atan(-x), -pmath::atan(x)) << x;
  }
  // Exact powers of two, down through the subnormals.
  for (int k = -1074; k <= 1023; ++k) {
    ASSERT_EQ(pmath::pow(2.0, k), std::ldexp(1.0, k)) << k;
    ASSERT_EQ(pmath::pow(0.5, -k), std::ldexp(1.0, k)) << k;
  }
  for (int k = -16; k <= 16; ++k) ASSERT_EQ(pmath::pow(std::ldexp(1.0, k), 3.0), std::ldexp(1.0, 3 * k)) << k;
}

// Accuracy against glibc's 64-bit-mantissa long double functions, whose own
// error is about 2^-11 of a double ulp. Other targets have no reference
// this good; there the golden bits and fingerprints above stand in.
#if defined(__GLIBC__)
constexpr bool kHasReference = sizeof(long double) > sizeof(double);
#else
constexpr bool kHasReference = false;
#endif

// Error of got in units of the last place of the exact value.
double ulpError(double got, long double exact) {
  int exponent = 0;
  std::frexp(exact, &exponent);
  const long double ulp = std::ldexp(1.0L, exponent - 53 < -1074 ? -1074 : exponent - 53);
  return static_cast<double>(std::fabs(static_cast<long double>(got) - exact) / ulp);
}

// Largest ulp error of function against reference over count inputs.
double maxError(double (*function)(double), long double (*reference)(long double), double (*input)(Inputs&)) {
  Inputs inputs;
  double worst = 0.0;
  for (int i = 0; i < 100000; ++i) {
    const double x = input(inputs);
    worst = std::fmax(worst, ulpError(function(x), reference(x)));
  }
  return worst;
}

// sin, cos and atan stay below 0.6 ulp; exp, log and pow round correctly but
// for rare near-halfway cases, so 0.51 leaves room for the reference alone.
constexpr double kTrigBound = 0.6;
constexpr double kCorrectlyRounded = 0.51;

double sign(Inputs& in) { return in.next() & 1 ? 1.0 : -1.0; }

TEST(PortableMathAccuracy, StaysWithinBoundsOfTheReference) {
  if (!kHasReference) GTEST_SKIP() << "no extended-precision reference on this target";
  struct Sweep {
    const char* name;
    double (*function)(double);
    long double (*reference)(long double);
    double (*input)(Inputs&);
    double bound;
  };
  const Sweep sweeps[] = {
      {"sin, primary range", pmath::sin, sinl, [](Inputs& in) { return in.uniform(0.0, 0.8); }, kTrigBound},
      {"sin, piecewise pi/2", pmath::sin, sinl, [](Inputs& in) { return in.uniform(0.0, 1647099.0); }, kTrigBound},
      {"sin, long phases", pmath::sin, sinl, [](Inputs& in) { return in.uniform(1647099.0, 1e9); }, kTrigBound},
      {"sin, any size", pmath::sin, sinl, [](Inputs& in) { return -in.binades(-40, 1024); }, kTrigBound},
      {"cos, [0, pi]", pmath::cos, cosl, [](Inputs& in) { return in.uniform(0.0, 3.2); }, kTrigBound},
      {"cos, any size", pmath::cos, cosl, [](Inputs& in) { return in.binades(-40, 1024); }, kTrigBound},
      {"atan, [-3, 3]", pmath::atan, atanl, [](Inputs& in) { return in.uniform(-3.0, 3.0); }, kTrigBound},
      {"atan, any size", pmath::atan, atanl, [](Inputs& in) { return in.anyFinite(); }, kTrigBound},
      {"exp, [-10, 30]", pmath::exp, expl, [](Inputs& in) { return in.uniform(-10.0, 30.0); }, kCorrectlyRounded},
      {"exp, to subnormal", pmath::exp, expl, [](Inputs& in) { return in.uniform(-745.0, 709.7); }, kCorrectlyRounded},
      {"exp, small", pmath::exp, expl, [](Inputs& in) { return sign(in) * in.binades(-60, -1); }, kCorrectlyRounded},
      {"log, any size", pmath::log, logl, [](Inputs& in) { return in.anyFinite(); }, kCorrectlyRounded},
      {"log, next to 1", pmath::log, logl, [](Inputs& in) { return 1.0 + sign(in) * in.binades(-52, -3); },
       kCorrectlyRounded},
  };
  for (const Sweep& sweep : sweeps) EXPECT_LE(maxError(sweep.function, sweep.reference, sweep.input), sweep.bound) << sweep.name;

  // Doubles next to multiples of pi/2, where the reduced argument cancels most.
  const long double halfPi = 1.57079632679489661923132169163975144L;
  double worst = 0.0;
  for (long long k = 1; k < 200000; ++k) {
    for (long long multiple : {k, k * 4099 + 600000000}) {
      const double x = static_cast<double>(multiple * halfPi);
      for (double y : {x, std::nextafter(x, 0.0), std::nextafter(x, kInf)}) {
        worst = std::fmax(worst, ulpError(pmath::sin(y), sinl(y)));
        worst = std::fmax(worst, ulpError(pmath::cos(y), cosl(y)));
      }
    }
  }
  EXPECT_LE(worst, kTrigBound);

  Inputs inputs;
  double worstPow = 0.0;
  for (int i = 0; i < 100000; ++i) {
    const double x = inputs.binades(-16, 16);
    const double y = i % 4 == 0 ? -4.0 + (i / 4) % 9 : inputs.uniform(-4.0, 4.0);  // integers too
    worstPow = std::fmax(worstPow, ulpError(pmath::pow(x, y), powl(x, y)));
    const double nearOne = 1.0 + inputs.uniform(-1e-6, 1e-6);
    const double large = inputs.uniform(-1e6, 1e6);
    worstPow = std::fmax(worstPow, ulpError(pmath::pow(nearOne, large), powl(nearOne, large)));
  }
  EXPECT_LE(worstPow, kCorrectlyRounded);
}

}  // namespace
}  // namespace brisko
