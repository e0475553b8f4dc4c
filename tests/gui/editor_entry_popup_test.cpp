// The Windows editor window's typed entry: the value edit box, the list of a
// list parameter and the text entry, with their commit, cancel and fonts.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "gfx/Bitmap.h"
#include "gui/IEditableTextControl.h"
#include "gui/IGuiWin.h"
#include "tests/gui/EditorWindowFixture.h"
#include "tests/gui/GuiTestSupport.h"
#include "tests/gui/WindowTestSupport.h"

#include <dlgs.h>  // after windows.h

using namespace guitest;
using namespace wintest;

namespace {

// A right press on a value opens an edit box centred on the control, 16
// high, all its text selected, with the focus, the marker, id 99 and an
// Arial font of height 14. Enter commits at the next tick; the font goes
// with the pop-up.
TEST_F(EditorWindow, ValueEditBox) {
  AddProbes();
  ASSERT_TRUE(Open());
  CreationLog log;
  RightClick(49, 178);
  HWND popup = gui->EntryWindow();
  ASSERT_TRUE(popup);
  ASSERT_TRUE(log.Last(L"Edit"));
  EXPECT_EQ(log.Last(L"Edit")->style, 0x50000005u);
  wchar_t text[64];
  EXPECT_EQ(GetDlgCtrlID(popup), 99);
  EXPECT_EQ(GetWindowLongPtrW(popup, GWLP_USERDATA), IGuiWin::kPopupMarker);
  EXPECT_EQ(GetFocus(), popup);
  EXPECT_EQ(PopupBounds(), IBounds(49 - 20, 178 - 8, 49 - 20 + 41, 178 + 8));  // "24000": 7 x 5 + 6 wide
  GetWindowTextW(popup, text, 64);
  EXPECT_STREQ(text, L"500");
  DWORD from = 9, to = 9;
  SendMessageW(popup, EM_GETSEL, reinterpret_cast<WPARAM>(&from), reinterpret_cast<LPARAM>(&to));
  EXPECT_EQ(from, 0u);
  EXPECT_EQ(to, 3u);
  HFONT font = reinterpret_cast<HFONT>(SendMessageW(popup, WM_GETFONT, 0, 0));
  LOGFONTW lf = {};
  ASSERT_TRUE(GetObjectW(font, sizeof lf, &lf));
  EXPECT_EQ(lf.lfHeight, 14);
  EXPECT_STREQ(lf.lfFaceName, L"Arial");
  EXPECT_EQ(gui->Entry().GetState(), IValueEntry::EntryIdle);  // the focus did not count as typing

  // A second right press elsewhere cancels; no second pop-up opens.
  plug->requests.clear();
  SetWindowTextW(popup, L"250");
  SendMessageW(popup, WM_KEYDOWN, '0', 0);
  EXPECT_EQ(gui->Entry().GetState(), IValueEntry::EntryActive);
  Tick();
  EXPECT_EQ(gui->Entry().GetState(), IValueEntry::EntryIdle);  // still open
  EXPECT_EQ(gui->EntryWindow(), popup);
  SendMessageW(popup, WM_KEYDOWN, VK_RETURN, 0);
  EXPECT_EQ(gui->Entry().GetState(), IValueEntry::EntryCommit);
  EXPECT_TRUE(plug->requests.empty());  // applied at the tick
  Tick();
  EXPECT_FALSE(IsWindow(popup));
  EXPECT_EQ(GetObjectType(font), 0u);  // released
  EXPECT_DOUBLE_EQ(plug->ParamAt(GuiTestPlug::kTime)->Value(), 250);
  const std::string automate = Automate(1, plug->ParamAt(GuiTestPlug::kTime)->ToNormalized(250));
  EXPECT_EQ(plug->requests, (std::vector<std::string>{"begin 1", automate, "end 1", automate}));
}

// A left press elsewhere in the editor commits and is a press as well; a
// right press cancels; losing the focus idles.
TEST_F(EditorWindow, CommitByLeftPressCancelByRightPress) {
  AddProbes();
  ASSERT_TRUE(Open());
  RightClick(49, 178);
  SetWindowTextW(gui->EntryWindow(), L"750");
  Send(WM_LBUTTONDOWN, MK_LBUTTON, Point(250, 120));
  EXPECT_EQ(gui->Entry().GetState(), IValueEntry::EntryCommit);
  EXPECT_EQ(rate->calls.front(), "down at 250,120 left captured");
  Send(WM_LBUTTONUP, 0, Point(250, 120));
  Tick();
  EXPECT_FALSE(gui->EntryWindow());
  EXPECT_DOUBLE_EQ(plug->ParamAt(GuiTestPlug::kTime)->Value(), 750);

  RightClick(49, 178);
  HWND popup = gui->EntryWindow();
  SetWindowTextW(popup, L"900");
  SendMessageW(popup, WM_KEYDOWN, '9', 0);  // typing: active
  plug->requests.clear();
  Send(WM_RBUTTONDOWN, MK_RBUTTON, Point(300, 250));
  EXPECT_EQ(gui->Entry().GetState(), IValueEntry::EntryCancel);
  EXPECT_NE(GetCapture(), editor);  // no press
  Tick();
  EXPECT_FALSE(IsWindow(popup));
  EXPECT_DOUBLE_EQ(plug->ParamAt(GuiTestPlug::kTime)->Value(), 750);
  // The control reports its value once more, outside any gesture.
  EXPECT_EQ(plug->requests, (std::vector<std::string>{Automate(1, plug->ParamAt(GuiTestPlug::kTime)->ToNormalized(750))}));

  RightClick(49, 178);
  SendMessageW(gui->EntryWindow(), WM_KEYDOWN, '1', 0);
  SetFocus(editor);
  EXPECT_EQ(gui->Entry().GetState(), IValueEntry::EntryIdle);
  Close();
}

// A list parameter opens a drop-down list below the control's centre, 36
// pixels an item and one more (936 for 25 items), the value's item chosen.
// Picking an item and pressing Enter applies it at the next tick.
TEST_F(EditorWindow, ValueList) {
  AddProbes();
  ASSERT_TRUE(Open());
  CreationLog log;
  RightClick(249, 124);
  HWND popup = gui->EntryWindow();
  ASSERT_TRUE(popup);
  const CreatedWindow* made = log.Last(L"ComboBox");
  ASSERT_TRUE(made);
  EXPECT_EQ(made->style, 0x50000003u);
  EXPECT_EQ(made->parent, editor);
  EXPECT_EQ(made->menu, reinterpret_cast<HMENU>(99));
  EXPECT_EQ(IBounds(made->x, made->y, made->x + made->width, made->y + made->height),
            IBounds(249 - 24, 124, 249 + 24, 124 + 936));  // "d10": 8 x 3 + 24 wide
  EXPECT_EQ(PopupBounds().left, 249 - 24);
  EXPECT_EQ(PopupBounds().top, 124);
  EXPECT_EQ(SendMessageW(popup, CB_GETCOUNT, 0, 0), 25);
  EXPECT_EQ(SendMessageW(popup, CB_GETCURSEL, 0, 0), 9);

  SendMessageW(popup, WM_KEYDOWN, VK_DOWN, 0);
  SendMessageW(popup, WM_KEYDOWN, VK_RETURN, 0);
  EXPECT_EQ(gui->Entry().GetState(), IValueEntry::EntryCommit);
  Tick();
  EXPECT_FALSE(gui->EntryWindow());
  EXPECT_DOUBLE_EQ(plug->ParamAt(GuiTestPlug::kRate)->Value(), 10);

  // The list's own selection notice commits too.
  RightClick(249, 124);
  popup = gui->EntryWindow();
  SendMessageW(popup, CB_SETCURSEL, 3, 0);
  SendMessageW(popup, WM_COMMAND, MAKEWPARAM(0, 1), 0);
  EXPECT_EQ(gui->Entry().GetState(), IValueEntry::EntryCommit);
  Tick();
  EXPECT_DOUBLE_EQ(plug->ParamAt(GuiTestPlug::kRate)->Value(), 3);
}

// Text entry over an editable text control: style from its alignment,
// editability and mask, its font; Enter commits the text, a right press
// cancels and keeps the old text.
TEST_F(EditorWindow, TextEntry) {
  IFontSpec bold("Arial", 18, IRgba(255, 0, 0, 0), IFontSpec::kBold, IFontSpec::kAlignRight);
  auto* field = new IEditableTextControl(plug.get(), IBounds(10, 10, 200, 40), bold, "name");
  IFontSpec italic("Arial", 12, IRgba(255, 0, 0, 0), IFontSpec::kItalic, IFontSpec::kAlignCentre);
  auto* secret = new IEditableTextControl(plug.get(), IBounds(10, 50, 200, 80), italic, "pw");
  secret->SetMasked(true);
  secret->SetEditable(false);
  gui->AddControl(field);
  gui->AddControl(secret);
  ASSERT_TRUE(Open());
  CreationLog log;

  Send(WM_LBUTTONDOWN, MK_LBUTTON, Point(20, 20));
  Send(WM_LBUTTONUP, 0, Point(20, 20));
  HWND popup = gui->EntryWindow();
  ASSERT_TRUE(popup);
  EXPECT_EQ(log.Last(L"Edit")->style, static_cast<DWORD>(WS_CHILD | WS_VISIBLE | ES_RIGHT | ES_MULTILINE));
  EXPECT_EQ(PopupBounds(), IBounds(10, 10, 200, 40));
  LOGFONTW lf = {};
  GetObjectW(reinterpret_cast<HFONT>(SendMessageW(popup, WM_GETFONT, 0, 0)), sizeof lf, &lf);
  EXPECT_EQ(lf.lfHeight, 18);
  EXPECT_EQ(lf.lfWeight, FW_BOLD);
  EXPECT_FALSE(lf.lfItalic);
  MSG enter = {popup, WM_KEYDOWN, VK_RETURN, 0, 0, {0, 0}};
  EXPECT_TRUE(SendMessageW(popup, WM_GETDLGCODE, VK_RETURN, reinterpret_cast<LPARAM>(&enter)) & DLGC_WANTALLKEYS);
  SetWindowTextW(popup, L"new name");
  SendMessageW(popup, WM_KEYDOWN, VK_RETURN, 0);
  Tick();
  EXPECT_EQ(field->Text(), "new name");

  Send(WM_LBUTTONDOWN, MK_LBUTTON, Point(20, 60));
  Send(WM_LBUTTONUP, 0, Point(20, 60));
  popup = gui->EntryWindow();
  ASSERT_TRUE(popup);
  EXPECT_EQ(log.Last(L"Edit")->style,
            static_cast<DWORD>(WS_CHILD | WS_VISIBLE | ES_CENTER | ES_READONLY | ES_PASSWORD));
  GetObjectW(reinterpret_cast<HFONT>(SendMessageW(popup, WM_GETFONT, 0, 0)), sizeof lf, &lf);
  EXPECT_EQ(lf.lfHeight, 12);
  EXPECT_TRUE(lf.lfItalic);
  Send(WM_RBUTTONDOWN, MK_RBUTTON, Point(300, 200));
  Tick();
  EXPECT_FALSE(gui->EntryWindow());
  EXPECT_EQ(secret->Text(), "pw");
  EXPECT_TRUE(plug->requests.empty());
}

}  // namespace
