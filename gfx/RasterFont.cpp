#include "gfx/RasterFont.h"

#include <algorithm>
#include <climits>
#include <cstddef>
#include <cstring>
#include <new>

#include "gfx/Bitmap.h"
#include "gfx/Draw.h"
#include "gfx/PixelOps.h"
#include "gfx/RasterFontPlatform.h"
#include "gfx/Surface.h"
#include "gfx/Utf8.h"

namespace {

int gLiveFonts = 0;
SysBitmap* gGlyphScratch = nullptr;

// The alignment bits of the draw flags.
constexpr int kAlignFlags = kTextCenter | kTextRight | kTextVCenter | kTextBottom;
// Font flags that need the glyph cache: rotation, a fixed set, coverage effects.
constexpr int kGlyphOnlyFlags = FontVertical | FontUpward | FontFixedSet | FontBlur | FontInvert |
                                FontMono | FontShadow | FontOutline;
// Line heights above this cache no glyphs.
constexpr int kMaxGlyphLineHeight = 1023;
// Line heights above this always take the system text path.
constexpr int kMaxGlyphPathLineHeight = 255;

BitmapBase* GlyphScratchOfSize(int size) {
  if (!gGlyphScratch) gGlyphScratch = new (std::nothrow) SysBitmap(0, 0);
  if (!gGlyphScratch) return nullptr;
  if (gGlyphScratch->Width() < size || gGlyphScratch->Height() < size) gGlyphScratch->SetSize(size, size);
  if (!gGlyphScratch->Pixels() || gGlyphScratch->Width() < size || gGlyphScratch->Height() < size) return nullptr;
  return gGlyphScratch;
}

// alpha x 256 truncated toward zero; not-a-number gives 0.
int AlphaTimes256(float alpha) {
  if (!(alpha > 0.0f)) return alpha < 0.0f ? -1 : 0;
  if (alpha >= 1024.0f) return 1024 * 256;
  return static_cast<int>(alpha * 256.0f);
}

int Clamp(long long v) {
  return static_cast<int>(std::max<long long>(INT_MIN, std::min<long long>(INT_MAX, v)));
}

// Walks the characters of text: line breaks go to newLine(), every other
// character to glyph(code). A carriage return is skipped and a line feed is a
// space on a single line.
template <typename NewLine, typename Glyph>
void WalkText(const char* text, int count, bool singleLine, NewLine newLine, Glyph glyph) {
  int pos = 0;
  for (;;) {
    const int left = count < 0 ? -1 : count - pos;
    if (left == 0 || (count < 0 && text[pos] == 0)) break;
    int used = 0;
    uint16_t code = DecodeUtf8Char(text + pos, left, &used);
    if (used <= 0) break;
    pos += used;
    if (code == 13) continue;
    if (code == 10) {
      if (!singleLine) {
        newLine();
        continue;
      }
      code = 32;
    }
    glyph(code);
  }
}

}  // namespace

RasterFont::RasterFont() { ++gLiveFonts; }

RasterFont::~RasterFont() {
  if ((mFlags & FontOwnsHandle) && mHandle) delete mHandle;
  mHandle = nullptr;
  if (--gLiveFonts == 0) {
    delete gGlyphScratch;
    gGlyphScratch = nullptr;
    DestroyTextScratch();
  }
}

int RasterFont::LiveFonts() { return gLiveFonts; }
BitmapBase* RasterFont::GlyphScratch() { return gGlyphScratch; }

void RasterFont::AttachFont(FontFace* handle, int flags) {
  if ((mFlags & FontOwnsHandle) && mHandle && mHandle != handle) delete mHandle;
  mFlags = flags;
  mHandle = handle;
  if (handle) {
    GlyphScratchOfSize(256);
    mLineHeight = handle->LineHeight();
  }
  std::memset(mAscii, 0, sizeof(mAscii));
  mOther.clear();
  mOther.shrink_to_fit();
  mCoverage.clear();
  mCoverage.shrink_to_fit();
  if (mFlags & FontFixedSet)
    for (int c = 0; c < 128; ++c) RenderGlyph(static_cast<uint16_t>(c));
}

