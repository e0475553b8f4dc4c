// The effect built into the test, driven through its effect record with a
// host callback and a millisecond clock the test moves: tempo changes and
// pauses between blocks against the model, and what the parameters do, heard
// at the outputs.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "model_run.h"
#include "plugin/CLS_QUILLMERE.h"

namespace {

// Registered twice: the second time with QM_SSE2_RUNS=1, every engine runs
// its SSE2 loop, whatever the processor has.
const bool kSse2Runs = [] {
  const char* v = std::getenv("QM_SSE2_RUNS");
  const bool sse2 = v && std::string(v) == "1";
  if (sse2) DelayEngine::UseAvxWhereAvailable(false);
  return sse2;
}();

VstTimeInfo gTime;
uint32_t gNow = 0;
std::vector<std::string> gRequests;

uint32_t FakeClock() { return gNow; }

int gTimeRequests = 0;

VstIntPtr VSTCALLBACK Host(AEffect*, VstInt32 opcode, VstInt32 index, VstIntPtr, void*, float opt) {
  if (opcode == audioMasterGetTime) {
    ++gTimeRequests;
    return reinterpret_cast<VstIntPtr>(&gTime);
  }
  if (opcode == audioMasterAutomate) gRequests.push_back("automate " + std::to_string(index) + " " + std::to_string(opt));
  if (opcode == audioMasterBeginEdit) gRequests.push_back("begin " + std::to_string(index));
  if (opcode == audioMasterEndEdit) gRequests.push_back("end " + std::to_string(index));
  return 0;
}

// The effect opened at 44100 Hz and 120 BPM, processing in place.
class Effect : public DelayUnderTest {
public:
  explicit Effect(double start = 0.0) : fx(Host, FakeClock) {
    gTime = VstTimeInfo{};
    gTime.tempo = 120.0;
    gTime.flags = kVstTempoValid | kVstTransportPlaying;
    gTime.samplePos = start;
    gNow = 0;
    gRequests.clear();
    Dispatch(effOpen);
    Dispatch(effSetSampleRate, 0, 0, nullptr, static_cast<float>(kModelRate));
    Dispatch(effSetBlockSize, 0, kBlock);
    Dispatch(effMainsChanged, 0, 1);
  }

  VstIntPtr Dispatch(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0, void* ptr = nullptr, float opt = 0) {
    return fx.Effect()->dispatcher(fx.Effect(), opcode, index, value, ptr, opt);
  }
  void SetParam(int index, int value) override {
    std::string text = std::to_string(value);
    EXPECT_EQ(Dispatch(effString2Parameter, index, 0, text.data()), 1);
  }
  void SetProgram(int program) override { Dispatch(effSetProgram, 0, program); }
  void SetTempo(double bpm) override { gTime.tempo = bpm; }
  void Pause(double transportMoved) override {
    gNow += 600;
    gTime.samplePos += transportMoved;
  }
  double Position() override { return gTime.samplePos; }
  void SetPlaying(bool playing) override {
    if (playing) gTime.flags |= kVstTransportPlaying;
    else gTime.flags &= ~kVstTransportPlaying;
  }
  bool Playing() override { return (gTime.flags & kVstTransportPlaying) != 0; }
  void Locate(double position) override { gTime.samplePos = position; }
  void Process(double* left, double* right, int frames) override {
    for (int at = 0; at < frames; at += kBlock) {
      const int n = std::min(kBlock, frames - at);
      double* io[2] = {left + at, right + at};
      fx.Effect()->processDoubleReplacing(fx.Effect(), io, io, n);
      if (Playing()) gTime.samplePos += n;
    }
  }
  void Block() {
    std::vector<double> l(64), r(64);
    Process(l.data(), r.data(), 64);
  }
  // A plain value set as the effect's own paths set it.
  void SetPlain(int index, double value) {
    fx.ParamAt(index)->SetClamped(value);
    fx.ParamChanged(index);
  }
  // A click on the Host Sync button, as the editor reports it.
  void ClickSync(int value) {
    fx.SetSyncClicked();
    fx.SetParameterFromEditor(CLS_QUILLMERE::kHostSync, value);
  }
  // The left channel forward at offset 50 through an open lowpass: its first
  // echo comes half a loop after the sound.
  void ListenToLeftTap() {
    SetPlain(CLS_QUILLMERE::kDirectionLeft, 0);
    SetPlain(CLS_QUILLMERE::kOffsetLeft, 50);
    SetPlain(CLS_QUILLMERE::kMixLeft, 100);
    SetPlain(CLS_QUILLMERE::kFreqLeft, 20000);
    SetPlain(CLS_QUILLMERE::kToggleFreq, 0);
  }
  // The loop length heard with ListenToLeftTap, on cleared lines.
  int Loop() {
    Dispatch(effMainsChanged, 0, 0);
    Dispatch(effMainsChanged, 0, 1);
    const int echo = FirstEcho(*this, 60000, kBlock);
    return echo > 0 ? 2 * (echo - 1) : -1;
  }

