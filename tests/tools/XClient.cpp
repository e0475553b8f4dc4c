#include "tests/tools/XClient.h"

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <dirent.h>
#include <poll.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace xtest {

namespace {

int CountEntries(const char* dir) {
  DIR* d = opendir(dir);
  if (!d) return -1;
  int n = 0;
  while (dirent* e = readdir(d))
    if (e->d_name[0] != '.') ++n;
  closedir(d);
  return n;
}

int IgnoreError(Display*, XErrorEvent*) { return 0; }

}  // namespace

XClient::~XClient() {
  if (mDisplay) XCloseDisplay(mDisplay);
}

bool XClient::Open() {
  // A busy server may turn a connection away now and then: a few tries.
  for (int attempt = 0; attempt < 5 && !mDisplay; ++attempt) {
    if (attempt > 0) usleep(20000);
    mDisplay = XOpenDisplay(nullptr);
  }
  if (!mDisplay) return false;
  XSetErrorHandler(IgnoreError);
  int event, error, major, minor;
  return XTestQueryExtension(mDisplay, &event, &error, &major, &minor);
}

unsigned long XClient::MakeWindow(int x, int y, int width, int height) {
  const int screen = DefaultScreen(mDisplay);
  XSetWindowAttributes swa{};
  swa.background_pixel = BlackPixel(mDisplay, screen);
  swa.event_mask = StructureNotifyMask;
  ::Window w = XCreateWindow(mDisplay, RootWindow(mDisplay, screen), x, y, static_cast<unsigned>(width),
                             static_cast<unsigned>(height), 0, CopyFromParent, InputOutput, CopyFromParent,
                             CWBackPixel | CWEventMask, &swa);
  XMapRaised(mDisplay, w);
  for (int i = 0; i < 100; ++i) {
    XEvent e;
    if (XCheckTypedWindowEvent(mDisplay, w, MapNotify, &e)) break;
    pollfd fd{ConnectionNumber(mDisplay), POLLIN, 0};
    poll(&fd, 1, 20);
  }
  XSync(mDisplay, False);
  return w;
}

void XClient::DestroyWindow(unsigned long window) {
  XDestroyWindow(mDisplay, window);
  XSync(mDisplay, False);
}

int XClient::Children(unsigned long window) {
  ::Window root = 0, parent = 0, *children = nullptr;
  unsigned n = 0;
  if (!XQueryTree(mDisplay, window, &root, &parent, &children, &n)) return -1;
  if (children) XFree(children);
  return static_cast<int>(n);
}

unsigned long XClient::FirstChild(unsigned long window) {
  ::Window root = 0, parent = 0, *children = nullptr;
  unsigned n = 0;
  if (!XQueryTree(mDisplay, window, &root, &parent, &children, &n)) return 0;
  const unsigned long first = n > 0 ? children[0] : 0;
  if (children) XFree(children);
  return first;
}

bool XClient::Place(unsigned long window, int* x, int* y) {
  XWindowAttributes a;
  if (!XGetWindowAttributes(mDisplay, window, &a)) return false;
  *x = a.x;
  *y = a.y;
  return true;
}

void XClient::Move(unsigned long window, int x, int y) {
  XMoveWindow(mDisplay, window, x, y);
  XSync(mDisplay, False);
}

int XClient::ScreenWidth() { return DisplayWidth(mDisplay, DefaultScreen(mDisplay)); }
int XClient::ScreenHeight() { return DisplayHeight(mDisplay, DefaultScreen(mDisplay)); }

void XClient::MoveTo(unsigned long window, int x, int y) {
  int rx = 0, ry = 0;
  ::Window child = 0;
  XTranslateCoordinates(mDisplay, window, DefaultRootWindow(mDisplay), x, y, &rx, &ry, &child);
  XTestFakeMotionEvent(mDisplay, DefaultScreen(mDisplay), rx, ry, 0);
  XFlush(mDisplay);
}

void XClient::Button(int button, bool down) {
  XTestFakeButtonEvent(mDisplay, static_cast<unsigned>(button), down ? True : False, 0);
  XFlush(mDisplay);
}

void XClient::Sync() { XSync(mDisplay, False); }

bool DisplayRequired() {
  const char* v = std::getenv("QM_REQUIRE_DISPLAY");
  return v && *v && *v != '0';
}

std::string DisplayProblem() {
  XClient probe;
  if (!probe.Open()) return "no X display with XTEST (DISPLAY is not set, or the server cannot be reached)";
  return std::string();
}

// Less the listing's own descriptor.
int OpenFiles() { return CountEntries("/proc/self/fd") - 1; }
int Threads() { return CountEntries("/proc/self/task"); }

int SharedMemorySegments() {
  std::ifstream in("/proc/sysvipc/shm");
  std::string line;
  std::getline(in, line);  // the header
  int n = 0;
  const long self = static_cast<long>(getpid());
  while (std::getline(in, line)) {
    std::istringstream words(line);
    long key, id, perms, size, cpid;
    if (words >> key >> id >> perms >> size >> cpid && cpid == self) ++n;
  }
  return n;
}

}  // namespace xtest
