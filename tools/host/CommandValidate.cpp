// quillmere-host validate: runs the validation checks on a module and prints
// one line per check, then the result.
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <thread>

#include "tools/host/AllocationCount.h"
#include "tools/host/CliCommand.h"
#include "tools/host/Platform.h"
#include "tools/host/Validate.h"

namespace qmhost {

namespace {

constexpr int kNameWidth = 22;

// Ends the process with a failure line when a check does not finish in time:
// a module that hangs must not hang the validation (or CI) with it.
class Watchdog {
public:
  Watchdog() : mThread([this] { Watch(); }) {}
  ~Watchdog() {
    {
      std::lock_guard<std::mutex> lock(mLock);
      mQuit = true;
    }
    mWake.notify_all();
    mThread.join();
  }
  void Arm(const std::string& message, double seconds) {
    std::lock_guard<std::mutex> lock(mLock);
    mMessage = message;
    mDeadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(static_cast<long long>(seconds * 1e3));
    mArmed = true;
    mWake.notify_all();
  }
  void Disarm() {
    std::lock_guard<std::mutex> lock(mLock);
    mArmed = false;
  }

private:
  void Watch() {
    std::unique_lock<std::mutex> lock(mLock);
    while (!mQuit) {
      if (!mArmed) {
        mWake.wait(lock);
        continue;
      }
      if (mWake.wait_until(lock, mDeadline) == std::cv_status::timeout && mArmed &&
          std::chrono::steady_clock::now() >= mDeadline) {
        std::fwrite(mMessage.data(), 1, mMessage.size(), stdout);
        std::fflush(stdout);
        std::_Exit(kExitInvalid);
      }
    }
  }

  std::mutex mLock;
  std::condition_variable mWake;
  std::string mMessage;
  std::chrono::steady_clock::time_point mDeadline;
  bool mArmed = false;
  bool mQuit = false;
  std::thread mThread;
};

std::string Padded(const std::string& name) {
  return name.size() < kNameWidth ? name + std::string(kNameWidth - name.size(), ' ') : name + " ";
}

int ListChecks(std::ostream& out) {
  for (const ValidationCheck& check : ValidationChecks()) out << "  " << Padded(check.name) << check.title << "\n";
  return kExitOk;
}

}  // namespace

int CommandValidate(Options& o, std::ostream& out) {
  if (o.listChecks) {
    if (!o.positional.empty()) throw UsageError("usage: quillmere-host validate --list");
    return ListChecks(out);
  }
  ExpectPositional(o, 1, "validate MODULE [--check NAMES] [--timeout S] [--verbose]");
  std::vector<const ValidationCheck*> selected;
  for (const ValidationCheck& check : ValidationChecks()) {
    bool wanted = o.checks.empty();
    for (const std::string& name : o.checks) wanted = wanted || name == check.name;
    if (wanted) selected.push_back(&check);
  }
  for (const std::string& name : o.checks) {
    bool known = false;
    for (const ValidationCheck& check : ValidationChecks()) known = known || name == check.name;
    if (!known) throw UsageError("no check named \"" + name + "\" (quillmere-host validate --list names them)");
  }

  // The module must load at all; otherwise the usual exit codes.
  ValidationTarget target(o.positional[0]);
  std::string effectName;
  {
    VstHost host;
    LoadModule(host, target.Path());
    host.Open();
    effectName = host.EffectName();
  }
  out << "validate " << QuoteText(effectName) << " (" << target.Path() << ")\n";
  out.flush();

  int counts[4] = {0, 0, 0, 0};
  Watchdog watchdog;
  for (const ValidationCheck* check : selected) {
    const std::string prefix = std::string(CheckStatusText(CheckStatus::Fail)) + "  " + Padded(check->name);
    const std::string ending = "result: FAIL (the module ended the validation)\n";
    ArmCrashReport(prefix + "the module crashed (", ")\n" + ending, kExitInvalid);
    watchdog.Arm(prefix + Format("no end within %.0f s (the module hangs or is far too slow)\n", o.timeout) + ending,
                 o.timeout);
    CheckReport report;
    const auto start = std::chrono::steady_clock::now();
    try {
      check->run(target, report);
    } catch (const CheckAbort& abort) {
      report.Fail(abort.reason);
    } catch (const std::exception& e) {
      report.Fail(std::string("exception: ") + e.what());
    }
    watchdog.Disarm();
    DisarmCrashReport();
    ++counts[static_cast<int>(report.Status())];
    const bool failed = report.Status() == CheckStatus::Fail;
    out << CheckStatusText(report.Status()) << "  " << Padded(check->name) << report.Summary();
    if (o.verbose) out << Format(" (%.1f s)", std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    out << "\n";
    if (failed || o.verbose) {
      for (const std::string& detail : report.Details()) out << "      " << detail << "\n";
    }
    out.flush();
  }
  const bool ok = counts[static_cast<int>(CheckStatus::Fail)] == 0;
  out << Format("result: %s (%d passed, %d failed, %d skipped, %d reported)\n", ok ? "PASS" : "FAIL",
                counts[static_cast<int>(CheckStatus::Pass)], counts[static_cast<int>(CheckStatus::Fail)],
                counts[static_cast<int>(CheckStatus::Skip)], counts[static_cast<int>(CheckStatus::Info)]);
  return ok ? kExitOk : kExitInvalid;
}

}  // namespace qmhost
