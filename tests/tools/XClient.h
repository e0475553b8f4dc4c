#pragma once
// A test's own connection to the X server: host windows to open editors in,
// real pointer input through XTEST, and what the server and this process
// hold (windows, threads, files, shared memory) to tell leaks.
#include <cstdint>
#include <string>

struct _XDisplay;

namespace xtest {

class XClient {
public:
  XClient() = default;
  ~XClient();
  XClient(const XClient&) = delete;
  XClient& operator=(const XClient&) = delete;

  // Opens $DISPLAY; false when there is none.
  bool Open();
  _XDisplay* Display() const { return mDisplay; }

  // A shown top-level window at (x, y) of the screen.
  unsigned long MakeWindow(int x, int y, int width, int height);
  void DestroyWindow(unsigned long window);
  // The number of child windows, and the first child (0 for none).
  int Children(unsigned long window);
  unsigned long FirstChild(unsigned long window);
  // A window's place in its parent; false when it is no window.
  bool Place(unsigned long window, int* x, int* y);
  void Move(unsigned long window, int x, int y);
  int ScreenWidth();
  int ScreenHeight();

  // Real input: the pointer to (x, y) of a window, buttons and keys.
  void MoveTo(unsigned long window, int x, int y);
  void Button(int button, bool down);
  void Sync();

private:
  _XDisplay* mDisplay = nullptr;
};

// "" when the tests may use the display, else why not. Under
// QM_REQUIRE_DISPLAY=1 (the test run of tools/run-tests.sh) a missing
// display is a failure, elsewhere the tests are skipped.
std::string DisplayProblem();
bool DisplayRequired();

// What this process holds now.
int OpenFiles();
int Threads();
int SharedMemorySegments();  // System V segments this process created

}  // namespace xtest
