#include "gui/IImageCache.h"

#include "gfx/Bitmap.h"

IImageCache& IImageCache::Instance() {
  // Made on first use, so it is destroyed before the module's other
  // statics when the module is unloaded.
  static IImageCache cache;
  return cache;
}

IImageCache::~IImageCache() { Clear(); }

BitmapBase* IImageCache::Find(int id) {
  IPlugLockGuard hold(mLock);
  for (const Entry& e : mEntries)
    if (e.id == id) return e.bitmap;
  return nullptr;
}

bool IImageCache::Append(int id, BitmapBase* bitmap) {
  if (!bitmap) return false;
  IPlugLockGuard hold(mLock);
  try {
    mEntries.push_back(Entry{id, bitmap});
  } catch (...) {
    delete bitmap;
    return false;
  }
  return true;
}

int IImageCache::Count() {
  IPlugLockGuard hold(mLock);
  return static_cast<int>(mEntries.size());
}

void IImageCache::Clear() {
  IPlugLockGuard hold(mLock);
  for (Entry& e : mEntries) delete e.bitmap;
  mEntries.clear();
  mEntries.shrink_to_fit();
}
