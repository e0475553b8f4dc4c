#pragma once
#include "gfx/PngDecode.h"
#include "gui/IGui.h"

// A graphics context without a window: it paints into its canvas and never
// shows it. Repaint requests are painted at once, so driving TimerTick()
// paints what the window's timer would; a request to open the window paints
// everything, as a window's first tick does, and returns no window. The
// window services answer as a closed window does: no window, no pop-ups,
// empty folders and file names, no colour chosen, no address opened. Images come from the module's
// resources. Used by tests, by the headless render tool, and by the editor
// factory on platforms whose window is not built yet.
class IGuiHeadless : public IGui {
public:
  IGuiHeadless(IPlugBase* owner, int width, int height, int frameRate);
  ~IGuiHeadless() override;

  // The module whose resources hold the images (by default the one this
  // code is linked into).
  void SetModule(ModuleInstance module) { mModule = module; }

  bool ShowArea(const IBounds& area) override;
  void PromptText(IEditableTextControl* control) override;
  void PromptValue(IControl* control, IParameter* param, bool centred) override;
  void HostFolder(std::string* out) override;
  void ModuleFolder(std::string* out) override;
  void PromptFile(std::string* fileName, int action, const char* folder, const char* extensions) override;
  bool PromptColour(IRgba* colour, const char* title) override;
  bool OpenAddress(const char* address, const char* title, const char* confirm, const char* error) override;
  void* WindowHandle() override { return nullptr; }
  BitmapBase* LoadBitmapResource(int id, const char* name) override;
  void RequestRepaint(const IBounds& area) override;
  // Paints the whole editor; there is no window to return.
  void* OpenEditorWindow(void* parent) override;
  // Ends a pending wheel gesture, as closing a window does.
  void CloseEditorWindow() override;

  // Paints everything now: the state of the editor as a window would show it.
  bool RedrawAll();

private:
  ModuleInstance mModule;
};
