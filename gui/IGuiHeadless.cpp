#include "gui/IGuiHeadless.h"

IGuiHeadless::IGuiHeadless(IPlugBase* owner, int width, int height, int frameRate)
    : IGui(owner, width, height, frameRate), mModule(ThisModuleInstance()) {}

IGuiHeadless::~IGuiHeadless() = default;

bool IGuiHeadless::ShowArea(const IBounds&) { return true; }
void IGuiHeadless::PromptText(IEditableTextControl*) {}
void IGuiHeadless::PromptValue(IControl*, IParameter*, bool) {}

void IGuiHeadless::HostFolder(std::string* out) {
  if (out) out->clear();
}

void IGuiHeadless::ModuleFolder(std::string* out) {
  if (out) out->clear();
}

void IGuiHeadless::PromptFile(std::string* fileName, int, const char*, const char*) {
  if (fileName) fileName->clear();
}

bool IGuiHeadless::PromptColour(IRgba*, const char*) { return false; }
bool IGuiHeadless::OpenAddress(const char*, const char*, const char*, const char*) { return false; }

BitmapBase* IGuiHeadless::LoadBitmapResource(int id, const char*) { return DecodePngResource(mModule, id, nullptr); }

void IGuiHeadless::RequestRepaint(const IBounds& area) { Redraw(area); }

void* IGuiHeadless::OpenEditorWindow(void*) {
  MarkAllDirty();
  RedrawAll();
  return nullptr;
}

void IGuiHeadless::CloseEditorWindow() { EndPendingWheelEdit(); }

bool IGuiHeadless::RedrawAll() { return Redraw(IBounds(0, 0, Width(), Height())); }
