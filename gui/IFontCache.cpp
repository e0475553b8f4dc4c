#include "gui/IFontCache.h"

#include <cstring>
#include <new>

#include "gfx/FontFace.h"
#include "gfx/RasterFont.h"

IFontCache& IFontCache::Instance() {
  // Made on first use, so it is destroyed before the module's other
  // statics (the font libraries among them) when the module is unloaded.
  static IFontCache cache;
  return cache;
}

IFontCache::~IFontCache() { Clear(); }

bool IFontCache::Matches(const Entry& e, const IFontSpec& spec) {
  return e.size == spec.size && e.orientation == spec.orientation && e.style == spec.style &&
         std::strncmp(e.face, spec.face, IFontSpec::kFaceSize) == 0;
}

RasterFont* IFontCache::Find(const IFontSpec& spec) {
  IPlugLockGuard hold(mLock);
  for (const Entry& e : mEntries)
    if (Matches(e, spec)) return e.font;
  return nullptr;
}

RasterFont* IFontCache::Create(const IFontSpec& spec) {
  char faceName[IFontSpec::kFaceSize];
  std::memcpy(faceName, spec.face, sizeof(faceName));
  faceName[sizeof(faceName) - 1] = 0;
  FontRequest request;
  request.face = faceName;
  request.height = spec.size;
  // Tenths of a degree, kept within what an int holds.
  const long long escapement = static_cast<long long>(spec.orientation) * 10;
  request.escapement = escapement > 3600000 ? 3600000 : escapement < -3600000 ? -3600000 : int(escapement);
  request.weight = (spec.style & IFontSpec::kBold) ? 700 : 400;
  request.italic = (spec.style & IFontSpec::kItalic) != 0;
  request.quality = spec.quality;
  FontFace* face = CreateFontFace(request);
  if (!face && faceName[0]) {
    request.face = "";  // the system's default face
    face = CreateFontFace(request);
  }
  if (!face) return nullptr;
  RasterFont* font = new (std::nothrow) RasterFont();
  if (!font) {
    delete face;
    return nullptr;
  }
  font->AttachFont(face, FontOwnsHandle | FontSystemText);
  return font;
}

bool IFontCache::Append(const IFontSpec& spec, RasterFont* font) {
  if (!font) return false;
  Entry e{spec.size, spec.orientation, spec.style, {}, font};
  std::memcpy(e.face, spec.face, sizeof(e.face));
  e.face[sizeof(e.face) - 1] = 0;
  IPlugLockGuard hold(mLock);
  try {
    mEntries.push_back(e);
  } catch (...) {
    delete font;
    return false;
  }
  return true;
}

int IFontCache::Count() {
  IPlugLockGuard hold(mLock);
  return static_cast<int>(mEntries.size());
}

void IFontCache::Clear() {
  IPlugLockGuard hold(mLock);
  for (Entry& e : mEntries) delete e.font;
  mEntries.clear();
  mEntries.shrink_to_fit();
}
