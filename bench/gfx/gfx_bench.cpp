// Megapixels per second (counter "MP/s") of Blit, FillRect, BlitTransformed
// and DrawLine, and of memcpy moving the same bytes as the plain Blit.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "gfx/Bitmap.h"
#include "gfx/Draw.h"

namespace {

// The editor's canvas is 498 x 285; a square of about that many pixels.
constexpr int kSide = 384;

void Pattern(BitmapBase& b, uint32_t seed) {
  uint32_t v = seed;
  for (int y = 0; y < b.Height(); ++y)
    for (int x = 0; x < b.RowPixels(); ++x) {
      v = v * 1664525u + 1013904223u;
      b.Pixels()[y * b.RowPixels() + x] = v;
    }
}

void Rate(benchmark::State& state, double pixelsPerIteration) {
  state.counters["MP/s"] =
      benchmark::Counter(pixelsPerIteration / 1e6, benchmark::Counter::kIsIterationInvariantRate);
}

void BM_Memcpy(benchmark::State& state) {
  std::vector<uint32_t> a(size_t(kSide) * kSide), b(size_t(kSide) * kSide, 1);
  for (auto _ : state) {
    std::memcpy(a.data(), b.data(), a.size() * 4);
    benchmark::ClobberMemory();
  }
  Rate(state, double(kSide) * kSide);
}
BENCHMARK(BM_Memcpy);

void BlitBench(benchmark::State& state, float alpha, int mode) {
  PixelBitmap dest(kSide, kSide, 4), src(kSide, kSide, 4);
  Pattern(dest, 1);
  Pattern(src, 2);
  for (auto _ : state) {
    Blit(&dest, &src, 0, 0, nullptr, alpha, mode);
    benchmark::ClobberMemory();
  }
  Rate(state, double(kSide) * kSide);
}
void BM_BlitCopy(benchmark::State& state) { BlitBench(state, 1.0f, ModeCopy); }
void BM_BlitCopySourceAlpha(benchmark::State& state) { BlitBench(state, 1.0f, ModeCopy | UseSourceAlpha); }
void BM_BlitCopyWeighted(benchmark::State& state) { BlitBench(state, 0.7f, ModeCopy); }
void BM_BlitAddSourceAlpha(benchmark::State& state) { BlitBench(state, 1.0f, ModeAdd | UseSourceAlpha); }
BENCHMARK(BM_BlitCopy);
BENCHMARK(BM_BlitCopySourceAlpha);
BENCHMARK(BM_BlitCopyWeighted);
BENCHMARK(BM_BlitAddSourceAlpha);

void FillBench(benchmark::State& state, float alpha, int mode) {
  PixelBitmap dest(kSide, kSide, 4);
  Pattern(dest, 1);
  for (auto _ : state) {
    FillRect(&dest, 0, 0, kSide, kSide, 0x80405060u, alpha, mode);
    benchmark::ClobberMemory();
  }
  Rate(state, double(kSide) * kSide);
}
void BM_FillRectOpaque(benchmark::State& state) { FillBench(state, 1.0f, ModeCopy); }
void BM_FillRectHalf(benchmark::State& state) { FillBench(state, 0.5f, ModeCopy); }
void BM_FillRectWeighted(benchmark::State& state) { FillBench(state, 0.3f, ModeCopy); }
BENCHMARK(BM_FillRectOpaque);
BENCHMARK(BM_FillRectHalf);
BENCHMARK(BM_FillRectWeighted);

// A knob frame: a 66 x 66 image rotated onto the canvas with bilinear
// sampling and source alpha, as the editor draws its knobs.
void BM_BlitTransformedBilinear66(benchmark::State& state) {
  PixelBitmap dest(kSide, kSide, 4), src(66, 66, 4);
  Pattern(dest, 1);
  Pattern(src, 2);
  float angle = 0.0f;
  for (auto _ : state) {
    BlitTransformed(&dest, &src, 100, 100, 66, 66, 0.0f, 0.0f, 66.0f, 66.0f, angle, false, 1.0f,
                    ModeCopy | UseSourceAlpha | FilterBilinear);
    angle += 0.01f;
    benchmark::ClobberMemory();
  }
  Rate(state, 66.0 * 66.0);
}
BENCHMARK(BM_BlitTransformedBilinear66);

// Horizontal, vertical, diagonal and sloped lines, plain and anti-aliased,
// in copy mode at exact and general alphas; the rate counts drawn pixels.
void BM_DrawLineMix(benchmark::State& state) {
  PixelBitmap dest(kSide, kSide, 4);
  Pattern(dest, 1);
  struct L {
    int x1, y1, x2, y2;
    float alpha;
    int mode;
    bool aa;
  };
  const L lines[] = {
      {0, 10, 383, 10, 1.0f, ModeCopy, false},   {20, 0, 20, 383, 0.5f, ModeCopy, false},
      {0, 0, 383, 383, 1.0f, ModeCopy, true},    {0, 383, 383, 0, 0.7f, ModeAdd, false},
      {0, 50, 383, 200, 1.0f, ModeCopy, false},  {0, 60, 383, 210, 1.0f, ModeCopy, true},
      {30, 0, 130, 383, 0.6f, ModeCopy, true},   {5, 300, 380, 250, 0.8f, ModeMultiply, false},
  };
  double pixels = 0;
  for (const L& l : lines) {
    int dx = l.x2 > l.x1 ? l.x2 - l.x1 : l.x1 - l.x2, dy = l.y2 > l.y1 ? l.y2 - l.y1 : l.y1 - l.y2;
    pixels += (dx > dy ? dx : dy) + 1;
  }
  for (auto _ : state) {
    for (const L& l : lines) DrawLine(&dest, l.x1, l.y1, l.x2, l.y2, 0xFF80C040u, l.alpha, l.mode, l.aa);
    benchmark::ClobberMemory();
  }
  Rate(state, pixels);
}
BENCHMARK(BM_DrawLineMix);

}  // namespace

BENCHMARK_MAIN();
