// The editor window's pop-ups and dialogs: typed value and text entry over
// a control, the host's and the module's folders, the file and colour
// dialogs, and opening a web address.
#include "gui/IGuiWin.h"

#include <commdlg.h>
#include <shellapi.h>

#include <cwchar>
#include <new>
#include <vector>

#include "framework/IParameter.h"
#include "gui/IEditableTextControl.h"
#include "gui/IGuiWinRules.h"
#include "gui/IValueEntry.h"

namespace {

// Fonts made for entry pop-ups and not released yet.
int gLiveEntryFonts = 0;

// The pop-up's text is read up to this many characters, the terminator
// included.
constexpr int kEntryTextSize = 1000;
// The file dialog's buffer, in characters.
constexpr int kFileNameSize = 256;

std::wstring Wide(const std::string& text) {
  if (text.empty()) return std::wstring();
  const int n = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  if (n <= 0) return std::wstring();
  std::wstring wide(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &wide[0], n);
  return wide;
}

std::wstring Wide(const char* text) { return text ? Wide(std::string(text)) : std::wstring(); }

std::string Utf8(const wchar_t* text, int length) {
  if (length <= 0) return std::string();
  const int n = WideCharToMultiByte(CP_UTF8, 0, text, length, nullptr, 0, nullptr, nullptr);
  if (n <= 0) return std::string();
  std::string narrow(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text, length, &narrow[0], n, nullptr, nullptr);
  return narrow;
}

HFONT MakeEntryFont(int height, int weight, bool italic, const char* face) {
  HFONT font = CreateFontW(height, 0, 0, 0, weight, italic ? TRUE : FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                           OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH,
                           Wide(face).c_str());
  if (font) ++gLiveEntryFonts;
  return font;
}

void ReleaseEntryFont(HFONT font) {
  if (font && DeleteObject(font)) --gLiveEntryFonts;
}

// The full file name of a module (null: the host program), in UTF-8; empty
// when it cannot be read whole.
std::string ModuleFileName(HMODULE module) {
  std::vector<wchar_t> name(32768);
  const DWORD n = GetModuleFileNameW(module, name.data(), static_cast<DWORD>(name.size()));
  if (n == 0 || n >= name.size()) return std::string();
  return Utf8(name.data(), static_cast<int>(n));
}

// Sets the colour chooser's caption to the title it was given.
UINT_PTR CALLBACK ColourHook(HWND dialog, UINT message, WPARAM, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    const CHOOSECOLORW* choose = reinterpret_cast<const CHOOSECOLORW*>(lParam);
    if (choose && choose->lCustData) SetWindowTextW(dialog, reinterpret_cast<const wchar_t*>(choose->lCustData));
  }
  return 0;
}

}  // namespace

int IGuiWin::LiveEntryFonts() { return gLiveEntryFonts; }

// ---- Entry pop-ups ------------------------------------------------------------------

void IGuiWin::PromptValue(IControl* control, IParameter* param, bool centred) {
  if (!control || !param || mEntryWindow || !mWindow) return;
  IValueEntry entry;
  if (!LayoutValueEntry(control, param, centred, &entry)) return;
  const IBounds& b = entry.bounds;
  const HMENU id = reinterpret_cast<HMENU>(static_cast<INT_PTR>(kPopupId));
  HWND popup;
  if (entry.kind == IValueEntry::EditBox) {
    const DWORD style = WS_CHILD | WS_VISIBLE | ES_MULTILINE | (entry.centreText ? ES_CENTER : 0);
    popup = CreateWindowExW(0, L"EDIT", Wide(entry.text).c_str(), style, b.left, b.top, b.W(), b.H(), mWindow, id,
                            mModule, nullptr);
    if (!popup) return;
    SendMessageW(popup, EM_SETSEL, 0, -1);
  } else {
    popup = CreateWindowExW(0, L"COMBOBOX", L"", WS_CHILD | WS_VISIBLE | CBS_DROPDOWNLIST, b.left, b.top, b.W(), b.H(),
                            mWindow, id, mModule, nullptr);
    if (!popup) return;
    for (const std::string& item : entry.items)
      SendMessageW(popup, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Wide(item).c_str()));
    SendMessageW(popup, CB_SETCURSEL, static_cast<WPARAM>(entry.selected), 0);
  }
  AdoptPopup(popup, MakeEntryFont(14, 0, false, "Arial"), control, param);
}

