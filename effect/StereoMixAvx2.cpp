// Compiled with -mavx2 -mfma (and nothing else from this file may run before
// the CPU check): four sample frames' doubles per register, the same operations
// in the same order as the mix frame by frame.
#include "effect/StereoMix.h"

#if defined(__AVX2__)

#include <immintrin.h>

#include "dsp/SumsOnMultiplyUnits.h"

namespace brisko {
namespace {

static_assert(sizeof(std::atomic<float>) == sizeof(float));

// A relaxed load through the builtin: a library inline function emitted from
// this unit could be picked by the linker for callers on CPUs without AVX.
inline float loadRelaxed(const std::atomic<float>* value) {
  float result;
  __atomic_load(reinterpret_cast<const float*>(value), &result, __ATOMIC_RELAXED);
  return result;
}

// The mix factors of four values read in turn, without branches: a value
// compared >= 0 (not NaN nor negative) is kept, bits and all, anything else
// becomes +0; then at most 1.
inline __m256d mixFactors(const std::atomic<float>* dryWet) {
  const float v0 = loadRelaxed(dryWet);
  const float v1 = loadRelaxed(dryWet);
  const float v2 = loadRelaxed(dryWet);
  const float v3 = loadRelaxed(dryWet);
  const __m128 values = _mm_setr_ps(v0, v1, v2, v3);
  const __m128 kept = _mm_and_ps(_mm_cmp_ps(values, _mm_setzero_ps(), _CMP_GE_OQ), values);
  return _mm256_cvtps_pd(_mm_min_ps(kept, _mm_set1_ps(1.0f)));
}

template <bool adding>
int32_t mixQuads(const StereoMixBlock& b) {
  const float *in0 = b.in[0], *in1 = b.in[1], *wet0 = b.wet[0], *wet1 = b.wet[1];
  float *out0 = b.out[0], *out1 = b.out[1];
  const auto mix = [](__m256d dryGain, __m256d w, const float* dry, const float* delayed, const float* target) {
    const __m256d mixed = sumOnMultiplyUnit(_mm256_mul_pd(dryGain, _mm256_cvtps_pd(_mm_loadu_ps(dry))),
                                            _mm256_mul_pd(w, _mm256_cvtps_pd(_mm_loadu_ps(delayed))));
    return _mm256_cvtpd_ps(adding ? sumOnMultiplyUnit(_mm256_cvtps_pd(_mm_loadu_ps(target)), mixed) : mixed);
  };
  int32_t i = 0;
  for (; i + 4 <= b.frames; i += 4) {
    const __m256d w = mixFactors(b.dryWet);
    const __m256d dryGain = _mm256_sub_pd(_mm256_set1_pd(1.0), w);
    const __m128 mixed0 = mix(dryGain, w, in0 + i, wet0 + i, out0 + i);
    const __m128 mixed1 = mix(dryGain, w, in1 + i, wet1 + i, out1 + i);
    _mm_storeu_ps(out0 + i, mixed0);
    _mm_storeu_ps(out1 + i, mixed1);
  }
  return i;
}

int32_t mixStereoQuads(const StereoMixBlock& block, bool adding) {
  return adding ? mixQuads<true>(block) : mixQuads<false>(block);
}

}  // namespace

StereoMixQuads avx2StereoMixQuadsUnchecked() { return mixStereoQuads; }

}  // namespace brisko

#endif
