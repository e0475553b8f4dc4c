// The Linux editor window's threads on a real X server (Xvfb in the test
// run): closing while a drag reports and audio runs, two editors at once and
// module reloads, reopening, the host's wheel and bad parents, the dialogs.
#include <gtest/gtest.h>

#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <random>
#include <sstream>
#include <thread>

#include "tests/TestOutputPath.h"
#include "tests/tools/EditorWindowSupport.h"
#include "tests/tools/TestModules.h"
#include "tests/tools/XClient.h"
#include "gfx/PngEncode.h"
#include "gui/IControl.h"
#include "gui/IGuiX11.h"
#include "tools/editor/EditorSession.h"
#include "tools/editor/EditorShots.h"
#include "tools/editor/PictureCompare.h"
#include "tools/host/Cli.h"
#include "tools/host/VstHost.h"

namespace {

using namespace edwin;

// Closing while a knob drag reports to the plug-in and the audio thread
// processes, 200 times with the drag reaching the editor: the close never
// waits for ever (a watchdog ends the run), leaves no gesture open at the
// host, and leaves no window, thread, connection or shared memory segment
// behind. On a loaded machine the press sometimes does not reach the editor
// before the close; such rounds still check the close but do not count.
TEST(EditorWindowThreads, CloseWhileDraggingAndProcessing) {
  REQUIRE_DISPLAY();
  xtest::XClient x;
  ASSERT_TRUE(x.Open());
  const unsigned long parent = x.MakeWindow(20, 20, kWidth, kHeight);
  OpenPlugin plug;
  ASSERT_TRUE(plug.Load());
  AEffect* e = plug.effect;

  std::atomic<bool> stop{false};
  std::thread audio([&] {
    std::vector<double> l(256, 0.1), r(256, -0.1);
    double* io[2] = {l.data(), r.data()};
    while (!stop) e->processDoubleReplacing(e, io, io, 256);
  });
  // The watchdog: a close that hangs ends the test run with a message.
  std::atomic<int> round{0};
  std::atomic<bool> done{false};
  std::thread watchdog([&] {
    int last = -1;
    auto since = Clock::now();
    while (!done) {
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
      if (round != last) {
        last = round;
        since = Clock::now();
      } else if (Clock::now() - since > std::chrono::seconds(60)) {
        std::fprintf(stderr, "round %d of the close test has not ended in 60 s: the close hangs\n", last);
        std::abort();
      }
    }
  });

  // One open and close first: what a process holds once the X library is
  // set up.
  ASSERT_EQ(plug.Dispatch(effEditOpen, 0, 0, plug.Parent(parent)), 1);
  plug.Dispatch(effEditClose);
  const int files = xtest::OpenFiles(), threads = xtest::Threads(), segments = xtest::SharedMemorySegments();

  std::mt19937 random(12);
  int reached = 0, i = 0;
  // A press that never arrives (not a slow machine) ends the rounds early.
  for (; reached < 200 && i < 300 && !(i == 50 && reached == 0); ++i) {
    round = i;
    plug.host.ClearEvents();
    ASSERT_EQ(plug.Dispatch(effEditOpen, 0, 0, plug.Parent(parent)), 1) << i;
    ASSERT_EQ(x.Children(parent), 1) << i;
    x.MoveTo(parent, kFreqLeftX, kFreqLeftY);
    x.Button(1, true);
    x.Sync();
    // The drag reports until the window is gone.
    std::atomic<bool> dragging{true};
    std::thread mover([&] {
      for (int step = 0; dragging; ++step) {
        x.MoveTo(parent, kFreqLeftX, kFreqLeftY - step % 60);
        std::this_thread::sleep_for(std::chrono::microseconds(300));
      }
    });
    WaitFor([&] { return !plug.host.Events().empty(); }, 2000);
    std::this_thread::sleep_for(std::chrono::microseconds(random() % 20000));
    plug.Dispatch(effEditClose);
    dragging = false;
    mover.join();
    x.Button(1, false);
    x.Sync();

    const std::vector<qmhost::HostEvent> events = plug.host.Events();
    int begins = 0, ends = 0;
    for (const qmhost::HostEvent& ev : events) {
      begins += ev.kind == qmhost::HostEvent::BeginEdit;
      ends += ev.kind == qmhost::HostEvent::EndEdit;
    }
    if (begins > 0) ++reached;  // else the press never reached the editor this time
    EXPECT_EQ(begins, ends) << "round " << i;
    EXPECT_EQ(x.Children(parent), 0) << "round " << i;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
    EXPECT_EQ(plug.host.Events().size(), events.size()) << "requests after the close, round " << i;
  }
  EXPECT_EQ(xtest::Threads(), threads);
  EXPECT_EQ(xtest::OpenFiles(), files);
  EXPECT_EQ(xtest::SharedMemorySegments(), segments);
  done = true;
  watchdog.join();
  stop = true;
  audio.join();
  EXPECT_EQ(reached, 200) << "the drag reached the editor in only " << reached << " of " << i << " rounds";
  x.DestroyWindow(parent);
}

// Two plug-ins with their editors open at once, each taking its own clicks;
// the module unloaded and loaded again with an editor opened each time
// (under LeakSanitizer, nothing of either stays behind).
TEST(EditorWindowThreads, TwoEditorsAtOnceAndModuleReloads) {
  REQUIRE_DISPLAY();
  xtest::XClient x;
  ASSERT_TRUE(x.Open());
  for (int load = 0; load < 2; ++load) {
    const unsigned long left = x.MakeWindow(0, 0, kWidth, kHeight);
    const unsigned long right = x.MakeWindow(kWidth + 20, 0, kWidth, kHeight);
    OpenPlugin a, b;
    ASSERT_TRUE(a.Load());
    ASSERT_TRUE(b.Load());
    ASSERT_EQ(a.Dispatch(effEditOpen, 0, 0, a.Parent(left)), 1);
    ASSERT_EQ(b.Dispatch(effEditOpen, 0, 0, b.Parent(right)), 1);
    a.host.ClearEvents();
    b.host.ClearEvents();
    const float directionA = a.host.GetParam(4), directionB = b.host.GetParam(4);
    x.MoveTo(left, 314, 104);  // Host Sync of the first
    x.Button(1, true);
    x.Button(1, false);
    x.MoveTo(right, 33, 104);  // Direction Left of the second
    x.Button(1, true);
    x.Button(1, false);
    x.Sync();
    EXPECT_TRUE(WaitFor([&] { return a.host.Events().size() >= 3 && b.host.Events().size() >= 3; }, 3000));
    EXPECT_FLOAT_EQ(a.host.GetParam(kHostSync), 0.0f);
    EXPECT_FLOAT_EQ(b.host.GetParam(kHostSync), 1.0f);
    EXPECT_FLOAT_EQ(a.host.GetParam(4), directionA);  // Direction Left
    EXPECT_FLOAT_EQ(b.host.GetParam(4), 1.0f - directionB);
    a.Dispatch(effEditClose);
    // The second closes with its plug-in, without effEditClose.
    a.host.Unload();
    b.host.Unload();
    EXPECT_EQ(x.Children(left), 0);
    EXPECT_EQ(x.Children(right), 0);
    x.DestroyWindow(left);
    x.DestroyWindow(right);
  }
}

// Opening again while open replaces the window and keeps its place in the
// parent.
TEST(EditorWindowThreads, OpeningAgainKeepsThePlace) {
  REQUIRE_DISPLAY();
  xtest::XClient x;
  ASSERT_TRUE(x.Open());
  const unsigned long parent = x.MakeWindow(0, 0, kWidth + 40, kHeight + 40);
  OpenPlugin plug;
  ASSERT_TRUE(plug.Load());
  ASSERT_EQ(plug.Dispatch(effEditOpen, 0, 0, plug.Parent(parent)), 1);
  const unsigned long first = x.FirstChild(parent);
  x.Move(first, 10, 20);  // the host moved it
  ASSERT_EQ(plug.Dispatch(effEditOpen, 0, 0, plug.Parent(parent)), 1);
  ASSERT_EQ(x.Children(parent), 1);
  const unsigned long second = x.FirstChild(parent);  // a new connection's first window: maybe the same id
  int left = 0, top = 0;
  ASSERT_TRUE(x.Place(second, &left, &top));
  EXPECT_EQ(left, 10);
  EXPECT_EQ(top, 20);
  EXPECT_EQ(plug.Dispatch(effEditClose), 1);
  EXPECT_EQ(x.Children(parent), 0);
  x.DestroyWindow(parent);
}

// The host-forwarded wheel turn ('stCA'/'Whee') is the editor's only over
// the editor; a parent that is no window opens nothing; a parent destroyed
// under an open editor harms nothing.
TEST(EditorWindowThreads, HostWheelAndBadParents) {
  REQUIRE_DISPLAY();
  xtest::XClient x;
  ASSERT_TRUE(x.Open());
  const unsigned long parent = x.MakeWindow(0, 0, kWidth, kHeight);
  OpenPlugin plug;
  ASSERT_TRUE(plug.Load());
  ASSERT_EQ(plug.Dispatch(effEditOpen, 0, 0, plug.Parent(parent)), 1);
  const VstInt32 stCA = 0x73744341;
  const VstIntPtr whee = 0x57686565;
  x.MoveTo(parent, kDelayX, kDelayY + 200);  // below the editor
  x.Sync();
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  plug.host.ClearEvents();
  EXPECT_EQ(plug.Dispatch(effVendorSpecific, stCA, whee, nullptr, 1.0f), 0);  // not over the editor
  EXPECT_TRUE(plug.host.Events().empty());
  x.MoveTo(parent, kFreqLeftX, kFreqLeftY);
  x.Sync();
  // A turn of less than a notch still reaches the knob (as 0 notches); its
  // gesture ends half a second later.
  EXPECT_TRUE(WaitFor([&] { return plug.Dispatch(effVendorSpecific, stCA, whee, nullptr, 0.5f) == 1; }, 2000));
  EXPECT_TRUE(WaitFor([&] { return !plug.host.Events().empty() && plug.host.Events().back().kind == qmhost::HostEvent::EndEdit; }, 2000));
  plug.host.ClearEvents();
  EXPECT_EQ(plug.Dispatch(effVendorSpecific, stCA, whee, nullptr, 2.9f), 1);
  const std::vector<qmhost::HostEvent> events = plug.host.Events();
  ASSERT_GE(events.size(), 2u);
  EXPECT_EQ(events[0].kind, qmhost::HostEvent::BeginEdit);
  EXPECT_EQ(events[0].index, kFreqLeft);
  EXPECT_EQ(events[1].kind, qmhost::HostEvent::Automate);
  EXPECT_NEAR(events[1].value, 0.158511f + 0.02f, 1e-5f);  // 2.9 notches are 2
  plug.Dispatch(effEditClose);  // ends the wheel's gesture with the window
  EXPECT_EQ(plug.host.Events().back().kind, qmhost::HostEvent::EndEdit);

  EXPECT_EQ(plug.Dispatch(effEditOpen, 0, 0, plug.Parent(0x3fffff0)), 0);  // no such window
  EXPECT_EQ(plug.Dispatch(effEditOpen, 0, 0, nullptr), 0);

  // A host that destroys its window before it closes the editor: the
  // editor's window went with it, and the close still ends cleanly.
  ASSERT_EQ(plug.Dispatch(effEditOpen, 0, 0, plug.Parent(parent)), 1);
  x.MoveTo(parent, kFreqLeftX, kFreqLeftY);
  x.Button(1, true);
  x.Sync();
  EXPECT_TRUE(WaitFor([&] { return !plug.host.Events().empty(); }, 2000));
  x.DestroyWindow(parent);
  x.Button(1, false);
  x.Sync();
  std::this_thread::sleep_for(std::chrono::milliseconds(200));  // the editor's thread paints into nothing
  EXPECT_EQ(plug.Dispatch(effEditClose), 1);
  const std::vector<qmhost::HostEvent> after = plug.host.Events();
  EXPECT_EQ(std::count_if(after.begin(), after.end(), [](const qmhost::HostEvent& ev) { return ev.kind == qmhost::HostEvent::BeginEdit; }),
            std::count_if(after.begin(), after.end(), [](const qmhost::HostEvent& ev) { return ev.kind == qmhost::HostEvent::EndEdit; }));
}

// A control that asks the window for a colour when pressed, as a colour
// swatch would (for a file to save to on a right press), and keeps what it
// got.
class ColourSwatch : public IControl {
public:
  ColourSwatch(IPlugBase* owner, const IBounds& b) : IControl(owner, -1, b) {}
  void MouseDown(int, int, const IModKeys& mods) override {
    if (mods.right) {
      file = "take";
      Gui()->PromptFile(&file, 1, "/tmp/takes", "wav aif");
    } else {
      colour = IRgba(255, 1, 2, 3);
      chosen = Gui()->PromptColour(&colour, "Swatch");
    }
    ++asked;
  }
  bool Paint(IGui*) override { return true; }
  IRgba colour;
  bool chosen = false;
  std::string file;
  std::atomic<int> asked{0};
};

// The desktop's colour dialog (a stand-in zenity on $PATH) asked from the
// editor's own thread: the plug-in lock is free while it is up, its answer
// arrives, and closing the editor stops a dialog still up.
TEST(EditorWindowThreads, DialogsFromTheEditor) {
  REQUIRE_DISPLAY();
  namespace fs = std::filesystem;
  const fs::path bin = fs::temp_directory_path() / ("qm-dialogs-" + std::to_string(getpid()));
  fs::create_directories(bin);
  const std::string args = (bin / "args.txt").string(), zenity = (bin / "zenity").string();
  auto fakeZenity = [&](const std::string& body) {
    std::ofstream(zenity) << "#!/bin/sh\n" << body << "\n";
    fs::permissions(zenity, fs::perms::owner_all);
  };
  const std::string oldPath = std::getenv("PATH") ? std::getenv("PATH") : "";
  setenv("PATH", (bin.string() + ":" + oldPath).c_str(), 1);

  xtest::XClient x;
  ASSERT_TRUE(x.Open());
  const unsigned long parent = x.MakeWindow(0, 0, kWidth, kHeight);
  qmeditor::EditorSession session;
  auto* gui = dynamic_cast<IGuiX11*>(session.Gui());
  ASSERT_NE(gui, nullptr);
  auto* swatch = new ColourSwatch(&session.Effect(), IBounds(460, 250, 490, 280));
  gui->AddControl(swatch);
  ASSERT_EQ(session.Dispatch(effEditOpen, 0, 0, reinterpret_cast<void*>(static_cast<uintptr_t>(parent))), 1);
  EXPECT_TRUE(gui->UsesSharedMemory());  // Xvfb offers MIT-SHM

  fakeZenity("echo \"$@\" > '" + args + "'; /bin/sleep 1; echo 'rgb(10,20,30)'");
  x.MoveTo(parent, 475, 265);
  x.Button(1, true);
  x.Button(1, false);
  x.Sync();
  ASSERT_TRUE(WaitFor([&] { return fs::exists(args); }, 5000));
  const auto before = Clock::now();
  session.SetParameter(kFreqLeft, 0.5f);  // takes the plug-in lock
  EXPECT_LT(Clock::now() - before, std::chrono::milliseconds(500)) << "the lock is held while the dialog is up";
  ASSERT_TRUE(WaitFor([&] { return swatch->asked == 1; }, 5000));
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  session.Dispatch(effEditClose);  // joins the thread: what it wrote is seen
  EXPECT_TRUE(swatch->chosen);
  EXPECT_EQ(swatch->colour.R, 10);
  EXPECT_EQ(swatch->colour.G, 20);
  EXPECT_EQ(swatch->colour.B, 30);
  EXPECT_EQ(swatch->colour.A, 255);
  EXPECT_EQ(ReadFile(args), "--color-selection --color=rgb(1,2,3) --title=Swatch\n");

  // Saving: the first extension is added to a name without one.
  fs::remove(args);
  fakeZenity("echo \"$@\" > '" + args + "'; echo /tmp/takes/new");
  ASSERT_EQ(session.Dispatch(effEditOpen, 0, 0, reinterpret_cast<void*>(static_cast<uintptr_t>(parent))), 1);
  x.MoveTo(parent, 475, 265);
  x.Button(3, true);
  x.Button(3, false);
  x.Sync();
  ASSERT_TRUE(WaitFor([&] { return swatch->asked == 2; }, 5000));
  session.Dispatch(effEditClose);
  EXPECT_EQ(swatch->file, "/tmp/takes/new.wav");
  EXPECT_EQ(ReadFile(args), "--file-selection --title=Select audio sample --save --confirm-overwrite "
                            "--filename=/tmp/takes/take --file-filter=*.wav *.aif\n");

  // No zenity: kdialog's answer (the path changes while no editor thread
  // runs).
  fs::remove(zenity);
  const std::string kdialog = (bin / "kdialog").string();
  std::ofstream(kdialog) << "#!/bin/sh\necho \"$@\" > '" << args << "'; echo '#0a141e'\n";
  fs::permissions(kdialog, fs::perms::owner_all);
  setenv("PATH", bin.c_str(), 1);
  ASSERT_EQ(session.Dispatch(effEditOpen, 0, 0, reinterpret_cast<void*>(static_cast<uintptr_t>(parent))), 1);
  std::this_thread::sleep_for(std::chrono::milliseconds(500));  // past a double click
  x.MoveTo(parent, 475, 265);
  x.Button(1, true);
  x.Button(1, false);
  x.Sync();
  ASSERT_TRUE(WaitFor([&] { return swatch->asked == 3; }, 5000));
  session.Dispatch(effEditClose);
  EXPECT_TRUE(swatch->chosen);
  EXPECT_EQ(swatch->colour.G, 20);
  EXPECT_EQ(ReadFile(args), "--getcolor --default #010203 --title Swatch\n");
  fs::remove(kdialog);
  setenv("PATH", (bin.string() + ":" + oldPath).c_str(), 1);

  fs::remove(args);
  fakeZenity("echo started > '" + args + "'; exec /bin/sleep 30");
  ASSERT_EQ(session.Dispatch(effEditOpen, 0, 0, reinterpret_cast<void*>(static_cast<uintptr_t>(parent))), 1);
  std::this_thread::sleep_for(std::chrono::milliseconds(500));  // past a double click
  x.MoveTo(parent, 475, 265);
  x.Button(1, true);
  x.Button(1, false);
  x.Sync();
  ASSERT_TRUE(WaitFor([&] { return fs::exists(args); }, 5000));
  const auto closing = Clock::now();
  session.Dispatch(effEditClose);
  EXPECT_LT(Clock::now() - closing, std::chrono::seconds(5)) << "the close waited for the dialog";
  EXPECT_EQ(swatch->asked, 4);
  EXPECT_FALSE(swatch->chosen);
  EXPECT_EQ(swatch->colour.R, 1);

  setenv("PATH", oldPath.c_str(), 1);
  fs::remove_all(bin);
  x.DestroyWindow(parent);
}

}  // namespace
