#include "gui/MakeEditor.h"

#include <new>

#include "gui/IGuiX11.h"

IGui* MakeEditor(IPlugBase* owner, int width, int height, int frameRate) {
  return new (std::nothrow) IGuiX11(owner, width, height, frameRate);
}
