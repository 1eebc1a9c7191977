// The processing entry: both channels go through framing, the spectral delay
// engine and overlap-add before the first output sample is written, so
// in-place buffers give the same result as separate ones.
#include "effect/SpectrumDelay.h"
#include "plugin/DenormalGuard.h"

namespace brisko {
namespace {

// The mix factor in 0 .. 1, whatever was stored; NaN mixes dry.
double mixFactor(float value) {
  if (!(value >= 0.0f)) return 0.0;
  return value > 1.0f ? 1.0 : value;
}

}  // namespace

void SpectrumDelay::processAdding(float** inputs, float** outputs, int32_t sampleFrames) {
  processBlock(inputs, outputs, sampleFrames, true);
}

void SpectrumDelay::processOverwriting(float** inputs, float** outputs, int32_t sampleFrames) {
  processBlock(inputs, outputs, sampleFrames, false);
}

// Engines fed the same blocks stay in step, and then go through their frames
// together; otherwise (a channel without input at some time) each on its own.
void SpectrumDelay::processEngines(SpectrumFrameList* const* frames) {
  ChannelProcessor& left = *channels[0];
  ChannelProcessor& right = *channels[1];
  if (frames[0] && frames[1] &&
      ChannelProcessor::processFramesInStep(left, right, loadParameter(kParamDelayTime), loadParameter(kParamFeedback),
                                            loadParameter(kParamModFreq), loadParameter(kParamModAmp),
                                            loadParameter(kParamBinDelay))) {
    return;
  }
  for (int32_t c = 0; c < kChannels; ++c) {
    if (!frames[c]) continue;
    channels[c]->processFrames(loadParameter(kParamDelayTime), loadParameter(kParamFeedback),
                               loadParameter(kParamModFreq), loadParameter(kParamModAmp),
                               loadParameter(kParamBinDelay));
  }
}

void SpectrumDelay::processBlock(float** inputs, float** outputs, int32_t sampleFrames, bool adding) {
  const DenormalGuard flushDenormals;
  hostTimeInfo(kTimeInfoFilter);  // asked for, not needed
  // A negative length is no block at all: the framing is left alone.
  if (sampleFrames < 0) return;
  for (const auto& engine : channels) engine->prefetchNextFrame();

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

  if (in[0] && in[1] && out[0] && out[1] && wet[0] && wet[1]) {
    adding ? mixStereo<true>(in, out, wet, sampleFrames) : mixStereo<false>(in, out, wet, sampleFrames);
    return;
  }
  // Some channel pointer is missing: a missing input is silence, a missing
  // output is skipped.
  for (int32_t i = 0; i < sampleFrames; ++i) {
    for (int32_t c = 0; c < kChannels; ++c) {
      if (!out[c]) continue;
      const double w = mixFactor(loadParameter(kParamDryWet));
      const double dry = in[c] ? in[c][i] : 0.0;
      const double delayed = wet[c] ? wet[c][i] : 0.0;
      const double mixed = (1.0 - w) * dry + w * delayed;
      out[c][i] = static_cast<float>(adding ? out[c][i] + mixed : mixed);
    }
  }
}

// The usual case, kept tight: "Dry/Wet" is still read as the mix goes, once
// per sample frame; each output sample is written after its own input sample
// was read, so in-place buffers work.
template <bool adding>
void SpectrumDelay::mixStereo(const float* const* in, float* const* out, const float* const* wet, int32_t sampleFrames) {
  const float *in0 = in[0], *in1 = in[1], *wet0 = wet[0], *wet1 = wet[1];
  float *out0 = out[0], *out1 = out[1];
  for (int32_t i = 0; i < sampleFrames; ++i) {
    const double w = mixFactor(loadParameter(kParamDryWet));
    const double dryGain = 1.0 - w;
    const double mixed0 = dryGain * in0[i] + w * wet0[i];
    const double mixed1 = dryGain * in1[i] + w * wet1[i];
    out0[i] = static_cast<float>(adding ? out0[i] + mixed0 : mixed0);
    out1[i] = static_cast<float>(adding ? out1[i] + mixed1 : mixed1);
  }
}

}  // namespace brisko
