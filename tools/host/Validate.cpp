// The validation checks' list, their report and the module they test.
#include "tools/host/Validate.h"

#include "tools/host/AllocationCount.h"
#include "tools/host/AudioIO.h"
#include "tools/host/Cli.h"
#include "tools/host/ValidateSupport.h"

namespace qmhost {

const char* CheckStatusText(CheckStatus status) {
  switch (status) {
    case CheckStatus::Pass: return "PASS";
    case CheckStatus::Fail: return "FAIL";
    case CheckStatus::Skip: return "SKIP";
    case CheckStatus::Info: return "INFO";
  }
  return "?";
}

std::vector<std::string> CheckReport::Details() const {
  std::vector<std::string> details = mDetails;
  if (mMoreDetails) details.push_back(Format("... and %zu more", mMoreDetails));
  return details;
}

void CheckReport::Fail(const std::string& detail) {
  mStatus = CheckStatus::Fail;
  if (mFailures++ == 0) mFirstFailure = detail;
  else Note(detail);
}

void CheckReport::Skip(const std::string& reason) {
  if (mStatus != CheckStatus::Fail) mStatus = CheckStatus::Skip;
  mSummary = reason;
}

void CheckReport::Info(const std::string& summary) {
  if (mStatus != CheckStatus::Fail) mStatus = CheckStatus::Info;
  mSummary = summary;
}

void CheckReport::Note(const std::string& detail) {
  if (mDetails.size() < kMaxDetails) mDetails.push_back(detail);
  else ++mMoreDetails;
}

std::unique_ptr<VstHost> ValidationTarget::NewInstance(double rate, int block) const {
  HostSettings settings;
  settings.sampleRate = rate;
  settings.blockSize = block;
  auto host = std::make_unique<VstHost>(settings);
  LoadStatus status = host->Load(mPath);
  if (status != LoadStatus::Ok) throw CheckAbort{host->Error()};
  WatchModuleAllocations(host->ModuleHandle());
  host->Open();
  return host;
}

bool ValidationTarget::Deterministic() const {
  if (mDeterministic >= 0) return mDeterministic == 1;
  std::vector<std::vector<double>> outputs[2];
  for (auto& output : outputs) {
    auto host = NewInstance();
    std::vector<Precision> offered = OfferedPrecisions(*host);
    if (offered.empty()) throw CheckAbort{"the module offers no processing callback"};
    host->Resume(offered[0]);
    ProcessHarness harness(*host, offered[0], 512);
    harness.Capture(true);
    harness.Run(22050, 512, Signal::Noise);
    harness.Run(22050, 512, Signal::Impulses);
    output = harness.Captured();
  }
  mDeterministic = outputs[0] == outputs[1] ? 1 : 0;
  return mDeterministic == 1;
}

const std::vector<ValidationCheck>& ValidationChecks() {
  static const std::vector<ValidationCheck> checks = {
      {"record", "the effect record: magic, callbacks, counts and flags agree", CheckRecord},
      {"identity", "names, vendor, product, versions, category and capability answers", CheckIdentity},
      {"param-texts", "every parameter's name, label and display text is terminated and fits", CheckParamTexts},
      {"param-range", "normalised values stay in [0, 1] for any value set, NaN and infinities included",
       CheckParamRange},
      {"param-text-roundtrip", "a parameter's display text given back through effString2Parameter gives it again",
       CheckParamTextRoundTrip},
      {"programs", "every program selectable and named", CheckPrograms},
      {"program-names", "program names, long ones given by the host included, fit the host's buffer",
       CheckProgramNames},
      {"state-roundtrip", "the state chunk loads back byte for byte, also into a new instance", CheckStateRoundTrip},
      {"state-damaged", "a damaged state chunk, when rejected, changes nothing, sound included", CheckStateDamaged},
      {"processing", "44.1/48/96/192 kHz, blocks 1 to 4096, every precision: no NaN, infinity or subnormal output",
       CheckProcessing},
      {"automation", "parameter changes every 32 frames while processing", CheckAutomation},
      {"long-calls", "calls of 0 frames and of more frames than the block size", CheckLongCalls},
      {"mains-and-rates", "mains off/on, sample-rate and block-size changes mid-stream", CheckMainsAndRates},
      {"hostile-time", "implausible sample rates, tempos and transport positions", CheckHostileTime},
      {"instances", "16 instances at once, each as it would be alone", CheckInstances},
      {"threads", "instances on several threads at once; one instance driven from two threads", CheckThreads},
      {"editor", "editor open/close while processing", CheckEditor},
      {"allocations", "heap allocations during processing (reported)", CheckAllocations},
  };
  return checks;
}

}  // namespace qmhost
