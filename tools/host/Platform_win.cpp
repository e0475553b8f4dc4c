#include "tools/host/Platform.h"

#include <windows.h>

#include <csignal>
#include <cstdio>
#include <cstring>
#include <vector>

namespace qmhost {

namespace {

std::wstring Widen(const std::string& text) {
  if (text.empty()) return std::wstring();
  int n = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &wide[0], n);
  return wide;
}

std::string Narrow(const wchar_t* text, int length) {
  if (length <= 0) return std::string();
  int n = WideCharToMultiByte(CP_UTF8, 0, text, length, nullptr, 0, nullptr, nullptr);
  std::string narrow(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text, length, &narrow[0], n, nullptr, nullptr);
  return narrow;
}

std::string SystemMessage(DWORD code) {
  wchar_t* text = nullptr;
  DWORD n = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                           nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::string message;
  if (n > 0 && text) message = Narrow(text, static_cast<int>(n));
  if (text) LocalFree(text);
  while (!message.empty() && (message.back() == '\n' || message.back() == '\r' || message.back() == ' ')) {
    message.pop_back();
  }
  if (message.empty()) message = "system error " + std::to_string(code);
  return message;
}

}  // namespace

bool ModuleLibrary::Open(const std::string& path) {
  Close();
  mError.clear();
  std::wstring wide = Widen(path);
  for (wchar_t& c : wide) {
    if (c == L'/') c = L'\\';
  }
  // No error boxes for a file that is not a module.
  UINT previous = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
  HMODULE module = LoadLibraryExW(wide.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
  DWORD code = module ? 0 : GetLastError();
  SetErrorMode(previous);
  if (!module) {
    mError = SystemMessage(code);
    return false;
  }
  mHandle = reinterpret_cast<void*>(module);
  return true;
}

void* ModuleLibrary::Symbol(const char* name) const {
  if (!mHandle) return nullptr;
  return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(mHandle), name));
}

void ModuleLibrary::Close() {
  if (mHandle) FreeLibrary(static_cast<HMODULE>(mHandle));
  mHandle = nullptr;
}

std::FILE* OpenFile(const std::string& path, const char* mode) {
  return _wfopen(Widen(path).c_str(), Widen(mode).c_str());
}

bool FileExists(const std::string& path) {
  DWORD attributes = GetFileAttributesW(Widen(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::string ExecutableDirectory() {
  std::vector<wchar_t> buf(32768);
  DWORD n = GetModuleFileNameW(nullptr, buf.data(), static_cast<DWORD>(buf.size()));
  if (n == 0 || n >= buf.size()) return std::string();
  std::string path = Narrow(buf.data(), static_cast<int>(n));
  size_t slash = path.find_last_of("\\/");
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

const char* ModuleExtension() { return ".dll"; }

namespace {

char gCrashMessage[1024];
char gCrashEnding[256];
volatile LONG gCrashArmed = 0;
int gCrashExitCode = 1;
bool gCrashHandlersInstalled = false;

void Write(const char* text) {
  DWORD written = 0;
  WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), text, static_cast<DWORD>(std::strlen(text)), &written, nullptr);
}

void Report(const char* what) {
  if (InterlockedExchange(&gCrashArmed, 0) == 0) return;
  Write(gCrashMessage);
  Write(what);
  Write(gCrashEnding);
  TerminateProcess(GetCurrentProcess(), static_cast<UINT>(gCrashExitCode));
}

LONG WINAPI OnException(EXCEPTION_POINTERS* info) {
  char what[64];
  std::snprintf(what, sizeof what, "exception 0x%08lX",
                static_cast<unsigned long>(info && info->ExceptionRecord ? info->ExceptionRecord->ExceptionCode : 0));
  Report(what);
  return EXCEPTION_CONTINUE_SEARCH;
}

void OnAbort(int) { Report("abort"); }

}  // namespace

void ArmCrashReport(const std::string& message, const std::string& ending, int exitCode) {
  if (!gCrashHandlersInstalled) {
    SetUnhandledExceptionFilter(OnException);
    std::signal(SIGABRT, OnAbort);
    gCrashHandlersInstalled = true;
  }
  gCrashArmed = 0;
  std::snprintf(gCrashMessage, sizeof gCrashMessage, "%s", message.c_str());
  std::snprintf(gCrashEnding, sizeof gCrashEnding, "%s", ending.c_str());
  gCrashExitCode = exitCode;
  gCrashArmed = 1;
}

void DisarmCrashReport() { gCrashArmed = 0; }

}  // namespace qmhost