void IGuiWin::PromptText(IEditableTextControl* control) {
  if (!control || mEntryWindow || !mWindow) return;
  const IFontSpec& font = control->Font();
  DWORD style = WS_CHILD | WS_VISIBLE;
  style |= font.align == IFontSpec::kAlignLeft ? ES_LEFT : (font.align == IFontSpec::kAlignRight ? ES_RIGHT : ES_CENTER);
  if (!control->Editable()) style |= ES_READONLY;
  style |= control->Masked() ? ES_PASSWORD : ES_MULTILINE;
  const IBounds& b = control->Bounds();
  HWND popup = CreateWindowExW(0, L"EDIT", Wide(control->Text()).c_str(), style, b.left, b.top, b.W(), b.H(), mWindow,
                               reinterpret_cast<HMENU>(static_cast<INT_PTR>(kPopupId)), mModule, nullptr);
  if (!popup) return;
  SendMessageW(popup, EM_SETSEL, 0, -1);
  AdoptPopup(popup, MakeEntryFont(font.size, font.style == IFontSpec::kBold ? FW_BOLD : 0, font.style == IFontSpec::kItalic, font.face),
             control, nullptr);
}

void IGuiWin::AdoptPopup(HWND popup, HFONT font, IControl* control, IParameter* param) {
  // The focus moves before the pop-up's procedure is replaced, so that it
  // does not count as typing.
  SetFocus(popup);
  mEntryWindow = popup;
  mEntryProc = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(popup, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(PopupProc)));
  SetWindowLongPtrW(popup, GWLP_USERDATA, kPopupMarker);
  mEntryFont = font;
  if (font) SendMessageW(popup, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  mEntry.Open(control, param);
}

std::string IGuiWin::PopupText() const {
  if (!mEntryWindow) return std::string();
  wchar_t text[kEntryTextSize];
  const int n = GetWindowTextW(mEntryWindow, text, kEntryTextSize);
  return Utf8(text, n);
}

void IGuiWin::ClosePopup(const char* committedText) {
  mEntry.Close(this, committedText);
  DestroyPopup();
}

void IGuiWin::DestroyPopup() {
  HWND popup = mEntryWindow;
  WNDPROC proc = mEntryProc;
  HFONT font = mEntryFont;
  mEntryWindow = nullptr;
  mEntryProc = nullptr;
  mEntryFont = nullptr;
  if (popup) {
    // Its own procedure back first, so that it is destroyed as it was made.
    if (proc) SetWindowLongPtrW(popup, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(proc));
    DestroyWindow(popup);
  }
  ReleaseEntryFont(font);
}

LRESULT CALLBACK IGuiWin::PopupProc(HWND popup, UINT message, WPARAM wParam, LPARAM lParam) {
  IGuiWin* gui = FromWindow(GetParent(popup));
  if (!gui || gui->mEntryWindow != popup || !gui->mEntryProc) return DefWindowProcW(popup, message, wParam, lParam);
  return gui->HandlePopupMessage(popup, message, wParam, lParam);
}

LRESULT IGuiWin::HandlePopupMessage(HWND popup, UINT message, WPARAM wParam, LPARAM lParam) {
  WNDPROC passOn = mEntryProc;
  switch (message) {
    case WM_SETFOCUS:
      mEntry.FocusGained();
      break;
    case WM_KILLFOCUS:
      mEntry.FocusLost();
      break;
    case WM_KEYDOWN:
      if (wParam == VK_RETURN) {
        wchar_t className[5] = {};
        GetClassNameW(popup, className, 5);
        if (_wcsicmp(className, L"EDIT") == 0) SendMessageW(popup, EM_SETSEL, static_cast<WPARAM>(-1), 0);
        mEntry.KeyDown(true);
        return 0;
      }
      mEntry.KeyDown(false);
      break;
    case WM_GETDLGCODE:
      if (mEntry.Param()) break;
      {
        LRESULT code = CallWindowProcW(passOn, popup, message, wParam, lParam);
        const MSG* queried = reinterpret_cast<const MSG*>(lParam);
        if (queried && queried->message == WM_KEYDOWN && queried->wParam == VK_RETURN) code |= DLGC_WANTALLKEYS;
        return code;
      }
    case WM_COMMAND:
      if (HIWORD(wParam) == 1) {  // the list's selection changed
        mEntry.ListPicked();
        return 0;
      }
      break;
    default:
      break;
  }
  return CallWindowProcW(passOn, popup, message, wParam, lParam);
}

