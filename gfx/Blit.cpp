// Blit, BlitPart, FillRect and BlurRect.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "gfx/Draw.h"
#include "gfx/PixelOps.h"
#include "gfx/Surface.h"

namespace {

using px::A;
using px::B;
using px::G;
using px::R;

// A clipped rectangle copy: cols x rows pixels from (sx, sy) of src to (dx, dy)
// of dest, all inside their bitmaps.
struct Span {
  const Surface* dest;
  const Surface* src;
  int64_t dx, dy, sx, sy;
  int cols, rows;
};

// Four pixels at a time where SSE2 is at hand: whole-word forms take the
// same shifts, masks and additions on each 32-bit lane.
#if defined(__SSE2__)
inline __m128i Half4(__m128i p) { return _mm_and_si128(_mm_srli_epi32(p, 1), _mm_set1_epi32(0x7f7f7f7f)); }
inline __m128i Quarter4(__m128i p) { return _mm_and_si128(_mm_srli_epi32(p, 2), _mm_set1_epi32(0x3f3f3f3f)); }
inline __m128i Load4(const uint32_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }
inline void Store4(uint32_t* p, __m128i v) { _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v); }
#endif

template <class Op>
void BlitRows(const Span& s, int w) {
  for (int j = 0; j < s.rows; ++j) {
    uint32_t* d = s.dest->Row(s.dy + j) + s.dx;
    const uint32_t* p = s.src->Row(s.sy + j) + s.sx;
    for (int i = 0; i < s.cols; ++i) {
      uint32_t c = p[i];
      d[i] = Op::Apply(d[i], R(c), G(c), B(c), A(c), w);
    }
  }
}

#if defined(__SSE2__)
// Copy-mode blits four pixels at a time. The byte formula
// s + ((d - s) * k) / 256 is taken on the magnitude |d - s| * k, which fits an
// unsigned 16-bit lane for k <= 256, with the sign put back afterwards:
// truncating toward zero is then a plain shift. Each lane gives exactly what
// the one-pixel forms in PixelOps.h give.
struct Lanes {
  __m128i lo, hi;  // two pixels each, one byte a 16-bit lane
};
inline Lanes Widen(__m128i v) {
  const __m128i zero = _mm_setzero_si128();
  return {_mm_unpacklo_epi8(v, zero), _mm_unpackhi_epi8(v, zero)};
}
inline __m128i TowardSource(__m128i d, __m128i s, __m128i k) {  // s + trunc((d - s) * k / 256)
  __m128i diff = _mm_sub_epi16(d, s);
  __m128i sign = _mm_cmpgt_epi16(_mm_setzero_si128(), diff);
  __m128i magnitude = _mm_sub_epi16(_mm_xor_si128(diff, sign), sign);
  __m128i q = _mm_srli_epi16(_mm_mullo_epi16(magnitude, k), 8);
  return _mm_add_epi16(s, _mm_sub_epi16(_mm_xor_si128(q, sign), sign));
}
// Each pixel's alpha (lane 3 of its four) in all four of its lanes.
inline __m128i SpreadAlpha(__m128i v) { return _mm_shufflehi_epi16(_mm_shufflelo_epi16(v, 0xFF), 0xFF); }

const __m128i kAlphaBytes = _mm_set1_epi32(int(0xFF000000u));

// Source alpha at weight 256: colours move by a / 256 (k = 255 - a), the alpha
// byte gains a with saturation; a = 0 keeps the pixel, a = 255 comes out as
// the opaque source through the same arithmetic.
inline __m128i CopySourceAlphaFull4(__m128i d, __m128i s, int) {
  const __m128i all = _mm_set1_epi16(255);
  Lanes dl = Widen(d), sl = Widen(s);
  __m128i lo = TowardSource(dl.lo, sl.lo, _mm_sub_epi16(all, SpreadAlpha(sl.lo)));
  __m128i hi = TowardSource(dl.hi, sl.hi, _mm_sub_epi16(all, SpreadAlpha(sl.hi)));
  __m128i colour = _mm_packus_epi16(lo, hi);
  __m128i alpha = _mm_adds_epu8(d, _mm_and_si128(s, kAlphaBytes));
  __m128i out = _mm_or_si128(_mm_andnot_si128(kAlphaBytes, colour), _mm_and_si128(alpha, kAlphaBytes));
  __m128i keep = _mm_cmpeq_epi32(_mm_and_si128(s, kAlphaBytes), _mm_setzero_si128());
  return _mm_or_si128(_mm_and_si128(keep, d), _mm_andnot_si128(keep, out));
}

