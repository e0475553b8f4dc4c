#include "gui/IEntrySession.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <new>

#include "framework/IParameter.h"
#include "gfx/Bitmap.h"
#include "gfx/Draw.h"
#include "gfx/RasterFont.h"
#include "gui/IControl.h"
#include "gui/IEditableTextControl.h"
#include "gui/IGui.h"

namespace {

// The pop-up's look: the font of a value entry, and the system's usual
// colours of an edit box and a list.
const char* const kEntryFace = "Arial";
constexpr int kEntryFontSize = 14;
constexpr uint32_t kPaper = 0xFFFFFFFFu;
constexpr uint32_t kInk = 0xFF000000u;
constexpr uint32_t kHighlight = 0xFF3399FFu;
constexpr uint32_t kHighlightInk = 0xFFFFFFFFu;
constexpr uint32_t kChosenBack = 0xFFE5E5E5u;
constexpr uint32_t kFrame = 0xFF7A7A7Au;
// Room between the list's frame and its texts.
constexpr int kListPadding = 4;
// Page Up and Page Down in the list.
constexpr int kListPage = 10;

bool SameLetter(char a, char b) {
  return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
}

}  // namespace

IEntrySession::IEntrySession(IGui* gui) : mGui(gui) {}
IEntrySession::~IEntrySession() = default;

bool IEntrySession::OpenValue(IControl* control, IParameter* param, bool centred) {
  if (IsOpen() || !control || !param) return false;
  if (!LayoutValueEntry(control, param, centred, &mLayout)) return false;
  mControl = control;
  mParam = param;
  mFont = IFontSpec(kEntryFace, kEntryFontSize, IRgba(255, 0, 0, 0));
  mAlign = mLayout.centreText ? IFontSpec::kAlignCentre : IFontSpec::kAlignLeft;
  mState = IValueEntry::EntryIdle;
  if (mLayout.kind == IValueEntry::List)
    mList.Reset(mLayout.items, mLayout.selected);
  else
    mBox.Reset(mLayout.text);
  return true;
}

bool IEntrySession::OpenText(IEditableTextControl* control) {
  if (IsOpen() || !control) return false;
  mLayout = IValueEntry();
  mLayout.bounds = control->Bounds();
  mLayout.text = control->Text();
  mControl = control;
  mParam = nullptr;
  const IFontSpec& font = control->Font();
  // Bold only for exactly bold, italic only for exactly italic.
  const int style = font.style == IFontSpec::kBold || font.style == IFontSpec::kItalic ? font.style : 0;
  mFont = IFontSpec(font.face, font.size, IRgba(255, 0, 0, 0), style);
  mAlign = font.align == IFontSpec::kAlignLeft ? IFontSpec::kAlignLeft
           : font.align == IFontSpec::kAlignRight ? IFontSpec::kAlignRight
                                                  : IFontSpec::kAlignCentre;
  mState = IValueEntry::EntryIdle;
  mBox.Reset(mLayout.text, !control->Editable(), control->Masked());
  return true;
}

// ---- Input ----------------------------------------------------------------------

bool IEntrySession::Key(EntryKey key, bool shift, bool control, const std::string& typed) {
  if (!IsOpen()) return false;
  return IsList() ? ListKey(key, typed) : BoxKey(key, shift, control, typed);
}

bool IEntrySession::BoxKey(EntryKey key, bool shift, bool control, const std::string& typed) {
  switch (key) {
    case EntryKey::kEnter:
      mBox.ClearSelection();
      mState = IValueEntry::EntryCommit;
      return true;
    case EntryKey::kEscape:
      mState = IValueEntry::EntryCancel;
      return false;
    default:
      break;
  }
  mState = IValueEntry::EntryActive;
  switch (key) {
    case EntryKey::kBackspace: return mBox.Backspace();
    case EntryKey::kDelete: return mBox.Delete();
    case EntryKey::kLeft: mBox.Left(shift); return true;
    case EntryKey::kRight: mBox.Right(shift); return true;
    case EntryKey::kHome: case EntryKey::kUp: case EntryKey::kPageUp: mBox.Home(shift); return true;
    case EntryKey::kEnd: case EntryKey::kDown: case EntryKey::kPageDown: mBox.End(shift); return true;
    default: break;
  }
  if (control) {
    if (typed == "\x01" || typed == "a" || typed == "A") mBox.SelectAll();
    return true;
  }
  return mBox.Insert(typed);
}

