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

bool SysBitmap::CanHoldPixels() const { return mDc != nullptr; }

bool SysBitmap::AllocatePixels(int64_t allocWidth, int height) {
  if (allocWidth * height > INT_MAX / 4) return false;
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = int(allocWidth);
  info.bmiHeader.biHeight = -height;  // top-down
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP dib = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!dib || !bits) {
    if (dib) DeleteObject(dib);
    return false;
  }
  mDib = dib;
  mBits = static_cast<uint32_t*>(bits);
  mPrevObject = SelectObject(static_cast<HDC>(mDc), dib);
  return true;
}
