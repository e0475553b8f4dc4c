// PNG decoding: images made here in every colour type the editor could meet,
// broken data, files and module resources.
#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "gfx/PngDecode.h"
#include "tests/gfx/gfx_test_util.h"

namespace {

// A small PNG writer: every sample of every pixel given, packed at the bit
// depth, rows unfiltered, optionally Adam7-interlaced.
struct PngImage {
  int width = 0;
  int height = 0;
  int bitDepth = 8;
  int colourType = 6;
  bool interlaced = false;
  std::vector<std::vector<int>> pixels;  // row-major, samples per pixel
  std::vector<uint8_t> palette;          // r, g, b triples
  std::vector<uint8_t> trns;             // raw tRNS chunk data
};

void Put32(std::vector<uint8_t>& out, uint32_t v) {
  for (int s = 24; s >= 0; s -= 8) out.push_back(uint8_t(v >> s));
}

void Chunk(std::vector<uint8_t>& out, const char* type, const std::vector<uint8_t>& data) {
  Put32(out, uint32_t(data.size()));
  size_t start = out.size();
  out.insert(out.end(), type, type + 4);
  out.insert(out.end(), data.begin(), data.end());
  uLong crc = crc32(0, &out[start], uInt(out.size() - start));
  Put32(out, uint32_t(crc));
}

void PackRow(std::vector<uint8_t>& raw, const PngImage& im, int y, int x0, int dx) {
  raw.push_back(0);  // filter: none
  int acc = 0, bits = 0;
  for (int x = x0; x < im.width; x += dx) {
    for (int sample : im.pixels[size_t(y) * im.width + x]) {
      if (im.bitDepth == 16) {
        raw.push_back(uint8_t(sample >> 8));
        raw.push_back(uint8_t(sample));
      } else if (im.bitDepth == 8) {
        raw.push_back(uint8_t(sample));
      } else {
        acc = (acc << im.bitDepth) | sample;
        bits += im.bitDepth;
        if (bits == 8) {
          raw.push_back(uint8_t(acc));
          acc = bits = 0;
        }
      }
    }
  }
  if (bits) raw.push_back(uint8_t(acc << (8 - bits)));
}

std::vector<uint8_t> Encode(const PngImage& im) {
  std::vector<uint8_t> raw;
  if (!im.interlaced) {
    for (int y = 0; y < im.height; ++y) PackRow(raw, im, y, 0, 1);
  } else {
    const int passes[7][4] = {{0, 0, 8, 8}, {4, 0, 8, 8}, {0, 4, 4, 8}, {2, 0, 4, 4},
                              {0, 2, 2, 4}, {1, 0, 2, 2}, {0, 1, 1, 2}};
    for (const auto& p : passes) {
      if (p[0] >= im.width || p[1] >= im.height) continue;
      for (int y = p[1]; y < im.height; y += p[3]) PackRow(raw, im, y, p[0], p[2]);
    }
  }
  std::vector<uint8_t> z(compressBound(uLong(raw.size())));
  uLongf zsize = uLongf(z.size());
  compress2(z.data(), &zsize, raw.data(), uLong(raw.size()), 9);
  z.resize(zsize);

  std::vector<uint8_t> out = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
  std::vector<uint8_t> ihdr;
  Put32(ihdr, uint32_t(im.width));
  Put32(ihdr, uint32_t(im.height));
  ihdr.insert(ihdr.end(), {uint8_t(im.bitDepth), uint8_t(im.colourType), 0, 0, uint8_t(im.interlaced ? 1 : 0)});
  Chunk(out, "IHDR", ihdr);
  if (!im.palette.empty()) Chunk(out, "PLTE", im.palette);
  if (!im.trns.empty()) Chunk(out, "tRNS", im.trns);
  Chunk(out, "IDAT", z);
  Chunk(out, "IEND", {});
  return out;
}

std::unique_ptr<BitmapBase> Decode(const std::vector<uint8_t>& png) {
  return std::unique_ptr<BitmapBase>(DecodePngBytes(png.data(), int(png.size())));
}

// Every pixel of a decoded image, row by row.
std::vector<uint32_t> PixelsOf(BitmapBase& b) {
  std::vector<uint32_t> v;
  for (int y = 0; y < b.Height(); ++y)
    for (int x = 0; x < b.Width(); ++x) v.push_back(At(b, x, y));
  return v;
}

PngImage Palette3() {
  PngImage im;
  im.width = 3;
  im.height = 1;
  im.colourType = 3;
  im.pixels = {{0}, {1}, {2}};
  im.palette = {10, 20, 30, 40, 50, 60, 70, 80, 90};
  return im;
}

PngImage RgbGradient(int w, int h, bool interlaced) {
  PngImage im;
  im.width = w;
  im.height = h;
  im.colourType = 2;
  im.interlaced = interlaced;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) im.pixels.push_back({x * 20, y * 20, x + y});
  return im;
}

