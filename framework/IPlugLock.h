#pragma once
// The plug-in lock: recursive, so a thread holding it may take it again.
// A critical section on Windows, a recursive mutex elsewhere.

#ifndef _WIN32
#include <mutex>
#endif

class IPlugLock {
public:
  IPlugLock();
  ~IPlugLock();
  IPlugLock(const IPlugLock&) = delete;
  IPlugLock& operator=(const IPlugLock&) = delete;

  void Lock();
  // Takes the lock when it is free (or already held by this thread); false,
  // without waiting, when another thread holds it.
  bool TryLock();
  void Unlock();

private:
#ifdef _WIN32
  // The CRITICAL_SECTION itself, held as bytes so that <windows.h> stays out
  // of every file that includes the plug-in base; IPlugLock.cpp checks that
  // it fits.
  static constexpr unsigned kSectionSize = 40;
  alignas(8) unsigned char mSection[kSectionSize];
#else
  std::recursive_mutex mMutex;
#endif
};

// Holds the lock for its scope.
class IPlugLockGuard {
public:
  explicit IPlugLockGuard(IPlugLock& lock) : mLock(lock) { mLock.Lock(); }
  ~IPlugLockGuard() { mLock.Unlock(); }
  IPlugLockGuard(const IPlugLockGuard&) = delete;
  IPlugLockGuard& operator=(const IPlugLockGuard&) = delete;

private:
  IPlugLock& mLock;
};
