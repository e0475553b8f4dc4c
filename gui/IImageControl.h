#pragma once
#include "gui/IControl.h"

// Shows one frame of an image, chosen by the value (the editor's
// background is one, without a parameter).
class IImageControl : public IControl {
public:
  IImageControl(IPlugBase* owner, int paramIdx, const IBounds& bounds, const IImage& image, bool framesVertical);

  // An image that could not be loaded shows as an opaque black box, so that
  // what lies under it is still painted over.
  bool Paint(IGui* gui) override;

  const IImage& Image() const { return mImage; }

private:
  int mFramesVertical;
  IImage mImage;
};
