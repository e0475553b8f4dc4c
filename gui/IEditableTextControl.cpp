#include "gui/IEditableTextControl.h"

#include <algorithm>

#include "gui/IGui.h"

IEditableTextControl::IEditableTextControl(IPlugBase* owner, const IBounds& bounds, const IFontSpec& font,
                                           const char* text)
    : ITextControl(owner, bounds, font, text) {}

void IEditableTextControl::MouseDown(int, int, const IModKeys&) {
  if (mPromptDisabled || !mGui) return;
  mGui->PromptText(this);
  mRedrawAgain = true;
}

bool IEditableTextControl::Paint(IGui* gui) {
  if ((mBackground.A & 0xFF) != 0 && !gui->FillBounds(mBackground, mBounds, nullptr)) return false;
  if (mText.empty()) return true;
  if (mMasked) {
    const std::string stars(std::min<size_t>(mText.size(), kMaxMaskLength), '*');
    return gui->DrawTextIn(mFont, stars.c_str(), mBounds);
  }
  return gui->DrawTextIn(mFont, mText.c_str(), mBounds);
}

void IEditableTextControl::SetTextFromEntry(const char* text) {
  const char* typed = text ? text : "";
  if (mText == typed) return;
  MarkDirty(false);
  mText = typed;
}
