// The Windows editor window with real window messages: its class and place,
// painting, the message table, typed entry pop-ups, closing with work in
// progress, and what it holds of the system's windows and GDI objects.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "gfx/Bitmap.h"
#include "gui/IEditableTextControl.h"
#include "gui/IGuiWin.h"
#include "tests/gui/GuiTestSupport.h"
#include "tests/gui/WindowTestSupport.h"

#include <dlgs.h>  // after windows.h

using namespace guitest;
using namespace wintest;

namespace {

// A control that records what reaches it, with whether the editor window
// held the mouse capture at that moment.
class Probe : public IControl {
public:
  Probe(IPlugBase* owner, int param, const IBounds& bounds) : IControl(owner, param, bounds) {}
  std::vector<std::string> calls;

  void MouseDown(int x, int y, const IModKeys& m) override {
    Note("down", x, y, m);
    IControl::MouseDown(x, y, m);
  }
  void MouseUp(int x, int y, const IModKeys& m) override { Note("up", x, y, m); }
  void MouseDragged(int x, int y, int dx, int dy, const IModKeys& m) override {
    Note("drag " + std::to_string(dx) + " " + std::to_string(dy), x, y, m);
  }
  void MouseDoubleClicked(int x, int y, const IModKeys& m) override { Note("double", x, y, m); }
  void WheelTurned(int x, int y, const IModKeys& m, int notches) override {
    Note("wheel " + std::to_string(notches), x, y, m);
    IControl::WheelTurned(x, y, m, notches);
  }
  void KeyPressed(int x, int y, int key) override { calls.push_back("key " + std::to_string(key) + Where(x, y)); }
  bool Paint(IGui* gui) override { return gui->FillBounds(IRgba(255, 200, 40, 40), mBounds, nullptr); }

private:
  std::string Where(int x, int y) { return " at " + std::to_string(x) + "," + std::to_string(y); }
  void Note(const std::string& what, int x, int y, const IModKeys& m) {
    HWND window = static_cast<HWND>(Gui()->WindowHandle());
    std::string text = what + Where(x, y);
    if (m.left) text += " left";
    if (m.right) text += " right";
    if (m.shift) text += " shift";
    if (m.control) text += " control";
    if (window && GetCapture() == window) text += " captured";
    calls.push_back(text);
  }
};

// A plug-in that says it runs in the host that does not pass the keyboard on.
class FocusPlug : public GuiTestPlug {
public:
  int GetHostType() override { return 25; }
};

class EditorWindow : public ::testing::Test {
protected:
  void SetUp() override {
    frame = MakeFrame();
    plug = std::make_unique<GuiTestPlug>();
    gui = new IGuiWin(plug.get(), 498, 285, 0);
  }
  void TearDown() override {
    if (!plug->Editor()) delete gui;
    plug.reset();
    DestroyWindow(frame);
    Pump();
    EXPECT_EQ(IGuiWin::ClassUseCount(), 0);
    EXPECT_EQ(IGuiWin::LiveEntryFonts(), 0);
  }

  // A probe bound to "Delay Time" at (23, 140)-(75, 216), one to "Delay
  // Rate" at (216, 83)-(282, 165), and a ground that takes no mouse.
  void AddProbes() {
    gui->AddControl(new Probe(plug.get(), -1, IBounds(0, 0, 0, 0)));
    time = new Probe(plug.get(), GuiTestPlug::kTime, IBounds(23, 140, 75, 216));
    rate = new Probe(plug.get(), GuiTestPlug::kRate, IBounds(216, 83, 282, 165));
    gui->AddControl(time);
    gui->AddControl(rate);
  }
  HWND Open() {
    plug->AttachEditor(gui);
    AEffect* e = plug->Effect();
    if (!e->dispatcher(e, effEditOpen, 0, 0, frame, 0)) return nullptr;
    editor = static_cast<HWND>(gui->WindowHandle());
    return editor;
  }
  void Close() {
    AEffect* e = plug->Effect();
    e->dispatcher(e, effEditClose, 0, 0, nullptr, 0);
    Pump();
  }
  LRESULT Send(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
    return SendMessageW(editor, message, wParam, lParam);
  }
  void Tick(int n = 1) {
    for (int i = 0; i < n; ++i) Send(WM_TIMER, IGuiWin::kTimerId);
  }
  // A right press and release on a control: opens its entry.
  void RightClick(int x, int y) {
    Send(WM_RBUTTONDOWN, MK_RBUTTON, Point(x, y));
    Send(WM_RBUTTONUP, 0, Point(x, y));
  }
  // The pop-up's place in editor coordinates.
  IBounds PopupBounds() {
    RECT r;
    GetWindowRect(gui->EntryWindow(), &r);
    MapWindowPoints(nullptr, editor, reinterpret_cast<POINT*>(&r), 2);
    return IBounds(r.left, r.top, r.right, r.bottom);
  }

