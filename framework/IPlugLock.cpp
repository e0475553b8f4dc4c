#include "framework/IPlugLock.h"

#ifdef _WIN32
IPlugLock::IPlugLock() { InitializeCriticalSection(&mSection); }
IPlugLock::~IPlugLock() { DeleteCriticalSection(&mSection); }
void IPlugLock::Lock() { EnterCriticalSection(&mSection); }
void IPlugLock::Unlock() { LeaveCriticalSection(&mSection); }
#else
IPlugLock::IPlugLock() = default;
IPlugLock::~IPlugLock() = default;
void IPlugLock::Lock() { mMutex.lock(); }
void IPlugLock::Unlock() { mMutex.unlock(); }
#endif
