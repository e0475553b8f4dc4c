// Painting: which controls paint when, what the canvas holds afterwards,
// the drawing calls and the image cache.
#include <gtest/gtest.h>

#include <cmath>
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

// Counts its paints.
class CountingControl : public IControl {
public:
  CountingControl(IPlugBase* owner, int index, const IBounds& b) : IControl(owner, index, b) {}
  bool Paint(IGui*) override {
    ++paints;
    return true;
  }
  int paints = 0;
};

class Painting : public EditorTest {
protected:
  // A backdrop, a knob with its value text, a slider with its bar and a
  // button, like the effect's.
  void BuildLayout() {
    gui->SetBackdrop(100, "bg");
    AddKnob(GuiTestPlug::kRate, 249, 116, 101, 0, 25);
    AddKnob(GuiTestPlug::kFreq, 109, 166);
    AddSlider(GuiTestPlug::kFeedback);
    gui->AddControl(new IButton(plug.get(), GuiTestPlug::kSync, 288, 94, gui->LoadImage(104, "but", 1)));
  }
};

}  // namespace

TEST_F(Painting, AnEditorWithoutControlsShowsNothing) {
  Attach();
  IBounds area;
  EXPECT_FALSE(gui->CollectDirty(&area));
  EXPECT_TRUE(gui->Redraw(kAll));
  EXPECT_TRUE(gui->shown.empty());
}

// A changed control is painted in two consecutive redraws; a hidden one is
// collected (its area must be repainted) but not painted; one with all-zero
// bounds is never painted; a value pushed twice marks the control once.
TEST_F(Painting, RedrawBookkeeping) {
  auto* a = new CountingControl(plug.get(), GuiTestPlug::kFeedback, IBounds(10, 10, 50, 50));
  auto* hidden = new CountingControl(plug.get(), GuiTestPlug::kToggle, IBounds(100, 20, 120, 40));
  auto* zero = new CountingControl(plug.get(), GuiTestPlug::kFreq, IBounds());
  gui->AddControl(a);
  gui->AddControl(hidden);
  gui->AddControl(zero);
  Attach();
  IBounds area;
  ASSERT_TRUE(gui->CollectDirty(&area));
  EXPECT_EQ(area, IBounds(10, 10, 120, 50));
  gui->Redraw(area);
  gui->Redraw(area);
  EXPECT_FALSE(gui->CollectDirty(&area));  // pushed values: painted twice, then clean
  EXPECT_EQ(a->paints, 2);

  gui->SetHiddenByParam(GuiTestPlug::kToggle, true);
  ASSERT_TRUE(gui->CollectDirty(&area));
  EXPECT_EQ(area, IBounds(100, 20, 120, 40));
  gui->Redraw(area);
  gui->Redraw(area);
  EXPECT_FALSE(gui->CollectDirty(&area));
  EXPECT_EQ(hidden->paints, 2);  // only before it was hidden

  gui->ApplyPluginParameter(GuiTestPlug::kFeedback, 0.25, true);
  gui->TimerTick();
  gui->ApplyPluginParameter(GuiTestPlug::kFeedback, 0.25, true);  // the same value: nothing new
  gui->TimerTick();
  gui->TimerTick();
  EXPECT_EQ(a->paints, 4);
  gui->MarkAllDirty();
  gui->Redraw(kAll);
  EXPECT_EQ(zero->paints, 0);
  EXPECT_EQ(gui->shown.back(), kAll);
}

// Every drawing call is clipped to the redrawn area, so a partial repaint
// leaves the canvas exactly as a whole repaint: translucent knob edges and
// value texts cut by the area are not drawn over themselves again.
TEST_F(Painting, PartialRedrawsGiveTheWholeRedrawsPixels) {
  BuildLayout();
  Attach();
  gui->RedrawAll();
  const auto whole = Copy(*gui->Canvas());
  for (const IBounds& cut : {IBounds(230, 100, 260, 160), IBounds(0, 150, 115, 285), IBounds(240, 195, 300, 220),
                             IBounds(100, 90, 300, 100)}) {
    for (int i = 0; i < 3; ++i) gui->Redraw(cut);
    EXPECT_EQ(Differences(*gui->Canvas(), *whole, kAll), 0) << cut.left << "," << cut.top;
  }
}

