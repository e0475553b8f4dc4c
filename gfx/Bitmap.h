#pragma once
#include <cstdint>

// 32-bit bitmaps. A pixel is 4 bytes: blue, green, red, alpha (the
// little-endian word 0xAARRGGBB), straight alpha. Rows are RowPixels() apart.

// The platform's drawing context of a bitmap, for system text calls: on
// Windows a device context (HDC), which the Windows code casts back.
using DrawContextHandle = void*;

// The mode word of every drawing operation.
typedef int PixelMode;
enum : int {
  ModeCopy = 0,
  ModeAdd = 1,
  ModeDodge = 2,
  ModeMultiply = 3,
  ModeSoftLight = 4,
  ModeHsvShift = 5,
  ModeChannelCopy = 240,  // 240-255: byte (mode & 3) of the source into byte ((mode >> 2) & 3)
  ModeOpMask = 0xff,
  FilterBilinear = 0x100,  // BlitTransformed only
  FilterMask = 0xff00,
  UseSourceAlpha = 0x10000,
};

class BitmapBase {
public:
  virtual ~BitmapBase() = default;
  // Pixel (0, 0), or null when there are no pixels.
  virtual uint32_t* Pixels() = 0;
  virtual int Width() const = 0;
  virtual int Height() const = 0;
  virtual int RowPixels() const = 0;
  virtual bool IsBottomUp() const { return false; }
  // True when the size changed.
  virtual bool SetSize(int width, int height) = 0;
  virtual DrawContextHandle DrawContext() { return nullptr; }
  virtual int QueryExtension(int id, void* data) {
    (void)id;
    (void)data;
    return 0;
  }

protected:
  BitmapBase() = default;
  BitmapBase(const BitmapBase&) = delete;
  BitmapBase& operator=(const BitmapBase&) = delete;
};

// A bitmap in plain memory. Rows start on 64-byte boundaries when the row
// alignment allows it; the buffer grows by a quarter more than needed and
// never shrinks while it holds pixels. New pixels are not cleared.
class PixelBitmap : public BitmapBase {
public:
  // rowAlignment < 2: none; otherwise the largest power of two dividing it,
  // at most 16 pixels.
  PixelBitmap(int width = 0, int height = 0, int rowAlignment = 4);
  ~PixelBitmap() override;

  uint32_t* Pixels() override;
  int Width() const override { return mWidth; }
  int Height() const override { return mHeight; }
  int RowPixels() const override;
  bool SetSize(int width, int height) override;

  // Bytes usable from the aligned start of the buffer.
  int Capacity() const { return mCapacity; }

private:
  void* mBuffer = nullptr;
  int mWidth = 0;
  int mHeight = 0;
  int mCapacity = 0;
  int mAlignMask = 0;
};

// The editor's drawing surface. On Windows a top-down 32-bit DIB section
// selected into a memory device context; elsewhere the same memory layout
// (rows a multiple of 4 pixels, top-down) without a device context. It keeps
// its pixel memory when asked to shrink.
class SysBitmap : public BitmapBase {
public:
  SysBitmap(int width, int height);
  ~SysBitmap() override;

  uint32_t* Pixels() override { return mBits; }
  int Width() const override { return mWidth; }
  int Height() const override { return mHeight; }
  int RowPixels() const override { return mAllocWidth; }
  bool SetSize(int width, int height) override;
  DrawContextHandle DrawContext() override { return mDc; }

private:
  void Release();
  // Platform parts: whether pixels can exist at all (a device context was
  // made), and getting the memory for allocWidth x height pixels into
  // mDib/mBits (false, with nothing held, when there is none).
  bool CanHoldPixels() const;
  bool AllocatePixels(int64_t allocWidth, int height);

  int mWidth = 0;
  int mHeight = 0;
  void* mDc = nullptr;
  uint32_t* mBits = nullptr;
  int mAllocWidth = 0;
  int mAllocHeight = 0;
  void* mDib = nullptr;  // the DIB section, or the pixel memory without one
  void* mPrevObject = nullptr;
};
