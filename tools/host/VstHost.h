#pragma once
// VstHost: a small, well-behaved VST 2 host for one effect instance.
//
// It loads a module through its exported entry point ("VSTPluginMain", else
// "main"), checks the effect record, drives the effect through the usual
// lifecycle and answers the effect's requests to the host:
//
//   Load -> Open (effOpen, effSetSampleRate, effSetBlockSize)
//        -> programs / parameters / state chunk
//        -> Resume (effMainsChanged 1, effStartProcess)
//        -> ProcessFloat / ProcessFloatAdding / ProcessDouble ...
//        -> Suspend (effStopProcess, effMainsChanged 0)
//        -> Close (effClose) -> Unload
//
// Host requests answered (anything else answers 0):
//   audioMasterAutomate (0), BeginEdit (43), EndEdit (44): recorded in the
//     automation log (Events()), in the order they arrive, from any thread.
//   audioMasterVersion (1): 2400.
//   audioMasterGetTime (7): a VstTimeInfo with sample rate, sample position
//     (advancing by the frames of every processed block, starting at the
//     configured start position), tempo and ppq position (kVstTempoValid,
//     kVstPpqPosValid, kVstBarsValid unless the tempo is switched off),
//     time signature 4/4 (kVstTimeSigValid), transport playing (unless
//     stopped with SetPlaying), and kVstTransportChanged on the first block
//     after Resume and after the transport started, stopped or moved. The
//     tempo is passed on as set, whatever it is; ppq and bar positions only
//     for a finite, positive tempo.
//   audioMasterProcessEvents (8): counted; answers 1.
//   audioMasterGetSampleRate (16), GetBlockSize (17): the current settings.
//   audioMasterGetInputLatency (18), GetOutputLatency (19): 0.
//   audioMasterGetCurrentProcessLevel (23): 2 (real time) inside a processing
//     call, 4 (offline) there instead when the settings say offline, else 1.
//   audioMasterGetAutomationState (24): 1 (off: the host plays no automation).
//   audioMasterGetVendorString (32), GetProductString (33),
//     GetVendorVersion (34): from the settings.
//   audioMasterCanDo (37): 1 for what this host does ("sendVstTimeInfo",
//     "receiveVstEvents", "receiveVstMidiEvent", "startStopProcess"), -1 for
//     the other texts of the VST 2 list, 0 for unknown texts.
//   audioMasterGetLanguage (38): 1 (English).
//   audioMasterPinConnected (4): 0 ("connected") for the effect's own pins.
//
// Every request is also counted per opcode (RequestCounts()).
//
// Threads: the control calls (everything but the Process functions) belong to
// one thread; the Process functions may run on another, but not at the same
// time as a control call. Host requests may arrive on any thread.

#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "vst/VstAbi.h"

namespace qmhost {

class ModuleLibrary;

enum class LoadStatus {
  Ok,
  NotFound,           // no such file
  CannotLoad,         // a library the system loader could not load (dependencies, architecture)
  NotALibrary,        // the file is not a dynamic library at all
  NoEntryPoint,       // neither "VSTPluginMain" nor "main" is exported
  EntryReturnedNull,  // the module refused to create an effect
  BadMagic,           // the record returned is not a VST 2 effect record
};

// Short English description of a load status.
const char* LoadStatusText(LoadStatus status);

enum class Precision {
  Float,        // processReplacing
  FloatAdding,  // process: adds into the output buffers
  Double,       // processDoubleReplacing
};
const char* PrecisionName(Precision precision);  // "float", "float-adding", "double"
bool ParsePrecision(const std::string& text, Precision* precision);

struct HostSettings {
  std::string productName = "quillmere-host";
  std::string vendorName = "quillmere";
  int32_t vendorVersion = 1000;
  double sampleRate = 44100.0;
  int blockSize = 512;
  double tempo = 120.0;       // beats per minute
  bool tempoValid = true;     // false: time info without tempo, ppq and bar position
  double startPosition = 0;   // transport sample position of the first block
  bool offline = false;       // process level answered inside processing: 4 instead of 2
};

// One entry of the automation log.
struct HostEvent {
  enum Kind { Automate, BeginEdit, EndEdit };
  Kind kind;
  int index;
  float value;  // Automate only
};

class VstHost {
public:
  explicit VstHost(HostSettings settings = HostSettings());
  ~VstHost();  // suspends, closes and unloads as needed
  VstHost(const VstHost&) = delete;
  VstHost& operator=(const VstHost&) = delete;

  // Loads the module, calls its entry point and checks the record's magic.
  // On failure, Error() explains and the module is unloaded again.
  LoadStatus Load(const std::string& path);
  const std::string& Error() const { return mError; }
  // An exported symbol of the loaded module (null when none or not loaded).
  void* ModuleSymbol(const char* name) const;
  // The effect record; null before Load succeeded and after Close.
  AEffect* Effect() const { return mEffect; }

