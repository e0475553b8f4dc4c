// The copy-mode row loops in use (four pixels at a time on x86-64) against
// the one-pixel loops, on rows of every remainder and pixels with alpha 0,
// 255 and in between.
#include <gtest/gtest.h>

#include <functional>

#include "gfx/BlitRows.h"
#include "tests/gfx/gfx_test_util.h"

TEST(CopyLoops, GiveThePixelsOfTheOnePixelLoops) {
  const CopyRowLoops& used = CopyLoops();
  const CopyRowLoops& one = kOnePixelCopyLoops;
  using Run = std::function<void(const CopyRowLoops&, const Span&, const Fill&)>;
  struct Case {
    const char* name;
    Run run;
  };
  const Case cases[] = {
      {"copy", [](const CopyRowLoops& l, const Span& s, const Fill&) { l.copy(s, 77); }},
      {"copy 255", [](const CopyRowLoops& l, const Span& s, const Fill&) { l.copy(s, 255); }},
      {"source alpha", [](const CopyRowLoops& l, const Span& s, const Fill&) { l.copySourceAlpha(s, 200); }},
      {"source alpha 1", [](const CopyRowLoops& l, const Span& s, const Fill&) { l.copySourceAlpha(s, 1); }},
      {"source alpha full", [](const CopyRowLoops& l, const Span& s, const Fill&) { l.copySourceAlphaFull(s, 256); }},
      {"average", [](const CopyRowLoops& l, const Span& s, const Fill&) { l.average(s); }},
      {"fill copy", [](const CopyRowLoops& l, const Span&, const Fill& f) { l.fillCopy(f, 130); }},
      {"fill none", [](const CopyRowLoops& l, const Span&, const Fill& f) { l.fillWords(f, f.colour, Keep::None); }},
      {"fill half", [](const CopyRowLoops& l, const Span&, const Fill& f) { l.fillWords(f, 0x7F102030u, Keep::Half); }},
      {"fill three quarters",
       [](const CopyRowLoops& l, const Span&, const Fill& f) { l.fillWords(f, 0x3F102030u, Keep::ThreeQuarters); }},
      {"fill quarter",
       [](const CopyRowLoops& l, const Span&, const Fill& f) { l.fillWords(f, 0x3F102030u, Keep::Quarter); }},
  };
  PixelBitmap src(21, 4, 4);
  FillPattern(src, 5);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 21; x += 3) At(src, x, y) &= (x + y) % 2 ? 0x00FFFFFFu : 0xFFFFFFFFu;
  for (int y = 0; y < 4; ++y)
    for (int x = 1; x < 21; x += 3) At(src, x, y) |= 0xFF000000u;
  Surface s;
  ASSERT_TRUE(GetSurface(&src, &s));
  for (const Case& c : cases) {
    for (int cols = 1; cols <= 9; ++cols) {
      SCOPED_TRACE(testing::Message() << c.name << ", " << cols << " columns");
      PixelBitmap a(21, 4, 4), b(21, 4, 4);
      FillPattern(a, 6);
      FillPattern(b, 6);
      Surface da, db;
      ASSERT_TRUE(GetSurface(&a, &da) && GetSurface(&b, &db));
      c.run(used, Span{&da, &s, 3, 1, 10, 0, cols, 3}, Fill{&da, 3, 1, cols, 3, 0xC0A06030u});
      c.run(one, Span{&db, &s, 3, 1, 10, 0, cols, 3}, Fill{&db, 3, 1, cols, 3, 0xC0A06030u});
      EXPECT_EQ(Snapshot(a), Snapshot(b));
    }
  }
}
