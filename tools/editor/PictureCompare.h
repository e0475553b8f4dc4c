#pragma once
#include <string>
#include <vector>

#include "gfx/IBounds.h"

namespace qmeditor {

// Two pictures compared pixel by pixel outside some masked areas.
struct PictureDifference {
  bool loaded = false;  // both files read, same size
  int width = 0;
  int height = 0;
  int compared = 0;   // pixels outside the masks
  int differing = 0;  // of those, the ones that differ
  IBounds box;        // around the differing pixels
};

PictureDifference ComparePictures(const std::string& a, const std::string& b, const std::vector<IBounds>& masks);

// Areas, one "left top right bottom" line each; false when the file cannot
// be read or holds anything else.
bool ReadAreas(const std::string& path, std::vector<IBounds>* areas);
bool WriteAreas(const std::string& path, const std::vector<IBounds>& areas);

}  // namespace qmeditor
