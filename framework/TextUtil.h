#pragma once
#include <cstddef>

// Copies src into a field of fieldSize bytes (terminator included), cutting
// the text at fieldSize - 1 characters. A null src gives the empty text.
void CopyTextField(char* dst, const char* src, size_t fieldSize);

// Reads a leading decimal number ("  -12.5e3ms" gives -12500) the same way in
// every locale. Text without a leading number gives 0.
double ParseLeadingNumber(const char* text);
