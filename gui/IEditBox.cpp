#include "gui/IEditBox.h"

namespace {

bool IsContinuation(unsigned char c) { return (c & 0xC0) == 0x80; }

// The longest start of text, at most limit bytes, that ends on a character
// boundary.
size_t FitLength(const std::string& text, size_t limit) {
  if (text.size() <= limit) return text.size();
  size_t n = limit;
  while (n > 0 && IsContinuation(static_cast<unsigned char>(text[n]))) --n;
  return n;
}

}  // namespace

void IEditBox::Reset(const std::string& text, bool readOnly, bool masked) {
  mText = text.substr(0, FitLength(text, kMaxBytes));
  mReadOnly = readOnly;
  mMasked = masked;
  SelectAll();
}

void IEditBox::SelectAll() {
  mAnchor = 0;
  mCaret = mText.size();
}

size_t IEditBox::PreviousBoundary(size_t offset) const {
  if (offset == 0) return 0;
  size_t p = offset - 1;
  while (p > 0 && IsContinuation(static_cast<unsigned char>(mText[p]))) --p;
  return p;
}

size_t IEditBox::NextBoundary(size_t offset) const {
  if (offset >= mText.size()) return mText.size();
  size_t p = offset + 1;
  while (p < mText.size() && IsContinuation(static_cast<unsigned char>(mText[p]))) ++p;
  return p;
}

bool IEditBox::EraseSelection() {
  if (!HasSelection()) return false;
  const size_t start = SelectionStart();
  mText.erase(start, SelectionEnd() - start);
  mCaret = mAnchor = start;
  return true;
}

bool IEditBox::Insert(const std::string& typed) {
  if (mReadOnly) return false;
  std::string clean;
  for (unsigned char c : typed)
    if (c >= 0x20 && c != 0x7F) clean.push_back(static_cast<char>(c));
  if (clean.empty()) return false;
  const size_t kept = mText.size() - (SelectionEnd() - SelectionStart());
  const size_t room = kept < kMaxBytes ? kMaxBytes - kept : 0;
  clean.resize(FitLength(clean, room));
  // A cut can leave the start of a character without its end.
  while (!clean.empty() && static_cast<unsigned char>(clean.back()) >= 0xC0) clean.pop_back();
  if (clean.empty()) return false;
  EraseSelection();
  mText.insert(mCaret, clean);
  mCaret += clean.size();
  mAnchor = mCaret;
  return true;
}

bool IEditBox::Backspace() {
  if (mReadOnly) return false;
  if (EraseSelection()) return true;
  if (mCaret == 0) return false;
  const size_t from = PreviousBoundary(mCaret);
  mText.erase(from, mCaret - from);
  mCaret = mAnchor = from;
  return true;
}

bool IEditBox::Delete() {
  if (mReadOnly) return false;
  if (EraseSelection()) return true;
  if (mCaret >= mText.size()) return false;
  mText.erase(mCaret, NextBoundary(mCaret) - mCaret);
  return true;
}

void IEditBox::Move(size_t to, bool extend) {
  mCaret = to;
  if (!extend) mAnchor = mCaret;
}

void IEditBox::Left(bool extend) {
  if (!extend && HasSelection()) return Move(SelectionStart(), false);
  Move(PreviousBoundary(mCaret), extend);
}

void IEditBox::Right(bool extend) {
  if (!extend && HasSelection()) return Move(SelectionEnd(), false);
  Move(NextBoundary(mCaret), extend);
}

void IEditBox::Home(bool extend) { Move(0, extend); }
void IEditBox::End(bool extend) { Move(mText.size(), extend); }

void IEditBox::PlaceCaret(size_t offset, bool extend) {
  if (offset > mText.size()) offset = mText.size();
  while (offset > 0 && offset < mText.size() && IsContinuation(static_cast<unsigned char>(mText[offset]))) --offset;
  Move(offset, extend);
}

std::string IEditBox::Shown() const { return mMasked ? std::string(ShownOffset(mText.size()), '*') : mText; }

size_t IEditBox::ShownOffset(size_t offset) const {
  if (!mMasked) return offset;
  size_t chars = 0;
  for (size_t i = 0; i < offset && i < mText.size(); ++i)
    if (!IsContinuation(static_cast<unsigned char>(mText[i]))) ++chars;
  return chars;
}
