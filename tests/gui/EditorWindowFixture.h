// The Windows editor window's test fixture: a probe control that records
// what reaches it (and whether the window held the capture), and an editor
// window inside a frame, opened and closed as a host does.
#pragma once
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "gui/IGuiWin.h"
#include "tests/gui/GuiTestSupport.h"
#include "tests/gui/WindowTestSupport.h"

namespace wintest {

using guitest::GuiTestPlug;


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

}  // namespace wintest
