#include "engine_reference.h"

#include <algorithm>
#include <cmath>

namespace {

double RoundAway(double x) { return x >= 0 ? std::trunc(x + 0.5) : std::trunc(x - 0.5); }
float RoundAwayF(float x) { return x >= 0 ? std::trunc(x + 0.5f) : std::trunc(x - 0.5f); }

float Fraction(int k) {
  const float u = 0.015625f;
  double v;
  switch (k % 3) {
    case 0: v = std::pow(2.0, k * 0.3333333333333333) * u; break;
    case 1: v = std::pow(2.0, (k + 2) * 0.3333333333333333) * u * 0.6666666666666666; break;
    default: v = std::pow(2.0, (k - 2) * 0.3333333333333333) * u * 1.5; break;
  }
  return static_cast<float>(v);
}

constexpr int kDefaults[14] = {9, 500, 1, 50, 1, 25, 600, 33, 1, 75, 6000, 33, 1, 0};
constexpr uint32_t kLineSize = 1u << 20;  // longer than any loop the tests use

}  // namespace

const int kFactoryPrograms[28][14] = {
    {9, 500, 1, 40, 1, 50, 200, 40, 1, 100, 12000, 40, 1, 0},
    {9, 500, 1, 45, 1, 50, 100, 40, 1, 100, 20000, 40, 1, 0},
    {9, 500, 1, 30, 1, 25, 300, 40, 0, 75, 6000, 40, 1, 1},
    {9, 500, 1, 30, 1, 33, 300, 40, 0, 66, 6000, 40, 1, 1},
    {9, 500, 1, 30, 1, 50, 300, 33, 0, 66, 6000, 33, 1, 1},
    {9, 500, 1, 30, 1, 50, 300, 33, 0, 75, 6000, 33, 1, 1},
    {9, 500, 1, 30, 1, 33, 100, 40, 0, 66, 20000, 40, 1, 1},
    {0, 31, 0, 50, 1, 25, 20000, 60, 1, 75, 20000, 60, 0, 0},
    {0, 31, 0, 50, 1, 25, 20000, 60, 0, 75, 20000, 60, 0, 1},
    {1, 42, 0, 50, 1, 25, 500, 50, 1, 75, 500, 50, 0, 0},
    {1, 42, 0, 50, 1, 25, 5000, 60, 1, 75, 15000, 60, 1, 0},
    {1, 42, 0, 50, 1, 25, 5000, 60, 0, 75, 15000, 60, 1, 1},
    {0, 31, 0, 80, 1, 33, 3000, 65, 1, 66, 9000, 65, 1, 0},
    {0, 31, 0, 80, 1, 33, 3000, 65, 0, 66, 9000, 65, 1, 1},
    {21, 31, 1, 60, 1, 50, 3000, 55, 1, 100, 9000, 55, 1, 0},
    {20, 31, 1, 60, 1, 33, 3000, 55, 1, 66, 9000, 55, 1, 0},
    {3, 62, 0, 80, 1, 33, 3000, 45, 1, 66, 6000, 45, 1, 0},
    {9, 62, 1, 80, 1, 33, 3000, 60, 1, 66, 6000, 60, 1, 0},
    {9, 62, 1, 96, 1, 33, 3000, 60, 1, 66, 6000, 60, 1, 0},
    {2, 47, 0, 80, 1, 33, 3000, 40, 1, 66, 6000, 40, 1, 0},
    {9, 47, 1, 80, 1, 50, 3000, 100, 1, 100, 6000, 100, 1, 0},
    {6, 47, 1, 80, 1, 50, 100, 20, 1, 100, 3000, 20, 1, 0},
    {6, 47, 1, 80, 1, 50, 100, 20, 1, 75, 3000, 20, 1, 0},
    {6, 47, 1, 80, 1, 50, 100, 50, 1, 100, 6000, 50, 1, 0},
    {12, 500, 1, 50, 0, 50, 20000, 40, 0, 100, 20000, 40, 0, 0},
    {12, 500, 1, 50, 0, 33, 20000, 40, 0, 66, 20000, 40, 0, 0},
    {12, 500, 1, 50, 0, 50, 20000, 40, 0, 66, 20000, 40, 0, 0},
    {12, 500, 1, 50, 0, 50, 20000, 40, 0, 75, 20000, 40, 0, 0},
};

ReferenceDelay::ReferenceDelay(double sampleRate, double tempo)
    : mRate(sampleRate), mTempo(tempo), mLineL(kLineSize), mLineR(kLineSize) {
  for (int i = 0; i < 14; ++i) {
    mValue[i] = kDefaults[i];
    mApplied[i] = -101;
  }
  // The host's open request applies every parameter once.
  for (int i = 0; i < 14; ++i) Apply(i);
}

uint32_t ReferenceDelay::Synced(int k) const { return 2 * static_cast<uint32_t>(RoundAway(static_cast<double>(Fraction(k)) * mWhole)); }
uint32_t ReferenceDelay::Timed(int ms) const { return 2 * static_cast<uint32_t>(RoundAway(ms * mRateSeen * 0.001)); }

void ReferenceDelay::ClearLines() {
  std::fill(mLineL.begin(), mLineL.end(), 0.0);
  std::fill(mLineR.begin(), mLineR.end(), 0.0);
}

void ReferenceDelay::Taps() {
  ClearLines();
  mResync = true;
  if (mLoop == 0) {  // no loop yet: the plug-in keeps its taps at 0
    mTapL = mTapR = 0;
    return;
  }
  const float last = static_cast<float>(mLoop - 1);
  mTapL = static_cast<int32_t>(RoundAwayF(last * mOffL));
  mTapR = static_cast<int32_t>(RoundAwayF(last * mOffR));
}

