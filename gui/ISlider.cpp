#include "gui/ISlider.h"

#include <algorithm>

#include "gui/GuiMath.h"
#include "gui/IGui.h"

using guimath::ClampToInt;
using guimath::Nearest;

ISlider::ISlider(IPlugBase* owner, int paramIdx, const IBounds& bounds, const IImage& handle,
                 const IFontSpec& valueFont, int trackLength, bool horizontal, const IRgba& fillColour,
                 int barThickness, int barInset, bool barVertical, bool barCentred)
    : ISliderImg(owner, paramIdx, bounds, handle, valueFont, trackLength, horizontal),
      mFillColour(fillColour),
      mBarHandle(handle),
      mBarLength(trackLength),
      mBarTravel(ClampToInt(0LL + trackLength - handle.width)),
      mBarThickness(barThickness),
      mBarInset(barInset),
      mBarVertical(barVertical),
      mBarCentred(barCentred) {
  // The track of a horizontal slider of the same length: centred on the
  // bounds, one handle high.
  const float cx = float(0LL + bounds.left + bounds.right) * 0.5f;
  mBarTrack = IBounds(Nearest(cx - trackLength / 2), bounds.top, Nearest(cx + trackLength / 2),
                      ClampToInt(0LL + bounds.top + handle.height));
}

bool ISlider::BarBounds(double v, IBounds* bar) const {
  const double H = mBarHandle.height, W = mBarHandle.width;
  const int half = mBarThickness / 2;
  if (mBarVertical) {
    const double cx = (0.0 + mBarTrack.left + mBarTrack.right) * 0.5;
    const double e = mBarTravel * (1.0 - v);
    if (!(mBarTravel + H / 2 - mBarInset > e)) return false;
    *bar = IBounds(Nearest(cx - half), Nearest(e + H / 2 + mBarTrack.top), Nearest(cx + half),
                   Nearest(H + mBarTrack.top + mBarTravel - mBarInset));
    return true;
  }
  const double cy = (0.0 + mBarTrack.top + mBarTrack.bottom) * 0.5;
  if (mBarCentred) {
    *bar = IBounds(Nearest(mBarTravel * std::min(v, 0.5) + mBarTrack.left + W / 2), Nearest(cy - half),
                   Nearest(mBarTravel * std::max(v, 0.5) + mBarTrack.left + W / 2), Nearest(cy + half));
    return true;
  }
  const double b = mBarTravel * v + W / 2;
  if (!(b > mBarInset)) return false;
  *bar = IBounds(ClampToInt(0LL + mBarTrack.left + mBarInset), Nearest(cy - half), Nearest(mBarTrack.left + b),
                 Nearest(cy + half));
  return true;
}

bool ISlider::Paint(IGui* gui) {
  IBounds bar;
  if (BarBounds(mValue, &bar)) gui->FillBounds(mFillColour, bar, nullptr);
  return ISliderImg::Paint(gui);
}
