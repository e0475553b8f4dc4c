#pragma once
// A connection of our own to the X server, for one editor window and its
// thread. X errors on it (a window the host destroyed first, shared memory
// the server cannot reach) are counted here and never reach the process's
// error handler, which belongs to the host and by default ends the process.
// Only one thread at a time uses a connection.

struct _XDisplay;

class X11Connection {
public:
  X11Connection() = default;
  ~X11Connection() { Close(); }
  X11Connection(const X11Connection&) = delete;
  X11Connection& operator=(const X11Connection&) = delete;

  // Opens the display $DISPLAY names; false when there is none.
  bool Open();
  void Close();
  _XDisplay* Display() const { return mDisplay; }
  // The socket, for waiting on events.
  int Fd() const;

  // The errors counted so far.
  unsigned Errors() const;
  // A round trip to the server: true when no error came back since the
  // count was since.
  bool SyncOk(unsigned since);

private:
  _XDisplay* mDisplay = nullptr;
};
