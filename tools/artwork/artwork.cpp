// Draws the editor's images (resources/img/*.png) and a preview of the
// editor put together from them. See README.md beside this file.
//
//   qm-artwork <image folder> [<preview file>]
//
// Everything is drawn with cairo and laid out with pango from the fonts of
// Debian's fonts-inter package; the PNG files are written with libpng at
// fixed settings, so the same packages give the same bytes on every run.

#include <cairo.h>
#include <pango/pangocairo.h>
#include <png.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

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
double Pivot(int size) { return size / 2 + 0.5; }

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

void SetColour(cairo_t* cr, const Colour& c) { cairo_set_source_rgba(cr, c.r, c.g, c.b, c.a); }

void VerticalGradient(cairo_t* cr, double y0, double y1, const Colour& top, const Colour& bottom) {
  cairo_pattern_t* p = cairo_pattern_create_linear(0, y0, 0, y1);
  cairo_pattern_add_color_stop_rgba(p, 0, top.r, top.g, top.b, top.a);
  cairo_pattern_add_color_stop_rgba(p, 1, bottom.r, bottom.g, bottom.b, bottom.a);
  cairo_set_source(cr, p);
  cairo_pattern_destroy(p);
}

void RoundedRect(cairo_t* cr, double x, double y, double w, double h, double r) {
  cairo_new_sub_path(cr);
  cairo_arc(cr, x + w - r, y + r, r, -M_PI / 2, 0);
  cairo_arc(cr, x + w - r, y + h - r, r, 0, M_PI / 2);
  cairo_arc(cr, x + r, y + h - r, r, M_PI / 2, M_PI);
  cairo_arc(cr, x + r, y + r, r, M_PI, 3 * M_PI / 2);
  cairo_close_path(cr);
}

// A filled rounded rectangle with a one-pixel border on whole pixels: the
// border runs along the outermost pixel rows and columns of the rectangle.
void Frame(cairo_t* cr, const Rect& r, double radius, const Colour& fill, const Colour& edge) {
  RoundedRect(cr, r.x, r.y, r.w, r.h, radius);
  SetColour(cr, edge);
  cairo_fill(cr);
  RoundedRect(cr, r.x + 1, r.y + 1, r.w - 2, r.h - 2, radius - 1);
  SetColour(cr, fill);
  cairo_fill(cr);
}

void FillRect(cairo_t* cr, double x, double y, double w, double h, const Colour& c) {
  cairo_rectangle(cr, x, y, w, h);
  SetColour(cr, c);
  cairo_fill(cr);
}

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

void Fail(const std::string& message) {
  std::fprintf(stderr, "qm-artwork: %s\n", message.c_str());
  std::exit(1);
}

void RequireFont(PangoLayout* layout, const PangoFontDescription* want) {
  PangoFont* font = pango_context_load_font(pango_layout_get_context(layout), want);
  PangoFontDescription* got = font ? pango_font_describe(font) : nullptr;
  const char* family = pango_font_description_get_family(want);
  if (!got || std::strcmp(pango_font_description_get_family(got), family) != 0 ||
      pango_font_description_get_weight(got) != pango_font_description_get_weight(want)) {
    Fail(std::string("the font ") + family + " (weight " +
         std::to_string(int(pango_font_description_get_weight(want))) +
         ") is not installed; see tools/artwork/README.md for the packages");
  }
  pango_font_description_free(got);
  if (font) g_object_unref(font);
}

// A layout in one face at an em size in pixels, greyscale antialiased with
// light vertical hinting. Labels place letters at fractions of a pixel
// (wholePixelLetters false); the preview's editor texts at whole pixels, as
// the editor does.
PangoLayout* NewLayout(cairo_t* cr, const char* family, PangoWeight weight, double px, bool wholePixelLetters) {
  PangoLayout* layout = pango_cairo_create_layout(cr);
  PangoContext* context = pango_layout_get_context(layout);
  cairo_font_options_t* options = cairo_font_options_create();
  cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
  cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_SLIGHT);
  cairo_font_options_set_hint_metrics(options, wholePixelLetters ? CAIRO_HINT_METRICS_ON : CAIRO_HINT_METRICS_OFF);
  pango_cairo_context_set_font_options(context, options);
  cairo_font_options_destroy(options);
  pango_context_set_round_glyph_positions(context, wholePixelLetters);
  pango_layout_context_changed(layout);

  PangoFontDescription* desc = pango_font_description_new();
  pango_font_description_set_family(desc, family);
  pango_font_description_set_weight(desc, weight);
  pango_font_description_set_absolute_size(desc, px * PANGO_SCALE);
  pango_layout_set_font_description(layout, desc);
  RequireFont(layout, desc);
  pango_font_description_free(desc);
  return layout;
}

