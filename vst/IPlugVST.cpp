#include "vst/IPlugVST.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>

#include "framework/IEditor.h"
#include "framework/TextUtil.h"

namespace {

constexpr VstIntPtr kMaxBlockSize = 1 << 20;
constexpr VstInt32 kVstVersion = 2400;

// Vendor requests (effVendorSpecific, by index) and what they answer when
// they were understood.
enum VendorRequest : VstInt32 {
  kVendorDisplayOfValue = 7,    // the display text of a normalised value
  kVendorDisplayTextCount = 8,  // how many display texts a list parameter has
  kVendorValueOfText = 27,      // the normalised value a display text stands for
  kVendorTextSlot = 56,         // reads or changes a text slot
  kVendorStateVersion = 58,     // the version of the state about to be loaded
};
constexpr VstIntPtr kVendorAnswer = 0xBEEF;
constexpr VstIntPtr kCockosAnswer = static_cast<VstIntPtr>(0xBEEF0000);

// Copies a text whole, terminator included, into a host buffer.
void CopyToHost(void* ptr, const char* text) {
  if (ptr) strcpy(static_cast<char*>(ptr), text ? text : "");
}

}  // namespace

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

// ---- Host services -----------------------------------------------------------

VstIntPtr IPlugVST::HostRequest(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt) {
  return mHostCallback ? mHostCallback(&mAEffect, opcode, index, value, ptr, opt) : 0;
}

const VstTimeInfo* IPlugVST::HostTime(VstIntPtr flags) {
  return reinterpret_cast<const VstTimeInfo*>(HostRequest(audioMasterGetTime, 0, flags));
}

void IPlugVST::BeginParamEdit(int index) {
  EndPendingParamEdit();
  HostRequest(audioMasterBeginEdit, index);
}

void IPlugVST::BeginParamEditOnce(int index) {
  IPlugLockGuard lock(Lock());
  if (index == PendingEditParam()) return;
  EndPendingParamEdit();
  HostRequest(audioMasterBeginEdit, index);
}

void IPlugVST::AutomateParam(int index, double normalized) {
  HostRequest(audioMasterAutomate, index, 0, nullptr, static_cast<float>(normalized));
}

void IPlugVST::EndParamEdit(int index) { HostRequest(audioMasterEndEdit, index); }

void IPlugVST::NotifyHostDisplay() { HostRequest(audioMasterUpdateDisplay); }

int IPlugVST::GetSamplePosition() {
  const VstTimeInfo* t = HostTime(0);
  if (!t || !(t->samplePos >= 0.0)) return 0;
  // Positions past the 32-bit range wrap instead of overflowing, so that a
  // position taken modulo a loop length stays defined in very long sessions.
  const double rounded = std::trunc(t->samplePos + 0.5);
  if (rounded < 2147483648.0) return static_cast<int>(rounded);
  if (!std::isfinite(rounded)) return 0;
  return static_cast<int>(static_cast<uint32_t>(std::fmod(rounded, 4294967296.0)));
}

double IPlugVST::GetHostTempo() {
  if (!mHostCallback) return 0.0;
  const VstTimeInfo* t = HostTime(kVstTempoValid);
  if (t && (t->flags & kVstTempoValid) && t->tempo >= 0.0) return t->tempo;
  return 0.0;
}

void IPlugVST::GetTimeSignature(int* numerator, int* denominator) {
  if (numerator) *numerator = 0;
  if (denominator) *denominator = 0;
  const VstTimeInfo* t = HostTime(kVstTimeSigValid);
  if (t && (t->flags & kVstTimeSigValid) && t->timeSigNumerator >= 0 && t->timeSigDenominator >= 0) {
    if (numerator) *numerator = t->timeSigNumerator;
    if (denominator) *denominator = t->timeSigDenominator;
  }
}

