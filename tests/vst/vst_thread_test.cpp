// Hosts call from several threads at once; the plug-in serialises them.
#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "ModuleHost.h"

namespace {

TEST(VstThreads, ConcurrentCreation) {
  qmhost::ModuleLibrary library;
  ASSERT_TRUE(library.Open(ModulePath()));
  VstPluginMainProc entry = ModuleEntry(library, "VSTPluginMain");
  ASSERT_NE(entry, nullptr);
  constexpr int kThreads = 4, kEach = 5;
  std::vector<std::thread> threads;
  std::atomic<int> made{0};
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&made, entry]() {
      for (int i = 0; i < kEach; ++i) {
        AEffect* e = entry(nullptr);
        if (!e) continue;
        if (e->numParams == 14 && e->numPrograms == 35) ++made;
        e->dispatcher(e, effClose, 0, 0, nullptr, 0);
      }
    });
  }
  for (auto& t : threads) t.join();
  EXPECT_EQ(made.load(), kThreads * kEach);
}

TEST(VstThreads, StressAudioParametersAndDispatcher) {
  qmhost::HostSettings settings = ModuleSettings(256);
  settings.tempoValid = false;
  qmhost::VstHost host(settings);
  ASSERT_TRUE(LoadModule(host));
  AEffect* e = host.Effect();
  std::atomic<bool> stop{false};
  const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(3);

  std::thread audio([&]() {
    std::vector<float> l(256, 0.1f), r(256, -0.1f), ol(256), orr(256);
    std::vector<double> dl(256, 0.2), dr(256, 0.3);
    float* in[2] = {l.data(), r.data()};
    float* out[2] = {ol.data(), orr.data()};
    double* dio[2] = {dl.data(), dr.data()};
    while (!stop) {
      e->processReplacing(e, in, out, 256);
      e->process(e, in, out, 256);
      e->processDoubleReplacing(e, dio, dio, 256);
    }
  });
  std::thread params([&]() {
    unsigned k = 0;
    while (!stop) {
      e->setParameter(e, static_cast<VstInt32>(k % 14), static_cast<float>((k * 37) % 101) / 100.0f);
      (void)e->getParameter(e, static_cast<VstInt32>((k + 3) % 14));
      ++k;
    }
  });
  std::thread dispatcher([&]() {
    unsigned k = 0;
    char text[512];
    while (!stop) {
      e->dispatcher(e, effGetParamDisplay, static_cast<VstInt32>(k % 14), 0, text, 0);
      e->dispatcher(e, effSetProgram, 0, static_cast<VstIntPtr>(k % 29), nullptr, 0);
      void* chunk = nullptr;
      const VstIntPtr n = e->dispatcher(e, effGetChunk, 1, 0, &chunk, 0);
      if (n > 0 && k % 7 == 0) {
        std::vector<unsigned char> copy(static_cast<const unsigned char*>(chunk),
                                        static_cast<const unsigned char*>(chunk) + n);
        e->dispatcher(e, effSetChunk, 1, n, copy.data(), 0);
      }
      if (k % 50 == 0) e->dispatcher(e, effSetSampleRate, 0, 0, nullptr, k % 100 ? 44100.0f : 48000.0f);
      ++k;
    }
  });
  while (std::chrono::steady_clock::now() < until) std::this_thread::sleep_for(std::chrono::milliseconds(20));
  stop = true;
  audio.join();
  params.join();
  dispatcher.join();
  // Still a working plug-in afterwards.
  EXPECT_EQ(e->numParams, 14);
  char name[64] = {};
  e->dispatcher(e, effGetEffectName, 0, 0, name, 0);
  EXPECT_STREQ(name, "quillmere");
}

}  // namespace
