#pragma once
#include "gui/IButton.h"

// A button that also raises a flag of the plug-in on every press, right
// presses included, before the value is reported.
class IButtonClick : public IButton {
public:
  IButtonClick(IPlugBase* owner, int paramIdx, int x, int y, const IImage& image, bool* clickFlag);

  void MouseDown(int x, int y, const IModKeys& mods) override;

private:
  bool* mClickFlag;
};
