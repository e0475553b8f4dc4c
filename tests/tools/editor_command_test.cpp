// The plug-in's editor as a host opens it: the built module in
// `quillmere-host editor`, driven by scripts of real input, its log of host
// requests and its screenshots compared with the editor drawn headless in
// the same state; and two editors of the module opened and closed while
// another thread processes audio.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <sstream>
#include <thread>

#include "gfx/Bitmap.h"
#include "gfx/PngDecode.h"
#include "gui/IControl.h"
#include "gui/IGui.h"
#include "gui/IValueEntry.h"
#include "tests/gui/WindowTestSupport.h"
#include "tools/editor/EditorSession.h"
#include "tools/editor/EditorShots.h"
#include "tools/host/Cli.h"
#include "tools/host/Platform.h"
#include "tools/host/VstHost.h"

using P = CLS_QUILLMERE::Param;

namespace {

std::string ModulePath() { return qmhost::ExecutableDirectory() + QM_MODULE_NAME; }
std::string OutputPath(const std::string& name) { return qmhost::ExecutableDirectory() + "editor-command-" + name; }

// A run of the editor command: the lines of its log by script step, and its
// pictures.
struct EditorRun {
  int code = -1;
  std::string output, errors;
  std::map<int, std::vector<std::string>> steps;  // step number -> its request lines

