#include "gui/IButtonClick.h"

IButtonClick::IButtonClick(IPlugBase* owner, int paramIdx, int x, int y, const IImage& image, bool* clickFlag)
    : IButton(owner, paramIdx, x, y, image), mClickFlag(clickFlag) {}

void IButtonClick::MouseDown(int x, int y, const IModKeys& mods) {
  if (mClickFlag) *mClickFlag = true;
  IButton::MouseDown(x, y, mods);
}