int IPlugVST::HostTypeForProduct(const char* productName) {
  static const struct {
    const char* text;
    int code;
  } kHosts[] = {
      // In this order: a name that contains two of them is the earlier one.
      {"brainwaveproducer", kHostBrainWaveProducer},
      {"cubase", kHostCubase},
      {"reaper", kHostReaper},
      {"nuendo", kHostNuendo},
      {"cakewalk", kHostCakewalk},
      {"samplitude", kHostSamplitude},
      {"fruity", kHostFruity},
      {"live", kHostLive},
      {"melodyne", kHostMelodyne},
      {"vstmanlib", kHostVstManLib},
      {"aulab", kHostAulab},
      {"forte", kHostForte},
      {"chainer", kHostChainer},
      {"audition", kHostAudition},
      {"orion", kHostOrion},
      {"sawstudio", kHostSawStudio},
      {"logic", kHostLogic},
      {"digital", kHostDigital},
      {"audiomulch", kHostAudioMulch},
      {"presonus", kHostPresonus},
      {"acoustica", kHostAcoustica},
      {"garageband", kHostGarageBand},
      {"ardour", kHostArdour},
  };
  std::string lower;
  for (const char* p = productName ? productName : ""; *p && lower.size() < 255; ++p)
    lower += static_cast<char>(tolower(static_cast<unsigned char>(*p)));
  for (const auto& host : kHosts)
    if (lower.find(host.text) != std::string::npos) return host.code;
  return kHostUnknown;
}

bool IPlugVST::WantsOwnChannelSetup(int hostCode) {
  return hostCode == kHostForte || hostCode == kHostAudition || hostCode == kHostOrion || hostCode == kHostSawStudio;
}

int IPlugVST::GetHostType() {
  const int known = IPlugBase::GetHostType();
  if (known != -1) return known;
  char product[256] = {};
  HostRequest(audioMasterGetProductString, 0, 0, product);
  product[255] = '\0';
  const int type = HostTypeForProduct(product);
  SetHostType(type);
  return type;
}

void IPlugVST::PrepareForHost() {
  if (mHostPrepared) return;
  mHostPrepared = true;
  if (WantsOwnChannelSetup(GetHostType())) {
    SetInputConnections(2, NInChannels() - 2, false);
    if (NOutChannels() >= 3) SetOutputConnections(2, NOutChannels() - 2, true);
  }
  mAEffect.numInputs = NInChannels();
  mAEffect.numOutputs = NOutChannels();
  mInputArrangement.numChannels = NInChannels();
  mOutputArrangement.numChannels = NOutChannels();
}

void IPlugVST::UpdateEditorRect() {
  IEditor* editor = Editor();
  if (!editor) return;
  mEditorRect.top = 0;
  mEditorRect.left = 0;
  mEditorRect.bottom = static_cast<VstInt16>(editor->Height());
  mEditorRect.right = static_cast<VstInt16>(editor->Width());
}

void IPlugVST::AttachEditor(IEditor* editor) {
  if (!editor) return;
  IPlugBase::AttachEditor(editor);
  mAEffect.flags |= effFlagsHasEditor;
  UpdateEditorRect();
}

void IPlugVST::ResizeEditor(int, int) { UpdateEditorRect(); }

void IPlugVST::ChangeLatency(int samples) {
  mAEffect.initialDelay = samples;
  IPlugBase::ChangeLatency(samples);
}

template <typename Event>
bool IPlugVST::SendOneEvent(Event* event) {
  VstEvents events;
  memset(&events, 0, sizeof events);
  events.numEvents = 1;
  events.events[0] = reinterpret_cast<VstEvent*>(event);
  return HostRequest(audioMasterProcessEvents, 0, 0, &events) == 1;
}

bool IPlugVST::SendMidiMessage(const MidiMessage* message) {
  if (!message) return false;
  VstMidiEvent event;
  memset(&event, 0, sizeof event);
  event.type = kVstMidiType;
  event.byteSize = 32;
  event.deltaFrames = message->offset;
  event.midiData[0] = static_cast<char>(message->status);
  event.midiData[1] = static_cast<char>(message->data1);
  event.midiData[2] = static_cast<char>(message->data2);
  return SendOneEvent(&event);
}

