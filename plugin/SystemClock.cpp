// The millisecond clock the effect reads at every block. Only differences
// of more than half a second matter to it, so the cheapest clock with
// millisecond units serves: the tick count on Windows, the coarse monotonic
// clock on Linux (a few nanoseconds, where a precise clock can cost tens).
#include "plugin/CLS_QUILLMERE.h"

#ifdef _WIN32
#include <windows.h>

uint32_t SystemMilliseconds() { return static_cast<uint32_t>(GetTickCount()); }
#else
#include <ctime>

uint32_t SystemMilliseconds() {
  timespec now;
  clock_gettime(CLOCK_MONOTONIC_COARSE, &now);
  return static_cast<uint32_t>(static_cast<uint64_t>(now.tv_sec) * 1000u + static_cast<uint64_t>(now.tv_nsec) / 1000000u);
}
#endif
