#pragma once
#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "framework/IChunkBuffer.h"
#include "framework/IMidi.h"
#include "framework/IParameter.h"
#include "framework/IPlugLock.h"
#include "framework/IProgram.h"

class IEditor;

// The host-independent plug-in: parameters, programs, channels and their
// buffers, sample rate and block size, the editor and the plug-in lock.
// Effects override the virtual hooks; a host binding implements the host
// services.
class IPlugBase {
public:
  static constexpr int kNameSize = 128;

  IPlugBase(int nParams, const char* channelIOText, int nPrograms, const char* effectName,
            const char* productName, const char* vendorName, int version, int uniqueID, int makerID,
            int latency, int midiMode, bool stateChunks, bool isInstrument);
  virtual ~IPlugBase();
  IPlugBase(const IPlugBase&) = delete;
  IPlugBase& operator=(const IPlugBase&) = delete;

  // Hooks for the effect. Most take and release the plug-in lock and do
  // nothing else.
  virtual void ResetState();
  virtual void SpareLockedHook();
  virtual void ParamChanged(int index);
  virtual void HostParamChanged(int index, float normalized);
  virtual void ProcessBlock(double** inputs, double** outputs, int frames);
  // A block in the host's single precision (HostFloatInput, HostFloatOutput),
  // the outputs replaced or, adding, added to. By default the inputs are
  // converted to doubles, ProcessBlock runs, and the outputs are converted
  // back; an effect may process the host's buffers directly instead.
  virtual void ProcessBlockFloat(int frames, bool adding);
  virtual void EditorOpened() {}
  virtual void EditorClosing() {}
  virtual void SpareHook() {}
  virtual void Closing() {}
  virtual void ActiveChanged(bool active);
  virtual void MidiMessageIn(const MidiMessage* message) { (void)message; }
  virtual void SysExIn(const SysExMessage* message) { (void)message; }
  virtual bool NameOfMidiNote(int note, char* text);
  virtual bool SaveState(IChunkBuffer* buffer) { return SaveParams(buffer); }
  virtual int LoadState(const IChunkBuffer* buffer, int pos) { return LoadParams(buffer, pos); }
  // Where LoadState would end reading buffer from pos (-1: it would fail),
  // found without applying anything.
  virtual int CheckState(const IChunkBuffer* buffer, int pos) const { return CheckParams(buffer, pos); }
  virtual void TextSlotChanged(int index, const char* text);
  virtual void StateVersionLoaded(int version);
  virtual bool CanRestoreParam(int index);
  // The host's transport started playing, or jumped while playing (a locate,
  // a loop back in cycle mode), at the start of this processing call. Called
  // by BeginProcessCall with the lock held; by default nothing.
  virtual void TransportRestarted() {}

  // Host services.
  virtual void BeginParamEdit(int index) = 0;
  virtual void BeginParamEditOnce(int index) = 0;
  virtual void AutomateParam(int index, double normalized) = 0;
  virtual void EndParamEdit(int index) = 0;
  virtual void NotifyHostDisplay() = 0;
  virtual int GetSamplePosition() = 0;
  virtual double GetHostTempo() = 0;
  virtual void GetTimeSignature(int* numerator, int* denominator) = 0;
  // Whether the host's transport is playing and its sample position as the
  // host gives it (not rounded). False when the host gives no time
  // information, which counts as stopped.
  virtual bool GetTransport(double* position, bool* playing) {
    (void)position;
    (void)playing;
    return false;
  }
  virtual int GetHostType() { return mHostType; }
  virtual void ResizeEditor(int width, int height) = 0;
  virtual void SpareHostHook() {}
  virtual void PrepareForHost() = 0;
  virtual void AttachEditor(IEditor* editor);
  virtual void ResizeBlock(int frames);
  virtual void ChangeLatency(int samples) { mLatency = samples; }
  virtual bool SendMidiMessage(const MidiMessage* message) = 0;
  virtual bool SendMidiMessages(const std::vector<MidiMessage>& messages);
  virtual bool SendSysExMessage(const SysExMessage* message) = 0;
  virtual bool SaveParams(IChunkBuffer* buffer);
  virtual int LoadParams(const IChunkBuffer* buffer, int pos);
  // Where LoadParams would end, read without applying anything.
  int CheckParams(const IChunkBuffer* buffer, int pos) const;
  virtual bool SavePrograms(IChunkBuffer* buffer);
  virtual int LoadPrograms(const IChunkBuffer* buffer, int pos);

