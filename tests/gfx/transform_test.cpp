// BlitTransformed and BlurRect.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdint>
#include <limits>

#include "gfx/Draw.h"
#include "tests/gfx/gfx_test_util.h"

TEST(BlitTransformed, AngleZeroReproducesBlit) {
  PixelBitmap src(5, 4, 4);
  FillPattern(src, 7);
  for (int filter : {0, int(FilterBilinear)}) {
    for (int mode : {int(ModeCopy), ModeCopy | UseSourceAlpha, int(ModeAdd), ModeMultiply | UseSourceAlpha}) {
      PixelBitmap a(8, 8, 4), b(8, 8, 4);
      FillPattern(a, 3);
      FillPattern(b, 3);
      IBounds r(1, 1, 4, 3);
      Blit(&a, &src, 2, 3, &r, 1.0f, mode);
      BlitTransformed(&b, &src, 2, 3, 3, 2, 1.0f, 1.0f, 3.0f, 2.0f, 0.0f, false, 1.0f, mode | filter);
      EXPECT_EQ(Snapshot(a), Snapshot(b)) << "mode " << mode << " filter " << filter;
      // Clipped at the destination's left and top edges as well.
      Blit(&a, &src, -2, -1, nullptr, 1.0f, mode);
      BlitTransformed(&b, &src, -2, -1, 5, 4, 0.0f, 0.0f, 5.0f, 4.0f, 0.0f, false, 1.0f, mode | filter);
      EXPECT_EQ(Snapshot(a), Snapshot(b)) << "mode " << mode << " filter " << filter;
    }
  }
}

TEST(BlitTransformed, BilinearEdgesInterpolateOneWay) {
  // A 2 x 2 source doubled: positions step by half a pixel. Blue values
  // 0, 100 / 200, 40; alpha 255.
  PixelBitmap src(2, 2, 4), dest(4, 4, 4);
  At(src, 0, 0) = 0xFF000000u;
  At(src, 1, 0) = 0xFF000064u;
  At(src, 0, 1) = 0xFF0000C8u;
  At(src, 1, 1) = 0xFF000028u;
  FillAll(dest, 0x11111111u);
  BlitTransformed(&dest, &src, 0, 0, 4, 4, 0.0f, 0.0f, 2.0f, 2.0f, 0.0f, false, 1.0f, ModeCopy | FilterBilinear);
  // Inner samples mix four pixels ((0 + 100 + 200 + 40) / 4 = 85 at the
  // half-way point); the last column mixes vertically only (100/40 -> 70),
  // the last row horizontally only (200/40 -> 120), the corner is itself.
  const int expected[4][4] = {{0, 50, 100, 100}, {100, 85, 70, 70}, {200, 120, 40, 40}, {200, 120, 40, 40}};
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) EXPECT_EQ(At(dest, x, y), 0xFF000000u | uint32_t(expected[y][x])) << x << "," << y;

  // Nearest sampling of the same.
  FillAll(dest, 0x11111111u);
  BlitTransformed(&dest, &src, 0, 0, 4, 4, 0.0f, 0.0f, 2.0f, 2.0f, 0.0f, false, 1.0f, ModeCopy);
  const int nearest[4][4] = {{0, 0, 100, 100}, {0, 0, 100, 100}, {200, 200, 40, 40}, {200, 200, 40, 40}};
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) EXPECT_EQ(At(dest, x, y), 0xFF000000u | uint32_t(nearest[y][x])) << x << "," << y;
}

TEST(BlitTransformed, MirroringAndHalfTurnSampleAtPixelCorners) {
  PixelBitmap src(4, 1, 4), dest(4, 1, 4);
  for (int x = 0; x < 4; ++x) At(src, x, 0) = 0xFF000010u + uint32_t(x);
  // Negative width: the source is walked from its right edge, s = 4 - i, so
  // the first destination pixel falls outside the window and stays.
  FillAll(dest, 0);
  BlitTransformed(&dest, &src, 4, 0, -4, 1, 0.0f, 0.0f, 4.0f, 1.0f, 0.0f, false, 1.0f, ModeCopy);
  EXPECT_EQ(At(dest, 0, 0), 0u);
  EXPECT_EQ(At(dest, 1, 0), 0xFF000013u);
  EXPECT_EQ(At(dest, 2, 0), 0xFF000012u);
  EXPECT_EQ(At(dest, 3, 0), 0xFF000011u);

  // Half a turn about the centre: the same walk in both directions.
  PixelBitmap sq(4, 4, 4), out(4, 4, 4);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) At(sq, x, y) = 0xFF000000u | uint32_t(y << 4 | x);
  FillAll(out, 0);
  BlitTransformed(&out, &sq, 0, 0, 4, 4, 0.0f, 0.0f, 4.0f, 4.0f, 3.14159265358979f, false, 1.0f, ModeCopy);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) {
      uint32_t expected = (x == 0 || y == 0) ? 0u : 0xFF000000u | uint32_t((4 - y) << 4 | (4 - x));
      EXPECT_EQ(At(out, x, y), expected) << x << "," << y;
    }
}

