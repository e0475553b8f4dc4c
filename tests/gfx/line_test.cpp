// DrawLine and ClipLine.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <set>
#include <utility>

#include "gfx/Draw.h"
#include "tests/gfx/gfx_test_util.h"

namespace {

using Points = std::set<std::pair<int, int>>;

// The pixels that differ from the fill value.
Points Drawn(BitmapBase& b, uint32_t fill) {
  Points p;
  for (int y = 0; y < b.Height(); ++y)
    for (int x = 0; x < b.Width(); ++x)
      if (At(b, x, y) != fill) p.insert({x, y});
  return p;
}

constexpr uint32_t kWhite = 0xFFFFFFFFu;

}  // namespace

TEST(DrawLine, StraightLinesCoverBothEnds) {
  PixelBitmap b(16, 8, 4);
  FillAll(b, 0);
  DrawLine(&b, 10, 2, 0, 2, kWhite, 1.0f, ModeCopy, false);
  Points expected;
  for (int x = 0; x <= 10; ++x) expected.insert({x, 2});
  EXPECT_EQ(Drawn(b, 0), expected);

  FillAll(b, 0);
  DrawLine(&b, -5, 5, 5, 5, kWhite, 1.0f, ModeCopy, true);
  expected.clear();
  for (int x = 0; x <= 5; ++x) expected.insert({x, 5});
  EXPECT_EQ(Drawn(b, 0), expected);

  FillAll(b, 0);
  DrawLine(&b, 3, 9, 3, 1, kWhite, 1.0f, ModeCopy, false);
  expected.clear();
  for (int y = 1; y <= 7; ++y) expected.insert({3, y});
  EXPECT_EQ(Drawn(b, 0), expected);

  FillAll(b, 0);
  DrawLine(&b, 4, 4, 4, 4, kWhite, 1.0f, ModeCopy, false);
  EXPECT_EQ(Drawn(b, 0), Points({{4, 4}}));

  // Wholly outside, or at weight 0: nothing.
  FillAll(b, 0);
  DrawLine(&b, -5, -1, 20, -1, kWhite, 1.0f, ModeCopy, false);
  DrawLine(&b, 16, 0, 30, 7, kWhite, 1.0f, ModeCopy, false);
  DrawLine(&b, 0, 0, 10, 0, kWhite, 0.001f, ModeCopy, false);
  DrawLine(&b, 0, 0, 10, 3, kWhite, 1.0f, 6, false);
  EXPECT_TRUE(Drawn(b, 0).empty());
}

TEST(DrawLine, StraightLinesAtExactAlphasUseWholeWords) {
  PixelBitmap b(4, 4, 4);
  const uint32_t c = 0x01030507u, p = 0x03050709u;
  auto vertical = [&](float alpha, int mode) {
    FillAll(b, p);
    DrawLine(&b, 1, 0, 1, 3, c, alpha, mode, false);
    for (int y = 0; y < 4; ++y) EXPECT_EQ(At(b, 0, y), p);
    return At(b, 1, 2);
  };
  // 0.5: c/2 + p/2 = 00010203 + 01020304.
  EXPECT_EQ(vertical(0.5f, ModeCopy), 0x01030507u);
  // Weight 128 from another alpha averages bytes: (3+1)/2, (5+3)/2, ...
  EXPECT_EQ(vertical(0.5004f, ModeCopy), 0x02040608u);
  // 0.25: p/2 + c/4 + p/4 = 01020304 + 00000101 + 00010102.
  EXPECT_EQ(vertical(0.25f, ModeCopy), 0x01030507u);
  // 0.75: c/2 + c/4 + p/4 = 00010203 + 00000101 + 00010102.
  EXPECT_EQ(vertical(0.75f, ModeCopy), 0x00020406u);
  EXPECT_EQ(vertical(1.0f, ModeCopy), c);
  // Weight 100 through the copy formula: 1 + (2 * 156) / 256 = 2 for every byte.
  EXPECT_EQ(vertical(100.0f / 256, ModeCopy), 0x02040608u);
  // Other operations use the per-pixel forms: add at 256.
  EXPECT_EQ(vertical(1.0f, ModeAdd), 0x04080C10u);
}

