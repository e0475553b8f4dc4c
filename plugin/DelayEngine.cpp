#include "plugin/DelayEngine.h"

#include <algorithm>
#include <cmath>
#include <new>

namespace {

// Round half away from zero in single precision.
int32_t RoundSingle(float x) { return static_cast<int32_t>(x >= 0.0f ? std::trunc(x + 0.5f) : std::trunc(x - 0.5f)); }

}  // namespace

DelayEngine::DelayEngine() {
  left.line.reset(new double[1]());
  right.line.reset(new double[1]());
}

void DelayEngine::SetLoopLength(uint32_t length) {
  loopLength = length;
  UpdateTaps();
}

void DelayEngine::UpdateTaps() {
  const uint32_t L = loopLength;
  for (DelayChannel* channel : {&left, &right}) {
    if (L == 0) {
      channel->tap = 0;
    } else {
      // Offsets in single precision, as the taps have always been computed;
      // a float (L - 1) can round up for very long loops, so the taps are
      // held inside the loop.
      const float last = static_cast<float>(L - 1);
      channel->tap = std::clamp(RoundSingle(last * channel->offset), 0, static_cast<int32_t>(L - 1));
    }
  }
  ResetLines();
}

bool DelayEngine::AllocateLines(uint32_t n) {
  const size_t entries = std::max<uint32_t>(n, 1);
  std::unique_ptr<double[]> lineLeft(new (std::nothrow) double[entries]());
  std::unique_ptr<double[]> lineRight(new (std::nothrow) double[entries]());
  if (!lineLeft || !lineRight) return false;
  left.line = std::move(lineLeft);
  right.line = std::move(lineRight);
  capacity = n;
  return true;
}

void DelayEngine::ClearLines() {
  const size_t entries = std::max<uint32_t>(capacity, 1);
  std::fill(left.line.get(), left.line.get() + entries, 0.0);
  std::fill(right.line.get(), right.line.get() + entries, 0.0);
}

void DelayEngine::ResetLines() {
  if (loopLength > capacity) {
    if (!AllocateLines(loopLength)) FitLoopToLines();
  } else {
    ClearLines();
  }
  resync = true;
}

void DelayEngine::FitLoopToLines() {
  if (loopLength <= capacity) return;
  SetLoopLength(capacity & ~1u);
}

void DelayEngine::Realign(int hostPosition) {
  right.flip = left.flip = false;
  resync = false;
  writePos = loopLength ? static_cast<uint32_t>(hostPosition) % loopLength : 0;
}

void DelayEngine::Process(const double* inL, const double* inR, double* outL, double* outR, int frames) {
  if (loopLength == 0) {
    RunSilentLoop(inL, inR, outL, outR, frames);
  } else if (toggleReverse) {
    // Each channel's toggle point lies half a loop from its tap.
    const double L = loopLength;
    const double hx = 0.5 - L * 0.5;
    const double h = hx >= 0.0 ? std::trunc(hx + 0.5) : std::trunc(hx - 0.5);
    double toggleLeft = h + left.tap, toggleRight = h + right.tap;
    if (toggleLeft < 0.0) toggleLeft += L;
    if (toggleRight < 0.0) toggleRight += L;
    RunLoop(inL, inR, outL, outR, frames, left.reverse != right.reverse, static_cast<uint32_t>(toggleLeft),
            static_cast<uint32_t>(toggleRight));
  } else {
    RunLoop(inL, inR, outL, outR, frames, false, 0, 0);
  }
}