  static constexpr int kBlock = 4096;
  CLS_QUILLMERE fx;
};

TEST(EffectExactness, ChangesMidStreamWithTempoChanges) {
  const std::vector<EngineEvent> events = {
      {20000, EngineEvent::kParam, 0, 12},  // "1/4"
      {30000, EngineEvent::kParam, 3, 90},
      {41000, EngineEvent::kProgram, 3, 0},  // toggle reverse on
      {52000, EngineEvent::kTempo, 0, 90.0},
      {60000, EngineEvent::kParam, 8, 1},  // both reversed: no flips any more
      {66000, EngineEvent::kParam, 13, 0},
      {70000, EngineEvent::kParam, 12, 0},
      {76000, EngineEvent::kProgram, 26, 0},
      {90000, EngineEvent::kTempo, 0, 137.5},
      {100000, EngineEvent::kParam, 9, 100},
      {110000, EngineEvent::kParam, 2, 0},  // sync off by automation: "Delay Time" (500 ms) governs at once
      {118000, EngineEvent::kParam, 1, 120},
  };
  for (int block : {1, 64, 4096}) {
    Effect effect(kModelStart);
    ExpectSameAsModel(effect, 120.0, 0, block, events, 44100 * 3);
  }
}

TEST(EffectExactness, TempoRampOnEveryBlock) {
  // A host ramp: another tempo every 512 frames, slower and then faster;
  // the lines grow now and then and are cleared on every change.
  std::vector<EngineEvent> events;
  for (int i = 0; i < 120; ++i) events.push_back({8000 + 512 * i, EngineEvent::kTempo, 0, 120.0 - 0.5 * (i < 60 ? i : 120 - i)});
  for (int program : {0, 3, 25}) {
    Effect effect(kModelStart);
    ExpectSameAsModel(effect, 120.0, program, 512, events, 44100 * 2);
  }
}

TEST(EffectExactness, LoopsLongerThanAnyBeforeReadSilenceAfterAClear) {
  // A long loop fills the lines, a short one follows; a loop longer than
  // both must still find zeros everywhere the long one wrote.
  const std::vector<EngineEvent> events = {
      {1000, EngineEvent::kParam, 0, 21},     // "2/1": 352800 samples
      {200000, EngineEvent::kParam, 0, 0},    // "1/64"
      {210000, EngineEvent::kParam, 9, 100},  // the right tap at the write position
      {230000, EngineEvent::kParam, 0, 24},   // "4/1": 705600
      {240000, EngineEvent::kParam, 4, 0},    // the left tap forward
      {250000, EngineEvent::kParam, 5, 100},
  };
  for (int block : {64, 4096}) {
    Effect effect(kModelStart);
    ExpectSameAsModel(effect, 120.0, 0, block, events, 300000);
  }
}

TEST(EffectExactness, ATapReadingWhatTheNextSampleWrites) {
  // At 3307.5 BPM "1/64" is a loop of 100 samples; the left tap at offset 99
  // lies just ahead of the write position (98 = 100 - 2), so it reads the
  // cell the next sample writes. Forward and then backward, with the
  // directions toggling.
  const std::vector<EngineEvent> events = {
      {0, EngineEvent::kParam, 0, 0},       {0, EngineEvent::kParam, 5, 99},
      {0, EngineEvent::kParam, 9, 3},       {20000, EngineEvent::kParam, 4, 1},
      {30000, EngineEvent::kParam, 13, 1},  {40000, EngineEvent::kParam, 8, 1},
  };
  for (int block : {1, 7, 64, 4096}) {
    Effect effect(kModelStart);
    gTime.tempo = 3307.5;
    ExpectSameAsModel(effect, 3307.5, 25, block, events, 50000);
  }
}

TEST(EffectExactness, ForwardTapsAtAndJustAheadOfTheWritePosition) {
  // A loop of 100 samples (3307.5 BPM, "1/64"): offsets 100, 99, 98 and 97
  // put a forward tap on the cell each sample writes and one, two and three
  // cells ahead of it; first the right tap, then the left, with the other
  // one at 50.
  std::vector<EngineEvent> events = {{0, EngineEvent::kParam, 0, 0}};
  int frame = 0;
  for (int near : {CLS_QUILLMERE::kOffsetRight, CLS_QUILLMERE::kOffsetLeft}) {
    const int other = near == CLS_QUILLMERE::kOffsetRight ? CLS_QUILLMERE::kOffsetLeft : CLS_QUILLMERE::kOffsetRight;
    for (int offset : {100, 99, 98, 97}) {
      events.push_back({frame, EngineEvent::kParam, near, static_cast<double>(offset)});
      events.push_back({frame, EngineEvent::kParam, other, 50});
      frame += 4000;
    }
  }
  for (int block : {1, 2, 7, 64, 512}) {
    Effect effect(kModelStart);
    gTime.tempo = 3307.5;
    ExpectSameAsModel(effect, 3307.5, 25, block, events, frame);
  }
}

TEST(EffectExactness, PauseRealignsWithTheHost) {
  // More than half a second without blocks: the write position follows the
  // host's position again.
  Effect effect(kModelStart);
  ExpectSameAsModel(effect, 120.0, 3, 512, {{30000, EngineEvent::kPause, 0, 7777}}, 44100 * 2);
}

TEST(EffectExactness, TransportStopsStartsAndJumps) {
  // Stopped blocks keep their position; starting to play and jumping while
  // playing realign the loop with the host, as a pause does.
  const std::vector<EngineEvent> events = {
      {15000, EngineEvent::kStop, 0, 0},        {16000, EngineEvent::kLocate, 0, 0.0},
      {25000, EngineEvent::kPlay, 0, 0},        {40000, EngineEvent::kLocate, 0, 0.0},
      {52000, EngineEvent::kLocate, 0, 300001.0}, {60000, EngineEvent::kStop, 0, 0},
      {70000, EngineEvent::kPlay, 0, 0},        {81000, EngineEvent::kLocate, 0, 81000.5},
  };
  for (int program : {0, 3, 8, 12}) {
    for (int block : {64, 4096}) {
      Effect effect(kModelStart);
      ExpectSameAsModel(effect, 120.0, program, block, events, 44100 * 2);
    }
  }
}

TEST(EffectExactness, ACallCutIntoBlocksIsOneCall) {
  // Calls of 4096 frames that the binding runs as blocks of 64 (the block
  // size the host announced) are judged once, at their start: the host's
  // position stands still inside a call.
  Effect effect(kModelStart);
  effect.Dispatch(effSetBlockSize, 0, 64);
  ExpectSameAsModel(effect, 120.0, 3, 4096, {{30000, EngineEvent::kLocate, 0, 5.0}}, 44100 * 2);
}

TEST(Effect, OneTimeRequestPerProcessingCall) {
  // Tempo, position and transport of a call come from one request, however
  // the call is cut into blocks and whatever the blocks need.
  Effect effect(kModelStart);
  effect.Dispatch(effSetBlockSize, 0, 64);
  std::vector<double> l(4096, 0.1), r(4096, -0.1);
  double* io[2] = {l.data(), r.data()};
  AEffect* e = effect.fx.Effect();
  for (double tempo : {120.0, 90.0, 90.0}) {
    gTime.tempo = tempo;
    gTimeRequests = 0;
    e->processDoubleReplacing(e, io, io, 4096);
    EXPECT_EQ(gTimeRequests, 1) << tempo;
  }
  gTimeRequests = 0;
  EXPECT_EQ(effect.fx.GetHostTempo(), 90.0);  // outside a call: asked directly
  EXPECT_EQ(gTimeRequests, 1);
}

TEST(Effect, ReadyOnlyOnceEveryParameterWasApplied) {
  CLS_QUILLMERE fresh(Host);
  EXPECT_FALSE(fresh.IsReady());
  for (int i = 0; i < 13; ++i) fresh.ParamChanged(i);
  fresh.ParamChanged(0);  // repeats do not count twice
  EXPECT_FALSE(fresh.IsReady());
  fresh.ParamChanged(13);
  EXPECT_TRUE(fresh.IsReady());
  Effect opened;
  EXPECT_TRUE(opened.fx.IsReady());
}

TEST(Effect, Divisions) {
  EXPECT_FLOAT_EQ(CLS_QUILLMERE::DivisionFraction(9, 0.015625f), 0.125f);
  EXPECT_EQ(CLS_QUILLMERE::DivisionFraction(7, 0.015625f), static_cast<float>(1.0 / 12.0));
  EXPECT_FLOAT_EQ(CLS_QUILLMERE::DivisionFraction(24, 0.015625f), 4.0f);
  EXPECT_FLOAT_EQ(CLS_QUILLMERE::DivisionFraction(25, 0.015625f), 16.0f / 3.0f);
  EXPECT_FLOAT_EQ(CLS_QUILLMERE::DivisionFraction(27, 0.015625f), 8.0f);
  Effect e;
  e.Block();  // 120 BPM: a whole note is 88200 samples
  EXPECT_EQ(e.fx.NearestDivision(44100), 12);  // exactly "1/4"
  EXPECT_EQ(e.fx.NearestDivision(38588), 12);  // the midpoint with "1/8D" goes to the longer
  EXPECT_EQ(e.fx.NearestDivision(38587), 11);
  EXPECT_EQ(e.fx.NearestDivision(1e12), CLS_QUILLMERE::kBeyondDivisions);
  EXPECT_EQ(e.fx.NearestDivision(1), -1);
}

TEST(Effect, CoefficientsAndGains) {
  // The left tap at offset 100 reads the cell written in the same sample: an
  // impulse comes out through the lowpass at once, and once a loop later
  // scaled by the feedback gain.
  Effect e;
  e.SetPlain(CLS_QUILLMERE::kDirectionLeft, 0);
  e.SetPlain(CLS_QUILLMERE::kOffsetLeft, 100);
  e.SetPlain(CLS_QUILLMERE::kMixLeft, 100);
  e.SetPlain(CLS_QUILLMERE::kToggleFreq, 0);
  e.SetPlain(CLS_QUILLMERE::kFeedback, 99);
  auto response = [&e]() {
    std::vector<double> l(23100, 0.0), r(23100, 0.0);
    l[0] = 1.0;
    e.Process(l.data(), r.data(), 23100);
    return l;
  };
  std::vector<double> out = response();
  EXPECT_NEAR(out[1] / out[0], 0.918066441716331, 1e-14);  // "Freq Left" 600 at 44100 Hz
  EXPECT_NEAR(out[22050] / out[0], 0.9899999499320984, 1e-12);  // 0.99 in single precision
  // A new rate recomputes the coefficients.
  e.Dispatch(effSetSampleRate, 0, 0, nullptr, 48000.0f);
  out = response();
  EXPECT_NEAR(out[1] / out[0], 0.9244652503762558, 1e-14);
}

TEST(Effect, HostSyncClicksCarryTheDelayOver) {
  Effect e;
  e.ListenToLeftTap();
  e.Block();
  e.ClickSync(0);  // synced "1/8" becomes 250 ms
  EXPECT_EQ(e.fx.ParamAt(CLS_QUILLMERE::kDelayTime)->Value(), 250.0);
  EXPECT_EQ(e.Loop(), 22050);
  e.SetPlain(CLS_QUILLMERE::kDelayTime, 500);
  EXPECT_EQ(e.Loop(), 44100);
  gRequests.clear();
  e.ClickSync(1);  // 500 ms is exactly "1/4"
  EXPECT_EQ(e.fx.ParamAt(CLS_QUILLMERE::kDelayRate)->Value(), 12.0);
  ASSERT_GE(gRequests.size(), 3u);
  EXPECT_EQ(gRequests.front(), "automate 2 1.000000");
  EXPECT_EQ(gRequests[1], "begin 0");
  EXPECT_EQ(gRequests.back(), "end 0");
  EXPECT_EQ(e.Loop(), 44100);

  // Host Sync changed by automation carries nothing over: the loop follows
  // "Delay Time" as it stands.
  e.SetPlain(CLS_QUILLMERE::kDelayTime, 300);
  e.fx.Effect()->setParameter(e.fx.Effect(), CLS_QUILLMERE::kHostSync, 0.0f);
  EXPECT_EQ(e.Loop(), 26460);
  EXPECT_EQ(e.fx.ParamAt(CLS_QUILLMERE::kDelayTime)->Value(), 300.0);
}

TEST(Effect, TempoChangeKeepsTheKnobPosition) {
  Effect e;
  e.SetPlain(CLS_QUILLMERE::kHostSync, 0);
  e.ListenToLeftTap();
  e.Block();
  const IParameter* time = e.fx.ParamAt(CLS_QUILLMERE::kDelayTime);
  EXPECT_EQ(time->Min(), 31.0);
  EXPECT_EQ(time->Max(), 8000.0);
  EXPECT_EQ(time->Shape(), 3.0);
  EXPECT_EQ(time->Value(), 500.0);
  EXPECT_EQ(e.Loop(), 44100);
  const double knob = time->NormalizedValue();
  gTime.tempo = 60.0;
  e.Block();
  EXPECT_EQ(time->Min(), 63.0);
  EXPECT_EQ(time->Max(), 16000.0);
  EXPECT_NEAR(time->NormalizedValue(), knob, 1e-3);
  EXPECT_EQ(time->Value(), 1001.0);  // the knob's place in 63 to 16000 ms
  EXPECT_EQ(e.Loop(), 88288);
}

TEST(Effect, LongDelayAtHighRatesRunsInsideItsLines) {
  // At 384 kHz and 20 BPM four whole notes are longer than the longest loop;
  // the right tap at offset 100 still reads the cell written in the same
  // sample.
  Effect e;
  e.Dispatch(effSetSampleRate, 0, 0, nullptr, 384000.0f);
  gTime.tempo = 20.0;
  e.SetPlain(CLS_QUILLMERE::kDelayRate, 24);
  e.SetPlain(CLS_QUILLMERE::kDirectionRight, 0);
  e.SetPlain(CLS_QUILLMERE::kOffsetRight, 100);
  e.SetPlain(CLS_QUILLMERE::kMixRight, 100);
  e.SetPlain(CLS_QUILLMERE::kToggleFreq, 0);
  std::vector<double> l(8192, 0.0), r(8192, 0.0);
  r[0] = 1.0;
  e.Process(l.data(), r.data(), 8192);
  EXPECT_NEAR(r[0], 0.09350953781417137, 1e-15);  // through the 6000 Hz lowpass at 384 kHz
  gTime.tempo = 1.0;  // held at the slowest tempo the lines allow
  std::fill(r.begin(), r.end(), 0.5);
  e.Process(l.data(), r.data(), 8192);
  for (double v : r) ASSERT_TRUE(std::isfinite(v));
}

TEST(DelayEngine, TapsAndTogglePoints) {
  DelayEngine engine;
  engine.left.offset = 0.25f;
  engine.right.offset = 0.75f;
  engine.left.reverse = true;
  engine.toggleReverse = true;
  engine.SetLoopLength(22050);
  EXPECT_EQ(engine.left.tap, 5512);
  EXPECT_EQ(engine.right.tap, 16537);
  EXPECT_GE(engine.capacity, 22050u);
  EXPECT_TRUE(engine.resync);
  // Lines that are long enough are kept; longer ones come with room to
  // spare.
  const double* line = engine.left.line;
  const uint32_t capacity = engine.capacity;
  EXPECT_TRUE(engine.ProvideLines(capacity / 2));
  EXPECT_EQ(engine.left.line, line);
  EXPECT_EQ(engine.capacity, capacity);
  EXPECT_TRUE(engine.ProvideLines(capacity + 1));
  EXPECT_EQ(engine.capacity, capacity + capacity / 2);

  // The left toggle point lies half a loop from its tap, at 16537; the right
  // one at 5512 is not reached.
  engine.Realign(16537 - 10);
  std::vector<double> l(64, 0.0), r(64, 0.0);
  engine.Process(l.data(), r.data(), l.data(), r.data(), 64);
  EXPECT_EQ(engine.writePos, 16537u - 10u + 64u);
  EXPECT_TRUE(engine.left.flip);
  EXPECT_FALSE(engine.right.flip);

  engine.left.offset = 0.5f;
  engine.UpdateTaps();
  EXPECT_EQ(engine.left.tap, 11025);
  engine.Realign(7);
  EXPECT_FALSE(engine.left.flip);
  EXPECT_EQ(engine.writePos, 7u);
}

}  // namespace
