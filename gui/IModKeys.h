#pragma once

// Mouse buttons and modifier keys held at a mouse event.
struct IModKeys {
  bool left = false;
  bool right = false;
  bool shift = false;
  bool control = false;
  bool alt = false;

  IModKeys() = default;
  IModKeys(bool l, bool r, bool s, bool c, bool a) : left(l), right(r), shift(s), control(c), alt(a) {}
  // Fine adjustment: shift or control.
  bool Fine() const { return shift || control; }
};
