#pragma once
#include <memory>
#include <string>
#include <vector>

#include "plugin/CLS_QUILLMERE.h"

class IGui;

namespace qmeditor {

// The effect built in, as a host has it once it is running: opened at
// 44100 Hz, 120 BPM, processing, one block of silence processed. Its editor
// is the graphics context the effect built, driven without a window.
class EditorSession {
public:
  EditorSession();
  ~EditorSession();
  EditorSession(const EditorSession&) = delete;
  EditorSession& operator=(const EditorSession&) = delete;

  CLS_QUILLMERE& Effect() { return *mEffect; }
  // The effect's editor, or null when it has none.
  IGui* Gui();
  VstIntPtr Dispatch(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0, void* ptr = nullptr, float opt = 0);
  // A parameter set by the host.
  void SetParameter(int index, float normalized);
  // One block of silence.
  void Process();

  // The edit requests the effect made of the host, in order: "begin i",
  // "automate i v" (v as the host gets it, single precision), "end i".
  std::vector<std::string> requests;

private:
  static VstIntPtr VSTCALLBACK Host(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                                    float opt);
  VstTimeInfo mTime{};
  std::unique_ptr<CLS_QUILLMERE> mEffect;
};

}  // namespace qmeditor
