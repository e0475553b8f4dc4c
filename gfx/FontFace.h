#pragma once
#include <cstdint>

class BitmapBase;

// What text rendering needs of a font: its line height, and the advance and
// coverage of a single character. On Windows it is a GDI font; elsewhere a
// FreeType face found through fontconfig.
class FontFace {
public:
  virtual ~FontFace() = default;

  // The height of a text line in pixels (the font's cell height, ascent plus
  // descent).
  virtual int LineHeight() const = 0;

  // Measures one character as a one-character line of text: *advance is the
  // pen movement and *height the line's height. False when the character
  // cannot be measured.
  virtual bool MeasureChar(uint16_t code, int* advance, int* height) = 0;

  // Draws one character in white on the black scratch bitmap, its pen at
  // (x, 0) and its line's top at row 0. Only the red byte of the touched
  // pixels matters to the caller; nothing outside the bitmap is touched.
  virtual void DrawChar(BitmapBase& scratch, uint16_t code, int x) = 0;

  // The platform's own font object (a Windows HFONT), or null when there is
  // none.
  virtual void* NativeHandle() const { return nullptr; }
};

// What to create a font from. The fields follow the Windows font: height is
// the cell height in pixels (0 picks a default size, a negative value is the
// character height without internal leading), escapement is in tenths of a
// degree, weight 400 is normal and 700 bold, quality is 0 default, 1 not
// anti-aliased, 2 anti-aliased, 3 ClearType (other values act as 1).
struct FontRequest {
  const char* face = "";
  int height = 0;
  int escapement = 0;
  int weight = 400;
  bool italic = false;
  int quality = 0;
};

// Creates a font for the request, or null when no font can be made. The caller
// owns the result.
FontFace* CreateFontFace(const FontRequest& request);
