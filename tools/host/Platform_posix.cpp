#include "tools/host/Platform.h"

#include <dlfcn.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

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

// Under a sanitizer its runtime reports crashes itself.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define QM_SANITIZER_OWNS_SIGNALS 1
#endif

#if !defined(QM_SANITIZER_OWNS_SIGNALS)
namespace {

char gCrashMessage[1024];
char gCrashEnding[256];
volatile sig_atomic_t gCrashArmed = 0;
int gCrashExitCode = 1;
bool gCrashHandlersInstalled = false;
const int kCrashSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT};

void Write(const char* text) {
  size_t n = std::strlen(text);
  while (n > 0) {
    ssize_t w = write(STDOUT_FILENO, text, n);
    if (w <= 0) return;
    text += w;
    n -= static_cast<size_t>(w);
  }
}

void OnCrash(int signal) {
  if (gCrashArmed) {
    gCrashArmed = 0;
    Write(gCrashMessage);
    Write(signal == SIGSEGV   ? "segmentation fault"
          : signal == SIGBUS  ? "bus error"
          : signal == SIGFPE  ? "arithmetic exception"
          : signal == SIGILL  ? "illegal instruction"
                              : "abort");
    Write(gCrashEnding);
    _exit(gCrashExitCode);
  }
  ::signal(signal, SIG_DFL);
  raise(signal);
}

}  // namespace
#endif

void ArmCrashReport(const std::string& message, const std::string& ending, int exitCode) {
#if defined(QM_SANITIZER_OWNS_SIGNALS)
  (void)message;
  (void)ending;
  (void)exitCode;
#else
  if (!gCrashHandlersInstalled) {
    // Its own stack, so that a stack overflow is reported too.
    static char stack[1 << 16];
    stack_t alternate = {};
    alternate.ss_sp = stack;
    alternate.ss_size = sizeof stack;
    sigaltstack(&alternate, nullptr);
    struct sigaction action = {};
    action.sa_handler = OnCrash;
    action.sa_flags = SA_ONSTACK;
    sigemptyset(&action.sa_mask);
    for (int s : kCrashSignals) sigaction(s, &action, nullptr);
    gCrashHandlersInstalled = true;
  }
  gCrashArmed = 0;
  std::snprintf(gCrashMessage, sizeof gCrashMessage, "%s", message.c_str());
  std::snprintf(gCrashEnding, sizeof gCrashEnding, "%s", ending.c_str());
  gCrashExitCode = exitCode;
  gCrashArmed = 1;
#endif
}

void DisarmCrashReport() {
#if !defined(QM_SANITIZER_OWNS_SIGNALS)
  gCrashArmed = 0;
#endif
}

}  // namespace qmhost
