#include "tools/render/DemoSignal.h"

#include "dsp/PortableMath.h"

namespace brisko::render {
namespace {

constexpr double kSeconds = 4.0;
constexpr double kTwoPi = 6.283185307179586;
constexpr double kBeat = 0.25;  // seconds per step of the figure

// Deterministic noise in -1 .. 1.
struct Noise {
  uint32_t state;
  double next() {
    state = state * 1664525u + 1013904223u;
    return static_cast<double>(state >> 8) / 8388608.0 - 1.0;
  }
};

}  // namespace

AudioData makeDemoSignal(int32_t sampleRate) {
  const double rate = sampleRate;
  const size_t frames = static_cast<size_t>(kSeconds * rate);
  AudioData audio;
  audio.sampleRate = sampleRate;
  audio.channels.assign(2, std::vector<float>(frames));

  // A minor chord (A3, C4, E4, A4) with a soft attack and slow release;
  // each partial sits a little to one side.
  const double chord[] = {220.0, 261.6255653, 329.6275569, 440.0};
  const double pan[] = {0.3, 0.7, 0.4, 0.6};
  // The figure, in steps of a quarter second: kick on 0, 4, 8, 10, 12;
  // noise bursts on 2, 6, 14; clicks on every odd step.
  const bool kick[16] = {1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 1, 0, 1, 0, 0, 0};
  const bool burst[16] = {0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 1, 0};

  Noise noise{12345u};
  for (size_t i = 0; i < frames; ++i) {
    const double t = static_cast<double>(i) / rate;
    const double envelope = (t < 0.5 ? t / 0.5 : 1.0) * (t > kSeconds - 1.0 ? (kSeconds - t) / 1.0 : 1.0);
    double left = 0.0, right = 0.0;
    for (int n = 0; n < 4; ++n) {
      const double tone = 0.07 * envelope *
                          (pmath::sin(kTwoPi * chord[n] * t) + 0.3 * pmath::sin(kTwoPi * 2.0 * chord[n] * t));
      left += tone * (1.0 - pan[n]);
      right += tone * pan[n];
    }
    const int step = static_cast<int>(t / kBeat);
    const double inStep = t - step * kBeat;
    const double hiss = noise.next();
    if (step < 16 && kick[step]) {
      // A sine falling from 150 Hz to 50 Hz: its phase is the integral of the frequency.
      const double phase = kTwoPi * (50.0 * inStep + 100.0 * 0.03 * (1.0 - pmath::exp(-inStep / 0.03)));
      const double hit = 0.6 * pmath::exp(-inStep / 0.12) * pmath::sin(phase);
      left += hit;
      right += hit;
    }
    if (step < 16 && burst[step]) {
      const double hit = 0.35 * pmath::exp(-inStep / 0.05) * hiss;
      left += 0.8 * hit;
      right += hit;
    }
    if (step % 2 == 1 && inStep < 0.002) {
      const double click = 0.3 * (1.0 - inStep / 0.002);
      (step % 4 == 1 ? left : right) += click;
    }
    audio.channels[0][i] = static_cast<float>(left);
    audio.channels[1][i] = static_cast<float>(right);
  }
  return audio;
}

}  // namespace brisko::render
