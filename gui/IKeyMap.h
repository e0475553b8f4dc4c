#pragma once
#include <cstdint>

// The editor's key codes, handed to the controls by IGui::HandleKey: space
// 0, up 1, down 2, left 3, right 4, digits 6 to 15, letters 16 to 41. The
// keypad's 1 to 9 and its operator keys, and F1 to F11, share the letters'
// codes (16 to 41), as the Windows key numbers they come from do.
//
// From X11 key symbols: sym is the symbol the key gives with the modifiers
// held (Shift, Num Lock), base the key's first symbol, without them. Keys
// other than the keypad's count by their base symbol, so that Shift+1 is
// still the digit 1 and A is the letter a; keypad keys count by what Num
// Lock makes of them (8 or up). -1 for a key without a code.
int KeyCodeFromKeySym(uint32_t sym, uint32_t base);

// The keys an open value or text entry reacts to besides typed characters.
enum class EntryKey {
  kOther, kEnter, kEscape, kBackspace, kDelete, kLeft, kRight, kHome, kEnd, kUp, kDown, kPageUp, kPageDown
};
// From an X11 key symbol (with the modifiers applied, so that the keypad's
// keys count as what Num Lock makes of them).
EntryKey EntryKeyFromKeySym(uint32_t sym);
