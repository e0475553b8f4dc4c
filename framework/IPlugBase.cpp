#include "framework/IPlugBase.h"

// Parameters, editor, channels and identity. Programs and state are in
// IPlugBaseState.cpp.

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <new>

#include "framework/SampleConversion.h"
#include "framework/TextUtil.h"
#include "framework/IEditor.h"

IPlugBase::IPlugBase(int nParams, const char* channelIOText, int nPrograms, const char* effectName,
                     const char* productName, const char* vendorName, int version, int uniqueID,
                     int makerID, int latency, int midiMode, bool stateChunks, bool isInstrument)
    : mUniqueID(uniqueID),
      mMakerID(makerID),
      mVersion(version),
      mIsInstrument(isInstrument),
      mMidiMode(midiMode),
      mStateChunks(stateChunks),
      mLatency(latency) {
  mParams.resize(static_cast<size_t>(std::max(0, nParams)));
  for (int i = 0; i < nPrograms; ++i) {
    auto program = std::make_unique<IProgram>();
    snprintf(program->name, sizeof(program->name), "- %d -", i + 1);
    mPrograms.push_back(std::move(program));
  }
  CopyTextField(mEffectName, effectName, kNameSize);
  CopyTextField(mProductName, productName, kNameSize);
  CopyTextField(mVendorName, vendorName, kNameSize);

  // "1-1 2-2": tokens separated by single spaces, each inputs-outputs.
  int nIn = 0, nOut = 0;
  const char* p = channelIOText ? channelIOText : "";
  while (*p) {
    const char* end = strchr(p, ' ');
    std::string token(p, end ? static_cast<size_t>(end - p) : strlen(p));
    int in = 0, out = 0;
    if (sscanf(token.c_str(), "%d-%d", &in, &out) < 2) {
      if (sscanf(token.c_str(), "%d", &in) < 1) in = 0;
      out = 0;
    }
    mChannelIO.emplace_back(in, out);
    nIn = std::max(nIn, in);
    nOut = std::max(nOut, out);
    if (!end) break;
    p = end + 1;
  }
  mInputPtrs.assign(static_cast<size_t>(nIn), nullptr);
  mOutputPtrs.assign(static_cast<size_t>(nOut), nullptr);
  mInChannels.resize(static_cast<size_t>(nIn));
  mOutChannels.resize(static_cast<size_t>(nOut));
  for (int i = 0; i < nIn; ++i) mInChannels[i].target = &mInputPtrs[i];
  for (int i = 0; i < nOut; ++i) mOutChannels[i].target = &mOutputPtrs[i];
}

IPlugBase::~IPlugBase() {
  delete mEditor;
  mEditor = nullptr;
  while (!mParams.empty()) mParams.pop_back();
}

// ---- Default hooks ---------------------------------------------------------

void IPlugBase::ResetState() { IPlugLockGuard lock(mLock); }
void IPlugBase::SpareLockedHook() { IPlugLockGuard lock(mLock); }
void IPlugBase::ParamChanged(int) { IPlugLockGuard lock(mLock); }
void IPlugBase::ActiveChanged(bool) { IPlugLockGuard lock(mLock); }
void IPlugBase::TextSlotChanged(int, const char*) { IPlugLockGuard lock(mLock); }
void IPlugBase::StateVersionLoaded(int) { IPlugLockGuard lock(mLock); }

void IPlugBase::HostParamChanged(int index, float) {
  IPlugLockGuard lock(mLock);
  ParamChanged(index);
}

bool IPlugBase::CanRestoreParam(int) {
  IPlugLockGuard lock(mLock);
  return true;
}

bool IPlugBase::NameOfMidiNote(int, char* text) {
  if (text) text[0] = '\0';
  return false;
}

void IPlugBase::ProcessBlock(double** inputs, double** outputs, int frames) {
  const int n = std::min(NInChannels(), NOutChannels());
  for (int i = 0; i < NOutChannels(); ++i) {
    if (i < n) {
      if (outputs[i] != inputs[i]) memmove(outputs[i], inputs[i], sizeof(double) * static_cast<size_t>(frames));
    } else {
      std::fill(outputs[i], outputs[i] + frames, 0.0);
    }
  }
}

