#include "gui/MakeEditor.h"

#include <new>

#include "gui/IGuiWin.h"

IGui* MakeEditor(IPlugBase* owner, int width, int height, int frameRate) {
  // The window's images and class belong to the module this code is in.
  return new (std::nothrow) IGuiWin(owner, width, height, frameRate);
}
