// Draws the editor's images (resources/img/*.png) and a preview of the
// editor put together from them. See README.md beside this file.
//
//   qm-artwork <image folder> [<preview file>]
//
// Everything is drawn with cairo and laid out with pango from the fonts of
// Debian's fonts-inter package; the PNG files are written with libpng at
// fixed settings, so the same packages give the same bytes on every run.

#include "ArtworkKit.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace qmart {
namespace {

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
}  // namespace qmart

using namespace qmart;


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
