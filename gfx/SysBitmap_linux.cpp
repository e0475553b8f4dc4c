// The drawing surface without a windowing system's bitmap object: the same
// memory layout as the Windows DIB section (top-down, rows a multiple of 4
// pixels), ready to be shown by the window, and no device context.
#include <climits>
#include <cstdint>
#include <cstdlib>

#include "gfx/Bitmap.h"

SysBitmap::SysBitmap(int width, int height) { SetSize(width, height); }

SysBitmap::~SysBitmap() { Release(); }

void SysBitmap::Release() {
  std::free(mDib);
  mDib = nullptr;
  mBits = nullptr;
}

bool SysBitmap::CanHoldPixels() const { return true; }

bool SysBitmap::AllocatePixels(int64_t allocWidth, int height) {
  if (allocWidth * height > (INT_MAX - 63) / 4) return false;
  mDib = std::malloc(size_t(allocWidth * height * 4) + 63);
  if (!mDib) return false;
  mBits = reinterpret_cast<uint32_t*>((reinterpret_cast<uintptr_t>(mDib) + 63) & ~uintptr_t(63));
  return true;
}
