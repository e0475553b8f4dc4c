// The module's exported entry points.
#include <new>

#include "framework/IPlugLock.h"
#include "vst/IPlugVST.h"

#if defined(_WIN32)
#define QM_EXPORT extern "C" __declspec(dllexport)
#else
#define QM_EXPORT extern "C" __attribute__((visibility("default")))
#endif

namespace {

// Serialises creation when hosts create several instances at once.
IPlugLock& CreationLock() {
  static IPlugLock lock;
  return lock;
}

}  // namespace

QM_EXPORT AEffect* VSTCALLBACK VSTPluginMain(audioMasterCallback host) {
  IPlugLockGuard lock(CreationLock());
  IPlugVST* plug = nullptr;
  try {
    plug = MakePlug(host);
  } catch (...) {
    plug = nullptr;
  }
  if (!plug) return nullptr;
  plug->EnsureDefaultProgram();
  AEffect* effect = plug->Effect();
  if (effect->numPrograms < 1) effect->numPrograms = 1;
  return effect;
}

#if !defined(_WIN32) && !defined(QM_ENTRY_WITHOUT_MAIN)
// The same entry under the older exported name "main" (on Windows the module
// definition file exports it as an alias). Programs that link the entry
// directly (the fuzz targets) have a main of their own.
QM_EXPORT AEffect* VSTCALLBACK VstMainAlias(audioMasterCallback host) __asm__("main");
QM_EXPORT AEffect* VSTCALLBACK VstMainAlias(audioMasterCallback host) { return VSTPluginMain(host); }
#endif
