// Fonts on Windows: GDI fonts, measured and drawn with the system text call.
#include "gfx/FontFace.h"

#include <windows.h>

#include "gfx/Bitmap.h"

namespace {

constexpr UINT kCharFlags = DT_NOPREFIX | DT_SINGLELINE;

class GdiFontFace : public FontFace {
public:
  GdiFontFace(HFONT font, HDC dc) : mFont(font), mDC(dc) {
    HGDIOBJ old = SelectObject(mDC, mFont);
    TEXTMETRICA tm{};
    if (GetTextMetricsA(mDC, &tm)) mLineHeight = tm.tmHeight;
    SelectObject(mDC, old);
  }
  ~GdiFontFace() override {
    DeleteDC(mDC);
    DeleteObject(mFont);
  }

  int LineHeight() const override { return mLineHeight; }

  bool MeasureChar(uint16_t code, int* advance, int* height) override {
    RECT r{0, 0, 0, 0};
    if (!Measure(mDC, code, &r)) return false;
    *advance = r.right;
    *height = r.bottom;
    return true;
  }

  void DrawChar(BitmapBase& scratch, uint16_t code, int x) override {
    HDC dc = static_cast<HDC>(scratch.DrawContext());
    if (!dc) return;
    RECT r{0, 0, 0, 0};
    if (!Measure(dc, code, &r)) return;
    HGDIOBJ old = SelectObject(dc, mFont);
    SetTextColor(dc, RGB(255, 255, 255));
    SetBkMode(dc, OPAQUE);
    SetBkColor(dc, RGB(0, 0, 0));
    OffsetRect(&r, x, 0);
    const wchar_t text[2] = {static_cast<wchar_t>(code), 0};
    DrawTextW(dc, text, 1, &r, kCharFlags | DT_NOCLIP);
    GdiFlush();  // the caller reads the pixels next
    SelectObject(dc, old);
  }

  void* NativeHandle() const override { return mFont; }

private:
  bool Measure(HDC dc, uint16_t code, RECT* r) {
    HGDIOBJ old = SelectObject(dc, mFont);
    const wchar_t text[2] = {static_cast<wchar_t>(code), 0};
    const int ok = DrawTextW(dc, text, 1, r, kCharFlags | DT_CALCRECT);
    SelectObject(dc, old);
    return ok != 0;
  }

  HFONT mFont;
  HDC mDC;  // for metrics and measuring
  int mLineHeight = 0;
};

}  // namespace

FontFace* CreateFontFace(const FontRequest& request) {
  DWORD quality = NONANTIALIASED_QUALITY;
  if (request.quality == 0)
    quality = DEFAULT_QUALITY;
  else if (request.quality == 2)
    quality = ANTIALIASED_QUALITY;
  else if (request.quality == 3)
    quality = CLEARTYPE_QUALITY;
  HFONT font = CreateFontA(request.height, 0, request.escapement, request.escapement, request.weight,
                           request.italic ? TRUE : FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                           CLIP_DEFAULT_PRECIS, quality, DEFAULT_PITCH, request.face ? request.face : "");
  if (!font) return nullptr;
  HDC dc = CreateCompatibleDC(nullptr);
  if (!dc) {
    DeleteObject(font);
    return nullptr;
  }
  return new GdiFontFace(font, dc);
}
