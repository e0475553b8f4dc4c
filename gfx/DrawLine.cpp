// Clipped lines, optionally anti-aliased.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdlib>

#include "gfx/Draw.h"
#include "gfx/PixelOps.h"
#include "gfx/Surface.h"

namespace {

// Clipping works on 64-bit coordinates so that no input can overflow.
int OutCode(int64_t x, int64_t y, int64_t width, int64_t height) {
  int code = 0;
  if (x < 0) code |= 1;
  if (x >= width) code |= 2;
  if (y < 0) code |= 4;
  if (y >= height) code |= 8;
  return code;
}

bool ClipLine64(int64_t* x1, int64_t* y1, int64_t* x2, int64_t* y2, int64_t width, int64_t height) {
  int c1 = OutCode(*x1, *y1, width, height);
  int c2 = OutCode(*x2, *y2, width, height);
  for (int moves = 0;; ++moves) {
    if ((c1 | c2) == 0) return true;
    if (c1 & c2) return false;
    if (moves == 33) return false;
    bool first = c1 != 0;
    int code = first ? c1 : c2;
    double ax = double(*x1), ay = double(*y1), bx = double(*x2), by = double(*y2);
    int64_t x, y;
    if (code & 8) {
      x = *x1 + int64_t(std::trunc((bx - ax) * (double(height) - ay) / (by - ay)));
      y = height - 1;
    } else if (code & 4) {
      x = *x1 - int64_t(std::trunc((bx - ax) * ay / (by - ay)));
      y = 0;
    } else if (code & 2) {
      x = width - 1;
      y = *y1 + int64_t(std::trunc((by - ay) * (double(width) - ax) / (bx - ax)));
    } else {
      x = 0;
      y = *y1 - int64_t(std::trunc((by - ay) * ax / (bx - ax)));
    }
    if (first) {
      *x1 = x;
      *y1 = y;
      c1 = OutCode(x, y, width, height);
    } else {
      *x2 = x;
      *y2 = y;
      c2 = OutCode(x, y, width, height);
    }
  }
}

struct Colour {
  uint32_t word;
  int r, g, b, a;
};

// Per-pixel forms of a line at weight w for operation Op: copy mode stores the
// colour at 256 and averages bytes at 128.
template <class Op>
struct Plot {
  static void Pixel(uint32_t* p, const Colour& c, int w) { *p = Op::Apply(*p, c.r, c.g, c.b, c.a, w); }
};
template <>
struct Plot<px::OpCopy> {
  static void Pixel(uint32_t* p, const Colour& c, int w) {
    if (w == 256) {
      *p = c.word;
    } else if (w == 128) {
      uint32_t d = *p;
      *p = px::Pack((px::B(d) + c.b) >> 1, (px::G(d) + c.g) >> 1, (px::R(d) + c.r) >> 1, (px::A(d) + c.a) >> 1);
    } else {
      *p = px::OpCopy::Apply(*p, c.r, c.g, c.b, c.a, w);
    }
  }
};

// The weighted forms of anti-aliasing: copy mode always uses the formula.
template <class Op>
void Weighted(uint32_t* p, const Colour& c, int w) {
  *p = Op::Apply(*p, c.r, c.g, c.b, c.a, w);
}

struct Line {
  Surface rows;  // in the order the line's y counts them
  int64_t x1, y1, x2, y2;
  Colour colour;
  int w;
  bool antiAlias;

