#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "platform/foundation/MainQueue.h"

using platform::MainQueue;

TEST(MainQueue, RunsWorkInSubmissionOrderOnlyWhenDrained) {
  MainQueue queue;
  std::vector<int> ran;
  queue.async([&] { ran.push_back(1); });
  queue.async([&] {
    ran.push_back(2);
    queue.async([&] { ran.push_back(3); });  // waits for the next drain
  });
  EXPECT_TRUE(ran.empty());
  EXPECT_TRUE(queue.hasPendingWork());
  EXPECT_EQ(queue.drain(), 2u);
  EXPECT_EQ(ran, (std::vector<int>{1, 2}));
  EXPECT_EQ(queue.drain(), 1u);
  EXPECT_EQ(ran, (std::vector<int>{1, 2, 3}));
  EXPECT_FALSE(queue.hasPendingWork());
}

TEST(MainQueue, AcceptsWorkFromManyThreadsAndWakesTheLoop) {
  MainQueue queue;
  std::atomic<int> wakeUps{0};
  queue.setWakeUpHandler([&] { ++wakeUps; });
  std::vector<int> ran;  // touched only by the draining thread
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([&, t] {
      for (int i = 0; i < 250; ++i) queue.async([&ran, t, i] { ran.push_back(t * 1000 + i); });
    });
  size_t drained = 0;
  while (drained < 1000) drained += queue.drain();
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(ran.size(), 1000u);
  EXPECT_EQ(wakeUps.load(), 1000);
  // Each thread's own work stays in its order.
  std::vector<int> last(4, -1);
  for (int value : ran) {
    EXPECT_GT(value % 1000, last[value / 1000]);
    last[value / 1000] = value % 1000;
  }
}
