#include "effect/ModulationOscillator.h"

#include "dsp/PortableMath.h"

namespace brisko {

ModulationOscillator::ModulationOscillator(double sampleRate)
    : phaseStep(8.0 * pmath::atan(1.0) / sampleRate) {}

double ModulationOscillator::nextValue() {
  phase = phase + frequency * phaseStep;
  return pmath::sin(phase) * amplitude;
}

}  // namespace brisko
