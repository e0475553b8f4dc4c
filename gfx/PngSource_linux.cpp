// Module resources from the tables that modules register at load time, and
// files by their UTF-8 names.
#include <dlfcn.h>

#include <cstdio>

#include "gfx/ModuleResources.h"
#include "gfx/PngDecode.h"

namespace {

struct Registration {
  const EmbeddedResource* table;
  int count;
  const void* module;
};

// Written only by static initialisers, so a fixed array suffices.
constexpr int kMaxRegistrations = 64;
Registration gRegistrations[kMaxRegistrations];
int gRegistrationCount = 0;

const void* ModuleBase(const void* address) {
  Dl_info info;
  if (dladdr(address, &info) && info.dli_fbase) return info.dli_fbase;
  return nullptr;
}

}  // namespace

void RegisterEmbeddedResources(const EmbeddedResource* table, int count, const void* anchor) {
  if (!table || count <= 0 || gRegistrationCount >= kMaxRegistrations) return;
  gRegistrations[gRegistrationCount++] = Registration{table, count, ModuleBase(anchor)};
}

ModuleInstance ThisModuleInstance() {
  return const_cast<void*>(ModuleBase(reinterpret_cast<const void*>(&ThisModuleInstance)));
}

bool FindPngResource(ModuleInstance instance, int id, const unsigned char** data, size_t* size) {
  int key = id & 0xffff;
  for (int r = 0; r < gRegistrationCount; ++r) {
    const Registration& reg = gRegistrations[r];
    if (instance && reg.module != instance) continue;
    for (int i = 0; i < reg.count; ++i) {
      if ((reg.table[i].id & 0xffff) == key) {
        *data = reg.table[i].data;
        *size = reg.table[i].size;
        return true;
      }
    }
  }
  return false;
}

std::FILE* OpenFileForReading(const char* fileName) { return std::fopen(fileName, "rb"); }
