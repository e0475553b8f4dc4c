// The copy-mode row loops one pixel at a time.
#include "gfx/BlitRows.h"

namespace {

void AverageRows(const Span& s) {
  for (int j = 0; j < s.rows; ++j) {
    uint32_t* d = s.dest->Row(s.dy + j) + s.dx;
    const uint32_t* p = s.src->Row(s.sy + j) + s.sx;
    for (int i = 0; i < s.cols; ++i) d[i] = px::Half(p[i]) + px::Half(d[i]);
  }
}

template <class Word>
void FillWordRows(const Fill& f, Word word) {
  for (int j = 0; j < f.rows; ++j) {
    uint32_t* d = f.dest->Row(f.y + j) + f.x;
    for (int i = 0; i < f.cols; ++i) d[i] = word(d[i]);
  }
}

void FillWords(const Fill& f, uint32_t share, Keep keep) {
  switch (keep) {
    case Keep::None: return FillWordRows(f, [share](uint32_t) { return share; });
    case Keep::Half: return FillWordRows(f, [share](uint32_t p) { return share + px::Half(p); });
    case Keep::ThreeQuarters:
      return FillWordRows(f, [share](uint32_t p) { return share + px::Half(p) + px::Quarter(p); });
    case Keep::Quarter: return FillWordRows(f, [share](uint32_t p) { return share + px::Quarter(p); });
  }
}

}  // namespace

const CopyRowLoops kOnePixelCopyLoops = {
    BlitRows<px::OpCopy>, BlitRows<px::OpCopySourceAlpha>, BlitRows<px::OpCopySourceAlphaFull>,
    AverageRows,          FillRows<px::OpCopy>,            FillWords,
};
