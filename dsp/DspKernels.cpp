#include "dsp/DspKernels.h"

namespace brisko {
namespace {

// Each table is built on first use, so a transform made while other files'
// statics are constructed finds it ready.
const DspKernels* table(KernelSet set) {
  switch (set) {
    case KernelSet::kSse2: {
      static const DspKernels sse2 = {fourier::sse2Kernels(), baselineFrameWindow(), baselineOverlapAdd()};
      return &sse2;
    }
#if defined(BRISKO_FFT_AVX2)
    case KernelSet::kAvx2: {
      static const DspKernels avx2 = {fourier::avx2KernelsUnchecked(), avx2FrameWindowUnchecked(),
                                      avx2OverlapAddUnchecked()};
      return &avx2;
    }
#if defined(BRISKO_FFT_AVX512)
    case KernelSet::kAvx512: {
      static const DspKernels avx512 = {fourier::avx512KernelsUnchecked(), avx2FrameWindowUnchecked(),
                                        avx2OverlapAddUnchecked()};
      return &avx512;
    }
#endif
#endif
    default:
      return nullptr;
  }
}

}  // namespace

const DspKernels* dspKernels(KernelSet set) { return kernelSetRuns(set) ? table(set) : nullptr; }

const DspKernels& activeDspKernels() {
  static const DspKernels& kernels = *table(activeKernelSet());
  return kernels;
}

}  // namespace brisko
