#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

// A growable byte buffer for state. Every value is little-endian: 32-bit
// integers, 8-byte IEEE doubles, single bytes, and texts as a 32-bit length
// followed by the bytes without terminator.
class IChunkBuffer {
public:
  explicit IChunkBuffer(int granularity = 4096) : mGranularity(granularity) {}
  ~IChunkBuffer();
  IChunkBuffer(const IChunkBuffer&) = delete;
  IChunkBuffer& operator=(const IChunkBuffer&) = delete;

  // Sets the length to max(0, length). Growth goes in large steps; running out
  // of memory keeps the old contents and length. Returns the data, or null when
  // the length is 0.
  unsigned char* Resize(int length, bool allowShrink = true);
  // Resize, with the bytes beyond the previous length set to 0; returns the
  // previous length.
  int ResizeZeroed(int length);
  void Clear() { Resize(0, true); }

  // Appends and returns the new length (unchanged when growing failed).
  int PutBytes(const void* bytes, int n);
  int PutInt32(int32_t value);
  int PutDouble(double value);
  int PutByte(uint8_t value);
  int PutStr(const char* text);

  // Read at pos; return the next position, or -1 (value untouched) when the
  // data ends first.
  int GetDouble(double* value, int pos) const;
  int GetInt32(int32_t* value, int pos) const;
  int GetByte(uint8_t* value, int pos) const;
  int GetStr(std::string* text, int pos) const;

  unsigned char* Data() { return mLength > 0 ? mData : nullptr; }
  const unsigned char* Data() const { return mLength > 0 ? mData : nullptr; }
  int Length() const { return mLength; }
  int Allocated() const { return mAllocated; }

  // The allocator behind every buffer, replaceable so that running out of
  // memory can be exercised.
  struct Allocator {
    void* (*reallocate)(void* block, size_t bytes);
    void* (*allocate)(size_t bytes);
  };
  static void SetAllocator(const Allocator* allocator);  // null restores malloc/realloc

private:
  unsigned char* mData = nullptr;
  int mAllocated = 0;
  int mLength = 0;
  int mGranularity;
};
