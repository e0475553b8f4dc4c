#pragma once
// What the engine benchmarks share: a host that answers only the time
// request, the effect opened in it at 48 kHz, buffers for the three
// processing callbacks, and a count of the heap allocations made in the
// process (every operator new, from any thread).
#include <cstdint>
#include <memory>
#include <vector>

#include "tools/host/CountingNew.h"
#include "vst/IPlugVST.h"

namespace bench {

// The time record the host hands out: 120 BPM, transport standing at 0
// unless a benchmark moves it.
extern VstTimeInfo gTime;
VstIntPtr VSTCALLBACK Host(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                           float opt);

enum Callback { kDouble, kFloat, kFloatAdding };
const char* CallbackName(Callback callback);  // "double", "float", "adding"

constexpr double kRate = 48000.0;

// The effect opened at 48 kHz with a program selected and processing
// switched on, fed once with a second of sound.
struct EffectFixture {
  EffectFixture(int program, int frames);
  // Runs a minute of silence, so that the loops decay far below hearing.
  void DecayToSilence();
  void Run(Callback callback, int frames);

  std::unique_ptr<IPlugVST> plug;
  AEffect* e;
  std::vector<float> fl, fr, ofl, ofr;
  std::vector<double> dl, dr, odl, odr;
};

// Heap allocations (operator new calls) since the process started.
inline uint64_t Allocations() { return qmhost::OperatorNewCalls(); }

}  // namespace bench