TEST(BlitTransformed, WeightsAndClipToSource) {
  PixelBitmap src(4, 4, 4), dest(2, 2, 4);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) At(src, x, y) = 0xFF000000u | uint32_t(y << 4 | x);
  // With clipToSourceRect the window starts at the source rectangle, so its
  // pixels are addressed from there.
  FillAll(dest, 0);
  BlitTransformed(&dest, &src, 0, 0, 2, 2, 1.0f, 2.0f, 2.0f, 2.0f, 0.0f, true, 1.0f, ModeCopy);
  EXPECT_EQ(At(dest, 0, 0), 0xFF000021u);
  EXPECT_EQ(At(dest, 1, 1), 0xFF000032u);
  // Alpha rounds: 0.5 + 1/1024 is 128.25 -> 128 in copy mode through the
  // formula, 0xFF000021 over 0: s + ((0 - s) * 128) / 256.
  FillAll(dest, 0);
  BlitTransformed(&dest, &src, 0, 0, 2, 2, 1.0f, 2.0f, 2.0f, 2.0f, 0.0f, true, 0.5f + 1.0f / 1024, ModeCopy);
  EXPECT_EQ(At(dest, 0, 0), 0x80000011u);
  // 1/1024 rounds to weight 0 and draws nothing; 3/1024 rounds up to 1:
  // 255 - (255 * 255) / 256 = 1 and 33 - (33 * 255) / 256 = 1.
  FillAll(dest, 0);
  BlitTransformed(&dest, &src, 0, 0, 2, 2, 1.0f, 2.0f, 2.0f, 2.0f, 0.0f, true, 1.0f / 1024, ModeCopy);
  EXPECT_EQ(At(dest, 0, 0), 0u);
  BlitTransformed(&dest, &src, 0, 0, 2, 2, 1.0f, 2.0f, 2.0f, 2.0f, 0.0f, true, 3.0f / 1024, ModeCopy);
  EXPECT_EQ(At(dest, 0, 0), 0x01000001u);
  // An empty source window or mode draws nothing.
  FillAll(dest, 0);
  BlitTransformed(&dest, &src, 0, 0, 2, 2, 5.0f, 0.0f, 2.0f, 2.0f, 0.0f, true, 1.0f, ModeCopy);
  BlitTransformed(&dest, &src, 0, 0, 2, 2, 0.0f, 0.0f, 2.0f, 2.0f, 0.0f, false, 1.0f, 9);
  BlitTransformed(&dest, &src, 0, 0, 0, 2, 0.0f, 0.0f, 2.0f, 2.0f, 0.0f, false, 1.0f, ModeCopy);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 2; ++x) EXPECT_EQ(At(dest, x, y), 0u);
}

TEST(BlitTransformed, HostileArgumentsStayInside) {
  PixelBitmap src(5, 5, 4), dest(6, 6, 4);
  FillPattern(src, 1);
  FillPattern(dest, 2);
  const auto before = Snapshot(dest);
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float inf = std::numeric_limits<float>::infinity();
  const int ints[] = {INT_MIN, -1000000, -3, 0, 3, 1000000, INT_MAX};
  const float floats[] = {-inf, -1e30f, -2.5f, 0.0f, 0.5f, 3.0f, 1e30f, inf, nan};
  for (int a : ints)
    for (int b : ints) {
      BlitTransformed(&dest, &src, a, b, b, a, 0, 0, 5, 5, 0.3f, false, 1.0f, ModeCopy | FilterBilinear);
      BlitTransformed(&dest, &src, 0, 0, a, b, 0, 0, 5, 5, 1.0f, true, 0.5f, ModeAdd);
    }
  for (float f : floats)
    for (float g : floats) {
      BlitTransformed(&dest, &src, 0, 0, 6, 6, f, g, 5, 5, 0.7f, true, 1.0f, ModeCopy | FilterBilinear);
      BlitTransformed(&dest, &src, -2, -2, 9, 9, 0, 0, f, g, g, false, 1.0f, ModeCopy | UseSourceAlpha);
      BlitTransformed(&dest, &src, 1, 1, 4, 4, 0, 0, 5, 5, 0.0f, false, f, ModeDodge, f, g);
    }
  const auto after = Snapshot(dest);
  for (int y = 0; y < 6; ++y)
    for (int x = 6; x < dest.RowPixels(); ++x) EXPECT_EQ(after[y * 8 + x], before[y * 8 + x]);
  BlitTransformed(nullptr, &src, 0, 0, 1, 1, 0, 0, 1, 1, 0, false, 1.0f, ModeCopy);
  BlitTransformed(&dest, nullptr, 0, 0, 1, 1, 0, 0, 1, 1, 0, false, 1.0f, ModeCopy);
}

