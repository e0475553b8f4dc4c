// Text without a system text call: every text takes the glyph path.
#include "gfx/RasterFont.h"
#include "gfx/RasterFontPlatform.h"

void DestroyTextScratch() {}

bool AskRunsUnderWine() { return false; }

BitmapBase* RasterFont::TextScratch() { return nullptr; }

int RasterFont::SystemText(BitmapBase*, const char*, int, IBounds*, int) { return 0; }
