#pragma once
#include <cstdint>

// Reads one character of UTF-8 text from bytes[0 .. available). Two- and
// three-byte sequences give their 16-bit code, a four-byte sequence (outside
// the 16-bit range) gives a space, and anything else (a stray continuation
// byte, an over-long or cut-off sequence, a Latin-1 byte) stands for itself.
// Returns the code; *used receives the number of bytes read (at least 1).
// available < 0 means the text ends at its first zero byte. Never reads past
// the bytes it is given; nothing at all is read when available is 0 (the
// result is 0 with *used 0).
uint16_t DecodeUtf8Char(const char* bytes, int available, int* used);

// True when text holds a multi-byte UTF-8 sequence: a byte 0xC2-0xDF followed
// by a continuation byte, or a byte 0xC2-0xF4 followed by two. count < 0
// means up to the first zero byte.
bool HasUtf8Sequence(const char* text, int count = -1);
