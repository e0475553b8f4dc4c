// A small VST 2 effect that does everything validate asks of a module, built
// also with one fault each (see CMakeLists.txt) so that the tests can see
// validate find it:
//   SUBJECT_UNCLAMPED       getParameter gives back any value set
//   SUBJECT_SUBNORMAL       float outputs are not flushed below the smallest normal
//   SUBJECT_LONG_NAMES      program names are copied whole, up to 255 characters
//   SUBJECT_REJECT_CHANGES  a rejected chunk has already changed the gain
//   SUBJECT_SHARED          all instances share one gain
//   SUBJECT_PAST_END        replacing calls write one sample too many
//   SUBJECT_NAN_AT_192K     NaN output at 192 kHz
//   SUBJECT_CRASH_LONG      crashes on calls longer than the block size
//   SUBJECT_HANG            never returns from effGetChunk
//   SUBJECT_ALLOCATES       allocates in every processing call
//   SUBJECT_LEAVES_LAST     replacing calls leave the last frame as it was
//   SUBJECT_WRITES_INPUT    processing overwrites the first input sample
//   SUBJECT_PADS_NAMES      parameter names are padded with zeros to 100 bytes
//   SUBJECT_NOT_REPEATABLE  every call adds a little of the clock's time
//
// The effect: 2 in, 2 out, out = in x (2 x Gain) (Gain 0.125 at first: a
// quarter), outputs below the smallest normal number of their precision
// flushed to 0. Parameters "Gain" (display
// the factor with two decimals) and "Mode" ("A" below 0.5, else "B");
// programs "One" and "Two". State chunk: "QmVs" and the two values as floats.
#include <algorithm>
#include <cfloat>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <mutex>
#include <thread>

#include "vst/VstAbi.h"

#if defined(_WIN32)
#define SUBJECT_EXPORT extern "C" __declspec(dllexport)
#else
#define SUBJECT_EXPORT extern "C" __attribute__((visibility("default")))
#endif

