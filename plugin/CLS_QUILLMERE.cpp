#include "plugin/CLS_QUILLMERE.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cfloat>
#include <cstring>
#include <new>

#include "framework/TextUtil.h"
#include "framework/IEditor.h"

namespace {

const char* const kDivisionTexts[CLS_QUILLMERE::kNumDivisions] = {
    "1/64", "1/32T", "1/64D", "1/32", "1/16T", "1/32D", "1/16", "1/8T", "1/16D", "1/8", "1/4T", "1/8D", "1/4",
    "1/2T", "1/4D",  "1/2",   "1/1T", "1/2D",  "1/1",   "2/1T", "1/1D", "2/1",  "4/1T", "2/1D", "4/1"};

constexpr float kDivisionUnit = 0.015625f;  // 1/64 of a whole note
constexpr double kLowpassFactor = -6.283185307179586;
constexpr double kStateFloor = 1e-24;
// Loop contents below this magnitude are flushed to zero so that a decaying
// loop never drops into the slow subnormal range; non-finite values are
// flushed too, so one bad input sample cannot poison the loop.
constexpr double kLineFloor = 1e-300;
// Samples per whole note are held below this so that eight whole notes of
// capacity stay within the longest loop.
constexpr double kMaxSamplesPerWhole = CLS_QUILLMERE::kMaxLoop / 8;

// Round half away from zero, saturated to [0, limit].
uint32_t RoundToLength(double x, uint32_t limit) {
  if (!(x > 0.0)) return 0;
  const double r = std::trunc(x + 0.5);
  return r >= limit ? limit : static_cast<uint32_t>(r);
}

// Round half away from zero in single precision.
int32_t RoundSingle(float x) { return static_cast<int32_t>(x >= 0.0f ? std::trunc(x + 0.5f) : std::trunc(x - 0.5f)); }

const auto kClockStart = std::chrono::steady_clock::now();

}  // namespace

uint32_t MillisecondClock() {
  const auto elapsed = std::chrono::steady_clock::now() - kClockStart;
  return static_cast<uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count());
}

