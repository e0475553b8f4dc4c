#include "gui/ILinkArea.h"

#include "framework/TextUtil.h"
#include "gui/IGui.h"

ILinkArea::ILinkArea(IPlugBase* owner, const IBounds& bounds, const char* address, const char* fallback,
                     const char* title)
    : IControl(owner, -1, bounds) {
  if (address && address[0]) CopyTextField(mAddress, address, sizeof(mAddress));
  if (fallback && fallback[0]) CopyTextField(mFallback, fallback, sizeof(mFallback));
  if (title && title[0]) CopyTextField(mTitle, title, sizeof(mTitle));
}

void ILinkArea::MouseDown(int, int, const IModKeys&) {
  if (!mGui) return;
  if (mAddress[0] && mGui->OpenAddress(mAddress, mTitle, nullptr, nullptr)) return;
  if (mFallback[0]) mGui->OpenAddress(mFallback, mTitle, nullptr, nullptr);
}

bool ILinkArea::Paint(IGui*) { return true; }
