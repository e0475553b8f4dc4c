// Fonts without a windowing system: faces are found with fontconfig (so that
// Windows face names such as "Arial" resolve to metric-compatible installed
// fonts) and drawn with FreeType.
#include "gfx/FontFace.h"

#include <dlfcn.h>
#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_SYNTHESIS_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <cmath>
#include <mutex>
#include <string>

#include "gfx/Bitmap.h"
#include "gfx/Surface.h"

namespace {

// Cell height used when a font is asked for with height 0.
constexpr int kDefaultCellHeight = 16;
// Largest pixels-per-em handed to FreeType. Fonts this large never have
// their glyphs drawn (the glyph cache refuses lines above 1023 pixels), so
// only their metrics matter.
constexpr int kMaxPixelsPerEm = 2048;

std::mutex gLibraryLock;
FT_Library gLibrary = nullptr;
// Our own fontconfig configuration, so that the host's is never touched.
FcConfig* gConfig = nullptr;
int gLiveFaces = 0;

// When the module is unloaded (or the program ends) the font libraries'
// state is released, so that loading and unloading the module leaves
// nothing behind; not while a face is still alive.
struct ReleaseAtUnload {
  ~ReleaseAtUnload() {
    std::lock_guard<std::mutex> hold(gLibraryLock);
    if (gLiveFaces != 0) return;
    if (gLibrary) FT_Done_FreeType(gLibrary);
    gLibrary = nullptr;
    if (gConfig) FcConfigDestroy(gConfig);
    gConfig = nullptr;
  }
} gReleaseAtUnload;

FT_Library Library() {
  std::lock_guard<std::mutex> hold(gLibraryLock);
  if (!gLibrary && FT_Init_FreeType(&gLibrary) != 0) gLibrary = nullptr;
  return gLibrary;
}

// fontconfig keeps some state of its own for as long as the library is
// loaded and gives it back only in FcFini, which would pull the default
// configuration from under a host that uses fontconfig too. Once used, the
// library therefore stays loaded, so that unloading and loading this module
// again reuses that state instead of losing it.
void KeepFontconfigLoaded() {
  Dl_info info;
  if (!dladdr(reinterpret_cast<void*>(&FcInitLoadConfigAndFonts), &info) || !info.dli_fname) return;
  if (void* handle = dlopen(info.dli_fname, RTLD_LAZY | RTLD_NOLOAD | RTLD_NODELETE)) dlclose(handle);
}

// Finds the file of the installed face that best matches the request.
bool FindFace(const FontRequest& request, std::string* file, int* index, bool* embolden,
              FcMatrix* matrix, bool* hasMatrix) {
  std::lock_guard<std::mutex> hold(gLibraryLock);
  if (!gConfig) {
    KeepFontconfigLoaded();
    gConfig = FcInitLoadConfigAndFonts();
  }
  if (!gConfig) return false;
  FcPattern* pattern = FcPatternCreate();
  if (!pattern) return false;
  const char* family = request.face && request.face[0] ? request.face : "sans-serif";
  FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family));
  const int weight = request.weight <= 0 ? 400 : std::min(request.weight, 1000);
  FcPatternAddInteger(pattern, FC_WEIGHT, FcWeightFromOpenType(weight));
  FcPatternAddInteger(pattern, FC_SLANT, request.italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
  FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
  FcConfigSubstitute(gConfig, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  FcResult result = FcResultNoMatch;
  FcPattern* match = FcFontMatch(gConfig, pattern, &result);
  FcPatternDestroy(pattern);
  if (!match) return false;
  bool found = false;
  FcChar8* path = nullptr;
  if (FcPatternGetString(match, FC_FILE, 0, &path) == FcResultMatch && path) {
    *file = reinterpret_cast<const char*>(path);
    int i = 0;
    *index = FcPatternGetInteger(match, FC_INDEX, 0, &i) == FcResultMatch ? i : 0;
    FcBool bold = FcFalse;
    *embolden = FcPatternGetBool(match, FC_EMBOLDEN, 0, &bold) == FcResultMatch && bold;
    FcMatrix* m = nullptr;
    *hasMatrix = FcPatternGetMatrix(match, FC_MATRIX, 0, &m) == FcResultMatch && m;
    if (*hasMatrix) *matrix = *m;
    found = true;
  }
  FcPatternDestroy(match);
  return found;
}

class FreeTypeFace : public FontFace {
public:
  FreeTypeFace(FT_Face face, int lineHeight, int ascent, bool mono, bool embolden)
      : mFace(face), mLineHeight(lineHeight), mAscent(ascent), mMono(mono), mEmbolden(embolden) {
    std::lock_guard<std::mutex> hold(gLibraryLock);
    ++gLiveFaces;
  }
  ~FreeTypeFace() override {
    std::lock_guard<std::mutex> hold(gLibraryLock);
    FT_Done_Face(mFace);
    --gLiveFaces;
  }

  int LineHeight() const override { return mLineHeight; }

  bool MeasureChar(uint16_t code, int* advance, int* height) override {
    *advance = 0;
    *height = mLineHeight;
    if (code < 32) return true;  // control characters take no room
    if (!Load(code)) return false;
    *advance = static_cast<int>((mFace->glyph->advance.x + 32) >> 6);
    return true;
  }

  void DrawChar(BitmapBase& scratch, uint16_t code, int x) override {
    if (code < 32 || !Load(code)) return;
    FT_GlyphSlot slot = mFace->glyph;
    if (slot->format != FT_GLYPH_FORMAT_BITMAP &&
        FT_Render_Glyph(slot, mMono ? FT_RENDER_MODE_MONO : FT_RENDER_MODE_NORMAL) != 0)
      return;
    const FT_Bitmap& bm = slot->bitmap;
    if (!bm.buffer || bm.width == 0 || bm.rows == 0) return;
    if (bm.pixel_mode != FT_PIXEL_MODE_GRAY && bm.pixel_mode != FT_PIXEL_MODE_MONO) return;
    Surface rows;
    if (!GetSurface(&scratch, &rows)) return;
    const int width = rows.width, height = rows.height;
    const int left = x + slot->bitmap_left;
    const int top = mAscent - slot->bitmap_top;
    const int grays = bm.pixel_mode == FT_PIXEL_MODE_GRAY && bm.num_grays > 1 ? bm.num_grays - 1 : 255;
    for (int row = 0; row < static_cast<int>(bm.rows); ++row) {
      const int y = top + row;
      if (y < 0 || y >= height) continue;
      const unsigned char* src = bm.buffer + static_cast<long>(row) * bm.pitch;
      uint32_t* dst = rows.Row(y);
      for (int col = 0; col < static_cast<int>(bm.width); ++col) {
        const int px = left + col;
        if (px < 0 || px >= width) continue;
        unsigned v;
        if (bm.pixel_mode == FT_PIXEL_MODE_MONO)
          v = (src[col >> 3] & (0x80 >> (col & 7))) ? 255 : 0;
        else
          v = grays == 255 ? src[col] : (src[col] * 255u + grays / 2) / grays;
        if (v == 0) continue;
        // White ink over what is there, like text drawn in white: keep the
        // brighter of the two.
        const uint32_t old = dst[px];
        const unsigned was = (old >> 16) & 0xFF;
        if (v > was) dst[px] = (old & 0xFF000000u) | (v << 16) | (v << 8) | v;
      }
    }
  }

private:
  bool Load(uint16_t code) {
    const FT_UInt index = FT_Get_Char_Index(mFace, code);  // 0 draws the missing-glyph box
    FT_Int32 flags = mMono ? FT_LOAD_TARGET_MONO : FT_LOAD_TARGET_NORMAL;
    if (FT_Load_Glyph(mFace, index, flags) != 0) return false;
    if (mEmbolden) FT_GlyphSlot_Embolden(mFace->glyph);
    return true;
  }

  FT_Face mFace;
  int mLineHeight;
  int mAscent;
  bool mMono;
  bool mEmbolden;
};

}  // namespace

