#pragma once
// Flush-to-zero and denormals-are-zero for the lifetime of the guard, restoring the
// caller's mode afterwards. Decaying feedback tails would otherwise fall into
// denormal numbers and slow every operation on them. Audio thread: no system call.
// Writing the mode register is slow, so a guard inside another (the render cycle's
// around the kernel's) writes nothing.
#if defined(__SSE__) || defined(__x86_64__)
#include <xmmintrin.h>
#endif

namespace drollicant {

class DenormalGuard {
public:
  DenormalGuard() {
#if defined(__SSE__) || defined(__x86_64__)
    saved = _mm_getcsr();
    changed = (saved | kFlushToZero | kDenormalsAreZero) != saved;
    if (changed) _mm_setcsr(saved | kFlushToZero | kDenormalsAreZero);
#elif defined(__aarch64__)
    asm volatile("mrs %0, fpcr" : "=r"(saved));
    changed = (saved | kFlushToZero) != saved;
    if (changed) asm volatile("msr fpcr, %0" ::"r"(saved | kFlushToZero));
#endif
  }
  ~DenormalGuard() {
    if (!changed) return;
#if defined(__SSE__) || defined(__x86_64__)
    _mm_setcsr(saved);
#elif defined(__aarch64__)
    asm volatile("msr fpcr, %0" ::"r"(saved));
#endif
  }
  DenormalGuard(const DenormalGuard&) = delete;
  DenormalGuard& operator=(const DenormalGuard&) = delete;

private:
  bool changed = false;
#if defined(__SSE__) || defined(__x86_64__)
  static constexpr unsigned kFlushToZero = 0x8000;
  static constexpr unsigned kDenormalsAreZero = 0x0040;
  unsigned saved;
#else
  // FPCR.FZ flushes denormal inputs and results of single and double precision alike.
  static constexpr unsigned long long kFlushToZero = 1ull << 24;
  unsigned long long saved = 0;
#endif
};

}  // namespace drollicant
