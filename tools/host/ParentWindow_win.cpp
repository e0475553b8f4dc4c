#include <windows.h>

#include "tools/host/ParentWindow.h"

namespace qmhost {

namespace {

const wchar_t kClassName[] = L"QuillmereHostParent";

class WinParentWindow : public ParentWindow {
public:
  explicit WinParentWindow(HWND window) : mWindow(window) {}
  ~WinParentWindow() override { DestroyWindow(mWindow); }
  void* Handle() const override { return mWindow; }
  intptr_t Value() const override { return 0; }
  void Pump() override {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
  }

private:
  HWND mWindow;
};

}  // namespace

std::unique_ptr<ParentWindow> ParentWindow::Open(int width, int height, std::string* why) {
  HINSTANCE instance = GetModuleHandleW(nullptr);
  WNDCLASSEXW cls = {};
  cls.cbSize = sizeof cls;
  cls.lpfnWndProc = DefWindowProcW;
  cls.hInstance = instance;
  cls.hCursor = LoadCursor(nullptr, IDC_ARROW);
  cls.lpszClassName = kClassName;
  RegisterClassExW(&cls);  // already registered on a second call: fine
  RECT rect = {0, 0, width, height};
  AdjustWindowRect(&rect, WS_OVERLAPPEDWINDOW, FALSE);
  HWND window = CreateWindowExW(0, kClassName, L"quillmere-host validate", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                                CW_USEDEFAULT, rect.right - rect.left, rect.bottom - rect.top, nullptr, nullptr,
                                instance, nullptr);
  if (!window) {
    *why = "no display (cannot create a window)";
    return nullptr;
  }
  ShowWindow(window, SW_SHOWNOACTIVATE);
  UpdateWindow(window);
  return std::make_unique<WinParentWindow>(window);
}

}  // namespace qmhost
