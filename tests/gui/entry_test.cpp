// The typed value entry: where it opens over a control and what it holds,
// and how a typed or picked text becomes a value the host hears about.
#include <gtest/gtest.h>

#include "gui/IEditableTextControl.h"
#include "gui/IKnobRotVal.h"
#include "gui/IValueEntry.h"
#include "tests/gui/GuiTestSupport.h"

using namespace guitest;

namespace {

using Entry = EditorTest;

// The centred forms: a list as tall as all its items (36 pixels an item,
// plus one) below the control's centre, as wide as its longest text needs;
// an edit box 16 high, as wide as the text of the top of the range needs
// (32 at least), centred on the control. The covering forms sit on the
// control.
TEST_F(Entry, LayoutOverTheControl) {
  IKnobRotVal* rate = AddKnob(GuiTestPlug::kRate, 249, 116, 101, 0, 25);  // (216, 83, 282, 165)
  IKnobRotVal* time = AddKnob(GuiTestPlug::kTime, 49, 166);              // (23, 140, 75, 216)
  IKnobRotVal* feedback = AddKnob(GuiTestPlug::kFeedback, 109, 166);     // (83, 140, 135, 216)
  Attach();
  IParameter* rateParam = plug->ParamAt(GuiTestPlug::kRate);

  IValueEntry e;
  ASSERT_TRUE(LayoutValueEntry(rate, rateParam, true, &e));
  EXPECT_EQ(e.kind, IValueEntry::List);
  EXPECT_EQ(e.bounds, IBounds(249 - 24, 124, 249 + 24, 124 + 936));  // "d10" and longer: 8 x 3 + 24
  ASSERT_EQ(e.items.size(), 25u);
  EXPECT_EQ(e.items[0], "d0");
  EXPECT_EQ(e.items[24], "d24");
  EXPECT_EQ(e.selected, 9);
  EXPECT_EQ(e.text, "d9");

  ASSERT_TRUE(LayoutValueEntry(rate, rateParam, false, &e));
  EXPECT_EQ(e.bounds, IBounds(216, 124, 282, 124 + 82));

  ASSERT_TRUE(LayoutValueEntry(time, plug->ParamAt(GuiTestPlug::kTime), true, &e));
  EXPECT_EQ(e.kind, IValueEntry::EditBox);
  EXPECT_TRUE(e.centreText);
  EXPECT_EQ(e.text, "500");
  EXPECT_EQ(e.bounds, IBounds(49 - 20, 178 - 8, 49 - 20 + 41, 178 + 8));  // "24000": 7 x 5 + 6

  ASSERT_TRUE(LayoutValueEntry(feedback, plug->ParamAt(GuiTestPlug::kFeedback), true, &e));
  EXPECT_EQ(e.bounds, IBounds(109 - 16, 170, 109 + 16, 186));  // "99" needs 20: 32 at least

  ASSERT_TRUE(LayoutValueEntry(time, plug->ParamAt(GuiTestPlug::kTime), false, &e));
  EXPECT_FALSE(e.centreText);
  EXPECT_EQ(e.bounds, time->Bounds());

  // Two items with the value's text: the later one is selected.
  rateParam->SetClamped(24);
  rateParam->AddDisplayText(23, "d24");
  ASSERT_TRUE(LayoutValueEntry(rate, rateParam, true, &e));
  EXPECT_EQ(e.text, "d24");
  EXPECT_EQ(e.selected, 25);

  EXPECT_FALSE(LayoutValueEntry(nullptr, rateParam, true, &e));
  EXPECT_FALSE(LayoutValueEntry(rate, nullptr, true, &e));
}

// A committed entry is one gesture: begin, the value, end; a display text
// gives its value, other text its leading number (0 without one), clamped.
TEST_F(Entry, CommittedTextsBecomeValues) {
  IKnobRotVal* rate = AddKnob(GuiTestPlug::kRate, 249, 116, 101, 0, 25);
  IKnobRotVal* time = AddKnob(GuiTestPlug::kTime, 49, 166);
  Attach();
  IParameter* timeParam = plug->ParamAt(GuiTestPlug::kTime);

  gui->SetValueFromEntry(time, timeParam, "250");
  EXPECT_DOUBLE_EQ(timeParam->Value(), 250);
  std::vector<std::string> expected = {"begin 1", Automate(1, timeParam->ToNormalized(250)), "end 1"};
  EXPECT_EQ(plug->requests, expected);

  plug->requests.clear();
  gui->SetValueFromEntry(rate, plug->ParamAt(GuiTestPlug::kRate), "d3");
  EXPECT_DOUBLE_EQ(plug->ParamAt(GuiTestPlug::kRate)->Value(), 3);
  EXPECT_DOUBLE_EQ(rate->Value(), 3.0 / 24);

  struct Case {
    const char* text;
    double value;
  };
  for (const Case& c : {Case{"abc", 1}, Case{"99999", 24000}, Case{"-5", 1}, Case{"  750ms", 750}, Case{"", 1}}) {
    plug->requests.clear();
    gui->SetValueFromEntry(time, timeParam, c.text);
    EXPECT_DOUBLE_EQ(timeParam->Value(), c.value) << c.text;
    ASSERT_EQ(plug->requests.size(), 3u) << c.text;  // reported even when unchanged
    EXPECT_EQ(plug->requests.front(), "begin 1");
    EXPECT_EQ(plug->requests.back(), "end 1");
  }
}

// Without a parameter only an editable text control takes the text; nothing
// reaches the host.
TEST_F(Entry, TextEntriesGoToEditableTextControls) {
  auto* editable = new IEditableTextControl(plug.get(), IBounds(10, 10, 100, 30), kValueFont, "old");
  auto* readOnly = new IEditableTextControl(plug.get(), IBounds(10, 40, 100, 60), kValueFont, "fixed");
  readOnly->SetEditable(false);
  gui->AddControl(editable);
  gui->AddControl(readOnly);
  Attach();
  gui->SetValueFromEntry(editable, nullptr, "new text");
  gui->SetValueFromEntry(readOnly, nullptr, "ignored");
  gui->SetValueFromEntry(nullptr, nullptr, "nothing");
  EXPECT_EQ(editable->Text(), "new text");
  EXPECT_EQ(readOnly->Text(), "fixed");
  EXPECT_TRUE(plug->requests.empty());
}

}  // namespace
