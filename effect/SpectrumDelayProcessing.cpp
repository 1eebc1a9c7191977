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

const float* SpectrumDelay::wetSignal(int32_t c, const float* input, int32_t sampleFrames) {
  ChannelProcessor& engine = *channels[c];
  SpectrumFrameList* frames = engine.analyzer().analyze(input, sampleFrames);
  engine.setBlockFrames(frames);
  if (!frames) return nullptr;
  engine.processFrames(loadParameter(kParamDelayTime), loadParameter(kParamFeedback), loadParameter(kParamModFreq),
                       loadParameter(kParamModAmp), loadParameter(kParamBinDelay));
  return engine.synthesizer().synthesize(frames, sampleFrames);
}

void SpectrumDelay::processBlock(float** inputs, float** outputs, int32_t sampleFrames, bool adding) {
  const DenormalGuard flushDenormals;
  hostTimeInfo(kTimeInfoFilter);  // asked for, not needed
  // A negative length is no block at all: the framing is left alone.
  if (sampleFrames < 0) return;

  const float* in[kChannels] = {};
  float* out[kChannels] = {};
  const float* wet[kChannels] = {};
  for (int32_t c = 0; c < kChannels; ++c) {
    in[c] = inputs ? inputs[c] : nullptr;
    out[c] = outputs ? outputs[c] : nullptr;
    wet[c] = wetSignal(c, in[c], sampleFrames);  // a missing input has silence as its wet signal
  }

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

}  // namespace brisko
