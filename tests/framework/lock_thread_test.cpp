#include <atomic>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "framework/IPlugLock.h"

namespace {

TEST(LockThreads, RecursiveAndExclusive) {
  IPlugLock lock;
  long counter = 0;
  std::atomic<bool> inside{false};
  std::atomic<int> overlaps{0};
  auto work = [&]() {
    for (int i = 0; i < 20000; ++i) {
      IPlugLockGuard outer(lock);
      IPlugLockGuard inner(lock);  // the same thread takes it again
      if (inside.exchange(true)) ++overlaps;
      ++counter;
      inside = false;
    }
  };
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) threads.emplace_back(work);
  for (auto& t : threads) t.join();
  EXPECT_EQ(counter, 80000);
  EXPECT_EQ(overlaps.load(), 0);
}

}  // namespace
