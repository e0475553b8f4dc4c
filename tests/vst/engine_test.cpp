// The delay as a host hears it: output of the module, loaded by the
// project's host, against the independent model and against the lengths,
// taps and ranges the effect promises. Tempo changes and pauses between
// blocks are run on the effect in-process (tests/plugin), where the tempo and
// the clock can be moved.
#include <algorithm>
#include <cfloat>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include "ModuleHost.h"
#include "model_run.h"

using qmhost::VstHost;

namespace {

// The module as the model run drives it.
class ModuleDelay : public DelayUnderTest {
public:
  explicit ModuleDelay(qmhost::HostSettings settings = Start()) : host(settings) { loaded = LoadModule(host); }
  static qmhost::HostSettings Start() {
    qmhost::HostSettings settings = ModuleSettings();
    settings.startPosition = kModelStart;
    return settings;
  }

  void SetParam(int index, int value) override { EXPECT_TRUE(host.SetParamText(index, std::to_string(value))); }
  void SetProgram(int program) override { EXPECT_TRUE(host.SetProgram(program)); }
  void SetTempo(double) override { ADD_FAILURE() << "the host keeps its tempo"; }
  void Pause(double) override { ADD_FAILURE() << "the module's clock cannot be moved"; }
  double Position() override { return host.Position(); }
  void SetPlaying(bool playing) override { host.SetPlaying(playing); }
  bool Playing() override { return host.Playing(); }
  void Locate(double position) override { host.SetPosition(position); }
  // Double-precision blocks in place, cut to the host's block size; notes
  // the longest time from the start of one processing call to the start of
  // the next, which the module's clock sees as a pause when it passes half a
  // second.
  void Process(double* left, double* right, int frames) override {
    const int block = host.Settings().blockSize;
    for (int at = 0; at < frames; at += block) {
      const auto now = std::chrono::steady_clock::now();
      if (called) longestGapMs = std::max(longestGapMs, std::chrono::duration<double, std::milli>(now - lastCall).count());
      called = true;
      lastCall = now;
      double* io[2] = {left + at, right + at};
      host.ProcessDouble(io, io, std::min(block, frames - at));
    }
  }

