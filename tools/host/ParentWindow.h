#pragma once
// A window for an effect's editor to open in, as a host gives one with
// effEditOpen: an X11 window on the display in $DISPLAY on Linux, a real
// top-level window on Windows.

#include <cstdint>
#include <memory>
#include <string>

namespace qmhost {

class ParentWindow {
public:
  // The window, shown; null with the reason when there is no display.
  static std::unique_ptr<ParentWindow> Open(int width, int height, std::string* why);
  virtual ~ParentWindow() = default;
  // What effEditOpen takes: the X11 window id or the HWND as the pointer,
  // and as the value the host's Display* on X11 (0 on Windows).
  virtual void* Handle() const = 0;
  virtual intptr_t Value() const = 0;
  // Handles the window's waiting events or messages.
  virtual void Pump() = 0;
};

}  // namespace qmhost
