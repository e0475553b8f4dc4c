#pragma once
// The editor's window on Windows: a child window of the host's editor frame
// that shows the graphics context's canvas, runs its timer, turns window
// messages into the graphics context's input calls, and hosts the typed
// entry pop-ups and the system dialogs. Everything it decides that does not
// need Windows lives in the graphics context, IEntryPopup and IGuiWinRules.
#include <windows.h>

#include <memory>
#include <string>

#include "gui/IEntryPopup.h"
#include "gui/IGui.h"

class IGuiWin : public IGui {
public:
  static constexpr const wchar_t* kClassName = L"IPlugWndClass";
  static constexpr const wchar_t* kWindowName = L"IPlug";
  static constexpr UINT_PTR kTimerId = 2;
  static constexpr int kPopupId = 99;
  // Kept in a pop-up's user data.
  static constexpr LONG_PTR kPopupMarker = static_cast<LONG_PTR>(0xdeadf00bu);

  IGuiWin(IPlugBase* owner, int width, int height, int frameRate);
  ~IGuiWin() override;

  // The module whose resources hold the images and that owns the window
  // class (by default the one this code is linked into).
  void SetModule(HINSTANCE module) { mModule = module; }
  HINSTANCE Module() const { return mModule; }

  // ---- The window ------------------------------------------------------------
  // Opens the window inside parent (an HWND). An open window is replaced by
  // one at its place and size. Null when the window cannot be made.
  void* OpenEditorWindow(void* parent) override;
  void CloseEditorWindow() override;
  void* WindowHandle() override { return mWindow; }
  bool ShowArea(const IBounds& area) override;
  void RequestRepaint(const IBounds& area) override;
  int WheelAtCursor(float notches) override;
  BitmapBase* LoadBitmapResource(int id, const char* name) override;

  // ---- Pop-ups and dialogs (IGuiWinPopups.cpp) --------------------------------
  void PromptValue(IControl* control, IParameter* param, bool centred) override;
  void PromptText(IEditableTextControl* control) override;
  void HostFolder(std::string* out) override;
  void ModuleFolder(std::string* out) override;
  void PromptFile(std::string* fileName, int action, const char* folder, const char* extensions) override;
  bool PromptColour(IRgba* colour, const char* title) override;
  bool OpenAddress(const char* address, const char* title, const char* confirm, const char* error) override;

  // ---- Inspection ----------------------------------------------------------------
  // The open entry pop-up and its record.
  HWND EntryWindow() const { return mEntryWindow; }
  const IEntryPopup& Entry() const { return mEntry; }
  // Editor windows open in this module (users of the window class).
  static int ClassUseCount();
  // The custom colours of the colour chooser, null before its first use.
  const COLORREF* CustomColours() const { return mCustomColours.get(); }
  // Fonts made for entry pop-ups and not yet released.
  static int LiveEntryFonts();

private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  static LRESULT CALLBACK PopupProc(HWND popup, UINT message, WPARAM wParam, LPARAM lParam);
  static IGuiWin* FromWindow(HWND window);
  // The window class, registered by the first editor window of the module
  // and unregistered by the last.
  bool RegisterWindowClass();
  void ReleaseWindowClass();
  void WindowDestroyedByParent();
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT HandlePopupMessage(HWND popup, UINT message, WPARAM wParam, LPARAM lParam);
  void OnTimer();
  void OnPaint();
  // Frees the mouse this window holds (a release, not a loss).
  void ReleaseMouse();
  // Takes the pop-up made by PromptValue or PromptText into the entry.
  void AdoptPopup(HWND popup, HFONT font, IControl* control, IParameter* param);
  // Closes the pop-up, applying committedText when given.
  void ClosePopup(const char* committedText);
  // The native pop-up and its font go (the entry record is left alone).
  void DestroyPopup();
  std::string PopupText() const;
  // The wheel at a point of the window's screen rectangle.
  void Wheel(int screenX, int screenY, const IModKeys& mods, int notches);

  HINSTANCE mModule;
  HWND mWindow = nullptr;
  HWND mParentWindow = nullptr;
  HWND mEntryWindow = nullptr;
  WNDPROC mEntryProc = nullptr;
  HFONT mEntryFont = nullptr;
  IEntryPopup mEntry;
  std::unique_ptr<COLORREF[]> mCustomColours;
  bool mInPaint = false;
  bool mShown = false;
  bool mReleasingCapture = false;
};
