// The manual's editor pictures: cut from the editor's states, the rest of a
// shared area dimmed; and the check that two folders of pictures agree.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <sstream>

#include "gfx/Bitmap.h"
#include "gfx/PngDecode.h"
#include "gfx/PngEncode.h"
#include "tests/TestOutputPath.h"
#include "tools/editor/EditorShots.h"
#include "tools/editor/ManualPictures.h"

namespace {

std::unique_ptr<BitmapBase> Load(const std::string& path) { return std::unique_ptr<BitmapBase>(DecodePngFile(path.c_str())); }

uint32_t At(BitmapBase& b, int x, int y) { return b.Pixels()[y * b.RowPixels() + x] & 0xFFFFFFu; }

std::string FreshDir(const char* name) {
  const std::string dir = TestOutputPath(name);
  std::filesystem::remove_all(std::filesystem::u8path(dir));
  std::filesystem::create_directories(std::filesystem::u8path(dir));
  return dir;
}

}  // namespace

TEST(ManualPictures, PartsAreCutFromTheWholeEditor) {
  const std::string dir = FreshDir("manual-pictures");
  std::ostringstream out, err;
  ASSERT_TRUE(qmeditor::RenderManualPictures(dir, out, err)) << err.str();
  auto whole = Load(dir + "/editor.png");
  ASSERT_TRUE(whole);
  EXPECT_EQ(whole->Width(), 498);
  EXPECT_EQ(whole->Height(), 285);

  // The left channel is the editor's pixels from (0, 66) on, unchanged.
  auto left = Load(dir + "/editor-left.png");
  ASSERT_TRUE(left);
  EXPECT_EQ(left->Width(), 216);
  EXPECT_EQ(left->Height(), 166);
  for (int y = 0; y < left->Height(); y += 7)
    for (int x = 0; x < left->Width(); x += 5) ASSERT_EQ(At(*left, x, y), At(*whole, x, y + 66)) << x << "," << y;

  // The delay column, cut from (212, 62): the column itself as it is, the
  // right channel's corner beside it a third as bright.
  auto delay = Load(dir + "/editor-delay-sync.png");
  ASSERT_TRUE(delay);
  EXPECT_EQ(At(*delay, 37, 54), At(*whole, 249, 116));  // the Delay Rate knob
  int dimmed = 0, compared = 0;
  for (int y = 60; y < 170; y += 3) {
    const uint32_t w = At(*whole, 120 + 212, y + 62), d = At(*delay, 120, y);
    EXPECT_EQ(d >> 16, (w >> 16) / 3) << y;
    EXPECT_EQ(d & 0xFF, (w & 0xFF) / 3) << y;
    dimmed += d != w;
    ++compared;
  }
  EXPECT_GT(dimmed, compared / 2);

  // Host Sync clicked: the same area shows the other knob.
  auto delayTime = Load(dir + "/editor-delay-time.png");
  ASSERT_TRUE(delayTime);
  EXPECT_EQ(delayTime->Width(), delay->Width());
  std::ostringstream same;
  EXPECT_FALSE(qmeditor::SamePictures(dir, FreshDir("manual-pictures-empty"), same));
}

TEST(ManualPictures, SameFindsChangedMissingAndExtraPictures) {
  const std::string a = FreshDir("same-a"), b = FreshDir("same-b");
  PixelBitmap picture(8, 4, 4);
  for (int i = 0; i < 8 * 4; ++i) picture.Pixels()[(i / 8) * picture.RowPixels() + i % 8] = 0xFF000000u | uint32_t(i * 5);
  for (const std::string& dir : {a, b}) {
    ASSERT_TRUE(EncodePngFile(&picture, (dir + "/one.png").c_str()));
    ASSERT_TRUE(EncodePngFile(&picture, (dir + "/two.png").c_str()));
  }
  std::ostringstream out;
  EXPECT_TRUE(qmeditor::SamePictures(a, b, out)) << out.str();

  picture.Pixels()[picture.RowPixels() + 3] ^= 1;  // one pixel, one step
  ASSERT_TRUE(EncodePngFile(&picture, (b + "/two.png").c_str()));
  ASSERT_TRUE(EncodePngFile(&picture, (b + "/three.png").c_str()));
  std::filesystem::remove(std::filesystem::u8path(b + "/one.png"));
  std::ostringstream report;
  EXPECT_FALSE(qmeditor::SamePictures(a, b, report));
  EXPECT_NE(report.str().find("one.png: only in " + a), std::string::npos) << report.str();
  EXPECT_NE(report.str().find("two.png: 1 pixels differ, within (3, 1)-(4, 2)"), std::string::npos) << report.str();
  EXPECT_NE(report.str().find("three.png: only in " + b), std::string::npos) << report.str();
}
