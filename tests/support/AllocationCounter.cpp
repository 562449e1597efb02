#include "AllocationCounter.h"

#include <dlfcn.h>
#include <pthread.h>
#include <semaphore.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <cstdarg>
#include <cstddef>
#include <cstdlib>
#include <new>

namespace {
// Per thread, so other threads of the process (a host's, a sanitizer's) never count.
thread_local int openScopes = 0;
thread_local long heapCalls = 0;
thread_local long lockCalls = 0;
// Scopes open on any thread. Checked before the thread's own counters: some threads
// that lock have no thread-local storage to touch (LeakSanitizer's tracer, started by
// clone at exit), and with no scope open anywhere they must not reach it.
std::atomic<int> scopesAnywhere{0};

void note() noexcept {
  if (scopesAnywhere.load(std::memory_order_relaxed) > 0 && openScopes > 0) ++heapCalls;
}

void noteLock() noexcept {
  if (scopesAnywhere.load(std::memory_order_relaxed) > 0 && openScopes > 0) ++lockCalls;
}

void* allocate(std::size_t size, std::size_t alignment = 0) {
  note();
  if (size == 0) size = 1;
  void* memory = alignment > alignof(std::max_align_t)
                     ? std::aligned_alloc(alignment, (size + alignment - 1) / alignment * alignment)
                     : std::malloc(size);
  if (!memory) throw std::bad_alloc();
  return memory;
}

void* allocateOrNull(std::size_t size) noexcept {
  note();
  return std::malloc(size ? size : 1);
}

// Out of line so the compiler does not pair this free with an operator new above.
[[gnu::noinline]] void release(void* memory) noexcept {
  if (!memory) return;
  note();
  std::free(memory);
}

// The definition the interposed function hides (the C library's, or a sanitizer's),
// looked up once. A plain atomic rather than a function-local static: the guard of a
// static may itself wait on a futex, which would come back here.
template <class Function>
Function next(std::atomic<void*>& cache, const char* name) {
  void* function = cache.load(std::memory_order_relaxed);
  if (!function) {
    function = dlsym(RTLD_NEXT, name);
    cache.store(function, std::memory_order_relaxed);
  }
  return reinterpret_cast<Function>(function);
}
}  // namespace

void* operator new(std::size_t size) { return allocate(size); }
void* operator new[](std::size_t size) { return allocate(size); }
void* operator new(std::size_t size, std::align_val_t alignment) { return allocate(size, std::size_t(alignment)); }
void* operator new[](std::size_t size, std::align_val_t alignment) { return allocate(size, std::size_t(alignment)); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return allocateOrNull(size); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return allocateOrNull(size); }
void operator delete(void* memory, const std::nothrow_t&) noexcept { release(memory); }
void operator delete[](void* memory, const std::nothrow_t&) noexcept { release(memory); }
void operator delete(void* memory) noexcept { release(memory); }
void operator delete[](void* memory) noexcept { release(memory); }
void operator delete(void* memory, std::size_t) noexcept { release(memory); }
void operator delete[](void* memory, std::size_t) noexcept { release(memory); }
void operator delete(void* memory, std::align_val_t) noexcept { release(memory); }
void operator delete[](void* memory, std::align_val_t) noexcept { release(memory); }
void operator delete(void* memory, std::size_t, std::align_val_t) noexcept { release(memory); }
void operator delete[](void* memory, std::size_t, std::align_val_t) noexcept { release(memory); }

