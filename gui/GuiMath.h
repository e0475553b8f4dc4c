#pragma once
#include <climits>

#include "framework/IParameter.h"

// Integer results of the controls' arithmetic, saturated to the int range.
namespace guimath {

inline int ClampToInt(long long v) { return v < INT_MIN ? INT_MIN : v > INT_MAX ? INT_MAX : static_cast<int>(v); }

// The nearest integer, halves away from zero (not-a-number gives 0).
inline int Nearest(double v) { return RoundToInt32(v); }

// Truncated toward zero (not-a-number gives 0).
inline int TruncToInt(double v) {
  if (!(v == v)) return 0;
  if (v <= -2147483648.0) return INT_MIN;
  if (v >= 2147483647.0) return INT_MAX;
  return static_cast<int>(v);
}

}  // namespace guimath
