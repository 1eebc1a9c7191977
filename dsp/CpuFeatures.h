#pragma once

namespace brisko {

// True when both the CPU and the operating system support AVX2: the CPU
// reports AVX, AVX2 and OSXSAVE, and the OS saves the SSE and AVX register
// state on context switches (XCR0 bits 1 and 2). Checked once; false on
// targets other than x86.
bool cpuRunsAvx2();

}  // namespace brisko
