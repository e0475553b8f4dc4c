#include "gui/IKnobRotVal.h"

#include <cmath>
#include <cstring>

#include "framework/IParameter.h"
#include "gui/GuiMath.h"
#include "gui/IGui.h"
#include "gui/ValueText.h"

using guimath::ClampToInt;
using guimath::Nearest;

namespace {

constexpr double kPi = 3.14159265358979323846;

IBounds KnobBounds(int cx, int cy, const IImage& image, const IFontSpec& font, int textOffset, int width) {
  const int hh = Nearest(image.height * 0.5);
  const int hw = width != 0 ? width / 2 : Nearest(float(image.width) / float(image.FrameCount()) * 0.5f);
  long long bottom = 0LL + cy + hh;
  if (textOffset >= 0) bottom += 0LL + font.size + textOffset;
  return IBounds(ClampToInt(0LL + cx - hw), ClampToInt(0LL + cy - hh), ClampToInt(0LL + cx + hw), ClampToInt(bottom));
}

}  // namespace

IKnobRotVal::IKnobRotVal(IPlugBase* owner, int paramIdx, int centreX, int centreY, const IImage& image,
                         const IFontSpec& valueFont, int textOffset, int sweep, double gearing, int width,
                         int direction, float alpha, bool showLabel, int steps)
    : IKnobControl(owner, paramIdx, KnobBounds(centreX, centreY, image, valueFont, textOffset, width), direction,
                   gearing),
      mValueFont(valueFont),
      mImage(image),
      mCentreX(centreX),
      mCentreY(centreY),
      mTextOffset(textOffset),
      mSweep(sweep),
      mStepLimit(static_cast<int16_t>(static_cast<uint16_t>(steps - 1))),
      mAlpha(alpha),
      mShowLabel(showLabel),
      mRotationBlend(IBlendSpec::kCopyAlpha, 1.0f) {}

void IKnobRotVal::MouseUp(int, int, const IModKeys&) {
  const int s = mStepLimit;
  if (s > 0) mValue = std::floor(s * mValue + 0.5) / s;
  MarkDirty(true);
}

double IKnobRotVal::AngleFor(double value) const {
  const float a = float(mSweep * kPi * (1.0 / 360.0));
  const float b = float(mSweep * (-kPi) * (1.0 / 360.0));
  return double(a) * value * 2.0 + double(b);
}

IBounds IKnobRotVal::TextBounds() const {
  const long long size = mValueFont.size;
  if (mTextOffset >= 0) return IBounds(mBounds.left, ClampToInt(mBounds.bottom - size), mBounds.right, mBounds.bottom);
  return IBounds(mBounds.left, ClampToInt(mBounds.bottom - size + mTextOffset), mBounds.right,
                 ClampToInt(0LL + mBounds.bottom + mTextOffset));
}

bool IKnobRotVal::Paint(IGui* gui) {
  mRotationBlend = IBlendSpec(IBlendSpec::kCopyAlpha, mAlpha);
  if (mValueFont.size > 0) {
    ValueText text(Param(), mShowLabel);
    if (!text.Empty()) {
      mValueFont.align = IFontSpec::kAlignCentre;
      gui->DrawTextIn(mValueFont, text.Text(), TextBounds());
    }
  }
  const double angle = AngleFor(mValue);
  const float shift = float(std::fabs(mValue - 0.5) * 2.0) * -1.0f;
  if (mImage.frames <= 1) return gui->DrawImageRotated(mImage, mCentreX, mCentreY, angle, shift, shift, &mRotationBlend);

  // Two-part image: the left half turns, the last frame lies over it.
  if (!mHeldImage.bitmap)
    mHeldImage = gui->CropImage(mImage, IBounds(0, 0, Nearest(mImage.width * 0.5), mImage.height));
  gui->DrawImageRotated(mHeldImage, mCentreX, mCentreY, angle, shift, shift, &mRotationBlend);
  const float h = float(mImage.width) / float(mImage.frames) * 0.5f;
  const IBounds overlay(Nearest(mCentreX - h), mBounds.top, Nearest(mCentreX + h),
                        ClampToInt(0LL + mBounds.bottom - mTextOffset - mValueFont.size));
  return gui->DrawImageFrame(mImage, overlay, mImage.frames, &mBlend, false);
}