uint32_t GradientPixel(int x, int y) { return 0xFF000000u | uint32_t(x * 20) << 16 | uint32_t(y * 20) << 8 | uint32_t(x + y); }

// A bitmap that will not take sizes wider than 4 pixels.
class SmallOnlyBitmap : public PixelBitmap {
public:
  SmallOnlyBitmap() : PixelBitmap(1, 1, 4) {}
  bool SetSize(int w, int h) override { return w <= 4 && PixelBitmap::SetSize(w, h); }
};

}  // namespace

TEST(PngDecode, PaletteWithAndWithoutTransparency) {
  auto plain = Decode(Encode(Palette3()));
  ASSERT_TRUE(plain);
  EXPECT_EQ(plain->Width(), 3);
  EXPECT_EQ(plain->Height(), 1);
  EXPECT_EQ(plain->RowPixels(), 4);  // a PixelBitmap with row alignment 4
  EXPECT_EQ(PixelsOf(*plain), (std::vector<uint32_t>{0xFF0A141Eu, 0xFF28323Cu, 0xFF46505Au}));

  PngImage im = Palette3();
  im.trns = {0, 128};  // entries past the list stay opaque
  auto alpha = Decode(Encode(im));
  ASSERT_TRUE(alpha);
  EXPECT_EQ(PixelsOf(*alpha), (std::vector<uint32_t>{0x000A141Eu, 0x8028323Cu, 0xFF46505Au}));

  // A 2-bit palette image is unpacked as well.
  im = Palette3();
  im.bitDepth = 2;
  im.width = 5;
  im.pixels = {{2}, {0}, {1}, {1}, {2}};
  auto packed = Decode(Encode(im));
  ASSERT_TRUE(packed);
  EXPECT_EQ(PixelsOf(*packed),
            (std::vector<uint32_t>{0xFF46505Au, 0xFF0A141Eu, 0xFF28323Cu, 0xFF28323Cu, 0xFF46505Au}));
}

TEST(PngDecode, SixteenBitsKeepTheHighByte) {
  PngImage im;
  im.width = 2;
  im.height = 1;
  im.bitDepth = 16;
  im.colourType = 6;
  im.pixels = {{0x1234, 0x5678, 0x9ABC, 0xDEF0}, {0xFFFF, 0x00FF, 0x0100, 0x80FF}};
  auto b = Decode(Encode(im));
  ASSERT_TRUE(b);
  EXPECT_EQ(PixelsOf(*b), (std::vector<uint32_t>{0xDE12569Au, 0x80FF0001u}));
}

TEST(PngDecode, GreyImages) {
  // 1-bit: black and white, opaque; 10 pixels span two bytes.
  PngImage im;
  im.width = 10;
  im.height = 1;
  im.bitDepth = 1;
  im.colourType = 0;
  const int bits[10] = {1, 0, 1, 1, 0, 0, 0, 1, 0, 1};
  std::vector<uint32_t> expected;
  for (int v : bits) {
    im.pixels.push_back({v});
    expected.push_back(v ? 0xFFFFFFFFu : 0xFF000000u);
  }
  auto one = Decode(Encode(im));
  ASSERT_TRUE(one);
  EXPECT_EQ(PixelsOf(*one), expected);

  // 8-bit grey with a transparent value of 77.
  im = PngImage();
  im.width = 3;
  im.height = 1;
  im.colourType = 0;
  im.pixels = {{77}, {78}, {0}};
  im.trns = {0, 77};
  auto grey = Decode(Encode(im));
  ASSERT_TRUE(grey);
  EXPECT_EQ(PixelsOf(*grey), (std::vector<uint32_t>{0x004D4D4Du, 0xFF4E4E4Eu, 0xFF000000u}));

  // Grey with alpha.
  im = PngImage();
  im.width = 2;
  im.height = 1;
  im.colourType = 4;
  im.pixels = {{200, 10}, {5, 255}};
  auto ga = Decode(Encode(im));
  ASSERT_TRUE(ga);
  EXPECT_EQ(PixelsOf(*ga), (std::vector<uint32_t>{0x0AC8C8C8u, 0xFF050505u}));
}

