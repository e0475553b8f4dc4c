// The host's side of the conversation: the callback an effect calls, and
// the answers to its requests.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "tools/host/HostRegistry.h"
#include "tools/host/VstHost.h"

namespace qmhost {

namespace {

constexpr VstInt32 kHostVstVersion = 2400;
constexpr VstInt32 kProcessLevelUser = 1;
constexpr VstInt32 kProcessLevelRealtime = 2;
constexpr VstInt32 kProcessLevelOffline = 4;
constexpr VstInt32 kAutomationOff = 1;
constexpr VstInt32 kLanguageEnglish = 1;

// Which host an effect record belongs to. Effects may call the host from
// their entry point before the record exists; that call goes to the host
// that is loading on this thread.
std::mutex gRegistryLock;
std::vector<std::pair<AEffect*, VstHost*>> gRegistry;
thread_local VstHost* gLoading = nullptr;

VstHost* HostOf(AEffect* effect) {
  if (effect) {
    std::lock_guard<std::mutex> lock(gRegistryLock);
    for (auto& entry : gRegistry) {
      if (entry.first == effect) return entry.second;
    }
  }
  return gLoading;
}

void CopyText(void* ptr, const std::string& text, size_t size) {
  if (!ptr || size == 0) return;
  size_t n = std::min(text.size(), size - 1);
  std::memcpy(ptr, text.data(), n);
  static_cast<char*>(ptr)[n] = '\0';
}

// The capability texts of the VST 2 interface that a host may be asked
// about, and whether this host does them.
struct HostCapability {
  const char* text;
  VstIntPtr answer;
};
const HostCapability kHostCapabilities[] = {
    {"sendVstTimeInfo", 1},
    {"receiveVstEvents", 1},
    {"receiveVstMidiEvent", 1},
    {"startStopProcess", 1},
    {"sendVstEvents", -1},
    {"sendVstMidiEvent", -1},
    {"sendVstMidiEventFlagIsRealtime", -1},
    {"receiveVstTimeInfo", -1},
    {"reportConnectionChanges", -1},
    {"acceptIOChanges", -1},
    {"sizeWindow", -1},
    {"offline", -1},
    {"openFileSelector", -1},
    {"closeFileSelector", -1},
    {"editFile", -1},
    {"shellCategory", -1},
    {"supplyIdle", -1},
    {"supportShell", -1},
    {"asyncProcessing", -1},
};

}  // namespace

LoadingOnThisThread::LoadingOnThisThread(VstHost* host) : mPrevious(gLoading) { gLoading = host; }
LoadingOnThisThread::~LoadingOnThisThread() { gLoading = mPrevious; }

void RegisterEffect(AEffect* effect, VstHost* host) {
  std::lock_guard<std::mutex> lock(gRegistryLock);
  gRegistry.emplace_back(effect, host);
}

void UnregisterHost(VstHost* host) {
  std::lock_guard<std::mutex> lock(gRegistryLock);
  gRegistry.erase(std::remove_if(gRegistry.begin(), gRegistry.end(),
                                 [host](const std::pair<AEffect*, VstHost*>& e) { return e.second == host; }),
                  gRegistry.end());
}

void VstHost::UpdateTime() {
  VstTimeInfo& t = mTime;
  t.sampleRate = mSettings.sampleRate;
  t.nanoSeconds = 0;
  t.timeSigNumerator = 4;
  t.timeSigDenominator = 4;
  t.smpteOffset = 0;
  t.smpteFrameRate = 0;
  t.samplesToNextClock = 0;
  t.cycleStartPos = 0;
  t.cycleEndPos = 0;
  t.flags = kVstTimeSigValid;
  if (mPlaying) t.flags |= kVstTransportPlaying;
  if (mTransportChanged) t.flags |= kVstTransportChanged;
  if (mSettings.tempoValid) {
    t.tempo = mSettings.tempo;
    t.flags |= kVstTempoValid;
  } else {
    t.tempo = 0;
  }
  if (mSettings.tempoValid && mSettings.tempo > 0 && std::isfinite(mSettings.tempo)) {
    t.ppqPos = t.samplePos / mSettings.sampleRate * mSettings.tempo / 60.0;
    t.barStartPos = std::floor(t.ppqPos / 4.0) * 4.0;
    t.flags |= kVstPpqPosValid | kVstBarsValid;
  } else {
    t.ppqPos = 0;
    t.barStartPos = 0;
  }
}

VstIntPtr VSTCALLBACK VstHost::Callback(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                                        float opt) {
  VstHost* host = HostOf(effect);
  if (!host) {
    // A request from an effect no host here knows (e.g. from a thread it
    // started before its host was gone): only the version is told.
    return opcode == audioMasterVersion ? kHostVstVersion : 0;
  }
  // Nothing may unwind through the effect's frames.
  try {
    return host->Answer(opcode, index, value, ptr, opt);
  } catch (...) {
    return 0;
  }
}

VstIntPtr VstHost::Answer(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt) {
  (void)value;
  {
    std::lock_guard<std::mutex> lock(mLogLock);
    ++mRequests[opcode];
    switch (opcode) {
      case audioMasterAutomate: mEvents.push_back({HostEvent::Automate, index, opt}); return 0;
      case audioMasterBeginEdit: mEvents.push_back({HostEvent::BeginEdit, index, 0.0f}); return 1;
      case audioMasterEndEdit: mEvents.push_back({HostEvent::EndEdit, index, 0.0f}); return 1;
      default: break;
    }
  }
  switch (opcode) {
    case audioMasterVersion: return kHostVstVersion;
    case audioMasterCurrentId: return 0;
    case audioMasterIdle: return 0;
    case audioMasterPinConnected: {
      // 0 means connected.
      if (!mEffect) return 1;
      int count = value ? mEffect->numOutputs : mEffect->numInputs;  // value 0: an input pin
      return index >= 0 && index < count ? 0 : 1;
    }
    case audioMasterWantMidi: return 0;
    case audioMasterGetTime: return reinterpret_cast<VstIntPtr>(&mTime);
    case audioMasterProcessEvents: return ptr ? 1 : 0;
    case audioMasterIOChanged: return 0;
    case audioMasterSizeWindow: return 0;
    case audioMasterGetSampleRate: return static_cast<VstIntPtr>(mSettings.sampleRate);
    case audioMasterGetBlockSize: return mSettings.blockSize;
    case audioMasterGetInputLatency: return 0;
    case audioMasterGetOutputLatency: return 0;
    case audioMasterGetCurrentProcessLevel:
      if (mInProcess.load()) return mSettings.offline ? kProcessLevelOffline : kProcessLevelRealtime;
      return kProcessLevelUser;
    case audioMasterGetAutomationState: return kAutomationOff;
    case audioMasterGetVendorString: CopyText(ptr, mSettings.vendorName, kVstMaxVendorStrLen); return ptr ? 1 : 0;
    case audioMasterGetProductString: CopyText(ptr, mSettings.productName, kVstMaxProductStrLen); return ptr ? 1 : 0;
    case audioMasterGetVendorVersion: return mSettings.vendorVersion;
    case audioMasterCanDo: {
      if (!ptr) return 0;
      const char* text = static_cast<const char*>(ptr);
      for (const HostCapability& capability : kHostCapabilities) {
        if (std::strcmp(text, capability.text) == 0) return capability.answer;
      }
      return 0;
    }
    case audioMasterGetLanguage: return kLanguageEnglish;
    case audioMasterGetDirectory: return 0;
    case audioMasterUpdateDisplay: return 1;
    default: return 0;
  }
}

}  // namespace qmhost
