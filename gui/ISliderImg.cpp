#include "gui/ISliderImg.h"

#include "framework/IParameter.h"
#include "gui/GuiMath.h"
#include "gui/IGui.h"
#include "gui/ValueText.h"

using guimath::ClampToInt;
using guimath::Nearest;

ISliderImg::ISliderImg(IPlugBase* owner, int paramIdx, const IBounds& bounds, const IImage& handle,
                       const IFontSpec& valueFont, int trackLength, bool horizontal)
    : IControl(owner, paramIdx, bounds),
      mValueFont(valueFont),
      mHandle(handle),
      mTrackLength(trackLength),
      mVertical(!horizontal) {
  const float cx = float(0LL + bounds.left + bounds.right) * 0.5f;
  if (mVertical) {
    mTravel = ClampToInt(0LL + trackLength - handle.height);
    mTrack = IBounds(Nearest(cx - handle.width * 0.5f), bounds.top, Nearest(cx + handle.width * 0.5f),
                     ClampToInt(0LL + bounds.top + trackLength));
  } else {
    mTravel = ClampToInt(0LL + trackLength - handle.width);
    mTrack = IBounds(Nearest(cx - trackLength / 2), bounds.top, Nearest(cx + trackLength / 2),
                     ClampToInt(0LL + bounds.top + handle.height));
  }
}

void ISliderImg::MoveTo(int x, int y) {
  if (x < mTrack.left || x > mTrack.right || y < mTrack.top || y > mTrack.bottom) return;
  // A handle as long as the track has nowhere to travel.
  if (mTravel == 0) return;
  if (mVertical)
    mValue = 1.0 - double((float(0LL + y - mTrack.top) - mHandle.height * 0.5f) / float(mTravel));
  else
    mValue = (float(0LL + x - mTrack.left) - mHandle.width * 0.5f) / float(mTravel);
  MarkDirty(true);
}

void ISliderImg::MouseDown(int x, int y, const IModKeys& mods) {
  if (mods.right)
    PromptForValue();
  else
    MoveTo(x, y);
}

void ISliderImg::MouseDragged(int x, int y, int, int, const IModKeys&) { MoveTo(x, y); }

IBounds ISliderImg::HandleBounds(double n) const {
  if (mVertical) {
    const int top = Nearest(mTravel * (1.0 - n) + mTrack.top);
    return IBounds(mTrack.left, top, mTrack.right, ClampToInt(0LL + top + mHandle.height));
  }
  return IBounds(Nearest(mTrack.left + mTravel * n), mTrack.top, Nearest(mHandle.width + mTrack.left + mTravel * n),
                 mBounds.bottom);
}

IBounds ISliderImg::TextBounds() const {
  return IBounds(mBounds.left, ClampToInt(0LL + mBounds.bottom - mValueFont.size), mBounds.right, mBounds.bottom);
}

bool ISliderImg::Paint(IGui* gui) {
  if (mValueFont.size > 0) {
    ValueText text(Param(), true);
    if (!text.Empty()) {
      mValueFont.align = IFontSpec::kAlignCentre;
      gui->DrawTextIn(mValueFont, text.Text(), TextBounds());
    }
  }
  // The handle follows the parameter (the control's value may be ahead of it).
  const IParameter* param = Param();
  const double n = param ? param->NormalizedValue() : mValue;
  return gui->DrawImageFrame(mHandle, HandleBounds(n), 1, &mBlend, true);
}
