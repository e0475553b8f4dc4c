// The module as a host sees it: through the exported entry point and the
// effect record only.
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "ModuleHost.h"
#include "QmVersion.h"

using qmhost::VstHost;

namespace {

const char* const kProgramNames[] = {
    "---- default ----", "Frequency Stereo Toggle", "All Frequencies Stereo Toggle", "Amazing Direction Toggle",
    "Amazing Direction Toggle 2", "Amazing Direction Toggle 3", "Amazing Direction Toggle 4",
    "Complete Amazing Toggle", "Bright Room", "Bright Room 2", "Dark Room", "Etheric Room", "Etheric Room 2",
    "Resonant Room", "Resonant Room 2", "Distant Echoes", "Distant Echoes 2", "Harp", "Long Feedback",
    "Don't Stop", "Light Drops", "Only Delay", "Quiet Delay", "Quiet Delay Dotted", "Relaxation",
    "Forward Ping Pong", "Forward Pan Triplet", "Forward Pan Triplet 2", "Forward Pan Dotted",
    "- 30 -", "- 31 -", "- 32 -", "- 33 -", "- 34 -", "- 35 -"};

TEST(VstModule, EffectRecord) {
  VstHost host(ModuleSettings());
  ASSERT_TRUE(LoadModule(host, false));
  const AEffect* e = host.Effect();
  EXPECT_EQ(e->magic, 0x56737450);
  EXPECT_EQ(memcmp(&e->magic, "PtsV", 4), 0);  // 'VstP' stored little-endian
  EXPECT_EQ(e->numPrograms, 35);
  EXPECT_EQ(e->numParams, 14);
  EXPECT_EQ(e->numInputs, 2);
  EXPECT_EQ(e->numOutputs, 2);
  EXPECT_EQ(e->flags, 0x1019);  // editor, mono, replacing, double replacing
  EXPECT_EQ(e->initialDelay, 0);
  EXPECT_EQ(e->uniqueID, 2019124591);
  EXPECT_EQ(e->version, QM_VERSION_DECIMAL);  // 10000 for 1.0.0
  EXPECT_EQ(e->ioRatio, 1.0f);
  EXPECT_EQ(e->resvd1, 0);
  EXPECT_NE(e->object, nullptr);
  for (char c : e->future) EXPECT_EQ(c, 0);

  // "main" is the same entry under its older name.
  qmhost::ModuleLibrary library;
  ASSERT_TRUE(library.Open(ModulePath()));
  VstPluginMainProc main = ModuleEntry(library, "main");
  ASSERT_NE(main, nullptr);
  AEffect* second = main(nullptr);
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(second->uniqueID, 2019124591);
  second->dispatcher(second, effClose, 0, 0, nullptr, 0);
}

TEST(VstModule, IdentityRequests) {
  VstHost host(ModuleSettings());
  ASSERT_TRUE(LoadModule(host));
  EXPECT_EQ(host.Dispatch(effIdentify), 0x4E764566);
  EXPECT_EQ(host.Dispatch(effGetVstVersion), 2400);
  EXPECT_EQ(host.Dispatch(effGetVendorVersion), QM_VERSION_DECIMAL);
  EXPECT_EQ(host.Dispatch(effGetPlugCategory), 1);
  EXPECT_EQ(DispatchText(host, effGetEffectName), "quillmere");
  EXPECT_EQ(DispatchText(host, effGetVendorString), "Tolvane");
  EXPECT_EQ(DispatchText(host, effGetProductString), "");
  EXPECT_EQ(host.Dispatch(effGetEffectName), 0);  // no pointer
  EXPECT_EQ(host.Dispatch(effCanBeAutomated, 99), 1);
  for (VstInt32 ignored : {9, 16, 17, 18, 19, 20, 21, 28, 30, 31, 32, 36, 41, 43, 46, 52, 53, 54, 57, 70, 73, 200})
    EXPECT_EQ(host.Dispatch(ignored, 0, 0, nullptr), 0) << ignored;
}

TEST(VstModule, CanDo) {
  VstHost host(ModuleSettings());
  ASSERT_TRUE(LoadModule(host));
  auto canDo = [&](const char* s) { return host.Dispatch(effCanDo, 0, 0, const_cast<char*>(s)); };
  EXPECT_EQ(canDo("receiveVstTimeInfo"), 1);
  EXPECT_EQ(canDo("hasCockosExtensions"), static_cast<VstIntPtr>(0xBEEF0000));
  EXPECT_EQ(canDo("hasCockosViewAsConfig"), static_cast<VstIntPtr>(0xBEEF0000));
  EXPECT_EQ(canDo("receiveVstMidiEvent"), 0);
  EXPECT_EQ(canDo("sendVstEvents"), 0);
  EXPECT_EQ(canDo("receiveVstTimeInfoX"), 0);
  EXPECT_EQ(canDo("ReceiveVstTimeInfo"), 0);
  EXPECT_EQ(host.Dispatch(effCanDo), 0);
}

TEST(VstModule, ParametersAsTheHostSeesThem) {
  VstHost host(ModuleSettings());
  ASSERT_TRUE(LoadModule(host));
  const char* names[] = {"Delay Rate", "Delay Time", "Host Sync", "Feedback", "Direction Left", "Offset Left",
                         "Freq Left", "Mix Left", "Direction Right", "Offset Right", "Freq Right", "Mix Right",
                         "Toggle Freq", "Toggle Reverse"};
  const char* labels[] = {"", "ms", "", "%", "", "%", "Hz", "%", "", "%", "Hz", "%", "", ""};
  const char* shown[] = {"1/8", "500", "Yes", "50", "Reverse", "25", "600", "33", "Reverse", "75", "6000", "33",
                         "Yes", "No"};
  for (int i = 0; i < 14; ++i) {
    EXPECT_EQ(DispatchText(host, effGetParamName, i), names[i]);
    EXPECT_EQ(DispatchText(host, effGetParamLabel, i), labels[i]);
    EXPECT_EQ(host.ParamDisplay(i), shown[i]) << i;
  }
  EXPECT_EQ(DispatchText(host, effGetParamName, 14), "");
  EXPECT_EQ(DispatchText(host, effGetParamName, -1), "");
  AEffect* e = host.Effect();
  EXPECT_EQ(e->getParameter(e, -1), 0.0f);
  EXPECT_EQ(e->getParameter(e, 14), 0.0f);
  EXPECT_FLOAT_EQ(host.GetParam(0), 9.0f / 24.0f);
  e->setParameter(e, 14, 0.5f);  // ignored
  e->setParameter(e, -3, 0.5f);

  host.SetParam(6, 0.5f);  // curve 2: 100 + 19900 x 0.25
  EXPECT_EQ(host.ParamDisplay(6), "5075");
  EXPECT_FLOAT_EQ(host.GetParam(6), 0.5f);
  host.SetParam(0, 1.0f);
  EXPECT_EQ(host.ParamDisplay(0), "4/1");
  EXPECT_TRUE(host.Events().empty());  // host-set values are not reported back

  EXPECT_TRUE(host.SetParamText(0, "1/4T"));
  EXPECT_EQ(host.ParamDisplay(0), "1/4T");
  EXPECT_TRUE(host.SetParamText(3, "75"));
  EXPECT_EQ(host.ParamDisplay(3), "75");
  EXPECT_TRUE(host.SetParamText(3, "500"));  // clamped to the range
  EXPECT_EQ(host.ParamDisplay(3), "99");
  EXPECT_EQ(host.Dispatch(effString2Parameter, 3, 0, nullptr), 1);
  EXPECT_EQ(host.Dispatch(effString2Parameter, 14, 0, const_cast<char*>("1")), 0);

  // Vendor requests: display of a normalised value, number of texts, text to
  // normalised value.
  char text[64] = {};
  EXPECT_EQ(host.Dispatch(effVendorSpecific, 7, 0, text, 1.0f), 0xBEEF);
  EXPECT_STREQ(text, "4/1");
  EXPECT_EQ(host.Dispatch(effVendorSpecific, 7, 99, text, 1.0f), 0xBEEF);
  EXPECT_EQ(host.Dispatch(effVendorSpecific, 7, 0, nullptr, 1.0f), 0);
  int32_t count = 0;
  EXPECT_EQ(host.Dispatch(effVendorSpecific, 8, 0, &count), 0xBEEF);
  EXPECT_EQ(count, 25);
  EXPECT_EQ(host.Dispatch(effVendorSpecific, 8, 3, &count), 0);  // an integer parameter
  strcpy(text, "1/4");
  EXPECT_EQ(host.Dispatch(effVendorSpecific, 27, 0, text), 0xBEEF);
  EXPECT_STREQ(text, "0.50000000000000000");
  EXPECT_EQ(host.Dispatch(effVendorSpecific, 56, 0, text), 0);  // no text slots
  EXPECT_EQ(host.Dispatch(effVendorSpecific, 1234, 0, text), 0);
}

TEST(VstModule, ProgramsInSlotOrder) {
  VstHost host(ModuleSettings());
  ASSERT_TRUE(LoadModule(host));
  for (int i = 0; i < 35; ++i) {
    char name[300] = {};
    EXPECT_EQ(host.Dispatch(effGetProgramNameIndexed, i, 0, name), 1);
    EXPECT_STREQ(name, kProgramNames[i]) << i;
  }
  char name[300] = "x";
  EXPECT_EQ(host.Dispatch(effGetProgramNameIndexed, 35, 0, name), 0);
  EXPECT_STREQ(name, "");
  EXPECT_EQ(host.Dispatch(effGetProgramNameIndexed, 0, 0, nullptr), 0);

  host.Dispatch(effSetProgram, 0, 8);  // "Bright Room"
  EXPECT_EQ(host.Dispatch(effGetProgram), 8);
  EXPECT_EQ(DispatchText(host, effGetProgramName), "Bright Room");
  EXPECT_EQ(host.ParamDisplay(2), "No");
  EXPECT_EQ(host.ParamDisplay(1), "31");
  EXPECT_EQ(host.ParamDisplay(0), "1/64");

  host.Dispatch(effSetProgram, 0, 30);  // an uninitialised slot takes over
  EXPECT_EQ(DispatchText(host, effGetProgramNameIndexed, 30), "user preset 1");
  EXPECT_EQ(host.ParamDisplay(1), "31");
  host.Dispatch(effSetProgram, 0, 29);
  EXPECT_EQ(DispatchText(host, effGetProgramNameIndexed, 29), "user preset 2");
  host.Dispatch(effSetProgram, 0, 35);  // out of range: the capture happens, nothing else
  host.Dispatch(effSetProgram, 0, -1);
  EXPECT_EQ(host.Dispatch(effGetProgram), 29);

  // Leaving a program stores what it has; renaming keeps settings too.
  host.SetParam(3, 0.0f);
  host.Dispatch(effSetProgramName, 0, 0, const_cast<char*>("mine"));
  host.Dispatch(effSetProgram, 0, 1);
  EXPECT_EQ(host.ParamDisplay(3), "40");
  host.Dispatch(effSetProgram, 0, 29);
  EXPECT_EQ(DispatchText(host, effGetProgramName), "mine");
  EXPECT_EQ(host.ParamDisplay(3), "0");
}

TEST(VstModule, ChunksRoundTripEveryParameter) {
  VstHost host(ModuleSettings());
  ASSERT_TRUE(LoadModule(host));
  const float values[14] = {0.2f, 0.4f, 0.0f, 0.7f, 0.0f, 0.33f, 0.8f, 0.9f, 1.0f, 0.1f, 0.25f, 0.5f, 0.0f, 1.0f};
  for (int i = 0; i < 14; ++i) host.SetParam(i, values[i]);
  std::vector<std::string> before;
  for (int i = 0; i < 14; ++i) before.push_back(host.ParamDisplay(i));

  std::vector<uint8_t> bank, program;
  ASSERT_TRUE(host.GetChunk(false, &bank));
  ASSERT_TRUE(host.GetChunk(true, &program));
  ASSERT_EQ(bank.size(), 116u);
  EXPECT_EQ(bank, program);
  // The version first, little-endian (10 27 00 00 for 1.0.0).
  EXPECT_EQ(bank[0] | bank[1] << 8 | bank[2] << 16 | bank[3] << 24, QM_VERSION_DECIMAL);
  // The bank chunk handed out stays valid after a program request.
  void* bankData = nullptr;
  host.Dispatch(effGetChunk, 0, 0, &bankData);
  host.GetChunk(true, &program);
  EXPECT_EQ(memcmp(bankData, bank.data(), bank.size()), 0);

  VstHost other(ModuleSettings());
  ASSERT_TRUE(LoadModule(other));
  EXPECT_TRUE(other.SetChunk(false, bank));
  for (int i = 0; i < 14; ++i) EXPECT_EQ(other.ParamDisplay(i), before[i]) << i;
  std::vector<uint8_t> again;
  ASSERT_TRUE(other.GetChunk(false, &again));
  EXPECT_EQ(again, bank);
}

TEST(VstModule, BadChunksChangeNothing) {
  VstHost host(ModuleSettings());
  ASSERT_TRUE(LoadModule(host));
  host.SetParam(3, 0.25f);
  std::vector<uint8_t> good;
  ASSERT_TRUE(host.GetChunk(false, &good));

  EXPECT_FALSE(host.SetChunk(false, {1, 2, 3}));
  EXPECT_EQ(host.Dispatch(effSetChunk, 0, 116, nullptr), 0);
  EXPECT_EQ(host.Dispatch(effSetChunk, 0, -5, const_cast<uint8_t*>(good.data())), 0);
  EXPECT_EQ(host.Dispatch(effSetChunk, 0, static_cast<VstIntPtr>(1) << 40, const_cast<uint8_t*>(good.data())), 0);
  std::vector<uint8_t> cut(good.begin(), good.begin() + 60);  // ends inside parameter 7
  EXPECT_FALSE(host.SetChunk(false, cut));
  EXPECT_EQ(host.Dispatch(effSetChunk, 0, 0, const_cast<uint8_t*>(good.data())), 0);  // empty
  std::vector<uint8_t> after;
  ASSERT_TRUE(host.GetChunk(false, &after));
  EXPECT_EQ(after, good);

  // Values out of range or not numbers are clamped, not stored.
  std::vector<uint8_t> wild = good;
  const double nan = std::nan(""), huge = 1e300;
  memcpy(&wild[4 + 8 * 3], &nan, 8);
  memcpy(&wild[4 + 8 * 6], &huge, 8);
  EXPECT_TRUE(host.SetChunk(false, wild));
  EXPECT_EQ(host.ParamDisplay(3), "0");
  EXPECT_EQ(host.ParamDisplay(6), "20000");
}

TEST(VstModule, PinsAndSpeakers) {
  VstHost host(ModuleSettings());
  ASSERT_TRUE(LoadModule(host));
  VstPinProperties pin;
  memset(&pin, 0x55, sizeof pin);
  EXPECT_EQ(host.Dispatch(effGetInputProperties, 0, 0, &pin), 1);
  EXPECT_EQ(pin.flags, 3);
  EXPECT_STREQ(pin.label, "Input 1");
  EXPECT_EQ(pin.arrangementType, 0x55555555);  // left as the host gave it
  EXPECT_EQ(host.Dispatch(effGetOutputProperties, 1, 0, &pin), 1);
  EXPECT_EQ(pin.flags, 1);
  EXPECT_STREQ(pin.label, "Output 2");
  EXPECT_EQ(host.Dispatch(effGetInputProperties, 2, 0, &pin), 0);
  EXPECT_EQ(host.Dispatch(effGetInputProperties, -1, 0, &pin), 0);
  EXPECT_EQ(host.Dispatch(effGetInputProperties, 0, 0, nullptr), 0);

  VstSpeakerArrangement* in = nullptr;
  VstSpeakerArrangement* out = nullptr;
  EXPECT_EQ(host.Dispatch(effGetSpeakerArrangement, 0, reinterpret_cast<VstIntPtr>(&in), &out), 1);
  ASSERT_TRUE(in && out);
  EXPECT_EQ(in->type, 1);
  EXPECT_EQ(in->numChannels, 2);
  EXPECT_EQ(out->numChannels, 2);

  // Mono in, stereo out: the host hands one input, and the second input
  // reads silence (dry only, so the outputs are the inputs).
  VstSpeakerArrangement mono{}, stereo{}, wild{};
  mono.numChannels = 1;
  stereo.numChannels = 2;
  EXPECT_EQ(host.Dispatch(effSetSpeakerArrangement, 0, reinterpret_cast<VstIntPtr>(&mono), &stereo), 1);
  host.SetParam(7, 0.0f);
  host.SetParam(11, 0.0f);
  std::vector<float> inL(64, 0.5f), guard(64, 0.75f), outL(64, 1.0f), outR(64, 1.0f);
  float* ins[2] = {inL.data(), guard.data()};  // a second pointer the plug-in must not read
  float* outs[2] = {outL.data(), outR.data()};
  ASSERT_TRUE(host.ProcessFloat(ins, outs, 64));
  EXPECT_EQ(outL, inL);
  EXPECT_EQ(outR, std::vector<float>(64, 0.0f));
  EXPECT_EQ(host.Dispatch(effSetSpeakerArrangement, 0, reinterpret_cast<VstIntPtr>(&stereo), &stereo), 1);
  ASSERT_TRUE(host.ProcessFloat(ins, outs, 64));
  EXPECT_EQ(outR, guard);
  wild.numChannels = -7;
  EXPECT_EQ(host.Dispatch(effSetSpeakerArrangement, 0, reinterpret_cast<VstIntPtr>(&wild), &wild), 1);
  wild.numChannels = 1 << 30;
  EXPECT_EQ(host.Dispatch(effSetSpeakerArrangement, 0, reinterpret_cast<VstIntPtr>(&wild), &wild), 1);
}

TEST(VstModule, HostAskedForItsNameOnceAndStereoKept) {
  // Whatever the host, it is asked for its name once, when it opens the
  // plug-in, and both inputs reach both outputs: the channel setup some hosts
  // get (Audition, SAWStudio) concerns inputs from the third on only.
  for (const char* product : {"REAPER", "Adobe Audition", "SAWStudio", ""}) {
    qmhost::HostSettings settings = ModuleSettings(64);
    settings.productName = product;
    VstHost host(settings);
    ASSERT_TRUE(LoadModule(host));
    host.SetParam(7, 0.0f);  // dry only
    host.SetParam(11, 0.0f);
    std::vector<float> inL(64, 0.5f), inR(64, -0.25f), outL(64), outR(64);
    float* ins[2] = {inL.data(), inR.data()};
    float* outs[2] = {outL.data(), outR.data()};
    ASSERT_TRUE(host.ProcessFloat(ins, outs, 64));
    ASSERT_TRUE(host.ProcessFloat(ins, outs, 64));
    EXPECT_EQ(outL, inL) << product;
    EXPECT_EQ(outR, inR) << product;
    EXPECT_EQ(host.RequestCounts()[audioMasterGetProductString], 1) << product;
    EXPECT_EQ(host.Effect()->numInputs, 2) << product;
  }
}

// No tempo from the host: a synced delay has no loop, and with the mix at 0
// the outputs are the inputs.
qmhost::HostSettings WithoutTempo(int blockSize) {
  qmhost::HostSettings settings = ModuleSettings(blockSize);
  settings.tempoValid = false;
  return settings;
}

TEST(VstModule, ProcessAddsWhileReplacingOverwrites) {
  VstHost host(WithoutTempo(64));
  ASSERT_TRUE(LoadModule(host));
  AEffect* e = host.Effect();
  host.SetParam(7, 0.0f);  // dry only, both channels
  host.SetParam(11, 0.0f);
  std::vector<float> inL(64), inR(64), outL(64, 0.5f), outR(64, -0.25f);
  for (int i = 0; i < 64; ++i) {
    inL[i] = 0.01f * i;
    inR[i] = -0.02f * i;
  }
  float* ins[2] = {inL.data(), inR.data()};
  float* outs[2] = {outL.data(), outR.data()};
  e->process(e, ins, outs, 64);
  for (int i = 0; i < 64; ++i) {
    EXPECT_FLOAT_EQ(outL[i], 0.5f + inL[i]);
    EXPECT_FLOAT_EQ(outR[i], -0.25f + inR[i]);
  }
  e->processReplacing(e, ins, outs, 64);
  EXPECT_EQ(outL, inL);
  EXPECT_EQ(outR, inR);
}

TEST(VstModule, OversizedAndMissingBuffersAreSafe) {
  VstHost host(WithoutTempo(32));
  ASSERT_TRUE(LoadModule(host));
  AEffect* e = host.Effect();
  host.SetParam(7, 0.0f);
  host.SetParam(11, 0.0f);
  // Ten times the announced block size, in every precision.
  std::vector<float> inL(320), inR(320), outL(320), outR(320);
  for (int i = 0; i < 320; ++i) inL[i] = inR[i] = static_cast<float>(i);
  float* ins[2] = {inL.data(), inR.data()};
  float* outs[2] = {outL.data(), outR.data()};
  e->processReplacing(e, ins, outs, 320);
  EXPECT_EQ(outL, inL);
  std::vector<double> dl(320, 1.0), dr(320, 2.0);
  double* dio[2] = {dl.data(), dr.data()};
  e->processDoubleReplacing(e, dio, dio, 320);
  EXPECT_EQ(dl[319], 1.0);
  EXPECT_EQ(dr[200], 2.0);

  // A mono host hands one pointer per direction; long calls are split without
  // reading past them.
  VstSpeakerArrangement mono{};
  mono.numChannels = 1;
  host.Dispatch(effSetSpeakerArrangement, 0, reinterpret_cast<VstIntPtr>(&mono), &mono);
  float* oneIn[1] = {inL.data()};
  float* oneOut[1] = {outL.data()};
  e->processReplacing(e, oneIn, oneOut, 320);
  EXPECT_EQ(outL, inL);
  VstSpeakerArrangement stereo{};
  stereo.numChannels = 2;
  host.Dispatch(effSetSpeakerArrangement, 0, reinterpret_cast<VstIntPtr>(&stereo), &stereo);

  float* none[2] = {nullptr, nullptr};
  e->processReplacing(e, none, outs, 320);  // silence in
  EXPECT_EQ(outL[100], 0.0f);
  e->processReplacing(e, ins, none, 320);  // nowhere out
  e->processReplacing(e, nullptr, nullptr, 320);
  e->processDoubleReplacing(e, nullptr, nullptr, 320);
  e->process(e, ins, outs, -5);
  e->process(e, ins, outs, 0);
  // Nonsense block sizes and rates are refused; the plug-in keeps working.
  host.Dispatch(effSetBlockSize, 0, -1);
  host.Dispatch(effSetBlockSize, 0, 0);
  host.Dispatch(effSetBlockSize, 0, static_cast<VstIntPtr>(1) << 40);
  host.Dispatch(effSetBlockSize, 0, 1 << 30);
  host.Dispatch(effSetSampleRate, 0, 0, nullptr, -44100.0f);
  host.Dispatch(effSetSampleRate, 0, 0, nullptr, std::nanf(""));
  e->processReplacing(e, ins, outs, 320);
  EXPECT_EQ(outL, inL);
}

// The editor's rectangle is 498 x 285. Its window is not built yet: the
// editor draws headless, so opening answers 0; closing answers 1, as for
// every attached editor.
TEST(VstModule, EditorRequests) {
  VstHost host(ModuleSettings());
  ASSERT_TRUE(LoadModule(host));
  EXPECT_EQ(host.Dispatch(effEditGetRect, 0, 0, nullptr), 0);
  ERect* rect = nullptr;
  ASSERT_EQ(host.Dispatch(effEditGetRect, 0, 0, &rect), 1);
  ASSERT_NE(rect, nullptr);
  EXPECT_EQ(rect->top, 0);
  EXPECT_EQ(rect->left, 0);
  EXPECT_EQ(rect->bottom, 285);
  EXPECT_EQ(rect->right, 498);
  EXPECT_EQ(host.Dispatch(effEditOpen, 0, 0, nullptr), 0);
  EXPECT_EQ(host.Dispatch(effEditClose), 1);
}

TEST(VstModule, MidiRequestsWithoutMidi) {
  VstHost host(ModuleSettings());
  ASSERT_TRUE(LoadModule(host));
  EXPECT_EQ(host.Dispatch(effProcessEvents), 0);
  VstMidiEvent note{};
  note.type = kVstMidiType;
  note.byteSize = 32;
  VstEvents events{};
  events.numEvents = 2;
  events.events[0] = reinterpret_cast<VstEvent*>(&note);
  events.events[1] = nullptr;
  EXPECT_EQ(host.Dispatch(effProcessEvents, 0, 0, &events), 1);
  MidiKeyName key{};
  strcpy(key.keyName, "junk");
  EXPECT_EQ(host.Dispatch(effGetMidiKeyName, 0, 0, &key), 0);
  EXPECT_STREQ(key.keyName, "");
  for (VstInt32 op : {effSetBypass, effStartProcess, effStopProcess, effBeginSetProgram, effEndSetProgram})
    EXPECT_EQ(host.Dispatch(op, 0, 1), 0);
}

}  // namespace
