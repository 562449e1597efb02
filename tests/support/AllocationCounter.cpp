#include "AllocationCounter.h"

#include <cstdlib>
#include <new>

namespace {
std::atomic<int> openScopes{0};
std::atomic<long> counted{0};

void* allocate(std::size_t size) {
  if (openScopes.load(std::memory_order_relaxed) > 0) counted.fetch_add(1, std::memory_order_relaxed);
  void* p = std::malloc(size ? size : 1);
  if (!p) throw std::bad_alloc();
  return p;
}

// Out of line so the compiler does not pair this free with the operator new above.
[[gnu::noinline]] void release(void* p) noexcept { std::free(p); }
}  // namespace

void* operator new(std::size_t size) { return allocate(size); }
void* operator new[](std::size_t size) { return allocate(size); }
void operator delete(void* p) noexcept { release(p); }
void operator delete(void* p, std::size_t) noexcept { release(p); }
void operator delete[](void* p) noexcept { release(p); }
void operator delete[](void* p, std::size_t) noexcept { release(p); }

namespace drollicant::test {

AllocationCounter::AllocationCounter() : start(counted.load()) { openScopes.fetch_add(1); }
AllocationCounter::~AllocationCounter() { openScopes.fetch_sub(1); }
long AllocationCounter::count() const { return counted.load() - start; }

}  // namespace drollicant::test
