#include "platform/foundation/MainQueue.h"

namespace platform {

MainQueue& MainQueue::main() {
  static MainQueue queue;
  return queue;
}

void MainQueue::async(std::function<void()> work) {
  std::function<void()> wake;
  {
    std::lock_guard<std::mutex> lock(mutex);
    pending.push_back(std::move(work));
    wake = wakeUp;
  }
  if (wake) wake();
}

size_t MainQueue::drain() {
  std::deque<std::function<void()>> batch;
  {
    std::lock_guard<std::mutex> lock(mutex);
    batch.swap(pending);
  }
  for (auto& work : batch)
    if (work) work();
  return batch.size();
}

bool MainQueue::hasPendingWork() const {
  std::lock_guard<std::mutex> lock(mutex);
  return !pending.empty();
}

void MainQueue::setWakeUpHandler(std::function<void()> handler) {
  std::lock_guard<std::mutex> lock(mutex);
  wakeUp = std::move(handler);
}

}  // namespace platform
