// The processing entry: both channels go through framing, the spectral delay
// engine and overlap-add before the first output sample is written, so
// in-place buffers give the same result as separate ones.
#include <cmath>
#include <cstdint>

#include "effect/SpectrumDelay.h"
#include "effect/SignalKernels.h"
#include "plugin/FloatingPointGuard.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace brisko {
namespace {

// The mix factor in 0 .. 1, whatever was stored; NaN mixes dry.
double mixFactor(float value) {
  if (!(value >= 0.0f)) return 0.0;
  return value > 1.0f ? 1.0 : value;
}

// The dry part of one sample. A non-finite sample keeps its dry part (the
// host's own value, scaled), except at a dry gain of 0, where it has none
// instead of the NaN that 0 * infinity would be. For finite samples this is
// exactly gain * sample.
double dryPart(double gain, double sample) {
  const double part = gain * sample;
  return gain == 0.0 && std::isnan(part) ? 0.0 : part;
}

// Whether samples i .. i + 3 of two buffers overlap nowhere but at the same
// sample (the same buffer, or buffers at least four samples apart).
bool sameOrApart(const float* a, const float* b) {
  const auto x = reinterpret_cast<uintptr_t>(a);
  const auto y = reinterpret_cast<uintptr_t>(b);
  const uintptr_t distance = x > y ? x - y : y - x;
  return distance == 0 || distance >= 4 * sizeof(float);
}

#if defined(__SSE2__)
// mixFactor of two values, without branches: a value compared >= 0 (not NaN
// nor negative) is kept, bits and all, anything else becomes +0; then at
// most 1.
__m128d mixFactors(float first, float second) {
  const __m128 values = _mm_unpacklo_ps(_mm_set_ss(first), _mm_set_ss(second));
  const __m128 kept = _mm_and_ps(_mm_cmpge_ps(values, _mm_setzero_ps()), values);
  return _mm_cvtps_pd(_mm_min_ps(kept, _mm_set1_ps(1.0f)));
}
#endif

}  // namespace

void SpectrumDelay::processAdding(float** inputs, float** outputs, int32_t sampleFrames) {
  processBlock(inputs, outputs, sampleFrames, true);
}

void SpectrumDelay::processOverwriting(float** inputs, float** outputs, int32_t sampleFrames) {
  processBlock(inputs, outputs, sampleFrames, false);
}

// Engines fed the same blocks stay in step, and then go through their frames
// together; otherwise (a channel without input at some time) each on its own.
// A block shorter than a hop mostly completes no frame: then the engines have
// nothing to do (their settings are taken afresh with the next frame).
void SpectrumDelay::processEngines(SpectrumFrameList* const* frames) {
  const auto hasFrames = [frames](int32_t c) { return frames[c] && frames[c]->count() > 0; };
  if (!hasFrames(0) && !hasFrames(1)) return;
  ChannelProcessor& left = *channels[0];
  ChannelProcessor& right = *channels[1];
  if (frames[0] && frames[1] &&
      ChannelProcessor::processFramesInStep(left, right, loadParameter(kParamDelayTime), loadParameter(kParamFeedback),
                                            loadParameter(kParamModFreq), loadParameter(kParamModAmp),
                                            loadParameter(kParamBinDelay))) {
    return;
  }
  for (int32_t c = 0; c < kChannels; ++c) {
    if (!hasFrames(c)) continue;
    channels[c]->processFrames(loadParameter(kParamDelayTime), loadParameter(kParamFeedback),
                               loadParameter(kParamModFreq), loadParameter(kParamModAmp),
                               loadParameter(kParamBinDelay));
  }
}