TEST(PngDecode, RgbPlainAndInterlaced) {
  for (bool interlaced : {false, true}) {
    auto b = Decode(Encode(RgbGradient(9, 11, interlaced)));
    ASSERT_TRUE(b) << interlaced;
    ASSERT_EQ(b->Width(), 9);
    ASSERT_EQ(b->Height(), 11);
    for (int y = 0; y < 11; ++y)
      for (int x = 0; x < 9; ++x) ASSERT_EQ(At(*b, x, y), GradientPixel(x, y)) << x << "," << y;
  }
  // RGB with a transparent colour.
  PngImage im = RgbGradient(2, 1, false);
  im.trns = {0, 20, 0, 0, 0, 1};  // r 20, g 0, b 1: the second pixel
  auto t = Decode(Encode(im));
  ASSERT_TRUE(t);
  EXPECT_EQ(PixelsOf(*t), (std::vector<uint32_t>{0xFF000000u, 0x00140001u}));
}

TEST(PngDecode, BrokenDataGivesNull) {
  const std::vector<uint8_t> good = Encode(RgbGradient(9, 11, false));
  ASSERT_TRUE(Decode(good));
  EXPECT_EQ(DecodePngBytes(good.data(), 7), nullptr);
  EXPECT_EQ(DecodePngBytes(good.data(), 0), nullptr);
  EXPECT_EQ(DecodePngBytes(good.data(), -5), nullptr);
  EXPECT_EQ(DecodePngBytes(nullptr, 100), nullptr);
  std::vector<uint8_t> bad = good;
  bad[0] = 0x88;
  EXPECT_EQ(Decode(bad), nullptr);
  bad = good;
  bad[7] = 0;
  EXPECT_EQ(Decode(bad), nullptr);
  // A damaged header checksum.
  bad = good;
  bad[29] ^= 1;
  EXPECT_EQ(Decode(bad), nullptr);
  // Cut anywhere before the image data is complete (the end chunk is 12 bytes).
  for (size_t cut = 8; cut + 12 < good.size(); ++cut) {
    std::vector<uint8_t> part(good.begin(), good.begin() + ptrdiff_t(cut));
    EXPECT_EQ(Decode(part), nullptr) << cut;
  }
  // Zero width in the header.
  PngImage empty;
  empty.height = 1;
  EXPECT_EQ(Decode(Encode(empty)), nullptr);
}

TEST(PngDecode, IntoATarget) {
  const std::vector<uint8_t> png = Encode(RgbGradient(3, 2, false));
  PixelBitmap target(1, 1, 4);
  EXPECT_EQ(DecodePngBytes(png.data(), int(png.size()), &target), &target);
  EXPECT_EQ(target.Width(), 3);
  EXPECT_EQ(target.Height(), 2);
  EXPECT_EQ(At(target, 2, 1), GradientPixel(2, 1));

  SysBitmap sys(1, 1);
  EXPECT_EQ(DecodePngBytes(png.data(), int(png.size()), &sys), &sys);
  EXPECT_EQ(At(sys, 1, 1), GradientPixel(1, 1));

  // A target that cannot take the size fails the decode and stays alive.
  const std::vector<uint8_t> wide = Encode(RgbGradient(9, 2, false));
  SmallOnlyBitmap small;
  EXPECT_EQ(DecodePngBytes(wide.data(), int(wide.size()), &small), nullptr);
  EXPECT_EQ(small.Width(), 1);
  EXPECT_EQ(DecodePngBytes(png.data(), int(png.size()), &small), &small);
}

