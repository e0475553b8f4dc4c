// Blit and FillRect: each per-pixel operation at the exact and a general
// weight, with and without source alpha, and the clipping. Expected pixels
// are worked out by hand from the formulas (see the comments).
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdint>
#include <limits>

#include "gfx/Draw.h"
#include "gfx/PixelOps.h"
#include "tests/gfx/gfx_test_util.h"

namespace {

// Destination bytes b 16, g 32, r 64, a 128; source b 48, g 96, r 160, a 192.
constexpr uint32_t kDest = 0x80402010u;
constexpr uint32_t kSrc = 0xC0A06030u;

// Blits one source pixel onto one destination pixel.
uint32_t BlitOne(uint32_t dest, uint32_t src, float alpha, int mode) {
  PixelBitmap d(1, 1, 4), s(1, 1, 4);
  At(d, 0, 0) = dest;
  At(s, 0, 0) = src;
  Blit(&d, &s, 0, 0, nullptr, alpha, mode);
  return At(d, 0, 0);
}

uint32_t FillOne(uint32_t dest, uint32_t colour, float alpha, int mode) {
  PixelBitmap d(1, 1, 4);
  At(d, 0, 0) = dest;
  FillRect(&d, 0, 0, 1, 1, colour, alpha, mode);
  return At(d, 0, 0);
}

constexpr float kW100 = 100.0f / 256.0f;  // weight 100

}  // namespace

TEST(BlitOps, CopyWithoutSourceAlpha) {
  EXPECT_EQ(BlitOne(kDest, kSrc, 1.0f, ModeCopy), kSrc);
  // 0.5: whole-word halves, (s >> 1) + (d >> 1) per byte: 24+8, 48+16, 80+32, 96+64.
  EXPECT_EQ(BlitOne(kDest, kSrc, 0.5f, ModeCopy), 0xA0704020u);
  // 192: s + ((d - s) * 64) / 256 -> b 48-8, g 96-16, r 160-24, a 192-16.
  EXPECT_EQ(BlitOne(kDest, kSrc, 0.75f, ModeCopy), 0xB0885028u);
  // 64: s + ((d - s) * 192) / 256 -> b 48-24, g 96-48, r 160-72, a 192-48.
  EXPECT_EQ(BlitOne(kDest, kSrc, 0.25f, ModeCopy), 0x90583018u);
  // 100: (d - s) * 156 / 256 truncates toward zero: b -19.5 -> -19 = 29,
  // g -39 = 57, r -58.5 -> -58 = 102, a -39 = 153.
  EXPECT_EQ(BlitOne(kDest, kSrc, kW100, ModeCopy), 0x9966391Du);
  // 0.5 + a little is weight 128 through the formula: b 48 - 16 = 32,
  // g 96 - 32, r 160 - 48, a 192 - 32 (the same here as the halves only
  // because every byte is even).
  EXPECT_EQ(BlitOne(kDest, kSrc, 0.5001f, ModeCopy), 0xA0704020u);
  EXPECT_EQ(BlitOne(0x01010101u, 0x01010101u, 0.5f, ModeCopy), 0u);  // halves drop the low bits
  EXPECT_EQ(BlitOne(0x01010101u, 0x01010101u, 0.5001f, ModeCopy), 0x01010101u);
  EXPECT_EQ(BlitOne(kDest, kSrc, 0.0f, ModeCopy), kDest);
  EXPECT_EQ(BlitOne(kDest, kSrc, 0.001f, ModeCopy), kDest);  // weight 0
  EXPECT_EQ(BlitOne(kDest, kSrc, -1.0f, ModeCopy), kDest);
  EXPECT_EQ(BlitOne(kDest, kSrc, std::numeric_limits<float>::quiet_NaN(), ModeCopy), kDest);
}

