// Mouse, wheel and keys routed through the graphics context to the
// controls, and the edit gestures and values the host sees.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "gui/IButton.h"
#include "gui/IButtonClick.h"
#include "gui/IKnobRotVal.h"
#include "gui/ISlider.h"
#include "tests/gui/GuiTestSupport.h"

using namespace guitest;

namespace {

const IModKeys kLeft(true, false, false, false, false);
const IModKeys kRight(false, true, false, false, false);
const IModKeys kShift(true, false, true, false, false);
const IModKeys kControl(true, false, false, true, false);
const IModKeys kNone;

// Records what reaches it.
class RecordingControl : public IControl {
public:
  RecordingControl(IPlugBase* owner, int index, const IBounds& b, std::vector<std::string>* log, const char* name)
      : IControl(owner, index, b), mLog(log), mName(name) {}
  void MouseDown(int x, int y, const IModKeys&) override { Note("down", x, y); }
  void MouseUp(int x, int y, const IModKeys&) override { Note("up", x, y); }
  void MouseDragged(int, int, int dx, int dy, const IModKeys&) override { Note("drag", dx, dy); }
  void MouseDoubleClicked(int x, int y, const IModKeys&) override { Note("double", x, y); }
  void KeyPressed(int, int, int key) override { Note("key", key, 0); }
  bool Paint(IGui*) override { return true; }

private:
  void Note(const char* what, int a, int b) {
    mLog->push_back(mName + " " + what + " " + std::to_string(a) + " " + std::to_string(b));
  }
  std::vector<std::string>* mLog;
  std::string mName;
};

using Input = EditorTest;

}  // namespace

// A drag reports each step's difference to the previous position, ten times
// finer with shift or control, unsnapped while dragging; the release snaps a
// 25-step knob to a multiple of 1/24. The host sees begin, the automations
// and end, in that order.
TEST_F(Input, KnobDragAndReleaseSnapping) {
  IKnobRotVal* knob = AddKnob(GuiTestPlug::kRate, 249, 116, 101, 0, 25);
  Attach();
  ASSERT_EQ(knob->Bounds(), IBounds(216, 83, 282, 165));
  double v = 9.0 / 24.0;
  ASSERT_DOUBLE_EQ(knob->Value(), v);

  gui->HandleMouseDown(249, 116, kLeft);
  gui->HandleMouseDrag(249, 106, kLeft);  // up 10: raises the value
  v += -10.0 / (83 - 165) / 4.0;
  EXPECT_DOUBLE_EQ(knob->Value(), v);
  gui->HandleMouseDrag(249, 106, kLeft);  // the same pixel: nothing
  gui->HandleMouseDrag(249, 111, kLeft);  // down 5 from the previous position
  v += 5.0 / (83 - 165) / 4.0;
  EXPECT_DOUBLE_EQ(knob->Value(), v);
  const double beforeFine = v;
  gui->HandleMouseDrag(249, 101, kShift);  // up 10, ten times finer
  v += -10.0 / (83 - 165) / 40.0;
  gui->HandleMouseDrag(249, 91, kControl);
  v += -10.0 / (83 - 165) / 40.0;
  EXPECT_DOUBLE_EQ(knob->Value(), v);
  EXPECT_NEAR(v - beforeFine, 2 * (10.0 / 82 / 40), 1e-15);
  gui->HandleMouseUp(400, 280, kNone);  // released anywhere: still this knob
  const double snapped = std::floor(24 * v + 0.5) / 24;
  EXPECT_DOUBLE_EQ(knob->Value(), snapped);

  const double first = 9.0 / 24 + 10.0 / 82 / 4;
  const double second = first - 5.0 / 82 / 4;
  const double third = second + 10.0 / 82 / 40;
  const std::vector<std::string> expected = {"begin 0",         Automate(0, first), Automate(0, second),
                                             Automate(0, third), Automate(0, v),     Automate(0, snapped),
                                             "end 0"};
  EXPECT_EQ(plug->requests, expected);
  EXPECT_DOUBLE_EQ(plug->ParamAt(GuiTestPlug::kRate)->Value(), std::floor(24 * v + 0.5));
  EXPECT_EQ(gui->CaptureIndex(), -1);
}

