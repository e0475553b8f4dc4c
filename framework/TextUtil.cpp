#include "framework/TextUtil.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <system_error>

void CopyTextField(char* dst, const char* src, size_t fieldSize) {
  if (!dst || fieldSize == 0) return;
  size_t n = src ? strnlen(src, fieldSize - 1) : 0;
  if (n) memcpy(dst, src, n);
  dst[n] = '\0';
}

double ParseLeadingNumber(const char* text) {
  if (!text) return 0.0;
  const char* p = text;
  while (*p == ' ' || *p == '\t' || *p == '\n' || *p == '\r' || *p == '\f' || *p == '\v') ++p;
  bool negative = false;
  if (*p == '+' || *p == '-') negative = (*p++ == '-');
  // Only plain decimal numbers: no "inf", "nan" or hexadecimal forms.
  bool digitFirst = (*p >= '0' && *p <= '9') || (*p == '.' && p[1] >= '0' && p[1] <= '9');
  if (!digitFirst) return 0.0;
  double v = 0.0;
  auto result = std::from_chars(p, p + strlen(p), v, std::chars_format::general);
  if (result.ec == std::errc::result_out_of_range) {
    // from_chars leaves v alone on overflow or underflow; tell them apart by
    // the exponent's sign.
    const char* e = p;
    while (*e && *e != 'e' && *e != 'E') ++e;
    v = (*e && e[1] == '-') ? 0.0 : HUGE_VAL;
  } else if (result.ec != std::errc()) {
    return 0.0;
  }
  return negative ? -v : v;
}
