#include "gui/IImageControl.h"

#include <cmath>

#include "gui/IGui.h"

IImageControl::IImageControl(IPlugBase* owner, int paramIdx, const IBounds& bounds, const IImage& image,
                             bool framesVertical)
    : IControl(owner, paramIdx, bounds), mFramesVertical(framesVertical ? 1 : 0), mImage(image) {}

bool IImageControl::Paint(IGui* gui) {
  if (!mImage.bitmap) {
    const IBlendSpec copy(IBlendSpec::kCopy, 1.0f);
    return gui->FillBounds(IRgba(255, 0, 0, 0), mBounds, &copy);
  }
  const int n = mImage.frames;
  int frame = 1;
  if (n >= 2) {
    frame = static_cast<int>(std::trunc((n - 1) * mValue + 0.5)) + 1;
    if (frame < 1) frame = 1;
    if (frame > n) frame = n;
  }
  return gui->DrawImageFrame(mImage, mBounds, frame, &mBlend, mFramesVertical != 0);
}
