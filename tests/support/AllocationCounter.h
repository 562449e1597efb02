#pragma once
// Counts, on the calling thread, every heap call (operator new and delete, all forms) and
// every lock or wait (pthread mutexes, read-write and spin locks, condition waits,
// semaphores, and the futex system call that std::atomic waits and semaphores use) while
// a scope is open, so tests can prove that a real-time path never reaches the allocator
// or a lock. Locks are seen where the test executable can interpose them: calls through
// the dynamic linker, from this executable or any library it loads, not calls glibc makes
// inside itself. Link `drollicant_test_allocations`.

namespace drollicant::test {

class AllocationCounter {
public:
  AllocationCounter();
  ~AllocationCounter();
  AllocationCounter(const AllocationCounter&) = delete;
  AllocationCounter& operator=(const AllocationCounter&) = delete;

  // Heap calls on this thread since the scope opened.
  long count() const;
  // Locks and waits on this thread since the scope opened.
  long locks() const;

private:
  long heapStart;
  long lockStart;
};

}  // namespace drollicant::test
