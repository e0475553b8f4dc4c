#include "framework/IPlugLock.h"

#ifdef _WIN32
#include <windows.h>

namespace {
CRITICAL_SECTION* Section(unsigned char* bytes) { return reinterpret_cast<CRITICAL_SECTION*>(bytes); }
}  // namespace

IPlugLock::IPlugLock() {
  static_assert(sizeof(CRITICAL_SECTION) <= kSectionSize && alignof(CRITICAL_SECTION) <= 8,
                "IPlugLock holds too little room for a critical section");
  InitializeCriticalSection(Section(mSection));
}
IPlugLock::~IPlugLock() { DeleteCriticalSection(Section(mSection)); }
void IPlugLock::Lock() { EnterCriticalSection(Section(mSection)); }
bool IPlugLock::TryLock() { return TryEnterCriticalSection(Section(mSection)) != 0; }
void IPlugLock::Unlock() { LeaveCriticalSection(Section(mSection)); }
#else
IPlugLock::IPlugLock() = default;
IPlugLock::~IPlugLock() = default;
void IPlugLock::Lock() { mMutex.lock(); }
bool IPlugLock::TryLock() { return mMutex.try_lock(); }
void IPlugLock::Unlock() { mMutex.unlock(); }
#endif
