// The editor's images, resources 100 to 108: the committed PNG files, the
// resource set as a program that links it finds it, and the copies inside
// the built module. Then what the pictures must give the controls that draw
// them: knobs that turn cleanly, buttons that line up with the background,
// a track the slider's handle fits at every position, and backgrounds under
// the editor's translucent texts on which those texts read.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "gfx/PngDecode.h"
#include "tests/gfx/gfx_test_util.h"
#include "tools/host/Platform.h"

#if defined(_WIN32)
#include <windows.h>
#endif

namespace {

struct ImageSpec {
  int id;
  const char* file;
  int width;
  int height;
  int colourType;  // 2 RGB, 6 RGBA
};

const ImageSpec kImages[] = {
    {100, "bg.png", 498, 285, 2}, {101, "knob.png", 66, 66, 6}, {102, "knob2.png", 52, 52, 6},
    {103, "but1.png", 52, 21, 2}, {104, "but2.png", 52, 21, 2}, {105, "but3.png", 52, 21, 2},
    {106, "but4.png", 64, 21, 2}, {107, "but5.png", 64, 21, 2}, {108, "slider.png", 31, 14, 2},
};

using Bitmap = std::unique_ptr<BitmapBase>;

std::string ImagePath(const char* file) { return std::string(QM_IMAGE_DIR) + "/" + file; }

const ImageSpec& Spec(int id) { return kImages[id - 100]; }

Bitmap Load(int id) { return Bitmap(DecodePngFile(ImagePath(Spec(id).file).c_str())); }

std::vector<uint8_t> ReadAll(const std::string& path) {
  std::vector<uint8_t> bytes;
  std::FILE* f = qmhost::OpenFile(path, "rb");
  if (!f) return bytes;
  uint8_t buffer[65536];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) bytes.insert(bytes.end(), buffer, buffer + n);
  std::fclose(f);
  return bytes;
}

uint32_t Big32(const uint8_t* p) { return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3]; }

int Alpha(uint32_t p) { return int(p >> 24); }
int Red(uint32_t p) { return int((p >> 16) & 255); }
int Green(uint32_t p) { return int((p >> 8) & 255); }
int Blue(uint32_t p) { return int(p & 255); }
int Brightest(uint32_t p) { return std::max({Red(p), Green(p), Blue(p)}); }
int Darkest(uint32_t p) { return std::min({Red(p), Green(p), Blue(p)}); }

// Number of pixels that differ; -1 when the sizes differ.
int CountDifferences(BitmapBase& a, BitmapBase& b) {
  if (a.Width() != b.Width() || a.Height() != b.Height()) return -1;
  int differ = 0;
  for (int y = 0; y < a.Height(); ++y)
    for (int x = 0; x < a.Width(); ++x) differ += At(a, x, y) != At(b, x, y);
  return differ;
}

TEST(EditorImages, FilesHaveTheEditorsSizesAndPixelFormats) {
  static const uint8_t kSignature[8] = {137, 80, 78, 71, 13, 10, 26, 10};
  for (const ImageSpec& spec : kImages) {
    SCOPED_TRACE(spec.file);
    std::vector<uint8_t> png = ReadAll(ImagePath(spec.file));
    ASSERT_GE(png.size(), 33u) << "missing or truncated: " << ImagePath(spec.file);
    ASSERT_EQ(std::memcmp(png.data(), kSignature, 8), 0);
    ASSERT_EQ(Big32(&png[8]), 13u);
    ASSERT_EQ(std::memcmp(&png[12], "IHDR", 4), 0);
    EXPECT_EQ(Big32(&png[16]), uint32_t(spec.width));
    EXPECT_EQ(Big32(&png[20]), uint32_t(spec.height));
    EXPECT_EQ(png[24], 8) << "bit depth";
    EXPECT_EQ(png[25], spec.colourType) << "colour type";
    EXPECT_EQ(png[28], 0) << "interlace";

    Bitmap decoded(DecodePngBytes(png.data(), int(png.size())));
    ASSERT_NE(decoded, nullptr);
    EXPECT_EQ(decoded->Width(), spec.width);
    EXPECT_EQ(decoded->Height(), spec.height);
  }
}

