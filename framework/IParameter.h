#pragma once
#include <vector>

// One automatable parameter: a plain value with range, step, response curve
// and display texts, mapped to and from the host's normalised [0, 1].
class IParameter {
public:
  enum Kind { kNone = 0, kInteger = 2, kList = 3, kContinuous = 4 };
  static constexpr int kTextSize = 32;  // name, label and display texts, terminator included

  struct DisplayText {
    int value;
    char text[kTextSize];
  };

  IParameter();

  void DefineContinuous(const char* name, double defaultValue, double min, double max, double step,
                        const char* label = "");
  void DefineInteger(const char* name, int defaultValue, int min, int max, const char* label = "");
  void DefineList(const char* name, int defaultValue, int count, const char* label = "");
  void AddDisplayText(int value, const char* text);
  void SetCurve(double shape);
  void SetKind(Kind kind) { mKind = kind; }

  Kind GetKind() const { return mKind; }
  double Value() const { return mValue; }
  double Min() const { return mMin; }
  double Max() const { return mMax; }
  double Step() const { return mStep; }
  double Shape() const { return mShape; }
  int Precision() const { return mPrecision; }
  const char* Name() const { return mName; }
  const char* Label() const { return mLabel; }

  void SetFromNormalized(double normalized);
  // Plain setting as the framework's callers do it: clamped to [min, max],
  // a value that is not a number becomes min; no step rounding.
  void SetClamped(double plain);
  double NormalizedValue() const { return ToNormalized(mValue); }
  double ToNormalized(double plain) const;

  int DisplayTextCount() const { return static_cast<int>(mDisplayTexts.size()); }
  const DisplayText& DisplayTextAt(int i) const { return mDisplayTexts[i]; }
  const char* DisplayTextFor(int value) const;
  bool ValueForDisplayText(const char* text, double* value) const;
  // Writes the text shown for x (plain, or normalised when normalized is
  // true) into out, which holds outSize bytes; longer texts are cut.
  void FormatDisplay(double x, bool normalized, char* out, int outSize = kTextSize) const;
  double ParseDisplay(const char* text) const;

private:
  Kind mKind = kNone;
  double mValue = 0.0;
  double mMin = 0.0;
  double mMax = 1.0;
  double mStep = 1.0;
  double mShape = 1.0;
  int mPrecision = 0;
  char mName[kTextSize] = {};
  char mLabel[kTextSize] = {};
  std::vector<DisplayText> mDisplayTexts;
};

// Round half away from zero of a double, saturated to the 32-bit range
// (a value that is not a number gives 0).
int RoundToInt32(double x);

// A normalised value held to [0, 1] where it enters the plug-in; a value
// that is not a number passes as it is (SetFromNormalized makes it min).
inline double ClampNormalized(double n) { return n < 0.0 ? 0.0 : n > 1.0 ? 1.0 : n; }
