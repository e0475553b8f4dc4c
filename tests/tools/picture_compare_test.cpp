// The render tool's comparison of two builds' pictures.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

#include "gfx/Bitmap.h"
#include "gfx/PngEncode.h"
#include "tests/TestOutputPath.h"
#include "tools/editor/PictureCompare.h"

using qmeditor::ComparePictures;

namespace {

std::string Picture(const char* name, int w, int h, void (*change)(PixelBitmap&)) {
  PixelBitmap b(w, h, 4);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) b.Pixels()[y * b.RowPixels() + x] = 0xFF000000u | uint32_t(x * 7 + y);
  if (change) change(b);
  const std::string path = TestOutputPath(name);
  EXPECT_TRUE(EncodePngFile(&b, path.c_str()));
  return path;
}

}  // namespace

// Differences inside a masked area do not count; one outside does, with
// where it is; pictures of different sizes or missing files are not compared.
TEST(PictureCompare, MaskedAndUnmaskedDifferences) {
  const std::string a = Picture("cmp_a.png", 20, 10, nullptr);
  const std::string b = Picture("cmp_b.png", 20, 10, [](PixelBitmap& p) { p.Pixels()[2 * p.RowPixels() + 3] = 0; });
  const std::string c = Picture("cmp_c.png", 20, 10, [](PixelBitmap& p) { p.Pixels()[8 * p.RowPixels() + 15] = 0; });
  const std::vector<IBounds> mask = {IBounds(0, 0, 10, 5)};
  auto same = ComparePictures(a, b, mask);
  ASSERT_TRUE(same.loaded);
  EXPECT_EQ(same.differing, 0);
  EXPECT_EQ(same.compared, 200 - 50);
  auto differ = ComparePictures(a, c, mask);
  EXPECT_EQ(differ.differing, 1);
  EXPECT_EQ(differ.box, IBounds(15, 8, 16, 9));
  EXPECT_EQ(ComparePictures(a, b, {}).differing, 1);
  EXPECT_FALSE(ComparePictures(a, Picture("cmp_d.png", 20, 11, nullptr), mask).loaded);
  EXPECT_FALSE(ComparePictures(a, TestOutputPath("no-such.png"), mask).loaded);
}

TEST(PictureCompare, AreaFiles) {
  const std::string path = TestOutputPath("areas.txt");
  ASSERT_TRUE(qmeditor::WriteAreas(path, {IBounds(1, 2, 3, 4), IBounds(-5, 0, 7, 9)}));
  std::vector<IBounds> areas;
  ASSERT_TRUE(qmeditor::ReadAreas(path, &areas));
  EXPECT_EQ(areas, (std::vector<IBounds>{IBounds(1, 2, 3, 4), IBounds(-5, 0, 7, 9)}));
  std::ofstream(path) << "1 2 3\n";
  EXPECT_FALSE(qmeditor::ReadAreas(path, &areas));
  std::ofstream(path) << "1 2 3 4 5\n";
  EXPECT_FALSE(qmeditor::ReadAreas(path, &areas));
  EXPECT_FALSE(qmeditor::ReadAreas(TestOutputPath("no-such.txt"), &areas));
}
