#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>

#include "gfx/Bitmap.h"
#include "gfx/PngDecode.h"
#include "gfx/PngEncode.h"
#include "tests/TestOutputPath.h"
#include "tests/gfx/gfx_test_util.h"

namespace {

bool Exists(const std::string& path) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (f) std::fclose(f);
  return f != nullptr;
}

}  // namespace

// What is written reads back through the decoder: every colour byte, the
// alpha made opaque, rows in order (the width is not a multiple of the row
// alignment, so row padding would show).
TEST(PngEncode, WrittenPixelsDecodeBack) {
  PixelBitmap bitmap(13, 7, 4);
  FillPattern(bitmap, 5);
  const std::string path = TestOutputPath("encode_roundtrip.png");
  ASSERT_TRUE(EncodePngFile(&bitmap, path.c_str()));
  std::unique_ptr<BitmapBase> back(DecodePngFile(path.c_str()));
  ASSERT_TRUE(back);
  ASSERT_EQ(back->Width(), 13);
  ASSERT_EQ(back->Height(), 7);
  for (int y = 0; y < 7; ++y)
    for (int x = 0; x < 13; ++x) ASSERT_EQ(At(*back, x, y), At(bitmap, x, y) | 0xFF000000u) << x << "," << y;
  std::remove(path.c_str());
}

TEST(PngEncode, FailuresLeaveNoFile) {
  PixelBitmap empty(0, 0, 4);
  const std::string path = TestOutputPath("encode_empty.png");
  EXPECT_FALSE(EncodePngFile(&empty, path.c_str()));
  EXPECT_FALSE(EncodePngFile(nullptr, path.c_str()));
  EXPECT_FALSE(Exists(path));
  PixelBitmap one(1, 1, 4);
  EXPECT_FALSE(EncodePngFile(&one, TestOutputPath("no-such-folder/x.png").c_str()));
  EXPECT_FALSE(EncodePngFile(&one, nullptr));
}
