// Validation: the effect record and what the effect says about itself.
#include <cstring>

#include "tools/host/AudioIO.h"
#include "tools/host/Cli.h"
#include "tools/host/ValidateSupport.h"

namespace qmhost {

namespace {

constexpr int kMaxChannels = 128;
constexpr int kMaxCount = 1 << 20;
constexpr int kLastCategory = 11;  // kPlugCategGenerator
constexpr VstIntPtr kCockosAnswer = static_cast<VstIntPtr>(0xBEEF0000);

const char* const kCanDoTexts[] = {
    "sendVstEvents", "sendVstMidiEvent", "receiveVstEvents", "receiveVstMidiEvent", "receiveVstTimeInfo",
    "offline",       "midiProgramNames", "bypass",           "plugAsChannelInsert", "plugAsSend",
    "mixDryWet",     "noRealTime",       "multipass",        "metapass",            "1in1out",
    "1in2out",       "2in1out",          "2in2out",          "hasCockosExtensions", "hasCockosViewAsConfig",
    "",              "receiveVstTimeInfoX",
};

void CheckPins(VstHost& host, CheckReport& report) {
  AEffect* e = host.Effect();
  for (int output = 0; output < 2; ++output) {
    const int count = output ? e->numOutputs : e->numInputs;
    const VstInt32 opcode = output ? effGetOutputProperties : effGetInputProperties;
    // One index past the pins as well: it must be answered without harm.
    for (int i = 0; i <= count && i < kMaxChannels; ++i) {
      VstPinProperties pin;
      std::memset(&pin, 0xA5, sizeof pin);
      pin.label[0] = '\0';
      pin.shortLabel[0] = '\0';
      const VstIntPtr answer = host.Dispatch(opcode, i, 0, &pin);
      if (!answer) continue;
      const std::string what = Format("%s pin %d", output ? "output" : "input", i);
      if (!std::memchr(pin.label, 0, sizeof pin.label)) report.Fail(what + ": label not terminated within 64 bytes");
      if (i == count) report.Note(what + ": answered for a pin the effect does not have");
    }
  }
}

}  // namespace

void CheckRecord(const ValidationTarget& target, CheckReport& report) {
  auto host = target.NewInstance();
  AEffect* e = host->Effect();
  if (!e->dispatcher) throw CheckAbort{"the record has no dispatcher"};
  auto count = [&report](const char* what, VstInt32 n, int max) {
    if (n < 0 || n > max) report.Fail(Format("%s: %d, not a plausible count (0 to %d)", what, n, max));
  };
  count("parameters", e->numParams, kMaxCount);
  count("programs", e->numPrograms, kMaxCount);
  count("inputs", e->numInputs, kMaxChannels);
  count("outputs", e->numOutputs, kMaxChannels);
  if (e->numParams > 0 && (!e->getParameter || !e->setParameter)) {
    report.Fail("parameters but no getParameter or setParameter callback");
  }
  if ((e->flags & effFlagsCanReplacing) && !e->processReplacing) {
    report.Fail("effFlagsCanReplacing set but no processReplacing callback");
  }
  if ((e->flags & effFlagsCanDoubleReplacing) && !e->processDoubleReplacing) {
    report.Fail("effFlagsCanDoubleReplacing set but no processDoubleReplacing callback");
  }
  if (e->processReplacing && !(e->flags & effFlagsCanReplacing)) {
    report.Note("processReplacing present without effFlagsCanReplacing: hosts will not call it");
  }
  if (OfferedPrecisions(*host).empty()) report.Fail("no processing callback a host may call");
  if (e->uniqueID == 0) report.Fail("unique ID 0: hosts tell effects apart by it");
  if (e->initialDelay < 0) report.Fail(Format("negative initial delay %d", e->initialDelay));
  // A second instance has a record of its own.
  auto second = target.NewInstance();
  if (second->Effect() == e) report.Fail("two instances share one effect record");
  if (second->Effect()->uniqueID != e->uniqueID || second->Effect()->numParams != e->numParams) {
    report.Fail("a second instance reports another ID or parameter count");
  }
  report.SetSummary(Format("%d parameters, %d programs, %d in / %d out, flags 0x%X, ID %s", e->numParams,
                           e->numPrograms, e->numInputs, e->numOutputs, static_cast<unsigned>(e->flags),
                           FourChars(e->uniqueID).c_str()));
}

void CheckIdentity(const ValidationTarget& target, CheckReport& report) {
  auto host = target.NewInstance();
  HostText name = AskText(*host, effGetEffectName);
  ExpectTextFits(report, name, kEffectNameBytes, "effect name");
  ExpectTextFits(report, AskText(*host, effGetVendorString), kVendorBytes, "vendor");
  ExpectTextFits(report, AskText(*host, effGetProductString), kVendorBytes, "product");
  if (name.text.empty()) report.Note("no effect name: hosts show the file name instead");
  const VstIntPtr category = host->Dispatch(effGetPlugCategory);
  if (category < 0 || category > kLastCategory) {
    report.Fail(Format("category %lld is none of the VST 2 categories", static_cast<long long>(category)));
  }
  const VstIntPtr version = host->Dispatch(effGetVstVersion);
  if (version < 0) report.Fail(Format("VST version %lld", static_cast<long long>(version)));
  for (const char* text : kCanDoTexts) {
    const VstIntPtr answer = host->CanDo(text);
    if (answer < -1 || (answer > 1 && answer != kCockosAnswer)) {
      report.Note(Format("canDo %s answers %lld", QuoteText(text).c_str(), static_cast<long long>(answer)));
    }
  }
  CheckPins(*host, report);
  report.SetSummary(Format("%s by %s, VST version %lld, category %lld", QuoteText(name.text).c_str(),
                           QuoteText(AskText(*host, effGetVendorString).text).c_str(),
                           static_cast<long long>(version), static_cast<long long>(category)));
}

}  // namespace qmhost
