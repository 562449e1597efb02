#pragma once
// Counts every operator new in the test executable while a scope is open, so tests can
// prove that a real-time path never reaches the allocator. Link `drollicant_test_allocations`.
#include <atomic>

namespace drollicant::test {

class AllocationCounter {
public:
  AllocationCounter();
  ~AllocationCounter();
  long count() const;

private:
  long start;
};

}  // namespace drollicant::test