// Source alpha below 256: f = (w * (a + 1)) / 256, colours move by f / 256,
// the alpha byte gains f with saturation; a = 0 keeps the pixel.
inline __m128i CopySourceAlpha4(__m128i d, __m128i s, int w) {
  const __m128i weight = _mm_set1_epi16(short(w));
  const __m128i one = _mm_set1_epi16(1), full = _mm_set1_epi16(256);
  Lanes dl = Widen(d), sl = Widen(s);
  __m128i flo = _mm_srli_epi16(_mm_mullo_epi16(_mm_add_epi16(SpreadAlpha(sl.lo), one), weight), 8);
  __m128i fhi = _mm_srli_epi16(_mm_mullo_epi16(_mm_add_epi16(SpreadAlpha(sl.hi), one), weight), 8);
  __m128i lo = TowardSource(dl.lo, sl.lo, _mm_sub_epi16(full, flo));
  __m128i hi = TowardSource(dl.hi, sl.hi, _mm_sub_epi16(full, fhi));
  __m128i colour = _mm_packus_epi16(lo, hi);
  __m128i alpha = _mm_adds_epu8(d, _mm_packus_epi16(flo, fhi));
  __m128i out = _mm_or_si128(_mm_andnot_si128(kAlphaBytes, colour), _mm_and_si128(alpha, kAlphaBytes));
  __m128i keep = _mm_cmpeq_epi32(_mm_and_si128(s, kAlphaBytes), _mm_setzero_si128());
  return _mm_or_si128(_mm_and_si128(keep, d), _mm_andnot_si128(keep, out));
}

// Without source alpha, 0 < w < 256: every byte moves by w / 256.
inline __m128i Copy4(__m128i d, __m128i s, int w) {
  const __m128i k = _mm_set1_epi16(short(256 - w));
  Lanes dl = Widen(d), sl = Widen(s);
  return _mm_packus_epi16(TowardSource(dl.lo, sl.lo, k), TowardSource(dl.hi, sl.hi, k));
}

template <class Op, __m128i (*Four)(__m128i, __m128i, int)>
void BlitRowsFour(const Span& s, int w) {
  for (int j = 0; j < s.rows; ++j) {
    uint32_t* d = s.dest->Row(s.dy + j) + s.dx;
    const uint32_t* p = s.src->Row(s.sy + j) + s.sx;
    int i = 0;
    for (; i + 4 <= s.cols; i += 4) Store4(d + i, Four(Load4(d + i), Load4(p + i), w));
    for (; i < s.cols; ++i) {
      uint32_t c = p[i];
      d[i] = Op::Apply(d[i], R(c), G(c), B(c), A(c), w);
    }
  }
}
#define QM_COPY_ROWS BlitRowsFour<px::OpCopy, Copy4>
#define QM_COPY_SOURCE_ALPHA_ROWS BlitRowsFour<px::OpCopySourceAlpha, CopySourceAlpha4>
#define QM_COPY_SOURCE_ALPHA_FULL_ROWS BlitRowsFour<px::OpCopySourceAlphaFull, CopySourceAlphaFull4>
#else
#define QM_COPY_ROWS BlitRows<px::OpCopy>
#define QM_COPY_SOURCE_ALPHA_ROWS BlitRows<px::OpCopySourceAlpha>
#define QM_COPY_SOURCE_ALPHA_FULL_ROWS BlitRows<px::OpCopySourceAlphaFull>
#endif

using BlitRowsFn = void (*)(const Span&, int);

// [source alpha][operation]; copy with source alpha at weight 256 is chosen
// separately.
const BlitRowsFn kBlitRows[2][6] = {
    {QM_COPY_ROWS, BlitRows<px::OpAdd>, BlitRows<px::OpDodge>, BlitRows<px::OpMultiply>,
     BlitRows<px::OpSoftLight>, BlitRows<px::OpHsvShift>},
    {QM_COPY_SOURCE_ALPHA_ROWS, BlitRows<px::OpAddSourceAlpha>, BlitRows<px::OpDodgeSourceAlpha>,
     BlitRows<px::OpMultiplySourceAlpha>, BlitRows<px::OpSoftLightSourceAlpha>,
     BlitRows<px::OpHsvShiftSourceAlpha>},
};

void CopyRows(const Span& s) {
  for (int j = 0; j < s.rows; ++j)
    std::memmove(s.dest->Row(s.dy + j) + s.dx, s.src->Row(s.sy + j) + s.sx, size_t(s.cols) * 4);
}

