#include "dsp/CpuFeatures.h"

#if defined(__i386__) || defined(__x86_64__)
#include <cpuid.h>
#endif

namespace brisko {
namespace {

#if defined(__i386__) || defined(__x86_64__)
// XGETBV without -mxsave, so this file builds for the SSE2 baseline.
unsigned long long extendedControlRegister0() {
  unsigned int low = 0, high = 0;
  __asm__ volatile("xgetbv" : "=a"(low), "=d"(high) : "c"(0));
  return (static_cast<unsigned long long>(high) << 32) | low;
}

bool detectAvx2() {
  unsigned int eax = 0, ebx = 0, ecx = 0, edx = 0;
  if (!__get_cpuid(1, &eax, &ebx, &ecx, &edx)) return false;
  const bool osSavesState = (ecx & bit_OSXSAVE) != 0;
  if (!osSavesState || (ecx & bit_AVX) == 0 || (ecx & bit_FMA) == 0) return false;
  // XMM (bit 1) and YMM (bit 2) state enabled by the OS.
  if ((extendedControlRegister0() & 0x6) != 0x6) return false;
  if (!__get_cpuid_count(7, 0, &eax, &ebx, &ecx, &edx)) return false;
  return (ebx & bit_AVX2) != 0;
}

// Intel's first AVX-512 cores (Skylake-SP to Cooper Lake, Cannon Lake, Xeon
// Phi) lower the whole core's clock for a while after 512-bit arithmetic,
// which would slow the host and every other plug-in on that core: they keep
// the AVX2 passes.
bool clockDropsUnder512BitArithmetic() {
  unsigned int eax = 0, ebx = 0, ecx = 0, edx = 0;
  if (!__get_cpuid(0, &eax, &ebx, &ecx, &edx)) return true;
  const bool intel = ebx == 0x756E6547 && edx == 0x49656E69 && ecx == 0x6C65746E;  // "GenuineIntel"
  if (!intel || !__get_cpuid(1, &eax, &ebx, &ecx, &edx)) return false;
  const unsigned int family = (eax >> 8) & 0xF;
  const unsigned int model = ((eax >> 4) & 0xF) | ((eax >> 12) & 0xF0);
  return family == 6 && (model == 0x55 || model == 0x66 || model == 0x57 || model == 0x85);
}

bool detectAvx512() {
  unsigned int eax = 0, ebx = 0, ecx = 0, edx = 0;
  if (!detectAvx2() || clockDropsUnder512BitArithmetic()) return false;
  if (!__get_cpuid_count(7, 0, &eax, &ebx, &ecx, &edx)) return false;
  // XMM, YMM, opmask, upper halves of ZMM0-15 and ZMM16-31 (bits 1, 2, 5, 6, 7).
  return (ebx & bit_AVX512F) != 0 && (extendedControlRegister0() & 0xE6) == 0xE6;
}
#else
bool detectAvx2() { return false; }
bool detectAvx512() { return false; }
#endif

}  // namespace

bool cpuRunsAvx2() {
  static const bool supported = detectAvx2();
  return supported;
}

bool cpuRunsAvx512() {
  static const bool supported = detectAvx512();
  return supported;
}

}  // namespace brisko