CLS_QUILLMERE::CLS_QUILLMERE(audioMasterCallback host)
    : IPlugVST(host, kNumParams, "1-1 2-2", kNumPrograms, "quillmere", "", "Tolvane", 0x10000, FourCC("xYeo"),
               FourCC("TvLn"), 0, 0, false, false) {
  std::fill(std::begin(appliedValues), std::end(appliedValues), -101);
  lineLeft.reset(new double[1]());
  lineRight.reset(new double[1]());

  auto list = [this](int index, const char* name, int defaultValue, std::initializer_list<const char*> texts) {
    IParameter* p = ParamAt(index);
    p->DefineList(name, defaultValue, static_cast<int>(texts.size()), "");
    int value = 0;
    for (const char* text : texts) p->AddDisplayText(value++, text);
  };
  IParameter* rate = ParamAt(kDelayRate);
  rate->DefineList("Delay Rate", 9, kNumDivisions, "");
  for (int i = 0; i < kNumDivisions; ++i) rate->AddDisplayText(i, kDivisionTexts[i]);
  ParamAt(kDelayTime)->DefineInteger("Delay Time", 500, 1, 24000, "ms");
  list(kHostSync, "Host Sync", 1, {"No", "Yes"});
  ParamAt(kFeedback)->DefineInteger("Feedback", 50, 0, 99, "%");
  list(kDirectionLeft, "Direction Left", 1, {"Forward", "Reverse"});
  ParamAt(kOffsetLeft)->DefineInteger("Offset Left", 25, 0, 100, "%");
  ParamAt(kFreqLeft)->DefineInteger("Freq Left", 600, 100, 20000, "Hz");
  ParamAt(kFreqLeft)->SetCurve(2.0);
  ParamAt(kMixLeft)->DefineInteger("Mix Left", 33, 0, 100, "%");
  list(kDirectionRight, "Direction Right", 1, {"Forward", "Reverse"});
  ParamAt(kOffsetRight)->DefineInteger("Offset Right", 75, 0, 100, "%");
  ParamAt(kFreqRight)->DefineInteger("Freq Right", 6000, 100, 20000, "Hz");
  ParamAt(kFreqRight)->SetCurve(2.0);
  ParamAt(kMixRight)->DefineInteger("Mix Right", 33, 0, 100, "%");
  list(kToggleFreq, "Toggle Freq", 1, {"No", "Yes"});
  list(kToggleReverse, "Toggle Reverse", 0, {"No", "Yes"});

  MakeDefaultProgram("---- default ----", 1);
  MakeProgramFromValues("Frequency Stereo Toggle", 9, 500, 1, 40, 1, 50, 200, 40, 1, 100, 12000, 40, 1, 0);
  MakeProgramFromValues("All Frequencies Stereo Toggle", 9, 500, 1, 45, 1, 50, 100, 40, 1, 100, 20000, 40, 1, 0);
  MakeProgramFromValues("Amazing Direction Toggle", 9, 500, 1, 30, 1, 25, 300, 40, 0, 75, 6000, 40, 1, 1);
  MakeProgramFromValues("Amazing Direction Toggle 2", 9, 500, 1, 30, 1, 33, 300, 40, 0, 66, 6000, 40, 1, 1);
  MakeProgramFromValues("Amazing Direction Toggle 3", 9, 500, 1, 30, 1, 50, 300, 33, 0, 66, 6000, 33, 1, 1);
  MakeProgramFromValues("Amazing Direction Toggle 4", 9, 500, 1, 30, 1, 50, 300, 33, 0, 75, 6000, 33, 1, 1);
  MakeProgramFromValues("Complete Amazing Toggle", 9, 500, 1, 30, 1, 33, 100, 40, 0, 66, 20000, 40, 1, 1);
  MakeProgramFromValues("Bright Room", 0, 31, 0, 50, 1, 25, 20000, 60, 1, 75, 20000, 60, 0, 0);
  MakeProgramFromValues("Bright Room 2", 0, 31, 0, 50, 1, 25, 20000, 60, 0, 75, 20000, 60, 0, 1);
  MakeProgramFromValues("Dark Room", 1, 42, 0, 50, 1, 25, 500, 50, 1, 75, 500, 50, 0, 0);
  MakeProgramFromValues("Etheric Room", 1, 42, 0, 50, 1, 25, 5000, 60, 1, 75, 15000, 60, 1, 0);
  MakeProgramFromValues("Etheric Room 2", 1, 42, 0, 50, 1, 25, 5000, 60, 0, 75, 15000, 60, 1, 1);
  MakeProgramFromValues("Resonant Room", 0, 31, 0, 80, 1, 33, 3000, 65, 1, 66, 9000, 65, 1, 0);
  MakeProgramFromValues("Resonant Room 2", 0, 31, 0, 80, 1, 33, 3000, 65, 0, 66, 9000, 65, 1, 1);
  MakeProgramFromValues("Distant Echoes", 21, 31, 1, 60, 1, 50, 3000, 55, 1, 100, 9000, 55, 1, 0);
  MakeProgramFromValues("Distant Echoes 2", 20, 31, 1, 60, 1, 33, 3000, 55, 1, 66, 9000, 55, 1, 0);
  MakeProgramFromValues("Harp", 3, 62, 0, 80, 1, 33, 3000, 45, 1, 66, 6000, 45, 1, 0);
  MakeProgramFromValues("Long Feedback", 9, 62, 1, 80, 1, 33, 3000, 60, 1, 66, 6000, 60, 1, 0);
  MakeProgramFromValues("Don't Stop", 9, 62, 1, 96, 1, 33, 3000, 60, 1, 66, 6000, 60, 1, 0);
  MakeProgramFromValues("Light Drops", 2, 47, 0, 80, 1, 33, 3000, 40, 1, 66, 6000, 40, 1, 0);
  MakeProgramFromValues("Only Delay", 9, 47, 1, 80, 1, 50, 3000, 100, 1, 100, 6000, 100, 1, 0);
  MakeProgramFromValues("Quiet Delay", 6, 47, 1, 80, 1, 50, 100, 20, 1, 100, 3000, 20, 1, 0);
  MakeProgramFromValues("Quiet Delay Dotted", 6, 47, 1, 80, 1, 50, 100, 20, 1, 75, 3000, 20, 1, 0);
  MakeProgramFromValues("Relaxation", 6, 47, 1, 80, 1, 50, 100, 50, 1, 100, 6000, 50, 1, 0);
  MakeProgramFromValues("Forward Ping Pong", 12, 500, 1, 50, 0, 50, 20000, 40, 0, 100, 20000, 40, 0, 0);
  MakeProgramFromValues("Forward Pan Triplet", 12, 500, 1, 50, 0, 33, 20000, 40, 0, 66, 20000, 40, 0, 0);
  MakeProgramFromValues("Forward Pan Triplet 2", 12, 500, 1, 50, 0, 50, 20000, 40, 0, 66, 20000, 40, 0, 0);
  MakeProgramFromValues("Forward Pan Dotted", 12, 500, 1, 50, 0, 50, 20000, 40, 0, 75, 20000, 40, 0, 0);
}

