#pragma once
#include <cstdint>

#include "plugin/DelayEngine.h"
#include "vst/IPlugVST.h"

// The millisecond clock the effect reads at every block: milliseconds since
// a fixed start, wrapping at 32 bits. SystemMilliseconds (SystemClock.cpp)
// is the real one.
using MillisecondClock = uint32_t (*)();
uint32_t SystemMilliseconds();

// quillmere: a stereo delay whose channels play their echoes forward or
// reversed. This class turns the parameters into the engine's state
// (DelayEngine), follows the host's tempo and position, and runs the engine
// block by block. Its parameters and factory programs are tables in
// QuillmereParams.cpp; its editor is laid out in QuillmereEditor.cpp.
class CLS_QUILLMERE : public IPlugVST {
public:
  enum Param {
    kDelayRate,
    kDelayTime,
    kHostSync,
    kFeedback,
    kDirectionLeft,
    kOffsetLeft,
    kFreqLeft,
    kMixLeft,
    kDirectionRight,
    kOffsetRight,
    kFreqRight,
    kMixRight,
    kToggleFreq,
    kToggleReverse,
    kNumParams
  };
  static constexpr int kNumPrograms = 35;
  static constexpr int kNumDivisions = 25;
  // NearestDivision looks three divisions past "4/1" (16/3, 6 and 8 whole
  // notes) and answers kBeyondDivisions for longer loops.
  static constexpr int kLastSearchedDivision = 27;
  static constexpr int kBeyondDivisions = 28;

  explicit CLS_QUILLMERE(audioMasterCallback host, MillisecondClock clock = SystemMilliseconds);
  ~CLS_QUILLMERE() override;

  void ResetState() override;
  void ParamChanged(int index) override;
  void ProcessBlock(double** inputs, double** outputs, int frames) override;
  // The host's single-precision buffers go through the engine as they are,
  // converted inside its loop (the base's conversion passes only when a
  // channel is not connected or has no buffer).
  void ProcessBlockFloat(int frames, bool adding) override;
  // A transport that starts playing or jumps realigns the loop with it, as
  // a long pause does: a render starts the same way however many blocks the
  // host ran while stopped.
  void TransportRestarted() override { engine.resync = true; }

  // Length of division index in whole notes (unit: the length of index 0).
  static float DivisionFraction(int16_t index, float unit);
  // The division whose loop at the current tempo is nearest a loop length
  // (an exact midpoint goes to the longer one): -1 below the shortest, up to
  // kBeyondDivisions above the longest the search looks at.
  int NearestDivision(double length) const;
  // Re-derives the range of "Delay Time" from the tempo: a 1/64 note to four
  // whole notes, an eighth note as default, curve 3.
  void UpdateDelayTimeRange(bool applyToEditor);
  // Changes a parameter from inside the effect, as an edit the host hears of.
  void SetParamFromEffect(int index, double value);

  // Set by the editor's Host Sync button just before it reports its value.
  void SetSyncClicked() { syncClicked = true; }

private:
  // Builds the editor (QuillmereEditor.cpp) and attaches it.
  void BuildEditor();
  uint32_t SyncedLoop(int division) const;
  uint32_t TimedLoop(int milliseconds) const;
  DelayChannel& ChannelOf(int index);
  void ApplyUserValue(int index, double normalized);
  // Applies parameter index again even if its value did not change.
  void Reapply(int index);
  // What every block does before the engine runs: the first block's set-up,
  // the host's tempo, the pause rule and the realignment.
  void BeginBlock();

  // Per parameter, the rounded value ParamChanged applied last.
  int32_t appliedValues[kNumParams];
  DelayEngine engine;
  double samplesPerWhole = 0.0;  // samples in a whole note at the last tempo seen; 0: no tempo
  double sampleRateSeen = 0.0;   // the sample rate ResetState took over; 0: none yet
  MillisecondClock millisecondClock;
  uint32_t lastClock = 0;        // the clock at the start of the previous block
  bool started = false;          // the first block has been processed
  bool syncOn = true;            // "Host Sync" is "Yes"
  bool syncClicked = false;      // the Host Sync button was clicked
  // Whether "Delay Time" has been re-derived from a tempo yet (until then it
  // keeps its declared range).
  bool delayRangeDerived = false;

  // Readiness: the base processes only once every parameter was applied.
  bool seenParams[kNumParams] = {};
  int16_t unseenCount = kNumParams;
};
