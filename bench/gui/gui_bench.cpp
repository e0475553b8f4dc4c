// The effect's editor painted headless: a whole repaint of its 498 x 285
// pixels with every control, and the repaint after one knob changed (what
// the window's timer does at the next tick: collect the dirty area, repaint
// it).
#include <benchmark/benchmark.h>

#include "gfx/Bitmap.h"
#include "gui/IGui.h"
#include "tools/editor/EditorSession.h"

namespace {

using P = CLS_QUILLMERE::Param;

void BM_EditorWholeRepaint(benchmark::State& state) {
  qmeditor::EditorSession session;
  IGui& gui = *session.Gui();
  const IBounds all(0, 0, gui.Width(), gui.Height());
  for (auto _ : state) {
    gui.Redraw(all);
    benchmark::DoNotOptimize(gui.Canvas()->Pixels()[0]);
  }
  state.counters["controls"] = gui.NControls();
}
BENCHMARK(BM_EditorWholeRepaint)->Unit(benchmark::kMicrosecond);

// The host moves one channel knob ("Freq Left": its text and its angle
// change each time) and the timer tick repaints what became dirty; the
// host's call is timed too (it is a small part).
void BM_EditorOneKnobRepaint(benchmark::State& state) {
  qmeditor::EditorSession session;
  IGui& gui = *session.Gui();
  gui.Redraw(IBounds(0, 0, gui.Width(), gui.Height()));
  gui.Redraw(IBounds(0, 0, gui.Width(), gui.Height()));  // everything clean
  float value = 0.3f;
  IBounds area;
  for (auto _ : state) {
    value = value == 0.3f ? 0.6f : 0.3f;
    session.SetParameter(P::kFreqLeft, value);
    if (gui.CollectDirty(&area)) gui.Redraw(area);
    benchmark::DoNotOptimize(gui.Canvas()->Pixels()[0]);
  }
  state.counters["area_pixels"] = area.W() * area.H();
}
BENCHMARK(BM_EditorOneKnobRepaint)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
