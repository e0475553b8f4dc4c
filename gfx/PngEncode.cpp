#include "gfx/PngEncode.h"

#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <vector>

#include "gfx/Surface.h"

namespace {

// Everything libpng's error jump may skip over lives outside WriteRows.
bool WriteRows(png_structp png, png_infop info, std::FILE* file, const Surface& s, png_bytep row) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_init_io(png, file);
  png_set_IHDR(png, info, png_uint_32(s.width), png_uint_32(s.height), 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  for (int y = 0; y < s.height; ++y) {
    const uint32_t* src = s.Row(y);
    for (int x = 0; x < s.width; ++x) {
      row[x * 3] = png_byte(src[x] >> 16);
      row[x * 3 + 1] = png_byte(src[x] >> 8);
      row[x * 3 + 2] = png_byte(src[x]);
    }
    png_write_row(png, row);
  }
  png_write_end(png, nullptr);
  return true;
}

}  // namespace

bool EncodePngFile(BitmapBase* bitmap, const char* fileName) {
  Surface s;
  if (!fileName || !GetSurface(bitmap, &s)) return false;
  std::vector<png_byte> row;
  try {
    row.resize(size_t(s.width) * 3);
  } catch (...) {
    return false;
  }
  std::FILE* file = std::fopen(fileName, "wb");
  if (!file) return false;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  const bool ok = png && info && WriteRows(png, info, file, s, row.data());
  png_destroy_write_struct(png ? &png : nullptr, info ? &info : nullptr);
  const bool closed = std::fclose(file) == 0;
  if (!(ok && closed)) std::remove(fileName);
  return ok && closed;
}