void AverageRows(const Span& s) {
  for (int j = 0; j < s.rows; ++j) {
    uint32_t* d = s.dest->Row(s.dy + j) + s.dx;
    const uint32_t* p = s.src->Row(s.sy + j) + s.sx;
    int i = 0;
#if defined(__SSE2__)
    for (; i + 4 <= s.cols; i += 4) Store4(d + i, _mm_add_epi32(Half4(Load4(p + i)), Half4(Load4(d + i))));
#endif
    for (; i < s.cols; ++i) d[i] = px::Half(p[i]) + px::Half(d[i]);
  }
}

void ChannelCopyRows(const Span& s, int mode) {
  int toShift = ((mode >> 2) & 3) * 8;
  int fromShift = (mode & 3) * 8;
  uint32_t keep = ~(0xffu << toShift);
  for (int j = 0; j < s.rows; ++j) {
    uint32_t* d = s.dest->Row(s.dy + j) + s.dx;
    const uint32_t* p = s.src->Row(s.sy + j) + s.sx;
    for (int i = 0; i < s.cols; ++i) d[i] = (d[i] & keep) | (((p[i] >> fromShift) & 0xffu) << toShift);
  }
}

// FillRect rows: the colour as source, the weight also standing in for the
// source alpha.
struct Fill {
  const Surface* dest;
  int64_t x, y;
  int cols, rows;
  uint32_t colour;
};

template <class Op>
void FillRows(const Fill& f, int n) {
  int r = R(f.colour), g = G(f.colour), b = B(f.colour);
  for (int j = 0; j < f.rows; ++j) {
    uint32_t* d = f.dest->Row(f.y + j) + f.x;
    for (int i = 0; i < f.cols; ++i) d[i] = Op::Apply(d[i], r, g, b, n, n);
  }
}

using FillRowsFn = void (*)(const Fill&, int);
const FillRowsFn kFillRows[6] = {FillRows<px::OpCopy>,     FillRows<px::OpAdd>,       FillRows<px::OpDodge>,
                                 FillRows<px::OpMultiply>, FillRows<px::OpSoftLight>, FillRows<px::OpHsvShift>};

// The exact copy weights of FillRect: c is the colour's share, the pixel keeps
// a half, three quarters or a quarter of itself.
struct KeepNone {
  uint32_t c;
  uint32_t operator()(uint32_t) const { return c; }
#if defined(__SSE2__)
  __m128i operator()(__m128i) const { return _mm_set1_epi32(int(c)); }
#endif
};
struct KeepHalf {
  uint32_t c;
  uint32_t operator()(uint32_t p) const { return c + px::Half(p); }
#if defined(__SSE2__)
  __m128i operator()(__m128i p) const { return _mm_add_epi32(_mm_set1_epi32(int(c)), Half4(p)); }
#endif
};
struct KeepThreeQuarters {
  uint32_t c;
  uint32_t operator()(uint32_t p) const { return c + px::Half(p) + px::Quarter(p); }
#if defined(__SSE2__)
  __m128i operator()(__m128i p) const {
    return _mm_add_epi32(_mm_set1_epi32(int(c)), _mm_add_epi32(Half4(p), Quarter4(p)));
  }
#endif
};
struct KeepQuarter {
  uint32_t c;
  uint32_t operator()(uint32_t p) const { return c + px::Quarter(p); }
#if defined(__SSE2__)
  __m128i operator()(__m128i p) const { return _mm_add_epi32(_mm_set1_epi32(int(c)), Quarter4(p)); }
#endif
};

template <class Word>
void FillWords(const Fill& f, Word word) {
  for (int j = 0; j < f.rows; ++j) {
    uint32_t* d = f.dest->Row(f.y + j) + f.x;
    int i = 0;
#if defined(__SSE2__)
    for (; i + 4 <= f.cols; i += 4) Store4(d + i, word(Load4(d + i)));
#endif
    for (; i < f.cols; ++i) d[i] = word(d[i]);
  }
}

}  // namespace

