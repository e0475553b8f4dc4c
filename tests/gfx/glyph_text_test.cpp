// Whole texts on RasterFont's glyph path: line breaks, alignment, vertical
// text, the ink alpha and bad input, with a synthetic face.
#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "gfx/Bitmap.h"
#include "gfx/RasterFont.h"
#include "tests/gfx/font_test_util.h"

using namespace fonttest;

namespace {

// Whole texts on the glyph path.
struct TextFixture : FontFixture {
  PixelBitmap bitmap{100, 60, 4};
  static constexpr uint32_t kBack = 0xFF000000u;
  void SetUp() override {
    Fill(bitmap, kBack);
    Make(10);
    std::vector<std::string> bar(10, "####");
    face->Add('A', 5, bar);
    face->Add('B', 5, bar);
    face->Add(' ', 3, {});
    face->Add(0x80, 2, {"##"});
    font->SetInkColour(0xFFFFFFFFu);
  }
  Box Draw(const char* text, IBounds r, int flags) {
    Fill(bitmap, kBack);
    last = font->RenderText(&bitmap, text, -1, &r, flags);
    Box box;
    if (!InkBox(bitmap, kBack, &box)) box = Box{-1, -1, -1, -1};
    return box;
  }
  int last = 0;
};

TEST_F(TextFixture, LineBreaksAndSingleLines) {
  Box box = Draw("A\r\nB", IBounds(10, 5, 90, 55), 0);
  EXPECT_EQ(20, last);
  EXPECT_EQ(10, box.left);
  EXPECT_EQ(5, box.top);
  EXPECT_EQ(14, box.right);
  EXPECT_EQ(25, box.bottom);  // B on the second line, at the starting x
  box = Draw("A\r\nB", IBounds(10, 5, 90, 55), kTextSingleLine);
  EXPECT_EQ(10, last);
  EXPECT_EQ(10 + 5 + 3 + 4, box.right);  // A, a space, B
  EXPECT_EQ(15, box.bottom);
  EXPECT_EQ(0xFFFFFFFFu, At(bitmap, 18, 5));
  EXPECT_EQ(kBack, At(bitmap, 17, 5));

  IBounds r(3, 4, 0, 0);
  EXPECT_EQ(20, font->RenderText(nullptr, "AB\nA", -1, &r, kTextCalcRect));
  EXPECT_EQ(3 + 10, r.right);
  EXPECT_EQ(4 + 20, r.bottom);
  r = IBounds(3, 4, 0, 0);
  EXPECT_EQ(10, font->RenderText(nullptr, "AB\nA", -1, &r, kTextCalcRect | kTextSingleLine));
  EXPECT_EQ(3 + 5 + 5 + 3 + 5, r.right);
  // Measuring leaves a bitmap alone.
  r = IBounds(3, 4, 0, 0);
  Fill(bitmap, kBack);
  font->RenderText(&bitmap, "AB", -1, &r, kTextCalcRect);
  Box box2;
  EXPECT_FALSE(InkBox(bitmap, kBack, &box2));
  EXPECT_EQ(13, r.right);
}

TEST_F(TextFixture, OddBytesDrawAsTheirOwnCodesAndWideCharactersAsSpaces) {
  Box box = Draw("\x80", IBounds(0, 0, 100, 60), 0);
  EXPECT_EQ(2, box.right);
  ASSERT_NE(nullptr, font->FindGlyph(0x80));
  IBounds r(0, 0, 0, 0);
  font->RenderText(nullptr, "A\xF0\x9F\x8E\xB5" "B", -1, &r, kTextCalcRect);
  EXPECT_EQ(5 + 3 + 5, r.right);
  EXPECT_EQ(1u, font->OtherGlyphs().size());  // only 0x80
  // A byte count stops inside the text.
  r = IBounds(0, 0, 0, 0);
  font->RenderText(nullptr, "ABAB", 2, &r, kTextCalcRect);
  EXPECT_EQ(10, r.right);
}

TEST_F(TextFixture, AlignmentPlacesTheMeasuredText) {
  const IBounds r(10, 20, 61, 51);  // "AB" measures 10 x 10
  Box box = Draw("AB", r, kTextCenter);
  EXPECT_EQ(10 + (61 - 10 - 10) / 2, box.left);
  EXPECT_EQ(20, box.top);
  box = Draw("AB", r, kTextRight);
  EXPECT_EQ(61 - 10, box.left);
  box = Draw("AB", r, kTextVCenter);
  EXPECT_EQ(10, box.left);
  EXPECT_EQ(20 + (51 - 10 - 20) / 2, box.top);
  box = Draw("AB", r, kTextBottom | kTextRight);
  EXPECT_EQ(51 - 10, box.top);
  EXPECT_EQ(51, box.left);
  // A rectangle narrower than the text: the offset truncates toward zero.
  box = Draw("AB", IBounds(30, 0, 35, 10), kTextCenter | kTextNoClip);
  EXPECT_EQ(30 + (35 - 10 - 30) / 2, box.left);
  EXPECT_EQ(28, box.left);
  // Without kTextNoClip the rectangle clips.
  box = Draw("AB", IBounds(10, 0, 17, 60), 0);
  EXPECT_EQ(17, box.right);
  box = Draw("AB", IBounds(10, 0, 17, 60), kTextNoClip);
  EXPECT_EQ(19, box.right);
}

TEST_F(TextFixture, InkAlphaScalesTheCallsAlphaOnly) {
  font->SetInkColour(0x00FFFFFFu);
  Box box = Draw("AB", IBounds(0, 0, 100, 60), UseInkAlpha | kTextNoClip);
  EXPECT_EQ(0, last);
  EXPECT_EQ(-1, box.left);
  font->SetInkColour(0x80FFFFFFu);
  Draw("AB", IBounds(0, 0, 100, 60), UseInkAlpha | kTextNoClip);
  EXPECT_EQ(10, last);
  // alpha 128 / 255: weight trunc(0.50196 x 256) = 128, then 128 x 255 / 256
  EXPECT_EQ(CopyGlyphPixel(kBack, 0x80FFFFFFu, 127), At(bitmap, 0, 0));
  EXPECT_EQ(1.0f, font->Alpha());
  // Without the flag the ink's alpha plays no part.
  Draw("AB", IBounds(0, 0, 100, 60), kTextNoClip);
  EXPECT_EQ(0xFFFFFFFFu, At(bitmap, 0, 0));
  font->SetBlend(ModeCopy, 0.0f);
  EXPECT_EQ(-1, Draw("AB", IBounds(0, 0, 100, 60), kTextNoClip).left);
  EXPECT_EQ(0, last);
}

TEST_F(TextFixture, VerticalTextRunsDownOrUp) {
  Make(4, FontVertical);
  face->Add('A', 3, {"###.", "#...", "....", "...."});  // turned: 4 wide, 3 high
  font->SetInkColour(0xFFFFFFFFu);
  IBounds r(0, 0, 0, 0);
  EXPECT_EQ(4, font->RenderText(nullptr, "AA", -1, &r, kTextCalcRect));
  EXPECT_EQ(4, r.right);
  EXPECT_EQ(6, r.bottom);
  Box box = Draw("AA", IBounds(20, 10, 90, 50), 0);
  EXPECT_EQ(22, box.left);
  EXPECT_EQ(10, box.top);
  EXPECT_EQ(16, box.bottom);
  // Old row 0 of the glyph becomes its right column.
  EXPECT_EQ(0xFFFFFFFFu, At(bitmap, 23, 10));
  EXPECT_EQ(kBack, At(bitmap, 20, 10));
  box = Draw("A\nA", IBounds(20, 10, 90, 50), 0);  // a new line moves right
  EXPECT_EQ(28, box.right);
  EXPECT_EQ(13, box.bottom);

  Make(4, FontVertical | FontUpward);
  face->Add('A', 3, {"###.", "#...", "....", "...."});
  face->Add('B', 3, {"#...", "....", "....", "...."});
  font->SetInkColour(0xFFFFFFFFu);
  box = Draw("AB", IBounds(20, 10, 90, 50), 0);
  // The text starts at the top plus its measured height and runs upward:
  // A fills rows 13-15, B rows 10-12 (its ink on row 12 only).
  EXPECT_EQ(12, box.top);
  EXPECT_EQ(16, box.bottom);
  EXPECT_EQ(0xFFFFFFFFu, At(bitmap, 20, 15));  // A's old row 0 is its left column
  EXPECT_EQ(0xFFFFFFFFu, At(bitmap, 20, 12));  // B's single pixel
  EXPECT_EQ(kBack, At(bitmap, 20, 11));
}

TEST_F(TextFixture, BadInputDrawsNothingAndStaysInside) {
  IBounds r(0, 0, 100, 60);
  EXPECT_EQ(0, font->RenderText(nullptr, "AB", -1, &r, 0));
  EXPECT_EQ(0, font->RenderText(&bitmap, nullptr, -1, &r, 0));
  EXPECT_EQ(0, font->RenderText(&bitmap, "AB", -1, nullptr, 0));
  EXPECT_EQ(0, font->RenderText(&bitmap, "", -1, &r, 0));
  EXPECT_EQ(0, font->RenderText(&bitmap, "AB", 0, &r, 0));
  for (IBounds far : {IBounds(INT_MAX - 3, INT_MAX - 3, INT_MAX, INT_MAX), IBounds(INT_MIN, INT_MIN, INT_MIN + 4, 0),
                      IBounds(-50, -50, -10, -10), IBounds(200, 0, 300, 60)}) {
    for (int flags : {0, int(kTextNoClip), kTextCenter | kTextVCenter, kTextRight | kTextBottom | kTextNoClip}) {
      EXPECT_EQ(-1, Draw("AB\nBA", far, flags).left) << far.left << " " << flags;
    }
  }
  EXPECT_EQ(10, font->RenderText(&bitmap, "AB", -1, &r, 0x10000000));  // unknown flags pass
  // A very long text.
  std::string longText(300000, 'A');
  Box box = Draw(longText.c_str(), IBounds(0, 0, 100, 60), kTextNoClip);
  EXPECT_EQ(0, box.left);
  EXPECT_EQ(99, box.right);
  IBounds m(5, 0, 0, 0);
  EXPECT_EQ(10, font->RenderText(nullptr, longText.c_str(), -1, &m, kTextCalcRect));
  EXPECT_EQ(5 + 5 * 300000, m.right);
}

TEST(RasterFontText, MeasurementsNeverOverflow) {
  RasterFont font;
  auto* face = new FakeFace(250);  // glyph path everywhere
  face->Add('W', 500, {"#"});
  font.AttachFont(face, FontOwnsHandle);
  std::string text(4500000, 'W');
  IBounds r(100, 0, 0, 0);
  font.RenderText(nullptr, text.c_str(), -1, &r, kTextCalcRect);
  EXPECT_EQ(INT_MAX, r.right);
  PixelBitmap bitmap(50, 50, 4);
  Fill(bitmap, 0);
  r = IBounds(0, 0, 50, 50);
  font.SetInkColour(0xFFFFFFFFu);
  // Right-aligned, the text ends left of the bitmap's last glyph position.
  font.RenderText(&bitmap, text.c_str(), -1, &r, kTextRight);
  Box box;
  EXPECT_FALSE(InkBox(bitmap, 0, &box));
  // Centred, it starts at (50 - 500 x 4500000) / 2 and one pen position,
  // x = 25, falls inside. Nothing outside the bitmap is touched on the way
  // (the sanitizers watch).
  font.RenderText(&bitmap, text.c_str(), -1, &r, kTextCenter | kTextNoClip);
  ASSERT_TRUE(InkBox(bitmap, 0, &box));
  EXPECT_EQ(25, box.left);
  EXPECT_EQ(26, box.right);
  EXPECT_EQ(0, box.top);
  EXPECT_EQ(1, box.bottom);
}

}  // namespace
