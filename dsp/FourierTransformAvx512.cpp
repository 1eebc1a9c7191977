// Compiled with -mavx512f (and nothing else from this file may run before the
// CPU check): the transform with eight doubles per register. Reading the
// input in bit-reversed order as the four-lane passes do, but eight floats at
// a time, makes lane t the transform of x[8n + t]: the first passes run on
// eight interleaved eighth-length transforms, one pass joins them pairwise
// into the four-lane layout, and the last two passes go on as the four-lane
// ones do, eight values at a time. Same operations in the same order as the
// scalar passes, so the same bits.
#include "dsp/FourierTransformKernels.h"

#if defined(__AVX512F__)

// GCC 12's 512-bit intrinsics pass an "undefined" register as the source of
// their (absent) masked-off lanes, which it then reports as uninitialised.
#pragma GCC diagnostic ignored "-Wuninitialized"
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"

#include <immintrin.h>

#include <cstdint>
#include <utility>

#include "dsp/FourierTransformAvx2Wide.h"
#include "dsp/FourierTransformQuad.h"

namespace brisko::fourier {
namespace {

struct OctLanes {
  static constexpr int32_t kWidth = 8;
  struct Narrow {
    __m256 v;
  };
  struct Wide {
    __m512d v;
  };
  static Narrow load(const float* p) { return {_mm256_loadu_ps(p)}; }
  static Wide loadWide(const float* p) { return {_mm512_cvtps_pd(_mm256_loadu_ps(p))}; }
  static void store(float* p, Narrow v) { _mm256_storeu_ps(p, v.v); }
  static Wide widen(Narrow v) { return {_mm512_cvtps_pd(v.v)}; }
  static Narrow narrow(Wide v) { return {_mm512_cvtpd_ps(v.v)}; }
  static Wide broadcast(double v) { return {_mm512_set1_pd(v)}; }
  static Narrow sum(Narrow a, Narrow b) { return {_mm256_add_ps(a.v, b.v)}; }
  static Narrow difference(Narrow a, Narrow b) { return {_mm256_sub_ps(a.v, b.v)}; }
  // A product rather than a + a (the same exact result): it runs beside the sums.
  static Narrow twice(Narrow a) { return {_mm256_mul_ps(a.v, _mm256_set1_ps(2.0f))}; }
};

using OctWide = OctLanes::Wide;

// Sums on the multiply units, as in the four-lane passes.
inline OctWide operator+(OctWide a, OctWide b) { return {_mm512_fmadd_pd(a.v, _mm512_set1_pd(1.0), b.v)}; }
inline OctWide operator-(OctWide a, OctWide b) { return {_mm512_fmsub_pd(a.v, _mm512_set1_pd(1.0), b.v)}; }
inline OctWide operator*(OctWide a, OctWide b) { return {_mm512_mul_pd(a.v, b.v)}; }

inline OctWide widen(__m256 v) { return {_mm512_cvtps_pd(v)}; }
inline __m256 narrow(OctWide v) { return _mm512_cvtpd_ps(v.v); }
inline __m256 swapHalves(__m256 v) { return _mm256_permute2f128_ps(v, v, 0x01); }
inline __m256 lowHalves(__m256 a, __m256 b) { return _mm256_permute2f128_ps(a, b, 0x20); }
inline __m256 highHalves(__m256 a, __m256 b) { return _mm256_permute2f128_ps(a, b, 0x31); }

// Twiddles i and i + 1, each for four lanes.
inline OctWide twiddlePair(const double* p) {
  return {_mm512_permutexvar_pd(_mm512_set_epi64(1, 1, 1, 1, 0, 0, 0, 0), _mm512_castpd128_pd512(_mm_loadu_pd(p)))};
}

// The merging pass with m = n / 8 that joins the eight lane transforms
// pairwise: lanes t and t + 4 of the eight-lane array V hold the two halves
// that become lane t of the four-lane array D. Two indices at a time; an
// element of D holds one index of all four groups.
template <class N>
BRISKO_PASS void forwardMergeOctToQuad(float* D, const float* V, Twiddles twiddles, N n) {
  const int32_t m = n / 8, h = m / 2;
  const __m256 ends = _mm256_loadu_ps(V), middles = _mm256_loadu_ps(V + 8 * h);
  const __m128 first = _mm256_castps256_ps128(ends), second = _mm256_extractf128_ps(ends, 1);
  _mm_storeu_ps(D, _mm_add_ps(first, second));
  _mm_storeu_ps(D + 4 * m, _mm_sub_ps(first, second));
  _mm_storeu_ps(D + 4 * h, _mm256_castps256_ps128(middles));
  _mm_storeu_ps(D + 4 * (m + h), _mm256_extractf128_ps(middles, 1));
  forEachPair(h, [&](int32_t i) {
    const __m256 low = _mm256_loadu_ps(V + 8 * i), lowNext = _mm256_loadu_ps(V + 8 * (i + 1));
    const __m256 high = _mm256_loadu_ps(V + 8 * (h + i)), highNext = _mm256_loadu_ps(V + 8 * (h + i + 1));
    const OctWide l = widen(lowHalves(low, lowNext)), r = widen(highHalves(low, lowNext));
    const OctWide hi = widen(lowHalves(high, highNext)), q = widen(highHalves(high, highNext));
    const OctWide co = twiddlePair(twiddles.cosines + i), si = twiddlePair(twiddles.sines + i);
    OctWide v = r * co - q * si;
    _mm256_storeu_ps(D + 4 * i, narrow(l + v));
    _mm256_storeu_ps(D + 4 * (m - i - 1), swapHalves(narrow(l - v)));
    v = r * si + q * co;
    _mm256_storeu_ps(D + 4 * (m + i), narrow(v + hi));
    _mm256_storeu_ps(D + 4 * (2 * m - i - 1), swapHalves(narrow(v - hi)));
  });
}

// The splitting pass with m = n / 8 from the four-lane array S into the
// eight-lane array D, the inverse of forwardMergeOctToQuad up to a factor of 2.
template <class N>
BRISKO_PASS void inverseSplitQuadToOct(float* D, const float* S, Twiddles twiddles, N n) {
  const int32_t m = n / 8, h = m / 2;
  const __m128 first = _mm_loadu_ps(S), second = _mm_loadu_ps(S + 4 * m);
  const __m128 two = _mm_set1_ps(2.0f);
  _mm256_storeu_ps(D, _mm256_set_m128(_mm_sub_ps(first, second), _mm_add_ps(first, second)));
  _mm256_storeu_ps(D + 8 * h, _mm256_set_m128(_mm_mul_ps(_mm_loadu_ps(S + 4 * (m + h)), two),
                                              _mm_mul_ps(_mm_loadu_ps(S + 4 * h), two)));
  forEachPair(h, [&](int32_t i) {
    const __m256 up = _mm256_loadu_ps(S + 4 * i), down = swapHalves(_mm256_loadu_ps(S + 4 * (m - i - 1)));
    const __m256 upHigh = _mm256_loadu_ps(S + 4 * (m + i));
    const __m256 downHigh = swapHalves(_mm256_loadu_ps(S + 4 * (2 * m - i - 1)));
    const OctWide co = twiddlePair(twiddles.cosines + i), si = twiddlePair(twiddles.sines + i);
    const OctWide vr = widen(up) - widen(down), vi = widen(upHigh) + widen(downHigh);
    const __m256 low = _mm256_add_ps(up, down), high = _mm256_sub_ps(upHigh, downHigh);
    const __m256 re = narrow(vr * co + vi * si), im = narrow(vi * co - vr * si);
    _mm256_storeu_ps(D + 8 * i, lowHalves(low, re));
    _mm256_storeu_ps(D + 8 * (i + 1), highHalves(low, re));
    _mm256_storeu_ps(D + 8 * (h + i), lowHalves(high, im));
    _mm256_storeu_ps(D + 8 * (h + i + 1), highHalves(high, im));
  });
}

inline __m256 reversed(__m256 v) { return _mm256_permutevar8x32_ps(v, _mm256_setr_epi32(7, 6, 5, 4, 3, 2, 1, 0)); }

// Blocks of eight consecutive floats for the generic plain passes (m >= 32).
struct OctBlock {
  static constexpr int32_t kSize = 8;
  using Floats = __m256;
  using Wide = OctWide;
  static Floats load(const float* p) { return _mm256_loadu_ps(p); }
  static void store(float* p, Floats v) { _mm256_storeu_ps(p, v); }
  static Floats reverse(Floats v) { return reversed(v); }
  static Floats sum(Floats a, Floats b) { return _mm256_add_ps(a, b); }
  static Floats difference(Floats a, Floats b) { return _mm256_sub_ps(a, b); }
  static Wide widen(Floats v) { return brisko::fourier::widen(v); }
  static Floats narrow(Wide v) { return brisko::fourier::narrow(v); }
  static Wide loadWidened(const float* p) { return OctLanes::loadWide(p); }
  static Wide loadTwiddles(const double* p) { return {_mm512_loadu_pd(p)}; }
};

// Twiddles i .. i + 3, each for two lanes side by side.
inline OctWide twiddlesPairwise(const double* p) {
  return {_mm512_permutexvar_pd(_mm512_setr_epi64(0, 0, 1, 1, 2, 2, 3, 3), _mm512_castpd256_pd512(_mm256_loadu_pd(p)))};
}

// Four indices' (S[c+i], S[c+m+i]) of both groups from the four-lane array,
// widened and sorted: first the S[c+i] of i .. i + 3, then the S[c+m+i], each
// as (group 0, group 1) pairs.
inline std::pair<OctWide, OctWide> loadGroupPairs(const float* p) {
  const __m512d a = _mm512_cvtps_pd(_mm256_loadu_ps(p)), b = _mm512_cvtps_pd(_mm256_loadu_ps(p + 8));
  return {{_mm512_permutex2var_pd(a, _mm512_setr_epi64(0, 1, 4, 5, 8, 9, 12, 13), b)},
          {_mm512_permutex2var_pd(a, _mm512_setr_epi64(2, 3, 6, 7, 10, 11, 14, 15), b)}};
}

// (group 0, group 1) pairs of four indices i .. i + 3, stored to each
// group's plain layout at the given addresses: upwards in index order, or
// downwards (the address holds index i + 3, the next float i + 2, ...).
inline void storeGroupsUpwards(float* group0, float* group1, __m256 v) {
  const __m256 byGroup = _mm256_permutevar8x32_ps(v, _mm256_setr_epi32(0, 2, 4, 6, 1, 3, 5, 7));
  _mm_storeu_ps(group0, _mm256_castps256_ps128(byGroup));
  _mm_storeu_ps(group1, _mm256_extractf128_ps(byGroup, 1));
}

inline void storeGroupsDownwards(float* group0, float* group1, __m256 v) {
  const __m256 byGroup = _mm256_permutevar8x32_ps(v, _mm256_setr_epi32(6, 4, 2, 0, 7, 5, 3, 1));
  _mm_storeu_ps(group0, _mm256_castps256_ps128(byGroup));
  _mm_storeu_ps(group1, _mm256_extractf128_ps(byGroup, 1));
}

// The merging pass that joins the four lane transforms pairwise (m = n / 4),
// as forwardMergeFromLanes, four indices of both groups at a time.
template <class N>
BRISKO_PASS void forwardMergeFromLanesOct(float* D, const float* V, Twiddles twiddles, N n) {
  const int32_t m = n / 4, h = m / 2;
  forwardMergeEndsFromLanes(D, V, n);
  float* D0 = D;
  float* D1 = D + 2 * m;
  forEachBlockOfFour(h, [&](int32_t i) {
    const auto [l, r] = loadGroupPairs(V + 4 * i);
    const auto [hi, q] = loadGroupPairs(V + 4 * (h + i));
    const OctWide co = twiddlesPairwise(twiddles.cosines + i), si = twiddlesPairwise(twiddles.sines + i);
    OctWide v = r * co - q * si;
    storeGroupsUpwards(D0 + i, D1 + i, narrow(l + v));
    storeGroupsDownwards(D0 + m - i - 3, D1 + m - i - 3, narrow(l - v));
    v = r * si + q * co;
    storeGroupsUpwards(D0 + m + i, D1 + m + i, narrow(v + hi));
    storeGroupsDownwards(D0 + 2 * m - i - 3, D1 + 2 * m - i - 3, narrow(v - hi));
  });
}

inline __m256 reversedQuads(__m256 v) { return _mm256_shuffle_ps(v, v, _MM_SHUFFLE(0, 1, 2, 3)); }

// Four floats of group 0 at p and of group 1 at p + 2m, in one register.
inline __m256 loadBothGroups(const float* p, int32_t m) {
  return _mm256_set_m128(_mm_loadu_ps(p + 2 * m), _mm_loadu_ps(p));
}

// Four lane array elements from four indices of both groups' a (lanes 0, 1)
// and b (lanes 2, 3): a 4 x 4 transpose.
inline void storeLaneElements(float* p, __m256 a, __m256 b) {
  const __m512 both = _mm512_castpd_ps(_mm512_insertf64x4(_mm512_castpd256_pd512(_mm256_castps_pd(a)),
                                                          _mm256_castps_pd(b), 1));
  const __m512i order = _mm512_setr_epi32(0, 4, 8, 12, 1, 5, 9, 13, 2, 6, 10, 14, 3, 7, 11, 15);
  _mm512_storeu_ps(p, _mm512_permutexvar_ps(order, both));
}

// The splitting pass into the four lane transforms (m = n / 4), as
// inverseSplitToLanes, four indices of both groups at a time.
template <class N>
BRISKO_PASS void inverseSplitToLanesOct(float* V, const float* S, Twiddles twiddles, N n) {
  const int32_t m = n / 4, h = m / 2;
  inverseSplitEndsToLanes(V, S, n);
  forEachBlockOfFour(h, [&](int32_t i) {
    const __m256 up = loadBothGroups(S + i, m), down = reversedQuads(loadBothGroups(S + m - i - 3, m));
    const __m256 upHigh = loadBothGroups(S + m + i, m);
    const __m256 downHigh = reversedQuads(loadBothGroups(S + 2 * m - i - 3, m));
    const OctWide co = {_mm512_broadcast_f64x4(_mm256_loadu_pd(twiddles.cosines + i))};
    const OctWide si = {_mm512_broadcast_f64x4(_mm256_loadu_pd(twiddles.sines + i))};
    const OctWide vr = widen(up) - widen(down), vi = widen(upHigh) + widen(downHigh);
    storeLaneElements(V + 4 * i, _mm256_add_ps(up, down), narrow(vr * co + vi * si));
    storeLaneElements(V + 4 * (h + i), _mm256_sub_ps(upHigh, downHigh), narrow(vi * co - vr * si));
  });
}

template <int32_t V>
using Fixed = std::integral_constant<int32_t, V>;

// Any length of 64 and more, its sizes read from the plan. The passes
// alternate between output and scratch so that the last lands in output.
void forwardOctPasses(const Plan& plan, float* output, const float* input, float* scratch) {
  const int32_t n = plan.length, bits = plan.bitCount;
  float* dst = (bits & 1) ? output : scratch;
  float* src = (bits & 1) ? scratch : output;
  forwardFirstStages<OctLanes>(dst, input, plan.bitReversal, plan.halfSqrt2, n / 8);
  for (int32_t p = 3; p <= bits - 4; ++p) {
    exchange(src, dst);
    forwardMerge<OctLanes>(dst, src, twiddlesOfPass(plan, p), int32_t{1} << p, n / 8);
  }
  exchange(src, dst);
  forwardMergeOctToQuad(dst, src, twiddlesOfPass(plan, bits - 3), n);
  exchange(src, dst);
  forwardMergeFromLanesOct(dst, src, twiddlesOfPass(plan, bits - 2), n);
  exchange(src, dst);
  forwardMergePlain<OctBlock>(dst, src, twiddlesOfPass(plan, bits - 1), n / 2, n);
}

// Each pass reads what the previous one wrote; the last split lands in
// scratch, as the final stages write output.
void inverseOctPasses(const Plan& plan, const float* input, float* output, float* scratch) {
  const int32_t n = plan.length, bits = plan.bitCount;
  float* dst = (bits & 1) ? output : scratch;
  float* src = (bits & 1) ? scratch : output;
  inverseSplitPlain<OctBlock>(dst, input, twiddlesOfPass(plan, bits - 1), n / 2, n);
  exchange(src, dst);
  inverseSplitToLanesOct(dst, src, twiddlesOfPass(plan, bits - 2), n);
  exchange(src, dst);
  inverseSplitQuadToOct(dst, src, twiddlesOfPass(plan, bits - 3), n);
  for (int32_t p = bits - 4; p >= 3; --p) {
    exchange(src, dst);
    inverseSplit<OctLanes>(dst, src, twiddlesOfPass(plan, p), int32_t{1} << p, n / 8);
  }
  inverseLastStages<OctLanes>(output, dst, plan.bitReversal, plan.halfSqrt2, n / 8);
}

// The same passes for the effect's frame length, every size a constant.
constexpr int32_t kFrameBits = 8;
template <int32_t... P>
void forwardOctFrame(const Plan& plan, float* output, const float* input, float* scratch,
                     std::integer_sequence<int32_t, P...>) {
  constexpr int32_t n = int32_t{1} << kFrameBits;
  float* dst = (kFrameBits & 1) ? output : scratch;
  float* src = (kFrameBits & 1) ? scratch : output;
  forwardFirstStages<OctLanes>(dst, input, plan.bitReversal, plan.halfSqrt2, Fixed<n / 8>{});
  ((exchange(src, dst),
    forwardMerge<OctLanes>(dst, src, twiddlesOfPass(plan, P + 3), Fixed<(1 << (P + 3))>{}, Fixed<n / 8>{})),
   ...);
  exchange(src, dst);
  forwardMergeOctToQuad(dst, src, twiddlesOfPass(plan, kFrameBits - 3), Fixed<n>{});
  exchange(src, dst);
  forwardMergeFromLanesOct(dst, src, twiddlesOfPass(plan, kFrameBits - 2), Fixed<n>{});
  exchange(src, dst);
  forwardMergePlain<OctBlock>(dst, src, twiddlesOfPass(plan, kFrameBits - 1), Fixed<n / 2>{}, Fixed<n>{});
}

template <int32_t... P>
void inverseOctFrame(const Plan& plan, const float* input, float* output, float* scratch,
                     std::integer_sequence<int32_t, P...>) {
  constexpr int32_t n = int32_t{1} << kFrameBits;
  float* dst = (kFrameBits & 1) ? output : scratch;
  float* src = (kFrameBits & 1) ? scratch : output;
  inverseSplitPlain<OctBlock>(dst, input, twiddlesOfPass(plan, kFrameBits - 1), Fixed<n / 2>{}, Fixed<n>{});
  exchange(src, dst);
  inverseSplitToLanesOct(dst, src, twiddlesOfPass(plan, kFrameBits - 2), Fixed<n>{});
  exchange(src, dst);
  inverseSplitQuadToOct(dst, src, twiddlesOfPass(plan, kFrameBits - 3), Fixed<n>{});
  // Passes kFrameBits - 4 down to 3.
  ((exchange(src, dst), inverseSplit<OctLanes>(dst, src, twiddlesOfPass(plan, kFrameBits - 4 - P),
                                                Fixed<(1 << (kFrameBits - 4 - P))>{}, Fixed<n / 8>{})),
   ...);
  inverseLastStages<OctLanes>(output, dst, plan.bitReversal, plan.halfSqrt2, Fixed<n / 8>{});
}

using FrameOctPasses = std::make_integer_sequence<int32_t, kFrameBits - 6>;

void forwardOct(const Plan& plan, float* output, const float* input, float* scratch) {
  if (plan.bitCount == kFrameBits) {
    forwardOctFrame(plan, output, input, scratch, FrameOctPasses{});
  } else {
    forwardOctPasses(plan, output, input, scratch);
  }
}

void inverseOct(const Plan& plan, const float* input, float* output, float* scratch) {
  if (plan.bitCount == kFrameBits) {
    inverseOctFrame(plan, input, output, scratch, FrameOctPasses{});
  } else {
    inverseOctPasses(plan, input, output, scratch);
  }
}

// The single passes for the tests: the passes over plain layouts as the
// whole transforms run them (blocks of eight need m >= 32), and the four-lane
// passes, which the whole transforms do not use; the eight-lane passes are
// checked through the whole transforms.
void forwardMergePlainPass(float* D, const float* S, Twiddles twiddles, int32_t m, int32_t n) {
  if (m >= 32) return forwardMergePlain<OctBlock>(D, S, twiddles, m, n);
  kQuadKernels<Avx2Wide>.forwardMergePlain(D, S, twiddles, m, n);
}

void inverseSplitPlainPass(float* D, const float* S, Twiddles twiddles, int32_t m, int32_t n) {
  if (m >= 32) return inverseSplitPlain<OctBlock>(D, S, twiddles, m, n);
  kQuadKernels<Avx2Wide>.inverseSplitPlain(D, S, twiddles, m, n);
}

constexpr QuadKernels kAvx512 = {
    forwardOct,
    inverseOct,
    kQuadKernels<Avx2Wide>.forwardMergeLanes,
    forwardMergeFromLanesOct<int32_t>,
    forwardMergePlainPass,
    kQuadKernels<Avx2Wide>.inverseSplitLanes,
    inverseSplitToLanesOct<int32_t>,
    inverseSplitPlainPass,
};

}  // namespace

const QuadKernels* avx512KernelsUnchecked() { return &kAvx512; }

}  // namespace brisko::fourier

#endif
