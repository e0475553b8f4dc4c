#include "framework/IParameter.h"

#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "framework/TextUtil.h"

int RoundToInt32(double x) {
  if (!(x == x)) return 0;
  double r = x > 0.0 ? std::trunc(x + 0.5) : std::trunc(x - 0.5);
  if (r >= 2147483647.0) return INT_MAX;
  if (r <= -2147483648.0) return INT_MIN;
  return static_cast<int>(r);
}

IParameter::IParameter() = default;

void IParameter::DefineContinuous(const char* name, double defaultValue, double min, double max,
                                  double step, const char* label) {
  if (mKind == kNone) mKind = kContinuous;
  CopyTextField(mName, name, kTextSize);
  CopyTextField(mLabel, label, kTextSize);
  mMin = min;
  mValue = defaultValue;
  mMax = (max >= min + step) ? max : min + step;
  mStep = step;
  mPrecision = 0;
  for (double s = step; s != std::floor(s);) {
    if (++mPrecision >= 6) break;
    s *= 10.0;
  }
}

void IParameter::DefineInteger(const char* name, int defaultValue, int min, int max, const char* label) {
  if (mKind == kNone) mKind = kInteger;
  DefineContinuous(name, defaultValue, min, max, 1.0, label);
}

void IParameter::DefineList(const char* name, int defaultValue, int count, const char* label) {
  if (mKind == kNone) mKind = kList;
  DefineContinuous(name, defaultValue, 0.0, static_cast<double>(count) - 1.0, 1.0, label);
}

void IParameter::AddDisplayText(int value, const char* text) {
  DisplayText entry;
  entry.value = value;
  CopyTextField(entry.text, text, kTextSize);
  mDisplayTexts.push_back(entry);
}

void IParameter::SetCurve(double shape) {
  if (shape != 0.0) mShape = shape;
}

void IParameter::SetFromNormalized(double normalized) {
  // A host value that is not finite never becomes a plain value: NaN and
  // -inf give min, +inf gives max.
  if (!std::isfinite(normalized)) {
    mValue = normalized > 0.0 ? mMax : mMin;
    return;
  }
  double v = std::pow(normalized, mShape) * (mMax - mMin) + mMin;
  if (mKind != kContinuous && mStep > 0.0) v = std::floor(v / mStep + 0.5) * mStep;
  if (!(v == v)) v = mMin;  // a negative n under a fractional curve
  mValue = (v >= mMax) ? mMax : v;
}

void IParameter::SetClamped(double plain) {
  if (!(plain >= mMin)) mValue = mMin;
  else if (plain > mMax) mValue = mMax;
  else mValue = plain;
}

double IParameter::ToNormalized(double x) const {
  if (!(x >= mMin)) x = mMin;
  else if (x > mMax) x = mMax;
  if (!(mMax > mMin)) return 0.0;
  return std::pow((x - mMin) / (mMax - mMin), 1.0 / mShape);
}

const char* IParameter::DisplayTextFor(int value) const {
  for (const DisplayText& e : mDisplayTexts)
    if (e.value == value) return e.text;
  return "";
}

bool IParameter::ValueForDisplayText(const char* text, double* value) const {
  if (!text) return false;
  for (const DisplayText& e : mDisplayTexts) {
    if (strcmp(e.text, text) == 0) {
      if (value) *value = e.value;
      return true;
    }
  }
  return false;
}

void IParameter::FormatDisplay(double x, bool normalized, char* out, int outSize) const {
  if (!out || outSize <= 0) return;
  if (normalized) x = std::pow(x, mShape) * (mMax - mMin) + mMin;
  if (!mDisplayTexts.empty() && std::fabs(x) < 2147483647.0) {
    int k = static_cast<int>(x > 0.0 ? std::trunc(x + 0.5) : std::trunc(x - 0.5));
    for (const DisplayText& e : mDisplayTexts) {
      if (e.value != k) continue;
      if (e.text[0]) {
        CopyTextField(out, e.text, static_cast<size_t>(outSize));
        return;
      }
      break;
    }
  }
  if (x == 0.0 || x != x) {
    CopyTextField(out, "0", static_cast<size_t>(outSize));
  } else if (mPrecision > 0) {
    snprintf(out, static_cast<size_t>(outSize), "%.*f", mPrecision, x);
  } else if (std::fabs(x) < 2147483648.0) {
    snprintf(out, static_cast<size_t>(outSize), "%d", static_cast<int>(x));
  } else {
    // Beyond the 32-bit range: still the value truncated toward zero.
    snprintf(out, static_cast<size_t>(outSize), "%.0f", std::trunc(x));
  }
}

double IParameter::ParseDisplay(const char* text) const {
  double v = 0.0;
  if (!mDisplayTexts.empty() && ValueForDisplayText(text, &v)) return v;
  return ParseLeadingNumber(text);
}
