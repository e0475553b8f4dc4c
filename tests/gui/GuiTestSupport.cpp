#include "tests/gui/GuiTestSupport.h"

#include <cmath>

#include "framework/TextUtil.h"
#include "gfx/Draw.h"
#include "gui/IImageCache.h"

namespace guitest {

GuiTestPlug::GuiTestPlug()
    : IPlugVST(HostCallback, kNumParams, "1-1 2-2", 1, "gui test", "", "tests", 0x10000, FourCC("GuTs"), FourCC("QmTs"), 0, 0,
               false, false) {
  Effect()->user = this;
  IParameter* rate = ParamAt(kRate);
  rate->DefineList("Delay Rate", 9, 25, "");
  for (int i = 0; i < 25; ++i) rate->AddDisplayText(i, ("d" + std::to_string(i)).c_str());
  ParamAt(kTime)->DefineInteger("Delay Time", 500, 1, 24000, "ms");
  ParamAt(kSync)->DefineList("Host Sync", 1, 2, "");
  ParamAt(kSync)->AddDisplayText(0, "No");
  ParamAt(kSync)->AddDisplayText(1, "Yes");
  ParamAt(kFeedback)->DefineInteger("Feedback", 50, 0, 99, "%");
  ParamAt(kToggle)->DefineList("Toggle", 0, 2, "");
  ParamAt(kFreq)->DefineInteger("Freq", 600, 100, 20000, "Hz");
  ParamAt(kFreq)->SetCurve(2.0);
}

std::vector<std::string> GuiTestPlug::Requests(const std::string& kind) const {
  std::vector<std::string> out;
  for (const std::string& r : requests)
    if (r.compare(0, kind.size() + 1, kind + " ") == 0) out.push_back(r);
  return out;
}

VstIntPtr VSTCALLBACK GuiTestPlug::HostCallback(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr,
                                                void*, float opt) {
  GuiTestPlug* plug = effect ? static_cast<GuiTestPlug*>(effect->user) : nullptr;
  if (!plug) return 0;
  char text[64];
  switch (opcode) {
    case audioMasterAutomate:
      std::snprintf(text, sizeof(text), "automate %d %.9g", index, double(opt));
      plug->requests.push_back(text);
      break;
    case audioMasterBeginEdit:
      plug->requests.push_back("begin " + std::to_string(index));
      break;
    case audioMasterEndEdit:
      plug->requests.push_back("end " + std::to_string(index));
      break;
    default:
      break;
  }
  return 0;
}

PixelBitmap* MakeImage(int width, int height, const PixelFunction& pixel) {
  PixelBitmap* b = new PixelBitmap(width, height, 4);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) b->Pixels()[y * b->RowPixels() + x] = pixel(x, y);
  return b;
}

BitmapBase* TestGui::LoadBitmapResource(int id, const char*) {
  ++loads[id];
  auto it = images.find(id);
  if (it == images.end()) return nullptr;
  return MakeImage(it->second.width, it->second.height, it->second.pixel);
}

bool TestGui::ShowArea(const IBounds& area) {
  shown.push_back(area);
  return true;
}

bool TestGui::OpenAddress(const char* address, const char*, const char*, const char*) {
  opened.push_back(address);
  for (const std::string& a : openable)
    if (a == address) return true;
  return false;
}

void TestGui::PromptValue(IControl*, IParameter* param, bool) { prompted.push_back(param); }
void TestGui::PromptText(IEditableTextControl*) { ++textPrompts; }

PixelFunction KnobPixels(int size) {
  return [size](int x, int y) -> uint32_t {
    const double c = (size - 1) * 0.5, dx = x - c, dy = y - c;
    const double r = std::sqrt(dx * dx + dy * dy);
    if (r > size * 0.5 - 2) return 0x00000000u;
    if (std::fabs(dx) < 2 && dy < 0 && r > size * 0.15) return 0xFFFFFFFFu;  // the pointer, up
    return 0xFF3A4A5Au;
  };
}

uint32_t BackdropPixel(int x, int y) { return 0xFF000000u | uint32_t(x % 256) << 16 | uint32_t(y % 256) << 8 | 0x40u; }

std::vector<uint32_t> Pixels(BitmapBase& b, const IBounds& area) {
  std::vector<uint32_t> out;
  for (int y = area.top; y < area.bottom; ++y)
    for (int x = area.left; x < area.right; ++x) out.push_back(At(b, x, y));
  return out;
}

int Differences(BitmapBase& a, BitmapBase& b, const IBounds& area) {
  int n = 0;
  for (int y = area.top; y < area.bottom; ++y)
    for (int x = area.left; x < area.right; ++x) n += At(a, x, y) != At(b, x, y);
  return n;
}

int InkedIn(BitmapBase& b, const IBounds& area, uint32_t ground) {
  int n = 0;
  for (uint32_t p : Pixels(b, area)) n += p != ground;
  return n;
}

std::unique_ptr<PixelBitmap> Copy(BitmapBase& b) {
  auto copy = std::make_unique<PixelBitmap>(b.Width(), b.Height(), 4);
  Blit(copy.get(), &b, 0, 0, nullptr, 1.0f, ModeCopy);
  return copy;
}


const IFontSpec EditorTest::kValueFont("Arial", 16, IRgba(180, 255, 255, 255));

void EditorTest::SetUp() {
  IImageCache::Instance().Clear();
  plug = std::make_unique<GuiTestPlug>();
  gui = new TestGui(plug.get());
  gui->images[100] = {498, 285, BackdropPixel};
  gui->images[101] = {66, 66, KnobPixels(66)};
  gui->images[102] = {52, 52, KnobPixels(52)};
  gui->images[103] = {52, 21, [](int, int) { return 0xFF20C060u; }};
  gui->images[104] = {52, 21, [](int, int) { return 0xFF20C060u; }};
  gui->images[108] = {31, 14, [](int, int) { return 0xFFE0E0E0u; }};
}

void EditorTest::TearDown() {
  if (!plug->Editor()) delete gui;
}

IKnobRotVal* EditorTest::AddKnob(int index, int cx, int cy, int imageId, int textOffset, int steps) {
  auto* knob = new IKnobRotVal(plug.get(), index, cx, cy, gui->LoadImage(imageId, "knob", 1), kValueFont, textOffset,
                               300, 4.0, 0, 0, 1.0f, true, steps);
  gui->AddControl(knob);
  return knob;
}

std::unique_ptr<PixelBitmap> EditorTest::RenderOnBlack() {
  FillRect(gui->Canvas(), 0, 0, gui->Width(), gui->Height(), 0xFF000000u, 1.0f, ModeCopy);
  gui->RedrawAll();
  return Copy(*gui->Canvas());
}

ISlider* EditorTest::AddSlider(int index, const IFontSpec& font) {
  auto* slider = new ISlider(plug.get(), index, IBounds(213, 191, 285, 226), gui->LoadImage(108, "slider", 1), font,
                             72, true, IRgba(255, 66, 110, 170), 2, 8, false, false);
  gui->AddControl(slider);
  return slider;
}

}  // namespace guitest
