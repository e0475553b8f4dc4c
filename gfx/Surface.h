#pragma once
#include <cstddef>
#include <cstdint>

#include "gfx/Bitmap.h"

// Row access that honours IsBottomUp(): row y of the picture, top first.
struct Surface {
  uint32_t* row0 = nullptr;
  ptrdiff_t stride = 0;
  int width = 0;
  int height = 0;

  uint32_t* Row(int64_t y) const { return row0 + ptrdiff_t(y) * stride; }
};

// False for a null bitmap or one without pixels.
inline bool GetSurface(BitmapBase* bitmap, Surface* s) {
  if (!bitmap) return false;
  uint32_t* pixels = bitmap->Pixels();
  int w = bitmap->Width(), h = bitmap->Height(), rowPixels = bitmap->RowPixels();
  if (!pixels || w <= 0 || h <= 0 || rowPixels < w) return false;
  s->width = w;
  s->height = h;
  if (bitmap->IsBottomUp()) {
    s->row0 = pixels + ptrdiff_t(h - 1) * rowPixels;
    s->stride = -ptrdiff_t(rowPixels);
  } else {
    s->row0 = pixels;
    s->stride = rowPixels;
  }
  return true;
}