TEST(DrawLine, Diagonals) {
  PixelBitmap b(8, 8, 4);
  FillAll(b, 0);
  DrawLine(&b, 0, 0, 3, 3, kWhite, 1.0f, ModeCopy, false);
  EXPECT_EQ(Drawn(b, 0), Points({{0, 0}, {1, 1}, {2, 2}, {3, 3}}));

  // Anti-aliased at 1.0: three quarters on the line (7F + 3F), a quarter on the
  // two pixels of each step.
  FillAll(b, 0);
  DrawLine(&b, 0, 0, 3, 3, kWhite, 1.0f, ModeCopy, true);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x) {
      uint32_t expected = 0;
      if (x == y && x <= 3) expected = 0xBEBEBEBEu;
      if ((x == y + 1 && y <= 2) || (y == x + 1 && x <= 2)) expected = 0x3F3F3F3Fu;
      EXPECT_EQ(At(b, x, y), expected) << x << "," << y;
    }

  // Running the other way up: the step pixels are the same ones.
  FillAll(b, 0);
  DrawLine(&b, 5, 2, 2, 5, kWhite, 1.0f, ModeCopy, true);
  EXPECT_EQ(At(b, 5, 2), 0xBEBEBEBEu);
  EXPECT_EQ(At(b, 2, 5), 0xBEBEBEBEu);
  EXPECT_EQ(At(b, 4, 2), 0x3F3F3F3Fu);
  EXPECT_EQ(At(b, 5, 3), 0x3F3F3F3Fu);
  EXPECT_EQ(At(b, 2, 4), 0x3F3F3F3Fu);
  EXPECT_EQ(Drawn(b, 0).size(), 4u + 6u);

  // Other operations: weight 3w/4 = 192 on the line, w/4 = 64 beside it;
  // add on 0: 255 * 192 / 256 = 191, 255 * 64 / 256 = 63.
  FillAll(b, 0);
  DrawLine(&b, 0, 0, 2, 2, kWhite, 1.0f, ModeAdd, true);
  EXPECT_EQ(At(b, 0, 0), 0xBFBFBFBFu);
  EXPECT_EQ(At(b, 2, 2), 0xBFBFBFBFu);
  EXPECT_EQ(At(b, 1, 0), 0x3F3F3F3Fu);
  EXPECT_EQ(At(b, 1, 2), 0x3F3F3F3Fu);
  EXPECT_EQ(At(b, 2, 1), 0x3F3F3F3Fu);
  EXPECT_EQ(At(b, 3, 2), 0u);
}

TEST(DrawLine, GeneralSlopeFromBothEnds) {
  PixelBitmap b(8, 4, 4);
  // (0,0) and (1,0) from the start, (4,1) and (3,1) from the end, then the
  // middle (2,1) once the accumulator reaches half a pixel.
  FillAll(b, 0);
  DrawLine(&b, 0, 0, 4, 1, kWhite, 1.0f, ModeCopy, false);
  EXPECT_EQ(Drawn(b, 0), Points({{0, 0}, {1, 0}, {2, 1}, {3, 1}, {4, 1}}));
  // The same line drawn backwards, and a steep one.
  FillAll(b, 0);
  DrawLine(&b, 4, 1, 0, 0, kWhite, 1.0f, ModeCopy, false);
  EXPECT_EQ(Drawn(b, 0), Points({{0, 0}, {1, 0}, {2, 1}, {3, 1}, {4, 1}}));
  FillAll(b, 0);
  DrawLine(&b, 1, 0, 2, 3, kWhite, 1.0f, ModeCopy, false);
  EXPECT_EQ(Drawn(b, 0), Points({{1, 0}, {1, 1}, {2, 2}, {2, 3}}));

  // Add at weight 100 on every pixel: 255 * 100 / 256 = 99.
  FillAll(b, 0);
  DrawLine(&b, 0, 0, 4, 1, kWhite, 100.0f / 256, ModeAdd, false);
  EXPECT_EQ(At(b, 2, 1), 0x63636363u);
  EXPECT_EQ(Drawn(b, 0).size(), 5u);
}

TEST(DrawLine, GeneralSlopeAntiAliased) {
  PixelBitmap b(8, 4, 4);
  // Slope 16384: the ends at full weight; one step in, t = 64: 191 on the
  // line and 64 beside it; the middle at t = 128: 127 and 128. Copy of
  // white onto 0 with weight k gives 255 - (255 * (256 - k)) / 256.
  FillAll(b, 0);
  DrawLine(&b, 0, 0, 4, 1, kWhite, 1.0f, ModeCopy, true);
  const uint32_t full[2][5] = {{0xFFFFFFFFu, 0xBFBFBFBFu, 0x7F7F7F7Fu, 0x40404040u, 0u},
                               {0u, 0x40404040u, 0x80808080u, 0xBFBFBFBFu, 0xFFFFFFFFu}};
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 5; ++x) EXPECT_EQ(At(b, x, y), full[y][x]) << x << "," << y;
  EXPECT_EQ(Drawn(b, 0).size(), 8u);

  // At alpha 0.5 every weight is scaled by 128 / 256: ends 128, then 95 and
  // 32, the middle 63 and 64.
  FillAll(b, 0);
  DrawLine(&b, 0, 0, 4, 1, kWhite, 0.5f, ModeCopy, true);
  const uint32_t half[2][5] = {{0x80808080u, 0x5F5F5F5Fu, 0x3F3F3F3Fu, 0x20202020u, 0u},
                               {0u, 0x20202020u, 0x40404040u, 0x5F5F5F5Fu, 0x80808080u}};
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 5; ++x) EXPECT_EQ(At(b, x, y), half[y][x]) << x << "," << y;
}

