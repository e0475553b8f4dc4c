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
#include "tests/gui/EditorWindowFixture.h"
#include "tests/gui/GuiTestSupport.h"
#include "tests/gui/WindowTestSupport.h"

#include <dlgs.h>  // after windows.h

using namespace guitest;
using namespace wintest;

namespace {

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
