// libFuzzer target for the PNG decoder (see run-png-fuzz.sh).
//
// Each input is decoded as given, and a second time with every chunk's
// checksum repaired so that the mutations reach past libpng's CRC checks into
// the image data. Decodes go into a bitmap that refuses images above 4
// megapixels (a larger header would only measure the allocator) and, when
// that worked, once more into a new bitmap: both must agree.
#include <zlib.h>

#include <climits>
#include <cstdint>
#include <cstring>
#include <vector>

#include "gfx/Bitmap.h"
#include "gfx/PngDecode.h"

namespace {

class CappedBitmap : public PixelBitmap {
public:
  CappedBitmap() : PixelBitmap(0, 0, 4) {}
  bool SetSize(int w, int h) override {
    if (int64_t(w) * h > (int64_t(1) << 22)) return false;
    return PixelBitmap::SetSize(w, h);
  }
};

void DecodeBoth(const uint8_t* data, size_t size) {
  if (size > size_t(INT_MAX)) return;
  CappedBitmap target;
  BitmapBase* into = DecodePngBytes(data, int(size), &target);
  if (!into) return;
  if (into != &target) __builtin_trap();
  BitmapBase* fresh = DecodePngBytes(data, int(size));
  if (!fresh) __builtin_trap();  // same data, same result
  if (fresh->Width() != target.Width() || fresh->Height() != target.Height()) __builtin_trap();
  for (int y = 0; y < target.Height(); ++y)
    if (std::memcmp(fresh->Pixels() + y * fresh->RowPixels(), target.Pixels() + y * target.RowPixels(),
                    size_t(target.Width()) * 4) != 0)
      __builtin_trap();
  delete fresh;
}

uint32_t Get32(const uint8_t* p) { return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3]; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  DecodeBoth(data, size);

  // The same with repaired chunk checksums.
  if (size < 8) return 0;
  std::vector<uint8_t> fixed(data, data + size);
  size_t pos = 8;
  bool changed = false;
  while (pos + 12 <= fixed.size()) {
    uint32_t length = Get32(&fixed[pos]);
    if (length > fixed.size() - pos - 12) break;
    uint32_t crc = uint32_t(crc32(0, &fixed[pos + 4], uInt(length + 4)));
    uint8_t* c = &fixed[pos + 8 + length];
    if (Get32(c) != crc) {
      c[0] = uint8_t(crc >> 24), c[1] = uint8_t(crc >> 16), c[2] = uint8_t(crc >> 8), c[3] = uint8_t(crc);
      changed = true;
    }
    pos += 12 + length;
  }
  if (changed) DecodeBoth(fixed.data(), fixed.size());
  return 0;
}
