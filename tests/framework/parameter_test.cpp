#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <string>

#include <gtest/gtest.h>

#include "framework/IParameter.h"

namespace {

std::string Show(const IParameter& p, double x, bool normalized = false) {
  char out[IParameter::kTextSize];
  p.FormatDisplay(x, normalized, out);
  return out;
}

TEST(Parameter, IntegerDefinitionRoundsHalfUpToTheStep) {
  IParameter p;
  p.DefineInteger("Delay Time", 500, 1, 24000, "ms");
  EXPECT_EQ(p.GetKind(), IParameter::kInteger);
  EXPECT_EQ(p.Step(), 1.0);
  EXPECT_EQ(p.Precision(), 0);
  EXPECT_EQ(p.Value(), 500.0);
  EXPECT_STREQ(p.Label(), "ms");
  EXPECT_EQ(Show(p, p.Value()), "500");
  p.SetFromNormalized(0.5);
  EXPECT_EQ(p.Value(), 12001.0);  // 12000.5 rounds up
  p.SetFromNormalized(1.7);
  EXPECT_EQ(p.Value(), 24000.0);
}

TEST(Parameter, ListWithDisplayTexts) {
  IParameter p;
  p.DefineList("Delay Rate", 9, 25, "");
  for (int i = 0; i < 25; ++i) p.AddDisplayText(i, ("t" + std::to_string(i)).c_str());
  EXPECT_EQ(p.GetKind(), IParameter::kList);
  EXPECT_EQ(p.Max(), 24.0);
  EXPECT_EQ(Show(p, 9), "t9");
  EXPECT_EQ(Show(p, 8.6), "t9");   // rounds half away from zero to the entry
  EXPECT_EQ(Show(p, 1.0, true), "t24");
  p.SetFromNormalized(0.37);
  EXPECT_EQ(p.Value(), 9.0);  // round(8.88)
  double v = -1;
  EXPECT_TRUE(p.ValueForDisplayText("t12", &v));
  EXPECT_EQ(v, 12.0);
  EXPECT_FALSE(p.ValueForDisplayText("T12", &v));  // case-sensitive
  EXPECT_EQ(p.ParseDisplay("t3"), 3.0);
  EXPECT_EQ(p.ParseDisplay("17.5"), 17.5);  // not a text: read as a number, unclamped
  EXPECT_EQ(p.ParseDisplay("99"), 99.0);
  EXPECT_STREQ(p.DisplayTextFor(30), "");
}

TEST(Parameter, CurveMapsBothWays) {
  IParameter p;
  p.DefineInteger("Freq", 600, 100, 20000, "Hz");
  p.SetCurve(2.0);
  p.SetFromNormalized(0.5);
  EXPECT_EQ(p.Value(), 5075.0);
  EXPECT_DOUBLE_EQ(p.ToNormalized(5075.0), 0.5);
  EXPECT_DOUBLE_EQ(p.NormalizedValue(), 0.5);
  p.SetCurve(0.0);  // ignored
  EXPECT_EQ(p.Shape(), 2.0);
  EXPECT_EQ(p.ToNormalized(50.0), 0.0);
  EXPECT_EQ(p.ToNormalized(1e9), 1.0);
  EXPECT_EQ(p.ToNormalized(std::nan("")), 0.0);
}

TEST(Parameter, DefinitionRules) {
  IParameter p;
  p.SetKind(IParameter::kList);
  p.DefineContinuous("x", 7.0, 5.0, 5.5, 1.0);  // max below min + step
  EXPECT_EQ(p.GetKind(), IParameter::kList);  // the kind set first wins
  EXPECT_EQ(p.Max(), 6.0);
  EXPECT_EQ(p.Value(), 7.0);  // the default is not clamped

  IParameter q;
  q.DefineContinuous("q", 0, 0, 1, 0.001);
  EXPECT_EQ(q.Precision(), 3);
  q.DefineContinuous("q", 0, 0, 1, 0.01);
  EXPECT_EQ(q.Precision(), 2);
  q.DefineContinuous("q", 0, 0, 10, 0.5);
  EXPECT_EQ(q.Precision(), 1);
  q.DefineContinuous("q", 0, 0, 10, 1.0 / 3.0);
  EXPECT_EQ(q.Precision(), 6);
  EXPECT_EQ(q.GetKind(), IParameter::kContinuous);
}

TEST(Parameter, NumbersShownByPrecision) {
  IParameter p;
  p.DefineContinuous("x", 0, -10, 10, 0.01);
  EXPECT_EQ(Show(p, 0.0), "0");
  EXPECT_EQ(Show(p, 0.004), "0.00");
  EXPECT_EQ(Show(p, 2.5), "2.50");
  IParameter q;
  q.DefineInteger("y", 0, -10, 10);
  EXPECT_EQ(Show(q, -3.7), "-3");
  EXPECT_EQ(Show(q, std::nan("")), "0");
  EXPECT_EQ(Show(q, 1e12), "1000000000000");  // beyond 32 bits: still truncated, no overflow
  q.AddDisplayText(4, "");
  q.AddDisplayText(4, "four");
  EXPECT_EQ(Show(q, 4), "4");  // an empty text stops the scan and shows the number
  char small[4];
  q.FormatDisplay(123456, false, small, sizeof small);
  EXPECT_STREQ(small, "123");
}

TEST(Parameter, ContinuousIsNotSteppedAndNonFiniteInputIsSafe) {
  IParameter p;
  p.DefineContinuous("gain", 0.0, 0.0, 10.0, 1.0);
  p.SetFromNormalized(0.55);
  EXPECT_DOUBLE_EQ(p.Value(), 5.5);
  p.SetFromNormalized(std::nan(""));
  EXPECT_EQ(p.Value(), 0.0);
  p.SetFromNormalized(std::numeric_limits<double>::infinity());
  EXPECT_EQ(p.Value(), 10.0);
  p.SetFromNormalized(-std::numeric_limits<double>::infinity());
  EXPECT_EQ(p.Value(), 0.0);
  p.SetCurve(0.5);
  p.SetFromNormalized(-0.25);  // fractional power of a negative number
  EXPECT_TRUE(std::isfinite(p.Value()));
  p.SetClamped(std::nan(""));
  EXPECT_EQ(p.Value(), 0.0);
  p.SetClamped(11.0);
  EXPECT_EQ(p.Value(), 10.0);
  p.SetClamped(-1.0);
  EXPECT_EQ(p.Value(), 0.0);
}

TEST(Parameter, LongTextsAreCutToTheirFields) {
  const std::string longText(100, 'x');
  IParameter p;
  p.DefineList(longText.c_str(), 0, 2, longText.c_str());
  p.AddDisplayText(0, longText.c_str());
  EXPECT_EQ(std::string(p.Name()), std::string(31, 'x'));
  EXPECT_EQ(std::string(p.Label()), std::string(31, 'x'));
  EXPECT_EQ(Show(p, 0), std::string(31, 'x'));
}

// Sets a locale whose decimal separator is a comma for numbers; its name, or
// null when the system has none.
const char* SetCommaLocale() {
#ifdef _WIN32
  const char* const names[] = {"German_Germany.1252", "de-DE", "German"};
#else
  // Generated into the build tree when the tests are configured.
  setenv("LOCPATH", QM_TEST_LOCALE_DIR, 1);
  const char* const names[] = {"de_DE.UTF-8", "de_DE.utf8"};
#endif
  for (const char* name : names)
    if (setlocale(LC_NUMERIC, name)) return name;
  return nullptr;
}

TEST(Parameter, ParseIgnoresLocaleAndRejectsNonNumbers) {
  // A host may run under a locale that writes 2.5 as "2,5"; display texts
  // are read the same way under every locale.
  const char* locale = SetCommaLocale();
  if (!locale) GTEST_SKIP() << "no locale with a decimal comma on this system";
  char text[16];
  snprintf(text, sizeof text, "%.1f", 2.5);
  ASSERT_STREQ(text, "2,5") << locale << " is not in effect";
  ASSERT_EQ(strtod("2,5", nullptr), 2.5);
  IParameter p;
  p.DefineContinuous("x", 0, -1e6, 1e6, 0.01);
  EXPECT_DOUBLE_EQ(p.ParseDisplay("  -12.25ms"), -12.25);
  EXPECT_DOUBLE_EQ(p.ParseDisplay("+3e2"), 300.0);
  EXPECT_DOUBLE_EQ(p.ParseDisplay(".5"), 0.5);
  EXPECT_EQ(p.ParseDisplay("abc"), 0.0);
  EXPECT_EQ(p.ParseDisplay("nan"), 0.0);
  EXPECT_EQ(p.ParseDisplay("inf"), 0.0);
  EXPECT_EQ(p.ParseDisplay(""), 0.0);
  EXPECT_EQ(p.ParseDisplay(nullptr), 0.0);
  EXPECT_EQ(p.ParseDisplay("1e-999"), 0.0);
  EXPECT_TRUE(std::isinf(p.ParseDisplay("1e999")));
  EXPECT_DOUBLE_EQ(p.ParseDisplay("2,5"), 2.0);  // a comma is not a decimal point
  setlocale(LC_NUMERIC, "C");
}

TEST(Parameter, RoundToInt32SaturatesAndRoundsAwayFromZero) {
  EXPECT_EQ(RoundToInt32(2.5), 3);
  EXPECT_EQ(RoundToInt32(-2.5), -3);
  EXPECT_EQ(RoundToInt32(-2.4), -2);
  EXPECT_EQ(RoundToInt32(1e300), 2147483647);
  EXPECT_EQ(RoundToInt32(-1e300), -2147483647 - 1);
  EXPECT_EQ(RoundToInt32(std::nan("")), 0);
}

}  // namespace
