#include "effect/StereoMix.h"

#include "dsp/CpuFeatures.h"

namespace brisko {

StereoMixQuads avx2StereoMixQuads() {
#if defined(BRISKO_ENGINE_AVX2)
  static const StereoMixQuads function = cpuRunsAvx2() ? avx2StereoMixQuadsUnchecked() : nullptr;
  return function;
#else
  return nullptr;
#endif
}

}  // namespace brisko
