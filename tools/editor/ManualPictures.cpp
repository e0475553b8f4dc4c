#include "tools/editor/ManualPictures.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <memory>
#include <set>
#include <system_error>
#include <vector>

#include "gfx/Bitmap.h"
#include "gfx/PngEncode.h"
#include "gui/IGui.h"
#include "tools/editor/EditorSession.h"
#include "tools/editor/EditorShots.h"
#include "tools/editor/PictureCompare.h"

namespace qmeditor {

namespace {

struct ManualPicture {
  const char* name;
  const char* shot;           // the state, by its EditorShots name
  IBounds area;               // empty: the whole editor
  std::vector<IBounds> part;  // where the area holds other parts too: this
                              // part, the rest shown dimmed
};

// The editor's parts, with their headings. The Host Sync button sits in
// the corner of the right channel's panel.
const IBounds kWhole;
const IBounds kLeft(0, 66, 216, 232);
const IBounds kRight(282, 66, 498, 232);
const std::vector<IBounds> kRightPart = {IBounds(282, 120, 498, 232), IBounds(344, 66, 498, 120)};
const IBounds kDelay(212, 62, 344, 232);
const std::vector<IBounds> kDelayPart = {IBounds(212, 62, 286, 232), IBounds(286, 88, 344, 120)};
const IBounds kToggles(120, 238, 390, 280);
const IBounds kDirectionButton(6, 88, 72, 121);

const ManualPicture kPictures[] = {
    {"editor", "default", kWhole, {}},
    {"editor-left", "default", kLeft, {}},
    {"editor-right", "default", kRight, kRightPart},
    {"editor-delay-sync", "default", kDelay, kDelayPart},
    {"editor-delay-time", "host-sync-clicked", kDelay, kDelayPart},
    {"editor-toggles", "buttons-on", kToggles, {}},
    {"editor-direction-reverse", "default", kDirectionButton, {}},
    {"editor-direction-forward", "buttons-off", kDirectionButton, {}},
};

const EditorShot* FindShot(const char* name) {
  for (const EditorShot& shot : EditorShots())
    if (std::strcmp(shot.name, name) == 0) return &shot;
  return nullptr;
}

// The pixels of area, copied out of the canvas.
std::unique_ptr<PixelBitmap> Cut(BitmapBase* canvas, const IBounds& area) {
  auto part = std::make_unique<PixelBitmap>(area.W(), area.H());
  for (int y = 0; y < area.H(); ++y) {
    const uint32_t* from = canvas->Pixels() + static_cast<ptrdiff_t>(area.top + y) * canvas->RowPixels() + area.left;
    std::memcpy(part->Pixels() + static_cast<ptrdiff_t>(y) * part->RowPixels(), from,
                sizeof(uint32_t) * static_cast<size_t>(area.W()));
  }
  return part;
}

bool Inside(const std::vector<IBounds>& areas, int x, int y) {
  for (const IBounds& a : areas)
    if (x >= a.left && x < a.right && y >= a.top && y < a.bottom) return true;
  return false;
}

// Everything of the cut-out area outside the part, at a third of its
// brightness.
void DimAround(BitmapBase* cut, const IBounds& area, const std::vector<IBounds>& part) {
  if (part.empty()) return;
  for (int y = 0; y < cut->Height(); ++y) {
    uint32_t* row = cut->Pixels() + static_cast<ptrdiff_t>(y) * cut->RowPixels();
    for (int x = 0; x < cut->Width(); ++x) {
      if (Inside(part, area.left + x, area.top + y)) continue;
      const uint32_t p = row[x];
      row[x] = (p & 0xff000000u) | (((p >> 16) & 0xff) / 3) << 16 | (((p >> 8) & 0xff) / 3) << 8 | (p & 0xff) / 3;
    }
  }
}

std::set<std::string> PngNames(const std::string& dir) {
  std::set<std::string> names;
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(std::filesystem::u8path(dir), ec))
    if (entry.path().extension() == ".png") names.insert(entry.path().filename().u8string());
  return names;
}

}  // namespace

bool RenderManualPictures(const std::string& dir, std::ostream& out, std::ostream& err) {
  std::error_code ec;
  std::filesystem::create_directories(std::filesystem::u8path(dir), ec);
  for (const ManualPicture& picture : kPictures) {
    const EditorShot* shot = FindShot(picture.shot);
    EditorSession session;
    IGui* gui = session.Gui();
    if (!shot || !gui) {
      err << "no editor state \"" << picture.shot << "\"\n";
      return false;
    }
    shot->set(session);
    const IBounds canvas(0, 0, gui->Width(), gui->Height());
    gui->Redraw(canvas);
    const IBounds area = picture.area.Empty() ? canvas : picture.area.Intersect(canvas);
    std::unique_ptr<PixelBitmap> part = Cut(gui->Canvas(), area);
    DimAround(part.get(), area, picture.part);
    const std::string path = dir + "/" + picture.name + ".png";
    if (!EncodePngFile(part.get(), path.c_str())) {
      err << "cannot write " << path << "\n";
      return false;
    }
    out << path << ": " << shot->what << "\n";
  }
  return true;
}

bool SamePictures(const std::string& dirA, const std::string& dirB, std::ostream& out) {
  const std::set<std::string> a = PngNames(dirA), b = PngNames(dirB);
  bool same = !a.empty();
  if (a.empty()) out << dirA << ": no pictures\n";
  for (const std::string& name : a) {
    if (!b.count(name)) {
      out << name << ": only in " << dirA << "\n";
      same = false;
      continue;
    }
    const PictureDifference d = ComparePictures(dirA + "/" + name, dirB + "/" + name, {});
    if (!d.loaded) {
      out << name << ": unreadable, or of different sizes\n";
      same = false;
    } else if (d.differing) {
      out << name << ": " << d.differing << " pixels differ, within (" << d.box.left << ", " << d.box.top << ")-("
          << d.box.right << ", " << d.box.bottom << ")\n";
      same = false;
    }
  }
  for (const std::string& name : b)
    if (!a.count(name)) {
      out << name << ": only in " << dirB << "\n";
      same = false;
    }
  return same;
}

}  // namespace qmeditor
