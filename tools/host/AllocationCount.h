#pragma once
// Counting the heap allocations an effect makes while it processes.
//
// The counting itself belongs to the program, not to this library: the
// quillmere-host executable links a hook file (AllocationHook_linux.cpp:
// malloc and its relatives defined in the executable, which takes them over
// for every library the process loads; AllocationHook_win.cpp: the heap
// functions a loaded module imports are redirected). A program without a hook
// (tests, sanitizer builds, whose runtime owns malloc) cannot count, and says
// so.

#include <cstdint>

namespace qmhost {

struct AllocationHooks {
  const char* method;                 // how it counts, in a few words
  void (*start)();                    // counting on this thread from now
  uint64_t (*stop)();                 // stops; the count since start
  void (*watchModule)(void* module);  // a module just loaded (may be null)
};

// Called once by the hook file, before main.
void InstallAllocationHooks(const AllocationHooks* hooks);

bool CanCountAllocations();
// How allocations are counted, or why they are not.
const char* AllocationCountMethod();
void StartCountingAllocations();
uint64_t StopCountingAllocations();
// Lets the hook see a module the host just loaded (its system handle).
void WatchModuleAllocations(void* module);

}  // namespace qmhost
