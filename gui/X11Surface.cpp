#include "gui/X11Surface.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>
#include <sys/ipc.h>
#include <sys/shm.h>

#include <cstdlib>
#include <new>

#include "gfx/Bitmap.h"
#include "gui/X11Connection.h"

namespace {

// The image's bytes as a bitmap, when they are laid out as ours are:
// 0xAARRGGBB words, least significant byte first.
class ImageBitmap : public BitmapBase {
public:
  explicit ImageBitmap(XImage* image) : mImage(image) {}
  uint32_t* Pixels() override { return reinterpret_cast<uint32_t*>(mImage->data); }
  int Width() const override { return mImage->width; }
  int Height() const override { return mImage->height; }
  int RowPixels() const override { return mImage->bytes_per_line / 4; }
  bool SetSize(int, int) override { return false; }

private:
  XImage* mImage;
};

bool SameLayoutAsOurs(const XImage* image) {
  return image->bits_per_pixel == 32 && image->byte_order == LSBFirst && image->red_mask == 0xFF0000 &&
         image->green_mask == 0xFF00 && image->blue_mask == 0xFF && image->bytes_per_line % 4 == 0;
}

// Where a mask's highest bit lies, and how many bits it has.
void MaskShape(unsigned long mask, int* shift, int* bits) {
  *shift = 0;
  *bits = 0;
  if (!mask) return;
  while (!(mask & 1)) {
    mask >>= 1;
    ++*shift;
  }
  while (mask & 1) {
    mask >>= 1;
    ++*bits;
  }
}

unsigned long Channel(uint32_t value8, unsigned long mask) {
  int shift, bits;
  MaskShape(mask, &shift, &bits);
  if (bits == 0) return 0;
  const unsigned long v = bits >= 8 ? value8 << (bits - 8) : value8 >> (8 - bits);
  return (v << shift) & mask;
}

}  // namespace

struct X11Surface::Image {
  XImage* image = nullptr;
  XShmSegmentInfo shm{};
  std::unique_ptr<BitmapBase> bitmap;  // the image's bytes, or a copy to convert from
  bool direct = false;
};

X11Surface::X11Surface() = default;
X11Surface::~X11Surface() { Destroy(); }

bool X11Surface::Create(X11Connection* connection, void* visualPtr, int depth, int width, int height) {
  Destroy();
  Display* d = connection ? connection->Display() : nullptr;
  Visual* visual = static_cast<Visual*>(visualPtr);
  if (!d || !visual || width <= 0 || height <= 0) return false;
  if (visual->c_class != TrueColor && visual->c_class != DirectColor) return false;
  mConnection = connection;
  std::unique_ptr<Image> im(new (std::nothrow) Image);
  if (!im) return false;

  if (XShmQueryExtension(d)) {
    im->image = XShmCreateImage(d, visual, static_cast<unsigned>(depth), ZPixmap, nullptr, &im->shm,
                                static_cast<unsigned>(width), static_cast<unsigned>(height));
    if (im->image) {
      const size_t bytes = static_cast<size_t>(im->image->bytes_per_line) * static_cast<size_t>(height);
      im->shm.shmid = shmget(IPC_PRIVATE, bytes, IPC_CREAT | 0600);
      void* at = im->shm.shmid >= 0 ? shmat(im->shm.shmid, nullptr, 0) : reinterpret_cast<void*>(-1);
      bool attached = false;
      if (at != reinterpret_cast<void*>(-1)) {
        im->shm.shmaddr = im->image->data = static_cast<char*>(at);
        im->shm.readOnly = False;
        const unsigned errors = connection->Errors();
        attached = XShmAttach(d, &im->shm) && connection->SyncOk(errors);
      }
      // Gone as soon as both sides let go of it, whatever happens to us.
      if (im->shm.shmid >= 0) shmctl(im->shm.shmid, IPC_RMID, nullptr);
      if (attached) {
        mShared = true;
      } else {
        if (at != reinterpret_cast<void*>(-1)) shmdt(at);
        im->image->data = nullptr;
        XDestroyImage(im->image);
        im->image = nullptr;
      }
    }
  }
  if (!im->image) {
    im->image = XCreateImage(d, visual, static_cast<unsigned>(depth), ZPixmap, 0, nullptr,
                             static_cast<unsigned>(width), static_cast<unsigned>(height), 32, 0);
    if (!im->image) return false;
    im->image->data = static_cast<char*>(std::calloc(static_cast<size_t>(im->image->bytes_per_line),
                                                     static_cast<size_t>(height)));
    if (!im->image->data) {
      XDestroyImage(im->image);
      return false;
    }
  }
  im->direct = SameLayoutAsOurs(im->image);
  if (im->direct)
    im->bitmap.reset(new (std::nothrow) ImageBitmap(im->image));
  else
    im->bitmap.reset(new (std::nothrow) PixelBitmap(width, height, 4));
  mImage = std::move(im);
  if (!mImage->bitmap || !mImage->bitmap->Pixels()) {
    Destroy();
    return false;
  }
  return true;
}

void X11Surface::Destroy() {
  if (!mImage) return;
  Display* d = mConnection ? mConnection->Display() : nullptr;
  if (mImage->image) {
    if (mShared) {
      if (d) {
        XShmDetach(d, &mImage->shm);
        XSync(d, False);
      }
      shmdt(mImage->shm.shmaddr);
      mImage->image->data = nullptr;
    }
    XDestroyImage(mImage->image);  // frees our own memory with it
  }
  mImage.reset();
  mShared = false;
}

BitmapBase* X11Surface::Bitmap() { return mImage ? mImage->bitmap.get() : nullptr; }

void X11Surface::Put(unsigned long window, void* gc, const IBounds& area) {
  Display* d = mConnection ? mConnection->Display() : nullptr;
  if (!mImage || !d || !window) return;
  XImage* image = mImage->image;
  const IBounds a = area.Intersect(IBounds(0, 0, image->width, image->height));
  if (a.Empty()) return;
  if (!mImage->direct) {
    BitmapBase* from = mImage->bitmap.get();
    for (int y = a.top; y < a.bottom; ++y) {
      const uint32_t* row = from->Pixels() + static_cast<size_t>(y) * from->RowPixels();
      for (int x = a.left; x < a.right; ++x) {
        const uint32_t p = row[x];
        XPutPixel(image, x, y,
                  Channel(p >> 16 & 0xFF, image->red_mask) | Channel(p >> 8 & 0xFF, image->green_mask) |
                      Channel(p & 0xFF, image->blue_mask));
      }
    }
  }
  GC context = static_cast<GC>(gc);
  if (mShared) {
    XShmPutImage(d, window, context, image, a.left, a.top, a.left, a.top, static_cast<unsigned>(a.W()),
                 static_cast<unsigned>(a.H()), False);
    // The next drawing may not start before the server has read the bytes.
    XSync(d, False);
  } else {
    XPutImage(d, window, context, image, a.left, a.top, a.left, a.top, static_cast<unsigned>(a.W()),
              static_cast<unsigned>(a.H()));
    XFlush(d);
  }
}
