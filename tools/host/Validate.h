#pragma once
// quillmere-host validate: checks any VST 2 module against what hosts expect
// of it, and against what hostile hosts do to it. Each check gives one line:
// PASS, FAIL, SKIP (it does not apply, with the reason) or INFO (measured and
// reported, never failing).
//
// The checks, in the order they run, are listed by ValidationChecks(); each
// lives in a Validate*.cpp file with the helpers they share in
// ValidateSupport.h.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "tools/host/VstHost.h"

namespace qmhost {

enum class CheckStatus { Pass, Fail, Skip, Info };
const char* CheckStatusText(CheckStatus status);  // "PASS", "FAIL", "SKIP", "INFO"

// What one check found. A check passes unless it calls Fail; Skip and Info
// set the status only while nothing failed.
class CheckReport {
public:
  static constexpr size_t kMaxDetails = 8;

  CheckStatus Status() const { return mStatus; }
  // The summary; for a failed check, its first failure.
  const std::string& Summary() const { return mStatus == CheckStatus::Fail ? mFirstFailure : mSummary; }
  // Up to kMaxDetails lines (a failed check's first failure not repeated),
  // then how many more there were.
  std::vector<std::string> Details() const;

  void Fail(const std::string& detail);
  void Skip(const std::string& reason);
  void Info(const std::string& summary);
  void SetSummary(const std::string& summary) { mSummary = summary; }
  // A detail line that does not change the status (shown with --verbose
  // unless the check failed).
  void Note(const std::string& detail);
  int Failures() const { return mFailures; }

private:
  CheckStatus mStatus = CheckStatus::Pass;
  std::string mSummary;
  std::string mFirstFailure;
  std::vector<std::string> mDetails;
  size_t mMoreDetails = 0;
  int mFailures = 0;
};

// A check ends early (as a failure) by throwing this.
struct CheckAbort {
  std::string reason;
};

// The module under test and how to make instances of it.
class ValidationTarget {
public:
  explicit ValidationTarget(std::string path) : mPath(std::move(path)) {}
  const std::string& Path() const { return mPath; }

  // A new instance, loaded and opened (effOpen, rate, block size), not yet
  // resumed. Throws CheckAbort when the module does not give one.
  std::unique_ptr<VstHost> NewInstance(double rate = 44100.0, int block = 512) const;

  // Whether two fresh instances fed the same input give the same output,
  // bit for bit (found out once). Checks that compare instances need it.
  bool Deterministic() const;

private:
  std::string mPath;
  mutable int mDeterministic = -1;
};

struct ValidationCheck {
  const char* name;   // for --check
  const char* title;  // what it checks, for --list
  void (*run)(const ValidationTarget& target, CheckReport& report);
};
const std::vector<ValidationCheck>& ValidationChecks();

// The checks, one function each (Validate*.cpp).
void CheckRecord(const ValidationTarget& target, CheckReport& report);
void CheckIdentity(const ValidationTarget& target, CheckReport& report);
void CheckParamTexts(const ValidationTarget& target, CheckReport& report);
void CheckParamRange(const ValidationTarget& target, CheckReport& report);
void CheckParamTextRoundTrip(const ValidationTarget& target, CheckReport& report);
void CheckPrograms(const ValidationTarget& target, CheckReport& report);
void CheckProgramNames(const ValidationTarget& target, CheckReport& report);
void CheckStateRoundTrip(const ValidationTarget& target, CheckReport& report);
void CheckStateDamaged(const ValidationTarget& target, CheckReport& report);
void CheckProcessing(const ValidationTarget& target, CheckReport& report);
void CheckAutomation(const ValidationTarget& target, CheckReport& report);
void CheckLongCalls(const ValidationTarget& target, CheckReport& report);
void CheckMainsAndRates(const ValidationTarget& target, CheckReport& report);
void CheckHostileTime(const ValidationTarget& target, CheckReport& report);
void CheckInstances(const ValidationTarget& target, CheckReport& report);
void CheckThreads(const ValidationTarget& target, CheckReport& report);
void CheckEditor(const ValidationTarget& target, CheckReport& report);
void CheckAllocations(const ValidationTarget& target, CheckReport& report);

}  // namespace qmhost
