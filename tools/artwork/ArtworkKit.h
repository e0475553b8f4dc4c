#pragma once
// The drawing kit of the artwork generator: the editor's fixed geometry,
// the palette, text with pango, and images in and out.

#include <cairo.h>
#include <pango/pangocairo.h>

#include <cstdint>
#include <string>
#include <vector>

namespace qmart {


// ---------------------------------------------------------------------------
// The editor's fixed geometry: sizes of the images and where the controls
// sit on the 498 x 285 background.

constexpr int kWidth = 498, kHeight = 285;

struct Rect {
  int x, y, w, h;
};

constexpr Rect kDirectionLeft{13, 94, 52, 21};
constexpr Rect kHostSync{288, 94, 52, 21};
constexpr Rect kDirectionRight{432, 94, 52, 21};
constexpr Rect kToggleFreq{185, 245, 64, 21};
constexpr Rect kToggleReverse{249, 245, 64, 21};
constexpr Rect kSliderTrack{213, 191, 72, 14};
constexpr int kSliderHandleW = 31, kSliderHandleH = 14;
constexpr int kBarInset = 8;

constexpr int kDelayX = 249, kDelayY = 116, kBigKnob = 66;
constexpr int kKnobY = 166, kSmallKnob = 52;
constexpr int kLeftKnobs[3] = {49, 109, 171};
constexpr int kRightKnobs[3] = {324, 384, 446};

// The knob images turn about the pixel at (size / 2, size / 2); in cairo's
// coordinates that pixel's centre is size / 2 + 0.5.
inline double Pivot(int size) { return size / 2 + 0.5; }

// ---------------------------------------------------------------------------
// Palette. The fixed colours of the editor (white value texts at alpha 180,
// the translucent black version line and the feedback bar in 66, 110, 170)
// set its keys: a light header for the version line, a dark body for the
// value texts, and the bar's steel blue as the one accent.

struct Colour {
  double r, g, b, a;
};

constexpr Colour Hex(uint32_t rgb, double a = 1.0) {
  return Colour{((rgb >> 16) & 255) / 255.0, ((rgb >> 8) & 255) / 255.0, (rgb & 255) / 255.0, a};
}

const Colour kHeaderTop = Hex(0xECEEF1);
const Colour kHeaderBottom = Hex(0xE0E4E9);
const Colour kHeaderRule = Hex(0xC3CAD3);
const Colour kHeaderInk = Hex(0x1D232C);
const Colour kHeaderMuted = Hex(0x707B8A);
const Colour kBodyTop = Hex(0x20252C);
const Colour kBodyBottom = Hex(0x1A1E24);
const Colour kBodyShade = Hex(0x0C0E11);
const Colour kFooter = Hex(0x16191E);
const Colour kFooterLight = Hex(0x1D2127);
const Colour kPanel = Hex(0x252B33);
const Colour kPanelEdge = Hex(0x2F363F);
const Colour kLabel = Hex(0x8B96A5);
const Colour kTitle = Hex(0xC7CFD9);
const Colour kScale = Hex(0x4A5361);
const Colour kScaleEnd = Hex(0x6B7686);
const Colour kAccent = Hex(0x426EAA);  // the feedback bar
const Colour kAccentLit = Hex(0x6DA6F2);
const Colour kLitText = Hex(0xE6EEF9);
const Colour kButtonFace = Hex(0x262C34);
const Colour kButtonFaceLit = Hex(0x29364A);
const Colour kButtonEdge = Hex(0x3A424D);
const Colour kButtonText = Hex(0x8893A1);
const Colour kDirectionText = Hex(0xAEB7C3);
const Colour kLedOff = Hex(0x3B434E);
const Colour kGroove = Hex(0x12151A);
const Colour kKnobRim = Hex(0x444C59);
const Colour kKnobSkirt = Hex(0x2B313A);
const Colour kKnobSkirtEdge = Hex(0x252A32);
const Colour kKnobSeam = Hex(0x1B1F25);
const Colour kKnobCapEdge = Hex(0x4A5361);
const Colour kKnobFaceCentre = Hex(0x3A414D);
const Colour kKnobFaceEdge = Hex(0x323843);
const Colour kKnobPointer = Hex(0xEEF2F7);
const Colour kHandleTop = Hex(0x414A57);
const Colour kHandleBottom = Hex(0x333A45);
const Colour kHandleEdge = Hex(0x0E1115);
const Colour kHandleLight = Hex(0x56606E);

// ---------------------------------------------------------------------------
// Text with pango. Faces are asked for by family and weight; the generator
// stops when fontconfig hands out another family, so that a machine without
// the fonts never writes different pictures silently.

enum class Align { Left, Centre, Right };

struct Type {
  const char* family;
  PangoWeight weight;
  double px;        // em size in pixels
  double tracking;  // extra pixels between letters
};

const Type kTitleType{"Inter", PANGO_WEIGHT_BOLD, 10, 1.6};
const Type kLabelType{"Inter", PANGO_WEIGHT_SEMIBOLD, 9, 0.9};
const Type kButtonType{"Inter", PANGO_WEIGHT_SEMIBOLD, 8.5, 0.5};
const Type kWordmarkType{"Inter", PANGO_WEIGHT_SEMIBOLD, 27, -0.6};
const Type kTaglineType{"Inter", PANGO_WEIGHT_MEDIUM, 8, 2.2};
const Type kVendorType{"Inter", PANGO_WEIGHT_SEMIBOLD, 9, 1.8};

// ---------------------------------------------------------------------------
// Pixels in and out.

struct Image {
  int width = 0, height = 0;
  bool alpha = false;
  std::vector<uint8_t> rgba;  // straight alpha, row by row
  uint8_t* At(int x, int y) { return &rgba[(size_t(y) * width + x) * 4]; }
  const uint8_t* At(int x, int y) const { return &rgba[(size_t(y) * width + x) * 4]; }
};


struct KnobStyle {
  int size;
  double radius;        // the skirt
  double capRadius;     // the cap on it
  double pointerFrom;   // pointer line, from and to this distance from the pivot
  double pointerTo;
  double pointerWidth;
};

const KnobStyle kBigKnobStyle{kBigKnob, 24.5, 18.5, 8.5, 21.5, 3.0};
const KnobStyle kSmallKnobStyle{kSmallKnob, 18.5, 13.5, 5.5, 16.0, 2.5};

enum class ButtonKind { Toggle, Direction };

// Cairo helpers, text and pixels (ArtworkKit.cpp).
void SetColour(cairo_t* cr, const Colour& c);
void VerticalGradient(cairo_t* cr, double y0, double y1, const Colour& top, const Colour& bottom);
void RoundedRect(cairo_t* cr, double x, double y, double w, double h, double r);
void Frame(cairo_t* cr, const Rect& r, double radius, const Colour& fill, const Colour& edge);
void FillRect(cairo_t* cr, double x, double y, double w, double h, const Colour& c);
void Fail(const std::string& message);
void RequireFont(PangoLayout* layout, const PangoFontDescription* want);
PangoLayout* NewLayout(cairo_t* cr, const char* family, PangoWeight weight, double px, bool wholePixelLetters);
PangoLayout* MakeLayout(cairo_t* cr, const Type& type, const char* text);
int InkWidth(cairo_t* cr, const Type& type, const char* text);
void Text(cairo_t* cr, const Type& type, const char* text, double x, int baseline, Align align, const Colour& c);
Image FromSurface(cairo_surface_t* s, bool alpha);
Image Crop(const Image& src, const Rect& r);
void WritePng(const Image& img, const std::string& path);
cairo_surface_t* NewSurface(int w, int h);

// The images (ArtworkImages.cpp).
Image DrawKnob(const KnobStyle& k);
Image DrawBackground(bool buttonsOn);
Image DrawSliderHandle(const Image& background);

}  // namespace qmart
