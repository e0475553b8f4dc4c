// The binding's host services, checked on a small plug-in of its own with a
// recording host callback.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "framework/TextUtil.h"
#include "framework/IEditor.h"
#include "vst/IPlugVST.h"

namespace {

struct Recorder {
  std::vector<std::string> requests;
  std::string product;
  VstTimeInfo time{};
  bool giveTime = true;
};
Recorder* gRecorder = nullptr;

VstIntPtr VSTCALLBACK Record(AEffect*, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt) {
  Recorder& r = *gRecorder;
  switch (opcode) {
    case audioMasterGetProductString:
      r.requests.push_back("product");
      strcpy(static_cast<char*>(ptr), r.product.c_str());
      return 1;
    case audioMasterGetTime:
      r.requests.push_back("time " + std::to_string(value));
      return r.giveTime ? reinterpret_cast<VstIntPtr>(&r.time) : 0;
    case audioMasterAutomate:
      r.requests.push_back("automate " + std::to_string(index) + " " + std::to_string(opt));
      return 0;
    case audioMasterBeginEdit:
      r.requests.push_back("begin " + std::to_string(index));
      return 0;
    case audioMasterEndEdit:
      r.requests.push_back("end " + std::to_string(index));
      return 0;
    case audioMasterProcessEvents: {
      const VstEvents* events = static_cast<const VstEvents*>(ptr);
      const VstEvent* e = events->events[0];
      r.requests.push_back("events " + std::to_string(events->numEvents) + " type " + std::to_string(e->type) +
                           " size " + std::to_string(e->byteSize));
      return 1;
    }
    default:
      r.requests.push_back("op " + std::to_string(opcode));
      return 0;
  }
}

class FourChannelPlug : public IPlugVST {
public:
  explicit FourChannelPlug(audioMasterCallback host, int midiMode = 0)
      : IPlugVST(host, 8, "2-2 4-4", 3, "four", "p", "v", 0x10203, FourCC("four"), FourCC("Test"), 0, midiMode,
                 true, true) {}
};

class WheelEditor : public IEditor {
public:
  WheelEditor() : IEditor(498, 285, 24) {}
  void ApplyPluginParameter(int, double, bool) override {}
  void ApplyUserValueByParam(int, double) override {}
  void SetHiddenByParam(int, bool) override {}
  void PrepareDrawing() override {}
  void StartEndEditDelay(int ticks) override { countdown = ticks; }
  void CancelEndEditDelay() override { countdown = 0; }
  void* OpenEditorWindow(void* parent) override { return parent ? this : nullptr; }
  void CloseEditorWindow() override {}
  void Idle() override { ++idles; }
  int countdown = 0;
  int idles = 0;
};

struct BindingTest : ::testing::Test {
  Recorder recorder;
  void SetUp() override { gRecorder = &recorder; }
  void TearDown() override { gRecorder = nullptr; }
};

TEST_F(BindingTest, HostTable) {
  EXPECT_EQ(IPlugVST::HostTypeForProduct("REAPER"), 1);
  EXPECT_EQ(IPlugVST::HostTypeForProduct("Cubase Pro 12"), 3);
  EXPECT_EQ(IPlugVST::HostTypeForProduct("reaper with cubase"), 3);  // earlier entries win
  EXPECT_EQ(IPlugVST::HostTypeForProduct("Ableton Live"), 9);
  EXPECT_EQ(IPlugVST::HostTypeForProduct("Adobe Audition"), 17);
  EXPECT_EQ(IPlugVST::HostTypeForProduct("BrainWaveProducer Live"), 28);
  EXPECT_EQ(IPlugVST::HostTypeForProduct("Ardour"), 27);
  EXPECT_EQ(IPlugVST::HostTypeForProduct("GarageBand"), 26);
  EXPECT_EQ(IPlugVST::HostTypeForProduct("Deliverance"), 9);  // "live" inside a word
  EXPECT_EQ(IPlugVST::HostTypeForProduct(""), 0);
  EXPECT_EQ(IPlugVST::HostTypeForProduct(nullptr), 0);
  EXPECT_EQ(IPlugVST::HostTypeForProduct(std::string(300, 'x').append("ardour").c_str()), 0);  // past 255 characters
}

TEST_F(BindingTest, HostAskedOnceAndChannelSetupForListedHosts) {
  // Four hosts get their own channel setup: inputs from the third on read
  // silence, outputs from the third on stay connected. Every host is asked
  // for its name once.
  const struct {
    const char* product;
    int code;
    bool ownSetup;
  } cases[] = {
      {"Adobe Audition CC", IPlugVST::kHostAudition, true}, {"SAWStudio64", IPlugVST::kHostSawStudio, true},
      {"Orion Platinum", IPlugVST::kHostOrion, true},        {"FL Studio Forte", IPlugVST::kHostForte, true},
      {"REAPER", IPlugVST::kHostReaper, false},               {"", IPlugVST::kHostUnknown, false},
  };
  for (const auto& c : cases) {
    recorder.product = c.product;
    recorder.requests.clear();
    FourChannelPlug plug(Record);
    plug.SetOutputConnections(2, 2, false);
    plug.PrepareForHost();
    plug.PrepareForHost();
    EXPECT_EQ(plug.GetHostType(), c.code) << c.product;
    EXPECT_EQ(std::count(recorder.requests.begin(), recorder.requests.end(), "product"), 1) << c.product;
    EXPECT_TRUE(plug.IsInChannelConnected(1)) << c.product;
    EXPECT_EQ(plug.IsInChannelConnected(2), !c.ownSetup) << c.product;
    EXPECT_EQ(plug.IsInChannelConnected(3), !c.ownSetup) << c.product;
    EXPECT_EQ(plug.IsOutChannelConnected(3), c.ownSetup) << c.product;
    EXPECT_EQ(plug.Effect()->numInputs, 4);
  }
  recorder.product = "REAPER";
  FourChannelPlug plug(Record);
  EXPECT_EQ(plug.Effect()->flags, 0x1010 | effFlagsProgramChunks | effFlagsIsSynth);  // no mono configuration
}

TEST_F(BindingTest, TimeQueries) {
  FourChannelPlug plug(Record);
  recorder.time.tempo = 120.0;
  recorder.time.flags = 0;
  EXPECT_EQ(plug.GetHostTempo(), 0.0);  // tempo without its flag
  recorder.time.flags = kVstTempoValid;
  EXPECT_EQ(plug.GetHostTempo(), 120.0);
  EXPECT_EQ(recorder.requests.back(), "time 1024");
  recorder.time.tempo = -5;
  EXPECT_EQ(plug.GetHostTempo(), 0.0);
  recorder.time.samplePos = 1234.5;
  EXPECT_EQ(plug.GetSamplePosition(), 1235);
  recorder.time.samplePos = -3;
  EXPECT_EQ(plug.GetSamplePosition(), 0);
  recorder.time.samplePos = std::nan("");
  EXPECT_EQ(plug.GetSamplePosition(), 0);
  recorder.time.samplePos = 4294967296.0 + 7.0;  // past 32 bits: wraps
  EXPECT_EQ(plug.GetSamplePosition(), 7);
  recorder.time.samplePos = 1e300;
  EXPECT_GE(plug.GetSamplePosition(), 0);
  int n = 9, d = 9;
  recorder.time.timeSigNumerator = 3;
  recorder.time.timeSigDenominator = 8;
  plug.GetTimeSignature(&n, &d);
  EXPECT_EQ(n, 0);  // flag missing
  recorder.time.flags = kVstTimeSigValid;
  plug.GetTimeSignature(&n, &d);
  EXPECT_EQ(n, 3);
  EXPECT_EQ(d, 8);
  // The transport: playing or not, and the position as the host gives it.
  double position = 0;
  bool playing = true;
  recorder.time.samplePos = 1234.5;
  EXPECT_TRUE(plug.GetTransport(&position, &playing));
  EXPECT_EQ(position, 1234.5);
  EXPECT_FALSE(playing);
  recorder.time.flags = kVstTransportPlaying;
  EXPECT_TRUE(plug.GetTransport(&position, &playing));
  EXPECT_TRUE(playing);
  recorder.giveTime = false;
  EXPECT_EQ(plug.GetSamplePosition(), 0);
  plug.GetTimeSignature(&n, &d);
  EXPECT_EQ(d, 0);
  EXPECT_FALSE(plug.GetTransport(&position, &playing));

  FourChannelPlug alone(nullptr);  // no host: no requests, no answers
  EXPECT_EQ(alone.GetHostTempo(), 0.0);
  EXPECT_EQ(alone.GetHostType(), 0);
}

TEST_F(BindingTest, WheelGesturesShareOneBeginEdit) {
  FourChannelPlug plug(Record);
  WheelEditor* editor = new WheelEditor;
  plug.AttachEditor(editor);
  EXPECT_EQ(plug.Effect()->flags & effFlagsHasEditor, effFlagsHasEditor);
  EXPECT_EQ(plug.EditorRect().bottom, 285);
  EXPECT_EQ(plug.EditorRect().right, 498);
  recorder.requests.clear();

  for (int notch = 0; notch < 2; ++notch) {
    plug.BeginParamEditOnce(5);
    plug.EndParamEditDelayed(5);
  }
  EXPECT_EQ(recorder.requests, (std::vector<std::string>{"begin 5"}));
  EXPECT_EQ(editor->countdown, 12);
  plug.BeginParamEditOnce(6);
  EXPECT_EQ(recorder.requests, (std::vector<std::string>{"begin 5", "end 5", "begin 6"}));
  EXPECT_EQ(editor->countdown, 0);
}

TEST_F(BindingTest, HostIdleReachesTheEditorOnlyWhileItsWindowIsOpen) {
  FourChannelPlug plug(Record);
  AEffect* e = plug.Effect();
  EXPECT_EQ(e->dispatcher(e, effEditIdle, 0, 0, nullptr, 0), 0);  // no editor at all
  WheelEditor* editor = new WheelEditor;
  plug.AttachEditor(editor);
  int parent = 0;
  e->dispatcher(e, effEditIdle, 0, 0, nullptr, 0);
  EXPECT_EQ(e->dispatcher(e, effEditOpen, 0, 0, nullptr, 0), 0);  // no window without a parent
  e->dispatcher(e, effEditIdle, 0, 0, nullptr, 0);
  EXPECT_EQ(editor->idles, 0);
  EXPECT_EQ(e->dispatcher(e, effEditOpen, 0, 0, &parent, 0), 1);
  EXPECT_EQ(e->dispatcher(e, effEditIdle, 0, 0, nullptr, 0), 0);
  EXPECT_EQ(e->dispatcher(e, effEditIdle, 0, 0, nullptr, 0), 0);
  EXPECT_EQ(editor->idles, 2);
  EXPECT_EQ(e->dispatcher(e, effEditClose, 0, 0, nullptr, 0), 1);
  e->dispatcher(e, effEditIdle, 0, 0, nullptr, 0);
  EXPECT_EQ(editor->idles, 2);
}

TEST_F(BindingTest, MidiAndLatency) {
  FourChannelPlug plug(Record, 1);
  MidiMessage note;
  note.status = 0x90;
  note.data1 = 60;
  EXPECT_TRUE(plug.SendMidiMessage(&note));
  EXPECT_EQ(recorder.requests.back(), "events 1 type 1 size 32");
  uint8_t dump[3] = {0xF0, 0x01, 0xF7};
  SysExMessage sysex;
  sysex.size = 3;
  sysex.data = dump;
  EXPECT_TRUE(plug.SendSysExMessage(&sysex));
  EXPECT_EQ(recorder.requests.back(), "events 1 type 6 size 48");
  char answer[] = "receiveVstMidiEvent";
  EXPECT_EQ(plug.Effect()->dispatcher(plug.Effect(), effCanDo, 0, 0, answer, 0), 1);
  char send[] = "sendVstEvents";
  EXPECT_EQ(plug.Effect()->dispatcher(plug.Effect(), effCanDo, 0, 0, send, 0), 1);
  EXPECT_EQ(plug.Effect()->dispatcher(plug.Effect(), effGetPlugCategory, 0, 0, nullptr, 0), 2);
  plug.ChangeLatency(128);
  EXPECT_EQ(plug.Effect()->initialDelay, 128);
  EXPECT_EQ(plug.CurrentLatency(), 128);
  recorder.requests.clear();
  float* none[4] = {};
  plug.Effect()->processReplacing(plug.Effect(), none, none, 0);
  EXPECT_EQ(recorder.requests, (std::vector<std::string>{"op 6"}));  // wants MIDI on every call
}

// A host's event list longer than the two entries the record declares: every
// event arrives, in order (found by the dispatcher fuzz target).
TEST_F(BindingTest, EventListsLongerThanTheRecordsArray) {
  struct Listener : FourChannelPlug {
    explicit Listener(audioMasterCallback host) : FourChannelPlug(host, 2) {}
    void MidiMessageIn(const MidiMessage* m) override { notes.push_back(m->data1); }
    std::vector<int> notes;
  } plug(Record);
  constexpr int kCount = 5;
  std::vector<VstMidiEvent> midi(kCount);
  std::vector<unsigned char> block(offsetof(VstEvents, events) + kCount * sizeof(VstEvent*));
  VstEvents* events = reinterpret_cast<VstEvents*>(block.data());
  events->numEvents = kCount;
  VstEvent** list = events->events;
  for (int i = 0; i < kCount; ++i) {
    midi[i] = VstMidiEvent{};
    midi[i].type = kVstMidiType;
    midi[i].byteSize = sizeof(VstMidiEvent);
    midi[i].midiData[0] = static_cast<char>(0x90);
    midi[i].midiData[1] = static_cast<char>(60 + i);
    list[i] = reinterpret_cast<VstEvent*>(&midi[i]);
  }
  EXPECT_EQ(plug.Effect()->dispatcher(plug.Effect(), effProcessEvents, 0, 0, events, 0), 1);
  EXPECT_EQ(plug.notes, (std::vector<int>{60, 61, 62, 63, 64}));
}

}  // namespace
