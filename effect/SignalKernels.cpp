#include "effect/SignalKernels.h"

namespace brisko {
namespace {

// Built on first use, as the signal library's tables are.
const SignalKernels* table(KernelSet set) {
  if (!kernelSetRuns(set)) return nullptr;
  switch (set) {
    case KernelSet::kSse2: {
      static const SignalKernels sse2 = {set, dspKernels(set), &baselineBinDelayKernels(),
                                         sse2StereoMixQuads()};
      return &sse2;
    }
#if defined(BRISKO_ENGINE_AVX2)
    case KernelSet::kAvx2: {
      static const SignalKernels avx2 = {set, dspKernels(set), avx2BinDelayKernelsUnchecked(),
                                         avx2StereoMixQuadsUnchecked()};
      return &avx2;
    }
#if defined(BRISKO_ENGINE_AVX512)
    case KernelSet::kAvx512: {
      static const SignalKernels avx512 = {set, dspKernels(set), avx512BinDelayKernelsUnchecked(),
                                           avx2StereoMixQuadsUnchecked()};
      return &avx512;
    }
#endif
#endif
    default:
      return nullptr;
  }
}

}  // namespace

const SignalKernels* signalKernels(KernelSet set) { return table(set); }

const SignalKernels& activeSignalKernels() {
  static const SignalKernels& kernels = *table(activeKernelSet());
  return kernels;
}

}  // namespace brisko
