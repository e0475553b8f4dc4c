// The editor's images: knobs, buttons, the background and the slider handle.

#include "ArtworkKit.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace qmart {

// ---------------------------------------------------------------------------
// Knobs. Only what turns with the value is in the knob images, and all of it
// is round about the pivot, so any rotation looks the same but for the
// pointer. The scale, the shadow and the light that do not turn are in the
// background.


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


}  // namespace qmart
