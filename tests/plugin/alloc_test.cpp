// The audio thread allocates nothing in the steady state, and a tempo change
// allocates only when the lines must grow: every operator new of this test
// program is counted (CountingNew.cpp).
#include <cstdint>
#include <vector>

#include <gtest/gtest.h>

#include "plugin/CLS_QUILLMERE.h"
#include "tools/host/CountingNew.h"

namespace {

VstTimeInfo gTime;

VstIntPtr VSTCALLBACK Host(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float) {
  return opcode == audioMasterGetTime ? reinterpret_cast<VstIntPtr>(&gTime) : 0;
}

// Allocations made by blocks of 64 frames through all three callbacks, at
// the tempo tempoOf(block).
template <typename TempoOf>
uint64_t AllocationsOver(AEffect* e, int blocks, TempoOf tempoOf) {
  std::vector<float> fl(64, 0.25f), fr(64, -0.25f), ofl(64), ofr(64);
  std::vector<double> dl(64, 0.5), dr(64, -0.5);
  float* fin[2] = {fl.data(), fr.data()};
  float* fout[2] = {ofl.data(), ofr.data()};
  double* dio[2] = {dl.data(), dr.data()};
  const uint64_t before = qmhost::OperatorNewCalls();
  for (int i = 0; i < blocks; ++i) {
    gTime.tempo = tempoOf(i);
    switch (i % 3) {
      case 0: e->processDoubleReplacing(e, dio, dio, 64); break;
      case 1: e->processReplacing(e, fin, fout, 64); break;
      default: e->process(e, fin, fout, 64); break;
    }
    gTime.samplePos += 64;
  }
  return qmhost::OperatorNewCalls() - before;
}

TEST(EngineAllocations, NoneInSteadyBlocksNorAtTempoChangesWithinTheLines) {
  for (int program : {0, 3, 8}) {
    gTime = VstTimeInfo{};
    gTime.tempo = 121.0;
    gTime.flags = kVstTempoValid | kVstTransportPlaying;
    CLS_QUILLMERE fx(Host);
    AEffect* e = fx.Effect();
    e->dispatcher(e, effOpen, 0, 0, nullptr, 0);
    e->dispatcher(e, effSetSampleRate, 0, 0, nullptr, 48000.0f);
    e->dispatcher(e, effSetBlockSize, 0, 64, nullptr, 0);
    e->dispatcher(e, effSetProgram, 0, program, nullptr, 0);
    e->dispatcher(e, effMainsChanged, 0, 1, nullptr, 0);
    AllocationsOver(e, 3, [](int) { return 121.0; });  // the first block sizes the lines
    EXPECT_EQ(AllocationsOver(e, 3000, [](int) { return 121.0; }), 0u) << program;
    // Every block another tempo, all within the lines the slower one needs.
    EXPECT_EQ(AllocationsOver(e, 3000, [](int i) { return i % 2 ? 121.0 : 150.0 - i * 0.001; }), 0u) << program;
    // A ramp that halves the tempo grows the lines only now and then, twice
    // with room to spare: the lines and their bookkeeping each time, and with
    // "Toggle Freq" the glide table and its bookkeeping.
    const uint64_t ramp = AllocationsOver(e, 3000, [](int i) { return 121.0 - 60.5 * i / 3000.0; });
    EXPECT_GT(ramp, 0u) << program;
    EXPECT_LE(ramp, program == 8 ? 4u : 8u) << program;
  }
}

}  // namespace