void ReferenceDelay::SetParam(int index, int value) {
  mValue[index] = value;
  Apply(index);
}

void ReferenceDelay::LoadProgram(const int values[14]) {
  for (int i = 0; i < 14; ++i) SetParam(i, values[i]);
}

void ReferenceDelay::Apply(int i) {
  const int v = mValue[i];
  if (mApplied[i] == v) return;
  mApplied[i] = v;
  switch (i) {
    case 0: if (mSync) { mLoop = Synced(v); Taps(); } break;
    case 1: if (!mSync) { mLoop = Timed(v); Taps(); } break;
    case 2:
      // The parameter that now governs the loop takes over at once.
      mSync = v == 1;
      if (mStarted) {
        const int governing = mSync ? 0 : 1;
        mApplied[governing] = -1;
        Apply(governing);
      }
      break;
    case 3: mGain = static_cast<float>(v) * 0.01f; break;
    case 4: mRevL = v == 1; Taps(); break;
    case 5: mOffL = static_cast<float>(v) * 0.01f; Taps(); break;
    case 6: mCoefL = std::exp(v / mRateSeen * -6.283185307179586); break;
    case 7: mMixL = static_cast<float>(v) * 0.01f; break;
    case 8: mRevR = v == 1; Taps(); break;
    case 9: mOffR = static_cast<float>(v) * 0.01f; Taps(); break;
    case 10: mCoefR = std::exp(v / mRateSeen * -6.283185307179586); break;
    case 11: mMixR = static_cast<float>(v) * 0.01f; break;
    case 12: mTglFreq = v == 1; break;
    case 13: mTglRev = v == 1; mFlipL = mFlipR = false; break;
  }
}

void ReferenceDelay::Block(const double* inL, const double* inR, double* outL, double* outR, int frames,
                           double hostPos, bool playing) {
  // The transport started, or is not where the last call ended: realign.
  if (playing && (!mCalled || !mWasPlaying || hostPos != mCallEnd)) mResync = true;
  mCalled = true;
  mWasPlaying = playing;
  mCallEnd = hostPos + frames;
  const double s = mRate * 60.0 / mTempo * 4.0;
  if (!mStarted) {
    mStarted = true;
    mRateSeen = mRate;
    if (!mSync) {
      mApplied[1] = -1;
      Apply(1);
    }
    mApplied[6] = mApplied[10] = -1;
    Apply(6);
    Apply(10);
    ClearLines();
    mResync = true;
  }
  if (s != mWhole) {
    const bool first = mWhole == 0;
    mWhole = s;
    ClearLines();
    if (!mSync && first) {
      // The first derivation of the "Delay Time" range keeps the milliseconds,
      // held inside the new range.
      const double x = 1.0 / mRateSeen;
      const int max = static_cast<int>(RoundAway(x * mWhole * 4000.0));
      const int min = static_cast<int>(RoundAway(x * mWhole * 1000.0 * 0.015625));
      mValue[1] = std::clamp(mValue[1], min, max);
      Apply(1);
    }
    mApplied[0] = -1;
    Apply(0);
  }
  if (mResync) {
    mFlipL = mFlipR = false;
    mResync = false;
    mWrite = static_cast<uint32_t>(static_cast<int>(hostPos + 0.5)) % mLoop;
  }
  int64_t toggleL = 0, toggleR = 0;
  if (mTglRev) {
    const double h = RoundAway(0.5 - mLoop * 0.5);
    toggleL = static_cast<int64_t>(h + mTapL);
    if (toggleL < 0) toggleL += mLoop;
    toggleR = static_cast<int64_t>(h + mTapR);
    if (toggleR < 0) toggleR += mLoop;
  }
  for (int i = 0; i < frames; ++i) {
    mLineL[mWrite] = mGain * mLineL[mWrite] + inL[i];
    mLineR[mWrite] = mGain * mLineR[mWrite] + inR[i];
    if (mTglRev && mRevL != mRevR) {
      if (mWrite == toggleL) mFlipL = !mFlipL;
      if (mWrite == toggleR) mFlipR = !mFlipR;
    }
    int64_t il, ir;
    if (mRevL != mFlipL) {
      il = static_cast<int64_t>(mTapL) - mWrite;
      if (il < 0) il += mLoop;
    } else {
      il = static_cast<int64_t>(mWrite) - mTapL + mLoop - 1;
      if (il >= mLoop) il -= mLoop;
    }
    if (mRevR != mFlipR) {
      ir = static_cast<int64_t>(mTapR) - mWrite;
      if (ir < 0) ir += mLoop;
    } else {
      ir = static_cast<int64_t>(mWrite) - mTapR + mLoop - 1;
      if (ir >= mLoop) ir -= mLoop;
    }
    const double xL = mLineL[il], xR = mLineR[ir];
    mWrite += 1;
    if (mWrite == mLoop) mWrite = 0;
    if (!(std::fabs(mLpL) >= 1e-24)) mLpL = 0;
    if (!(std::fabs(mLpR) >= 1e-24)) mLpR = 0;
    if (mTglFreq) {
      const float t = static_cast<float>(mWrite) / static_cast<float>(mLoop);
      const double cL = mCoefL + (mCoefR - mCoefL) * t;
      const double cR = mCoefR + (mCoefL - mCoefR) * t;
      mLpL = cL * (mLpL - xL) + xL;
      mLpR = cR * (mLpR - xR) + xR;
    } else {
      mLpL = (mLpL - xL) * mCoefL + xL;
      mLpR = (mLpR - xR) * mCoefR + xR;
    }
    const double a = inL[i], b = inR[i];
    outL[i] = (mLpL - a) * mMixL + a;
    outR[i] = (mLpR - b) * mMixR + b;
  }
}