  uint32_t* At(int64_t x, int64_t y) const { return rows.Row(y) + x; }
};

template <class Op>
void Straight(const Line& l) {
  // Horizontal or vertical: every pixel from the smaller to the larger end.
  bool horizontal = l.y1 == l.y2;
  int64_t x = std::min(l.x1, l.x2), y = std::min(l.y1, l.y2);
  int64_t n = horizontal ? std::llabs(l.x2 - l.x1) : std::llabs(l.y2 - l.y1);
  ptrdiff_t step = horizontal ? 1 : l.rows.stride;
  uint32_t* p = l.At(x, y);
  for (int64_t i = 0; i <= n; ++i, p += step) Plot<Op>::Pixel(p, l.colour, l.w);
}

template <class Word>
void StraightWords(const Line& l, Word word) {
  int64_t x = std::min(l.x1, l.x2), y = std::min(l.y1, l.y2);
  bool horizontal = l.y1 == l.y2;
  int64_t n = horizontal ? std::llabs(l.x2 - l.x1) : std::llabs(l.y2 - l.y1);
  ptrdiff_t step = horizontal ? 1 : l.rows.stride;
  uint32_t* p = l.At(x, y);
  for (int64_t i = 0; i <= n; ++i, p += step) *p = word(*p);
}

template <class Op>
void Diagonal(const Line& l) {
  int64_t n = std::llabs(l.x2 - l.x1);
  ptrdiff_t sx = l.x2 > l.x1 ? 1 : -1;
  ptrdiff_t sy = l.y2 > l.y1 ? l.rows.stride : -l.rows.stride;
  uint32_t* p = l.At(l.x1, l.y1);
  if (!l.antiAlias) {
    for (int64_t i = 0; i <= n; ++i, p += sx + sy) Plot<Op>::Pixel(p, l.colour, l.w);
    return;
  }
  // The line at three quarters, and the two pixels of the step between one
  // line pixel and the next at one quarter.
  int strong = (l.w * 3) / 4, weak = l.w / 4;
  for (int64_t i = 0; i < n; ++i, p += sx + sy) {
    Weighted<Op>(p, l.colour, strong);
    Weighted<Op>(p + sx, l.colour, weak);
    Weighted<Op>(p + sy, l.colour, weak);
  }
  Weighted<Op>(p, l.colour, strong);
}

void DiagonalOpaqueAntiAliased(const Line& l) {
  int64_t n = std::llabs(l.x2 - l.x1);
  ptrdiff_t sx = l.x2 > l.x1 ? 1 : -1;
  ptrdiff_t sy = l.y2 > l.y1 ? l.rows.stride : -l.rows.stride;
  uint32_t c = l.colour.word;
  uint32_t* p = l.At(l.x1, l.y1);
  for (int64_t i = 0; i < n; ++i, p += sx + sy) {
    *p = px::ThreeQuarters(c, *p);
    p[sx] = px::OneQuarter(c, p[sx]);
    p[sy] = px::OneQuarter(c, p[sy]);
  }
  *p = px::ThreeQuarters(c, *p);
}

// Any other slope: walked from both ends toward the middle.
struct Walkers {
  int64_t major;           // |major delta|, > 0
  int64_t slope;           // |minor delta| / major in 16.16
  ptrdiff_t majorStep;     // one step along the major axis, in pixels
  ptrdiff_t minorStep;     // one step along the minor axis toward the end
  uint32_t* start;
  uint32_t* end;
};

Walkers MakeWalkers(const Line& l) {
  int64_t x1 = l.x1, y1 = l.y1, x2 = l.x2, y2 = l.y2;
  bool xMajor = std::llabs(x2 - x1) > std::llabs(y2 - y1);
  if (xMajor ? x2 < x1 : y2 < y1) {
    std::swap(x1, x2);
    std::swap(y1, y2);
  }
  Walkers wk;
  int64_t minorDelta = xMajor ? y2 - y1 : x2 - x1;
  wk.major = xMajor ? x2 - x1 : y2 - y1;
  wk.slope = int64_t(double(std::llabs(minorDelta)) / double(wk.major) * 65536.0);
  ptrdiff_t row = l.rows.stride;
  wk.majorStep = xMajor ? 1 : row;
  wk.minorStep = xMajor ? (minorDelta < 0 ? -row : row) : (minorDelta < 0 ? -1 : 1);
  wk.start = l.At(x1, y1);
  wk.end = l.At(x2, y2);
  return wk;
}

template <class Op>
void Sloped(const Line& l) {
  Walkers wk = MakeWalkers(l);
  uint32_t* a = wk.start;
  uint32_t* b = wk.end;
  int64_t half = (wk.major + 1) / 2;
  int64_t acc = 0;
  for (int64_t i = 0; i < half; ++i) {
    Plot<Op>::Pixel(a, l.colour, l.w);
    Plot<Op>::Pixel(b, l.colour, l.w);
    if (acc + wk.slope < 32768) {
      acc += wk.slope;
    } else {
      acc += wk.slope - 65536;
      a += wk.minorStep;
      b -= wk.minorStep;
    }
    a += wk.majorStep;
    b -= wk.majorStep;
  }
  if ((wk.major & 1) == 0) Plot<Op>::Pixel(a, l.colour, l.w);
}

template <class Op>
void SlopedAntiAliased(const Line& l) {
  Walkers wk = MakeWalkers(l);
  // A walker has taken at most half of the minor steps when it reaches the
  // middle, and none on a line of one minor step, so its minor neighbour
  // stays within the line's bounding box.
  auto put = [&](uint32_t* p, int weight) { Weighted<Op>(p, l.colour, weight); };
  auto scaled = [&](int weight) { return l.w == 256 ? weight : (weight * l.w) >> 8; };

  uint32_t* a = wk.start;
  uint32_t* b = wk.end;
  put(a, l.w);
  put(b, l.w);
  int64_t half = (wk.major + 1) / 2;
  int64_t r = wk.slope;
  for (int64_t i = 1; i < half; ++i) {
    a += wk.majorStep;
    b -= wk.majorStep;
    int t = int(r >> 8);
    put(a, scaled(255 - t));
    put(a + wk.minorStep, scaled(t));
    put(b, scaled(255 - t));
    put(b - wk.minorStep, scaled(t));
    if (r + wk.slope >= 65536) {
      a += wk.minorStep;
      b -= wk.minorStep;
      r += wk.slope - 65536;
    } else {
      r += wk.slope;
    }
  }
  if ((wk.major & 1) == 0) {
    a += wk.majorStep;
    int t = int(r >> 8);
    put(a, scaled(255 - t));
    put(a + wk.minorStep, scaled(t));
  }
}

template <class Op>
void DrawWith(const Line& l) {
  int64_t adx = std::llabs(l.x2 - l.x1), ady = std::llabs(l.y2 - l.y1);
  if (l.y1 == l.y2 || l.x1 == l.x2)
    Straight<Op>(l);
  else if (adx == ady)
    Diagonal<Op>(l);
  else if (l.antiAlias)
    SlopedAntiAliased<Op>(l);
  else
    Sloped<Op>(l);
}

using DrawFn = void (*)(const Line&);
const DrawFn kDraw[6] = {DrawWith<px::OpCopy>,     DrawWith<px::OpAdd>,       DrawWith<px::OpDodge>,
                         DrawWith<px::OpMultiply>, DrawWith<px::OpSoftLight>, DrawWith<px::OpHsvShift>};

}  // namespace

