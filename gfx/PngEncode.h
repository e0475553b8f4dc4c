#pragma once
#include "gfx/Bitmap.h"

// Writes the bitmap's pixels as an 8-bit RGB PNG file (the alpha bytes are
// left out). False, with no file left behind, when the bitmap has no pixels
// or the file cannot be written.
bool EncodePngFile(BitmapBase* bitmap, const char* fileName);
