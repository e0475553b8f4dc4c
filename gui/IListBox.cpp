#include "gui/IListBox.h"

#include <algorithm>

void IListBox::Reset(const std::vector<std::string>& items, int chosen) {
  mItems = items;
  mChosen = chosen >= 0 && chosen < Count() ? chosen : -1;
  mHighlighted = mChosen;
}

std::string IListBox::ChosenText() const { return mChosen >= 0 ? mItems[static_cast<size_t>(mChosen)] : std::string(); }

void IListBox::Highlight(int index) { mHighlighted = index >= 0 && index < Count() ? index : -1; }

void IListBox::Step(int delta) {
  if (mItems.empty() || delta == 0) return;
  if (mHighlighted < 0) {
    Highlight(delta > 0 ? 0 : Count() - 1);
    return;
  }
  const long long to = static_cast<long long>(mHighlighted) + delta;
  Highlight(static_cast<int>(std::clamp<long long>(to, 0, Count() - 1)));
}

bool IListBox::Choose(int index) {
  if (index < 0 || index >= Count()) return false;
  mChosen = mHighlighted = index;
  return true;
}

int IListBox::RowHeight(int listHeight) const { return std::max(kMinRowHeight, listHeight / (Count() + 1)); }

int IListBox::ItemAt(int y, int listHeight) const {
  if (y < 0) return -1;
  const int row = y / RowHeight(listHeight);
  return row >= 1 && row <= Count() ? row - 1 : -1;
}
