#include <climits>
#include <cstdlib>
#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "framework/IChunkBuffer.h"

namespace {

TEST(ChunkBuffer, BlockSizesFollowTheGrowthRule) {
  IChunkBuffer b;
  b.Resize(1);
  EXPECT_EQ(b.Allocated(), 4000);
  b.Resize(3999);
  EXPECT_EQ(b.Allocated(), 4000);
  b.Resize(4000);  // fits the block it has
  EXPECT_EQ(b.Allocated(), 4000);
  b.Resize(4001);
  EXPECT_EQ(b.Allocated(), 8096);
  for (int n : {4000, 8095}) {
    IChunkBuffer fresh;
    fresh.Resize(n);
    EXPECT_EQ(fresh.Allocated(), 8096) << n;
  }
  IChunkBuffer c;
  c.Resize(100000);
  EXPECT_EQ(c.Allocated(), 147360);
  EXPECT_EQ(c.Length(), 100000);
  IChunkBuffer d;
  d.Resize(5000);
  d.Resize(10, false);  // no shrink
  EXPECT_EQ(d.Allocated(), 8096);
  EXPECT_EQ(d.Length(), 10);
  d.Resize(0, true);
  EXPECT_EQ(d.Allocated(), 0);
  EXPECT_EQ(d.Data(), nullptr);
  IChunkBuffer e(16);  // a small granularity grows by c + n
  e.Resize(100);
  EXPECT_EQ(e.Allocated(), 150);
}

TEST(ChunkBuffer, ShrinksOnlyBelowTheLimit) {
  IChunkBuffer b;
  b.Resize(1000000);
  const int big = b.Allocated();
  b.Resize(900000, true);  // above allocated / 2: the block stays
  EXPECT_EQ(b.Allocated(), big);
  b.Resize(1000, true);
  EXPECT_LT(b.Allocated(), big);
  EXPECT_EQ(b.Allocated(), 4000);
  EXPECT_EQ(b.Resize(-5), nullptr);
  EXPECT_EQ(b.Length(), 0);
}

TEST(ChunkBuffer, ValuesAreLittleEndian) {
  IChunkBuffer b;
  b.PutInt32(10000);
  b.PutDouble(1.0);
  b.PutByte(0xAB);
  EXPECT_EQ(b.PutStr("hey"), 4 + 8 + 1 + 4 + 3);
  const unsigned char expected[] = {0x10, 0x27, 0, 0, 0, 0, 0, 0, 0, 0, 0xF0, 0x3F, 0xAB, 3, 0, 0, 0, 'h', 'e', 'y'};
  ASSERT_EQ(b.Length(), static_cast<int>(sizeof expected));
  EXPECT_EQ(memcmp(b.Data(), expected, sizeof expected), 0);

  int32_t i = 0;
  double d = 0;
  uint8_t byte = 0;
  std::string s;
  int pos = b.GetInt32(&i, 0);
  pos = b.GetDouble(&d, pos);
  pos = b.GetByte(&byte, pos);
  pos = b.GetStr(&s, pos);
  EXPECT_EQ(i, 10000);
  EXPECT_EQ(d, 1.0);
  EXPECT_EQ(byte, 0xAB);
  EXPECT_EQ(s, "hey");
  EXPECT_EQ(pos, b.Length());
  EXPECT_EQ(b.GetByte(&byte, pos), -1);
  EXPECT_EQ(byte, 0xAB);  // untouched on failure
  EXPECT_EQ(b.GetDouble(&d, -8), -1);
}

TEST(ChunkBuffer, StringLengthsThatLieAreContained) {
  IChunkBuffer b;
  b.PutInt32(5);
  b.PutBytes("abc", 3);
  std::string s = "keep";
  int pos = b.GetStr(&s, 0);
  EXPECT_EQ(pos, 9);  // past the end: the text is not taken
  EXPECT_EQ(s, "keep");
  int32_t i;
  EXPECT_EQ(b.GetInt32(&i, pos), -1);

  for (int32_t n : {-1, -4, INT_MIN, INT_MAX, INT_MAX - 3}) {
    IChunkBuffer bad;
    bad.PutInt32(7);
    bad.PutInt32(n);
    EXPECT_EQ(bad.GetStr(&s, 4), -1) << n;
  }
}

int gFailAfter = -1;
void* FailingRealloc(void* block, size_t bytes) {
  if (gFailAfter == 0) return nullptr;
  if (gFailAfter > 0) --gFailAfter;
  return realloc(block, bytes);
}
void* FailingMalloc(size_t bytes) { return gFailAfter == 0 ? nullptr : malloc(bytes); }
const IChunkBuffer::Allocator kFailing = {FailingRealloc, FailingMalloc};

struct AllocatorScope {
  explicit AllocatorScope(int failAfter) {
    gFailAfter = failAfter;
    IChunkBuffer::SetAllocator(&kFailing);
  }
  ~AllocatorScope() { IChunkBuffer::SetAllocator(nullptr); }
};

TEST(ChunkBuffer, RunningOutOfMemoryKeepsTheOldContents) {
  IChunkBuffer b;
  b.PutStr("abc");
  {
    AllocatorScope scope(0);
    std::string big(5000, 'z');
    EXPECT_EQ(b.PutStr(big.c_str()), 7);  // the growth fails
    EXPECT_EQ(b.PutBytes(big.data(), 5000), 7);
    EXPECT_EQ(b.Resize(20000), b.Data());
    EXPECT_EQ(b.Length(), 7);
  }
  std::string s;
  EXPECT_EQ(b.GetStr(&s, 0), 7);
  EXPECT_EQ(s, "abc");

  IChunkBuffer c;
  {
    AllocatorScope scope(0);
    EXPECT_EQ(c.PutInt32(1), 0);
    EXPECT_EQ(c.Data(), nullptr);
  }
  // Sizes the 32-bit length cannot describe are refused the same way.
  EXPECT_EQ(b.Resize(INT_MAX), b.Data());
  EXPECT_EQ(b.Length(), 7);
  EXPECT_EQ(b.ResizeZeroed(20), 7);
  EXPECT_EQ(b.Length(), 20);
  for (int k = 7; k < 20; ++k) EXPECT_EQ(b.Data()[k], 0);
}

}  // namespace
