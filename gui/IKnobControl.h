#pragma once
#include "gui/IControl.h"

// A control turned by dragging: up (or right) raises the value. A drag over
// the whole control changes the value by 1 / gearing; shift or control make
// it ten times finer.
class IKnobControl : public IControl {
public:
  enum Direction { kVertical = 0, kHorizontal = 1 };  // any non-zero value drags horizontally

  IKnobControl(IPlugBase* owner, int paramIdx, const IBounds& bounds, int direction, double gearing);

  void MouseDragged(int x, int y, int dx, int dy, const IModKeys& mods) override;

  int DragDirection() const { return mDirection; }
  double Gearing() const { return mGearing; }

protected:
  int mDirection;
  double mGearing;
};
