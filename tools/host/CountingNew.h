#pragma once
// Counting every operator new of a program, from any thread: a program that
// links CountingNew.cpp (library qm_counting_new) replaces the global
// operator new and delete with ones that count and take their memory from
// malloc. The engine benchmarks and the test that the audio thread
// allocates nothing use it; unlike the host's allocation hooks
// (AllocationCount.h) it also works under the sanitizers, which let a
// program replace operator new.
#include <cstdint>

namespace qmhost {

// Calls of operator new (any form) since the program started.
uint64_t OperatorNewCalls();

}  // namespace qmhost
