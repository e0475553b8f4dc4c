#include "vst/IPlugVST.h"

#include <algorithm>
#include <cstring>

// The effect record and its callbacks. The requests made to the host are in
// IPlugVSTHost.cpp, the dispatcher in IPlugVSTDispatcher.cpp.

IPlugVST::IPlugVST(audioMasterCallback host, int nParams, const char* channelIOText, int nPrograms,
                   const char* effectName, const char* productName, const char* vendorName, int version,
                   int uniqueID, int makerID, int latency, int midiMode, bool stateChunks, bool isInstrument)
    : IPlugBase(nParams, channelIOText, nPrograms, effectName, productName, vendorName, version, uniqueID,
                makerID, latency, midiMode, stateChunks, isInstrument),
      mHostCallback(host) {
  memset(&mAEffect, 0, sizeof mAEffect);
  mAEffect.magic = kEffectMagic;
  mAEffect.dispatcher = VstDispatcher;
  mAEffect.process = VstProcess<ProcessMode::kAdding, float>;
  mAEffect.setParameter = VstSetParameter;
  mAEffect.getParameter = VstGetParameter;
  mAEffect.numPrograms = nPrograms;
  mAEffect.numParams = nParams;
  mAEffect.numInputs = NInChannels();
  mAEffect.numOutputs = NOutChannels();
  mAEffect.flags = effFlagsCanReplacing | effFlagsCanDoubleReplacing;
  if (stateChunks) mAEffect.flags |= effFlagsProgramChunks;
  if (AcceptsChannels(1, -1)) mAEffect.flags |= effFlagsCanMono;
  if (isInstrument) mAEffect.flags |= effFlagsIsSynth;
  mAEffect.initialDelay = latency;
  mAEffect.ioRatio = 1.0f;
  mAEffect.object = this;
  mAEffect.uniqueID = uniqueID;
  mAEffect.version = VersionNumber(true);
  mAEffect.processReplacing = VstProcess<ProcessMode::kReplacing, float>;
  mAEffect.processDoubleReplacing = VstProcess<ProcessMode::kDouble, double>;
  FillArrangements();
  mSliceIn.assign(static_cast<size_t>(NInChannels()), nullptr);
  mSliceOut.assign(static_cast<size_t>(NOutChannels()), nullptr);
  SetInputConnections(0, NInChannels(), true);
  SetOutputConnections(0, NOutChannels(), true);
  ResizeBlock(1024);
}

IPlugVST::~IPlugVST() {
  mProgramChunk.Clear();
  mBankChunk.Clear();
}

IPlugVST* IPlugVST::FromEffect(AEffect* effect) {
  return effect ? static_cast<IPlugVST*>(effect->object) : nullptr;
}

void IPlugVST::FillArrangements() {
  auto fill = [](VstSpeakerArrangement& arr, int channels) {
    memset(&arr, 0, sizeof arr);
    arr.type = channels == 0 ? kSpeakerArrEmpty
               : channels == 1 ? kSpeakerArrMono
               : channels == 2 ? kSpeakerArrStereo
                               : kSpeakerArrUserDefined;
    arr.numChannels = channels;
  };
  fill(mInputArrangement, NInChannels());
  fill(mOutputArrangement, NOutChannels());
}

// ---- Callbacks -----------------------------------------------------------------

void IPlugVST::WantMidiIfNeeded() {
  if (MidiMode() != 0) HostRequest(audioMasterWantMidi);
}

namespace {

// Marks a processing call for as long as it runs.
class InCall {
public:
  explicit InCall(bool& flag) : mFlag(flag) { mFlag = true; }
  ~InCall() { mFlag = false; }
  InCall(const InCall&) = delete;
  InCall& operator=(const InCall&) = delete;

private:
  bool& mFlag;
};

}  // namespace

template <typename Sample>
void IPlugVST::Process(Sample** inputs, Sample** outputs, VstInt32 frames, ProcessMode mode) {
  IPlugLockGuard lock(Lock());
  WantMidiIfNeeded();
  if (frames <= 0) return;
  const VstTimeInfo* time = mHostCallback ? HostTime(kVstTempoValid) : nullptr;
  mCallTimeGiven = time != nullptr;
  if (time) mCallTime = *time;
  InCall inCall(mInProcessCall);
  BeginProcessCall(frames);
  auto run = [this, mode](Sample** in, Sample** out, int n) {
    AttachInputs(in, n);
    AttachOutputs(out, n);
    switch (mode) {
      case ProcessMode::kAdding: RunBlockFloatAdding(n); break;
      case ProcessMode::kReplacing: RunBlockFloat(n); break;
      case ProcessMode::kDouble: RunBlockDouble(n); break;
    }
  };
  const int block = CurrentBlockSize();
  if (frames <= block) {
    run(inputs, outputs, frames);
    return;
  }
  // More frames than the host announced: process them in blocks that fit
  // the buffers, offsetting the host's pointers.
  const int step = std::max(1, block);
  Sample** in = reinterpret_cast<Sample**>(mSliceIn.data());
  Sample** out = reinterpret_cast<Sample**>(mSliceOut.data());
  // The host hands one pointer per connected channel.
  int nIn = 0, nOut = 0;
  for (int c = 0; c < NInChannels(); ++c) nIn += IsInChannelConnected(c) ? 1 : 0;
  for (int c = 0; c < NOutChannels(); ++c) nOut += IsOutChannelConnected(c) ? 1 : 0;
  for (int done = 0; done < frames; done += step) {
    const int n = std::min(step, frames - done);
    for (int c = 0; c < nIn; ++c) in[c] = (inputs && inputs[c]) ? inputs[c] + done : nullptr;
    for (int c = 0; c < nOut; ++c) out[c] = (outputs && outputs[c]) ? outputs[c] + done : nullptr;
    run(inputs ? in : nullptr, outputs ? out : nullptr, n);
  }
}

template <IPlugVST::ProcessMode kMode, typename Sample>
void VSTCALLBACK IPlugVST::VstProcess(AEffect* effect, Sample** inputs, Sample** outputs, VstInt32 frames) {
  IPlugVST* plug = FromEffect(effect);
  if (!plug) return;
  try {
    plug->Process(inputs, outputs, frames, kMode);
  } catch (...) {
  }
}

float VSTCALLBACK IPlugVST::VstGetParameter(AEffect* effect, VstInt32 index) {
  IPlugVST* plug = FromEffect(effect);
  if (!plug) return 0.0f;
  IPlugLockGuard lock(plug->Lock());
  const IParameter* param = plug->ParamAt(index);
  return param ? static_cast<float>(param->NormalizedValue()) : 0.0f;
}

void VSTCALLBACK IPlugVST::VstSetParameter(AEffect* effect, VstInt32 index, float value) {
  IPlugVST* plug = FromEffect(effect);
  if (!plug) return;
  try {
    plug->SetParameterFromHost(index, value);
  } catch (...) {
  }
}
