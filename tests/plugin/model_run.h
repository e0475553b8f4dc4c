#pragma once
// Runs the delay and the independent model (engine_reference.h) over the
// same input and the same changes between blocks, for the effect built into
// a test (effect_test.cpp) and for the module a host loads (tests/vst).
#include <vector>

// Plucks over a little noise: deterministic, stereo, different per channel.
void MakeInput(std::vector<double>& left, std::vector<double>& right, int frames, double rate);

// A change between two blocks.
struct EngineEvent {
  int frame;
  enum Kind { kParam, kProgram, kTempo, kPause, kStop, kPlay, kLocate } kind;
  int index;     // parameter or program
  // parameter value, tempo, how far the transport moved during a pause, or
  // where a locate puts it
  double value;
};

// The delay as the run drives it: opened at 44100 Hz with the tempo given to
// ExpectSameAsModel, the transport at 12345 samples.
class DelayUnderTest {
public:
  virtual ~DelayUnderTest() = default;
  // Through the parameter's display text, as a host's text entry does.
  virtual void SetParam(int index, int value) = 0;
  virtual void SetProgram(int program) = 0;
  virtual void SetTempo(double bpm) = 0;
  // More than half a second without blocks, while the transport moved on.
  virtual void Pause(double transportMoved) = 0;
  // The transport position the next block starts at.
  virtual double Position() = 0;
  // The transport stands still (blocks are still processed, at a position
  // that does not advance) or plays; a locate moves it without a pause.
  virtual void SetPlaying(bool playing) = 0;
  virtual bool Playing() = 0;
  virtual void Locate(double position) = 0;
  // In place, both channels; the transport moves on by frames.
  virtual void Process(double* left, double* right, int frames) = 0;
};

constexpr double kModelRate = 44100.0;
constexpr double kModelStart = 12345.0;

// Every output sample of the delay must equal the model's.
void ExpectSameAsModel(DelayUnderTest& delay, double tempo, int program, int blockSize,
                       const std::vector<EngineEvent>& events, int frames, bool syncOffFirst = false);

// The first sample after an impulse on the left input at which the left
// output moves (-1 within maxFrames: none), in blocks of blockSize.
int FirstEcho(DelayUnderTest& delay, int maxFrames, int blockSize, int skip = 0);