  // The requests a step caused ("begin 5", "automate 5 0.250000", "end 5").
  const std::vector<std::string>& Step(int n) { return steps[n]; }
  // Those of steps from to to, in order: what an input and the wait after
  // it caused (the editor applies some of it at its next timer tick).
  std::vector<std::string> Steps(int from, int to) {
    std::vector<std::string> all;
    for (int n = from; n <= to; ++n) all.insert(all.end(), steps[n].begin(), steps[n].end());
    return all;
  }
};

EditorRun RunEditor(const std::string& name, const std::vector<std::string>& script,
              const std::vector<std::string>& options = {}) {
  const std::string path = OutputPath(name + ".txt");
  std::FILE* f = std::fopen(path.c_str(), "wb");
  for (const std::string& line : script) std::fprintf(f, "%s\n", line.c_str());
  std::fclose(f);
  std::vector<std::string> args = {"editor", ModulePath(), "--script", path};
  args.insert(args.end(), options.begin(), options.end());
  std::ostringstream out, err;
  EditorRun run;
  run.code = qmhost::RunCommandLine(args, out, err);
  run.output = out.str();
  run.errors = err.str();
  std::istringstream lines(run.output);
  int step = 0;
  for (std::string line; std::getline(lines, line);) {
    if (line.compare(0, 5, "step ") == 0) {
      step = std::atoi(line.c_str() + 5);
      run.steps[step];
    } else if (step > 0 && line.compare(0, 2, "  ") == 0 && line.find("screenshot") == std::string::npos) {
      run.steps[step].push_back(line.substr(2));
    }
  }
  return run;
}

// The value of an "automate I V" line.
double AutomatedValue(const std::string& line) { return std::atof(line.c_str() + line.rfind(' ') + 1); }

std::unique_ptr<BitmapBase> Picture(const std::string& name) {
  return std::unique_ptr<BitmapBase>(DecodePngFile(OutputPath(name).c_str()));
}

// Pixels that differ (colour only), and the box around them.
int Differences(BitmapBase& a, BitmapBase& b, IBounds* box = nullptr) {
  if (a.Width() != b.Width() || a.Height() != b.Height()) return -1;
  int n = 0;
  IBounds around;
  for (int y = 0; y < a.Height(); ++y) {
    for (int x = 0; x < a.Width(); ++x) {
      const uint32_t pa = a.Pixels()[y * a.RowPixels() + x], pb = b.Pixels()[y * b.RowPixels() + x];
      if ((pa & 0xFFFFFFu) == (pb & 0xFFFFFFu)) continue;
      ++n;
      around = around.Union(IBounds(x, y, x + 1, y + 1));
    }
  }
  if (box) *box = around;
  return n;
}

// The editor drawn headless after set, as the render tool draws it.
std::unique_ptr<PixelBitmap> Headless(const std::function<void(qmeditor::EditorSession&)>& set) {
  qmeditor::EditorSession session;
  set(session);
  IGui* gui = session.Gui();
  gui->Redraw(IBounds(0, 0, gui->Width(), gui->Height()));
  auto copy = std::make_unique<PixelBitmap>(gui->Width(), gui->Height(), 4);
  for (int y = 0; y < gui->Height(); ++y)
    for (int x = 0; x < gui->Width(); ++x)
      copy->Pixels()[y * copy->RowPixels() + x] = gui->Canvas()->Pixels()[y * gui->Canvas()->RowPixels() + x];
  return copy;
}

std::unique_ptr<PixelBitmap> HeadlessShot(const char* name) {
  for (const qmeditor::EditorShot& shot : qmeditor::EditorShots())
    if (std::string(shot.name) == name) return Headless(shot.set);
  return nullptr;
}

// The control bound to a parameter in the built-in effect's editor.
IControl* ControlOf(IGui* gui, int param) {
  for (int i = 0; i < gui->NControls(); ++i)
    if (gui->ControlAt(i)->ParamIdx() == param) return gui->ControlAt(i);
  return nullptr;
}

// What the window shows is what the editor draws headless, pixel for pixel:
// as opened, and after a click on "Host Sync", which the host hears as one
// gesture on "Host Sync" holding one on the new "Delay Time".
TEST(EditorCommand, ShowsWhatTheHeadlessEditorDraws) {
  EditorRun run = RunEditor("host-sync", {"screenshot " + OutputPath("opened.png"), "click 314 104", "wait 300",
                                          "screenshot " + OutputPath("host-sync-clicked.png")});
  ASSERT_EQ(run.code, 0) << run.errors;
  const std::vector<std::string>& click = run.Step(2);
  ASSERT_EQ(click.size(), 6u) << run.output;
  EXPECT_EQ(click[0], "begin 2");
  EXPECT_EQ(click[1], "automate 2 0.000000");
  EXPECT_EQ(click[2], "begin 1");
  EXPECT_EQ(click[4], "end 1");
  EXPECT_EQ(click[5], "end 2");
  qmeditor::EditorSession session;
  session.Gui()->HandleMouseDown(314, 104, IModKeys(true, false, false, false, false));
  ASSERT_GE(session.requests.size(), 4u);
  EXPECT_NEAR(AutomatedValue(click[3]), AutomatedValue(session.requests[3]), 1e-6);

  auto opened = Picture("opened.png");
  auto clicked = Picture("host-sync-clicked.png");
  ASSERT_TRUE(opened && clicked);
  EXPECT_EQ(Differences(*opened, *HeadlessShot("default")), 0);
  EXPECT_EQ(Differences(*clicked, *HeadlessShot("host-sync-clicked")), 0);
  // The other knob and its text show.
  IBounds changed;
  EXPECT_GT(Differences(*opened, *clicked, &changed), 0);
  EXPECT_TRUE(changed.Overlaps(IBounds(216, 83, 282, 165)));
}

// A drag up raises a knob in one gesture; with shift ten times finer; a
// double click brings back the value it opened with.
TEST(EditorCommand, KnobDragsAndDoubleClick) {
  EditorRun run = RunEditor("drags", {"drag 49 166 0 -20", "drag 49 166 0 -20 shift", "dblclick 49 166"});
  ASSERT_EQ(run.code, 0) << run.errors;
  auto rise = [&](int step) {
    const std::vector<std::string>& lines = run.Step(step);
    EXPECT_GE(lines.size(), 3u);
    if (lines.size() < 3) return 0.0;
    EXPECT_EQ(lines.front(), "begin 5");
    EXPECT_EQ(lines.back(), "end 5");
    for (size_t i = 1; i + 1 < lines.size(); ++i) EXPECT_EQ(lines[i].compare(0, 11, "automate 5 "), 0) << lines[i];
    return AutomatedValue(lines[lines.size() - 2]) - AutomatedValue(lines[1]);
  };
  const double coarse = rise(1), fine = rise(2);
  EXPECT_GT(coarse, 0.05);
  EXPECT_NEAR(fine, coarse / 10, coarse / 40);
  const std::vector<std::string>& dbl = run.Step(3);
  ASSERT_FALSE(dbl.empty());
  EXPECT_EQ(dbl.back(), "end 5");
  EXPECT_NEAR(AutomatedValue(dbl[dbl.size() - 2]), 0.25, 1e-6);  // "Offset Left" opens at 25 %
}

// A right press on a knob opens the edit box centred on it at its size;
// 250 and Enter apply at the next tick; a left press elsewhere commits, a
// right press cancels.
TEST(EditorCommand, TypedValues) {
  EditorRun run = RunEditor("typed", {"set 2 0", "wait 300", "screenshot " + OutputPath("typed-before.png"),
                                      "rclick 249 116", "wait 300", "screenshot " + OutputPath("typed-open.png"),
                                      "type 250", "key enter", "wait 300", "screenshot " + OutputPath("typed-after.png"),
                                      "rclick 249 116", "type 300", "click 400 265", "wait 300", "rclick 249 116",
                                      "type 999", "rclick 400 265", "wait 300"});
  ASSERT_EQ(run.code, 0) << run.errors;

  // Where the box is: the pixels the pop-up changed.
  qmeditor::EditorSession session;
  session.SetParameter(P::kHostSync, 0.0f);
  IGui* gui = session.Gui();
  IValueEntry entry;
  ASSERT_TRUE(LayoutValueEntry(ControlOf(gui, P::kDelayTime), session.Effect().ParamAt(P::kDelayTime), true, &entry));
  auto before = Picture("typed-before.png");
  auto open = Picture("typed-open.png");
  ASSERT_TRUE(before && open);
  IBounds box;
  EXPECT_GT(Differences(*before, *open, &box), 0);
  EXPECT_EQ(box, entry.bounds);
  EXPECT_EQ(entry.bounds.H(), 16);

  // Enter: one gesture with the typed value, at the tick after it.
  EXPECT_TRUE(run.Step(7).empty());  // typing
  const std::vector<std::string> enter = run.Steps(8, 9);
  ASSERT_GE(enter.size(), 3u) << run.output;
  EXPECT_EQ(enter[0], "begin 1");
  EXPECT_EQ(enter[2], "end 1");
  auto after = Picture("typed-after.png");
  ASSERT_TRUE(after);
  EXPECT_EQ(Differences(*after, *Headless([](qmeditor::EditorSession& s) {
              s.SetParameter(P::kHostSync, 0.0f);
              IGui* g = s.Gui();
              g->SetValueFromEntry(ControlOf(g, P::kDelayTime), s.Effect().ParamAt(P::kDelayTime), "250");
            })),
            0);

  // A left press elsewhere commits 300; a right press cancels 999.
  const std::vector<std::string> left = run.Steps(13, 14);
  ASSERT_GE(left.size(), 3u) << run.output;
  EXPECT_EQ(left[0], "begin 1");
  EXPECT_EQ(left[2], "end 1");
  const double at300 = AutomatedValue(left[1]);
  EXPECT_NE(at300, AutomatedValue(enter[1]));
  // The third press reports the value as it is; the cancel applies nothing.
  for (const std::string& line : run.Steps(15, 18)) {
    if (line.compare(0, 9, "automate ") == 0) {
      EXPECT_NEAR(AutomatedValue(line), at300, 1e-6);
    }
  }
  for (const std::string& line : run.Steps(17, 18)) EXPECT_EQ(line.compare(0, 9, "automate "), 0) << line;
}

// "Delay Rate" opens its list; an item picked with the mouse is applied.
TEST(EditorCommand, ValueListPick) {
  // The list drops below the field (the field is 24 high, its items 16).
  EditorRun run = RunEditor("list", {"rclick 249 116", "click 249 128", "click 249 200", "wait 300"});
  ASSERT_EQ(run.code, 0) << run.errors;
  const std::vector<std::string> pick = run.Steps(3, 4);
  ASSERT_GE(pick.size(), 3u) << run.output;
  EXPECT_EQ(pick[0], "begin 0");
  EXPECT_EQ(pick[2], "end 0");
  EXPECT_NEAR(AutomatedValue(pick[1]), 3.0 / 24, 1e-6);  // the fourth item
}

// The wheel: one begin, the end half a second later; a turn of half a
// notch (delta 60) reports the value unchanged.
TEST(EditorCommand, WheelGesture) {
  EditorRun run = RunEditor("wheel", {"wheel 109 166 1", "wait 1500", "wheel 109 166 0.5", "wait 1500", "key enter"});
  ASSERT_EQ(run.code, 0) << run.errors;
  ASSERT_EQ(run.Step(1).size(), 2u) << run.output;
  EXPECT_EQ(run.Step(1)[0], "begin 6");
  EXPECT_EQ(run.Step(2), (std::vector<std::string>{"end 6"}));
  ASSERT_EQ(run.Step(3).size(), 2u) << run.output;
  EXPECT_EQ(run.Step(3)[0], "begin 6");
  EXPECT_EQ(run.Step(3)[1], run.Step(1)[1]);  // the same value
  EXPECT_EQ(run.Step(4), (std::vector<std::string>{"end 6"}));
  EXPECT_TRUE(run.Step(5).empty());  // Enter reaches no control
}

// Two editors of the module: one stays open and working while the other
// opens and closes 200 times, and a third thread processes audio and
// automates. Nothing is left of the closed windows: no window, no GDI
// object, no timer.
TEST(EditorCommandStress, TwoEditorsOpenCloseWhileProcessing) {
  qmhost::VstHost a, b;
  ASSERT_EQ(a.Load(ModulePath()), qmhost::LoadStatus::Ok) << a.Error();
  ASSERT_EQ(b.Load(ModulePath()), qmhost::LoadStatus::Ok) << b.Error();
  ASSERT_TRUE(a.Open() && b.Open());
  ASSERT_TRUE(a.Resume(qmhost::Precision::Double));
  HWND frameA = wintest::MakeFrame(), frameB = wintest::MakeFrame();
  AEffect* effect = a.Effect();

  std::atomic<bool> stop(false);
  std::thread audio([&] {
    std::vector<double> l(256), r(256);
    double* io[2] = {l.data(), r.data()};
    for (int i = 0; !stop; ++i) {
      effect->processDoubleReplacing(effect, io, io, 256);
      effect->setParameter(effect, P::kFeedback, float(i % 100) / 100.0f);
    }
  });

  auto cycle = [&] {
    ASSERT_EQ(a.Dispatch(effEditOpen, 0, 0, frameA), 1);
    HWND editor = GetWindow(frameA, GW_CHILD);
    ASSERT_TRUE(editor);
    SendMessageW(editor, WM_TIMER, 2, 0);
    SendMessageW(editor, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(232, 208));  // "Feedback"
    wintest::Pump();
    ASSERT_EQ(a.Dispatch(effEditClose), 1);
    EXPECT_FALSE(IsWindow(editor));
    EXPECT_FALSE(KillTimer(editor, 2));
  };
  cycle();  // the first opening makes what stays (images, fonts)
  ASSERT_EQ(b.Dispatch(effEditOpen, 0, 0, frameB), 1);
  HWND editorB = GetWindow(frameB, GW_CHILD);
  // The system keeps device contexts for painting, as many as the windows
  // that paint need: with two editors, a few more (Wine: 2 DCs with their
  // bitmaps and regions), made once.
  for (int i = 0; i < 2; ++i) cycle();
  const int gdi = wintest::LiveGdiObjects();
  const int windows = wintest::ThreadWindowCount();
  for (int i = 0; i < 200; ++i) cycle();
  EXPECT_EQ(wintest::LiveGdiObjects(), gdi);
  EXPECT_EQ(wintest::ThreadWindowCount(), windows);
  stop = true;
  audio.join();

  // The other editor still works.
  b.ClearEvents();
  SendMessageW(editorB, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(314, 104));
  SendMessageW(editorB, WM_LBUTTONUP, 0, MAKELPARAM(314, 104));
  const std::vector<qmhost::HostEvent> events = b.Events();
  ASSERT_FALSE(events.empty());
  EXPECT_EQ(events.front().kind, qmhost::HostEvent::BeginEdit);
  EXPECT_EQ(events.front().index, P::kHostSync);
  EXPECT_EQ(b.Dispatch(effEditClose), 1);
  // Every gesture of the closed editor ended.
  int open = 0;
  for (const qmhost::HostEvent& e : a.Events()) {
    if (e.kind == qmhost::HostEvent::BeginEdit) ++open;
    if (e.kind == qmhost::HostEvent::EndEdit) --open;
  }
  EXPECT_EQ(open, 0);
  DestroyWindow(frameA);
  DestroyWindow(frameB);
  wintest::Pump();
}

}  // namespace
