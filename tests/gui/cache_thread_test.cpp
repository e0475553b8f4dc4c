// The process-wide caches used by editors on several threads at once.
#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <set>
#include <thread>
#include <vector>

#include "gfx/Bitmap.h"
#include "gui/IImageCache.h"
#include "tests/gui/GuiTestSupport.h"

using namespace guitest;

// Editors on four threads load the same images: every one gets a usable
// bitmap of the right size, and the cache ends with at most one entry per
// thread and image (two threads may both load an id; both entries stay).
TEST(CacheConcurrency, EditorsLoadImagesOnSeveralThreads) {
  IImageCache::Instance().Clear();
  constexpr int kThreads = 4, kRounds = 50;
  std::atomic<int> bad{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t)
    threads.emplace_back([&bad] {
      GuiTestPlug plug;
      TestGui gui(&plug);
      gui.images[200] = {20, 10, [](int, int) { return 0xFF123456u; }};
      gui.images[201] = {7, 9, [](int, int) { return 0xFF654321u; }};
      for (int round = 0; round < kRounds; ++round) {
        const IImage a = gui.LoadImage(200, "a", 1), b = gui.LoadImage(201, "b", 2);
        if (!a.bitmap || a.width != 20 || !b.bitmap || b.height != 9 || b.frames != 2) ++bad;
        if (a.bitmap && a.bitmap->Pixels()[0] != 0xFF123456u) ++bad;
      }
    });
  for (std::thread& t : threads) t.join();
  EXPECT_EQ(bad.load(), 0);
  const int entries = IImageCache::Instance().Count();
  EXPECT_GE(entries, 2);
  EXPECT_LE(entries, 2 * kThreads);
  IImageCache::Instance().Clear();
}
