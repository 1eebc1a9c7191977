#include "dsp/HalfPiReduction.h"

#include <bit>
#include <cmath>
#include <cstdint>

namespace brisko::pmath::detail {
namespace {

constexpr double kTwoOverPi = 0x1.45f306dc9c883p-1;

// pi/2 in three 33-bit pieces, each with its tail: n * piece is exact while
// n < 2^20, so each subtraction step below loses nothing.
constexpr double kHalfPi1 = 0x1.921fb54400000p+0;
constexpr double kHalfPi1Tail = 0x1.0b4611a626331p-34;
constexpr double kHalfPi2 = 0x1.0b4611a600000p-34;
constexpr double kHalfPi2Tail = 0x1.3198a2e037073p-69;
constexpr double kHalfPi3 = 0x1.3198a2e000000p-69;
constexpr double kHalfPi3Tail = 0x1.b839a252049c1p-104;

constexpr DoubleDouble kHalfPi = {0x1.921fb54442d18p+0, 0x1.1a62633145c07p-54};

// Below this the quotient x / (pi/2) stays under 2^20.
constexpr double kCodyWaiteLimit = 1647099.0;

// 2/pi in binary, 32 bits a word, most significant first: 1280 bits, enough for
// the largest double exponent plus the 192-bit window used below.
constexpr uint32_t kTwoOverPiBits[] = {
    0xA2F9836E, 0x4E441529, 0xFC2757D1, 0xF534DDC0, 0xDB629599, 0x3C439041, 0xFE5163AB, 0xDEBBC561,
    0xB7246E3A, 0x424DD2E0, 0x06492EEA, 0x09D1921C, 0xFE1DEB1C, 0xB129A73E, 0xE88235F5, 0x2EBB4484,
    0xE99C7026, 0xB45F7E41, 0x3991D639, 0x835339F4, 0x9C845F8B, 0xBDF9283B, 0x1FF897FF, 0xDE05980F,
    0xEF2F118B, 0x5A0A6D1F, 0x6D367ECF, 0x27CB09B7, 0x4F463F66, 0x9E5FEA2D, 0x7527BAC7, 0xEBE5F17B,
    0x3D0739F7, 0x8A5292EA, 0x6BFB5FB1, 0x1F8D5D08, 0x56033046, 0xFC7B6BAB, 0xF0CFBC20, 0x9AF4361D,
};
constexpr int kTwoOverPiWords = sizeof(kTwoOverPiBits) / sizeof(kTwoOverPiBits[0]);

int biasedExponent(double value) { return static_cast<int>((std::bit_cast<uint64_t>(value) >> 52) & 0x7FF); }

// Cody-Waite: subtract n * pi/2 piece by piece, going on to the next piece only
// when the previous step cancelled enough leading bits to need it.
HalfPiReduction reduceModerate(double t) {
  const double fn = std::floor(t * kTwoOverPi + 0.5);
  const int n = static_cast<int>(fn);
  const int exponent = biasedExponent(t);
  double r = t - fn * kHalfPi1;
  double w = fn * kHalfPi1Tail;
  double y0 = r - w;
  if (exponent - biasedExponent(y0) > 16) {
    double previous = r;
    w = fn * kHalfPi2;
    r = previous - w;
    w = fn * kHalfPi2Tail - ((previous - r) - w);
    y0 = r - w;
    if (exponent - biasedExponent(y0) > 49) {
      previous = r;
      w = fn * kHalfPi3;
      r = previous - w;
      w = fn * kHalfPi3Tail - ((previous - r) - w);
      y0 = r - w;
    }
  }
  const double y1 = (r - y0) - w;
  return {n & 3, {y0, y1}};
}

// Word k of 2/pi's bits; zero for the (integer) positions before the point.
uint64_t twoOverPiWord(int k) { return k >= 0 && k < kTwoOverPiWords ? kTwoOverPiBits[k] : 0; }

// The 32 bits of 2/pi starting at 0-based position p (the first bit after the
// binary point is position 0; negative positions are zero).
uint32_t twoOverPiBitsAt(int p) {
  const int word = p >= 0 ? p / 32 : -((31 - p) / 32);
  const int shift = p - 32 * word;  // 0..31
  const uint64_t pair = (twoOverPiWord(word) << 32) | twoOverPiWord(word + 1);
  return static_cast<uint32_t>(pair >> (32 - shift));
}

// count (<= 53) bits of a little-endian 8-limb number, starting at bit low.
uint64_t extractBits(const uint32_t* limbs, int low, int count) {
  const int word = low / 32;
  const int shift = low % 32;
  uint64_t value = (limbs[word] | (static_cast<uint64_t>(limbs[word + 1]) << 32)) >> shift;
  if (shift > 0 && word + 2 < 8) value |= static_cast<uint64_t>(limbs[word + 2]) << (64 - shift);
  return value & ((uint64_t{1} << count) - 1);
}

// Payne-Hanek in integer arithmetic. With t = m * 2^e (m a 53-bit integer),
// the bits of 2/pi worth 2^2 and more after scaling by 2^e only add multiples
// of 4 to t * 2/pi, so a 192-bit window of 2/pi starting just below them
// gives the quadrant and a fraction with 190 bits, off by less than 2^-137.
HalfPiReduction reduceLarge(double t) {
  const uint64_t bits = std::bit_cast<uint64_t>(t);
  const uint64_t mantissa = (bits & ((uint64_t{1} << 52) - 1)) | (uint64_t{1} << 52);
  const int e = static_cast<int>(bits >> 52) - 1075;

  uint32_t window[6];  // little-endian
  for (int i = 0; i < 6; ++i) window[5 - i] = twoOverPiBitsAt(e - 2 + 32 * i);

  uint32_t product[8] = {};
  const uint64_t halves[2] = {mantissa & 0xFFFFFFFFu, mantissa >> 32};
  for (int h = 0; h < 2; ++h) {
    uint64_t carry = 0;
    for (int i = 0; i < 6; ++i) {
      const uint64_t sum = halves[h] * window[i] + product[i + h] + carry;
      product[i + h] = static_cast<uint32_t>(sum);
      carry = sum >> 32;
    }
    product[6 + h] = static_cast<uint32_t>(carry);
  }

  // Bits 190 and 191 are the quadrant, bits 0..189 the fraction.
  int quadrant = static_cast<int>(product[5] >> 30);
  const uint64_t top = extractBits(product, 137, 53);
  double head = static_cast<double>(top) * 0x1p-53;
  if (top >> 52) {  // fraction >= 1/2: round the quadrant up
    head -= 1.0;
    quadrant += 1;
  }
  const double middle = static_cast<double>(extractBits(product, 84, 53)) * 0x1p-106;
  const double tail = static_cast<double>(extractBits(product, 31, 53)) * 0x1p-159;
  const DoubleDouble fraction = add(twoSum(head, middle), tail);
  return {quadrant & 3, multiply(kHalfPi, fraction)};
}

}  // namespace

HalfPiReduction reduceByHalfPi(double x) {
  const double t = std::fabs(x);
  const HalfPiReduction positive = t < kCodyWaiteLimit ? reduceModerate(t) : reduceLarge(t);
  if (x >= 0.0) return positive;
  return {(4 - positive.quadrant) & 3, {-positive.remainder.hi, -positive.remainder.lo}};
}

}  // namespace brisko::pmath::detail
