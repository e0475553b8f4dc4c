#pragma once
#include <cstdint>
#include <vector>

#include "gfx/FontFace.h"

#include "gfx/IBounds.h"

class BitmapBase;

// Windows DrawText format flags understood by RenderText; other bits pass
// through to the system text call.
enum : int {
  kTextCenter = 0x1,       // DT_CENTER
  kTextRight = 0x2,        // DT_RIGHT
  kTextVCenter = 0x4,      // DT_VCENTER
  kTextBottom = 0x8,       // DT_BOTTOM
  kTextSingleLine = 0x20,  // DT_SINGLELINE
  kTextNoClip = 0x100,     // DT_NOCLIP
  kTextCalcRect = 0x400,   // DT_CALCRECT
};
// RenderText flag: multiply the alpha by the ink colour's alpha / 255.
constexpr int UseInkAlpha = 0x40000000;
// RenderText flag kept for the font's own measuring calls: never the system
// text path.
constexpr unsigned kTextOwnMeasure = 0x80000000u;

// Font flags.
enum : int {
  FontVertical = 0x1,     // glyphs turned 90 degrees, text runs down
  FontUpward = 0x2,       // with FontVertical: turned the other way, text runs up
  FontFixedSet = 0x4,     // codes 0-127 rendered at attachment, no others ever
  FontBlur = 0x10,        // blur each glyph's coverage
  FontInvert = 0x20,      // invert coverage
  FontMono = 0x40,        // coverage above 130 becomes full, the rest none
  FontShadow = 0x80,      // mono plus a shadow right and below in the edge colour
  FontOutline = 0x100,    // mono plus an outline in the edge colour
  FontOwnsHandle = 0x200, // the font deletes its handle when replaced or destroyed
  FontSystemText = 0x400, // draw with the system text call where possible
};

// A cached glyph.
struct GlyphRecord {
  int coverage;   // 0 not rendered yet, -1 rendered and empty, else 1 + offset in the coverage store
  int width;
  int height;
  int advance;    // pen movement
  uint16_t code;
  int overhang;   // pixels the coverage starts left of the pen
};
static_assert(sizeof(GlyphRecord) == 24, "glyph records are 24 bytes");

// What every font offers the editor.
class FontBase {
public:
  virtual ~FontBase() = default;
  virtual void AttachFont(FontFace* handle, int flags) = 0;
  virtual uint32_t SetInkColour(uint32_t argb) = 0;
  virtual uint32_t SetBackColour(uint32_t argb) = 0;
  virtual uint32_t SetEdgeColour(uint32_t argb) = 0;
  virtual int SetBackMode(int mode) = 0;
  virtual void SetBlend(int mode, float alpha) = 0;
  virtual int RenderText(BitmapBase* bitmap, const char* text, int count, IBounds* rect, int flags) = 0;
  virtual uint32_t InkColour() const = 0;
  virtual FontFace* FontHandle() const = 0;
  virtual int LineHeight() const = 0;
};

// A font with colours, a blend and a cache of glyph coverage masks, drawing
// text into bitmaps. Where the system's text call can do the job it is used
// directly; otherwise each character is rendered once into 8-bit coverage and
// composed from the cache.
class RasterFont : public FontBase {
public:
  static constexpr int kTransparent = 1;  // back modes
  static constexpr int kOpaque = 2;

  RasterFont();
  ~RasterFont() override;
  RasterFont(const RasterFont&) = delete;
  RasterFont& operator=(const RasterFont&) = delete;

  void AttachFont(FontFace* handle, int flags) override;
  uint32_t SetInkColour(uint32_t argb) override;
  uint32_t SetBackColour(uint32_t argb) override;
  uint32_t SetEdgeColour(uint32_t argb) override;
  int SetBackMode(int mode) override;
  void SetBlend(int mode, float alpha) override;
  // Draws text (count bytes, or up to its zero byte when count < 0) into rect
  // of the bitmap, or with kTextCalcRect measures it into rect. Returns the
  // text's height (0 when nothing is drawn).
  int RenderText(BitmapBase* bitmap, const char* text, int count, IBounds* rect, int flags) override;
  uint32_t InkColour() const override { return mInk; }
  FontFace* FontHandle() const override { return mHandle; }
  int LineHeight() const override { return mLineHeight; }
  // Draws one cached glyph with its pen at (x, y), clipped to clip and to the
  // bitmap. False when the glyph is not cached, empty or clipped away.
  virtual bool DrawGlyphAt(BitmapBase* bitmap, uint16_t code, int x, int y, const IBounds& clip);

  uint32_t BackColour() const { return mBack; }
  uint32_t EdgeColour() const { return mEdge; }
  int BackMode() const { return mBackMode; }
  int BlendMode() const { return mBlendMode; }
  float Alpha() const { return mAlpha; }
  int Flags() const { return mFlags; }

  // The cache, for inspection: the record of code, or null when there is none.
  const GlyphRecord* FindGlyph(uint16_t code) const;
  const std::vector<GlyphRecord>& OtherGlyphs() const { return mOther; }
  const std::vector<uint8_t>& CoverageStore() const { return mCoverage; }
  // The coverage bytes of a rendered glyph (width x height, row by row), or
  // null.
  const uint8_t* GlyphCoverage(const GlyphRecord& record) const;

  // Process-wide state.
  static int LiveFonts();
  static BitmapBase* GlyphScratch();
  static BitmapBase* TextScratch();
  // Whether the module runs under Wine (asked once, then remembered).
  static bool RunsUnderWine();
  // Replaces the remembered answer: 0 or 1, or -1 to ask again.
  static void SetWineAnswer(int answer);

private:
  GlyphRecord* Find(uint16_t code);
  bool RenderGlyph(uint16_t code);
  GlyphRecord* GlyphFor(uint16_t code);
  bool UsesSystemText(unsigned flags) const;
  void MeasureGlyphText(const char* text, int count, bool singleLine, long long* width, long long* height);
  int GlyphText(BitmapBase* bitmap, const char* text, int count, IBounds* rect, int flags);
  int SystemText(BitmapBase* bitmap, const char* text, int count, IBounds* rect, int flags);

  uint32_t mInk = 0;
  uint32_t mBack = 0xFFFFFFFF;
  uint32_t mEdge = 0xFFFFFFFF;
  int mBackMode = kTransparent;
  int mBlendMode = 0;
  float mAlpha = 1.0f;
  int mFlags = 0;
  int mLineHeight = 0;
  GlyphRecord mAscii[128] = {};
  std::vector<GlyphRecord> mOther;
  std::vector<uint8_t> mCoverage;
  FontFace* mHandle = nullptr;
};
