// The Linux editor window's services that reach outside it, without a
// window: the folders, and the browser started without a shell (a stand-in
// opener on $PATH records what it was given).
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "gui/IGuiX11.h"
#include "gui/LinuxProcess.h"
#include "tests/gui/GuiTestSupport.h"

namespace {

namespace fs = std::filesystem;

std::string ThisFolder() {
  return fs::canonical("/proc/self/exe").parent_path().string() + "/";
}

// A folder of stand-in programs put first on $PATH for the test's life.
class FakePrograms {
public:
  FakePrograms() : mDir(fs::temp_directory_path() / ("qm-fake-" + std::to_string(getpid()))) {
    fs::create_directories(mDir);
    const char* path = std::getenv("PATH");
    mOldPath = path ? path : "";
    setenv("PATH", mDir.c_str(), 1);  // nothing else: missing programs stay missing
  }
  ~FakePrograms() {
    setenv("PATH", mOldPath.c_str(), 1);
    std::error_code ec;
    fs::remove_all(mDir, ec);
  }
  // A shell script program (the fake's own interpreter, not ours).
  void Add(const std::string& name, const std::string& body) {
    const fs::path p = mDir / name;
    std::ofstream(p) << "#!/bin/sh\n" << body << "\n";
    fs::permissions(p, fs::perms::owner_all);
  }
  std::string File(const std::string& name) const { return (mDir / name).string(); }

private:
  fs::path mDir;
  std::string mOldPath;
};

std::string ReadWhenThere(const std::string& path) {
  for (int i = 0; i < 200; ++i) {
    std::ifstream in(path);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (!text.empty() && text.back() == '\n') return text;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return std::string();
}

using LinuxServices = guitest::EditorTest;

// The folders end in '/'; the module is the program here (the window's code
// is linked in).
TEST_F(LinuxServices, Folders) {
  IGuiX11 window(plug.get(), 498, 285, 0);
  std::string host = "x", module = "x";
  window.HostFolder(&host);
  window.ModuleFolder(&module);
  EXPECT_EQ(host, ThisFolder());
  EXPECT_EQ(module, ThisFolder());
  window.HostFolder(nullptr);  // nowhere to write: nothing happens
}

// The address reaches the opener as one argument, spaces and shell
// characters and all; an address that looks like an option is refused; no
// opener, no success. Without a window no dialog is shown: no file, no
// colour, and no confirmation (so nothing is opened).
TEST_F(LinuxServices, AddressesAndDialogsWithoutAWindow) {
  FakePrograms fake;
  IGuiX11 window(plug.get(), 498, 285, 0);
  EXPECT_FALSE(window.OpenAddress("https://tolvane.example/q", "quillmere", nullptr, nullptr));  // no opener

  const std::string log = fake.File("opened.txt");
  fake.Add("xdg-open", "printf '%s|%s\\n' \"$#\" \"$1\" > '" + log + "'");
  const char* address = "https://tolvane.example/a b;echo 'x'";
  EXPECT_TRUE(window.OpenAddress(address, "quillmere", nullptr, nullptr));
  EXPECT_EQ(ReadWhenThere(log), std::string("1|") + address + "\n");
  EXPECT_FALSE(window.OpenAddress("--help", "quillmere", nullptr, nullptr));
  EXPECT_FALSE(window.OpenAddress("", "quillmere", nullptr, nullptr));
  EXPECT_FALSE(window.OpenAddress(nullptr, nullptr, nullptr, nullptr));

  fake.Add("zenity", "echo rgb(1,2,3); echo /tmp/chosen.wav");
  EXPECT_FALSE(window.OpenAddress("https://tolvane.example/q", "quillmere", "Open the site?", nullptr));
  std::string file = "given.wav";
  window.PromptFile(&file, 0, "/tmp", "wav aif");
  EXPECT_EQ(file, "");
  IRgba colour(255, 9, 9, 9);
  EXPECT_FALSE(window.PromptColour(&colour, "Colour"));
  EXPECT_EQ(colour.R, 9);
}

// The helpers themselves: programs found on $PATH, output collected, exit
// statuses passed on, and a program stopped when the stop descriptor is
// ready.
TEST(LinuxProcess, FindRunAndStop) {
  FakePrograms fake;
  fake.Add("speak", "echo \"$2\"; exit 3");
  fake.Add("sleepy", "exec /bin/sleep 30");
  EXPECT_EQ(FindProgram("speak"), fake.File("speak"));
  EXPECT_EQ(FindProgram("no-such-program"), "");
  std::string out;
  EXPECT_EQ(RunForOutput(FindProgram("speak"), {"a", "b c"}, &out, -1), 3);
  EXPECT_EQ(out, "b c\n");
  EXPECT_EQ(RunForOutput("", {}, &out, -1), -1);

  int stop[2];
  ASSERT_EQ(pipe(stop), 0);
  std::thread stopper([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    (void)!write(stop[1], "x", 1);
  });
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(RunForOutput(FindProgram("sleepy"), {}, &out, stop[0]), -1);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
  stopper.join();
  close(stop[0]);
  close(stop[1]);
  EXPECT_FALSE(StartDetached("", {}));
  EXPECT_FALSE(StartDetached(fake.File("missing"), {}));
}

}  // namespace