  qmhost::VstHost host;
  bool loaded;
  double longestGapMs = 0;

private:
  bool called = false;
  std::chrono::steady_clock::time_point lastCall;
};

// The module reads the real clock, and on a loaded machine the model's work
// between two processing calls can take longer than the half second after
// which the module realigns with the host, as after a pause; the model knows
// of no such pause, so that run compares nothing. run(delay) is tried on a
// freshly loaded module until a run has no such gap, and its results count;
// the test is skipped, saying so, only if every attempt had one. The bound
// leaves room for the steps of the module's coarse clock.
template <typename Run>
void RunWithoutPauses(const Run& run) {
  constexpr double kPauseMs = 400.0;
  constexpr int kAttempts = 5;
  double shortest = 0;
  for (int attempt = 0; attempt < kAttempts; ++attempt) {
    ModuleDelay delay;
    ASSERT_TRUE(delay.loaded);
    testing::TestPartResultArray results;
    {
      testing::ScopedFakeTestPartResultReporter intercept(
          testing::ScopedFakeTestPartResultReporter::INTERCEPT_ONLY_CURRENT_THREAD, &results);
      run(delay);
    }
    if (delay.longestGapMs < kPauseMs) {
      for (int i = 0; i < results.size(); ++i) {
        const testing::TestPartResult& r = results.GetTestPartResult(i);
        if (r.failed()) ADD_FAILURE_AT(r.file_name() ? r.file_name() : __FILE__, r.line_number()) << r.message();
      }
      return;
    }
    shortest = attempt == 0 ? delay.longestGapMs : std::min(shortest, delay.longestGapMs);
  }
  GTEST_SKIP() << "every one of " << kAttempts << " runs had a gap of at least " << shortest
               << " ms between two processing calls, which the module takes for a pause";
}

TEST(EngineExactness, FactoryProgramsAtSeveralBlockSizes) {
  for (int block : {1, 64, 4096}) {
    for (int program : {0,     // default: both reversed, gliding lowpass
                        3,     // "Amazing Direction Toggle": directions flip every cycle
                        8,     // "Bright Room": 31 ms, no sync
                        25}) { // "Forward Ping Pong": forward, right reads the cell it writes
      RunWithoutPauses([&](ModuleDelay& delay) { ExpectSameAsModel(delay, 120.0, program, block, {}, 44100 * 3); });
    }
  }
}

TEST(EngineExactness, MoreProgramsAndToggles) {
  for (int program : {1, 5, 7, 9, 12, 14, 15, 16, 17, 19, 22, 26}) {
    RunWithoutPauses([&](ModuleDelay& delay) { ExpectSameAsModel(delay, 120.0, program, 512, {}, 44100 * 3); });
  }
}

TEST(EngineExactness, SyncOffFromTheStartKeepsTheStoredTime) {
  const struct {
    int program, block, frames;
    bool syncOff;
  } cases[] = {
      {0, 256, 44100 * 2, true},  // 500 ms, loop 44100
      {10, 256, 44100 * 3, false},  // "Dark Room": 42 ms
      {17, 64, 44100 * 3, false},   // "Harp": 62 ms
  };
  for (const auto& c : cases) {
    RunWithoutPauses(
        [&](ModuleDelay& delay) { ExpectSameAsModel(delay, 120.0, c.program, c.block, {}, c.frames, c.syncOff); });
  }
}

// The double path's output in single precision, as the float paths must
// write it: 0 below the smallest normal float.
float AsFloatOutput(double v) {
  const float f = static_cast<float>(v);
  return std::fabs(f) < FLT_MIN ? 0.0f : f;
}

TEST(EngineExactness, FloatPathsAreTheDoublePathRounded) {
  // The same single-precision input through processReplacing, process (onto
  // what the host's outputs hold) and processDoubleReplacing: the float
  // outputs are the double outputs rounded, to the bit.
  for (int block : {64, 512}) {
    for (int program : {0, 3, 8, 12, 25}) {
      VstHost hosts[3] = {VstHost(ModuleSettings(block)), VstHost(ModuleSettings(block)), VstHost(ModuleSettings(block))};
      const qmhost::Precision precisions[3] = {qmhost::Precision::Float, qmhost::Precision::FloatAdding,
                                               qmhost::Precision::Double};
      for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(LoadModule(hosts[i], false));
        ASSERT_TRUE(hosts[i].Open() && hosts[i].Resume(precisions[i]));
        hosts[i].SetProgram(program);
      }
      std::vector<double> l, r;
      MakeInput(l, r, 44100, 44100.0);
      for (int at = 0; at + block <= 44100; at += block) {
        std::vector<float> fl(l.begin() + at, l.begin() + at + block), fr(r.begin() + at, r.begin() + at + block);
        std::vector<double> dl(fl.begin(), fl.end()), dr(fr.begin(), fr.end());
        std::vector<float> ol(block), orr(block), al(block), ar(block);
        for (int i = 0; i < block; ++i) {
          al[i] = 0.25f * fr[i];  // what the host's outputs already hold
          ar[i] = -0.5f * fl[i];
        }
        const std::vector<float> heldL = al, heldR = ar;
        float* in[2] = {fl.data(), fr.data()};
        float* out[2] = {ol.data(), orr.data()};
        float* sum[2] = {al.data(), ar.data()};
        double* io[2] = {dl.data(), dr.data()};
        ASSERT_TRUE(hosts[0].ProcessFloat(in, out, block));
        ASSERT_TRUE(hosts[1].ProcessFloatAdding(in, sum, block));
        ASSERT_TRUE(hosts[2].ProcessDouble(io, io, block));
        for (int i = 0; i < block; ++i) {
          ASSERT_EQ(ol[i], AsFloatOutput(dl[i])) << program << " " << at + i;
          ASSERT_EQ(orr[i], AsFloatOutput(dr[i])) << program << " " << at + i;
          ASSERT_EQ(al[i], AsFloatOutput(heldL[i] + static_cast<float>(dl[i]))) << program << " " << at + i;
          ASSERT_EQ(ar[i], AsFloatOutput(heldR[i] + static_cast<float>(dr[i]))) << program << " " << at + i;
        }
      }
    }
  }
}

TEST(EngineExactness, TransportStopsStartsAndJumps) {
  const std::vector<EngineEvent> events = {
      {10000, EngineEvent::kStop, 0, 0},  {10500, EngineEvent::kLocate, 0, 0.0},
      {20000, EngineEvent::kPlay, 0, 0},  {50000, EngineEvent::kLocate, 0, 777.0},
  };
  for (int program : {3, 8}) {
    RunWithoutPauses([&](ModuleDelay& delay) { ExpectSameAsModel(delay, 120.0, program, 512, events, 44100 * 2); });
  }
}

// ---- The transport, as hosts drive it ---------------------------------------------

