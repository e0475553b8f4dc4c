// Fonts, text controls and the link area.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "gfx/Draw.h"
#include "gfx/RasterFont.h"
#include "gui/IEditableTextControl.h"
#include "gui/IFontCache.h"
#include "gui/IImageCache.h"
#include "gui/ILinkArea.h"
#include "gui/ITextControl.h"
#include "tests/gui/GuiTestSupport.h"

using namespace guitest;

namespace {

const IBounds kAll(0, 0, 498, 285);
const IModKeys kLeft(true, false, false, false, false);

using Text = EditorTest;

}  // namespace

// Specs that differ only in colour, alignment or quality share one font; the
// colour is set before every draw.
TEST_F(Text, FontsAreSharedAndColouredPerDraw) {
  gui->AddControl(new ITextControl(plug.get(), IBounds(), IFontSpec(), nullptr));
  Attach();
  IFontSpec red("Verdana", 13, IRgba(255, 255, 0, 0));
  IFontSpec blue("Verdana", 13, IRgba(255, 0, 0, 255), 0, IFontSpec::kAlignRight, 0, IFontSpec::kQualityPlain);
  IFontSpec bold("Verdana", 13, IRgba(255, 0, 0, 255), IFontSpec::kBold);
  const int before = IFontCache::Instance().Count();
  RasterFont* font = gui->FindOrCreateFont(red);
  ASSERT_TRUE(font);
  EXPECT_EQ(red.cachedFont, font);
  EXPECT_EQ(gui->FindOrCreateFont(blue), font);
  EXPECT_NE(gui->FindOrCreateFont(bold), font);
  EXPECT_EQ(IFontCache::Instance().Count(), before + 2);

  gui->Redraw(kAll);  // the draw area is the whole canvas
  FillRect(gui->Canvas(), 0, 0, 498, 285, 0xFF000000u, 1.0f, ModeCopy);
  EXPECT_TRUE(gui->DrawTextIn(red, "Hello", IBounds(10, 10, 200, 30)));
  EXPECT_EQ(font->InkColour(), 0xFFFF0000u);
  EXPECT_TRUE(gui->DrawTextIn(blue, "Hello", IBounds(10, 40, 200, 60)));
  EXPECT_EQ(font->InkColour(), 0xFF0000FFu);
  int reds = 0, blues = 0;
  for (int y = 0; y < 285; ++y)
    for (int x = 0; x < 498; ++x) {
      const uint32_t p = At(*gui->Canvas(), x, y);
      reds += (p & 0x00FFFFFFu) != 0 && y < 35 && (p & 0xFFFF) == 0;
      blues += (p & 0x00FFFFFFu) != 0 && y >= 35 && (p & 0xFFFF00) == 0;
    }
  EXPECT_GT(reds, 20);
  EXPECT_GT(blues, 20);
  EXPECT_TRUE(gui->DrawTextIn(red, "", IBounds(10, 10, 200, 30)));
  EXPECT_TRUE(gui->DrawTextIn(red, nullptr, IBounds(10, 10, 200, 30)));
}

// A face that does not exist falls back to one that does; a face name longer
// than its field is cut, never written past.
TEST_F(Text, UnknownAndOverlongFaces) {
  const std::string longName(200, 'Q');
  IFontSpec spec(longName.c_str(), 16, IRgba(255, 255, 255, 255));
  EXPECT_EQ(std::strlen(spec.face), size_t(IFontSpec::kFaceSize - 1));
  gui->AddControl(new ITextControl(plug.get(), IBounds(10, 10, 300, 40), spec, "No such face"));
  gui->AddControl(new ITextControl(plug.get(), IBounds(10, 50, 300, 80),
                                   IFontSpec("Zzyzx Nonexistent Sans", 16, IRgba(255, 255, 255, 255)), "Another"));
  Attach();
  auto canvas = RenderOnBlack();
  EXPECT_GT(InkedIn(*canvas, IBounds(0, 0, 498, 45)), 50);
  EXPECT_GT(InkedIn(*canvas, IBounds(0, 45, 498, 90)), 50);
}