TEST(BlitOps, CopyWithSourceAlpha) {
  const int m = ModeCopy | UseSourceAlpha;
  // Weight 256: alpha 0 leaves the pixel, alpha 255 stores the colour opaque.
  EXPECT_EQ(BlitOne(kDest, 0x00A06030u, 1.0f, m), kDest);
  EXPECT_EQ(BlitOne(kDest, 0xFF123456u, 1.0f, m), 0xFF123456u);
  // Alpha 128 onto alpha 200: alpha min(255, 328); colour s + ((d - s) * 127) / 256:
  // b 48 - 15, g 96 - 31, r 160 - 47.
  EXPECT_EQ(BlitOne(0xC8402010u, 0x80A06030u, 1.0f, m), 0xFF714121u);
  // Alpha 64 onto alpha 16: alpha 80; (d - s) * 191 / 256: b -23, g -47, r -71.
  EXPECT_EQ(BlitOne(0x10402010u, 0x40A06030u, 1.0f, m), 0x50593119u);
  // Weight 128, alpha 128: f = 128 * 129 / 256 = 64; copy at 64, alpha 16 + 64.
  EXPECT_EQ(BlitOne(0x10402010u, 0x80A06030u, 0.5f, m), 0x50583018u);
  // Weight 192, alpha 255: f = 192; copy at 192, alpha 16 + 192.
  EXPECT_EQ(BlitOne(0x10402010u, 0xFFA06030u, 0.75f, m), 0xD0885028u);
  EXPECT_EQ(BlitOne(0x10402010u, 0x00A06030u, 0.25f, m), 0x10402010u);
  // Weight 100, alpha 200: f = 20100 / 256 = 78; (d - s) * 178 / 256:
  // b -22.25 -> 26, g -44.5 -> 52, r -66.75 -> 94; alpha 16 + 78.
  EXPECT_EQ(BlitOne(0x10402010u, 0xC8A06030u, kW100, m), 0x5E5E341Au);
}

TEST(BlitOps, Add) {
  // d + (s * w) / 256, clamped: a 128 + 192 saturates.
  EXPECT_EQ(BlitOne(kDest, kSrc, 1.0f, ModeAdd), 0xFFE08040u);
  EXPECT_EQ(BlitOne(kDest, kSrc, 0.5f, ModeAdd), 0xE0905028u);
  // 100: b 18.75 -> 18, g 37.5 -> 37, r 62.5 -> 62, a 75.
  EXPECT_EQ(BlitOne(kDest, kSrc, kW100, ModeAdd), 0xCB7E4522u);
  // With source alpha 192 at 256: w' = 256 * 193 / 256 = 193; b 9264/256 = 36,
  // g 72, r 120, a 144 (saturates).
  EXPECT_EQ(BlitOne(kDest, kSrc, 1.0f, ModeAdd | UseSourceAlpha), 0xFFB86834u);
  EXPECT_EQ(BlitOne(kDest, 0x00FFFFFFu, 1.0f, ModeAdd | UseSourceAlpha), kDest);
}

TEST(BlitOps, Dodge) {
  // t = s, den = 256 - t, d * 256 / den: b 4096/208 = 19, g 8192/160 = 51,
  // r 16384/96 = 170, a 32768/64 = 512 -> 255.
  EXPECT_EQ(BlitOne(kDest, kSrc, 1.0f, ModeDodge), 0xFFAA3313u);
  // 100: t = 18, 37, 62, 75: 4096/238 = 17, 8192/219 = 37, 16384/194 = 84, 32768/181 = 181.
  EXPECT_EQ(BlitOne(kDest, kSrc, kW100, ModeDodge), 0xB5542511u);
  // A source reaching 255 * 256 saturates every non-zero byte and keeps 0.
  EXPECT_EQ(BlitOne(0x00FF0180u, 0xFFFFFFFFu, 1.0f, ModeDodge), 0x00FFFFFFu);
  // With source alpha 128: w' = 129; t = 24, 48, 80, 64:
  // 4096/232 = 17, 8192/208 = 39, 16384/176 = 93, 32768/192 = 170.
  EXPECT_EQ(BlitOne(kDest, 0x80A06030u, 1.0f, ModeDodge | UseSourceAlpha), 0xAA5D2711u);
}

