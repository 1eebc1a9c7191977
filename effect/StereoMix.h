#pragma once

#include <atomic>
#include <cstdint>

namespace brisko {

// One block of the stereo dry/wet mix: for each sample frame i, with
//   w = the mix factor of *dryWet (read once per sample frame, clamped to
//       0 .. 1, NaN as 0), in double,
//   mixed = (1 - w) * in[c][i] + w * wet[c][i]
// out[c][i] becomes mixed (or out[c][i] + mixed when adding), rounded to
// float, both channels' inputs read before either output is written.
struct StereoMixBlock {
  const float* in[2];
  float* out[2];
  const float* wet[2];
  const std::atomic<float>* dryWet;
  int32_t frames;
};

// Mixes the sample frames of a block four at a time, as far as whole groups
// of four go, and answers how many it mixed. Only for outputs that are not
// one buffer, and inputs and outputs that are either the same buffer or do
// not overlap within four samples: those give the bits of frame-by-frame.
using StereoMixQuads = int32_t (*)(const StereoMixBlock& block, bool adding);

// The SSE2 function, where the target has SSE2 (null otherwise), and the
// AVX2 one, compiled for AVX2: only through its kernel set's table
// (SignalKernels.h), which is there only where the CPU runs it.
StereoMixQuads sse2StereoMixQuads();
StereoMixQuads avx2StereoMixQuadsUnchecked();

}  // namespace brisko
