#pragma once

#include <cstdint>

namespace brisko {

// The instruction sets the signal path has kernels for, each a whole set:
// a process runs every kernel from one of them (see activeKernelSet).
enum class KernelSet : int32_t {
  kSse2 = 0,    // the x86 baseline (plain code on other processors)
  kAvx2 = 1,    // AVX2 with FMA
  kAvx512 = 2,  // AVX-512 for the transform and the bin delay, AVX2 for the rest
};
inline constexpr int32_t kKernelSetCount = 3;

// "sse2", "avx2" or "avx512".
const char* kernelSetName(KernelSet set);
// True when this build has the set's kernels and the CPU and the operating
// system run them.
bool kernelSetRuns(KernelSet set);
// The best set that runs here.
KernelSet bestKernelSet();

// The set every kernel of this process comes from, chosen on first use by
// chooseKernelSet and never changed.
KernelSet activeKernelSet();
// Defined by the binary that links the signal path: the best set that runs
// in every shipped binary (KernelSetChoice.cpp); a set pinned at build time in
// the test builds of the plug-in, which check each set through the binary.
KernelSet chooseKernelSet();

}  // namespace brisko
