#pragma once
#include <cstddef>
#include <cstdio>

#include "gfx/Bitmap.h"

// PNG images into 32-bit bitmaps (blue, green, red, alpha; straight alpha).
// With a target the image is decoded into it (resized to the image) and the
// target is returned; otherwise a new PixelBitmap (row alignment 4) is
// returned and belongs to the caller. Every failure returns null and leaves
// nothing allocated; a target is then left resized with undefined pixels.

// A loaded module: on Windows its HINSTANCE. Elsewhere the base address of the
// module (ThisModuleInstance()); null there stands for every module.
using ModuleInstance = void*;

// The module that this code is linked into.
ModuleInstance ThisModuleInstance();

// The module resource of type "PNG" with the given id (low 16 bits).
BitmapBase* DecodePngResource(ModuleInstance instance, int id, BitmapBase* target = nullptr);
BitmapBase* DecodePngBytes(const void* data, int size, BitmapBase* target = nullptr);
// A file named in UTF-8.
BitmapBase* DecodePngFile(const char* fileName, BitmapBase* target = nullptr);
// DecodePngFile; with checkExtension the name must end in ".png" (any case).
BitmapBase* DecodePngFileFiltered(const char* fileName, bool checkExtension, BitmapBase* target = nullptr);
const char* PngFileTypeText();

// The process-wide list of image loaders, one per image format. The PNG
// loader is put on it when the module is loaded.
struct ImageLoaderEntry {
  BitmapBase* (*load)(const char* fileName, bool checkExtension, BitmapBase* target);
  const char* (*description)();
  ImageLoaderEntry* next;
};
extern ImageLoaderEntry* gImageLoaders;

// Platform services behind the decoder (PngSource_win.cpp, PngSource_linux.cpp).
// The bytes of a module resource of type "PNG", or false.
bool FindPngResource(ModuleInstance instance, int id, const unsigned char** data, size_t* size);
// Opens a file named in UTF-8 for binary reading.
std::FILE* OpenFileForReading(const char* fileName);