bool IPlugBase::SendMidiMessages(const std::vector<MidiMessage>& messages) {
  bool ok = true;
  for (const MidiMessage& m : messages) ok = SendMidiMessage(&m) && ok;
  return ok;
}

// ---- Parameters ------------------------------------------------------------

IParameter* IPlugBase::ParamAt(int index) {
  return (index >= 0 && index < NParams()) ? &mParams[static_cast<size_t>(index)] : nullptr;
}

const IParameter* IPlugBase::ParamAt(int index) const {
  return (index >= 0 && index < NParams()) ? &mParams[static_cast<size_t>(index)] : nullptr;
}

void IPlugBase::RefreshAllParams() {
  for (int i = 0; i < NParams(); ++i) ParamChanged(i);
}

void IPlugBase::UpdateEditorFromParams() {
  if (!mEditor) return;
  for (int i = 0; i < NParams(); ++i) mEditor->ApplyPluginParameter(i, mParams[static_cast<size_t>(i)].Value(), false);
}

void IPlugBase::SetParameterFromEditor(int index, double normalized) {
  IPlugLockGuard lock(mLock);
  IParameter* param = ParamAt(index);
  if (!param) return;
  normalized = ClampNormalized(normalized);
  param->SetFromNormalized(normalized);
  AutomateParam(index, normalized);
  ParamChanged(index);
}

void IPlugBase::SetParameterFromHost(int index, float normalized) {
  IPlugLockGuard lock(mLock);
  IParameter* param = ParamAt(index);
  if (!param) return;
  // Hosts do send values outside [0, 1]; none may reach the parameter.
  normalized = static_cast<float>(ClampNormalized(normalized));
  if (mEditor) mEditor->ApplyPluginParameter(index, normalized, true);
  param->SetFromNormalized(normalized);
  HostParamChanged(index, normalized);
}

bool IPlugBase::SetParameterFromText(int index, const char* text) {
  IPlugLockGuard lock(mLock);
  IParameter* param = ParamAt(index);
  if (!param) return false;
  if (!text) return true;
  const double value = param->ParseDisplay(text);
  if (mEditor) mEditor->ApplyPluginParameter(index, value, false);
  param->SetClamped(value);
  ParamChanged(index);
  return true;
}

void IPlugBase::EndParamEditDelayed(int index) {
  IPlugLockGuard lock(mLock);
  if (mEditor) {
    mPendingEditParam = index;
    mEditor->StartEndEditDelay(std::max(1, mEditor->FrameRate() / 2));
  } else {
    EndParamEdit(index);
  }
}

void IPlugBase::EndPendingParamEdit() {
  IPlugLockGuard lock(mLock);
  if (mEditor) mEditor->CancelEndEditDelay();
  if (mPendingEditParam >= 0) {
    const int index = mPendingEditParam;
    mPendingEditParam = -1;
    EndParamEdit(index);
  }
}

void IPlugBase::AttachEditor(IEditor* editor) {
  if (!editor) return;
  IPlugLockGuard lock(mLock);
  for (int i = 0; i < NParams(); ++i) editor->ApplyPluginParameter(i, mParams[static_cast<size_t>(i)].NormalizedValue(), true);
  editor->PrepareDrawing();
  if (mEditor != editor) delete mEditor;
  mEditor = editor;
}

bool IPlugBase::OpenEditor(void* parent) {
  IPlugLockGuard lock(mLock);
  if (!mEditor || !mEditor->OpenEditorWindow(parent)) return false;
  mEditorOpen = true;
  EditorOpened();
  return true;
}

bool IPlugBase::CloseEditor() {
  IPlugLockGuard lock(mLock);
  if (!mEditor) return false;
  EditorClosing();
  mEditor->CloseEditorWindow();
  mEditorOpen = false;
  return true;
}

void IPlugBase::EditorIdle() {
  IPlugLockGuard lock(mLock);
  if (mEditor && mEditorOpen) mEditor->Idle();
}

// ---- Channels and processing -----------------------------------------------