uint32_t RasterFont::SetInkColour(uint32_t argb) { std::swap(mInk, argb); return argb; }
uint32_t RasterFont::SetBackColour(uint32_t argb) { std::swap(mBack, argb); return argb; }
uint32_t RasterFont::SetEdgeColour(uint32_t argb) { std::swap(mEdge, argb); return argb; }
int RasterFont::SetBackMode(int mode) { std::swap(mBackMode, mode); return mode; }

void RasterFont::SetBlend(int mode, float alpha) {
  mBlendMode = mode;
  mAlpha = alpha;
}

GlyphRecord* RasterFont::Find(uint16_t code) {
  if (code < 128) return &mAscii[code];
  auto it = std::lower_bound(mOther.begin(), mOther.end(), code,
                             [](const GlyphRecord& r, uint16_t c) { return r.code < c; });
  return it != mOther.end() && it->code == code ? &*it : nullptr;
}

const GlyphRecord* RasterFont::FindGlyph(uint16_t code) const {
  return const_cast<RasterFont*>(this)->Find(code);
}

const uint8_t* RasterFont::GlyphCoverage(const GlyphRecord& r) const {
  if (r.coverage <= 0 || r.width <= 0 || r.height <= 0) return nullptr;
  const size_t start = static_cast<size_t>(r.coverage) - 1;
  const size_t bytes = static_cast<size_t>(r.width) * static_cast<size_t>(r.height);
  if (start > mCoverage.size() || bytes > mCoverage.size() - start) return nullptr;
  return mCoverage.data() + start;
}