// The module's output for the demo input, rolling from position 0 after the
// host ran stoppedBlocks blocks of silence at 0 with the transport stopped,
// as hosts do before an export starts; or, with jumpFrom > 0, after it played
// silence from jumpFrom and then jumped back to 0 while playing.
std::vector<double> RollFromZero(int program, int stoppedBlocks, double jumpFrom = 0) {
  constexpr int kBlock = 256;
  qmhost::HostSettings settings = ModuleSettings(kBlock);
  settings.startPosition = jumpFrom;
  qmhost::VstHost host(settings);
  if (!LoadModule(host)) return {};
  host.SetProgram(program);
  host.SetPlaying(jumpFrom > 0);
  std::vector<double> silence(kBlock, 0.0), silence2(kBlock, 0.0);
  for (int i = 0; i < stoppedBlocks; ++i) ProcessInPlace(host, silence.data(), silence2.data(), kBlock);
  host.SetPosition(0);
  host.SetPlaying(true);
  std::vector<double> l, r;
  MakeInput(l, r, 44100 * 2, 44100.0);
  ProcessInPlace(host, l.data(), r.data(), static_cast<int>(l.size()));
  l.insert(l.end(), r.begin(), r.end());
  return l;
}

TEST(EngineTransport, StoppedBlocksBeforeRollingChangeNothing) {
  // However many blocks the host runs while stopped, the render is the same.
  for (int program : {0, 3, 8}) {
    const std::vector<double> reference = RollFromZero(program, 0);
    ASSERT_FALSE(reference.empty());
    for (int stopped : {1, 37, 99}) EXPECT_EQ(RollFromZero(program, stopped), reference) << program << " " << stopped;
  }
}

TEST(EngineTransport, JumpBackToZeroRealignsAsARestart) {
  // Playing silence from elsewhere and jumping back to 0 while playing
  // renders what starting at 0 renders.
  for (int program : {0, 3, 12}) {
    const std::vector<double> reference = RollFromZero(program, 0);
    ASSERT_FALSE(reference.empty());
    EXPECT_EQ(RollFromZero(program, 37, 5000.0), reference) << program;
  }
}

// ---- Lengths, taps and ranges, heard through the module ----------------------

// The left channel forward through an open lowpass, nothing but the echo.
void ListenToLeftTap(ModuleDelay& delay, int offset) {
  delay.SetParam(4, 0);
  delay.SetParam(5, offset);
  delay.SetParam(7, 100);
  delay.SetParam(6, 20000);
  delay.SetParam(12, 0);
}

TEST(EngineNumbers, LoopLengthsOfDivisions) {
  // Forward, offset 50: the tap sits half a loop back, at L / 2 + 1 samples.
  const struct {
    int division, loop;
  } cases[] = {{9, 22050}, {7, 14700}, {11, 33076}, {0, 2756}, {24, 705600}};
  for (const auto& c : cases) {
    ModuleDelay delay(ModuleSettings());
    ASSERT_TRUE(delay.loaded);
    delay.SetParam(0, c.division);
    ListenToLeftTap(delay, 50);
    EXPECT_EQ(FirstEcho(delay, c.loop / 2 + 100, 4096), c.loop / 2 + 1) << c.division;
  }
}

// ---- Programs, states and automation sound as their values say ------------------

// The loop length the displayed values promise at a tempo, 44100 Hz: the
// division's share of a whole note (in single precision, triplets two
// thirds, dotted one and a half) with "Host Sync" on, else the milliseconds.
int LoopShown(qmhost::VstHost& host, double tempo) {
  if (host.ParamDisplay(2) == "Yes") {
    const std::string text = host.ParamDisplay(0);
    double num = 0, den = 1;
    if (std::sscanf(text.c_str(), "%lf/%lf", &num, &den) != 2) return -1;
    double fraction = num / den;
    if (text.back() == 'T') fraction *= 2.0 / 3.0;
    if (text.back() == 'D') fraction *= 1.5;
    const double samplesPerWhole = 44100.0 * 60.0 / tempo * 4.0;
    return 2 * static_cast<int>(std::floor(static_cast<float>(fraction) * samplesPerWhole + 0.5));
  }
  return 2 * static_cast<int>(std::floor(std::stod(host.ParamDisplay(1)) * 44.1 + 0.5));
}

// The loop length heard: the left tap forward at offset 50 through an open
// lowpass, without toggles, echoes an impulse half a loop later. None of
// these parameters changes the loop; the impulse comes once the lowpass has
// forgotten what played before.
int LoopHeard(ModuleDelay& delay, int expected) {
  ListenToLeftTap(delay, 50);
  delay.SetParam(13, 0);
  const int echo = FirstEcho(delay, expected / 2 + 4096, 512, 100);
  return echo > 0 ? 2 * (echo - 1) : -1;
}

