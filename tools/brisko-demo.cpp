// Pushes a generated signal through one channel of the spectral delay and
// reports what came out: where the first echo lands and how loud it is.
#include <cmath>
#include <cstdio>
#include <numbers>
#include <vector>

#include "effect/ChannelProcessor.h"

namespace {

constexpr int kRate = 44100;
constexpr int kBlock = 512;

struct Report {
  double peak = 0.0;
  double energy = 0.0;
  int firstSound = -1;
};

Report render(const std::vector<float>& input, float delay, float feedback, float modFreq, float modAmp,
              float binDelay) {
  brisko::ChannelProcessor channel(kRate);
  Report report;
  for (size_t start = 0; start < input.size(); start += kBlock) {
    brisko::SpectrumFrameList* frames = channel.analyzer().analyze(input.data() + start, kBlock);
    channel.setBlockFrames(frames);
    channel.processFrames(delay, feedback, modFreq, modAmp, binDelay);
    const float* wet = channel.synthesizer().synthesize(frames, kBlock);
    for (int i = 0; i < kBlock; ++i) {
      const double value = std::fabs(wet[i]);
      if (value > 1e-4 && report.firstSound < 0) report.firstSound = static_cast<int>(start) + i;
      report.peak = std::max(report.peak, value);
      report.energy += value * value;
    }
  }
  return report;
}

}  // namespace

int main() {
  // Two seconds: a click at 0.1 s followed by a 440 Hz tone burst.
  std::vector<float> input(2 * kRate, 0.0f);
  input[kRate / 10] = 1.0f;
  for (int i = kRate / 2; i < kRate; ++i)
    input[i] = static_cast<float>(0.5 * std::sin(2 * std::numbers::pi * 440.0 * i / kRate));

  std::printf("Brisko Dynamic Spectrum Delay - one channel, %d Hz, blocks of %d\n", kRate, kBlock);
  std::printf("input: click at sample %d, 440 Hz burst from 0.5 s to 1.0 s\n\n", kRate / 10);
  std::printf("%-34s %12s %10s %10s\n", "setting", "first echo", "peak", "energy");
  struct Setting {
    const char* name;
    float delay, feedback, modFreq, modAmp, binDelay;
  };
  const Setting settings[] = {
      {"delay 0.05, no feedback", 0.05f, 0.0f, 0.0f, 0.0f, 0.0f},
      {"delay 0.05, feedback 0.8", 0.05f, 0.8f, 0.0f, 0.0f, 0.0f},
      {"delay 0.05, modulated", 0.05f, 0.5f, 0.5f, 0.5f, 0.0f},
      {"delay 0.05, bin delay 1.0", 0.05f, 0.5f, 0.0f, 0.0f, 1.0f},
  };
  for (const Setting& s : settings) {
    const Report r = render(input, s.delay, s.feedback, s.modFreq, s.modAmp, s.binDelay);
    const double echoMs = r.firstSound < 0 ? -1.0 : 1000.0 * (r.firstSound - kRate / 10) / kRate;
    std::printf("%-34s %9.1f ms %10.4f %10.3f\n", s.name, echoMs, r.peak, r.energy);
  }
  return 0;
}