TEST(DrawLine, NothingOutsideTheLinesBox) {
  // Many lines of every shape, clipped or not, anti-aliased or not: only
  // pixels inside the clipped line's bounding box may change, and the row
  // padding never.
  PixelBitmap b(13, 11, 4);
  uint32_t seed = 1;
  auto next = [&seed](int range) {
    seed = seed * 1103515245u + 12345u;
    return int((seed >> 8) % uint32_t(range)) - range / 4;
  };
  for (int n = 0; n < 3000; ++n) {
    int x1 = next(24), y1 = next(20), x2 = next(24), y2 = next(20);
    FillAll(b, 0x80808080u);
    DrawLine(&b, x1, y1, x2, y2, kWhite, (n % 5) * 0.25f + 0.1f, n % 6, n % 2 == 0);
    int cx1 = x1, cy1 = y1, cx2 = x2, cy2 = y2;
    bool inside = ClipLine(&cx1, &cy1, &cx2, &cy2, 13, 11);
    for (int y = 0; y < 11; ++y)
      for (int x = 0; x < 16; ++x) {
        bool inBox = inside && x >= std::min(cx1, cx2) && x <= std::max(cx1, cx2) && y >= std::min(cy1, cy2) &&
                     y <= std::max(cy1, cy2);
        if (!inBox && At(b, x, y) != 0x80808080u) {
          ADD_FAILURE() << "line " << x1 << "," << y1 << " - " << x2 << "," << y2 << " touched " << x << "," << y;
          return;
        }
      }
  }
}

TEST(DrawLine, HostileCoordinates) {
  PixelBitmap b(6, 5, 4);
  FillAll(b, 0);
  DrawLine(&b, INT_MIN, 2, INT_MAX, 2, kWhite, 1.0f, ModeCopy, false);
  Points row;
  for (int x = 0; x < 6; ++x) row.insert({x, 2});
  EXPECT_EQ(Drawn(b, 0), row);
  const int ints[] = {INT_MIN, INT_MIN + 1, -100000, -1, 0, 3, 100000, INT_MAX - 1, INT_MAX};
  for (int a : ints)
    for (int c : ints) {
      DrawLine(&b, a, c, c, a, kWhite, 0.6f, ModeAdd, true);
      DrawLine(&b, a, a, c, 1, kWhite, 1.0f, ModeCopy, false);
      DrawLine(&b, 0, a, c, c, kWhite, 0.3f, ModeSoftLight, true);
    }
  for (int y = 0; y < 5; ++y)
    for (int x = 6; x < 8; ++x) EXPECT_EQ(At(b, x, y), 0u);
  DrawLine(nullptr, 0, 0, 1, 1, kWhite, 1.0f, ModeCopy, false);
  PixelBitmap empty;
  DrawLine(&empty, 0, 0, 1, 1, kWhite, 1.0f, ModeCopy, false);
}

TEST(ClipLine, MovesEndPointsOntoTheEdges) {
  int x1 = -5, y1 = 5, x2 = 5, y2 = 5;
  ASSERT_TRUE(ClipLine(&x1, &y1, &x2, &y2, 8, 8));
  EXPECT_EQ(x1, 0);
  EXPECT_EQ(y1, 5);
  EXPECT_EQ(x2, 5);

  x1 = 2, y1 = -4, x2 = 2, y2 = 10;
  ASSERT_TRUE(ClipLine(&x1, &y1, &x2, &y2, 8, 8));
  EXPECT_EQ(y1, 0);
  EXPECT_EQ(y2, 7);

  // Below the bottom the x is taken where the line meets y = height, and
  // the point is put on the last row: 0 + trunc(4 * 8 / 8) = 4.
  x1 = 0, y1 = 0, x2 = 4, y2 = 8;
  ASSERT_TRUE(ClipLine(&x1, &y1, &x2, &y2, 8, 8));
  EXPECT_EQ(x2, 4);
  EXPECT_EQ(y2, 7);
  // Right of the edge: y = 1 + trunc(6 * (8 - 0) / 10) = 5 on the last column.
  x1 = 0, y1 = 1, x2 = 10, y2 = 7;
  ASSERT_TRUE(ClipLine(&x1, &y1, &x2, &y2, 8, 8));
  EXPECT_EQ(x2, 7);
  EXPECT_EQ(y2, 5);

  x1 = -3, y1 = -3, x2 = -1, y2 = 20;
  EXPECT_FALSE(ClipLine(&x1, &y1, &x2, &y2, 8, 8));
  x1 = -4, y1 = 2, x2 = 2, y2 = -4;  // passes the corner outside
  EXPECT_FALSE(ClipLine(&x1, &y1, &x2, &y2, 8, 8));
}