// Plays the default program for a while at the tempo, as a session does.
void PlayAWhile(ModuleDelay& delay) {
  std::vector<double> l, r;
  MakeInput(l, r, 20000, 44100.0);
  delay.Process(l.data(), r.data(), 20000);
}

qmhost::HostSettings AtTempo(double tempo) {
  qmhost::HostSettings settings = ModuleSettings(512);
  settings.tempo = tempo;
  return settings;
}

TEST(EngineDisplayedLoop, EveryProgramSelectedDuringPlayback) {
  for (double tempo : {60.0, 120.0, 137.5}) {
    for (int program = 1; program <= 28; ++program) {
      ModuleDelay delay(AtTempo(tempo));
      ASSERT_TRUE(delay.loaded);
      PlayAWhile(delay);
      delay.SetProgram(program);
      const int shown = LoopShown(delay.host, tempo);
      EXPECT_EQ(LoopHeard(delay, shown), shown) << "program " << program << " at " << tempo << " BPM";
    }
  }
}

TEST(EngineDisplayedLoop, EveryStateLoadedDuringPlayback) {
  std::vector<std::vector<uint8_t>> chunks;
  {
    ModuleDelay source(ModuleSettings());
    ASSERT_TRUE(source.loaded);
    for (int program = 1; program <= 28; ++program) {
      source.SetProgram(program);
      chunks.emplace_back();
      ASSERT_TRUE(source.host.GetChunk(true, &chunks.back()));
    }
  }
  for (double tempo : {60.0, 120.0, 137.5}) {
    for (size_t i = 0; i < chunks.size(); ++i) {
      ModuleDelay delay(AtTempo(tempo));
      ASSERT_TRUE(delay.loaded);
      PlayAWhile(delay);
      ASSERT_TRUE(delay.host.SetChunk(i % 2 == 0, chunks[i]));
      const int shown = LoopShown(delay.host, tempo);
      EXPECT_EQ(LoopHeard(delay, shown), shown) << "state of program " << i + 1 << " at " << tempo << " BPM";
    }
  }
}

TEST(EngineDisplayedLoop, HostSyncAutomatedDuringPlayback) {
  // The default program plays "1/8"; the values set while the other
  // parameter governs take over the moment automation switches Host Sync.
  ModuleDelay delay(AtTempo(60.0));
  ASSERT_TRUE(delay.loaded);
  PlayAWhile(delay);
  delay.SetParam(1, 300);  // no sound of its own while synced
  EXPECT_EQ(LoopHeard(delay, 44100), 44100);  // "1/8" at 60 BPM
  delay.host.SetParam(2, 0.0f);
  EXPECT_EQ(LoopShown(delay.host, 60.0), 26460);
  EXPECT_EQ(LoopHeard(delay, 26460), 26460);  // 300 ms
  delay.SetParam(0, 12);  // "1/4", silent while unsynced
  EXPECT_EQ(LoopHeard(delay, 26460), 26460);
  delay.host.SetParam(2, 1.0f);
  EXPECT_EQ(LoopHeard(delay, 88200), 88200);  // "1/4" at 60 BPM
}

TEST(EngineNumbers, TapsFromOffsets) {
  // Loop 22050: offsets 25 and 75 give taps 5512 and 16537.
  const struct {
    int offset, echo;
  } cases[] = {{25, 5513}, {75, 16538}, {50, 11026}};
  for (const auto& c : cases) {
    ModuleDelay delay(ModuleSettings());
    ASSERT_TRUE(delay.loaded);
    ListenToLeftTap(delay, c.offset);
    delay.SetParam(3, 0);
    EXPECT_EQ(FirstEcho(delay, 20000, 4096, 10), c.echo) << c.offset;
  }
  // Offset 100 reads the cell written in the same sample: the impulse itself,
  // through the 20 kHz lowpass (coefficient exp(-2 pi 20000 / 44100)).
  ModuleDelay delay(ModuleSettings());
  ASSERT_TRUE(delay.loaded);
  ListenToLeftTap(delay, 100);
  std::vector<double> l(8, 0.0), r(8, 0.0);
  l[3] = 1.0;
  delay.Process(l.data(), r.data(), 8);
  EXPECT_EQ(l[2], 0.0);
  EXPECT_NEAR(l[3], 0.9421277420257715, 1e-15);
}

