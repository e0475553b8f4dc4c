#include "plugin/CLS_QUILLMERE.h"

#include <algorithm>
#include <cmath>
#include <new>

#include "QmVersion.h"
#include "framework/IEditor.h"
#include "framework/TextUtil.h"
#include "plugin/QuillmereParams.h"

namespace {

constexpr float kDivisionUnit = 0.015625f;  // 1/64 of a whole note
constexpr double kBeatsPerWhole = 4.0;
constexpr double kCapacityWholeNotes = 8.0;  // the lines hold eight whole notes at the current tempo
constexpr uint32_t kResyncGapMs = 500;       // a longer pause between blocks realigns with the host
constexpr double kLowpassFactor = -6.283185307179586;  // -2 pi
constexpr float kPercent = 0.01f;
constexpr double kMillisecond = 0.001;
// appliedValues before a parameter was ever applied, and what forces the next
// ParamChanged to apply it again: neither is a value of any parameter.
constexpr int32_t kNeverApplied = -101;
constexpr int32_t kForceApply = -1;
// Samples per whole note are held below this so that the lines' capacity
// stays within the longest loop.
constexpr double kMaxSamplesPerWhole = DelayEngine::kMaxLoop / kCapacityWholeNotes;

// Round half away from zero, saturated to [0, limit].
uint32_t RoundToLength(double x, uint32_t limit) {
  if (!(x > 0.0)) return 0;
  const double r = std::trunc(x + 0.5);
  return r >= limit ? limit : static_cast<uint32_t>(r);
}

}  // namespace

CLS_QUILLMERE::CLS_QUILLMERE(audioMasterCallback host, MillisecondClock clock)
    : IPlugVST(host, kNumParams, "1-1 2-2", kNumPrograms, "quillmere", "", "Tolvane", QM_VERSION_PACKED, FourCC("xYeo"),
               FourCC("TvLn"), 0, 0, false, false),
      millisecondClock(clock ? clock : SystemMilliseconds) {
  std::fill(std::begin(appliedValues), std::end(appliedValues), kNeverApplied);
  DeclareQuillmereParams(*this);
  BuildEditor();
  MakeQuillmerePrograms(*this);
}

CLS_QUILLMERE::~CLS_QUILLMERE() = default;

IPlugVST* MakePlug(audioMasterCallback host) { return new (std::nothrow) CLS_QUILLMERE(host); }

// ---- Lengths -----------------------------------------------------------------

float CLS_QUILLMERE::DivisionFraction(int16_t index, float unit) {
  // Plain notes every third index, triplets (two thirds) and dotted notes
  // (one and a half) between them.
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
  return 2 * RoundToLength(fraction * samplesPerWhole, DelayEngine::kMaxLoop / 2);
}

uint32_t CLS_QUILLMERE::TimedLoop(int milliseconds) const {
  return 2 * RoundToLength(milliseconds * sampleRateSeen * kMillisecond, DelayEngine::kMaxLoop / 2);
}

int CLS_QUILLMERE::NearestDivision(double length) const {
  double prev = 0.0;
  for (int k = 0; k <= kLastSearchedDivision; ++k) {
    const double fraction = DivisionFraction(static_cast<int16_t>(k), kDivisionUnit);
    const double r = fraction * samplesPerWhole;
    const double len = 2.0 * (r >= 0.0 ? std::trunc(r + 0.5) : std::trunc(r - 0.5));
    if (len >= length) return (len + prev) * 0.5 > length ? k - 1 : k;
    prev = len;
  }
  return kBeyondDivisions;
}

// ---- Parameters ----------------------------------------------------------------

DelayChannel& CLS_QUILLMERE::ChannelOf(int index) {
  return index < kDirectionRight ? engine.left : engine.right;
}

void CLS_QUILLMERE::ApplyUserValue(int index, double normalized) {
  if (Editor()) Editor()->ApplyUserValueByParam(index, normalized);
  else SetParameterFromEditor(index, normalized);
}

