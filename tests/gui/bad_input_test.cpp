// Bad values, bounds, images and indices reaching the editor: each gets a
// defined result and nothing crashes.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>

#include "gfx/Draw.h"
#include "gui/IButton.h"
#include "gui/IImageCache.h"
#include "gui/IImageControl.h"
#include "gui/IKnobRotVal.h"
#include "gui/ISlider.h"
#include "gui/ITextControl.h"
#include "tests/gui/GuiTestSupport.h"

using namespace guitest;

namespace {

const IBounds kAll(0, 0, 498, 285);
const IModKeys kLeft(true, false, false, false, false);
const double kNaN = std::numeric_limits<double>::quiet_NaN();

using BadInput = EditorTest;

}  // namespace

// A value that is not a number becomes the minimum, whether the plug-in
// pushes it (it cannot become the default either) or the user sets it.
TEST_F(BadInput, NotANumber) {
  IKnobRotVal* knob = AddKnob(GuiTestPlug::kFeedback, 100, 100, 101, 0);
  knob->ApplyPluginValue(kNaN);
  EXPECT_EQ(knob->Value(), 0.0);
  EXPECT_EQ(knob->DefaultValue(), 0.0);
  Attach();
  gui->ApplyPluginParameter(GuiTestPlug::kFeedback, kNaN, true);
  EXPECT_EQ(knob->Value(), 0.0);
  gui->ApplyUserValueByParam(GuiTestPlug::kFeedback, kNaN);
  EXPECT_EQ(plug->requests, (std::vector<std::string>{Automate(3, 0.0)}));
  gui->HandleMouseDown(100, 100, kLeft);
  gui->HandleMouseDrag(100, 90, kLeft);
  EXPECT_GT(knob->Value(), 0.0);
  gui->HandleMouseUp(100, 90, kLeft);
  gui->HandleDoubleClick(100, 100, kLeft);
  EXPECT_EQ(knob->Value(), 0.0);
  EXPECT_TRUE(gui->RedrawAll());
}

// A control with all-zero bounds is never painted; the point (0, 0) still
// hits it (edges included), but a drag over no extent changes nothing.
TEST_F(BadInput, ZeroBounds) {
  auto* knob = new IKnobRotVal(plug.get(), GuiTestPlug::kFeedback, 0, 0, IImage(), IFontSpec(), -1, 300, 4.0, 0, 0,
                               1.0f, false, 0);
  gui->AddControl(knob);
  Attach();
  ASSERT_EQ(knob->Bounds(), IBounds());
  const double v = knob->Value();
  gui->HandleMouseDown(0, 0, kLeft);
  gui->HandleMouseDrag(0, 5, kLeft);
  gui->HandleMouseUp(0, 5, kLeft);
  EXPECT_EQ(knob->Value(), v);
  EXPECT_FALSE(std::isnan(knob->Value()));
  IBounds area;
  EXPECT_TRUE(gui->CollectDirty(&area));
  EXPECT_TRUE(area.Empty());
  gui->RedrawAll();
  EXPECT_TRUE(knob->PaintedArea().Empty());
}

