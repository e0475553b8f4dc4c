#pragma once
// The row loops of Blit and FillRect over rectangles already clipped to their
// bitmaps. The one-pixel loops serve every operation; the copy-mode loops
// also come in a form that takes four pixels at a time where the processor
// has SSE2 (BlitRows_sse2.cpp), which gives exactly the same pixels.
#include <cstdint>

#include "gfx/PixelOps.h"
#include "gfx/Surface.h"

// cols x rows pixels from (sx, sy) of src onto (dx, dy) of dest.
struct Span {
  const Surface* dest;
  const Surface* src;
  int64_t dx, dy, sx, sy;
  int cols, rows;
};

// FillRect rows: the colour as source, the weight also standing in for the
// source alpha.
struct Fill {
  const Surface* dest;
  int64_t x, y;
  int cols, rows;
  uint32_t colour;
};

template <class Op>
void BlitRows(const Span& s, int w) {
  for (int j = 0; j < s.rows; ++j) {
    uint32_t* d = s.dest->Row(s.dy + j) + s.dx;
    const uint32_t* p = s.src->Row(s.sy + j) + s.sx;
    for (int i = 0; i < s.cols; ++i) {
      uint32_t c = p[i];
      d[i] = Op::Apply(d[i], px::R(c), px::G(c), px::B(c), px::A(c), w);
    }
  }
}

template <class Op>
void FillRows(const Fill& f, int n) {
  int r = px::R(f.colour), g = px::G(f.colour), b = px::B(f.colour);
  for (int j = 0; j < f.rows; ++j) {
    uint32_t* d = f.dest->Row(f.y + j) + f.x;
    for (int i = 0; i < f.cols; ++i) d[i] = Op::Apply(d[i], r, g, b, n, n);
  }
}

// How much of itself a pixel keeps in the whole-word fills: FillRect in copy
// mode at weight 256 (none), 128 (a half), 64 (three quarters), 192 (a quarter).
enum class Keep { None, Half, ThreeQuarters, Quarter };

// The copy-mode loops.
struct CopyRowLoops {
  void (*copy)(const Span&, int w);                 // without source alpha, 0 < w < 256
  void (*copySourceAlpha)(const Span&, int w);      // with source alpha, w < 256
  void (*copySourceAlphaFull)(const Span&, int w);  // with source alpha, w = 256
  void (*average)(const Span&);                     // without source alpha at alpha 0.5: whole-word halves
  void (*fillCopy)(const Fill&, int n);             // 0 < n < 256
  void (*fillWords)(const Fill&, uint32_t share, Keep keep);  // share: the colour's part of each pixel
};

// One pixel at a time, on any processor (BlitRows.cpp).
extern const CopyRowLoops kOnePixelCopyLoops;
// The loops Blit and FillRect use: the four-pixel forms where the build
// targets SSE2 (BlitRows_sse2.cpp), else kOnePixelCopyLoops
// (BlitRows_portable.cpp); gfx/CMakeLists.txt builds one of the two.
const CopyRowLoops& CopyLoops();
