#pragma once
#include <vector>

#include "framework/IPlugLock.h"
#include "gui/IFontSpec.h"

class RasterFont;

// The fonts of every editor of the module, keyed by size, orientation,
// style and face name (colour, alignment and quality are not part of the
// key: specs differing only in those share the first font made). Fonts stay
// until the module is unloaded. One lock guards lookups and appends; it is
// never held while a font is created.
class IFontCache {
public:
  // The module's cache.
  static IFontCache& Instance();

  IFontCache() = default;
  ~IFontCache();
  IFontCache(const IFontCache&) = delete;
  IFontCache& operator=(const IFontCache&) = delete;

  // The font of the first entry matching the font spec's key, or null.
  RasterFont* Find(const IFontSpec& spec);
  // Makes a font for the font spec: the platform's font for the face (a face that
  // does not exist falls back to the system's default face), attached to a
  // RasterFont that owns it and may draw with the system's text call.
  // Null when no font at all can be made.
  static RasterFont* Create(const IFontSpec& spec);
  // Takes the font over under the font spec's key. False (and the font deleted)
  // when there is no memory for the entry.
  bool Append(const IFontSpec& spec, RasterFont* font);
  int Count();
  // Deletes every font, then the entries.
  void Clear();

private:
  struct Entry {
    int size;
    int orientation;
    int style;
    char face[IFontSpec::kFaceSize];
    RasterFont* font;
  };
  static bool Matches(const Entry& e, const IFontSpec& spec);

  IPlugLock mLock;
  std::vector<Entry> mEntries;
};
