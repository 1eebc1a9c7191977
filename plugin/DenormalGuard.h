#pragma once

#include <cstdint>

#if defined(__SSE2__) || defined(__x86_64__) || defined(_M_X64) || (defined(_M_IX86_FP) && _M_IX86_FP >= 2)
#include <xmmintrin.h>
#define BRISKO_HAS_MXCSR 1
#else
#define BRISKO_HAS_MXCSR 0
#endif

namespace brisko {

// Flushes denormal results and operands to zero while it lives, so a decaying
// feedback tail costs no more than silence, and then gives the caller back
// its floating-point state bit for bit. Does nothing where there is no MXCSR.
class DenormalGuard {
 public:
  static constexpr uint32_t kFlushToZero = 0x8000;
  static constexpr uint32_t kDenormalsAreZero = 0x0040;

#if BRISKO_HAS_MXCSR
  DenormalGuard() : saved_(_mm_getcsr()) { _mm_setcsr(saved_ | kFlushToZero | kDenormalsAreZero); }
  ~DenormalGuard() { _mm_setcsr(saved_); }
#else
  DenormalGuard() = default;
#endif
  DenormalGuard(const DenormalGuard&) = delete;
  DenormalGuard& operator=(const DenormalGuard&) = delete;

 private:
#if BRISKO_HAS_MXCSR
  unsigned int saved_;
#endif
};

}  // namespace brisko
