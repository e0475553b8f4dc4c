// Validation: the state chunk, whole and damaged.
#include <algorithm>
#include <cstring>

#include "tools/host/AudioIO.h"
#include "tools/host/Cli.h"
#include "tools/host/ValidateSupport.h"

namespace qmhost {

namespace {

const char* FormName(bool program) { return program ? "program chunk" : "bank chunk"; }

size_t FirstByteDifference(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
  size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    if (a[i] != b[i]) return i;
  }
  return n;
}

std::string ChunkDifference(const std::vector<uint8_t>& expected, const std::vector<uint8_t>& got) {
  if (got.empty()) return "the effect then gives no chunk";
  return Format("%zu bytes instead of %zu, first difference at byte %zu", got.size(), expected.size(),
                FirstByteDifference(expected, got));
}

// Every parameter somewhere else than it is.
void MoveParams(VstHost& host, uint32_t seed) {
  Random random(seed);
  for (int i = 0; i < host.NumParams(); ++i) host.SetParam(i, static_cast<float>(random.Unit()));
}

// effSetChunk with exactly these bytes (also none), as hosts call it.
bool LoadChunk(VstHost& host, bool program, const std::vector<uint8_t>& bytes) {
  std::vector<uint8_t> copy(bytes);
  copy.push_back(0);  // never a null pointer, also for an empty chunk
  host.Dispatch(program ? effBeginLoadProgram : effBeginLoadBank);
  return host.Dispatch(effSetChunk, program ? 1 : 0, static_cast<VstIntPtr>(bytes.size()), copy.data()) != 0;
}

struct Damage {
  std::string what;
  std::vector<uint8_t> bytes;
};

std::vector<Damage> DamagedChunks(const std::vector<uint8_t>& chunk) {
  std::vector<Damage> damaged;
  auto cut = [&](size_t n, const std::string& what) {
    if (n < chunk.size()) damaged.push_back({what, std::vector<uint8_t>(chunk.begin(), chunk.begin() + n)});
  };
  cut(0, "empty");
  cut(1, "1 byte");
  cut(3, "3 bytes");
  cut(chunk.size() / 2, "cut to half");
  cut(chunk.size() - 1, "one byte short");
  Random random(77);
  std::vector<uint8_t> noise(chunk.size());
  for (uint8_t& b : noise) b = static_cast<uint8_t>(random.Next());
  damaged.push_back({"random bytes of the same length", noise});
  damaged.push_back({"all bytes 0xFF", std::vector<uint8_t>(chunk.size(), 0xFF)});
  std::vector<uint8_t> header(chunk);
  for (size_t i = 0; i < std::min<size_t>(8, header.size()); ++i) header[i] ^= 0x5A;
  damaged.push_back({"first 8 bytes changed", header});
  return damaged;
}

}  // namespace

void CheckStateRoundTrip(const ValidationTarget& target, CheckReport& report) {
  auto host = target.NewInstance();
  MoveParams(*host, 11);
  int forms = 0;
  for (bool program : {false, true}) {
    const std::vector<uint8_t> chunk = ChunkOf(*host, program);
    if (chunk.empty()) continue;
    ++forms;
    const std::vector<float> saved = ParamValues(*host);
    // Away from the saved state, then back.
    if (host->NumPrograms() > 1) host->SetProgram(host->CurrentProgram() == 1 ? 0 : 1);
    MoveParams(*host, 12);
    if (!LoadChunk(*host, program, chunk)) report.Note(std::string(FormName(program)) + ": effSetChunk answers 0");
    std::vector<uint8_t> again = ChunkOf(*host, program);
    if (again != chunk) {
      report.Fail(std::string(FormName(program)) + " loaded back: " + ChunkDifference(chunk, again));
    }
    int differs = FirstDifference(saved, ParamValues(*host));
    if (differs >= 0) {
      report.Fail(Format("%s loaded back: parameter %d is %g, was %g", FormName(program), differs,
                         static_cast<double>(host->GetParam(differs)), static_cast<double>(saved[static_cast<size_t>(differs)])));
    }
    // The chunk carries the whole state: a new instance given it is the same.
    auto fresh = target.NewInstance();
    LoadChunk(*fresh, program, chunk);
    std::vector<uint8_t> copied = ChunkOf(*fresh, program);
    if (copied != chunk) report.Fail(std::string(FormName(program)) + " in a new instance: " + ChunkDifference(chunk, copied));
    differs = FirstDifference(saved, ParamValues(*fresh));
    if (differs >= 0) {
      report.Fail(Format("%s in a new instance: parameter %d is %g, was %g", FormName(program), differs,
                         static_cast<double>(fresh->GetParam(differs)), static_cast<double>(saved[static_cast<size_t>(differs)])));
    }
    report.Note(Format("%s: %zu bytes", FormName(program), chunk.size()));
  }
  if (forms == 0) {
    if (host->Effect()->flags & effFlagsProgramChunks) report.Fail("effFlagsProgramChunks set, but no chunk given");
    else report.Skip("no state chunk (the host keeps the parameters)");
    return;
  }
  std::vector<uint8_t> bank = ChunkOf(*host, false), prog = ChunkOf(*host, true);
  report.SetSummary(Format("bank %zu bytes, program %zu bytes: byte-identical after loading, also in a new instance",
                           bank.size(), prog.size()));
}