// A double click restores the first value the plug-in pushed, not the
// parameter's declared default; before any pushed value it does nothing.
TEST_F(Input, DoubleClickRestoresTheFirstPushedValue) {
  plug->ParamAt(GuiTestPlug::kFreq)->SetClamped(5075);  // pushed at attachment
  IKnobRotVal* knob = AddKnob(GuiTestPlug::kFreq, 109, 166);
  Attach();
  gui->ApplyPluginParameter(GuiTestPlug::kFreq, 0.9, true);
  EXPECT_DOUBLE_EQ(knob->Value(), 0.9);
  gui->HandleDoubleClick(109, 166, kLeft);
  gui->HandleMouseUp(109, 166, kNone);
  EXPECT_DOUBLE_EQ(knob->Value(), 0.5);
  // The knob's release reports its value once more.
  EXPECT_EQ(plug->requests, (std::vector<std::string>{"begin 5", Automate(5, 0.5), Automate(5, 0.5), "end 5"}));

  IKnobRotVal* late = AddKnob(GuiTestPlug::kFeedback, 324, 166);  // never given a value
  plug->requests.clear();
  gui->HandleDoubleClick(324, 166, kLeft);
  EXPECT_DOUBLE_EQ(late->Value(), 0.0);
  EXPECT_TRUE(plug->Requests("automate").empty());
}

// Wheel notches in quick succession are one gesture, ended half a second of
// timer ticks after the last notch; a notch on another parameter ends the
// pending gesture first, and so does a press.
TEST_F(Input, WheelGestures) {
  IKnobRotVal* feedback = AddKnob(GuiTestPlug::kFeedback, 49, 166);
  IKnobRotVal* freq = AddKnob(GuiTestPlug::kFreq, 109, 166);
  Attach();
  const double v0 = feedback->Value();
  gui->HandleWheel(49, 166, kNone, 1);
  gui->TimerTick();
  gui->HandleWheel(49, 166, kNone, 2);
  EXPECT_DOUBLE_EQ(feedback->Value(), v0 + 0.01 + 0.02);
  for (int tick = 1; tick < 12; ++tick) gui->TimerTick();  // 24 ticks a second: 12 is half a second
  EXPECT_TRUE(plug->Requests("end").empty());
  gui->TimerTick();
  EXPECT_EQ(plug->requests, (std::vector<std::string>{"begin 3", Automate(3, v0 + 0.01), Automate(3, v0 + 0.03),
                                                      "end 3"}));
  EXPECT_EQ(gui->EndEditCountdown(), 0);

  plug->requests.clear();
  const double f0 = freq->Value();
  gui->HandleWheel(49, 166, kControl, -1);  // control: a thousandth per notch
  gui->HandleWheel(109, 166, kNone, 1);
  EXPECT_EQ(plug->requests, (std::vector<std::string>{"begin 3", Automate(3, v0 + 0.03 - 0.001), "end 3", "begin 5",
                                                      Automate(5, f0 + 0.01)}));
  plug->requests.clear();
  gui->HandleMouseDown(49, 166, kLeft);
  EXPECT_EQ(plug->requests, (std::vector<std::string>{"end 5", "begin 3"}));
  gui->HandleMouseUp(49, 166, kNone);

  // Closing ends a pending gesture; a turn outside every control tells the
  // host nothing; a turn of less than a notch still reports the value.
  plug->requests.clear();
  gui->HandleWheel(109, 166, kNone, 0);
  gui->CloseEditorWindow();
  EXPECT_EQ(plug->requests, (std::vector<std::string>{"begin 5", Automate(5, f0 + 0.01), "end 5"}));
  plug->requests.clear();
  gui->HandleWheel(480, 20, kNone, 3);
  EXPECT_TRUE(plug->requests.empty());
}

TEST_F(Input, WheelClampsAtTheTop) {
  IKnobRotVal* knob = AddKnob(GuiTestPlug::kFeedback, 49, 166);
  Attach();
  gui->ApplyPluginParameter(GuiTestPlug::kFeedback, 0.995, true);
  gui->HandleWheel(49, 166, kNone, 1);
  EXPECT_EQ(knob->Value(), 1.0);
  EXPECT_EQ(plug->Requests("automate"), (std::vector<std::string>{Automate(3, 1.0)}));
}

