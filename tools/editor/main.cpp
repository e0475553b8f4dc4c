// quillmere-editor: the effect's editor drawn without a window, in the states
// worth looking at, and renders of two builds compared. See --help.
#include <iostream>
#include <string>
#include <vector>

#include "tools/editor/EditorShots.h"
#include "tools/editor/ManualPictures.h"
#include "tools/editor/PictureCompare.h"

namespace {

enum ExitCode { kExitOk = 0, kExitUsage = 1, kExitIo = 4, kExitDiffer = 6 };

const char* const kHelp =
    "usage: quillmere-editor render DIR\n"
    "       quillmere-editor compare DIR_A DIR_B\n"
    "       quillmere-editor manual DIR\n"
    "       quillmere-editor same DIR_A DIR_B\n"
    "\n"
    "render   draws the editor in each of its states (a fresh effect each,\n"
    "         opened at 44100 Hz and 120 BPM) into DIR/<state>.png, and the\n"
    "         areas where it writes text into DIR/text-areas.txt\n"
    "compare  compares the pictures of two renders pixel by pixel outside\n"
    "         the text areas of both (the system's text and FreeType differ)\n"
    "manual   draws the editor's pictures in the manual into DIR: the whole\n"
    "         editor and its parts\n"
    "same     checks that two folders hold the same PNG pictures, pixel for\n"
    "         pixel, and no picture the other lacks\n"
    "\n"
    "exit codes: 0 ok, 1 usage, 4 a file cannot be read or written,\n"
    "            6 compare or same found a difference\n";

int Compare(const std::string& a, const std::string& b) {
  std::vector<IBounds> masks;
  if (!qmeditor::ReadAreas(a + "/text-areas.txt", &masks) || !qmeditor::ReadAreas(b + "/text-areas.txt", &masks)) {
    std::cerr << "cannot read the text areas of " << a << " and " << b << "\n";
    return kExitIo;
  }
  int code = kExitOk;
  for (const qmeditor::EditorShot& shot : qmeditor::EditorShots()) {
    const std::string name = std::string(shot.name) + ".png";
    const qmeditor::PictureDifference d = qmeditor::ComparePictures(a + "/" + name, b + "/" + name, masks);
    if (!d.loaded) {
      std::cout << name << ": missing, unreadable or of different sizes\n";
      code = kExitIo;
    } else if (d.differing == 0) {
      std::cout << name << ": same (" << d.compared << " of " << d.width * d.height
                << " pixels compared, the rest are text areas)\n";
    } else {
      std::cout << name << ": " << d.differing << " pixels differ, within (" << d.box.left << ", " << d.box.top
                << ")-(" << d.box.right << ", " << d.box.bottom << ")\n";
      if (code == kExitOk) code = kExitDiffer;
    }
  }
  return code;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
    std::cout << kHelp;
    return kExitOk;
  }
  if (args.size() == 2 && args[0] == "render")
    return qmeditor::RenderShots(args[1], std::cout, std::cerr) ? kExitOk : kExitIo;
  if (args.size() == 3 && args[0] == "compare") return Compare(args[1], args[2]);
  if (args.size() == 2 && args[0] == "manual")
    return qmeditor::RenderManualPictures(args[1], std::cout, std::cerr) ? kExitOk : kExitIo;
  if (args.size() == 3 && args[0] == "same")
    return qmeditor::SamePictures(args[1], args[2], std::cout) ? kExitOk : kExitDiffer;
  std::cerr << kHelp;
  return kExitUsage;
}
