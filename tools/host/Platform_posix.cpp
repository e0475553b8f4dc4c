#include "tools/host/Platform.h"

#include <dlfcn.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qmhost {

bool ModuleLibrary::Open(const std::string& path) {
  Close();
  mError.clear();
  // A name without a slash would make dlopen search the library path; the
  // user means the file.
  std::string file = path.find('/') == std::string::npos ? "./" + path : path;
  mHandle = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!mHandle) {
    const char* why = dlerror();
    mError = why ? why : "unknown loader error";
    return false;
  }
  return true;
}

void* ModuleLibrary::Symbol(const char* name) const {
  if (!mHandle) return nullptr;
  return dlsym(mHandle, name);
}

void ModuleLibrary::Close() {
  if (mHandle) dlclose(mHandle);
  mHandle = nullptr;
}

std::FILE* OpenFile(const std::string& path, const char* mode) { return std::fopen(path.c_str(), mode); }

bool FileExists(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::string ExecutableDirectory() {
  char buf[4096];
  ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
  if (n <= 0) return std::string();
  std::string path(buf, static_cast<size_t>(n));
  size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

const char* ModuleExtension() { return ".so"; }

}  // namespace qmhost
