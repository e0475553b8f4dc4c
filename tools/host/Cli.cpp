// The command line of quillmere-host: picks the command, reports its errors
// with their exit codes, and the help text.
#include "tools/host/Cli.h"

#include "QmVersion.h"

#include "tools/host/AudioIO.h"
#include "tools/host/CliCommand.h"

namespace qmhost {

namespace {

struct CommandEntry {
  const char* name;
  int (*run)(Options& options, std::ostream& out);
};
const CommandEntry kCommands[] = {
    {"info", CommandInfo},       {"render", CommandRender}, {"bench", CommandBench},
    {"compare", CommandCompare}, {"demo", CommandDemo},
#ifdef QM_HOST_EDITOR
    {"editor", CommandEditor},
#endif
};

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

std::string VersionLine() { return "quillmere-host " QM_VERSION_TEXT; }

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
  quillmere-host editor MODULE [--script FILE] [--screenshot FILE]
                        [--seconds S] [--no-idle] [state options]
      opens the module's editor in a window of its own, as a host does,
      and prints every edit request the editor makes (begin, automate with
      the normalised value, end); without --script, --screenshot or
      --seconds it runs until the window is closed
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

options for editor:
  --script FILE           runs the steps of FILE against the editor with real
                          input events, printing each step and the requests
                          it caused (steps: click X Y, rclick X Y,
                          dblclick X Y, drag X Y DX DY, wheel X Y NOTCHES,
                          each optionally followed by shift or control;
                          key NAME, type TEXT, wait MS, set INDEX VALUE,
                          screenshot FILE, close, open)
  --screenshot FILE       writes the window's client area as PNG once the
                          editor has painted
  --seconds S             keeps the editor open S seconds (after the script)
  --no-idle               never sends effEditIdle (as some hosts do)

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
      out << VersionLine() << "\n";
      return kExitOk;
    }
    for (const CommandEntry& entry : kCommands) {
      if (command != entry.name) continue;
      Options options = ParseOptions(args, 1);
      return entry.run(options, out);
    }
#ifndef QM_HOST_EDITOR
    if (command == "editor") throw UsageError("this build of quillmere-host has no window for an editor");
#endif
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
