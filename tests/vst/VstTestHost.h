#pragma once
// A minimal VST 2 host for tests: loads the built module through its
// exported entry point and answers the host requests with values the test
// controls, recording what the plug-in asks.
#include <cstring>
#include <string>
#include <vector>

#include "vst/VstAbi.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif

class TestModule {
public:
  TestModule() {
#if defined(_WIN32)
    mHandle = LoadLibraryA(QM_MODULE_NAME);
    if (mHandle) mEntry = reinterpret_cast<VstPluginMainProc>(reinterpret_cast<void*>(GetProcAddress(mHandle, "VSTPluginMain")));
    if (mHandle) mMain = reinterpret_cast<VstPluginMainProc>(reinterpret_cast<void*>(GetProcAddress(mHandle, "main")));
#else
    mHandle = dlopen(QM_MODULE_PATH, RTLD_NOW | RTLD_LOCAL);
    if (mHandle) mEntry = reinterpret_cast<VstPluginMainProc>(dlsym(mHandle, "VSTPluginMain"));
    if (mHandle) mMain = reinterpret_cast<VstPluginMainProc>(dlsym(mHandle, "main"));
#endif
  }
  ~TestModule() {
#if defined(_WIN32)
    if (mHandle) FreeLibrary(mHandle);
#else
    if (mHandle) dlclose(mHandle);
#endif
  }
  VstPluginMainProc Entry() const { return mEntry; }
  VstPluginMainProc Main() const { return mMain; }
  static TestModule& Get() {
    static TestModule module;
    return module;
  }

private:
#if defined(_WIN32)
  HMODULE mHandle = nullptr;
#else
  void* mHandle = nullptr;
#endif
  VstPluginMainProc mEntry = nullptr;
  VstPluginMainProc mMain = nullptr;
};

class TestHost {
public:
  double sampleRate = 44100.0;
  double tempo = 120.0;
  double samplePos = 0.0;
  bool tempoValid = true;
  bool giveTime = true;
  bool advance = true;  // samplePos moves on with every processed block
  std::string product = "quillmere tests";
  std::vector<std::string> log;  // automate / begin / end requests
  VstTimeInfo time{};
  AEffect* effect = nullptr;

  TestHost() = default;
  ~TestHost() { Close(); }
  TestHost(const TestHost&) = delete;
  TestHost& operator=(const TestHost&) = delete;

  // Creates the plug-in; with open, also opens and configures it as hosts do.
  bool Load(bool open = true, int blockSize = 4096) {
    sCreating = this;
    effect = TestModule::Get().Entry() ? TestModule::Get().Entry()(Callback) : nullptr;
    sCreating = nullptr;
    if (!effect) return false;
    effect->user = this;
    if (open) {
      Dispatch(effOpen);
      Dispatch(effSetSampleRate, 0, 0, nullptr, static_cast<float>(sampleRate));
      Dispatch(effSetBlockSize, 0, blockSize);
      Dispatch(effMainsChanged, 0, 1);
    }
    return true;
  }
  void Close() {
    if (effect) Dispatch(effClose);
    effect = nullptr;
  }

  VstIntPtr Dispatch(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0, void* ptr = nullptr, float opt = 0) {
    return effect->dispatcher(effect, opcode, index, value, ptr, opt);
  }
  std::string Text(VstInt32 opcode, VstInt32 index = 0) {
    char buffer[512] = {};
    Dispatch(opcode, index, 0, buffer);
    return buffer;
  }
  std::string Display(int index) { return Text(effGetParamDisplay, index); }
  void Set(int index, float normalized) { effect->setParameter(effect, index, normalized); }
  float Get(int index) { return effect->getParameter(effect, index); }
  // Sets a parameter by its display text, as a host's text entry does.
  bool SetText(int index, const char* text) {
    return Dispatch(effString2Parameter, index, 0, const_cast<char*>(text)) == 1;
  }
  std::vector<unsigned char> Chunk(bool bank) {
    void* data = nullptr;
    const VstIntPtr n = Dispatch(effGetChunk, bank ? 0 : 1, 0, &data);
    if (n <= 0 || !data) return {};
    const unsigned char* bytes = static_cast<const unsigned char*>(data);
    return std::vector<unsigned char>(bytes, bytes + n);
  }
  bool SetChunk(std::vector<unsigned char> bytes, bool bank = true) {
    return Dispatch(effSetChunk, bank ? 0 : 1, static_cast<VstIntPtr>(bytes.size()), bytes.data()) == 1;
  }

  void ProcessDouble(double* left, double* right, int frames) {
    double* io[2] = {left, right};
    effect->processDoubleReplacing(effect, io, io, frames);
    if (advance) samplePos += frames;
  }
  void ProcessDouble(std::vector<double>& left, std::vector<double>& right, int blockSize) {
    const int n = static_cast<int>(left.size());
    for (int at = 0; at < n; at += blockSize) {
      const int frames = std::min(blockSize, n - at);
      ProcessDouble(left.data() + at, right.data() + at, frames);
    }
  }

private:
  static inline TestHost* sCreating = nullptr;

  static VstIntPtr VSTCALLBACK Callback(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr, void* ptr,
                                        float opt) {
    TestHost* host = effect && effect->user ? static_cast<TestHost*>(effect->user) : sCreating;
    if (!host) return 0;
    switch (opcode) {
      case audioMasterVersion:
        return 2400;
      case audioMasterAutomate:
        host->log.push_back("automate " + std::to_string(index) + " " + std::to_string(opt));
        return 0;
      case audioMasterBeginEdit:
        host->log.push_back("begin " + std::to_string(index));
        return 0;
      case audioMasterEndEdit:
        host->log.push_back("end " + std::to_string(index));
        return 0;
      case audioMasterGetTime: {
        if (!host->giveTime) return 0;
        memset(&host->time, 0, sizeof host->time);
        host->time.samplePos = host->samplePos;
        host->time.sampleRate = host->sampleRate;
        host->time.tempo = host->tempo;
        host->time.timeSigNumerator = 4;
        host->time.timeSigDenominator = 4;
        host->time.flags = kVstTransportPlaying | kVstTimeSigValid | (host->tempoValid ? kVstTempoValid : 0);
        return reinterpret_cast<VstIntPtr>(&host->time);
      }
      case audioMasterGetProductString:
        if (ptr) strncpy(static_cast<char*>(ptr), host->product.c_str(), 255);
        return 1;
      default:
        return 0;
    }
  }
};
