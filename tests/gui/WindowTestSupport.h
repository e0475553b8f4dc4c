#pragma once
// Driving the Windows editor window in tests: a host frame to open it in,
// window messages, the window's pixels, and counts of the windows and GDI
// objects the process holds.
#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace wintest {

// A shown top-level window of 600 x 400 client pixels, as a host's editor
// frame.
HWND MakeFrame();
// Handles the thread's pending messages; at most limit of them (a window
// that never validates would otherwise keep this busy for ever). Returns how
// many WM_PAINT messages went to window.
int Pump(HWND window = nullptr, int limit = 1000);

LPARAM Point(int x, int y);

// The window's client pixels as shown: top-down rows, 0x00RRGGBB.
std::vector<uint32_t> WindowPixels(HWND window, int width, int height);

// Windows of this thread (top-level ones and all their children), and the
// GDI objects of the process. GetGuiResources answers 0 under Wine, so the
// GDI count is read from the process's GDI handle table (the one the PEB
// points to), whose live entries have a type.
int ThreadWindowCount();
int LiveGdiObjects();

// The windows this thread creates while it lives, as they were asked for.
struct CreatedWindow {
  std::wstring className;
  DWORD style;
  int x, y, width, height;
  HWND parent;
  HMENU menu;
};
class CreationLog {
public:
  CreationLog();
  ~CreationLog();
  std::vector<CreatedWindow> windows;
  // The last window of a class (compared without regard to case), or null.
  const CreatedWindow* Last(const std::wstring& className) const;

private:
  static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam);
  static CreationLog* sActive;
  HHOOK mHook = nullptr;
};

// Runs action on another thread once a window of this process with the
// given caption (any caption when empty) and class appears, then joins it
// when destroyed; the action gets the window. Used to answer modal dialogs.
class DialogAnswer {
public:
  DialogAnswer(const std::wstring& className, const std::wstring& caption, std::function<void(HWND)> action);
  ~DialogAnswer();
  bool Answered() const { return mAnswered; }
  const std::wstring& SeenCaption() const { return mSeenCaption; }

private:
  static DWORD WINAPI Run(void* self);
  std::wstring mClass, mCaption, mSeenCaption;
  std::function<void(HWND)> mAction;
  HANDLE mThread = nullptr;
  volatile LONG mStop = 0;
  volatile bool mAnswered = false;
};

}  // namespace wintest