// Each lock or wait notes itself, then calls the definition it hides with the same
// arguments. Exported (see CMakeLists.txt), so plug-ins the test loads call these too.
#define DROLLICANT_COUNTED_LOCK(name, parameters, arguments, ...)             \
  namespace {                                                                 \
  std::atomic<void*> next_##name{nullptr};                                    \
  }                                                                           \
  extern "C" [[gnu::visibility("default")]] int name parameters __VA_ARGS__ { \
    noteLock();                                                               \
    return next<decltype(&::name)>(next_##name, #name) arguments;             \
  }

DROLLICANT_COUNTED_LOCK(pthread_mutex_lock, (pthread_mutex_t * m), (m), noexcept)
DROLLICANT_COUNTED_LOCK(pthread_mutex_trylock, (pthread_mutex_t * m), (m), noexcept)
DROLLICANT_COUNTED_LOCK(pthread_mutex_timedlock, (pthread_mutex_t * m, const timespec* t), (m, t), noexcept)
DROLLICANT_COUNTED_LOCK(pthread_mutex_clocklock, (pthread_mutex_t * m, clockid_t c, const timespec* t), (m, c, t),
                        noexcept)
DROLLICANT_COUNTED_LOCK(pthread_rwlock_rdlock, (pthread_rwlock_t * l), (l), noexcept)
DROLLICANT_COUNTED_LOCK(pthread_rwlock_wrlock, (pthread_rwlock_t * l), (l), noexcept)
DROLLICANT_COUNTED_LOCK(pthread_rwlock_tryrdlock, (pthread_rwlock_t * l), (l), noexcept)
DROLLICANT_COUNTED_LOCK(pthread_rwlock_trywrlock, (pthread_rwlock_t * l), (l), noexcept)
DROLLICANT_COUNTED_LOCK(pthread_rwlock_timedrdlock, (pthread_rwlock_t * l, const timespec* t), (l, t), noexcept)
DROLLICANT_COUNTED_LOCK(pthread_rwlock_timedwrlock, (pthread_rwlock_t * l, const timespec* t), (l, t), noexcept)
DROLLICANT_COUNTED_LOCK(pthread_spin_lock, (pthread_spinlock_t * l), (l), noexcept)
DROLLICANT_COUNTED_LOCK(pthread_spin_trylock, (pthread_spinlock_t * l), (l), noexcept)
DROLLICANT_COUNTED_LOCK(pthread_cond_wait, (pthread_cond_t * c, pthread_mutex_t* m), (c, m))
DROLLICANT_COUNTED_LOCK(pthread_cond_timedwait, (pthread_cond_t * c, pthread_mutex_t* m, const timespec* t), (c, m, t))
DROLLICANT_COUNTED_LOCK(pthread_cond_clockwait,
                        (pthread_cond_t * c, pthread_mutex_t* m, clockid_t k, const timespec* t), (c, m, k, t))
DROLLICANT_COUNTED_LOCK(sem_wait, (sem_t * s), (s))
DROLLICANT_COUNTED_LOCK(sem_trywait, (sem_t * s), (s), noexcept)
DROLLICANT_COUNTED_LOCK(sem_timedwait, (sem_t * s, const timespec* t), (s, t))
DROLLICANT_COUNTED_LOCK(sem_clockwait, (sem_t * s, clockid_t c, const timespec* t), (s, c, t))

namespace {
std::atomic<void*> nextSyscall{nullptr};
}

// std::atomic waits, std::counting_semaphore and the library's contended paths reach
// the futex through syscall(); only that system call counts as a lock. Forwards the
// six argument registers the kernel takes, whatever the caller passed.
extern "C" [[gnu::visibility("default")]] long syscall(long number, ...) noexcept {
  va_list list;
  va_start(list, number);
  long a[6];
  for (long& argument : a) argument = va_arg(list, long);
  va_end(list);
  if (number == SYS_futex) noteLock();
  using Syscall = long (*)(long, ...);
  return next<Syscall>(nextSyscall, "syscall")(number, a[0], a[1], a[2], a[3], a[4], a[5]);
}

namespace drollicant::test {

AllocationCounter::AllocationCounter() : heapStart(heapCalls), lockStart(lockCalls) {
  ++openScopes;
  scopesAnywhere.fetch_add(1, std::memory_order_relaxed);
}
AllocationCounter::~AllocationCounter() {
  scopesAnywhere.fetch_sub(1, std::memory_order_relaxed);
  --openScopes;
}
long AllocationCounter::count() const { return heapCalls - heapStart; }
long AllocationCounter::locks() const { return lockCalls - lockStart; }

}  // namespace drollicant::test
