#pragma once

#include <cstdint>

#if defined(__SSE2__) || defined(__x86_64__) || defined(_M_X64) || (defined(_M_IX86_FP) && _M_IX86_FP >= 2)
#include <xmmintrin.h>
#define BRISKO_HAS_MXCSR 1
#else
#define BRISKO_HAS_MXCSR 0
#endif

#if defined(__i386__)
#define BRISKO_HAS_X87_CONTROL 1
#else
#define BRISKO_HAS_X87_CONTROL 0
#endif

namespace brisko {

// While it lives, the arithmetic runs under one fixed control state whatever
// the caller set: SSE with round to nearest, every exception masked, and
// denormal results and operands flushed to zero (so a decaying feedback tail
// costs no more than silence). The output bits and every table computed
// under it therefore never depend on the host's rounding mode, and a host
// that unmasks exceptions cannot trap in here. Denormals-are-zero also means
// that subnormal input samples are read as 0.
//
// On 32-bit x86 the x87 unit still runs the runtime's code (results returned
// on its stack, 64-bit integer conversions, the few library functions
// written for it), so its control word is fixed as well: round to nearest,
// 53-bit significands as the SSE2 arithmetic has, every exception masked.
//
// The caller's state comes back bit for bit, its status flags included.
// Does nothing where there is neither.
class FloatingPointGuard {
 public:
  static constexpr uint32_t kFlushToZero = 0x8000;
  static constexpr uint32_t kDenormalsAreZero = 0x0040;
  static constexpr uint32_t kAllExceptionsMasked = 0x1F80;
  // Rounding bits 13-14 zero: round to nearest; status flags clear.
  static constexpr uint32_t kControlWord = kAllExceptionsMasked | kFlushToZero | kDenormalsAreZero;
  // Precision bits 8-9 = 10 (53 bits), rounding bits 10-11 zero, masks 0-5 set.
  static constexpr uint16_t kX87ControlWord = 0x027F;

  FloatingPointGuard() {
#if BRISKO_HAS_MXCSR
    savedCsr_ = _mm_getcsr();
    _mm_setcsr(kControlWord);
#endif
#if BRISKO_HAS_X87_CONTROL
    __asm__ volatile("fnstcw %0\n\tfnstsw %1" : "=m"(savedX87Control_), "=m"(savedX87Status_));
    __asm__ volatile("fldcw %0" : : "m"(kX87ControlWord));
#endif
  }

  ~FloatingPointGuard() {
#if BRISKO_HAS_X87_CONTROL
    restoreX87();
#endif
#if BRISKO_HAS_MXCSR
    _mm_setcsr(savedCsr_);
#endif
  }

  FloatingPointGuard(const FloatingPointGuard&) = delete;
  FloatingPointGuard& operator=(const FloatingPointGuard&) = delete;

 private:
#if BRISKO_HAS_X87_CONTROL
  // The x87 environment as fnstenv stores it in 32-bit protected mode.
  struct X87Environment {
    uint32_t control;
    uint32_t status;
    uint32_t rest[5];  // tag word, instruction and operand pointers
  };
  // Exception flags 0-5, stack fault 6, error summary 7, busy 15: the
  // caller's. Condition codes and the stack top stay as they are now.
  static constexpr uint32_t kCallersStatusBits = 0x80FF;

  // The control word and exception flags go back as the caller had them; the
  // rest of the environment (stack top, tags) is taken as it is now.
  void restoreX87() {
    X87Environment environment;
    __asm__ volatile("fnstenv %0" : "=m"(environment));
    environment.control = (environment.control & 0xFFFF0000u) | savedX87Control_;
    environment.status = (environment.status & ~kCallersStatusBits) | (savedX87Status_ & kCallersStatusBits);
    __asm__ volatile("fldenv %0" : : "m"(environment));
  }

  uint16_t savedX87Control_ = 0;
  uint16_t savedX87Status_ = 0;
#endif
#if BRISKO_HAS_MXCSR
  unsigned int savedCsr_ = 0;
#endif
};

}  // namespace brisko
