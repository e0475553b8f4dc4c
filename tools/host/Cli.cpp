#include "tools/host/Cli.h"

#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <map>

#include "tools/host/AudioIO.h"
#include "tools/host/DemoSignal.h"
#include "tools/host/Platform.h"
#include "tools/host/Render.h"
#include "tools/host/VstHost.h"

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

class UsageError {
public:
  explicit UsageError(std::string m) : message(std::move(m)) {}
  std::string message;
};

// A failure with its exit code, carried out of a command.
struct Failure {
  int code;
  std::string message;
};

bool ParseNumber(const std::string& text, double* value) {
  if (text.empty()) return false;
  const char* begin = text.c_str();
  char* end = nullptr;
  errno = 0;
  double v = std::strtod(begin, &end);
  if (end == begin || *end != '\0' || errno == ERANGE || !std::isfinite(v)) return false;
  *value = v;
  return true;
}

bool ParseInteger(const std::string& text, long long* value) {
  if (text.empty()) return false;
  for (size_t i = 0; i < text.size(); ++i) {
    if (!(text[i] >= '0' && text[i] <= '9') && !(i == 0 && text[i] == '-' && text.size() > 1)) return false;
  }
  errno = 0;
  long long v = std::strtoll(text.c_str(), nullptr, 10);
  if (errno == ERANGE) return false;
  *value = v;
  return true;
}

bool AllDigits(const std::string& text) {
  if (text.empty()) return false;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

struct ParamSetting {
  std::string target;  // index or name
  bool isText = false;
  std::string text;
  double normalized = 0;
};

struct Options {
  std::vector<std::string> positional;
  // host
  std::string hostName;
  bool rateGiven = false;
  double rate = 44100;
  int block = 512;
  double tempo = 120;
  bool noTempo = false;
  bool offline = false;
  // state
  std::string program;
  std::vector<ParamSetting> params;
  std::string loadChunk, saveChunk;
  bool programChunk = false;
  bool log = false;
  // render
  bool demo = false;
  bool precisionGiven = false;
  Precision precision = Precision::Float;
  double prefill = 0;
  double start = 0;
  double tail = 0;
  int rawChannels = 2;
  SampleFormat format = SampleFormat::Float;
  // bench
  double seconds = 2.0;
  int runs = 5;
  double warmup = 0.5;
  std::vector<int> blocks = {64, 512, 4096};
  // compare
  double tolerance = 0;
};

double PositiveNumber(const std::string& option, const std::string& value) {
  double v;
  if (!ParseNumber(value, &v) || !(v > 0)) throw UsageError(option + " needs a positive number, not \"" + value + "\"");
  return v;
}

double NonNegativeNumber(const std::string& option, const std::string& value) {
  double v;
  if (!ParseNumber(value, &v) || v < 0) throw UsageError(option + " needs a number of at least 0, not \"" + value + "\"");
  return v;
}

int PositiveInteger(const std::string& option, const std::string& value, long long max = 1 << 24) {
  long long v;
  if (!ParseInteger(value, &v) || v < 1 || v > max) {
    throw UsageError(option + " needs a whole number from 1 to " + std::to_string(max) + ", not \"" + value + "\"");
  }
  return static_cast<int>(v);
}

ParamSetting ParseParam(const std::string& spec) {
  size_t eq = spec.find('=');
  if (eq == std::string::npos || eq == 0) {
    throw UsageError("--param needs INDEX=VALUE or NAME=VALUE (VALUE normalised 0..1 or text:TEXT), not \"" + spec + "\"");
  }
  ParamSetting setting;
  setting.target = spec.substr(0, eq);
  std::string value = spec.substr(eq + 1);
  if (value.compare(0, 5, "text:") == 0) {
    setting.isText = true;
    setting.text = value.substr(5);
  } else if (!ParseNumber(value, &setting.normalized) || setting.normalized < 0 || setting.normalized > 1) {
    throw UsageError("--param " + spec + ": the value must be a normalised number from 0 to 1, or text:TEXT");
  }
  return setting;
}

Options ParseOptions(const std::vector<std::string>& args, size_t first) {
  Options o;
  for (size_t i = first; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg.size() < 2 || arg.compare(0, 2, "--") != 0 || arg == "--") {
      o.positional.push_back(arg);
      continue;
    }
    std::string name = arg, value;
    bool inlineValue = false;
    size_t eq = arg.find('=');
    if (eq != std::string::npos) {
      name = arg.substr(0, eq);
      value = arg.substr(eq + 1);
      inlineValue = true;
    }
    auto takeValue = [&]() -> std::string {
      if (inlineValue) return value;
      if (i + 1 >= args.size()) throw UsageError(name + " needs a value");
      return args[++i];
    };
    auto noValue = [&]() {
      if (inlineValue) throw UsageError(name + " takes no value");
    };
    if (name == "--host-name") o.hostName = takeValue();
    else if (name == "--rate") o.rate = PositiveNumber(name, takeValue()), o.rateGiven = true;
    else if (name == "--block") o.block = PositiveInteger(name, takeValue(), 1 << 20);
    else if (name == "--tempo") o.tempo = PositiveNumber(name, takeValue());
    else if (name == "--no-tempo") noValue(), o.noTempo = true;
    else if (name == "--offline") noValue(), o.offline = true;
    else if (name == "--program") o.program = takeValue();
    else if (name == "--param") o.params.push_back(ParseParam(takeValue()));
    else if (name == "--load-chunk") o.loadChunk = takeValue();
    else if (name == "--save-chunk") o.saveChunk = takeValue();
    else if (name == "--program-chunk") noValue(), o.programChunk = true;
    else if (name == "--log") noValue(), o.log = true;
    else if (name == "--demo") noValue(), o.demo = true;
    else if (name == "--precision") {
      std::string v = takeValue();
      if (!ParsePrecision(v, &o.precision)) throw UsageError("--precision is float, float-adding or double, not \"" + v + "\"");
      o.precisionGiven = true;
    } else if (name == "--prefill") {
      std::string v = takeValue();
      if (!ParseNumber(v, &o.prefill)) throw UsageError("--prefill needs a number, not \"" + v + "\"");
    } else if (name == "--start") {
      long long v;
      std::string s = takeValue();
      if (!ParseInteger(s, &v) || v < 0) throw UsageError("--start needs a sample position of at least 0, not \"" + s + "\"");
      o.start = static_cast<double>(v);
    } else if (name == "--tail") o.tail = NonNegativeNumber(name, takeValue());
    else if (name == "--channels") o.rawChannels = PositiveInteger(name, takeValue(), 64);
    else if (name == "--format") {
      std::string v = takeValue();
      if (!ParseSampleFormat(v, &o.format)) throw UsageError("--format is float, double, pcm16 or pcm24, not \"" + v + "\"");
    } else if (name == "--seconds") o.seconds = PositiveNumber(name, takeValue());
    else if (name == "--runs") o.runs = PositiveInteger(name, takeValue(), 1000);
    else if (name == "--warmup") o.warmup = NonNegativeNumber(name, takeValue());
    else if (name == "--blocks") {
      std::string v = takeValue();
      o.blocks.clear();
      size_t pos = 0;
      while (pos <= v.size()) {
        size_t comma = v.find(',', pos);
        if (comma == std::string::npos) comma = v.size();
        o.blocks.push_back(PositiveInteger("--blocks", v.substr(pos, comma - pos), 1 << 20));
        pos = comma + 1;
      }
    } else if (name == "--tolerance") o.tolerance = NonNegativeNumber(name, takeValue());
    else throw UsageError("unknown option " + name);
  }
  return o;
}

