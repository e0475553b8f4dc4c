// The X11 editor window: opening and closing, the thread's turns, and
// getting the canvas to the screen. Input is in IGuiX11Input.cpp, the
// services that start other programs in IGuiX11Services.cpp.
#include "gui/IGuiX11.h"

#include <X11/Xutil.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <chrono>
#include <mutex>
#include <new>
#include <system_error>
#include <vector>

#include "framework/IPlugBase.h"
#include "gfx/Bitmap.h"
#include "gfx/PngDecode.h"
#include "gui/IGuiX11Window.h"

namespace {

// Fonts and their glyph caches are shared by every editor of the module,
// and each editor paints on a thread of its own: one painter at a time.
std::mutex& PaintLock() {
  static std::mutex lock;
  return lock;
}

// Opening and closing display connections, one at a time.
std::mutex& ConnectionLock() {
  static std::mutex lock;
  return lock;
}

// Key releases are taken too (and ignored), so that the host's windows
// never see the release of a key whose press went to the editor.
constexpr long kEditorEvents = ExposureMask | ButtonPressMask | ButtonReleaseMask | PointerMotionMask |
                               KeyPressMask | KeyReleaseMask | EnterWindowMask | LeaveWindowMask |
                               FocusChangeMask | StructureNotifyMask;

void Wake(int fd) {
  const uint64_t one = 1;
  (void)!write(fd, &one, sizeof one);
}

}  // namespace

IGuiX11::IGuiX11(IPlugBase* owner, int width, int height, int frameRate)
    : IGui(owner, width, height, frameRate), mEntry(this) {}

IGuiX11::~IGuiX11() { CloseEditorWindow(); }

void* IGuiX11::WindowHandle() {
  return mX ? reinterpret_cast<void*>(static_cast<uintptr_t>(mX->window)) : nullptr;
}

bool IGuiX11::UsesSharedMemory() const { return mX && mX->surface.Shared(); }

BitmapBase* IGuiX11::LoadBitmapResource(int id, const char*) {
  return DecodePngResource(ThisModuleInstance(), id, nullptr);
}

// ---- Opening and closing ------------------------------------------------------------

void* IGuiX11::OpenEditorWindow(void* parentHandle) {
  const ::Window parent = static_cast<::Window>(reinterpret_cast<uintptr_t>(parentHandle));
  if (!parent) return nullptr;
  int x = 0, y = 0;
  if (mX) {
    // Opening again keeps the window's place in its parent.
    if (!StopThread()) return nullptr;
    XWindowAttributes old;
    if (!mX->windowGone && XGetWindowAttributes(mX->D(), mX->window, &old)) {
      x = old.x;
      y = old.y;
    }
    CloseEditorWindow();
  }

  std::unique_ptr<Native> nx(new (std::nothrow) Native);
  if (!nx) return nullptr;
  {
    std::lock_guard<std::mutex> guard(ConnectionLock());
    if (!nx->connection.Open()) return nullptr;
  }
  Display* d = nx->D();
  const unsigned errors = nx->connection.Errors();
  XWindowAttributes pa;
  bool ok = XGetWindowAttributes(d, parent, &pa) != 0 && pa.c_class == InputOutput;
  if (ok) {
    XSetWindowAttributes swa{};
    swa.background_pixmap = None;
    swa.border_pixel = 0;
    swa.bit_gravity = NorthWestGravity;
    swa.event_mask = kEditorEvents;
    swa.colormap = pa.colormap;
    unsigned long mask = CWBackPixmap | CWBorderPixel | CWBitGravity | CWEventMask;
    if (pa.colormap != None) mask |= CWColormap;
    nx->parent = parent;
    nx->window = XCreateWindow(d, parent, x, y, static_cast<unsigned>(Width()), static_cast<unsigned>(Height()),
                               0, pa.depth, InputOutput, pa.visual, mask, &swa);
    XStoreName(d, nx->window, "IPlug");
    XClassHint hint{const_cast<char*>("IPlug"), const_cast<char*>("IPlugWndClass")};
    XSetClassHint(d, nx->window, &hint);
    nx->gc = XCreateGC(d, nx->window, 0, nullptr);
    ok = nx->connection.SyncOk(errors) &&
         nx->surface.Create(&nx->connection, pa.visual, pa.depth, Width(), Height());
  }
  if (ok) {
    nx->wakeFd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    ok = nx->wakeFd >= 0;
  }
  if (!ok) {
    nx->surface.Destroy();
    if (nx->gc) XFreeGC(d, nx->gc);
    if (nx->window) XDestroyWindow(d, nx->window);
    std::lock_guard<std::mutex> guard(ConnectionLock());
    nx->connection.Close();
    return nullptr;
  }

  mX = std::move(nx);
  mStop = false;
  MarkAllDirty();
  {
    std::lock_guard<std::mutex> paint(PaintLock());
    Redraw(IBounds(0, 0, Width(), Height()));
  }
  XMapWindow(d, mX->window);
  Present();
  try {
    mThread = std::thread(&IGuiX11::Run, this);
  } catch (const std::system_error&) {
    CloseEditorWindow();
    return nullptr;
  }
  return WindowHandle();
}

