// The host class against the fake effect and the broken modules.

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <thread>
#include <vector>

#include "tests/tools/TestModules.h"
#include "tools/host/VstHost.h"

using qmhost::HostEvent;
using qmhost::HostSettings;
using qmhost::LoadStatus;
using qmhost::Precision;
using qmhost::VstHost;
using qmtest::FakeLog;
using qmtest::ModulePath;

namespace {

constexpr VstInt32 kGestureOpcode = 0x67657374;  // the fake's edit-gesture request

std::string TempFile(const char* name) {
  return qmhost::ExecutableDirectory() + name;
}

// The fake effect loaded into host and opened; a failure says which step
// failed and why.
::testing::AssertionResult LoadAndOpenFakeEffect(VstHost& host) {
  if (host.Load(ModulePath(QM_FAKE_EFFECT_FILE)) != LoadStatus::Ok)
    return ::testing::AssertionFailure() << "load: " << host.Error();
  if (!host.Open()) return ::testing::AssertionFailure() << "effOpen refused";
  return ::testing::AssertionSuccess();
}

TEST(HostLoad, ReportsEachKindOfBrokenModule) {
  struct Case {
    std::string path;
    LoadStatus expected;
  };
  std::string text = TempFile("host_test_not_a_module.txt");
  std::FILE* f = std::fopen(text.c_str(), "wb");
  ASSERT_NE(f, nullptr);
  std::fputs("this is not a library\n", f);
  std::fclose(f);
  const Case cases[] = {
      {ModulePath("no-such-module.bin"), LoadStatus::NotFound},
      {text, LoadStatus::NotALibrary},
      {ModulePath(QM_FAKE_NO_ENTRY_FILE), LoadStatus::NoEntryPoint},
      {ModulePath(QM_FAKE_NULL_ENTRY_FILE), LoadStatus::EntryReturnedNull},
      {ModulePath(QM_FAKE_BAD_MAGIC_FILE), LoadStatus::BadMagic},
  };
  for (const Case& c : cases) {
    VstHost host;
    EXPECT_EQ(host.Load(c.path), c.expected) << c.path << ": " << host.Error();
    EXPECT_EQ(host.Effect(), nullptr);
    EXPECT_NE(host.Error().find(c.path), std::string::npos) << "the message names the file: " << host.Error();
    EXPECT_FALSE(host.Open());
    EXPECT_FALSE(host.Resume());
  }
  std::remove(text.c_str());
}

TEST(HostLoad, FallsBackToMainAndAnswersRequestsMadeDuringEntry) {
  FakeLog log(QM_FAKE_MAIN_ONLY_FILE);
  VstHost host;
  ASSERT_EQ(host.Load(ModulePath(QM_FAKE_MAIN_ONLY_FILE)), LoadStatus::Ok) << host.Error();
  EXPECT_EQ(host.Effect()->uniqueID, 0x516D466B);
  // The entry point asked for the version with no record yet.
  EXPECT_TRUE(log.Has("entry")) << log.Text();
  EXPECT_TRUE(log.Has("version=2400")) << log.Text();
}

TEST(HostLifecycle, CallsTheEffectInTheUsualOrder) {
  FakeLog log(QM_FAKE_EFFECT_FILE);
  HostSettings settings;
  settings.sampleRate = 48000;
  settings.blockSize = 64;
  VstHost host(settings);
  ASSERT_TRUE(LoadAndOpenFakeEffect(host));
  ASSERT_TRUE(host.SetProgram(1));
  ASSERT_TRUE(host.Resume(Precision::Double));
  std::vector<double> in0(64, 0.25), in1(64, -0.5), out0(64), out1(64);
  double* ins[2] = {in0.data(), in1.data()};
  double* outs[2] = {out0.data(), out1.data()};
  ASSERT_TRUE(host.ProcessDouble(ins, outs, 64));
  host.Suspend();
  host.Close();
  // Order: open, rate, block, program, precision, mains on, start, process, stop, mains off, close.
  const char* order[] = {"d0", "rate=48000", "block=64", "d67", "d2", "d68", "precision=1",
                         "mains=1", "d71", "pD64", "d72", "mains=0", "d1"};
  size_t at = 0;
  for (const char* word : order) {
    size_t next = log.Find(word, at);
    ASSERT_NE(next, std::string::npos) << word << " missing or out of order in: " << log.Text();
    at = next + 1;
  }
  // Program 1 ("Loud") has gain 1.0: output = input x 2.
  EXPECT_DOUBLE_EQ(out0[10], 0.5);
  EXPECT_DOUBLE_EQ(out1[63], -1.0);
  EXPECT_EQ(host.Effect(), nullptr);
  EXPECT_FALSE(host.Resume());
}

TEST(HostRequests, AnswersVersionNamesCapabilitiesAndProcessLevel) {
  FakeLog log(QM_FAKE_EFFECT_FILE);
  HostSettings settings;
  settings.productName = "REAPER";
  settings.offline = true;
  VstHost host(settings);
  ASSERT_TRUE(LoadAndOpenFakeEffect(host));
  EXPECT_TRUE(log.Has("version=2400")) << log.Text();
  EXPECT_TRUE(log.Has("product=REAPER")) << log.Text();
  EXPECT_TRUE(log.Has("vendor=quillmere")) << log.Text();
  EXPECT_TRUE(log.Has("canTime=1")) << log.Text();
  EXPECT_TRUE(log.Has("canShell=-1")) << log.Text();
  EXPECT_TRUE(log.Has("canOdd=0")) << log.Text();
  EXPECT_TRUE(log.Has("level=1")) << "outside processing: user level. " << log.Text();
  ASSERT_TRUE(host.Resume());
  float a[8] = {0}, b[8] = {0};
  float* io[2] = {a, b};
  ASSERT_TRUE(host.ProcessFloat(io, io, 8));
  EXPECT_TRUE(log.Has("level=4")) << "offline rendering inside processing. " << log.Text();

  // Direct questions, as any effect would ask them.
  AEffect* e = host.Effect();
  EXPECT_EQ(VstHost::Callback(e, audioMasterGetSampleRate, 0, 0, nullptr, 0), 44100);
  EXPECT_EQ(VstHost::Callback(e, audioMasterGetBlockSize, 0, 0, nullptr, 0), 512);
  EXPECT_EQ(VstHost::Callback(e, audioMasterPinConnected, 1, 0, nullptr, 0), 0) << "input 1 is connected";
  EXPECT_EQ(VstHost::Callback(e, audioMasterPinConnected, 2, 1, nullptr, 0), 1) << "output 2 is not";
  EXPECT_EQ(VstHost::Callback(e, audioMasterCanDo, 0, 0, nullptr, 0), 0) << "no text, no answer";
  EXPECT_EQ(VstHost::Callback(e, 9999, 0, 0, nullptr, 0), 0);
  auto counts = host.RequestCounts();
  EXPECT_EQ(counts[audioMasterGetSampleRate], 1);
  EXPECT_GE(counts[audioMasterCanDo], 4);
}

TEST(HostTime, AdvancesPositionPerBlockWithTempoAndSignature) {
  FakeLog log(QM_FAKE_EFFECT_FILE);
  HostSettings settings;
  settings.sampleRate = 48000;
  settings.blockSize = 100;
  settings.tempo = 90;
  settings.startPosition = 24000;
  VstHost host(settings);
  ASSERT_TRUE(LoadAndOpenFakeEffect(host));
  ASSERT_TRUE(host.Resume());
  float a[100] = {0}, b[100] = {0};
  float* io[2] = {a, b};
  ASSERT_TRUE(host.ProcessFloat(io, io, 100));
  ASSERT_TRUE(host.ProcessFloat(io, io, 60));
  ASSERT_TRUE(host.ProcessFloatAdding(io, io, 100));
  // Flags: playing 0x2, ppq 0x200, tempo 0x400, bars 0x800, signature 0x2000;
  // the first block also says the transport changed (0x1).
  // ppq = position / 48000 x 90 / 60.
  EXPECT_TRUE(log.Has("time=24000,48000,90.0,0.7500,4/4,2E03")) << log.Text();
  EXPECT_TRUE(log.Has("time=24100,48000,90.0,0.7531,4/4,2E02")) << log.Text();
  EXPECT_TRUE(log.Has("time=24160,48000,90.0,0.7550,4/4,2E02")) << log.Text();
  EXPECT_DOUBLE_EQ(host.Position(), 24260);

  // Blocks longer than the block size, or empty, are refused unprocessed.
  EXPECT_FALSE(host.ProcessFloat(io, io, 101));
  EXPECT_FALSE(host.ProcessFloat(io, io, 0));
  EXPECT_DOUBLE_EQ(host.Position(), 24260);
}

TEST(HostTime, StoppedTransportStandsStillAndTempoChangesMidRun) {
  FakeLog log(QM_FAKE_EFFECT_FILE);
  HostSettings settings;
  settings.sampleRate = 48000;
  settings.blockSize = 100;
  VstHost host(settings);
  ASSERT_TRUE(LoadAndOpenFakeEffect(host));
  ASSERT_TRUE(host.Resume());
  float a[100] = {0}, b[100] = {0};
  float* io[2] = {a, b};
  host.SetPlaying(false);
  ASSERT_TRUE(host.ProcessFloat(io, io, 100));
  ASSERT_TRUE(host.ProcessFloat(io, io, 100));
  EXPECT_DOUBLE_EQ(host.Position(), 0);  // standing still
  host.SetTempo(90);
  host.SetPlaying(true);
  ASSERT_TRUE(host.ProcessFloat(io, io, 100));
  EXPECT_DOUBLE_EQ(host.Position(), 100);
  // Stopped: no playing flag (0x2); the transport changed (0x1) on the first
  // block only, and again when it started.
  EXPECT_TRUE(log.Has("time=0,48000,120.0,0.0000,4/4,2E01")) << log.Text();
  EXPECT_TRUE(log.Has("time=0,48000,120.0,0.0000,4/4,2E00")) << log.Text();
  EXPECT_TRUE(log.Has("time=0,48000,90.0,0.0000,4/4,2E03")) << log.Text();
}

TEST(HostTime, WithoutTempoClearsTempoPpqAndBars) {
  FakeLog log(QM_FAKE_EFFECT_FILE);
  HostSettings settings;
  settings.tempoValid = false;
  VstHost host(settings);
  ASSERT_TRUE(LoadAndOpenFakeEffect(host));
  ASSERT_TRUE(host.Resume());
  float a[16] = {0}, b[16] = {0};
  float* io[2] = {a, b};
  ASSERT_TRUE(host.ProcessFloat(io, io, 16));
  EXPECT_TRUE(log.Has("time=0,44100,0.0,0.0000,4/4,2003")) << log.Text();
}

TEST(HostTime, HostileTemposPassedOnAsSetAndAnyFrameCountOnRequest) {
  FakeLog log(QM_FAKE_EFFECT_FILE);
  HostSettings settings;
  settings.blockSize = 64;
  VstHost host(settings);
  ASSERT_TRUE(LoadAndOpenFakeEffect(host));
  ASSERT_TRUE(host.Resume());
  float a[200] = {0}, b[200] = {0};
  float* io[2] = {a, b};
  // A tempo that is no tempo still comes with its flag (0x400), but without
  // ppq and bar positions (0x200, 0x800).
  host.SetTempo(-120.0);
  ASSERT_TRUE(host.ProcessFloat(io, io, 64));
  EXPECT_TRUE(log.Has("time=0,44100,-120.0,0.0000,4/4,2403")) << log.Text();
  host.SetTempo(140.0);
  EXPECT_FALSE(host.ProcessFloat(io, io, 200));
  host.AllowAnyFrameCount(true);
  ASSERT_TRUE(host.ProcessFloat(io, io, 200));
  ASSERT_TRUE(host.ProcessFloat(io, io, 0));
  EXPECT_TRUE(log.Has("pF200")) << log.Text();
  EXPECT_TRUE(log.Has("pF0")) << log.Text();
  EXPECT_TRUE(log.Has("time=64,44100,140.0,0.0034,4/4,2E02")) << log.Text();
  EXPECT_DOUBLE_EQ(host.Position(), 264);
}

TEST(HostAutomation, LogsEditGesturesInOrder) {
  FakeLog log(QM_FAKE_EFFECT_FILE);
  VstHost host;
  ASSERT_TRUE(LoadAndOpenFakeEffect(host));
  EXPECT_EQ(host.Dispatch(effVendorSpecific, kGestureOpcode, 2, nullptr, 0.75f), 1);
  EXPECT_EQ(host.Dispatch(effVendorSpecific, kGestureOpcode, 0, nullptr, 0.125f), 1);
  std::vector<HostEvent> events = host.Events();
  ASSERT_EQ(events.size(), 6u);
  EXPECT_EQ(events[0].kind, HostEvent::BeginEdit);
  EXPECT_EQ(events[0].index, 2);
  EXPECT_EQ(events[1].kind, HostEvent::Automate);
  EXPECT_EQ(events[1].index, 2);
  EXPECT_FLOAT_EQ(events[1].value, 0.75f);
  EXPECT_EQ(events[2].kind, HostEvent::EndEdit);
  EXPECT_EQ(events[4].index, 0);
  EXPECT_FLOAT_EQ(events[4].value, 0.125f);
  EXPECT_FLOAT_EQ(host.GetParam(2), 0.75f);
  host.ClearEvents();
  EXPECT_TRUE(host.Events().empty());
}

TEST(HostParams, ByNameTextAndValueWithRangeChecks) {
  FakeLog log(QM_FAKE_EFFECT_FILE);
  VstHost host;
  ASSERT_TRUE(LoadAndOpenFakeEffect(host));
  EXPECT_EQ(host.FindParam("mode"), 1);
  EXPECT_EQ(host.FindParam("  GAIN "), 0);
  EXPECT_EQ(host.FindParam("Volume"), -1);
  EXPECT_EQ(host.ParamLabel(0), "x");
  EXPECT_EQ(host.ParamDisplay(1), "Soft");
  EXPECT_TRUE(host.SetParamText(1, "Hard"));
  EXPECT_EQ(host.ParamDisplay(1), "Hard");
  EXPECT_FALSE(host.SetParamText(1, "Medium")) << "the effect rejects the text";
  EXPECT_TRUE(host.SetParamText(0, "1.5"));
  EXPECT_FLOAT_EQ(host.GetParam(0), 0.75f);
  host.SetParam(2, 0.3f);
  EXPECT_EQ(host.ParamDisplay(2), "0.300");
  // Outside the range: nothing reaches the effect.
  host.SetParam(3, 0.9f);
  host.SetParam(-1, 0.9f);
  EXPECT_FALSE(host.SetParamText(3, "1"));
  EXPECT_EQ(host.ParamName(3), "");
  EXPECT_EQ(host.GetParam(-1), 0.0f);
  EXPECT_FALSE(log.Has("set3=0.900")) << log.Text();
}

TEST(HostPrograms, ByIndexAndName) {
  FakeLog log(QM_FAKE_EFFECT_FILE);
  VstHost host;
  ASSERT_TRUE(LoadAndOpenFakeEffect(host));
  EXPECT_EQ(host.ProgramName(2), "Quiet");
  EXPECT_EQ(host.ProgramName(3), "");
  EXPECT_EQ(host.FindProgram("loud"), 1);
  EXPECT_EQ(host.FindProgram("Nope"), -1);
  EXPECT_TRUE(host.SetProgram(2));
  EXPECT_EQ(host.CurrentProgram(), 2);
  EXPECT_FLOAT_EQ(host.GetParam(0), 0.25f);
  EXPECT_FALSE(host.SetProgram(3));
  EXPECT_FALSE(host.SetProgram(-1));
  EXPECT_EQ(host.CurrentProgram(), 2);
}

TEST(HostChunks, RoundTripAndRefusal) {
  FakeLog log(QM_FAKE_EFFECT_FILE);
  VstHost host;
  ASSERT_TRUE(LoadAndOpenFakeEffect(host));
  host.SetParam(0, 0.1f);
  host.SetParam(2, 0.9f);
  std::vector<uint8_t> bank, program;
  ASSERT_TRUE(host.GetChunk(false, &bank));
  ASSERT_TRUE(host.GetChunk(true, &program));
  ASSERT_EQ(bank.size(), 16u);
  EXPECT_EQ(std::memcmp(bank.data(), "FKB1", 4), 0);
  EXPECT_EQ(std::memcmp(program.data(), "FKP1", 4), 0);
  host.SetParam(0, 0.6f);
  host.SetParam(2, 0.0f);
  ASSERT_TRUE(host.SetChunk(false, bank));
  EXPECT_FLOAT_EQ(host.GetParam(0), 0.1f);
  EXPECT_FLOAT_EQ(host.GetParam(2), 0.9f);
  EXPECT_TRUE(log.Has("d75")) << "begin-load-bank precedes the chunk: " << log.Text();
  // The wrong form, a short chunk and an empty one are refused.
  EXPECT_FALSE(host.SetChunk(true, bank));
  EXPECT_FALSE(host.SetChunk(false, std::vector<uint8_t>(bank.begin(), bank.begin() + 5)));
  EXPECT_FALSE(host.SetChunk(false, std::vector<uint8_t>()));
  EXPECT_FLOAT_EQ(host.GetParam(0), 0.1f);
}

TEST(HostProcessing, ThreePrecisionsAndUnsupportedOnes) {
  {
    FakeLog log(QM_FAKE_EFFECT_FILE);
    VstHost host;
    ASSERT_TRUE(LoadAndOpenFakeEffect(host));
    EXPECT_TRUE(host.Supports(Precision::Float));
    EXPECT_TRUE(host.Supports(Precision::FloatAdding));
    EXPECT_TRUE(host.Supports(Precision::Double));
    float in[4] = {0.5f, -0.25f, 1.0f, 0.0f};
    float out0[4] = {1, 1, 1, 1}, out1[4] = {1, 1, 1, 1};
    float* ins[2] = {in, in};
    float* outs[2] = {out0, out1};
    EXPECT_FALSE(host.ProcessFloat(ins, outs, 4)) << "not running yet";
    ASSERT_TRUE(host.Resume());
    host.SetParam(0, 0.75f);  // x1.5
    ASSERT_TRUE(host.ProcessFloatAdding(ins, outs, 4));
    EXPECT_FLOAT_EQ(out0[0], 1.75f);
    EXPECT_FLOAT_EQ(out1[1], 0.625f);
    ASSERT_TRUE(host.ProcessFloat(ins, outs, 4));
    EXPECT_FLOAT_EQ(out0[0], 0.75f);
    EXPECT_FLOAT_EQ(out1[1], -0.375f);
  }
  FakeLog log(QM_FAKE_FLOAT_ONLY_FILE);
  VstHost host;
  ASSERT_EQ(host.Load(ModulePath(QM_FAKE_FLOAT_ONLY_FILE)), LoadStatus::Ok) << host.Error();
  ASSERT_TRUE(host.Open());
  EXPECT_FALSE(host.Supports(Precision::Double));
  ASSERT_TRUE(host.Resume(Precision::Double));
  EXPECT_FALSE(log.Has("precision=1")) << "no precision request to an effect without doubles";
  double d[4] = {0};
  double* io[2] = {d, d};
  EXPECT_FALSE(host.ProcessDouble(io, io, 4));
  EXPECT_FALSE(log.Has("pD4"));
}

TEST(HostSettingsChange, OnlyWhileSuspended) {
  FakeLog log(QM_FAKE_EFFECT_FILE);
  VstHost host;
  ASSERT_TRUE(LoadAndOpenFakeEffect(host));
  EXPECT_TRUE(host.SetBlockSize(256));
  EXPECT_TRUE(log.Has("block=256"));
  EXPECT_FALSE(host.SetBlockSize(0));
  EXPECT_FALSE(host.SetSampleRate(-1));
  ASSERT_TRUE(host.Resume());
  EXPECT_FALSE(host.SetBlockSize(128));
  EXPECT_FALSE(host.SetSampleRate(96000));
  host.Suspend();
  EXPECT_TRUE(host.SetSampleRate(96000));
  EXPECT_TRUE(log.Has("rate=96000"));
  EXPECT_EQ(VstHost::Callback(host.Effect(), audioMasterGetSampleRate, 0, 0, nullptr, 0), 96000);
}

TEST(HostInstances, TwoHostsKeepTheirOwnAnswers) {
  FakeLog log(QM_FAKE_EFFECT_FILE);
  HostSettings a, b;
  a.sampleRate = 22050;
  b.sampleRate = 96000;
  VstHost first(a), second(b);
  ASSERT_EQ(first.Load(ModulePath(QM_FAKE_EFFECT_FILE)), LoadStatus::Ok);
  ASSERT_EQ(second.Load(ModulePath(QM_FAKE_EFFECT_FILE)), LoadStatus::Ok);
  ASSERT_NE(first.Effect(), second.Effect());
  EXPECT_EQ(VstHost::Callback(first.Effect(), audioMasterGetSampleRate, 0, 0, nullptr, 0), 22050);
  EXPECT_EQ(VstHost::Callback(second.Effect(), audioMasterGetSampleRate, 0, 0, nullptr, 0), 96000);
  first.Unload();
  EXPECT_EQ(VstHost::Callback(second.Effect(), audioMasterGetSampleRate, 0, 0, nullptr, 0), 96000);
}

TEST(HostConcurrency, RequestsFromManyThreadsAreAllLogged) {
  FakeLog log(QM_FAKE_EFFECT_FILE);
  VstHost host;
  ASSERT_TRUE(LoadAndOpenFakeEffect(host));
  AEffect* effect = host.Effect();
  constexpr int kThreads = 4, kEach = 500;
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([effect, t] {
      for (int i = 0; i < kEach; ++i) {
        VstHost::Callback(effect, audioMasterBeginEdit, t, 0, nullptr, 0);
        VstHost::Callback(effect, audioMasterAutomate, t, 0, nullptr, static_cast<float>(i) / kEach);
        VstHost::Callback(effect, audioMasterGetTime, 0, 0, nullptr, 0);
        VstHost::Callback(effect, audioMasterEndEdit, t, 0, nullptr, 0);
      }
    });
  }
  size_t seen = 0;
  while (seen < static_cast<size_t>(kThreads * kEach * 3)) seen = host.Events().size();
  for (auto& thread : threads) thread.join();
  std::vector<HostEvent> events = host.Events();
  ASSERT_EQ(events.size(), static_cast<size_t>(kThreads * kEach * 3));
  // Each thread's own events keep their order.
  for (int t = 0; t < kThreads; ++t) {
    const HostEvent::Kind gesture[3] = {HostEvent::BeginEdit, HostEvent::Automate, HostEvent::EndEdit};
    int next = 0;
    float last = -1;
    for (const HostEvent& e : events) {
      if (e.index != t) continue;
      EXPECT_EQ(e.kind, gesture[next]) << "thread " << t;
      if (e.kind == HostEvent::Automate) {
        EXPECT_GT(e.value, last);
        last = e.value;
      }
      next = (next + 1) % 3;
    }
  }
  EXPECT_EQ(host.RequestCounts()[audioMasterGetTime], kThreads * kEach);
}

}  // namespace
