#include "gui/X11Connection.h"

#include <algorithm>
#include <chrono>
#include <thread>
#include <mutex>
#include <utility>
#include <vector>

#include <X11/Xlib.h>
// The extension hooks; this header also defines min and max as macros.
#include <X11/Xlibint.h>
#undef min
#undef max

namespace {

constexpr int kOpenAttempts = 5;
constexpr int kRetryMs = 20;

// Error counts of the open connections. Xlib calls an extension's error
// hook for every error on its connection, before the process's handler;
// a hook that answers non-zero has handled the error.
std::mutex gRegistryLock;
std::vector<std::pair<Display*, unsigned>>& Registry() {
  static std::vector<std::pair<Display*, unsigned>> registry;
  return registry;
}

int CountError(Display* display, xError*, XExtCodes*, int* result) {
  std::lock_guard<std::mutex> guard(gRegistryLock);
  for (auto& entry : Registry())
    if (entry.first == display) ++entry.second;
  *result = 0;
  return 1;
}

}  // namespace

bool X11Connection::Open() {
  Close();
  // A busy server may turn a connection away now and then: a few tries.
  ::Display* display = nullptr;
  for (int attempt = 0; attempt < kOpenAttempts && !display; ++attempt) {
    if (attempt > 0) std::this_thread::sleep_for(std::chrono::milliseconds(kRetryMs));
    display = XOpenDisplay(nullptr);
  }
  if (!display) return false;
  XExtCodes* codes = XAddExtension(display);
  if (!codes) {
    XCloseDisplay(display);
    return false;
  }
  {
    std::lock_guard<std::mutex> guard(gRegistryLock);
    Registry().emplace_back(display, 0u);
  }
  XESetError(display, codes->extension, CountError);
  mDisplay = display;
  return true;
}

void X11Connection::Close() {
  if (!mDisplay) return;
  {
    // Out of the registry first: once closed, the address may be reused by
    // another connection. The hook still handles errors of the close.
    std::lock_guard<std::mutex> guard(gRegistryLock);
    auto& registry = Registry();
    ::Display* display = mDisplay;
    registry.erase(std::remove_if(registry.begin(), registry.end(),
                                  [display](const std::pair<::Display*, unsigned>& e) { return e.first == display; }),
                   registry.end());
  }
  XCloseDisplay(mDisplay);
  mDisplay = nullptr;
}

int X11Connection::Fd() const { return mDisplay ? ConnectionNumber(mDisplay) : -1; }

unsigned X11Connection::Errors() const {
  std::lock_guard<std::mutex> guard(gRegistryLock);
  for (const auto& entry : Registry())
    if (entry.first == mDisplay) return entry.second;
  return 0;
}

bool X11Connection::SyncOk(unsigned since) {
  if (!mDisplay) return false;
  XSync(mDisplay, False);
  return Errors() == since;
}
