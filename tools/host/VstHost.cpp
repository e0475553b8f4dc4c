#include "tools/host/VstHost.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>

#include "tools/host/HostRegistry.h"
#include "tools/host/Platform.h"

namespace qmhost {

namespace {

constexpr VstIntPtr kProcessPrecision32 = 0;
constexpr VstIntPtr kProcessPrecision64 = 1;
// Text buffers handed to the effect: far larger than the customary limits,
// since effects do not always keep to them.
constexpr size_t kTextBuffer = 512;

std::string Folded(const std::string& text) {
  size_t begin = 0, end = text.size();
  while (begin < end && std::isspace(static_cast<unsigned char>(text[begin]))) ++begin;
  while (end > begin && std::isspace(static_cast<unsigned char>(text[end - 1]))) --end;
  std::string folded = text.substr(begin, end - begin);
  for (char& c : folded) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return folded;
}

// What the first bytes of a file say it is.
enum class FileKind { Unreadable, Elf, PortableExecutable, Other };

FileKind KindOfFile(const std::string& path) {
  std::FILE* f = OpenFile(path, "rb");
  if (!f) return FileKind::Unreadable;
  unsigned char head[4] = {0, 0, 0, 0};
  size_t n = std::fread(head, 1, sizeof head, f);
  std::fclose(f);
  if (n >= 4 && head[0] == 0x7f && head[1] == 'E' && head[2] == 'L' && head[3] == 'F') return FileKind::Elf;
  if (n >= 2 && head[0] == 'M' && head[1] == 'Z') return FileKind::PortableExecutable;
  return FileKind::Other;
}

}  // namespace

const char* LoadStatusText(LoadStatus status) {
  switch (status) {
    case LoadStatus::Ok: return "loaded";
    case LoadStatus::NotFound: return "no such module file";
    case LoadStatus::CannotLoad: return "the system cannot load the module";
    case LoadStatus::NotALibrary: return "not a loadable module";
    case LoadStatus::NoEntryPoint: return "not a VST 2 module: no VSTPluginMain or main entry point";
    case LoadStatus::EntryReturnedNull: return "the module refused to create an effect";
    case LoadStatus::BadMagic: return "not a VST 2 effect: wrong magic number in the effect record";
  }
  return "unknown";
}

const char* PrecisionName(Precision precision) {
  switch (precision) {
    case Precision::Float: return "float";
    case Precision::FloatAdding: return "float-adding";
    case Precision::Double: return "double";
  }
  return "?";
}

bool ParsePrecision(const std::string& text, Precision* precision) {
  for (Precision p : {Precision::Float, Precision::FloatAdding, Precision::Double}) {
    if (text == PrecisionName(p)) {
      *precision = p;
      return true;
    }
  }
  return false;
}

VstHost::VstHost(HostSettings settings) : mSettings(std::move(settings)) {
  std::memset(&mTime, 0, sizeof mTime);
  mTime.samplePos = mSettings.startPosition;
  UpdateTime();
}

VstHost::~VstHost() { Unload(); }

LoadStatus VstHost::Load(const std::string& path) {
  Unload();
  mError.clear();
  if (!FileExists(path)) {
    mError = path + ": " + LoadStatusText(LoadStatus::NotFound);
    return LoadStatus::NotFound;
  }
  const bool windows = std::strcmp(ModuleExtension(), ".dll") == 0;
  FileKind kind = KindOfFile(path);
  if (kind == FileKind::Other || kind == FileKind::Unreadable) {
    mError = path + ": " + LoadStatusText(LoadStatus::NotALibrary) +
             (kind == FileKind::Other ? " (not a dynamic library)" : " (cannot read the file)");
    return kind == FileKind::Other ? LoadStatus::NotALibrary : LoadStatus::CannotLoad;
  }
  if ((kind == FileKind::Elf) == windows) {
    mError = path + ": " + LoadStatusText(LoadStatus::NotALibrary) +
             (windows ? " (a Linux library, not a Windows module)" : " (a Windows module, not a Linux library)");
    return LoadStatus::NotALibrary;
  }
  auto library = std::make_unique<ModuleLibrary>();
  if (!library->Open(path)) {
    mError = path + ": " + LoadStatusText(LoadStatus::CannotLoad) + " (" + library->Error() + ")";
    return LoadStatus::CannotLoad;
  }
  void* entry = library->Symbol("VSTPluginMain");
  if (!entry) entry = library->Symbol("main");
  if (!entry) {
    mError = path + ": " + LoadStatusText(LoadStatus::NoEntryPoint);
    return LoadStatus::NoEntryPoint;
  }
  VstPluginMainProc main;
  static_assert(sizeof main == sizeof entry, "function and data pointers differ in size");
  std::memcpy(&main, &entry, sizeof main);

  AEffect* effect = nullptr;
  {
    LoadingOnThisThread loading(this);
    effect = main(&VstHost::Callback);
  }

  if (!effect) {
    mError = path + ": " + LoadStatusText(LoadStatus::EntryReturnedNull);
    return LoadStatus::EntryReturnedNull;
  }
  if (effect->magic != kEffectMagic) {
    char magic[16];
    std::snprintf(magic, sizeof magic, "0x%08X", static_cast<unsigned>(effect->magic));
    mError = path + ": " + LoadStatusText(LoadStatus::BadMagic) + " (" + magic + ")";
    // An effect record we cannot trust: nothing of it is called, and the
    // module stays loaded until this host goes, in case it still runs code.
    mLibrary = std::move(library);
    return LoadStatus::BadMagic;
  }
  mLibrary = std::move(library);
  mEffect = effect;
  RegisterEffect(effect, this);
  return LoadStatus::Ok;
}

void* VstHost::ModuleSymbol(const char* name) const { return mLibrary ? mLibrary->Symbol(name) : nullptr; }

bool VstHost::Open() {
  if (!mEffect || mOpen) return false;
  Dispatch(effOpen);
  mOpen = true;
  Dispatch(effSetSampleRate, 0, 0, nullptr, static_cast<float>(mSettings.sampleRate));
  Dispatch(effSetBlockSize, 0, mSettings.blockSize);
  return true;
}

bool VstHost::SetSampleRate(double rate) {
  if (!(rate > 0) || mRunning) return false;
  mSettings.sampleRate = rate;
  UpdateTime();
  if (mOpen) Dispatch(effSetSampleRate, 0, 0, nullptr, static_cast<float>(rate));
  return true;
}

bool VstHost::SetBlockSize(int frames) {
  if (frames < 1 || mRunning) return false;
  mSettings.blockSize = frames;
  if (mOpen) Dispatch(effSetBlockSize, 0, frames);
  return true;
}

void VstHost::SetPosition(double samples) {
  mTime.samplePos = samples;
  mTransportChanged = true;
  UpdateTime();
}

void VstHost::SetPlaying(bool playing) {
  if (playing != mPlaying) mTransportChanged = true;
  mPlaying = playing;
  UpdateTime();
}

void VstHost::SetTempo(double bpm) {
  mSettings.tempo = bpm;
  UpdateTime();
}

void* VstHost::ModuleHandle() const { return mLibrary ? mLibrary->Handle() : nullptr; }

VstIntPtr VstHost::Dispatch(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt) {
  if (!mEffect || !mEffect->dispatcher) return 0;
  return mEffect->dispatcher(mEffect, opcode, index, value, ptr, opt);
}

std::string VstHost::DispatchText(VstInt32 opcode, VstInt32 index, VstIntPtr value) {
  char text[kTextBuffer];
  std::memset(text, 0, sizeof text);
  Dispatch(opcode, index, value, text);
  text[sizeof text - 1] = '\0';
  return text;
}

std::string VstHost::ParamName(int index) {
  return index >= 0 && index < NumParams() ? DispatchText(effGetParamName, index) : std::string();
}

std::string VstHost::ParamLabel(int index) {
  return index >= 0 && index < NumParams() ? DispatchText(effGetParamLabel, index) : std::string();
}

std::string VstHost::ParamDisplay(int index) {
  return index >= 0 && index < NumParams() ? DispatchText(effGetParamDisplay, index) : std::string();
}

float VstHost::GetParam(int index) {
  if (index < 0 || index >= NumParams() || !mEffect->getParameter) return 0.0f;
  return mEffect->getParameter(mEffect, index);
}

void VstHost::SetParam(int index, float normalized) {
  if (index < 0 || index >= NumParams() || !mEffect->setParameter) return;
  mEffect->setParameter(mEffect, index, normalized);
}

bool VstHost::SetParamText(int index, const std::string& text) {
  if (index < 0 || index >= NumParams()) return false;
  std::vector<char> buffer(text.begin(), text.end());
  buffer.resize(std::max(buffer.size() + 1, kTextBuffer), '\0');
  return Dispatch(effString2Parameter, index, 0, buffer.data()) != 0;
}

int VstHost::FindParam(const std::string& name) {
  std::string wanted = Folded(name);
  for (int i = 0; i < NumParams(); ++i) {
    if (Folded(ParamName(i)) == wanted) return i;
  }
  return -1;
}

std::string VstHost::ProgramName(int index) {
  return index >= 0 && index < NumPrograms() ? DispatchText(effGetProgramNameIndexed, index, -1) : std::string();
}

int VstHost::CurrentProgram() { return static_cast<int>(Dispatch(effGetProgram)); }

bool VstHost::SetProgram(int index) {
  if (index < 0 || index >= NumPrograms()) return false;
  Dispatch(effBeginSetProgram);
  Dispatch(effSetProgram, 0, index);
  Dispatch(effEndSetProgram);
  return true;
}

int VstHost::FindProgram(const std::string& name) {
  std::string wanted = Folded(name);
  for (int i = 0; i < NumPrograms(); ++i) {
    if (Folded(ProgramName(i)) == wanted) return i;
  }
  return -1;
}

bool VstHost::GetChunk(bool program, std::vector<uint8_t>* chunk) {
  chunk->clear();
  void* data = nullptr;
  VstIntPtr size = Dispatch(effGetChunk, program ? 1 : 0, 0, &data);
  if (size <= 0 || !data) return false;
  const uint8_t* bytes = static_cast<const uint8_t*>(data);
  chunk->assign(bytes, bytes + size);
  return true;
}

bool VstHost::SetChunk(bool program, const std::vector<uint8_t>& chunk) {
  if (chunk.empty()) return false;
  // The effect may keep or modify what it is given: hand it a copy.
  std::vector<uint8_t> copy(chunk);
  if (program) Dispatch(effBeginLoadProgram);
  else Dispatch(effBeginLoadBank);
  return Dispatch(effSetChunk, program ? 1 : 0, static_cast<VstIntPtr>(copy.size()), copy.data()) != 0;
}

std::string VstHost::EffectName() { return DispatchText(effGetEffectName, 0); }
std::string VstHost::VendorString() { return DispatchText(effGetVendorString, 0); }
std::string VstHost::ProductString() { return DispatchText(effGetProductString, 0); }

VstIntPtr VstHost::CanDo(const char* text) {
  std::vector<char> buffer(text, text + std::strlen(text) + 1);
  return Dispatch(effCanDo, 0, 0, buffer.data());
}

bool VstHost::Supports(Precision precision) const {
  if (!mEffect) return false;
  switch (precision) {
    case Precision::Float:
      return mEffect->processReplacing && (mEffect->flags & effFlagsCanReplacing);
    case Precision::FloatAdding:
      return mEffect->process != nullptr;
    case Precision::Double:
      return mEffect->processDoubleReplacing && (mEffect->flags & effFlagsCanDoubleReplacing);
  }
  return false;
}

bool VstHost::Resume(Precision precision) {
  if (!mOpen || mRunning) return false;
  if (mEffect->flags & effFlagsCanDoubleReplacing) {
    Dispatch(effSetProcessPrecision, 0, precision == Precision::Double ? kProcessPrecision64 : kProcessPrecision32);
  }
  Dispatch(effMainsChanged, 0, 1);
  Dispatch(effStartProcess);
  mRunning = true;
  mTransportChanged = true;
  return true;
}

void VstHost::Suspend() {
  if (!mRunning) return;
  Dispatch(effStopProcess);
  Dispatch(effMainsChanged, 0, 0);
  mRunning = false;
}

bool VstHost::BeginBlock(Precision precision, int frames) {
  if (!mRunning || !Supports(precision)) return false;
  if (mAnyFrameCount ? frames < 0 : (frames < 1 || frames > mSettings.blockSize)) return false;
  UpdateTime();
  mInProcess.store(true);
  return true;
}

void VstHost::EndBlock(int frames) {
  mInProcess.store(false);
  mTransportChanged = false;
  if (mPlaying) mTime.samplePos += frames;
}

bool VstHost::ProcessFloat(float** inputs, float** outputs, int frames) {
  if (!BeginBlock(Precision::Float, frames)) return false;
  mEffect->processReplacing(mEffect, inputs, outputs, frames);
  EndBlock(frames);
  return true;
}

bool VstHost::ProcessFloatAdding(float** inputs, float** outputs, int frames) {
  if (!BeginBlock(Precision::FloatAdding, frames)) return false;
  mEffect->process(mEffect, inputs, outputs, frames);
  EndBlock(frames);
  return true;
}

bool VstHost::ProcessDouble(double** inputs, double** outputs, int frames) {
  if (!BeginBlock(Precision::Double, frames)) return false;
  mEffect->processDoubleReplacing(mEffect, inputs, outputs, frames);
  EndBlock(frames);
  return true;
}

void VstHost::Close() {
  if (!mEffect) return;
  Suspend();
  AEffect* effect = mEffect;
  effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.0f);
  mEffect = nullptr;
  mOpen = false;
  UnregisterHost(this);
}

void VstHost::Unload() {
  Close();
  UnregisterHost(this);
  mLibrary.reset();
}

std::vector<HostEvent> VstHost::Events() const {
  std::lock_guard<std::mutex> lock(mLogLock);
  return mEvents;
}

void VstHost::ClearEvents() {
  std::lock_guard<std::mutex> lock(mLogLock);
  mEvents.clear();
}

std::map<int, int> VstHost::RequestCounts() const {
  std::lock_guard<std::mutex> lock(mLogLock);
  return mRequests;
}

}  // namespace qmhost
