#pragma once
// The delay's sound: two channels, each a circular loop twice as long as the
// delay with one tap reading it forward or backward, a one-pole lowpass on the
// tap and a mix with the dry input. The effect (CLS_QUILLMERE) sets the fields
// from its parameters; the engine keeps lines, taps and write position
// consistent and runs the per-sample loop (DelayKernel.cpp).
#include <cstdint>
#include <memory>

// One channel's loop, tap and tone.
struct DelayChannel {
  double* line = nullptr;          // the loop, `capacity` entries (at least one), in the engine's memory
  double lowpass = 0.0;            // lowpass state: the wet signal
  double coef = 0.0;               // lowpass coefficient
  float offset = 0.0f;             // "Offset" percent x 0.01: where the tap sits in the loop
  float mix = 0.0f;                // "Mix" percent x 0.01
  int32_t tap = 0;                 // tap offset in samples, 0 to loopLength - 1
  bool reverse = false;            // "Direction" is "Reverse"
  bool flip = false;               // direction currently inverted by "Toggle Reverse"
};

// The lines are cleared often (every change of loop length, offset or
// direction, every tempo change, every reset) and may be long (eight whole
// notes), so a clear costs no time: it starts a new clearing epoch, and each
// chunk of the lines is zeroed when the loop next reaches it, unless it was
// zeroed in this epoch already. Reading and writing are the same as if the
// whole lines had been cleared.
struct DelayEngine {
  // Longest loop the engine will run, in samples (about 87 s at 384 kHz).
  static constexpr uint32_t kMaxLoop = 1u << 25;
  // Entries of a line zeroed at once when a cleared chunk is first reached.
  static constexpr uint32_t kChunk = 512;

  DelayEngine();

  DelayChannel left, right;
  float feedbackGain = 0.0f;  // "Feedback" percent x 0.01
  uint32_t loopLength = 0;    // twice the delay, in samples; 0: no loop (the taps read silence)
  uint32_t capacity = 0;      // entries each line holds
  uint32_t writePos = 0;      // 0 to loopLength - 1
  bool toggleFreq = false;    // the lowpass coefficients glide into each other over every loop cycle (SetToggleFreq)
  bool toggleReverse = false; // opposite directions flip once per loop cycle
  bool resync = false;        // realign writePos with the host position before the next block
  // The per-sample loop in its AVX encoding: the same arithmetic in fewer
  // instructions, the same sound to the bit. On when the processor and the
  // system support AVX, unless switched off for the engines made since
  // (UseAvxWhereAvailable).
  bool avxRuns;

  static bool ProcessorHasAvx();
  // Whether engines made from now on use the AVX loop where available (on
  // unless switched off); the tests switch it off to hear the SSE2 loop.
  static void UseAvxWhereAvailable(bool use);

  // A new loop length (taps recomputed, lines cleared).
  void SetLoopLength(uint32_t length);
  // Recomputes the taps after a change of loop length, offset or direction,
  // grows the lines to the loop or clears them, and asks for a realignment.
  void UpdateTaps();
  // Cleared lines that hold at least n entries: the lines kept when they
  // hold that many already, else new ones (with room to spare, so that a
  // tempo that slows down block by block grows them only now and then).
  // False (the old lines kept, cleared) when out of memory.
  bool ProvideLines(uint32_t n);
  // Lines grown to the loop when it outgrew them, cleared otherwise; a
  // realignment follows.
  void ResetLines();
  // "Toggle Freq": with it on the engine keeps a table of the gliding
  // coefficients as long as the lines.
  void SetToggleFreq(bool on);
  // Makes sure the lines hold the loop; a loop that cannot get its memory is
  // shortened to what the lines hold.
  void FitLoopToLines();
  // The write position taken from the host's transport position; both flips
  // cleared.
  void Realign(int hostPosition);

