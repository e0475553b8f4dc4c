#pragma once
#include "gui/IControl.h"

// A two-state button: a press toggles it (a right press only reports the
// unchanged value). When on it shows the first frame of its image, when off
// nothing (the background shows the off state).
class IButton : public IControl {
public:
  // The button is one frame of the image high.
  IButton(IPlugBase* owner, int paramIdx, int x, int y, const IImage& image);

  void MouseDown(int x, int y, const IModKeys& mods) override;
  bool Paint(IGui* gui) override;

protected:
  IImage mImage;
};
