#include <X11/Xlib.h>

#include <cstdint>
#include <cstdlib>

#include "tools/host/ParentWindow.h"

namespace qmhost {

namespace {

class X11ParentWindow : public ParentWindow {
public:
  X11ParentWindow(Display* display, Window window) : mDisplay(display), mWindow(window) {}
  ~X11ParentWindow() override {
    XDestroyWindow(mDisplay, mWindow);
    XCloseDisplay(mDisplay);
  }
  void* Handle() const override { return reinterpret_cast<void*>(static_cast<uintptr_t>(mWindow)); }
  intptr_t Value() const override { return reinterpret_cast<intptr_t>(mDisplay); }
  void Pump() override {
    while (XPending(mDisplay) > 0) {
      XEvent event;
      XNextEvent(mDisplay, &event);
    }
  }

private:
  Display* mDisplay;
  Window mWindow;
};

}  // namespace

std::unique_ptr<ParentWindow> ParentWindow::Open(int width, int height, std::string* why) {
  const char* name = std::getenv("DISPLAY");
  if (!name || !*name) {
    *why = "no display ($DISPLAY is not set)";
    return nullptr;
  }
  // Editors may talk to the display from threads of their own.
  XInitThreads();
  Display* display = XOpenDisplay(nullptr);
  if (!display) {
    *why = std::string("no display (cannot open ") + name + ")";
    return nullptr;
  }
  const int screen = DefaultScreen(display);
  Window window = XCreateSimpleWindow(display, RootWindow(display, screen), 0, 0, static_cast<unsigned>(width),
                                      static_cast<unsigned>(height), 0, BlackPixel(display, screen),
                                      BlackPixel(display, screen));
  XStoreName(display, window, "quillmere-host validate");
  XMapWindow(display, window);
  XSync(display, False);
  return std::make_unique<X11ParentWindow>(display, window);
}

}  // namespace qmhost
