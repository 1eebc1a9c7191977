#pragma once

#include "dsp/DspKernels.h"
#include "effect/BinDelayKernels.h"
#include "effect/StereoMix.h"

namespace brisko {

// Every kernel the signal path runs, of one instruction set: the signal
// library's (transform, analysis window, overlap-add), the bin delay and the
// stereo mix.
struct SignalKernels {
  KernelSet set;
  const DspKernels* dsp;
  const BinDelayKernels* binDelay;
  // Null (a target without SSE2): the mix goes frame by frame.
  StereoMixQuads stereoMixQuads;
};

// The table of `set`, or null where the set does not run (kernelSetRuns).
const SignalKernels* signalKernels(KernelSet set);
// The table of the process's kernel set (activeKernelSet).
const SignalKernels& activeSignalKernels();

}  // namespace brisko
