#pragma once
// The built module in the project's own host (tools/host): the tests here
// see the plug-in only through its exported entry point and effect record.
#include <cstring>
#include <string>

#include "tools/host/Platform.h"
#include "tools/host/VstHost.h"

// The module beside the test executable.
inline std::string ModulePath() { return qmhost::ExecutableDirectory() + QM_MODULE_NAME; }

// An exported entry point of the module opened in library, or null.
inline VstPluginMainProc ModuleEntry(const qmhost::ModuleLibrary& library, const char* name) {
  void* symbol = library.Symbol(name);
  VstPluginMainProc entry = nullptr;
  if (symbol) std::memcpy(&entry, &symbol, sizeof entry);
  return entry;
}

// 44100 Hz, 120 BPM, blocks of up to blockSize frames.
inline qmhost::HostSettings ModuleSettings(int blockSize = 4096) {
  qmhost::HostSettings settings;
  settings.productName = "quillmere tests";
  settings.blockSize = blockSize;
  return settings;
}

// Loads the module; with open, also opens it and starts processing in double
// precision, as hosts do.
inline bool LoadModule(qmhost::VstHost& host, bool open = true) {
  if (host.Load(ModulePath()) != qmhost::LoadStatus::Ok) return false;
  return !open || (host.Open() && host.Resume(qmhost::Precision::Double));
}

// Double-precision blocks, in place, cut to the host's block size.
inline void ProcessInPlace(qmhost::VstHost& host, double* left, double* right, int frames) {
  const int block = host.Settings().blockSize;
  for (int at = 0; at < frames; at += block) {
    double* io[2] = {left + at, right + at};
    host.ProcessDouble(io, io, frames - at < block ? frames - at : block);
  }
}

// A dispatcher request that writes a text, answered into a large buffer.
inline std::string DispatchText(qmhost::VstHost& host, VstInt32 opcode, VstInt32 index = 0) {
  char text[512] = {};
  host.Dispatch(opcode, index, 0, text);
  return text;
}
