#pragma once
#include <cstdint>

// Tells single presses from double clicks for a window system that reports
// only presses and releases. A second press of the same button soon after
// the first, close to where the first was, is a double click: for the left
// button it goes to the graphics context as one, and a quick second right
// press is dropped together with its release (a right double click opens no
// value entry). After a double click the next press starts afresh.
class IClickTracker {
public:
  // The desktop's usual double-click time and distance.
  static constexpr uint32_t kIntervalMs = 400;
  static constexpr int kDistance = 4;

  enum Button { kLeft = 1, kRight = 3 };
  enum Kind { kPress, kDoubleClick, kDropped };

  // A press of button at (x, y) at time ms (a wrapping 32-bit millisecond
  // clock, as window systems stamp their events).
  Kind Press(int button, int x, int y, uint32_t timeMs);
  // The release of button: false when it ends a dropped press.
  bool Release(int button);
  // Forgets every press (the window closes).
  void Reset();

private:
  bool mHaveFirst = false;
  int mButton = 0;
  int mX = 0, mY = 0;
  uint32_t mTime = 0;
  // Buttons whose press was dropped, as bits 1 << button.
  unsigned mDropped = 0;
};