bool RasterFont::RenderGlyph(uint16_t code) {
  if (mLineHeight > kMaxGlyphLineHeight || !mHandle) return false;
  bool appended = false;
  if (code >= 128 && !Find(code)) {
    if (mFlags & FontFixedSet) return false;
    try {
      mOther.push_back(GlyphRecord{0, 0, 0, 0, code, 0});
    } catch (const std::bad_alloc&) {
      return false;
    }
    appended = true;
  }
  // Undoes the append when the glyph cannot be rendered at all.
  auto fail = [&]() {
    if (appended) mOther.pop_back();
    return false;
  };
  // Stores the finished record and keeps the other glyphs sorted by code.
  auto store = [&](const GlyphRecord& done) {
    if (appended) {
      mOther.back() = done;
      if (mOther.size() > 1)
        std::sort(mOther.begin(), mOther.end(),
                  [](const GlyphRecord& a, const GlyphRecord& b) { return a.code < b.code; });
    } else {
      *Find(code) = done;
    }
    return true;
  };

  const int size = 2 * std::max(mLineHeight, 1) + 8;
  BitmapBase* scratch = GlyphScratchOfSize(size);
  if (!scratch) return fail();
  const int margin = mLineHeight < 16 ? 0 : mLineHeight / 16;
  const int penX = margin + 2;

  int advance = 0, boxHeight = 0;
  if (!mHandle->MeasureChar(code, &advance, &boxHeight)) advance = boxHeight = 0;
  advance = std::max(0, std::min(advance, scratch->Width()));
  boxHeight = std::max(0, std::min(boxHeight, scratch->Height()));
  int boxWidth = std::min(advance + 2 * margin + 4, scratch->Width());
  FillRect(scratch, 0, 0, boxWidth, boxHeight, 0xFF000000u, 1.0f, ModeCopy);
  if (advance >= 1 && boxHeight >= 1) mHandle->DrawChar(*scratch, code, penX);

  if (advance < 1 || boxHeight < 1) return store(GlyphRecord{-1, 0, 0, 0, code, 0});
  if (mFlags & FontBlur) BlurRect(scratch, scratch, 0, 0, 0, 0, boxWidth, boxHeight);
  Surface rows;
  if (!GetSurface(scratch, &rows)) return fail();

  const size_t start = mCoverage.size();
  const size_t bytes = static_cast<size_t>(boxWidth) * static_cast<size_t>(boxHeight);
  if (start + bytes >= static_cast<size_t>(INT_MAX)) return fail();
  try {
    mCoverage.resize(start + bytes);
  } catch (const std::bad_alloc&) {
    return fail();
  }
  uint8_t* cov = mCoverage.data() + start;
  int left = penX;
  int right = std::min(advance + penX, boxWidth);
  const bool invert = (mFlags & FontInvert) != 0;
  for (int y = 0; y < boxHeight; ++y) {
    const uint32_t* src = rows.Row(y);
    uint8_t* dst = cov + static_cast<size_t>(y) * boxWidth;
    for (int x = 0; x < boxWidth; ++x) {
      uint8_t v = static_cast<uint8_t>(src[x] >> 16);
      if (invert) v = static_cast<uint8_t>(255 - v);
      dst[x] = v;
      if (v) {
        left = std::min(left, x);
        right = std::max(right, x + 1);
      }
    }
  }
  int width = boxWidth, height = boxHeight;
  if (right < width || left > 0) {
    const int kept = right - left;
    for (int y = 0; y < height; ++y)
      std::memmove(cov + static_cast<size_t>(y) * kept, cov + static_cast<size_t>(y) * width + left, kept);
    width = kept;
    mCoverage.resize(start + static_cast<size_t>(width) * height);
    cov = mCoverage.data() + start;
  }

  if ((mFlags & FontVertical) && width > 0 && height > 0) {
    std::vector<uint8_t> old;
    try {
      old.assign(cov, cov + static_cast<size_t>(width) * height);
    } catch (const std::bad_alloc&) {
      mCoverage.resize(start);
      return fail();
    }
    const int oldWidth = width, oldHeight = height;
    width = oldHeight;
    height = oldWidth;
    for (int i = 0; i < height; ++i)
      for (int j = 0; j < width; ++j)
        cov[static_cast<size_t>(i) * width + j] =
            (mFlags & FontUpward) ? old[static_cast<size_t>(j) * oldWidth + (oldWidth - 1 - i)]
                                  : old[static_cast<size_t>(oldHeight - 1 - j) * oldWidth + i];
  }

  if (mFlags & (FontMono | FontShadow | FontOutline)) {
    const size_t n = static_cast<size_t>(width) * height;
    for (size_t i = 0; i < n; ++i) cov[i] = cov[i] > 130 ? 255 : 0;
    auto at = [&](int x, int y) { return cov[static_cast<size_t>(y) * width + x]; };
    if (mFlags & FontShadow) {
      for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
          if (at(x, y)) continue;
          if ((x > 0 && at(x - 1, y) == 255) || (x > 0 && y > 0 && at(x - 1, y - 1) == 255) ||
              (y > 0 && at(x, y - 1) == 255))
            cov[static_cast<size_t>(y) * width + x] = 128;
        }
    } else if (mFlags & FontOutline) {
      for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
          if (at(x, y)) continue;
          if ((x > 0 && at(x - 1, y) == 255) || (x + 1 < width && at(x + 1, y) == 255) ||
              (y > 0 && at(x, y - 1) == 255) || (y + 1 < height && at(x, y + 1) == 255))
            cov[static_cast<size_t>(y) * width + x] = 128;
        }
    }
  }
  return store(GlyphRecord{static_cast<int>(start) + 1, width, height, advance, code, penX - left});
}

