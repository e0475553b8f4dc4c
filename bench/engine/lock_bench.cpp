// How long the audio thread waits for the plug-in lock while another thread
// sends program, state-chunk and parameter requests, one every millisecond.
// The audio thread runs 128-frame blocks at the pace of 48 kHz; each call
// first takes the plug-in lock itself (the callback then takes it again), so
// the time to get it is the wait. The request thread does the same around
// each request, so the time inside is how long a request holds the lock.
// One iteration of three seconds; counters in microseconds:
//   max_wait_us   the audio thread's longest wait for the lock
//   max_hold_us   the longest a request held it
//   max_block_us  the longest audio call, waiting included
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <thread>
#include <vector>

#include <benchmark/benchmark.h>

#include "BenchHost.h"

namespace {

using Clock = std::chrono::steady_clock;

double Microseconds(Clock::duration d) { return std::chrono::duration<double, std::micro>(d).count(); }

void BM_LockWaitBesideRequests(benchmark::State& state) {
  constexpr int kFrames = 128;
  bench::EffectFixture f(0, kFrames);
  AEffect* e = f.e;
  IPlugLock& lock = f.plug->Lock();

  // The state chunks of all factory programs, for the requests to load.
  std::vector<std::vector<uint8_t>> chunks;
  for (int program = 1; program <= 28; ++program) {
    e->dispatcher(e, effSetProgram, 0, program, nullptr, 0);
    void* data = nullptr;
    const VstIntPtr n = e->dispatcher(e, effGetChunk, 1, 0, &data, 0);
    const uint8_t* bytes = static_cast<const uint8_t*>(data);
    chunks.emplace_back(bytes, bytes + n);
  }
  e->dispatcher(e, effSetProgram, 0, 0, nullptr, 0);

  for (auto _ : state) {
    std::atomic<bool> stop{false};
    double maxHold = 0;
    long requests = 0;
    std::thread requester([&]() {
      uint32_t k = 0, seed = 1;
      while (!stop.load()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        lock.Lock();
        const auto start = Clock::now();
        switch (k % 3) {
          case 0: e->dispatcher(e, effSetProgram, 0, 1 + (k / 3) % 28, nullptr, 0); break;
          case 1:
            seed = seed * 1664525u + 1013904223u;
            e->setParameter(e, static_cast<VstInt32>((k / 3) % 14), static_cast<float>(seed >> 8) / 16777216.0f);
            break;
          default: {
            std::vector<uint8_t>& chunk = chunks[(k / 3) % chunks.size()];
            e->dispatcher(e, effSetChunk, 1, static_cast<VstIntPtr>(chunk.size()), chunk.data(), 0);
          }
        }
        maxHold = std::max(maxHold, Microseconds(Clock::now() - start));
        lock.Unlock();
        ++requests;
        ++k;
      }
    });

    double maxWait = 0, maxBlock = 0;
    const auto period = std::chrono::microseconds(kFrames * 1000000 / static_cast<int>(bench::kRate));
    const auto end = Clock::now() + std::chrono::seconds(3);
    auto next = Clock::now();
    float* in[2] = {f.fl.data(), f.fr.data()};
    float* out[2] = {f.ofl.data(), f.ofr.data()};
    while (Clock::now() < end) {
      next += period;
      std::this_thread::sleep_until(next);
      const auto start = Clock::now();
      lock.Lock();
      const auto got = Clock::now();
      e->processReplacing(e, in, out, kFrames);
      lock.Unlock();
      const auto done = Clock::now();
      maxWait = std::max(maxWait, Microseconds(got - start));
      maxBlock = std::max(maxBlock, Microseconds(done - start));
    }
    stop = true;
    requester.join();
    state.counters["max_wait_us"] = maxWait;
    state.counters["max_hold_us"] = maxHold;
    state.counters["max_block_us"] = maxBlock;
    state.counters["requests"] = static_cast<double>(requests);
  }
}

// Over repetitions, the longest of the runs besides their median.
double Longest(const std::vector<double>& v) { return v.empty() ? 0.0 : *std::max_element(v.begin(), v.end()); }

BENCHMARK(BM_LockWaitBesideRequests)
    ->Iterations(1)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond)
    ->ComputeStatistics("max", Longest);

}  // namespace