void CLS_QUILLMERE::Reapply(int index) {
  appliedValues[index] = kForceApply;
  ParamChanged(index);
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
  const double w = x * samplesPerWhole * 1000.0;  // milliseconds per whole note
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
      if (syncOn) engine.SetLoopLength(SyncedLoop(iv));
      break;
    case kDelayTime:
      if (!syncOn) engine.SetLoopLength(TimedLoop(iv));
      break;
    case kHostSync:
      // Shows the knob that now governs the delay. A click on the button
      // carries the current delay over to it; any other change (a program,
      // a state, automation) makes the loop follow the value the knob shows.
      syncOn = iv == 1;
      if (IEditor* editor = Editor()) {
        editor->SetHiddenByParam(kDelayRate, !syncOn);
        editor->SetHiddenByParam(kDelayTime, syncOn);
      }
      if (!started) break;
      if (!syncClicked) {
        Reapply(syncOn ? kDelayRate : kDelayTime);
      } else if (syncOn) {
        appliedValues[kDelayRate] = kForceApply;
        SetParamFromEffect(kDelayRate, NearestDivision(engine.loopLength));
      } else {
        UpdateDelayTimeRange(false);
        if (sampleRateSeen > 0.0) SetParamFromEffect(kDelayTime, engine.loopLength / sampleRateSeen * 500.0);
      }
      break;
    case kFeedback:
      engine.feedbackGain = static_cast<float>(iv) * kPercent;
      break;
    case kDirectionLeft:
    case kDirectionRight:
      ChannelOf(index).reverse = iv == 1;
      engine.UpdateTaps();
      break;
    case kOffsetLeft:
    case kOffsetRight:
      ChannelOf(index).offset = static_cast<float>(iv) * kPercent;
      engine.UpdateTaps();
      break;
    case kFreqLeft:
    case kFreqRight:
      ChannelOf(index).coef = std::exp(iv / sampleRateSeen * kLowpassFactor);
      break;
    case kMixLeft:
    case kMixRight:
      ChannelOf(index).mix = static_cast<float>(iv) * kPercent;
      break;
    case kToggleFreq:
      engine.SetToggleFreq(iv == 1);
      break;
    case kToggleReverse:
      engine.toggleReverse = iv == 1;
      engine.left.flip = engine.right.flip = false;
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

// ---- Processing ------------------------------------------------------------------

void CLS_QUILLMERE::ResetState() {
  IPlugLockGuard lock(Lock());
  if (!started) return;
  const double rate = CurrentSampleRate();
  if (rate != sampleRateSeen) {
    sampleRateSeen = rate;
    if (!syncOn) {
      UpdateDelayTimeRange(true);
      Reapply(kDelayTime);
    }
    Reapply(kFreqLeft);
    Reapply(kFreqRight);
  }
  engine.ResetLines();
}

void CLS_QUILLMERE::BeginBlock() {
  double s = SamplesPerBeat() * kBeatsPerWhole;
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
    const uint32_t wanted = std::max(RoundToLength(s * kCapacityWholeNotes, DelayEngine::kMaxLoop), engine.loopLength);
    engine.ProvideLines(wanted);  // out of memory: the old lines stay, cleared
    if (!syncOn) UpdateDelayTimeRange(true);
    Reapply(kDelayRate);
  }
  engine.FitLoopToLines();

  // A pause between blocks is measured from the start of one block to the
  // start of the next.
  const uint32_t now = millisecondClock();
  if (now - lastClock > kResyncGapMs) engine.resync = true;
  lastClock = now;
  if (engine.resync) engine.Realign(GetSamplePosition());
}

void CLS_QUILLMERE::ProcessBlock(double** inputs, double** outputs, int frames) {
  BeginBlock();
  engine.Process(inputs[0], inputs[1], outputs[0], outputs[1], frames);
}

void CLS_QUILLMERE::ProcessBlockFloat(int frames, bool adding) {
  const float* inL = HostFloatInput(0);
  const float* inR = HostFloatInput(1);
  float* outL = HostFloatOutput(0);
  float* outR = HostFloatOutput(1);
  if (!inL || !inR || !outL || !outR) {
    IPlugVST::ProcessBlockFloat(frames, adding);
    return;
  }
  BeginBlock();
  engine.ProcessFloat(inL, inR, outL, outR, frames, adding);
}
