#include "gui/IKnobControl.h"

IKnobControl::IKnobControl(IPlugBase* owner, int paramIdx, const IBounds& bounds, int direction, double gearing)
    : IControl(owner, paramIdx, bounds), mDirection(direction), mGearing(gearing) {}

void IKnobControl::MouseDragged(int, int, int dx, int dy, const IModKeys& mods) {
  double g = mGearing;
  if (mods.Fine()) g *= 10.0;
  const long long extent = mDirection == kVertical ? 0LL + mBounds.top - mBounds.bottom : 0LL + mBounds.right - mBounds.left;
  // A control without extent, or without gearing, has no drag scale.
  if (extent == 0 || !(g != 0.0)) return;
  if (mDirection == kVertical)
    mValue += double(dy) / double(extent) / g;
  else
    mValue += double(dx) / double(extent) / g;
  MarkDirty(true);
}
