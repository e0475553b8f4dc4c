#pragma once

class IParameter;

// The text a control shows for its parameter's current value, with the
// unit label appended (no separator) when asked and the value text is not
// empty. Empty without a parameter.
class ValueText {
public:
  ValueText(const IParameter* param, bool withLabel);

  const char* Text() const { return mText; }
  bool Empty() const { return mText[0] == 0; }

private:
  char mText[128] = {};
};
