#pragma once
// A plug-in base with recorded host services, for driving the framework
// without a host binding.
#include <string>
#include <vector>

#include "framework/IPlugBase.h"
#include "framework/TextUtil.h"
#include "framework/IEditor.h"

class TestPlug : public IPlugBase {
public:
  explicit TestPlug(int nParams = 3, const char* io = "1-1 2-2", int nPrograms = 4)
      : IPlugBase(nParams, io, nPrograms, "effect", "product", "vendor", 0x10203, FourCC("abcd"), FourCC("Mfgr"), 0, 0, false,
                  false) {}

  std::vector<std::string> log;      // host requests, in order
  std::vector<int> changed;          // ParamChanged indices, in order
  double tempo = 0.0;
  bool restoreAll = true;
  // The transport the host reports (none: no time information).
  bool timeInfo = false, playing = false;
  double position = 0.0;
  int restarts = 0;

  void ParamChanged(int index) override { changed.push_back(index); }
  bool CanRestoreParam(int index) override { return restoreAll || index != 1; }

  void BeginParamEdit(int i) override { EndPendingParamEdit(); log.push_back("begin " + std::to_string(i)); }
  void BeginParamEditOnce(int i) override { log.push_back("beginOnce " + std::to_string(i)); }
  void AutomateParam(int i, double v) override { log.push_back("automate " + std::to_string(i) + " " + std::to_string(v)); }
  void EndParamEdit(int i) override { log.push_back("end " + std::to_string(i)); }
  void NotifyHostDisplay() override {}
  int GetSamplePosition() override { return 0; }
  double GetHostTempo() override { return tempo; }
  bool GetTransport(double* pos, bool* play) override {
    *pos = position;
    *play = playing;
    return timeInfo;
  }
  void TransportRestarted() override { ++restarts; }
  void GetTimeSignature(int* n, int* d) override { *n = *d = 0; }
  void ResizeEditor(int, int) override {}
  void PrepareForHost() override {}
  bool SendMidiMessage(const MidiMessage* m) override { return m && m->status != 0; }
  bool SendSysExMessage(const SysExMessage*) override { return false; }

  void MakeReady() { SetReady(); }
  void AddTextSlots(std::vector<std::string> texts) { TextSlots() = std::move(texts); }
};

// An editor that records what the plug-in pushes into it.
class TestEditor : public IEditor {
public:
  explicit TestEditor(std::vector<std::string>* journal, int frameRate = 24)
      : IEditor(498, 285, frameRate), mJournal(journal) {}
  void ApplyPluginParameter(int index, double value, bool normalized) override {
    mJournal->push_back("apply " + std::to_string(index) + " " + std::to_string(value) + (normalized ? " n" : " p"));
  }
  void ApplyUserValueByParam(int index, double v) override {
    mJournal->push_back("user " + std::to_string(index) + " " + std::to_string(v));
  }
  void SetHiddenByParam(int index, bool hidden) override {
    mJournal->push_back("hide " + std::to_string(index) + (hidden ? " 1" : " 0"));
  }
  void PrepareDrawing() override { mJournal->push_back("prepare"); }
  void StartEndEditDelay(int ticks) override { mJournal->push_back("countdown " + std::to_string(ticks)); }
  void CancelEndEditDelay() override { mJournal->push_back("cancel"); }
  void* OpenEditorWindow(void*) override { return nullptr; }
  void CloseEditorWindow() override {}

private:
  std::vector<std::string>* mJournal;
};
