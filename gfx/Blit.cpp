// Blit, BlitPart, FillRect and BlurRect.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "gfx/BlitRows.h"
#include "gfx/Draw.h"
#include "gfx/PixelOps.h"
#include "gfx/Surface.h"

namespace {

using BlitRowsFn = void (*)(const Span&, int);

// The operations other than copy: [source alpha][operation - ModeAdd]. Copy
// mode takes the loops of CopyLoops().
const BlitRowsFn kBlendRows[2][5] = {
    {BlitRows<px::OpAdd>, BlitRows<px::OpDodge>, BlitRows<px::OpMultiply>, BlitRows<px::OpSoftLight>,
     BlitRows<px::OpHsvShift>},
    {BlitRows<px::OpAddSourceAlpha>, BlitRows<px::OpDodgeSourceAlpha>, BlitRows<px::OpMultiplySourceAlpha>,
     BlitRows<px::OpSoftLightSourceAlpha>, BlitRows<px::OpHsvShiftSourceAlpha>},
};

void CopyRows(const Span& s) {
  for (int j = 0; j < s.rows; ++j)
    std::memmove(s.dest->Row(s.dy + j) + s.dx, s.src->Row(s.sy + j) + s.sx, size_t(s.cols) * 4);
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

using FillRowsFn = void (*)(const Fill&, int);
// [operation - ModeAdd]; copy mode takes the loops of CopyLoops().
const FillRowsFn kFillRows[5] = {FillRows<px::OpAdd>, FillRows<px::OpDodge>, FillRows<px::OpMultiply>,
                                 FillRows<px::OpSoftLight>, FillRows<px::OpHsvShift>};

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
      CopyLoops().average(span);
      return;
    }
  }
  if (op > ModeHsvShift) return;
  int w = TruncWeight(alpha);
  if (w == 0) return;
  bool sourceAlpha = (mode & UseSourceAlpha) != 0;
  if (op != ModeCopy) {
    kBlendRows[sourceAlpha][op - ModeAdd](span, w);
  } else if (w == 256) {
    if (sourceAlpha)
      CopyLoops().copySourceAlphaFull(span, w);
    else
      CopyRows(span);
  } else {
    (sourceAlpha ? CopyLoops().copySourceAlpha : CopyLoops().copy)(span, w);
  }
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
    const CopyRowLoops& loops = CopyLoops();
    switch (n) {
      case 256: return loops.fillWords(fill, colour, Keep::None);
      case 128: return loops.fillWords(fill, px::Half(colour), Keep::Half);
      case 64: return loops.fillWords(fill, px::Quarter(colour), Keep::ThreeQuarters);
      case 192: return loops.fillWords(fill, px::Half(colour) + px::Quarter(colour), Keep::Quarter);
      default:
        if (n > 0) loops.fillCopy(fill, n);
        return;
    }
  }
  if (n == 0) return;
  kFillRows[op - ModeAdd](fill, n);
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