namespace {

std::string TempName(const std::string& leaf) {
  return (std::filesystem::temp_directory_path() / std::filesystem::u8path("qm-gfx-test-" + leaf)).u8string();
}

void WriteFile(const std::string& utf8Name, const std::vector<uint8_t>& bytes) {
  std::ofstream f(std::filesystem::u8path(utf8Name), std::ios::binary);
  f.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

void RemoveFile(const std::string& utf8Name) {
  std::error_code ec;
  std::filesystem::remove(std::filesystem::u8path(utf8Name), ec);
}

}  // namespace

TEST(PngFile, DecodesFilesByUtf8Name) {
  const std::vector<uint8_t> png = Encode(RgbGradient(4, 3, true));
  const std::string name = TempName("bild-\xC3\xBC\xE2\x82\xAC.png");  // ü and €
  WriteFile(name, png);
  std::unique_ptr<BitmapBase> b(DecodePngFile(name.c_str()));
  ASSERT_TRUE(b);
  EXPECT_EQ(At(*b, 3, 2), GradientPixel(3, 2));
  RemoveFile(name);
  EXPECT_EQ(DecodePngFile(name.c_str()), nullptr);
  EXPECT_EQ(DecodePngFile(nullptr), nullptr);

  const std::string broken = TempName("broken.png");
  WriteFile(broken, std::vector<uint8_t>(png.begin(), png.begin() + 40));
  EXPECT_EQ(DecodePngFile(broken.c_str()), nullptr);
  RemoveFile(broken);
}

TEST(PngFile, ExtensionCheck) {
  const std::vector<uint8_t> png = Encode(Palette3());
  const std::string upper = TempName("upper.PNG");
  const std::string bak = TempName("image.png.bak");
  const std::string none = TempName("noextension");
  for (const std::string* n : {&upper, &bak, &none}) WriteFile(*n, png);

  std::unique_ptr<BitmapBase> a(DecodePngFileFiltered(upper.c_str(), true));
  EXPECT_TRUE(a);
  EXPECT_EQ(DecodePngFileFiltered(bak.c_str(), true), nullptr);
  EXPECT_EQ(DecodePngFileFiltered(none.c_str(), true), nullptr);
  std::unique_ptr<BitmapBase> b(DecodePngFileFiltered(bak.c_str(), false));
  EXPECT_TRUE(b);
  std::unique_ptr<BitmapBase> c(DecodePngFileFiltered(none.c_str(), false));
  EXPECT_TRUE(c);
  // The scan stops at a slash or backslash: a folder named like a PNG does not count.
  EXPECT_EQ(DecodePngFileFiltered("folder.png/image", true), nullptr);
  EXPECT_EQ(DecodePngFileFiltered("folder.png\\image", true), nullptr);
  EXPECT_EQ(DecodePngFileFiltered("png", true), nullptr);
  EXPECT_EQ(DecodePngFileFiltered("", true), nullptr);
  for (const std::string* n : {&upper, &bak, &none}) RemoveFile(*n);
}

TEST(PngFile, LoaderIsRegistered) {
  const ImageLoaderEntry* png = nullptr;
  for (const ImageLoaderEntry* e = gImageLoaders; e; e = e->next)
    if (std::strcmp(e->description(), "PNG files (*.PNG)") == 0) png = e;
  ASSERT_NE(png, nullptr);
  EXPECT_EQ(png->load, &DecodePngFileFiltered);
  EXPECT_STREQ(PngFileTypeText(), "PNG files (*.PNG)");
}

TEST(PngResource, FromTheModule) {
  // tests/gfx/data/res_3x2.png as resource 900: RGBA rows
  // (255,0,0,255) (0,255,0,128) (0,0,255,0) / (1,2,3,4) (250,251,252,253) (16,32,64,128).
  std::unique_ptr<BitmapBase> b(DecodePngResource(ThisModuleInstance(), 900));
  ASSERT_TRUE(b);
  EXPECT_EQ(PixelsOf(*b), (std::vector<uint32_t>{0xFFFF0000u, 0x8000FF00u, 0x000000FFu, 0x04010203u, 0xFDFAFBFCu,
                                                0x80102040u}));
  // Only the low 16 bits of the id count.
  std::unique_ptr<BitmapBase> c(DecodePngResource(ThisModuleInstance(), 900 + 0x10000));
  EXPECT_TRUE(c);
  // 7 bytes, not a PNG, and missing.
  EXPECT_EQ(DecodePngResource(ThisModuleInstance(), 901), nullptr);
  EXPECT_EQ(DecodePngResource(ThisModuleInstance(), 902), nullptr);
  EXPECT_EQ(DecodePngResource(ThisModuleInstance(), 903), nullptr);
  PixelBitmap target;
  EXPECT_EQ(DecodePngResource(ThisModuleInstance(), 900, &target), &target);
  EXPECT_EQ(At(target, 1, 1), 0xFDFAFBFCu);
}