bool IPlugBase::AcceptsChannels(int inputs, int outputs) const {
  for (const auto& io : mChannelIO) {
    if ((inputs < 0 || inputs == io.first) && (outputs < 0 || outputs == io.second)) return true;
  }
  return false;
}

bool IPlugBase::IsInChannelConnected(int index) const {
  return index >= 0 && index < NInChannels() && mInChannels[static_cast<size_t>(index)].connected;
}

bool IPlugBase::IsOutChannelConnected(int index) const {
  return index >= 0 && index < NOutChannels() && mOutChannels[static_cast<size_t>(index)].connected;
}

void IPlugBase::GrowScratch(std::vector<double>& scratch, int blockSize) {
  scratch.assign(static_cast<size_t>(std::max(1, blockSize)), 0.0);
}

template <typename Channel>
void IPlugBase::SetConnections(std::vector<Channel>& channels, int start, int count, bool connected) {
  // Only channels that exist are visited, whatever the host passes.
  const int64_t first = std::max(0, start);
  const int64_t last = std::min<int64_t>(static_cast<int64_t>(start) + count, static_cast<int64_t>(channels.size()));
  for (int64_t i = first; i < last; ++i) channels[static_cast<size_t>(i)].connected = connected;
}

void IPlugBase::SetInputConnections(int start, int count, bool connected) {
  SetConnections(mInChannels, start, count, connected);
  if (!connected) {
    for (auto& ch : mInChannels)
      if (!ch.connected) PointAtScratch(ch.scratch, ch.target, mBlockSize);
  }
}

void IPlugBase::SetOutputConnections(int start, int count, bool connected) {
  SetConnections(mOutChannels, start, count, connected);
  if (!connected) {
    for (auto& ch : mOutChannels)
      if (!ch.connected) {
        PointAtScratch(ch.scratch, ch.target, mBlockSize);
        ch.hostFloat = nullptr;
      }
  }
}

void IPlugBase::AttachInputs(double** inputs, int frames) {
  int next = 0;
  for (auto& ch : mInChannels) {
    ch.hostFloat = nullptr;
    if (!ch.connected) continue;
    double* host = inputs ? inputs[next++] : nullptr;
    if (host) {
      *ch.target = host;
    } else {
      // A missing host buffer reads as silence.
      std::fill(ch.scratch.begin(), ch.scratch.begin() + std::min<size_t>(ch.scratch.size(), static_cast<size_t>(std::max(0, frames))), 0.0);
      PointAtScratch(ch.scratch, ch.target, mBlockSize);
    }
  }
}

void IPlugBase::AttachInputs(float** inputs, int) {
  // Converted when the block runs (ProcessBlockFloat), or read as they are.
  int next = 0;
  for (auto& ch : mInChannels) {
    ch.hostFloat = nullptr;
    if (ch.connected) ch.hostFloat = inputs ? inputs[next++] : nullptr;
  }
}

void IPlugBase::AttachOutputs(double** outputs, int) {
  int next = 0;
  for (auto& ch : mOutChannels) {
    if (!ch.connected) continue;
    double* host = outputs ? outputs[next++] : nullptr;
    ch.hostFloat = nullptr;
    if (host) *ch.target = host;
    else PointAtScratch(ch.scratch, ch.target, mBlockSize);  // nowhere to go: written and dropped
  }
}

void IPlugBase::AttachOutputs(float** outputs, int) {
  // The effect's outputs are pointed at the scratch buffers when the block
  // runs through them (ProcessBlockFloat), or written to the host's as they
  // are.
  int next = 0;
  for (auto& ch : mOutChannels) {
    if (ch.connected) ch.hostFloat = outputs ? outputs[next++] : nullptr;
  }
}

void IPlugBase::RunBlockDouble(int frames) {
  if (mReady && frames > 0) ProcessBlock(mInputPtrs.data(), mOutputPtrs.data(), frames);
}

void IPlugBase::CopyFloatOutputs(int frames, bool adding) {
  const size_t n = std::min<size_t>(static_cast<size_t>(std::max(0, frames)), static_cast<size_t>(mBlockSize));
  for (auto& ch : mOutChannels) {
    if (!ch.connected || !ch.hostFloat) continue;
    DoublesToFloats(ch.scratch.data(), ch.hostFloat, n, adding);
  }
}