bool IEntrySession::ListKey(EntryKey key, const std::string& typed) {
  switch (key) {
    case EntryKey::kEnter:
      if (mList.Highlighted() >= 0) mList.Choose(mList.Highlighted());
      mState = IValueEntry::EntryCommit;
      return true;
    case EntryKey::kEscape: mState = IValueEntry::EntryCancel; return false;
    case EntryKey::kUp: case EntryKey::kLeft: mList.Step(-1); break;
    case EntryKey::kDown: case EntryKey::kRight: mList.Step(1); break;
    case EntryKey::kPageUp: mList.Step(-kListPage); break;
    case EntryKey::kPageDown: mList.Step(kListPage); break;
    case EntryKey::kHome: mList.HighlightFirst(); break;
    case EntryKey::kEnd: mList.HighlightLast(); break;
    default:
      // A typed character moves to the next item starting with it.
      if (typed.size() == 1 && static_cast<unsigned char>(typed[0]) >= 0x20) {
        const int n = mList.Count();
        for (int step = 1; step <= n; ++step) {
          const int i = (std::max(mList.Highlighted(), -1) + step) % n;
          const std::string& item = mList.Items()[static_cast<size_t>(i)];
          if (!item.empty() && SameLetter(item[0], typed[0])) {
            mList.Highlight(i);
            break;
          }
        }
      }
      break;
  }
  mState = IValueEntry::EntryActive;
  return true;
}

void IEntrySession::LeftPressInEditor() {
  if (IsOpen()) mState = IValueEntry::EntryCommit;
}

void IEntrySession::Cancel() {
  if (IsOpen()) mState = IValueEntry::EntryCancel;
}

bool IEntrySession::BoxHit(int x, int y) const {
  const IBounds& b = mLayout.bounds;
  return IsOpen() && !IsList() && x >= b.left && x < b.right && y >= b.top && y < b.bottom;
}

bool IEntrySession::PressInBox(int x, int, bool extend) {
  if (!IsOpen() || IsList()) return false;
  mBox.PlaceCaret(OffsetAt(x - mLayout.bounds.left), extend);
  return true;
}

bool IEntrySession::DragInBox(int x, int) {
  if (!IsOpen() || IsList()) return false;
  mBox.PlaceCaret(OffsetAt(x - mLayout.bounds.left), true);
  return true;
}

bool IEntrySession::MoveInList(int x, int y) {
  if (!IsList()) return false;
  const int before = mList.Highlighted();
  const bool inside = x >= 0 && x < mLayout.bounds.W();
  const int item = inside ? mList.ItemAt(y, mLayout.bounds.H()) : -1;
  if (item >= 0) mList.Highlight(item);
  return mList.Highlighted() != before;
}

bool IEntrySession::PressInList(int x, int y) {
  if (!IsList() || x < 0 || x >= mLayout.bounds.W()) return false;
  if (!mList.Choose(mList.ItemAt(y, mLayout.bounds.H()))) return false;
  mState = IValueEntry::EntryCommit;
  return true;
}

void IEntrySession::FocusChanged(bool gained) {
  mFocused = gained;
  if (!IsOpen()) return;
  if (gained)
    mState = mState == IValueEntry::EntryIdle ? IValueEntry::EntryActive : mState;
  else if (mState == IValueEntry::EntryActive)
    mState = IValueEntry::EntryIdle;
}

// ---- Timer ------------------------------------------------------------------------

bool IEntrySession::Tick(IBounds* area) {
  if (area) *area = IBounds();
  if (!IsOpen()) return false;
  switch (mState) {
    case IValueEntry::EntryActive:
      mState = IValueEntry::EntryIdle;
      return false;
    case IValueEntry::EntryCommit:
      if (IsList()) {
        // A list with nothing chosen has no text to apply.
        if (mList.Chosen() >= 0) mGui->SetValueFromEntry(mControl, mParam, mList.ChosenText().c_str());
      } else if (!mBox.ReadOnly()) {
        mGui->SetValueFromEntry(mControl, mParam, mBox.Text().c_str());
      }
      break;
    case IValueEntry::EntryCancel:
      break;
    default:
      return false;
  }
  if (area && !IsList()) *area = mLayout.bounds;
  Finish();
  return true;
}

void IEntrySession::Finish() {
  IControl* control = mControl;
  Close();
  control->MarkDirty(true);
  control->SetRedrawAgain();
}

void IEntrySession::Close() {
  mControl = nullptr;
  mParam = nullptr;
  mState = IValueEntry::EntryIdle;
  mLayout = IValueEntry();
}

// ---- Painting -----------------------------------------------------------------------

int IEntrySession::TextWidth(const std::string& shown, size_t bytes) {
  RasterFont* font = mGui->FindOrCreateFont(mFont);
  if (!font || bytes == 0) return 0;
  IBounds box(0, 0, 0, 0);
  font->RenderText(nullptr, shown.c_str(), static_cast<int>(std::min(bytes, shown.size())), &box,
                   kTextCalcRect | kTextNoClip);
  return box.right;
}

int IEntrySession::TextOrigin(const std::string& shown) {
  const int w = mLayout.bounds.W();
  const int textWidth = TextWidth(shown, shown.size());
  if (textWidth > w - 2) {
    // Too wide: scrolled so that the caret shows.
    const int caretX = TextWidth(shown, mBox.ShownOffset(mBox.Caret()));
    return 1 - std::max(0, caretX - (w - 3));
  }
  if (mAlign == IFontSpec::kAlignCentre) return (w - textWidth) / 2;
  if (mAlign == IFontSpec::kAlignRight) return w - 1 - textWidth;
  return 1;
}