// Images with no frames count as one frame; images that are missing draw
// nothing and the editor still paints: the backdrop covers it in black, the
// value texts are there.
TEST_F(BadInput, FramelessAndMissingImages) {
  const IImage frameless = gui->LoadImage(103, "but1", 0);
  auto* button = new IButton(plug.get(), GuiTestPlug::kToggle, 13, 94, frameless);
  auto* strip = new IImageControl(plug.get(), GuiTestPlug::kToggle, IBounds(100, 10, 152, 31), frameless, true);
  gui->images.erase(100);
  gui->SetBackdrop(100, "bg");  // not there
  gui->AddControl(button);
  gui->AddControl(strip);
  IKnobRotVal* knob = AddKnob(GuiTestPlug::kFeedback, 249, 116, 101, 0);
  gui->images.erase(102);
  IKnobRotVal* noImage = AddKnob(GuiTestPlug::kFreq, 400, 116, 102, 0);  // not there
  Attach();
  EXPECT_EQ(button->Bounds(), IBounds(13, 94, 65, 115));
  EXPECT_EQ(knob->Bounds(), IBounds(216, 83, 282, 165));
  EXPECT_EQ(noImage->Bounds(), IBounds(400, 116, 400, 132));
  EXPECT_EQ(gui->ControlAt(0)->Bounds(), kAll);
  EXPECT_EQ(IImageCache::Instance().Find(100), nullptr);

  gui->ApplyPluginParameter(GuiTestPlug::kToggle, 1.0, true);
  FillRect(gui->Canvas(), 0, 0, 498, 285, 0xFFFFFFFFu, 1.0f, ModeCopy);  // the backdrop paints black over it
  EXPECT_TRUE(gui->RedrawAll());
  BitmapBase& canvas = *gui->Canvas();
  EXPECT_EQ(At(canvas, 5, 5), 0xFF000000u);
  EXPECT_EQ(At(canvas, 20, 100), 0xFF20C060u);   // the button, on
  EXPECT_EQ(At(canvas, 120, 20), 0xFF20C060u);   // the strip's only frame
  EXPECT_GT(InkedIn(canvas, IBounds(360, 116, 440, 132)), 20);  // "600Hz" under the knob without image
}

// Cropping keeps to the image: a source outside it gives no image (nothing
// cached), one partly outside gives the part inside.
TEST_F(BadInput, CropOutsideTheImage) {
  const IImage knob = gui->LoadImage(101, "knob", 1);
  const int cached = IImageCache::Instance().Count();
  for (const IBounds& outside : {IBounds(100, 100, 150, 150), IBounds(-20, 0, 0, 66), IBounds(), IBounds(10, 10, 5, 20)}) {
    const IImage none = gui->CropImage(knob, outside);
    EXPECT_EQ(none.bitmap, nullptr);
    EXPECT_EQ(none.width, 0);
  }
  EXPECT_EQ(gui->CropImage(IImage(), IBounds(0, 0, 5, 5)).bitmap, nullptr);
  EXPECT_EQ(IImageCache::Instance().Count(), cached);
  const IImage part = gui->CropImage(knob, IBounds(50, -10, 90, 20));
  ASSERT_TRUE(part.bitmap);
  EXPECT_EQ(part.width, 16);
  EXPECT_EQ(part.height, 20);
  EXPECT_EQ(At(*part.bitmap, 0, 5), At(*knob.bitmap, 50, 5));
}

// Indices that name no parameter: pushing, hiding or setting by index -1
// leaves the parameterless controls alone; a control bound beyond the
// parameters paints no text and opens an entry without a parameter.
TEST_F(BadInput, Indices) {
  auto* label = new ITextControl(plug.get(), IBounds(10, 10, 100, 30), kValueFont, "label");
  gui->AddControl(label);
  IKnobRotVal* stray = AddKnob(99, 249, 116, 101, 0);
  Attach();
  gui->ApplyPluginParameter(-1, 0.7, true);
  gui->ApplyPluginParameter(-1, 12.0, false);
  gui->ApplyUserValueByParam(-1, 0.7);
  gui->SetHiddenByParam(-1, true);
  EXPECT_EQ(label->Value(), 0.0);
  EXPECT_FALSE(label->IsHidden());
  gui->ApplyPluginParameter(99, 5.0, false);  // no parameter to convert a plain value
  EXPECT_EQ(stray->Value(), 0.0);
  EXPECT_TRUE(gui->RedrawAll());
  gui->HandleMouseDown(249, 116, IModKeys(false, true, false, false, false));
  gui->HandleMouseUp(249, 116, IModKeys());
  gui->HandleWheel(249, 116, IModKeys(), 1);
  ASSERT_EQ(gui->prompted.size(), 1u);
  EXPECT_EQ(gui->prompted[0], nullptr);
  EXPECT_TRUE(plug->requests.empty());  // the host hears nothing of index 99
}