  // Parameters.
  int NParams() const { return static_cast<int>(mParams.size()); }
  IParameter* ParamAt(int index);
  const IParameter* ParamAt(int index) const;
  void RefreshAllParams();
  void UpdateEditorFromParams();
  void SetParameterFromEditor(int index, double normalized);
  // A value from the host, normalised (held to [0, 1]): the editor shows it
  // first, then the parameter takes it and HostParamChanged runs. Ignored for
  // an index out of range.
  void SetParameterFromHost(int index, float normalized);
  // A display text from the host (a value or one of the parameter's texts):
  // the editor shows it, the parameter takes it clamped to its range and
  // ParamChanged runs. False for an index out of range; true without a text,
  // which changes nothing.
  bool SetParameterFromText(int index, const char* text);
  void EndParamEditDelayed(int index);
  void EndPendingParamEdit();
  int PendingEditParam() const { return mPendingEditParam; }

  // Channels and processing.
  bool AcceptsChannels(int inputs, int outputs) const;
  const std::vector<std::pair<int, int>>& ChannelIOList() const { return mChannelIO; }
  int NInChannels() const { return static_cast<int>(mInChannels.size()); }
  int NOutChannels() const { return static_cast<int>(mOutChannels.size()); }
  bool IsInChannelConnected(int index) const;
  bool IsOutChannelConnected(int index) const;
  void SetInputConnections(int start, int count, bool connected);
  void SetOutputConnections(int start, int count, bool connected);
  void AttachInputs(double** inputs, int frames);
  void AttachInputs(float** inputs, int frames);
  void AttachOutputs(double** outputs, int frames);
  void AttachOutputs(float** outputs, int frames);
  void RunBlockDouble(int frames);
  void RunBlockFloat(int frames);
  void RunBlockFloatAdding(int frames);
  // The host's single-precision buffers of the current call for a channel;
  // null when the channel is not connected or the host gave none.
  const float* HostFloatInput(int channel) const {
    return channel >= 0 && channel < NInChannels() ? mInChannels[static_cast<size_t>(channel)].hostFloat : nullptr;
  }
  float* HostFloatOutput(int channel) const {
    return channel >= 0 && channel < NOutChannels() ? mOutChannels[static_cast<size_t>(channel)].hostFloat : nullptr;
  }
  // Once at the start of every host processing call of frames > 0 frames,
  // however the binding cuts it into blocks: asks for the transport and
  // calls TransportRestarted when it plays now and either did not play in
  // the previous call (or there was none) or is not where the previous call
  // ended (its position plus its frames).
  void BeginProcessCall(int frames);

  // Sample rates and tempos no host runs at are treated as none at all, so
  // that a careless host cannot make the plug-in size lines of absurd
  // lengths: a rate outside these bounds is not taken (the last one stays),
  // a tempo below the slowest counts as no tempo.
  static constexpr double kMinSampleRate = 1000.0;
  static constexpr double kMaxSampleRate = 768000.0;
  static constexpr double kMinTempo = 1.0;  // beats per minute
  // Takes the rate when it lies within the bounds; false otherwise.
  bool StoreSampleRate(double rate);
  double CurrentSampleRate() const { return mSampleRate; }
  int CurrentBlockSize() const { return mBlockSize; }
  int CurrentLatency() const { return mLatency; }
  // Samples per beat at the host's tempo; 0 without a tempo (or below the
  // slowest).
  double SamplesPerBeat();

  bool IsReady() const { return mReady; }
  int MidiMode() const { return mMidiMode; }
  bool IsInstrument() const { return mIsInstrument; }
  bool UsesStateChunks() const { return mStateChunks; }

  // Identity.
  const char* EffectName() const { return mEffectName; }
  const char* ProductName() const { return mProductName; }
  const char* VendorName() const { return mVendorName; }
  int UniqueID() const { return mUniqueID; }
  int MakerID() const { return mMakerID; }
  int VersionNumber(bool decimal) const;
  void VersionText(char* out, int outSize) const;

