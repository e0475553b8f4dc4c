#pragma once
// The few things the host does differently on each system: loading a module
// and finding its exported functions, opening files by UTF-8 name, and
// finding the directory of the running program. Everything else in the host
// is the same code on Linux and Windows.

#include <cstdio>
#include <string>

namespace qmhost {

// One loaded dynamic library. Unloads it when destroyed.
class ModuleLibrary {
public:
  ModuleLibrary() = default;
  ~ModuleLibrary() { Close(); }
  ModuleLibrary(const ModuleLibrary&) = delete;
  ModuleLibrary& operator=(const ModuleLibrary&) = delete;

  // Loads the library at path (UTF-8). On failure returns false and leaves the
  // system loader's explanation in Error().
  bool Open(const std::string& path);
  // The address of an exported function or object, or null.
  void* Symbol(const char* name) const;
  void Close();
  bool IsOpen() const { return mHandle != nullptr; }
  void* Handle() const { return mHandle; }
  const std::string& Error() const { return mError; }

private:
  void* mHandle = nullptr;
  std::string mError;
};

// fopen with a UTF-8 file name.
std::FILE* OpenFile(const std::string& path, const char* mode);
bool FileExists(const std::string& path);
// Directory of the running executable, with a trailing separator; empty when
// it cannot be found.
std::string ExecutableDirectory();
// The file extension of a loadable module on this system (".so" or ".dll").
const char* ModuleExtension();

// While armed, a crash of the process (an access violation, an abort, ...)
// writes message, the kind of crash ("segmentation fault", ...) and ending
// to the standard output and ends the process with exitCode. Builds with a
// sanitizer leave crashes to the sanitizer, which reports them in more
// detail.
void ArmCrashReport(const std::string& message, const std::string& ending, int exitCode);
void DisarmCrashReport();

}  // namespace qmhost
