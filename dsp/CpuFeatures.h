#pragma once

namespace brisko {

// True when both the CPU and the operating system support AVX2 with FMA: the
// CPU reports AVX, AVX2, FMA and OSXSAVE, and the OS saves the SSE and AVX
// register state on context switches (XCR0 bits 1 and 2). Checked once;
// false on targets other than x86.
bool cpuRunsAvx2();

// True when cpuRunsAvx2 is, the CPU reports AVX-512 Foundation, the OS also
// saves the mask and 512-bit register state (XCR0 bits 5 to 7), and the CPU
// is not one of Intel's first AVX-512 models, which slow the whole core down
// after 512-bit arithmetic.
bool cpuRunsAvx512();

}  // namespace brisko
