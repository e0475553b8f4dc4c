#pragma once
#include <cstdint>

#include "gfx/Bitmap.h"

// The per-pixel operations behind every drawing call. Each takes the
// destination pixel word, the source components (red, green, blue, alpha) and
// the weight w (1..256) and returns the new pixel. The drawing calls choose
// one of them once per call and instantiate their row loops with it.
//
// All arithmetic is integer; "/" truncates toward zero, as C++ division does.

// Entry 0 is 0, entry i is 65536 / i - 1.
extern const uint16_t ReciprocalTable[256];

namespace px {

inline int Clamp255(int v) { return v < 0 ? 0 : (v > 255 ? 255 : v); }

inline uint32_t Pack(int b, int g, int r, int a) {
  return uint32_t(b) | uint32_t(g) << 8 | uint32_t(r) << 16 | uint32_t(a) << 24;
}
inline int B(uint32_t p) { return int(p & 255); }
inline int G(uint32_t p) { return int((p >> 8) & 255); }
inline int R(uint32_t p) { return int((p >> 16) & 255); }
inline int A(uint32_t p) { return int(p >> 24); }

// Whole-word halving, quartering and eighthing without carries between bytes.
inline uint32_t Half(uint32_t p) { return (p >> 1) & 0x7f7f7f7fu; }
inline uint32_t Quarter(uint32_t p) { return (p >> 2) & 0x3f3f3f3fu; }
inline uint32_t Eighth(uint32_t p) { return (p >> 3) & 0x1f1f1f1fu; }
// Three quarters of c over one quarter of p, and the other way round.
inline uint32_t ThreeQuarters(uint32_t c, uint32_t p) { return Half(c) + Quarter(c) + Quarter(p); }
inline uint32_t OneQuarter(uint32_t c, uint32_t p) { return Half(p) + Quarter(c) + Quarter(p); }

// One byte of each operation: d destination, s source component, w weight.
inline int CopyByte(int d, int s, int w) { return s + ((d - s) * (256 - w)) / 256; }
inline int AddByte(int d, int s, int w) { return Clamp255(d + (s * w) / 256); }
inline int DodgeByte(int d, int s, int w) {
  int t = (s * w) / 256;
  int den = 256 - t;
  return Clamp255(den > 1 ? (d * 256) / den : d * 256);
}
inline int MultiplyByte(int d, int s, int w) { return ((s * w + (256 - w) * 256) * d) >> 16; }
inline int SoftLightByte(int d, int s, int w) {
  int sl = s * w + (256 - w) * 128;
  return Clamp255((d * (sl + ((32768 - sl) * d) / 256)) >> 15);
}

template <int (*F)(int, int, int)>
inline uint32_t PerByte(uint32_t d, int r, int g, int b, int a, int w) {
  return Pack(F(B(d), b, w), F(G(d), g, w), F(R(d), r, w), F(A(d), a, w));
}

// Shifts the destination's hue, saturation and value by the source colour
// (128 is no shift); the alpha byte becomes a.
uint32_t HsvShift(uint32_t d, int r, int g, int b, int a, int w);

// The operations without source alpha.
struct OpCopy {
  static uint32_t Apply(uint32_t d, int r, int g, int b, int a, int w) { return PerByte<CopyByte>(d, r, g, b, a, w); }
};
struct OpAdd {
  static uint32_t Apply(uint32_t d, int r, int g, int b, int a, int w) { return PerByte<AddByte>(d, r, g, b, a, w); }
};
struct OpDodge {
  static uint32_t Apply(uint32_t d, int r, int g, int b, int a, int w) { return PerByte<DodgeByte>(d, r, g, b, a, w); }
};
struct OpMultiply {
  static uint32_t Apply(uint32_t d, int r, int g, int b, int a, int w) {
    return PerByte<MultiplyByte>(d, r, g, b, a, w);
  }
};
struct OpSoftLight {
  static uint32_t Apply(uint32_t d, int r, int g, int b, int a, int w) {
    return PerByte<SoftLightByte>(d, r, g, b, a, w);
  }
};
struct OpHsvShift {
  static uint32_t Apply(uint32_t d, int r, int g, int b, int a, int w) { return HsvShift(d, r, g, b, a, w); }
};

// The operations weighted by the source alpha a.
inline int AlphaWeight(int w, int a) { return (w * (a + 1)) / 256; }

// Copy at full weight: a = 0 leaves the pixel, a = 255 stores the colour
// opaque, otherwise the colour moves toward the source by a / 256 and the
// alpha byte gains a.
struct OpCopySourceAlphaFull {
  static uint32_t Apply(uint32_t d, int r, int g, int b, int a, int) {
    if (a == 0) return d;
    if (a == 255) return Pack(b, g, r, 255);
    int k = 255 - a;
    int da = A(d) + a;
    return Pack(b + ((B(d) - b) * k) / 256, g + ((G(d) - g) * k) / 256, r + ((R(d) - r) * k) / 256,
                da > 255 ? 255 : da);
  }
};
struct OpCopySourceAlpha {
  static uint32_t Apply(uint32_t d, int r, int g, int b, int a, int w) {
    if (a == 0) return d;
    int f = AlphaWeight(w, a);
    int da = A(d) + f;
    return Pack(CopyByte(B(d), b, f), CopyByte(G(d), g, f), CopyByte(R(d), r, f), da > 255 ? 255 : da);
  }
};
struct OpAddSourceAlpha {
  static uint32_t Apply(uint32_t d, int r, int g, int b, int a, int w) {
    return a == 0 ? d : OpAdd::Apply(d, r, g, b, a, AlphaWeight(w, a));
  }
};
struct OpDodgeSourceAlpha {
  static uint32_t Apply(uint32_t d, int r, int g, int b, int a, int w) {
    return OpDodge::Apply(d, r, g, b, a, AlphaWeight(w, a));
  }
};
struct OpMultiplySourceAlpha {
  static uint32_t Apply(uint32_t d, int r, int g, int b, int a, int w) {
    return a == 0 ? d : OpMultiply::Apply(d, r, g, b, a, AlphaWeight(w, a));
  }
};
struct OpSoftLightSourceAlpha {
  static uint32_t Apply(uint32_t d, int r, int g, int b, int a, int w) {
    return OpSoftLight::Apply(d, r, g, b, a, ((a + 1) * w) / 256);
  }
};
struct OpHsvShiftSourceAlpha {
  static uint32_t Apply(uint32_t d, int r, int g, int b, int a, int w) {
    return HsvShift(d, r, g, b, a, AlphaWeight(w, a));
  }
};

}  // namespace px

// A per-pixel operation as a function, for callers that keep their own row
// loops (glyph drawing): the operation of mode & 0xff, weighted by the source
// alpha when mode has UseSourceAlpha (the copy is then the form for weights
// below 256). Null for modes that draw nothing.
using PixelOpFn = uint32_t (*)(uint32_t d, int r, int g, int b, int a, int w);
PixelOpFn PixelOpFor(int mode);

// Weights from a float alpha: Blit, FillRect and lines truncate alpha * 256,
// BlitTransformed rounds it (halves away from zero). Not-a-number and
// negative alphas give 0, alphas above 1 give 256.
int TruncWeight(float alpha);
int RoundWeight(float alpha);