namespace {

constexpr int kParams = 2;
constexpr int kPrograms = 2;
constexpr size_t kChunkSize = 12;

struct Subject {
  AEffect effect;
  std::mutex lock;
  float values[kParams] = {0.125f, 0.0f};
  int program = 0;
  char names[kPrograms][256] = {"One", "Two"};
  double rate = 44100;
  int block = 512;
  unsigned char chunk[kChunkSize];
};

Subject* Of(AEffect* e) { return static_cast<Subject*>(e->object); }

#if defined(SUBJECT_SHARED)
float gSharedGain = 0.125f;
float& Gain(Subject*) { return gSharedGain; }
#else
float& Gain(Subject* s) { return s->values[0]; }
#endif

template <typename T>
T Flushed(T x) {
#if defined(SUBJECT_SUBNORMAL)
  if (sizeof(T) == sizeof(float)) return x;
#endif
  return std::fabs(x) < std::numeric_limits<T>::min() ? T(0) : x;
}

template <typename T>
void Run(AEffect* e, T** in, T** out, VstInt32 frames, bool adding) {
  Subject* s = Of(e);
  std::lock_guard<std::mutex> lock(s->lock);
  if (frames <= 0) return;
#if defined(SUBJECT_CRASH_LONG)
  if (frames > s->block) *static_cast<volatile int*>(nullptr) = 1;
#endif
#if defined(SUBJECT_ALLOCATES)
  void* volatile block = std::malloc(64);
  std::free(block);
#endif
  const double g = 2.0 * Gain(s);
  int n = frames;
#if defined(SUBJECT_PAST_END)
  if (!adding) ++n;
#endif
#if defined(SUBJECT_LEAVES_LAST)
  if (!adding) --n;
#endif
  double offset = 0.0;
#if defined(SUBJECT_NOT_REPEATABLE)
  offset = 1e-3 * static_cast<double>(std::chrono::steady_clock::now().time_since_epoch().count() % 7);
#endif
  for (int c = 0; c < 2; ++c) {
    for (int i = 0; i < n; ++i) {
      T v = Flushed(static_cast<T>(in[c][std::min(i, frames - 1)] * g + offset));
#if defined(SUBJECT_NAN_AT_192K)
      if (s->rate >= 192000) v = std::numeric_limits<T>::quiet_NaN();
#endif
      out[c][i] = adding ? Flushed(static_cast<T>(out[c][i] + v)) : v;
    }
#if defined(SUBJECT_WRITES_INPUT)
    in[c][0] = T(0.5);
#endif
  }
}

void VSTCALLBACK ProcessAdding(AEffect* e, float** in, float** out, VstInt32 n) { Run(e, in, out, n, true); }
void VSTCALLBACK ProcessFloat(AEffect* e, float** in, float** out, VstInt32 n) { Run(e, in, out, n, false); }
void VSTCALLBACK ProcessDouble(AEffect* e, double** in, double** out, VstInt32 n) { Run(e, in, out, n, false); }

float Clamped(float v) { return v >= 0.0f ? (v <= 1.0f ? v : 1.0f) : 0.0f; }  // NaN gives 0

void VSTCALLBACK SetParameter(AEffect* e, VstInt32 index, float value) {
  Subject* s = Of(e);
  std::lock_guard<std::mutex> lock(s->lock);
  if (index < 0 || index >= kParams) return;
#if defined(SUBJECT_UNCLAMPED)
  const float v = value;
#else
  const float v = Clamped(value);
#endif
  if (index == 0) Gain(s) = v;
  else s->values[1] = v;
}

float VSTCALLBACK GetParameter(AEffect* e, VstInt32 index) {
  Subject* s = Of(e);
  std::lock_guard<std::mutex> lock(s->lock);
  if (index < 0 || index >= kParams) return 0.0f;
  return index == 0 ? Gain(s) : s->values[1];
}

void Copy(void* ptr, const char* text, size_t size) {
  if (!ptr) return;
  std::snprintf(static_cast<char*>(ptr), size, "%s", text);
}

void ProgramName(Subject* s, int p, void* ptr) {
#if defined(SUBJECT_LONG_NAMES)
  Copy(ptr, s->names[p], 256);
#else
  Copy(ptr, s->names[p], 25);
#endif
}

VstIntPtr Dispatch(Subject* s, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt) {
  const bool param = index >= 0 && index < kParams;
  switch (opcode) {
    case effSetProgram:
      if (value >= 0 && value < kPrograms) {
        s->program = static_cast<int>(value);
        Gain(s) = value == 0 ? 0.125f : 0.25f;
      }
      return 0;
    case effGetProgram: return s->program;
    case effSetProgramName: {
      if (!ptr) return 0;
      std::snprintf(s->names[s->program], sizeof s->names[0], "%s", static_cast<const char*>(ptr));
      return 0;
    }
    case effGetProgramName: ProgramName(s, s->program, ptr); return 0;
    case effGetProgramNameIndexed:
      if (index < 0 || index >= kPrograms || !ptr) return 0;
      ProgramName(s, index, ptr);
      return 1;
    case effGetParamName:
      if (!param || !ptr) return 0;
#if defined(SUBJECT_PADS_NAMES)
      std::strncpy(static_cast<char*>(ptr), index == 0 ? "Gain" : "Mode", 100);
#else
      Copy(ptr, index == 0 ? "Gain" : "Mode", 9);
#endif
      return 0;
    case effGetParamLabel: if (param) Copy(ptr, index == 0 ? "x" : "", 9); return 0;
    case effGetParamDisplay: {
      if (!param || !ptr) return 0;
      if (index == 0) std::snprintf(static_cast<char*>(ptr), 9, "%.2f", 2.0 * Gain(s));
      else Copy(ptr, s->values[1] < 0.5f ? "A" : "B", 9);
      return 0;
    }
    case effString2Parameter: {
      if (!param || !ptr) return 0;
      const char* text = static_cast<const char*>(ptr);
      if (index == 1) {
        if (std::strcmp(text, "A") != 0 && std::strcmp(text, "B") != 0) return 0;
        s->values[1] = text[0] == 'A' ? 0.0f : 1.0f;
        return 1;
      }
      char* end = nullptr;
      const double v = std::strtod(text, &end);
      if (end == text) return 0;
      Gain(s) = Clamped(static_cast<float>(v / 2.0));
      return 1;
    }
    case effSetSampleRate: if (opt > 0 && std::isfinite(opt)) s->rate = opt; return 0;
    case effSetBlockSize: if (value > 0 && value <= (1 << 20)) s->block = static_cast<int>(value); return 0;
    case effGetChunk: {
      if (!ptr) return 0;
#if defined(SUBJECT_HANG)
      for (;;) std::this_thread::sleep_for(std::chrono::seconds(1));
#endif
      const float v[kParams] = {Gain(s), s->values[1]};
      std::memcpy(s->chunk, "QmVs", 4);
      std::memcpy(s->chunk + 4, v, sizeof v);
      *static_cast<void**>(ptr) = s->chunk;
      return kChunkSize;
    }
    case effSetChunk: {
      const unsigned char* bytes = static_cast<const unsigned char*>(ptr);
      if (!bytes || value < 8) return 0;
#if defined(SUBJECT_REJECT_CHANGES)
      std::memcpy(&Gain(s), bytes + 4, sizeof(float));
#endif
      if (value != static_cast<VstIntPtr>(kChunkSize) || std::memcmp(bytes, "QmVs", 4) != 0) return 0;
      float v[kParams];
      std::memcpy(v, bytes + 4, sizeof v);
      Gain(s) = Clamped(v[0]);
      s->values[1] = Clamped(v[1]);
      return 1;
    }
    case effGetEffectName: Copy(ptr, "Validate Subject", 32); return 1;
    case effGetVendorString: Copy(ptr, "quillmere tests", 64); return 1;
    case effGetProductString: Copy(ptr, "Subject", 64); return 1;
    case effGetVendorVersion: return 1;
    case effGetVstVersion: return 2400;
    case effGetPlugCategory: return kPlugCategEffect;
    default: return 0;
  }
}

VstIntPtr VSTCALLBACK Dispatcher(AEffect* e, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt) {
  Subject* s = Of(e);
  if (opcode == effClose) {
    delete s;
    return 0;
  }
  std::lock_guard<std::mutex> lock(s->lock);
  return Dispatch(s, opcode, index, value, ptr, opt);
}

}  // namespace

SUBJECT_EXPORT AEffect* VSTCALLBACK VSTPluginMain(audioMasterCallback host) {
  if (!host) return nullptr;
  Subject* s = new Subject();
  AEffect& e = s->effect;
  std::memset(&e, 0, sizeof e);
  e.magic = kEffectMagic;
  e.dispatcher = Dispatcher;
  e.process = ProcessAdding;
  e.setParameter = SetParameter;
  e.getParameter = GetParameter;
  e.numPrograms = kPrograms;
  e.numParams = kParams;
  e.numInputs = 2;
  e.numOutputs = 2;
  e.flags = effFlagsCanReplacing | effFlagsCanDoubleReplacing | effFlagsProgramChunks;
  e.ioRatio = 1.0f;
  e.object = s;
  e.uniqueID = 0x516D5673;  // 'QmVs'
  e.version = 1;
  e.processReplacing = ProcessFloat;
  e.processDoubleReplacing = ProcessDouble;
  return &e;
}
