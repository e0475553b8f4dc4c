// The command line of quillmere-host: options and positional arguments.
#include <cerrno>
#include <cmath>
#include <cstdlib>

#include "tools/host/CliCommand.h"

namespace qmhost {

namespace {

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

ParamSetting ParseParam(const std::string& arg) {
  size_t eq = arg.find('=');
  if (eq == std::string::npos || eq == 0) {
    throw UsageError("--param needs INDEX=VALUE or NAME=VALUE (VALUE normalised 0..1 or text:TEXT), not \"" + arg + "\"");
  }
  ParamSetting setting;
  setting.target = arg.substr(0, eq);
  std::string value = arg.substr(eq + 1);
  if (value.compare(0, 5, "text:") == 0) {
    setting.isText = true;
    setting.text = value.substr(5);
  } else if (!ParseNumber(value, &setting.normalized) || setting.normalized < 0 || setting.normalized > 1) {
    throw UsageError("--param " + arg + ": the value must be a normalised number from 0 to 1, or text:TEXT");
  }
  return setting;
}

}  // namespace

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
    } else if (name == "--seconds") {
      o.seconds = PositiveNumber(name, takeValue());
      o.secondsGiven = true;
    } else if (name == "--script") {
      o.script = takeValue();
    } else if (name == "--screenshot") {
      o.screenshot = takeValue();
    } else if (name == "--no-idle") {
      noValue(), o.noIdle = true;
    } else if (name == "--runs") o.runs = PositiveInteger(name, takeValue(), 1000);
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

void RequireAudioSupport(const std::string& path) {
  if (!IsRawFile(path) && !HaveSoundFiles()) {
    throw UsageError(path + ": this build reads and writes only raw .f64 files (interleaved little-endian doubles)");
  }
}

void ExpectPositional(const Options& o, size_t count, const char* usage) {
  if (o.positional.size() != count) throw UsageError(std::string("usage: quillmere-host ") + usage);
}

}  // namespace qmhost
