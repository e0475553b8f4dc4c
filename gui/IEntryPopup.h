#pragma once
#include "gui/IValueEntry.h"

class IControl;
class IGui;
class IParameter;

// The life of the entry pop-up over a control, the same on every system:
// which control (and, for a typed value, which parameter) it edits, and the
// state that the window's next timer tick acts on. The window owns the
// native pop-up and tells this record what happened to it.
//
// Opening leaves the state as it is (idle). Typing or the pop-up getting the
// focus makes it active; the first tick turns active back into idle. Enter,
// a pick from the list or a left press in the editor commit; a right press
// in the editor cancels; the pop-up losing the focus makes it idle. The tick
// after a commit applies the pop-up's text and closes it; after a cancel it
// closes it.
class IEntryPopup {
public:
  using State = IValueEntry::State;
  // What the window does with its pop-up at a tick.
  enum Step { kKeepOpen, kApplyAndClose, kClose };

  bool IsOpen() const { return mControl != nullptr; }
  IControl* Control() const { return mControl; }
  IParameter* Param() const { return mParam; }
  State GetState() const { return mState; }

  // A pop-up opened over control; param is null for a text entry.
  void Open(IControl* control, IParameter* param);

  void FocusGained() { Set(IValueEntry::EntryActive); }
  void FocusLost() { Set(IValueEntry::EntryIdle); }
  // A key pressed in the pop-up: Enter commits, any other is typing.
  void KeyDown(bool enter) { Set(enter ? IValueEntry::EntryCommit : IValueEntry::EntryActive); }
  void ListPicked() { Set(IValueEntry::EntryCommit); }
  void LeftPressInEditor() { Set(IValueEntry::EntryCommit); }
  // Cancels. A text entry keeps its text (nothing is applied).
  void RightPressInEditor() { Set(IValueEntry::EntryCancel); }

  // The window's timer tick.
  Step Tick();
  // The window is closing with the pop-up open: a commit that the next tick
  // would have applied is applied now; a pop-up still being typed into is
  // dropped, as a cancel.
  Step StepForClosing() const;

  // Closes the pop-up: with a text (a commit) the text is applied through
  // the graphics context as one edit gesture; then the control reports its
  // value once more and is painted again, and the record is cleared.
  void Close(IGui* gui, const char* committedText);
  // Clears the record without a word to anyone (the plug-in is going away).
  void Forget() {
    mControl = nullptr;
    mParam = nullptr;
    mState = IValueEntry::EntryIdle;
  }

private:
  void Set(State state) {
    if (IsOpen()) mState = state;
  }

  IControl* mControl = nullptr;
  IParameter* mParam = nullptr;
  State mState = IValueEntry::EntryIdle;
};
