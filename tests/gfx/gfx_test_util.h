#pragma once
#include <cstdint>
#include <vector>

#include "gfx/Bitmap.h"

// Pixels of test bitmaps by coordinates, and whole-bitmap snapshots.
inline uint32_t& At(BitmapBase& b, int x, int y) { return b.Pixels()[y * b.RowPixels() + x]; }

inline void FillAll(BitmapBase& b, uint32_t value) {
  for (int y = 0; y < b.Height(); ++y)
    for (int x = 0; x < b.RowPixels(); ++x) b.Pixels()[y * b.RowPixels() + x] = value;
}

// Every stored pixel, row padding included.
inline std::vector<uint32_t> Snapshot(BitmapBase& b) {
  return std::vector<uint32_t>(b.Pixels(), b.Pixels() + size_t(b.RowPixels()) * size_t(b.Height()));
}

// A repeatable pattern with every byte in use.
inline void FillPattern(BitmapBase& b, uint32_t seed) {
  uint32_t v = seed * 2654435761u + 12345u;
  for (int y = 0; y < b.Height(); ++y)
    for (int x = 0; x < b.RowPixels(); ++x) {
      v = v * 1664525u + 1013904223u;
      b.Pixels()[y * b.RowPixels() + x] = v;
    }
}
