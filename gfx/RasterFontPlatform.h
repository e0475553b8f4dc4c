#pragma once
// What the text code needs of its platform. Not for use outside gfx/.
class BitmapBase;

// Whether the platform has a system text call that draws into bitmaps.
#ifdef _WIN32
constexpr bool kHasSystemText = true;
#else
constexpr bool kHasSystemText = false;
#endif

// Frees the process-wide text scratch bitmap, if it was made.
void DestroyTextScratch();
// Asks the system whether the module runs under the Wine compatibility layer.
bool AskRunsUnderWine();
