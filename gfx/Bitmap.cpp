#include "gfx/Bitmap.h"

#include <climits>
#include <cstdint>
#include <cstdlib>

namespace {

// The largest byte count a bitmap buffer may hold: the capacity is an int and
// the buffer carries 63 bytes for aligning its start.
constexpr int64_t kMaxBufferBytes = INT_MAX - 63;

int64_t RoundedRow(int64_t width, int alignMask) { return (width + alignMask) & ~int64_t(alignMask); }

}  // namespace

PixelBitmap::PixelBitmap(int width, int height, int rowAlignment) {
  if (rowAlignment >= 2) {
    int align = rowAlignment & -rowAlignment;  // largest power of two dividing it
    if (align > 16) align = 16;
    mAlignMask = align - 1;
  }
  if (width > 0 && height > 0) SetSize(width, height);
}

PixelBitmap::~PixelBitmap() { std::free(mBuffer); }

uint32_t* PixelBitmap::Pixels() {
  if (!mBuffer) return nullptr;
  uintptr_t p = (reinterpret_cast<uintptr_t>(mBuffer) + 63) & ~uintptr_t(63);
  return reinterpret_cast<uint32_t*>(p);
}

int PixelBitmap::RowPixels() const {
  if (mWidth <= 0) return 0;
  return static_cast<int>(RoundedRow(mWidth, mAlignMask));
}

bool PixelBitmap::SetSize(int width, int height) {
  if (width == mWidth && height == mHeight) return false;
  mWidth = width;
  mHeight = height;
  // Sizes whose byte count does not fit the buffer fail like an allocation.
  int64_t needed = 0;
  bool tooLarge = false;
  if (width > 0 && height > 0) {
    int64_t pixels = int64_t(height) * RoundedRow(width, mAlignMask);  // below 2^63
    tooLarge = pixels > kMaxBufferBytes / 4;
    needed = tooLarge ? 0 : pixels * 4;
  }
  if (needed > 0 && !tooLarge) {
    if (!mBuffer) {
      mBuffer = std::malloc(size_t(needed) + 63);
      mCapacity = mBuffer ? int(needed) : 0;
    } else if (mCapacity < needed) {
      int64_t grown = (needed / 4) * 5;
      if (grown > kMaxBufferBytes) grown = needed;
      void* bigger = std::realloc(mBuffer, size_t(grown) + 63);
      if (bigger) {
        mBuffer = bigger;
        mCapacity = int(grown);
      } else {
        std::free(mBuffer);
        mBuffer = std::malloc(size_t(needed) + 63);
        mCapacity = mBuffer ? int(needed) : 0;
      }
    }
  } else {
    std::free(mBuffer);
    mBuffer = nullptr;
    mCapacity = 0;
  }
  if (!mBuffer) {
    mWidth = 0;
    mHeight = 0;
  }
  return true;
}

// Size bookkeeping shared by every platform; only getting the pixel memory
// (AllocatePixels) differs.
bool SysBitmap::SetSize(int width, int height) {
  if (!CanHoldPixels()) {
    mWidth = mHeight = 0;
    mBits = nullptr;
    return false;
  }
  if (width == mWidth && height == mHeight) return false;
  mWidth = width;
  mHeight = height;
  if (width != 0 && height != 0 && mAllocWidth >= width && mAllocHeight >= height && mBits) return true;

  const int64_t allocWidth = RoundedRow(width, 3);
  Release();
  if (allocWidth < 1 || height < 1 || !AllocatePixels(allocWidth, height)) {
    // No pixels (or no memory for them): an empty bitmap rather than one with a size.
    mAllocWidth = mAllocHeight = 0;
    mWidth = mHeight = 0;
    return !(allocWidth < 1 || height < 1);
  }
  mAllocWidth = int(allocWidth);
  mAllocHeight = height;
  return true;
}
