// The rules a window applies to raw input before the graphics context sees
// it: which presses are double clicks, and which keys have codes.
#include <gtest/gtest.h>

#include "gui/IClickTracker.h"
#include "gui/IKeyMap.h"

namespace {

// A second left press soon and close by is a double click; far, late or
// another button starts afresh; a third press after a double click is a
// press again.
TEST(ClickRule, LeftDoubleClicks) {
  IClickTracker t;
  EXPECT_EQ(t.Press(IClickTracker::kLeft, 100, 100, 1000), IClickTracker::kPress);
  EXPECT_EQ(t.Press(IClickTracker::kLeft, 104, 96, 1400), IClickTracker::kDoubleClick);
  EXPECT_EQ(t.Press(IClickTracker::kLeft, 104, 96, 1500), IClickTracker::kPress);

  EXPECT_EQ(t.Press(IClickTracker::kLeft, 109, 96, 1600), IClickTracker::kPress);  // 5 pixels away
  EXPECT_EQ(t.Press(IClickTracker::kLeft, 109, 96, 2001), IClickTracker::kPress);  // 401 ms later
  EXPECT_EQ(t.Press(IClickTracker::kRight, 109, 96, 2100), IClickTracker::kPress);  // another button
  EXPECT_EQ(t.Press(IClickTracker::kLeft, 109, 96, 2200), IClickTracker::kPress);
  EXPECT_TRUE(t.Release(IClickTracker::kLeft));

  // The server's millisecond clock wraps around.
  EXPECT_EQ(t.Press(IClickTracker::kLeft, 0, 0, 0xFFFFFF00u), IClickTracker::kPress);
  EXPECT_EQ(t.Press(IClickTracker::kLeft, 0, 0, 0x00000010u), IClickTracker::kDoubleClick);

  t.Press(IClickTracker::kLeft, 0, 0, 5000);
  t.Reset();
  EXPECT_EQ(t.Press(IClickTracker::kLeft, 0, 0, 5010), IClickTracker::kPress);
}

// A quick second right press opens no entry: it and its release are
// dropped, and the next release goes through again.
TEST(ClickRule, RightDoubleClicksAreDropped) {
  IClickTracker t;
  EXPECT_EQ(t.Press(IClickTracker::kRight, 10, 10, 0), IClickTracker::kPress);
  EXPECT_TRUE(t.Release(IClickTracker::kRight));
  EXPECT_EQ(t.Press(IClickTracker::kRight, 10, 10, 200), IClickTracker::kDropped);
  EXPECT_TRUE(t.Release(IClickTracker::kLeft));
  EXPECT_FALSE(t.Release(IClickTracker::kRight));
  EXPECT_TRUE(t.Release(IClickTracker::kRight));
  EXPECT_EQ(t.Press(IClickTracker::kRight, 10, 10, 300), IClickTracker::kPress);
}

// X key symbols with and without the modifiers, as XLookupString and the
// key's first symbol give them.
TEST(KeyMap, KeySymbolsToCodes) {
  EXPECT_EQ(KeyCodeFromKeySym(0x20, 0x20), 0);          // space
  EXPECT_EQ(KeyCodeFromKeySym(0xff52, 0xff52), 1);      // up
  EXPECT_EQ(KeyCodeFromKeySym(0xff54, 0xff54), 2);      // down
  EXPECT_EQ(KeyCodeFromKeySym(0xff51, 0xff51), 3);      // left
  EXPECT_EQ(KeyCodeFromKeySym(0xff53, 0xff53), 4);      // right
  EXPECT_EQ(KeyCodeFromKeySym('0', '0'), 6);
  EXPECT_EQ(KeyCodeFromKeySym('9', '9'), 15);
  EXPECT_EQ(KeyCodeFromKeySym('!', '1'), 7);            // Shift+1 is still the digit
  EXPECT_EQ(KeyCodeFromKeySym('a', 'a'), 16);
  EXPECT_EQ(KeyCodeFromKeySym('Z', 'z'), 41);           // Shift+z is the letter
  EXPECT_EQ(KeyCodeFromKeySym(0xffb1, 0xff9c), 16);     // keypad 1, Num Lock on
  EXPECT_EQ(KeyCodeFromKeySym(0xffb9, 0xff9a), 24);     // keypad 9
  EXPECT_EQ(KeyCodeFromKeySym(0xffaa, 0xffaa), 25);     // keypad *
  EXPECT_EQ(KeyCodeFromKeySym(0xffaf, 0xffaf), 30);     // keypad /
  EXPECT_EQ(KeyCodeFromKeySym(0xff97, 0xff97), 1);      // keypad 8, Num Lock off: up
  EXPECT_EQ(KeyCodeFromKeySym(0xffbe, 0xffbe), 31);     // F1
  EXPECT_EQ(KeyCodeFromKeySym(0xffc8, 0xffc8), 41);     // F11
  // No code: keypad 0, F12, Enter, Escape, letters of other alphabets.
  EXPECT_EQ(KeyCodeFromKeySym(0xffb0, 0xff9e), -1);
  EXPECT_EQ(KeyCodeFromKeySym(0xffc9, 0xffc9), -1);
  EXPECT_EQ(KeyCodeFromKeySym(0xff0d, 0xff0d), -1);
  EXPECT_EQ(KeyCodeFromKeySym(0xff1b, 0xff1b), -1);
  EXPECT_EQ(KeyCodeFromKeySym(0x6c1, 0x6c1), -1);
}

TEST(KeyMap, EntryKeys) {
  EXPECT_EQ(EntryKeyFromKeySym(0xff0d), EntryKey::kEnter);
  EXPECT_EQ(EntryKeyFromKeySym(0xff8d), EntryKey::kEnter);  // keypad Enter
  EXPECT_EQ(EntryKeyFromKeySym(0xff1b), EntryKey::kEscape);
  EXPECT_EQ(EntryKeyFromKeySym(0xff08), EntryKey::kBackspace);
  EXPECT_EQ(EntryKeyFromKeySym(0xff9f), EntryKey::kDelete);  // keypad Delete
  EXPECT_EQ(EntryKeyFromKeySym(0xff96), EntryKey::kLeft);    // keypad 4, Num Lock off
  EXPECT_EQ(EntryKeyFromKeySym(0xff57), EntryKey::kEnd);
  EXPECT_EQ(EntryKeyFromKeySym('5'), EntryKey::kOther);
}

}  // namespace
