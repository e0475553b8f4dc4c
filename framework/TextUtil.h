#pragma once
#include <cstddef>

// Copies src into a field of fieldSize bytes (terminator included), cutting
// the text at fieldSize - 1 characters. A null src gives the empty text.
void CopyTextField(char* dst, const char* src, size_t fieldSize);

// Reads a leading decimal number ("  -12.5e3ms" gives -12500) the same way in
// every locale. Text without a leading number gives 0.
double ParseLeadingNumber(const char* text);

// A four-character code as a 32-bit number, first character in the top byte
// ("xYeo" gives 0x7859656F).
constexpr int FourCC(const char (&s)[5]) {
  return static_cast<int>((static_cast<unsigned>(static_cast<unsigned char>(s[0])) << 24) |
                          (static_cast<unsigned>(static_cast<unsigned char>(s[1])) << 16) |
                          (static_cast<unsigned>(static_cast<unsigned char>(s[2])) << 8) |
                          static_cast<unsigned>(static_cast<unsigned char>(s[3])));
}
