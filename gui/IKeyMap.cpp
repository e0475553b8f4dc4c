#include "gui/IKeyMap.h"

namespace {

// X11 key symbols (the protocol's numbers).
enum : uint32_t {
  kSymSpace = 0x20,
  kSymDigit0 = 0x30,
  kSymDigit9 = 0x39,
  kSymUpperA = 0x41,
  kSymUpperZ = 0x5a,
  kSymLowerA = 0x61,
  kSymLowerZ = 0x7a,
  kSymLeft = 0xff51,  // then up, right, down
  kSymDown = 0xff54,
  kSymKeypadFirst = 0xff80,
  kSymKeypadLeft = 0xff96,  // then up, right, down
  kSymKeypadDown = 0xff99,
  kSymKeypadMultiply = 0xffaa,  // then add, separator, subtract, decimal, divide
  kSymKeypadDivide = 0xffaf,
  kSymKeypad1 = 0xffb1,
  kSymKeypad9 = 0xffb9,
  kSymKeypadLast = 0xffbd,
  kSymF1 = 0xffbe,
  kSymF11 = 0xffc8,
};

// Left, up, right, down in X's order, as codes.
constexpr int kArrowCodes[4] = {3, 1, 4, 2};

}  // namespace

int KeyCodeFromKeySym(uint32_t sym, uint32_t base) {
  if (base >= kSymKeypadFirst && base <= kSymKeypadLast) {
    if (sym >= kSymKeypad1 && sym <= kSymKeypad9) return 16 + static_cast<int>(sym - kSymKeypad1);
    if (sym >= kSymKeypadMultiply && sym <= kSymKeypadDivide) return 25 + static_cast<int>(sym - kSymKeypadMultiply);
    if (sym >= kSymKeypadLeft && sym <= kSymKeypadDown) return kArrowCodes[sym - kSymKeypadLeft];
    return -1;
  }
  if (base >= kSymF1 && base <= kSymF11) return 31 + static_cast<int>(base - kSymF1);
  if (base == kSymSpace) return 0;
  if (base >= kSymLeft && base <= kSymDown) return kArrowCodes[base - kSymLeft];
  if (base >= kSymDigit0 && base <= kSymDigit9) return 6 + static_cast<int>(base - kSymDigit0);
  if (base >= kSymLowerA && base <= kSymLowerZ) return 16 + static_cast<int>(base - kSymLowerA);
  if (base >= kSymUpperA && base <= kSymUpperZ) return 16 + static_cast<int>(base - kSymUpperA);
  return -1;
}

EntryKey EntryKeyFromKeySym(uint32_t sym) {
  switch (sym) {
    case 0xff0d:  // Return
    case 0xff8d:  // KP_Enter
      return EntryKey::kEnter;
    case 0xff1b: return EntryKey::kEscape;
    case 0xff08: return EntryKey::kBackspace;
    case 0xffff:  // Delete
    case 0xff9f:  // KP_Delete
      return EntryKey::kDelete;
    case 0xff51: case 0xff96: return EntryKey::kLeft;
    case 0xff53: case 0xff98: return EntryKey::kRight;
    case 0xff52: case 0xff97: return EntryKey::kUp;
    case 0xff54: case 0xff99: return EntryKey::kDown;
    case 0xff50: case 0xff95: return EntryKey::kHome;
    case 0xff57: case 0xff9c: return EntryKey::kEnd;
    case 0xff55: case 0xff9a: return EntryKey::kPageUp;
    case 0xff56: case 0xff9b: return EntryKey::kPageDown;
    default: return EntryKey::kOther;
  }
}