PangoLayout* MakeLayout(cairo_t* cr, const Type& type, const char* text) {
  PangoLayout* layout = NewLayout(cr, type.family, type.weight, type.px, false);
  PangoAttrList* attrs = pango_attr_list_new();
  pango_attr_list_insert(attrs, pango_attr_letter_spacing_new(int(std::lround(type.tracking * PANGO_SCALE))));
  pango_layout_set_attributes(layout, attrs);
  pango_attr_list_unref(attrs);
  pango_layout_set_text(layout, text, -1);
  return layout;
}

// Ink width of a text: what the eye sees, without the tracking after the
// last letter.
int InkWidth(cairo_t* cr, const Type& type, const char* text) {
  PangoLayout* layout = MakeLayout(cr, type, text);
  PangoRectangle ink, logical;
  pango_layout_get_pixel_extents(layout, &ink, &logical);
  g_object_unref(layout);
  return ink.width;
}

// Draws text with its baseline on the pixel row boundary y and its ink
// starting at, centred on or ending at x (whole pixels).
void Text(cairo_t* cr, const Type& type, const char* text, double x, int baseline, Align align, const Colour& c) {
  PangoLayout* layout = MakeLayout(cr, type, text);
  PangoRectangle ink, logical;
  pango_layout_get_pixel_extents(layout, &ink, &logical);
  double left = x - ink.x;
  if (align == Align::Centre) left = x - ink.x - ink.width / 2.0;
  if (align == Align::Right) left = x - ink.x - ink.width;
  left = std::floor(left + 0.5);
  int top = baseline - pango_layout_get_baseline(layout) / PANGO_SCALE;
  // Filled as outlines: letters keep their exact spacing (glyph images would
  // snap each letter to a whole pixel), the outlines keep their vertical
  // hinting.
  cairo_save(cr);
  cairo_new_path(cr);
  cairo_move_to(cr, left, top);
  pango_cairo_layout_path(cr, layout);
  cairo_set_antialias(cr, CAIRO_ANTIALIAS_BEST);
  SetColour(cr, c);
  cairo_fill(cr);
  cairo_restore(cr);
  g_object_unref(layout);
}

// ---------------------------------------------------------------------------
// Pixels in and out.

struct Image {
  int width = 0, height = 0;
  bool alpha = false;
  std::vector<uint8_t> rgba;  // straight alpha, row by row
  uint8_t* At(int x, int y) { return &rgba[(size_t(y) * width + x) * 4]; }
  const uint8_t* At(int x, int y) const { return &rgba[(size_t(y) * width + x) * 4]; }
};

// From a cairo surface (premultiplied) to straight alpha. Opaque images must
// have no translucent pixel.
Image FromSurface(cairo_surface_t* s, bool alpha) {
  cairo_surface_flush(s);
  Image img;
  img.width = cairo_image_surface_get_width(s);
  img.height = cairo_image_surface_get_height(s);
  img.alpha = alpha;
  img.rgba.resize(size_t(img.width) * img.height * 4);
  const uint8_t* data = cairo_image_surface_get_data(s);
  int stride = cairo_image_surface_get_stride(s);
  for (int y = 0; y < img.height; ++y) {
    const uint32_t* row = reinterpret_cast<const uint32_t*>(data + size_t(y) * stride);
    for (int x = 0; x < img.width; ++x) {
      uint32_t p = row[x];
      int a = p >> 24, r = (p >> 16) & 255, g = (p >> 8) & 255, b = p & 255;
      uint8_t* o = img.At(x, y);
      if (!alpha && a != 255) Fail("an opaque image has a translucent pixel");
      if (a > 0) {
        o[0] = uint8_t((r * 255 + a / 2) / a);
        o[1] = uint8_t((g * 255 + a / 2) / a);
        o[2] = uint8_t((b * 255 + a / 2) / a);
      }
      o[3] = uint8_t(a);
    }
  }
  return img;
}

