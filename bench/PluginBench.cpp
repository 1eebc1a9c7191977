// The whole plug-in through its record: stereo processReplacing in blocks of
// 512 at 44.1 kHz, as a host drives it.
#include <benchmark/benchmark.h>

#include <vector>

#include "effect/SpectrumDelay.h"
#include "plugin/EffectFactory.h"

namespace {

using namespace brisko;

constexpr int kRate = 44100;
constexpr int kBlock = 512;
constexpr int kBlocksPerSecond = (kRate + kBlock - 1) / kBlock;

intptr_t BRISKO_VSTCALL benchHost(AEffect*, int32_t opcode, int32_t, intptr_t, void*, float) {
  return opcode == audioMasterVersion ? 2400 : 0;
}

struct Stereo {
  explicit Stereo(size_t frames, float level) : in{std::vector<float>(frames), std::vector<float>(frames)},
                                                out{std::vector<float>(kBlock), std::vector<float>(kBlock)} {
    uint32_t state = 3;
    for (auto& channel : in)
      for (float& x : channel) {
        state = state * 1664525u + 1013904223u;
        x = level * (static_cast<float>(state >> 8) / 8388608.0f - 1.0f);
      }
  }
  std::vector<float> in[2], out[2];
};

AEffect* newEffect(std::initializer_list<std::pair<int32_t, float>> settings) {
  AEffect* effect = createEffectRecord(&benchHost, &SpectrumDelay::create);
  for (auto [index, value] : settings) effect->setParameter(effect, index, value);
  effect->dispatcher(effect, effMainsChanged, 0, 1, nullptr, 0.0f);
  return effect;
}

void processBlocks(AEffect* effect, Stereo& audio, int firstBlock, int blocks) {
  for (int b = 0; b < blocks; ++b) {
    const size_t at = static_cast<size_t>((firstBlock + b) * kBlock) % (audio.in[0].size() - kBlock + 1);
    float* inputs[2] = {audio.in[0].data() + at, audio.in[1].data() + at};
    float* outputs[2] = {audio.out[0].data(), audio.out[1].data()};
    effect->processReplacing(effect, inputs, outputs, kBlock);
  }
}

// One second of stereo audio per iteration; x_realtime is seconds of audio
// processed per second.
void processReplacingSecond(benchmark::State& state, bool binDelayAndModulation) {
  AEffect* effect = binDelayAndModulation
                        ? newEffect({{kParamBinDelay, 1.0f}, {kParamModFreq, 1.0f}, {kParamModAmp, 1.0f}})
                        : newEffect({});
  Stereo audio(static_cast<size_t>(kBlocksPerSecond * kBlock), 0.5f);
  for (auto _ : state) processBlocks(effect, audio, 0, kBlocksPerSecond);
  state.counters["x_realtime"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
  effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.0f);
}
BENCHMARK_CAPTURE(processReplacingSecond, defaults, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(processReplacingSecond, bin_delay_1_full_modulation, true)->Unit(benchmark::kMillisecond);

// Per block: steady loud input against the silent tail after it at feedback
// 0.99 (the tail's values decay into the subnormal range; the processing
// entry flushes them).
void feedbackTailBlock(benchmark::State& state, bool silentTail) {
  AEffect* effect = newEffect({{kParamDelayTime, 0.0f}, {kParamFeedback, 0.99f}});
  Stereo loud(static_cast<size_t>(400 * kBlock), 1.0f);
  Stereo silence(kBlock, 0.0f);
  processBlocks(effect, loud, 0, 400);
  if (silentTail) processBlocks(effect, silence, 0, 20000);
  Stereo& audio = silentTail ? silence : loud;
  int block = 0;
  for (auto _ : state) processBlocks(effect, audio, block++, 1);
  effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.0f);
}
BENCHMARK_CAPTURE(feedbackTailBlock, steady_loud_input, false);
BENCHMARK_CAPTURE(feedbackTailBlock, silent_tail_feedback_0_99, true);

}  // namespace
