#include "AllocationCounter.h"

#include <cstddef>
#include <cstdlib>
#include <new>

namespace {
std::atomic<int> openScopes{0};
std::atomic<long> heapCalls{0};

void note() noexcept {
  if (openScopes.load(std::memory_order_relaxed) > 0) heapCalls.fetch_add(1, std::memory_order_relaxed);
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

namespace drollicant::test {

AllocationCounter::AllocationCounter() : start(heapCalls.load()) { openScopes.fetch_add(1); }
AllocationCounter::~AllocationCounter() { openScopes.fetch_sub(1); }
long AllocationCounter::count() const { return heapCalls.load() - start; }

}  // namespace drollicant::test
