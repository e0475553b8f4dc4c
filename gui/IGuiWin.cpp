// The editor window: class, creation, the message table, painting, the timer.
// The pop-ups and dialogs are in IGuiWinPopups.cpp.
#include "gui/IGuiWin.h"

#include <windowsx.h>

#include "framework/IPlugBase.h"
#include "gfx/Bitmap.h"
#include "gfx/PngDecode.h"
#include "gui/IGuiWinRules.h"

namespace {

// The host whose editor frame does not pass the keyboard on: the editor
// takes the focus itself.
constexpr int kHostTakesNoFocus = 25;

// Process-wide: open editor windows of this module (the class's users), and
// the frame rate of the editor whose window is being created.
int gClassUseCount = 0;
double gTimerFrameRate = 24.0;

IModKeys ModsFromMessage(WPARAM wParam) {
  return IModKeys((wParam & MK_LBUTTON) != 0, (wParam & MK_RBUTTON) != 0, (wParam & MK_SHIFT) != 0,
                  (wParam & MK_CONTROL) != 0, GetKeyState(VK_MENU) < 0);
}

}  // namespace

IGuiWin::IGuiWin(IPlugBase* owner, int width, int height, int frameRate)
    : IGui(owner, width, height, frameRate), mModule(static_cast<HINSTANCE>(ThisModuleInstance())) {}

IGuiWin::~IGuiWin() {
  // The plug-in deletes its editor from its own destructor, when it can no
  // longer be called: a window the host left open goes without a word to it.
  if (!mWindow) return;
  mEntry.Forget();
  DestroyPopup();
  if (GetCapture() == mWindow) ReleaseCapture();
  HWND window = mWindow;
  mWindow = nullptr;
  DestroyWindow(window);
  ReleaseWindowClass();
}

int IGuiWin::ClassUseCount() { return gClassUseCount; }

IGuiWin* IGuiWin::FromWindow(HWND window) {
  IGuiWin* gui = reinterpret_cast<IGuiWin*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  return gui && gui->mWindow == window ? gui : nullptr;
}

// ---- Opening and closing ------------------------------------------------------

void* IGuiWin::OpenEditorWindow(void* parent) {
  HWND parentWindow = static_cast<HWND>(parent);
  mParentWindow = parentWindow;
  int x = 0, y = 0, w = Width(), h = Height();
  if (mWindow) {
    // The new window takes the old one's place and size in its parent (in
    // the parent's client coordinates, where a child window is placed).
    RECT r;
    if (GetWindowRect(mWindow, &r)) {
      MapWindowPoints(nullptr, GetParent(mWindow), reinterpret_cast<POINT*>(&r), 2);
      x = r.left;
      y = r.top;
      w = r.right - r.left;
      h = r.bottom - r.top;
    }
    CloseEditorWindow();
  }

  if (gClassUseCount++ == 0 && !RegisterWindowClass()) {
    --gClassUseCount;
    return nullptr;
  }
  gTimerFrameRate = FrameRate();
  HWND window = CreateWindowExW(0, kClassName, kWindowName, WS_CHILD | WS_VISIBLE, x, y, w, h, parentWindow, nullptr,
                                mModule, this);
  if (!window) {
    mWindow = nullptr;
    ReleaseWindowClass();
    return nullptr;
  }
  mWindow = window;
  MarkAllDirty();
  return window;
}

void IGuiWin::CloseEditorWindow() {
  if (!mWindow) return;
  // Nothing the user did is left hanging: a committed entry is applied, a
  // press is released and a wheel gesture ends, each telling the host.
  if (mEntryWindow) ClosePopup(mEntry.StepForClosing() == IEntryPopup::kApplyAndClose ? PopupText().c_str() : nullptr);
  ReleaseMouse();
  ReleasePress();
  EndPendingWheelEdit();
  HWND window = mWindow;
  mWindow = nullptr;
  DestroyWindow(window);  // its timer goes with it
  ReleaseWindowClass();
}

