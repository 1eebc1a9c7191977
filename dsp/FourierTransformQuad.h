#pragma once

// Passes of FourierTransform over four interleaved quarter-length transforms,
// written once for any SIMD double type W. Included only by the SIMD
// translation units, each compiled for its own instruction set: everything
// here has internal linkage on purpose, so that no function compiled for one
// instruction set can be shared with (and run by) another.
//
// Lane layout: element 4j + t of a lane array is position j of transform t.
// Reading the input in bit-reversed order makes transform t the transform of
// x[4n + t], so the first passes run the scalar algorithm on whole registers.
// The last two passes merge the four into one and run over four consecutive
// indices at a time instead. Every value goes through the same IEEE
// operations in the same order as in the scalar passes, so the bits match.
//
// W provides: a type Wide holding four doubles with + - * as single IEEE
// operations per lane; widen (exact) from and narrow (rounding) to four
// floats, and storeNarrowed (narrow, then store the four); loadWidened of
// four floats, loadWidenedPairs of two at each of two addresses; load of
// four doubles, loadPairwise of two, each twice; broadcast of one.

#include <xmmintrin.h>

#include <cstdint>
#include <type_traits>
#include <utility>

#include "dsp/FourierTransformKernels.h"
#include "dsp/FourierTransformPasses.h"