  // One block, both channels: reads in, writes out (an output may be its
  // channel's input). Allocates nothing and takes no lock.
  void Process(const double* inL, const double* inR, double* outL, double* outR, int frames);
  // The same for the host's single-precision buffers, converted sample by
  // sample inside the loop: the outputs are replaced or, adding, added to;
  // an output below the smallest normal float is written as 0.
  void ProcessFloat(const float* inL, const float* inR, float* outL, float* outR, int frames, bool adding);

  // Both lines read zero everywhere from now on.
  void ClearLines();

private:
  // Makes the chunks holding entries first to first + count - 1 of both
  // lines current: zeroed unless they were already zeroed since the last
  // clear.
  void PrepareEntries(uint32_t first, uint32_t count) {
    if (!SpanCurrent(chunkEpochs.get(), epoch, first, count)) ZeroStaleChunks(first, count);
  }
  // Nearly always a run lies in one or two chunks that are current: true
  // when entries first to first + count - 1 lie in at most two chunks and
  // both are of epoch current (false otherwise, whatever the chunks hold).
  static bool SpanCurrent(const uint32_t* epochs, uint32_t current, uint32_t first, uint32_t count) {
    const uint32_t a = first / kChunk, b = (first + count - 1) / kChunk;
    return count != 0 && b - a <= 1 && epochs[a] == current && epochs[b] == current;
  }
  // The rest of PrepareEntries: zeroes the chunks of the span not yet zeroed.
  void ZeroStaleChunks(uint32_t first, uint32_t count);
  bool GrowLines(uint32_t n);
  // The glide table for every entry of the lines; false (no table: the loop
  // computes the coefficients itself) when out of memory.
  bool ProvideGlideTable();
  // Makes the glide table's entries for write positions first to first +
  // count - 1 (the loop's end standing for 0) current: computed unless they
  // were computed for the present loop length and coefficients already.
  void PrepareGlide(uint32_t first, uint32_t count) {
    if (first + count > loopLength || !SpanCurrent(glideEpochs.get(), glideEpoch, first, count))
      ComputeStaleGlide(first, count);
  }
  // The rest of PrepareGlide: computes the entries not yet computed.
  void ComputeStaleGlide(uint32_t first, uint32_t count);
  // The block for samples of the kinds IO names (DelayKernel.cpp).
  template <typename IO>
  void ProcessWith(const typename IO::Sample* inL, const typename IO::Sample* inR, typename IO::Sample* outL,
                   typename IO::Sample* outR, int frames);
  // Runs of samples without direction changes or wrap-arounds.
  template <typename IO>
  void RunLoop(const typename IO::Sample* inL, const typename IO::Sample* inR, typename IO::Sample* outL,
               typename IO::Sample* outR, int frames, bool flips, uint32_t toggleLeft, uint32_t toggleRight);
  // With no loop the taps read silence.
  template <typename IO>
  void RunSilentLoop(const typename IO::Sample* inL, const typename IO::Sample* inR, typename IO::Sample* outL,
                     typename IO::Sample* outR, int frames);

  std::unique_ptr<double[]> lineMemory;     // both lines, left then right
  std::unique_ptr<uint32_t[]> chunkEpochs;  // per chunk: the epoch it was last zeroed in (0: never)
  uint32_t epoch = 1;                       // the clearing epoch; each clear starts a new one
  // With "Toggle Freq" the coefficients [left, right] of every write
  // position glide from one channel's to the other's over the loop: they
  // depend on nothing but the position, the loop length and the two
  // coefficients, so they are computed once, chunk by chunk when the loop
  // first reaches them, and read from then on, until the loop length or a
  // coefficient changes.
  std::unique_ptr<double[]> glideTable;       // two per entry of the lines, or none
  std::unique_ptr<uint32_t[]> glideEpochs;    // per chunk: the epoch it was computed in (0: never)
  uint32_t glideEntries = 0;                  // entries the table holds
  uint32_t glideEpoch = 1;                    // a new one whenever what the table holds changes
  double glideCoefLeft = 0.0, glideCoefRight = 0.0;
  uint32_t glideLoop = 0;                     // what the table was computed for
};
