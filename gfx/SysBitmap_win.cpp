// The drawing surface as a top-down 32-bit DIB section selected into a memory
// device context, so that the window can copy it to the screen and the
// system's text calls can draw into it.
#include <windows.h>

#include <climits>
#include <cstdint>

#include "gfx/Bitmap.h"

SysBitmap::SysBitmap(int width, int height) {
  mDc = CreateCompatibleDC(nullptr);
  SetSize(width, height);
}

SysBitmap::~SysBitmap() {
  Release();
  if (mDc) DeleteDC(static_cast<HDC>(mDc));
}

void SysBitmap::Release() {
  if (mDib) {
    if (mDc && mPrevObject) SelectObject(static_cast<HDC>(mDc), static_cast<HGDIOBJ>(mPrevObject));
    DeleteObject(static_cast<HGDIOBJ>(mDib));
  }
  mDib = nullptr;
  mPrevObject = nullptr;
  mBits = nullptr;
}

bool SysBitmap::SetSize(int width, int height) {
  if (!mDc) {
    mWidth = mHeight = 0;
    mBits = nullptr;
    return false;
  }
  if (width == mWidth && height == mHeight) return false;
  mWidth = width;
  mHeight = height;
  if (width != 0 && height != 0 && mAllocWidth >= width && mAllocHeight >= height && mBits) return true;

  int64_t allocWidth = (int64_t(width) + 3) & ~int64_t(3);
  Release();
  if (allocWidth < 1 || height < 1) {
    // No pixels: show as an empty bitmap rather than one with a size.
    mAllocWidth = mAllocHeight = 0;
    mWidth = mHeight = 0;
    return false;
  }
  void* bits = nullptr;
  HBITMAP dib = nullptr;
  if (allocWidth * height <= INT_MAX / 4) {
    mAllocWidth = int(allocWidth);
    mAllocHeight = height;
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = mAllocWidth;
    info.bmiHeader.biHeight = -height;  // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    dib = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  }
  if (!dib || !bits) {
    if (dib) DeleteObject(dib);
    mAllocWidth = mAllocHeight = 0;
    mWidth = mHeight = 0;
    return true;
  }
  mDib = dib;
  mBits = static_cast<uint32_t*>(bits);
  mPrevObject = SelectObject(static_cast<HDC>(mDc), dib);
  return true;
}
