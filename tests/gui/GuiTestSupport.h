#pragma once
// Driving a graphics context without a window: a small plug-in on the real
// VST 2 binding whose host records every request, a headless context that
// records what it is asked of the window and makes its images in memory,
// and pixel helpers.
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "framework/IParameter.h"
#include "gfx/Bitmap.h"
#include "gui/IGuiHeadless.h"
#include "gui/IKnobRotVal.h"
#include "gui/ISlider.h"
#include "vst/IPlugVST.h"

namespace guitest {

// Parameters like the effect's: a 25-step list, a time in ms, two switches,
// a percentage and a frequency on a curve.
class GuiTestPlug : public IPlugVST {
public:
  enum { kRate, kTime, kSync, kFeedback, kToggle, kFreq, kNumParams };

  GuiTestPlug();

  // Host requests in order: "begin i", "automate i 0.5", "end i" (the
  // automated value as the host gets it, in single precision).
  std::vector<std::string> requests;
  // ParamChanged indices in order.
  std::vector<int> changed;

  void ParamChanged(int index) override { changed.push_back(index); }
  void PrepareForHost() override {}
  // Requests of one kind ("begin", "end", "automate").
  std::vector<std::string> Requests(const std::string& kind) const;

private:
  static VstIntPtr VSTCALLBACK HostCallback(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value,
                                            void* ptr, float opt);
};

// A synthetic image made by a function of (x, y) returning 0xAARRGGBB.
using PixelFunction = std::function<uint32_t(int x, int y)>;
PixelBitmap* MakeImage(int width, int height, const PixelFunction& pixel);

// A headless context whose window-side calls are recorded, whose images
// come from registered functions (an unregistered id is a missing
// resource), and whose web addresses open as the test says.
class TestGui : public IGuiHeadless {
public:
  TestGui(IPlugBase* owner, int width = 498, int height = 285, int frameRate = 0)
      : IGuiHeadless(owner, width, height, frameRate) {}

  struct Image {
    int width, height;
    PixelFunction pixel;
  };
  std::map<int, Image> images;
  std::map<int, int> loads;  // resource loads by id
  std::vector<IBounds> shown;
  std::vector<std::string> opened;     // OpenAddress calls
  std::vector<std::string> openable;   // addresses that open
  std::vector<IParameter*> prompted;   // PromptValue calls
  int textPrompts = 0;

  BitmapBase* LoadBitmapResource(int id, const char* name) override;
  bool ShowArea(const IBounds& area) override;
  bool OpenAddress(const char* address, const char* title, const char* confirm, const char* error) override;
  void PromptValue(IControl* control, IParameter* param, bool centred) override;
  void PromptText(IEditableTextControl* control) override;
};

// The images of the layout tests: a round knob with a white pointer at the
// top (transparent corners), plain buttons, a slider handle and a backdrop.
PixelFunction KnobPixels(int size);
uint32_t BackdropPixel(int x, int y);

inline uint32_t At(BitmapBase& b, int x, int y) { return b.Pixels()[y * b.RowPixels() + x]; }
std::vector<uint32_t> Pixels(BitmapBase& b, const IBounds& area);
// Pixels that differ between two equal-sized bitmaps inside area.
int Differences(BitmapBase& a, BitmapBase& b, const IBounds& area);
// Pixels inside area that are not the ground colour.
int InkedIn(BitmapBase& b, const IBounds& area, uint32_t ground = 0xFF000000u);
// A copy of a bitmap's pixels.
std::unique_ptr<PixelBitmap> Copy(BitmapBase& b);

// A plug-in and its headless editor, not attached yet (tests add controls
// first), with images of the effect's sizes: 100 backdrop, 101 and 102
// knobs, 103 and 104 buttons, 108 the slider handle. The image cache starts
// empty.
class EditorTest : public ::testing::Test {
protected:
  static const IFontSpec kValueFont;  // the effect's value texts

  void SetUp() override;
  void TearDown() override;
  void Attach() { plug->AttachEditor(gui); }
  // A knob like the effect's channel knobs (image 102, text 8 pixels under
  // it), or with image 101, text offset 0 and 25 steps its "Delay Rate".
  IKnobRotVal* AddKnob(int index, int cx, int cy, int imageId = 102, int textOffset = 8, int steps = 0);
  // Paints the whole editor over a black canvas; a copy of the canvas.
  std::unique_ptr<PixelBitmap> RenderOnBlack();
  // The effect's "Feedback" slider, bound to index.
  ISlider* AddSlider(int index, const IFontSpec& font = kValueFont);

  std::unique_ptr<GuiTestPlug> plug;
  TestGui* gui = nullptr;
};

}  // namespace guitest

namespace guitest {
// The automate request a host sees for a value.
inline std::string Automate(int index, double normalized) {
  char text[64];
  std::snprintf(text, sizeof(text), "automate %d %.9g", index, double(float(normalized)));
  return text;
}
}  // namespace guitest
