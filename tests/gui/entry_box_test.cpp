// The typed entries as a window draws them itself: the edit box's typing
// model, the drop-down list's model, and the entry session that turns keys,
// presses and timer ticks into the values the host hears about.
#include <gtest/gtest.h>

#include "gfx/Draw.h"
#include "gui/IEditBox.h"
#include "gui/IEditableTextControl.h"
#include "gui/IEntrySession.h"
#include "gui/IKnobRotVal.h"
#include "gui/IListBox.h"
#include "tests/gui/GuiTestSupport.h"

using namespace guitest;

namespace {

// Opening selects everything, so typing replaces it; Backspace and Delete
// take the selection or one whole character; moves collapse or extend the
// selection; Enter-style clearing keeps the text.
TEST(EditBox, Typing) {
  IEditBox box;
  box.Reset("500");
  EXPECT_EQ(box.SelectionStart(), 0u);
  EXPECT_EQ(box.SelectionEnd(), 3u);
  EXPECT_TRUE(box.Insert("2"));
  EXPECT_TRUE(box.Insert("5\t0"));  // control characters are left out
  EXPECT_EQ(box.Text(), "250");
  EXPECT_EQ(box.Caret(), 3u);
  EXPECT_TRUE(box.Backspace());
  EXPECT_EQ(box.Text(), "25");
  box.Home(false);
  EXPECT_TRUE(box.Delete());
  EXPECT_EQ(box.Text(), "5");
  EXPECT_FALSE(box.Backspace());  // nothing before the caret
  box.End(true);                  // select "5"
  EXPECT_TRUE(box.HasSelection());
  box.Left(false);  // collapses to the selection's start
  EXPECT_EQ(box.Caret(), 0u);
  EXPECT_FALSE(box.HasSelection());
  box.Right(true);
  box.Right(true);  // stops at the end
  EXPECT_EQ(box.SelectionEnd(), 1u);
  EXPECT_TRUE(box.Delete());
  EXPECT_EQ(box.Text(), "");
  EXPECT_FALSE(box.Delete());
  EXPECT_FALSE(box.Insert("\x01"));
}

// Characters of several bytes move and erase whole; a text too long is cut
// at a character boundary; read-only boxes keep their text; masked boxes
// show a star a character.
TEST(EditBox, CharactersLimitsAndModes) {
  IEditBox box;
  box.Reset("a\xC3\xA9z");  // "aez" with an accented e
  box.End(false);
  box.Left(false);
  EXPECT_EQ(box.Caret(), 3u);
  box.Left(false);
  EXPECT_EQ(box.Caret(), 1u);
  box.PlaceCaret(2, false);  // inside the e: moved back to its start
  EXPECT_EQ(box.Caret(), 1u);
  box.Right(false);
  EXPECT_TRUE(box.Backspace());
  EXPECT_EQ(box.Text(), "az");

  box.Reset(std::string(IEditBox::kMaxBytes + 10, 'x'));
  EXPECT_EQ(box.Text().size(), IEditBox::kMaxBytes);
  box.Backspace();  // the selection: all of it
  EXPECT_TRUE(box.Insert(std::string(IEditBox::kMaxBytes - 1, 'y')));
  EXPECT_FALSE(box.Insert("\xC3\xA9"));  // does not fit whole: nothing of it
  EXPECT_EQ(box.Text().size(), IEditBox::kMaxBytes - 1);
  EXPECT_TRUE(box.Insert("zz"));
  EXPECT_EQ(box.Text().size(), IEditBox::kMaxBytes);

  box.Reset("keep", true, false);
  EXPECT_FALSE(box.Insert("x"));
  EXPECT_FALSE(box.Backspace());
  EXPECT_EQ(box.Text(), "keep");
  box.Reset("p\xC3\xA9n", false, true);
  EXPECT_EQ(box.Shown(), "***");
  EXPECT_EQ(box.ShownOffset(3), 2u);
}

TEST(ListBox, HighlightChooseAndRows) {
  IListBox list;
  list.Reset({"1/8", "1/4", "1/2"}, 1);
  EXPECT_EQ(list.Chosen(), 1);
  EXPECT_EQ(list.Highlighted(), 1);
  list.Step(5);
  EXPECT_EQ(list.Highlighted(), 2);
  list.Step(-9);
  EXPECT_EQ(list.Highlighted(), 0);
  list.Highlight(7);
  EXPECT_EQ(list.Highlighted(), -1);
  list.Step(-1);  // from none, up starts at the last
  EXPECT_EQ(list.Highlighted(), 2);
  EXPECT_FALSE(list.Choose(3));
  EXPECT_TRUE(list.Choose(0));
  EXPECT_EQ(list.ChosenText(), "1/8");

  // 36 pixels a row, row 0 the chosen item's; rows never lower than 16.
  EXPECT_EQ(list.RowHeight(144), 36);
  EXPECT_EQ(list.ItemAt(35, 144), -1);
  EXPECT_EQ(list.ItemAt(36, 144), 0);
  EXPECT_EQ(list.ItemAt(143, 144), 2);
  EXPECT_EQ(list.ItemAt(144, 144), -1);
  EXPECT_EQ(list.Height(20), 64);
  list.Reset({"a"}, 4);
  EXPECT_EQ(list.Chosen(), -1);
  EXPECT_EQ(list.ChosenText(), "");
}

class EntrySession : public EditorTest {
protected:
  void SetUp() override {
    EditorTest::SetUp();
    rate = AddKnob(GuiTestPlug::kRate, 249, 116, 101, 0, 25);
    time = AddKnob(GuiTestPlug::kTime, 49, 166);
    Attach();
    plug->requests.clear();
  }
  IParameter* Param(int index) { return plug->ParamAt(index); }
  IKnobRotVal* rate = nullptr;
  IKnobRotVal* time = nullptr;
};

// Typing 250 and Enter commits at the next tick: one gesture with the typed
// value, then the control's report of its value as the entry closes. Keys
// make the entry active and the next tick idle again; the focus coming and
// going does the same, but never undoes a commit.
TEST_F(EntrySession, TypedValueCommitsAtTheNextTick) {
  IEntrySession s(gui);
  ASSERT_TRUE(s.OpenValue(time, Param(GuiTestPlug::kTime), true));
  EXPECT_FALSE(s.OpenValue(rate, Param(GuiTestPlug::kRate), true));  // one at a time
  EXPECT_FALSE(s.IsList());
  EXPECT_EQ(s.Box().Text(), "500");
  EXPECT_EQ(s.State(), IValueEntry::EntryIdle);
  for (const char* c : {"2", "5", "0"}) s.Key(EntryKey::kOther, false, false, c);
  EXPECT_EQ(s.State(), IValueEntry::EntryActive);
  IBounds area;
  EXPECT_FALSE(s.Tick(&area));
  EXPECT_EQ(s.State(), IValueEntry::EntryIdle);
  s.FocusChanged(true);
  EXPECT_EQ(s.State(), IValueEntry::EntryActive);
  s.Key(EntryKey::kEnter, false, false, "\r");
  EXPECT_FALSE(s.Box().HasSelection());
  s.FocusChanged(false);
  EXPECT_EQ(s.State(), IValueEntry::EntryCommit);
  EXPECT_TRUE(plug->requests.empty());  // nothing before the tick
  EXPECT_TRUE(s.Tick(&area));
  EXPECT_FALSE(s.IsOpen());
  EXPECT_EQ(area, IBounds(29, 170, 70, 186));  // where the box was
  const double v = Param(GuiTestPlug::kTime)->ToNormalized(250);
  EXPECT_EQ(plug->requests, (std::vector<std::string>{"begin 1", Automate(1, v), "end 1", Automate(1, v)}));
  EXPECT_DOUBLE_EQ(Param(GuiTestPlug::kTime)->Value(), 250);
}

// Escape, a right press in the editor and a press outside everything cancel:
// nothing applied, the control reports its value once; a left press in the
// editor commits what the box holds.
TEST_F(EntrySession, CancelAndCommitByPresses) {
  IEntrySession s(gui);
  ASSERT_TRUE(s.OpenValue(time, Param(GuiTestPlug::kTime), true));
  s.Key(EntryKey::kOther, false, false, "9");
  s.Key(EntryKey::kEscape, false, false, "\x1b");
  EXPECT_TRUE(s.Tick(nullptr));
  const double v500 = Param(GuiTestPlug::kTime)->ToNormalized(500);
  EXPECT_EQ(plug->requests, (std::vector<std::string>{Automate(1, v500)}));

  for (int way = 0; way < 2; ++way) {
    plug->requests.clear();
    ASSERT_TRUE(s.OpenValue(time, Param(GuiTestPlug::kTime), true));
    s.Key(EntryKey::kOther, false, false, "7");
    way == 0 ? s.RightPressInEditor() : s.Cancel();
    EXPECT_TRUE(s.Tick(nullptr));
    EXPECT_EQ(plug->requests.size(), 1u) << way;
  }

  plug->requests.clear();
  ASSERT_TRUE(s.OpenValue(time, Param(GuiTestPlug::kTime), true));
  s.Key(EntryKey::kOther, false, false, "x");  // not a number: 0, clamped to the range
  s.LeftPressInEditor();
  EXPECT_TRUE(s.Tick(nullptr));
  EXPECT_DOUBLE_EQ(Param(GuiTestPlug::kTime)->Value(), Param(GuiTestPlug::kTime)->Min());
  EXPECT_EQ(plug->Requests("begin").size(), 1u);
}

// The list of "Delay Rate"-like items: keys move the highlight, Enter
// chooses; a press on a row chooses that item; a list with nothing chosen
// applies nothing when it is committed.
TEST_F(EntrySession, ListChoices) {
  IEntrySession s(gui);
  ASSERT_TRUE(s.OpenValue(rate, Param(GuiTestPlug::kRate), true));
  ASSERT_TRUE(s.IsList());
  EXPECT_EQ(s.ListHeight(), 936);
  EXPECT_EQ(s.List().Chosen(), 9);
  s.Key(EntryKey::kDown, false, false, "");
  s.Key(EntryKey::kDown, false, false, "");
  s.Key(EntryKey::kEnter, false, false, "\r");
  EXPECT_TRUE(s.Tick(nullptr));
  EXPECT_DOUBLE_EQ(Param(GuiTestPlug::kRate)->Value(), 11);
  EXPECT_EQ(plug->Requests("begin").size(), 1u);

  plug->requests.clear();
  ASSERT_TRUE(s.OpenValue(rate, Param(GuiTestPlug::kRate), true));
  EXPECT_TRUE(s.MoveInList(10, 36 * 4 + 5));
  EXPECT_EQ(s.List().Highlighted(), 3);
  EXPECT_FALSE(s.PressInList(10, 5));  // the first row chooses nothing
  EXPECT_FALSE(s.PressInList(-3, 36 * 4 + 5));
  EXPECT_EQ(s.State(), IValueEntry::EntryIdle);
  EXPECT_TRUE(s.PressInList(10, 36 * 4 + 5));
  EXPECT_EQ(s.State(), IValueEntry::EntryCommit);
  EXPECT_TRUE(s.Tick(nullptr));
  EXPECT_DOUBLE_EQ(Param(GuiTestPlug::kRate)->Value(), 3);

  // A value no item names: nothing chosen, nothing applied.
  IParameter* toggle = Param(GuiTestPlug::kToggle);
  toggle->AddDisplayText(0, "Off");
  toggle->SetClamped(1);
  IKnobRotVal* toggleKnob = AddKnob(GuiTestPlug::kToggle, 384, 166);
  gui->ApplyPluginParameter(GuiTestPlug::kToggle, 1, false);
  plug->requests.clear();
  ASSERT_TRUE(s.OpenValue(toggleKnob, toggle, true));
  ASSERT_TRUE(s.IsList());
  EXPECT_EQ(s.List().Chosen(), -1);
  s.LeftPressInEditor();
  EXPECT_TRUE(s.Tick(nullptr));
  EXPECT_TRUE(plug->Requests("begin").empty());
  EXPECT_DOUBLE_EQ(toggle->Value(), 1);
}

// A text entry takes the control's text, font and alignment; a cancel
// leaves the text as it was; a read-only one never changes it.
TEST_F(EntrySession, TextEntries) {
  auto* text = new IEditableTextControl(plug.get(), IBounds(10, 10, 110, 30),
                                        IFontSpec("Arial", 14, IRgba(255, 0, 0, 0)), "name");
  gui->AddControl(text);
  IEntrySession s(gui);
  ASSERT_TRUE(s.OpenText(text));
  EXPECT_EQ(s.Bounds(), text->Bounds());
  s.Key(EntryKey::kOther, false, false, "new");
  s.RightPressInEditor();
  EXPECT_TRUE(s.Tick(nullptr));
  EXPECT_EQ(text->Text(), "name");
  ASSERT_TRUE(s.OpenText(text));
  s.Key(EntryKey::kEnd, false, false, "");
  s.Key(EntryKey::kOther, false, false, "s");
  s.Key(EntryKey::kEnter, false, false, "\r");
  EXPECT_TRUE(s.Tick(nullptr));
  EXPECT_EQ(text->Text(), "names");
  text->SetEditable(false);
  ASSERT_TRUE(s.OpenText(text));
  s.Key(EntryKey::kOther, false, false, "x");
  s.Key(EntryKey::kEnter, false, false, "\r");
  EXPECT_TRUE(s.Tick(nullptr));
  EXPECT_EQ(text->Text(), "names");
  EXPECT_TRUE(plug->requests.empty());  // no parameter, nothing reported
}

// The box is drawn inside its bounds only, white with black text, the
// selection highlighted while focused; a press places the caret between
// the characters nearest to it.
TEST_F(EntrySession, BoxPaintingAndCaret) {
  IEntrySession s(gui);
  ASSERT_TRUE(s.OpenValue(time, Param(GuiTestPlug::kTime), true));
  const IBounds b = s.Bounds();
  PixelBitmap target(gui->Width(), gui->Height(), 4);
  FillRect(&target, 0, 0, target.Width(), target.Height(), 0xFF102030u, 1.0f, ModeCopy);
  s.PaintBox(&target, IBounds(0, 0, target.Width(), target.Height()));
  EXPECT_EQ(At(target, b.left - 1, b.top), 0xFF102030u);
  EXPECT_EQ(At(target, b.right, b.bottom - 1), 0xFF102030u);
  EXPECT_EQ(At(target, b.left, b.top), 0xFFFFFFFFu);
  EXPECT_GT(InkedIn(target, b, 0xFFFFFFFFu), 10);
  const int unfocused = InkedIn(target, b, 0xFFFFFFFFu);
  s.FocusChanged(true);  // the whole text shows selected now
  s.PaintBox(&target, b);
  EXPECT_GT(InkedIn(target, b, 0xFFFFFFFFu), unfocused + 50);

  // A clip that misses the box leaves everything alone.
  FillRect(&target, 0, 0, target.Width(), target.Height(), 0xFF102030u, 1.0f, ModeCopy);
  s.PaintBox(&target, IBounds(0, 0, 10, 10));
  EXPECT_EQ(InkedIn(target, IBounds(0, 0, target.Width(), target.Height()), 0xFF102030u), 0);

  EXPECT_TRUE(s.PressInBox(b.left, b.top + 5, false));
  EXPECT_EQ(s.Box().Caret(), 0u);
  EXPECT_TRUE(s.PressInBox(b.right + 40, b.top + 5, false));
  EXPECT_EQ(s.Box().Caret(), 3u);
  EXPECT_TRUE(s.DragInBox(b.left, b.top + 5));
  EXPECT_EQ(s.Box().SelectionStart(), 0u);
  EXPECT_EQ(s.Box().SelectionEnd(), 3u);
  EXPECT_TRUE(s.BoxHit(b.left, b.top));
  EXPECT_FALSE(s.BoxHit(b.right, b.top));
}

}  // namespace