bool RasterFont::DrawGlyphAt(BitmapBase* bitmap, uint16_t code, int x, int y, const IBounds& clipRect) {
  if (!bitmap) return false;
  const GlyphRecord* g = FindGlyph(code);
  if (!g) return false;
  const uint8_t* cov = GlyphCoverage(*g);
  if (!cov) return false;
  Surface rows;
  if (!GetSurface(bitmap, &rows)) return false;

  long long gx = x, gy = y;
  if (!(mFlags & FontVertical))
    gx -= g->overhang;
  else if (mFlags & FontUpward)
    gy -= g->overhang;
  else
    gy += g->overhang;

  // The clip never reaches outside the bitmap.
  const long long clipLeft = std::max(clipRect.left, 0), clipTop = std::max(clipRect.top, 0);
  const long long clipRight = std::min(clipRect.right, rows.width);
  const long long clipBottom = std::min(clipRect.bottom, rows.height);
  if (gx >= clipRight || gy >= clipBottom || gx + g->width <= clipLeft || gy + g->height <= clipTop)
    return false;
  const int skipX = static_cast<int>(std::max(0LL, clipLeft - gx));
  const int skipY = static_cast<int>(std::max(0LL, clipTop - gy));
  const int dx = static_cast<int>(gx + skipX), dy = static_cast<int>(gy + skipY);
  const int w = static_cast<int>(std::min<long long>(g->width - skipX, clipRight - dx));
  const int h = static_cast<int>(std::min<long long>(g->height - skipY, clipBottom - dy));
  if (w <= 0 || h <= 0) return false;

  if (mBackMode == kOpaque) FillRect(bitmap, dx, dy, w, h, mBack, mAlpha, mBlendMode & ~UseSourceAlpha);

  // Glyph pixels take the blend's operation without source alpha, the colour
  // at full alpha and a weight from the coverage.
  const PixelOpFn op = PixelOpFor(mBlendMode & 0xFF);
  const bool exactCopy = mAlpha == 1.0f && (mBlendMode & 0xFF) == ModeCopy;
  const bool twoColour = (mFlags & (FontShadow | FontOutline)) != 0;
  const bool mono = !twoColour && (mFlags & FontMono);
  const int t = AlphaTimes256(mAlpha);
  if (!op || (!exactCopy && t <= 0)) return true;  // nothing to draw in this mode or at this weight
  const int flatWeight = std::min(t, 256);

  for (int row = 0; row < h; ++row) {
    const uint8_t* k = cov + static_cast<size_t>(row + skipY) * g->width + skipX;
    uint32_t* d = rows.Row(dy + row) + dx;
    for (int col = 0; col < w; ++col) {
      const int c = k[col];
      if (!c) continue;
      if (mono || twoColour) {
        const uint32_t colour = (twoColour && c != 255) ? mEdge : mInk;
        d[col] = exactCopy ? colour : op(d[col], px::R(colour), px::G(colour), px::B(colour), 255, flatWeight);
      } else {
        const int weight = t == 256 ? c + 1 : std::min(256, (t * c) / 256);
        if (weight > 0) d[col] = op(d[col], px::R(mInk), px::G(mInk), px::B(mInk), 255, weight);
      }
    }
  }
  return true;
}

// Text: the choice of path, measuring and drawing with cached glyphs.

namespace {
int gWineAnswer = -1;  // not asked yet
}

bool RasterFont::RunsUnderWine() {
  if (gWineAnswer < 0) gWineAnswer = AskRunsUnderWine() ? 1 : 0;
  return gWineAnswer == 1;
}

void RasterFont::SetWineAnswer(int answer) { gWineAnswer = answer < 0 ? -1 : (answer ? 1 : 0); }

bool RasterFont::UsesSystemText(unsigned flags) const {
  if (!kHasSystemText || !mHandle) return false;
  if (mLineHeight > kMaxGlyphPathLineHeight) return true;
  return (mFlags & FontSystemText) && !(flags & kTextOwnMeasure) && !(flags & UseInkAlpha) &&
         !(mFlags & kGlyphOnlyFlags) && !RunsUnderWine();
}

int RasterFont::RenderText(BitmapBase* bitmap, const char* text, int count, IBounds* rect, int flags) {
  if (!bitmap && !(flags & kTextCalcRect)) return 0;
  const unsigned own = static_cast<unsigned>(flags) & kTextOwnMeasure;
  flags = static_cast<int>(static_cast<unsigned>(flags) & ~kTextOwnMeasure);
  if (!text || !rect) return 0;
  if (UsesSystemText(static_cast<unsigned>(flags) | own)) return SystemText(bitmap, text, count, rect, flags);
  return GlyphText(bitmap, text, count, rect, flags);
}

GlyphRecord* RasterFont::GlyphFor(uint16_t code) {
  GlyphRecord* g = Find(code);
  if (!g || g->coverage == 0) {
    RenderGlyph(code);
    g = Find(code);
  }
  return g && g->coverage > 0 ? g : nullptr;
}