void IPlugBase::ProcessBlockFloat(int frames, bool adding) {
  // The host's samples in the input scratch buffers (a connected channel
  // without a host buffer reads zeros), the effect's output into the output
  // scratch buffers, then converted into the host's.
  const size_t n = std::min<size_t>(static_cast<size_t>(std::max(0, frames)), static_cast<size_t>(mBlockSize));
  for (auto& ch : mInChannels) {
    if (!ch.connected) continue;
    PointAtScratch(ch.scratch, ch.target, mBlockSize);
    const float* host = ch.hostFloat;
    if (host) {
      FloatsToDoubles(host, ch.scratch.data(), n);
    } else {
      std::fill(ch.scratch.begin(), ch.scratch.begin() + static_cast<std::ptrdiff_t>(n), 0.0);
    }
  }
  for (auto& ch : mOutChannels) {
    if (ch.connected) PointAtScratch(ch.scratch, ch.target, mBlockSize);
  }
  ProcessBlock(mInputPtrs.data(), mOutputPtrs.data(), frames);
  CopyFloatOutputs(frames, adding);
}

void IPlugBase::RunBlockFloat(int frames) {
  if (mReady && frames > 0) ProcessBlockFloat(frames, false);
  else CopyFloatOutputs(frames, false);
}

void IPlugBase::RunBlockFloatAdding(int frames) {
  if (mReady && frames > 0) ProcessBlockFloat(frames, true);
  else CopyFloatOutputs(frames, true);
}

void IPlugBase::BeginProcessCall(int frames) {
  if (frames <= 0) return;
  double position = 0.0;
  bool playing = false;
  if (!GetTransport(&position, &playing)) playing = false;
  const bool restarted = playing && (!mCallBefore || !mWasPlaying || position != mCallEnd);
  mCallBefore = true;
  mWasPlaying = playing;
  mCallEnd = position + frames;
  if (restarted) TransportRestarted();
}

void IPlugBase::ResizeBlock(int frames) {
  if (frames == mBlockSize) return;
  const size_t n = static_cast<size_t>(std::max(0, frames));
  // Allocate every new buffer before touching the old ones, so that running
  // out of memory leaves the channels as they were.
  std::vector<std::vector<double>> fresh;
  try {
    fresh.resize(mInChannels.size() + mOutChannels.size());
    for (auto& buffer : fresh) buffer.assign(std::max<size_t>(n, 1), 0.0);
  } catch (const std::bad_alloc&) {
    return;
  }
  size_t next = 0;
  for (auto& ch : mInChannels) {
    ch.scratch.swap(fresh[next++]);
    if (!ch.connected) PointAtScratch(ch.scratch, ch.target, frames);
  }
  for (auto& ch : mOutChannels) {
    ch.scratch.swap(fresh[next++]);
    if (!ch.connected) PointAtScratch(ch.scratch, ch.target, frames);
  }
  mBlockSize = frames;
}

bool IPlugBase::StoreSampleRate(double rate) {
  if (!(rate >= kMinSampleRate && rate <= kMaxSampleRate)) return false;
  mSampleRate = rate;
  return true;
}

double IPlugBase::SamplesPerBeat() {
  const double tempo = GetHostTempo();
  return tempo >= kMinTempo ? mSampleRate * 60.0 / tempo : 0.0;
}

// ---- Identity ----------------------------------------------------------------

int IPlugBase::VersionNumber(bool decimal) const {
  if (!decimal) return mVersion;
  const int major = (mVersion >> 16) & 0xFFFF, minor = (mVersion >> 8) & 0xFF, patch = mVersion & 0xFF;
  return major * 10000 + minor * 100 + patch;
}

void IPlugBase::VersionText(char* out, int outSize) const {
  if (!out || outSize <= 0) return;
  snprintf(out, static_cast<size_t>(outSize), "v%d.%02d", (mVersion >> 16) & 0xFFFF, (mVersion >> 8) & 0xFF);
}
