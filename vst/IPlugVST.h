#pragma once
#include "framework/IPlugBase.h"
#include "vst/VstAbi.h"

// Binds the plug-in base to a VST 2 host: the effect record the host holds,
// its callbacks and dispatcher, and the requests made to the host. The
// dispatcher translates the host's requests into the base's operations.
// IPlugVST.cpp holds the record and the callbacks, IPlugVSTDispatcher.cpp the
// dispatcher, IPlugVSTHost.cpp the requests made to the host.
class IPlugVST : public IPlugBase {
public:
  // What GetHostType answers, found from the host's product name (0: none
  // of these).
  enum HostCode {
    kHostUnknown = 0,
    kHostReaper = 1,
    kHostCubase = 3,
    kHostNuendo = 4,
    kHostCakewalk = 5,
    kHostFruity = 7,
    kHostSamplitude = 8,
    kHostLive = 9,
    kHostMelodyne = 12,
    kHostVstManLib = 13,
    kHostAulab = 14,
    kHostForte = 15,
    kHostChainer = 16,
    kHostAudition = 17,
    kHostOrion = 18,
    kHostSawStudio = 20,
    kHostLogic = 21,
    kHostDigital = 22,
    kHostAudioMulch = 23,
    kHostPresonus = 24,
    kHostAcoustica = 25,
    kHostGarageBand = 26,
    kHostArdour = 27,
    kHostBrainWaveProducer = 28,
  };

  IPlugVST(audioMasterCallback host, int nParams, const char* channelIOText, int nPrograms,
           const char* effectName, const char* productName, const char* vendorName, int version,
           int uniqueID, int makerID, int latency, int midiMode, bool stateChunks, bool isInstrument);
  ~IPlugVST() override;

  AEffect* Effect() { return &mAEffect; }
  static IPlugVST* FromEffect(AEffect* effect);

  // Host services.
  void BeginParamEdit(int index) override;
  void BeginParamEditOnce(int index) override;
  void AutomateParam(int index, double normalized) override;
  void EndParamEdit(int index) override;
  void NotifyHostDisplay() override;
  int GetSamplePosition() override;
  double GetHostTempo() override;
  void GetTimeSignature(int* numerator, int* denominator) override;
  bool GetTransport(double* position, bool* playing) override;
  int GetHostType() override;
  void ResizeEditor(int width, int height) override;
  void PrepareForHost() override;
  void AttachEditor(IEditor* editor) override;
  void ChangeLatency(int samples) override;
  bool SendMidiMessage(const MidiMessage* message) override;
  bool SendSysExMessage(const SysExMessage* message) override;

  // The host code for a product name: the first known host whose name the
  // product name contains, without regard to case (kHostUnknown for none).
  static int HostTypeForProduct(const char* productName);
  // Hosts that get their own channel setup when they open the plug-in: inputs
  // from the third on read silence, outputs from the third on are connected.
  static bool WantsOwnChannelSetup(int hostCode);

  const ERect& EditorRect() const { return mEditorRect; }

private:
  VstIntPtr Dispatch(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt);
  VstIntPtr GetChunk(VstInt32 index, void* ptr);
  VstIntPtr SetChunk(VstInt32 index, VstIntPtr size, void* ptr);
  VstIntPtr VendorSpecific(VstInt32 index, VstIntPtr value, void* ptr, float opt);
  VstIntPtr CanDo(const char* text) const;
  void ProcessEvents(const VstEvents* events);
  VstIntPtr HostRequest(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0, void* ptr = nullptr,
                        float opt = 0.0f);
  const VstTimeInfo* HostTime(VstIntPtr flags);
  // During a processing call, the time information fetched at its start;
  // otherwise a request with these flags.
  const VstTimeInfo* CurrentTime(VstIntPtr flags);
  void FillArrangements();
  void UpdateEditorRect();
  void WantMidiIfNeeded();
  template <typename Event>
  bool SendOneEvent(Event* event);
  // The three processing callbacks: process adds to the host's outputs,
  // processReplacing and processDoubleReplacing overwrite them.
  enum class ProcessMode { kAdding, kReplacing, kDouble };
  template <typename Sample>
  void Process(Sample** inputs, Sample** outputs, VstInt32 frames, ProcessMode mode);
  template <ProcessMode kMode, typename Sample>
  static void VSTCALLBACK VstProcess(AEffect* effect, Sample** inputs, Sample** outputs, VstInt32 frames);

  static VstIntPtr VSTCALLBACK VstDispatcher(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value,
                                             void* ptr, float opt);
  static float VSTCALLBACK VstGetParameter(AEffect* effect, VstInt32 index);
  static void VSTCALLBACK VstSetParameter(AEffect* effect, VstInt32 index, float value);

  audioMasterCallback mHostCallback;
  ERect mEditorRect = {0, 0, 0, 0};
  VstSpeakerArrangement mInputArrangement;
  VstSpeakerArrangement mOutputArrangement;
  bool mHostPrepared = false;
  IChunkBuffer mProgramChunk;
  IChunkBuffer mBankChunk;
  AEffect mAEffect;
  // Host pointers offset into the current call when a call is split into
  // blocks; sized once, at construction.
  std::vector<void*> mSliceIn, mSliceOut;
  // The host's time information is asked for once per processing call (with
  // the tempo, which is what the plug-in asks for), and every question
  // about position, tempo and transport during the call is answered from
  // this copy.
  bool mInProcessCall = false;
  bool mCallTimeGiven = false;
  VstTimeInfo mCallTime{};
};

// Made by the effect: constructs the plug-in for a host, or returns null.
IPlugVST* MakePlug(audioMasterCallback host);
