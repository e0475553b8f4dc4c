#include "gfx/Utf8.h"

#include <cstring>

namespace {

inline bool IsContinuation(unsigned char b) { return b >= 0x80 && b <= 0xBF; }

// How many of the next n bytes can be read: up to available, or up to the
// first zero byte when available < 0.
inline int Readable(const unsigned char* p, int available, int n) {
  if (available >= 0) return available < n ? available : n;
  int k = 0;
  while (k < n && p[k] != 0) ++k;
  return k;
}

}  // namespace

uint16_t DecodeUtf8Char(const char* bytes, int available, int* used) {
  int dummy;
  if (!used) used = &dummy;
  const unsigned char* p = reinterpret_cast<const unsigned char*>(bytes);
  if (!p || available == 0) {
    *used = 0;
    return 0;
  }
  const unsigned lead = p[0];
  if (lead >= 0xC2 && lead <= 0xDF) {
    if (Readable(p, available, 2) == 2 && IsContinuation(p[1])) {
      *used = 2;
      return static_cast<uint16_t>(((lead << 6) & 0x7FF) | (p[1] & 0x3F));
    }
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    if (Readable(p, available, 3) == 3 && IsContinuation(p[1]) && IsContinuation(p[2])) {
      *used = 3;
      return static_cast<uint16_t>((lead << 12) | ((p[1] << 6) & 0xFFF) | (p[2] & 0x3F));
    }
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    if (Readable(p, available, 4) == 4 && IsContinuation(p[1]) && IsContinuation(p[2]) &&
        IsContinuation(p[3])) {
      *used = 4;
      return 32;
    }
  }
  *used = 1;
  return static_cast<uint16_t>(lead);
}

bool HasUtf8Sequence(const char* text, int count) {
  if (!text) return false;
  const unsigned char* p = reinterpret_cast<const unsigned char*>(text);
  const int n = count < 0 ? static_cast<int>(std::strlen(text)) : count;
  for (int i = 0; i + 1 < n; ++i) {
    const unsigned char b = p[i];
    if (b < 0xC2 || b > 0xF4) continue;
    if (b <= 0xDF && IsContinuation(p[i + 1])) return true;
    if (i + 2 < n && IsContinuation(p[i + 1]) && IsContinuation(p[i + 2])) return true;
  }
  return false;
}
