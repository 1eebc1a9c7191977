#pragma once

// Double-double arithmetic for the elementary functions: a value is carried as
// the unevaluated sum hi + lo of two doubles. Every step is either an exact
// transformation or a single IEEE double rounding, so the results are the same
// on every target that does strict double arithmetic (no contraction into
// fused multiply-adds, no x87 excess precision).
namespace brisko::pmath::detail {

struct DoubleDouble {
  double hi;
  double lo;
};

// a + b exactly, for any a and b (Knuth).
inline DoubleDouble twoSum(double a, double b) {
  const double sum = a + b;
  const double bPart = sum - a;
  return {sum, (a - (sum - bPart)) + (b - bPart)};
}

// a + b exactly, provided |a| >= |b| or a == 0 (Dekker).
inline DoubleDouble fastTwoSum(double a, double b) {
  const double sum = a + b;
  return {sum, b - (sum - a)};
}

// a = hi + lo with both halves 26 bits wide (Veltkamp); |a| must stay below
// 2^995 so the scaled copy cannot overflow.
inline DoubleDouble splitHalves(double a) {
  const double scaled = 134217729.0 * a;  // 2^27 + 1
  const double hi = scaled - (scaled - a);
  return {hi, a - hi};
}

// a * b exactly (Dekker), barring overflow and underflow.
inline DoubleDouble twoProduct(double a, double b) {
  const double product = a * b;
  const DoubleDouble as = splitHalves(a);
  const DoubleDouble bs = splitHalves(b);
  const double error = ((as.hi * bs.hi - product) + as.hi * bs.lo + as.lo * bs.hi) + as.lo * bs.lo;
  return {product, error};
}

inline DoubleDouble add(DoubleDouble a, double b) {
  const DoubleDouble sum = twoSum(a.hi, b);
  return twoSum(sum.hi, sum.lo + a.lo);
}

inline DoubleDouble add(DoubleDouble a, DoubleDouble b) {
  const DoubleDouble high = twoSum(a.hi, b.hi);
  const DoubleDouble low = twoSum(a.lo, b.lo);
  const DoubleDouble partial = twoSum(high.hi, high.lo + low.hi);
  return fastTwoSum(partial.hi, partial.lo + low.lo);
}

inline DoubleDouble multiply(DoubleDouble a, double b) {
  const DoubleDouble product = twoProduct(a.hi, b);
  return fastTwoSum(product.hi, product.lo + a.lo * b);
}

inline DoubleDouble multiply(DoubleDouble a, DoubleDouble b) {
  const DoubleDouble product = twoProduct(a.hi, b.hi);
  return fastTwoSum(product.hi, product.lo + (a.hi * b.lo + a.lo * b.hi));
}

}  // namespace brisko::pmath::detail
