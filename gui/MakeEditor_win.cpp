#include "gui/MakeEditor.h"

#include <new>

#include "gui/IGuiHeadless.h"

// The seam for the Windows editor window (IGuiWin): it replaces the headless context here.
IGui* MakeEditor(IPlugBase* owner, int width, int height, int frameRate) {
  return new (std::nothrow) IGuiHeadless(owner, width, height, frameRate);
}
