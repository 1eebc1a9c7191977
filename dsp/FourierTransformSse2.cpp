#include "dsp/FourierTransformSse2.h"

#if defined(__SSE2__)

#include <emmintrin.h>

#include <algorithm>
#include <utility>

// Four transforms of a quarter of the length run side by side in the lanes of
// SSE registers (element 4j + t of a lane array is position j of transform t:
// the bit-reversed input order makes transform t read x[4n + t]). The last two
// passes, which merge the four into one, run over four consecutive indices at
// a time instead. Every value goes through the same IEEE operations in the
// same order as in the scalar passes, so the bits are identical.

namespace brisko::fourier {
namespace {

struct Quad {
  __m128 v;
};

struct WideQuad {
  __m128d low, high;
};

inline WideQuad operator+(WideQuad a, WideQuad b) {
  return {_mm_add_pd(a.low, b.low), _mm_add_pd(a.high, b.high)};
}
inline WideQuad operator-(WideQuad a, WideQuad b) {
  return {_mm_sub_pd(a.low, b.low), _mm_sub_pd(a.high, b.high)};
}
inline WideQuad operator*(WideQuad a, WideQuad b) {
  return {_mm_mul_pd(a.low, b.low), _mm_mul_pd(a.high, b.high)};
}

inline WideQuad widen(__m128 v) { return {_mm_cvtps_pd(v), _mm_cvtps_pd(_mm_movehl_ps(v, v))}; }
inline __m128 narrow(WideQuad v) { return _mm_movelh_ps(_mm_cvtpd_ps(v.low), _mm_cvtpd_ps(v.high)); }
inline WideQuad loadWide(const double* p) { return {_mm_loadu_pd(p), _mm_loadu_pd(p + 2)}; }
inline __m128 reversed(__m128 v) { return _mm_shuffle_ps(v, v, _MM_SHUFFLE(0, 1, 2, 3)); }

struct Sse2Lanes {
  static constexpr int32_t kWidth = 4;
  using Narrow = Quad;
  using Wide = WideQuad;
  static Narrow load(const float* p) { return {_mm_loadu_ps(p)}; }
  static void store(float* p, Narrow v) { _mm_storeu_ps(p, v.v); }
  static Wide widen(Narrow v) { return fourier::widen(v.v); }
  static Narrow narrow(Wide v) { return {fourier::narrow(v)}; }
  static Wide broadcast(double v) { return {_mm_set1_pd(v), _mm_set1_pd(v)}; }
  static Narrow sum(Narrow a, Narrow b) { return {_mm_add_ps(a.v, b.v)}; }
  static Narrow difference(Narrow a, Narrow b) { return {_mm_sub_ps(a.v, b.v)}; }
  static Narrow twice(Narrow a) { return {_mm_add_ps(a.v, a.v)}; }
};

inline float toFloat(double value) { return static_cast<float>(value); }

// Index blocks of four covering 1 .. h - 1 (h >= 8, a power of two); the last
// block overlaps its predecessor and simply writes the same values again.
template <class Body>
void forEachBlockOfFour(int32_t h, Body body) {
  for (int32_t start = 1; start < h; start += 4) body(std::min(start, h - 4));
}

// Forward butterflies i .. i+3 of the group at D; low = S[c+i..], high =
// S[c+h+i..], re = S[c+m+i..], im = S[c+m+h+i..].
inline void forwardButterflies(float* D, int32_t m, int32_t i, Twiddles twiddles, __m128 low,
                               __m128 high, __m128 re, __m128 im) {
  const WideQuad co = loadWide(twiddles.cosines + i), si = loadWide(twiddles.sines + i);
  const WideQuad l = widen(low), hi = widen(high), r = widen(re), q = widen(im);
  WideQuad v = r * co - q * si;
  _mm_storeu_ps(D + i, narrow(l + v));
  _mm_storeu_ps(D + m - i - 3, reversed(narrow(l - v)));
  v = r * si + q * co;
  _mm_storeu_ps(D + m + i, narrow(v + hi));
  _mm_storeu_ps(D + 2 * m - i - 3, reversed(narrow(v - hi)));
}

// The group's first, middle and mirrored entries, which need no twiddles.
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

// Lane t of a lane array holds the spectrum of block {0, 2, 1, 3}[t] of the
// plain layout (blocks of a quarter length).
constexpr int32_t kLaneOfBlock[4] = {0, 2, 1, 3};

inline int32_t laneIndex(int32_t position, int32_t quarter) {
  return 4 * (position % quarter) + kLaneOfBlock[position / quarter];
}

struct Rows {
  __m128 r[4];
};

inline Rows transposed(const float* p) {
  Rows rows{{_mm_loadu_ps(p), _mm_loadu_ps(p + 4), _mm_loadu_ps(p + 8), _mm_loadu_ps(p + 12)}};
  _MM_TRANSPOSE4_PS(rows.r[0], rows.r[1], rows.r[2], rows.r[3]);
  return rows;
}

inline void storeTransposed(float* p, __m128 a, __m128 b, __m128 c, __m128 d) {
  _MM_TRANSPOSE4_PS(a, b, c, d);
  _mm_storeu_ps(p, a);
  _mm_storeu_ps(p + 4, b);
  _mm_storeu_ps(p + 8, c);
  _mm_storeu_ps(p + 12, d);
}

// Merging pass of plain-layout groups of 2m, four indices at a time.
void forwardMergePlain(float* D, const float* S, Twiddles twiddles, int32_t m, int32_t n) {
  const int32_t h = m / 2;
  for (int32_t c = 0; c < n; c += 2 * m) {
    const float* s = S + c;
    float* d = D + c;
    forwardMergeEnds([s](int32_t k) { return s[k]; }, [d](int32_t k, float v) { d[k] = v; }, m);
    forEachBlockOfFour(h, [&](int32_t i) {
      forwardButterflies(d, m, i, twiddles, _mm_loadu_ps(s + i), _mm_loadu_ps(s + h + i),
                         _mm_loadu_ps(s + m + i), _mm_loadu_ps(s + m + h + i));
    });
  }
}

// The merging pass that joins the four lane transforms pairwise (m = n / 4):
// reads a lane array, writes the plain layout.
void forwardMergeFromLanes(float* D, const float* V, Twiddles twiddles, int32_t n) {
  const int32_t m = n / 4, h = m / 2;
  for (int32_t g = 0; g < 2; ++g) {
    const int32_t c = g * 2 * m;
    float* d = D + c;
    forwardMergeEnds([V, c, m](int32_t k) { return V[laneIndex(c + k, m)]; },
                     [d](int32_t k, float v) { d[k] = v; }, m);
  }
  forEachBlockOfFour(h, [&](int32_t i) {
    const Rows low = transposed(V + 4 * i), high = transposed(V + 4 * (h + i));
    for (int32_t g = 0; g < 2; ++g)
      forwardButterflies(D + g * 2 * m, m, i, twiddles, low.r[g], high.r[g], low.r[2 + g], high.r[2 + g]);
  });
}

struct SplitOutputs {
  __m128 low, high, re, im;  // D[c+i..], D[c+h+i..], D[c+m+i..], D[c+m+h+i..]
};

// Inverse butterflies i .. i+3 of the group at S.
inline SplitOutputs inverseButterflies(const float* S, int32_t m, int32_t i, Twiddles twiddles) {
  const WideQuad co = loadWide(twiddles.cosines + i), si = loadWide(twiddles.sines + i);
  const __m128 up = _mm_loadu_ps(S + i), down = reversed(_mm_loadu_ps(S + m - i - 3));
  const __m128 upHigh = _mm_loadu_ps(S + m + i), downHigh = reversed(_mm_loadu_ps(S + 2 * m - i - 3));
  const WideQuad vr = widen(up) - widen(down);
  const WideQuad vi = widen(upHigh) + widen(downHigh);
  return {_mm_add_ps(up, down), _mm_sub_ps(upHigh, downHigh), narrow(vr * co + vi * si),
          narrow(vi * co - vr * si)};
}

void inverseSplitPlain(float* D, const float* S, Twiddles twiddles, int32_t m, int32_t n) {
  const int32_t h = m / 2;
  for (int32_t c = 0; c < n; c += 2 * m) {
    const float* s = S + c;
    float* d = D + c;
    inverseSplitEnds([s](int32_t k) { return s[k]; }, [d](int32_t k, float v) { d[k] = v; }, m);
    forEachBlockOfFour(h, [&](int32_t i) {
      const SplitOutputs out = inverseButterflies(s, m, i, twiddles);
      _mm_storeu_ps(d + i, out.low);
      _mm_storeu_ps(d + h + i, out.high);
      _mm_storeu_ps(d + m + i, out.re);
      _mm_storeu_ps(d + m + h + i, out.im);
    });
  }
}

// The splitting pass into the four lane transforms: reads the plain layout,
// writes a lane array.
void inverseSplitToLanes(float* V, const float* S, Twiddles twiddles, int32_t n) {
  const int32_t m = n / 4, h = m / 2;
  for (int32_t g = 0; g < 2; ++g) {
    const int32_t c = g * 2 * m;
    const float* s = S + c;
    inverseSplitEnds([s](int32_t k) { return s[k]; },
                     [V, c, m](int32_t k, float v) { V[laneIndex(c + k, m)] = v; }, m);
  }
  forEachBlockOfFour(h, [&](int32_t i) {
    const SplitOutputs first = inverseButterflies(S, m, i, twiddles);
    const SplitOutputs second = inverseButterflies(S + 2 * m, m, i, twiddles);
    storeTransposed(V + 4 * i, first.low, second.low, first.re, second.re);
    storeTransposed(V + 4 * (h + i), first.high, second.high, first.im, second.im);
  });
}

}  // namespace

void forwardSse2(const Plan& plan, float* output, const float* input, float* scratch) {
  const int32_t n = plan.length, bits = plan.bitCount, quarter = n / 4;
  // The passes alternate between output and scratch so that the last lands in output.
  float* dst = (bits & 1) ? output : scratch;
  float* src = (bits & 1) ? scratch : output;
  forwardFirstStages<Sse2Lanes>(dst, input, plan.bitReversal, plan.halfSqrt2, quarter);
  for (int32_t p = 3; p <= bits - 3; ++p) {
    std::swap(src, dst);
    forwardMerge<Sse2Lanes>(dst, src, plan.twiddlesOfPass(p), int32_t{1} << p, quarter);
  }
  std::swap(src, dst);
  forwardMergeFromLanes(dst, src, plan.twiddlesOfPass(bits - 2), n);
  std::swap(src, dst);
  forwardMergePlain(dst, src, plan.twiddlesOfPass(bits - 1), n / 2, n);
}

void inverseSse2(const Plan& plan, const float* input, float* output, float* scratch) {
  const int32_t n = plan.length, bits = plan.bitCount, quarter = n / 4;
  // Each pass reads what the previous one wrote; the last split lands in
  // scratch, as the final stages write output.
  float* dst = (bits & 1) ? output : scratch;
  float* src = (bits & 1) ? scratch : output;
  inverseSplitPlain(dst, input, plan.twiddlesOfPass(bits - 1), n / 2, n);
  std::swap(src, dst);
  inverseSplitToLanes(dst, src, plan.twiddlesOfPass(bits - 2), n);
  for (int32_t p = bits - 3; p >= 3; --p) {
    std::swap(src, dst);
    inverseSplit<Sse2Lanes>(dst, src, plan.twiddlesOfPass(p), int32_t{1} << p, quarter);
  }
  inverseLastStages<Sse2Lanes>(output, dst, plan.bitReversal, plan.halfSqrt2, quarter);
}

}  // namespace brisko::fourier

#endif  // __SSE2__
