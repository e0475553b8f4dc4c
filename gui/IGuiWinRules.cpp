#include "gui/IGuiWinRules.h"

#include <cmath>
#include <limits>

namespace iguiwin {

int KeyCodeFromVirtualKey(int virtualKey) {
  switch (virtualKey) {
    case 32: return 0;  // space
    case 38: return 1;  // up
    case 40: return 2;  // down
    case 37: return 3;  // left
    case 39: return 4;  // right
    default: break;
  }
  if (virtualKey >= 48 && virtualKey <= 57) return virtualKey - 42;
  if (virtualKey >= 65 && virtualKey <= 90) return virtualKey - 49;
  if (virtualKey >= 97 && virtualKey <= 122) return virtualKey - 81;
  return -1;
}

int WheelNotches(int delta) { return delta / 120; }

int TimerPeriodMs(double frameRate) {
  if (!(frameRate > 0)) frameRate = 24;
  const double period = std::trunc(1000.0 / frameRate);
  if (period > std::numeric_limits<int>::max()) return std::numeric_limits<int>::max();
  return static_cast<int>(period);
}

std::string FolderOfFileName(const std::string& fileName) {
  const size_t slash = fileName.rfind('\\');
  if (slash == std::string::npos || slash + 1 == fileName.size()) return std::string();
  return fileName.substr(0, slash + 1);
}

std::string FileFilterPattern(const std::string& extensions) {
  std::string pattern = "*.";
  for (size_t i = 0; i < extensions.size(); ++i) {
    if (extensions[i] != ' ') {
      pattern += extensions[i];
    } else if (i + 1 < extensions.size()) {
      pattern += ";*.";
    }
  }
  return pattern;
}

std::string DefaultExtension(const std::string& extensions) { return extensions.substr(0, extensions.find(' ')); }

std::string EntryText(const std::string& windowText) {
  std::string text;
  for (char c : windowText)
    if (c != '\r' && c != '\n') text += c;
  return text;
}

}  // namespace iguiwin