// ---- Folders, files, colours, addresses -----------------------------------------------

void IGuiWin::HostFolder(std::string* out) {
  if (out) *out = iguiwin::FolderOfFileName(ModuleFileName(nullptr));
}

void IGuiWin::ModuleFolder(std::string* out) {
  if (out) *out = iguiwin::FolderOfFileName(ModuleFileName(mModule));
}

void IGuiWin::PromptFile(std::string* fileName, int action, const char* folder, const char* extensions) {
  if (!fileName) return;
  if (!IsWindowOpen()) {
    fileName->clear();
    return;
  }
  wchar_t buffer[kFileNameSize] = {};
  const std::wstring given = Wide(*fileName);
  wcsncpy(buffer, given.c_str(), kFileNameSize - 1);
  const std::wstring initialFolder = Wide(folder);

  std::wstring filter, defaultExtension;
  if (extensions && extensions[0]) {
    const std::wstring pattern = Wide(iguiwin::FileFilterPattern(extensions));
    // Description and pattern, each ended by a zero, and a zero after both.
    filter = pattern + L'\0' + pattern + L'\0' + L'\0';
    defaultExtension = Wide(iguiwin::DefaultExtension(extensions));
  }

  OPENFILENAMEW ofn = {};
  ofn.lStructSize = sizeof(ofn);
  ofn.hwndOwner = mWindow;
  ofn.lpstrFilter = filter.empty() ? nullptr : filter.c_str();
  ofn.lpstrFile = buffer;
  ofn.nMaxFile = kFileNameSize - 1;
  ofn.lpstrInitialDir = initialFolder.empty() ? nullptr : initialFolder.c_str();
  ofn.lpstrTitle = L"Select audio sample";
  ofn.lpstrDefExt = defaultExtension.empty() ? nullptr : defaultExtension.c_str();
  BOOL chosen;
  if (action == 1) {
    ofn.Flags = OFN_EXPLORER | OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST | OFN_OVERWRITEPROMPT;
    chosen = GetSaveFileNameW(&ofn);
  } else {
    ofn.Flags = OFN_EXPLORER | OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST;
    chosen = GetOpenFileNameW(&ofn);
  }
  buffer[kFileNameSize - 1] = 0;
  *fileName = chosen ? Utf8(buffer, static_cast<int>(wcslen(buffer))) : std::string();
}

bool IGuiWin::PromptColour(IRgba* colour, const char* title) {
  if (!colour || !IsWindowOpen()) return false;
  if (!mCustomColours) {
    mCustomColours.reset(new (std::nothrow) COLORREF[16]());
    if (!mCustomColours) return false;
  }
  const std::wstring caption = Wide(title);
  CHOOSECOLORW cc = {};
  cc.lStructSize = sizeof(cc);
  cc.hwndOwner = mWindow;
  cc.rgbResult = RGB(colour->R & 0xFF, colour->G & 0xFF, colour->B & 0xFF);
  cc.lpCustColors = mCustomColours.get();
  cc.Flags = CC_RGBINIT | CC_FULLOPEN | CC_ENABLEHOOK | CC_SOLIDCOLOR | CC_ANYCOLOR;
  cc.lCustData = title ? reinterpret_cast<LPARAM>(caption.c_str()) : 0;
  cc.lpfnHook = ColourHook;
  if (!ChooseColorW(&cc)) return false;
  colour->R = GetRValue(cc.rgbResult);
  colour->G = GetGValue(cc.rgbResult);
  colour->B = GetBValue(cc.rgbResult);
  return true;
}

bool IGuiWin::OpenAddress(const char* address, const char* title, const char* confirm, const char* error) {
  if (!address) return false;
  const std::wstring caption = Wide(title);
  const wchar_t* captionText = title ? caption.c_str() : nullptr;
  if (confirm && MessageBoxW(mWindow, Wide(confirm).c_str(), captionText, MB_YESNO) != IDYES) return false;
  const HINSTANCE result = ShellExecuteW(nullptr, L"open", Wide(address).c_str(), nullptr, nullptr, SW_SHOWNORMAL);
  if (reinterpret_cast<INT_PTR>(result) > 32) return true;
  if (error) MessageBoxW(mWindow, Wide(error).c_str(), captionText, MB_OK);
  return false;
}
