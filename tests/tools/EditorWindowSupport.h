// What the Linux editor window's tests share: the effect's editor geometry,
// the command-line host's editor command and its request log, the scripts
// of real input events, and a plug-in opened in the host library.
#pragma once
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "tests/tools/TestModules.h"
#include "tests/tools/XClient.h"
#include "tools/host/Cli.h"
#include "tools/host/VstHost.h"

namespace edwin {

using Clock = std::chrono::steady_clock;

inline const std::string kModule = qmtest::ModulePath(QM_QUILLMERE_FILE);

// The effect's editor: where things are, and parameter indices.
constexpr int kWidth = 498, kHeight = 285;
constexpr int kFreqLeftX = 109, kFreqLeftY = 166;
constexpr int kDelayX = 249, kDelayY = 116;
constexpr int kFreqLeft = 6, kHostSync = 2;

#define REQUIRE_DISPLAY()                                  \
  do {                                                     \
    const std::string problem = xtest::DisplayProblem();   \
    if (!problem.empty()) {                                \
      if (xtest::DisplayRequired()) FAIL() << problem;     \
      GTEST_SKIP() << problem;                             \
    }                                                      \
  } while (0)

struct CliRun {
  int code;
  std::string out, err;
};

inline CliRun Cli(const std::vector<std::string>& args) {
  std::ostringstream out, err;
  const int code = qmhost::RunCommandLine(args, out, err);
  return {code, out.str(), err.str()};
}

inline std::string ReadFile(const std::string& path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// The request lines of the command's log ("begin 2", "automate 2 0.5", ...).
inline std::vector<std::string> Requests(const std::string& log) {
  std::vector<std::string> lines;
  std::istringstream in(log);
  for (std::string line; std::getline(in, line);) {
    if (line.rfind("  begin ", 0) == 0 || line.rfind("  end ", 0) == 0 || line.rfind("  automate ", 0) == 0)
      lines.push_back(line.substr(2));
  }
  return lines;
}

// The values of the automate lines for a parameter, in order.
inline std::vector<double> Automated(const std::vector<std::string>& requests, int index) {
  std::vector<double> values;
  const std::string prefix = "automate " + std::to_string(index) + " ";
  for (const std::string& r : requests)
    if (r.rfind(prefix, 0) == 0) values.push_back(std::stod(r.substr(prefix.size())));
  return values;
}

inline int Count(const std::vector<std::string>& requests, const std::string& line) {
  return static_cast<int>(std::count(requests.begin(), requests.end(), line));
}

// Whether want appears in have as one unbroken run.
inline bool ContainsRun(const std::vector<std::string>& have, const std::vector<std::string>& want) {
  if (want.empty()) return true;
  for (size_t i = 0; i + want.size() <= have.size(); ++i)
    if (std::equal(want.begin(), want.end(), have.begin() + static_cast<long>(i))) return true;
  return false;
}

inline std::string ScriptPath(const char* name) { return std::string(QM_EDITOR_SCRIPTS) + "/" + name; }

// The "#expect" lines of a script.
inline std::vector<std::string> Expected(const std::string& script) {
  std::vector<std::string> lines;
  std::istringstream in(ReadFile(script));
  for (std::string line; std::getline(in, line);)
    if (line.rfind("#expect ", 0) == 0) lines.push_back(line.substr(8));
  return lines;
}

inline CliRun RunScript(const std::string& script, bool idle) {
  std::vector<std::string> args = {"editor", kModule, "--script", script};
  if (!idle) args.push_back("--no-idle");
  return Cli(args);
}

// One plug-in opened in the host library, with its editor in a window of the
// test's own.
struct OpenPlugin {
  qmhost::VstHost host;
  AEffect* effect = nullptr;
  OpenPlugin() : host(Settings()) {}
  static qmhost::HostSettings Settings() {
    qmhost::HostSettings s;
    s.blockSize = 256;
    s.tempoValid = false;  // the audio thread reads no time info the test changes
    return s;
  }
  bool Load() {
    if (host.Load(kModule) != qmhost::LoadStatus::Ok || !host.Open() || !host.Resume(qmhost::Precision::Double))
      return false;
    effect = host.Effect();
    return true;
  }
  VstIntPtr Dispatch(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0, void* ptr = nullptr, float opt = 0) {
    return effect->dispatcher(effect, opcode, index, value, ptr, opt);
  }
  void* Parent(unsigned long window) { return reinterpret_cast<void*>(static_cast<uintptr_t>(window)); }
};

// Waits until cond holds or ms pass.
template <typename Cond>
inline bool WaitFor(Cond cond, int ms) {
  const auto until = Clock::now() + std::chrono::milliseconds(ms);
  while (!cond()) {
    if (Clock::now() > until) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return true;
}

}  // namespace edwin