void IGuiWin::WindowDestroyedByParent() {
  // The host destroyed its frame without closing the editor first: the
  // pop-up went with it (its text cannot be read any more).
  if (mEntryWindow) ClosePopup(nullptr);
  ReleasePress();
  EndPendingWheelEdit();
  mWindow = nullptr;
  ReleaseWindowClass();
}

bool IGuiWin::RegisterWindowClass() {
  WNDCLASSW wc = {};
  wc.style = CS_DBLCLKS;
  wc.lpfnWndProc = WindowProc;
  wc.hInstance = mModule;
  wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  wc.lpszClassName = kClassName;
  if (RegisterClassW(&wc)) return true;
  // Left registered when its last window was destroyed from outside (a
  // class cannot be unregistered while a window still uses it): made anew,
  // so that it surely calls this module's procedure.
  return GetLastError() == ERROR_CLASS_ALREADY_EXISTS && UnregisterClassW(kClassName, mModule) && RegisterClassW(&wc);
}

void IGuiWin::ReleaseWindowClass() {
  if (gClassUseCount > 0 && --gClassUseCount == 0) UnregisterClassW(kClassName, mModule);
}

// ---- Messages ---------------------------------------------------------------------

LRESULT CALLBACK IGuiWin::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_CREATE) {
    IGuiWin* gui = static_cast<IGuiWin*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(gui));
    if (!gui) return 0;
    gui->mWindow = window;
    SetTimer(window, kTimerId, static_cast<UINT>(iguiwin::TimerPeriodMs(gTimerFrameRate)), nullptr);
    if (gui->Owner() && gui->Owner()->GetHostType() == kHostTakesNoFocus) SetFocus(window);
    return 0;
  }
  IGuiWin* gui = FromWindow(window);
  if (!gui) return DefWindowProcW(window, message, wParam, lParam);
  return gui->HandleMessage(message, wParam, lParam);
}

LRESULT IGuiWin::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  const int x = GET_X_LPARAM(lParam), y = GET_Y_LPARAM(lParam);
  switch (message) {
    case WM_PAINT:
      OnPaint();
      return 0;
    case WM_CLOSE:
      CloseEditorWindow();
      return 0;
    case WM_MOUSEACTIVATE:
      if (Owner() && Owner()->GetHostType() == kHostTakesNoFocus) SetFocus(mWindow);
      return MA_ACTIVATE;
    case WM_KEYDOWN: {
      const int code = iguiwin::KeyCodeFromVirtualKey(static_cast<int>(wParam));
      if (code < 0) return 0;
      POINT p;
      if (!GetCursorPos(&p)) return 0;
      ScreenToClient(mWindow, &p);
      HandleKey(p.x, p.y, code);
      return 0;
    }
    case WM_TIMER:
      if (wParam == kTimerId) OnTimer();
      return 0;
    case WM_MOUSEMOVE:
      if ((wParam & (MK_LBUTTON | MK_RBUTTON)) && GetCapture() == mWindow) HandleMouseDrag(x, y, ModsFromMessage(wParam));
      return 0;
    case WM_RBUTTONDOWN:
      if (mEntryWindow) {
        mEntry.RightPressInEditor();
        return 0;
      }
      SetCapture(mWindow);
      HandleMouseDown(x, y, ModsFromMessage(wParam));
      return 0;
    case WM_LBUTTONDOWN:
      if (mEntryWindow) mEntry.LeftPressInEditor();
      SetCapture(mWindow);
      HandleMouseDown(x, y, ModsFromMessage(wParam));
      return 0;
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
      ReleaseMouse();
      HandleMouseUp(x, y, ModsFromMessage(wParam));
      return 0;
    case WM_LBUTTONDBLCLK:
      if (HandleDoubleClick(x, y, ModsFromMessage(wParam))) SetCapture(mWindow);
      return 0;
    case WM_MOUSEWHEEL:
      Wheel(x, y, ModsFromMessage(GET_KEYSTATE_WPARAM(wParam)), iguiwin::WheelNotches(GET_WHEEL_DELTA_WPARAM(wParam)));
      return 0;
    case WM_NCDESTROY: {
      HWND window = mWindow;
      WindowDestroyedByParent();
      return DefWindowProcW(window, message, wParam, lParam);
    }
    case WM_CAPTURECHANGED:
      // The mouse was taken away during a press (not by the release): the
      // release will not come here, so the press ends now.
      if (!mReleasingCapture && reinterpret_cast<HWND>(lParam) != mWindow) ReleasePress();
      return 0;
    default:
      return DefWindowProcW(mWindow, message, wParam, lParam);
  }
}

