#pragma once
#include <vector>

#include "framework/IPlugLock.h"

class BitmapBase;

// The images of every editor of the module, by resource id. Bitmaps cut out
// of other images are kept under id -1. Entries stay until the module is
// unloaded, when every bitmap is deleted. One lock guards lookups and
// appends; it is never held while an image is decoded.
class IImageCache {
public:
  static constexpr int kCroppedId = -1;

  // The module's cache.
  static IImageCache& Instance();

  IImageCache() = default;
  ~IImageCache();
  IImageCache(const IImageCache&) = delete;
  IImageCache& operator=(const IImageCache&) = delete;

  // The bitmap of the first entry with this id, or null.
  BitmapBase* Find(int id);
  // Takes the bitmap over. False (and the bitmap deleted) when there is no
  // memory for the entry.
  bool Append(int id, BitmapBase* bitmap);
  int Count();
  // Deletes every bitmap, then the entries.
  void Clear();

private:
  struct Entry {
    int id;
    BitmapBase* bitmap;
  };
  IPlugLock mLock;
  std::vector<Entry> mEntries;
};
