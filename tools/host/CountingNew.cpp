#include "tools/host/CountingNew.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {

std::atomic<uint64_t> gCalls{0};

void* Allocate(std::size_t n) {
  gCalls.fetch_add(1, std::memory_order_relaxed);
  return std::malloc(n ? n : 1);
}

// Out of line, so that the compiler does not pair a free it sees with the
// operator new it sees.
[[gnu::noinline]] void Release(void* p) noexcept { std::free(p); }

}  // namespace

uint64_t qmhost::OperatorNewCalls() { return gCalls.load(std::memory_order_relaxed); }

void* operator new(std::size_t n) {
  if (void* p = Allocate(n)) return p;
  throw std::bad_alloc();
}
void* operator new[](std::size_t n) { return operator new(n); }
void* operator new(std::size_t n, const std::nothrow_t&) noexcept { return Allocate(n); }
void* operator new[](std::size_t n, const std::nothrow_t&) noexcept { return Allocate(n); }
void operator delete(void* p) noexcept { Release(p); }
void operator delete[](void* p) noexcept { Release(p); }
void operator delete(void* p, std::size_t) noexcept { Release(p); }
void operator delete[](void* p, std::size_t) noexcept { Release(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { Release(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { Release(p); }
