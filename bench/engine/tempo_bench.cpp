// What a tempo change costs the audio thread: one block of 64 frames in
// which the host's tempo differs from the block before, and a host tempo
// ramp that changes the tempo on every block. Counter allocs_per_block: heap
// allocations (operator new) per block.
#include <benchmark/benchmark.h>

#include "BenchHost.h"

namespace {

constexpr int kFrames = 64;

void CountPerBlock(benchmark::State& state, uint64_t allocationsBefore) {
  state.counters["allocs_per_block"] =
      static_cast<double>(bench::Allocations() - allocationsBefore) / static_cast<double>(state.iterations());
}

// Every block at another tempo: 120 and 121 BPM in turn.
void BM_TempoChange(benchmark::State& state) {
  bench::EffectFixture f(static_cast<int>(state.range(0)), kFrames);
  bool faster = false;
  const uint64_t before = bench::Allocations();
  for (auto _ : state) {
    faster = !faster;
    bench::gTime.tempo = faster ? 121.0 : 120.0;
    f.Run(bench::kDouble, kFrames);
    benchmark::ClobberMemory();
  }
  CountPerBlock(state, before);
}

// A ramp from 140 down to 70 BPM and back, a little slower or faster every
// block, over ten seconds each way at 48 kHz.
void BM_TempoRamp(benchmark::State& state) {
  bench::EffectFixture f(static_cast<int>(state.range(0)), kFrames);
  const int steps = static_cast<int>(10 * bench::kRate / kFrames);
  int step = 0;
  const uint64_t before = bench::Allocations();
  for (auto _ : state) {
    const int phase = step % (2 * steps);
    const double along = phase < steps ? phase / double(steps) : 2.0 - phase / double(steps);
    bench::gTime.tempo = 140.0 - 70.0 * along;
    ++step;
    f.Run(bench::kDouble, kFrames);
    benchmark::ClobberMemory();
  }
  CountPerBlock(state, before);
}

}  // namespace

// Program 0 is synced ("1/8"), program 8 ("Bright Room") runs on its
// milliseconds, so a tempo change re-derives the "Delay Time" range.
BENCHMARK(BM_TempoChange)->ArgName("program")->Arg(0)->Arg(8);
BENCHMARK(BM_TempoRamp)->ArgName("program")->Arg(0)->Arg(8);
