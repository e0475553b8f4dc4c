#pragma once
// The host's window for a plug-in editor, as `quillmere-host editor` uses it:
// a top-level window whose client area the editor fills, its event loop, real
// input at client coordinates, and a picture of the client area. One
// implementation a system (HostWindow_win.cpp, HostWindow_x11.cpp); the
// command itself (CommandEditor.cpp) is the same everywhere.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "tools/host/EditorScript.h"

namespace qmhost {

class HostWindow {
public:
  virtual ~HostWindow() = default;

  // A shown top-level window with a client area of width x height. Null,
  // with the reason in *error, when there is no display or the system
  // refuses.
  static std::unique_ptr<HostWindow> Create(int width, int height, const std::string& title, std::string* error);

  // The arguments effEditOpen gets: the parent (an HWND, or an X11 window id
  // as a pointer) and the value (the host's Display* on X11, 0 elsewhere).
  virtual void* EditorParent() = 0;
  virtual intptr_t EditorValue() = 0;

  // Handles the window system's events for ms milliseconds. When idle is
  // given it is called every 40 ms, as hosts send effEditIdle.
  virtual void Run(int ms, const std::function<void()>& idle) = 0;
  // True once the user closed the window.
  virtual bool Closed() const = 0;

  // Performs an input step (IsInputStep) with real input events, at client
  // coordinates. False, with the reason, when the step cannot be performed.
  virtual bool Send(const ScriptStep& step, std::string* error) = 0;

  // The client area as shown on screen: top-down rows of 0xAARRGGBB.
  virtual bool Capture(int* width, int* height, std::vector<uint32_t>* pixels, std::string* error) = 0;
};

}  // namespace qmhost
