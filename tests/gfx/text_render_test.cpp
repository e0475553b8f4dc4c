// Text in real fonts: properties that hold whatever the installed fonts look
// like, and a picture of the editor's value texts written to a PNG file.
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>

#include "gfx/Bitmap.h"
#include "gfx/Draw.h"
#include "gfx/PngEncode.h"
#include "gfx/RasterFont.h"
#include "tests/TestOutputPath.h"
#include "tests/gfx/font_test_util.h"

#ifdef _WIN32
#include <windows.h>
#endif

using namespace fonttest;

namespace {

// A font as the editor makes it.
std::unique_ptr<RasterFont> MakeFont(const char* face, int size, int flags = FontOwnsHandle | FontSystemText) {
  FontRequest request;
  request.face = face;
  request.height = size;
  FontFace* handle = CreateFontFace(request);
  if (!handle) return nullptr;
  auto font = std::make_unique<RasterFont>();
  font->AttachFont(handle, flags);
  return font;
}

IBounds Measure(RasterFont& font, const char* text) {
  IBounds r(0, 0, 0, 0);
  font.RenderText(nullptr, text, -1, &r, kTextCalcRect | kTextNoClip);
  return r;
}

bool WritePng(const std::string& path, BitmapBase& bitmap) { return EncodePngFile(&bitmap, path.c_str()); }

TEST(TextInFonts, FacesResolveWithTheirCellHeight) {
  for (auto [face, size] : {std::pair<const char*, int>{"Arial", 16}, {"Verdana", 13}, {"Arial", 40}}) {
    auto font = MakeFont(face, size);
    ASSERT_TRUE(font) << face;
    EXPECT_NEAR(size, font->LineHeight(), 1) << face;
    const IBounds r = Measure(*font, "250ms");
    EXPECT_EQ(font->LineHeight(), r.bottom) << face;
    EXPECT_GT(r.right, size) << face;  // five characters are wider than one line is high
    EXPECT_LT(r.right, 5 * size) << face;
  }
  // Sizes the editor never asks for still make a usable font.
  for (int size : {0, -12, 1, 300, 5000}) {
    auto font = MakeFont("Arial", size);
    ASSERT_TRUE(font) << size;
    EXPECT_GT(font->LineHeight(), 0) << size;
    PixelBitmap bitmap(40, 20, 4);
    Fill(bitmap, 0xFF000000u);
    font->SetInkColour(0xFFFFFFFFu);
    IBounds r(0, 0, 40, 20);
    font->RenderText(&bitmap, "50%", -1, &r, kTextNoClip | UseInkAlpha);
#ifndef _WIN32
    // Without a system text call, lines this high have no glyphs to draw.
    if (font->LineHeight() > 1023) {
      Box box;
      EXPECT_FALSE(InkBox(bitmap, 0xFF000000u, &box)) << size;
    }
#endif
  }
  // An unknown face falls back to some installed face.
  auto fallback = MakeFont("No Such Face Anywhere", 16);
  ASSERT_TRUE(fallback);
  EXPECT_GT(Measure(*fallback, "x").right, 0);
}

TEST(TextInFonts, WiderTextMeasuresWider) {
  for (const char* face : {"Arial", "Verdana"}) {
    auto font = MakeFont(face, 16);
    ASSERT_TRUE(font);
    EXPECT_LT(Measure(*font, "iiii").right, Measure(*font, "WWWW").right) << face;
    EXPECT_LT(Measure(*font, "250ms").right, Measure(*font, "250ms250ms").right) << face;
    EXPECT_LE(Measure(*font, "1/8T").right, Measure(*font, "1/8T ").right) << face;
    // Advances add up: a text measures the sum of its characters (each
    // character's ink stays within its advance in these texts).
    EXPECT_EQ(Measure(*font, "50").right + Measure(*font, "%").right, Measure(*font, "50%").right) << face;
    // A second line adds a line height.
    EXPECT_EQ(2 * font->LineHeight(), Measure(*font, "50%\nv1.00").bottom) << face;
  }
}

struct PlacedText : ::testing::Test {
  static constexpr uint32_t kBack = 0xFF303840u;
  PixelBitmap bitmap{200, 60, 4};
  std::unique_ptr<RasterFont> font = MakeFont("Arial", 16);
  Box Draw(const char* text, IBounds r, int flags) {
    Fill(bitmap, kBack);
    font->RenderText(&bitmap, text, -1, &r, flags);
    Box box{-1, -1, -1, -1};
    InkBox(bitmap, kBack, &box);
    return box;
  }
};

TEST_F(PlacedText, InkLandsWhereTheAlignmentSays) {
  ASSERT_TRUE(font);
  font->SetInkColour(0xFFFFFFFFu);
  const IBounds r(20, 10, 180, 50);
  const int width = Measure(*font, "250ms").right;
  const int height = font->LineHeight();
  const Box left = Draw("250ms", r, kTextNoClip | UseInkAlpha);
  ASSERT_GE(left.left, 0);
  EXPECT_GE(left.left, r.left - 2);  // small overhangs only
  EXPECT_LE(left.left, r.left + 2);
  EXPECT_LE(left.right, r.left + width + 1);
  EXPECT_GE(left.top, r.top);
  EXPECT_LE(left.bottom, r.top + height);

  const int offset = (r.right - width - r.left) / 2;
  const Box centre = Draw("250ms", r, kTextNoClip | UseInkAlpha | kTextCenter);
  EXPECT_EQ(left.left + offset, centre.left);  // the same ink, moved
  EXPECT_EQ(left.right + offset, centre.right);
  EXPECT_EQ(left.top, centre.top);
  // Centred within one pixel: the measured box's middle is the rectangle's.
  EXPECT_LE(std::abs(2 * (r.left + offset) + width - (r.left + r.right)), 2);

  const Box right = Draw("250ms", r, kTextNoClip | UseInkAlpha | kTextRight);
  EXPECT_EQ(left.left + (r.right - width - r.left), right.left);
  EXPECT_LE(right.right, r.right + 1);
  EXPECT_GE(right.right, r.right - 3);

  const Box bottom = Draw("250ms", r, kTextNoClip | UseInkAlpha | kTextBottom);
  EXPECT_EQ(left.top + (r.bottom - height - r.top), bottom.top);
  EXPECT_LE(bottom.bottom, r.bottom);
}

TEST_F(PlacedText, TranslucentInkBlendsAsTheFormulasSay) {
  ASSERT_TRUE(font);
  const uint32_t ink = 0xB4FFFFFFu;  // the knob value colour: alpha 180
  font->SetInkColour(ink);
  Draw("1/8T 250ms", IBounds(5, 5, 195, 55), kTextNoClip | UseInkAlpha);
  // alpha 180 / 255 gives t = 180: every covered pixel has weight
  // 180 x coverage / 256, at most 179, in the copy formula.
  int inked = 0, strongest = 0;
  for (int y = 0; y < bitmap.Height(); ++y)
    for (int x = 0; x < bitmap.Width(); ++x) {
      const uint32_t p = At(bitmap, x, y);
      if (p == kBack) continue;
      ++inked;
      int weight = -1;
      for (int w = 1; w <= 179 && weight < 0; ++w)
        if (CopyGlyphPixel(kBack, ink, w) == p) weight = w;
      ASSERT_GT(weight, 0) << "pixel " << x << "," << y << " = " << std::hex << p;
      strongest = std::max(strongest, weight);
    }
  EXPECT_GT(inked, 50);
  EXPECT_GE(strongest, 170);  // stems are fully covered somewhere
}

TEST(TextInFonts, UnicodeTextTakesItsOwnGlyphs) {
  auto font = MakeFont("Arial", 16);
  ASSERT_TRUE(font);
  // A degree sign and a micro sign are one character each.
  const int one = Measure(*font, "\xC2\xB0").right;
  EXPECT_GT(one, 0);
  EXPECT_EQ(one + Measure(*font, "\xC2\xB5").right, Measure(*font, "\xC2\xB0\xC2\xB5").right);
  EXPECT_NE(nullptr, font->FindGlyph(0xB0));
  EXPECT_NE(nullptr, font->FindGlyph(0xB5));
}

#ifdef _WIN32
// Windows: the system text path, its choice and the Wine test.
struct WineAnswer {
  ~WineAnswer() { RasterFont::SetWineAnswer(-1); }
};

TEST(SystemText, WineIsRecognised) {
  RasterFont::SetWineAnswer(-1);
  const bool wine = GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version") != nullptr;
  EXPECT_EQ(wine, RasterFont::RunsUnderWine());
}

TEST(SystemText, PathIsChosenByFlagsAndWine) {
  WineAnswer restore;
  auto font = MakeFont("Arial", 16);
  ASSERT_TRUE(font);
  SysBitmap canvas(120, 30);
  Fill(canvas, 0xFF000000u);
  font->SetInkColour(0xFFFFFFFFu);
  IBounds r(0, 0, 120, 30);
  // Outside Wine, an opaque plain text goes to the system call: no glyphs.
  RasterFont::SetWineAnswer(0);
  EXPECT_EQ(font->LineHeight(), font->RenderText(&canvas, "50%", -1, &r, kTextNoClip));
  EXPECT_EQ(0, font->FindGlyph('5')->coverage);
  Box box;
  EXPECT_TRUE(InkBox(canvas, 0xFF000000u, &box));
  // The ink's alpha needs the glyphs.
  font->RenderText(&canvas, "50%", -1, &r, kTextNoClip | UseInkAlpha);
  EXPECT_GT(font->FindGlyph('5')->coverage, 0);
  EXPECT_EQ(0, font->FindGlyph('v')->coverage);
  // Under Wine every such text takes the glyphs.
  RasterFont::SetWineAnswer(1);
  font->RenderText(&canvas, "v", -1, &r, kTextNoClip);
  EXPECT_GT(font->FindGlyph('v')->coverage, 0);
}

TEST(SystemText, DrawsWhereTheGlyphPathDraws) {
  WineAnswer restore;
  RasterFont::SetWineAnswer(0);
  auto font = MakeFont("Arial", 16);
  ASSERT_TRUE(font);
  font->SetInkColour(0xFFFFFFFFu);
  const uint32_t back = 0xFF000000u;
  const IBounds r(10, 5, 150, 35);
  for (int align : {0, int(kTextCenter), int(kTextRight)}) {
    SysBitmap system(160, 40);
    Fill(system, back);
    IBounds rs = r;
    EXPECT_EQ(font->LineHeight(), font->RenderText(&system, "250ms", -1, &rs, kTextNoClip | align));
    PixelBitmap glyphs(160, 40, 4);
    Fill(glyphs, back);
    IBounds rg = r;
    font->RenderText(&glyphs, "250ms", -1, &rg, kTextNoClip | UseInkAlpha | align);
    Box a, b;
    ASSERT_TRUE(InkBox(system, back, &a));
    ASSERT_TRUE(InkBox(glyphs, back, &b));
    EXPECT_NEAR(a.left, b.left, 1) << align;
    EXPECT_NEAR(a.right, b.right, 1) << align;
    EXPECT_NEAR(a.top, b.top, 1) << align;
    EXPECT_NEAR(a.bottom, b.bottom, 1) << align;
    // A bitmap without a device context gets the same text through the text
    // scratch bitmap.
    PixelBitmap memory(160, 40, 4);
    Fill(memory, back);
    IBounds rm = r;
    font->RenderText(&memory, "250ms", -1, &rm, kTextNoClip | align);
    ASSERT_NE(nullptr, RasterFont::TextScratch());
    for (int y = 0; y < 40; ++y)
      for (int x = 0; x < 160; ++x)
        ASSERT_EQ(At(system, x, y) & 0xFFFFFF, At(memory, x, y) & 0xFFFFFF) << x << "," << y << " " << align;
  }
  // Measuring on the system path.
  IBounds m(3, 4, 3, 4);
  EXPECT_EQ(font->LineHeight(), font->RenderText(nullptr, "250ms", -1, &m, kTextCalcRect));
  EXPECT_EQ(3 + Measure(*font, "250ms").right, m.right);
  EXPECT_EQ(4 + font->LineHeight(), m.bottom);
}
#endif

// The editor's value texts in its two text styles, written to a PNG file
// for a look, with the ink checked against each text's alignment.
TEST(TextInFonts, EditorTextsPicture) {
  constexpr int kWidth = 400, kHeight = 100;
  PixelBitmap bitmap(kWidth, kHeight, 4);
  const uint32_t dark = 0xFF303840u, light = 0xFFD8D8D0u;
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < bitmap.RowPixels(); ++x) bitmap.Pixels()[y * bitmap.RowPixels() + x] = y < 50 ? dark : light;

