// Cairo helpers, text with pango, and images in and out for the artwork
// generator.

#include <png.h>

#include "ArtworkKit.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace qmart {


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


}  // namespace qmart
