// Counts heap allocations on Windows: in the import table of every module
// the host loads, the heap functions it imports (malloc, calloc, realloc and
// _aligned_malloc from msvcrt or the universal C runtime, HeapAlloc and
// HeapReAlloc from kernel32) are redirected to counting versions that call
// the originals. Allocations made inside other DLLs the module calls are not
// seen.
#include <windows.h>

#include <cstdint>
#include <cstring>

#include "tools/host/AllocationCount.h"

namespace {

// The count of the calling thread plus one while counting, 0 otherwise, in a
// system thread-local slot (reading it never allocates).
DWORD gTls = TLS_OUT_OF_INDEXES;

void Count() {
  if (gTls == TLS_OUT_OF_INDEXES) return;
  const DWORD error = GetLastError();
  const uintptr_t v = reinterpret_cast<uintptr_t>(TlsGetValue(gTls));
  if (v) TlsSetValue(gTls, reinterpret_cast<void*>(v + 1));
  SetLastError(error);
}

void Start() {
  if (gTls != TLS_OUT_OF_INDEXES) TlsSetValue(gTls, reinterpret_cast<void*>(uintptr_t(1)));
}

uint64_t Stop() {
  if (gTls == TLS_OUT_OF_INDEXES) return 0;
  const uintptr_t v = reinterpret_cast<uintptr_t>(TlsGetValue(gTls));
  TlsSetValue(gTls, nullptr);
  return v ? v - 1 : 0;
}

enum Family { kMsvcrt, kUcrt, kKernel, kFamilies };

// One redirected import: which DLL family, which function, its original.
struct Slot {
  Family family;
  const char* name;
  void* original;
  void* counting;
};

typedef void*(__cdecl* MallocFn)(size_t);
typedef void*(__cdecl* CallocFn)(size_t, size_t);
typedef void*(__cdecl* ReallocFn)(void*, size_t);
typedef void*(__cdecl* AlignedFn)(size_t, size_t);
typedef LPVOID(WINAPI* HeapAllocFn)(HANDLE, DWORD, SIZE_T);
typedef LPVOID(WINAPI* HeapReAllocFn)(HANDLE, DWORD, LPVOID, SIZE_T);

extern Slot gSlots[];

template <int S>
void* __cdecl CountingMalloc(size_t n) {
  Count();
  return reinterpret_cast<MallocFn>(gSlots[S].original)(n);
}
template <int S>
void* __cdecl CountingCalloc(size_t count, size_t n) {
  Count();
  return reinterpret_cast<CallocFn>(gSlots[S].original)(count, n);
}
template <int S>
void* __cdecl CountingRealloc(void* block, size_t n) {
  Count();
  return reinterpret_cast<ReallocFn>(gSlots[S].original)(block, n);
}
template <int S>
void* __cdecl CountingAligned(size_t n, size_t alignment) {
  Count();
  return reinterpret_cast<AlignedFn>(gSlots[S].original)(n, alignment);
}
template <int S>
LPVOID WINAPI CountingHeapAlloc(HANDLE heap, DWORD flags, SIZE_T n) {
  Count();
  return reinterpret_cast<HeapAllocFn>(gSlots[S].original)(heap, flags, n);
}
template <int S>
LPVOID WINAPI CountingHeapReAlloc(HANDLE heap, DWORD flags, LPVOID block, SIZE_T n) {
  Count();
  return reinterpret_cast<HeapReAllocFn>(gSlots[S].original)(heap, flags, block, n);
}

template <typename F>
void* Address(F f) {
  void* p;
  static_assert(sizeof p == sizeof f, "function pointers are data-pointer sized");
  std::memcpy(&p, &f, sizeof p);
  return p;
}

Slot gSlots[] = {
    {kMsvcrt, "malloc", nullptr, Address(&CountingMalloc<0>)},
    {kMsvcrt, "calloc", nullptr, Address(&CountingCalloc<1>)},
    {kMsvcrt, "realloc", nullptr, Address(&CountingRealloc<2>)},
    {kMsvcrt, "_aligned_malloc", nullptr, Address(&CountingAligned<3>)},
    {kUcrt, "malloc", nullptr, Address(&CountingMalloc<4>)},
    {kUcrt, "calloc", nullptr, Address(&CountingCalloc<5>)},
    {kUcrt, "realloc", nullptr, Address(&CountingRealloc<6>)},
    {kUcrt, "_aligned_malloc", nullptr, Address(&CountingAligned<7>)},
    {kKernel, "HeapAlloc", nullptr, Address(&CountingHeapAlloc<8>)},
    {kKernel, "HeapReAlloc", nullptr, Address(&CountingHeapReAlloc<9>)},
};

int FamilyOf(const char* dll) {
  if (_stricmp(dll, "msvcrt.dll") == 0) return kMsvcrt;
  if (_stricmp(dll, "ucrtbase.dll") == 0 || _stricmp(dll, "api-ms-win-crt-heap-l1-1-0.dll") == 0) return kUcrt;
  if (_stricmp(dll, "kernel32.dll") == 0) return kKernel;
  return -1;
}

void Redirect(IMAGE_THUNK_DATA* entry, Slot& slot) {
  void* current = reinterpret_cast<void*>(static_cast<uintptr_t>(entry->u1.Function));
  if (current == slot.counting) return;  // this module was seen before
  if (!slot.original) slot.original = current;
  if (current != slot.original) return;  // bound to something else: left alone
  DWORD old = 0;
  if (!VirtualProtect(entry, sizeof *entry, PAGE_READWRITE, &old)) return;
  entry->u1.Function = static_cast<ULONGLONG>(reinterpret_cast<uintptr_t>(slot.counting));
  VirtualProtect(entry, sizeof *entry, old, &old);
}

void WatchModule(void* module) {
  unsigned char* base = static_cast<unsigned char*>(module);
  auto* dos = reinterpret_cast<IMAGE_DOS_HEADER*>(base);
  if (dos->e_magic != IMAGE_DOS_SIGNATURE) return;
  auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  if (nt->Signature != IMAGE_NT_SIGNATURE) return;
  const IMAGE_DATA_DIRECTORY& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  if (!dir.VirtualAddress) return;
  for (auto* d = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + dir.VirtualAddress); d->Name; ++d) {
    const int family = FamilyOf(reinterpret_cast<const char*>(base + d->Name));
    if (family < 0 || !d->OriginalFirstThunk) continue;
    auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + d->OriginalFirstThunk);
    auto* table = reinterpret_cast<IMAGE_THUNK_DATA*>(base + d->FirstThunk);
    for (size_t i = 0; names[i].u1.AddressOfData; ++i) {
      if (IMAGE_SNAP_BY_ORDINAL(names[i].u1.Ordinal)) continue;
      auto* byName = reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + names[i].u1.AddressOfData);
      for (Slot& slot : gSlots) {
        if (slot.family == family && std::strcmp(slot.name, reinterpret_cast<const char*>(byName->Name)) == 0) {
          Redirect(&table[i], slot);
        }
      }
    }
  }
}

const qmhost::AllocationHooks kHooks = {
    "malloc, calloc, realloc, _aligned_malloc (msvcrt, ucrt), HeapAlloc and HeapReAlloc as the module imports "
    "them, counted on the processing thread by import-table redirection in quillmere-host.exe (allocations "
    "inside other DLLs are not seen)",
    Start, Stop, WatchModule};

struct Installer {
  Installer() {
    gTls = TlsAlloc();
    if (gTls != TLS_OUT_OF_INDEXES) qmhost::InstallAllocationHooks(&kHooks);
  }
} gInstaller;

}  // namespace
