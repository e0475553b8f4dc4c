// Validation: processing, as hosts do it and as hostile hosts do it.
#include <algorithm>
#include <cfloat>
#include <cmath>
#include <limits>

#include "tools/host/AllocationCount.h"
#include "tools/host/AudioIO.h"
#include "tools/host/Cli.h"
#include "tools/host/ValidateSupport.h"

namespace qmhost {

namespace {

const double kRates[] = {44100, 48000, 96000, 192000};
const int kBlocks[] = {1, 64, 512, 1024, 4096};

std::string Place(Precision p, double rate, int block) {
  return Format("%s %.0f Hz block %d", PrecisionName(p), rate, block);
}

// The signals every processing run goes through, a quarter second each:
// loud, a tail, impulses, the quietest normal level and a tail again.
void RunSignals(ProcessHarness& h, double rate, int block) {
  const int64_t quarter = static_cast<int64_t>(rate / 4);
  for (Signal s : {Signal::Noise, Signal::Silence, Signal::Impulses, Signal::Quiet, Signal::Silence}) {
    if (!h.Run(quarter, block, s)) throw CheckAbort{"the host could not make a processing call"};
  }
}

void SetRandomParams(VstHost& host, Random& random, int count) {
  const int n = host.NumParams();
  for (int k = 0; k < count && n > 0; ++k) {
    const int i = random.Below(n);
    const int pick = random.Below(10);
    host.SetParam(i, pick == 0 ? 0.0f : pick == 1 ? 1.0f : static_cast<float>(random.Unit()));
  }
}

std::string Millis(double seconds) { return Format("%.1f ms", seconds * 1e3); }

}  // namespace

void CheckProcessing(const ValidationTarget& target, CheckReport& report) {
  auto host = target.NewInstance();
  OutputFindings all;
  int runs = 0;
  const std::vector<Precision> offered = OfferedPrecisions(*host);
  for (Precision p : offered) {
    for (double rate : kRates) {
      for (int block : kBlocks) {
        Restart(*host, rate, block, p);
        ProcessHarness h(*host, p, block, static_cast<uint32_t>(runs + 1));
        h.SetPlace(Place(p, rate, block));
        RunSignals(h, rate, block);
        h.Findings().ReportTo(report, Place(p, rate, block));
        all.Add(h.Findings());
        ++runs;
      }
    }
  }
  std::string precisions;
  for (Precision p : offered) precisions += std::string(precisions.empty() ? "" : ", ") + PrecisionName(p);
  report.SetSummary(Format("%d runs (%s; 4 rates; blocks 1 to 4096), %.1f M frames of noise, silence, impulses and "
                           "the quietest normal level: clean",
                           runs, precisions.c_str(), all.frames * 1e-6));
}

void CheckAutomation(const ValidationTarget& target, CheckReport& report) {
  auto host = target.NewInstance(48000, 512);
  if (host->NumParams() == 0) {
    report.Skip("no parameters");
    return;
  }
  int64_t changes = 0;
  for (Precision p : OfferedPrecisions(*host)) {
    Restart(*host, 48000, 512, p);
    ProcessHarness h(*host, p, 512, 5);
    h.SetPlace(std::string(PrecisionName(p)) + " 48000 Hz, 32-frame calls");
    Random random(99);
    // Two seconds in 32-frame calls, a few parameters changed before each.
    for (int call = 0; call < 3000; ++call) {
      SetRandomParams(*host, random, 4);
      changes += 4;
      if (!h.Call(32, call % 600 < 450 ? Signal::Noise : Signal::Quiet)) throw CheckAbort{"no processing call"};
    }
    h.Findings().ReportTo(report, std::string(PrecisionName(p)) + " with automation");
    for (int i = 0; i < host->NumParams(); ++i) {
      const float v = host->GetParam(i);
      if (!(v >= 0.0f && v <= 1.0f)) report.Fail(Format("parameter %d at %g after automation", i, static_cast<double>(v)));
    }
  }
  report.SetSummary(Format("%lld parameter changes between 32-frame calls: clean", static_cast<long long>(changes)));
}

void CheckLongCalls(const ValidationTarget& target, CheckReport& report) {
  auto host = target.NewInstance(44100, 64);
  host->AllowAnyFrameCount(true);
  const int calls[] = {0, 65, 100, 128, 0, 512, 1000, 4096, 8192, 1};
  for (Precision p : OfferedPrecisions(*host)) {
    Restart(*host, 44100, 64, p);
    ProcessHarness h(*host, p, 8192, 3);
    h.SetPlace(std::string(PrecisionName(p)) + " block size 64");
    for (int round = 0; round < 4; ++round) {
      for (int frames : calls) {
        if (!h.Call(frames, round % 2 ? Signal::Quiet : Signal::Noise)) throw CheckAbort{"no processing call"};
      }
    }
    h.Run(44100, 64, Signal::Silence);
    h.Findings().ReportTo(report, std::string(PrecisionName(p)) + " calls longer than the block size");
  }
  report.SetSummary("block size 64; calls of 0, 1, 65, 100, 128, 512, 1000, 4096 and 8192 frames: clean");
}

void CheckMainsAndRates(const ValidationTarget& target, CheckReport& report) {
  auto host = target.NewInstance(44100, 512);
  host->AllowAnyFrameCount(true);
  for (Precision p : OfferedPrecisions(*host)) {
    Restart(*host, 44100, 512, p);
    ProcessHarness h(*host, p, 1024, 8);
    h.SetPlace(std::string(PrecisionName(p)) + " mains and rate changes");
    auto play = [&](int64_t frames, int block, Signal s) {
      if (!h.Run(frames, block, s)) throw CheckAbort{"no processing call"};
    };
    play(11025, 512, Signal::Noise);
    // Mains off and on between blocks, as hosts do on stop and start.
    for (int i = 0; i < 3; ++i) {
      host->Suspend();
      host->Resume(p);
      play(4410, 512, i % 2 ? Signal::Impulses : Signal::Noise);
    }
    // Rate and block size changed while suspended.
    Restart(*host, 96000, 256, p);
    play(24000, 256, Signal::Noise);
    Restart(*host, 22050, 1024, p);
    play(11025, 1024, Signal::Noise);
    Restart(*host, 44100, 512, p);
    play(11025, 512, Signal::Noise);
    // And while running, which hosts should not do but some do.
    host->Dispatch(effSetSampleRate, 0, 0, nullptr, 48000.0f);
    play(12000, 512, Signal::Noise);
    host->Dispatch(effSetBlockSize, 0, 128);
    play(12000, 128, Signal::Noise);
    host->Dispatch(effSetBlockSize, 0, 1024);
    play(12000, 1024, Signal::Impulses);
    // Mains off twice, on twice.
    host->Dispatch(effMainsChanged, 0, 0);
    host->Dispatch(effMainsChanged, 0, 0);
    host->Dispatch(effMainsChanged, 0, 1);
    host->Dispatch(effMainsChanged, 0, 1);
    play(12000, 512, Signal::Quiet);
    play(12000, 512, Signal::Silence);
    h.Findings().ReportTo(report, std::string(PrecisionName(p)) + " across mains and rate changes");
  }
  report.SetSummary("mains off/on, 96/22.05/44.1/48 kHz and blocks 128 to 1024, also changed while running: clean");
}

void CheckHostileTime(const ValidationTarget& target, CheckReport& report) {
  auto host = target.NewInstance(44100, 512);
  const Precision p = OfferedPrecisions(*host)[0];
  const float inf = std::numeric_limits<float>::infinity();
  double slowest = 0;
  std::string slowestAt;
  auto watch = [&](ProcessHarness& h, const std::string& at) {
    if (h.SlowestCall() > slowest) {
      slowest = h.SlowestCall();
      slowestAt = at;
    }
  };

  // Sample rates no host should send.
  for (float rate : {0.0f, -44100.0f, std::numeric_limits<float>::quiet_NaN(), inf, 1.0f, 100.0f, 1e7f, 1e9f, FLT_MAX}) {
    host->Suspend();
    host->Dispatch(effSetSampleRate, 0, 0, nullptr, rate);
    host->Resume(p);
    ProcessHarness h(*host, p, 512, 4);
    const std::string at = Format("sample rate %g", static_cast<double>(rate));
    h.SetPlace(at);
    h.Run(8192, 512, Signal::Noise);
    h.Run(8192, 512, Signal::Quiet);
    h.Findings().ReportTo(report, at);
    watch(h, at);
  }
  Restart(*host, 44100, 512, p);

  // Tempos, from none to absurd.
  ProcessHarness h(*host, p, 512, 6);
  for (double tempo : {0.0, 1e-9, 1e-3, 1.0, 20.0, 999.0, 1e4, 1e6, 1e12, -120.0,
                       std::numeric_limits<double>::quiet_NaN(), HUGE_VAL, -HUGE_VAL, 120.0}) {
    host->SetTempo(tempo);
    const std::string at = Format("tempo %g", tempo);
    h.SetPlace(at);
    const double before = h.SlowestCall();
    h.Run(8192, 512, Signal::Noise);
    h.Run(4096, 512, Signal::Impulses);
    if (h.SlowestCall() > before) {
      slowest = std::max(slowest, h.SlowestCall());
      if (slowest == h.SlowestCall()) slowestAt = at;
    }
  }
  // A tempo that changes at every block.
  Random random(31);
  h.SetPlace("tempo changing at every block");
  for (int block = 0; block < 200; ++block) {
    host->SetTempo(20.0 + random.Unit() * 280.0);
    h.Call(512, block % 50 < 40 ? Signal::Noise : Signal::Quiet);
  }
  host->SetTempo(120.0);
  // Transport positions that jump, go back, are negative, huge or not numbers.
  h.SetPlace("transport jumps");
  for (double position : {-1e6, 0.0, 1e15, 2147483548.0, std::numeric_limits<double>::quiet_NaN(), 44100.0, -0.5,
                          4294967296.0 - 256, 1e300, 0.0}) {
    host->SetPosition(position);
    h.Run(2048, 512, Signal::Noise);
  }
  for (int loop = 0; loop < 20; ++loop) {
    host->SetPosition(88200.0);
    h.Run(2048, 512, loop % 2 ? Signal::Impulses : Signal::Noise);
  }
  h.Run(22050, 512, Signal::Silence);
  h.Findings().ReportTo(report, "tempos and transport positions");
  watch(h, "tempos and transport positions");
  report.SetSummary(Format("9 implausible sample rates, 14 tempos (0, 1e-9 to 1e12 BPM, negative, NaN, infinite), a "
                           "tempo changing every block, transport jumps: clean; slowest call %s (%s)",
                           Millis(slowest).c_str(), slowestAt.c_str()));
}

}  // namespace qmhost