  struct Style {
    const char* face;
    int size;
    uint32_t ink;
    uint32_t back;
    int top;
  };
  // The knob value style (white, alpha 180) on a dark band; the version
  // style (black, alpha 100) on a light one.
  const Style styles[] = {{"Arial", 16, 0xB4FFFFFFu, dark, 10}, {"Verdana", 13, 0x64000000u, light, 60}};
  const char* texts[] = {"1/8T", "250ms", "50%", "v1.00"};
  const int aligns[] = {0, kTextCenter, kTextRight, kTextCenter};
  std::vector<IBounds> cells;
  for (const Style& style : styles) {
    auto font = MakeFont(style.face, style.size);
    ASSERT_TRUE(font) << style.face;
    font->SetInkColour(style.ink);
    for (int i = 0; i < 4; ++i) {
      IBounds cell(i * 100 + 10, style.top, i * 100 + 90, style.top + 30);
      IBounds r = cell;
      const int flags = kTextNoClip | UseInkAlpha | aligns[i];
      EXPECT_EQ(font->LineHeight(), font->RenderText(&bitmap, texts[i], -1, &r, flags));
      const int width = Measure(*font, texts[i]).right;
      Box ink;
      ASSERT_TRUE(InkBoxIn(bitmap, IBounds(i * 100, style.top - 5, i * 100 + 100, style.top + 35), style.back, &ink))
          << style.face << " " << texts[i];
      // Ink stays within the line and the measured width, moved by the
      // alignment.
      int x = cell.left;
      if (aligns[i] == kTextCenter) x += (cell.right - width - cell.left) / 2;
      if (aligns[i] == kTextRight) x = cell.right - width;
      EXPECT_GE(ink.left, x - 2) << style.face << " " << texts[i];
      EXPECT_LE(ink.left, x + 3) << style.face << " " << texts[i];
      EXPECT_LE(ink.right, x + width + 1) << style.face << " " << texts[i];
      EXPECT_GE(ink.right, x + width - 3) << style.face << " " << texts[i];
      EXPECT_GE(ink.top, cell.top) << style.face << " " << texts[i];
      EXPECT_LE(ink.bottom, cell.top + font->LineHeight()) << style.face << " " << texts[i];
      if (aligns[i] == kTextCenter) {
        EXPECT_LE(std::abs(ink.left + ink.right - cell.left - cell.right), 4) << style.face << " " << texts[i];
      }
      cells.push_back(cell);
    }
  }
  // Mark the cells' corners for the eye, after the checks.
  for (const IBounds& c : cells)
    for (int x : {c.left - 1, c.right}) {
      FillRect(&bitmap, x, c.top - 3, 1, 3, 0xFFE04040u, 1.0f, ModeCopy);
      FillRect(&bitmap, x, c.bottom, 1, 3, 0xFFE04040u, 1.0f, ModeCopy);
    }
  const std::string path = TestOutputPath("text_values.png");
  EXPECT_TRUE(WritePng(path, bitmap)) << path;
  // And three times as large, to see single pixels.
  PixelBitmap large(kWidth * 3, kHeight * 3, 4);
  for (int y = 0; y < large.Height(); ++y)
    for (int x = 0; x < large.Width(); ++x) large.Pixels()[y * large.RowPixels() + x] = At(bitmap, x / 3, y / 3);
  EXPECT_TRUE(WritePng(TestOutputPath("text_values_x3.png"), large));
}

}  // namespace
