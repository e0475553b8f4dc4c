#pragma once
#include <memory>

#include "gfx/IBounds.h"

class BitmapBase;
class X11Connection;

// The picture an editor window shows: an X image the size of the window,
// in shared memory (MIT-SHM) when the server offers it and can attach it,
// else in our own memory sent with each put. Drawing goes into Bitmap();
// Put() sends an area of it to a window. Servers of the common visuals
// (32 bits a pixel, 8 bits a colour) get the bitmap's own bytes; other
// TrueColor visuals get each pixel converted as it is put.
class X11Surface {
public:
  X11Surface();
  ~X11Surface();
  X11Surface(const X11Surface&) = delete;
  X11Surface& operator=(const X11Surface&) = delete;

  // visual is the Xlib Visual* of the window. False when the visual is not
  // TrueColor or no image can be made.
  bool Create(X11Connection* connection, void* visual, int depth, int width, int height);
  void Destroy();

  BitmapBase* Bitmap();
  bool Shared() const { return mShared; }
  // Sends the area (clipped to the image) to the window, with the GC, and
  // waits until the server has read shared memory.
  void Put(unsigned long window, void* gc, const IBounds& area);

private:
  struct Image;
  X11Connection* mConnection = nullptr;
  std::unique_ptr<Image> mImage;
  bool mShared = false;
};
