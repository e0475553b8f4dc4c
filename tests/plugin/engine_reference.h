#pragma once
// An independent model of the delay, written as plainly as the delay can be
// (one sample at a time, no runs), for checking the effect's output sample
// for sample. It shares no code with the plug-in. It covers what the model
// runs drive (model_run.h): parameter and program changes between blocks,
// tempo changes with "Host Sync" on, pauses, the transport stopping,
// starting and jumping, and the first block's set-up with "Host Sync" off.
#include <cstdint>
#include <vector>

class ReferenceDelay {
public:
  ReferenceDelay(double sampleRate, double tempo);

  // Parameter values as plain integers, applied in the plug-in's way.
  void SetParam(int index, int value);
  void LoadProgram(const int values[14]);
  void SetTempo(double tempo) { mTempo = tempo; }
  // Forces the realignment a long pause between blocks causes.
  void Pause() { mResync = true; }

  // One host processing call at the host position hostPos, with the
  // transport playing or not.
  void Block(const double* inL, const double* inR, double* outL, double* outR, int frames, double hostPos,
             bool playing);

private:
  void Apply(int index);
  void Taps();
  void ClearLines();
  uint32_t Synced(int division) const;
  uint32_t Timed(int ms) const;

  double mRate, mTempo;
  int mValue[14];
  int mApplied[14];
  bool mStarted = false, mSync = true, mResync = false;
  bool mCalled = false, mWasPlaying = false;
  double mCallEnd = 0;
  bool mRevL = false, mRevR = false, mTglFreq = false, mTglRev = false, mFlipL = false, mFlipR = false;
  float mGain = 0, mOffL = 0, mOffR = 0, mMixL = 0, mMixR = 0;
  double mCoefL = 0, mCoefR = 0, mLpL = 0, mLpR = 0, mWhole = 0, mRateSeen = 0;
  uint32_t mLoop = 0, mWrite = 0;
  int32_t mTapL = 0, mTapR = 0;
  std::vector<double> mLineL, mLineR;
};

// The factory program table (slots 1 to 28), parameter values 0 to 13.
extern const int kFactoryPrograms[28][14];
