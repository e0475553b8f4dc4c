#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

#include "gfx/SinCos.h"

namespace {

int32_t OrderedBits(float f) {
  int32_t i;
  std::memcpy(&i, &f, sizeof(i));
  return i < 0 ? int32_t(0x80000000u) - i : i;
}

// Distance in units of the last place between two floats.
int64_t Ulps(float a, float b) { return std::llabs(int64_t(OrderedBits(a)) - int64_t(OrderedBits(b))); }

}  // namespace

// Every angle a knob turns through (and well beyond), against the double
// precision library functions rounded once: within one unit of the last
// place, and almost always exact.
TEST(SinCos, MatchesTheLibraryWithinOneUnitInTheLastPlace) {
  int inexact = 0, total = 0;
  for (float a = -7.0f; a <= 7.0f; a = std::nextafter(a, 8.0f) + 1e-5f) {
    float s, c;
    SinCosF(a, &s, &c);
    const float rs = float(std::sin(double(a))), rc = float(std::cos(double(a)));
    ASSERT_LE(Ulps(s, rs), 1) << a;
    ASSERT_LE(Ulps(c, rc), 1) << a;
    inexact += (s != rs) + (c != rc);
    total += 2;
  }
  EXPECT_LT(inexact, total / 10000);
}

TEST(SinCos, ExactPointsAndLargeAngles) {
  float s, c;
  SinCosF(0.0f, &s, &c);
  EXPECT_EQ(s, 0.0f);
  EXPECT_EQ(c, 1.0f);
  SinCosF(-0.0f, &s, &c);
  EXPECT_TRUE(std::signbit(s));
  for (float a : {1000.0f, -12345.678f, 1.0e6f}) {
    SinCosF(a, &s, &c);
    EXPECT_NEAR(s, std::sin(double(a)), 1e-6) << a;
    EXPECT_NEAR(c, std::cos(double(a)), 1e-6) << a;
  }
}

TEST(SinCos, NonFiniteAnglesGiveNotANumber) {
  for (float a : {std::numeric_limits<float>::infinity(), -std::numeric_limits<float>::infinity(),
                  std::numeric_limits<float>::quiet_NaN()}) {
    float s = 0, c = 0;
    SinCosF(a, &s, &c);
    EXPECT_TRUE(std::isnan(s));
    EXPECT_TRUE(std::isnan(c));
  }
}
