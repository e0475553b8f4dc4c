// Cost of the sound path: ns per stereo frame through the effect record's
// processing callbacks, for every factory program at 64, 512 and 4096
// frames, beside a bare kernel doing only one sample's arithmetic (write,
// read, lowpass, mix). After the runs a table gives every program's cost as
// a ratio to the bare kernel at the same block size, measured in the same
// run (medians when repetitions are asked for):
//   engine_bench --benchmark_repetitions=5 --benchmark_enable_random_interleaving=true
//                --benchmark_report_aggregates_only=true --benchmark_min_time=0.1
// The tempo-change, allocation and lock benchmarks are in tempo_bench.cpp
// and lock_bench.cpp.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "BenchHost.h"

namespace {

constexpr int kPrograms = 29;  // the default program and the 28 factory programs
const int kFrames[] = {64, 512, 4096};
const bench::Callback kCallbacks[] = {bench::kDouble, bench::kFloat, bench::kFloatAdding};

void SetNsPerFrame(benchmark::State& state, int frames) {
  state.counters["ns_per_frame"] = benchmark::Counter(static_cast<double>(frames) * state.iterations(),
                                                      benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void Effect(benchmark::State& state, int program, bench::Callback callback, int frames, bool decayed) {
  bench::EffectFixture f(program, frames);
  if (decayed) f.DecayToSilence();
  // Heap allocations in a thousand blocks, before the timed ones.
  const uint64_t before = bench::Allocations();
  for (int i = 0; i < 1000; ++i) f.Run(callback, frames);
  const double allocations = static_cast<double>(bench::Allocations() - before);
  for (auto _ : state) {
    f.Run(callback, frames);
    benchmark::ClobberMemory();
  }
  SetNsPerFrame(state, frames);
  state.counters["allocs_per_block"] = allocations / 1000.0;
}

// One sample of the loop's arithmetic for both channels, nothing else: the
// floor under what the effect can cost. The default program without its
// glide, at the default loop length at 48 kHz and 120 BPM ("1/8": 24000).
void BareKernel(benchmark::State& state, int frames) {
  const uint32_t L = 24000;
  std::vector<double> lineL(L), lineR(L), inL(frames), inR(frames), outL(frames), outR(frames);
  for (int i = 0; i < frames; ++i) {
    inL[i] = std::sin(i * 0.01);
    inR[i] = std::cos(i * 0.013);
  }
  const double g = 0.5, cl = 0.9, cr = 0.5, ml = 0.33, mr = 0.33;
  uint32_t wp = 0;
  const uint32_t tapL = 6000, tapR = 18000;
  double lpL = 0, lpR = 0;
  for (auto _ : state) {
    for (int i = 0; i < frames; ++i) {
      const double a = inL[i], b = inR[i];
      lineL[wp] = g * lineL[wp] + a;
      lineR[wp] = g * lineR[wp] + b;
      uint32_t il = tapL - wp;
      if (tapL < wp) il += L;
      uint32_t ir = wp - tapR + L - 1;
      if (ir >= L) ir -= L;
      const double xl = lineL[il], xr = lineR[ir];
      if (++wp == L) wp = 0;
      lpL = (lpL - xl) * cl + xl;
      lpR = (lpR - xr) * cr + xr;
      outL[i] = (lpL - a) * ml + a;
      outR[i] = (lpR - b) * mr + b;
    }
    benchmark::DoNotOptimize(outL.data());
    benchmark::DoNotOptimize(outR.data());
    benchmark::ClobberMemory();
  }
  SetNsPerFrame(state, frames);
}

std::string KernelName(int frames) { return "kernel/" + std::to_string(frames); }
std::string EffectName(int program, bench::Callback callback, int frames, bool decayed = false) {
  return "effect/p" + std::to_string(program) + "/" + bench::CallbackName(callback) + "/" + std::to_string(frames) +
         (decayed ? "/decayed" : "");
}

// Besides mean, median and spread over the repetitions, the least of them:
// the run the other work on the machine disturbed least.
double Least(const std::vector<double>& v) { return v.empty() ? 0.0 : *std::min_element(v.begin(), v.end()); }

template <typename Function>
void Add(const std::string& name, Function function) {
  benchmark::RegisterBenchmark(name.c_str(), function)->ComputeStatistics("min", Least);
}

void Register() {
  for (int frames : kFrames) Add(KernelName(frames), [frames](benchmark::State& s) { BareKernel(s, frames); });
  for (int program = 0; program < kPrograms; ++program)
    for (bench::Callback callback : kCallbacks)
      for (int frames : kFrames)
        Add(EffectName(program, callback, frames),
            [=](benchmark::State& s) { Effect(s, program, callback, frames, false); });
  // The default program after its loops decayed to silence: the flush of
  // tiny values keeps this as cheap as sound.
  for (bench::Callback callback : {bench::kDouble, bench::kFloat})
    Add(EffectName(0, callback, 512, true), [=](benchmark::State& s) { Effect(s, 0, callback, 512, true); });
}

// The console output, and the ns per frame of every benchmark kept for the
// tables: of the single run, or the median and the least of the
// repetitions.
class TableReporter : public benchmark::ConsoleReporter {
public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      auto counter = run.counters.find("ns_per_frame");
      if (counter == run.counters.end()) continue;
      const double ns = counter->second.value * 1e9;  // the counter is in seconds
      const std::string& name = run.run_name.function_name;
      if (run.run_type == Run::RT_Iteration && run.repetitions <= 1) median[name] = least[name] = ns;
      if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median") median[name] = ns;
      if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "min") least[name] = ns;
    }
  }
  std::map<std::string, double> median, least;
};