namespace qmhost {

void CheckAllocations(const ValidationTarget& target, CheckReport& report) {
  if (!CanCountAllocations()) {
    report.Info(AllocationCountMethod());
    return;
  }
  auto host = target.NewInstance(44100, 512);
  const Precision p = OfferedPrecisions(*host)[0];
  Restart(*host, 44100, 512, p);
  ProcessHarness h(*host, p, 512, 12);
  h.CountAllocations(true);
  h.Call(512, Signal::Noise);
  const uint64_t first = h.Allocations();
  const int64_t firstCalls = h.CallsAllocating();
  // Steady processing with a parameter change before each block.
  Random random(17);
  for (int b = 0; b < 172; ++b) {
    SetRandomParams(*host, random, 1);
    h.Call(512, b % 4 ? Signal::Noise : Signal::Impulses);
  }
  const uint64_t steady = h.Allocations() - first;
  const int64_t steadyCalls = h.CallsAllocating() - firstCalls;
  // The tempo changing at every block.
  for (int b = 0; b < 86; ++b) {
    host->SetTempo(b % 2 ? 100.0 : 140.0);
    h.Call(512, Signal::Noise);
  }
  host->SetTempo(120.0);
  const uint64_t tempo = h.Allocations() - first - steady;
  const int64_t tempoCalls = h.CallsAllocating() - firstCalls - steadyCalls;
  report.Info(Format("%s: first call after resume %llu; 172 calls with automation %llu (in %lld calls); 86 calls "
                     "with a tempo change each %llu (in %lld calls)",
                     PrecisionName(p), static_cast<unsigned long long>(first), static_cast<unsigned long long>(steady),
                     static_cast<long long>(steadyCalls), static_cast<unsigned long long>(tempo),
                     static_cast<long long>(tempoCalls)));
  report.Note(std::string("counted: ") + AllocationCountMethod());
}

}  // namespace qmhost
