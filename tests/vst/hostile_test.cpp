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

}  // namespace