// A value text wider than its knob reaches past the knob's bounds; when it
// becomes narrower the timer's repaints leave no trace of the wider text.
TEST_F(Painting, TextsWiderThanTheirControlLeaveNoTrace) {
  BuildLayout();
  plug->ParamAt(GuiTestPlug::kFreq)->SetClamped(20000);
  Attach();
  gui->RedrawAll();
  IControl* freq = gui->ControlAt(2);
  EXPECT_LT(freq->PaintedArea().left, freq->Bounds().left);  // "20000Hz" is wider than 52 pixels
  plug->ParamAt(GuiTestPlug::kFreq)->SetClamped(600);
  gui->ApplyPluginParameter(GuiTestPlug::kFreq, 600, false);
  gui->TimerTick();
  gui->TimerTick();
  const auto afterTicks = Copy(*gui->Canvas());
  gui->RedrawAll();
  EXPECT_EQ(Differences(*afterTicks, *gui->Canvas(), kAll), 0);
  EXPECT_TRUE(freq->Bounds().Union(freq->PaintedArea()) == freq->Bounds());
}

// The knob turns -150 degrees at value 0, not at all at 0.5 (where it is
// drawn exactly as a plain blit of its image) and +150 degrees at 1,
// clockwise as the value rises.
TEST_F(Painting, KnobRotation) {
  auto* knob = new IKnobRotVal(plug.get(), GuiTestPlug::kFeedback, 100, 100, gui->LoadImage(101, "knob", 1),
                               IFontSpec(), 0, 300, 4.0, 0, 0, 1.0f, true, 0);
  gui->AddControl(knob);
  Attach();
  const double degree = std::acos(-1.0) / 180;
  EXPECT_NEAR(knob->AngleFor(0.0), -150 * degree, 1e-6);
  EXPECT_EQ(knob->AngleFor(0.5), 0.0);
  EXPECT_NEAR(knob->AngleFor(1.0), 150 * degree, 1e-6);

  BitmapBase* canvas = gui->Canvas();
  auto pointerAngle = [&](double value) {
    FillRect(canvas, 0, 0, 498, 285, 0xFF000000u, 1.0f, ModeCopy);
    knob->ApplyPluginValue(value);
    gui->RedrawAll();
    double sx = 0, sy = 0, n = 0;
    for (int y = 67; y < 133; ++y)
      for (int x = 67; x < 133; ++x)
        if ((At(*canvas, x, y) & 0xFF) > 0xC0) sx += x - 99.5, sy += y - 99.5, ++n;
    return std::atan2(sx / n, -sy / n) / degree;  // clockwise from the top
  };
  EXPECT_NEAR(pointerAngle(0.0), -150, 2);
  EXPECT_NEAR(pointerAngle(1.0), 150, 2);
  EXPECT_NEAR(pointerAngle(0.5), 0, 1);

  PixelBitmap expected(498, 285, 4);
  FillRect(&expected, 0, 0, 498, 285, 0xFF000000u, 1.0f, ModeCopy);
  Blit(&expected, gui->LoadImage(101, "knob", 1).bitmap, 67, 67, nullptr, 1.0f, ModeCopy | UseSourceAlpha);
  EXPECT_EQ(Differences(expected, *canvas, kAll), 0);
}