namespace {

// The blur of one pixel, by its neighbours' shares.
uint32_t H(uint32_t p) { return (p >> 1) & 0x7f7f7f7fu; }
uint32_t Q(uint32_t p) { return (p >> 2) & 0x3f3f3f3fu; }
uint32_t E(uint32_t p) { return (p >> 3) & 0x1f1f1f1fu; }

}  // namespace

TEST(BlurRect, SharesOfTheNeighbours) {
  // One white pixel at (1, 1) of a 4 x 3 area.
  PixelBitmap src(4, 3, 4), dest(4, 3, 4);
  FillAll(src, 0);
  At(src, 1, 1) = 0xFFFFFFFFu;
  FillAll(dest, 0x55555555u);
  BlurRect(&dest, &src, 0, 0, 0, 0, 4, 3);
  const uint32_t c = 0xFFFFFFFFu;
  const uint32_t expected[3][4] = {
      {0, Q(c), 0, 0},           // first row: the one vertical neighbour gets a quarter
      {Q(c), H(c), E(c), 0},     // first column: the side neighbour's share doubles
      {0, Q(c), 0, 0},
  };
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 4; ++x) EXPECT_EQ(At(dest, x, y), expected[y][x]) << x << "," << y;

  // A corner sums half itself and a quarter of each of its two neighbours.
  FillAll(src, 0);
  At(src, 0, 0) = 0x80808080u;
  At(src, 1, 0) = 0x40404040u;
  At(src, 0, 1) = 0x20202020u;
  BlurRect(&dest, &src, 0, 0, 0, 0, 4, 3);
  EXPECT_EQ(At(dest, 0, 0), H(0x80808080u) + Q(0x40404040u) + Q(0x20202020u));
  // An inner pixel of the first row: left and right an eighth, below a quarter.
  EXPECT_EQ(At(dest, 1, 0), H(0x40404040u) + E(0x80808080u) + E(0u) + Q(0u));
}

TEST(BlurRect, InPlaceEqualsACopy) {
  for (int width : {2, 7, 1100}) {
    PixelBitmap a(width, 5, 4), b(width, 5, 4), ref(width, 5, 4);
    FillPattern(a, 11);
    FillPattern(b, 11);
    FillPattern(ref, 99);
    // Part of the bitmap, so that the rows around stay as they were.
    BlurRect(&ref, &a, 0, 1, 0, 1, width, 3);
    BlurRect(&b, &b, 0, 1, 0, 1, width, 3);
    for (int y = 1; y < 4; ++y)
      for (int x = 0; x < width; ++x) ASSERT_EQ(At(b, x, y), At(ref, x, y)) << width << ": " << x << "," << y;
    for (int x = 0; x < width; ++x) {
      EXPECT_EQ(At(b, x, 0), At(a, x, 0));
      EXPECT_EQ(At(b, x, 4), At(a, x, 4));
    }
  }
  // Overlapping areas at different places of one bitmap read the original.
  PixelBitmap a(9, 9, 4), b(9, 9, 4), ref(9, 9, 4);
  FillPattern(a, 5);
  FillPattern(b, 5);
  FillPattern(ref, 5);
  BlurRect(&ref, &a, 2, 3, 1, 1, 6, 5);
  BlurRect(&b, &b, 2, 3, 1, 1, 6, 5);
  EXPECT_EQ(Snapshot(b), Snapshot(ref));
}

TEST(BlurRect, Clipping) {
  PixelBitmap src(6, 6, 4), dest(4, 4, 4), ref(4, 4, 4);
  FillPattern(src, 3);
  // A negative source origin is raised to 0 while the destination stays.
  FillAll(dest, 0);
  FillAll(ref, 0);
  BlurRect(&dest, &src, 1, 1, -2, -2, 5, 5);  // source 0..2 to 1..3
  BlurRect(&ref, &src, 1, 1, 0, 0, 3, 3);
  EXPECT_EQ(Snapshot(dest), Snapshot(ref));
  // A negative destination origin moves the source origin with it.
  FillAll(dest, 0);
  FillAll(ref, 0);
  BlurRect(&dest, &src, -1, -2, 1, 1, 4, 5);
  BlurRect(&ref, &src, 0, 0, 2, 3, 3, 3);
  EXPECT_EQ(Snapshot(dest), Snapshot(ref));
  // Less than 2 x 2 left does nothing; hostile values stay inside.
  FillAll(dest, 0);
  BlurRect(&dest, &src, 3, 0, 0, 0, 5, 5);
  BlurRect(&dest, &src, 0, 0, 0, 5, 5, 5);
  const int ints[] = {INT_MIN, -5, 0, 5, INT_MAX};
  for (int a : ints)
    for (int b : ints) {
      BlurRect(&dest, &src, a, b, b, a, a, b);
      BlurRect(&dest, &dest, a, b, a, b, INT_MAX, INT_MAX);
    }
  BlurRect(&dest, nullptr, 0, 0, 0, 0, 3, 3);
  BlurRect(nullptr, &src, 0, 0, 0, 0, 3, 3);
}
