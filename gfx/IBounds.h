#pragma once

// An integer rectangle; right and bottom are exclusive for drawing.
struct IBounds {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;

  IBounds() = default;
  IBounds(int l, int t, int r, int b) : left(l), top(t), right(r), bottom(b) {}
  int W() const { return right - left; }
  int H() const { return bottom - top; }
};