  // Programs and state.
  int NPrograms() const { return static_cast<int>(mPrograms.size()); }
  int CurrentProgram() const { return mCurrentProgram; }
  const IProgram* ProgramAt(int index) const;
  // Fills the first free program slot with one value per parameter, in
  // parameter order: as ints for integer and list parameters, as doubles for
  // continuous ones.
  void MakeProgramFromValues(const char* name, ...);
  // The same with the values as doubles (count of them, at most one per
  // parameter; missing ones are 0).
  void MakeProgramFromValues(const char* name, const double* values, int count);
  void MakeDefaultProgram(const char* name, int count);
  void EnsureDefaultProgram();
  void CaptureCurrentProgram(const char* name);
  bool RestoreProgram(int index);
  const char* GetProgramName(int index) const;
  void MakeUserProgramName(char* out, int outSize) const;
  // The host selects a program: the current one keeps the settings it has
  // now, then the selected one is loaded (an index outside the slots loads
  // nothing). False when nothing was loaded.
  bool SelectProgram(int index);

  // The state as the host stores it: the version number (decimal form) as a
  // 32-bit integer, then SaveState. A bank also captures the current program
  // first. False when the state could not be written.
  bool SaveChunk(IChunkBuffer* chunk, bool bank);
  // Loads a chunk written by SaveChunk (any version). The whole chunk is
  // read and checked first: one that ends early, or that LoadState would
  // refuse, changes nothing at all (should LoadState still fail, the state
  // before the load is put back). True when the chunk loaded.
  bool LoadChunk(const IChunkBuffer& chunk);

  // Text slots travel with the parameters in every state.
  int NTextSlots() const { return static_cast<int>(mTextSlots.size()); }
  const std::string& TextSlotAt(int index) const { return mTextSlots[index]; }

  IEditor* Editor() const { return mEditor; }
  // The editor window inside the host's parent window. OpenEditor is true
  // when a window opened (EditorOpened then runs); CloseEditor runs
  // EditorClosing and closes it, true when there is an editor.
  bool OpenEditor(void* parent);
  bool CloseEditor();
  bool EditorIsOpen() const { return mEditorOpen; }
  // The host's idle call: passed to the editor while its window is open.
  void EditorIdle();
  IPlugLock& Lock() { return mLock; }

protected:
  void SetReady() { mReady = true; }
  void SetHostType(int type) { mHostType = type; }
  std::vector<std::string>& TextSlots() { return mTextSlots; }

private:
  struct InChannel {
    bool connected = false;
    double** target = nullptr;
    const float* hostFloat = nullptr;
    std::vector<double> scratch;
  };
  struct OutChannel {
    bool connected = false;
    double** target = nullptr;
    float* hostFloat = nullptr;
    std::vector<double> scratch;
  };
  template <typename Channel>
  static void SetConnections(std::vector<Channel>& channels, int start, int count, bool connected);
  // Never leaves an unconnected channel without memory behind it.
  static void PointAtScratch(std::vector<double>& scratch, double** target, int blockSize) {
    if (scratch.size() < static_cast<size_t>(std::max(1, blockSize))) GrowScratch(scratch, blockSize);
    *target = scratch.data();
  }
  static void GrowScratch(std::vector<double>& scratch, int blockSize);
  void CopyFloatOutputs(int frames, bool adding);

  std::vector<std::pair<int, int>> mChannelIO;
  std::vector<IParameter> mParams;
  std::vector<std::unique_ptr<IProgram>> mPrograms;
  int mCurrentProgram = 0;
  int mPendingEditParam = -1;
  IPlugLock mLock;
  std::vector<std::string> mTextSlots;
  bool mReady = false;
  char mEffectName[kNameSize] = {};
  char mProductName[kNameSize] = {};
  char mVendorName[kNameSize] = {};
  int mUniqueID;
  int mMakerID;
  int mVersion;
  int mHostType = -1;
  bool mIsInstrument;
  int mMidiMode;
  bool mStateChunks;
  double mSampleRate = 44100.0;
  int mBlockSize = 0;
  int mLatency;
  IEditor* mEditor = nullptr;
  bool mEditorOpen = false;
  std::vector<double*> mInputPtrs;
  std::vector<double*> mOutputPtrs;
  std::vector<InChannel> mInChannels;
  std::vector<OutChannel> mOutChannels;
  // The transport as the previous processing call found it.
  bool mCallBefore = false;
  bool mWasPlaying = false;
  double mCallEnd = 0.0;  // its position plus its frames
};
