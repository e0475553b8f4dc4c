#pragma once
#include <algorithm>

// An integer rectangle; right and bottom are exclusive for drawing. A bounds
// whose four fields are all 0 is empty; one with left == right but other
// non-zero fields is not.
struct IBounds {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;

  IBounds() = default;
  IBounds(int l, int t, int r, int b) : left(l), top(t), right(r), bottom(b) {}
  int W() const { return right - left; }
  int H() const { return bottom - top; }

  bool Empty() const { return left == 0 && top == 0 && right == 0 && bottom == 0; }
  // Strict overlap: rectangles that only touch along an edge do not overlap.
  bool Overlaps(const IBounds& o) const {
    return left < o.right && o.left < right && top < o.bottom && o.top < bottom;
  }
  // Empty when either is empty or they do not overlap.
  IBounds Intersect(const IBounds& o) const {
    if (Empty() || o.Empty() || !Overlaps(o)) return IBounds();
    return IBounds(std::max(left, o.left), std::max(top, o.top), std::min(right, o.right),
                   std::min(bottom, o.bottom));
  }
  // The other one when one is empty.
  IBounds Union(const IBounds& o) const {
    if (Empty()) return o;
    if (o.Empty()) return *this;
    return IBounds(std::min(left, o.left), std::min(top, o.top), std::max(right, o.right),
                   std::max(bottom, o.bottom));
  }
  bool operator==(const IBounds& o) const {
    return left == o.left && top == o.top && right == o.right && bottom == o.bottom;
  }
  bool operator!=(const IBounds& o) const { return !(*this == o); }
};
