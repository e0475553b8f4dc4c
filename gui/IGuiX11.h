#pragma once
#include <atomic>
#include <memory>
#include <thread>

#include "gui/IClickTracker.h"
#include "gui/IEntrySession.h"
#include "gui/IGui.h"

// The editor's window on Linux: an X11 child of the host's window, with a
// display connection and a thread of its own that take its events and run
// its timer (24 ticks a second), so that it paints, follows automation and
// takes input whether or not the host sends idle calls.
//
// The thread turns X events into the graphics context's calls and holds the
// plug-in lock while it does (and while it paints), as every other path into
// the plug-in does. It never waits for that lock blindly: the host opens and
// closes the editor with the lock held, so the thread tries for it and gives
// up when the window is closing. Closing ends a press in progress (and its
// edit gesture at the host), a wheel gesture and an open entry, joins the
// thread and closes the connection.
//
// The canvas reaches the screen through an X image (MIT-SHM when the server
// offers it). Typed value and text entries are drawn by us: the edit box
// over the editor, the drop-down list in a pop-up window of its own, since
// it may be taller than the editor.
class IGuiX11 : public IGui {
public:
  IGuiX11(IPlugBase* owner, int width, int height, int frameRate);
  ~IGuiX11() override;

  bool ShowArea(const IBounds& area) override;
  void PromptText(IEditableTextControl* control) override;
  void PromptValue(IControl* control, IParameter* param, bool centred) override;
  void HostFolder(std::string* out) override;
  void ModuleFolder(std::string* out) override;
  void PromptFile(std::string* fileName, int action, const char* folder, const char* extensions) override;
  bool PromptColour(IRgba* colour, const char* title) override;
  bool OpenAddress(const char* address, const char* title, const char* confirm, const char* error) override;
  // The X window id as a pointer; null while closed.
  void* WindowHandle() override;
  BitmapBase* LoadBitmapResource(int id, const char* name) override;
  void RequestRepaint(const IBounds& area) override;
  // parent is the host's X window id. The window is made, painted and shown
  // before this returns.
  void* OpenEditorWindow(void* parent) override;
  void CloseEditorWindow() override;
  // 0 unless the pointer is over the editor.
  int WheelAtCursor(float notches) override;

  // Inspection.
  bool UsesSharedMemory() const;
  const IEntrySession& Entry() const { return mEntry; }

private:
  struct Native;

  void Run();
  // Stops and joins the thread; false when called on it.
  bool StopThread();
  // Takes the plug-in lock for the thread; false when the window closes
  // meanwhile.
  bool LockForThread();
  // The events of a turn; event is an XEvent.
  void OnEvent(const void* event);
  void OnButton(const void* event);
  void OnMotion(const void* event);
  void OnKey(const void* event);
  void OnListEvent(const void* event);
  void Tick();
  void EntryOpened();
  void EntryClosed(const IBounds& area);
  void Present();
  void PresentList();
  // Runs the desktop's dialog program (zenity, else kdialog) with the
  // arguments for it; true when it answered yes (exit status 0).
  bool RunDialog(const std::vector<std::string>& zenity, const std::vector<std::string>& kdialog,
                 std::string* output);

  std::unique_ptr<Native> mX;
  std::thread mThread;
  std::atomic<bool> mStop{false};
  IEntrySession mEntry;
  IClickTracker mClicks;
  // What of the canvas is to be shown at the end of the thread's turn.
  IBounds mPending;
  bool mListDirty = false;
  // Buttons (bit 1 << button) whose press went to the graphics context, and
  // whether a press in the edit box is selecting text.
  unsigned mRouted = 0;
  // Buttons whose press an open entry took (their releases go nowhere).
  unsigned mSwallowed = 0;
  bool mSelecting = false;
  // Whether the thread holds the plug-in lock for its turn.
  bool mTurnLocked = false;
  // The pointer over the editor, for the host's wheel requests.
  bool mPointerInside = false;
  int mPointerX = 0, mPointerY = 0;
  unsigned mModifiers = 0;
};
