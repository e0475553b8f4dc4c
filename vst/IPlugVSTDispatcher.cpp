// IPlugVST: the host's requests through the dispatcher, translated into the
// plug-in base's operations.
#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "framework/IEditor.h"
#include "framework/TextUtil.h"
#include "vst/IPlugVST.h"

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

// Program names reach the host cut to 31 characters and the terminator:
// hosts size their buffers for the short names the VST 2 interface
// documents, while a program keeps whatever name it was given.
constexpr size_t kProgramNameToHost = 32;
void CopyProgramNameToHost(void* ptr, const char* name) { CopyTextField(static_cast<char*>(ptr), name, kProgramNameToHost); }

}  // namespace

VstIntPtr VSTCALLBACK IPlugVST::VstDispatcher(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value,
                                             void* ptr, float opt) {
  IPlugVST* plug = FromEffect(effect);
  if (!plug) return 0;
  if (opcode == effClose) {
    try {
      plug->Lock().Lock();
      // An editor window still open goes first: its thread must not outlive
      // the plug-in.
      if (plug->EditorIsOpen()) plug->CloseEditor();
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
      if (ptr) CopyProgramNameToHost(ptr, GetProgramName(CurrentProgram()));
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
      // A rate no host runs at (or not a number) is not taken: the last one
      // stays.
      StoreSampleRate(opt);
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
      CopyProgramNameToHost(ptr, name);
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
  // The host's list holds numEvents pointers from where the record's
  // two-entry array starts: read through a pointer, not past the array.
  const VstEvent* const* list = events->events;
  for (VstInt32 i = 0; i < events->numEvents; ++i) {
    const VstEvent* event = list[i];
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
      if (validParam) ParamAt(static_cast<int>(value))->FormatDisplay(ClampNormalized(opt), true, static_cast<char*>(ptr));
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
