#pragma once

namespace brisko {

// Sine oscillator that sweeps the delay; stepped once per frame.
struct ModulationOscillator {
  explicit ModulationOscillator(double sampleRate);

  // Advances the phase, then answers sin(phase) * amplitude.
  double nextValue();

  double amplitude = 0.0;
  float frequency = 0.0f;
  double phase = 0.0;  // radians, never wrapped
  double phaseStep;    // 2 pi / sample rate
};

}  // namespace brisko
