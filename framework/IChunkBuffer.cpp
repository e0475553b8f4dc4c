#include "framework/IChunkBuffer.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>

namespace {

const IChunkBuffer::Allocator kSystemAllocator = {
    [](void* block, size_t bytes) { return realloc(block, bytes); },
    [](size_t bytes) { return malloc(bytes); },
};
const IChunkBuffer::Allocator* gAllocator = &kSystemAllocator;

}  // namespace

void IChunkBuffer::SetAllocator(const Allocator* allocator) {
  gAllocator = allocator ? allocator : &kSystemAllocator;
}

IChunkBuffer::~IChunkBuffer() { free(mData); }

unsigned char* IChunkBuffer::Resize(int requested, bool allowShrink) {
  const int n = std::max(0, requested);
  if (n == mLength && !(allowShrink && n < mAllocated / 2)) return Data();

  int shrinkLimit = 0;
  if (allowShrink && n < mLength) {
    int d = std::min(mAllocated / 2, mAllocated - 4 * mGranularity);
    shrinkLimit = d > 0 ? d : 1;
  }

  if (mAllocated < n || n < shrinkLimit) {
    int64_t blockSize = 0;
    if (requested > 0) {
      int64_t c = std::max<int64_t>(n / 2, mGranularity);
      if (mGranularity > 4095) {
        c &= ~int64_t(4095);
        c = std::min<int64_t>(std::max<int64_t>(c, 4096), 4194304);
        blockSize = ((n + c + 96) & ~int64_t(4095)) - 96;
      } else {
        blockSize = c + n;
      }
    }
    if (blockSize == 0) {
      free(mData);
      mData = nullptr;
      mAllocated = 0;
      mLength = 0;
      return nullptr;
    }
    // A block the 32-bit size field cannot describe is treated as out of memory.
    if (blockSize > INT_MAX) return Data();
    const size_t keep = static_cast<size_t>(std::min(mLength, n));
    unsigned char* block = static_cast<unsigned char*>(gAllocator->reallocate(mData, static_cast<size_t>(blockSize)));
    if (!block) {
      block = static_cast<unsigned char*>(gAllocator->allocate(static_cast<size_t>(blockSize)));
      if (!block) return Data();
      if (keep) memcpy(block, mData, keep);
      free(mData);
    }
    mData = block;
    mAllocated = static_cast<int>(blockSize);
  }
  mLength = n;
  return Data();
}

int IChunkBuffer::ResizeZeroed(int length) {
  const int previous = mLength;
  Resize(length, true);
  if (mLength > previous) memset(mData + previous, 0, static_cast<size_t>(mLength - previous));
  return previous;
}

int IChunkBuffer::PutBytes(const void* bytes, int n) {
  if (n <= 0) return mLength;
  if (n > INT_MAX - mLength) return mLength;
  const int at = mLength;
  Resize(at + n, true);
  if (mLength != at + n) return mLength;
  if (bytes) memcpy(mData + at, bytes, static_cast<size_t>(n));
  else memset(mData + at, 0, static_cast<size_t>(n));
  return mLength;
}

int IChunkBuffer::PutInt32(int32_t value) {
  const uint32_t u = static_cast<uint32_t>(value);
  const unsigned char b[4] = {static_cast<unsigned char>(u), static_cast<unsigned char>(u >> 8),
                              static_cast<unsigned char>(u >> 16), static_cast<unsigned char>(u >> 24)};
  return PutBytes(b, 4);
}

int IChunkBuffer::PutDouble(double value) {
  uint64_t u;
  memcpy(&u, &value, 8);
  unsigned char b[8];
  for (int i = 0; i < 8; ++i) b[i] = static_cast<unsigned char>(u >> (8 * i));
  return PutBytes(b, 8);
}

int IChunkBuffer::PutByte(uint8_t value) { return PutBytes(&value, 1); }

int IChunkBuffer::PutStr(const char* text) {
  const size_t len = text ? strlen(text) : 0;
  if (len > static_cast<size_t>(INT_MAX) - 4 || static_cast<int>(len) > INT_MAX - 4 - mLength) return mLength;
  const int before = mLength;
  PutInt32(static_cast<int32_t>(len));
  if (mLength != before + 4) return mLength;
  if (len && PutBytes(text, static_cast<int>(len)) != before + 4 + static_cast<int>(len)) {
    Resize(before, false);  // no half-written text
  }
  return mLength;
}

namespace {
bool Fits(int pos, int size, int length) {
  return pos >= 0 && static_cast<int64_t>(pos) + size <= length;
}
}  // namespace

int IChunkBuffer::GetDouble(double* value, int pos) const {
  if (!Fits(pos, 8, mLength)) return -1;
  uint64_t u = 0;
  for (int i = 7; i >= 0; --i) u = (u << 8) | mData[pos + i];
  memcpy(value, &u, 8);
  return pos + 8;
}

int IChunkBuffer::GetInt32(int32_t* value, int pos) const {
  if (!Fits(pos, 4, mLength)) return -1;
  uint32_t u = 0;
  for (int i = 3; i >= 0; --i) u = (u << 8) | mData[pos + i];
  *value = static_cast<int32_t>(u);
  return pos + 4;
}

int IChunkBuffer::GetByte(uint8_t* value, int pos) const {
  if (!Fits(pos, 1, mLength)) return -1;
  *value = mData[pos];
  return pos + 1;
}

int IChunkBuffer::GetStr(std::string* text, int pos) const {
  int32_t n = 0;
  if (GetInt32(&n, pos) < 0) return -1;
  // A negative length, or one whose end the 32-bit position cannot reach, is
  // corrupt data: the read fails rather than wrapping the position.
  const int64_t next = static_cast<int64_t>(pos) + 4 + n;
  if (n < 0 || next > INT_MAX) return -1;
  if (n > 0 && next <= mLength && text) text->assign(reinterpret_cast<const char*>(mData + pos + 4), static_cast<size_t>(n));
  return static_cast<int>(next);
}
