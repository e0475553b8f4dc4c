#pragma once

class BitmapBase;

// A loaded image: its bitmap (owned by the process-wide image cache), the
// size of the whole bitmap, and how many frames are stacked in it.
struct IImage {
  BitmapBase* bitmap = nullptr;
  int width = 0;
  int height = 0;
  int frames = 1;

  IImage() = default;
  IImage(BitmapBase* b, int w, int h, int n) : bitmap(b), width(w), height(h), frames(n) {}
  // The frame count to divide by: a count below 1 counts as one frame.
  int FrameCount() const { return frames < 1 ? 1 : frames; }
};