TEST(BlitOps, Multiply) {
  // 256: s * d / 256: 768/256 = 3, 3072/256 = 12, 10240/256 = 40, 24576/256 = 96.
  EXPECT_EQ(BlitOne(kDest, kSrc, 1.0f, ModeMultiply), 0x60280C03u);
  // 100: ((s * 100 + 156 * 256) * d) >> 16: 715776 -> 10, 1585152 -> 24,
  // 3579904 -> 54, 7569408 -> 115.
  EXPECT_EQ(BlitOne(kDest, kSrc, kW100, ModeMultiply), 0x7336180Au);
  // Source alpha 255 at 256 is the plain form; alpha 0 leaves the pixel.
  EXPECT_EQ(BlitOne(kDest, 0xFFA06030u, 1.0f, ModeMultiply | UseSourceAlpha), 0x7F280C03u);
  EXPECT_EQ(BlitOne(kDest, 0x00A06030u, 1.0f, ModeMultiply | UseSourceAlpha), kDest);
}

TEST(BlitOps, SoftLight) {
  // 256: s' = 256 s; b: 12288 + (20480 * 16) / 256 = 13568, * 16 >> 15 = 6;
  // g 25600 * 32 >> 15 = 25; r (40960 - 2048) * 64 >> 15 = 76;
  // a (49152 - 8192) * 128 >> 15 = 160.
  EXPECT_EQ(BlitOne(kDest, kSrc, 1.0f, ModeSoftLight), 0xA04C1906u);
  // 100: s' = 100 s + 19968: b 25268 * 16 >> 15 = 12; g 29968 * 32 >> 15 = 29;
  // r 35168 * 64 >> 15 = 68; a 35968 * 128 >> 15 = 140.
  EXPECT_EQ(BlitOne(kDest, kSrc, kW100, ModeSoftLight), 0x8C441D0Cu);
  // A source of 128 leaves the destination unchanged at any weight.
  EXPECT_EQ(BlitOne(kDest, 0x80808080u, 1.0f, ModeSoftLight), kDest);
  EXPECT_EQ(BlitOne(kDest, 0x80808080u, kW100, ModeSoftLight), kDest);
  EXPECT_EQ(BlitOne(0xFFFFFF00u, 0x80808080u, 0.75f, ModeSoftLight), 0xFFFFFF00u);
  // Source alpha 0 still weighs 1 / 256: s' = s + 32640: b 32693 * 16 >> 15 = 15,
  // g 32740 * 32 >> 15 = 31, r 32792 * 64 >> 15 = 64, a 32704 * 128 >> 15 = 127.
  EXPECT_EQ(BlitOne(kDest, 0x00A06030u, 1.0f, ModeSoftLight | UseSourceAlpha), 0x7F401F0Fu);
}

TEST(BlitOps, HsvShift) {
  // 128, 128, 128 at 256 shifts nothing: pure red stays pure red; the alpha
  // byte becomes the source alpha.
  EXPECT_EQ(BlitOne(0x40FF0000u, 0x80808080u, 1.0f, ModeHsvShift), 0x80FF0000u);
  // r 200, g 100, b 50: red largest, base 0, numerator 50, delta 150;
  // sat = (326 * 150) >> 8 = 191; hue = 436 * 50 / 1024 = 21, plus
  // (160 + 80 - 192) = 48 -> 69; sat' = 191 - 56 = 135; v' = 200 + 44 = 244;
  // p = 121 * 244 / 256 = 115; sector 64-127, k = 5: X = 15709 * 244 / 16384 = 233.
  EXPECT_EQ(BlitOne(0x00C86432u, 0x33A06496u, 1.0f, ModeHsvShift), 0x33E9F473u);
  // The same at 100: hue 21 + 4800/256 = 39; sat' = 191 - 21 = 170;
  // v' = 200 + 17 = 217; p = 86 * 217 / 256 = 72; sector 0-63, k = 25:
  // X = 12134 * 217 / 16384 = 160.
  EXPECT_EQ(BlitOne(0x00C86432u, 0x33A06496u, kW100, ModeHsvShift), 0x33D9A048u);
  // Red with g < b: base 383, numerator -50 -> 383 - 21 = 362; source red 255
  // adds 190 -> 552, wrapped to 168; sat 191, v 200; p = 65 * 200 / 256 = 50;
  // sector 128-191, k = 24: X = 11800 * 200 / 16384 = 144.
  EXPECT_EQ(BlitOne(0x00C83264u, 0x77FF8080u, 1.0f, ModeHsvShift), 0x7732C890u);
  // With source alpha 0 the weight is 1: no visible shift, but the pixel is
  // still replaced and takes alpha 0.
  EXPECT_EQ(BlitOne(0x40FF0000u, 0x00FF8080u, 1.0f, ModeHsvShift | UseSourceAlpha), 0x00FF0000u);
}

