#pragma once
#include "gui/IRgba.h"
#include "gui/ISliderImg.h"

// An image slider with a coloured bar showing the control's value: along a
// horizontal track from its start (less an inset) or from the middle, or up
// a vertical one from the bottom, ending at the handle's centre.
class ISlider : public ISliderImg {
public:
  ISlider(IPlugBase* owner, int paramIdx, const IBounds& bounds, const IImage& handle, const IFontSpec& valueFont,
          int trackLength, bool horizontal, const IRgba& fillColour, int barThickness, int barInset,
          bool barVertical, bool barCentred);

  bool Paint(IGui* gui) override;

  // The bar for a value; false when there is none to draw.
  bool BarBounds(double v, IBounds* bar) const;
  const IBounds& BarTrack() const { return mBarTrack; }

private:
  IRgba mFillColour;
  IBounds mBarTrack;
  IImage mBarHandle;
  int mBarLength;
  int mBarTravel;
  int mBarThickness;
  int mBarInset;
  bool mBarVertical;
  bool mBarCentred;
};
