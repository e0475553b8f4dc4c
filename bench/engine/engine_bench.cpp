// Cost of the sound path: ns per stereo frame through the effect record's
// processing callbacks, beside a bare kernel doing only one sample's
// arithmetic (write, read, lowpass, mix).
#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

#include <benchmark/benchmark.h>

#include "plugin/CLS_QUILLMERE.h"

namespace {

// The transport stands still: no realignment work between blocks.
VstTimeInfo gTime;

VstIntPtr VSTCALLBACK Host(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float) {
  return opcode == audioMasterGetTime ? reinterpret_cast<VstIntPtr>(&gTime) : 0;
}

enum Callback { kFloat, kFloatAdding, kDouble };

struct Fixture {
  std::unique_ptr<IPlugVST> plug;
  AEffect* e;
  std::vector<float> fl, fr, ofl, ofr;
  std::vector<double> dl, dr, odl, odr;

  Fixture(int program, int frames, bool silence) {
    gTime = VstTimeInfo{};
    gTime.tempo = 120.0;
    gTime.sampleRate = 48000.0;
    gTime.flags = kVstTempoValid;
    plug.reset(MakePlug(Host));
    e = plug->Effect();
    e->dispatcher(e, effOpen, 0, 0, nullptr, 0);
    e->dispatcher(e, effSetSampleRate, 0, 0, nullptr, 48000.0f);
    e->dispatcher(e, effSetBlockSize, 0, frames, nullptr, 0);
    e->dispatcher(e, effSetProgram, 0, program, nullptr, 0);
    e->dispatcher(e, effMainsChanged, 0, 1, nullptr, 0);
    fl.resize(frames);
    fr.resize(frames);
    ofl.resize(frames);
    ofr.resize(frames);
    dl.resize(frames);
    dr.resize(frames);
    odl.resize(frames);
    odr.resize(frames);
    for (int i = 0; i < frames; ++i) {
      fl[i] = static_cast<float>(std::sin(i * 0.01));
      fr[i] = static_cast<float>(std::cos(i * 0.013));
    }
    // Decayed scenario: sound once, then long silence until the loop content
    // has fallen far below any audible level.
    std::vector<double> l(48000, 0.0), r(48000, 0.0);
    for (int i = 0; i < 4800; ++i) l[i] = r[i] = std::sin(i * 0.05);
    double* io[2] = {l.data(), r.data()};
    for (int i = 0; i < (silence ? 60 : 1); ++i) {
      for (int at = 0; at < 48000; at += frames) {
        double* part[2] = {io[0] + at, io[1] + at};
        e->processDoubleReplacing(e, part, part, std::min(frames, 48000 - at));
      }
      std::fill(l.begin(), l.end(), 0.0);
      std::fill(r.begin(), r.end(), 0.0);
    }
    if (silence) {
      std::fill(fl.begin(), fl.end(), 0.0f);
      std::fill(fr.begin(), fr.end(), 0.0f);
    }
    for (int i = 0; i < frames; ++i) {
      dl[i] = fl[i];
      dr[i] = fr[i];
    }
  }

  void Run(Callback callback, int frames) {
    float* in[2] = {fl.data(), fr.data()};
    float* out[2] = {ofl.data(), ofr.data()};
    switch (callback) {
      case kFloat:
        e->processReplacing(e, in, out, frames);
        break;
      case kFloatAdding:
        e->process(e, in, out, frames);
        break;
      case kDouble: {
        double* din[2] = {dl.data(), dr.data()};
        double* dout[2] = {odl.data(), odr.data()};
        e->processDoubleReplacing(e, din, dout, frames);
        break;
      }
    }
  }
};

void BM_Effect(benchmark::State& state) {
  const int program = static_cast<int>(state.range(0));
  const Callback callback = static_cast<Callback>(state.range(1));
  const int frames = static_cast<int>(state.range(2));
  const bool silence = state.range(3) != 0;
  Fixture f(program, frames, silence);
  for (auto _ : state) {
    f.Run(callback, frames);
    benchmark::ClobberMemory();
  }
  state.counters["ns_per_frame"] = benchmark::Counter(static_cast<double>(frames) * state.iterations(),
                                                      benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

// One sample of the loop's arithmetic for both channels, nothing else: the
// floor under what the effect can cost.
void BM_BareKernel(benchmark::State& state) {
  const int frames = static_cast<int>(state.range(0));
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
  state.counters["ns_per_frame"] = benchmark::Counter(static_cast<double>(frames) * state.iterations(),
                                                      benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void EffectArgs(benchmark::internal::Benchmark* b) {
  b->ArgNames({"program", "callback", "frames", "decayed"});
  for (int program : {0, 3, 8, 25})  // default (reversed), Amazing Direction Toggle, Bright Room, Forward Ping Pong
    for (int callback : {kFloat, kFloatAdding, kDouble})
      for (int frames : {64, 512, 4096}) b->Args({program, callback, frames, 0});
  for (int callback : {kFloat, kDouble}) b->Args({0, callback, 512, 1});
}

}  // namespace

BENCHMARK(BM_BareKernel)->Arg(64)->Arg(512)->Arg(4096);
BENCHMARK(BM_Effect)->Apply(EffectArgs);
BENCHMARK_MAIN();
