// The Linux editor window on a real X server (Xvfb in the test run), as
// hosts reach it: through the module's entry point in the command-line
// host, its editor command and its scripts of real input events.
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

// The scripted scenarios, each with the host's idle calls and without: the
// editor runs on its own thread either way. Each gesture begins once and
// ends once.
class Scenario : public ::testing::TestWithParam<bool> {};

TEST_P(Scenario, ExpectedRequests) {
  REQUIRE_DISPLAY();
  for (const char* name : {"host-sync.txt", "double-click.txt", "double-click-button.txt", "drag-outside.txt",
                           "type-value.txt", "list.txt", "wheel.txt"}) {
    const std::string script = ScriptPath(name);
    const CliRun r = RunScript(script, GetParam());
    ASSERT_EQ(r.code, 0) << name << ": " << r.err << r.out;
    const std::vector<std::string> requests = Requests(r.out);
    EXPECT_TRUE(ContainsRun(requests, Expected(script))) << name << ":\n" << r.out;
    for (int i = 0; i < 14; ++i) {
      EXPECT_EQ(Count(requests, "begin " + std::to_string(i)), Count(requests, "end " + std::to_string(i)))
          << name << " parameter " << i << ":\n" << r.out;
    }
  }
}

// A drag up raises "Freq Left"; with Shift the same drag moves it ten times
// less.
TEST_P(Scenario, KnobDragAndFineDrag) {
  REQUIRE_DISPLAY();
  const CliRun r = RunScript(ScriptPath("knob-drag.txt"), GetParam());
  ASSERT_EQ(r.code, 0) << r.err << r.out;
  const std::vector<std::string> requests = Requests(r.out);
  EXPECT_EQ(Count(requests, "begin 6"), 2) << r.out;
  EXPECT_EQ(Count(requests, "end 6"), 2) << r.out;
  const std::vector<double> v = Automated(requests, kFreqLeft);
  ASSERT_GE(v.size(), 4u) << r.out;
  // The first gesture's values, then the second's.
  size_t split = 0;
  int ends = 0;
  for (size_t i = 0, a = 0; i < requests.size(); ++i) {
    if (requests[i] == "end 6" && ++ends == 1) split = a;
    if (requests[i].rfind("automate 6 ", 0) == 0) ++a;
  }
  const double start = 0.158511, coarse = v[split - 1] - start, fine = v.back() - v[split - 1];
  EXPECT_GT(coarse, 0.1) << r.out;
  EXPECT_NEAR(fine * 10.0, coarse, coarse * 0.05) << r.out;
}

INSTANTIATE_TEST_SUITE_P(EditorWindowThreads, Scenario, ::testing::Values(true, false),
                         [](const ::testing::TestParamInfo<bool>& info) { return info.param ? "Idle" : "NoIdle"; });

// What the window shows is the headless render of the same state, pixel for
// pixel: as opened, after the host switched Host Sync off and moved every
// knob (the editor follows automation by itself), and after a real click on
// a button.
TEST(EditorWindow, ScreenshotsEqualHeadlessRenders) {
  REQUIRE_DISPLAY();
  const std::string dir = TestOutputPath("window-shots");
  std::ostringstream quiet;
  ASSERT_TRUE(qmeditor::RenderShots(dir + "/headless", quiet, quiet)) << quiet.str();
  const int knobs[] = {0, 1, 3, 5, 6, 7, 9, 10, 11};
  {
    // The last state rendered here: the knobs at 0.5 and Direction Left
    // clicked.
    qmeditor::EditorSession session;
    for (int p : knobs) session.SetParameter(p, 0.5f);
    session.Gui()->HandleMouseDown(33, 104, IModKeys(true, false, false, false, false));
    session.Gui()->HandleMouseUp(33, 104, IModKeys());
    session.Gui()->Redraw(IBounds(0, 0, kWidth, kHeight));
    ASSERT_TRUE(EncodePngFile(session.Gui()->Canvas(), (dir + "/headless/clicked.png").c_str()));
  }
  const std::string script = dir + "/shots.txt";
  {
    std::ofstream out(script);
    out << "screenshot " << dir << "/default.png\n"
        << "set 2 0\n"
        << "screenshot " << dir << "/host-sync-off.png\n"
        << "set 2 1\n";
    for (int p : knobs) out << "set " << p << " 0.5\n";
    out << "screenshot " << dir << "/knobs-50.png\n"
        << "click 33 104\n"
        << "screenshot " << dir << "/clicked.png\n";
  }
  const CliRun r = RunScript(script, false);
  ASSERT_EQ(r.code, 0) << r.err << r.out;
  for (const char* shot : {"default", "host-sync-off", "knobs-50", "clicked"}) {
    const qmeditor::PictureDifference d = qmeditor::ComparePictures(
        dir + "/" + shot + ".png", dir + "/headless/" + shot + ".png", std::vector<IBounds>());
    ASSERT_TRUE(d.loaded) << shot;
    EXPECT_EQ(d.width, kWidth);
    EXPECT_EQ(d.height, kHeight);
    EXPECT_EQ(d.differing, 0) << shot << ": differs in " << d.box.left << "," << d.box.top << " - " << d.box.right
                              << "," << d.box.bottom;
  }
}

}  // namespace