bool IPlugVST::SendSysExMessage(const SysExMessage* message) {
  if (!message) return false;
  VstMidiSysexEvent event;
  memset(&event, 0, sizeof event);
  event.type = kVstSysExType;
  event.byteSize = 48;
  event.deltaFrames = message->offset;
  event.dumpBytes = message->size;
  event.sysexDump = const_cast<char*>(reinterpret_cast<const char*>(message->data));
  return SendOneEvent(&event);
}

// ---- Callbacks -----------------------------------------------------------------

void IPlugVST::WantMidiIfNeeded() {
  if (MidiMode() != 0) HostRequest(audioMasterWantMidi);
}

template <typename Sample>
void IPlugVST::Process(Sample** inputs, Sample** outputs, VstInt32 frames, ProcessMode mode) {
  IPlugLockGuard lock(Lock());
  WantMidiIfNeeded();
  if (frames <= 0) return;
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

VstIntPtr VSTCALLBACK IPlugVST::VstDispatcher(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value,
                                             void* ptr, float opt) {
  IPlugVST* plug = FromEffect(effect);
  if (!plug) return 0;
  if (opcode == effClose) {
    try {
      plug->Lock().Lock();
      plug->Closing();
    } catch (...) {
    }
    plug->Lock().Unlock();
    delete plug;
    return 0;
  }
  try {
    IPlugLockGuard lock(plug->Lock());
    return plug->Dispatch(opcode, index, value, ptr, opt);
  } catch (...) {
    return 0;
  }
}

// ---- Dispatcher ------------------------------------------------------------------

VstIntPtr IPlugVST::Dispatch(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt) {
  IParameter* param = ParamAt(index);
  switch (opcode) {
    case effOpen:
      PrepareForHost();
      RefreshAllParams();
      return 0;
    case effSetProgram:
      SelectProgram(value >= 0 && value < NPrograms() ? static_cast<int>(value) : -1);
      return 0;
    case effGetProgram:
      return CurrentProgram();
    case effSetProgramName:
      if (ptr) CaptureCurrentProgram(static_cast<const char*>(ptr));
      return 0;
    case effGetProgramName:
      CopyToHost(ptr, GetProgramName(CurrentProgram()));
      return 0;
    case effGetParamLabel:
      if (param && ptr) CopyToHost(ptr, param->Label());
      return 0;
    case effGetParamDisplay:
      if (param && ptr) param->FormatDisplay(param->Value(), false, static_cast<char*>(ptr));
      return 0;
    case effGetParamName:
      if (param && ptr) CopyToHost(ptr, param->Name());
      return 0;
    case effSetSampleRate:
      // A rate that is not a positive number is no rate: the last one stays.
      if (opt > 0.0f && std::isfinite(opt)) StoreSampleRate(opt);
      ResetState();
      return 0;
    case effSetBlockSize:
      // Likewise a block size that is not positive or beyond any real host's
      // (longer calls are processed in blocks anyway).
      if (value > 0 && value <= kMaxBlockSize) ResizeBlock(static_cast<int>(value));
      ResetState();
      return 0;
    case effMainsChanged:
      if (value) {
        ActiveChanged(true);
      } else {
        ActiveChanged(false);
        ResetState();
      }
      return 0;
    case effEditGetRect:
      if (ptr && Editor()) {
        *static_cast<ERect**>(ptr) = &mEditorRect;
        return 1;
      }
      return 0;
    case effEditOpen:
      return OpenEditor(ptr) ? 1 : 0;
    case effEditClose:
      return CloseEditor() ? 1 : 0;
    case effEditIdle:
      EditorIdle();
      return 0;
    case effIdentify:
      return FourCC("NvEf");
    case effGetChunk:
      return GetChunk(index, ptr);
    case effSetChunk:
      return SetChunk(index, value, ptr);
    case effProcessEvents:
      if (!ptr) return 0;
      ProcessEvents(static_cast<const VstEvents*>(ptr));
      return 1;
    case effCanBeAutomated:
      return 1;
    case effString2Parameter:
      return SetParameterFromText(index, static_cast<const char*>(ptr)) ? 1 : 0;
    case effGetProgramNameIndexed: {
      if (!ptr) return 0;
      const char* name = GetProgramName(index);
      CopyToHost(ptr, name);
      return name[0] ? 1 : 0;
    }
    case effGetInputProperties:
    case effGetOutputProperties: {
      const bool input = opcode == effGetInputProperties;
      const int count = input ? NInChannels() : NOutChannels();
      if (!ptr || index < 0 || index >= count) return 0;
      VstPinProperties* pin = static_cast<VstPinProperties*>(ptr);
      pin->flags = kVstPinIsActive;
      if (index % 2 == 0 && index < count - 1) pin->flags |= kVstPinIsStereo;
      snprintf(pin->label, sizeof pin->label, input ? "Input %d" : "Output %d", index + 1);
      return 1;
    }
    case effGetPlugCategory:
      return IsInstrument() ? kPlugCategSynth : kPlugCategEffect;
    case effSetSpeakerArrangement: {
      const VstSpeakerArrangement* in = reinterpret_cast<const VstSpeakerArrangement*>(value);
      const VstSpeakerArrangement* out = static_cast<const VstSpeakerArrangement*>(ptr);
      if (in) {
        const int n = std::clamp(in->numChannels, 0, NInChannels());
        SetInputConnections(0, n, true);
        SetInputConnections(n, NInChannels() - n, false);
      }
      if (out) {
        const int n = std::clamp(out->numChannels, 0, NOutChannels());
        SetOutputConnections(0, n, true);
        SetOutputConnections(n, NOutChannels() - n, false);
      }
      return 1;
    }
    case effSetBypass:
      ActiveChanged(value == 0);
      return 0;
    case effGetEffectName:
      if (!ptr) return 0;
      CopyToHost(ptr, EffectName());
      return 1;
    case effGetVendorString:
      if (!ptr) return 0;
      CopyToHost(ptr, VendorName());
      return 1;
    case effGetProductString:
      if (!ptr) return 0;
      CopyToHost(ptr, ProductName());
      return 1;
    case effGetVendorVersion:
      return VersionNumber(true);
    case effVendorSpecific:
      return VendorSpecific(index, value, ptr, opt);
    case effCanDo:
      return CanDo(static_cast<const char*>(ptr));
    case effGetVstVersion:
      return kVstVersion;
    case effGetMidiProgramName:
    case effGetCurrentMidiProgram:
    case effGetMidiProgramCategory:
    case effHasMidiProgramsChanged:
    case effBeginSetProgram:
    case effEndSetProgram:
      ActiveChanged(true);
      return 0;
    case effGetMidiKeyName: {
      if (!ptr) return 0;
      MidiKeyName* key = static_cast<MidiKeyName*>(ptr);
      key->keyName[0] = '\0';
      return NameOfMidiNote(key->thisKeyNumber, key->keyName) ? 1 : 0;
    }
    case effGetSpeakerArrangement:
      if (value) *reinterpret_cast<VstSpeakerArrangement**>(value) = &mInputArrangement;
      if (ptr) *static_cast<VstSpeakerArrangement**>(ptr) = &mOutputArrangement;
      return 1;
    case effStartProcess:
      ActiveChanged(true);
      return 0;
    case effStopProcess:
      ActiveChanged(false);
      return 0;
    default:
      return 0;
  }
}

// The host gets the address of the chunk, which stays valid until the next
// request of the same kind (bank or program).
VstIntPtr IPlugVST::GetChunk(VstInt32 index, void* ptr) {
  if (!ptr) return 0;
  IChunkBuffer& buffer = index == 0 ? mBankChunk : mProgramChunk;
  if (!SaveChunk(&buffer, index == 0)) return 0;
  *static_cast<void**>(ptr) = buffer.Data();
  return buffer.Length();
}

VstIntPtr IPlugVST::SetChunk(VstInt32 index, VstIntPtr size, void* ptr) {
  // A chunk the 32-bit buffer cannot hold, or no chunk at all, is refused
  // before anything changes.
  if (!ptr || size < 0 || size > INT_MAX) return 0;
  IChunkBuffer& buffer = index == 0 ? mBankChunk : mProgramChunk;
  buffer.Clear();
  buffer.ResizeZeroed(static_cast<int>(size));
  if (buffer.Length() != size) return 0;
  if (size) memcpy(buffer.Data(), ptr, static_cast<size_t>(size));
  return LoadChunk(buffer) ? 1 : 0;
}

void IPlugVST::ProcessEvents(const VstEvents* events) {
  for (VstInt32 i = 0; i < events->numEvents; ++i) {
    const VstEvent* event = events->events[i];
    if (!event) continue;
    if (event->type == kVstMidiType) {
      const VstMidiEvent* midi = reinterpret_cast<const VstMidiEvent*>(event);
      MidiMessage message;
      message.offset = midi->deltaFrames;
      message.status = static_cast<uint8_t>(midi->midiData[0]);
      message.data1 = static_cast<uint8_t>(midi->midiData[1]);
      message.data2 = static_cast<uint8_t>(midi->midiData[2]);
      MidiMessageIn(&message);
    } else if (event->type == kVstSysExType) {
      const VstMidiSysexEvent* sysex = reinterpret_cast<const VstMidiSysexEvent*>(event);
      SysExMessage message;
      message.offset = sysex->deltaFrames;
      message.size = sysex->dumpBytes;
      message.data = reinterpret_cast<const uint8_t*>(sysex->sysexDump);
      SysExIn(&message);
    }
  }
}

VstIntPtr IPlugVST::VendorSpecific(VstInt32 index, VstIntPtr value, void* ptr, float opt) {
  const bool validParam = value >= 0 && value < NParams();
  switch (index) {
    case FourCC("stCA"):
      if (value == FourCC("Whee") && Editor()) return Editor()->WheelAtCursor(opt);
      return 0;
    case kVendorDisplayOfValue:
      if (!ptr) return 0;
      if (validParam) ParamAt(static_cast<int>(value))->FormatDisplay(opt, true, static_cast<char*>(ptr));
      return kVendorAnswer;
    case kVendorDisplayTextCount: {
      if (!validParam) return 0;
      const IParameter* param = ParamAt(static_cast<int>(value));
      if (param->GetKind() == IParameter::kInteger || param->GetKind() == IParameter::kContinuous) return 0;
      if (ptr) *static_cast<int32_t*>(ptr) = param->DisplayTextCount();
      return kVendorAnswer;
    }
    case kVendorValueOfText: {
      if (!ptr || !validParam) return 0;
      char* text = static_cast<char*>(ptr);
      if (text[0]) {
        const IParameter* param = ParamAt(static_cast<int>(value));
        snprintf(text, 32, "%.17f", param->ToNormalized(param->ParseDisplay(text)));
      }
      return kVendorAnswer;
    }
    case kVendorTextSlot: {
      if (!ptr || value < 0 || value >= NTextSlots()) return 0;
      char* text = static_cast<char*>(ptr);
      if (text[0]) TextSlotChanged(static_cast<int>(value), text);
      else strcpy(text, TextSlotAt(static_cast<int>(value)).c_str());
      return kVendorAnswer;
    }
    case kVendorStateVersion:
      StateVersionLoaded(static_cast<int>(value));
      return 0;
    default:
      return 0;
  }
}

VstIntPtr IPlugVST::CanDo(const char* text) const {
  if (!text) return 0;
  auto is = [text](const char* s) { return strcmp(text, s) == 0; };
  if (is("receiveVstTimeInfo")) return 1;
  if ((MidiMode() & 1) && (is("sendVstEvents") || is("sendVstMidiEvent"))) return 1;
  if ((MidiMode() == 1 || MidiMode() == 2) && (is("receiveVstEvents") || is("receiveVstMidiEvent"))) return 1;
  if (is("hasCockosExtensions") || is("hasCockosViewAsConfig")) return kCockosAnswer;
  return 0;
}
