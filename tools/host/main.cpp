// quillmere-host: the command-line VST 2 host. See Cli.h and --help.

#include <iostream>
#include <string>
#include <vector>

#include "tools/host/Cli.h"

#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#include <windows.h>
// after windows.h
#include <shellapi.h>

namespace {
// The command line as UTF-8, from the wide-character command line.
std::vector<std::string> Arguments() {
  std::vector<std::string> args;
  int count = 0;
  wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
  if (!wide) return args;
  for (int i = 1; i < count; ++i) {
    int n = WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, nullptr, 0, nullptr, nullptr);
    std::string arg(n > 0 ? static_cast<size_t>(n - 1) : 0, '\0');
    if (n > 1) WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, &arg[0], n, nullptr, nullptr);
    args.push_back(arg);
  }
  LocalFree(wide);
  return args;
}
}  // namespace
#endif

int main(int argc, char** argv) {
#if defined(_WIN32)
  (void)argc;
  (void)argv;
  // The same bytes as on Linux: no carriage returns added.
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
  std::vector<std::string> args = Arguments();
#else
  std::vector<std::string> args(argv + 1, argv + argc);
#endif
  int code = qmhost::RunCommandLine(args, std::cout, std::cerr);
  std::cout.flush();
  return code;
}
