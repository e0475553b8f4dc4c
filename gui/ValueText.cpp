#include "gui/ValueText.h"

#include <cstring>

#include "framework/IParameter.h"

ValueText::ValueText(const IParameter* param, bool withLabel) {
  if (!param) return;
  constexpr int kValueRoom = sizeof(mText) - IParameter::kTextSize;
  param->FormatDisplay(param->Value(), false, mText, kValueRoom);
  if (!withLabel || !mText[0]) return;
  const size_t used = std::strlen(mText);
  std::strncat(mText, param->Label(), sizeof(mText) - 1 - used);
}
