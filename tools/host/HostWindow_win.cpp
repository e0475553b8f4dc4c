// The editor command's window on Windows: a fixed-size top-level window that
// hands its keyboard focus to the editor inside it, a message loop with the
// host's idle calls, input through SendInput (the system then makes the
// window messages, captures and double clicks as for a real mouse and
// keyboard), and a picture of the client area read back from the screen
// (with what lies over it, such as a drop-down list that reaches past it).
#include <windows.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>

#include "tools/host/HostWindow.h"

namespace qmhost {

namespace {

const wchar_t* const kClassName = L"QuillmereHostWindow";
constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
constexpr int kIdleMs = 40;
// Moves of a drag, and the pause that lets the editor take each one.
constexpr int kDragSteps = 10;
constexpr int kDragStepMs = 10;

std::wstring Wide(const std::string& text) {
  if (text.empty()) return std::wstring();
  const int n = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<size_t>(std::max(n, 0)), L'\0');
  if (n > 0) MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &wide[0], n);
  return wide;
}

INPUT KeyInput(WORD vk, bool up) {
  INPUT in = {};
  in.type = INPUT_KEYBOARD;
  in.ki.wVk = vk;
  in.ki.wScan = static_cast<WORD>(MapVirtualKeyW(vk, MAPVK_VK_TO_VSC));
  in.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
  return in;
}

INPUT MouseInput(DWORD flags, DWORD data = 0) {
  INPUT in = {};
  in.type = INPUT_MOUSE;
  in.mi.dwFlags = flags;
  in.mi.mouseData = data;
  return in;
}

// The virtual key of a script key name (see EditorScript.h), or 0.
WORD VirtualKeyOf(const std::string& name) {
  if (name.size() == 1) return static_cast<WORD>(std::toupper(static_cast<unsigned char>(name[0])));
  static const struct {
    const char* name;
    WORD vk;
  } kNamed[] = {{"space", VK_SPACE}, {"enter", VK_RETURN}, {"escape", VK_ESCAPE}, {"backspace", VK_BACK},
                {"tab", VK_TAB},     {"delete", VK_DELETE}, {"up", VK_UP},        {"down", VK_DOWN},
                {"left", VK_LEFT},   {"right", VK_RIGHT}};
  for (const auto& k : kNamed)
    if (name == k.name) return k.vk;
  if (name.size() >= 2 && name[0] == 'f') return static_cast<WORD>(VK_F1 + std::atoi(name.c_str() + 1) - 1);
  return 0;
}

class HostWindowWin : public HostWindow {
public:
  ~HostWindowWin() override {
    if (mWindow) DestroyWindow(mWindow);
    Pump();
  }

  bool Make(int width, int height, const std::string& title, std::string* error) {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSW wc = {};
    wc.lpfnWndProc = Proc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    wc.lpszClassName = kClassName;
    if (!RegisterClassW(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
      *error = "cannot register the window class";
      return false;
    }
    RECT r = {0, 0, width, height};
    AdjustWindowRect(&r, kStyle, FALSE);
    mWindow = CreateWindowExW(0, kClassName, Wide(title).c_str(), kStyle, 40, 40, r.right - r.left, r.bottom - r.top,
                              nullptr, nullptr, instance, this);
    if (!mWindow) {
      *error = "cannot create a window (is there a display?)";
      return false;
    }
    ShowWindow(mWindow, SW_SHOWNORMAL);
    SetForegroundWindow(mWindow);
    UpdateWindow(mWindow);
    Pump();
    return true;
  }

  void* EditorParent() override { return mWindow; }
  intptr_t EditorValue() override { return 0; }
  bool Closed() const override { return mClosed; }

  void Run(int ms, const std::function<void()>& idle) override {
    const ULONGLONG end = GetTickCount64() + static_cast<ULONGLONG>(std::max(ms, 0));
    ULONGLONG nextIdle = GetTickCount64() + kIdleMs;
    for (;;) {
      Pump();
      const ULONGLONG now = GetTickCount64();
      if (mClosed || now >= end) return;
      if (idle && now >= nextIdle) {
        idle();
        nextIdle = now + kIdleMs;
      }
      ULONGLONG wake = std::min(end, idle ? nextIdle : end);
      MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(wake > now ? wake - now : 0), QS_ALLINPUT);
    }
  }

