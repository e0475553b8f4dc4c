#pragma once
// Starting helper programs from an editor window, without a shell: the
// browser opener and the desktop's dialog programs.
#include <string>
#include <vector>

// The full path of a program found on $PATH (or a path with a slash, when
// it is executable); empty when there is none.
std::string FindProgram(const std::string& name);

// Starts the program with the arguments (argv[0] excluded) and does not
// wait for it: it runs on as a child of the system, leaving no zombie
// behind. True when it started.
bool StartDetached(const std::string& path, const std::vector<std::string>& args);

// Runs the program and collects what it writes on its standard output. It
// is stopped (and -1 returned) as soon as stopFd becomes readable, when
// stopFd >= 0. Otherwise returns its exit status, or -1 when it could not
// be started or did not exit normally.
int RunForOutput(const std::string& path, const std::vector<std::string>& args, std::string* output, int stopFd);
