// Scaled, rotated and mirrored blits in 16.16 fixed point.
#include <algorithm>
#include <cmath>

#include "gfx/Draw.h"
#include "gfx/PixelOps.h"
#include "gfx/SinCos.h"
#include "gfx/Surface.h"

namespace {

using px::A;
using px::B;
using px::G;
using px::R;

// Source positions and steps in 16.16, relative to the window's top-left.
// Steps are limited to 2^30 and starts to 2^60 so that no accumulated position
// can overflow; within those limits nothing is changed.
struct Walk {
  int64_t s0, t0, dsdx, dtdx, dsdy, dtdy;
};

struct Job {
  const Surface* dest;
  const Surface* src;
  int64_t dstX, dstY;
  int cols, rows;
  int64_t winLeft, winTop;
  int64_t winW, winH;
  Walk walk;
};

inline uint32_t Lerp2(uint32_t a, uint32_t b, uint32_t f) {  // (65536 - f) * a + f * b, per byte
  uint32_t g = 65536 - f;
  return px::Pack(int((g * B(a) + f * B(b)) >> 16), int((g * G(a) + f * G(b)) >> 16),
                  int((g * R(a) + f * R(b)) >> 16), int((g * A(a) + f * A(b)) >> 16));
}

template <class Op, bool Bilinear>
void TransformRows(const Job& job, int w) {
  const Surface& src = *job.src;
  const int64_t winW = job.winW, winH = job.winH;
  int64_t rowS = job.walk.s0, rowT = job.walk.t0;
  for (int j = 0; j < job.rows; ++j) {
    uint32_t* d = job.dest->Row(job.dstY + j) + job.dstX;
    int64_t s = rowS, t = rowT;
    for (int i = 0; i < job.cols; ++i, s += job.walk.dsdx, t += job.walk.dtdx) {
      int64_t x = s >> 16, y = t >> 16;
      if (x < 0 || y < 0 || x >= winW || y >= winH) continue;
      const uint32_t* here = src.Row(job.winTop + y) + job.winLeft + x;
      uint32_t c;
      if (!Bilinear) {
        c = *here;
      } else {
        uint32_t fx = uint32_t(s & 0xffff), fy = uint32_t(t & 0xffff);
        bool lastRow = y == winH - 1, lastCol = x == winW - 1;
        if (!lastRow && !lastCol) {
          const uint32_t* below = here + src.stride;
          uint32_t p11 = (fx * fy) >> 16;
          uint32_t p01 = fy - p11, p10 = fx - p11, p00 = 65536 - fx - fy + p11;
          auto mix = [&](int shift) {
            return int((p00 * ((here[0] >> shift) & 255) + p10 * ((here[1] >> shift) & 255) +
                        p01 * ((below[0] >> shift) & 255) + p11 * ((below[1] >> shift) & 255)) >>
                       16);
          };
          c = px::Pack(mix(0), mix(8), mix(16), mix(24));
        } else if (!lastRow) {
          c = Lerp2(here[0], here[src.stride], fy);
        } else if (!lastCol) {
          c = Lerp2(here[0], here[1], fx);
        } else {
          c = *here;
        }
      }
      d[i] = Op::Apply(d[i], R(c), G(c), B(c), A(c), w);
    }
    rowS += job.walk.dsdy;
    rowT += job.walk.dtdy;
  }
}

// Copy at full weight without source alpha: the sample is stored.
struct OpStore {
  static uint32_t Apply(uint32_t, int r, int g, int b, int a, int) { return px::Pack(b, g, r, a); }
};

using TransformRowsFn = void (*)(const Job&, int);

template <bool Bilinear>
struct Table {
  static constexpr TransformRowsFn rows[2][6] = {
      {TransformRows<px::OpCopy, Bilinear>, TransformRows<px::OpAdd, Bilinear>,
       TransformRows<px::OpDodge, Bilinear>, TransformRows<px::OpMultiply, Bilinear>,
       TransformRows<px::OpSoftLight, Bilinear>, TransformRows<px::OpHsvShift, Bilinear>},
      {TransformRows<px::OpCopySourceAlpha, Bilinear>, TransformRows<px::OpAddSourceAlpha, Bilinear>,
       TransformRows<px::OpDodgeSourceAlpha, Bilinear>, TransformRows<px::OpMultiplySourceAlpha, Bilinear>,
       TransformRows<px::OpSoftLightSourceAlpha, Bilinear>, TransformRows<px::OpHsvShiftSourceAlpha, Bilinear>},
  };
};
template <bool Bilinear>
constexpr TransformRowsFn Table<Bilinear>::rows[2][6];

// Nearest integer, halves away from zero, limited to +-limit (not-a-number
// gives 0).
int64_t Fixed(float v, int64_t limit) {
  if (std::isnan(v)) return 0;
  double d = std::round(double(v));
  if (d > double(limit)) return limit;
  if (d < -double(limit)) return -limit;
  return int64_t(d);
}

int64_t Nearest(float v) {
  if (std::isnan(v)) return 0;
  double d = std::round(double(v));
  if (d > 9e18) return INT64_MAX / 2;
  if (d < -9e18) return INT64_MIN / 2;
  return int64_t(d);
}

}  // namespace

