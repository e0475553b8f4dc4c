#pragma once
#include "gui/IRgba.h"
#include "gui/ITextControl.h"

// A text the user can edit through the window's text entry: optionally on
// a background colour, and optionally shown masked (as asterisks).
class IEditableTextControl : public ITextControl {
public:
  static constexpr int kMaxMaskLength = 254;

  IEditableTextControl(IPlugBase* owner, const IBounds& bounds, const IFontSpec& font, const char* text);

  // Opens the text entry (with double-click-as-press, a double click too).
  void MouseDown(int x, int y, const IModKeys& mods) override;
  bool Paint(IGui* gui) override;

  // A text typed into the entry: an equal text changes nothing. The plug-in
  // is not told.
  void SetTextFromEntry(const char* text);

  // An alpha of 0 means no background.
  void SetBackground(const IRgba& colour) { mBackground = colour; }
  const IRgba& Background() const { return mBackground; }
  // When not editable the entry is read-only and typed text is not taken.
  void SetEditable(bool editable) { mEditable = editable; }
  bool Editable() const { return mEditable; }
  void SetMasked(bool masked) { mMasked = masked; }
  bool Masked() const { return mMasked; }

private:
  IRgba mBackground;
  bool mEditable = true;
  bool mMasked = false;
};
