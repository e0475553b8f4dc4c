// A small VST 2 effect for testing the host. It records every call it gets
// and what the host answered to its requests into a log that tests read
// through the exported function qmFakeLog. Built in several variants (see
// CMakeLists.txt), some of them broken on purpose:
//   FAKE_FLOAT_ONLY   no double-precision callback
//   FAKE_NULL_ENTRY   the entry point creates nothing
//   FAKE_BAD_MAGIC    the record carries a wrong magic number
//   FAKE_MAIN_ONLY    exports "main" but not "VSTPluginMain"
//
// The effect: 2 in, 2 out; out = in x (2 x Gain). Parameters "Gain"
// (display 2 x value with two decimals, label "x"), "Mode" (display "Soft"
// below 0.5, else "Hard") and "Spare" (display: the value with three
// decimals). Programs "Init", "Loud", "Quiet" set Gain 0.5, 1.0, 0.25.
// State chunk: "FKB1" (bank) or "FKP1" (program) and the three values as
// little-endian floats.

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>

#include "vst/VstAbi.h"

#if defined(_WIN32)
#define FAKE_EXPORT extern "C" __declspec(dllexport)
#else
#define FAKE_EXPORT extern "C" __attribute__((visibility("default")))
#endif

namespace {

constexpr int kNumParams = 3;
constexpr int kNumPrograms = 3;
constexpr VstInt32 kGestureOpcode = 0x67657374;  // 'gest': effVendorSpecific index that plays an edit gesture
const char* const kProgramNames[kNumPrograms] = {"Init", "Loud", "Quiet"};
const float kProgramGains[kNumPrograms] = {0.5f, 1.0f, 0.25f};

std::mutex gLogLock;
std::string gLog;
std::string gLogCopy;

void Log(const std::string& entry) {
  std::lock_guard<std::mutex> lock(gLogLock);
  if (!gLog.empty()) gLog += ' ';
  gLog += entry;
}

std::string Printf(const char* format, double value) {
  char text[64];
  std::snprintf(text, sizeof text, format, value);
  return text;
}

struct Fake {
  AEffect effect;
  audioMasterCallback host;
  float values[kNumParams] = {0.5f, 0.0f, 0.0f};
  int program = 0;
  bool firstBlock = true;
  unsigned char chunk[16];
};

Fake* Of(AEffect* e) { return static_cast<Fake*>(e->object); }

VstIntPtr Ask(Fake* f, VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0, void* ptr = nullptr, float opt = 0) {
  return f->host(&f->effect, opcode, index, value, ptr, opt);
}

void PutText(void* ptr, const char* text) { std::strcpy(static_cast<char*>(ptr), text); }

std::string Display(const Fake* f, int index) {
  switch (index) {
    case 0: return Printf("%.2f", 2.0 * f->values[0]);
    case 1: return f->values[1] < 0.5f ? "Soft" : "Hard";
    default: return Printf("%.3f", f->values[2]);
  }
}

void RecordTime(Fake* f) {
  const VstTimeInfo* t = reinterpret_cast<const VstTimeInfo*>(Ask(f, audioMasterGetTime, 0, kVstTempoValid));
  if (!t) {
    Log("time=none");
    return;
  }
  char text[160];
  std::snprintf(text, sizeof text, "time=%.0f,%.0f,%.1f,%.4f,%d/%d,%X", t->samplePos, t->sampleRate, t->tempo, t->ppqPos,
                t->timeSigNumerator, t->timeSigDenominator, static_cast<unsigned>(t->flags));
  Log(text);
}

void StartBlock(Fake* f, const char* kind, VstInt32 frames) {
  Log(std::string(kind) + std::to_string(frames));
  if (f->firstBlock) {
    Log("level=" + std::to_string(static_cast<long long>(Ask(f, audioMasterGetCurrentProcessLevel))));
    f->firstBlock = false;
  }
  RecordTime(f);
}

void VSTCALLBACK ProcessAdding(AEffect* e, float** in, float** out, VstInt32 frames) {
  Fake* f = Of(e);
  StartBlock(f, "pA", frames);
  float g = 2.0f * f->values[0];
  for (int c = 0; c < 2; ++c)
    for (VstInt32 i = 0; i < frames; ++i) out[c][i] += in[c][i] * g;
}

void VSTCALLBACK ProcessReplacing(AEffect* e, float** in, float** out, VstInt32 frames) {
  Fake* f = Of(e);
  StartBlock(f, "pF", frames);
  float g = 2.0f * f->values[0];
  for (int c = 0; c < 2; ++c)
    for (VstInt32 i = 0; i < frames; ++i) out[c][i] = in[c][i] * g;
}

void VSTCALLBACK ProcessDouble(AEffect* e, double** in, double** out, VstInt32 frames) {
  Fake* f = Of(e);
  StartBlock(f, "pD", frames);
  double g = 2.0 * f->values[0];
  for (int c = 0; c < 2; ++c)
    for (VstInt32 i = 0; i < frames; ++i) out[c][i] = in[c][i] * g;
}

void VSTCALLBACK SetParameter(AEffect* e, VstInt32 index, float value) {
  if (index < 0 || index >= kNumParams) return;
  Of(e)->values[index] = value;
  Log("set" + std::to_string(index) + "=" + Printf("%.3f", value));
}

float VSTCALLBACK GetParameter(AEffect* e, VstInt32 index) {
  return index >= 0 && index < kNumParams ? Of(e)->values[index] : 0.0f;
}

VstIntPtr MakeChunk(Fake* f, bool program, void* ptr) {
  std::memcpy(f->chunk, program ? "FKP1" : "FKB1", 4);
  std::memcpy(f->chunk + 4, f->values, sizeof f->values);  // little-endian on every target built here
  *static_cast<void**>(ptr) = f->chunk;
  return sizeof f->chunk;
}

VstIntPtr TakeChunk(Fake* f, bool program, VstIntPtr size, const void* ptr) {
  if (!ptr || size != 16 || std::memcmp(ptr, program ? "FKP1" : "FKB1", 4) != 0) return 0;
  std::memcpy(f->values, static_cast<const char*>(ptr) + 4, sizeof f->values);
  return 1;
}

VstIntPtr VSTCALLBACK Dispatcher(AEffect* e, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt) {
  Fake* f = Of(e);
  if (opcode != effGetParamName && opcode != effGetParamDisplay && opcode != effGetParamLabel &&
      opcode != effGetProgramNameIndexed && opcode != effCanDo) {
    Log("d" + std::to_string(opcode));
  }
  switch (opcode) {
    case effOpen: {
      char text[256] = "";
      Log("version=" + std::to_string(static_cast<long long>(Ask(f, audioMasterVersion))));
      Ask(f, audioMasterGetProductString, 0, 0, text);
      Log(std::string("product=") + text);
      text[0] = '\0';
      Ask(f, audioMasterGetVendorString, 0, 0, text);
      Log(std::string("vendor=") + text);
      Log("canTime=" + std::to_string(static_cast<long long>(Ask(f, audioMasterCanDo, 0, 0, const_cast<char*>("sendVstTimeInfo")))));
      Log("canShell=" + std::to_string(static_cast<long long>(Ask(f, audioMasterCanDo, 0, 0, const_cast<char*>("supportShell")))));
      Log("canOdd=" + std::to_string(static_cast<long long>(Ask(f, audioMasterCanDo, 0, 0, const_cast<char*>("noSuchThing")))));
      Log("level=" + std::to_string(static_cast<long long>(Ask(f, audioMasterGetCurrentProcessLevel))));
      return 0;
    }
    case effClose:
      delete f;
      return 0;
    case effSetProgram:
      if (value >= 0 && value < kNumPrograms) {
        f->program = static_cast<int>(value);
        f->values[0] = kProgramGains[value];
      }
      return 0;
    case effGetProgram: return f->program;
    case effGetProgramName: PutText(ptr, kProgramNames[f->program]); return 0;
    case effGetProgramNameIndexed:
      if (index < 0 || index >= kNumPrograms) return 0;
      PutText(ptr, kProgramNames[index]);
      return 1;
    case effGetParamName:
      if (index < 0 || index >= kNumParams) return 0;
      PutText(ptr, index == 0 ? "Gain" : index == 1 ? "Mode" : "Spare");
      return 0;
    case effGetParamLabel:
      if (index < 0 || index >= kNumParams) return 0;
      PutText(ptr, index == 0 ? "x" : "");
      return 0;
    case effGetParamDisplay:
      if (index < 0 || index >= kNumParams) return 0;
      PutText(ptr, Display(f, index).c_str());
      return 0;
    case effString2Parameter: {
      if (index < 0 || index >= kNumParams || !ptr) return 0;
      const char* text = static_cast<const char*>(ptr);
      Log("text" + std::to_string(index) + "=" + text);
      if (index == 1) {
        if (std::strcmp(text, "Soft") == 0) f->values[1] = 0.0f;
        else if (std::strcmp(text, "Hard") == 0) f->values[1] = 1.0f;
        else return 0;
        return 1;
      }
      char* end = nullptr;
      double v = std::strtod(text, &end);
      if (end == text) return 0;
      f->values[index] = static_cast<float>(index == 0 ? v / 2.0 : v);
      return 1;
    }
    case effSetSampleRate: Log("rate=" + Printf("%.0f", opt)); return 0;
    case effSetBlockSize: Log("block=" + std::to_string(static_cast<long long>(value))); return 0;
    case effMainsChanged:
      Log("mains=" + std::to_string(static_cast<long long>(value)));
      if (value) f->firstBlock = true;
      return 0;
    case effGetChunk: return ptr ? MakeChunk(f, index != 0, ptr) : 0;
    case effSetChunk: return TakeChunk(f, index != 0, value, ptr);
    case effGetEffectName: PutText(ptr, "Fake Effect"); return 1;
    case effGetVendorString: PutText(ptr, "quillmere tests"); return 1;
    case effGetProductString: PutText(ptr, "Fake"); return 1;
    case effGetVendorVersion: return 7;
    case effGetVstVersion: return 2400;
    case effGetPlugCategory: return kPlugCategEffect;
    case effCanDo: return ptr && std::strcmp(static_cast<const char*>(ptr), "receiveVstTimeInfo") == 0 ? 1 : 0;
    case effSetProcessPrecision: Log("precision=" + std::to_string(static_cast<long long>(value))); return 1;
    case effGetInputProperties:
    case effGetOutputProperties: {
      if (!ptr || index < 0 || index >= 2) return 0;
      VstPinProperties* pin = static_cast<VstPinProperties*>(ptr);
      std::snprintf(pin->label, sizeof pin->label, "%s %d", opcode == effGetInputProperties ? "In" : "Out", index + 1);
      pin->flags = kVstPinIsActive | (index == 0 ? kVstPinIsStereo : 0);
      return 1;
    }
    case effVendorSpecific:
      if (index == kGestureOpcode && value >= 0 && value < kNumParams) {
        Ask(f, audioMasterBeginEdit, static_cast<VstInt32>(value));
        f->values[value] = opt;
        Ask(f, audioMasterAutomate, static_cast<VstInt32>(value), 0, nullptr, opt);
        Ask(f, audioMasterEndEdit, static_cast<VstInt32>(value));
        return 1;
      }
      return 0;
    default: return 0;
  }
}

AEffect* Create(audioMasterCallback host) {
  if (!host) return nullptr;
  // Effects may ask for the host version before their record exists.
  Log("entry version=" + std::to_string(static_cast<long long>(host(nullptr, audioMasterVersion, 0, 0, nullptr, 0))));
#if defined(FAKE_BAD_MAGIC) || defined(FAKE_NULL_ENTRY)
  // Never closed by a host, so not allocated.
  static Fake rejected;
  Fake* f = &rejected;
#else
  Fake* f = new Fake();
#endif
  std::memset(&f->effect, 0, sizeof f->effect);
  f->host = host;
  AEffect& e = f->effect;
#if defined(FAKE_BAD_MAGIC)
  e.magic = 0x12345678;
#else
  e.magic = kEffectMagic;
#endif
  e.dispatcher = Dispatcher;
  e.process = ProcessAdding;
  e.setParameter = SetParameter;
  e.getParameter = GetParameter;
  e.numPrograms = kNumPrograms;
  e.numParams = kNumParams;
  e.numInputs = 2;
  e.numOutputs = 2;
  e.flags = effFlagsCanReplacing | effFlagsProgramChunks;
  e.initialDelay = 3;
  e.ioRatio = 1.0f;
  e.object = f;
  e.uniqueID = 0x516D466B;  // 'QmFk'
  e.version = 7;
  e.processReplacing = ProcessReplacing;
  e.processDoubleReplacing = ProcessDouble;
#if defined(FAKE_FLOAT_ONLY)
  e.processDoubleReplacing = nullptr;
#else
  e.flags |= effFlagsCanDoubleReplacing;
#endif
#if defined(FAKE_NULL_ENTRY)
  return nullptr;  // made, then refused
#else
  return &e;
#endif
}

}  // namespace

#if !defined(FAKE_MAIN_ONLY)
FAKE_EXPORT AEffect* VSTCALLBACK VSTPluginMain(audioMasterCallback host) { return Create(host); }
#endif

// "main" under its exported name only: a C++ function called main would be
// the program's entry point to the compiler.
FAKE_EXPORT AEffect* VSTCALLBACK FakeMainEntry(audioMasterCallback host) __asm__("main");
AEffect* VSTCALLBACK FakeMainEntry(audioMasterCallback host) { return Create(host); }

// The log since the last reset, words separated by blanks. The text stays
// valid until the next call.
FAKE_EXPORT const char* qmFakeLog() {
  std::lock_guard<std::mutex> lock(gLogLock);
  gLogCopy = gLog;
  return gLogCopy.c_str();
}

FAKE_EXPORT void qmFakeReset() {
  std::lock_guard<std::mutex> lock(gLogLock);
  gLog.clear();
}