void Blit(BitmapBase* dest, BitmapBase* src, int x, int y, const IBounds* srcRect, float alpha, int mode) {
  if (alpha == 0.0f || std::isnan(alpha)) return;
  Surface d, s;
  if (!GetSurface(dest, &d) || !GetSurface(src, &s)) return;

  int64_t sx0 = 0, sy0 = 0, right = s.width, bottom = s.height;
  int64_t dx = x, dy = y;
  if (srcRect) {
    right = std::min<int64_t>(srcRect->right, s.width);
    bottom = std::min<int64_t>(srcRect->bottom, s.height);
    if (srcRect->left < 0)
      dx -= srcRect->left;
    else
      sx0 = srcRect->left;
    if (srcRect->top < 0)
      dy -= srcRect->top;
    else
      sy0 = srcRect->top;
  }
  if (dx < 0) {
    sx0 -= dx;
    dx = 0;
  }
  if (dy < 0) {
    sy0 -= dy;
    dy = 0;
  }
  if (!(sx0 < right && sy0 < bottom && dx < d.width && dy < d.height)) return;
  int64_t cols = std::min<int64_t>(d.width + sx0 - dx, right) - sx0;
  int64_t rows = std::min<int64_t>(sy0 + d.height - dy, bottom) - sy0;
  if (cols <= 0 || rows <= 0) return;
  Span span{&d, &s, dx, dy, sx0, sy0, int(cols), int(rows)};

  int op = mode & ModeOpMask;
  if (op >= ModeChannelCopy) {
    ChannelCopyRows(span, mode);
    return;
  }
  if ((mode & (ModeOpMask | UseSourceAlpha)) == 0) {
    if (alpha == 1.0f) {
      CopyRows(span);
      return;
    }
    if (alpha == 0.5f) {
      AverageRows(span);
      return;
    }
  }
  if (op > ModeHsvShift) return;
  int w = TruncWeight(alpha);
  if (w == 0) return;
  bool sourceAlpha = (mode & UseSourceAlpha) != 0;
  if (op == ModeCopy && w == 256) {
    if (sourceAlpha)
      QM_COPY_SOURCE_ALPHA_FULL_ROWS(span, w);
    else
      CopyRows(span);
    return;
  }
  kBlitRows[sourceAlpha][op](span, w);
}

void BlitPart(BitmapBase* dest, BitmapBase* src, int x, int y, int srcX, int srcY, int srcW, int srcH, float alpha,
              int mode) {
  // Right and bottom saturate instead of wrapping.
  auto edge = [](int origin, int size) {
    int64_t e = int64_t(origin) + size;
    return int(std::max<int64_t>(INT32_MIN, std::min<int64_t>(INT32_MAX, e)));
  };
  IBounds r(srcX, srcY, edge(srcX, srcW), edge(srcY, srcH));
  Blit(dest, src, x, y, &r, alpha, mode);
}

void FillRect(BitmapBase* dest, int x, int y, int w, int h, uint32_t colour, float alpha, int mode) {
  if (mode & UseSourceAlpha) alpha *= float(colour >> 24) * 0.003921569f;
  int64_t fx = x, fy = y, fw = w, fh = h;
  if (fx < 0) {
    fw += fx;
    fx = 0;
  }
  if (fy < 0) {
    fh += fy;
    fy = 0;
  }
  if (alpha == 0.0f || std::isnan(alpha)) return;
  Surface d;
  if (!GetSurface(dest, &d)) return;
  if (fw <= 0 || fh <= 0 || fx >= d.width || fy >= d.height) return;
  fw = std::min<int64_t>(fw, d.width - fx);
  fh = std::min<int64_t>(fh, d.height - fy);
  Fill fill{&d, fx, fy, int(fw), int(fh), colour};

  int op = mode & ModeOpMask;
  if (op > ModeHsvShift) return;
  int n = TruncWeight(alpha);
  if (op == ModeCopy) {
    switch (n) {
      case 256:
        FillWords(fill, KeepNone{colour});
        return;
      case 128:
        FillWords(fill, KeepHalf{px::Half(colour)});
        return;
      case 64:
        FillWords(fill, KeepThreeQuarters{px::Quarter(colour)});
        return;
      case 192:
        FillWords(fill, KeepQuarter{px::Half(colour) + px::Quarter(colour)});
        return;
      default:
        break;
    }
  }
  if (n == 0) return;
#if defined(__SSE2__)
  if (op == ModeCopy) {
    // The colour with the weight as its alpha byte (n < 256 here).
    const __m128i source = _mm_set1_epi32(int((colour & 0x00FFFFFFu) | uint32_t(n) << 24));
    for (int j = 0; j < fill.rows; ++j) {
      uint32_t* p = d.Row(fy + j) + fx;
      int i = 0;
      for (; i + 4 <= fill.cols; i += 4) Store4(p + i, Copy4(Load4(p + i), source, n));
      for (; i < fill.cols; ++i) p[i] = px::OpCopy::Apply(p[i], R(colour), G(colour), B(colour), n, n);
    }
    return;
  }
#endif
  kFillRows[op](fill, n);
}

