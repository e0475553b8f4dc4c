#pragma once
#include <ostream>
#include <string>
#include <vector>

#include "gfx/IBounds.h"

class IGui;

namespace qmeditor {

class EditorSession;

// One state of the editor worth looking at.
struct EditorShot {
  const char* name;  // file name without ".png"
  const char* what;
  void (*set)(EditorSession& session);
};
const std::vector<EditorShot>& EditorShots();

// Where the editor writes text (value texts, version line), widened for
// texts that reach past their controls: the only places where the system's
// text and FreeType may give different pixels.
std::vector<IBounds> TextAreas(IGui& gui);

// Renders every shot, each on a fresh effect, to dir/<name>.png, and the
// text areas to dir/text-areas.txt. Says what it wrote on out; false, with
// a message on err, when a file cannot be written.
bool RenderShots(const std::string& dir, std::ostream& out, std::ostream& err);

}  // namespace qmeditor
