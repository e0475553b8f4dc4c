// The effect's editor: its layout, and what a click on Host Sync does,
// through the graphics context's input routing on the effect built in.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <typeinfo>
#include <vector>

#include "QmVersion.h"
#include "gfx/Bitmap.h"
#include "gui/IButton.h"
#include "gui/IButtonClick.h"
#include "gui/IGui.h"
#include "gui/IImageControl.h"
#include "gui/IKnobRotVal.h"
#include "gui/ILinkArea.h"
#include "gui/ISlider.h"
#include "gui/ITextControl.h"
#include "tools/editor/EditorSession.h"

using qmeditor::EditorSession;
using P = CLS_QUILLMERE::Param;

namespace {

std::string Automate(int index, double normalized) {
  char text[64];
  std::snprintf(text, sizeof(text), "automate %d %.9g", index, double(float(normalized)));
  return text;
}

}  // namespace

// Every control in its place, in attach order (index = row + 2 after the
// background, the version line and the link), with its images loaded.
TEST(EditorLayout, ControlsBoundsAndImages) {
  EditorSession session;
  IGui& gui = *session.Gui();
  ASSERT_EQ(gui.NControls(), 17);
  struct Row {
    const std::type_info& type;
    int param;
    IBounds bounds;
  };
  const std::vector<Row> rows = {
      {typeid(IImageControl), -1, IBounds(0, 0, 498, 285)},
      {typeid(ITextControl), -1, IBounds(40, 12, 90, 30)},
      {typeid(ILinkArea), -1, IBounds(175, 6, 367, 53)},
      {typeid(IKnobRotVal), P::kDelayRate, IBounds(216, 83, 282, 165)},
      {typeid(IKnobRotVal), P::kDelayTime, IBounds(216, 83, 282, 165)},
      {typeid(IButtonClick), P::kHostSync, IBounds(288, 94, 340, 115)},
      {typeid(ISlider), P::kFeedback, IBounds(213, 191, 285, 226)},
      {typeid(IButton), P::kDirectionLeft, IBounds(13, 94, 65, 115)},
      {typeid(IKnobRotVal), P::kOffsetLeft, IBounds(23, 140, 75, 216)},
      {typeid(IKnobRotVal), P::kFreqLeft, IBounds(83, 140, 135, 216)},
      {typeid(IKnobRotVal), P::kMixLeft, IBounds(145, 140, 197, 216)},
      {typeid(IButton), P::kDirectionRight, IBounds(432, 94, 484, 115)},
      {typeid(IKnobRotVal), P::kOffsetRight, IBounds(298, 140, 350, 216)},
      {typeid(IKnobRotVal), P::kFreqRight, IBounds(358, 140, 410, 216)},
      {typeid(IKnobRotVal), P::kMixRight, IBounds(420, 140, 472, 216)},
      {typeid(IButton), P::kToggleFreq, IBounds(185, 245, 249, 266)},
      {typeid(IButton), P::kToggleReverse, IBounds(249, 245, 313, 266)},
  };
  for (int i = 0; i < gui.NControls(); ++i) {
    IControl* c = gui.ControlAt(i);
    EXPECT_EQ(typeid(*c), rows[i].type) << i;
    EXPECT_EQ(c->ParamIdx(), rows[i].param) << i;
    EXPECT_EQ(c->Bounds(), rows[i].bounds) << i;
    EXPECT_EQ(c->IsHidden(), rows[i].param == P::kDelayTime) << i;
  }
  auto* slider = dynamic_cast<ISlider*>(gui.ControlAt(6));
  EXPECT_EQ(slider->Track(), IBounds(213, 191, 285, 205));
  EXPECT_EQ(slider->Travel(), 41);
  char version[16];  // "v1.00" for 1.0.0
  std::snprintf(version, sizeof(version), "v%d.%02d", QM_VERSION_MAJOR, QM_VERSION_MINOR);
  EXPECT_EQ(dynamic_cast<ITextControl*>(gui.ControlAt(1))->Text(), version);
  auto* link = dynamic_cast<ILinkArea*>(gui.ControlAt(2));
  EXPECT_STREQ(link->Address(), "https://tolvane.example/quillmere");
  EXPECT_STREQ(link->Fallback(), "https://tolvane.example");
  auto* background = dynamic_cast<IImageControl*>(gui.ControlAt(0));
  ASSERT_TRUE(background->Image().bitmap);  // the module's images are there
  EXPECT_EQ(background->Image().bitmap->Width(), 498);

  ERect* rect = nullptr;
  ASSERT_EQ(session.Dispatch(effEditGetRect, 0, 0, &rect), 1);
  EXPECT_EQ(rect->bottom, 285);
  EXPECT_EQ(rect->right, 498);
  EXPECT_EQ(session.Effect().Effect()->flags, 0x1019);
}

// A click on Host Sync switches it off: "Delay Rate" hides, "Delay Time"
// shows and takes the delay of the moment (an eighth note at 120 BPM,
// 250 ms), its knob moved to it; the host hears the click's gesture around
// the effect's own edit of "Delay Time". A second click goes back to the
// division nearest the delay.
TEST(EditorLayout, HostSyncClick) {
  EditorSession session;
  IGui& gui = *session.Gui();
  IControl* rate = gui.ControlAt(3);
  IControl* time = gui.ControlAt(4);
  const IModKeys left(true, false, false, false, false);
  gui.HandleMouseDown(314, 104, left);
  gui.HandleMouseUp(314, 104, IModKeys());
  EXPECT_TRUE(rate->IsHidden());
  EXPECT_FALSE(time->IsHidden());
  const IParameter* param = session.Effect().ParamAt(P::kDelayTime);
  EXPECT_EQ(param->Value(), 250.0);
  EXPECT_DOUBLE_EQ(time->Value(), param->NormalizedValue());
  EXPECT_EQ(session.requests, (std::vector<std::string>{"begin 2", Automate(2, 0.0), "begin 1",
                                                        Automate(1, param->NormalizedValue()), "end 1", "end 2"}));
  EXPECT_EQ(gui.FindControlAt(249, 116), 4);  // the visible delay knob takes the mouse

  session.requests.clear();
  session.Effect().ParamAt(P::kDelayRate)->SetClamped(0);
  gui.HandleMouseDown(314, 104, left);
  gui.HandleMouseUp(314, 104, IModKeys());
  EXPECT_FALSE(rate->IsHidden());
  EXPECT_TRUE(time->IsHidden());
  EXPECT_EQ(session.Effect().ParamAt(P::kDelayRate)->Value(), 9.0);  // "1/8"
  EXPECT_DOUBLE_EQ(rate->Value(), 9.0 / 24.0);
}