CLS_QUILLMERE::~CLS_QUILLMERE() = default;

IPlugVST* MakePlug(audioMasterCallback host) { return new (std::nothrow) CLS_QUILLMERE(host); }

// ---- Lengths -----------------------------------------------------------------

float CLS_QUILLMERE::DivisionFraction(int16_t index, float unit) {
  const int k = index;
  const int r = k % 3;
  double v;
  if (r == 0) v = std::pow(2.0, k * 0.3333333333333333) * unit;
  else if (r == 1) v = std::pow(2.0, (k + 2) * 0.3333333333333333) * unit * 0.6666666666666666;
  else v = std::pow(2.0, (k - 2) * 0.3333333333333333) * unit * 1.5;
  return static_cast<float>(v);
}

uint32_t CLS_QUILLMERE::SyncedLoop(int division) const {
  const double fraction = DivisionFraction(static_cast<int16_t>(division), kDivisionUnit);
  return 2 * RoundToLength(fraction * samplesPerWhole, kMaxLoop / 2);
}

uint32_t CLS_QUILLMERE::TimedLoop(int milliseconds) const {
  return 2 * RoundToLength(milliseconds * sampleRateSeen * 0.001, kMaxLoop / 2);
}

int CLS_QUILLMERE::NearestDivision(double length) const {
  double prev = 0.0;
  for (int k = 0; k <= 27; ++k) {
    const double fraction = DivisionFraction(static_cast<int16_t>(k), kDivisionUnit);
    const double r = fraction * samplesPerWhole;
    const double len = 2.0 * (r >= 0.0 ? std::trunc(r + 0.5) : std::trunc(r - 0.5));
    if (len >= length) return (len + prev) * 0.5 > length ? k - 1 : k;
    prev = len;
  }
  return 28;
}

// ---- Lines -------------------------------------------------------------------

bool CLS_QUILLMERE::AllocateLines(uint32_t n) {
  const size_t entries = std::max<uint32_t>(n, 1);
  std::unique_ptr<double[]> left(new (std::nothrow) double[entries]());
  std::unique_ptr<double[]> right(new (std::nothrow) double[entries]());
  if (!left || !right) return false;
  lineLeft = std::move(left);
  lineRight = std::move(right);
  capacity = n;
  return true;
}

void CLS_QUILLMERE::ClearLines() {
  const size_t entries = std::max<uint32_t>(capacity, 1);
  std::fill(lineLeft.get(), lineLeft.get() + entries, 0.0);
  std::fill(lineRight.get(), lineRight.get() + entries, 0.0);
}

void CLS_QUILLMERE::FitLoopToLines() {
  if (loopLength <= capacity) return;
  loopLength = capacity & ~1u;
  UpdateTaps();
}