TEST(EngineNumbers, DelayTimeRangeFollowsTheTempo) {
  qmhost::VstHost host(ModuleSettings());
  ASSERT_TRUE(LoadModule(host));
  host.SetParamText(2, "0");  // sync off before the first block
  std::vector<double> l(64), r(64);
  ProcessInPlace(host, l.data(), r.data(), 64);
  char text[64];
  auto shownAt = [&](float normalized) {
    host.Dispatch(effVendorSpecific, 7, 1, text, normalized);
    return std::string(text);
  };
  EXPECT_EQ(shownAt(0.0f), "31");
  EXPECT_EQ(shownAt(1.0f), "8000");
  EXPECT_EQ(host.ParamDisplay(1), "500");  // the stored time survives the first derivation
  const std::vector<qmhost::HostEvent> events = host.Events();
  ASSERT_FALSE(events.empty());
  EXPECT_EQ(events.front().kind, qmhost::HostEvent::Automate);
  EXPECT_EQ(events.front().index, 1);
  EXPECT_EQ(events.front().value, host.GetParam(1));
  EXPECT_NEAR(std::pow(host.GetParam(1), 3.0) * 7969.0 + 31.0, 500.0, 0.5);  // curve 3
}

TEST(EngineNumbers, UnchangedValuesDoNothing) {
  // Re-sending the value a parameter already has must not clear the loop.
  ModuleDelay a(ModuleSettings()), b(ModuleSettings());
  ASSERT_TRUE(a.loaded && b.loaded);
  std::vector<double> l1, r1;
  MakeInput(l1, r1, 30000, 44100.0);
  std::vector<double> l2 = l1, r2 = r1;
  a.Process(l1.data(), r1.data(), 15000);
  b.Process(l2.data(), r2.data(), 15000);
  b.host.SetParamText(5, "25");
  b.host.SetParamText(0, "9");
  b.host.SetParam(4, 1.0f);
  a.Process(l1.data() + 15000, r1.data() + 15000, 15000);
  b.Process(l2.data() + 15000, r2.data() + 15000, 15000);
  EXPECT_EQ(l1, l2);
  EXPECT_EQ(r1, r2);
}

TEST(EngineSafety, HostTempoExtremesAndRates) {
  for (double tempo : {1e-9, 0.5, 2000.0, 1e12, -120.0, std::nan(""), HUGE_VAL}) {
    for (double rate : {8000.0, 384000.0}) {
      qmhost::HostSettings settings = ModuleSettings(512);
      settings.tempo = tempo;
      settings.sampleRate = rate;
      qmhost::VstHost host(settings);
      ASSERT_TRUE(LoadModule(host));
      for (const char* division : {"0", "24"}) {
        host.SetParamText(0, division);
        std::vector<double> l(2048, 0.25), r(2048, -0.25);
        ProcessInPlace(host, l.data(), r.data(), 2048);
        for (double v : l) ASSERT_TRUE(std::isfinite(v)) << tempo << " " << rate;
      }
      host.SetParamText(2, "0");
      host.SetParamText(1, "24000");
      std::vector<double> l(1024, 0.25), r(1024, -0.25);
      ProcessInPlace(host, l.data(), r.data(), 1024);
      for (double v : r) ASSERT_TRUE(std::isfinite(v));
    }
  }
}

TEST(EngineSafety, NonFiniteInputDoesNotPoisonTheLoop) {
  qmhost::VstHost host(ModuleSettings(512));
  ASSERT_TRUE(LoadModule(host));
  host.SetParamText(3, "99");
  std::vector<double> l(44100, 0.0), r(44100, 0.0);
  l[10] = std::nan("");
  r[10] = INFINITY;
  l[20] = 1e308;
  r[20] = -1e308;
  ProcessInPlace(host, l.data(), r.data(), 44100);
  std::vector<double> l2(88200, 0.0), r2(88200, 0.0);
  l2[0] = 0.5;
  ProcessInPlace(host, l2.data(), r2.data(), 88200);
  for (int i = 0; i < 88200; ++i) {
    ASSERT_TRUE(std::isfinite(l2[i])) << i;
    ASSERT_TRUE(std::isfinite(r2[i])) << i;
  }
}

TEST(EngineSafety, NoTempoWithSyncOnPassesTheDrySignal) {
  qmhost::HostSettings settings = ModuleSettings(256);
  settings.tempoValid = false;  // loop length 0: the taps read silence
  qmhost::VstHost host(settings);
  ASSERT_TRUE(LoadModule(host));
  std::vector<double> l(1000, 0.5), r(1000, -0.5);
  ProcessInPlace(host, l.data(), r.data(), 1000);
  const double mix = 33.0f * 0.01f;  // "Mix" 33 in single precision
  EXPECT_EQ(l[999], (0.0 - 0.5) * mix + 0.5);
  EXPECT_EQ(r[999], (0.0 + 0.5) * mix - 0.5);
}

}  // namespace
