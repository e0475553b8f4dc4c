#include "gui/ITextControl.h"

#include "gui/IGui.h"

ITextControl::ITextControl(IPlugBase* owner, const IBounds& bounds, const IFontSpec& font, const char* text)
    : IControl(owner, -1, bounds), mFont(font), mText(text ? text : "") {}

bool ITextControl::Paint(IGui* gui) {
  if (mText.empty()) return true;
  return gui->DrawTextIn(mFont, mText.c_str(), mBounds);
}
