#pragma once

#include <cstdint>

#if defined(__SSE2__) || defined(__x86_64__) || defined(_M_X64) || (defined(_M_IX86_FP) && _M_IX86_FP >= 2)
#include <xmmintrin.h>
#define BRISKO_HAS_MXCSR 1
#else
#define BRISKO_HAS_MXCSR 0
#endif

namespace brisko {

// While it lives, the SSE arithmetic runs under one fixed control state
// whatever the caller set: round to nearest, every exception masked, and
// denormal results and operands flushed to zero (so a decaying feedback tail
// costs no more than silence). The output bits therefore never depend on the
// host's rounding mode, and a host that unmasks exceptions cannot trap in
// here. The caller's state comes back bit for bit. Denormals-are-zero also
// means that subnormal input samples are read as 0. The x87 unit is left
// alone: the signal path uses SSE2 on every target. Does nothing where there
// is no MXCSR.
class DenormalGuard {
 public:
  static constexpr uint32_t kFlushToZero = 0x8000;
  static constexpr uint32_t kDenormalsAreZero = 0x0040;
  static constexpr uint32_t kAllExceptionsMasked = 0x1F80;
  // Rounding bits 13-14 zero: round to nearest; status flags clear.
  static constexpr uint32_t kControlWord = kAllExceptionsMasked | kFlushToZero | kDenormalsAreZero;

#if BRISKO_HAS_MXCSR
  DenormalGuard() : saved_(_mm_getcsr()) { _mm_setcsr(kControlWord); }
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
