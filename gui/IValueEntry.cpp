// Where the typed value entry sits and what it shows.
#include "gui/IValueEntry.h"

#include <algorithm>
#include <cstring>

#include "framework/IParameter.h"
#include "gui/IControl.h"

namespace {

// Kind 1 is a list-like kind no parameter of ours has; it opens the list
// all the same.
constexpr int kListLikeKind = 1;

std::string Display(const IParameter* param, double x, bool normalized) {
  char text[IParameter::kTextSize];
  param->FormatDisplay(x, normalized, text, sizeof text);
  return text;
}

}  // namespace

bool LayoutValueEntry(const IControl* control, const IParameter* param, bool centred, IValueEntry* out) {
  if (!control || !param) return false;
  const IBounds& b = control->Bounds();
  // The centre in single precision, truncated.
  const int cx = static_cast<int>((static_cast<float>(b.left) + static_cast<float>(b.right)) * 0.5f);
  const int cy = static_cast<int>((static_cast<float>(b.top) + static_cast<float>(b.bottom)) * 0.5f);
  *out = IValueEntry();
  out->text = Display(param, param->Value(), false);
  const int n = param->DisplayTextCount();
  const int kind = param->GetKind();

  if (n == 0 || (kind != IParameter::kList && kind != kListLikeKind)) {
    out->kind = IValueEntry::EditBox;
    out->centreText = centred;
    if (centred) {
      // As wide as the text of the top of the range needs.
      const int length = static_cast<int>(Display(param, 1.0, true).size());
      const int width = std::max(32, 7 * length + 6);
      const int left = cx - width / 2, top = cy - 8;
      out->bounds = IBounds(left, top, left + width, top + 16);
    } else {
      out->bounds = b;
    }
    return true;
  }

  out->kind = IValueEntry::List;
  int width = 24;
  for (int i = 0; i < n; ++i) {
    const char* item = param->DisplayTextAt(i).text;
    out->items.emplace_back(item);
    width = std::max(width, 8 * static_cast<int>(std::strlen(item)) + 24);
    if (out->text == item) out->selected = i;
  }
  const int height = 36 * (n + 1);
  if (centred) {
    const int left = cx - width / 2;
    out->bounds = IBounds(left, cy, left + width, cy + height);
  } else {
    const int top = static_cast<int>((static_cast<float>(b.top) + static_cast<float>(b.bottom)) * 0.5f);
    out->bounds = IBounds(b.left, top, b.right, top + b.H());
  }
  return true;
}