TEST(BlitOps, ReciprocalTable) {
  EXPECT_EQ(ReciprocalTable[0], 0);
  EXPECT_EQ(ReciprocalTable[1], 65535);
  EXPECT_EQ(ReciprocalTable[2], 32767);
  EXPECT_EQ(ReciprocalTable[3], 21844);
  EXPECT_EQ(ReciprocalTable[150], 435);
  EXPECT_EQ(ReciprocalTable[200], 326);
  EXPECT_EQ(ReciprocalTable[255], 256);
}

TEST(BlitOps, ChannelCopyMovesOneByte) {
  // 240 + (to << 2) + from: red (2) into alpha (3), then alpha into blue.
  EXPECT_EQ(BlitOne(0x11223344u, 0xAABBCCDDu, 0.3f, 240 + (3 << 2) + 2), 0xBB223344u);
  EXPECT_EQ(BlitOne(0x11223344u, 0xAABBCCDDu, 1.0f, 240 + (0 << 2) + 3), 0x112233AAu);
  EXPECT_EQ(BlitOne(0x11223344u, 0xAABBCCDDu, 1.0f, 255), 0xAA223344u);
  // Operations 6 to 239 draw nothing.
  EXPECT_EQ(BlitOne(kDest, kSrc, 1.0f, 6), kDest);
  EXPECT_EQ(BlitOne(kDest, kSrc, 1.0f, 239 | UseSourceAlpha), kDest);
}

TEST(BlitGeometry, SourceRectangleAndClipping) {
  PixelBitmap src(4, 3, 4);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 4; ++x) At(src, x, y) = 0xFF000000u | uint32_t(y << 4 | x);
  PixelBitmap dest(8, 4, 4);

  // A source rectangle left of -3 starts at column 0 and moves the target 3 right.
  FillAll(dest, 0);
  IBounds r(-3, 1, 2, 2);
  Blit(&dest, &src, 1, 0, &r, 1.0f, ModeCopy);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 8; ++x) {
      uint32_t expected = (y == 0 && (x == 4 || x == 5)) ? 0xFF000000u | uint32_t(0x10 | (x - 4)) : 0u;
      EXPECT_EQ(At(dest, x, y), expected) << x << "," << y;
    }

  // A negative destination skips source columns and rows; the right and
  // bottom edges clip.
  FillAll(dest, 0);
  Blit(&dest, &src, -2, -1, nullptr, 1.0f, ModeCopy);
  EXPECT_EQ(At(dest, 0, 0), 0xFF000012u);
  EXPECT_EQ(At(dest, 1, 1), 0xFF000023u);
  EXPECT_EQ(At(dest, 2, 0), 0u);
  EXPECT_EQ(At(dest, 0, 2), 0u);

  FillAll(dest, 0);
  Blit(&dest, &src, 6, 2, nullptr, 1.0f, ModeAdd);
  EXPECT_EQ(At(dest, 6, 2), 0xFF000000u);
  EXPECT_EQ(At(dest, 7, 3), 0xFF000011u);
  EXPECT_EQ(At(dest, 5, 2), 0u);

  // BlitPart is Blit with (x, y, x + w, y + h).
  FillAll(dest, 0);
  BlitPart(&dest, &src, 0, 0, 1, 1, 2, 2, 1.0f, ModeCopy);
  EXPECT_EQ(At(dest, 0, 0), 0xFF000011u);
  EXPECT_EQ(At(dest, 1, 1), 0xFF000022u);
  EXPECT_EQ(At(dest, 2, 0), 0u);
}

