// IPlugVST: the requests the plug-in makes to the host, and what it makes of
// the answers.
#include <cctype>
#include <cmath>
#include <cstring>
#include <string>

#include "framework/IEditor.h"
#include "vst/IPlugVST.h"

VstIntPtr IPlugVST::HostRequest(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt) {
  return mHostCallback ? mHostCallback(&mAEffect, opcode, index, value, ptr, opt) : 0;
}

const VstTimeInfo* IPlugVST::HostTime(VstIntPtr flags) {
  return reinterpret_cast<const VstTimeInfo*>(HostRequest(audioMasterGetTime, 0, flags));
}

const VstTimeInfo* IPlugVST::CurrentTime(VstIntPtr flags) {
  if (!mInProcessCall) return HostTime(flags);
  return mCallTimeGiven ? &mCallTime : nullptr;
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
  const VstTimeInfo* t = CurrentTime(0);
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
  const VstTimeInfo* t = CurrentTime(kVstTempoValid);
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

bool IPlugVST::GetTransport(double* position, bool* playing) {
  const VstTimeInfo* t = CurrentTime(0);
  if (!t) return false;
  if (position) *position = t->samplePos;
  if (playing) *playing = (t->flags & kVstTransportPlaying) != 0;
  return true;
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