size_t IEntrySession::OffsetAt(int x) {
  const std::string shown = mBox.Shown();
  const int origin = TextOrigin(shown);
  const std::string& text = mBox.Text();
  size_t best = 0;
  int bestDistance = -1;
  for (size_t offset = 0; offset <= text.size(); ++offset) {
    if (offset < text.size() && (static_cast<unsigned char>(text[offset]) & 0xC0) == 0x80) continue;
    const int d = std::abs(origin + TextWidth(shown, mBox.ShownOffset(offset)) - x);
    if (bestDistance < 0 || d < bestDistance) {
      best = offset;
      bestDistance = d;
    }
  }
  return best;
}

void IEntrySession::PaintBox(BitmapBase* target, const IBounds& clip) {
  if (!IsOpen() || IsList() || !target) return;
  const IBounds& b = mLayout.bounds;
  const IBounds part = b.Intersect(clip).Intersect(IBounds(0, 0, target->Width(), target->Height()));
  if (part.Empty()) return;
  if (!mScratch) mScratch.reset(new (std::nothrow) PixelBitmap(0, 0, 4));
  if (!mScratch) return;
  mScratch->SetSize(b.W(), b.H());
  if (!mScratch->Pixels() || mScratch->Width() != b.W() || mScratch->Height() != b.H()) return;
  BitmapBase* s = mScratch.get();
  FillRect(s, 0, 0, b.W(), b.H(), kPaper, 1.0f, ModeCopy);
  RasterFont* font = mGui->FindOrCreateFont(mFont);
  if (font) {
    const std::string shown = mBox.Shown();
    const int x0 = TextOrigin(shown);
    const int top = std::max(0, (b.H() - font->LineHeight()) / 2);
    auto draw = [&](size_t from, size_t to, uint32_t ink) {
      if (to <= from) return;
      IBounds r(x0 + TextWidth(shown, from), top, b.W(), b.H());
      font->SetInkColour(ink);
      font->RenderText(s, shown.c_str() + from, static_cast<int>(to - from), &r, kTextNoClip);
    };
    draw(0, shown.size(), kInk);
    if (mFocused && mBox.HasSelection()) {
      const size_t from = mBox.ShownOffset(mBox.SelectionStart()), to = mBox.ShownOffset(mBox.SelectionEnd());
      const int left = x0 + TextWidth(shown, from), right = x0 + TextWidth(shown, to);
      FillRect(s, left, 0, right - left, b.H(), kHighlight, 1.0f, ModeCopy);
      draw(from, to, kHighlightInk);
    }
    if (mFocused) {
      const int caretX = x0 + TextWidth(shown, mBox.ShownOffset(mBox.Caret()));
      FillRect(s, caretX, 1, 1, b.H() - 2, kInk, 1.0f, ModeCopy);
    }
  }
  BlitPart(target, s, part.left, part.top, part.left - b.left, part.top - b.top, part.W(), part.H(), 1.0f, ModeCopy);
}

void IEntrySession::PaintList(BitmapBase* target) {
  if (!IsList() || !target) return;
  const int w = target->Width(), h = target->Height();
  const int row = mList.RowHeight(mLayout.bounds.H());
  FillRect(target, 0, 0, w, h, kPaper, 1.0f, ModeCopy);
  RasterFont* font = mGui->FindOrCreateFont(mFont);
  const int textTop = font ? std::max(0, (row - font->LineHeight()) / 2) : 0;
  auto text = [&](const std::string& s, int y, uint32_t ink) {
    if (!font || s.empty()) return;
    IBounds r(kListPadding, y + textTop, w - kListPadding, y + row);
    font->SetInkColour(ink);
    font->RenderText(target, s.c_str(), -1, &r, 0);
  };
  // The first row: the chosen item, with the list's arrow at its right.
  text(mList.ChosenText(), 0, kInk);
  for (int i = 0; i < 4; ++i) FillRect(target, w - 16 + i, row / 2 - 2 + i, 8 - 2 * i, 1, kInk, 1.0f, ModeCopy);
  FillRect(target, 0, row - 1, w, 1, kFrame, 1.0f, ModeCopy);
  for (int i = 0; i < mList.Count(); ++i) {
    const int y = (i + 1) * row;
    uint32_t ink = kInk;
    if (i == mList.Highlighted()) {
      FillRect(target, 1, y, w - 2, row, kHighlight, 1.0f, ModeCopy);
      ink = kHighlightInk;
    } else if (i == mList.Chosen()) {
      FillRect(target, 1, y, w - 2, row, kChosenBack, 1.0f, ModeCopy);
    }
    text(mList.Items()[static_cast<size_t>(i)], y, ink);
  }
  // The frame.
  FillRect(target, 0, 0, w, 1, kFrame, 1.0f, ModeCopy);
  FillRect(target, 0, h - 1, w, 1, kFrame, 1.0f, ModeCopy);
  FillRect(target, 0, 0, 1, h, kFrame, 1.0f, ModeCopy);
  FillRect(target, w - 1, 0, 1, h, kFrame, 1.0f, ModeCopy);
}