TEST(BlitGeometry, HostileRectanglesStayInside) {
  PixelBitmap src(5, 5, 4), dest(6, 6, 4);
  FillPattern(src, 1);
  FillPattern(dest, 2);
  const auto before = Snapshot(dest);
  const int big[] = {INT_MIN, INT_MIN + 1, -1000000, -7, 7, 1000000, INT_MAX - 1, INT_MAX};
  for (int a : big)
    for (int b : big) {
      IBounds rects[] = {IBounds(a, b, INT_MAX, INT_MAX), IBounds(INT_MIN, INT_MIN, a, b), IBounds(a, a, b, b)};
      for (const IBounds& r : rects) {
        Blit(&dest, &src, a, b, &r, 1.0f, ModeCopy);
        Blit(&dest, &src, b, a, &r, 0.7f, ModeAdd | UseSourceAlpha);
      }
      Blit(&dest, &src, a, b, nullptr, 1.0f, ModeCopy);
      BlitPart(&dest, &src, 0, 0, a, b, INT_MAX, INT_MAX, 1.0f, ModeCopy);
      BlitPart(&dest, &src, a, b, 0, 0, a, b, 0.5f, ModeCopy);
      FillRect(&dest, a, b, INT_MAX, INT_MAX, 0x12345678u, 0.3f, ModeMultiply);
      FillRect(&dest, a, b, a, b, 0x12345678u, 1.0f, ModeCopy);
    }
  // Only the visible 6 x 6 pixels may have changed; the row padding never.
  const auto after = Snapshot(dest);
  for (int y = 0; y < 6; ++y)
    for (int x = 6; x < dest.RowPixels(); ++x) EXPECT_EQ(after[y * 8 + x], before[y * 8 + x]);

  // Empty bitmaps and null pointers draw nothing.
  PixelBitmap empty;
  Blit(&empty, &src, 0, 0, nullptr, 1.0f, ModeCopy);
  Blit(&dest, &empty, 0, 0, nullptr, 1.0f, ModeCopy);
  Blit(nullptr, &src, 0, 0, nullptr, 1.0f, ModeCopy);
  Blit(&dest, nullptr, 0, 0, nullptr, 1.0f, ModeCopy);
  FillRect(nullptr, 0, 0, 1, 1, 0, 1.0f, ModeCopy);
  FillRect(&empty, 0, 0, 1, 1, 0, 1.0f, ModeCopy);
  EXPECT_EQ(Snapshot(dest), after);
}

TEST(FillRectOps, ExactWeightsUseWholeWords) {
  // 0.5 on white with opaque black: both words halved, alpha 127 + 127.
  EXPECT_EQ(FillOne(0xFFFFFFFFu, 0xFF000000u, 0.5f, ModeCopy), 0xFE7F7F7Fu);
  // 0.51 is weight 130 through the byte formula, with the weight as the
  // source alpha: alpha 130 + (125 * 126) / 256 = 191; colour 0 + (255 * 126) / 256 = 125.
  EXPECT_EQ(FillOne(0xFFFFFFFFu, 0xFF000000u, 0.51f, ModeCopy), 0xBF7D7D7Du);
  // 192: c/2 + c/4 + p/4 = 7F402010 + 3F201008 + 08101820.
  EXPECT_EQ(FillOne(0x20406080u, 0xFF804020u, 0.75f, ModeCopy), 0xC6704838u);
  // 64: c/4 + p/2 + p/4 = 3F201008 + 10203040 + 08101820.
  EXPECT_EQ(FillOne(0x20406080u, 0xFF804020u, 0.25f, ModeCopy), 0x57505868u);
  EXPECT_EQ(FillOne(0x20406080u, 0xFF804020u, 1.0f, ModeCopy), 0xFF804020u);
  // 100: the alpha byte moves toward 100, not toward the colour's 255:
  // 100 - 15600/256 -> 40; b 50 - 30, g 100 - 60, r 200 - 121.
  EXPECT_EQ(FillOne(0x00000000u, 0xFFC86432u, kW100, ModeCopy), 0x284F2814u);
  EXPECT_EQ(FillOne(0x12345678u, 0xFFC86432u, 0.001f, ModeCopy), 0x12345678u);
}

