#pragma once
#include <ostream>
#include <string>

namespace qmeditor {

// The editor's pictures in the manual (docs/manual.md): the whole editor and
// its parts, each cut from one of the editor's states (EditorShots), written
// to dir/<name>.png. Says what it wrote on out; false, with a message on
// err, when a file cannot be written.
bool RenderManualPictures(const std::string& dir, std::ostream& out, std::ostream& err);

// Two folders of pictures hold the same names with the same pixels. Says
// on out what differs; true when nothing does.
bool SamePictures(const std::string& dirA, const std::string& dirB, std::ostream& out);

}  // namespace qmeditor
