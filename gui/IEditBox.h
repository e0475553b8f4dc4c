#pragma once
#include <cstddef>
#include <string>

// What an edit box holds and how typing changes it: UTF-8 text, a caret and
// the other end of the selection (the anchor), both byte offsets at character
// boundaries. Opening selects the whole text, so the first character typed
// replaces it. A read-only box moves its caret and selection but keeps its
// text; a masked one shows an asterisk for every character.
class IEditBox {
public:
  // Texts longer than this are cut (the entry reads back at most 1000
  // characters, its terminator included).
  static constexpr size_t kMaxBytes = 999;

  // Starts over with text, all of it selected.
  void Reset(const std::string& text, bool readOnly = false, bool masked = false);

  const std::string& Text() const { return mText; }
  size_t Caret() const { return mCaret; }
  size_t Anchor() const { return mAnchor; }
  bool ReadOnly() const { return mReadOnly; }
  bool Masked() const { return mMasked; }
  bool HasSelection() const { return mCaret != mAnchor; }
  size_t SelectionStart() const { return mCaret < mAnchor ? mCaret : mAnchor; }
  size_t SelectionEnd() const { return mCaret < mAnchor ? mAnchor : mCaret; }

  void SelectAll();
  // The selection collapses onto the caret.
  void ClearSelection() { mAnchor = mCaret; }

  // Typing: the text replaces the selection. Control characters are left
  // out, and what does not fit under kMaxBytes is cut at a character
  // boundary. False when nothing changed (read-only, nothing typeable).
  bool Insert(const std::string& typed);
  // Removes the selection, or else the character before (Backspace) or
  // after (Delete) the caret. False when nothing changed.
  bool Backspace();
  bool Delete();

  // Caret moves; with extend the anchor stays, so the selection grows or
  // shrinks. Without it, Left and Right first collapse a selection to its
  // near end.
  void Left(bool extend);
  void Right(bool extend);
  void Home(bool extend);
  void End(bool extend);
  // The caret to a byte offset (moved back to a character boundary).
  void PlaceCaret(size_t offset, bool extend);

  // The text as it is shown: one '*' per character when masked.
  std::string Shown() const;
  // Where a byte offset of the text lies in Shown(), in bytes.
  size_t ShownOffset(size_t offset) const;

private:
  size_t PreviousBoundary(size_t offset) const;
  size_t NextBoundary(size_t offset) const;
  void Move(size_t to, bool extend);
  bool EraseSelection();

  std::string mText;
  size_t mCaret = 0;
  size_t mAnchor = 0;
  bool mReadOnly = false;
  bool mMasked = false;
};
