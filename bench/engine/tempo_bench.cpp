// What a tempo change costs the audio thread: one block of 64 frames in
// which the host's tempo differs from the block before, and a host tempo
// ramp that changes the tempo on every block. Counter allocs_per_block: heap
// allocations (operator new) per block, counted over blocks run before the
// timed ones (a thousand changes; one whole ramp down and up).
#include <benchmark/benchmark.h>

#include "BenchHost.h"

namespace {

constexpr int kFrames = 64;

// Heap allocations per block over blocks of the tempos tempoOf(0) to
// tempoOf(blocks - 1).
template <typename TempoOf>
double AllocationsPerBlock(bench::EffectFixture& f, int blocks, TempoOf tempoOf) {
  const uint64_t before = bench::Allocations();
  for (int i = 0; i < blocks; ++i) {
    bench::gTime.tempo = tempoOf(i);
    f.Run(bench::kDouble, kFrames);
  }
  return static_cast<double>(bench::Allocations() - before) / blocks;
}

double Alternating(int block) { return block % 2 ? 121.0 : 120.0; }

// A ramp from 140 down to 70 BPM and back, a little slower or faster every
// block, over ten seconds each way at 48 kHz.
constexpr int kRampSteps = static_cast<int>(10 * bench::kRate / kFrames);
double Ramp(int block) {
  const int phase = block % (2 * kRampSteps);
  const double along = phase < kRampSteps ? phase / double(kRampSteps) : 2.0 - phase / double(kRampSteps);
  return 140.0 - 70.0 * along;
}

template <double (*kTempoOf)(int), int kCountedBlocks>
void TempoBench(benchmark::State& state) {
  bench::EffectFixture f(static_cast<int>(state.range(0)), kFrames);
  const double allocations = AllocationsPerBlock(f, kCountedBlocks, kTempoOf);
  int block = 0;
  for (auto _ : state) {
    bench::gTime.tempo = kTempoOf(block++);
    f.Run(bench::kDouble, kFrames);
    benchmark::ClobberMemory();
  }
  state.counters["allocs_per_block"] = allocations;
}

// Every block at another tempo: 120 and 121 BPM in turn.
void BM_TempoChange(benchmark::State& state) { TempoBench<Alternating, 1000>(state); }
void BM_TempoRamp(benchmark::State& state) { TempoBench<Ramp, 2 * kRampSteps>(state); }

}  // namespace

// Program 0 is synced ("1/8"), program 8 ("Bright Room") runs on its
// milliseconds, so a tempo change re-derives the "Delay Time" range.
BENCHMARK(BM_TempoChange)->ArgName("program")->Arg(0)->Arg(8);
BENCHMARK(BM_TempoRamp)->ArgName("program")->Arg(0)->Arg(8);