  HWND frame = nullptr;
  HWND editor = nullptr;
  std::unique_ptr<GuiTestPlug> plug;
  IGuiWin* gui = nullptr;
  Probe* time = nullptr;
  Probe* rate = nullptr;
};

// The window: its class, name, style and place; two editors share the
// class, the last one to close unregisters it; reopening replaces the
// window at the old one's place and size.
TEST_F(EditorWindow, ClassPlaceAndReopening) {
  AddProbes();
  ASSERT_TRUE(Open());
  wchar_t text[64];
  GetClassNameW(editor, text, 64);
  EXPECT_STREQ(text, L"IPlugWndClass");
  GetWindowTextW(editor, text, 64);
  EXPECT_STREQ(text, L"IPlug");
  EXPECT_EQ(GetWindowLongW(editor, GWL_STYLE) & ~WS_CLIPSIBLINGS, WS_CHILD | WS_VISIBLE);
  EXPECT_EQ(GetWindowLongW(editor, GWL_EXSTYLE), 0);
  EXPECT_EQ(GetClassLongPtrW(editor, GCL_STYLE), static_cast<ULONG_PTR>(CS_DBLCLKS));
  EXPECT_EQ(GetClassLongPtrW(editor, GCLP_HBRBACKGROUND), 0u);
  EXPECT_EQ(GetParent(editor), frame);
  RECT r;
  GetWindowRect(editor, &r);
  MapWindowPoints(nullptr, frame, reinterpret_cast<POINT*>(&r), 2);
  EXPECT_EQ(IBounds(r.left, r.top, r.right, r.bottom), IBounds(0, 0, 498, 285));
  EXPECT_EQ(IGuiWin::ClassUseCount(), 1);

  // A second plug-in's editor in a frame of its own.
  HWND frame2 = MakeFrame();
  GuiTestPlug plug2;
  IGuiWin* gui2 = new IGuiWin(&plug2, 200, 100, 0);
  gui2->AddControl(new Probe(&plug2, -1, IBounds(0, 0, 200, 100)));
  plug2.AttachEditor(gui2);
  HWND editor2 = static_cast<HWND>(gui2->OpenEditorWindow(frame2));
  ASSERT_TRUE(editor2);
  EXPECT_EQ(IGuiWin::ClassUseCount(), 2);
  gui2->CloseEditorWindow();
  EXPECT_FALSE(IsWindow(editor2));
  WNDCLASSW wc;
  EXPECT_TRUE(GetClassInfoW(gui->Module(), L"IPlugWndClass", &wc));
  // The first editor still works.
  Send(WM_LBUTTONDOWN, MK_LBUTTON, Point(30, 150));
  Send(WM_LBUTTONUP, 0, Point(30, 150));
  EXPECT_EQ(plug->requests.front(), "begin 1");
  DestroyWindow(frame2);

  // Moved and resized by the host, then opened again.
  MoveWindow(editor, 10, 20, 300, 200, TRUE);
  HWND old = editor;
  ASSERT_TRUE(gui->OpenEditorWindow(frame));
  editor = static_cast<HWND>(gui->WindowHandle());
  EXPECT_NE(editor, old);
  EXPECT_FALSE(IsWindow(old));
  GetWindowRect(editor, &r);
  MapWindowPoints(nullptr, frame, reinterpret_cast<POINT*>(&r), 2);
  EXPECT_EQ(IBounds(r.left, r.top, r.right, r.bottom), IBounds(10, 20, 310, 220));
  EXPECT_EQ(IGuiWin::ClassUseCount(), 1);

  // The timer runs as id 2 (it goes with the window).
  EXPECT_TRUE(KillTimer(editor, IGuiWin::kTimerId));
  Close();
  EXPECT_FALSE(IsWindow(editor));
  EXPECT_FALSE(GetClassInfoW(gui->Module(), L"IPlugWndClass", &wc));
  EXPECT_FALSE(gui->IsWindowOpen());
  // A parent that is no window: no window, and the class is not left behind.
  EXPECT_EQ(gui->OpenEditorWindow(nullptr), nullptr);
  EXPECT_EQ(IGuiWin::ClassUseCount(), 0);
}

// The timer's tick paints the dirty area: the window shows the canvas. An
// editor without controls validates what it is asked to paint.
TEST_F(EditorWindow, PaintsTheCanvasAndNeverPaintsForEver) {
  AddProbes();
  ASSERT_TRUE(Open());
  Tick();
  const std::vector<uint32_t> shown = WindowPixels(editor, 498, 285);
  ASSERT_EQ(shown.size(), 498u * 285u);
  BitmapBase* canvas = gui->Canvas();
  int differing = 0;
  for (int y = 0; y < 285; ++y)
    for (int x = 0; x < 498; ++x) differing += shown[y * 498 + x] != (At(*canvas, x, y) & 0xFFFFFFu);
  EXPECT_EQ(differing, 0);
  EXPECT_EQ(At(*canvas, 30, 150) & 0xFFFFFFu, 0xC82828u);  // the probe's fill
  Close();

  GuiTestPlug bare;
  IGuiWin* empty = new IGuiWin(&bare, 100, 100, 0);
  bare.AttachEditor(empty);
  HWND window = static_cast<HWND>(empty->OpenEditorWindow(frame));
  ASSERT_TRUE(window);
  InvalidateRect(window, nullptr, FALSE);
  EXPECT_LE(Pump(window, 200), 1);
  RECT r;
  EXPECT_FALSE(GetUpdateRect(window, &r, FALSE));
  empty->CloseEditorWindow();
}

// Presses capture the mouse before the control sees them, releases free it
// first; drags need a button and the capture; a right press with no pop-up
// is a press; a double click goes to the control.
TEST_F(EditorWindow, MouseMessages) {
  AddProbes();
  ASSERT_TRUE(Open());
  Send(WM_MOUSEMOVE, 0, Point(40, 160));  // no button: nothing
  Send(WM_LBUTTONDOWN, MK_LBUTTON | MK_SHIFT, Point(40, 160));
  EXPECT_EQ(GetCapture(), editor);
  Send(WM_MOUSEMOVE, MK_LBUTTON, Point(40, 150));
  Send(WM_MOUSEMOVE, MK_LBUTTON, Point(-30, 600));  // outside: still the pressed control
  Send(WM_LBUTTONUP, 0, Point(-30, 600));
  EXPECT_EQ(GetCapture(), nullptr);
  Send(WM_MOUSEMOVE, MK_LBUTTON, Point(45, 150));  // the capture is gone
  Send(WM_LBUTTONDBLCLK, MK_LBUTTON | MK_CONTROL, Point(41, 161));
  Send(WM_LBUTTONUP, 0, Point(41, 161));
  const std::vector<std::string> expected = {
      "down at 40,160 left shift captured", "drag 0 -10 at 40,150 left captured",
      "drag -70 450 at -30,600 left captured", "up at -30,600",
      "double at 41,161 left control", "up at 41,161"};
  EXPECT_EQ(time->calls, expected);
  EXPECT_EQ(plug->Requests("begin"), (std::vector<std::string>{"begin 1", "begin 1"}));
  EXPECT_EQ(plug->Requests("end"), (std::vector<std::string>{"end 1", "end 1"}));

  // A right press on a bound control captures too, and opens its entry.
  Send(WM_RBUTTONDOWN, MK_RBUTTON, Point(250, 120));
  EXPECT_EQ(rate->calls.front(), "down at 250,120 right captured");
  EXPECT_TRUE(gui->EntryWindow());
  Send(WM_RBUTTONUP, 0, Point(250, 120));
  EXPECT_EQ(GetCapture(), nullptr);
  // A right double click opens no second entry.
  EXPECT_EQ(DefWindowProcW(editor, WM_RBUTTONDBLCLK, MK_RBUTTON, Point(250, 120)),
            Send(WM_RBUTTONDBLCLK, MK_RBUTTON, Point(250, 120)));
  EXPECT_EQ(rate->calls.size(), 2u);
}

// Keys go to the control under the cursor with their codes; keys outside
// the mapping reach no control.
TEST_F(EditorWindow, Keys) {
  AddProbes();
  ASSERT_TRUE(Open());
  POINT p = {30, 150};
  ClientToScreen(editor, &p);
  ASSERT_TRUE(SetCursorPos(p.x, p.y));
  for (WPARAM vk : {WPARAM('A'), WPARAM(VK_NUMPAD1), WPARAM(VK_F1), WPARAM(VK_SPACE), WPARAM('7'), WPARAM(VK_RETURN),
                    WPARAM(VK_ESCAPE), WPARAM(VK_TAB), WPARAM(VK_F12)}) {
    Send(WM_KEYDOWN, vk, 0);
  }
  EXPECT_EQ(time->calls, (std::vector<std::string>{"key 16 at 30,150", "key 16 at 30,150", "key 31 at 30,150",
                                                   "key 0 at 30,150", "key 13 at 30,150"}));
  EXPECT_TRUE(plug->requests.empty());
}

// The wheel: screen coordinates, notches truncated toward zero (a turn of
// less than one still reaches the control), one gesture that ends half a
// second of ticks after the last notch, or when the window closes.
TEST_F(EditorWindow, WheelGestures) {
  AddProbes();
  ASSERT_TRUE(Open());
  POINT p = {30, 150};
  ClientToScreen(editor, &p);
  Send(WM_MOUSEWHEEL, MAKEWPARAM(0, 60), Point(p.x, p.y));
  Send(WM_MOUSEWHEEL, MAKEWPARAM(MK_SHIFT, static_cast<WORD>(-240)), Point(p.x, p.y));
  EXPECT_EQ(time->calls, (std::vector<std::string>{"wheel 0 at 30,150", "wheel -2 at 30,150 shift"}));
  EXPECT_EQ(plug->Requests("begin").size(), 1u);
  EXPECT_EQ(plug->Requests("automate").size(), 2u);  // the unchanged value too
  Tick(11);
  EXPECT_TRUE(plug->Requests("end").empty());
  Tick();
  EXPECT_EQ(plug->Requests("end"), (std::vector<std::string>{"end 1"}));

  // Outside the controls: nothing.
  plug->requests.clear();
  POINT outside = {400, 260};
  ClientToScreen(editor, &outside);
  Send(WM_MOUSEWHEEL, MAKEWPARAM(0, 120), Point(outside.x, outside.y));
  EXPECT_TRUE(plug->requests.empty());

  // The host's forwarded wheel at the cursor ('stCA' 'Whee').
  AEffect* e = plug->Effect();
  SetCursorPos(p.x, p.y);
  EXPECT_EQ(e->dispatcher(e, effVendorSpecific, 0x73744341, 0x57686565, nullptr, 1.9f), 1);
  EXPECT_EQ(time->calls.back(), "wheel 1 at 30,150");
  SetCursorPos(outside.x + 300, outside.y + 300);  // off the editor
  EXPECT_EQ(e->dispatcher(e, effVendorSpecific, 0x73744341, 0x57686565, nullptr, 1.0f), 0);

  // Closing within the half second still ends the gesture.
  Close();
  EXPECT_EQ(plug->Requests("begin").size(), 1u);
  EXPECT_EQ(plug->Requests("end").size(), 1u);
}

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

// Closing with a committed entry not yet applied applies it; with an entry
// being typed into drops it; with the mouse captured ends the press; every
// gesture the host saw begin it also sees end.
TEST_F(EditorWindow, ClosingLosesNothingAndLeavesNoGestureOpen) {
  AddProbes();
  ASSERT_TRUE(Open());
  RightClick(49, 178);
  SetWindowTextW(gui->EntryWindow(), L"1234");
  SendMessageW(gui->EntryWindow(), WM_KEYDOWN, VK_RETURN, 0);
  Close();
  EXPECT_DOUBLE_EQ(plug->ParamAt(GuiTestPlug::kTime)->Value(), 1234);
  EXPECT_FALSE(gui->EntryWindow());

  ASSERT_TRUE(Open());
  RightClick(49, 178);
  SetWindowTextW(gui->EntryWindow(), L"99");
  SendMessageW(gui->EntryWindow(), WM_KEYDOWN, '9', 0);
  // Pressed on "Delay Rate" with the pop-up open: a commit, and a press.
  Send(WM_LBUTTONDOWN, MK_LBUTTON, Point(250, 120));
  Send(WM_MOUSEMOVE, MK_LBUTTON, Point(250, 100));
  ASSERT_EQ(GetCapture(), editor);
  Close();
  EXPECT_DOUBLE_EQ(plug->ParamAt(GuiTestPlug::kTime)->Value(), 99);
  EXPECT_EQ(rate->calls.back(), "up at 250,100");
  EXPECT_EQ(gui->CaptureIndex(), -1);
  EXPECT_EQ(plug->Requests("begin").size(), plug->Requests("end").size());

  // The mouse taken away by another window during a press ends it too.
  ASSERT_TRUE(Open());
  plug->requests.clear();
  Send(WM_LBUTTONDOWN, MK_LBUTTON, Point(40, 160));
  SetCapture(frame);
  EXPECT_EQ(plug->requests.back(), "end 1");
  EXPECT_EQ(gui->CaptureIndex(), -1);
  ReleaseCapture();
  Close();
  EXPECT_EQ(plug->Requests("begin").size(), plug->Requests("end").size());
}

// A host that destroys its frame before closing the editor: the editor
// notices, and opens again later.
TEST_F(EditorWindow, FrameDestroyedFirst) {
  AddProbes();
  ASSERT_TRUE(Open());
  RightClick(49, 178);
  DestroyWindow(frame);
  EXPECT_FALSE(gui->IsWindowOpen());
  EXPECT_FALSE(gui->EntryWindow());
  EXPECT_EQ(IGuiWin::ClassUseCount(), 0);
  Close();
  frame = MakeFrame();
  ASSERT_TRUE(Open());
  Tick();
  EXPECT_TRUE(IsWindowVisible(editor));
}

// In the host that passes no keyboard on, the editor takes the focus when it
// opens and when it is clicked.
TEST(EditorWindowFocus, TakenInTheHostThatNeedsIt) {
  HWND frame = MakeFrame();
  FocusPlug plug;
  IGuiWin* gui = new IGuiWin(&plug, 100, 100, 0);
  plug.AttachEditor(gui);
  HWND editor = static_cast<HWND>(gui->OpenEditorWindow(frame));
  ASSERT_TRUE(editor);
  EXPECT_EQ(GetFocus(), editor);
  SetFocus(frame);
  EXPECT_EQ(SendMessageW(editor, WM_MOUSEACTIVATE, reinterpret_cast<WPARAM>(frame), MAKELPARAM(HTCLIENT, WM_LBUTTONDOWN)),
            MA_ACTIVATE);
  EXPECT_EQ(GetFocus(), editor);
  gui->CloseEditorWindow();
  DestroyWindow(frame);
  Pump();
}

// A thousand value pop-ups opened and committed leave the process's GDI
// objects where they were, and no window behind.
TEST_F(EditorWindow, PopupsLeaveNoGdiObjectsOrWindows) {
  AddProbes();
  ASSERT_TRUE(Open());
  // The system's first edit box and first list make what it keeps.
  for (int i = 0; i < 2; ++i) {
    RightClick(i ? 49 : 249, i ? 178 : 124);
    SendMessageW(gui->EntryWindow(), WM_KEYDOWN, VK_RETURN, 0);
    Tick();
  }
  const int gdi = LiveGdiObjects();
  const int windows = ThreadWindowCount();
  ASSERT_GT(gdi, 0);
  for (int i = 0; i < 1000; ++i) {
    RightClick(i % 2 ? 49 : 249, i % 2 ? 178 : 124);
    ASSERT_TRUE(gui->EntryWindow());
    SendMessageW(gui->EntryWindow(), WM_KEYDOWN, VK_RETURN, 0);
    Tick();
  }
  Pump();
  EXPECT_EQ(LiveGdiObjects(), gdi);
  EXPECT_EQ(ThreadWindowCount(), windows);
  EXPECT_EQ(IGuiWin::LiveEntryFonts(), 0);
}

// Folders with their trailing backslash; dialogs answer nothing while the
// window is closed; the colour chooser shows the title and keeps its
// custom colours; a declined confirmation opens nothing.
TEST_F(EditorWindow, FoldersAndDialogs) {
  wchar_t exe[MAX_PATH];
  GetModuleFileNameW(nullptr, exe, MAX_PATH);
  std::string host;
  gui->HostFolder(&host);
  ASSERT_FALSE(host.empty());
  EXPECT_EQ(host.back(), '\\');
  std::string module;
  gui->ModuleFolder(&module);
  EXPECT_EQ(module, host);  // linked into the test program

  std::string file = "old.wav";
  gui->PromptFile(&file, 0, "", "wav aif");
  EXPECT_EQ(file, "");
  IRgba colour(200, 10, 20, 30);
  EXPECT_FALSE(gui->PromptColour(&colour, "Pick"));

  AddProbes();
  ASSERT_TRUE(Open());
  {
    DialogAnswer ok(L"#32770", L"Pick a colour", [](HWND dialog) { PostMessageW(dialog, WM_COMMAND, IDOK, 0); });
    EXPECT_TRUE(gui->PromptColour(&colour, "Pick a colour"));
    EXPECT_TRUE(ok.Answered());
  }
  EXPECT_EQ(colour.Packed(), IRgba(200, 10, 20, 30).Packed());
  const COLORREF* custom = gui->CustomColours();
  ASSERT_TRUE(custom);
  {
    DialogAnswer cancel(L"#32770", L"", [](HWND dialog) { PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0); });
    IRgba other(7, 1, 2, 3);
    EXPECT_FALSE(gui->PromptColour(&other, nullptr));
    EXPECT_EQ(other.Packed(), IRgba(7, 1, 2, 3).Packed());
  }
  EXPECT_EQ(gui->CustomColours(), custom);

