#pragma once
// What IGuiX11 holds of X while its window is open; shared by its files.
#include <X11/Xlib.h>

#include "gui/IGuiX11.h"
#include "gui/X11Connection.h"
#include "gui/X11Surface.h"

struct IGuiX11::Native {
  X11Connection connection;
  ::Window parent = 0;
  ::Window window = 0;
  GC gc = nullptr;
  X11Surface surface;
  // Written once to wake the thread when the window closes.
  int wakeFd = -1;
  bool windowGone = false;

  // The drop-down list's pop-up, and where it lies from the editor's origin.
  ::Window popup = 0;
  GC popupGc = nullptr;
  X11Surface popupSurface;
  int popupX = 0, popupY = 0;
  bool grabbed = false;

  // The focus before an entry took it.
  bool focusTaken = false;
  ::Window savedFocus = 0;
  int savedRevert = RevertToParent;

  Display* D() const { return connection.Display(); }
};

// The graphics context's calls get the buttons and modifier keys of an X
// event's state.
IModKeys ModsFromState(unsigned state);
