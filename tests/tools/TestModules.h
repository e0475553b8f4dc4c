#pragma once
// Where the test modules are, and access to the fake effect's call log.

#include <string>

#include "tools/host/Platform.h"

namespace qmtest {

// A module built beside the test executable.
inline std::string ModulePath(const char* file) { return qmhost::ExecutableDirectory() + file; }

// Keeps the fake effect module loaded for a test and reads its log. Opening
// it before the host does means the log starts empty for every test, even
// where the system keeps the module loaded between tests.
class FakeLog {
public:
  explicit FakeLog(const char* file) {
    mLibrary.Open(ModulePath(file));
    if (auto reset = reinterpret_cast<void (*)()>(mLibrary.Symbol("qmFakeReset"))) reset();
  }
  bool Loaded() const { return mLibrary.IsOpen(); }
  std::string Text() const {
    auto log = reinterpret_cast<const char* (*)()>(mLibrary.Symbol("qmFakeLog"));
    return log ? log() : std::string();
  }
  // Position of word in the log (whole words only), or npos.
  size_t Find(const std::string& word, size_t from = 0) const {
    std::string text = " " + Text() + " ";
    size_t at = text.find(" " + word + " ", from);
    return at;
  }
  bool Has(const std::string& word) const { return Find(word) != std::string::npos; }

private:
  qmhost::ModuleLibrary mLibrary;
};

}  // namespace qmtest