TEST(FillRectOps, SourceAlphaScalesTheWeight) {
  // Colour alpha 128 at 1.0: weight trunc(128 / 255 * 256) = 128, the halves.
  EXPECT_EQ(FillOne(0x00000000u, 0x80FF0000u, 1.0f, ModeCopy | UseSourceAlpha), 0x407F0000u);
  // Colour alpha 0 draws nothing.
  EXPECT_EQ(FillOne(0x12345678u, 0x00FF0000u, 1.0f, ModeCopy | UseSourceAlpha), 0x12345678u);
  // Colour alpha 255 keeps full weight.
  EXPECT_EQ(FillOne(0x12345678u, 0xFFFF0000u, 1.0f, ModeCopy | UseSourceAlpha), 0xFFFF0000u);
}

TEST(FillRectOps, OtherOperationsTakeTheWeightAsSourceAlpha) {
  // Add at 256: colour bytes added; the alpha byte gains 256 and saturates
  // although the colour's alpha is 0.
  EXPECT_EQ(FillOne(0x10101010u, 0x00102030u, 1.0f, ModeAdd), 0xFF203040u);
  // Multiply at 100 with the weight standing in for the alpha: a = ((100 * 100
  // + 156 * 256) * 128) >> 16 = 97; b = ((48*100 + 39936) * 16) >> 16 = 10.
  EXPECT_EQ(FillOne(kDest, 0x00A06030u, kW100, ModeMultiply), 0x6136180Au);
  // The colour's own alpha plays no part outside copy mode's exact weights.
  EXPECT_EQ(FillOne(kDest, 0xFFA06030u, kW100, ModeMultiply), 0x6136180Au);
  // The hue shift stores the low 8 bits of the weight 256 as alpha: 0.
  EXPECT_EQ(FillOne(0xFFFF0000u, 0x00808080u, 1.0f, ModeHsvShift), 0x00FF0000u);
  EXPECT_EQ(FillOne(kDest, kSrc, 1.0f, 7), kDest);
}

TEST(FillRectOps, Clipping) {
  PixelBitmap d(5, 4, 4);
  FillAll(d, 0);
  FillRect(&d, -2, -1, 4, 3, 0xFFFFFFFFu, 1.0f, ModeCopy);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 8; ++x) EXPECT_EQ(At(d, x, y), (x < 2 && y < 2) ? 0xFFFFFFFFu : 0u) << x << "," << y;
  FillAll(d, 0);
  FillRect(&d, 3, 2, 100, 100, 0xFFFFFFFFu, 1.0f, ModeCopy);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 8; ++x) EXPECT_EQ(At(d, x, y), (x >= 3 && x < 5 && y >= 2) ? 0xFFFFFFFFu : 0u);
  FillAll(d, 0);
  FillRect(&d, INT_MIN, INT_MIN, INT_MAX, INT_MAX, 0xFFFFFFFFu, 1.0f, ModeCopy);
  FillRect(&d, 0, 0, 0, 5, 0xFFFFFFFFu, 1.0f, ModeCopy);
  FillRect(&d, 5, 0, 1, 1, 0xFFFFFFFFu, 1.0f, ModeCopy);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 8; ++x) EXPECT_EQ(At(d, x, y), 0u);
}

TEST(PixelOpFor, ChoosesTheOperation) {
  EXPECT_EQ(PixelOpFor(ModeCopy)(kDest, 0xA0, 0x60, 0x30, 0xC0, 64), 0x90583018u);
  EXPECT_EQ(PixelOpFor(ModeAdd)(kDest, 0xA0, 0x60, 0x30, 0xC0, 256), 0xFFE08040u);
  EXPECT_EQ(PixelOpFor(ModeCopy | UseSourceAlpha)(0x10402010u, 0xA0, 0x60, 0x30, 0x80, 128), 0x50583018u);
  EXPECT_EQ(PixelOpFor(6), nullptr);
  EXPECT_EQ(PixelOpFor(ModeChannelCopy), nullptr);
}

