#include "dsp/KernelSet.h"

#include "dsp/CpuFeatures.h"

namespace brisko {

const char* kernelSetName(KernelSet set) {
  switch (set) {
    case KernelSet::kSse2:
      return "sse2";
    case KernelSet::kAvx2:
      return "avx2";
    case KernelSet::kAvx512:
      return "avx512";
  }
  return "unknown";
}

bool kernelSetRuns(KernelSet set) {
  switch (set) {
    case KernelSet::kSse2:
      return true;
    case KernelSet::kAvx2:
#if defined(BRISKO_FFT_AVX2)
      return cpuRunsAvx2();
#else
      return false;
#endif
    case KernelSet::kAvx512:
#if defined(BRISKO_FFT_AVX2) && defined(BRISKO_FFT_AVX512)
      return cpuRunsAvx512();
#else
      return false;
#endif
  }
  return false;
}

KernelSet bestKernelSet() {
  if (kernelSetRuns(KernelSet::kAvx512)) return KernelSet::kAvx512;
  if (kernelSetRuns(KernelSet::kAvx2)) return KernelSet::kAvx2;
  return KernelSet::kSse2;
}

KernelSet activeKernelSet() {
  // A pinned set the CPU cannot run falls back to the baseline.
  static const KernelSet set = kernelSetRuns(chooseKernelSet()) ? chooseKernelSet() : KernelSet::kSse2;
  return set;
}

}  // namespace brisko