bool IGuiX11::StopThread() {
  // Only the host closes the window: its own thread could not wait for
  // itself.
  if (mThread.joinable() && mThread.get_id() == std::this_thread::get_id()) return false;
  mStop = true;
  Wake(mX->wakeFd);
  if (mThread.joinable()) mThread.join();
  return true;
}

void IGuiX11::CloseEditorWindow() {
  if (!mX || !StopThread()) return;

  // What the window was in the middle of ends with it.
  EndPendingWheelEdit();
  CancelPress();
  const bool entryOpen = mEntry.IsOpen();
  mEntry.Close();
  if (entryOpen) EntryClosed(IBounds());
  mClicks.Reset();
  mRouted = mSwallowed = 0;
  mSelecting = false;
  mPointerInside = false;
  mPending = IBounds();
  mListDirty = false;

  Display* d = mX->D();
  mX->surface.Destroy();
  XFreeGC(d, mX->gc);
  if (!mX->windowGone) XDestroyWindow(d, mX->window);
  XSync(d, False);
  close(mX->wakeFd);
  {
    std::lock_guard<std::mutex> guard(ConnectionLock());
    mX->connection.Close();
  }
  mX.reset();
}

// ---- The thread -----------------------------------------------------------------------

bool IGuiX11::LockForThread() {
  IPlugBase* owner = Owner();
  if (!owner) return !mStop;
  while (!owner->Lock().TryLock()) {
    if (mStop) return false;
    // Closing wakes this at once.
    pollfd wake{mX->wakeFd, POLLIN, 0};
    poll(&wake, 1, 1);
  }
  if (mStop) {
    owner->Lock().Unlock();
    return false;
  }
  return true;
}

void IGuiX11::Run() {
  using Clock = std::chrono::steady_clock;
  Display* d = mX->D();
  const int fd = mX->connection.Fd();
  const auto period = std::chrono::milliseconds(static_cast<int>(1000.0 / FrameRate()));
  auto next = Clock::now() + period;
  std::vector<XEvent> events;
  while (!mStop) {
    if (!XPending(d)) {
      const auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(next - Clock::now()).count();
      pollfd fds[2] = {{fd, POLLIN, 0}, {mX->wakeFd, POLLIN, 0}};
      poll(fds, 2, wait > 0 ? static_cast<int>(wait) : 0);
      if (mStop) break;
    }
    events.clear();
    while (XPending(d)) {
      XEvent e;
      XNextEvent(d, &e);
      try {
        events.push_back(e);
      } catch (...) {  // no memory: the event is lost, not the host
      }
    }
    const auto now = Clock::now();
    const bool tick = now >= next;
    if (tick) next = next + period > now ? next + period : now + period;
    if (events.empty() && !tick) continue;

    if (!LockForThread()) break;
    mTurnLocked = true;
    // Nothing thrown may leave the thread (it would end the host); a turn
    // that failed is dropped.
    try {
      for (const XEvent& e : events) {
        if (!mTurnLocked) break;
        OnEvent(&e);
      }
      if (mTurnLocked && tick) Tick();
    } catch (...) {
    }
    if (!mTurnLocked) break;  // a dialog outlived the window
    mTurnLocked = false;
    if (Owner()) Owner()->Lock().Unlock();

    // An open list takes the pointer once no press is in progress, so that
    // a press anywhere else closes it.
    if (mX->popup && !mX->grabbed && !mRouted && !mSwallowed) {
      mX->grabbed = XGrabPointer(d, mX->popup, True, ButtonPressMask | ButtonReleaseMask | PointerMotionMask,
                                 GrabModeAsync, GrabModeAsync, None, None, CurrentTime) == GrabSuccess;
    }
    try {
      Present();
    } catch (...) {
    }
  }
}

void IGuiX11::Tick() {
  IBounds area;
  if (mEntry.Tick(&area)) EntryClosed(area);
  TimerTick();
}

void IGuiX11::RequestRepaint(const IBounds& area) {
  std::lock_guard<std::mutex> paint(PaintLock());
  Redraw(area);
}

bool IGuiX11::ShowArea(const IBounds& area) {
  mPending = mPending.Union(area);
  return true;
}

// ---- To the screen ------------------------------------------------------------------------

