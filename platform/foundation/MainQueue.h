#pragma once
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>

namespace platform {

// The main queue: work submitted from any thread (never the audio thread: submitting
// allocates and locks) runs later, in submission order, on the thread that runs the
// user-interface loop and calls `drain()`.
class MainQueue {
public:
  static MainQueue& main();

  // Any thread. Queues `work` and calls the wake-up handler, if one is set.
  void async(std::function<void()> work);

  // UI thread. Runs the work queued before this call, in order, outside the lock;
  // work queued while draining waits for the next drain. Returns how many ran.
  size_t drain();

  // Any thread. True when work is waiting.
  bool hasPendingWork() const;

  // UI loop set-up: called (on the submitting thread) after every `async`, so a loop
  // that sleeps can be woken. Pass an empty function to remove it.
  void setWakeUpHandler(std::function<void()> handler);

private:
  mutable std::mutex mutex;
  std::deque<std::function<void()>> pending;
  std::function<void()> wakeUp;
};

}  // namespace platform
