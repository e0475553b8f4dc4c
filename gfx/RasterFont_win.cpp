// Text through the Windows text call, and the platform pieces of the glyph
// path.
#include "gfx/RasterFont.h"
#include "gfx/RasterFontPlatform.h"

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>

#include "gfx/Bitmap.h"
#include "gfx/Draw.h"
#include "gfx/Utf8.h"

namespace {

SysBitmap* gTextScratch = nullptr;

COLORREF ToColorRef(uint32_t argb) {
  return RGB((argb >> 16) & 0xFF, (argb >> 8) & 0xFF, argb & 0xFF);
}

// A text converted from UTF-8 to UTF-16 for the wide text call; empty when
// the text is plain bytes or does not convert.
class WideText {
public:
  WideText(const char* text, int count) {
    if (!HasUtf8Sequence(text, count)) return;
    const int n = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text, count, nullptr, 0);
    if (n <= 0) return;
    wchar_t* buffer = mLocal;
    if (n > 999) {
      mHeap.reset(new (std::nothrow) wchar_t[static_cast<size_t>(n) + 32]);
      if (!mHeap) return;
      buffer = mHeap.get();
    }
    if (MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text, count, buffer, n) != n) return;
    buffer[n] = 0;  // a counted text converts without its terminator
    mText = buffer;
  }
  const wchar_t* Get() const { return mText; }

private:
  wchar_t mLocal[1024];
  std::unique_ptr<wchar_t[]> mHeap;
  const wchar_t* mText = nullptr;
};

int DrawWithFont(HDC dc, HFONT font, const WideText& wide, const char* text, int count, RECT* r, UINT flags,
                 uint32_t ink, int backMode, uint32_t back) {
  HGDIOBJ old = SelectObject(dc, font);
  SetTextColor(dc, ToColorRef(ink));
  SetBkMode(dc, backMode);
  if (backMode == OPAQUE) SetBkColor(dc, ToColorRef(back));
  const int result = wide.Get() ? DrawTextW(dc, wide.Get(), -1, r, flags | DT_NOPREFIX)
                                : DrawTextA(dc, text, count, r, flags | DT_NOPREFIX);
  GdiFlush();
  SelectObject(dc, old);
  return result;
}

}  // namespace

void DestroyTextScratch() {
  delete gTextScratch;
  gTextScratch = nullptr;
}

bool AskRunsUnderWine() {
  HKEY key = nullptr;
  if (RegOpenKeyA(HKEY_LOCAL_MACHINE, "Software\\Wine", &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
}

BitmapBase* RasterFont::TextScratch() { return gTextScratch; }

int RasterFont::SystemText(BitmapBase* bitmap, const char* text, int count, IBounds* rect, int flags) {
  HFONT font = static_cast<HFONT>(mHandle ? mHandle->NativeHandle() : nullptr);
  if (!font) return 0;
  const WideText wide(text, count);
  const UINT format = static_cast<UINT>(flags);

  if (HDC dc = bitmap ? static_cast<HDC>(bitmap->DrawContext()) : nullptr) {
    RECT r{rect->left, rect->top, rect->right, rect->bottom};
    const int result = DrawWithFont(dc, font, wide, text, count, &r, format, mInk, mBackMode, mBack);
    if (flags & kTextCalcRect) *rect = IBounds{r.left, r.top, r.right, r.bottom};
    return result;
  }

  // No device context: measure and draw through the text scratch bitmap.
  if (!gTextScratch) gTextScratch = new (std::nothrow) SysBitmap(4, 4);
  if (!gTextScratch) return 0;
  if (gTextScratch->Width() < 4 || gTextScratch->Height() < 4)
    gTextScratch->SetSize(std::max(4, gTextScratch->Width()), std::max(4, gTextScratch->Height()));
  HDC sdc = static_cast<HDC>(gTextScratch->DrawContext());
  if (!sdc || !gTextScratch->Pixels()) return 0;

  const UINT align = DT_CENTER | DT_RIGHT | DT_VCENTER | DT_BOTTOM;
  RECT m{0, 0, rect->right - rect->left, rect->bottom - rect->top};
  HGDIOBJ old = SelectObject(sdc, font);
  const int measured = wide.Get() ? DrawTextW(sdc, wide.Get(), -1, &m, (format & ~align) | DT_CALCRECT | DT_NOPREFIX)
                                  : DrawTextA(sdc, text, count, &m, (format & ~align) | DT_CALCRECT | DT_NOPREFIX);
  SelectObject(sdc, old);
  const int width = m.right - m.left, height = m.bottom - m.top;
  if (flags & kTextCalcRect) {
    rect->right = rect->left + width;
    rect->bottom = rect->top + height;
    return measured;
  }
  if (!bitmap || width <= 0 || height <= 0) return 0;

  // Where the text call would put the text in rect.
  int x = rect->left, y = rect->top;
  if (flags & kTextRight)
    x = rect->right - width;
  else if (flags & kTextCenter)
    x = (rect->left + rect->right - width) / 2;
  if (flags & kTextBottom)
    y = rect->bottom - height;
  else if (flags & kTextVCenter)
    y = (rect->top + rect->bottom - height) / 2;
  // The area copied through the scratch: the text's box with room for
  // overhanging glyphs on either side, within the bitmap and, unless the text
  // may spill, within rect.
  const int extra = mLineHeight < 16 ? 2 : mLineHeight / 16 + 2;
  int left = x - extra, top = y, right = x + width + extra, bottom = y + height;
  left = std::max(left, 0);
  top = std::max(top, 0);
  right = std::min(right, bitmap->Width());
  bottom = std::min(bottom, bitmap->Height());
  if (!(flags & kTextNoClip)) {
    left = std::max(left, rect->left);
    top = std::max(top, rect->top);
    right = std::min(right, rect->right);
    bottom = std::min(bottom, rect->bottom);
  }
  if (left >= right || top >= bottom) return 0;
  const int boxWidth = right - left, boxHeight = bottom - top;
  if (gTextScratch->Width() < boxWidth || gTextScratch->Height() < boxHeight)
    gTextScratch->SetSize(std::max(boxWidth, gTextScratch->Width()), std::max(boxHeight, gTextScratch->Height()));
  if (!gTextScratch->Pixels() || gTextScratch->Width() < boxWidth || gTextScratch->Height() < boxHeight) return 0;
  sdc = static_cast<HDC>(gTextScratch->DrawContext());
  if (!sdc) return 0;

  BlitPart(gTextScratch, bitmap, 0, 0, left, top, boxWidth, boxHeight, 1.0f, ModeCopy);
  RECT r{x - left, y - top, x - left + width, y - top + height};
  const int result = DrawWithFont(sdc, font, wide, text, count, &r, (format & ~align) | DT_NOCLIP, mInk, mBackMode,
                                  mBack);
  BlitPart(bitmap, gTextScratch, left, top, 0, 0, boxWidth, boxHeight, mAlpha, ModeCopy);
  return result;
}
