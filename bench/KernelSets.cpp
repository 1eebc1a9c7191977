// Prints the kernel sets this CPU runs, one name a line, best last: the sets
// the pinned test builds of the plug-in can be checked and measured with.
#include <cstdio>

#include "dsp/KernelSet.h"

int main() {
  for (int set = 0; set < brisko::kKernelSetCount; ++set)
    if (brisko::kernelSetRuns(static_cast<brisko::KernelSet>(set)))
      std::printf("%s\n", brisko::kernelSetName(static_cast<brisko::KernelSet>(set)));
  return 0;
}
