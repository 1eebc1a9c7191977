#pragma once

#include "dsp/FourierTransformKernels.h"
#include "dsp/FrameWindow.h"
#include "dsp/KernelSet.h"
#include "dsp/OverlapAdd.h"

namespace brisko {

// The signal library's kernels of one instruction set.
struct DspKernels {
  const fourier::QuadKernels* transform;  // null: the scalar transform (targets without SSE2)
  FrameWindowFunction frameWindow;
  OverlapAddFunction overlapAdd;
};

// The table of `set`, or null where the set does not run (kernelSetRuns).
const DspKernels* dspKernels(KernelSet set);
// The table of the process's kernel set.
const DspKernels& activeDspKernels();

}  // namespace brisko
