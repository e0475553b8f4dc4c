// The engine's loop is built twice, for SSE2 and for AVX: both must give the
// same sound to the bit, through every processing callback, for every
// factory program, with hostile input (subnormals, infinities, NaNs) and
// with changes mid-stream.
#include <cfloat>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "model_run.h"
#include "plugin/CLS_QUILLMERE.h"

namespace {

VstTimeInfo gTime;

VstIntPtr VSTCALLBACK Host(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float) {
  return opcode == audioMasterGetTime ? reinterpret_cast<VstIntPtr>(&gTime) : 0;
}

// A clock that stands still: neither effect ever sees a pause.
uint32_t StillClock() { return 0; }

enum class Callback { kDouble, kFloat, kFloatAdding };

// The effect at 44100 Hz and 120 BPM with a program, its engine's loop in
// AVX (where the processor has it) or in SSE2.
std::unique_ptr<CLS_QUILLMERE> MakeEffect(bool avx, int program) {
  DelayEngine::UseAvxWhereAvailable(avx);
  auto fx = std::make_unique<CLS_QUILLMERE>(Host, StillClock);
  DelayEngine::UseAvxWhereAvailable(true);
  AEffect* e = fx->Effect();
  e->dispatcher(e, effOpen, 0, 0, nullptr, 0);
  e->dispatcher(e, effSetSampleRate, 0, 0, nullptr, 44100.0f);
  e->dispatcher(e, effSetBlockSize, 0, 4096, nullptr, 0);
  e->dispatcher(e, effSetProgram, 0, program, nullptr, 0);
  e->dispatcher(e, effMainsChanged, 0, 1, nullptr, 0);
  return fx;
}

// Plucks over noise, then from frame `from` on what a careless host may
// send: tiny and subnormal values, signed zeros, now and then an infinity or
// a NaN, so that the floors of the lines and of the lowpass states act.
void MakeHostileInput(std::vector<double>& l, std::vector<double>& r, int frames, int from) {
  MakeInput(l, r, frames, 44100.0);
  const double inf = std::numeric_limits<double>::infinity();
  const double odd[] = {1e-30, -1e-39, 1e-45, 1e-310, -0.0, -1e-26, 3e-38, 2e-24, 0.0, -1.5e-24};
  for (int i = from; i < frames; ++i) {
    l[i] = i % 4999 == 0 ? inf : odd[i % 10];
    r[i] = i % 7919 == 0 ? std::numeric_limits<double>::quiet_NaN() : i % 6007 == 0 ? -inf : odd[(i * 7) % 10];
  }
}

// One block through a callback; float outputs start from what a host may
// hold there (the adding callback adds to it).
void RunBlock(CLS_QUILLMERE& fx, Callback callback, const double* inL, const double* inR, double* outL, double* outR,
         int frames) {
  AEffect* e = fx.Effect();
  if (callback == Callback::kDouble) {
    double* in[2] = {const_cast<double*>(inL), const_cast<double*>(inR)};
    double* out[2] = {outL, outR};
    e->processDoubleReplacing(e, in, out, frames);
    return;
  }
  std::vector<float> fl(inL, inL + frames), fr(inR, inR + frames), ol(frames), orr(frames);
  for (int i = 0; i < frames; ++i) {
    ol[i] = 0.25f * fr[i];
    orr[i] = i % 5 == 0 ? FLT_MIN * 0.75f : -0.5f * fl[i];
  }
  float* in[2] = {fl.data(), fr.data()};
  float* out[2] = {ol.data(), orr.data()};
  if (callback == Callback::kFloat) e->processReplacing(e, in, out, frames);
  else e->process(e, in, out, frames);
  std::copy(ol.begin(), ol.end(), outL);
  std::copy(orr.begin(), orr.end(), outR);
}

bool SameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

TEST(InstructionSets, TheSwitchDecidesForEnginesMadeAfterIt) {
  DelayEngine::UseAvxWhereAvailable(false);
  const DelayEngine sse2;
  DelayEngine::UseAvxWhereAvailable(true);
  const DelayEngine either;
  EXPECT_FALSE(sse2.avxRuns);
  EXPECT_EQ(either.avxRuns, DelayEngine::ProcessorHasAvx());
}

TEST(InstructionSets, AvxAndSse2LoopsSoundTheSame) {
  if (!DelayEngine::ProcessorHasAvx()) GTEST_SKIP() << "this processor has no AVX: only the SSE2 loop runs";
  const int frames = 44100 * 2;
  std::vector<double> inL, inR;
  MakeHostileInput(inL, inR, frames, frames / 2 + 1000);
  // Block sizes that put run ends on odd and even samples.
  const int blocks[] = {1, 3, 64, 509, 4096, 2};
  for (int program = 0; program <= 28; ++program) {
    for (Callback callback : {Callback::kDouble, Callback::kFloat, Callback::kFloatAdding}) {
      SCOPED_TRACE("program " + std::to_string(program) + ", callback " + std::to_string(static_cast<int>(callback)));
      gTime = VstTimeInfo{};
      gTime.tempo = 120.0;
      gTime.flags = kVstTempoValid | kVstTransportPlaying;
      auto avx = MakeEffect(true, program);
      auto sse2 = MakeEffect(false, program);
      std::vector<double> aL(frames), aR(frames), sL(frames), sR(frames);
      int b = 0;
      for (int at = 0; at < frames; ++b) {
        const int n = std::min(blocks[b % 6], frames - at);
        // Halfway, the directions, offsets and tones change, as a user
        // turning the knobs would, and the feedback stops, so that the
        // loops come to hold only what the hostile input leaves in them.
        if (at <= frames / 2 && frames / 2 < at + n) {
          for (auto* fx : {avx.get(), sse2.get()}) {
            fx->SetParameterFromEditor(CLS_QUILLMERE::kFeedback, 0.0);
            fx->SetParameterFromEditor(CLS_QUILLMERE::kDirectionLeft, 0.0);
            fx->SetParameterFromEditor(CLS_QUILLMERE::kOffsetRight, 0.9);
            fx->SetParameterFromEditor(CLS_QUILLMERE::kFreqRight, 0.2);
            fx->SetParameterFromEditor(CLS_QUILLMERE::kToggleReverse, 1.0);
          }
        }
        RunBlock(*avx, callback, &inL[at], &inR[at], &aL[at], &aR[at], n);
        RunBlock(*sse2, callback, &inL[at], &inR[at], &sL[at], &sR[at], n);
        gTime.samplePos += n;
        at += n;
      }
      int heard = 0;
      for (int i = 0; i < frames; ++i) {
        ASSERT_TRUE(SameBits(aL[i], sL[i]) && SameBits(aR[i], sR[i]))
            << "frame " << i << ": " << aL[i] << " " << sL[i] << ", " << aR[i] << " " << sR[i];
        heard += aL[i] != inL[i] || aR[i] != inR[i];
      }
      // The effect did something to the sound (else the comparison says little).
      EXPECT_GT(heard, frames / 4);
    }
  }
}

}  // namespace
