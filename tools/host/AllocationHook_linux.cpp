// Counts heap allocations on Linux: malloc and its relatives defined in the
// executable take precedence over the C library's for every module the
// process loads (the dynamic linker resolves a symbol to its first
// definition, the executable's). Each forwards to glibc's own entry
// (__libc_malloc, ...) and counts when counting is on for the calling thread.
// Only for the executable: linked into a library it would not take over, and
// a sanitizer runtime brings its own malloc.
#include <cerrno>
#include <cstddef>
#include <cstdint>

#include "tools/host/AllocationCount.h"

extern "C" {
void* __libc_malloc(size_t size);
void* __libc_calloc(size_t count, size_t size);
void* __libc_realloc(void* block, size_t size);
void* __libc_memalign(size_t alignment, size_t size);
void __libc_free(void* block);
}

namespace {

// Initial-exec thread locals of the executable: reading them never allocates.
__thread bool tCounting = false;
__thread uint64_t tCount = 0;

inline void Count() {
  if (tCounting) ++tCount;
}

void Start() {
  tCount = 0;
  tCounting = true;
}

uint64_t Stop() {
  tCounting = false;
  return tCount;
}

const qmhost::AllocationHooks kHooks = {
    "malloc, calloc, realloc and the aligned allocators (operator new included) counted on the processing "
    "thread by interposition in quillmere-host",
    Start, Stop, nullptr};

struct Installer {
  Installer() { qmhost::InstallAllocationHooks(&kHooks); }
} gInstaller;

bool ValidAlignment(size_t alignment) {
  return alignment >= sizeof(void*) && (alignment & (alignment - 1)) == 0;
}

}  // namespace

extern "C" {

void* malloc(size_t size) {
  Count();
  return __libc_malloc(size);
}

void* calloc(size_t count, size_t size) {
  Count();
  return __libc_calloc(count, size);
}

void* realloc(void* block, size_t size) {
  Count();
  return __libc_realloc(block, size);
}

void free(void* block) { __libc_free(block); }

void* memalign(size_t alignment, size_t size) {
  Count();
  return __libc_memalign(alignment, size);
}

void* aligned_alloc(size_t alignment, size_t size) {
  Count();
  return __libc_memalign(alignment, size);
}

int posix_memalign(void** result, size_t alignment, size_t size) {
  if (!ValidAlignment(alignment)) return EINVAL;
  Count();
  void* block = __libc_memalign(alignment, size);
  if (!block && size) return ENOMEM;
  *result = block;
  return 0;
}

void* valloc(size_t size) {
  Count();
  return __libc_memalign(4096, size);
}

}  // extern "C"