void BlitTransformed(BitmapBase* dest, BitmapBase* src, int dstX, int dstY, int dstW, int dstH, float srcX,
                     float srcY, float srcW, float srcH, float angle, bool clipToSourceRect, float alpha, int mode,
                     float rotOffsetX, float rotOffsetY) {
  if (!dest || !src || dstW == 0 || dstH == 0) return;
  Surface d, s;
  if (!GetSurface(dest, &d) || !GetSurface(src, &s)) return;

  int64_t winLeft = 0, winTop = 0, winRight = s.width, winBottom = s.height;
  if (clipToSourceRect) {
    winLeft = Nearest(std::max(srcX, 0.0f));
    winTop = Nearest(std::max(srcY, 0.0f));
    winRight = Nearest(std::min(float(s.width), srcX + srcW));
    winBottom = Nearest(std::min(float(s.height), srcY + srcH));
    winLeft = std::max<int64_t>(winLeft, 0);
    winTop = std::max<int64_t>(winTop, 0);
    winRight = std::min<int64_t>(winRight, s.width);
    winBottom = std::min<int64_t>(winBottom, s.height);
  }
  if (winRight - winLeft < 1 || winBottom - winTop < 1) return;

  int64_t dx = dstX, dy = dstY, dw = dstW, dh = dstH;
  if (dw < 0) {
    srcX += srcW;
    srcW = -srcW;
    dx += dw;
    dw = -dw;
  }
  if (dh < 0) {
    srcY += srcH;
    srcH = -srcH;
    dy += dh;
    dh = -dh;
  }

  float c = 0.0f, sn = 0.0f;
  SinCosF(angle, &sn, &c);
  float fw = float(dw), fh = float(dh);
  float dsdx = (srcW / fw) * c;
  float dtdx = -(srcH / fh) * sn;
  float dsdy = (srcW / fw) * sn;
  float dtdy = (srcH / fh) * c;
  float sx = srcX - ((fh * dsdy + fw * dsdx - srcW) * 0.5f - rotOffsetX);
  float sy = srcY - ((fw * dtdx + fh * dtdy - srcH) * 0.5f - rotOffsetY);

  if (dx < 0) {
    dw += dx;
    sx -= float(dx) * dsdx;
    sy -= float(dx) * dtdx;
    dx = 0;
  }
  if (dy < 0) {
    dh += dy;
    sy -= float(dy) * dtdy;
    sx -= float(dy) * dsdy;
    dy = 0;
  }
  if (!(dw > 0 && dh > 0 && dx < d.width && dy < d.height)) return;
  dw = std::min<int64_t>(dw, d.width - dx);
  dh = std::min<int64_t>(dh, d.height - dy);

  int op = mode & (ModeOpMask | UseSourceAlpha);
  int w = RoundWeight(alpha);
  if (w == 0) return;
  bool sourceAlpha = (op & UseSourceAlpha) != 0;
  op &= ModeOpMask;
  if (op > ModeHsvShift) return;

  constexpr int64_t kStepLimit = int64_t(1) << 30;
  constexpr int64_t kStartLimit = int64_t(1) << 60;
  Walk walk;
  walk.s0 = Fixed((sx - float(winLeft)) * 65536.0f, kStartLimit);
  walk.t0 = Fixed((sy - float(winTop)) * 65536.0f, kStartLimit);
  walk.dsdx = Fixed(dsdx * 65536.0f, kStepLimit);
  walk.dtdx = Fixed(dtdx * 65536.0f, kStepLimit);
  walk.dsdy = Fixed(dsdy * 65536.0f, kStepLimit);
  walk.dtdy = Fixed(dtdy * 65536.0f, kStepLimit);

  Job job{&d, &s, dx, dy, int(dw), int(dh), winLeft, winTop, winRight - winLeft, winBottom - winTop, walk};
  bool bilinear = ((mode & FilterMask) >> 8) == 1;
  if (op == ModeCopy && w == 256 && !sourceAlpha) {
    if (bilinear)
      TransformRows<OpStore, true>(job, w);
    else
      TransformRows<OpStore, false>(job, w);
    return;
  }
  if (op == ModeCopy && w == 256 && sourceAlpha) {
    if (bilinear)
      TransformRows<px::OpCopySourceAlphaFull, true>(job, w);
    else
      TransformRows<px::OpCopySourceAlphaFull, false>(job, w);
    return;
  }
  (bilinear ? Table<true>::rows : Table<false>::rows)[sourceAlpha][op](job, w);
}
