#pragma once
#include <string>

#include "gui/IControl.h"
#include "gui/IFontSpec.h"

// A fixed text in a font, from the top of its bounds; no parameter.
class ITextControl : public IControl {
public:
  // A null text is an empty one.
  ITextControl(IPlugBase* owner, const IBounds& bounds, const IFontSpec& font, const char* text);

  bool Paint(IGui* gui) override;

  const std::string& Text() const { return mText; }
  const IFontSpec& Font() const { return mFont; }

protected:
  IFontSpec mFont;
  std::string mText;
};