void CLS_QUILLMERE::UpdateTaps() {
  const uint32_t L = loopLength;
  if (L == 0) {
    tapLeft = tapRight = 0;
  } else {
    // Offsets in single precision, as the taps have always been computed; a
    // float (L - 1) can round up for very long loops, so the taps are held
    // inside the loop.
    const float last = static_cast<float>(L - 1);
    const int32_t limit = static_cast<int32_t>(L - 1);
    tapLeft = std::clamp(RoundSingle(last * offsetLeft), 0, limit);
    tapRight = std::clamp(RoundSingle(last * offsetRight), 0, limit);
  }
  if (L > capacity) {
    if (!AllocateLines(L)) FitLoopToLines();
  } else {
    ClearLines();
  }
  resync = true;
}

// ---- Parameters ----------------------------------------------------------------

void CLS_QUILLMERE::ApplyUserValue(int index, double normalized) {
  if (Editor()) Editor()->ApplyUserValueByParam(index, normalized);
  else SetParameterFromEditor(index, normalized);
}

void CLS_QUILLMERE::SetParamFromEffect(int index, double value) {
  IParameter* param = ParamAt(index);
  if (!param) return;
  BeginParamEdit(index);
  param->SetClamped(value);
  ApplyUserValue(index, param->NormalizedValue());
  EndParamEdit(index);
}

void CLS_QUILLMERE::UpdateDelayTimeRange(bool applyToEditor) {
  if (samplesPerWhole == 0.0 || sampleRateSeen == 0.0) return;
  IParameter* time = ParamAt(kDelayTime);
  // The first re-derivation replaces the declared range: carry the
  // milliseconds over so that a restored "Delay Time" survives it. Later ones
  // keep the knob position.
  const bool carryMilliseconds = !delayRangeDerived;
  const double milliseconds = time->Value();
  double n = applyToEditor ? time->NormalizedValue() : 0.0;
  const double x = 1.0 / sampleRateSeen;
  const int max = RoundToInt32(x * samplesPerWhole * 4000.0);
  const double w = x * samplesPerWhole * 1000.0;
  const int min = RoundToInt32(w * 0.015625);
  const int def = RoundToInt32(w * 0.125);
  time->DefineInteger("Delay Time", def, min, max, "ms");
  time->SetCurve(3.0);
  delayRangeDerived = true;
  if (applyToEditor) {
    if (carryMilliseconds) n = time->ToNormalized(milliseconds);
    ApplyUserValue(kDelayTime, n);
  }
}

void CLS_QUILLMERE::ParamChanged(int index) {
  IPlugLockGuard lock(Lock());
  const IParameter* param = ParamAt(index);
  if (!param || index >= kNumParams) return;
  const int32_t iv = RoundToInt32(param->Value());
  if (appliedValues[index] == iv) return;
  appliedValues[index] = iv;

  switch (index) {
    case kDelayRate:
      if (syncOn) {
        loopLength = SyncedLoop(iv);
        UpdateTaps();
      }
      break;
    case kDelayTime:
      if (!syncOn) {
        loopLength = TimedLoop(iv);
        UpdateTaps();
      }
      break;
    case kHostSync: {
      syncOn = iv == 1;
      IEditor* editor = Editor();
      if (syncOn) {
        if (editor) {
          editor->SetHiddenByParam(kDelayRate, false);
          editor->SetHiddenByParam(kDelayTime, true);
        }
        if (started && syncClicked) {
          appliedValues[kDelayRate] = -1;
          SetParamFromEffect(kDelayRate, NearestDivision(loopLength));
        }
      } else {
        if (editor) {
          editor->SetHiddenByParam(kDelayRate, true);
          editor->SetHiddenByParam(kDelayTime, false);
        }
        if (started && syncClicked) {
          UpdateDelayTimeRange(false);
          if (sampleRateSeen > 0.0) SetParamFromEffect(kDelayTime, loopLength / sampleRateSeen * 500.0);
        }
      }
      break;
    }
    case kFeedback:
      feedbackGain = static_cast<float>(iv) * 0.01f;
      break;
    case kDirectionLeft:
      reverseLeft = iv == 1;
      UpdateTaps();
      break;
    case kOffsetLeft:
      offsetLeft = static_cast<float>(iv) * 0.01f;
      UpdateTaps();
      break;
    case kFreqLeft:
      coefLeft = std::exp(iv / sampleRateSeen * kLowpassFactor);
      break;
    case kMixLeft:
      mixLeft = static_cast<float>(iv) * 0.01f;
      break;
    case kDirectionRight:
      reverseRight = iv == 1;
      UpdateTaps();
      break;
    case kOffsetRight:
      offsetRight = static_cast<float>(iv) * 0.01f;
      UpdateTaps();
      break;
    case kFreqRight:
      coefRight = std::exp(iv / sampleRateSeen * kLowpassFactor);
      break;
    case kMixRight:
      mixRight = static_cast<float>(iv) * 0.01f;
      break;
    case kToggleFreq:
      toggleFreq = iv == 1;
      break;
    case kToggleReverse:
      toggleReverse = iv == 1;
      flipLeft = flipRight = false;
      break;
  }
  syncClicked = false;

  if (!IsReady()) {
    if (!seenParams[index]) {
      seenParams[index] = true;
      --unseenCount;
    }
    if (unseenCount <= 0) SetReady();
  }
}

