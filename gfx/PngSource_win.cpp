// Module resources of type "PNG", and files by their UTF-8 names.
#include <windows.h>

#include <cstdio>

#include "gfx/PngDecode.h"

ModuleInstance ThisModuleInstance() {
  HMODULE module = nullptr;
  GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     reinterpret_cast<LPCWSTR>(&ThisModuleInstance), &module);
  return module;
}

bool FindPngResource(ModuleInstance instance, int id, const unsigned char** data, size_t* size) {
  HMODULE module = static_cast<HMODULE>(instance);
  HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(id & 0xffff), "PNG");
  if (!found) return false;
  DWORD bytes = SizeofResource(module, found);
  if (bytes < 8) return false;
  HGLOBAL loaded = LoadResource(module, found);
  if (!loaded) return false;
  const void* p = LockResource(loaded);
  if (!p) return false;
  *data = static_cast<const unsigned char*>(p);
  *size = bytes;
  return true;
}

std::FILE* OpenFileForReading(const char* fileName) {
  wchar_t wide[2048];
  if (MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, fileName, -1, wide, 2048) > 0) {
    if (std::FILE* f = _wfopen(wide, L"rb")) return f;
  }
  return std::fopen(fileName, "rb");
}
