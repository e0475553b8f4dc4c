#pragma once
#include "gui/IControl.h"
#include "gui/IFontSpec.h"

// A slider whose handle image travels along a track of the given length,
// centred in the bounds, with the parameter's value and unit centred at the
// bottom of the bounds. A press on the track jumps the handle's centre
// there; presses and drags outside the track are ignored.
class ISliderImg : public IControl {
public:
  ISliderImg(IPlugBase* owner, int paramIdx, const IBounds& bounds, const IImage& handle, const IFontSpec& valueFont,
             int trackLength, bool horizontal);

  void MouseDown(int x, int y, const IModKeys& mods) override;
  void MouseDragged(int x, int y, int dx, int dy, const IModKeys& mods) override;
  bool Paint(IGui* gui) override;

  const IBounds& Track() const { return mTrack; }
  int Travel() const { return mTravel; }
  // Where the handle is drawn for a normalised value.
  IBounds HandleBounds(double normalized) const;
  // Where the value text goes: the bottom of the bounds, one font size high.
  IBounds TextBounds() const;

protected:
  IFontSpec mValueFont;
  IBounds mTrack;
  IImage mHandle;
  int mTrackLength;
  int mTravel;
  bool mVertical;

private:
  void MoveTo(int x, int y);
};
