// quillmere-host editor: opens a module's editor in a window of the host's,
// as a host does (effEditGetRect, effEditOpen with the window, effEditIdle
// every 40 ms, effEditClose), optionally runs a script of real input events
// against it, and logs every edit request the editor makes of the host.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <thread>

#include "gfx/Bitmap.h"
#include "gfx/PngEncode.h"
#include "tools/host/CliCommand.h"
#include "tools/host/EditorScript.h"
#include "tools/host/HostWindow.h"
#include "tools/host/Platform.h"

namespace qmhost {

namespace {

// Long enough for a few ticks of an editor's timer (24 a second) after the
// window appears, so that the first picture shows the painted editor.
constexpr int kFirstPaintMs = 300;
// After each input step: the editor's next ticks pick up the change.
constexpr int kStepSettleMs = 150;

bool ReadText(const std::string& path, std::string* text) {
  std::FILE* f = OpenFile(path, "rb");
  if (!f) return false;
  text->clear();
  char buffer[4096];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) text->append(buffer, n);
  bool ok = !std::ferror(f);
  std::fclose(f);
  return ok;
}

// As a host that plays: the effect is resumed and processes one block of
// silence, so that it knows the rate and the tempo before its editor opens.
void PlayOneBlock(VstHost& host) {
  const bool doubles = host.Supports(Precision::Double);
  if (!host.Resume(doubles ? Precision::Double : Precision::Float)) return;
  const AEffect* effect = host.Effect();
  const size_t frames = static_cast<size_t>(host.Settings().blockSize);
  const size_t channels = static_cast<size_t>(std::max({effect->numInputs, effect->numOutputs, 1}));
  std::vector<double> d(channels * frames);
  std::vector<float> f(channels * frames);
  std::vector<double*> dp;
  std::vector<float*> fp;
  for (size_t c = 0; c < channels; ++c) {
    dp.push_back(&d[c * frames]);
    fp.push_back(&f[c * frames]);
  }
  if (doubles) {
    host.ProcessDouble(dp.data(), dp.data(), static_cast<int>(frames));
  } else {
    host.ProcessFloat(fp.data(), fp.data(), static_cast<int>(frames));
  }
}

class EditorSession {
public:
  EditorSession(VstHost& host, const Options& o, std::ostream& out) : mHost(host), mOptions(o), mOut(out) {}

  void Start() {
    ERect* rect = nullptr;
    if (!mHost.Dispatch(effEditGetRect, 0, 0, &rect) || !rect || rect->right <= rect->left ||
        rect->bottom <= rect->top) {
      throw Failure{kExitRejected, "the editor gives no size (effEditGetRect)"};
    }
    const int width = rect->right - rect->left, height = rect->bottom - rect->top;
    std::string error;
    mWindow = HostWindow::Create(width, height, "quillmere-host: " + mHost.EffectName(), &error);
    if (!mWindow) throw Failure{kExitRejected, "no window for the editor: " + error};
    mOut << "editor " << width << " x " << height << "\n";
    OpenEditor();
  }

  void OpenEditor() {
    if (!mHost.Dispatch(effEditOpen, 0, mWindow->EditorValue(), mWindow->EditorParent())) {
      throw Failure{kExitRejected, "the editor did not open (effEditOpen answered 0)"};
    }
    mOpen = true;
    Run(kFirstPaintMs);
  }

  void CloseEditor() {
    if (!mOpen) return;
    mHost.Dispatch(effEditClose);
    mOpen = false;
    PrintEvents();
  }

  void Run(double ms) {
    std::function<void()> idle;
    if (!mOptions.noIdle && mOpen) idle = [this] { mHost.Dispatch(effEditIdle); };
    mWindow->Run(static_cast<int>(ms + 0.5), idle);
  }

