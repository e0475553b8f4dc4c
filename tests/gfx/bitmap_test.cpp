#include <gtest/gtest.h>

#include <climits>
#include <cstdint>

#include "gfx/Bitmap.h"

TEST(PixelBitmap, RowsAreAlignedAndRounded) {
  PixelBitmap b(10, 5, 4);
  EXPECT_EQ(b.Width(), 10);
  EXPECT_EQ(b.Height(), 5);
  EXPECT_EQ(b.RowPixels(), 12);
  ASSERT_NE(b.Pixels(), nullptr);
  EXPECT_EQ(reinterpret_cast<uintptr_t>(b.Pixels()) % 64, 0u);
  EXPECT_FALSE(b.IsBottomUp());
  EXPECT_EQ(b.DrawContext(), nullptr);
  EXPECT_EQ(b.QueryExtension(1, nullptr), 0);

  // The row alignment is the largest power of two dividing the request, at
  // most 16 pixels; below 2 there is none.
  EXPECT_EQ(PixelBitmap(5, 1, 6).RowPixels(), 6);
  EXPECT_EQ(PixelBitmap(5, 1, 64).RowPixels(), 16);
  EXPECT_EQ(PixelBitmap(5, 1, 1).RowPixels(), 5);
  EXPECT_EQ(PixelBitmap(5, 1, 0).RowPixels(), 5);
  EXPECT_EQ(PixelBitmap(17, 1, 48).RowPixels(), 32);
}

TEST(PixelBitmap, SetSizeGrowsByAQuarterAndNeverShrinks) {
  PixelBitmap b(10, 5, 4);
  EXPECT_EQ(b.Capacity(), 12 * 5 * 4);
  EXPECT_FALSE(b.SetSize(10, 5));
  EXPECT_TRUE(b.SetSize(20, 5));
  EXPECT_EQ(b.Capacity(), (20 * 5 * 4 / 4) * 5);
  EXPECT_TRUE(b.SetSize(4, 4));
  EXPECT_EQ(b.Capacity(), 500);
  EXPECT_EQ(b.RowPixels(), 4);
  ASSERT_NE(b.Pixels(), nullptr);

  EXPECT_TRUE(b.SetSize(0, 5));
  EXPECT_EQ(b.Pixels(), nullptr);
  EXPECT_EQ(b.Width(), 0);
  EXPECT_EQ(b.Height(), 0);
  EXPECT_EQ(b.Capacity(), 0);

  PixelBitmap empty;
  EXPECT_EQ(empty.Pixels(), nullptr);
  EXPECT_EQ(empty.RowPixels(), 0);
  EXPECT_TRUE(empty.SetSize(3, 3));
  EXPECT_NE(empty.Pixels(), nullptr);
}

TEST(PixelBitmap, HostileSizesLeaveAnEmptyBitmap) {
  PixelBitmap b(8, 8, 4);
  EXPECT_TRUE(b.SetSize(INT_MAX, INT_MAX));
  EXPECT_EQ(b.Pixels(), nullptr);
  EXPECT_EQ(b.Width(), 0);
  EXPECT_EQ(b.Height(), 0);

  EXPECT_TRUE(b.SetSize(-5, -5));
  EXPECT_EQ(b.Pixels(), nullptr);
  EXPECT_EQ(b.Width(), 0);
  EXPECT_EQ(b.RowPixels(), 0);

  EXPECT_TRUE(b.SetSize(INT_MAX - 2, 1));  // the row rounds past INT_MAX
  EXPECT_EQ(b.Pixels(), nullptr);
  EXPECT_EQ(b.Width(), 0);

  EXPECT_TRUE(b.SetSize(3, 2));
  EXPECT_NE(b.Pixels(), nullptr);
}

TEST(SysBitmap, RowsAreAMultipleOfFourAndShrinkingKeepsThePixels) {
  SysBitmap b(10, 5);
  EXPECT_EQ(b.Width(), 10);
  EXPECT_EQ(b.Height(), 5);
  EXPECT_EQ(b.RowPixels(), 12);
  EXPECT_FALSE(b.IsBottomUp());
  uint32_t* pixels = b.Pixels();
  ASSERT_NE(pixels, nullptr);
  pixels[12 * 5 - 1] = 0x12345678u;  // the last stored pixel is writable
#ifdef _WIN32
  EXPECT_NE(b.DrawContext(), nullptr);
#else
  EXPECT_EQ(b.DrawContext(), nullptr);
#endif

  EXPECT_FALSE(b.SetSize(10, 5));
  EXPECT_TRUE(b.SetSize(4, 3));
  EXPECT_EQ(b.Pixels(), pixels);
  EXPECT_EQ(b.RowPixels(), 12);
  EXPECT_EQ(b.Width(), 4);

  EXPECT_TRUE(b.SetSize(13, 5));
  EXPECT_EQ(b.RowPixels(), 16);
  ASSERT_NE(b.Pixels(), nullptr);

  EXPECT_FALSE(b.SetSize(0, 0));
  EXPECT_EQ(b.Pixels(), nullptr);
  EXPECT_EQ(b.Width(), 0);

  EXPECT_FALSE(b.SetSize(-8, 4));
  EXPECT_EQ(b.Pixels(), nullptr);
  EXPECT_TRUE(b.SetSize(INT_MAX, INT_MAX));
  EXPECT_EQ(b.Pixels(), nullptr);
  EXPECT_EQ(b.Width(), 0);
  EXPECT_TRUE(b.SetSize(2, 2));
  EXPECT_EQ(b.RowPixels(), 4);
  EXPECT_NE(b.Pixels(), nullptr);
}
