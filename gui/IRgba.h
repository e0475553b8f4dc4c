#pragma once
#include <cstdint>

// A colour: alpha, red, green and blue, each 0..255.
struct IRgba {
  int A = 0;
  int R = 0;
  int G = 0;
  int B = 0;

  IRgba() = default;
  IRgba(int a, int r, int g, int b) : A(a), R(r), G(g), B(b) {}

  // The 0xAARRGGBB word of the bitmap layer (the low byte of each field).
  uint32_t Packed() const {
    return uint32_t(A & 0xFF) << 24 | uint32_t(R & 0xFF) << 16 | uint32_t(G & 0xFF) << 8 | uint32_t(B & 0xFF);
  }
};