  // effOpen, then effSetSampleRate and effSetBlockSize from the settings.
  bool Open();
  // While open and suspended: change and tell the effect.
  bool SetSampleRate(double rate);
  bool SetBlockSize(int frames);
  const HostSettings& Settings() const { return mSettings; }
  // Transport position (samples) of the next block.
  void SetPosition(double samples);
  double Position() const { return mTime.samplePos; }
  // The transport plays (the default) or stands still; standing, blocks are
  // still processed, at a position that does not advance.
  void SetPlaying(bool playing);
  bool Playing() const { return mPlaying; }
  // The tempo told from the next block on (while running too), passed on as
  // it is (any value, with kVstTempoValid unless the settings switched the
  // tempo off).
  void SetTempo(double bpm);
  // Lets the Process functions pass any frame count from 0 up, also beyond
  // the block size (what some hosts do); off by default.
  void AllowAnyFrameCount(bool allow) { mAnyFrameCount = allow; }
  // The loaded module's system handle (HMODULE or dlopen handle), or null.
  void* ModuleHandle() const;

  // Raw dispatcher call (0 when no effect).
  VstIntPtr Dispatch(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0, void* ptr = nullptr,
                     float opt = 0.0f);

  // Parameters. Indices outside the effect's range give empty texts and 0.
  int NumParams() const { return mEffect ? mEffect->numParams : 0; }
  std::string ParamName(int index);
  std::string ParamLabel(int index);
  std::string ParamDisplay(int index);
  float GetParam(int index);
  void SetParam(int index, float normalized);
  // Sets a parameter from its display text through effString2Parameter;
  // false when the effect does not accept it.
  bool SetParamText(int index, const std::string& text);
  // Index of the parameter with this name (compared without regard to case,
  // surrounding blanks ignored), or -1.
  int FindParam(const std::string& name);

  // Programs.
  int NumPrograms() const { return mEffect ? mEffect->numPrograms : 0; }
  std::string ProgramName(int index);  // effGetProgramNameIndexed
  int CurrentProgram();
  // effBeginSetProgram, effSetProgram, effEndSetProgram; false for an index
  // outside the programs.
  bool SetProgram(int index);
  int FindProgram(const std::string& name);  // like FindParam

  // State chunk through effGetChunk / effSetChunk (bank form unless program).
  // GetChunk returns false when the effect gives no chunk.
  bool GetChunk(bool program, std::vector<uint8_t>* chunk);
  bool SetChunk(bool program, const std::vector<uint8_t>& chunk);

  // Identity and capability texts.
  std::string EffectName();
  std::string VendorString();
  std::string ProductString();
  VstIntPtr CanDo(const char* text);

  // effMainsChanged(1) + effStartProcess; effStopProcess + effMainsChanged(0).
  // Resume with the double precision first sends effSetProcessPrecision.
  bool Resume(Precision precision = Precision::Float);
  void Suspend();
  bool Running() const { return mRunning; }

  // Whether the effect offers the processing callback for this precision.
  bool Supports(Precision precision) const;
  // One block of frames (1 to the block size) through the chosen callback,
  // with numInputs input and numOutputs output channel pointers. The
  // transport advances by frames. False (nothing called) when not running,
  // unsupported, or frames out of range.
  bool ProcessFloat(float** inputs, float** outputs, int frames);
  bool ProcessFloatAdding(float** inputs, float** outputs, int frames);
  bool ProcessDouble(double** inputs, double** outputs, int frames);

  // effClose (the record is gone afterwards); the module stays loaded.
  void Close();
  // Close if needed, then unload the module.
  void Unload();

  // Automation log and request counts (copies, taken under the log's lock).
  std::vector<HostEvent> Events() const;
  void ClearEvents();
  std::map<int, int> RequestCounts() const;

  // The host callback handed to modules (public for tests).
  static VstIntPtr VSTCALLBACK Callback(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value,
                                         void* ptr, float opt);

private:
  VstIntPtr Answer(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt);
  std::string DispatchText(VstInt32 opcode, VstInt32 index, VstIntPtr value = 0);
  bool BeginBlock(Precision precision, int frames);
  void EndBlock(int frames);
  void UpdateTime();

  HostSettings mSettings;
  std::unique_ptr<ModuleLibrary> mLibrary;
  AEffect* mEffect = nullptr;
  std::string mError;
  bool mOpen = false;
  bool mRunning = false;
  bool mTransportChanged = true;
  bool mAnyFrameCount = false;
  bool mPlaying = true;
  std::atomic<bool> mInProcess{false};
  VstTimeInfo mTime;

  mutable std::mutex mLogLock;
  std::vector<HostEvent> mEvents;
  std::map<int, int> mRequests;
};

}  // namespace qmhost
