#include "tools/editor/EditorShots.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "gfx/PngEncode.h"
#include "gui/IControl.h"
#include "gui/IGui.h"
#include "gui/IKnobRotVal.h"
#include "gui/ISliderImg.h"
#include "gui/ITextControl.h"
#include "tools/editor/EditorSession.h"
#include "tools/editor/PictureCompare.h"

namespace qmeditor {

namespace {

using P = CLS_QUILLMERE::Param;

constexpr P kKnobs[] = {P::kDelayRate, P::kDelayTime, P::kFeedback, P::kOffsetLeft, P::kFreqLeft,
                        P::kMixLeft,   P::kOffsetRight, P::kFreqRight, P::kMixRight};
constexpr P kButtons[] = {P::kHostSync, P::kDirectionLeft, P::kDirectionRight, P::kToggleFreq, P::kToggleReverse};

// Room left and right of a text box for texts wider than their control, and
// above and below for fonts whose letters reach a little further.
constexpr int kTextSpillX = 16;
constexpr int kTextSpillY = 2;

void SetAll(EditorSession& s, const P* params, size_t count, float value) {
  for (size_t i = 0; i < count; ++i) s.SetParameter(params[i], value);
}

void Click(EditorSession& s, int x, int y) {
  s.Gui()->HandleMouseDown(x, y, IModKeys(true, false, false, false, false));
  s.Gui()->HandleMouseUp(x, y, IModKeys());
}

}  // namespace

const std::vector<EditorShot>& EditorShots() {
  static const std::vector<EditorShot> shots = {
      {"default", "the default program, as a host opens it", [](EditorSession&) {}},
      {"host-sync-off", "Host Sync switched off by the host: the Delay Time knob shows",
       [](EditorSession& s) { s.SetParameter(P::kHostSync, 0.0f); }},
      {"host-sync-clicked", "a click on Host Sync: Delay Time shows the delay of the moment",
       [](EditorSession& s) { Click(s, 314, 104); }},
      {"buttons-on", "every button on",
       [](EditorSession& s) { SetAll(s, kButtons, std::size(kButtons), 1.0f); }},
      {"buttons-off", "every button off", [](EditorSession& s) { SetAll(s, kButtons, std::size(kButtons), 0.0f); }},
      {"knobs-0", "every knob and the slider at 0",
       [](EditorSession& s) { SetAll(s, kKnobs, std::size(kKnobs), 0.0f); }},
      {"knobs-50", "every knob and the slider at 0.5",
       [](EditorSession& s) { SetAll(s, kKnobs, std::size(kKnobs), 0.5f); }},
      {"knobs-100", "every knob and the slider at 1",
       [](EditorSession& s) { SetAll(s, kKnobs, std::size(kKnobs), 1.0f); }},
      {"greyed", "the Feedback slider greyed out",
       [](EditorSession& s) {
         for (int i = 0; i < s.Gui()->NControls(); ++i)
           if (s.Gui()->ControlAt(i)->ParamIdx() == P::kFeedback) s.Gui()->ControlAt(i)->SetGreyed(true);
       }},
      {"bright-room", "the program \"Bright Room\": Host Sync off, the widest value texts",
       [](EditorSession& s) { s.Dispatch(effSetProgram, 0, 8); }},
  };
  return shots;
}

std::vector<IBounds> TextAreas(IGui& gui) {
  std::vector<IBounds> areas;
  const IBounds canvas(0, 0, gui.Width(), gui.Height());
  for (int i = 0; i < gui.NControls(); ++i) {
    IControl* c = gui.ControlAt(i);
    IBounds box;
    if (auto* knob = dynamic_cast<IKnobRotVal*>(c))
      box = knob->TextBounds();
    else if (auto* slider = dynamic_cast<ISliderImg*>(c))
      box = slider->TextBounds();
    else if (dynamic_cast<ITextControl*>(c))
      box = c->Bounds();
    else
      continue;
    const IBounds wide(box.left - kTextSpillX, box.top - kTextSpillY, box.right + kTextSpillX,
                       box.bottom + kTextSpillY);
    const IBounds area = wide.Intersect(canvas);
    if (!area.Empty() && std::find(areas.begin(), areas.end(), area) == areas.end()) areas.push_back(area);
  }
  return areas;
}

bool RenderShots(const std::string& dir, std::ostream& out, std::ostream& err) {
  std::error_code ec;
  std::filesystem::create_directories(std::filesystem::u8path(dir), ec);
  std::vector<IBounds> areas;
  for (const EditorShot& shot : EditorShots()) {
    EditorSession session;
    IGui* gui = session.Gui();
    if (!gui) {
      err << "the effect has no editor\n";
      return false;
    }
    shot.set(session);
    gui->Redraw(IBounds(0, 0, gui->Width(), gui->Height()));
    const std::string path = dir + "/" + shot.name + ".png";
    if (!EncodePngFile(gui->Canvas(), path.c_str())) {
      err << "cannot write " << path << "\n";
      return false;
    }
    out << path << ": " << shot.what << "\n";
    if (areas.empty()) areas = TextAreas(*gui);
  }
  const std::string path = dir + "/text-areas.txt";
  if (!WriteAreas(path, areas)) {
    err << "cannot write " << path << "\n";
    return false;
  }
  out << path << ": " << areas.size() << " text areas\n";
  return true;
}

}  // namespace qmeditor