void CLS_QUILLMERE::ResetState() {
  IPlugLockGuard lock(Lock());
  if (!started) return;
  const double rate = CurrentSampleRate();
  if (rate != sampleRateSeen) {
    sampleRateSeen = rate;
    if (!syncOn) {
      UpdateDelayTimeRange(true);
      appliedValues[kDelayTime] = -1;
      ParamChanged(kDelayTime);
    }
    appliedValues[kFreqLeft] = -1;
    ParamChanged(kFreqLeft);
    appliedValues[kFreqRight] = -1;
    ParamChanged(kFreqRight);
  }
  if (loopLength > capacity) {
    if (!AllocateLines(loopLength)) FitLoopToLines();
  } else {
    ClearLines();
  }
  resync = true;
}

// ---- Processing ------------------------------------------------------------------

void CLS_QUILLMERE::ProcessBlock(double** inputs, double** outputs, int frames) {
  double s = SamplesPerBeat() * 4.0;
  // A tempo so slow (or odd) that the lines could not be sized is held at
  // the slowest tempo the lines allow; no tempo at all stays 0.
  if (!(s > 0.0)) s = 0.0;
  else if (s > kMaxSamplesPerWhole) s = kMaxSamplesPerWhole;

  if (!started) {
    started = true;
    sampleRateSeen = 0.0;
    ResetState();
  }
  if (s != samplesPerWhole) {
    samplesPerWhole = s;
    const uint32_t wanted = std::max(RoundToLength(s * 8.0, kMaxLoop), loopLength);
    AllocateLines(wanted);  // out of memory: the old lines stay
    if (!syncOn) UpdateDelayTimeRange(true);
    appliedValues[kDelayRate] = -1;
    ParamChanged(kDelayRate);
  }
  FitLoopToLines();

  const uint32_t now = MillisecondClock();
  if (now - lastClock > 500u) resync = true;
  if (resync) {
    const int p = GetSamplePosition();
    flipRight = flipLeft = false;
    resync = false;
    writePos = loopLength ? static_cast<uint32_t>(p) % loopLength : 0;
  }

  const double* inL = inputs[0];
  const double* inR = inputs[1];
  double* outL = outputs[0];
  double* outR = outputs[1];
  if (loopLength == 0) {
    RunSilentLoop(inL, inR, outL, outR, frames);
  } else if (toggleReverse) {
    const double L = loopLength;
    const double hx = 0.5 - L * 0.5;
    const double h = hx >= 0.0 ? std::trunc(hx + 0.5) : std::trunc(hx - 0.5);
    double left = h + tapLeft, right = h + tapRight;
    if (left < 0.0) left += L;
    if (right < 0.0) right += L;
    RunLoop(inL, inR, outL, outR, frames, reverseLeft != reverseRight, static_cast<uint32_t>(left),
            static_cast<uint32_t>(right));
  } else {
    RunLoop(inL, inR, outL, outR, frames, false, 0, 0);
  }
  lastClock = now;
}

