#pragma once
// What the Windows editor window decides without needing Windows: the key
// mapping, wheel notches, the timer period, the folder of a module's file
// name, the file dialog's filter, and the text read back from an entry
// pop-up. Kept here so that it is tested on every system.
#include <string>

namespace iguiwin {

// The key code a control gets for a Windows virtual key, or -1 for a key
// that reaches no control: space 0, up 1, down 2, left 3, right 4, digits
// 6 to 15, letters 16 to 41, and virtual keys 97 to 122 (the numeric keypad
// and F1 to F11) the same codes as the letters.
int KeyCodeFromVirtualKey(int virtualKey);

// Whole wheel notches in a wheel delta (120 a notch), truncated toward zero.
int WheelNotches(int delta);

// The editor timer's period in milliseconds for a frame rate (ticks per
// second): 41 at 24.
int TimerPeriodMs(double frameRate);

// The folder of a Windows file name, with its trailing backslash: empty when
// the name has no backslash or ends in one.
std::string FolderOfFileName(const std::string& fileName);

// The file dialog's filter for a space-separated list of extensions such as
// "wav aif": "*.wav;*.aif". Every space starts a new word, so a leading or
// doubled space gives an empty "*." entry; a trailing one gives none.
std::string FileFilterPattern(const std::string& extensions);
// The default extension: the list up to its first space.
std::string DefaultExtension(const std::string& extensions);

// The text of an entry pop-up as the value is read from it: a multi-line
// edit box holds the line break that Enter typed, which is not part of the
// value.
std::string EntryText(const std::string& windowText);

}  // namespace iguiwin
