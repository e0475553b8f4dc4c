// The host's editor window on X11: a top-level window whose id and Display*
// go to effEditOpen (as Ardour passes them), real input through the XTEST
// extension, and pictures with XGetImage.
#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <poll.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <thread>

#include "tools/host/HostWindow.h"

namespace qmhost {

namespace {

using Clock = std::chrono::steady_clock;

// Hosts call effEditIdle about this often (Ardour: every 40 ms).
constexpr int kIdleMs = 40;
// Where the window goes on the screen, and how far a drag moves in steps.
constexpr int kWindowX = 40, kWindowY = 40;
constexpr int kDragSteps = 10;

// Errors on the host's own connection (a window of the editor's gone
// first) are not worth ending the program for.
int IgnoreError(Display*, XErrorEvent*) { return 0; }

KeySym NamedKey(const std::string& name) {
  struct Named {
    const char* name;
    KeySym sym;
  };
  static const Named kNamed[] = {{"space", XK_space},   {"enter", XK_Return}, {"escape", XK_Escape},
                                 {"backspace", XK_BackSpace}, {"tab", XK_Tab}, {"delete", XK_Delete},
                                 {"up", XK_Up},         {"down", XK_Down},    {"left", XK_Left},
                                 {"right", XK_Right}};
  for (const Named& n : kNamed)
    if (name == n.name) return n.sym;
  if (name.size() == 1 && ((name[0] >= 'a' && name[0] <= 'z') || (name[0] >= '0' && name[0] <= '9')))
    return static_cast<KeySym>(name[0]);
  if (name.size() >= 2 && name[0] == 'f') {
    const int n = std::atoi(name.c_str() + 1);
    if (n >= 1 && n <= 12) return XK_F1 + static_cast<KeySym>(n - 1);
  }
  return NoSymbol;
}

class X11HostWindow : public HostWindow {
public:
  X11HostWindow(Display* display, int width, int height) : mDisplay(display), mWidth(width), mHeight(height) {}

  ~X11HostWindow() override {
    XDestroyWindow(mDisplay, mWindow);
    XCloseDisplay(mDisplay);
  }

  bool Make(const std::string& title, std::string* error) {
    const int screen = DefaultScreen(mDisplay);
    int event = 0, errorBase = 0, major = 0, minor = 0;
    if (!XTestQueryExtension(mDisplay, &event, &errorBase, &major, &minor)) {
      *error = "the X server has no XTEST extension";
      return false;
    }
    XSetWindowAttributes swa{};
    swa.background_pixel = BlackPixel(mDisplay, screen);
    swa.event_mask = StructureNotifyMask | ExposureMask;
    mWindow = XCreateWindow(mDisplay, RootWindow(mDisplay, screen), kWindowX, kWindowY,
                            static_cast<unsigned>(mWidth), static_cast<unsigned>(mHeight), 0, CopyFromParent,
                            InputOutput, CopyFromParent, CWBackPixel | CWEventMask, &swa);
    XStoreName(mDisplay, mWindow, title.c_str());
    XSizeHints hints{};
    hints.flags = PMinSize | PMaxSize | PPosition;
    hints.min_width = hints.max_width = mWidth;
    hints.min_height = hints.max_height = mHeight;
    hints.x = kWindowX;
    hints.y = kWindowY;
    XSetWMNormalHints(mDisplay, mWindow, &hints);
    mDeleteAtom = XInternAtom(mDisplay, "WM_DELETE_WINDOW", False);
    XSetWMProtocols(mDisplay, mWindow, &mDeleteAtom, 1);
    XMapRaised(mDisplay, mWindow);
    // Shown before the editor opens in it.
    const auto until = Clock::now() + std::chrono::seconds(5);
    while (!mMapped && Clock::now() < until) Pump(50);
    if (!mMapped) {
      *error = "the window did not appear";
      return false;
    }
    return true;
  }

  void* EditorParent() override { return reinterpret_cast<void*>(static_cast<uintptr_t>(mWindow)); }
  intptr_t EditorValue() override { return reinterpret_cast<intptr_t>(mDisplay); }

