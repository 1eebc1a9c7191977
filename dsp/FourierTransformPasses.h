#pragma once

// The butterfly passes of FourierTransform, written once for any "lane" type.
//
// A lane array holds kWidth independent transforms side by side: position j of
// transform t is element kWidth * j + t. ScalarLanes runs one transform; the
// SIMD lanes (FourierTransformQuad.h) run four quarter-length transforms at once.
//
// Arithmetic contract of every lane type, which fixes the bits: Narrow values
// are floats as stored in arrays, Wide values are doubles; widen is exact,
// narrow rounds to float, and + - * on Wide are single IEEE double operations;
// loadWide is load and widen in one; storeNarrowed, where a type has it, is
// narrow and store in one.
// sum, difference and twice are one float operation each, which equals
// rounding the exact double result (double rounding is innocuous for a single
// operation), so they need no detour through double.
//
// The functions have internal linkage: translation units compiled for
// different instruction sets include this header, and must not share code.

#include <cstdint>
#include <vector>

namespace brisko::fourier {

// Twiddles of merging pass p (m = 2^p, h = m / 2), expanded to doubles:
// cosines[i] = cos(i pi / m) and sines[i] = sin(i pi / m) for i = 1 .. h - 1.
struct Twiddles {
  const double* cosines;
  const double* sines;
};

// What the passes need of a FourierTransform, for lengths of 8 and more.
struct Plan {
  int32_t length;
  int32_t bitCount;
  const int32_t* bitReversal;
  // For each merging pass p = 3 .. bitCount - 1 in turn: h cosines, h sines.
  const double* twiddles;
  double halfSqrt2;
};

// Plan::twiddles built from the quarter cosine table.
std::vector<double> expandTwiddles(const std::vector<float>& quarterCosine, int32_t bitCount);

// Passes are inlined into the whole transforms, so that a transform of a
// fixed length runs them with every size and offset a constant.
#define BRISKO_PASS inline __attribute__((always_inline))

namespace {

inline Twiddles twiddlesOfPass(const Plan& plan, int32_t p) {
  const int32_t h = int32_t{1} << (p - 1);
  const double* cosines = plan.twiddles + 2 * (h - 4);
  return {cosines, cosines + h};
}

struct ScalarLanes {
  static constexpr int32_t kWidth = 1;
  using Narrow = float;
  using Wide = double;
  static Narrow load(const float* p) { return *p; }
  static Wide loadWide(const float* p) { return *p; }
  static void store(float* p, Narrow v) { *p = v; }
  static Wide widen(Narrow v) { return v; }
  static Narrow narrow(Wide v) { return static_cast<float>(v); }
  static Wide broadcast(double v) { return v; }
  // Written as the plain scalar passes are, through double.
  static Narrow sum(Narrow a, Narrow b) { return narrow(widen(a) + widen(b)); }
  static Narrow difference(Narrow a, Narrow b) { return narrow(widen(a) - widen(b)); }
  static Narrow twice(Narrow a) { return narrow(2.0 * widen(a)); }
};

// Rounds w to floats and stores them at p, in one step where the type (a
// lane or block type) has one.
template <class T>
inline void storeNarrowed(float* p, typename T::Wide w) {
  if constexpr (requires { T::storeNarrowed(p, w); }) {
    T::storeNarrowed(p, w);
  } else {
    T::store(p, T::narrow(w));
  }
}

// Element j of a lane array.
template <class L>
inline float* at(float* base, int32_t j) { return base + L::kWidth * j; }
template <class L>
inline const float* at(const float* base, int32_t j) { return base + L::kWidth * j; }

template <class L>
struct FourValues {
  typename L::Narrow v0, v1, v2, v3;
};

// The 4-point pass on x0 .. x3 (butterfly stages 1 and 2).
template <class L>
inline FourValues<L> forwardFourPoint(typename L::Narrow x0, typename L::Narrow x1, typename L::Narrow x2,
                                      typename L::Narrow x3) {
  const auto a = L::widen(x0) + L::widen(x1);
  const auto b = L::widen(x2) + L::widen(x3);
  return {L::narrow(a + b), L::difference(x0, x1), L::narrow(a - b), L::difference(x2, x3)};
}

// Butterfly stages 1 to 3: the 4-point pass on x read in bit-reversed order
// (offsets are bit-reversal table entries, counted in floats) and the 8-point
// pass, fused. The 4-point results are rounded to float exactly as if they
// had been stored. `count` positions.
template <class L, class Count>
BRISKO_PASS void forwardFirstStages(float* D, const float* x, const int32_t* offsets, double halfSqrt2, Count count) {
  const auto scale = L::broadcast(halfSqrt2);
  for (int32_t c = 0; c < count; c += 8) {
    const int32_t* r = offsets + c;
    const FourValues<L> low = forwardFourPoint<L>(L::load(x + r[0]), L::load(x + r[1]), L::load(x + r[2]),
                                                  L::load(x + r[3]));
    const FourValues<L> high = forwardFourPoint<L>(L::load(x + r[4]), L::load(x + r[5]), L::load(x + r[6]),
                                                   L::load(x + r[7]));
    auto d = [&](int32_t k, typename L::Narrow v) { L::store(at<L>(D, c + k), v); };
    auto dw = [&](int32_t k, typename L::Wide v) { storeNarrowed<L>(at<L>(D, c + k), v); };
    d(0, L::sum(low.v0, high.v0));
    d(4, L::difference(low.v0, high.v0));
    d(2, low.v2);
    d(6, high.v2);
    const auto s1 = L::widen(low.v1), s3 = L::widen(low.v3);
    const auto s5 = L::widen(high.v1), s7 = L::widen(high.v3);
    auto v = (s5 - s7) * scale;
    dw(1, s1 + v);
    dw(3, s1 - v);
    v = (s5 + s7) * scale;
    dw(5, v + s3);
    dw(7, v - s3);
  }
}

// Merges pairs of m-point spectra into 2m-point spectra.
template <class L, class M, class Count>
BRISKO_PASS void forwardMerge(float* D, const float* S, Twiddles twiddles, M m, Count count) {
  const int32_t h = m / 2;
  for (int32_t c = 0; c < count; c += 2 * m) {
    auto s = [&](int32_t k) { return L::load(at<L>(S, c + k)); };
    auto d = [&](int32_t k, typename L::Narrow v) { L::store(at<L>(D, c + k), v); };
    auto dw = [&](int32_t k, typename L::Wide v) { storeNarrowed<L>(at<L>(D, c + k), v); };
    const auto first = s(0), middle = s(h), second = s(m), secondMiddle = s(m + h);
    d(0, L::sum(first, second));
    d(m, L::difference(first, second));
    d(h, middle);
    d(m + h, secondMiddle);
    for (int32_t i = 1; i < h; ++i) {
      const auto co = L::broadcast(twiddles.cosines[i]);
      const auto si = L::broadcast(twiddles.sines[i]);
      auto w = [&](int32_t k) { return L::loadWide(at<L>(S, c + k)); };
      const auto low = w(i), high = w(h + i), re = w(m + i), im = w(m + h + i);
      auto v = re * co - im * si;
      dw(i, low + v);
      dw(m - i, low - v);
      v = re * si + im * co;
      dw(m + i, v + high);
      dw(2 * m - i, v - high);
    }
  }
}

// Inverse of forwardMerge up to a factor of 2.
template <class L, class M, class Count>
BRISKO_PASS void inverseSplit(float* D, const float* S, Twiddles twiddles, M m, Count count) {
  const int32_t h = m / 2;
  for (int32_t c = 0; c < count; c += 2 * m) {
    auto s = [&](int32_t k) { return L::load(at<L>(S, c + k)); };
    auto w = [&](int32_t k) { return L::loadWide(at<L>(S, c + k)); };
    auto d = [&](int32_t k, typename L::Narrow v) { L::store(at<L>(D, c + k), v); };
    auto dw = [&](int32_t k, typename L::Wide v) { storeNarrowed<L>(at<L>(D, c + k), v); };
    const auto first = s(0), middle = s(h), second = s(m), secondMiddle = s(m + h);
    d(0, L::sum(first, second));
    d(m, L::difference(first, second));
    d(h, L::twice(middle));
    d(m + h, L::twice(secondMiddle));
    for (int32_t i = 1; i < h; ++i) {
      const auto co = L::broadcast(twiddles.cosines[i]);
      const auto si = L::broadcast(twiddles.sines[i]);
      const auto up = s(i), down = s(m - i), upHigh = s(m + i), downHigh = s(2 * m - i);
      d(i, L::sum(up, down));
      d(h + i, L::difference(upHigh, downHigh));
      // Widened from memory again rather than from the registers: loads are
      // cheaper than the shuffles that split a register.
      const auto vr = w(i) - w(m - i);
      const auto vi = w(m + i) + w(2 * m - i);
      dw(m + i, vr * co + vi * si);
      dw(m + h + i, vi * co - vr * si);
    }
  }
}

// The 4-point pass backwards on t0 .. t3 (butterfly stages 2 and 1), writing
// out at the four offsets r[0..3].
template <class L>
inline void inverseFourPoint(float* out, const int32_t* r, typename L::Narrow t0, typename L::Narrow t1,
                             typename L::Narrow t2, typename L::Narrow t3) {
  const auto w0 = L::widen(t0), w1 = L::widen(t1), w2 = L::widen(t2), w3 = L::widen(t3);
  const auto b0 = w0 + w2;
  const auto b2 = w0 - w2;
  // 2 * t, exactly (as t + t): a product, which runs beside the many sums.
  const auto two = L::broadcast(2.0);
  const auto b1 = w1 * two;
  const auto b3 = w3 * two;
  storeNarrowed<L>(out + r[0], b0 + b1);
  storeNarrowed<L>(out + r[1], b0 - b1);
  storeNarrowed<L>(out + r[2], b2 + b3);
  storeNarrowed<L>(out + r[3], b2 - b3);
}

// Butterfly stages 3 to 1 backwards: the 8-point pass and the 4-point pass,
// fused, writing out in bit-reversed order. The 8-point results are rounded
// to float exactly as if they had been stored.
template <class L, class Count>
BRISKO_PASS void inverseLastStages(float* out, const float* S, const int32_t* offsets, double halfSqrt2, Count count) {
  const auto scale = L::broadcast(halfSqrt2);
  for (int32_t c = 0; c < count; c += 8) {
    auto s = [&](int32_t k) { return L::load(at<L>(S, c + k)); };
    const auto s0 = s(0), s1 = s(1), s2 = s(2), s3 = s(3), s4 = s(4), s5 = s(5), s6 = s(6), s7 = s(7);
    const auto vr = L::widen(s1) - L::widen(s3);
    const auto vi = L::widen(s5) + L::widen(s7);
    inverseFourPoint<L>(out, offsets + c, L::sum(s0, s4), L::sum(s1, s3), L::twice(s2),
                        L::difference(s5, s7));
    inverseFourPoint<L>(out, offsets + c + 4, L::difference(s0, s4), L::narrow((vr + vi) * scale),
                        L::twice(s6), L::narrow((vi - vr) * scale));
  }
}

}  // namespace
}  // namespace brisko::fourier
