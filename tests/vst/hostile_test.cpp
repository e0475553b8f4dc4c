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

// Counts the outputs that are subnormal single-precision numbers.
int Subnormals(const std::vector<float>& samples) {
  int n = 0;
  for (float v : samples) n += (v != 0.0f && std::fabs(v) < FLT_MIN) ? 1 : 0;
  return n;
}

TEST(Hostile, FloatTailsEndInZerosNotSubnormals) {
  // An impulse through "Bright Room", thirty seconds: the tail decays below
  // the smallest normal float (the double path shows it does), and the float
  // paths write zeros there.
  for (qmhost::Precision precision : {qmhost::Precision::Float, qmhost::Precision::FloatAdding, qmhost::Precision::Double}) {
    VstHost host(ModuleSettings(512));
    ASSERT_TRUE(LoadModule(host, false));
    ASSERT_TRUE(host.Open() && host.Resume(precision));
    host.SetProgram(8);
    std::vector<float> inL(512, 0.0f), inR(512, 0.0f), outL(512), outR(512), all;
    std::vector<double> dl(512), dr(512);
    int tiny = 0;
    inL[0] = inR[0] = 1.0f;
    for (int block = 0; block < 30 * 44100 / 512; ++block) {
      float* ins[2] = {inL.data(), inR.data()};
      float* outs[2] = {outL.data(), outR.data()};
      if (precision == qmhost::Precision::Double) {
        for (int i = 0; i < 512; ++i) {
          dl[i] = inL[i];
          dr[i] = inR[i];
        }
        double* io[2] = {dl.data(), dr.data()};
        ASSERT_TRUE(host.ProcessDouble(io, io, 512));
        for (double v : dl) tiny += (v != 0.0 && std::fabs(v) < FLT_MIN) ? 1 : 0;
      } else {
        std::fill(outL.begin(), outL.end(), 0.0f);
        std::fill(outR.begin(), outR.end(), 0.0f);
        ASSERT_TRUE(precision == qmhost::Precision::Float ? host.ProcessFloat(ins, outs, 512)
                                                          : host.ProcessFloatAdding(ins, outs, 512));
        tiny += Subnormals(outL) + Subnormals(outR);
      }
      inL[0] = inR[0] = 0.0f;
    }
    if (precision == qmhost::Precision::Double) EXPECT_GT(tiny, 0);
    else EXPECT_EQ(tiny, 0) << qmhost::PrecisionName(precision);
  }
}

TEST(Hostile, AbsurdRatesAndTemposCountAsNone) {
  // A rate no host runs at is not taken: the plug-in sounds as at the rate
  // it had.
  {
    Twins twins;
    ASSERT_TRUE(twins.loaded);
    for (VstHost* host : {&twins.a, &twins.b}) host->Suspend();
    for (float rate : {1e9f, 999.0f, 768001.0f}) twins.a.Dispatch(effSetSampleRate, 0, 0, nullptr, rate);
    for (VstHost* host : {&twins.a, &twins.b}) ASSERT_TRUE(host->Resume(qmhost::Precision::Double));
    EXPECT_TRUE(twins.SameSound(20000));
  }
  // A tempo below 1 BPM is no tempo: the synced loop is silent, as for a
  // host that gives none.
  qmhost::HostSettings slow = ModuleSettings(512), none = ModuleSettings(512);
  slow.tempo = 1e-9;
  none.tempoValid = false;
  VstHost a(slow), b(none);
  ASSERT_TRUE(LoadModule(a) && LoadModule(b));
  std::vector<double> l, r;
  MakeInput(l, r, 20000, 44100.0);
  std::vector<double> l2 = l, r2 = r;
  ProcessInPlace(a, l.data(), r.data(), 20000);
  ProcessInPlace(b, l2.data(), r2.data(), 20000);
  EXPECT_EQ(l, l2);
  EXPECT_EQ(r, r2);
}

TEST(Hostile, ProgramNamesReachTheHostCutTo31Characters) {
  VstHost host(ModuleSettings());
  ASSERT_TRUE(LoadModule(host));
  const std::string longName(100, 'q');
  std::vector<char> name(longName.begin(), longName.end());
  name.push_back('\0');
  host.Dispatch(effSetProgramName, 0, 0, name.data());
  for (VstInt32 opcode : {effGetProgramName, effGetProgramNameIndexed}) {
    char buffer[64];
    memset(buffer, 'x', sizeof buffer);
    EXPECT_EQ(host.Dispatch(opcode, 0, 0, buffer), opcode == effGetProgramNameIndexed ? 1 : 0);
    EXPECT_EQ(std::string(buffer), std::string(31, 'q')) << opcode;
    EXPECT_EQ(buffer[32], 'x') << opcode;  // nothing written past the terminator
  }
  // The longest factory name fits whole.
  EXPECT_EQ(DispatchText(host, effGetProgramNameIndexed, 2), "All Frequencies Stereo Toggle");
}

}  // namespace
