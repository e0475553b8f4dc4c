#include "tests/gui/WindowTestSupport.h"

#include <winternl.h>

namespace wintest {

namespace {

LRESULT CALLBACK FrameProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return DefWindowProcW(window, message, wParam, lParam);
}

BOOL CALLBACK CountChild(HWND, LPARAM count) {
  ++*reinterpret_cast<int*>(count);
  return TRUE;
}

BOOL CALLBACK CountTopLevel(HWND window, LPARAM count) {
  ++*reinterpret_cast<int*>(count);
  EnumChildWindows(window, CountChild, count);
  return TRUE;
}

// An entry of the GDI handle table: the layout Windows and Wine share.
struct GdiHandleEntry {
  uint64_t object;
  uint32_t owner;
  uint16_t unique;
  uint8_t type;  // 0: free
  uint8_t flags;
  uint64_t user;
};
static_assert(sizeof(GdiHandleEntry) == 24, "GDI handle table entries are 24 bytes");
constexpr size_t kGdiTableOffset = 0xF8;  // PEB.GdiSharedHandleTable on x64
constexpr int kGdiTableEntries = 0x10000;

struct FindArgs {
  const std::wstring* className;
  const std::wstring* caption;
  HWND found;
  std::wstring seen;
};

BOOL CALLBACK FindDialog(HWND window, LPARAM param) {
  FindArgs* args = reinterpret_cast<FindArgs*>(param);
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  if (pid != GetCurrentProcessId() || !IsWindowVisible(window)) return TRUE;
  wchar_t text[256] = {};
  GetClassNameW(window, text, 256);
  if (*args->className != text) return TRUE;
  GetWindowTextW(window, text, 256);
  if (!args->caption->empty() && *args->caption != text) return TRUE;
  args->found = window;
  args->seen = text;
  return FALSE;
}

}  // namespace

HWND MakeFrame() {
  static bool registered = false;
  HINSTANCE instance = GetModuleHandleW(nullptr);
  if (!registered) {
    WNDCLASSW wc = {};
    wc.lpfnWndProc = FrameProc;
    wc.hInstance = instance;
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    wc.lpszClassName = L"QmTestFrame";
    registered = RegisterClassW(&wc) != 0;
  }
  RECT r = {0, 0, 600, 400};
  const DWORD style = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
  AdjustWindowRect(&r, style, FALSE);
  HWND frame = CreateWindowExW(0, L"QmTestFrame", L"frame", style, 20, 20, r.right - r.left, r.bottom - r.top, nullptr,
                               nullptr, instance, nullptr);
  ShowWindow(frame, SW_SHOWNORMAL);
  SetForegroundWindow(frame);
  Pump();
  return frame;
}

int Pump(HWND window, int limit) {
  int paints = 0;
  MSG msg;
  for (int i = 0; i < limit && PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE); ++i) {
    if (msg.message == WM_PAINT && window && msg.hwnd == window) ++paints;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return paints;
}

LPARAM Point(int x, int y) { return MAKELPARAM(x, y); }

std::vector<uint32_t> WindowPixels(HWND window, int width, int height) {
  std::vector<uint32_t> pixels;
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HDC dc = GetDC(window);
  HDC memory = CreateCompatibleDC(dc);
  HBITMAP dib = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (dc && memory && dib && bits) {
    HGDIOBJ old = SelectObject(memory, dib);
    BitBlt(memory, 0, 0, width, height, dc, 0, 0, SRCCOPY);
    GdiFlush();
    SelectObject(memory, old);
    const uint32_t* p = static_cast<const uint32_t*>(bits);
    for (int i = 0; i < width * height; ++i) pixels.push_back(p[i] & 0xFFFFFFu);
  }
  if (dib) DeleteObject(dib);
  if (memory) DeleteDC(memory);
  if (dc) ReleaseDC(window, dc);
  return pixels;
}

int ThreadWindowCount() {
  int count = 0;
  EnumThreadWindows(GetCurrentThreadId(), CountTopLevel, reinterpret_cast<LPARAM>(&count));
  return count;
}

int LiveGdiObjects() {
  PROCESS_BASIC_INFORMATION info = {};
  if (NtQueryInformationProcess(GetCurrentProcess(), ProcessBasicInformation, &info, sizeof info, nullptr) != 0)
    return -1;
  const unsigned char* peb = reinterpret_cast<const unsigned char*>(info.PebBaseAddress);
  const GdiHandleEntry* table = *reinterpret_cast<GdiHandleEntry* const*>(peb + kGdiTableOffset);
  if (!table) return -1;
  int live = 0;
  for (int i = 0; i < kGdiTableEntries; ++i) live += table[i].type != 0;
  return live;
}

CreationLog* CreationLog::sActive = nullptr;

CreationLog::CreationLog() {
  sActive = this;
  mHook = SetWindowsHookExW(WH_CBT, Hook, nullptr, GetCurrentThreadId());
}

CreationLog::~CreationLog() {
  if (mHook) UnhookWindowsHookEx(mHook);
  sActive = nullptr;
}

const CreatedWindow* CreationLog::Last(const std::wstring& className) const {
  for (size_t i = windows.size(); i-- > 0;)
    if (_wcsicmp(windows[i].className.c_str(), className.c_str()) == 0) return &windows[i];
  return nullptr;
}

LRESULT CALLBACK CreationLog::Hook(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HCBT_CREATEWND && sActive) {
    const CREATESTRUCTW* cs = reinterpret_cast<CBT_CREATEWNDW*>(lParam)->lpcs;
    wchar_t name[64] = {};
    GetClassNameW(reinterpret_cast<HWND>(wParam), name, 64);
    sActive->windows.push_back({name, static_cast<DWORD>(cs->style), cs->x, cs->y, cs->cx, cs->cy, cs->hwndParent,
                                cs->hMenu});
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

DialogAnswer::DialogAnswer(const std::wstring& className, const std::wstring& caption,
                           std::function<void(HWND)> action)
    : mClass(className), mCaption(caption), mAction(std::move(action)) {
  mThread = CreateThread(nullptr, 0, Run, this, 0, nullptr);
}

DialogAnswer::~DialogAnswer() {
  InterlockedExchange(&mStop, 1);
  if (mThread) {
    WaitForSingleObject(mThread, INFINITE);
    CloseHandle(mThread);
  }
}

DWORD WINAPI DialogAnswer::Run(void* param) {
  DialogAnswer* self = static_cast<DialogAnswer*>(param);
  // Up to ten seconds for the dialog to show.
  for (int i = 0; i < 1000 && !self->mStop; ++i) {
    FindArgs args = {&self->mClass, &self->mCaption, nullptr, std::wstring()};
    EnumWindows(FindDialog, reinterpret_cast<LPARAM>(&args));
    if (args.found) {
      Sleep(100);  // let the dialog finish showing itself
      self->mSeenCaption = args.seen;
      self->mAction(args.found);
      self->mAnswered = true;
      return 0;
    }
    Sleep(10);
  }
  return 0;
}

}  // namespace wintest
