#pragma once

// The butterfly passes of FourierTransform, written once for any "lane" type.
//
// A lane array holds kWidth independent transforms side by side: position j of
// transform t is element kWidth * j + t. ScalarLanes runs one transform; the
// SSE2 lanes run four interleaved quarter-length transforms at once.
//
// Arithmetic contract of every lane type, which fixes the bits: Narrow values
// are floats as stored in arrays, Wide values are doubles; widen is exact,
// narrow rounds to float, and + - * on Wide are single IEEE double operations.
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
  static void store(float* p, Narrow v) { *p = v; }
  static Wide widen(Narrow v) { return v; }
  static Narrow narrow(Wide v) { return static_cast<float>(v); }
  static Wide broadcast(double v) { return v; }
  // Through double on purpose: a float expression could be evaluated in
  // extended precision on targets without SSE.
  static Narrow sum(Narrow a, Narrow b) { return narrow(widen(a) + widen(b)); }
  static Narrow difference(Narrow a, Narrow b) { return narrow(widen(a) - widen(b)); }
  static Narrow twice(Narrow a) { return narrow(2.0 * widen(a)); }
};

// Element j of a lane array.
template <class L>
inline float* at(float* base, int32_t j) { return base + L::kWidth * j; }
template <class L>
inline const float* at(const float* base, int32_t j) { return base + L::kWidth * j; }

// Butterfly stages 1 to 3: the 4-point pass on x read in bit-reversed order
// (offsets are bit-reversal table entries, counted in floats) and the 8-point
// pass, fused. The 4-point results are rounded to float exactly as if they
// had been stored. `count` positions.
template <class L>
void forwardFirstStages(float* D, const float* x, const int32_t* offsets, double halfSqrt2, int32_t count) {
  using Narrow = typename L::Narrow;
  const auto scale = L::broadcast(halfSqrt2);
  for (int32_t c = 0; c < count; c += 8) {
    Narrow s[8];
    for (int32_t k = 0; k < 8; k += 4) {
      const Narrow x0 = L::load(x + offsets[c + k]), x1 = L::load(x + offsets[c + k + 1]);
      const Narrow x2 = L::load(x + offsets[c + k + 2]), x3 = L::load(x + offsets[c + k + 3]);
      s[k + 1] = L::difference(x0, x1);
      s[k + 3] = L::difference(x2, x3);
      const auto a = L::widen(x0) + L::widen(x1);
      const auto b = L::widen(x2) + L::widen(x3);
      s[k] = L::narrow(a + b);
      s[k + 2] = L::narrow(a - b);
    }
    auto d = [&](int32_t k, Narrow v) { L::store(at<L>(D, c + k), v); };
    d(0, L::sum(s[0], s[4]));
    d(4, L::difference(s[0], s[4]));
    d(2, s[2]);
    d(6, s[6]);
    const auto s1 = L::widen(s[1]), s3 = L::widen(s[3]);
    const auto s5 = L::widen(s[5]), s7 = L::widen(s[7]);
    auto v = (s5 - s7) * scale;
    d(1, L::narrow(s1 + v));
    d(3, L::narrow(s1 - v));
    v = (s5 + s7) * scale;
    d(5, L::narrow(v + s3));
    d(7, L::narrow(v - s3));
  }
}

// Merges pairs of m-point spectra into 2m-point spectra.
template <class L>
void forwardMerge(float* D, const float* S, Twiddles twiddles, int32_t m, int32_t count) {
  const int32_t h = m / 2;
  for (int32_t c = 0; c < count; c += 2 * m) {
    auto s = [&](int32_t k) { return L::load(at<L>(S, c + k)); };
    auto d = [&](int32_t k, typename L::Narrow v) { L::store(at<L>(D, c + k), v); };
    const auto first = s(0), middle = s(h), second = s(m), secondMiddle = s(m + h);
    d(0, L::sum(first, second));
    d(m, L::difference(first, second));
    d(h, middle);
    d(m + h, secondMiddle);
    for (int32_t i = 1; i < h; ++i) {
      const auto co = L::broadcast(twiddles.cosines[i]);
      const auto si = L::broadcast(twiddles.sines[i]);
      const auto low = L::widen(s(i)), high = L::widen(s(h + i));
      const auto re = L::widen(s(m + i)), im = L::widen(s(m + h + i));
      auto v = re * co - im * si;
      d(i, L::narrow(low + v));
      d(m - i, L::narrow(low - v));
      v = re * si + im * co;
      d(m + i, L::narrow(v + high));
      d(2 * m - i, L::narrow(v - high));
    }
  }
}

// Inverse of forwardMerge up to a factor of 2.
template <class L>
void inverseSplit(float* D, const float* S, Twiddles twiddles, int32_t m, int32_t count) {
  const int32_t h = m / 2;
  for (int32_t c = 0; c < count; c += 2 * m) {
    auto s = [&](int32_t k) { return L::load(at<L>(S, c + k)); };
    auto d = [&](int32_t k, typename L::Narrow v) { L::store(at<L>(D, c + k), v); };
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
      const auto vr = L::widen(up) - L::widen(down);
      const auto vi = L::widen(upHigh) + L::widen(downHigh);
      d(m + i, L::narrow(vr * co + vi * si));
      d(m + h + i, L::narrow(vi * co - vr * si));
    }
  }
}

// Butterfly stages 3 to 1 backwards: the 8-point pass and the 4-point pass,
// fused, writing out in bit-reversed order. The 8-point results are rounded
// to float exactly as if they had been stored.
template <class L>
void inverseLastStages(float* out, const float* S, const int32_t* offsets, double halfSqrt2, int32_t count) {
  using Narrow = typename L::Narrow;
  const auto scale = L::broadcast(halfSqrt2);
  for (int32_t c = 0; c < count; c += 8) {
    Narrow s[8];
    for (int32_t k = 0; k < 8; ++k) s[k] = L::load(at<L>(S, c + k));
    Narrow t[8];
    t[0] = L::sum(s[0], s[4]);
    t[4] = L::difference(s[0], s[4]);
    t[2] = L::twice(s[2]);
    t[6] = L::twice(s[6]);
    t[1] = L::sum(s[1], s[3]);
    t[3] = L::difference(s[5], s[7]);
    const auto vr = L::widen(s[1]) - L::widen(s[3]);
    const auto vi = L::widen(s[5]) + L::widen(s[7]);
    t[5] = L::narrow((vr + vi) * scale);
    t[7] = L::narrow((vi - vr) * scale);
    for (int32_t k = 0; k < 8; k += 4) {
      const auto t0 = L::widen(t[k]), t1 = L::widen(t[k + 1]);
      const auto t2 = L::widen(t[k + 2]), t3 = L::widen(t[k + 3]);
      const auto b0 = t0 + t2;
      const auto b2 = t0 - t2;
      const auto b1 = t1 + t1;  // 2 * t1, exactly
      const auto b3 = t3 + t3;
      L::store(out + offsets[c + k], L::narrow(b0 + b1));
      L::store(out + offsets[c + k + 1], L::narrow(b0 - b1));
      L::store(out + offsets[c + k + 2], L::narrow(b2 + b3));
      L::store(out + offsets[c + k + 3], L::narrow(b2 - b3));
    }
  }
}

}  // namespace
}  // namespace brisko::fourier
