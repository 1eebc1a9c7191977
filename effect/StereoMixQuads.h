#pragma once

// The stereo mix four sample frames at a time, written once for any lane
// type L holding four doubles: the same operations in the same order as the
// mix frame by frame. Included only by the x86 vector units (the SSE2
// baseline, AVX2), each compiled for its own instruction set; internal
// linkage on purpose, so that no function compiled for one set can be picked
// for another's callers.
//
// L provides: a type Doubles; widen (four floats to doubles), narrow (back,
// rounded), add, mul and oneMinus.

#include <immintrin.h>

#include "effect/StereoMix.h"

namespace brisko {
namespace {

static_assert(sizeof(std::atomic<float>) == sizeof(float));

// A relaxed load through the builtin: a library inline function emitted from
// a unit compiled for AVX2 could be picked by the linker for callers on CPUs
// without AVX.
inline float loadRelaxed(const std::atomic<float>* value) {
  float result;
  __atomic_load(reinterpret_cast<const float*>(value), &result, __ATOMIC_RELAXED);
  return result;
}

// The mix factors of four values read in turn, without branches: a value
// compared >= 0 (not NaN nor negative) is kept, bits and all, anything else
// becomes +0; then at most 1.
inline __m128 mixFactors(const std::atomic<float>* dryWet) {
  const float v0 = loadRelaxed(dryWet);
  const float v1 = loadRelaxed(dryWet);
  const float v2 = loadRelaxed(dryWet);
  const float v3 = loadRelaxed(dryWet);
  const __m128 values = _mm_setr_ps(v0, v1, v2, v3);
  const __m128 kept = _mm_and_ps(_mm_cmpge_ps(values, _mm_setzero_ps()), values);
  return _mm_min_ps(kept, _mm_set1_ps(1.0f));
}

template <class L, bool adding>
int32_t mixQuads(const StereoMixBlock& b) {
  using D = typename L::Doubles;
  const float *in0 = b.in[0], *in1 = b.in[1], *wet0 = b.wet[0], *wet1 = b.wet[1];
  float *out0 = b.out[0], *out1 = b.out[1];
  const auto mix = [](D dryGain, D w, const float* dry, const float* delayed, const float* target) {
    const D mixed = L::add(L::mul(dryGain, L::widen(_mm_loadu_ps(dry))), L::mul(w, L::widen(_mm_loadu_ps(delayed))));
    return L::narrow(adding ? L::add(L::widen(_mm_loadu_ps(target)), mixed) : mixed);
  };
  int32_t i = 0;
  for (; i + 4 <= b.frames; i += 4) {
    const D w = L::widen(mixFactors(b.dryWet));
    const D dryGain = L::oneMinus(w);
    const __m128 mixed0 = mix(dryGain, w, in0 + i, wet0 + i, out0 + i);
    const __m128 mixed1 = mix(dryGain, w, in1 + i, wet1 + i, out1 + i);
    _mm_storeu_ps(out0 + i, mixed0);
    _mm_storeu_ps(out1 + i, mixed1);
  }
  return i;
}

template <class L>
int32_t mixStereoQuads(const StereoMixBlock& block, bool adding) {
  return adding ? mixQuads<L, true>(block) : mixQuads<L, false>(block);
}

}  // namespace
}  // namespace brisko