// The handle's centre follows the mouse on the track; outside the track
// presses and drags are ignored; a right press opens the typed entry.
TEST_F(Input, SliderTrack) {
  ISlider* slider = AddSlider(GuiTestPlug::kFeedback);
  Attach();
  EXPECT_EQ(slider->Track(), IBounds(213, 191, 285, 205));
  EXPECT_EQ(slider->Travel(), 41);
  const double v0 = slider->Value();

  gui->HandleMouseDown(249, 215, kLeft);  // inside the bounds, below the track
  gui->HandleMouseDrag(250, 215, kLeft);
  gui->HandleMouseUp(250, 215, kNone);
  EXPECT_EQ(slider->Value(), v0);
  EXPECT_EQ(plug->requests, (std::vector<std::string>{"begin 3", "end 3"}));

  plug->requests.clear();
  gui->HandleMouseDown(250, 198, kLeft);
  const double jumped = (float(250 - 213) - 31 * 0.5f) / 41.0f;
  EXPECT_DOUBLE_EQ(slider->Value(), jumped);
  gui->HandleMouseDrag(213, 205, kLeft);  // the track's left edge: below 0, clamped
  EXPECT_EQ(slider->Value(), 0.0);
  gui->HandleMouseDrag(290, 198, kLeft);  // off the track: the handle stays
  EXPECT_EQ(slider->Value(), 0.0);
  gui->HandleMouseUp(290, 198, kNone);
  EXPECT_EQ(plug->requests, (std::vector<std::string>{"begin 3", Automate(3, jumped), Automate(3, 0.0), "end 3"}));

  gui->HandleMouseDown(249, 198, kRight);
  ASSERT_EQ(gui->prompted.size(), 1u);
  EXPECT_EQ(gui->prompted[0], plug->ParamAt(GuiTestPlug::kFeedback));
  EXPECT_EQ(slider->Value(), 0.0);
}

// A left press toggles; a right press reports the unchanged value; an
// IButtonClick raises its flag on every press. Two quick clicks: the second
// arrives as a double click and restores the default instead of toggling.
TEST_F(Input, Buttons) {
  bool clicked = false;
  auto* sync = new IButtonClick(plug.get(), GuiTestPlug::kSync, 288, 94, gui->LoadImage(104, "but2", 1), &clicked);
  auto* toggle = new IButton(plug.get(), GuiTestPlug::kToggle, 13, 94, gui->LoadImage(104, "but2", 1));
  gui->AddControl(sync);
  gui->AddControl(toggle);
  Attach();
  EXPECT_EQ(sync->Bounds(), IBounds(288, 94, 340, 115));
  EXPECT_EQ(sync->Value(), 1.0);

  gui->HandleMouseDown(300, 100, kRight);
  EXPECT_TRUE(clicked);
  EXPECT_EQ(sync->Value(), 1.0);
  gui->HandleMouseUp(300, 100, kNone);
  clicked = false;
  gui->HandleMouseDown(340, 115, kLeft);  // the right and bottom edges count
  EXPECT_TRUE(clicked);
  EXPECT_EQ(sync->Value(), 0.0);
  gui->HandleMouseUp(340, 115, kNone);
  EXPECT_EQ(plug->requests,
            (std::vector<std::string>{"begin 2", Automate(2, 1.0), "end 2", "begin 2", Automate(2, 0.0), "end 2"}));
  EXPECT_TRUE(gui->prompted.empty());  // buttons open no typed entry

  gui->HandleMouseDown(20, 100, kLeft);
  gui->HandleMouseUp(20, 100, kNone);
  EXPECT_EQ(toggle->Value(), 1.0);
  EXPECT_FALSE(gui->HandleDoubleClick(20, 100, kLeft));
  gui->HandleMouseUp(20, 100, kNone);
  EXPECT_EQ(toggle->Value(), 0.0);
  EXPECT_EQ(plug->ParamAt(GuiTestPlug::kToggle)->Value(), 0.0);
}

