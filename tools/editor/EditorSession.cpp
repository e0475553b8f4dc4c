#include "tools/editor/EditorSession.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "gui/IGui.h"

namespace qmeditor {

namespace {
constexpr double kSampleRate = 44100.0;
constexpr int kBlock = 512;
}  // namespace

EditorSession::EditorSession() {
  mTime.sampleRate = kSampleRate;
  mTime.tempo = 120.0;
  mTime.timeSigNumerator = 4;
  mTime.timeSigDenominator = 4;
  mTime.flags = kVstTempoValid | kVstTimeSigValid;
  mEffect = std::make_unique<CLS_QUILLMERE>(Host);
  mEffect->Effect()->user = this;
  Dispatch(effOpen);
  Dispatch(effSetSampleRate, 0, 0, nullptr, static_cast<float>(kSampleRate));
  Dispatch(effSetBlockSize, 0, kBlock);
  Dispatch(effMainsChanged, 0, 1);
  Process();
}

EditorSession::~EditorSession() {
  if (mEffect) {
    Dispatch(effMainsChanged, 0, 0);
    mEffect->Effect()->user = nullptr;
  }
}

IGui* EditorSession::Gui() { return dynamic_cast<IGui*>(mEffect->Editor()); }

VstIntPtr EditorSession::Dispatch(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt) {
  AEffect* effect = mEffect->Effect();
  return effect->dispatcher(effect, opcode, index, value, ptr, opt);
}

void EditorSession::SetParameter(int index, float normalized) {
  AEffect* effect = mEffect->Effect();
  effect->setParameter(effect, index, normalized);
}

void EditorSession::Process() {
  std::vector<double> left(kBlock), right(kBlock);
  double* io[2] = {left.data(), right.data()};
  AEffect* effect = mEffect->Effect();
  effect->processDoubleReplacing(effect, io, io, kBlock);
  mTime.samplePos += kBlock;
}

VstIntPtr VSTCALLBACK EditorSession::Host(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr, void* ptr,
                                          float opt) {
  EditorSession* session = effect ? static_cast<EditorSession*>(effect->user) : nullptr;
  char text[64];
  switch (opcode) {
    case audioMasterAutomate:
      std::snprintf(text, sizeof(text), "automate %d %.9g", index, double(opt));
      if (session) session->requests.push_back(text);
      return 0;
    case audioMasterBeginEdit:
    case audioMasterEndEdit:
      std::snprintf(text, sizeof(text), "%s %d", opcode == audioMasterBeginEdit ? "begin" : "end", index);
      if (session) session->requests.push_back(text);
      return 0;
    case audioMasterVersion:
      return 2400;
    case audioMasterGetTime:
      return session ? reinterpret_cast<VstIntPtr>(&session->mTime) : 0;
    case audioMasterGetProductString:
      if (ptr) std::strcpy(static_cast<char*>(ptr), "quillmere-editor");
      return 1;
    default:
      return 0;
  }
}

}  // namespace qmeditor