bool ClipLine(int* x1, int* y1, int* x2, int* y2, int width, int height) {
  int64_t a = *x1, b = *y1, c = *x2, d = *y2;
  if (!ClipLine64(&a, &b, &c, &d, width, height)) return false;
  *x1 = int(a);
  *y1 = int(b);
  *x2 = int(c);
  *y2 = int(d);
  return true;
}

void DrawLine(BitmapBase* dest, int x1, int y1, int x2, int y2, uint32_t colour, float alpha, int mode,
              bool antiAlias) {
  Surface rows;
  if (!GetSurface(dest, &rows)) return;
  int op = mode & ModeOpMask;
  if (op > ModeHsvShift) return;

  Line l;
  l.x1 = x1;
  l.y1 = y1;
  l.x2 = x2;
  l.y2 = y2;
  // A line is clipped and walked in the order the rows are stored: on a
  // bottom-up bitmap its y counts from the bottom.
  if (rows.BottomUp()) {
    l.y1 = rows.height - 1 - l.y1;
    l.y2 = rows.height - 1 - l.y2;
    rows = rows.Flipped();
  }
  if (!ClipLine64(&l.x1, &l.y1, &l.x2, &l.y2, rows.width, rows.height)) return;
  l.rows = rows;
  l.colour = Colour{colour, px::R(colour), px::G(colour), px::B(colour), px::A(colour)};
  l.antiAlias = antiAlias;
  l.w = TruncWeight(alpha);

  bool straight = l.y1 == l.y2 || l.x1 == l.x2;
  if (op == ModeCopy && straight) {
    if (alpha == 1.0f) return StraightWords(l, [colour](uint32_t) { return colour; });
    if (alpha == 0.5f) {
      uint32_t c = px::Half(colour);
      return StraightWords(l, [c](uint32_t p) { return c + px::Half(p); });
    }
    if (alpha == 0.25f) return StraightWords(l, [colour](uint32_t p) { return px::OneQuarter(colour, p); });
    if (alpha == 0.75f) return StraightWords(l, [colour](uint32_t p) { return px::ThreeQuarters(colour, p); });
  }
  bool diagonal = !straight && std::llabs(l.x2 - l.x1) == std::llabs(l.y2 - l.y1);
  if (op == ModeCopy && diagonal && alpha == 1.0f && antiAlias) return DiagonalOpaqueAntiAliased(l);
  if (l.w == 0) return;
  kDraw[op](l);
}
