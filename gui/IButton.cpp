#include "gui/IButton.h"

#include "gui/GuiMath.h"
#include "gui/IGui.h"

using guimath::ClampToInt;

IButton::IButton(IPlugBase* owner, int paramIdx, int x, int y, const IImage& image)
    : IControl(owner, paramIdx,
               IBounds(x, y, ClampToInt(0LL + x + image.width), ClampToInt(0LL + y + image.height / image.FrameCount()))),
      mImage(image) {}

void IButton::MouseDown(int, int, const IModKeys& mods) {
  if (!mods.right) mValue = mValue <= 0.5 ? 1.0 : 0.0;
  MarkDirty(true);
}

bool IButton::Paint(IGui* gui) {
  if (mValue <= 0.5) return true;
  return gui->DrawImageFrame(mImage, mBounds, 1, nullptr, true);
}