namespace {

// One output row of the blur from the rows above, at and below (null at the
// area's top or bottom edge). w >= 2.
void BlurRow(uint32_t* out, const uint32_t* up, const uint32_t* at, const uint32_t* down, int w) {
  using px::Eighth;
  using px::Half;
  using px::Quarter;
  if (up && down) {
    out[0] = Half(at[0]) + Quarter(at[1]) + Eighth(up[0]) + Eighth(down[0]);
    for (int i = 1; i < w - 1; ++i)
      out[i] = Half(at[i]) + Eighth(at[i - 1]) + Eighth(at[i + 1]) + Eighth(up[i]) + Eighth(down[i]);
    out[w - 1] = Half(at[w - 1]) + Quarter(at[w - 2]) + Eighth(up[w - 1]) + Eighth(down[w - 1]);
  } else {
    const uint32_t* v = up ? up : down;
    out[0] = Half(at[0]) + Quarter(v[0]) + Quarter(at[1]);
    for (int i = 1; i < w - 1; ++i) out[i] = Half(at[i]) + Quarter(v[i]) + Eighth(at[i - 1]) + Eighth(at[i + 1]);
    out[w - 1] = Half(at[w - 1]) + Quarter(v[w - 1]) + Quarter(at[w - 2]);
  }
}

constexpr int kBlurStackRow = 1024;

}  // namespace

void BlurRect(BitmapBase* dest, BitmapBase* src, int dstX, int dstY, int srcX, int srcY, int w, int h) {
  Surface d, s;
  if (!GetSurface(dest, &d) || !GetSurface(src, &s)) return;
  int64_t sx = srcX, sy = srcY, dx = dstX, dy = dstY;
  int64_t endX = std::min<int64_t>(sx + w, s.width);
  int64_t endY = std::min<int64_t>(sy + h, s.height);
  if (sx < 0) sx = 0;
  if (sy < 0) sy = 0;
  if (dx < 0) {
    sx -= dx;
    dx = 0;
  }
  if (dy < 0) {
    sy -= dy;
    dy = 0;
  }
  int64_t cols = std::min<int64_t>(endX - sx, d.width - dx);
  int64_t rows = std::min<int64_t>(endY - sy, d.height - dy);
  if (cols < 2 || rows < 2) return;
  const int wc = int(cols), hr = int(rows);

  bool sameBitmap = dest == src;
  bool overlap = sameBitmap && dx < sx + cols && sx < dx + cols && dy < sy + rows && sy < dy + rows;
  if (!overlap) {
    for (int j = 0; j < hr; ++j) {
      const uint32_t* up = j > 0 ? s.Row(sy + j - 1) + sx : nullptr;
      const uint32_t* down = j < hr - 1 ? s.Row(sy + j + 1) + sx : nullptr;
      BlurRow(d.Row(dy + j) + dx, up, s.Row(sy + j) + sx, down, wc);
    }
    return;
  }
  if (dx != sx || dy != sy) {
    // Overlapping areas at different places: blur from a copy of the source.
    uint32_t* copy = static_cast<uint32_t*>(std::malloc(size_t(wc) * size_t(hr) * 4));
    if (!copy) return;
    for (int j = 0; j < hr; ++j) std::memcpy(copy + size_t(j) * wc, s.Row(sy + j) + sx, size_t(wc) * 4);
    for (int j = 0; j < hr; ++j) {
      const uint32_t* at = copy + size_t(j) * wc;
      BlurRow(d.Row(dy + j) + dx, j > 0 ? at - wc : nullptr, at, j < hr - 1 ? at + wc : nullptr, wc);
    }
    std::free(copy);
    return;
  }
  // In place: each row is saved before it is overwritten; the row above comes
  // from the saved copy, the row below has not been written yet.
  uint32_t stackRows[2 * kBlurStackRow];
  uint32_t* saved = stackRows;
  uint32_t* heap = nullptr;
  if (wc > kBlurStackRow) {
    heap = static_cast<uint32_t*>(std::malloc(size_t(wc) * 2 * 4));
    saved = heap;
  }
  uint32_t* prev = saved;
  uint32_t* cur = saved ? saved + wc : nullptr;
  for (int j = 0; j < hr; ++j) {
    uint32_t* row = d.Row(dy + j) + dx;
    const uint32_t* down = j < hr - 1 ? s.Row(sy + j + 1) + sx : nullptr;
    if (saved) {
      std::memcpy(cur, row, size_t(wc) * 4);
      BlurRow(row, j > 0 ? prev : nullptr, cur, down, wc);
      std::swap(prev, cur);
    } else {
      // Without memory for the saved rows: read the bitmap itself.
      BlurRow(row, j > 0 ? s.Row(sy + j - 1) + sx : nullptr, row, down, wc);
    }
  }
  std::free(heap);
}
