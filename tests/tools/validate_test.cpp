// quillmere-host validate on a module made to pass it, and on the same
// module with one fault each: every fault is found by the check meant for it,
// with a description that says what and where.
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/tools/TestModules.h"
#include "tools/host/Cli.h"
#include "tools/host/Validate.h"

namespace {

using qmhost::CheckReport;
using qmhost::CheckStatus;
using qmhost::ValidationCheck;
using qmhost::ValidationTarget;

CheckReport RunCheck(const char* module, const std::string& name) {
  ValidationTarget target(qmtest::ModulePath(module));
  CheckReport report;
  for (const ValidationCheck& check : qmhost::ValidationChecks()) {
    if (name != check.name) continue;
    try {
      check.run(target, report);
    } catch (const qmhost::CheckAbort& abort) {
      report.Fail(abort.reason);
    }
    return report;
  }
  ADD_FAILURE() << "no check " << name;
  return report;
}

// The report's summary and details as one text.
std::string Text(const CheckReport& report) {
  std::string text = report.Summary();
  for (const std::string& d : report.Details()) text += "\n" + d;
  return text;
}

TEST(Validate, AWellBehavedModulePassesEveryCheck) {
  for (const ValidationCheck& check : qmhost::ValidationChecks()) {
    CheckReport report = RunCheck(QM_SUBJECT_FILE, check.name);
    const std::string name = check.name;
    if (name == "editor") {
      EXPECT_EQ(report.Status(), CheckStatus::Skip) << Text(report);
      EXPECT_EQ(report.Summary(), "no editor (effFlagsHasEditor not set)");
    } else if (name == "allocations") {
      EXPECT_EQ(report.Status(), CheckStatus::Info) << Text(report);
    } else {
      EXPECT_EQ(report.Status(), CheckStatus::Pass) << name << ": " << Text(report);
    }
  }
}

struct FaultCase {
  const char* module;
  const char* check;
  const char* found;  // in the first failure
};

void ExpectFound(const FaultCase& c) {
  CheckReport report = RunCheck(c.module, c.check);
  EXPECT_EQ(report.Status(), CheckStatus::Fail) << c.module << " " << c.check << ": " << Text(report);
  EXPECT_NE(report.Summary().find(c.found), std::string::npos) << c.module << ": " << Text(report);
}

// Each fault found by the check meant for it (the cheapest that finds it),
// the description saying what and where.
TEST(ValidateFaults, ParametersAndPrograms) {
  ExpectFound({QM_SUBJECT_UNCLAMPED_FILE, "param-range", "parameter 0 \"Gain\": setParameter(-1) gives getParameter -1"});
  ExpectFound({QM_SUBJECT_LONG_NAMES_FILE, "program-names",
               "a 32-character name given to program 0, read back: \"abcdefghijklmnopqrstuvwxyzabcdef\" wrote 33 bytes, "
               "more than the 32 a host's buffer holds"});
  ExpectFound({QM_SUBJECT_PADS_NAMES_FILE, "param-texts", "parameter 0 \"Gain\" name: \"Gain\" wrote 100 bytes, more than the 64"});
  EXPECT_EQ(RunCheck(QM_SUBJECT_UNCLAMPED_FILE, "state-roundtrip").Status(), CheckStatus::Pass);
}

TEST(ValidateFaults, State) {
  ExpectFound({QM_SUBJECT_REJECT_CHANGES_FILE, "state-damaged",
               "bank chunk, random bytes of the same length (12 bytes): rejected, but parameter 0 changed"});
}

TEST(ValidateFaults, Output) {
  ExpectFound({QM_SUBJECT_SUBNORMAL_FILE, "automation", "float with automation, 96000 frames: "});
  ExpectFound({QM_SUBJECT_PAST_END_FILE, "long-calls", "samples written past the call's frames"});
  ExpectFound({QM_SUBJECT_LEAVES_LAST_FILE, "long-calls", "samples left unwritten"});
  ExpectFound({QM_SUBJECT_WRITES_INPUT_FILE, "automation", "float with automation, 96000 frames: 6000 input samples changed"});
  // Where it says what was found.
  CheckReport subnormal = RunCheck(QM_SUBJECT_SUBNORMAL_FILE, "automation");
  EXPECT_NE(Text(subnormal).find("noise at the smallest normal float: subnormal at channel"), std::string::npos)
      << Text(subnormal);
  EXPECT_EQ(Text(subnormal).find("double"), std::string::npos) << "double outputs are flushed";
}

// The whole grid of rates, blocks and precisions, on a fault only its
// highest rate shows.
TEST(ValidateFaults, OutputAtOneRate) {
  ExpectFound({QM_SUBJECT_NAN_AT_192K_FILE, "processing", "float 192000 Hz block 1, 240000 frames: 480000 NaN samples"});
}

TEST(ValidateFaults, SharedStateBetweenInstances) {
  ExpectFound({QM_SUBJECT_SHARED_FILE, "instances", "instance 0 sounds different beside 15 others than alone"});
}

// A module whose output does not repeat is not compared with itself: its
// instances are only checked for clean output, and the lines say so.
TEST(Validate, OutputThatDoesNotRepeatIsNotCompared) {
  CheckReport instances = RunCheck(QM_SUBJECT_NOT_REPEATABLE_FILE, "instances");
  EXPECT_EQ(instances.Status(), CheckStatus::Pass) << Text(instances);
  EXPECT_NE(instances.Summary().find("not compared with instances alone (the module's output is not repeatable)"),
            std::string::npos)
      << instances.Summary();
  CheckReport threads = RunCheck(QM_SUBJECT_NOT_REPEATABLE_FILE, "threads");
  EXPECT_EQ(threads.Status(), CheckStatus::Pass) << Text(threads);
  EXPECT_EQ(threads.Summary().find("each sounding as alone"), std::string::npos) << threads.Summary();
  CheckReport damaged = RunCheck(QM_SUBJECT_NOT_REPEATABLE_FILE, "state-damaged");
  EXPECT_NE(damaged.Summary().find("sound not compared"), std::string::npos) << damaged.Summary();
}

TEST(Validate, ReportsKeepTheFirstFailureAndCountTheRest) {
  CheckReport report;
  report.SetSummary("fine");
  report.Note("a note");
  EXPECT_EQ(report.Status(), CheckStatus::Pass);
  for (int i = 0; i < 12; ++i) report.Fail("failure " + std::to_string(i));
  EXPECT_EQ(report.Status(), CheckStatus::Fail);
  EXPECT_EQ(report.Summary(), "failure 0");
  std::vector<std::string> details = report.Details();
  ASSERT_EQ(details.size(), CheckReport::kMaxDetails + 1);
  EXPECT_EQ(details[0], "a note");
  EXPECT_EQ(details[1], "failure 1");
  EXPECT_EQ(details.back(), "... and 4 more");
  report.Skip("no longer");
  EXPECT_EQ(report.Status(), CheckStatus::Fail) << "a failure is never undone";
}

TEST(Validate, CommandLine) {
  std::ostringstream out, err;
  EXPECT_EQ(qmhost::RunCommandLine({"validate", "--list"}, out, err), qmhost::kExitOk);
  EXPECT_NE(out.str().find("  state-damaged         a damaged state chunk"), std::string::npos) << out.str();
  out.str("");
  const std::string subject = qmtest::ModulePath(QM_SUBJECT_FILE);
  EXPECT_EQ(qmhost::RunCommandLine({"validate", subject, "--check", "no-such"}, out, err), qmhost::kExitUsage);
  EXPECT_EQ(qmhost::RunCommandLine({"validate", subject + ".missing"}, out, err), qmhost::kExitCannotLoad);
  out.str("");
  EXPECT_EQ(qmhost::RunCommandLine({"validate", subject, "--check", "record,programs"}, out, err), qmhost::kExitOk);
  EXPECT_EQ(out.str(), "validate \"Validate Subject\" (" + subject +
                           ")\n"
                           "PASS  record                2 parameters, 2 programs, 2 in / 2 out, flags 0x1030, ID 'QmVs'\n"
                           "PASS  programs              2 programs selected and named\n"
                           "result: PASS (2 passed, 0 failed, 0 skipped, 0 reported)\n");
  out.str("");
  const std::string unclamped = qmtest::ModulePath(QM_SUBJECT_UNCLAMPED_FILE);
  EXPECT_EQ(qmhost::RunCommandLine({"validate", unclamped, "--check", "param-range"}, out, err), qmhost::kExitInvalid);
  EXPECT_NE(out.str().find("FAIL  param-range           parameter 0 \"Gain\": setParameter(-1) gives getParameter -1\n"
                           "      parameter 0 \"Gain\": setParameter(2) gives getParameter 2\n"),
            std::string::npos)
      << out.str();
  EXPECT_NE(out.str().find("result: FAIL (0 passed, 1 failed, 0 skipped, 0 reported)"), std::string::npos);
}

}  // namespace
