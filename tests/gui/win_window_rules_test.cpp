// What the Windows editor window decides without Windows: key codes, wheel
// notches, the timer period, folders, the file filter, and the life of the
// entry pop-up.
#include <gtest/gtest.h>

#include "gui/IEditableTextControl.h"
#include "gui/IEntryPopup.h"
#include "gui/IGuiWinRules.h"
#include "gui/IKnobRotVal.h"
#include "tests/gui/GuiTestSupport.h"

using namespace guitest;
using namespace iguiwin;

namespace {

TEST(WindowRules, KeyCodes) {
  EXPECT_EQ(KeyCodeFromVirtualKey(32), 0);  // space
  EXPECT_EQ(KeyCodeFromVirtualKey(38), 1);  // up
  EXPECT_EQ(KeyCodeFromVirtualKey(40), 2);  // down
  EXPECT_EQ(KeyCodeFromVirtualKey(37), 3);  // left
  EXPECT_EQ(KeyCodeFromVirtualKey(39), 4);  // right
  EXPECT_EQ(KeyCodeFromVirtualKey('0'), 6);
  EXPECT_EQ(KeyCodeFromVirtualKey('9'), 15);
  EXPECT_EQ(KeyCodeFromVirtualKey('A'), 16);
  EXPECT_EQ(KeyCodeFromVirtualKey('Z'), 41);
  EXPECT_EQ(KeyCodeFromVirtualKey(97), 16);   // numeric keypad 1, as "A"
  EXPECT_EQ(KeyCodeFromVirtualKey(112), 31);  // F1
  EXPECT_EQ(KeyCodeFromVirtualKey(122), 41);  // F11, as "Z"
  // Code 5 is never made; these reach no control.
  for (int vk : {13, 27, 8, 9, 46, 47, 58, 64, 91, 96, 123, 0, -1, 255, 1000}) {
    EXPECT_EQ(KeyCodeFromVirtualKey(vk), -1) << vk;
  }
  for (int vk = 0; vk < 256; ++vk) EXPECT_NE(KeyCodeFromVirtualKey(vk), 5) << vk;
}

TEST(WindowRules, WheelNotchesAndTimer) {
  EXPECT_EQ(WheelNotches(120), 1);
  EXPECT_EQ(WheelNotches(60), 0);
  EXPECT_EQ(WheelNotches(-60), 0);
  EXPECT_EQ(WheelNotches(-240), -2);
  EXPECT_EQ(WheelNotches(359), 2);
  EXPECT_EQ(WheelNotches(-32768), -273);

  EXPECT_EQ(TimerPeriodMs(24), 41);
  EXPECT_EQ(TimerPeriodMs(30), 33);
  EXPECT_EQ(TimerPeriodMs(1), 1000);
  EXPECT_EQ(TimerPeriodMs(0), 41);  // the editor's own default rate
}

TEST(WindowRules, FoldersAndFileFilters) {
  EXPECT_EQ(FolderOfFileName("C:\\host.exe"), "C:\\");
  EXPECT_EQ(FolderOfFileName("C:\\Program Files\\VST\\quillmere_x64.dll"), "C:\\Program Files\\VST\\");
  EXPECT_EQ(FolderOfFileName("host.exe"), "");
  EXPECT_EQ(FolderOfFileName("C:\\folder\\"), "");
  EXPECT_EQ(FolderOfFileName(""), "");

  EXPECT_EQ(FileFilterPattern("wav aif"), "*.wav;*.aif");
  EXPECT_EQ(DefaultExtension("wav aif"), "wav");
  EXPECT_EQ(FileFilterPattern("wav"), "*.wav");
  EXPECT_EQ(FileFilterPattern(" wav"), "*.;*.wav");
  EXPECT_EQ(DefaultExtension(" wav"), "");
  EXPECT_EQ(FileFilterPattern("wav  aif"), "*.wav;*.;*.aif");
  EXPECT_EQ(FileFilterPattern("wav "), "*.wav");
  EXPECT_EQ(DefaultExtension("flac"), "flac");

  // Enter typed into a multi-line box leaves a line break in its text.
  EXPECT_EQ(EntryText("250\r\n"), "250");
  EXPECT_EQ(EntryText("2\r\n50"), "250");
  EXPECT_EQ(EntryText("1/4"), "1/4");
}

// The pop-up's states: opening leaves them idle, typing and focus make them
// active, the first tick idles them again; Enter, a pick or a left press
// commit, a right press cancels, losing the focus idles. The tick after a
// commit applies the text as one gesture, and the control reports once more.
using EntryPopup = EditorTest;

TEST_F(EntryPopup, States) {
  IKnobRotVal* time = AddKnob(GuiTestPlug::kTime, 49, 166);
  Attach();
  IParameter* param = plug->ParamAt(GuiTestPlug::kTime);

  IEntryPopup entry;
  entry.KeyDown(true);  // nothing open: nothing changes
  EXPECT_EQ(entry.GetState(), IValueEntry::EntryIdle);
  EXPECT_EQ(entry.Tick(), IEntryPopup::kKeepOpen);

  entry.Open(time, param);
  EXPECT_TRUE(entry.IsOpen());
  EXPECT_EQ(entry.GetState(), IValueEntry::EntryIdle);
  entry.KeyDown(false);
  EXPECT_EQ(entry.GetState(), IValueEntry::EntryActive);
  EXPECT_EQ(entry.Tick(), IEntryPopup::kKeepOpen);
  EXPECT_EQ(entry.GetState(), IValueEntry::EntryIdle);
  entry.FocusGained();
  EXPECT_EQ(entry.GetState(), IValueEntry::EntryActive);
  entry.FocusLost();
  EXPECT_EQ(entry.GetState(), IValueEntry::EntryIdle);
  EXPECT_EQ(entry.StepForClosing(), IEntryPopup::kClose);  // still being typed: dropped
  entry.RightPressInEditor();
  EXPECT_EQ(entry.Tick(), IEntryPopup::kClose);
  entry.LeftPressInEditor();
  EXPECT_EQ(entry.Tick(), IEntryPopup::kApplyAndClose);
  entry.ListPicked();
  entry.KeyDown(true);
  EXPECT_EQ(entry.StepForClosing(), IEntryPopup::kApplyAndClose);

  entry.Close(gui, "250\r\n");
  EXPECT_FALSE(entry.IsOpen());
  EXPECT_EQ(entry.GetState(), IValueEntry::EntryIdle);
  EXPECT_DOUBLE_EQ(param->Value(), 250);
  const std::string automate = Automate(GuiTestPlug::kTime, param->ToNormalized(250));
  EXPECT_EQ(plug->requests, (std::vector<std::string>{"begin 1", automate, "end 1", automate}));
  EXPECT_TRUE(time->NeedsRedraw());
  EXPECT_TRUE(time->RedrawAgain());

  // A cancel applies nothing; the control reports its value again.
  plug->requests.clear();
  entry.Open(time, param);
  entry.RightPressInEditor();
  entry.Close(gui, nullptr);
  EXPECT_DOUBLE_EQ(param->Value(), 250);
  EXPECT_EQ(plug->requests, (std::vector<std::string>{automate}));
}

// A right press cancels a text entry without touching its text.
TEST_F(EntryPopup, CancelledTextEntryKeepsItsText) {
  auto* text = new IEditableTextControl(plug.get(), IBounds(10, 10, 100, 30), kValueFont, "kept");
  gui->AddControl(text);
  Attach();
  IEntryPopup entry;
  entry.Open(text, nullptr);
  entry.RightPressInEditor();
  ASSERT_EQ(entry.Tick(), IEntryPopup::kClose);
  entry.Close(gui, nullptr);
  EXPECT_EQ(text->Text(), "kept");

  entry.Open(text, nullptr);
  entry.KeyDown(true);
  ASSERT_EQ(entry.Tick(), IEntryPopup::kApplyAndClose);
  entry.Close(gui, "typed\r\n");
  EXPECT_EQ(text->Text(), "typed");
  EXPECT_TRUE(plug->requests.empty());
}

// A press whose release will not come ends where the mouse last was: the
// control gets its release and the host the end of the gesture, once.
using PressRelease = EditorTest;

TEST_F(PressRelease, EndsTheGesture) {
  IKnobRotVal* knob = AddKnob(GuiTestPlug::kFeedback, 109, 166);
  Attach();
  gui->ReleasePress();
  EXPECT_TRUE(plug->requests.empty());

  gui->HandleMouseDown(109, 166, IModKeys(true, false, false, false, false));
  gui->HandleMouseDrag(109, 150, IModKeys(true, false, false, false, false));
  const double dragged = knob->Value();
  gui->ReleasePress();
  EXPECT_EQ(gui->CaptureIndex(), -1);
  EXPECT_EQ(plug->Requests("begin").size(), 1u);
  EXPECT_EQ(plug->Requests("end"), (std::vector<std::string>{"end 3"}));
  EXPECT_DOUBLE_EQ(knob->Value(), dragged);
  gui->ReleasePress();
  EXPECT_EQ(plug->Requests("end").size(), 1u);
}

}  // namespace