void CheckStateDamaged(const ValidationTarget& target, CheckReport& report) {
  auto host = target.NewInstance();
  MoveParams(*host, 21);
  int rejected = 0, accepted = 0;
  std::vector<std::pair<bool, Damage>> rejections;
  for (bool program : {false, true}) {
    const std::vector<uint8_t> chunk = ChunkOf(*host, program);
    if (chunk.empty()) continue;
    for (const Damage& d : DamagedChunks(chunk)) {
      const std::vector<float> before = ParamValues(*host);
      const std::vector<uint8_t> stateBefore = ChunkOf(*host, program);
      const std::string what = Format("%s, %s (%zu bytes)", FormName(program), d.what.c_str(), d.bytes.size());
      if (LoadChunk(*host, program, d.bytes)) {
        ++accepted;
        std::vector<float> after = ParamValues(*host);
        for (size_t i = 0; i < after.size(); ++i) {
          if (!(after[i] >= 0.0f && after[i] <= 1.0f)) {
            report.Fail(Format("%s: accepted, parameter %zu then at %g", what.c_str(), i, static_cast<double>(after[i])));
          }
        }
        LoadChunk(*host, program, chunk);
        continue;
      }
      ++rejected;
      rejections.emplace_back(program, d);
      const int differs = FirstDifference(before, ParamValues(*host));
      if (differs >= 0) {
        report.Fail(Format("%s: rejected, but parameter %d changed from %g to %g", what.c_str(), differs,
                           static_cast<double>(before[static_cast<size_t>(differs)]),
                           static_cast<double>(host->GetParam(differs))));
      }
      const std::vector<uint8_t> stateAfter = ChunkOf(*host, program);
      if (stateAfter != stateBefore) report.Fail(what + ": rejected, but the state changed: " + ChunkDifference(stateBefore, stateAfter));
    }
  }
  if (rejected + accepted == 0) {
    report.Skip("no state chunk");
    return;
  }
  // The sound: an instance that rejects chunks while it plays sounds the
  // same as one that never got them.
  std::string sound = rejections.empty() ? "none rejected" : "sound not compared (the module's output is not repeatable)";
  if (!rejections.empty() && target.Deterministic()) {
    auto a = target.NewInstance(), b = target.NewInstance();
    const Precision p = OfferedPrecisions(*a)[0];
    a->Resume(p);
    b->Resume(p);
    ProcessHarness ha(*a, p, 512), hb(*b, p, 512);
    ha.Capture(true);
    hb.Capture(true);
    const Signal signals[] = {Signal::Noise, Signal::Impulses};
    for (size_t k = 0; k < rejections.size() * 2; ++k) {
      ha.Run(4096, 512, signals[k % 2]);
      hb.Run(4096, 512, signals[k % 2]);
      if (k % 2 == 0) LoadChunk(*a, rejections[k / 2].first, rejections[k / 2].second.bytes);
    }
    ha.Run(22050, 512, Signal::Noise);
    hb.Run(22050, 512, Signal::Noise);
    ha.Run(22050, 512, Signal::Silence);
    hb.Run(22050, 512, Signal::Silence);
    sound = "the sound stays as without them";
    for (size_t c = 0; c < ha.Captured().size(); ++c) {
      const auto& x = ha.Captured()[c];
      const auto& y = hb.Captured()[c];
      size_t i = 0;
      while (i < x.size() && i < y.size() && x[i] == y[i]) ++i;
      if (i < x.size() || x.size() != y.size()) {
        report.Fail(Format("after rejected chunks the sound differs from an instance that got none: output %zu, "
                           "frame %zu (%g instead of %g)",
                           c, i, i < x.size() ? x[i] : 0.0, i < y.size() ? y[i] : 0.0));
        sound = "the sound changed";
        break;
      }
    }
  }
  report.SetSummary(Format("%d damaged chunks rejected without a change, %d accepted; %s", rejected, accepted,
                           sound.c_str()));
}

}  // namespace qmhost
