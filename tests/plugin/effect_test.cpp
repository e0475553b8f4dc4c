// The effect's internal numbers, read straight from the engine.
#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "plugin/CLS_QUILLMERE.h"

namespace {

VstTimeInfo gTime;
std::vector<std::string> gRequests;

VstIntPtr VSTCALLBACK Host(AEffect*, VstInt32 opcode, VstInt32 index, VstIntPtr, void*, float opt) {
  if (opcode == audioMasterGetTime) return reinterpret_cast<VstIntPtr>(&gTime);
  if (opcode == audioMasterAutomate) gRequests.push_back("automate " + std::to_string(index) + " " + std::to_string(opt));
  if (opcode == audioMasterBeginEdit) gRequests.push_back("begin " + std::to_string(index));
  if (opcode == audioMasterEndEdit) gRequests.push_back("end " + std::to_string(index));
  return 0;
}

struct Effect : ::testing::Test {
  std::unique_ptr<CLS_QUILLMERE> fx;
  std::vector<double> l = std::vector<double>(64), r = std::vector<double>(64);

  void SetUp() override {
    gTime = VstTimeInfo{};
    gTime.tempo = 120.0;
    gTime.flags = kVstTempoValid;
    gRequests.clear();
    fx = std::make_unique<CLS_QUILLMERE>(Host);
    AEffect* e = fx->Effect();
    e->dispatcher(e, effOpen, 0, 0, nullptr, 0);
    e->dispatcher(e, effSetSampleRate, 0, 0, nullptr, 44100.0f);
  }
  void Block() {
    double* io[2] = {l.data(), r.data()};
    fx->Effect()->processDoubleReplacing(fx->Effect(), io, io, 64);
  }
  void SetPlain(int index, double v) {
    fx->ParamAt(index)->SetClamped(v);
    fx->ParamChanged(index);
  }
  // A click on the Host Sync button, as the editor reports it.
  void ClickSync(int value) {
    fx->SetSyncClicked();
    fx->SetParameterFromEditor(CLS_QUILLMERE::kHostSync, value);
  }
};

TEST_F(Effect, ReadyOnlyOnceEveryParameterWasApplied) {
  CLS_QUILLMERE fresh(Host);
  EXPECT_FALSE(fresh.IsReady());
  for (int i = 0; i < 13; ++i) fresh.ParamChanged(i);
  fresh.ParamChanged(0);  // repeats do not count twice
  EXPECT_FALSE(fresh.IsReady());
  fresh.ParamChanged(13);
  EXPECT_TRUE(fresh.IsReady());
  EXPECT_TRUE(fx->IsReady());
}

TEST_F(Effect, DivisionsAndLoops) {
  EXPECT_FLOAT_EQ(CLS_QUILLMERE::DivisionFraction(9, 0.015625f), 0.125f);
  EXPECT_EQ(CLS_QUILLMERE::DivisionFraction(7, 0.015625f), static_cast<float>(1.0 / 12.0));
  EXPECT_FLOAT_EQ(CLS_QUILLMERE::DivisionFraction(24, 0.015625f), 4.0f);
  EXPECT_FLOAT_EQ(CLS_QUILLMERE::DivisionFraction(25, 0.015625f), 16.0f / 3.0f);
  EXPECT_FLOAT_EQ(CLS_QUILLMERE::DivisionFraction(27, 0.015625f), 8.0f);
  Block();
  EXPECT_EQ(fx->SamplesPerWhole(), 88200.0);
  EXPECT_EQ(fx->Capacity(), 705600u);
  EXPECT_EQ(fx->LoopLength(), 22050u);
  EXPECT_EQ(fx->TapLeft(), 5512);
  EXPECT_EQ(fx->TapRight(), 16537);
  SetPlain(CLS_QUILLMERE::kOffsetLeft, 50);
  EXPECT_EQ(fx->TapLeft(), 11025);
  for (auto c : {std::make_pair(7, 14700u), std::make_pair(11, 33076u), std::make_pair(0, 2756u), std::make_pair(24, 705600u)}) {
    SetPlain(CLS_QUILLMERE::kDelayRate, c.first);
    EXPECT_EQ(fx->LoopLength(), c.second) << c.first;
  }
  EXPECT_EQ(fx->NearestDivision(44100), 12);  // exactly "1/4"
  EXPECT_EQ(fx->NearestDivision(38588), 12);  // the midpoint with "1/8D" goes to the longer
  EXPECT_EQ(fx->NearestDivision(38587), 11);
  EXPECT_EQ(fx->NearestDivision(1e12), 28);
  EXPECT_EQ(fx->NearestDivision(1), -1);
}

TEST_F(Effect, CoefficientsAndGains) {
  Block();
  EXPECT_NEAR(fx->CoefLeft(), 0.918066441716331, 1e-15);
  EXPECT_EQ(fx->CoefLeft(), std::exp(600 / 44100.0 * -6.283185307179586));
  SetPlain(CLS_QUILLMERE::kFeedback, 99);
  EXPECT_EQ(static_cast<double>(fx->FeedbackGain()), 0.9899999499320984);
  // A new rate recomputes the coefficients.
  fx->Effect()->dispatcher(fx->Effect(), effSetSampleRate, 0, 0, nullptr, 48000.0f);
  EXPECT_EQ(fx->CoefLeft(), std::exp(600 / 48000.0 * -6.283185307179586));
}

TEST_F(Effect, HostSyncClicksCarryTheDelayOver) {
  Block();
  ClickSync(0);  // synced "1/8" becomes 250 ms
  EXPECT_EQ(fx->ParamAt(CLS_QUILLMERE::kDelayTime)->Value(), 250.0);
  EXPECT_EQ(fx->LoopLength(), 22050u);
  SetPlain(CLS_QUILLMERE::kDelayTime, 500);
  EXPECT_EQ(fx->LoopLength(), 44100u);
  gRequests.clear();
  ClickSync(1);  // 500 ms is exactly "1/4"
  EXPECT_EQ(fx->ParamAt(CLS_QUILLMERE::kDelayRate)->Value(), 12.0);
  EXPECT_EQ(fx->LoopLength(), 44100u);
  EXPECT_EQ(gRequests.front(), "automate 2 1.000000");
  EXPECT_EQ(gRequests[1], "begin 0");
  EXPECT_EQ(gRequests.back(), "end 0");

  // Host Sync changed by automation only swaps the governing parameter.
  fx->Effect()->setParameter(fx->Effect(), CLS_QUILLMERE::kHostSync, 0.0f);
  EXPECT_EQ(fx->LoopLength(), 44100u);
  EXPECT_EQ(fx->ParamAt(CLS_QUILLMERE::kDelayTime)->Value(), 500.0);
}

TEST_F(Effect, ToggleReverseFlipsAtHalfALoopFromTheTap) {
  Block();
  SetPlain(CLS_QUILLMERE::kDirectionRight, 0);
  SetPlain(CLS_QUILLMERE::kToggleReverse, 1);
  // The left toggle point is 16537 for tap 5512 in a loop of 22050: after
  // processing up to it the left flip is set, the right (toggle 5512 + ...)
  // follows its own point.
  gTime.samplePos = 16537 - 10;
  fx->Effect()->dispatcher(fx->Effect(), effMainsChanged, 0, 0, nullptr, 0);  // realign
  Block();
  EXPECT_EQ(fx->WritePos(), 16537u - 10u + 64u);
  EXPECT_TRUE(fx->FlipLeft());
  EXPECT_FALSE(fx->FlipRight());
  SetPlain(CLS_QUILLMERE::kToggleReverse, 0);
  EXPECT_FALSE(fx->FlipLeft());
}

TEST_F(Effect, TempoChangeKeepsTheKnobPosition) {
  SetPlain(CLS_QUILLMERE::kHostSync, 0);
  Block();
  const IParameter* time = fx->ParamAt(CLS_QUILLMERE::kDelayTime);
  EXPECT_EQ(time->Min(), 31.0);
  EXPECT_EQ(time->Max(), 8000.0);
  EXPECT_EQ(time->Shape(), 3.0);
  EXPECT_EQ(time->Value(), 500.0);
  EXPECT_EQ(fx->LoopLength(), 44100u);
  const double knob = time->NormalizedValue();
  gTime.tempo = 60.0;
  Block();
  EXPECT_EQ(time->Min(), 63.0);
  EXPECT_EQ(time->Max(), 16000.0);
  EXPECT_NEAR(time->NormalizedValue(), knob, 1e-3);
  EXPECT_EQ(time->Value(), std::floor(std::pow(knob, 3.0) * 15937.0 + 63.0 + 0.5));
  EXPECT_EQ(fx->LoopLength(), 2u * static_cast<uint32_t>(time->Value() * 44.1 + 0.5));
}

TEST_F(Effect, LongDelayAtHighRatesFitsItsLines) {
  fx->Effect()->dispatcher(fx->Effect(), effSetSampleRate, 0, 0, nullptr, 384000.0f);
  gTime.tempo = 20.0;
  SetPlain(CLS_QUILLMERE::kDelayRate, 24);
  Block();
  EXPECT_LE(fx->LoopLength(), fx->Capacity());
  EXPECT_LE(fx->Capacity(), CLS_QUILLMERE::kMaxLoop);
  EXPECT_LT(static_cast<uint32_t>(fx->TapRight()), fx->LoopLength());
  gTime.tempo = 1e-6;  // held at the slowest tempo the lines allow
  Block();
  EXPECT_EQ(fx->Capacity(), CLS_QUILLMERE::kMaxLoop);
  EXPECT_LE(fx->LoopLength(), fx->Capacity());
  EXPECT_LT(static_cast<uint32_t>(fx->TapRight()), fx->LoopLength());
}

}  // namespace
