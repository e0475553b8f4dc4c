#pragma once
// The quillmere-host command line, callable in-process (tests) as well as
// from main().

#include <ostream>
#include <string>
#include <vector>

namespace qmhost {

enum ExitCode {
  kExitOk = 0,
  kExitUsage = 1,       // bad command line
  kExitCannotLoad = 2,  // module missing or not loadable by the system
  kExitNotVst = 3,      // not a VST 2 module, or it refused to create an effect
  kExitIo = 4,          // a file could not be read or written
  kExitRejected = 5,    // the effect rejected a request (unknown parameter or program, text, chunk, precision)
  kExitDiffer = 6,      // compare: the renders differ beyond the tolerance
};

// Runs one command. args excludes the program name. Normal output goes to
// out, diagnostics to err. Returns the exit code.
int RunCommandLine(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

std::string HelpText();
// "quillmere-host" and the version: what --version prints, and the first
// line of info.
std::string VersionLine();

// Exact-text helpers shared with the tests.
std::string QuoteText(const std::string& text);  // "..." with \" \\ and \xNN escapes
std::string FourChars(int32_t id);               // 'xYeo', non-printables as '?'

}  // namespace qmhost