  {
    DialogAnswer cancel(L"#32770", L"Select audio sample",
                        [](HWND dialog) { PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0); });
    file = "old.wav";
    gui->PromptFile(&file, 0, "", "wav aif");
    EXPECT_TRUE(cancel.Answered());
    EXPECT_EQ(file, "");
  }
  {
    // The filter shows the extensions; a file named in the dialog comes back.
    std::wstring filter;
    std::string chosen = host + "editor_window_tests.exe";
    const std::wstring typed(chosen.begin(), chosen.end());
    DialogAnswer open(L"#32770", L"Select audio sample", [&](HWND dialog) {
      wchar_t text[64] = {};
      SendMessageW(GetDlgItem(dialog, cmb1), CB_GETLBTEXT, 0, reinterpret_cast<LPARAM>(text));
      filter = text;
      SetDlgItemTextW(dialog, cmb13, typed.c_str());
      SetDlgItemTextW(dialog, edt1, typed.c_str());
      PostMessageW(dialog, WM_COMMAND, IDOK, 0);
    });
    file = "old.wav";
    gui->PromptFile(&file, 0, host.c_str(), "wav aif");
    EXPECT_TRUE(open.Answered());
    EXPECT_EQ(filter, L"*.wav;*.aif");
    EXPECT_EQ(file, chosen);
  }
  {
    DialogAnswer no(L"#32770", L"Link", [](HWND box) { PostMessageW(box, WM_COMMAND, IDNO, 0); });
    EXPECT_FALSE(gui->OpenAddress("https://tolvane.example", "Link", "Open the site?", nullptr));
    EXPECT_TRUE(no.Answered());
  }
  {
    // What cannot be opened says so in the error box.
    DialogAnswer ok(L"#32770", L"Link", [](HWND box) { PostMessageW(box, WM_COMMAND, IDOK, 0); });
    EXPECT_FALSE(gui->OpenAddress("Z:\\no\\such\\file.quillmere", "Link", nullptr, "Cannot open it"));
    EXPECT_TRUE(ok.Answered());
  }
  Close();
}

}  // namespace
