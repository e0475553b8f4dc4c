// The glyph cache and glyph drawing of RasterFont, with a synthetic face so
// that every coverage byte and pixel is known.
#include <gtest/gtest.h>

#include <climits>
#include <memory>
#include <string>

#include "gfx/Bitmap.h"
#include "gfx/RasterFont.h"
#include "tests/gfx/font_test_util.h"

using namespace fonttest;

namespace {

// Coverage of a rendered glyph as picture rows of numbers.
std::vector<std::vector<int>> Coverage(const RasterFont& font, uint16_t code) {
  std::vector<std::vector<int>> rows;
  const GlyphRecord* g = font.FindGlyph(code);
  if (!g) return rows;
  const uint8_t* k = font.GlyphCoverage(*g);
  if (!k) return rows;
  for (int y = 0; y < g->height; ++y) {
    rows.emplace_back();
    for (int x = 0; x < g->width; ++x) rows.back().push_back(k[y * g->width + x]);
  }
  return rows;
}

// Renders code through a measuring call, which fills the cache.
void Cache(RasterFont& font, const char* text) {
  IBounds r(0, 0, 0, 0);
  font.RenderText(nullptr, text, -1, &r, kTextCalcRect);
}

TEST(RasterFontObject, StartsWithDefaultColoursAndBlendAndCountsLiveFonts) {
  const int before = RasterFont::LiveFonts();
  {
    RasterFont a;
    EXPECT_EQ(before + 1, RasterFont::LiveFonts());
    EXPECT_EQ(0u, a.InkColour());
    EXPECT_EQ(0xFFFFFFFFu, a.BackColour());
    EXPECT_EQ(0xFFFFFFFFu, a.EdgeColour());
    EXPECT_EQ(1, a.BackMode());
    EXPECT_EQ(0, a.BlendMode());
    EXPECT_EQ(1.0f, a.Alpha());
    EXPECT_EQ(0, a.Flags());
    EXPECT_EQ(0, a.LineHeight());
    EXPECT_EQ(nullptr, a.FontHandle());
    EXPECT_EQ(0x11223344u, (a.SetInkColour(0x11223344u), a.SetInkColour(5)));
    EXPECT_EQ(0xFFFFFFFFu, a.SetBackColour(1));
    EXPECT_EQ(0xFFFFFFFFu, a.SetEdgeColour(2));
    EXPECT_EQ(1, a.SetBackMode(2));
    EXPECT_EQ(2, a.SetBackMode(1));
    a.SetBlend(ModeAdd, 0.25f);
    EXPECT_EQ(ModeAdd, a.BlendMode());
    EXPECT_EQ(0.25f, a.Alpha());
    RasterFont b;
    EXPECT_EQ(before + 2, RasterFont::LiveFonts());
  }
  EXPECT_EQ(before, RasterFont::LiveFonts());
}

TEST(RasterFontObject, OwnedHandlesAreDeletedWhenReplacedOrDestroyed) {
  int deadA = 0, deadB = 0, deadC = 0;
  auto* a = new FakeFace(10, &deadA);
  auto* b = new FakeFace(12, &deadB);
  FakeFace c(14, &deadC);
  {
    RasterFont font;
    font.AttachFont(a, FontOwnsHandle | FontSystemText);
    EXPECT_EQ(a, font.FontHandle());
    EXPECT_EQ(10, font.LineHeight());
    font.AttachFont(a, FontOwnsHandle);  // the same handle again stays
    EXPECT_EQ(0, deadA);
    font.AttachFont(b, FontOwnsHandle);
    EXPECT_EQ(1, deadA);
    EXPECT_EQ(12, font.LineHeight());
    font.AttachFont(&c, 0);  // b was owned: deleted; c is not
    EXPECT_EQ(1, deadB);
    font.AttachFont(&c, 0);
  }
  EXPECT_EQ(0, deadC);  // never owned
  auto owner = std::make_unique<RasterFont>();
  owner->AttachFont(new FakeFace(10, &deadC), FontOwnsHandle);
  owner.reset();
  EXPECT_EQ(1, deadC);
}

TEST(RasterFontObject, ScratchBitmapsLiveWhileFontsDo) {
  if (RasterFont::LiveFonts() != 0) GTEST_SKIP() << "other fonts alive";
  {
    RasterFont font;
    font.AttachFont(new FakeFace(10), FontOwnsHandle);
    ASSERT_NE(nullptr, RasterFont::GlyphScratch());
    EXPECT_GE(RasterFont::GlyphScratch()->Width(), 256);
    EXPECT_GE(RasterFont::GlyphScratch()->Height(), 256);
  }
  EXPECT_EQ(nullptr, RasterFont::GlyphScratch());
  EXPECT_EQ(nullptr, RasterFont::TextScratch());
}

TEST_F(FontFixture, GlyphsAreCutToTheirInkAndAdvance) {
  Make(4);  // below 16: no margin, the pen at column 2 of the box
  face->Add('I', 4, {".##.", ".##.", ".##.", "...."});
  face->Add('J', 4, {"#...", "..#.", "....", "...."}, -2);   // ink two pixels left of the pen
  face->Add('W', 4, {".....#", "......", "......", "......"});  // ink beyond the advance
  Cache(*font, "IJW");
  const GlyphRecord* i = font->FindGlyph('I');
  ASSERT_NE(nullptr, i);
  EXPECT_EQ(4, i->advance);
  EXPECT_EQ(4, i->width);  // columns from the pen to the advance
  EXPECT_EQ(4, i->height);
  EXPECT_EQ(0, i->overhang);
  EXPECT_EQ(1, i->coverage);  // the first glyph in the store
  EXPECT_EQ((std::vector<std::vector<int>>{{0, 255, 255, 0}, {0, 255, 255, 0}, {0, 255, 255, 0}, {0, 0, 0, 0}}),
            Coverage(*font, 'I'));

  const GlyphRecord* j = font->FindGlyph('J');
  EXPECT_EQ(2, j->overhang);
  EXPECT_EQ(6, j->width);
  EXPECT_EQ((std::vector<int>{255, 0, 0, 0, 0, 0}), Coverage(*font, 'J')[0]);
  EXPECT_EQ((std::vector<int>{0, 0, 255, 0, 0, 0}), Coverage(*font, 'J')[1]);

  const GlyphRecord* w = font->FindGlyph('W');
  EXPECT_EQ(0, w->overhang);
  EXPECT_EQ(6, w->width);  // the box is advance + 4 wide, the cut starts at the pen
  EXPECT_EQ(255, Coverage(*font, 'W')[0][5]);

  // The store holds exactly the cut glyphs, one after the other.
  EXPECT_EQ(size_t(4 * 4 + 6 * 4 + 6 * 4), font->CoverageStore().size());
  EXPECT_EQ(1 + 16, j->coverage);
  EXPECT_EQ(1 + 16 + 24, w->coverage);
}

TEST_F(FontFixture, LargeFontsKeepAMarginAroundThePen) {
  Make(32);  // margin 32 / 16 = 2: the pen at column 4, the box advance + 8 wide
  std::vector<std::string> rows(32, std::string(10, '.'));
  rows[5] = "#.........";
  face->Add('A', 6, rows, -4);  // ink at box column 0
  Cache(*font, "A");
  const GlyphRecord* a = font->FindGlyph('A');
  EXPECT_EQ(4, a->overhang);
  EXPECT_EQ(10, a->width);  // box columns 0 to advance + pen
  EXPECT_EQ(32, a->height);
}

TEST_F(FontFixture, CharactersWithoutAdvanceAreEmpty) {
  Make(8);
  Cache(*font, "\x01");
  const GlyphRecord* g = font->FindGlyph(1);
  ASSERT_NE(nullptr, g);
  EXPECT_EQ(-1, g->coverage);
  EXPECT_EQ(0, g->width);
  EXPECT_EQ(0, g->advance);
  EXPECT_TRUE(font->CoverageStore().empty());
  // An empty glyph is rendered once only.
  Cache(*font, "\x01\x01");
  EXPECT_EQ(1, std::count(face->measured.begin(), face->measured.end(), uint16_t(1)));
}

TEST_F(FontFixture, OtherCodesAreKeptSortedAndRenderedOnce) {
  Make(6);
  for (uint16_t code : {0x3A9, 0x100, 0x2020, 0xE9}) face->Add(code, 3, {"#"});
  Cache(*font, "\xCE\xA9\xC4\x80\xE2\x80\xA0\xC3\xA9");
  Cache(*font, "\xC3\xA9\xCE\xA9");
  std::vector<uint16_t> codes;
  for (const GlyphRecord& r : font->OtherGlyphs()) codes.push_back(r.code);
  EXPECT_EQ((std::vector<uint16_t>{0xE9, 0x100, 0x3A9, 0x2020}), codes);
  EXPECT_EQ(4u, face->measured.size());
  for (uint16_t code : codes) EXPECT_GT(font->FindGlyph(code)->coverage, 0);
  EXPECT_EQ(nullptr, font->FindGlyph(0x101));
  // Attaching again empties the cache.
  font->AttachFont(face, FontOwnsHandle);
  EXPECT_TRUE(font->OtherGlyphs().empty());
  EXPECT_TRUE(font->CoverageStore().empty());
  EXPECT_EQ(0, font->FindGlyph('A')->coverage);
}

TEST_F(FontFixture, FixedSetRendersAsciiUpFrontAndNothingElse) {
  face = new FakeFace(5);
  face->Add('A', 3, {"###"});
  face->Add(0xE9, 3, {"###"});
  font.reset(new RasterFont);
  font->AttachFont(face, FontFixedSet | FontOwnsHandle);
  for (int c = 0; c < 128; ++c) EXPECT_NE(0, font->FindGlyph(uint16_t(c))->coverage) << c;
  EXPECT_GT(font->FindGlyph('A')->coverage, 0);
  EXPECT_EQ(128u, face->measured.size());

  PixelBitmap bitmap(20, 10, 4);
  Fill(bitmap, 0xFF000000u);
  font->SetInkColour(0xFFFFFFFFu);
  IBounds r(0, 0, 20, 10);
  EXPECT_EQ(0, font->RenderText(&bitmap, "\xC3\xA9", -1, &r, kTextNoClip));
  Box box;
  EXPECT_FALSE(InkBox(bitmap, 0xFF000000u, &box));
  EXPECT_TRUE(font->OtherGlyphs().empty());
  EXPECT_EQ(128u, face->measured.size());
  EXPECT_EQ(5, font->RenderText(&bitmap, "A", -1, &r, kTextNoClip));
  EXPECT_TRUE(InkBox(bitmap, 0xFF000000u, &box));
}

TEST_F(FontFixture, CoverageIsInvertedBlurredAndThresholded) {
  Make(5, FontInvert);
  face->Add('S', 3, {"...", ".#.", "...", "...", "..."});
  Cache(*font, "S");
  const GlyphRecord* g = font->FindGlyph('S');
  EXPECT_EQ(7, g->width);  // every column of the box is inked now
  EXPECT_EQ(2, g->overhang);
  auto k = Coverage(*font, 'S');
  EXPECT_EQ(0, k[1][3]);
  EXPECT_EQ(255, k[1][2]);
  EXPECT_EQ(255, k[4][6]);

  Make(5, FontBlur);
  face->Add('S', 3, {"...", "...", ".#.", "...", "..."});
  Cache(*font, "S");
  k = Coverage(*font, 'S');
  ASSERT_EQ(3u, k[0].size());
  EXPECT_EQ((std::vector<int>{31, 127, 31}), k[2]);  // centre half, neighbours an eighth
  EXPECT_EQ((std::vector<int>{0, 31, 0}), k[1]);
  EXPECT_EQ((std::vector<int>{0, 31, 0}), k[3]);
  EXPECT_EQ((std::vector<int>{0, 0, 0}), k[0]);

  Make(1, FontMono);
  face->Add('M', 5, {"-+*~#"});
  Cache(*font, "M");
  EXPECT_EQ((std::vector<int>{0, 255, 255, 0, 255}), Coverage(*font, 'M')[0]);
}

TEST_F(FontFixture, ShadowAndOutlineMarkTheirNeighbours) {
  Make(5, FontShadow);
  face->Add('S', 3, {"...", ".#.", "...", "...", "..."});
  face->Add('T', 3, {"...", ".-.", "...", "...", "..."});  // 130 is below the threshold
  Cache(*font, "ST");
  EXPECT_EQ((std::vector<std::vector<int>>{
                {0, 0, 0}, {0, 255, 128}, {0, 128, 128}, {0, 0, 0}, {0, 0, 0}}),
            Coverage(*font, 'S'));
  EXPECT_EQ(std::vector<int>(3, 0), Coverage(*font, 'T')[1]);

  Make(5, FontOutline);
  face->Add('S', 3, {"...", ".#.", "...", "...", "..."});
  Cache(*font, "S");
  EXPECT_EQ((std::vector<std::vector<int>>{
                {0, 128, 0}, {128, 255, 128}, {0, 128, 0}, {0, 0, 0}, {0, 0, 0}}),
            Coverage(*font, 'S'));

  // A shadow at the glyph's edge stays inside the box.
  Make(2, FontShadow);
  face->Add('E', 2, {"..", ".#"});
  Cache(*font, "E");
  EXPECT_EQ((std::vector<std::vector<int>>{{0, 0}, {0, 255}}), Coverage(*font, 'E'));
}

TEST_F(FontFixture, VerticalGlyphsAreTurnedEitherWay) {
  Make(3, FontVertical);
  face->Add('R', 2, {"ab", "cd", "ef"});
  Cache(*font, "R");
  const int a = 9, b = 18, c = 27, d = 36, e = 45, f = 54;
  const GlyphRecord* g = font->FindGlyph('R');
  EXPECT_EQ(3, g->width);
  EXPECT_EQ(2, g->height);
  EXPECT_EQ((std::vector<std::vector<int>>{{e, c, a}, {f, d, b}}), Coverage(*font, 'R'));

  Make(3, FontVertical | FontUpward);
  face->Add('R', 2, {"ab", "cd", "ef"});
  Cache(*font, "R");
  EXPECT_EQ((std::vector<std::vector<int>>{{b, d, f}, {a, c, e}}), Coverage(*font, 'R'));
}

TEST_F(FontFixture, HugeLineHeightsCacheNothing) {
  Make(1024, FontFixedSet);
  face->Add('A', 3, {"###"});
  EXPECT_EQ(0, font->FindGlyph('A')->coverage);
  EXPECT_TRUE(face->measured.empty());
  PixelBitmap bitmap(20, 10, 4);
  Fill(bitmap, 0xFF000000u);
  IBounds r(0, 0, 20, 10);
  EXPECT_EQ(0, font->RenderText(&bitmap, "A", -1, &r, kTextNoClip));
  Box box;
  EXPECT_FALSE(InkBox(bitmap, 0xFF000000u, &box));
}

// Glyph drawing: clipping and the composition formulas.
struct DrawFixture : FontFixture {
  PixelBitmap bitmap{10, 10, 4};  // rows of 12 pixels: the last two are padding
  static constexpr uint32_t kBack = 0x80402010u;
  void SetUp() override { Fill(bitmap, kBack); }
  bool PaddingUntouched() {
    for (int y = 0; y < 10; ++y)
      for (int x = 10; x < 12; ++x)
        if (At(bitmap, x, y) != kBack) return false;
    return true;
  }
};

TEST_F(DrawFixture, ClipsToTheClipAndTheBitmap) {
  Make(4);
  face->Add('Q', 4, {"####", "####", "####", "####"});
  font->SetInkColour(0xFFFFFFFFu);
  IBounds whole(0, 0, 10, 10);
  EXPECT_FALSE(font->DrawGlyphAt(&bitmap, 'Q', 0, 0, whole));  // not rendered yet
  Cache(*font, "Q");
  EXPECT_TRUE(font->DrawGlyphAt(&bitmap, 'Q', -2, -3, whole));
  Box box;
  ASSERT_TRUE(InkBox(bitmap, kBack, &box));
  EXPECT_EQ(0, box.left);
  EXPECT_EQ(0, box.top);
  EXPECT_EQ(2, box.right);
  EXPECT_EQ(1, box.bottom);

  Fill(bitmap, kBack);
  IBounds huge(-1000, -1000, 1000, 1000);  // larger than the bitmap
  EXPECT_TRUE(font->DrawGlyphAt(&bitmap, 'Q', 8, 9, huge));
  ASSERT_TRUE(InkBox(bitmap, kBack, &box));
  EXPECT_EQ(8, box.left);
  EXPECT_EQ(9, box.top);
  EXPECT_EQ(10, box.right);
  EXPECT_EQ(10, box.bottom);
  EXPECT_TRUE(PaddingUntouched());

  Fill(bitmap, kBack);
  IBounds inner(3, 4, 5, 6);
  EXPECT_TRUE(font->DrawGlyphAt(&bitmap, 'Q', 2, 2, inner));
  ASSERT_TRUE(InkBox(bitmap, kBack, &box));
  EXPECT_EQ(3, box.left);
  EXPECT_EQ(4, box.top);
  EXPECT_EQ(5, box.right);
  EXPECT_EQ(6, box.bottom);

  Fill(bitmap, kBack);
  EXPECT_FALSE(font->DrawGlyphAt(&bitmap, 'Q', 10, 0, whole));
  EXPECT_FALSE(font->DrawGlyphAt(&bitmap, 'Q', 0, 10, whole));
  EXPECT_FALSE(font->DrawGlyphAt(&bitmap, 'Q', -4, 0, whole));
  EXPECT_FALSE(font->DrawGlyphAt(&bitmap, 'Q', 0, -4, whole));
  EXPECT_FALSE(font->DrawGlyphAt(&bitmap, 'Q', INT_MAX, INT_MAX, huge));
  EXPECT_FALSE(font->DrawGlyphAt(&bitmap, 'Q', INT_MIN, INT_MIN, huge));
  EXPECT_FALSE(font->DrawGlyphAt(&bitmap, 'Q', 3, 3, IBounds(5, 5, 5, 9)));  // empty clip
  EXPECT_FALSE(font->DrawGlyphAt(nullptr, 'Q', 3, 3, whole));
  PixelBitmap empty(0, 0, 4);
  EXPECT_FALSE(font->DrawGlyphAt(&empty, 'Q', 0, 0, whole));
  EXPECT_FALSE(InkBox(bitmap, kBack, &box));
}

TEST_F(DrawFixture, OverhangMovesTheGlyphAgainstThePen) {
  Make(2);
  face->Add('J', 2, {"#.", ".."}, -2);
  Cache(*font, "J");
  font->SetInkColour(0xFFFFFFFFu);
  EXPECT_TRUE(font->DrawGlyphAt(&bitmap, 'J', 5, 5, IBounds(0, 0, 10, 10)));
  Box box;
  ASSERT_TRUE(InkBox(bitmap, kBack, &box));
  EXPECT_EQ(3, box.left);
  EXPECT_EQ(5, box.top);
}

TEST_F(DrawFixture, SmoothCoverageWeightsFollowTheAlpha) {
  Make(1);
  face->Add('C', 4, {"#*~a"});
  Cache(*font, "C");
  const uint32_t ink = 0x40C08020u;
  font->SetInkColour(ink);
  IBounds whole(0, 0, 10, 10);
  // Alpha 1: weight coverage + 1; the alpha byte goes toward 255, not the
  // ink's own alpha.
  ASSERT_TRUE(font->DrawGlyphAt(&bitmap, 'C', 0, 0, whole));
  EXPECT_EQ(0xFFC08020u, At(bitmap, 0, 0));
  EXPECT_EQ(CopyGlyphPixel(kBack, ink, 201), At(bitmap, 1, 0));
  EXPECT_EQ(CopyGlyphPixel(kBack, ink, 101), At(bitmap, 2, 0));
  EXPECT_EQ(CopyGlyphPixel(kBack, ink, 10), At(bitmap, 3, 0));
  EXPECT_EQ(kBack, At(bitmap, 4, 0));
  // Alpha 0.5: weight 128 x coverage / 256.
  font->SetBlend(ModeCopy, 0.5f);
  ASSERT_TRUE(font->DrawGlyphAt(&bitmap, 'C', 0, 1, whole));
  EXPECT_EQ(CopyGlyphPixel(kBack, ink, 127), At(bitmap, 0, 1));
  EXPECT_EQ(CopyGlyphPixel(kBack, ink, 100), At(bitmap, 1, 1));
  EXPECT_EQ(CopyGlyphPixel(kBack, ink, 50), At(bitmap, 2, 1));
  EXPECT_EQ(CopyGlyphPixel(kBack, ink, 4), At(bitmap, 3, 1));
  // Add: every byte gains colour x weight / 256, the alpha byte 255 x weight / 256.
  font->SetBlend(ModeAdd, 1.0f);
  ASSERT_TRUE(font->DrawGlyphAt(&bitmap, 'C', 0, 2, whole));
  const uint32_t added = At(bitmap, 1, 2);
  EXPECT_EQ(std::min(255, 0x80 + 255 * 201 / 256), int(added >> 24));
  EXPECT_EQ(std::min(255, 0x40 + 0xC0 * 201 / 256), int((added >> 16) & 255));
  EXPECT_EQ(0x20 + 0x80 * 201 / 256, int((added >> 8) & 255));
  EXPECT_EQ(0x10 + 0x20 * 201 / 256, int(added & 255));
  // Operations that draw nothing.
  Fill(bitmap, kBack);
  font->SetBlend(ModeChannelCopy, 1.0f);
  font->DrawGlyphAt(&bitmap, 'C', 0, 0, whole);
  font->SetBlend(ModeCopy, 0.001f);  // weight 0
  font->DrawGlyphAt(&bitmap, 'C', 0, 0, whole);
  Box box;
  EXPECT_FALSE(InkBox(bitmap, kBack, &box));
}

TEST_F(DrawFixture, MonoAndTwoColourGlyphs) {
  Make(1, FontMono);
  face->Add('M', 3, {"#*~"});
  Cache(*font, "M");
  const uint32_t ink = 0x40C08020u;
  font->SetInkColour(ink);
  IBounds whole(0, 0, 10, 10);
  // Alpha 1 in copy mode stores the ink word itself, its alpha byte included.
  font->DrawGlyphAt(&bitmap, 'M', 0, 0, whole);
  EXPECT_EQ(ink, At(bitmap, 0, 0));
  EXPECT_EQ(ink, At(bitmap, 1, 0));
  EXPECT_EQ(kBack, At(bitmap, 2, 0));  // 100 is below the threshold
  // Otherwise one weight for every covered pixel.
  font->SetBlend(ModeCopy, 0.75f);
  font->DrawGlyphAt(&bitmap, 'M', 0, 1, whole);
  EXPECT_EQ(CopyGlyphPixel(kBack, ink, 192), At(bitmap, 0, 1));
  EXPECT_EQ(CopyGlyphPixel(kBack, ink, 192), At(bitmap, 1, 1));
  EXPECT_EQ(kBack, At(bitmap, 2, 1));

  Make(2, FontShadow);
  face->Add('S', 2, {"#.", ".."});
  Cache(*font, "S");
  font->SetInkColour(ink);
  font->SetEdgeColour(0x01020304u);
  font->DrawGlyphAt(&bitmap, 'S', 4, 4, whole);
  EXPECT_EQ(ink, At(bitmap, 4, 4));
  EXPECT_EQ(0x01020304u, At(bitmap, 5, 4));
  EXPECT_EQ(0x01020304u, At(bitmap, 4, 5));
  EXPECT_EQ(0x01020304u, At(bitmap, 5, 5));
  font->SetBlend(ModeCopy, 0.5f);
  font->DrawGlyphAt(&bitmap, 'S', 7, 7, whole);
  EXPECT_EQ(CopyGlyphPixel(kBack, ink, 128), At(bitmap, 7, 7));
  EXPECT_EQ(CopyGlyphPixel(kBack, 0x01020304u, 128), At(bitmap, 8, 8));
}

TEST_F(DrawFixture, OpaqueBackFillsTheGlyphArea) {
  Make(2);
  face->Add('B', 3, {"#..", "..."});
  Cache(*font, "B");
  font->SetInkColour(0xFFFFFFFFu);
  font->SetBackColour(0xFF0000FFu);
  font->SetBackMode(RasterFont::kOpaque);
  font->DrawGlyphAt(&bitmap, 'B', 8, 8, IBounds(0, 0, 10, 10));  // clipped to 2 x 2
  EXPECT_EQ(0xFFFFFFFFu, At(bitmap, 8, 8));
  EXPECT_EQ(0xFF0000FFu, At(bitmap, 9, 8));
  EXPECT_EQ(0xFF0000FFu, At(bitmap, 9, 9));
  EXPECT_EQ(kBack, At(bitmap, 7, 8));
  EXPECT_TRUE(PaddingUntouched());
}

}  // namespace