// Empty texts paint nothing; a masked text shows at most 254 asterisks; a
// background of alpha 0 is no background; typing the same text again does
// not mark the control.
TEST_F(Text, TextControls) {
  const IFontSpec font("Arial", 16, IRgba(255, 255, 255, 255));
  auto* empty = new ITextControl(plug.get(), IBounds(0, 0, 498, 285), font, nullptr);
  gui->AddControl(empty);
  auto* masked = new IEditableTextControl(plug.get(), IBounds(0, 100, 498, 130), font, std::string(300, 'x').c_str());
  masked->SetMasked(true);
  masked->SetBackground(IRgba(0, 255, 0, 0));
  gui->AddControl(masked);
  Attach();
  EXPECT_EQ(empty->Text(), "");
  EXPECT_TRUE(empty->Paint(gui));
  const auto withMask = RenderOnBlack();

  masked->SetHidden(true);
  auto* plain = new ITextControl(plug.get(), IBounds(0, 100, 498, 130), font, std::string(254, '*').c_str());
  gui->AddControl(plain);
  const auto stars = RenderOnBlack();
  EXPECT_EQ(Differences(*withMask, *stars, kAll), 0);
  EXPECT_GT(InkedIn(*stars, kAll), 100);

  plain->SetHidden(true);
  masked->SetHidden(false);
  masked->SetBackground(IRgba(255, 0, 0, 200));
  const auto withBackground = RenderOnBlack();
  EXPECT_EQ(At(*withBackground, 5, 129), 0xFF0000C8u);

  gui->Redraw(kAll);
  gui->Redraw(kAll);
  ASSERT_FALSE(masked->NeedsRedraw());
  masked->SetTextFromEntry(masked->Text().c_str());
  EXPECT_FALSE(masked->NeedsRedraw());
  masked->SetTextFromEntry("new");
  EXPECT_TRUE(masked->NeedsRedraw());
  EXPECT_EQ(masked->Text(), "new");
  EXPECT_TRUE(plug->requests.empty());

  gui->HandleMouseDown(10, 110, kLeft);
  EXPECT_EQ(gui->textPrompts, 1);
  masked->SetPromptDisabled(true);
  gui->HandleMouseDown(10, 110, kLeft);
  EXPECT_EQ(gui->textPrompts, 1);
}

// A text of 100 000 characters draws (clipped by the canvas) without harm.
TEST_F(Text, AVeryLongText) {
  const std::string text(100000, 'W');
  gui->AddControl(new ITextControl(plug.get(), IBounds(10, 10, 100, 30),
                                   IFontSpec("Arial", 16, IRgba(180, 255, 255, 255), 0, IFontSpec::kAlignCentre), text.c_str()));
  Attach();
  const auto canvas = RenderOnBlack();
  EXPECT_GT(InkedIn(*canvas, kAll), 1000);
  EXPECT_EQ(gui->ControlAt(0)->PaintedArea().right, 498);
}

// The link opens its address, and the fallback when that fails; with both
// empty a click does nothing. Texts longer than their fields are cut.
TEST_F(Text, LinkArea) {
  const std::string longAddress = "https://tolvane.example/" + std::string(400, 'a');
  auto* link = new ILinkArea(plug.get(), IBounds(175, 6, 367, 53), "https://first.example", "https://second.example",
                             nullptr);
  auto* none = new ILinkArea(plug.get(), IBounds(0, 200, 50, 250), "", nullptr, nullptr);
  auto* cut = new ILinkArea(plug.get(), IBounds(400, 200, 450, 250), longAddress.c_str(), longAddress.c_str(),
                            std::string(3000, 't').c_str());
  gui->AddControl(link);
  gui->AddControl(none);
  gui->AddControl(cut);
  Attach();
  gui->HandleMouseDown(200, 20, kLeft);
  EXPECT_EQ(gui->opened, (std::vector<std::string>{"https://first.example", "https://second.example"}));
  gui->openable = {"https://first.example"};
  gui->opened.clear();
  gui->HandleMouseDown(200, 20, IModKeys(false, true, true, true, true));
  EXPECT_EQ(gui->opened, (std::vector<std::string>{"https://first.example"}));
  gui->opened.clear();
  gui->HandleMouseDown(10, 210, kLeft);
  EXPECT_TRUE(gui->opened.empty());
  EXPECT_EQ(std::strlen(cut->Address()), size_t(ILinkArea::kAddressSize - 1));
  EXPECT_EQ(std::strlen(cut->Fallback()), size_t(ILinkArea::kAddressSize - 1));
  EXPECT_EQ(std::strlen(cut->Title()), size_t(ILinkArea::kTitleSize - 1));
  EXPECT_EQ(std::string(cut->Address()), longAddress.substr(0, 255));
  EXPECT_TRUE(plug->requests.empty());
  EXPECT_TRUE(gui->prompted.empty());
}