  void Run(int ms, const std::function<void()>& idle) override {
    const auto until = Clock::now() + std::chrono::milliseconds(ms);
    auto nextIdle = Clock::now();
    for (;;) {
      const auto now = Clock::now();
      if (idle && now >= nextIdle) {
        idle();
        nextIdle += std::chrono::milliseconds(kIdleMs);
        if (nextIdle < now) nextIdle = now + std::chrono::milliseconds(kIdleMs);
      }
      if (now >= until || mClosed) break;
      const auto wake = idle && nextIdle < until ? nextIdle : until;
      Pump(static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(wake - now).count()));
    }
  }

  bool Closed() const override { return mClosed; }

  bool Send(const ScriptStep& step, std::string* error) override {
    switch (step.kind) {
      case ScriptStep::Click:
      case ScriptStep::RightClick:
      case ScriptStep::DoubleClick: {
        const unsigned button = step.kind == ScriptStep::RightClick ? 3 : 1;
        Modifiers(step, true);
        MoveTo(step.x, step.y);
        for (int n = step.kind == ScriptStep::DoubleClick ? 2 : 1; n > 0; --n) {
          XTestFakeButtonEvent(mDisplay, button, True, 0);
          XTestFakeButtonEvent(mDisplay, button, False, 0);
        }
        Modifiers(step, false);
        break;
      }
      case ScriptStep::Drag:
        Modifiers(step, true);
        MoveTo(step.x, step.y);
        XTestFakeButtonEvent(mDisplay, 1, True, 0);
        XSync(mDisplay, False);
        for (int i = 1; i <= kDragSteps; ++i) {
          MoveTo(step.x + step.dx * i / kDragSteps, step.y + step.dy * i / kDragSteps);
          XSync(mDisplay, False);
        }
        XTestFakeButtonEvent(mDisplay, 1, False, 0);
        Modifiers(step, false);
        break;
      case ScriptStep::Wheel: {
        // X has whole notches only: a part of one is no turn at all.
        const int notches = static_cast<int>(std::trunc(step.amount));
        Modifiers(step, true);
        MoveTo(step.x, step.y);
        for (int i = 0; i < std::abs(notches); ++i) {
          const unsigned button = notches > 0 ? 4 : 5;
          XTestFakeButtonEvent(mDisplay, button, True, 0);
          XTestFakeButtonEvent(mDisplay, button, False, 0);
        }
        Modifiers(step, false);
        break;
      }
      case ScriptStep::Key: {
        const KeySym sym = NamedKey(step.text);
        if (!Tap(sym, error)) return false;
        break;
      }
      case ScriptStep::Type:
        for (unsigned char c : step.text) {
          if (c < 0x20 || c > 0x7e) {
            *error = "only printable ASCII characters can be typed";
            return false;
          }
          if (!Tap(static_cast<KeySym>(c), error)) return false;
        }
        break;
      default:
        *error = "not an input step";
        return false;
    }
    XSync(mDisplay, False);
    return true;
  }