namespace brisko::fourier {
namespace {

template <class W>
struct QuadLanes {
  static constexpr int32_t kWidth = 4;
  struct Narrow {
    __m128 v;
  };
  using Wide = typename W::Wide;
  static Narrow load(const float* p) { return {_mm_loadu_ps(p)}; }
  static Wide loadWide(const float* p) { return W::loadWidened(p); }
  static void store(float* p, Narrow v) { _mm_storeu_ps(p, v.v); }
  static Wide widen(Narrow v) { return W::widen(v.v); }
  static Narrow narrow(Wide v) { return {W::narrow(v)}; }
  static void storeNarrowed(float* p, Wide v) { W::storeNarrowed(p, v); }
  static Wide broadcast(double v) { return W::broadcast(v); }
  static Narrow sum(Narrow a, Narrow b) { return {_mm_add_ps(a.v, b.v)}; }
  static Narrow difference(Narrow a, Narrow b) { return {_mm_sub_ps(a.v, b.v)}; }
  // A product rather than a + a (the same exact result): it runs beside the sums.
  static Narrow twice(Narrow a) { return {_mm_mul_ps(a.v, _mm_set1_ps(2.0f))}; }
};

inline float toFloat(double value) { return static_cast<float>(value); }
inline __m128 reversed(__m128 v) { return _mm_shuffle_ps(v, v, _MM_SHUFFLE(0, 1, 2, 3)); }

template <class T>
inline void exchange(T& a, T& b) {
  T t = a;
  a = b;
  b = t;
}

// Index blocks of Size covering 1 .. h - 1 (h > Size, a power of two); the
// last block overlaps its predecessor and simply writes the same values again.
template <int32_t Size, class Body>
BRISKO_PASS void forEachBlock(int32_t h, Body body) {
  for (int32_t start = 1; start < h; start += Size) body(start < h - Size ? start : h - Size);
}

template <class Body>
void forEachBlockOfFour(int32_t h, Body body) {
  forEachBlock<4>(h, body);
}

// Blocks of consecutive floats of the plain layout, the B type of the plain
// passes: here four over the SIMD double type W. B provides kSize floats
// per block as Floats (load, store, reverse: the block in reverse order;
// sum and difference, one float operation each) and as W-like Wide values
// (widen, narrow, loadWidened; loadTwiddles of kSize doubles).
template <class W>
struct QuadBlock {
  static constexpr int32_t kSize = 4;
  using Floats = __m128;
  using Wide = typename W::Wide;
  static Floats load(const float* p) { return _mm_loadu_ps(p); }
  static void store(float* p, Floats v) { _mm_storeu_ps(p, v); }
  static Floats reverse(Floats v) { return reversed(v); }
  static Floats sum(Floats a, Floats b) { return _mm_add_ps(a, b); }
  static Floats difference(Floats a, Floats b) { return _mm_sub_ps(a, b); }
  static Wide widen(Floats v) { return W::widen(v); }
  static Floats narrow(Wide v) { return W::narrow(v); }
  static void storeNarrowed(float* p, Wide v) { W::storeNarrowed(p, v); }
  static Wide loadWidened(const float* p) { return W::loadWidened(p); }
  static Wide loadTwiddles(const double* p) { return W::load(p); }
};

// Index pairs covering 1 .. h - 1 (h >= 4, a power of two); the last pair
// overlaps its predecessor and simply writes the same values again.
template <class Body>
void forEachPair(int32_t h, Body body) {
  for (int32_t start = 1; start < h; start += 2) body(start < h - 2 ? start : h - 2);
}

// Forward butterflies i .. i + B::kSize - 1 of the group at D; l = S[c+i..],
// hi = S[c+h+i..], r = S[c+m+i..], q = S[c+m+h+i..], widened.
template <class B>
inline void forwardButterflies(float* D, int32_t m, int32_t i, Twiddles twiddles, typename B::Wide l,
                               typename B::Wide hi, typename B::Wide r, typename B::Wide q) {
  using Wide = typename B::Wide;
  constexpr int32_t last = B::kSize - 1;
  const Wide co = B::loadTwiddles(twiddles.cosines + i), si = B::loadTwiddles(twiddles.sines + i);
  Wide v = r * co - q * si;
  storeNarrowed<B>(D + i, l + v);
  B::store(D + m - i - last, B::reverse(B::narrow(l - v)));
  v = r * si + q * co;
  storeNarrowed<B>(D + m + i, v + hi);
  B::store(D + 2 * m - i - last, B::reverse(B::narrow(v - hi)));
}

template <class B>
struct SplitOutputs {
  typename B::Floats low, high, re, im;  // D[c+i..], D[c+h+i..], D[c+m+i..], D[c+m+h+i..]
};

// Inverse butterflies i .. i + B::kSize - 1 of the group at S.
template <class B>
inline SplitOutputs<B> inverseButterflies(const float* S, int32_t m, int32_t i, Twiddles twiddles) {
  using Wide = typename B::Wide;
  using Floats = typename B::Floats;
  constexpr int32_t last = B::kSize - 1;
  const Wide co = B::loadTwiddles(twiddles.cosines + i), si = B::loadTwiddles(twiddles.sines + i);
  const Floats up = B::load(S + i), down = B::reverse(B::load(S + m - i - last));
  const Floats upHigh = B::load(S + m + i), downHigh = B::reverse(B::load(S + 2 * m - i - last));
  const Wide vr = B::widen(up) - B::widen(down);
  const Wide vi = B::widen(upHigh) + B::widen(downHigh);
  return {B::sum(up, down), B::difference(upHigh, downHigh), B::narrow(vr * co + vi * si),
          B::narrow(vi * co - vr * si)};
}

// A group's first, middle and mirrored entries, which need no twiddles.
template <class Read, class Write>
void forwardMergeEnds(Read s, Write d, int32_t m) {
  const int32_t h = m / 2;
  const float first = s(0), second = s(m), middle = s(h), secondMiddle = s(m + h);
  d(0, toFloat(static_cast<double>(first) + second));
  d(m, toFloat(static_cast<double>(first) - second));
  d(h, middle);
  d(m + h, secondMiddle);
}

template <class Read, class Write>
void inverseSplitEnds(Read s, Write d, int32_t m) {
  const int32_t h = m / 2;
  const float first = s(0), second = s(m), middle = s(h), secondMiddle = s(m + h);
  d(0, toFloat(static_cast<double>(first) + second));
  d(m, toFloat(static_cast<double>(first) - second));
  d(h, toFloat(2.0 * middle));
  d(m + h, toFloat(2.0 * secondMiddle));
}

// Lane t of a lane array holds block {0, 2, 1, 3}[t] of the plain layout
// (blocks of a quarter length).
inline int32_t laneIndex(int32_t position, int32_t quarter) {
  constexpr int32_t kLaneOfBlock[4] = {0, 2, 1, 3};
  return 4 * (position % quarter) + kLaneOfBlock[position / quarter];
}

// The twiddle-free entries of both groups of the pass that joins the lane
// array V pairwise (m = n / 4), written to the plain layout D.
inline void forwardMergeEndsFromLanes(float* D, const float* V, int32_t n) {
  const int32_t m = n / 4;
  for (int32_t c = 0; c < n; c += 2 * m) {
    float* d = D + c;
    forwardMergeEnds([V, c, m](int32_t k) { return V[laneIndex(c + k, m)]; },
                     [d](int32_t k, float v) { d[k] = v; }, m);
  }
}

// The same for the pass that splits the plain layout S into the lane array V.
inline void inverseSplitEndsToLanes(float* V, const float* S, int32_t n) {
  const int32_t m = n / 4;
  for (int32_t c = 0; c < n; c += 2 * m) {
    const float* s = S + c;
    inverseSplitEnds([s](int32_t k) { return s[k]; },
                     [V, c, m](int32_t k, float v) { V[laneIndex(c + k, m)] = v; }, m);
  }
}

// Two groups side by side for indices i and i + 1, (group 0 at i, group 1 at
// i, group 0 at i + 1, group 1 at i + 1), stored to the plain layout.
inline void storeGroupPairs(float* group0, float* group1, __m128 v) {
  const __m128 byGroup = _mm_shuffle_ps(v, v, _MM_SHUFFLE(3, 1, 2, 0));
  _mm_storel_pi(reinterpret_cast<__m64*>(group0), byGroup);
  _mm_storeh_pi(reinterpret_cast<__m64*>(group1), byGroup);
}

inline void storeGroupPairsDownwards(float* group0, float* group1, __m128 v) {
  const __m128 byGroup = _mm_shuffle_ps(v, v, _MM_SHUFFLE(1, 3, 0, 2));
  _mm_storel_pi(reinterpret_cast<__m64*>(group0), byGroup);
  _mm_storeh_pi(reinterpret_cast<__m64*>(group1), byGroup);
}

// A 4 x 4 block transposed into four consecutive lane array elements.
inline void storeTransposed(float* p, __m128 a, __m128 b, __m128 c, __m128 d) {
  _MM_TRANSPOSE4_PS(a, b, c, d);
  _mm_storeu_ps(p, a);
  _mm_storeu_ps(p + 4, b);
  _mm_storeu_ps(p + 8, c);
  _mm_storeu_ps(p + 12, d);
}

// Merging pass over plain-layout groups of 2m, a block of B::kSize indices
// at a time (m / 2 > B::kSize).
template <class B, class M, class N>
BRISKO_PASS void forwardMergePlain(float* D, const float* S, Twiddles twiddles, M m, N n) {
  const int32_t h = m / 2;
  for (int32_t c = 0; c < n; c += 2 * m) {
    const float* s = S + c;
    float* d = D + c;
    forwardMergeEnds([s](int32_t k) { return s[k]; }, [d](int32_t k, float v) { d[k] = v; }, m);
    forEachBlock<B::kSize>(h, [&](int32_t i) {
      forwardButterflies<B>(d, m, i, twiddles, B::loadWidened(s + i), B::loadWidened(s + h + i),
                            B::loadWidened(s + m + i), B::loadWidened(s + m + h + i));
    });
  }
}

// The merging pass that joins the four lane transforms pairwise (m = n / 4):
// reads a lane array, writes the plain layout. The two groups go side by
// side, two indices at a time: element 4i of the lane array already holds
// both groups' S[c+i], element 4i + 2 both groups' S[c+m+i].
template <class W, class N>
BRISKO_PASS void forwardMergeFromLanes(float* D, const float* V, Twiddles twiddles, N n) {
  using Wide = typename W::Wide;
  const int32_t m = n / 4, h = m / 2;
  forwardMergeEndsFromLanes(D, V, n);
  float* D0 = D;
  float* D1 = D + 2 * m;
  forEachPair(h, [&](int32_t i) {
    const float* low = V + 4 * i;
    const float* high = V + 4 * (h + i);
    const Wide l = W::loadWidenedPairs(low, low + 4), r = W::loadWidenedPairs(low + 2, low + 6);
    const Wide hi = W::loadWidenedPairs(high, high + 4), q = W::loadWidenedPairs(high + 2, high + 6);
    const Wide co = W::loadPairwise(twiddles.cosines + i), si = W::loadPairwise(twiddles.sines + i);
    Wide v = r * co - q * si;
    storeGroupPairs(D0 + i, D1 + i, W::narrow(l + v));
    storeGroupPairsDownwards(D0 + m - i - 1, D1 + m - i - 1, W::narrow(l - v));
    v = r * si + q * co;
    storeGroupPairs(D0 + m + i, D1 + m + i, W::narrow(v + hi));
    storeGroupPairsDownwards(D0 + 2 * m - i - 1, D1 + 2 * m - i - 1, W::narrow(v - hi));
  });
}

template <class B, class M, class N>
BRISKO_PASS void inverseSplitPlain(float* D, const float* S, Twiddles twiddles, M m, N n) {
  const int32_t h = m / 2;
  for (int32_t c = 0; c < n; c += 2 * m) {
    const float* s = S + c;
    float* d = D + c;
    inverseSplitEnds([s](int32_t k) { return s[k]; }, [d](int32_t k, float v) { d[k] = v; }, m);
    forEachBlock<B::kSize>(h, [&](int32_t i) {
      const SplitOutputs<B> out = inverseButterflies<B>(s, m, i, twiddles);
      B::store(d + i, out.low);
      B::store(d + h + i, out.high);
      B::store(d + m + i, out.re);
      B::store(d + m + h + i, out.im);
    });
  }
}

// The splitting pass into the four lane transforms: reads the plain layout,
// writes a lane array.
template <class W, class N>
BRISKO_PASS void inverseSplitToLanes(float* V, const float* S, Twiddles twiddles, N n) {
  const int32_t m = n / 4, h = m / 2;
  inverseSplitEndsToLanes(V, S, n);
  forEachBlockOfFour(h, [&](int32_t i) {
    const SplitOutputs<QuadBlock<W>> first = inverseButterflies<QuadBlock<W>>(S, m, i, twiddles);
    const SplitOutputs<QuadBlock<W>> second = inverseButterflies<QuadBlock<W>>(S + 2 * m, m, i, twiddles);
    storeTransposed(V + 4 * i, first.low, second.low, first.re, second.re);
    storeTransposed(V + 4 * (h + i), first.high, second.high, first.im, second.im);
  });
}

template <class W>
void forwardMergeLanes(float* D, const float* S, Twiddles twiddles, int32_t m, int32_t count) {
  forwardMerge<QuadLanes<W>>(D, S, twiddles, m, count);
}

template <class W>
void inverseSplitLanes(float* D, const float* S, Twiddles twiddles, int32_t m, int32_t count) {
  inverseSplit<QuadLanes<W>>(D, S, twiddles, m, count);
}

// Any length of 64 and more, its sizes read from the plan.
template <class W>
void forwardQuadPasses(const Plan& plan, float* output, const float* input, float* scratch) {
  using Lanes = QuadLanes<W>;
  const int32_t n = plan.length, bits = plan.bitCount, quarter = n / 4;
  // The passes alternate between output and scratch so that the last lands in output.
  float* dst = (bits & 1) ? output : scratch;
  float* src = (bits & 1) ? scratch : output;
  forwardFirstStages<Lanes>(dst, input, plan.bitReversal, plan.halfSqrt2, quarter);
  for (int32_t p = 3; p <= bits - 3; ++p) {
    exchange(src, dst);
    forwardMerge<Lanes>(dst, src, twiddlesOfPass(plan, p), int32_t{1} << p, quarter);
  }
  exchange(src, dst);
  forwardMergeFromLanes<W>(dst, src, twiddlesOfPass(plan, bits - 2), n);
  exchange(src, dst);
  forwardMergePlain<QuadBlock<W>>(dst, src, twiddlesOfPass(plan, bits - 1), n / 2, n);
}

// Any length of 64 and more, its sizes read from the plan.
template <class W>
void inverseQuadPasses(const Plan& plan, const float* input, float* output, float* scratch) {
  using Lanes = QuadLanes<W>;
  const int32_t n = plan.length, bits = plan.bitCount, quarter = n / 4;
  // Each pass reads what the previous one wrote; the last split lands in
  // scratch, as the final stages write output.
  float* dst = (bits & 1) ? output : scratch;
  float* src = (bits & 1) ? scratch : output;
  inverseSplitPlain<QuadBlock<W>>(dst, input, twiddlesOfPass(plan, bits - 1), n / 2, n);
  exchange(src, dst);
  inverseSplitToLanes<W>(dst, src, twiddlesOfPass(plan, bits - 2), n);
  for (int32_t p = bits - 3; p >= 3; --p) {
    exchange(src, dst);
    inverseSplit<Lanes>(dst, src, twiddlesOfPass(plan, p), int32_t{1} << p, quarter);
  }
  inverseLastStages<Lanes>(output, dst, plan.bitReversal, plan.halfSqrt2, quarter);
}

template <int32_t V>
using Fixed = std::integral_constant<int32_t, V>;

// The whole transforms for one length known at compile time, so that every
// size and offset in the passes is a constant. Same passes, same order.
template <class W, int32_t Bits, int32_t... P>
void forwardQuadFixed(const Plan& plan, float* output, const float* input, float* scratch,
                      std::integer_sequence<int32_t, P...>) {
  using Lanes = QuadLanes<W>;
  constexpr int32_t n = int32_t{1} << Bits;
  float* dst = (Bits & 1) ? output : scratch;
  float* src = (Bits & 1) ? scratch : output;
  forwardFirstStages<Lanes>(dst, input, plan.bitReversal, plan.halfSqrt2, Fixed<n / 4>{});
  ((exchange(src, dst),
    forwardMerge<Lanes>(dst, src, twiddlesOfPass(plan, P + 3), Fixed<(1 << (P + 3))>{}, Fixed<n / 4>{})),
   ...);
  exchange(src, dst);
  forwardMergeFromLanes<W>(dst, src, twiddlesOfPass(plan, Bits - 2), Fixed<n>{});
  exchange(src, dst);
  forwardMergePlain<QuadBlock<W>>(dst, src, twiddlesOfPass(plan, Bits - 1), Fixed<n / 2>{}, Fixed<n>{});
}

template <class W, int32_t Bits, int32_t... P>
void inverseQuadFixed(const Plan& plan, const float* input, float* output, float* scratch,
                      std::integer_sequence<int32_t, P...>) {
  using Lanes = QuadLanes<W>;
  constexpr int32_t n = int32_t{1} << Bits;
  float* dst = (Bits & 1) ? output : scratch;
  float* src = (Bits & 1) ? scratch : output;
  inverseSplitPlain<QuadBlock<W>>(dst, input, twiddlesOfPass(plan, Bits - 1), Fixed<n / 2>{}, Fixed<n>{});
  exchange(src, dst);
  inverseSplitToLanes<W>(dst, src, twiddlesOfPass(plan, Bits - 2), Fixed<n>{});
  // Passes Bits - 3 down to 3.
  ((exchange(src, dst), inverseSplit<Lanes>(dst, src, twiddlesOfPass(plan, Bits - 3 - P),
                                             Fixed<(1 << (Bits - 3 - P))>{}, Fixed<n / 4>{})),
   ...);
  inverseLastStages<Lanes>(output, dst, plan.bitReversal, plan.halfSqrt2, Fixed<n / 4>{});
}

// The effect's frames are 256 samples long: that length gets its own copy
// of the passes.
constexpr int32_t kFrameBitCount = 8;
using FrameMergePasses = std::make_integer_sequence<int32_t, kFrameBitCount - 5>;

template <class W>
void forwardQuad(const Plan& plan, float* output, const float* input, float* scratch) {
  if (plan.bitCount == kFrameBitCount) {
    forwardQuadFixed<W, kFrameBitCount>(plan, output, input, scratch, FrameMergePasses{});
  } else {
    forwardQuadPasses<W>(plan, output, input, scratch);
  }
}

template <class W>
void inverseQuad(const Plan& plan, const float* input, float* output, float* scratch) {
  if (plan.bitCount == kFrameBitCount) {
    inverseQuadFixed<W, kFrameBitCount>(plan, input, output, scratch, FrameMergePasses{});
  } else {
    inverseQuadPasses<W>(plan, input, output, scratch);
  }
}

template <class W>
constexpr QuadKernels kQuadKernels = {
    forwardQuad<W>,
    inverseQuad<W>,
    forwardMergeLanes<W>,
    forwardMergeFromLanes<W, int32_t>,
    forwardMergePlain<QuadBlock<W>, int32_t, int32_t>,
    inverseSplitLanes<W>,
    inverseSplitToLanes<W, int32_t>,
    inverseSplitPlain<QuadBlock<W>, int32_t, int32_t>,
};

}  // namespace
}  // namespace brisko::fourier
