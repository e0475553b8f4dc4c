// libFuzzer target: parameter texts, through effString2Parameter and the
// vendor requests that read and write display texts, and the display parser
// underneath them.
//
// Input: a parameter byte (an index from -1 to the count), a mode byte, then
// the text. Checked:
// - the parameter stays normalised, and its display text is terminated
//   within the 32 bytes the display texts are made for;
// - a display text given back shows itself again (after one round, every
//   value's text is a fixed point);
// - the number parser reads plain decimal numbers as strtod does in the "C"
//   locale.
#include <algorithm>
#include <cerrno>
#include <clocale>
#include <cstdlib>
#include <locale.h>
#include <string>

#include "framework/TextUtil.h"
#include "fuzz/FuzzHost.h"

using namespace fuzzhost;

namespace {

constexpr size_t kTextBuffer = 256;

std::string Display(AEffect* e, int index) {
  char text[kTextBuffer];
  std::memset(text, 0x5A, sizeof text);
  text[0] = '\0';
  Dispatch(e, effGetParamDisplay, index, 0, text);
  const void* end = std::memchr(text, 0, sizeof text);
  FUZZ_CHECK(end != nullptr);
  const size_t length = static_cast<size_t>(static_cast<const char*>(end) - text);
  FUZZ_CHECK(length < 32);
  return std::string(text, length);
}

bool SetText(AEffect* e, int index, const std::string& text) {
  std::vector<char> buffer(text.begin(), text.end());
  buffer.push_back('\0');
  return Dispatch(e, effString2Parameter, index, 0, buffer.data()) != 0;
}

// Whether text starts with a plain decimal number (after blanks and a sign),
// the form both parsers read the same way. strtod reads "0x" on as a
// hexadecimal number, the display parser stops at the x.
bool PlainDecimal(const char* text) {
  const char* p = text;
  while (*p == ' ' || *p == '\t' || *p == '\n' || *p == '\r' || *p == '\f' || *p == '\v') ++p;
  if (*p == '+' || *p == '-') ++p;
  if (p[0] == '0' && (p[1] == 'x' || p[1] == 'X')) return false;
  return (*p >= '0' && *p <= '9') || (*p == '.' && p[1] >= '0' && p[1] <= '9');
}

void CheckParser(const std::string& text) {
  const double ours = ParseLeadingNumber(text.c_str());
  FUZZ_CHECK(!std::isnan(ours));
  if (!PlainDecimal(text.c_str())) {
    FUZZ_CHECK(ours == 0.0);
    return;
  }
  static locale_t c = newlocale(LC_NUMERIC_MASK, "C", nullptr);
  locale_t previous = uselocale(c);
  errno = 0;
  const double theirs = std::strtod(text.c_str(), nullptr);
  const bool range = errno == ERANGE;
  uselocale(previous);
  // Out of range both ways: overflow gives infinity, underflow 0 here where
  // strtod may give a subnormal; in range they agree to the bit.
  if (range || std::fabs(theirs) < 2.2250738585072014e-308) {
    FUZZ_CHECK(std::isinf(theirs) ? std::isinf(ours) && (ours > 0) == (theirs > 0) : std::fabs(ours) < 2.3e-308);
  } else {
    FUZZ_CHECK(ours == theirs);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  AEffect* e = NewEffect();
  const int index = static_cast<int>(data[0] % (e->numParams + 2)) - 1;
  const int mode = data[1] % 3;
  const std::string text(reinterpret_cast<const char*>(data + 2), size - 2);
  const std::string cText = text.substr(0, text.find('\0'));
  CheckParser(cText);
  const bool valid = index >= 0 && index < e->numParams;

  if (mode == 0) {
    FUZZ_CHECK(SetText(e, index, cText) == valid);
  } else if (mode == 1) {
    // The normalised value of a text, written back over it.
    char buffer[kTextBuffer] = {};
    std::memcpy(buffer, cText.data(), std::min(cText.size(), kTextBuffer - 1));
    Dispatch(e, effVendorSpecific, 27, index, buffer);
    FUZZ_CHECK(std::memchr(buffer, 0, sizeof buffer) != nullptr);
  } else {
    // The display text of a normalised value given as raw float bits.
    float value = 0;
    std::memcpy(&value, cText.data(), std::min(cText.size(), sizeof value));
    char buffer[kTextBuffer];
    std::memset(buffer, 0x5A, sizeof buffer);
    Dispatch(e, effVendorSpecific, 7, index, buffer, value);
    if (valid) FUZZ_CHECK(std::memchr(buffer, 0, 32) != nullptr);
  }
  if (valid) {
    FUZZ_CHECK(e->getParameter(e, index) >= 0.0f && e->getParameter(e, index) <= 1.0f);
    const std::string shown = Display(e, index);
    FUZZ_CHECK(SetText(e, index, shown));
    const std::string again = Display(e, index);
    FUZZ_CHECK(SetText(e, index, again));
    FUZZ_CHECK(Display(e, index) == again);
  }
  CloseEffect(e);
  return 0;
}
