#pragma once
#include <memory>
#include <string>

#include "gfx/IBounds.h"
#include "gui/IEditBox.h"
#include "gui/IFontSpec.h"
#include "gui/IKeyMap.h"
#include "gui/IListBox.h"
#include "gui/IValueEntry.h"

class BitmapBase;
class IControl;
class IEditableTextControl;
class IGui;
class IParameter;
class PixelBitmap;

// A typed entry over a control, for windows that draw it themselves: the
// value entry (an edit box, or a drop-down list for a list parameter) and
// the text entry of an editable text control. It keeps the entry's state
// (IValueEntry::State), turns the window's keys, presses and focus changes
// into typing and into commit or cancel, applies the ending at the window's
// next timer tick and paints the box and the list.
//
// State: opening leaves it idle; typing or the focus coming back makes it
// active, and the next tick idle again; Enter, a choice from the list or a
// left press in the editor commits; a right press in the editor or Escape
// cancels. The tick after a commit applies the text through
// IGui::SetValueFromEntry and closes the entry; after a cancel it closes
// it. Closing marks the control dirty with a report, so it tells the
// plug-in its value once more. A commit or cancel waiting for its tick is
// kept when the focus goes.
class IEntrySession {
public:
  explicit IEntrySession(IGui* gui);
  ~IEntrySession();
  IEntrySession(const IEntrySession&) = delete;
  IEntrySession& operator=(const IEntrySession&) = delete;

  // A value entry for the control's parameter, laid out by LayoutValueEntry.
  // False when either is missing or an entry is open.
  bool OpenValue(IControl* control, IParameter* param, bool centred);
  // A text entry over the control's bounds in its font and alignment
  // (read-only when the control is not editable, masked when it is). False
  // without a control or when an entry is open.
  bool OpenText(IEditableTextControl* control);

  bool IsOpen() const { return mControl != nullptr; }
  bool IsList() const { return IsOpen() && mLayout.kind == IValueEntry::List; }
  int State() const { return mState; }
  IControl* Control() const { return mControl; }
  IParameter* Param() const { return mParam; }
  // Editor coordinates of the box, or of the list as laid out (a window
  // shows the list in a window of its own, ListHeight() tall).
  const IBounds& Bounds() const { return mLayout.bounds; }
  int ListHeight() const { return mList.Height(mLayout.bounds.H()); }
  IEditBox& Box() { return mBox; }
  IListBox& List() { return mList; }

  // ---- Input; true when what the entry shows changed ----------------------
  // A key while the entry has the focus: typed is the text the key types
  // (UTF-8, may be empty), control whether Control is held.
  bool Key(EntryKey key, bool shift, bool control, const std::string& typed);
  // A left press in the editor outside the entry commits; a right one
  // cancels.
  void LeftPressInEditor();
  void RightPressInEditor() { Cancel(); }
  // Ends the entry without applying it at the next tick (a press outside the
  // editor and the list).
  void Cancel();
  // Inside the edit box (editor coordinates): a press places the caret
  // (extend: moves only the caret, keeping the anchor); a drag selects.
  bool BoxHit(int x, int y) const;
  bool PressInBox(int x, int y, bool extend);
  bool DragInBox(int x, int y);
  // In the list (list coordinates): moving highlights the item under the
  // pointer; a press on an item chooses it and commits.
  bool MoveInList(int x, int y);
  bool PressInList(int x, int y);
  void FocusChanged(bool gained);
  // Whether the window has the keyboard focus (the caret and the selection
  // show only then).
  bool Focused() const { return mFocused; }

  // ---- Timer ------------------------------------------------------------------
  // Applies a commit or a cancel. True when the entry closed; *area is then
  // where its box was in the editor (empty for a list).
  bool Tick(IBounds* area);
  // Closes the entry without applying anything and without reports (the
  // window goes away).
  void Close();

  // ---- Painting -----------------------------------------------------------------
  // The edit box over target (editor coordinates), inside clip.
  void PaintBox(BitmapBase* target, const IBounds& clip);
  // The list into target from its top-left corner.
  void PaintList(BitmapBase* target);

private:
  bool BoxKey(EntryKey key, bool shift, bool control, const std::string& typed);
  bool ListKey(EntryKey key, const std::string& typed);
  void Finish();
  // Measures a part of the shown text with the entry's font.
  int TextWidth(const std::string& shown, size_t bytes);
  // Where the shown text starts in the box (box coordinates).
  int TextOrigin(const std::string& shown);
  size_t OffsetAt(int x);

  IGui* mGui;
  IControl* mControl = nullptr;
  IParameter* mParam = nullptr;
  IValueEntry mLayout;
  IFontSpec mFont;
  int mAlign = IFontSpec::kAlignLeft;
  int mState = IValueEntry::EntryIdle;
  bool mFocused = false;
  IEditBox mBox;
  IListBox mList;
  std::unique_ptr<PixelBitmap> mScratch;
};
