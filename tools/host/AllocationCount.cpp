#include "tools/host/AllocationCount.h"

namespace qmhost {

namespace {
const AllocationHooks* gHooks = nullptr;
}

void InstallAllocationHooks(const AllocationHooks* hooks) { gHooks = hooks; }

bool CanCountAllocations() { return gHooks != nullptr; }

const char* AllocationCountMethod() {
  if (gHooks) return gHooks->method;
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
  return "not measured: the sanitizer runtime owns the heap functions in this build";
#else
  return "not measured: this program has no allocation hook";
#endif
}

void StartCountingAllocations() {
  if (gHooks) gHooks->start();
}

uint64_t StopCountingAllocations() { return gHooks ? gHooks->stop() : 0; }

void WatchModuleAllocations(void* module) {
  if (gHooks && gHooks->watchModule && module) gHooks->watchModule(module);
}

}  // namespace qmhost
