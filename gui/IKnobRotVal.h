#pragma once
#include "gui/IFontSpec.h"
#include "gui/IKnobControl.h"

// A knob drawn by rotating its image about the centre point, from
// -sweep / 2 degrees at value 0 to +sweep / 2 at value 1, with the bound
// parameter's value text centred under it (or over the image's lower part
// for a negative text offset). With steps > 1 it snaps to steps positions
// when released. A two-frame image rotates only its left half and lays the
// last frame over it unrotated.
class IKnobRotVal : public IKnobControl {
public:
  // width 0 takes the knob's width from the image (one frame).
  IKnobRotVal(IPlugBase* owner, int paramIdx, int centreX, int centreY, const IImage& image, const IFontSpec& valueFont,
              int textOffset, int sweep, double gearing, int width, int direction, float alpha, bool showLabel,
              int steps);

  void MouseUp(int x, int y, const IModKeys& mods) override;
  bool Paint(IGui* gui) override;

  // The rotation in radians for a value.
  double AngleFor(double value) const;
  int StepLimit() const { return mStepLimit; }
  const IFontSpec& ValueFont() const { return mValueFont; }
  // Where the value text goes.
  IBounds TextBounds() const;

private:
  IFontSpec mValueFont;
  IImage mImage;
  int mCentreX;
  int mCentreY;
  int mTextOffset;
  int mSweep;
  int16_t mStepLimit;
  float mAlpha;
  bool mShowLabel;
  IBlendSpec mRotationBlend;
};
