#pragma once
// Shared helpers of the text tests: a synthetic font face whose glyphs are
// given as pictures, a test fixture with a font on that face, pixel access
// and an independent statement of the glyph composition formulas.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "gfx/Bitmap.h"
#include "gfx/FontFace.h"
#include "gfx/IBounds.h"
#include "gfx/RasterFont.h"

namespace fonttest {

// Coverage of one picture cell: '.' none, '#' full, letters a-z distinct
// values 9..234, and a few values at the thresholds.
inline int CellValue(char c) {
  switch (c) {
    case '.': return 0;
    case '#': return 255;
    case '-': return 130;
    case '+': return 131;
    case '~': return 100;
    case '*': return 200;
    default: return c >= 'a' && c <= 'z' ? (c - 'a' + 1) * 9 : 0;
  }
}

struct FakeGlyph {
  int advance = 0;
  int xoff = 0;  // picture column 0 relative to the pen
  std::vector<std::string> rows;
};

class FakeFace : public FontFace {
public:
  explicit FakeFace(int lineHeight, int* destroyed = nullptr) : mLineHeight(lineHeight), mDestroyed(destroyed) {}
  ~FakeFace() override {
    if (mDestroyed) ++*mDestroyed;
  }
  int LineHeight() const override { return mLineHeight; }
  bool MeasureChar(uint16_t code, int* advance, int* height) override {
    measured.push_back(code);
    auto it = glyphs.find(code);
    *advance = it == glyphs.end() ? 0 : it->second.advance;
    *height = mLineHeight;
    return true;
  }
  void DrawChar(BitmapBase& scratch, uint16_t code, int x) override {
    auto it = glyphs.find(code);
    if (it == glyphs.end()) return;
    const FakeGlyph& g = it->second;
    for (int row = 0; row < int(g.rows.size()); ++row)
      for (int col = 0; col < int(g.rows[row].size()); ++col) {
        const int px = x + g.xoff + col;
        if (px < 0 || px >= scratch.Width() || row >= scratch.Height()) continue;
        const uint32_t v = uint32_t(CellValue(g.rows[row][col]));
        scratch.Pixels()[row * scratch.RowPixels() + px] = 0xFF000000u | v << 16 | v << 8 | v;
      }
  }
  void Add(uint16_t code, int advance, std::vector<std::string> rows, int xoff = 0) {
    glyphs[code] = FakeGlyph{advance, xoff, std::move(rows)};
  }
  std::map<uint16_t, FakeGlyph> glyphs;
  std::vector<uint16_t> measured;

private:
  int mLineHeight;
  int* mDestroyed;
};

// A bitmap filled with one colour, its row padding included.
inline void Fill(BitmapBase& b, uint32_t colour) {
  for (int y = 0; y < b.Height(); ++y)
    for (int x = 0; x < b.RowPixels(); ++x) b.Pixels()[y * b.RowPixels() + x] = colour;
}
inline uint32_t At(BitmapBase& b, int x, int y) { return b.Pixels()[y * b.RowPixels() + x]; }

// The box around every pixel that differs from colour; false when none does.
struct Box {
  int left = 0, top = 0, right = 0, bottom = 0;
};
// The smallest box holding every pixel inside area that is not colour.
inline bool InkBoxIn(BitmapBase& b, const IBounds& area, uint32_t colour, Box* box) {
  bool any = false;
  for (int y = std::max(0, area.top); y < std::min(b.Height(), area.bottom); ++y)
    for (int x = std::max(0, area.left); x < std::min(b.Width(), area.right); ++x) {
      if (At(b, x, y) == colour) continue;
      if (!any) *box = Box{x, y, x + 1, y + 1};
      any = true;
      box->left = std::min(box->left, x);
      box->top = std::min(box->top, y);
      box->right = std::max(box->right, x + 1);
      box->bottom = std::max(box->bottom, y + 1);
    }
  return any;
}
inline bool InkBox(BitmapBase& b, uint32_t colour, Box* box) {
  return InkBoxIn(b, IBounds(0, 0, b.Width(), b.Height()), colour, box);
}

// A glyph pixel of weight w in copy mode: colour bytes
// s + ((d - s) * (256 - w)) / 256, alpha byte 255 - ((255 - d) * (256 - w)) / 256.
inline uint32_t CopyGlyphPixel(uint32_t d, uint32_t colour, int w) {
  uint32_t out = 0;
  for (int shift = 0; shift < 24; shift += 8) {
    const int dd = int((d >> shift) & 255), s = int((colour >> shift) & 255);
    out |= uint32_t(s + ((dd - s) * (256 - w)) / 256) << shift;
  }
  const int da = int(d >> 24);
  out |= uint32_t(255 - ((255 - da) * (256 - w)) / 256) << 24;
  return out;
}

// A RasterFont on a FakeFace, made per test with the line height and flags
// it needs.
struct FontFixture : ::testing::Test {
  FakeFace* face = nullptr;
  std::unique_ptr<RasterFont> font;
  void Make(int lineHeight, int flags = 0) {
    font.reset(new RasterFont);
    face = new FakeFace(lineHeight);
    font->AttachFont(face, flags | FontOwnsHandle);
  }
};

}  // namespace fonttest