Image Crop(const Image& src, const Rect& r) {
  Image out;
  out.width = r.w;
  out.height = r.h;
  out.alpha = src.alpha;
  out.rgba.resize(size_t(r.w) * r.h * 4);
  for (int y = 0; y < r.h; ++y)
    std::memcpy(out.At(0, y), src.At(r.x, r.y + y), size_t(r.w) * 4);
  return out;
}

// 8-bit RGB (colour type 2) or RGBA (colour type 6), no ancillary chunks, no
// time stamp, fixed compression settings.
void WritePng(const Image& img, const std::string& path) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) Fail("cannot write " + path);
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (!png || !info || setjmp(png_jmpbuf(png))) Fail("libpng failed on " + path);
  png_init_io(png, f);
  png_set_compression_level(png, 9);
  png_set_compression_strategy(png, 0);
  png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_ALL_FILTERS);
  png_set_IHDR(png, info, img.width, img.height, 8, img.alpha ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB,
               PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_BASE, PNG_FILTER_TYPE_BASE);
  png_write_info(png, info);
  std::vector<uint8_t> row(size_t(img.width) * 4);
  for (int y = 0; y < img.height; ++y) {
    const uint8_t* p = img.At(0, y);
    if (img.alpha) {
      std::memcpy(row.data(), p, size_t(img.width) * 4);
    } else {
      for (int x = 0; x < img.width; ++x) std::memcpy(&row[size_t(x) * 3], p + size_t(x) * 4, 3);
    }
    png_write_row(png, row.data());
  }
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  std::fclose(f);
}

cairo_surface_t* NewSurface(int w, int h) {
  cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h);
  if (cairo_surface_status(s) != CAIRO_STATUS_SUCCESS) Fail("cairo cannot make a surface");
  return s;
}

// ---------------------------------------------------------------------------
// Knobs. Only what turns with the value is in the knob images, and all of it
// is round about the pivot, so any rotation looks the same but for the
// pointer. The scale, the shadow and the light that do not turn are in the
// background.

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

void Disc(cairo_t* cr, double c, double r, const Colour& colour) {
  cairo_arc(cr, c, c, r, 0, 2 * M_PI);
  SetColour(cr, colour);
  cairo_fill(cr);
}

void RadialDisc(cairo_t* cr, double c, double r, const Colour& centre, const Colour& edge) {
  cairo_pattern_t* p = cairo_pattern_create_radial(c, c, 0, c, c, r);
  cairo_pattern_add_color_stop_rgb(p, 0, centre.r, centre.g, centre.b);
  cairo_pattern_add_color_stop_rgb(p, 1, edge.r, edge.g, edge.b);
  cairo_arc(cr, c, c, r, 0, 2 * M_PI);
  cairo_set_source(cr, p);
  cairo_fill(cr);
  cairo_pattern_destroy(p);
}

void KnobShapes(cairo_t* cr, const KnobStyle& k) {
  const double c = Pivot(k.size);
  // Skirt with a thin lighter rim, a dark seam, then the cap.
  Disc(cr, c, k.radius, kKnobRim);
  RadialDisc(cr, c, k.radius - 1, kKnobSkirt, kKnobSkirtEdge);
  Disc(cr, c, k.capRadius + 1, kKnobSeam);
  Disc(cr, c, k.capRadius, kKnobCapEdge);
  RadialDisc(cr, c, k.capRadius - 1, kKnobFaceCentre, kKnobFaceEdge);
  // Pointer, straight up (value 0.5).
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
  cairo_set_line_width(cr, k.pointerWidth);
  cairo_move_to(cr, c, c - k.pointerFrom);
  cairo_line_to(cr, c, c - k.pointerTo);
  SetColour(cr, kKnobPointer);
  cairo_stroke(cr);
}

// The alpha of the knob drawn on nothing, the colours of the knob drawn on
// its own rim colour: the edge pixels keep the rim's colour however faint
// they are, and so do the transparent pixels around them, so the editor's
// straight-alpha filter blends the edge with nothing but its own colour.
Image DrawKnob(const KnobStyle& k) {
  cairo_surface_t* shape = NewSurface(k.size, k.size);
  cairo_t* cr = cairo_create(shape);
  KnobShapes(cr, k);
  cairo_destroy(cr);
  Image alpha = FromSurface(shape, true);
  cairo_surface_destroy(shape);

  cairo_surface_t* colour = NewSurface(k.size, k.size);
  cr = cairo_create(colour);
  SetColour(cr, kKnobRim);
  cairo_paint(cr);
  KnobShapes(cr, k);
  cairo_destroy(cr);
  Image img = FromSurface(colour, false);
  cairo_surface_destroy(colour);

  img.alpha = true;
  for (size_t i = 3; i < img.rgba.size(); i += 4) img.rgba[i] = alpha.rgba[i];
  return img;
}