// The slider's handle follows the parameter; its bar runs from the inset to
// the handle's centre and is not drawn while it would end inside the inset.
TEST_F(Painting, SliderHandleAndBar) {
  auto* slider = new ISlider(plug.get(), GuiTestPlug::kFeedback, IBounds(213, 191, 285, 226),
                             gui->LoadImage(108, "slider", 1), IFontSpec(), 72, true, IRgba(255, 66, 110, 170), 2, 8,
                             false, false);
  gui->AddControl(slider);
  Attach();
  EXPECT_EQ(slider->HandleBounds(0.0), IBounds(213, 191, 244, 226));
  EXPECT_EQ(slider->HandleBounds(1.0), IBounds(254, 191, 285, 226));
  IBounds bar;
  ASSERT_TRUE(slider->BarBounds(0.5, &bar));
  EXPECT_EQ(bar, IBounds(221, 197, 249, 199));  // ends at the handle's centre, 234 + 15.5 rounded
  ASSERT_TRUE(slider->BarBounds(0.0, &bar));
  EXPECT_EQ(bar.right, 229);
  ISlider thin(plug.get(), GuiTestPlug::kFeedback, IBounds(213, 191, 285, 226), gui->LoadImage(108, "slider", 1),
               IFontSpec(), 72, true, IRgba(255, 66, 110, 170), 2, 16, false, false);
  EXPECT_FALSE(thin.BarBounds(0.0, &bar));  // 15.5 is within an inset of 16
  EXPECT_TRUE(thin.BarBounds(0.02, &bar));

  plug->ParamAt(GuiTestPlug::kFeedback)->SetClamped(99);  // the handle follows the parameter
  gui->RedrawAll();
  EXPECT_EQ(At(*gui->Canvas(), 260, 195), 0xFFE0E0E0u);
  // The bar is at the control's own value (50 %), a fill of its colour over
  // the canvas's black.
  PixelBitmap fill(1, 1, 4);
  FillRect(&fill, 0, 0, 1, 1, 0xFF000000u, 1.0f, ModeCopy);
  FillRect(&fill, 0, 0, 1, 1, 0xFF426EAAu, 1.0f, ModeCopy | UseSourceAlpha);
  EXPECT_EQ(At(*gui->Canvas(), 240, 198), At(fill, 0, 0));
  EXPECT_EQ(At(*gui->Canvas(), 249, 198), 0xFF000000u);
  EXPECT_EQ(At(*gui->Canvas(), 240, 199), 0xFF000000u);
}

// Frames of a multi-frame image, chosen by the value; a backdrop goes first
// whenever it is set and is drawn without blending.
TEST_F(Painting, ImageFramesAndBackdrop) {
  gui->images[120] = {8, 30, [](int, int y) { return y < 10 ? 0xFFFF0000u : y < 20 ? 0xFF00FF00u : 0xFF0000FFu; }};
  auto* strip = new IImageControl(plug.get(), GuiTestPlug::kFeedback, IBounds(5, 5, 13, 15),
                                  gui->LoadImage(120, "strip", 3), true);
  gui->AddControl(strip);
  gui->SetBackdrop(100, "bg");
  ASSERT_EQ(gui->ControlAt(1), strip);
  EXPECT_EQ(gui->ControlAt(0)->Bounds(), kAll);
  EXPECT_EQ(gui->ControlAt(0)->Blend().Mode(), ModeCopy);
  Attach();
  for (auto [value, colour] : {std::pair<double, uint32_t>{0.0, 0xFFFF0000u}, {0.5, 0xFF00FF00u}, {0.9, 0xFF0000FFu}}) {
    strip->ApplyPluginValue(value);
    gui->RedrawAll();
    EXPECT_EQ(At(*gui->Canvas(), 9, 9), colour) << value;
  }
  EXPECT_EQ(At(*gui->Canvas(), 300, 200), BackdropPixel(300, 200));
}

// Images come from the cache after the first load; a missing one is tried
// again and never cached; the frame count is the caller's.
TEST_F(Painting, ImageCache) {
  IImageCache& cache = IImageCache::Instance();
  const IImage a = gui->LoadImage(101, "knob", 1);
  const IImage b = gui->LoadImage(101, "knob", 4);
  EXPECT_EQ(a.bitmap, b.bitmap);
  EXPECT_EQ(b.frames, 4);
  EXPECT_EQ(gui->loads[101], 1);
  EXPECT_EQ(cache.Count(), 1);
  const IImage missing = gui->LoadImage(555, "missing", 2);
  EXPECT_EQ(missing.bitmap, nullptr);
  EXPECT_EQ(missing.width, 0);
  gui->LoadImage(555, "missing", 2);
  EXPECT_EQ(gui->loads[555], 2);
  EXPECT_EQ(cache.Count(), 1);
  EXPECT_EQ(cache.Find(555), nullptr);

  const IImage half = gui->CropImage(a, IBounds(0, 0, 33, 66));
  ASSERT_TRUE(half.bitmap);
  EXPECT_EQ(half.width, 33);
  EXPECT_EQ(cache.Find(IImageCache::kCroppedId), half.bitmap);
  EXPECT_EQ(At(*half.bitmap, 32, 10), At(*a.bitmap, 32, 10));
  cache.Clear();
  EXPECT_EQ(cache.Count(), 0);
}
