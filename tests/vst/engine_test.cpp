// The delay as a host hears it: output of the module, through its exported
// interface, against an independent model and against the numbers the
// design fixes.
#include <chrono>
#include <cmath>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "VstTestHost.h"
#include "engine_reference.h"

namespace {

// Plucks over a little noise: deterministic, stereo, different per channel.
void MakeInput(std::vector<double>& left, std::vector<double>& right, int frames, double rate) {
  left.assign(frames, 0.0);
  right.assign(frames, 0.0);
  uint32_t seed = 12345;
  for (int i = 0; i < frames; ++i) {
    seed = seed * 1664525u + 1013904223u;
    const double noise = (static_cast<double>(seed >> 8) / 16777216.0 - 0.5) * 0.02;
    const int every = static_cast<int>(rate * 0.37);
    const double t = static_cast<double>(i % every) / rate;
    const double pluck = std::exp(-t * 9.0) * std::sin(2.0 * 3.141592653589793 * (220.0 + 55.0 * ((i / every) % 5)) * t);
    left[i] = 0.6 * pluck + noise;
    right[i] = 0.5 * pluck * std::cos(t * 3.0) - noise;
  }
}

struct Event {
  int frame;
  enum Kind { kParam, kProgram, kTempo, kPause } kind;
  int index;
  double value;
};

// Runs the module and the model over the same input and events; every output
// sample must be identical.
void ExpectSameAsModel(int program, int blockSize, std::vector<Event> events, int frames = 44100 * 3,
                       bool syncOffFirst = false) {
  SCOPED_TRACE("program " + std::to_string(program) + ", block " + std::to_string(blockSize));
  TestHost host;
  host.samplePos = 12345;
  ASSERT_TRUE(host.Load(true, 4096));
  ReferenceDelay model(44100.0, host.tempo);
  auto setParam = [&](int index, int value) {
    ASSERT_TRUE(host.SetText(index, std::to_string(value).c_str()));
    model.SetParam(index, value);
  };
  if (program > 0) {
    host.Dispatch(effSetProgram, 0, program);
    model.LoadProgram(kFactoryPrograms[program - 1]);
  }
  if (syncOffFirst) setParam(2, 0);

  std::vector<double> inL, inR;
  MakeInput(inL, inR, frames, 44100.0);
  std::vector<double> hostL = inL, hostR = inR, refL(frames), refR(frames);
  size_t next = 0;
  for (int at = 0; at < frames;) {
    while (next < events.size() && events[next].frame <= at) {
      const Event& e = events[next++];
      switch (e.kind) {
        case Event::kParam: setParam(e.index, static_cast<int>(e.value)); break;
        case Event::kProgram:
          host.Dispatch(effSetProgram, 0, e.index);
          model.LoadProgram(kFactoryPrograms[e.index - 1]);
          break;
        case Event::kTempo:
          host.tempo = e.value;
          model.SetTempo(e.value);
          break;
        case Event::kPause:
          std::this_thread::sleep_for(std::chrono::milliseconds(600));
          host.samplePos += e.value;  // the transport moved while nothing was processed
          model.Pause();
          break;
      }
    }
    int n = std::min(blockSize, frames - at);
    if (next < events.size()) n = std::min(n, events[next].frame - at);
    const double position = host.samplePos;
    host.ProcessDouble(hostL.data() + at, hostR.data() + at, n);
    model.Block(inL.data() + at, inR.data() + at, refL.data() + at, refR.data() + at, n, position);
    at += n;
  }
  int mismatches = 0;
  for (int i = 0; i < frames && mismatches < 5; ++i) {
    if (hostL[i] != refL[i] || hostR[i] != refR[i]) {
      ADD_FAILURE() << "sample " << i << ": " << hostL[i] << " / " << refL[i] << ", " << hostR[i] << " / " << refR[i];
      ++mismatches;
    }
  }
  double energy = 0;
  for (int i = 0; i < frames; ++i) energy += (hostL[i] - inL[i]) * (hostL[i] - inL[i]);
  EXPECT_GT(energy, 1e-3);  // the effect did something
}

TEST(EngineExactness, FactoryProgramsAtSeveralBlockSizes) {
  for (int block : {1, 64, 4096}) {
    ExpectSameAsModel(0, block, {});   // default: both reversed, gliding lowpass
    ExpectSameAsModel(3, block, {});   // "Amazing Direction Toggle": directions flip every cycle
    ExpectSameAsModel(8, block, {});   // "Bright Room": 31 ms, no sync
    ExpectSameAsModel(25, block, {});  // "Forward Ping Pong": forward, right reads the cell it writes
  }
}

TEST(EngineExactness, MoreProgramsAndToggles) {
  for (int program : {1, 5, 7, 9, 12, 14, 15, 16, 17, 19, 22, 26}) ExpectSameAsModel(program, 512, {});
}

TEST(EngineExactness, ChangesMidStream) {
  const std::vector<Event> events = {
      {20000, Event::kParam, 0, 12},      // "1/4"
      {30000, Event::kParam, 3, 90},
      {41000, Event::kProgram, 3, 0},     // toggle reverse on
      {52000, Event::kTempo, 0, 90.0},
      {60000, Event::kParam, 8, 1},       // both reversed: no flips any more
      {66000, Event::kParam, 13, 0},
      {70000, Event::kParam, 12, 0},
      {76000, Event::kProgram, 26, 0},
      {90000, Event::kTempo, 0, 137.5},
      {100000, Event::kParam, 9, 100},
      {110000, Event::kParam, 2, 0},      // sync off by automation: the loop stays
      {118000, Event::kParam, 1, 120},    // now "Delay Time" governs
  };
  for (int block : {1, 64, 4096}) ExpectSameAsModel(0, block, events, 44100 * 3);
}

TEST(EngineExactness, SyncOffFromTheStartKeepsTheStoredTime) {
  ExpectSameAsModel(0, 256, {}, 44100 * 2, true);  // 500 ms, loop 44100
  ExpectSameAsModel(10, 256, {});                 // "Dark Room": 42 ms
  ExpectSameAsModel(17, 64, {});                  // "Harp": 62 ms
}

TEST(EngineExactness, PauseRealignsWithTheHost) {
  ExpectSameAsModel(3, 512, {{30000, Event::kPause, 0, 7777}}, 44100 * 2);
}

// ---- Numbers of the design, heard through the module -------------------------

// The first sample after an impulse at which the left output moves.
int FirstEcho(TestHost& host, int maxFrames, int skip = 0) {
  std::vector<double> l(maxFrames, 0.0), r(maxFrames, 0.0);
  l[skip] = 1.0;
  host.ProcessDouble(l, r, 4096);
  for (int i = skip + 1; i < maxFrames; ++i)
    if (l[i] != 0.0) return i - skip;
  return -1;
}

TEST(EngineNumbers, LoopLengthsOfDivisions) {
  // Forward, offset 50: the tap sits half a loop back, at L / 2 + 1 samples.
  const int divisions[] = {9, 7, 11, 0, 24};
  const int loops[] = {22050, 14700, 33076, 2756, 705600};
  for (int k = 0; k < 5; ++k) {
    TestHost host;
    ASSERT_TRUE(host.Load());
    host.SetText(0, std::to_string(divisions[k]).c_str());
    host.SetText(4, "0");
    host.SetText(5, "50");
    host.SetText(7, "100");
    host.SetText(6, "20000");
    host.SetText(12, "0");
    EXPECT_EQ(FirstEcho(host, loops[k] / 2 + 100), loops[k] / 2 + 1) << divisions[k];
  }
}

TEST(EngineNumbers, TapsFromOffsets) {
  // Loop 22050: offsets 25 and 75 give taps 5512 and 16537, 100 reads the
  // cell written in the same sample.
  for (const auto& c : {std::make_pair(25, 5513), std::make_pair(75, 16538), std::make_pair(50, 11026),
                        std::make_pair(100, 0)}) {
    TestHost host;
    ASSERT_TRUE(host.Load());
    host.SetText(4, "0");
    host.SetText(5, std::to_string(c.first).c_str());
    host.SetText(7, "100");
    host.SetText(6, "20000");
    host.SetText(12, "0");
    host.SetText(3, "0");
    const int echo = FirstEcho(host, 20000, 10);
    if (c.second == 0) {
      std::vector<double> l(8, 0.0), r(8, 0.0);
      l[3] = 1.0;
      host.ProcessDouble(l, r, 8);
      const double coef = std::exp(20000.0 / 44100.0 * -6.283185307179586);
      EXPECT_DOUBLE_EQ(l[3], 1.0 - coef) << "same-sample read";
    } else {
      EXPECT_EQ(echo, c.second) << c.first;
    }
  }
}

TEST(EngineNumbers, DelayTimeRangeFollowsTheTempo) {
  TestHost host;
  host.giveTime = true;
  ASSERT_TRUE(host.Load());
  host.SetText(2, "0");  // sync off before the first block
  std::vector<double> l(64), r(64);
  host.ProcessDouble(l, r, 64);
  char text[64];
  auto shownAt = [&](float normalized) {
    host.Dispatch(effVendorSpecific, 7, 1, text, normalized);
    return std::string(text);
  };
  EXPECT_EQ(shownAt(0.0f), "31");
  EXPECT_EQ(shownAt(1.0f), "8000");
  EXPECT_EQ(host.Display(1), "500");  // the stored time survives the first derivation
  EXPECT_EQ(host.log.front(), "automate 1 " + std::to_string(host.Get(1)));
  const float knob = host.Get(1);
  EXPECT_NEAR(std::pow(knob, 3.0) * 7969.0 + 31.0, 500.0, 0.5);  // curve 3

  host.tempo = 60.0;  // later derivations keep the knob position
  host.ProcessDouble(l, r, 64);
  EXPECT_EQ(shownAt(0.0f), "63");
  EXPECT_EQ(shownAt(1.0f), "16000");
  EXPECT_NEAR(host.Get(1), knob, 1e-3);
  EXPECT_EQ(host.Display(1), std::to_string(static_cast<int>(std::floor(std::pow(knob, 3.0) * 15937.0 + 63.0 + 0.5))));
}

TEST(EngineNumbers, UnchangedValuesDoNothing) {
  // Re-sending the value a parameter already has must not clear the loop.
  TestHost a, b;
  ASSERT_TRUE(a.Load());
  ASSERT_TRUE(b.Load());
  std::vector<double> l1, r1;
  MakeInput(l1, r1, 30000, 44100.0);
  std::vector<double> l2 = l1, r2 = r1;
  a.ProcessDouble(l1.data(), r1.data(), 15000);
  b.ProcessDouble(l2.data(), r2.data(), 15000);
  b.SetText(5, "25");
  b.SetText(0, "9");
  b.Set(4, 1.0f);
  a.ProcessDouble(l1.data() + 15000, r1.data() + 15000, 15000);
  b.ProcessDouble(l2.data() + 15000, r2.data() + 15000, 15000);
  EXPECT_EQ(l1, l2);
  EXPECT_EQ(r1, r2);
}

TEST(EngineSafety, HostTempoExtremesAndRates) {
  for (double tempo : {1e-9, 0.5, 2000.0, 1e12, -120.0, std::nan(""), HUGE_VAL}) {
    for (double rate : {8000.0, 384000.0}) {
      TestHost host;
      host.tempo = tempo;
      host.sampleRate = rate;
      ASSERT_TRUE(host.Load(true, 512));
      for (const char* division : {"0", "24"}) {
        host.SetText(0, division);
        std::vector<double> l(2048, 0.25), r(2048, -0.25);
        host.ProcessDouble(l, r, 512);
        for (double v : l) ASSERT_TRUE(std::isfinite(v)) << tempo << " " << rate;
      }
      host.SetText(2, "0");
      host.SetText(1, "24000");
      std::vector<double> l(1024, 0.25), r(1024, -0.25);
      host.ProcessDouble(l, r, 512);
      for (double v : r) ASSERT_TRUE(std::isfinite(v));
    }
  }
}

TEST(EngineSafety, NonFiniteInputDoesNotPoisonTheLoop) {
  TestHost host;
  ASSERT_TRUE(host.Load());
  host.SetText(3, "99");
  std::vector<double> l(44100, 0.0), r(44100, 0.0);
  l[10] = std::nan("");
  r[10] = INFINITY;
  l[20] = 1e308;
  r[20] = -1e308;
  host.ProcessDouble(l, r, 512);
  std::vector<double> l2(88200, 0.0), r2(88200, 0.0);
  l2[0] = 0.5;
  host.ProcessDouble(l2, r2, 512);
  for (int i = 0; i < 88200; ++i) {
    ASSERT_TRUE(std::isfinite(l2[i])) << i;
    ASSERT_TRUE(std::isfinite(r2[i])) << i;
  }
}

TEST(EngineSafety, NoTempoWithSyncOnPassesTheDrySignal) {
  TestHost host;
  host.giveTime = false;  // loop length 0: the taps read silence
  ASSERT_TRUE(host.Load());
  std::vector<double> l(1000, 0.5), r(1000, -0.5);
  host.ProcessDouble(l, r, 256);
  const double mix = 33.0f * 0.01f;  // "Mix" 33 in single precision
  EXPECT_EQ(l[999], (0.0 - 0.5) * mix + 0.5);
  EXPECT_EQ(r[999], (0.0 + 0.5) * mix - 0.5);
}

}  // namespace