// The later of two controls at one place takes the mouse; a hidden or
// greyed one lets it fall through; a press keeps its control until the
// release, wherever the mouse goes.
TEST_F(Input, RoutingOrderAndCapture) {
  std::vector<std::string> log;
  gui->AddControl(new RecordingControl(plug.get(), -1, IBounds(10, 10, 60, 60), &log, "below"));
  auto* above = new RecordingControl(plug.get(), -1, IBounds(10, 10, 60, 60), &log, "above");
  gui->AddControl(above);
  Attach();
  gui->HandleMouseDown(30, 30, kLeft);
  gui->HandleMouseDrag(700, -40, kLeft);
  gui->HandleMouseDrag(700, -40, kLeft);
  gui->HandleMouseDrag(690, -35, kLeft);
  gui->HandleKey(30, 30, 16);
  gui->HandleMouseUp(900, 900, kNone);
  gui->HandleKey(900, 900, 1);  // no control there
  above->SetGreyed(true);
  gui->HandleMouseDown(30, 30, kLeft);
  gui->HandleMouseUp(30, 30, kLeft);
  above->SetGreyed(false);
  above->SetHidden(true);
  gui->HandleDoubleClick(30, 30, kLeft);
  EXPECT_EQ(log, (std::vector<std::string>{"above down 30 30", "above drag 670 -70", "above drag -10 5",
                                           "above key 16 0", "above up 900 900", "below down 30 30",
                                           "below up 30 30", "below double 30 30"}));
  EXPECT_TRUE(plug->requests.empty());  // no parameter, no gesture
}

// With double-click-as-press a double click is a second press (captured,
// ended by the release).
TEST_F(Input, DoubleClickAsPress) {
  std::vector<std::string> log;
  auto* c = new RecordingControl(plug.get(), GuiTestPlug::kToggle, IBounds(10, 10, 60, 60), &log, "c");
  c->SetDoubleClickAsPress(true);
  gui->AddControl(c);
  Attach();
  EXPECT_TRUE(gui->HandleDoubleClick(20, 20, kLeft));
  EXPECT_EQ(gui->CaptureIndex(), 0);
  gui->HandleMouseUp(80, 80, kNone);
  EXPECT_EQ(log, (std::vector<std::string>{"c down 20 20", "c up 80 80"}));
  EXPECT_EQ(plug->requests, (std::vector<std::string>{"begin 4", "end 4"}));
}

// Every gesture a press begins ends: a double click released away from its
// knob (over another knob, or over nothing) ends both the knob's gesture and
// that of the control under the release, and a press whose release never
// comes (the window closes first) is ended by CancelPress, which also
// forgets the captured control.
TEST_F(Input, GesturesEndWithTheirPress) {
  AddKnob(GuiTestPlug::kFeedback, 49, 166);
  AddKnob(GuiTestPlug::kFreq, 109, 166);
  Attach();
  gui->HandleDoubleClick(49, 166, kLeft);
  gui->HandleMouseUp(109, 166, kNone);
  EXPECT_EQ(plug->Requests("begin"), (std::vector<std::string>{"begin 3"}));
  EXPECT_EQ(plug->Requests("end"), (std::vector<std::string>{"end 5", "end 3"}));

  plug->requests.clear();
  gui->HandleDoubleClick(49, 166, kLeft);
  gui->HandleMouseUp(400, 20, kNone);
  EXPECT_EQ(plug->requests.back(), "end 3");

  plug->requests.clear();
  gui->HandleMouseDown(109, 166, kLeft);
  gui->HandleMouseDrag(109, 150, kLeft);
  gui->CancelPress();
  EXPECT_EQ(gui->CaptureIndex(), -1);
  EXPECT_EQ(plug->Requests("begin"), (std::vector<std::string>{"begin 5"}));
  EXPECT_EQ(plug->Requests("end"), (std::vector<std::string>{"end 5"}));
  plug->requests.clear();
  gui->CancelPress();  // nothing open any more
  gui->HandleMouseUp(109, 166, kNone);
  EXPECT_EQ(plug->Requests("end"), (std::vector<std::string>{"end 5"}));  // the control under it, as before
  EXPECT_TRUE(plug->Requests("begin").empty());
}
