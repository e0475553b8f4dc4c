// Bitmaps whose top row is stored last: every drawing call gives the same
// picture as on a top-down bitmap.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

#include "gfx/Draw.h"
#include "gfx/FontFace.h"
#include "gfx/PngDecode.h"
#include "gfx/RasterFont.h"
#include "tests/gfx/font_test_util.h"
#include "tests/gfx/gfx_test_util.h"

namespace {

class BottomUpBitmap : public PixelBitmap {
public:
  using PixelBitmap::PixelBitmap;
  bool IsBottomUp() const override { return true; }
};

// Pixel (x, y) of the picture, whichever way the rows are stored.
uint32_t& PictureAt(BitmapBase& b, int x, int y) { return At(b, x, b.IsBottomUp() ? b.Height() - 1 - y : y); }

// The same pattern picture in both bitmaps.
void PaintPicture(BitmapBase& b, uint32_t seed) {
  uint32_t v = seed * 2654435761u + 12345u;
  for (int y = 0; y < b.Height(); ++y)
    for (int x = 0; x < b.Width(); ++x) PictureAt(b, x, y) = v = v * 1664525u + 1013904223u;
}

// True when the two bitmaps hold the same picture; counts the pixels that
// differ from the pattern so that a draw that did nothing is noticed.
testing::AssertionResult SamePicture(BitmapBase& topDown, BitmapBase& bottomUp, BitmapBase& untouched) {
  int changed = 0;
  for (int y = 0; y < topDown.Height(); ++y)
    for (int x = 0; x < topDown.Width(); ++x) {
      if (PictureAt(topDown, x, y) != PictureAt(bottomUp, x, y))
        return testing::AssertionFailure() << "pictures differ at " << x << "," << y;
      changed += PictureAt(topDown, x, y) != PictureAt(untouched, x, y);
    }
  if (changed == 0) return testing::AssertionFailure() << "nothing was drawn";
  return testing::AssertionSuccess();
}

constexpr int kW = 23, kH = 17;

}  // namespace

TEST(BottomUp, EveryDrawingCallGivesTheTopDownPicture) {
  const IBounds part(3, 2, 15, 11);
  struct Case {
    const char* name;
    std::function<void(BitmapBase& dest, BitmapBase& src)> draw;
  };
  const Case cases[] = {
      {"Blit", [&](BitmapBase& d, BitmapBase& s) { Blit(&d, &s, 4, 3, &part, 0.6f, ModeCopy | UseSourceAlpha); }},
      {"Blit rows", [&](BitmapBase& d, BitmapBase& s) { Blit(&d, &s, -2, 5, &part, 1.0f, ModeCopy); }},
      {"ChannelCopy", [&](BitmapBase& d, BitmapBase& s) { Blit(&d, &s, 1, -1, nullptr, 1.0f, ModeChannelCopy | 6); }},
      {"FillRect", [](BitmapBase& d, BitmapBase&) { FillRect(&d, 2, 3, 9, 4, 0x80C04020u, 0.3f, ModeAdd); }},
      {"BlitTransformed",
       [](BitmapBase& d, BitmapBase& s) {
         BlitTransformed(&d, &s, 2, 1, 18, 13, 0, 0, kW, kH, 0.4f, false, 1.0f,
                         ModeCopy | UseSourceAlpha | FilterBilinear);
       }},
      {"BlurRect in place", [](BitmapBase& d, BitmapBase&) { BlurRect(&d, &d, 3, 2, 3, 2, 12, 9); }},
      {"BlurRect", [](BitmapBase& d, BitmapBase& s) { BlurRect(&d, &s, 1, 4, 5, 0, 14, 10); }},
      {"DrawLine sloped", [](BitmapBase& d, BitmapBase&) { DrawLine(&d, 1, 2, 20, 9, 0xFF00FF00u, 0.8f, ModeCopy, true); }},
      {"DrawLine diagonal", [](BitmapBase& d, BitmapBase&) { DrawLine(&d, 3, 14, 13, 4, 0xFF0000FFu, 1.0f, ModeCopy, true); }},
      {"DrawLine vertical", [](BitmapBase& d, BitmapBase&) { DrawLine(&d, 7, 1, 7, 12, 0xFFFFFFFFu, 0.5f, ModeCopy, false); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    PixelBitmap top(kW, kH, 4), topSource(kW, kH, 4), untouched(kW, kH, 4);
    BottomUpBitmap bottom(kW, kH, 4), bottomSource(kW, kH, 4);
    for (BitmapBase* b : {static_cast<BitmapBase*>(&top), static_cast<BitmapBase*>(&bottom),
                          static_cast<BitmapBase*>(&untouched)})
      PaintPicture(*b, 1);
    PaintPicture(topSource, 2);
    PaintPicture(bottomSource, 2);
    c.draw(top, topSource);
    c.draw(bottom, bottomSource);
    EXPECT_TRUE(SamePicture(top, bottom, untouched));
  }
}

TEST(BottomUp, PngImagesAndGlyphsLandTheRightWayUp) {
  // The 3 x 2 test image (resource 900) decoded into both kinds of target.
  PixelBitmap top(1, 1, 4), untouched(3, 2, 4);
  BottomUpBitmap bottom(1, 1, 4);
  ASSERT_EQ(DecodePngResource(ThisModuleInstance(), 900, &top), &top);
  ASSERT_EQ(DecodePngResource(ThisModuleInstance(), 900, &bottom), &bottom);
  EXPECT_TRUE(SamePicture(top, bottom, untouched));

  // Text from the glyph cache into both kinds.
  RasterFont font;
  auto* face = new fonttest::FakeFace(6);
  face->Add('L', 4, {"#...", "#...", "#...", "###.", "....", "...."});
  font.AttachFont(face, FontOwnsHandle);
  font.SetInkColour(0xFF204080u);
  PixelBitmap textTop(kW, kH, 4), blank(kW, kH, 4);
  BottomUpBitmap textBottom(kW, kH, 4);
  for (BitmapBase* b : {static_cast<BitmapBase*>(&textTop), static_cast<BitmapBase*>(&textBottom),
                        static_cast<BitmapBase*>(&blank)})
    PaintPicture(*b, 3);
  for (BitmapBase* b : {static_cast<BitmapBase*>(&textTop), static_cast<BitmapBase*>(&textBottom)}) {
    IBounds r(2, 3, kW, kH);
    font.RenderText(b, "LL\nL", -1, &r, 0);
  }
  EXPECT_TRUE(SamePicture(textTop, textBottom, blank));
}

#ifndef _WIN32
// The FreeType face draws straight into the scratch bitmap's rows.
TEST(BottomUp, FontFaceDrawsCharactersTheRightWayUp) {
  FontRequest request;
  request.face = "DejaVu Sans";
  request.height = 16;
  std::unique_ptr<FontFace> face(CreateFontFace(request));
  ASSERT_TRUE(face);
  PixelBitmap top(kW, kH + 7, 4), black(kW, kH + 7, 4);
  BottomUpBitmap bottom(kW, kH + 7, 4);
  for (BitmapBase* b : {static_cast<BitmapBase*>(&top), static_cast<BitmapBase*>(&bottom),
                        static_cast<BitmapBase*>(&black)})
    FillAll(*b, 0xFF000000u);
  face->DrawChar(top, 'F', 2);
  face->DrawChar(bottom, 'F', 2);
  EXPECT_TRUE(SamePicture(top, bottom, black));
}
#endif
