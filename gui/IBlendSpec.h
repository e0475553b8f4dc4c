#pragma once
#include "gfx/Bitmap.h"

// How images and fills are combined with the canvas: a kind choosing the
// pixel operation, and a weight 0..1.
struct IBlendSpec {
  enum Kind { kCopyAlpha = 0, kCopy = 1, kAdd = 2, kDodge = 3 };

  int kind = kCopyAlpha;
  float weight = 1.0f;

  IBlendSpec() = default;
  IBlendSpec(int k, float w) : kind(k), weight(w) {}

  // The PixelMode word handed to the drawing calls; unknown kinds copy with
  // the source's alpha.
  int Mode() const {
    switch (kind) {
      case kCopy: return ModeCopy;
      case kAdd: return ModeAdd | UseSourceAlpha;
      case kDodge: return ModeDodge | UseSourceAlpha;
      default: return ModeCopy | UseSourceAlpha;
    }
  }
};

// A missing blend is kind 0 at weight 1.
inline int BlendMode(const IBlendSpec* blend) { return blend ? blend->Mode() : ModeCopy | UseSourceAlpha; }
inline float BlendWeight(const IBlendSpec* blend) { return blend ? blend->weight : 1.0f; }
