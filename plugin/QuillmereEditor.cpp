// The effect's editor: one 498 x 285 window over the background image, with
// the version line, the link to the maker's site, eight knobs (of the two
// delay knobs only the one that governs the delay shows), the feedback
// slider and five buttons. No control draws a name: the labels are in the
// background image.
#include "gui/IButton.h"
#include "gui/IButtonClick.h"
#include "gui/IGui.h"
#include "gui/IKnobRotVal.h"
#include "gui/ILinkArea.h"
#include "gui/ISlider.h"
#include "gui/ITextControl.h"
#include "gui/MakeEditor.h"
#include "plugin/CLS_QUILLMERE.h"

namespace {

constexpr int kEditorWidth = 498;
constexpr int kEditorHeight = 285;

// The module's image resources.
enum ImageId {
  kBackgroundImage = 100,
  kDelayKnobImage = 101,
  kChannelKnobImage = 102,
  kDirectionLeftImage = 103,
  kHostSyncImage = 104,
  kDirectionRightImage = 105,
  kToggleFreqImage = 106,
  kToggleReverseImage = 107,
  kSliderHandleImage = 108,
};

// The maker's web site, and where to go when it cannot be opened.
const char* const kSiteAddress = "https://tolvane.example/quillmere";
const char* const kFallbackAddress = "https://tolvane.example";

// Every knob turns through 300 degrees, a drag over its height moving it a
// quarter of its range, and shows its value with the unit under it.
constexpr int kKnobSweep = 300;
constexpr double kKnobGearing = 4.0;

}  // namespace

void CLS_QUILLMERE::BuildEditor() {
  IGui* gui = MakeEditor(this, kEditorWidth, kEditorHeight, 0);
  if (!gui) return;  // no memory: the effect runs without its editor
  gui->SetBackdrop(kBackgroundImage, "img/bg.png");

  const IFontSpec versionFont("Verdana", 13, IRgba(100, 0, 0, 0));
  const IFontSpec knobFont("Arial", 16, IRgba(180, 255, 255, 255));
  const IFontSpec sliderFont("Arial", 16, IRgba(180, 255, 255, 255), 0, IFontSpec::kAlignCentre);
  char version[16];
  VersionText(version, sizeof(version));
  gui->AddControl(new ITextControl(this, IBounds(40, 12, 90, 30), versionFont, version));
  gui->AddControl(new ILinkArea(this, IBounds(175, 6, 367, 53), kSiteAddress, kFallbackAddress, nullptr));

  const IImage delayKnob = gui->LoadImage(kDelayKnobImage, "img/knob.png", 1);
  const IImage channelKnob = gui->LoadImage(kChannelKnobImage, "img/knob2.png", 1);
  auto knob = [&](int param, int centreX, int centreY, const IImage& image, int textOffset, int steps) {
    gui->AddControl(new IKnobRotVal(this, param, centreX, centreY, image, knobFont, textOffset, kKnobSweep,
                                    kKnobGearing, 0, IKnobControl::kVertical, 1.0f, true, steps));
  };
  auto button = [&](int param, int x, int y, int imageId, const char* name) {
    gui->AddControl(new IButton(this, param, x, y, gui->LoadImage(imageId, name, 1)));
  };

  knob(kDelayRate, 249, 116, delayKnob, 0, kNumDivisions);
  knob(kDelayTime, 249, 116, delayKnob, 0, 0);
  gui->SetHiddenByParam(kDelayTime, true);  // "Host Sync" starts on
  gui->AddControl(new IButtonClick(this, kHostSync, 288, 94, gui->LoadImage(kHostSyncImage, "img/but2.png", 1),
                                   &syncClicked));
  gui->AddControl(new ISlider(this, kFeedback, IBounds(213, 191, 285, 226),
                              gui->LoadImage(kSliderHandleImage, "img/slider.png", 1), sliderFont, 72, true,
                              IRgba(255, 66, 110, 170), 2, 8, false, false));
  button(kDirectionLeft, 13, 94, kDirectionLeftImage, "img/but1.png");
  knob(kOffsetLeft, 49, 166, channelKnob, 8, 0);
  knob(kFreqLeft, 109, 166, channelKnob, 8, 0);
  knob(kMixLeft, 171, 166, channelKnob, 8, 0);
  button(kDirectionRight, 432, 94, kDirectionRightImage, "img/but3.png");
  knob(kOffsetRight, 324, 166, channelKnob, 8, 0);
  knob(kFreqRight, 384, 166, channelKnob, 8, 0);
  knob(kMixRight, 446, 166, channelKnob, 8, 0);
  button(kToggleFreq, 185, 245, kToggleFreqImage, "img/but4.png");
  button(kToggleReverse, 249, 245, kToggleReverseImage, "img/but5.png");

  AttachEditor(gui);
}
