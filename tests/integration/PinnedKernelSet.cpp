// Linked into the test builds of the plug-in in place of the library's
// choice: the kernel set named by BRISKO_PINNED_KERNEL_SET, where the CPU
// runs it. The binary also tells which set it runs, so a test knows that
// what it checked was the pinned set and not the fallback.
#include <cstdint>

#include "dsp/KernelSet.h"

#if defined(_WIN32)
#define BRISKO_PINNED_EXPORT __declspec(dllexport)
#else
#define BRISKO_PINNED_EXPORT __attribute__((visibility("default")))
#endif

namespace brisko {

KernelSet chooseKernelSet() { return static_cast<KernelSet>(BRISKO_PINNED_KERNEL_SET); }

}  // namespace brisko

extern "C" BRISKO_PINNED_EXPORT int32_t briskoActiveKernelSet() {
  return static_cast<int32_t>(brisko::activeKernelSet());
}