// Sound files need libsndfile; a build without it says so as a usage error.
void RequireAudioSupport(const std::string& path) {
  if (!IsRawFile(path) && !HaveSoundFiles()) {
    throw UsageError(path + ": this build reads and writes only raw .f64 files (interleaved little-endian doubles)");
  }
}

void ExpectPositional(const Options& o, size_t count, const char* usage) {
  if (o.positional.size() != count) throw UsageError(std::string("usage: quillmere-host ") + usage);
}

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

// The state options, in this order: program, state chunk, parameters.
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

void PrintInfo(VstHost& host, std::ostream& out) {
  AEffect* e = host.Effect();
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

int CommandInfo(const std::vector<std::string>& args, std::ostream& out) {
  Options o = ParseOptions(args, 1);
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

int CommandRender(const std::vector<std::string>& args, std::ostream& out) {
  Options o = ParseOptions(args, 1);
  ExpectPositional(o, o.demo ? 2 : 3, "render MODULE IN OUT [options]  or  render MODULE --demo OUT [options]");
  const std::string& module = o.positional[0];
  const std::string& outPath = o.positional.back();
  RequireAudioSupport(outPath);
  if (!o.demo) RequireAudioSupport(o.positional[1]);
  AudioData input;
  if (o.demo) {
    input = DemoSignal(o.rate);
  } else {
    std::string error;
    if (!ReadAudio(o.positional[1], o.rawChannels, o.rate, &input, &error)) throw Failure{kExitIo, error};
    if (!o.rateGiven) o.rate = input.sampleRate;
    input.sampleRate = o.rate;
  }
  VstHost host(SettingsFrom(o));
  LoadModule(host, module);
  if (!host.Supports(o.precision)) {
    throw Failure{kExitRejected, std::string("the module does not support ") + PrecisionName(o.precision) + " processing"};
  }
  host.Open();
  ApplyState(host, o);
  host.Resume(o.precision);
  RenderOptions options;
  options.precision = o.precision;
  options.prefill = o.prefill;
  options.tailFrames = static_cast<size_t>(o.tail * o.rate + 0.5);
  AudioData output;
  std::string error;
  if (!RenderAudio(host, input, options, &output, &error)) throw Failure{kExitRejected, error};
  host.Suspend();
  SaveChunkIfAsked(host, o);
  if (o.log) PrintLog(host, out);
  host.Unload();
  if (!WriteAudio(outPath, output, o.format, &error)) throw Failure{kExitIo, error};
  out << DescribeStats(outPath, Measure(output)) << "\n";
  return kExitOk;
}

int CommandBench(const std::vector<std::string>& args, std::ostream& out) {
  Options o = ParseOptions(args, 1);
  ExpectPositional(o, 1, "bench MODULE [options]");
  if (!o.rateGiven) o.rate = 48000;
  VstHost host(SettingsFrom(o));
  LoadModule(host, o.positional[0]);
  host.Open();
  ApplyState(host, o);
  BenchOptions options;
  options.seconds = o.seconds;
  options.runs = o.runs;
  options.warmup = o.warmup;
  out << Format("bench %s at %.0f Hz: median of %d runs of %.2f s of audio after %.2f s warm-up\n",
                QuoteText(host.EffectName()).c_str(), o.rate, o.runs, o.seconds, o.warmup);
  std::vector<Precision> precisions = {Precision::Float, Precision::FloatAdding, Precision::Double};
  if (o.precisionGiven) precisions = {o.precision};
  for (Precision p : precisions) {
    if (!host.Supports(p)) {
      out << Format("  %-12s  not supported by the module\n", PrecisionName(p));
      continue;
    }
    for (int block : o.blocks) {
      BenchResult result;
      std::string error;
      if (!BenchOne(host, p, block, options, &result, &error)) throw Failure{kExitRejected, error};
      out << Format("  %-12s  block %5d: %10.2f ns per stereo frame, real-time factor %.6f (%.0fx real time)\n",
                    PrecisionName(p), block, result.nsPerFrame, result.realTimeFactor,
                    result.realTimeFactor > 0 ? 1.0 / result.realTimeFactor : 0.0);
    }
  }
  SaveChunkIfAsked(host, o);
  if (o.log) PrintLog(host, out);
  host.Unload();
  return kExitOk;
}

int CommandCompare(const std::vector<std::string>& args, std::ostream& out) {
  Options o = ParseOptions(args, 1);
  ExpectPositional(o, 2, "compare A B [--tolerance T] [--channels N]");
  RequireAudioSupport(o.positional[0]);
  RequireAudioSupport(o.positional[1]);
  AudioData a, b;
  std::string error;
  if (!ReadAudio(o.positional[0], o.rawChannels, o.rate, &a, &error)) throw Failure{kExitIo, error};
  if (!ReadAudio(o.positional[1], o.rawChannels, o.rate, &b, &error)) throw Failure{kExitIo, error};
  Comparison c = CompareAudio(a, b, o.tolerance);
  if (!c.sameShape) {
    out << Format("differ: %d ch x %zu frames against %d ch x %zu frames\n", a.NumChannels(), a.Frames(),
                  b.NumChannels(), b.Frames());
    return kExitDiffer;
  }
  // One line, so that a script may keep just the first line of the output.
  out << Format("%s: max abs difference %.6g at frame %zu channel %d; %zu of %zu samples beyond tolerance %g\n",
                c.beyondTolerance == 0 ? "same" : "differ", c.maxDifference, c.worstFrame, c.worstChannel,
                c.beyondTolerance, a.Frames() * static_cast<size_t>(a.NumChannels()), o.tolerance);
  return c.beyondTolerance == 0 ? kExitOk : kExitDiffer;
}

int CommandDemo(const std::vector<std::string>& args, std::ostream& out) {
  Options o = ParseOptions(args, 1);
  ExpectPositional(o, 1, "demo OUT [--rate HZ] [--format F]");
  const std::string& outPath = o.positional[0];
  RequireAudioSupport(outPath);
  AudioData demo = DemoSignal(o.rate);
  std::string error;
  if (!WriteAudio(outPath, demo, o.format, &error)) throw Failure{kExitIo, error};
  out << DescribeStats(outPath, Measure(demo)) << "\n";
  return kExitOk;
}

}  // namespace

std::string QuoteText(const std::string& text) {
  std::string quoted = "\"";
  for (unsigned char c : text) {
    if (c == '"' || c == '\\') {
      quoted += '\\';
      quoted += static_cast<char>(c);
    } else if (c < 0x20 || c == 0x7f) {
      quoted += Format("\\x%02X", c);
    } else {
      quoted += static_cast<char>(c);
    }
  }
  return quoted + "\"";
}

std::string FourChars(int32_t id) {
  uint32_t u = static_cast<uint32_t>(id);
  std::string text = "'";
  for (int shift = 24; shift >= 0; shift -= 8) {
    char c = static_cast<char>((u >> shift) & 0xff);
    text += (c >= 0x20 && c < 0x7f) ? c : '?';
  }
  return text + "'";
}

std::string HelpText() {
  return R"(quillmere-host: a command-line VST 2 host

usage:
  quillmere-host info MODULE [options]
      the effect record, parameters, programs, identity, capabilities and
      state chunk sizes of a VST 2 module
  quillmere-host render MODULE IN OUT [options]
  quillmere-host render MODULE --demo OUT [options]
      runs IN (or the embedded demo input) through the effect into OUT and
      prints its channels, rate, length, peak and RMS
  quillmere-host bench MODULE [options]
      processing cost per stereo frame and real-time factor, for each
      processing callback the module offers, at block sizes 64, 512, 4096
  quillmere-host compare A B [--tolerance T] [--channels N]
      sample-by-sample comparison of two renders (max abs difference)
  quillmere-host demo OUT [--rate HZ] [--format F]
      writes the embedded demo input
  quillmere-host --help | --version

audio files: OUT and IN ending in .f64 are raw interleaved little-endian
64-bit floats (channels from --channels for reading, default 2; the rate
from --rate). Other names are sound files through libsndfile (.wav, .aiff,
.flac), in builds that have it; the Windows build has only .f64.

options for info, render and bench:
  --host-name NAME        product name the host reports (default quillmere-host)
  --rate HZ               sample rate (default: the input file's; 44100 for
                          info and the demo; 48000 for bench)
  --block N               block size (default 512; the last block may be shorter)
  --tempo BPM             tempo in the host's time info (default 120)
  --no-tempo              time info without tempo, ppq and bar position
  --program N|NAME        select a program by index or by name
  --param P=VALUE         set parameter P (index or name) to a normalised VALUE
                          from 0 to 1; --param P=text:TEXT sets it from a display
                          text through effString2Parameter (repeatable)
  --load-chunk FILE       load a state chunk (effSetChunk, bank form)
  --save-chunk FILE       save the state chunk (effGetChunk, bank form) at the
                          end of the command
  --program-chunk         use the program form of the chunk instead
  --log                   print the automation and edit-gesture log and the
                          count of every host request
  State options apply in this order: program, chunk, parameters.

options for render:
  --demo                  use the embedded demo input (4 s stereo) instead of IN
  --precision P           float (processReplacing, default), float-adding
                          (process, into a zeroed or pre-filled output) or
                          double (processDoubleReplacing)
  --prefill V             float-adding: value the output holds before each block
  --start SAMPLES         transport sample position of the first block (default 0)
  --tail SECONDS          process this much silence after the input (default 0)
  --offline               answer the process level offline (4) instead of real time
  --channels N            channels of a raw input file (default 2)
  --format F              sample format of a written sound file: float (default),
                          double, pcm16, pcm24

options for bench:
  --seconds S             audio timed per run (default 2)
  --runs N                timed runs; the median is reported (default 5)
  --warmup S              audio processed before timing (default 0.5)
  --blocks LIST           block sizes, comma-separated (default 64,512,4096)
  --precision P           only this processing callback

exit codes:
  0  success (compare: the files are the same within the tolerance)
  1  usage error
  2  cannot load the module (missing file, or the system loader failed)
  3  not a VST 2 module (not a library, no entry point), or it refused to
     open (entry point returned null, wrong magic number)
  4  I/O error (reading or writing a file)
  5  the effect rejected a request (unknown parameter or program, a text it
     does not accept, a state chunk, an unsupported precision)
  6  compare: the files differ beyond the tolerance
)";
}

int RunCommandLine(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  try {
    if (args.empty()) throw UsageError("no command given (try --help)");
    const std::string& command = args[0];
    if (command == "--help" || command == "-h" || command == "help") {
      out << HelpText();
      return kExitOk;
    }
    if (command == "--version") {
      out << "quillmere-host 1.0.0\n";
      return kExitOk;
    }
    if (command == "info") return CommandInfo(args, out);
    if (command == "render") return CommandRender(args, out);
    if (command == "bench") return CommandBench(args, out);
    if (command == "compare") return CommandCompare(args, out);
    if (command == "demo") return CommandDemo(args, out);
    throw UsageError("unknown command \"" + command + "\" (try --help)");
  } catch (const UsageError& e) {
    err << "quillmere-host: " << e.message << "\n";
    return kExitUsage;
  } catch (const Failure& f) {
    err << "quillmere-host: " << f.message << "\n";
    return f.code;
  } catch (const std::exception& e) {
    err << "quillmere-host: " << e.what() << "\n";
    return kExitIo;
  }
}

}  // namespace qmhost
