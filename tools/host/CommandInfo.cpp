// quillmere-host info: everything a host can ask a module, as text.
#include <cstring>

#include "tools/host/CliCommand.h"

namespace qmhost {

namespace {

// Capability texts an effect may be asked about.
const char* const kEffectCapabilities[] = {
    "sendVstEvents",     "sendVstMidiEvent",      "receiveVstEvents", "receiveVstMidiEvent",
    "receiveVstTimeInfo", "offline",              "midiProgramNames", "bypass",
    "plugAsChannelInsert", "plugAsSend",          "mixDryWet",        "noRealTime",
    "multipass",         "metapass",              "1in1out",          "1in2out",
    "2in1out",           "2in2out",               "2in4out",          "4in2out",
    "4in4out",           "4in8out",               "8in4out",          "8in8out",
    "hasCockosExtensions", "hasCockosViewAsConfig",
};

const char* const kCategoryNames[] = {"unknown",    "effect",        "synth",           "analysis",
                                      "mastering",  "spacializer",   "room fx",         "surround fx",
                                      "restoration", "offline process", "shell",        "generator"};

struct FlagName {
  int32_t bit;
  const char* name;
};
const FlagName kFlagNames[] = {
    {effFlagsHasEditor, "HasEditor"},
    {1 << 1, "HasClip"},
    {1 << 2, "HasVu"},
    {effFlagsCanMono, "CanMono"},
    {effFlagsCanReplacing, "CanReplacing"},
    {effFlagsProgramChunks, "ProgramChunks"},
    {effFlagsIsSynth, "IsSynth"},
    {effFlagsNoSoundInStop, "NoSoundInStop"},
    {1 << 10, "ExtIsAsync"},
    {1 << 11, "ExtHasBuffer"},
    {effFlagsCanDoubleReplacing, "CanDoubleReplacing"},
};

std::string FlagsText(int32_t flags) {
  std::string text;
  int32_t known = 0;
  for (const FlagName& f : kFlagNames) {
    known |= f.bit;
    if (flags & f.bit) text += std::string(text.empty() ? "" : " ") + f.name;
  }
  if (flags & ~known) text += Format("%s0x%X", text.empty() ? "" : " ", static_cast<unsigned>(flags & ~known));
  return text;
}

std::string AnswerText(VstIntPtr answer) {
  if (answer >= -1 && answer <= 1) return std::to_string(static_cast<long long>(answer));
  return Format("%lld (0x%llX)", static_cast<long long>(answer), static_cast<unsigned long long>(answer));
}

uint32_t Fnv1a(const std::vector<uint8_t>& bytes) {
  uint32_t h = 2166136261u;
  for (uint8_t b : bytes) {
    h ^= b;
    h *= 16777619u;
  }
  return h;
}

void PrintInfo(VstHost& host, std::ostream& out) {
  AEffect* e = host.Effect();
  out << VersionLine() << "\n";
  out << "effect record\n";
  out << Format("  magic: 0x%08X %s\n", static_cast<unsigned>(e->magic), FourChars(e->magic).c_str());
  out << Format("  flags: 0x%08X (%s)\n", static_cast<unsigned>(e->flags), FlagsText(e->flags).c_str());
  out << Format("  programs: %d\n", e->numPrograms);
  out << Format("  parameters: %d\n", e->numParams);
  out << Format("  inputs: %d\n", e->numInputs);
  out << Format("  outputs: %d\n", e->numOutputs);
  out << Format("  unique ID: %d %s\n", e->uniqueID, FourChars(e->uniqueID).c_str());
  out << Format("  version: %d\n", e->version);
  out << Format("  initial delay: %d\n", e->initialDelay);
  out << Format("  io ratio: %g\n", static_cast<double>(e->ioRatio));
  out << Format("  callbacks: process %s, processReplacing %s, processDoubleReplacing %s\n", e->process ? "yes" : "no",
                e->processReplacing ? "yes" : "no", e->processDoubleReplacing ? "yes" : "no");

  out << "identity\n";
  out << "  effect name: " << QuoteText(host.EffectName()) << "\n";
  out << "  vendor: " << QuoteText(host.VendorString()) << "\n";
  out << "  product: " << QuoteText(host.ProductString()) << "\n";
  out << Format("  vendor version: %lld\n", static_cast<long long>(host.Dispatch(effGetVendorVersion)));
  out << Format("  VST version: %lld\n", static_cast<long long>(host.Dispatch(effGetVstVersion)));
  long long category = static_cast<long long>(host.Dispatch(effGetPlugCategory));
  out << Format("  category: %lld (%s)\n", category,
                category >= 0 && category < 12 ? kCategoryNames[category] : "not a known category");
  out << Format("  tail size: %lld\n", static_cast<long long>(host.Dispatch(effGetTailSize)));

  out << "pins\n";
  for (int output = 0; output < 2; ++output) {
    int count = output ? e->numOutputs : e->numInputs;
    for (int i = 0; i < count; ++i) {
      VstPinProperties pin;
      std::memset(&pin, 0, sizeof pin);
      VstIntPtr ok = host.Dispatch(output ? effGetOutputProperties : effGetInputProperties, i, 0, &pin);
      pin.label[sizeof pin.label - 1] = '\0';
      if (ok) {
        out << Format("  %s %d: %s flags %d\n", output ? "output" : "input", i, QuoteText(pin.label).c_str(), pin.flags);
      } else {
        out << Format("  %s %d: no properties\n", output ? "output" : "input", i);
      }
    }
  }

  out << "parameters\n";
  for (int i = 0; i < host.NumParams(); ++i) {
    out << Format("  %d %s: value %.6f, display %s, label %s\n", i, QuoteText(host.ParamName(i)).c_str(),
                  static_cast<double>(host.GetParam(i)), QuoteText(host.ParamDisplay(i)).c_str(),
                  QuoteText(host.ParamLabel(i)).c_str());
  }

  out << Format("programs (current %d)\n", host.CurrentProgram());
  for (int i = 0; i < host.NumPrograms(); ++i) {
    out << Format("  %d %s\n", i, QuoteText(host.ProgramName(i)).c_str());
  }

  out << "can do\n";
  for (const char* text : kEffectCapabilities) {
    out << "  " << text << ": " << AnswerText(host.CanDo(text)) << "\n";
  }

  out << "state chunk\n";
  for (int program = 0; program < 2; ++program) {
    std::vector<uint8_t> chunk;
    if (host.GetChunk(program != 0, &chunk)) {
      out << Format("  %s: %zu bytes, FNV-1a 0x%08X\n", program ? "program" : "bank", chunk.size(),
                    static_cast<unsigned>(Fnv1a(chunk)));
    } else {
      out << Format("  %s: none\n", program ? "program" : "bank");
    }
  }
}

}  // namespace

int CommandInfo(Options& o, std::ostream& out) {
  ExpectPositional(o, 1, "info MODULE [options]");
  VstHost host(SettingsFrom(o));
  LoadModule(host, o.positional[0]);
  host.Open();
  ApplyState(host, o);
  PrintInfo(host, out);
  SaveChunkIfAsked(host, o);
  if (o.log) PrintLog(host, out);
  host.Unload();
  return kExitOk;
}

}  // namespace qmhost
