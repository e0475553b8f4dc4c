// Processors without a four-pixel form: the copy-mode loops take one pixel at
// a time.
#include "gfx/BlitRows.h"

const CopyRowLoops& CopyLoops() { return kOnePixelCopyLoops; }
