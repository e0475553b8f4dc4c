#pragma once
#include "gui/IControl.h"

// An invisible click area that opens a web address in the user's browser,
// trying the fallback address when the first cannot be opened.
class ILinkArea : public IControl {
public:
  static constexpr int kAddressSize = 256;  // terminator included
  static constexpr int kTitleSize = 1024;

  // Longer texts are cut to their fields; null or empty ones stay empty.
  ILinkArea(IPlugBase* owner, const IBounds& bounds, const char* address, const char* fallback, const char* title);

  // Any button: opens the address. The value is not changed and nothing is
  // reported.
  void MouseDown(int x, int y, const IModKeys& mods) override;
  bool Paint(IGui* gui) override;

  const char* Address() const { return mAddress; }
  const char* Fallback() const { return mFallback; }
  const char* Title() const { return mTitle; }

private:
  char mAddress[kAddressSize] = {};
  char mFallback[kAddressSize] = {};
  char mTitle[kTitleSize] = {};
};