// The fixed part of a knob on the background: a soft shadow below the cap
// and a scale of dots from -150 to +150 degrees.
void KnobBed(cairo_t* cr, int cx, int cy, const KnobStyle& k, double scaleRadius, double dot) {
  const double x = cx + 0.5, y = cy + 0.5;
  cairo_pattern_t* shadow = cairo_pattern_create_radial(x, y + 1.5, k.radius - 3, x, y + 1.5, k.radius + 3.5);
  cairo_pattern_add_color_stop_rgba(shadow, 0, 0, 0, 0, 0.55);
  cairo_pattern_add_color_stop_rgba(shadow, 1, 0, 0, 0, 0);
  cairo_arc(cr, x, y + 1.5, k.radius + 3.5, 0, 2 * M_PI);
  cairo_set_source(cr, shadow);
  cairo_fill(cr);
  cairo_pattern_destroy(shadow);

  for (int i = 0; i <= 10; ++i) {
    double a = (-150.0 + 30.0 * i) * M_PI / 180.0;
    bool end = i == 0 || i == 10 || i == 5;
    cairo_arc(cr, x + scaleRadius * std::sin(a), y - scaleRadius * std::cos(a), end ? dot * 1.25 : dot, 0,
              2 * M_PI);
    SetColour(cr, end ? kScaleEnd : kScale);
    cairo_fill(cr);
  }
}

// ---------------------------------------------------------------------------
// Buttons. The background shows every button off; the button images are cut
// from the same background drawn with the buttons on, so frame and corners
// match to the pixel.

enum class ButtonKind { Toggle, Direction };

void Led(cairo_t* cr, double x, double y, bool on) {
  if (on) {
    cairo_pattern_t* glow = cairo_pattern_create_radial(x, y, 0, x, y, 6);
    cairo_pattern_add_color_stop_rgba(glow, 0, kAccentLit.r, kAccentLit.g, kAccentLit.b, 0.45);
    cairo_pattern_add_color_stop_rgba(glow, 1, kAccentLit.r, kAccentLit.g, kAccentLit.b, 0);
    cairo_arc(cr, x, y, 6, 0, 2 * M_PI);
    cairo_set_source(cr, glow);
    cairo_fill(cr);
  }
  cairo_arc(cr, x, y, 2.5, 0, 2 * M_PI);
  SetColour(cr, on ? kAccentLit : kLedOff);
  cairo_fill(cr);
}

// A play-style triangle pointing right (dir 1) or left (dir -1), its tip at
// x and its middle on the row boundary y.
void Triangle(cairo_t* cr, double x, double y, int dir, const Colour& c) {
  cairo_move_to(cr, x, y);
  cairo_line_to(cr, x - dir * 5, y - 3.5);
  cairo_line_to(cr, x - dir * 5, y + 3.5);
  cairo_close_path(cr);
  SetColour(cr, c);
  cairo_fill(cr);
}

// Text and indicator centred together in the button: an LED for the on/off
// toggles, a play-style arrow for the two direction buttons.
void Button(cairo_t* cr, const Rect& r, ButtonKind kind, const char* offText, const char* onText, bool on) {
  Frame(cr, r, 3.5, on ? kButtonFaceLit : kButtonFace, kButtonEdge);
  const int baseline = r.y + 14;
  const double mid = r.y + r.h / 2.0;
  if (kind == ButtonKind::Toggle) {
    const int text = InkWidth(cr, kButtonType, offText);
    const double left = std::floor(r.x + (r.w - (text + 10)) / 2.0);
    Led(cr, left + 2.5, mid, on);
    Text(cr, kButtonType, offText, left + 10, baseline, Align::Left, on ? kLitText : kButtonText);
  } else {
    const char* label = on ? onText : offText;
    const int text = InkWidth(cr, kButtonType, label);
    const double left = std::floor(r.x + (r.w - (text + 9)) / 2.0);
    const Colour& ink = on ? kAccentLit : kDirectionText;
    if (on) {
      Triangle(cr, left, mid, -1, ink);
    } else {
      Triangle(cr, left + 5, mid, 1, ink);
    }
    Text(cr, kButtonType, label, left + 9, baseline, Align::Left, on ? kLitText : kDirectionText);
  }
}

