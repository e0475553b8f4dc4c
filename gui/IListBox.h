#pragma once
#include <string>
#include <vector>

// What a drop-down list of a parameter's display texts holds: its items, the
// one chosen (shown in the list's first row, and marked) and the one the
// pointer or the arrow keys have reached (highlighted). Rows are of equal
// height: row 0 shows the chosen item, rows 1 to n the items.
class IListBox {
public:
  // Rows are never lower than this, whatever height the list is given.
  static constexpr int kMinRowHeight = 16;

  // Starts over; the highlight starts on the chosen item.
  void Reset(const std::vector<std::string>& items, int chosen);

  const std::vector<std::string>& Items() const { return mItems; }
  int Count() const { return static_cast<int>(mItems.size()); }
  // -1 for none.
  int Chosen() const { return mChosen; }
  int Highlighted() const { return mHighlighted; }
  // The chosen item's text; empty when none is chosen.
  std::string ChosenText() const;

  // An index outside the items highlights none.
  void Highlight(int index);
  // Steps the highlight by delta items, stopping at the first and the last;
  // from none, down starts at the first item and up at the last.
  void Step(int delta);
  void HighlightFirst() { Highlight(mItems.empty() ? -1 : 0); }
  void HighlightLast() { Highlight(Count() - 1); }
  // False for an index outside the items (nothing changes then).
  bool Choose(int index);

  // Height of a row in a list of the given height, and the list's height
  // with rows of that height (never less than it was given).
  int RowHeight(int listHeight) const;
  int Height(int listHeight) const { return RowHeight(listHeight) * (Count() + 1); }
  // The item of the row at y (list coordinates), or -1 for the first row
  // and outside the rows.
  int ItemAt(int y, int listHeight) const;

private:
  std::vector<std::string> mItems;
  int mChosen = -1;
  int mHighlighted = -1;
};