TEST(EditorImages, ResourceSetHoldsEveryFileUnderItsId) {
  // This program links the same resource set as the module: on Windows as
  // "PNG" resources of the executable, elsewhere as registered bytes.
  for (const ImageSpec& spec : kImages) {
    SCOPED_TRACE(spec.file);
    Bitmap file = Load(spec.id);
    Bitmap resource(DecodePngResource(ThisModuleInstance(), spec.id));
    ASSERT_NE(file, nullptr);
    ASSERT_NE(resource, nullptr) << "no resource " << spec.id;
    EXPECT_EQ(CountDifferences(*file, *resource), 0);
  }
}

TEST(EditorImages, ModuleCarriesEveryImage) {
  const std::string module = qmhost::ExecutableDirectory() + QM_MODULE_NAME;
#if defined(_WIN32)
  // Load the module and decode its "PNG" resources through its handle.
  qmhost::ModuleLibrary library;
  ASSERT_TRUE(library.Open(module)) << library.Error();
  void* entry = library.Symbol("VSTPluginMain");
  ASSERT_NE(entry, nullptr);
  HMODULE handle = nullptr;
  ASSERT_TRUE(GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                                 static_cast<LPCWSTR>(entry), &handle));
  for (const ImageSpec& spec : kImages) {
    SCOPED_TRACE(spec.file);
    Bitmap file = Load(spec.id);
    Bitmap resource(DecodePngResource(handle, spec.id));
    ASSERT_NE(file, nullptr);
    ASSERT_NE(resource, nullptr) << "the module has no PNG resource " << spec.id;
    EXPECT_EQ(CountDifferences(*file, *resource), 0);
  }
#else
  // The module registers its compiled-in images with its own copy of the
  // resource table, which no other program can ask; its file must hold every
  // image's bytes as committed.
  std::vector<uint8_t> bytes = ReadAll(module);
  ASSERT_FALSE(bytes.empty()) << "cannot read " << module;
  for (const ImageSpec& spec : kImages) {
    SCOPED_TRACE(spec.file);
    std::vector<uint8_t> png = ReadAll(ImagePath(spec.file));
    ASSERT_FALSE(png.empty());
    EXPECT_NE(std::search(bytes.begin(), bytes.end(), png.begin(), png.end()), bytes.end());
  }
#endif
}

// Knobs are turned about the pixel (w / 2, h / 2) with bilinear filtering and
// moved by up to one pixel at the ends of their travel.
TEST(EditorImages, KnobsTurnCleanlyAboutTheirCentre) {
  for (int id : {101, 102}) {
    SCOPED_TRACE(Spec(id).file);
    Bitmap knob = Load(id);
    ASSERT_NE(knob, nullptr);
    const int w = knob->Width(), h = knob->Height(), cx = w / 2, cy = h / 2;
    const int limit = std::min(cx, cy) - 3;  // turned and shifted, still inside the image
    int left = w, right = -1, top = h, bottom = -1;
    int pointerPixels = 0, outside = 0, stray = 0, fringes = 0;
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < w; ++x) {
        uint32_t p = At(*knob, x, y);
        if (Alpha(p) > 0) {
          const int dx = x - cx, dy = y - cy;
          outside += dx * dx + dy * dy > limit * limit;
          left = std::min(left, x), right = std::max(right, x);
          top = std::min(top, y), bottom = std::max(bottom, y);
          if (Alpha(p) == 255 && Darkest(p) > 200) {
            ++pointerPixels;
            stray += std::abs(dx) > 2 || dy >= 0;  // bright, but not on the upward pointer
          }
          continue;
        }
        // A transparent pixel next to a visible one is blended with it by the
        // filter: it must carry a colour close to it, or the edge darkens.
        const int nx[4] = {x - 1, x + 1, x, x}, ny[4] = {y, y, y - 1, y + 1};
        for (int k = 0; k < 4; ++k) {
          if (nx[k] < 0 || ny[k] < 0 || nx[k] >= w || ny[k] >= h) continue;
          uint32_t q = At(*knob, nx[k], ny[k]);
          if (Alpha(q) == 0) continue;
          if (std::abs(Red(p) - Red(q)) > 24 || std::abs(Green(p) - Green(q)) > 24 || std::abs(Blue(p) - Blue(q)) > 24)
            ++fringes;
        }
      }
    }
    // Round about the pivot: as far from it on every side.
    EXPECT_EQ(cx - left, right - cx);
    EXPECT_EQ(cy - top, bottom - cy);
    EXPECT_EQ(outside, 0) << "visible pixels that a turn can cut off";
    EXPECT_GT(pointerPixels, 5);
    EXPECT_EQ(stray, 0) << "the pointer points up at value 0.5";
    EXPECT_EQ(fringes, 0);
  }
}

