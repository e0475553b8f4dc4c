// Validation: parameters and programs.
#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstring>
#include <limits>

#include "tools/host/AudioIO.h"
#include "tools/host/Cli.h"
#include "tools/host/ValidateSupport.h"

namespace qmhost {

namespace {

constexpr int kMaxProgramsChecked = 512;
constexpr double kStableTolerance = 1e-6;

std::string ParamWhat(VstHost& host, int index) {
  return Format("parameter %d %s", index, QuoteText(host.ParamName(index)).c_str());
}

std::string ValueText(float v) {
  if (std::isnan(v)) return "NaN";
  if (std::isinf(v)) return v > 0 ? "+inf" : "-inf";
  return Format("%.9g", static_cast<double>(v));
}

// Values a host might send through setParameter, plausible or not.
std::vector<float> HostileValues() {
  const float inf = std::numeric_limits<float>::infinity();
  return {0.0f,  1.0f,   0.5f,  -0.0f, 1e-30f, FLT_MIN / 4, -1.0f, 2.0f, 1.0000001f, -1e-7f,
          1e30f, -1e30f, FLT_MAX, std::numeric_limits<float>::quiet_NaN(), inf, -inf};
}

}  // namespace

void CheckParamTexts(const ValidationTarget& target, CheckReport& report) {
  auto host = target.NewInstance();
  const int n = host->NumParams();
  size_t longest[3] = {0, 0, 0};
  const VstInt32 opcodes[3] = {effGetParamName, effGetParamLabel, effGetParamDisplay};
  const char* const kinds[3] = {"name", "label", "display"};
  for (int i = 0; i < n; ++i) {
    for (int k = 0; k < 3; ++k) {
      HostText text = AskText(*host, opcodes[k], i);
      if (ExpectTextFits(report, text, kParamTextBytes, ParamWhat(*host, i) + " " + kinds[k])) {
        longest[k] = std::max(longest[k], text.text.size());
      }
    }
    if (AskText(*host, effGetParamName, i).text.empty()) report.Note(Format("parameter %d has no name", i));
  }
  // Indices outside the parameters: answered without harm.
  for (int i : {-1, n, n + 1000}) {
    for (int k = 0; k < 3; ++k) {
      HostText text = AskText(*host, opcodes[k], i);
      if (!text.terminated) report.Fail(Format("%s for index %d: no terminator", kinds[k], i));
    }
  }
  report.SetSummary(Format("%d parameters; longest name %zu, label %zu, display %zu characters (hosts give %zu bytes)",
                           n, longest[0], longest[1], longest[2], kParamTextBytes));
}

void CheckParamRange(const ValidationTarget& target, CheckReport& report) {
  auto host = target.NewInstance();
  const int n = host->NumParams();
  int unstable = 0;
  for (int i = 0; i < n; ++i) {
    const float original = host->GetParam(i);
    if (!(original >= 0.0f && original <= 1.0f)) {
      report.Fail(Format("%s: starts at %s", ParamWhat(*host, i).c_str(), ValueText(original).c_str()));
    }
    for (float v : HostileValues()) {
      host->SetParam(i, v);
      const float got = host->GetParam(i);
      if (!(got >= 0.0f && got <= 1.0f)) {
        report.Fail(Format("%s: setParameter(%s) gives getParameter %s", ParamWhat(*host, i).c_str(),
                           ValueText(v).c_str(), ValueText(got).c_str()));
      }
      ExpectTextFits(report, AskText(*host, effGetParamDisplay, i), kParamTextBytes,
                     ParamWhat(*host, i) + " display after setParameter(" + ValueText(v) + ")");
    }
    // A value read back and set again stays where it is.
    for (float v : {0.0f, 0.25f, 0.5f, 0.75f, 1.0f}) {
      host->SetParam(i, v);
      const float got = host->GetParam(i);
      host->SetParam(i, got);
      const float again = host->GetParam(i);
      if (!(std::fabs(static_cast<double>(again) - got) <= kStableTolerance) && unstable++ < 4) {
        report.Fail(Format("%s: setParameter(%s) reads back %s, which set again reads back %s",
                           ParamWhat(*host, i).c_str(), ValueText(v).c_str(), ValueText(got).c_str(),
                           ValueText(again).c_str()));
      }
    }
    host->SetParam(i, original);
  }
  // Indices outside the parameters.
  for (int i : {-1, n, n + 1000}) {
    host->Effect()->setParameter(host->Effect(), i, 0.5f);
    const float got = host->Effect()->getParameter(host->Effect(), i);
    if (std::isnan(got) || std::isinf(got)) report.Fail(Format("getParameter(%d) gives %s", i, ValueText(got).c_str()));
  }
  report.SetSummary(Format("%d parameters, each set to %zu values from -inf to NaN; read-backs stable", n,
                           HostileValues().size()));
}

void CheckParamTextRoundTrip(const ValidationTarget& target, CheckReport& report) {
  auto host = target.NewInstance();
  const int n = host->NumParams();
  int tried = 0, accepted = 0;
  for (int i = 0; i < n; ++i) {
    const float original = host->GetParam(i);
    for (float position : {0.0f, 0.25f, 0.5f, 0.75f, 1.0f, original}) {
      host->SetParam(i, position);
      const std::string shown = host->ParamDisplay(i);
      if (shown.empty()) continue;
      host->SetParam(i, position < 0.5f ? 1.0f : 0.0f);
      ++tried;
      if (!host->SetParamText(i, shown)) continue;
      ++accepted;
      const std::string again = host->ParamDisplay(i);
      if (again != shown) {
        report.Fail(Format("%s: the text %s given back shows %s", ParamWhat(*host, i).c_str(),
                           QuoteText(shown).c_str(), QuoteText(again).c_str()));
      }
    }
    host->SetParam(i, original);
  }
  if (tried == 0) {
    report.Skip("no parameter shows a text");
  } else if (accepted == 0) {
    report.Skip(Format("effString2Parameter accepts none of %d display texts (the module does not take texts)", tried));
  } else {
    report.SetSummary(Format("%d display texts of %d parameters given back, %d accepted", tried, n, accepted));
  }
}

void CheckPrograms(const ValidationTarget& target, CheckReport& report) {
  auto host = target.NewInstance();
  const int n = host->NumPrograms();
  if (n <= 0) {
    report.Skip("no programs");
    return;
  }
  const int checked = std::min(n, kMaxProgramsChecked);
  for (int p = 0; p < checked; ++p) {
    host->SetProgram(p);
    const std::string what = Format("program %d", p);
    const VstIntPtr current = host->Dispatch(effGetProgram);
    if (current != p) report.Fail(Format("%s selected, effGetProgram answers %lld", what.c_str(), static_cast<long long>(current)));
    HostText name = AskText(*host, effGetProgramName);
    HostText indexed = AskText(*host, effGetProgramNameIndexed, p, -1);
    ExpectTextFits(report, name, kProgramNameBytes, what + " name");
    ExpectTextFits(report, indexed, kProgramNameBytes, what + " name by index");
    if (name.text.empty() && indexed.text.empty()) report.Fail(what + ": no name");
    else if (indexed.answer && name.text != indexed.text) {
      report.Fail(Format("%s: named %s, by index %s", what.c_str(), QuoteText(name.text).c_str(),
                         QuoteText(indexed.text).c_str()));
    }
    std::vector<float> values = ParamValues(*host);
    for (size_t i = 0; i < values.size(); ++i) {
      if (!(values[i] >= 0.0f && values[i] <= 1.0f)) {
        report.Fail(Format("%s: parameter %zu at %s", what.c_str(), i, ValueText(values[i]).c_str()));
      }
    }
  }
  // Selections outside the programs change nothing a host can see as wrong.
  host->SetProgram(0);
  for (VstIntPtr p : {static_cast<VstIntPtr>(-1), static_cast<VstIntPtr>(n), static_cast<VstIntPtr>(n) + 1000}) {
    host->Dispatch(effSetProgram, 0, p);
    const VstIntPtr current = host->Dispatch(effGetProgram);
    if (current < 0 || current >= n) {
      report.Fail(Format("effSetProgram(%lld) leaves effGetProgram at %lld", static_cast<long long>(p),
                         static_cast<long long>(current)));
    }
    if (!AskText(*host, effGetProgramNameIndexed, static_cast<VstInt32>(p), -1).terminated) {
      report.Fail(Format("program name for index %lld: no terminator", static_cast<long long>(p)));
    }
  }
  report.SetSummary(checked < n ? Format("%d of %d programs selected and named", checked, n)
                                : Format("%d programs selected and named", n));
}

void CheckProgramNames(const ValidationTarget& target, CheckReport& report) {
  auto host = target.NewInstance();
  if (host->NumPrograms() <= 0) {
    report.Skip("no programs");
    return;
  }
  const VstIntPtr current = host->Dispatch(effGetProgram);
  const std::string original = AskText(*host, effGetProgramName).text;
  for (size_t length : {31u, 32u, 63u, 255u, 1000u}) {
    std::string name;
    for (size_t i = 0; i < length; ++i) name += static_cast<char>('a' + i % 26);
    std::vector<char> buffer(name.begin(), name.end());
    buffer.push_back('\0');
    host->Dispatch(effSetProgramName, 0, 0, buffer.data());
    const std::string what = Format("a %zu-character name given to program %lld", length, static_cast<long long>(current));
    ExpectTextFits(report, AskText(*host, effGetProgramName), kProgramNameBytes, what + ", read back");
    ExpectTextFits(report, AskText(*host, effGetProgramNameIndexed, static_cast<VstInt32>(current), -1),
                   kProgramNameBytes, what + ", read back by index");
  }
  std::vector<char> buffer(original.begin(), original.end());
  buffer.push_back('\0');
  host->Dispatch(effSetProgramName, 0, 0, buffer.data());
  report.SetSummary(Format("names of 31 to 1000 characters read back within %zu bytes", kProgramNameBytes));
}

}  // namespace qmhost