TEST(FillRectOps, WholeWordsOnWideRows) {
  // Rows long enough for the four-pixel steps, with a remainder: every pixel
  // gets the same whole-word form as a single one.
  auto half = [](uint32_t p) { return (p >> 1) & 0x7f7f7f7fu; };
  const uint32_t c = 0xFF804021u;
  struct Case {
    float alpha;
    uint32_t (*form)(uint32_t c, uint32_t p);
  };
  const Case cases[] = {
      {1.0f, [](uint32_t c, uint32_t) { return c; }},
      {0.5f, [](uint32_t c, uint32_t p) { return ((c >> 1) & 0x7f7f7f7fu) + ((p >> 1) & 0x7f7f7f7fu); }},
      {0.25f,
       [](uint32_t c, uint32_t p) {
         return ((c >> 2) & 0x3f3f3f3fu) + ((p >> 1) & 0x7f7f7f7fu) + ((p >> 2) & 0x3f3f3f3fu);
       }},
      {0.75f,
       [](uint32_t c, uint32_t p) {
         return ((c >> 1) & 0x7f7f7f7fu) + ((c >> 2) & 0x3f3f3f3fu) + ((p >> 2) & 0x3f3f3f3fu);
       }},
  };
  for (const Case& k : cases) {
    PixelBitmap d(11, 3, 4), orig(11, 3, 4);
    FillPattern(d, 9);
    FillPattern(orig, 9);
    FillRect(&d, 1, 1, 10, 2, c, k.alpha, ModeCopy);
    for (int y = 0; y < 3; ++y)
      for (int x = 0; x < 12; ++x) {
        bool inside = x >= 1 && x < 11 && y >= 1;
        EXPECT_EQ(At(d, x, y), inside ? k.form(c, At(orig, x, y)) : At(orig, x, y)) << k.alpha << " " << x;
      }
  }
  // Other weights: every pixel as a one-pixel fill gives it.
  for (float alpha : {100.0f / 256, 1.0f / 256, 255.0f / 256, 0.6f}) {
    PixelBitmap d(11, 3, 4), orig(11, 3, 4);
    FillPattern(d, 9);
    FillPattern(orig, 9);
    FillRect(&d, 0, 0, 11, 3, c, alpha, ModeCopy);
    for (int y = 0; y < 3; ++y)
      for (int x = 0; x < 11; ++x) ASSERT_EQ(At(d, x, y), FillOne(At(orig, x, y), c, alpha, ModeCopy)) << alpha;
  }
  // Blit at 0.5 likewise.
  PixelBitmap d(11, 2, 4), orig(11, 2, 4), s(11, 2, 4);
  FillPattern(d, 4);
  FillPattern(orig, 4);
  FillPattern(s, 5);
  Blit(&d, &s, 0, 0, nullptr, 0.5f, ModeCopy);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 11; ++x) EXPECT_EQ(At(d, x, y), half(At(s, x, y)) + half(At(orig, x, y)));
}

TEST(BlitOps, WideRowsMatchSinglePixels) {
  // Long rows take four pixels at a step; every pixel must come out as the
  // same blit of that pixel alone gives (whose values the tests above pin).
  PixelBitmap src(37, 8, 4), dest(37, 8, 4), orig(37, 8, 4);
  FillPattern(src, 21);
  // Alphas of 0 and 255 in every fourth pixel.
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 37; x += 4) At(src, x, y) &= (x + y) % 8 == 0 ? 0x00FFFFFFu : 0xFFFFFFFFu;
  for (int y = 0; y < 8; ++y)
    for (int x = 1; x < 37; x += 4) At(src, x, y) |= 0xFF000000u;
  const float alphas[] = {1.0f, 0.75f, 0.5f, 0.25f, 100.0f / 256, 1.0f / 256, 255.0f / 256};
  for (int mode : {int(ModeCopy), ModeCopy | UseSourceAlpha}) {
    for (float alpha : alphas) {
      FillPattern(dest, 22);
      FillPattern(orig, 22);
      Blit(&dest, &src, 0, 0, nullptr, alpha, mode);
      for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 37; ++x) {
          PixelBitmap one(1, 1, 4), s(1, 1, 4);
          At(one, 0, 0) = At(orig, x, y);
          At(s, 0, 0) = At(src, x, y);
          Blit(&one, &s, 0, 0, nullptr, alpha, mode);
          ASSERT_EQ(At(dest, x, y), At(one, 0, 0)) << "mode " << mode << " alpha " << alpha << " at " << x << "," << y;
        }
    }
  }
}