// Rows: programs; columns: callback and block size; cells: ratio to the
// bare kernel at the same block size.
void PrintTable(const char* what, const std::map<std::string, double>& ns) {
  auto find = [&ns](const std::string& name) {
    auto it = ns.find(name);
    return it == ns.end() ? std::nan("") : it->second;
  };
  bool any = false;
  for (int frames : kFrames) any = any || !std::isnan(find(KernelName(frames)));
  if (!any) return;
  std::printf("\n%s: ns per frame, and every program's cost as a ratio to the bare kernel at the same block size\n\n",
              what);
  std::printf("| program |");
  for (bench::Callback callback : kCallbacks)
    for (int frames : kFrames) std::printf(" %s %d |", bench::CallbackName(callback), frames);
  std::printf("\n|---|");
  for (size_t i = 0; i < std::size(kCallbacks) * std::size(kFrames); ++i) std::printf("---|");
  auto cell = [](double v) {
    if (std::isnan(v)) std::printf(" |");
    else std::printf(" %.2f |", v);
  };
  std::printf("\n| bare kernel, ns |");
  for (size_t c = 0; c < std::size(kCallbacks); ++c)
    for (int frames : kFrames) cell(find(KernelName(frames)));
  auto row = [&](const char* label, auto nameOf) {
    bool measured = false;
    for (bench::Callback callback : kCallbacks)
      for (int frames : kFrames) measured = measured || !std::isnan(find(nameOf(callback, frames)));
    if (!measured) return;
    std::printf("\n| %s |", label);
    for (bench::Callback callback : kCallbacks)
      for (int frames : kFrames) cell(find(nameOf(callback, frames)) / find(KernelName(frames)));
  };
  std::printf("\n| default, ns |");
  for (bench::Callback callback : kCallbacks)
    for (int frames : kFrames) cell(find(EffectName(0, callback, frames)));
  std::unique_ptr<IPlugVST> names(MakePlug(bench::Host));
  for (int program = 0; program < kPrograms; ++program) {
    const std::string label = std::to_string(program) + " \"" + names->GetProgramName(program) + "\"";
    row(label.c_str(), [&](bench::Callback c, int f) { return EffectName(program, c, f); });
  }
  row("0, decayed to silence", [&](bench::Callback c, int f) { return EffectName(0, c, f, true); });
  std::printf("\n");
}

}  // namespace

int main(int argc, char** argv) {
  Register();
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  TableReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  PrintTable("medians", reporter.median);
  PrintTable("least of the repetitions", reporter.least);
  benchmark::Shutdown();
  return 0;
}
