// Validation: the editor, opened and closed while the effect processes.
#include <atomic>
#include <chrono>
#include <thread>

#include "tools/host/AudioIO.h"
#include "tools/host/Cli.h"
#include "tools/host/ParentWindow.h"
#include "tools/host/ValidateSupport.h"

namespace qmhost {

namespace {

constexpr int kMaxEditorSide = 16384;
constexpr int kCycles = 3;

// The editor rectangle the effect gives, checked; its size (0 x 0 for none).
void AskRect(VstHost& host, CheckReport& report, bool mustGive, const std::string& when, int* width, int* height) {
  ERect* rect = nullptr;
  host.Dispatch(effEditGetRect, 0, 0, &rect);
  *width = *height = 0;
  if (!rect) {
    if (mustGive) report.Fail(when + ": effEditGetRect gives no rectangle");
    return;
  }
  *width = rect->right - rect->left;
  *height = rect->bottom - rect->top;
  const bool empty = *width <= 0 || *height <= 0;
  if ((mustGive && empty) || *width < 0 || *height < 0 || *width > kMaxEditorSide || *height > kMaxEditorSide) {
    report.Fail(Format("%s: editor rectangle %d x %d (top %d, left %d)", when.c_str(), *width, *height, rect->top,
                       rect->left));
  }
}

}  // namespace

void CheckEditor(const ValidationTarget& target, CheckReport& report) {
  auto host = target.NewInstance(44100, 512);
  if (!(host->Effect()->flags & effFlagsHasEditor)) {
    report.Skip("no editor (effFlagsHasEditor not set)");
    return;
  }
  // Without a display the editor is not touched at all: editors may need
  // the display already to tell their size.
  std::string why;
  auto parent = ParentWindow::Open(640, 480, &why);
  if (!parent) {
    report.Skip("skipped: " + why);
    return;
  }
  int width = 0, height = 0;
  AskRect(*host, report, false, "before opening", &width, &height);
  const Precision p = OfferedPrecisions(*host)[0];
  host->Resume(p);
  ProcessHarness h(*host, p, 512, 10);
  h.SetPlace("processing while the editor opens and closes");
  std::atomic<bool> stop{false};
  std::thread audio([&] {
    int b = 0;
    while (!stop.load()) {
      h.Call(512, b++ % 8 < 6 ? Signal::Noise : Signal::Impulses);
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
  });
  for (int cycle = 0; cycle < kCycles; ++cycle) {
    const std::string when = Format("opening %d", cycle + 1);
    if (!host->Dispatch(effEditOpen, 0, parent->Value(), parent->Handle())) report.Fail(when + ": effEditOpen answers 0");
    AskRect(*host, report, true, when, &width, &height);
    for (int tick = 0; tick < 25; ++tick) {
      host->Dispatch(effEditIdle);
      parent->Pump();
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    host->Dispatch(effEditClose);
    parent->Pump();
  }
  stop.store(true);
  audio.join();
  h.Findings().ReportTo(report, "processing while the editor opened and closed");
  report.SetSummary(Format("opened and closed %d times (%d x %d) while %lld processing calls ran: clean", kCycles, width,
                           height, static_cast<long long>(h.Findings().calls)));
}

}  // namespace qmhost
