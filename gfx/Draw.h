#pragma once
#include <cstdint>

#include "gfx/Bitmap.h"
#include "gfx/IBounds.h"

// Drawing into bitmaps. Every call takes a weight alpha (0..1) and a
// PixelMode word; a null bitmap, a bitmap without pixels, an empty clipped
// area or a zero weight draws nothing. Colours are 0xAARRGGBB words.
// Coordinates may be anything an int holds: the clipping is done in wider
// arithmetic, so no call reads or writes outside its bitmaps.

// Copies or blends srcRect of src (all of src when null) so that its top-left
// lands at (x, y) of dest.
void Blit(BitmapBase* dest, BitmapBase* src, int x, int y, const IBounds* srcRect, float alpha, int mode);
void BlitPart(BitmapBase* dest, BitmapBase* src, int x, int y, int srcX, int srcY, int srcW, int srcH,
              float alpha, int mode);
void FillRect(BitmapBase* dest, int x, int y, int w, int h, uint32_t colour, float alpha, int mode);
// Maps the source rectangle onto the destination rectangle, rotated by angle
// (radians) about the destination rectangle's centre, with nearest or
// bilinear (FilterBilinear) sampling. Negative dstW or dstH mirror.
void BlitTransformed(BitmapBase* dest, BitmapBase* src, int dstX, int dstY, int dstW, int dstH, float srcX,
                     float srcY, float srcW, float srcH, float angle, bool clipToSourceRect, float alpha,
                     int mode, float rotOffsetX = 0.0f, float rotOffsetY = 0.0f);
// A small blur of a w x h area; dest may be src.
void BlurRect(BitmapBase* dest, BitmapBase* src, int dstX, int dstY, int srcX, int srcY, int w, int h);

// Draws from (x1, y1) to (x2, y2), both end points included, with the
// operation mode & 0xff.
void DrawLine(BitmapBase* dest, int x1, int y1, int x2, int y2, uint32_t colour, float alpha, int mode,
              bool antiAlias);
// Clips the segment to 0 <= x < width, 0 <= y < height, moving its end
// points onto the edges; false when nothing of it is inside.
bool ClipLine(int* x1, int* y1, int* x2, int* y2, int width, int height);
