#include "gui/IControl.h"

#include <cmath>

#include "framework/IPlugBase.h"
#include "gui/IGui.h"

IControl::IControl(IPlugBase* owner, int paramIdx, const IBounds& bounds)
    : mOwner(owner), mBounds(bounds), mTargetBounds(bounds), mParamIdx(paramIdx) {}

void IControl::MouseDown(int, int, const IModKeys& mods) {
  if (mods.right) PromptForValue();
}

void IControl::MouseUp(int, int, const IModKeys&) {}
void IControl::FileDropped(int, int, const char*) {}
void IControl::MouseDragged(int, int, int, int, const IModKeys&) {}

void IControl::MouseDoubleClicked(int, int, const IModKeys&) {
  if (mDefaultValue >= 0.0) {
    mValue = mDefaultValue;
    MarkDirty(true);
  }
}

void IControl::WheelTurned(int, int, const IModKeys& mods, int notches) {
  const double step = mods.Fine() ? 0.001 : 0.01;
  mValue += notches * step;
  MarkDirty(true);
}

void IControl::KeyPressed(int, int, int) {}
void IControl::MouseMovedOver(int, int, const IModKeys&) {}
void IControl::MouseLeft() {}

void IControl::ApplyPluginValue(double v) {
  // A value that is not a number (a host's bad value) is taken as the
  // minimum, so it cannot become the default either.
  if (std::isnan(v)) v = mMin;
  if (mDefaultValue < 0.0) {
    mDefaultValue = v;
  } else if (v == mValue) {
    return;
  }
  mValue = v;
  MarkDirty(false);
  mRedrawAgain = true;
}

void IControl::ApplyUserValue(double v) {
  if (v != mValue) mValue = v;
  MarkDirty(true);
  mRedrawAgain = true;
}

void IControl::SetHidden(bool hidden) {
  mHidden = hidden;
  mRedrawAgain = true;
  MarkDirty(false);
}

void IControl::SetGreyed(bool greyed) {
  mGreyed = greyed;
  mBlend.weight = greyed ? 0.25f : 1.0f;
  MarkDirty(false);
}

bool IControl::HitTest(int x, int y) {
  return x >= mTargetBounds.left && x <= mTargetBounds.right && y >= mTargetBounds.top && y <= mTargetBounds.bottom;
}

void IControl::MarkDirty(bool report) {
  if (mValue >= mMin) {
    if (mValue > mMax) mValue = mMax;
  } else {
    mValue = mMin;
  }
  mDirty = true;
  if (report && mOwner && mParamIdx >= 0) mOwner->SetParameterFromEditor(mParamIdx, mValue);
}

void IControl::MarkClean() {
  mDirty = mRedrawAgain;
  mRedrawAgain = false;
}

bool IControl::NeedsRedraw() { return mDirty; }

void IControl::PromptForValue() {
  if (mParamIdx < 0 || mPromptDisabled || !mGui) return;
  mGui->PromptValue(this, Param(), true);
  mRedrawAgain = true;
}

IParameter* IControl::Param() const { return mOwner ? mOwner->ParamAt(mParamIdx) : nullptr; }