// ---------------------------------------------------------------------------
// The background, with the buttons off or on.

// An arrow with a 2-pixel shaft on whole rows (middle on the row boundary
// y) and a head 4 wide and 8 high, its tip at x, pointing right (dir 1) or
// left (dir -1), 11 pixels long.
void Arrow(cairo_t* cr, int x, int y, int dir, const Colour& c) {
  const int neck = x - dir * 4;
  FillRect(cr, std::min(neck, neck - dir * 7), y - 1, 7, 2, c);
  cairo_move_to(cr, x, y);
  cairo_line_to(cr, neck, y - 4);
  cairo_line_to(cr, neck, y + 4);
  cairo_close_path(cr);
  cairo_fill(cr);
}

// The maker's mark left of the version line: a rounded square in the accent
// with two arrows, one forward and one reversed.
void Emblem(cairo_t* cr, int x, int y) {
  RoundedRect(cr, x, y, 18, 18, 4);
  SetColour(cr, kAccent);
  cairo_fill(cr);
  Arrow(cr, x + 15, y + 6, 1, Hex(0xFFFFFF));
  Arrow(cr, x + 3, y + 12, -1, Hex(0xFFFFFF));
}

void Background(cairo_t* cr, bool buttonsOn) {
  // Header: light, for the dark wordmark and the translucent black version
  // line at (40, 12).
  constexpr int kHeaderH = 57;
  VerticalGradient(cr, 0, kHeaderH, kHeaderTop, kHeaderBottom);
  cairo_rectangle(cr, 0, 0, kWidth, kHeaderH);
  cairo_fill(cr);
  FillRect(cr, 0, kHeaderH - 1, kWidth, 1, kHeaderRule);

  // Body, and a darker footer under the toggles.
  constexpr int kFooterY = 234;
  VerticalGradient(cr, kHeaderH, kFooterY, kBodyTop, kBodyBottom);
  cairo_rectangle(cr, 0, kHeaderH, kWidth, kFooterY - kHeaderH);
  cairo_fill(cr);
  FillRect(cr, 0, kHeaderH, kWidth, 1, kBodyShade);
  FillRect(cr, 0, kFooterY, kWidth, kHeight - kFooterY, kFooter);
  FillRect(cr, 0, kFooterY, kWidth, 1, kBodyShade);
  FillRect(cr, 0, kFooterY + 1, kWidth, 1, kFooterLight);

  // Wordmark in the link area (175, 6)-(367, 53), centred on the editor;
  // the maker's mark and name at the sides of the header.
  Text(cr, kWordmarkType, "quillmere", 249, 35, Align::Centre, kHeaderInk);
  Text(cr, kTaglineType, "STEREO REVERSE DELAY", 249, 48, Align::Centre, kHeaderMuted);
  Emblem(cr, 13, 9);
  Text(cr, kVendorType, "TOLVANE", 484, 22, Align::Right, kHeaderMuted);

  // Channel panels: the same size, with the knobs at the same places in
  // both; their outer edges line up with the buttons above them.
  Frame(cr, Rect{kDirectionLeft.x, 121, 196, 105}, 6, kPanel, kPanelEdge);
  Frame(cr, Rect{kHostSync.x, 121, 196, 105}, 6, kPanel, kPanelEdge);

  // Titles.
  Text(cr, kTitleType, "LEFT", 13, 84, Align::Left, kTitle);
  Text(cr, kTitleType, "RIGHT", 484, 84, Align::Right, kTitle);
  Text(cr, kTitleType, "DELAY", 249.5, 76, Align::Centre, kTitle);

  // Labels over the controls.
  const char* knobNames[3] = {"OFFSET", "FREQ", "MIX"};
  for (int i = 0; i < 3; ++i) {
    Text(cr, kLabelType, knobNames[i], kLeftKnobs[i] + 0.5, 136, Align::Centre, kLabel);
    Text(cr, kLabelType, knobNames[i], kRightKnobs[i] + 0.5, 136, Align::Centre, kLabel);
  }
  Text(cr, kLabelType, "FEEDBACK", 249.5, 186, Align::Centre, kLabel);
  // The toggles read as one line: toggle [freq] [reverse] per cycle.
  Text(cr, kLabelType, "TOGGLE", kToggleFreq.x - 10, 259, Align::Right, kLabel);
  Text(cr, kLabelType, "PER CYCLE", kToggleReverse.x + kToggleReverse.w + 10, 259, Align::Left, kLabel);

  // Knob beds.
  KnobBed(cr, kDelayX, kDelayY, kBigKnobStyle, 29.5, 1.1);
  for (int i = 0; i < 3; ++i) {
    KnobBed(cr, kLeftKnobs[i], kKnobY, kSmallKnobStyle, 23, 0.95);
    KnobBed(cr, kRightKnobs[i], kKnobY, kSmallKnobStyle, 23, 0.95);
  }

  // Feedback groove: the bar (rows 197 and 198, from x 221) lies in it.
  const int cy = kSliderTrack.y + kSliderTrack.h / 2;  // 198
  RoundedRect(cr, kSliderTrack.x + kBarInset - 2, cy - 2, kSliderTrack.w - 2 * (kBarInset - 2), 4, 2);
  SetColour(cr, kGroove);
  cairo_fill(cr);

  // Buttons.
  Button(cr, kDirectionLeft, ButtonKind::Direction, "FWD", "REV", buttonsOn);
  Button(cr, kDirectionRight, ButtonKind::Direction, "FWD", "REV", buttonsOn);
  Button(cr, kHostSync, ButtonKind::Toggle, "SYNC", nullptr, buttonsOn);
  Button(cr, Rect{kToggleFreq.x, kToggleFreq.y, kToggleFreq.w - 1, kToggleFreq.h}, ButtonKind::Toggle, "FREQ",
         nullptr, buttonsOn);
  Button(cr, Rect{kToggleReverse.x + 1, kToggleReverse.y, kToggleReverse.w - 1, kToggleReverse.h},
         ButtonKind::Toggle, "REVERSE", nullptr, buttonsOn);
}