void RasterFont::MeasureGlyphText(const char* text, int count, bool singleLine, long long* width,
                                  long long* height) {
  const bool vertical = (mFlags & FontVertical) != 0;
  long long penX = 0, penY = 0, extentX = 0, extentY = 0;
  WalkText(
      text, count, singleLine,
      [&]() {
        if (vertical) {
          penY = 0;
          penX += mLineHeight;
        } else {
          penX = 0;
          penY += mLineHeight;
        }
      },
      [&](uint16_t code) {
        const GlyphRecord* g = GlyphFor(code);
        if (!g) return;
        if (vertical) {
          extentX = std::max(extentX, penX + g->width);
          extentY = std::max({extentY, penY + g->advance, penY + g->height - g->overhang});
          penY += g->advance;
        } else {
          extentX = std::max({extentX, penX + g->advance, penX + g->width - g->overhang});
          extentY = std::max(extentY, penY + g->height);
          penX += g->advance;
        }
      });
  *width = extentX;
  *height = extentY;
}

int RasterFont::GlyphText(BitmapBase* bitmap, const char* text, int count, IBounds* rect, int flags) {
  const bool singleLine = (flags & kTextSingleLine) != 0;
  const bool vertical = (mFlags & FontVertical) != 0;
  const bool upward = vertical && (mFlags & FontUpward);

  if (flags & kTextCalcRect) {
    long long width = 0, height = 0;
    MeasureGlyphText(text, count, singleLine, &width, &height);
    rect->right = Clamp(static_cast<long long>(rect->left) + width);
    rect->bottom = Clamp(static_cast<long long>(rect->top) + height);
    return Clamp(vertical ? width : height);
  }
  if (!bitmap || !bitmap->Pixels() || bitmap->Width() <= 0 || bitmap->Height() <= 0) return 0;

  // The ink's alpha applies to this call only.
  const float savedAlpha = mAlpha;
  if (flags & UseInkAlpha) mAlpha = mAlpha * static_cast<float>(mInk >> 24) / 255.0f;
  struct Restore {
    float& alpha;
    float saved;
    ~Restore() { alpha = saved; }
  } restore{mAlpha, savedAlpha};
  if (mAlpha == 0.0f) return 0;

  long long x = rect->left, y = rect->top;
  if ((flags & kAlignFlags) || upward) {
    long long width = 0, height = 0;
    MeasureGlyphText(text, count, singleLine, &width, &height);
    if (flags & kTextCenter)
      x += (static_cast<long long>(rect->right) - width - rect->left) / 2;
    else if (flags & kTextRight)
      x = rect->right - width;
    if (flags & kTextVCenter)
      y += (static_cast<long long>(rect->bottom) - height - rect->top) / 2;
    else if (flags & kTextBottom)
      y = rect->bottom - height;
    if (upward) y += height;
  }

  IBounds clip{0, 0, bitmap->Width(), bitmap->Height()};
  if (!(flags & kTextNoClip)) {
    clip.left = std::max(std::max(rect->left, 0), clip.left);
    clip.top = std::max(std::max(rect->top, 0), clip.top);
    clip.right = std::min(rect->right, clip.right);
    clip.bottom = std::min(rect->bottom, clip.bottom);
  }
  if (clip.left >= clip.right || clip.top >= clip.bottom) return 0;

  const long long startX = x, startY = y;
  long long penX = x, penY = y, lowest = y, rightmost = x;
  // Glyphs whose pen lies beyond this margin around the clip cannot touch it.
  const long long reach = 2LL * kMaxGlyphLineHeight + 16;
  WalkText(
      text, count, singleLine,
      [&]() {
        if (vertical) {
          penY = startY;
          penX += mLineHeight;
        } else {
          penX = startX;
          penY += mLineHeight;
        }
      },
      [&](uint16_t code) {
        const GlyphRecord* g = GlyphFor(code);
        if (!g) return;
        if (upward) penY -= g->height;
        if (penX > clip.left - reach && penX < clip.right + reach && penY > clip.top - reach && penY < clip.bottom + reach)
          DrawGlyphAt(bitmap, code, static_cast<int>(penX), static_cast<int>(penY), clip);
        lowest = std::max(lowest, penY + g->height);
        rightmost = std::max(rightmost, penX + g->width);
        if (!vertical)
          penX += g->advance;
        else if (upward)
          penY += g->height - g->advance;
        else
          penY += g->advance;
      });
  return Clamp(vertical ? rightmost - startX : lowest - startY);
}
