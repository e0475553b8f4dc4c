#pragma once
#include <cstdint>
#include <memory>

#include "vst/IPlugVST.h"

// quillmere: a stereo delay whose channels play their echoes forward or
// reversed. Each channel runs a circular loop twice as long as the delay.
class CLS_QUILLMERE : public IPlugVST {
public:
  enum Param {
    kDelayRate,
    kDelayTime,
    kHostSync,
    kFeedback,
    kDirectionLeft,
    kOffsetLeft,
    kFreqLeft,
    kMixLeft,
    kDirectionRight,
    kOffsetRight,
    kFreqRight,
    kMixRight,
    kToggleFreq,
    kToggleReverse,
    kNumParams
  };
  static constexpr int kNumPrograms = 35;
  static constexpr int kNumDivisions = 25;
  // Longest loop the engine will run, in samples (about 87 s at 384 kHz).
  static constexpr uint32_t kMaxLoop = 1u << 25;

  explicit CLS_QUILLMERE(audioMasterCallback host);
  ~CLS_QUILLMERE() override;

  void ResetState() override;
  void ParamChanged(int index) override;
  void ProcessBlock(double** inputs, double** outputs, int frames) override;

  static float DivisionFraction(int16_t index, float unit);
  int NearestDivision(double length) const;
  void UpdateDelayTimeRange(bool applyToEditor);
  void SetParamFromEffect(int index, double value);
  void UpdateTaps();

  // Set by the editor's Host Sync button just before it reports its value.
  void SetSyncClicked() { syncClicked = true; }

  // Read-outs of the engine state.
  uint32_t LoopLength() const { return loopLength; }
  uint32_t Capacity() const { return capacity; }
  uint32_t WritePos() const { return writePos; }
  int32_t TapLeft() const { return tapLeft; }
  int32_t TapRight() const { return tapRight; }
  double CoefLeft() const { return coefLeft; }
  double CoefRight() const { return coefRight; }
  float FeedbackGain() const { return feedbackGain; }
  double SamplesPerWhole() const { return samplesPerWhole; }
  bool FlipLeft() const { return flipLeft; }
  bool FlipRight() const { return flipRight; }

private:
  uint32_t SyncedLoop(int division) const;
  uint32_t TimedLoop(int milliseconds) const;
  // Fresh zeroed lines of n entries; false (old lines kept) when out of memory.
  bool AllocateLines(uint32_t n);
  void ClearLines();
  // Makes sure the lines hold the loop; a loop that cannot get its memory is
  // shortened to what the lines hold.
  void FitLoopToLines();
  void ApplyUserValue(int index, double normalized);
  // The per-sample loop, in runs without direction changes or wrap-arounds.
  void RunLoop(const double* inL, const double* inR, double* outL, double* outR, int frames, bool flips,
               uint32_t toggleLeft, uint32_t toggleRight);
  void RunSilentLoop(const double* inL, const double* inR, double* outL, double* outR, int frames);

  int32_t appliedValues[kNumParams];
  std::unique_ptr<double[]> lineLeft;
  std::unique_ptr<double[]> lineRight;
  double samplesPerWhole = 0.0;
  double sampleRateSeen = 0.0;
  double lowpassLeft = 0.0;
  double lowpassRight = 0.0;
  double coefLeft = 0.0;
  double coefRight = 0.0;
  float feedbackGain = 0.0f;
  float offsetLeft = 0.0f;
  float offsetRight = 0.0f;
  float mixLeft = 0.0f;
  float mixRight = 0.0f;
  uint32_t loopLength = 0;
  int32_t tapLeft = 0;
  int32_t tapRight = 0;
  uint32_t capacity = 0;
  uint32_t writePos = 0;
  uint32_t lastClock = 0;
  bool started = false;
  bool syncOn = true;
  bool syncClicked = false;
  bool reverseLeft = false;
  bool reverseRight = false;
  bool toggleFreq = false;
  bool toggleReverse = false;
  bool flipLeft = false;
  bool flipRight = false;
  bool resync = false;
  // Whether "Delay Time" has been re-derived from a tempo yet (until then it
  // keeps its declared range).
  bool delayRangeDerived = false;

  bool seenParams[kNumParams] = {};
  int16_t unseenCount = kNumParams;
};

// Milliseconds of wall-clock time since the module was loaded, wrapping at
// 32 bits.
uint32_t MillisecondClock();
