#pragma once
// What the commands of quillmere-host share: the parsed command line, the
// errors that end a command, and a module loaded with the state options
// applied. Each command has its own file (Command*.cpp); Cli.cpp picks the
// command and reports its errors.

#include <cstddef>
#include <ostream>
#include <string>
#include <vector>

#include "tools/host/AudioIO.h"
#include "tools/host/Cli.h"
#include "tools/host/VstHost.h"

namespace qmhost {

// A bad command line (exit code kExitUsage).
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
  // editor
  bool secondsGiven = false;
  std::string script;
  std::string screenshot;
  bool noIdle = false;
};

// The options and positional arguments from args[first] on (CliOptions.cpp).
Options ParseOptions(const std::vector<std::string>& args, size_t first);
void ExpectPositional(const Options& o, size_t count, const char* usage);
// Sound files need libsndfile; a build without it says so as a usage error.
void RequireAudioSupport(const std::string& path);

// The module and its state (CliSession.cpp).
HostSettings SettingsFrom(const Options& o);
void LoadModule(VstHost& host, const std::string& path);
// The state options, in this order: program, state chunk, parameters.
void ApplyState(VstHost& host, const Options& o);
void SaveChunkIfAsked(VstHost& host, const Options& o);
void PrintLog(VstHost& host, std::ostream& out);

// The commands. Each returns its exit code, or throws UsageError or Failure.
int CommandInfo(Options& o, std::ostream& out);
int CommandRender(Options& o, std::ostream& out);
int CommandBench(Options& o, std::ostream& out);
int CommandCompare(Options& o, std::ostream& out);
int CommandDemo(Options& o, std::ostream& out);
int CommandEditor(Options& o, std::ostream& out);

}  // namespace qmhost
