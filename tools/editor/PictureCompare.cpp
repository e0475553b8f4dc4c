#include "tools/editor/PictureCompare.h"

#include <fstream>
#include <memory>
#include <sstream>

#include "gfx/Bitmap.h"
#include "gfx/PngDecode.h"

namespace qmeditor {

namespace {

bool Masked(const std::vector<IBounds>& masks, int x, int y) {
  for (const IBounds& m : masks)
    if (x >= m.left && x < m.right && y >= m.top && y < m.bottom) return true;
  return false;
}

}  // namespace

PictureDifference ComparePictures(const std::string& a, const std::string& b, const std::vector<IBounds>& masks) {
  PictureDifference d;
  std::unique_ptr<BitmapBase> pa(DecodePngFile(a.c_str())), pb(DecodePngFile(b.c_str()));
  if (!pa || !pb || pa->Width() != pb->Width() || pa->Height() != pb->Height()) return d;
  d.loaded = true;
  d.width = pa->Width();
  d.height = pa->Height();
  for (int y = 0; y < d.height; ++y) {
    const uint32_t* ra = pa->Pixels() + static_cast<ptrdiff_t>(y) * pa->RowPixels();
    const uint32_t* rb = pb->Pixels() + static_cast<ptrdiff_t>(y) * pb->RowPixels();
    for (int x = 0; x < d.width; ++x) {
      if (Masked(masks, x, y)) continue;
      ++d.compared;
      if (ra[x] == rb[x]) continue;
      d.box = d.differing == 0 ? IBounds(x, y, x + 1, y + 1) : d.box.Union(IBounds(x, y, x + 1, y + 1));
      ++d.differing;
    }
  }
  return d;
}

bool ReadAreas(const std::string& path, std::vector<IBounds>* areas) {
  std::ifstream in(path);
  if (!in) return false;
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty()) continue;
    std::istringstream fields(line);
    IBounds r;
    std::string rest;
    if (!(fields >> r.left >> r.top >> r.right >> r.bottom) || (fields >> rest)) return false;
    areas->push_back(r);
  }
  return true;
}

bool WriteAreas(const std::string& path, const std::vector<IBounds>& areas) {
  std::ofstream out(path, std::ios::binary);
  for (const IBounds& r : areas) out << r.left << ' ' << r.top << ' ' << r.right << ' ' << r.bottom << '\n';
  return static_cast<bool>(out.flush());
}

}  // namespace qmeditor