void SpectrumDelay::processBlock(float** inputs, float** outputs, int32_t sampleFrames, bool adding) {
  const FloatingPointGuard fixedArithmetic;
  hostTimeInfo(kTimeInfoFilter);  // asked for, not needed
  // A negative length is no block at all: the framing is left alone.
  if (sampleFrames < 0) return;
  for (const auto& engine : channels) engine->prefetchNextFrames(sampleFrames);

  const float* in[kChannels] = {};
  float* out[kChannels] = {};
  const float* wet[kChannels] = {};
  SpectrumFrameList* frames[kChannels] = {};
  for (int32_t c = 0; c < kChannels; ++c) {
    in[c] = inputs ? inputs[c] : nullptr;
    out[c] = outputs ? outputs[c] : nullptr;
    frames[c] = channels[c]->analyzer().analyze(in[c], sampleFrames);  // null for a missing input
    channels[c]->setBlockFrames(frames[c]);
  }
  processEngines(frames);
  for (int32_t c = 0; c < kChannels; ++c) {
    // A missing input has silence as its wet signal.
    if (frames[c]) wet[c] = channels[c]->synthesizer().synthesize(frames[c], sampleFrames);
  }

  // A block with an input sample that is not finite, or absurdly loud (the
  // analyzers tell), takes the careful mix below: rare, and the same bits.
  if (in[0] && in[1] && out[0] && out[1] && wet[0] && wet[1] && channels[0]->analyzer().lastBlockModerate() &&
      channels[1]->analyzer().lastBlockModerate()) {
    adding ? mixStereo<true>(in, out, wet, sampleFrames) : mixStereo<false>(in, out, wet, sampleFrames);
    return;
  }
  // Some channel pointer is missing, or some input sample is not moderate: a
  // missing input is silence, a missing output is skipped. Both inputs are
  // read before either output is written, as in the usual case.
  for (int32_t i = 0; i < sampleFrames; ++i) {
    const double w = mixFactor(loadParameter(kParamDryWet));
    double mixed[kChannels];
    for (int32_t c = 0; c < kChannels; ++c) {
      const double dry = in[c] ? in[c][i] : 0.0;
      const double delayed = wet[c] ? wet[c][i] : 0.0;
      mixed[c] = dryPart(1.0 - w, dry) + w * delayed;
    }
    for (int32_t c = 0; c < kChannels; ++c) {
      if (out[c]) out[c][i] = static_cast<float>(adding ? out[c][i] + mixed[c] : mixed[c]);
    }
  }
}

// The usual case, kept tight: "Dry/Wet" is still read as the mix goes, once
// per sample frame; each output sample is written after its own input sample
// was read, so in-place buffers work. The kernel set's loop takes four sample
// frames at a time; what it leaves (the tail, and buffers that overlap within
// four samples) goes two at a time through the two double lanes of an SSE2
// register, with the same operations each.
template <bool adding>
void SpectrumDelay::mixStereo(const float* const* in, float* const* out, const float* const* wet,
                              int32_t sampleFrames) {
  const float *in0 = in[0], *in1 = in[1], *wet0 = wet[0], *wet1 = wet[1];
  float *out0 = out[0], *out1 = out[1];
  int32_t i = 0;
  // Four sample frames at a time where no group of four could see another
  // output's writes before its own reads.
  const StereoMixQuads quads = activeSignalKernels().stereoMixQuads;
  if (quads && out0 != out1 && sameOrApart(out0, out1) && sameOrApart(out0, in0) && sameOrApart(out0, in1) &&
      sameOrApart(out1, in0) && sameOrApart(out1, in1)) {
    i = quads({{in0, in1}, {out0, out1}, {wet0, wet1}, &params[kParamDryWet], sampleFrames}, adding);
  }
#if defined(__SSE2__)
  const auto loadPair = [](const float* p) {
    return _mm_cvtps_pd(_mm_loadl_pi(_mm_setzero_ps(), reinterpret_cast<const __m64*>(p)));
  };
  // Both channels' inputs are read before either output is written, as
  // sample by sample, so even crossed in-place buffers give the same result.
  const auto mixPair = [&](__m128d dryGain, __m128d w, const float* dry, const float* delayed, const float* target) {
    const __m128d mixed = _mm_add_pd(_mm_mul_pd(dryGain, loadPair(dry)), _mm_mul_pd(w, loadPair(delayed)));
    return _mm_cvtpd_ps(adding ? _mm_add_pd(loadPair(target), mixed) : mixed);
  };
  // (When both outputs are one buffer, adding reads what the left one wrote.)
  for (; out0 != out1 && i + 2 <= sampleFrames; i += 2) {
    const float first = loadParameter(kParamDryWet);
    const float second = loadParameter(kParamDryWet);
    const __m128d w = mixFactors(first, second);
    const __m128d dryGain = _mm_sub_pd(_mm_set1_pd(1.0), w);
    const __m128 mixed0 = mixPair(dryGain, w, in0 + i, wet0 + i, out0 + i);
    const __m128 mixed1 = mixPair(dryGain, w, in1 + i, wet1 + i, out1 + i);
    _mm_storel_pi(reinterpret_cast<__m64*>(out0 + i), mixed0);
    _mm_storel_pi(reinterpret_cast<__m64*>(out1 + i), mixed1);
  }
#endif
  for (; i < sampleFrames; ++i) {
    const double w = mixFactor(loadParameter(kParamDryWet));
    const double dryGain = 1.0 - w;
    const double mixed0 = dryGain * in0[i] + w * wet0[i];
    const double mixed1 = dryGain * in1[i] + w * wet1[i];
    out0[i] = static_cast<float>(adding ? out0[i] + mixed0 : mixed0);
    out1[i] = static_cast<float>(adding ? out1[i] + mixed1 : mixed1);
  }
}

}  // namespace brisko
