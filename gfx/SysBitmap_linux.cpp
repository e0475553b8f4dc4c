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

bool SysBitmap::SetSize(int width, int height) {
  if (width == mWidth && height == mHeight) return false;
  mWidth = width;
  mHeight = height;
  if (width != 0 && height != 0 && mAllocWidth >= width && mAllocHeight >= height && mBits) return true;

  int64_t allocWidth = (int64_t(width) + 3) & ~int64_t(3);
  Release();
  if (allocWidth < 1 || height < 1) {
    mAllocWidth = mAllocHeight = 0;
    mWidth = mHeight = 0;
    return false;
  }
  if (allocWidth * height <= (INT_MAX - 63) / 4) mDib = std::malloc(size_t(allocWidth * height * 4) + 63);
  if (!mDib) {
    mAllocWidth = mAllocHeight = 0;
    mWidth = mHeight = 0;
    return true;
  }
  mAllocWidth = int(allocWidth);
  mAllocHeight = height;
  mBits = reinterpret_cast<uint32_t*>((reinterpret_cast<uintptr_t>(mDib) + 63) & ~uintptr_t(63));
  return true;
}
