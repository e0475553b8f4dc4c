#include "gui/IClickTracker.h"

#include <cstdlib>

IClickTracker::Kind IClickTracker::Press(int button, int x, int y, uint32_t timeMs) {
  const bool second = mHaveFirst && button == mButton && timeMs - mTime <= kIntervalMs &&
                      std::abs(static_cast<long long>(x) - mX) <= kDistance &&
                      std::abs(static_cast<long long>(y) - mY) <= kDistance;
  if (second) {
    mHaveFirst = false;
    if (button == kLeft) return kDoubleClick;
    if (button >= 0 && button < 32) mDropped |= 1u << button;
    return kDropped;
  }
  mHaveFirst = true;
  mButton = button;
  mX = x;
  mY = y;
  mTime = timeMs;
  return kPress;
}

bool IClickTracker::Release(int button) {
  if (button < 0 || button >= 32 || !(mDropped & (1u << button))) return true;
  mDropped &= ~(1u << button);
  return false;
}

void IClickTracker::Reset() {
  mHaveFirst = false;
  mDropped = 0;
}