Image DrawBackground(bool buttonsOn) {
  cairo_surface_t* s = NewSurface(kWidth, kHeight);
  cairo_t* cr = cairo_create(s);
  Background(cr, buttonsOn);
  cairo_destroy(cr);
  Image img = FromSurface(s, false);
  cairo_surface_destroy(s);
  return img;
}

// ---------------------------------------------------------------------------
// The feedback slider's handle, drawn where it travels: over the background's
// track, which is even from left to right.

Image DrawSliderHandle(const Image& background) {
  cairo_surface_t* s = NewSurface(kSliderHandleW, kSliderHandleH);
  cairo_t* cr = cairo_create(s);
  // What lies under the handle's corners: the background at the track's left
  // end (rows above and below the groove are even along the track).
  for (int y = 0; y < kSliderHandleH; ++y) {
    const uint8_t* p = background.At(kSliderTrack.x, kSliderTrack.y + y);
    FillRect(cr, 0, y, kSliderHandleW, 1, Colour{p[0] / 255.0, p[1] / 255.0, p[2] / 255.0, 1});
  }
  const Rect r{0, 0, kSliderHandleW, kSliderHandleH};
  RoundedRect(cr, r.x, r.y, r.w, r.h, 3.5);
  SetColour(cr, kHandleEdge);
  cairo_fill(cr);
  RoundedRect(cr, r.x + 1, r.y + 1, r.w - 2, r.h - 2, 2.5);
  VerticalGradient(cr, 1, r.h - 1, kHandleTop, kHandleBottom);
  cairo_fill(cr);
  FillRect(cr, 3, 1, kSliderHandleW - 6, 1, kHandleLight);
  // Index line on the handle's middle column (15 of 31).
  FillRect(cr, kSliderHandleW / 2 - 1, 3, 3, kSliderHandleH - 6, kHandleEdge);
  FillRect(cr, kSliderHandleW / 2, 3, 1, kSliderHandleH - 6, kKnobPointer);
  cairo_destroy(cr);
  Image img = FromSurface(s, false);
  cairo_surface_destroy(s);
  return img;
}

// ---------------------------------------------------------------------------
// The preview: the editor put together as the controls will draw it, with
// sample value texts. Not a resource.