namespace {

// What one run of samples needs: the lines at the write position and at
// each tap, and the parameters that hold for the whole run.
struct Run {
  double* writeL;
  double* writeR;
  const double* readL;
  const double* readR;
  const double* inL;
  const double* inR;
  double* outL;
  double* outR;
  int frames;
  double gain, coefL, coefR, mixL, mixR;
  uint32_t advanced;  // the write position after the run's first sample
  uint32_t loop;
  double lpL, lpR;
};

// Whether floor <= |v| <= DBL_MAX, from the bits: one unsigned comparison
// (infinities and NaNs lie above DBL_MAX).
inline bool InRange(double v, uint64_t floorBits) {
  uint64_t bits;
  std::memcpy(&bits, &v, sizeof bits);
  bits &= 0x7FFFFFFFFFFFFFFFull;
  return bits - floorBits < 0x7FF0000000000000ull - floorBits;
}

uint64_t BitsOf(double v) {
  uint64_t bits;
  std::memcpy(&bits, &v, sizeof bits);
  return bits;
}

const uint64_t kLineFloorBits = BitsOf(kLineFloor);
const uint64_t kStateFloorBits = BitsOf(kStateFloor);

// A loop value that is tiny or not finite becomes 0. Written as a branch,
// which is almost never taken.
inline double LineValue(double v) {
  if (!InRange(v, kLineFloorBits)) {
    v = 0.0;
    asm volatile("");
  }
  return v;
}

// A run of samples in which neither tap changes direction or wraps and the
// write position reaches the end of the loop at most on the last sample:
// every read walks the line in one direction without checks.
// The lowpass state's floor as a branch: the state almost never falls below
// it, and a predicted branch keeps the check off the filter's dependency
// chain, where a branch-free select would lengthen every sample. A state
// that is not finite (only an overflowing input could make one) is reset too.
inline void FloorState(double& state) {
  if (!InRange(state, kStateFloorBits)) {
    state = 0.0;
    asm volatile("");
  }
}

template <bool kBackL, bool kBackR, bool kGlide>
void RunSamples(Run& r) {
  double* const writeL = r.writeL;
  double* const writeR = r.writeR;
  const double* const readL = r.readL;
  const double* const readR = r.readR;
  const double* const inL = r.inL;
  const double* const inR = r.inR;
  double* const outL = r.outL;
  double* const outR = r.outR;
  const double gain = r.gain, coefL = r.coefL, coefR = r.coefR, mixL = r.mixL, mixR = r.mixR;
  const double towardR = coefR - coefL, towardL = coefL - coefR;
  const uint32_t advanced = r.advanced, loop = r.loop;
  const float loopF = static_cast<float>(loop);
  const int frames = r.frames;
  double lpL = r.lpL, lpR = r.lpR;
  for (int k = 0; k < frames; ++k) {
    const double a = inL[k];
    const double b = inR[k];
    writeL[k] = LineValue(gain * writeL[k] + a);
    writeR[k] = LineValue(gain * writeR[k] + b);
    const double xL = kBackL ? readL[-k] : readL[k];
    const double xR = kBackR ? readR[-k] : readR[k];
    FloorState(lpL);
    FloorState(lpR);
    if (kGlide) {
      uint32_t wp = advanced + static_cast<uint32_t>(k);
      if (wp == loop) wp = 0;
      const double t = static_cast<float>(wp) / loopF;
      const double cl = coefL + towardR * t;
      const double cr = coefR + towardL * t;
      lpL = cl * (lpL - xL) + xL;
      lpR = cr * (lpR - xR) + xR;
    } else {
      lpL = (lpL - xL) * coefL + xL;
      lpR = (lpR - xR) * coefR + xR;
    }
    outL[k] = (lpL - a) * mixL + a;
    outR[k] = (lpR - b) * mixR + b;
  }
  r.lpL = lpL;
  r.lpR = lpR;
}

using RunFunction = void (*)(Run&);
template <bool kGlide>
constexpr RunFunction kRuns[4] = {RunSamples<false, false, kGlide>, RunSamples<false, true, kGlide>,
                                  RunSamples<true, false, kGlide>, RunSamples<true, true, kGlide>};

// Where a tap reads for the write position wp.
inline uint32_t TapIndex(bool back, uint32_t tap, uint32_t wp, uint32_t loop) {
  if (back) return tap >= wp ? tap - wp : tap + loop - wp;
  const uint32_t i = wp - tap + loop - 1;
  return i >= loop ? i - loop : i;
}

// Samples until a tap's index would wrap around the loop.
inline uint32_t UntilWrap(bool back, uint32_t index, uint32_t loop) { return back ? index + 1 : loop - index; }

}  // namespace