  bool Send(const ScriptStep& step, std::string* error) override {
    if (!mWindow || mClosed) {
      *error = "the window is closed";
      return false;
    }
    SetForegroundWindow(mWindow);
    std::vector<INPUT> before, after;
    if (step.shift) before.push_back(KeyInput(VK_SHIFT, false)), after.push_back(KeyInput(VK_SHIFT, true));
    if (step.control) before.push_back(KeyInput(VK_CONTROL, false)), after.push_back(KeyInput(VK_CONTROL, true));
    const bool mouse = step.kind != ScriptStep::Key && step.kind != ScriptStep::Type;
    if (mouse) MoveTo(step.x, step.y);
    SendKeys(before);
    // Wine on a virtual display forgets modifier keys sent this way as soon
    // as the pointer moves (it takes the keyboard state of the X server,
    // where no key is down), so the mouse messages of the step carry them
    // as the real keys would.
    mHeldFlags = (step.shift ? MK_SHIFT : 0) | (step.control ? MK_CONTROL : 0);
    bool ok = true;
    switch (step.kind) {
      case ScriptStep::Click:
      case ScriptStep::RightClick: {
        const bool right = step.kind == ScriptStep::RightClick;
        AvoidDoubleClick(right, step.x, step.y);
        Buttons(right ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_LEFTDOWN, right ? MOUSEEVENTF_RIGHTUP : MOUSEEVENTF_LEFTUP, 1);
        NoteClick(right, step.x, step.y);
        break;
      }
      case ScriptStep::DoubleClick:
        AvoidDoubleClick(false, step.x, step.y);
        Buttons(MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP, 2);
        mLastClickTime = 0;  // a third click starts afresh
        break;
      case ScriptStep::Drag: {
        AvoidDoubleClick(false, step.x, step.y);
        INPUT down = MouseInput(MOUSEEVENTF_LEFTDOWN);
        SendInput(1, &down, sizeof(INPUT));
        Settle(kDragStepMs);
        for (int i = 1; i <= kDragSteps; ++i) {
          MoveTo(step.x + step.dx * i / kDragSteps, step.y + step.dy * i / kDragSteps);
          Settle(kDragStepMs);
        }
        INPUT up = MouseInput(MOUSEEVENTF_LEFTUP);
        SendInput(1, &up, sizeof(INPUT));
        NoteClick(false, step.x, step.y);  // the system compares presses
        break;
      }
      case ScriptStep::Wheel:
        Wheel(step.amount);
        break;
      case ScriptStep::Key: {
        const WORD vk = VirtualKeyOf(step.text);
        if (!vk) {
          *error = "unknown key \"" + step.text + "\"";
          ok = false;
          break;
        }
        SendKeys({KeyInput(vk, false), KeyInput(vk, true)});
        break;
      }
      case ScriptStep::Type:
        TypeText(Wide(step.text));
        break;
      default:
        *error = "not an input step";
        ok = false;
        break;
    }
    Pump();
    mHeldFlags = 0;
    SendKeys(after);
    Pump();
    return ok;
  }