  bool Capture(int* width, int* height, std::vector<uint32_t>* pixels, std::string* error) override {
    XImage* image = XGetImage(mDisplay, mWindow, 0, 0, static_cast<unsigned>(mWidth),
                              static_cast<unsigned>(mHeight), AllPlanes, ZPixmap);
    if (!image) {
      *error = "XGetImage gave nothing";
      return false;
    }
    *width = mWidth;
    *height = mHeight;
    pixels->assign(static_cast<size_t>(mWidth) * static_cast<size_t>(mHeight), 0);
    auto channel = [](unsigned long pixel, unsigned long mask) -> uint32_t {
      if (!mask) return 0;
      int shift = 0, bits = 0;
      while (!(mask >> shift & 1)) ++shift;
      while (mask >> (shift + bits) & 1) ++bits;
      const unsigned long v = (pixel & mask) >> shift;
      return static_cast<uint32_t>(bits >= 8 ? v >> (bits - 8) : v * 255 / ((1ul << bits) - 1));
    };
    for (int y = 0; y < mHeight; ++y) {
      for (int x = 0; x < mWidth; ++x) {
        const unsigned long p = XGetPixel(image, x, y);
        (*pixels)[static_cast<size_t>(y) * mWidth + x] = 0xFF000000u | channel(p, image->red_mask) << 16 |
                                                         channel(p, image->green_mask) << 8 |
                                                         channel(p, image->blue_mask);
      }
    }
    XDestroyImage(image);
    return true;
  }

private:
  // Handles the window's events, waiting up to ms for the first.
  void Pump(int ms) {
    if (!XPending(mDisplay) && ms > 0) {
      pollfd fd{ConnectionNumber(mDisplay), POLLIN, 0};
      poll(&fd, 1, ms);
    }
    while (XPending(mDisplay)) {
      XEvent e;
      XNextEvent(mDisplay, &e);
      if (e.xany.window != mWindow) continue;
      if (e.type == MapNotify) mMapped = true;
      if (e.type == DestroyNotify) mClosed = true;
      if (e.type == ClientMessage && static_cast<Atom>(e.xclient.data.l[0]) == mDeleteAtom) mClosed = true;
    }
  }

  void MoveTo(int x, int y) {
    int rootX = 0, rootY = 0;
    Window child = 0;
    XTranslateCoordinates(mDisplay, mWindow, DefaultRootWindow(mDisplay), x, y, &rootX, &rootY, &child);
    XTestFakeMotionEvent(mDisplay, DefaultScreen(mDisplay), rootX, rootY, 0);
  }

  void Modifiers(const ScriptStep& step, bool down) {
    if (step.shift) XTestFakeKeyEvent(mDisplay, XKeysymToKeycode(mDisplay, XK_Shift_L), down, 0);
    if (step.control) XTestFakeKeyEvent(mDisplay, XKeysymToKeycode(mDisplay, XK_Control_L), down, 0);
  }

  // Presses and releases the key of a symbol, with Shift when the symbol is
  // on the key's second level.
  bool Tap(KeySym sym, std::string* error) {
    const KeyCode code = sym == NoSymbol ? 0 : XKeysymToKeycode(mDisplay, sym);
    if (!code) {
      *error = "no key on this keyboard gives that character";
      return false;
    }
    const bool shift = XkbKeycodeToKeysym(mDisplay, code, 0, 0) != sym && XkbKeycodeToKeysym(mDisplay, code, 0, 1) == sym;
    const KeyCode shiftCode = XKeysymToKeycode(mDisplay, XK_Shift_L);
    if (shift) XTestFakeKeyEvent(mDisplay, shiftCode, True, 0);
    XTestFakeKeyEvent(mDisplay, code, True, 0);
    XTestFakeKeyEvent(mDisplay, code, False, 0);
    if (shift) XTestFakeKeyEvent(mDisplay, shiftCode, False, 0);
    return true;
  }

  Display* mDisplay;
  Window mWindow = 0;
  Atom mDeleteAtom = 0;
  int mWidth, mHeight;
  bool mMapped = false;
  bool mClosed = false;
};

}  // namespace

std::unique_ptr<HostWindow> HostWindow::Create(int width, int height, const std::string& title, std::string* error) {
  // A busy server may turn a connection away now and then: a few tries.
  Display* display = nullptr;
  for (int attempt = 0; attempt < 5 && !display; ++attempt) {
    if (attempt > 0) std::this_thread::sleep_for(std::chrono::milliseconds(20));
    display = XOpenDisplay(nullptr);
  }
  if (!display) {
    *error = "cannot open the X display (is DISPLAY set?)";
    return nullptr;
  }
  XSetErrorHandler(IgnoreError);
  std::unique_ptr<X11HostWindow> window(new X11HostWindow(display, width, height));
  if (!window->Make(title, error)) return nullptr;
  return window;
}

}  // namespace qmhost