  void Screenshot(const std::string& path) {
    int w = 0, h = 0;
    std::vector<uint32_t> pixels;
    std::string error;
    if (!mWindow->Capture(&w, &h, &pixels, &error)) throw Failure{kExitIo, "cannot read the window: " + error};
    PixelBitmap bitmap(w, h, 1);
    for (int y = 0; y < h; ++y) {
      uint32_t* row = bitmap.Pixels() + static_cast<size_t>(y) * bitmap.RowPixels();
      for (int x = 0; x < w; ++x) row[x] = pixels[static_cast<size_t>(y) * w + x];
    }
    if (!EncodePngFile(&bitmap, path.c_str())) throw Failure{kExitIo, "cannot write " + path};
    mOut << "  screenshot " << path << " (" << w << " x " << h << ")\n";
  }

  void Perform(const ScriptStep& step) {
    mOut << "step " << step.line << ": " << step.source << "\n";
    if (IsInputStep(step.kind)) {
      if (!mOpen) throw Failure{kExitUsage, "line " + std::to_string(step.line) + ": the editor is closed"};
      std::string error;
      if (!mWindow->Send(step, &error)) {
        throw Failure{kExitRejected, "line " + std::to_string(step.line) + ": " + error};
      }
      Run(kStepSettleMs);
    } else if (step.kind == ScriptStep::Wait) {
      Run(step.amount);
    } else if (step.kind == ScriptStep::Set) {
      if (step.index >= mHost.NumParams()) {
        throw Failure{kExitRejected, "line " + std::to_string(step.line) + ": no parameter " +
                                         std::to_string(step.index)};
      }
      mHost.SetParam(step.index, static_cast<float>(step.amount));
      Run(kStepSettleMs);
    } else if (step.kind == ScriptStep::Screenshot) {
      Screenshot(step.text);
    } else if (step.kind == ScriptStep::Close) {
      CloseEditor();
    } else if (step.kind == ScriptStep::Open) {
      if (!mOpen) OpenEditor();
    }
    PrintEvents();
  }

  // The host requests the editor made since the last call.
  void PrintEvents() {
    std::vector<HostEvent> events = mHost.Events();
    for (size_t i = mPrinted; i < events.size(); ++i) {
      const HostEvent& e = events[i];
      if (e.kind == HostEvent::BeginEdit) mOut << "  begin " << e.index << "\n";
      else if (e.kind == HostEvent::EndEdit) mOut << "  end " << e.index << "\n";
      else mOut << "  automate " << e.index << " " << Format("%.6f", e.value) << "\n";
    }
    mPrinted = events.size();
    mOut.flush();
  }

  bool WindowClosed() const { return mWindow->Closed(); }

private:
  VstHost& mHost;
  const Options& mOptions;
  std::ostream& mOut;
  std::unique_ptr<HostWindow> mWindow;
  bool mOpen = false;
  size_t mPrinted = 0;
};

}  // namespace

int CommandEditor(Options& o, std::ostream& out) {
  ExpectPositional(o, 1, "editor MODULE [--script FILE] [--screenshot FILE] [--seconds S] [--no-idle] [options]");
  std::vector<ScriptStep> steps;
  if (!o.script.empty()) {
    std::string text, error;
    if (!ReadText(o.script, &text)) throw Failure{kExitIo, "cannot read " + o.script};
    if (!ParseEditorScript(text, &steps, &error)) throw UsageError(o.script + ": " + error);
  }
  VstHost host(SettingsFrom(o));
  LoadModule(host, o.positional[0]);
  if (!(host.Effect()->flags & effFlagsHasEditor)) throw Failure{kExitRejected, "the module has no editor"};
  host.Open();
  ApplyState(host, o);
  PlayOneBlock(host);
  host.ClearEvents();  // the log shows what the editor asks for

  EditorSession session(host, o, out);
  session.Start();
  if (!o.screenshot.empty()) session.Screenshot(o.screenshot);
  for (const ScriptStep& step : steps) {
    if (session.WindowClosed()) break;
    session.Perform(step);
  }
  if (o.secondsGiven) {
    session.Run(o.seconds * 1000.0);
  } else if (o.script.empty() && o.screenshot.empty()) {
    // Interactive: until the user closes the window.
    while (!session.WindowClosed()) session.Run(100);
  }
  session.CloseEditor();
  host.Close();
  return kExitOk;
}

}  // namespace qmhost
