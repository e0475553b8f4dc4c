#pragma once
// What the plug-in's fuzz targets share: a minimal host that creates the
// effect through its exported entry point and talks to it only through the
// effect record, and the checks every target applies to what comes back.
// A failed check ends the run through __builtin_trap, which libFuzzer
// reports with the input.

#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#include "vst/VstAbi.h"

extern "C" AEffect* VSTPluginMain(audioMasterCallback host);

namespace fuzzhost {

#define FUZZ_CHECK(condition) \
  do {                        \
    if (!(condition)) __builtin_trap(); \
  } while (0)

// A low rate and a fast tempo keep the delay lines (eight whole notes long)
// small, so that every input can afford a new effect.
constexpr double kRate = 8000.0;
constexpr double kTempo = 960.0;

// The time information the host answers with; targets may make it hostile.
inline VstTimeInfo& Time() {
  static VstTimeInfo time;
  return time;
}

inline void ResetTime() {
  VstTimeInfo& t = Time();
  std::memset(&t, 0, sizeof t);
  t.sampleRate = kRate;
  t.tempo = kTempo;
  t.timeSigNumerator = 4;
  t.timeSigDenominator = 4;
  t.flags = kVstTransportPlaying | kVstTempoValid | kVstTimeSigValid | kVstPpqPosValid;
}

inline VstIntPtr VSTCALLBACK Callback(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void* ptr, float) {
  switch (opcode) {
    case audioMasterVersion: return 2400;
    case audioMasterGetTime: return reinterpret_cast<VstIntPtr>(&Time());
    case audioMasterGetSampleRate: return static_cast<VstIntPtr>(kRate);
    case audioMasterGetBlockSize: return 512;
    case audioMasterGetProductString:
      if (ptr) std::strcpy(static_cast<char*>(ptr), "fuzz host");
      return ptr ? 1 : 0;
    default: return 0;
  }
}

inline VstIntPtr Dispatch(AEffect* e, VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0, void* ptr = nullptr,
                          float opt = 0.0f) {
  return e->dispatcher(e, opcode, index, value, ptr, opt);
}

// A new effect, opened at kRate with blocks of 512 and resumed.
inline AEffect* NewEffect() {
  ResetTime();
  AEffect* e = VSTPluginMain(Callback);
  FUZZ_CHECK(e && e->magic == kEffectMagic);
  Dispatch(e, effOpen);
  Dispatch(e, effSetSampleRate, 0, 0, nullptr, static_cast<float>(kRate));
  Dispatch(e, effSetBlockSize, 0, 512);
  Dispatch(e, effMainsChanged, 0, 1);
  return e;
}

inline void CloseEffect(AEffect* e) {
  Dispatch(e, effMainsChanged, 0, 0);
  Dispatch(e, effClose);
}

// The state chunk the effect hands out (empty when none).
inline std::vector<uint8_t> ChunkOf(AEffect* e, bool program) {
  void* data = nullptr;
  const VstIntPtr size = Dispatch(e, effGetChunk, program ? 1 : 0, 0, &data);
  if (size <= 0 || !data) return {};
  const uint8_t* bytes = static_cast<const uint8_t*>(data);
  return std::vector<uint8_t>(bytes, bytes + size);
}

// effSetChunk with a copy of exactly these bytes, in a block of their size.
inline bool LoadChunk(AEffect* e, bool program, const uint8_t* data, size_t size) {
  std::vector<uint8_t> copy(data, data + size);
  uint8_t none = 0;
  return Dispatch(e, effSetChunk, program ? 1 : 0, static_cast<VstIntPtr>(size), size ? copy.data() : &none) != 0;
}

inline std::vector<float> Params(AEffect* e) {
  std::vector<float> values;
  for (int i = 0; i < e->numParams; ++i) values.push_back(e->getParameter(e, i));
  return values;
}

// Every parameter a normalised value.
inline void CheckParams(AEffect* e) {
  for (float v : Params(e)) FUZZ_CHECK(v >= 0.0f && v <= 1.0f);
}

// One processing call on buffers of exactly frames samples: finite input in,
// finite output out. kind: 0 noise, 1 silence, 2 impulses, 3 tiny values.
template <typename T>
void ProcessFinite(AEffect* e, int frames, int kind, int precision, uint32_t seed) {
  const int ins = e->numInputs > 0 ? e->numInputs : 1, outs = e->numOutputs > 0 ? e->numOutputs : 1;
  std::vector<std::vector<T>> in(static_cast<size_t>(ins), std::vector<T>(static_cast<size_t>(frames)));
  std::vector<std::vector<T>> out(static_cast<size_t>(outs), std::vector<T>(static_cast<size_t>(frames)));
  std::vector<T*> inPtr, outPtr;
  uint32_t s = seed | 1u;
  for (auto& c : in) {
    for (int i = 0; i < frames; ++i) {
      s ^= s << 13, s ^= s >> 17, s ^= s << 5;
      const double u = (s >> 8) * (2.0 / 16777216.0) - 1.0;
      c[static_cast<size_t>(i)] = static_cast<T>(kind == 0 ? u : kind == 1 ? 0.0 : kind == 2 ? (i % 100 == 0) : u * 1e-30);
    }
    inPtr.push_back(c.data());
  }
  for (auto& c : out) outPtr.push_back(c.data());
  if constexpr (sizeof(T) == sizeof(double)) {
    e->processDoubleReplacing(e, inPtr.data(), outPtr.data(), frames);
  } else if (precision == 2 && e->process) {
    e->process(e, inPtr.data(), outPtr.data(), frames);
  } else {
    e->processReplacing(e, inPtr.data(), outPtr.data(), frames);
  }
  for (auto& c : out) {
    for (int i = 0; i < frames; ++i) FUZZ_CHECK(std::isfinite(c[static_cast<size_t>(i)]));
  }
}

inline void Process(AEffect* e, int frames, int kind, int precision, uint32_t seed = 1) {
  if (precision == 1) ProcessFinite<double>(e, frames, kind, precision, seed);
  else ProcessFinite<float>(e, frames, kind, precision, seed);
}

}  // namespace fuzzhost