#if defined(__SANITIZE_ADDRESS__)
// fontconfig 2.14 loses a few bytes while parsing its configuration files,
// once per process; the leak checker is told so that real leaks stand out.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }
#endif

FontFace* CreateFontFace(const FontRequest& request) {
  FT_Library library = Library();
  if (!library) return nullptr;
  std::string file;
  int index = 0;
  bool embolden = false, hasMatrix = false;
  FcMatrix matrix{1, 0, 0, 1};
  if (!FindFace(request, &file, &index, &embolden, &matrix, &hasMatrix)) return nullptr;

  FT_Face face = nullptr;
  {
    std::lock_guard<std::mutex> hold(gLibraryLock);
    if (FT_New_Face(library, file.c_str(), index, &face) != 0) return nullptr;
  }
  if (!FT_IS_SCALABLE(face) || face->units_per_EM == 0) {
    std::lock_guard<std::mutex> hold(gLibraryLock);
    FT_Done_Face(face);
    return nullptr;
  }
  FT_Select_Charmap(face, FT_ENCODING_UNICODE);

  // The cell (ascent plus descent) of a Windows font comes from the OS/2
  // table's Windows metrics; a positive height asks for that cell height and
  // a negative one for the em height, both at whole pixels per em.
  const double upem = face->units_per_EM;
  double cellUnits = 0, ascentUnits = 0;
  if (const TT_OS2* os2 = static_cast<TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2))) {
    if (os2->version != 0xFFFF && os2->usWinAscent + os2->usWinDescent > 0) {
      ascentUnits = os2->usWinAscent;
      cellUnits = double(os2->usWinAscent) + os2->usWinDescent;
    }
  }
  if (cellUnits <= 0) {
    ascentUnits = face->ascender;
    cellUnits = double(face->ascender) - face->descender;
  }
  if (cellUnits <= 0) {
    ascentUnits = upem * 0.8;
    cellUnits = upem;
  }
  const int height = request.height == 0 ? kDefaultCellHeight
                                         : std::max(-1000000, std::min(request.height, 1000000));
  double ppem = height > 0 ? std::floor(height * upem / cellUnits + 0.5) : double(-height);
  ppem = std::max(1.0, ppem);
  const int ascent = static_cast<int>(std::floor(ascentUnits * ppem / upem + 0.5));
  const int descent = static_cast<int>(std::floor((cellUnits - ascentUnits) * ppem / upem + 0.5));
  const int lineHeight = std::max(1, ascent + descent);
  const FT_UInt pixels = static_cast<FT_UInt>(std::min<double>(ppem, kMaxPixelsPerEm));
  if (FT_Set_Pixel_Sizes(face, 0, pixels) != 0) {
    std::lock_guard<std::mutex> hold(gLibraryLock);
    FT_Done_Face(face);
    return nullptr;
  }
  if (hasMatrix && (matrix.xx != 1 || matrix.xy != 0 || matrix.yx != 0 || matrix.yy != 1)) {
    // fontconfig's synthetic oblique for a face without an italic style
    FT_Matrix m;
    m.xx = static_cast<FT_Fixed>(matrix.xx * 65536.0);
    m.xy = static_cast<FT_Fixed>(matrix.xy * 65536.0);
    m.yx = static_cast<FT_Fixed>(matrix.yx * 65536.0);
    m.yy = static_cast<FT_Fixed>(matrix.yy * 65536.0);
    FT_Set_Transform(face, &m, nullptr);
  }
  const bool mono = request.quality != 0 && request.quality != 2 && request.quality != 3;
  return new FreeTypeFace(face, lineHeight, ascent, mono, embolden);
}
