#pragma once
#include <cstddef>
#include <cstdint>

#include "gfx/Bitmap.h"

// Row access that honours IsBottomUp(): row y of the picture, top first.
// Every routine that walks a bitmap's rows goes through this.
struct Surface {
  uint32_t* row0 = nullptr;  // the picture's top row
  ptrdiff_t stride = 0;      // pixels from one row of the picture to the next
  int width = 0;
  int height = 0;

  uint32_t* Row(int64_t y) const { return row0 + ptrdiff_t(y) * stride; }
  bool BottomUp() const { return stride < 0; }
  // The same pixels with the rows taken in the opposite order.
  Surface Flipped() const { return Surface{Row(height - 1), -stride, width, height}; }
};

// False for a null bitmap or one without pixels.
inline bool GetSurface(BitmapBase* bitmap, Surface* s) {
  if (!bitmap) return false;
  uint32_t* pixels = bitmap->Pixels();
  int w = bitmap->Width(), h = bitmap->Height(), rowPixels = bitmap->RowPixels();
  if (!pixels || w <= 0 || h <= 0 || rowPixels < w) return false;
  *s = Surface{pixels, rowPixels, w, h};
  if (bitmap->IsBottomUp()) *s = s->Flipped();  // the top row is stored last
  return true;
}
