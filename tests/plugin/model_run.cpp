#include "model_run.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>

#include <gtest/gtest.h>

#include "engine_reference.h"

void MakeInput(std::vector<double>& left, std::vector<double>& right, int frames, double rate) {
  left.assign(frames, 0.0);
  right.assign(frames, 0.0);
  uint32_t seed = 12345;
  for (int i = 0; i < frames; ++i) {
    seed = seed * 1664525u + 1013904223u;
    const double noise = (static_cast<double>(seed >> 8) / 16777216.0 - 0.5) * 0.02;
    const int every = static_cast<int>(rate * 0.37);
    const double t = static_cast<double>(i % every) / rate;
    const double pluck = std::exp(-t * 9.0) * std::sin(2.0 * 3.141592653589793 * (220.0 + 55.0 * ((i / every) % 5)) * t);
    left[i] = 0.6 * pluck + noise;
    right[i] = 0.5 * pluck * std::cos(t * 3.0) - noise;
  }
}

void ExpectSameAsModel(DelayUnderTest& delay, double tempo, int program, int blockSize,
                       const std::vector<EngineEvent>& events, int frames, bool syncOffFirst) {
  SCOPED_TRACE("program " + std::to_string(program) + ", block " + std::to_string(blockSize));
  ReferenceDelay model(kModelRate, tempo);
  auto setParam = [&](int index, int value) {
    delay.SetParam(index, value);
    model.SetParam(index, value);
  };
  if (program > 0) {
    delay.SetProgram(program);
    model.LoadProgram(kFactoryPrograms[program - 1]);
  }
  if (syncOffFirst) setParam(2, 0);

  std::vector<double> inL, inR;
  MakeInput(inL, inR, frames, kModelRate);
  std::vector<double> outL = inL, outR = inR, refL(frames), refR(frames);
  size_t next = 0;
  for (int at = 0; at < frames;) {
    while (next < events.size() && events[next].frame <= at) {
      const EngineEvent& e = events[next++];
      switch (e.kind) {
        case EngineEvent::kParam: setParam(e.index, static_cast<int>(e.value)); break;
        case EngineEvent::kProgram:
          delay.SetProgram(e.index);
          model.LoadProgram(kFactoryPrograms[e.index - 1]);
          break;
        case EngineEvent::kTempo:
          delay.SetTempo(e.value);
          model.SetTempo(e.value);
          break;
        case EngineEvent::kPause:
          delay.Pause(e.value);
          model.Pause();
          break;
        case EngineEvent::kStop: delay.SetPlaying(false); break;
        case EngineEvent::kPlay: delay.SetPlaying(true); break;
        case EngineEvent::kLocate: delay.Locate(e.value); break;
      }
    }
    int n = std::min(blockSize, frames - at);
    if (next < events.size()) n = std::min(n, events[next].frame - at);
    const double position = delay.Position();
    const bool playing = delay.Playing();
    delay.Process(outL.data() + at, outR.data() + at, n);
    model.Block(inL.data() + at, inR.data() + at, refL.data() + at, refR.data() + at, n, position, playing);
    at += n;
  }
  int mismatches = 0;
  for (int i = 0; i < frames && mismatches < 5; ++i) {
    if (outL[i] != refL[i] || outR[i] != refR[i]) {
      ADD_FAILURE() << "sample " << i << ": " << outL[i] << " / " << refL[i] << ", " << outR[i] << " / " << refR[i];
      ++mismatches;
    }
  }
  double energy = 0;
  for (int i = 0; i < frames; ++i) energy += (outL[i] - inL[i]) * (outL[i] - inL[i]);
  EXPECT_GT(energy, 1e-3);  // the effect did something
}

int FirstEcho(DelayUnderTest& delay, int maxFrames, int blockSize, int skip) {
  std::vector<double> l(maxFrames, 0.0), r(maxFrames, 0.0);
  l[skip] = 1.0;
  for (int at = 0; at < maxFrames; at += blockSize) delay.Process(l.data() + at, r.data() + at, std::min(blockSize, maxFrames - at));
  for (int i = skip + 1; i < maxFrames; ++i)
    if (l[i] != 0.0) return i - skip;
  return -1;
}
