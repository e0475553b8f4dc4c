#pragma once
#include "gui/IRgba.h"

class RasterFont;

// A text style. Controls keep their own copy; the font made for it is
// filled in on first use and belongs to the process-wide font cache.
struct IFontSpec {
  static constexpr int kFaceSize = 32;  // face name, terminator included

  enum Style { kBold = 1, kItalic = 2 };
  enum Align { kAlignLeft = 0, kAlignCentre = 1, kAlignRight = 2 };  // any other non-zero value: right
  // 0 system default, 1 not anti-aliased, 2 anti-aliased, 3 ClearType; other values act as 1.
  enum Quality { kQualityDefault = 0, kQualityPlain = 1, kQualitySmooth = 2, kQualityClearType = 3 };

  char face[kFaceSize] = {};
  int size = 0;  // character height in pixels
  IRgba colour;
  int style = 0;
  int align = kAlignLeft;
  int orientation = 0;  // degrees
  int quality = kQualityDefault;
  RasterFont* cachedFont = nullptr;

  IFontSpec() = default;
  IFontSpec(const char* faceName, int sizePixels, const IRgba& textColour, int styleBits = 0,
            int alignment = kAlignLeft, int degrees = 0, int fontQuality = kQualityDefault)
      : size(sizePixels), colour(textColour), style(styleBits), align(alignment), orientation(degrees),
        quality(fontQuality) {
    SetFace(faceName);
  }

  // Copies a face name, cut to 31 characters.
  void SetFace(const char* faceName) {
    int n = 0;
    for (; faceName && n < kFaceSize - 1 && faceName[n]; ++n) face[n] = faceName[n];
    for (; n < kFaceSize; ++n) face[n] = 0;
  }
};
