// Cost of the spectral delay engine: per frame, and one channel per second of
// 44.1 kHz audio (analysis + engine + synthesis), plus the silent tail after
// loud input at high feedback, where decaying values become subnormal.
#include <benchmark/benchmark.h>
#include <xmmintrin.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "effect/ChannelProcessor.h"

namespace {

constexpr int kRate = 44100;
constexpr int kBlock = 512;

std::vector<float> noise(size_t n, float level) {
  std::vector<float> signal(n);
  uint32_t state = 7;
  for (float& x : signal) {
    state = state * 1664525u + 1013904223u;
    x = level * (static_cast<float>(state >> 8) / 8388608.0f - 1.0f);
  }
  return signal;
}

struct Settings {
  float delay, feedback, modFreq, modAmp, binDelay;
};

constexpr Settings kNoBinDelay{0.5f, 0.5f, 0.0f, 0.0f, 0.0f};
constexpr Settings kFullModulation{0.5f, 0.5f, 1.0f, 1.0f, 1.0f};

class Channel {
 public:
  Channel() : engine_(std::make_unique<brisko::ChannelProcessor>(kRate)) {}

  const float* block(const float* input, int n, const Settings& s) {
    brisko::SpectrumFrameList* frames = engine_->analyzer().analyze(input, n);
    engine_->setBlockFrames(frames);
    engine_->processFrames(s.delay, s.feedback, s.modFreq, s.modAmp, s.binDelay);
    return engine_->synthesizer().synthesize(frames, n);
  }

  brisko::ChannelProcessor& engine() { return *engine_; }

 private:
  std::unique_ptr<brisko::ChannelProcessor> engine_;
};

void processFramesOnly(benchmark::State& state, Settings s) {
  Channel channel;
  const auto input = noise(256, 0.5f);
  brisko::SpectrumFrameList* frames = channel.engine().analyzer().analyze(input.data(), 256);
  channel.engine().setBlockFrames(frames);
  // The engine replaces the spectrum by its delayed value; a fresh copy each
  // time keeps the values those of real audio rather than a decaying loop.
  const std::vector<float> spectrum = frames->at(0)->spectrum;
  for (auto _ : state) {
    std::copy(spectrum.begin(), spectrum.end(), frames->at(0)->spectrum.begin());
    channel.engine().processFrames(s.delay, s.feedback, s.modFreq, s.modAmp, s.binDelay);
    benchmark::DoNotOptimize(frames->at(0)->spectrum.data());
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK_CAPTURE(processFramesOnly, bin_delay_0, kNoBinDelay);
BENCHMARK_CAPTURE(processFramesOnly, bin_delay_1_modulated, kFullModulation);

// One second of audio in blocks of 512; the counter reports how many times
// faster than real time one channel runs.
void oneChannelSecond(benchmark::State& state, Settings s) {
  Channel channel;
  const auto input = noise(kRate + kBlock, 0.5f);
  for (auto _ : state) {
    for (int start = 0; start + kBlock <= kRate + kBlock - 1; start += kBlock) {
      benchmark::DoNotOptimize(channel.block(input.data() + start, kBlock, s));
    }
  }
  state.counters["x_realtime"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK_CAPTURE(oneChannelSecond, bin_delay_0, kNoBinDelay)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(oneChannelSecond, bin_delay_1_modulated, kFullModulation)->Unit(benchmark::kMillisecond);

// Blocks of silence after a burst of loud noise at feedback 0.99, against the
// same engine fed steady noise. flushToZero sets FTZ/DAZ around the loop, as
// the plug-in's processing entry does.
void feedbackTail(benchmark::State& state, bool silentTail, bool flushToZero) {
  // The shortest delay: the tail passes through the history every two frames.
  const Settings s{0.0f, 0.99f, 0.0f, 0.0f, 0.0f};
  Channel channel;
  const auto loud = noise(kBlock * 400, 1.0f);
  const std::vector<float> silence(kBlock, 0.0f);
  for (int i = 0; i < 400; ++i) channel.block(loud.data() + i * kBlock, kBlock, s);
  // Let the tail decay far enough for its values to become subnormal.
  const unsigned savedCsr = _mm_getcsr();
  if (flushToZero) _mm_setcsr(savedCsr | 0x8040);
  if (silentTail)
    for (int i = 0; i < 20000; ++i) channel.block(silence.data(), kBlock, s);
  int next = 0;
  for (auto _ : state) {
    const float* input = silentTail ? silence.data() : loud.data() + (next++ % 400) * kBlock;
    benchmark::DoNotOptimize(channel.block(input, kBlock, s));
  }
  _mm_setcsr(savedCsr);
}
BENCHMARK_CAPTURE(feedbackTail, steady_noise, false, false);
BENCHMARK_CAPTURE(feedbackTail, silent_tail, true, false);
BENCHMARK_CAPTURE(feedbackTail, steady_noise_ftz, false, true);
BENCHMARK_CAPTURE(feedbackTail, silent_tail_ftz, true, true);

}  // namespace