// Straight-alpha bilinear rotation about the pixel (w / 2, h / 2), as the
// editor draws its knobs; the value's source shift included.
void DrawRotated(Image& dst, const Image& src, int cx, int cy, double value) {
  const float kPi = 3.14159265358979323846f;
  float a = float(300 * double(kPi) * (1.0 / 360));
  float b = float(300 * -double(kPi) * (1.0 / 360));
  double angleD = double(a) * value * 2 + b;
  float angle = float(angleD);
  float shift = float(std::fabs(value - 0.5) * 2) * -1;
  int w = src.width, h = src.height;
  int dx0 = int(float(cx) - float(w / 2)), dy0 = int(float(cy) - float(h / 2));
  float c = std::cos(angle), sn = std::sin(angle);
  float fw = float(w), fh = float(h);
  float dsdx = c, dtdx = -sn, dsdy = sn, dtdy = c;
  float sx = shift - ((fh * dsdy + fw * dsdx - fw) * 0.5f);
  float sy = shift - ((fw * dtdx + fh * dtdy - fh) * 0.5f);
  auto fixed = [](float v) { return int64_t(std::llround(double(v))); };
  int64_t s0 = fixed(sx * 65536.0f), t0 = fixed(sy * 65536.0f);
  int64_t sdx = fixed(dsdx * 65536.0f), tdx = fixed(dtdx * 65536.0f);
  int64_t sdy = fixed(dsdy * 65536.0f), tdy = fixed(dtdy * 65536.0f);
  for (int j = 0; j < h; ++j) {
    int64_t s = s0 + sdy * j, t = t0 + tdy * j;
    for (int i = 0; i < w; ++i, s += sdx, t += tdx) {
      int64_t x = s >> 16, y = t >> 16;
      if (x < 0 || y < 0 || x >= w || y >= h) continue;
      uint32_t fx = uint32_t(s & 0xffff), fy = uint32_t(t & 0xffff);
      int px[4];
      const uint8_t* p00 = src.At(int(x), int(y));
      if (x < w - 1 && y < h - 1) {
        const uint8_t* p10 = src.At(int(x) + 1, int(y));
        const uint8_t* p01 = src.At(int(x), int(y) + 1);
        const uint8_t* p11 = src.At(int(x) + 1, int(y) + 1);
        uint32_t w11 = (fx * fy) >> 16, w01 = fy - w11, w10 = fx - w11, w00 = 65536 - fx - fy + w11;
        for (int k = 0; k < 4; ++k) px[k] = int((w00 * p00[k] + w10 * p10[k] + w01 * p01[k] + w11 * p11[k]) >> 16);
      } else {
        for (int k = 0; k < 4; ++k) px[k] = p00[k];
      }
      int alpha = px[3];
      if (alpha == 0) continue;
      int X = dx0 + i, Y = dy0 + j;
      if (X < 0 || Y < 0 || X >= dst.width || Y >= dst.height) continue;
      uint8_t* d = dst.At(X, Y);
      int f = alpha + (alpha >> 7);  // 0..256
      for (int k = 0; k < 3; ++k) d[k] = uint8_t(d[k] + (((px[k] - d[k]) * f) >> 8));
    }
  }
}

void Blit(Image& dst, const Image& src, int x, int y) {
  for (int j = 0; j < src.height; ++j)
    for (int i = 0; i < src.width; ++i) std::memcpy(dst.At(x + i, y + j), src.At(i, j), 3);
}

int Nearest(double v) { return int(v < 0 ? std::ceil(v - 0.5) : std::floor(v + 0.5)); }

// The feedback slider at value v: bar, then handle.
void DrawSlider(Image& dst, const Image& handle, double v) {
  const int travel = kSliderTrack.w - handle.width;
  const double half = handle.width / 2;
  double barEnd = travel * v + half;
  if (barEnd > kBarInset) {
    int right = Nearest(kSliderTrack.x + barEnd);
    for (int y = 197; y < 199; ++y)
      for (int x = kSliderTrack.x + kBarInset; x < right; ++x) {
        uint8_t* d = dst.At(x, y);
        d[0] = 66, d[1] = 110, d[2] = 170;
      }
  }
  Blit(dst, handle, Nearest(kSliderTrack.x + travel * v), kSliderTrack.y);
}

// Value texts as the editor draws them: a GDI-style cell height (16 for the
// values, 13 for the version line) over the face's Windows metrics gives
// the em size; the text starts at the top of its box.
void PreviewText(cairo_t* cr, const char* family, int cellHeight, int winAscent, int winDescent, int upem,
                 const char* text, int left, int top, int right, bool centre, const Colour& c) {
  double ppem = std::floor(cellHeight * double(upem) / (winAscent + winDescent) + 0.5);
  int ascent = int(std::floor(winAscent * ppem / upem + 0.5));
  PangoLayout* layout = NewLayout(cr, family, PANGO_WEIGHT_NORMAL, ppem, true);
  pango_layout_set_text(layout, text, -1);
  PangoRectangle ink, logical;
  pango_layout_get_pixel_extents(layout, &ink, &logical);
  int x = centre ? left + (right - left - logical.width) / 2 : left;
  int y = top + ascent - pango_layout_get_baseline(layout) / PANGO_SCALE;
  cairo_move_to(cr, x, y);
  SetColour(cr, c);
  pango_cairo_show_layout(cr, layout);
  g_object_unref(layout);
}