void IGuiWin::ReleaseMouse() {
  if (GetCapture() != mWindow) return;
  mReleasingCapture = true;
  ReleaseCapture();
  mReleasingCapture = false;
}

void IGuiWin::OnPaint() {
  RECT r;
  mShown = false;
  if (GetUpdateRect(mWindow, &r, FALSE)) {
    mInPaint = true;
    Redraw(IBounds(r.left, r.top, r.right, r.bottom));
    mInPaint = false;
  }
  // An editor without controls shows nothing: its update area is validated
  // all the same, or the window would be asked to paint for ever.
  if (!mShown) ValidateRect(mWindow, nullptr);
}

bool IGuiWin::ShowArea(const IBounds& area) {
  if (!mWindow) return true;
  BitmapBase* canvas = Canvas();
  HDC source = canvas ? static_cast<HDC>(canvas->DrawContext()) : nullptr;
  if (mInPaint) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(mWindow, &ps);
    if (dc && source) BitBlt(dc, area.left, area.top, area.W(), area.H(), source, area.left, area.top, SRCCOPY);
    EndPaint(mWindow, &ps);
    mShown = true;
  } else if (HDC dc = GetDC(mWindow)) {
    if (source) BitBlt(dc, area.left, area.top, area.W(), area.H(), source, area.left, area.top, SRCCOPY);
    ReleaseDC(mWindow, dc);
  }
  return true;
}

void IGuiWin::RequestRepaint(const IBounds& area) {
  if (!mWindow) return;
  RECT r = {area.left, area.top, area.right, area.bottom};
  InvalidateRect(mWindow, &r, FALSE);
  if (mEntryWindow) {
    // The pop-up lies on the editor: the canvas must not be copied over it.
    RECT popup;
    GetClientRect(mEntryWindow, &popup);
    MapWindowPoints(mEntryWindow, mWindow, reinterpret_cast<POINT*>(&popup), 2);
    ValidateRect(mWindow, &popup);
  }
  UpdateWindow(mWindow);
}

void IGuiWin::OnTimer() {
  if (mEntryWindow) {
    switch (mEntry.Tick()) {
      case IEntryPopup::kApplyAndClose:
        ClosePopup(PopupText().c_str());
        break;
      case IEntryPopup::kClose:
        ClosePopup(nullptr);
        break;
      case IEntryPopup::kKeepOpen:
        break;
    }
  }
  TimerTick();
}

// ---- Wheel and images ------------------------------------------------------------

void IGuiWin::Wheel(int screenX, int screenY, const IModKeys& mods, int notches) {
  RECT r;
  if (!GetWindowRect(mWindow, &r)) return;
  HandleWheel(screenX - r.left, screenY - r.top, mods, notches);
}

int IGuiWin::WheelAtCursor(float notches) {
  if (!mWindow) return 0;
  POINT p;
  if (!GetCursorPos(&p) || WindowFromPoint(p) != mWindow) return 0;
  const IModKeys mods(false, false, GetKeyState(VK_SHIFT) < 0, GetKeyState(VK_CONTROL) < 0, GetKeyState(VK_MENU) < 0);
  // Truncated toward zero; a turn beyond the int range is a whole turn
  // as far as it goes.
  const float n = notches > 1e6f ? 1e6f : (notches < -1e6f ? -1e6f : (notches == notches ? notches : 0.0f));
  Wheel(p.x, p.y, mods, static_cast<int>(n));
  return 1;
}

BitmapBase* IGuiWin::LoadBitmapResource(int id, const char*) { return DecodePngResource(mModule, id, nullptr); }
