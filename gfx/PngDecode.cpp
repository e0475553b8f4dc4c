// PNG decoding through libpng into 32-bit bitmaps.
#include "gfx/PngDecode.h"

#include <png.h>

#include <climits>
#include <csetjmp>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>

#include "gfx/Surface.h"

namespace {

struct MemoryReader {
  const unsigned char* next;
  int remaining;
};

// A read past the end fails the image at once (as a short read from a file
// does). Handing out zero bytes instead would let a damaged length field make
// libpng skip through gigabytes of zeros before its checks reject the image.
void ReadFromMemory(png_structp png, png_bytep out, size_t count) {
  MemoryReader* reader = static_cast<MemoryReader*>(png_get_io_ptr(png));
  std::memset(out, 0, count);
  size_t take = reader->remaining > 0 ? size_t(reader->remaining) : 0;
  if (take > count) take = count;
  if (take) std::memcpy(out, reader->next, take);
  reader->next += take;
  reader->remaining -= int(take);
  if (take < count) png_error(png, "Read past the end of the data");
}

// What one decode owns. The fields that change after the error jump is armed
// are volatile so that they hold their last values when libpng jumps back.
struct DecodeState {
  png_structp png = nullptr;
  png_infop info = nullptr;
  BitmapBase* volatile created = nullptr;
  png_bytep* volatile rows = nullptr;
};

void Finish(DecodeState* st, bool failed) {
  if (st->png) png_destroy_read_struct(&st->png, st->info ? &st->info : nullptr, nullptr);
  std::free(st->rows);
  st->rows = nullptr;
  if (failed) {
    delete st->created;
    st->created = nullptr;
  }
}

// The decoding steps after the source is installed; libpng errors leave
// through the jump armed by the caller, so nothing here has a destructor.
BitmapBase* ReadImage(DecodeState* st, BitmapBase* target) {
  png_structp png = st->png;
  png_infop info = st->info;
  png_read_info(png, info);
  png_uint_32 width = 0, height = 0;
  int bitDepth = 0, colourType = 0, interlace = 0, compression = 0, filter = 0;
  png_get_IHDR(png, info, &width, &height, &bitDepth, &colourType, &interlace, &compression, &filter);

  // Every image arrives as 8-bit alpha, red, green, blue.
  if (colourType == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(png);
  if (colourType == PNG_COLOR_TYPE_GRAY && bitDepth < 8) png_set_expand_gray_1_2_4_to_8(png);
  if (png_get_valid(png, info, PNG_INFO_tRNS)) {
    png_set_tRNS_to_alpha(png);
    colourType |= PNG_COLOR_MASK_ALPHA;
  }
  if (bitDepth == 16) png_set_strip_16(png);
  if (bitDepth < 8) png_set_packing(png);
  if (colourType == PNG_COLOR_TYPE_GRAY || colourType == PNG_COLOR_TYPE_GRAY_ALPHA) png_set_gray_to_rgb(png);
  if (colourType & PNG_COLOR_MASK_ALPHA)
    png_set_swap_alpha(png);
  else
    png_set_filler(png, 0xFF, PNG_FILLER_BEFORE);
  png_set_interlace_handling(png);
  png_read_update_info(png, info);
  // The rows go straight into the bitmap: they must be exactly 4 bytes a pixel.
  if (width == 0 || height == 0 || width > INT_MAX / 4 || height > INT_MAX) return nullptr;
  if (png_get_rowbytes(png, info) != size_t(width) * 4) return nullptr;

  const int w = int(width), h = int(height);
  BitmapBase* bitmap = target;
  if (!bitmap) {
    st->created = new (std::nothrow) PixelBitmap(w, h, 4);
    bitmap = st->created;
    if (!bitmap) return nullptr;
  } else {
    bitmap->SetSize(w, h);
  }
  if (bitmap->Width() != w || bitmap->Height() != h) return nullptr;
  Surface surface;
  if (!GetSurface(bitmap, &surface)) return nullptr;

  st->rows = static_cast<png_bytep*>(std::malloc(sizeof(png_bytep) * size_t(h)));
  png_bytep* rows = st->rows;
  if (!rows) return nullptr;
  for (int i = 0; i < h; ++i) rows[i] = reinterpret_cast<png_bytep>(surface.Row(i));
  png_read_image(png, rows);

  // Alpha, red, green, blue in memory becomes blue, green, red, alpha.
  for (int i = 0; i < h; ++i) {
    uint32_t* p = reinterpret_cast<uint32_t*>(rows[i]);
    for (int x = 0; x < w; ++x) p[x] = __builtin_bswap32(p[x]);
  }
  return bitmap;
}

// Runs the decode with libpng's error jump armed; reader or file is the source.
BitmapBase* Decode(MemoryReader* reader, std::FILE* file, BitmapBase* target) {
  DecodeState st;
  st.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  if (!st.png) return nullptr;
  st.info = png_create_info_struct(st.png);
  if (!st.info) {
    Finish(&st, true);
    return nullptr;
  }
  if (setjmp(png_jmpbuf(st.png))) {
    Finish(&st, true);
    return nullptr;
  }
  if (reader)
    png_set_read_fn(st.png, reader, ReadFromMemory);
  else
    png_init_io(st.png, file);
  BitmapBase* result = ReadImage(&st, target);
  Finish(&st, result == nullptr);
  return result;
}

}  // namespace

BitmapBase* DecodePngBytes(const void* data, int size, BitmapBase* target) {
  if (!data || size < 8) return nullptr;
  if (png_sig_cmp(static_cast<png_const_bytep>(data), 0, 8) != 0) return nullptr;
  MemoryReader reader{static_cast<const unsigned char*>(data), size};
  return Decode(&reader, nullptr, target);
}

BitmapBase* DecodePngResource(ModuleInstance instance, int id, BitmapBase* target) {
  const unsigned char* data = nullptr;
  size_t size = 0;
  if (!FindPngResource(instance, id, &data, &size) || !data || size < 8 || size > size_t(INT_MAX)) return nullptr;
  return DecodePngBytes(data, int(size), target);
}

BitmapBase* DecodePngFile(const char* fileName, BitmapBase* target) {
  if (!fileName) return nullptr;
  std::FILE* file = OpenFileForReading(fileName);
  if (!file) return nullptr;
  BitmapBase* result = Decode(nullptr, file, target);
  std::fclose(file);
  return result;
}

BitmapBase* DecodePngFileFiltered(const char* fileName, bool checkExtension, BitmapBase* target) {
  if (!fileName) return nullptr;
  if (checkExtension) {
    size_t length = std::strlen(fileName);
    if (length == 0) return nullptr;
    size_t i = length - 1;
    while (i > 0 && fileName[i] != '.' && fileName[i] != '/' && fileName[i] != '\\') --i;
    const char* ext = fileName + i;
    static const char kPng[] = ".png";
    if (length - i != 4) return nullptr;
    for (int k = 0; k < 4; ++k) {
      char c = ext[k];
      if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
      if (c != kPng[k]) return nullptr;
    }
  }
  return DecodePngFile(fileName, target);
}

const char* PngFileTypeText() { return "PNG files (*.PNG)"; }

ImageLoaderEntry* gImageLoaders = nullptr;

namespace {

ImageLoaderEntry gPngLoader = {DecodePngFileFiltered, PngFileTypeText, nullptr};

struct PngLoaderRegistration {
  PngLoaderRegistration() {
    gPngLoader.next = gImageLoaders;
    gImageLoaders = &gPngLoader;
  }
} gPngLoaderRegistration;

}  // namespace