TEST(EditorImages, ButtonsLineUpWithTheirOffStateInTheBackground) {
  struct Place {
    int id, x, y;
  };
  const Place places[] = {{103, 13, 94}, {104, 288, 94}, {105, 432, 94}, {106, 185, 245}, {107, 249, 245}};
  Bitmap background = Load(100);
  ASSERT_NE(background, nullptr);
  for (const Place& place : places) {
    SCOPED_TRACE(Spec(place.id).file);
    Bitmap button = Load(place.id);
    ASSERT_NE(button, nullptr);
    int edgeDiffers = 0, insideDiffers = 0;
    for (int y = 0; y < button->Height(); ++y) {
      for (int x = 0; x < button->Width(); ++x) {
        const bool edge = x == 0 || y == 0 || x == button->Width() - 1 || y == button->Height() - 1;
        const bool differs = At(*button, x, y) != At(*background, place.x + x, place.y + y);
        (edge ? edgeDiffers : insideDiffers) += differs;
      }
    }
    EXPECT_EQ(edgeDiffers, 0) << "the frame moves when the button turns on";
    EXPECT_GT(insideDiffers, 20) << "the on state hardly shows";
  }
}

TEST(EditorImages, SliderTrackIsEvenWhereTheHandleCornersPass) {
  // The handle (31 x 14) moves over x 213 to 285 on rows 191 to 204; its
  // middle rows 196 to 199 hide the groove, its corners show the background
  // it was drawn over, which must be the same all along the track.
  Bitmap background = Load(100);
  Bitmap handle = Load(108);
  ASSERT_NE(background, nullptr);
  ASSERT_NE(handle, nullptr);
  int uneven = 0;
  for (int y = 191; y < 205; ++y) {
    if (y >= 196 && y < 200) continue;
    for (int x = 214; x < 285; ++x) uneven += At(*background, x, y) != At(*background, 213, y);
  }
  EXPECT_EQ(uneven, 0);
  // The handle is opaque where it hides the groove.
  for (int y = 196 - 191; y < 200 - 191; ++y) {
    EXPECT_NE(At(*handle, 0, y), At(*background, 213, y + 191));
    EXPECT_NE(At(*handle, 30, y), At(*background, 213, y + 191));
  }
}

TEST(EditorImages, TranslucentTextsHaveABackgroundToReadOn) {
  Bitmap background = Load(100);
  ASSERT_NE(background, nullptr);
  // Black at alpha 100 for the version line at (40, 12)-(90, 30): light.
  int tooDark = 0;
  for (int y = 12; y < 30; ++y)
    for (int x = 40; x < 90; ++x) tooDark += Darkest(At(*background, x, y)) <= 170;
  EXPECT_EQ(tooDark, 0);
  // White at alpha 180 for the value texts: dark, in every strip.
  struct Strip {
    int left, top, right, bottom;
  };
  std::vector<Strip> strips = {{216, 149, 282, 165}, {213, 210, 285, 226}};
  for (int cx : {49, 109, 171, 324, 384, 446}) strips.push_back({cx - 26, 200, cx + 26, 216});
  for (const Strip& s : strips) {
    int tooLight = 0;
    for (int y = s.top; y < s.bottom; ++y)
      for (int x = s.left; x < s.right; ++x) tooLight += Brightest(At(*background, x, y)) >= 96;
    EXPECT_EQ(tooLight, 0) << "value strip at " << s.left << ", " << s.top;
  }
}

}  // namespace
