// The module in the hands of a careless or hostile host: rejected state
// chunks, normalised values outside [0, 1], absurd rates and tempos, program
// names longer than hosts expect, and tails that fade into the subnormal
// range of single precision. Each is heard at the outputs.
#include <cfloat>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "ModuleHost.h"
#include "model_run.h"

using qmhost::VstHost;

namespace {

// Two instances of the module that should sound the same, fed the same input.
struct Twins {
  explicit Twins(qmhost::HostSettings settings = ModuleSettings(512)) : a(settings), b(settings) {
    loaded = LoadModule(a) && LoadModule(b);
  }
  // Both process the next stretch of the test input; true when they agree
  // sample for sample.
  bool SameSound(int frames) {
    std::vector<double> l, r;
    MakeInput(l, r, offset + frames, 44100.0);
    std::vector<double> al(l.begin() + offset, l.end()), ar(r.begin() + offset, r.end());
    std::vector<double> bl = al, br = ar;
    ProcessInPlace(a, al.data(), ar.data(), frames);
    ProcessInPlace(b, bl.data(), br.data(), frames);
    offset += frames;
    return al == bl && ar == br;
  }
  VstHost a, b;
  bool loaded = false;
  int offset = 0;
};

TEST(Hostile, RejectedChunksChangeNothingNotEvenTheSound) {
  // Every cut of a state chunk (of another program, so that applying any
  // part of it would be heard) is refused and leaves the parameters, the
  // loops and the engine as they were, also after processing is switched
  // off and on again.
  std::vector<uint8_t> chunk;
  {
    VstHost source(ModuleSettings());
    ASSERT_TRUE(LoadModule(source));
    source.SetProgram(8);  // "Bright Room"
    ASSERT_TRUE(source.GetChunk(false, &chunk));
  }
  Twins twins;
  ASSERT_TRUE(twins.loaded);
  EXPECT_TRUE(twins.SameSound(20000));
  std::vector<uint8_t> before;
  ASSERT_TRUE(twins.b.GetChunk(false, &before));
  for (size_t n = 0; n < chunk.size(); ++n) {
    std::vector<uint8_t> cut(chunk.begin(), chunk.begin() + n);
    EXPECT_EQ(twins.b.Dispatch(effSetChunk, n % 2, static_cast<VstIntPtr>(n), cut.data()), 0) << n;
    if (n % 16 == 0) {
      EXPECT_TRUE(twins.SameSound(256)) << n;
    }
  }
  std::vector<uint8_t> after;
  ASSERT_TRUE(twins.b.GetChunk(false, &after));
  EXPECT_EQ(after, before);
  EXPECT_TRUE(twins.SameSound(30000));  // the echoes that were due still come
  for (VstHost* host : {&twins.a, &twins.b}) {
    host->Suspend();
    ASSERT_TRUE(host->Resume(qmhost::Precision::Double));
  }
  EXPECT_TRUE(twins.SameSound(30000));
}

TEST(Hostile, NormalisedValuesOutsideTheRangeAreClamped) {
  // A host value below 0 or above 1 acts as 0 or 1: same value, same text,
  // same sound; a value that is not a number acts as 0, as always.
  const float kWild[] = {-1e6f, -1480.0f, -1.0f, -1e-30f, 1.5f, 1e6f, -INFINITY, INFINITY, std::nanf("")};
  for (int index = 0; index < 14; ++index) {
    for (float wild : kWild) {
      const float held = std::isnan(wild) ? 0.0f : wild < 0.0f ? 0.0f : 1.0f;
      Twins twins;
      ASSERT_TRUE(twins.loaded);
      twins.a.SetParam(index, wild);
      twins.b.SetParam(index, held);
      EXPECT_EQ(twins.a.GetParam(index), twins.b.GetParam(index)) << index << " " << wild;
      EXPECT_EQ(twins.a.ParamDisplay(index), twins.b.ParamDisplay(index)) << index << " " << wild;
      EXPECT_TRUE(twins.SameSound(8192)) << index << " " << wild;
    }
  }
  // The display of a normalised value asked for by a host is clamped too.
  VstHost host(ModuleSettings());
  ASSERT_TRUE(LoadModule(host));
  char text[64], edge[64];
  host.Dispatch(effVendorSpecific, 7, 3, text, -1e6f);
  host.Dispatch(effVendorSpecific, 7, 3, edge, 0.0f);
  EXPECT_STREQ(text, edge);
  host.Dispatch(effVendorSpecific, 7, 0, text, 37.0f);
  EXPECT_STREQ(text, "4/1");
}

}  // namespace
