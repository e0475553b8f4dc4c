#pragma once
// What the validation checks share: text buffers that show how much an effect
// wrote, test signals, and a harness that runs processing calls and looks at
// every sample they produce.

#include <cstdint>
#include <string>
#include <vector>

#include "tools/host/Validate.h"

namespace qmhost {

// ---- Texts ------------------------------------------------------------------

// What an effect wrote into a host's text buffer. The buffer holds kSize
// bytes: a terminator first (an effect that writes nothing leaves the empty
// text), then a fill pattern, so that every byte the effect touched shows.
struct HostText {
  static constexpr size_t kSize = 512;
  std::string text;         // up to the first terminator
  bool terminated = false;  // a terminator within the buffer
  size_t touched = 0;       // bytes from the start up to the last one written
  VstIntPtr answer = 0;     // what the dispatcher returned
};
HostText AskText(VstHost& host, VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0, float opt = 0.0f);
// Checks a text against the buffer size hosts give for it: a failure
// (with what and where) when it is not terminated or touched more bytes.
// Returns whether it was fine.
bool ExpectTextFits(CheckReport& report, const HostText& text, size_t limit, const std::string& what);

// Buffer sizes hosts give, terminator included.
constexpr size_t kEffectNameBytes = 32;   // effGetEffectName
constexpr size_t kVendorBytes = 64;       // effGetVendorString, effGetProductString
constexpr size_t kParamTextBytes = 64;    // parameter name, label and display
constexpr size_t kProgramNameBytes = 32;  // effGetProgramName, effGetProgramNameIndexed

// ---- Signals ----------------------------------------------------------------

enum class Signal {
  Noise,     // white noise at full scale
  Quiet,     // noise between 2 and 4 times the smallest normal float, where
             // every decaying tail ends
  Silence,
  Impulses,  // a full-scale impulse every eighth of a second
};
const char* SignalName(Signal signal);

// ---- Processing ---------------------------------------------------------------

// What the outputs of processing calls held.
struct OutputFindings {
  int64_t calls = 0, frames = 0;
  int64_t nan = 0, inf = 0, subnormal = 0;
  int64_t unwritten = 0;     // replacing calls: samples still holding the fill pattern
  int64_t pastEnd = 0;       // samples written after the frames of the call
  int64_t inputChanged = 0;  // input samples the effect changed
  int64_t nonZero = 0;       // output samples other than 0
  std::vector<std::string> first;  // the first finding of each kind, with where it was

  bool Clean() const { return nan + inf + subnormal + unwritten + pastEnd + inputChanged == 0; }
  // Fails the report with the findings (when not clean).
  void ReportTo(CheckReport& report, const std::string& where) const;
  void Add(const OutputFindings& other);
};

// Runs processing calls of one precision on a running host: fills the inputs
// with a signal, the outputs with a fill pattern (replacing callbacks) or
// zeros (the adding one), calls, and scans every output sample, the samples
// after the call's frames and the inputs.
class ProcessHarness {
public:
  // capacity: the most frames of one call.
  ProcessHarness(VstHost& host, Precision precision, int capacity, uint32_t seed = 1);

  // One call; false when the host could not make it (not running, refused).
  bool Call(int frames, Signal signal);
  // total frames in calls of block frames (the last one shorter).
  bool Run(int64_t total, int block, Signal signal);

  // Where the findings came from, for their descriptions ("48000 Hz block 64").
  void SetPlace(const std::string& place) { mPlace = place; }
  const OutputFindings& Findings() const { return mFindings; }
  void ClearFindings() { mFindings = OutputFindings(); }

  // Keeps every output sample (as doubles) when on.
  void Capture(bool on) { mCapture = on; }
  const std::vector<std::vector<double>>& Captured() const { return mCaptured; }

  // Heap allocations made on this thread during the calls (when counted).
  void CountAllocations(bool on) { mCountAllocations = on; }
  uint64_t Allocations() const { return mAllocations; }
  int64_t CallsAllocating() const { return mCallsAllocating; }
  // The longest single call, in seconds.
  double SlowestCall() const { return mSlowest; }
  Precision GetPrecision() const { return mPrecision; }
  int Capacity() const { return mCapacity; }

private:
  // One precision's buffers: the channels, the pointer arrays the callbacks
  // take, and a copy of the inputs as given.
  template <typename T>
  struct Buffers {
    std::vector<std::vector<T>> in, out, kept;
    std::vector<T*> inPtr, outPtr;
    void Setup(size_t ins, size_t outs, size_t size);
  };
  template <typename T>
  bool CallWith(Buffers<T>& b, int frames, Signal signal);
  template <typename T>
  void Fill(std::vector<std::vector<T>>& in, int frames, Signal signal);

  VstHost& mHost;
  Precision mPrecision;
  int mCapacity;
  int mInputs, mOutputs;
  std::vector<uint32_t> mNoise;  // one generator per input channel
  int64_t mSample = 0;           // position in the signal, for the impulses
  Buffers<float> mFloat;
  Buffers<double> mDouble;
  std::string mPlace;
  OutputFindings mFindings;
  bool mCapture = false;
  std::vector<std::vector<double>> mCaptured;
  bool mCountAllocations = false;
  uint64_t mAllocations = 0;
  int64_t mCallsAllocating = 0;
  double mSlowest = 0;
};

// The precisions the effect offers, in the order hosts prefer them.
std::vector<Precision> OfferedPrecisions(const VstHost& host);

// Suspends, sets rate and block size, resumes with the precision.
void Restart(VstHost& host, double rate, int block, Precision precision);

// ---- State ----------------------------------------------------------------------

std::vector<float> ParamValues(VstHost& host);
// The chunk the effect gives (empty when none).
std::vector<uint8_t> ChunkOf(VstHost& host, bool program);
// The index of the first parameter whose value differs, bit for bit, or -1.
int FirstDifference(const std::vector<float>& a, const std::vector<float>& b);

// A generator of pseudo-random numbers for the checks (the same sequence on
// every system).
class Random {
public:
  explicit Random(uint32_t seed) : mState(seed ? seed : 1) {}
  uint32_t Next() {
    mState ^= mState << 13;
    mState ^= mState >> 17;
    mState ^= mState << 5;
    return mState;
  }
  // Uniform in [0, 1).
  double Unit() { return (Next() >> 8) * (1.0 / 16777216.0); }
  int Below(int n) { return n > 0 ? static_cast<int>(Next() % static_cast<uint32_t>(n)) : 0; }

private:
  uint32_t mState;
};

}  // namespace qmhost