Image Preview(const Image& bgOff, const std::vector<Image>& buttons, const Image& knob, const Image& knob2,
              const Image& handle) {
  Image img = bgOff;
  // Buttons: host sync, left direction and toggle freq on; the others off.
  Blit(img, buttons[1], kHostSync.x, kHostSync.y);
  Blit(img, buttons[0], kDirectionLeft.x, kDirectionLeft.y);
  Blit(img, buttons[3], kToggleFreq.x, kToggleFreq.y);
  DrawRotated(img, knob, kDelayX, kDelayY, 9.0 / 24);
  const double values[6] = {0.25, 0.0, 0.33, 0.75, 1.0, 0.5};
  for (int i = 0; i < 3; ++i) {
    DrawRotated(img, knob2, kLeftKnobs[i], kKnobY, values[i]);
    DrawRotated(img, knob2, kRightKnobs[i], kKnobY, values[i + 3]);
  }
  DrawSlider(img, handle, 0.5);

  // Texts on top, with cairo.
  cairo_surface_t* s = NewSurface(kWidth, kHeight);
  uint8_t* data = cairo_image_surface_get_data(s);
  int stride = cairo_image_surface_get_stride(s);
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x) {
      const uint8_t* p = img.At(x, y);
      reinterpret_cast<uint32_t*>(data + size_t(y) * stride)[x] =
          0xff000000u | uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2];
    }
  cairo_surface_mark_dirty(s);
  cairo_t* cr = cairo_create(s);
  const Colour value{1, 1, 1, 180 / 255.0};
  // Liberation Sans has Arial's metrics: Windows ascent 1854, descent 434.
  auto valueText = [&](const char* t, int left, int top, int right) {
    PreviewText(cr, "Liberation Sans", 16, 1854, 434, 2048, t, left, top, right, true, value);
  };
  valueText("1/8", 216, 149, 282);
  valueText("50%", 213, 210, 285);
  const char* texts[6] = {"25%", "600Hz", "33%", "75%", "6000Hz", "33%"};
  for (int i = 0; i < 3; ++i) {
    valueText(texts[i], kLeftKnobs[i] - 26, 200, kLeftKnobs[i] + 26);
    valueText(texts[i + 3], kRightKnobs[i] - 26, 200, kRightKnobs[i] + 26);
  }
  // The version line: Verdana, found as DejaVu Sans (Windows ascent 1901,
  // descent 483).
  PreviewText(cr, "DejaVu Sans", 13, 1901, 483, 2048, "v1.00", 40, 12, 90, false, Colour{0, 0, 0, 100 / 255.0});
  cairo_destroy(cr);
  Image out = FromSurface(s, false);
  cairo_surface_destroy(s);
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2 || argc > 3) {
    std::fprintf(stderr, "usage: qm-artwork <image folder> [<preview file>]\n");
    return 2;
  }
  const std::string dir = argv[1];
  const Image bgOff = DrawBackground(false);
  const Image bgOn = DrawBackground(true);
  const Image knob = DrawKnob(kBigKnobStyle);
  const Image knob2 = DrawKnob(kSmallKnobStyle);
  const Image handle = DrawSliderHandle(bgOff);
  const std::vector<Image> buttons = {Crop(bgOn, kDirectionLeft), Crop(bgOn, kHostSync),
                                      Crop(bgOn, kDirectionRight), Crop(bgOn, kToggleFreq),
                                      Crop(bgOn, kToggleReverse)};
  WritePng(bgOff, dir + "/bg.png");
  WritePng(knob, dir + "/knob.png");
  WritePng(knob2, dir + "/knob2.png");
  for (int i = 0; i < 5; ++i) WritePng(buttons[i], dir + "/but" + std::to_string(i + 1) + ".png");
  WritePng(handle, dir + "/slider.png");
  if (argc == 3) WritePng(Preview(bgOff, buttons, knob, knob2, handle), argv[2]);
  return 0;
}
