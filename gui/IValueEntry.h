#pragma once
#include <string>
#include <vector>

#include "gfx/IBounds.h"

class IControl;
class IGui;
class IParameter;

// The typed entry that a right press opens over a control: an edit box
// showing the value's text, or, for a list parameter, a drop-down list of its
// display texts. Where it sits and what it holds is the same on every system;
// the window draws it with its own means and hands the typed or picked text
// back through IGui::SetValueFromEntry.
struct IValueEntry {
  enum Kind { EditBox, List };
  // Entry states: opened (idle), typed into (active), and the two endings
  // the window's next tick applies.
  enum State { EntryIdle = 0, EntryActive = 1, EntryCancel = 2, EntryCommit = 3 };

  Kind kind = EditBox;
  // Editor coordinates. A centred list reaches below the editor: it is as
  // tall as all its items.
  IBounds bounds;
  // The edit box's text centred (the centred form) or left-aligned.
  bool centreText = false;
  std::string text;                // the current value's display text
  std::vector<std::string> items;  // List: the display texts, in stored order
  int selected = -1;               // List: the last item equal to text, or -1
};

// Lays out the value entry for a control and its parameter, centred on the
// control or covering it. False when either is missing.
bool LayoutValueEntry(const IControl* control, const IParameter* param, bool centred, IValueEntry* out);