void CLS_QUILLMERE::RunLoop(const double* inL, const double* inR, double* outL, double* outR, int frames,
                            bool flips, uint32_t toggleLeft, uint32_t toggleRight) {
  const uint32_t L = loopLength;
  const uint32_t tapL = static_cast<uint32_t>(tapLeft), tapR = static_cast<uint32_t>(tapRight);
  bool backL = reverseLeft != flipLeft, backR = reverseRight != flipRight;
  uint32_t wp = writePos;
  Run r;
  r.gain = feedbackGain;
  r.coefL = coefLeft;
  r.coefR = coefRight;
  r.mixL = mixLeft;
  r.mixR = mixRight;
  r.loop = L;
  r.lpL = lowpassLeft;
  r.lpR = lowpassRight;
  const RunFunction* runs = toggleFreq ? kRuns<true> : kRuns<false>;

  for (int done = 0; done < frames;) {
    // A toggle point flips the direction for the sample written there.
    if (flips) {
      if (wp == toggleLeft) backL = !backL;
      if (wp == toggleRight) backR = !backR;
    }
    const uint32_t idxL = TapIndex(backL, tapL, wp, L);
    const uint32_t idxR = TapIndex(backR, tapR, wp, L);
    uint32_t n = std::min<uint32_t>(static_cast<uint32_t>(frames - done), L - wp);
    n = std::min(n, UntilWrap(backL, idxL, L));
    n = std::min(n, UntilWrap(backR, idxR, L));
    if (flips) {
      if (toggleLeft > wp) n = std::min(n, toggleLeft - wp);
      if (toggleRight > wp) n = std::min(n, toggleRight - wp);
    }
    r.writeL = lineLeft.get() + wp;
    r.writeR = lineRight.get() + wp;
    r.readL = lineLeft.get() + idxL;
    r.readR = lineRight.get() + idxR;
    r.inL = inL + done;
    r.inR = inR + done;
    r.outL = outL + done;
    r.outR = outR + done;
    r.frames = static_cast<int>(n);
    r.advanced = wp + 1;
    runs[(backL ? 2 : 0) + (backR ? 1 : 0)](r);
    done += static_cast<int>(n);
    wp += n;
    if (wp == L) wp = 0;
  }

  writePos = wp;
  lowpassLeft = r.lpL;
  lowpassRight = r.lpR;
  if (flips) {
    flipLeft = backL != reverseLeft;
    flipRight = backR != reverseRight;
  }
}

// With no loop the taps read silence: the wet path decays to zero and the dry
// signal passes through the mix.
void CLS_QUILLMERE::RunSilentLoop(const double* inL, const double* inR, double* outL, double* outR, int frames) {
  double lpL = lowpassLeft, lpR = lowpassRight;
  for (int i = 0; i < frames; ++i) {
    const double xInL = inL[i];
    const double xInR = inR[i];
    FloorState(lpL);
    FloorState(lpR);
    lpL = lpL * coefLeft;
    lpR = lpR * coefRight;
    outL[i] = (lpL - xInL) * mixLeft + xInL;
    outR[i] = (lpR - xInR) * mixRight + xInR;
  }
  lowpassLeft = lpL;
  lowpassRight = lpR;
}