void IGuiX11::Present() {
  if (!mX) return;
  const IBounds area = mPending.Intersect(IBounds(0, 0, Width(), Height()));
  mPending = IBounds();
  BitmapBase* screen = mX->surface.Bitmap();
  BitmapBase* canvas = Canvas();
  if (!area.Empty() && screen && canvas && canvas->Pixels()) {
    std::lock_guard<std::mutex> paint(PaintLock());
    for (int y = area.top; y < area.bottom; ++y) {
      const uint32_t* from = canvas->Pixels() + static_cast<size_t>(y) * canvas->RowPixels();
      uint32_t* to = screen->Pixels() + static_cast<size_t>(y) * screen->RowPixels();
      // Opaque, also for windows whose visual has an alpha channel.
      for (int x = area.left; x < area.right; ++x) to[x] = from[x] | 0xFF000000u;
    }
    mEntry.PaintBox(screen, area);
  }
  if (!area.Empty()) mX->surface.Put(mX->window, mX->gc, area);
  if (mListDirty) PresentList();
}

void IGuiX11::PresentList() {
  mListDirty = false;
  BitmapBase* list = mX->popupSurface.Bitmap();
  if (!mX->popup || !list) return;
  {
    std::lock_guard<std::mutex> paint(PaintLock());
    mEntry.PaintList(list);
  }
  mX->popupSurface.Put(mX->popup, mX->popupGc, IBounds(0, 0, list->Width(), list->Height()));
}

// ---- Entries ------------------------------------------------------------------------------

void IGuiX11::PromptValue(IControl* control, IParameter* param, bool centred) {
  if (mX && mEntry.OpenValue(control, param, centred)) EntryOpened();
}

void IGuiX11::PromptText(IEditableTextControl* control) {
  if (mX && mEntry.OpenText(control)) EntryOpened();
}

void IGuiX11::EntryOpened() {
  Display* d = mX->D();
  // Typing goes to the editor while the entry is open.
  ::Window focus = 0;
  int revert = RevertToParent;
  XGetInputFocus(d, &focus, &revert);
  if (focus != mX->window) {
    mX->focusTaken = true;
    mX->savedFocus = focus;
    mX->savedRevert = revert;
    XSetInputFocus(d, mX->window, RevertToParent, CurrentTime);
  }
  mEntry.FocusChanged(true);
  if (!mEntry.IsList()) {
    mPending = mPending.Union(mEntry.Bounds());
    return;
  }

  // The list in a pop-up of its own, kept on the screen.
  const int screen = DefaultScreen(d);
  const ::Window root = RootWindow(d, screen);
  int originX = 0, originY = 0;
  ::Window child = 0;
  XTranslateCoordinates(d, mX->window, root, 0, 0, &originX, &originY, &child);
  const IBounds& b = mEntry.Bounds();
  const int w = b.W(), h = mEntry.ListHeight();
  const int screenW = DisplayWidth(d, screen), screenH = DisplayHeight(d, screen);
  int left = originX + b.left, top = originY + b.top;
  if (left + w > screenW) left = screenW - w;
  if (top + h > screenH) top = screenH - h;
  if (left < 0) left = 0;
  if (top < 0) top = 0;
  mX->popupX = left - originX;
  mX->popupY = top - originY;
  XSetWindowAttributes swa{};
  swa.override_redirect = True;
  swa.background_pixmap = None;
  swa.border_pixel = 0;
  swa.event_mask = ExposureMask | ButtonPressMask | ButtonReleaseMask | PointerMotionMask;
  Visual* visual = DefaultVisual(d, screen);
  const int depth = DefaultDepth(d, screen);
  mX->popup = XCreateWindow(d, root, left, top, static_cast<unsigned>(w), static_cast<unsigned>(h), 0, depth,
                            InputOutput, visual, CWOverrideRedirect | CWBackPixmap | CWBorderPixel | CWEventMask,
                            &swa);
  mX->popupGc = XCreateGC(d, mX->popup, 0, nullptr);
  mX->popupSurface.Create(&mX->connection, visual, depth, w, h);
  XMapRaised(d, mX->popup);
  mListDirty = true;
}

void IGuiX11::EntryClosed(const IBounds& area) {
  mPending = mPending.Union(area);
  mSelecting = false;
  Display* d = mX->D();
  if (mX->popup) {
    if (mX->grabbed) XUngrabPointer(d, CurrentTime);
    mX->grabbed = false;
    mX->popupSurface.Destroy();
    XFreeGC(d, mX->popupGc);
    XDestroyWindow(d, mX->popup);
    mX->popup = 0;
    mX->popupGc = nullptr;
  }
  if (mX->focusTaken) {
    // The focus goes back where it was, unless it has moved on meanwhile.
    ::Window focus = 0;
    int revert = 0;
    XGetInputFocus(d, &focus, &revert);
    if (focus == mX->window) XSetInputFocus(d, mX->savedFocus, mX->savedRevert, CurrentTime);
    mX->focusTaken = false;
  }
}
