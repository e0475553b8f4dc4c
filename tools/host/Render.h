#pragma once
// Offline rendering and timing of an effect driven by a VstHost.

#include <string>
#include <vector>

#include "tools/host/AudioIO.h"
#include "tools/host/VstHost.h"

namespace qmhost {

struct RenderOptions {
  Precision precision = Precision::Float;
  double prefill = 0.0;   // FloatAdding: the value the output buffers hold before each call
  size_t tailFrames = 0;  // silence processed after the input, to let the effect ring out
};

// Runs input through the running host in blocks of the host's block size and
// returns numOutputs channels of input length + tail. Input channel c of the
// effect reads file channel c; a mono file feeds every input; effect inputs
// beyond the file's channels get silence. The host must be running (Resume)
// with the same precision. False with *error when it cannot.
bool RenderAudio(VstHost& host, const AudioData& input, const RenderOptions& options, AudioData* output,
                 std::string* error);

struct BenchOptions {
  double seconds = 2.0;  // audio timed per run
  int runs = 5;
  double warmup = 0.5;   // seconds of audio processed before timing
};

struct BenchResult {
  Precision precision = Precision::Float;
  int blockSize = 0;
  double nsPerFrame = 0;      // median over the runs
  double realTimeFactor = 0;  // processing time / audio time at the host's sample rate
  std::vector<double> runNsPerFrame;
};

// Times one processing callback at one block size: suspends the host, sets
// the block size, resumes with the precision, warms up and times the runs on
// the demo signal (looped). The host must be open.
bool BenchOne(VstHost& host, Precision precision, int blockSize, const BenchOptions& options, BenchResult* result,
              std::string* error);

}  // namespace qmhost
