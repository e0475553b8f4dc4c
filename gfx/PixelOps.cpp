#include "gfx/PixelOps.h"

#include <cmath>

namespace {

struct Reciprocals {
  uint16_t v[256];
  constexpr Reciprocals() : v() {
    for (int i = 1; i < 256; ++i) v[i] = uint16_t(65536 / i - 1);
  }
};
constexpr Reciprocals kReciprocals;

}  // namespace

const uint16_t ReciprocalTable[256] = {
#define R4(i) kReciprocals.v[i], kReciprocals.v[i + 1], kReciprocals.v[i + 2], kReciprocals.v[i + 3]
#define R16(i) R4(i), R4(i + 4), R4(i + 8), R4(i + 12)
#define R64(i) R16(i), R16(i + 16), R16(i + 32), R16(i + 48)
    R64(0), R64(64), R64(128), R64(192)
#undef R64
#undef R16
#undef R4
};

namespace px {

uint32_t HsvShift(uint32_t d, int sr, int sg, int sb, int sa, int w) {
  int r = R(d), g = G(d), b = B(d);
  int max, min, base, num;
  if (r >= g && r > b) {
    max = r;
    min = g < b ? g : b;
    base = g >= b ? 0 : 383;
    num = g - b;
  } else if (g > r && g > b) {
    max = g;
    min = r < b ? r : b;
    base = 128;
    num = b - r;
  } else {
    max = b;
    min = g < r ? g : r;
    base = 256;
    num = r - g;
  }
  int delta = max - min;
  int sat = (ReciprocalTable[max] * delta) >> 8;
  int hue = base + ((ReciprocalTable[delta] + 1) * num) / 1024 + ((sr + sr / 2 - 192) * w) / 256;
  if (hue < 0)
    hue += 384;
  else if (hue >= 384)
    hue -= 384;
  // One wrap covers every weight up to 256; keep any other in range too.
  if (hue < 0 || hue >= 384) hue = ((hue % 384) + 384) % 384;
  int s = Clamp255(sat + ((sg - 128) * w) / 128);
  int v = Clamp255(max + ((sb - 128) * w) / 128);

  int p = ((256 - s) * v) / 256;
  auto x = [&](int k) { return ((16384 - k * s) * v) / 16384; };
  int nr, ng, nb;
  if (hue < 64) {
    nr = v, ng = x(64 - hue), nb = p;
  } else if (hue < 128) {
    nr = x(hue - 64), ng = v, nb = p;
  } else if (hue < 192) {
    nr = p, ng = v, nb = x(192 - hue);
  } else if (hue < 256) {
    nr = p, ng = x(hue - 192), nb = v;
  } else if (hue < 320) {
    nr = x(320 - hue), ng = p, nb = v;
  } else {
    nr = v, ng = p, nb = x(hue - 320);
  }
  return Pack(nb & 255, ng & 255, nr & 255, sa & 255);
}

}  // namespace px

PixelOpFn PixelOpFor(int mode) {
  bool sourceAlpha = (mode & UseSourceAlpha) != 0;
  switch (mode & 0xff) {
    case 0: return sourceAlpha ? px::OpCopySourceAlpha::Apply : px::OpCopy::Apply;
    case 1: return sourceAlpha ? px::OpAddSourceAlpha::Apply : px::OpAdd::Apply;
    case 2: return sourceAlpha ? px::OpDodgeSourceAlpha::Apply : px::OpDodge::Apply;
    case 3: return sourceAlpha ? px::OpMultiplySourceAlpha::Apply : px::OpMultiply::Apply;
    case 4: return sourceAlpha ? px::OpSoftLightSourceAlpha::Apply : px::OpSoftLight::Apply;
    case 5: return sourceAlpha ? px::OpHsvShiftSourceAlpha::Apply : px::OpHsvShift::Apply;
    default: return nullptr;
  }
}

int TruncWeight(float alpha) {
  if (!(alpha > 0.0f)) return 0;
  if (alpha >= 1.0f) return 256;
  return int(alpha * 256.0f);
}

int RoundWeight(float alpha) {
  if (!(alpha > 0.0f)) return 0;
  if (alpha >= 1.0f) return 256;
  return int(std::lround(alpha * 256.0f));
}