  bool Capture(int* width, int* height, std::vector<uint32_t>* pixels, std::string* error) override {
    RECT client;
    if (!mWindow || !GetClientRect(mWindow, &client)) {
      *error = "no window";
      return false;
    }
    const int w = client.right, h = client.bottom;
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = w;
    info.bmiHeader.biHeight = -h;  // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    POINT origin = {0, 0};
    ClientToScreen(mWindow, &origin);
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP dib = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    bool ok = screen && memory && dib && bits;
    if (ok) {
      HGDIOBJ previous = SelectObject(memory, dib);
      ok = BitBlt(memory, 0, 0, w, h, screen, origin.x, origin.y, SRCCOPY) != FALSE;
      GdiFlush();
      SelectObject(memory, previous);
    }
    if (ok) {
      const uint32_t* p = static_cast<const uint32_t*>(bits);
      pixels->assign(p, p + static_cast<size_t>(w) * h);
      for (uint32_t& px : *pixels) px |= 0xFF000000u;  // the screen has no alpha
      *width = w;
      *height = h;
    } else {
      *error = "cannot read the window's pixels";
    }
    if (dib) DeleteObject(dib);
    if (memory) DeleteDC(memory);
    if (screen) ReleaseDC(nullptr, screen);
    return ok;
  }

private:
  static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
      SetWindowLongPtrW(window, GWLP_USERDATA,
                        reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams));
    }
    HostWindowWin* self = reinterpret_cast<HostWindowWin*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    switch (message) {
      case WM_CLOSE:
        // The command closes the editor, then the window goes.
        if (self) self->mClosed = true;
        return 0;
      case WM_SETFOCUS:
        // The keyboard goes on to the editor, as in a host's plug-in frame.
        if (HWND editor = GetWindow(window, GW_CHILD)) SetFocus(editor);
        return 0;
      case WM_DESTROY:
        if (self) self->mWindow = nullptr;
        break;
      default:
        break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
  }

  void Pump() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message >= WM_MOUSEFIRST && msg.message <= WM_MOUSELAST) msg.wParam |= mHeldFlags;
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }

  // Handles messages for ms milliseconds (no idle calls).
  void Settle(int ms) { Run(ms, std::function<void()>()); }

  // The editor's client coordinates on the screen.
  POINT ScreenPoint(int x, int y) {
    POINT p = {x, y};
    HWND editor = GetWindow(mWindow, GW_CHILD);
    ClientToScreen(editor ? editor : mWindow, &p);
    return p;
  }

  // The cursor to (x, y), and a mouse move there.
  void MoveTo(int x, int y) {
    const POINT p = ScreenPoint(x, y);
    SetCursorPos(p.x, p.y);
    INPUT move = MouseInput(MOUSEEVENTF_MOVE);
    SendInput(1, &move, sizeof(INPUT));
    Pump();
  }

  void Buttons(DWORD downFlag, DWORD upFlag, int clicks) {
    std::vector<INPUT> inputs;
    for (int i = 0; i < clicks; ++i) {
      inputs.push_back(MouseInput(downFlag));
      inputs.push_back(MouseInput(upFlag));
    }
    SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
  }

  // A click step is a click of its own: when the last click of the same
  // button at the same place is recent enough to make a double click with
  // it, the step waits until it is not.
  void AvoidDoubleClick(bool right, int x, int y) {
    if (!mLastClickTime || right != mLastClickRight) return;
    if (std::abs(x - mLastClickX) > GetSystemMetrics(SM_CXDOUBLECLK) ||
        std::abs(y - mLastClickY) > GetSystemMetrics(SM_CYDOUBLECLK)) {
      return;
    }
    const ULONGLONG clear = mLastClickTime + GetDoubleClickTime() + 50;
    const ULONGLONG now = GetTickCount64();
    if (now < clear) Settle(static_cast<int>(clear - now));
  }

  void NoteClick(bool right, int x, int y) {
    mLastClickTime = GetTickCount64();
    mLastClickRight = right;
    mLastClickX = x;
    mLastClickY = y;
  }

  // Whole notches one event each, a rest of less than a notch as one more.
  void Wheel(double notches) {
    const int total = static_cast<int>(std::lround(notches * WHEEL_DELTA));
    const int sign = total < 0 ? -1 : 1;
    int left = std::abs(total);
    std::vector<INPUT> inputs;
    while (left > 0) {
      const int delta = std::min(left, static_cast<int>(WHEEL_DELTA));
      inputs.push_back(MouseInput(MOUSEEVENTF_WHEEL, static_cast<DWORD>(sign * delta)));
      left -= delta;
    }
    if (!inputs.empty()) SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
  }

  void SendKeys(const std::vector<INPUT>& keys) {
    if (!keys.empty()) SendInput(static_cast<UINT>(keys.size()), const_cast<INPUT*>(keys.data()), sizeof(INPUT));
  }

  // Each character as the key that types it (with shift when needed), or as
  // a character of its own when no key does.
  void TypeText(const std::wstring& text) {
    for (wchar_t c : text) {
      const SHORT scan = VkKeyScanW(c);
      std::vector<INPUT> keys;
      if (scan != -1 && !(scan & 0x600)) {
        const WORD vk = LOBYTE(scan);
        const bool shift = (scan & 0x100) != 0;
        if (shift) keys.push_back(KeyInput(VK_SHIFT, false));
        keys.push_back(KeyInput(vk, false));
        keys.push_back(KeyInput(vk, true));
        if (shift) keys.push_back(KeyInput(VK_SHIFT, true));
      } else {
        INPUT in = {};
        in.type = INPUT_KEYBOARD;
        in.ki.wScan = c;
        in.ki.dwFlags = KEYEVENTF_UNICODE;
        keys.push_back(in);
        in.ki.dwFlags = KEYEVENTF_UNICODE | KEYEVENTF_KEYUP;
        keys.push_back(in);
      }
      SendKeys(keys);
      Pump();
    }
  }

  HWND mWindow = nullptr;
  bool mClosed = false;
  WPARAM mHeldFlags = 0;
  ULONGLONG mLastClickTime = 0;
  bool mLastClickRight = false;
  int mLastClickX = 0, mLastClickY = 0;
};

}  // namespace

std::unique_ptr<HostWindow> HostWindow::Create(int width, int height, const std::string& title, std::string* error) {
  auto window = std::make_unique<HostWindowWin>();
  if (!window->Make(width, height, title, error)) return nullptr;
  return window;
}

}  // namespace qmhost
