// What every command that loads a module shares: the host settings, loading,
// the state options and the host log.
#include <cstdio>
#include <cstdlib>
#include <map>

#include "tools/host/CliCommand.h"
#include "tools/host/Platform.h"

namespace qmhost {

namespace {

const std::map<int, const char*>& RequestNames() {
  static const std::map<int, const char*> names = {
      {audioMasterAutomate, "automate"},
      {audioMasterVersion, "version"},
      {audioMasterCurrentId, "currentId"},
      {audioMasterIdle, "idle"},
      {audioMasterPinConnected, "pinConnected"},
      {audioMasterWantMidi, "wantMidi"},
      {audioMasterGetTime, "getTime"},
      {audioMasterProcessEvents, "processEvents"},
      {audioMasterIOChanged, "ioChanged"},
      {audioMasterSizeWindow, "sizeWindow"},
      {audioMasterGetSampleRate, "getSampleRate"},
      {audioMasterGetBlockSize, "getBlockSize"},
      {audioMasterGetInputLatency, "getInputLatency"},
      {audioMasterGetOutputLatency, "getOutputLatency"},
      {audioMasterGetCurrentProcessLevel, "getCurrentProcessLevel"},
      {audioMasterGetAutomationState, "getAutomationState"},
      {audioMasterGetVendorString, "getVendorString"},
      {audioMasterGetProductString, "getProductString"},
      {audioMasterGetVendorVersion, "getVendorVersion"},
      {audioMasterVendorSpecific, "vendorSpecific"},
      {audioMasterCanDo, "canDo"},
      {audioMasterGetLanguage, "getLanguage"},
      {audioMasterGetDirectory, "getDirectory"},
      {audioMasterUpdateDisplay, "updateDisplay"},
      {audioMasterBeginEdit, "beginEdit"},
      {audioMasterEndEdit, "endEdit"},
  };
  return names;
}

bool AllDigits(const std::string& text) {
  if (text.empty()) return false;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

bool ReadBytes(const std::string& path, std::vector<uint8_t>* bytes) {
  std::FILE* f = OpenFile(path, "rb");
  if (!f) return false;
  bytes->clear();
  uint8_t buffer[65536];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) bytes->insert(bytes->end(), buffer, buffer + n);
  bool ok = !std::ferror(f);
  std::fclose(f);
  return ok;
}

bool WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::FILE* f = OpenFile(path, "wb");
  if (!f) return false;
  bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  ok = std::fclose(f) == 0 && ok;
  return ok;
}

}  // namespace

HostSettings SettingsFrom(const Options& o) {
  HostSettings s;
  if (!o.hostName.empty()) s.productName = o.hostName;
  s.sampleRate = o.rate;
  s.blockSize = o.block;
  s.tempo = o.tempo;
  s.tempoValid = !o.noTempo;
  s.startPosition = o.start;
  s.offline = o.offline;
  return s;
}

void LoadModule(VstHost& host, const std::string& path) {
  LoadStatus status = host.Load(path);
  switch (status) {
    case LoadStatus::Ok: return;
    case LoadStatus::NotFound:
    case LoadStatus::CannotLoad: throw Failure{kExitCannotLoad, host.Error()};
    default: throw Failure{kExitNotVst, host.Error()};
  }
}

void ApplyState(VstHost& host, const Options& o) {
  if (!o.program.empty()) {
    bool byIndex = AllDigits(o.program);
    int index = byIndex ? (o.program.size() <= 9 ? std::atoi(o.program.c_str()) : -1) : host.FindProgram(o.program);
    if (index < 0 || index >= host.NumPrograms()) {
      throw Failure{kExitRejected, "no program " + QuoteText(o.program) + " (the module has " +
                                       std::to_string(host.NumPrograms()) + " programs)"};
    }
    host.SetProgram(index);
  }
  if (!o.loadChunk.empty()) {
    std::vector<uint8_t> chunk;
    if (!ReadBytes(o.loadChunk, &chunk)) throw Failure{kExitIo, o.loadChunk + ": cannot read the state chunk"};
    if (chunk.empty()) throw Failure{kExitRejected, o.loadChunk + ": the state chunk file is empty"};
    if (!host.SetChunk(o.programChunk, chunk)) {
      throw Failure{kExitRejected, o.loadChunk + ": the module refused the state chunk"};
    }
  }
  for (const ParamSetting& p : o.params) {
    int index = AllDigits(p.target) && p.target.size() <= 9 ? std::atoi(p.target.c_str()) : host.FindParam(p.target);
    if (index < 0 || index >= host.NumParams()) {
      throw Failure{kExitRejected, "no parameter " + QuoteText(p.target) + " (the module has " +
                                       std::to_string(host.NumParams()) + " parameters)"};
    }
    if (p.isText) {
      if (!host.SetParamText(index, p.text)) {
        throw Failure{kExitRejected, "parameter " + std::to_string(index) + " " + QuoteText(host.ParamName(index)) +
                                         " did not accept the text " + QuoteText(p.text)};
      }
    } else {
      host.SetParam(index, static_cast<float>(p.normalized));
    }
  }
}

void SaveChunkIfAsked(VstHost& host, const Options& o) {
  if (o.saveChunk.empty()) return;
  std::vector<uint8_t> chunk;
  if (!host.GetChunk(o.programChunk, &chunk)) throw Failure{kExitRejected, "the module gives no state chunk"};
  if (!WriteBytes(o.saveChunk, chunk)) throw Failure{kExitIo, o.saveChunk + ": cannot write the state chunk"};
}

void PrintLog(VstHost& host, std::ostream& out) {
  out << "host log\n";
  for (const HostEvent& e : host.Events()) {
    switch (e.kind) {
      case HostEvent::Automate: out << Format("  automate %d %.6f\n", e.index, static_cast<double>(e.value)); break;
      case HostEvent::BeginEdit: out << Format("  begin-edit %d\n", e.index); break;
      case HostEvent::EndEdit: out << Format("  end-edit %d\n", e.index); break;
    }
  }
  out << "host requests\n";
  for (const auto& entry : host.RequestCounts()) {
    auto name = RequestNames().find(entry.first);
    out << Format("  %s (%d): %d\n", name != RequestNames().end() ? name->second : "other", entry.first, entry.second);
  }
}

}  // namespace qmhost
