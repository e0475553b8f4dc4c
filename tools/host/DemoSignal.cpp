#include "tools/host/DemoSignal.h"

#include <cstdint>
#include <vector>

namespace qmhost {

namespace {

constexpr double kPi = 3.14159265358979323846;

class Noise {
public:
  explicit Noise(uint32_t seed) : mState(seed) {}
  // Uniform in [-1, 1).
  double Next() {
    mState = mState * 1664525u + 1013904223u;
    return static_cast<double>(mState >> 8) * (2.0 / 16777216.0) - 1.0;
  }

private:
  uint32_t mState;
};

// Per-sample factor of an exponential decay with time constant seconds:
// 1 - 1/n is close to exp(-1/n) for the long time constants used here.
double DecayFactor(double seconds, double sampleRate) { return 1.0 - 1.0 / (seconds * sampleRate); }

void AddPluck(AudioData& out, double start, double frequency, double gainL, double gainR, uint32_t seed) {
  const double rate = out.sampleRate;
  size_t begin = static_cast<size_t>(start * rate);
  size_t period = static_cast<size_t>(rate / frequency + 0.5);
  if (period < 2) period = 2;
  std::vector<double> loop(period);
  Noise noise(seed);
  for (double& x : loop) x = noise.Next();
  // Karplus-Strong: the loop is averaged with its neighbour and loses a
  // little on each pass.
  const double loss = 0.996;
  size_t length = static_cast<size_t>(0.7 * rate);
  size_t pos = 0;
  double fade = 1.0;
  const double fadeStep = 1.0 / (0.05 * rate);
  for (size_t i = 0; i < length && begin + i < out.Frames(); ++i) {
    size_t next = pos + 1 == period ? 0 : pos + 1;
    double y = loop[pos];
    loop[pos] = (loop[pos] + loop[next]) * 0.5 * loss;
    pos = next;
    if (i + static_cast<size_t>(0.05 * rate) >= length && fade > 0) fade -= fadeStep;
    double s = y * 0.45 * (fade > 0 ? fade : 0.0);
    out.channels[0][begin + i] += s * gainL;
    out.channels[1][begin + i] += s * gainR;
  }
}

void AddKick(AudioData& out, double start, double gain) {
  const double rate = out.sampleRate;
  size_t begin = static_cast<size_t>(start * rate);
  size_t length = static_cast<size_t>(0.4 * rate);
  double phase = 0, sweep = 1.0, amplitude = 1.0;
  const double sweepDecay = DecayFactor(0.03, rate), ampDecay = DecayFactor(0.09, rate);
  for (size_t i = 0; i < length && begin + i < out.Frames(); ++i) {
    double frequency = 45.0 + 110.0 * sweep;
    phase += 2.0 * kPi * frequency / rate;
    if (phase >= kPi) phase -= 2.0 * kPi;
    double s = PortableSine(phase) * amplitude * gain;
    sweep *= sweepDecay;
    amplitude *= ampDecay;
    out.channels[0][begin + i] += s;
    out.channels[1][begin + i] += s;
  }
}

void AddHat(AudioData& out, double start, double gainL, double gainR, uint32_t seed) {
  const double rate = out.sampleRate;
  size_t begin = static_cast<size_t>(start * rate);
  size_t length = static_cast<size_t>(0.08 * rate);
  Noise noise(seed);
  double previous = 0, amplitude = 1.0;
  const double decay = DecayFactor(0.015, rate);
  for (size_t i = 0; i < length && begin + i < out.Frames(); ++i) {
    double n = noise.Next();
    double s = (n - previous) * 0.12 * amplitude;  // first difference: a bright hiss
    previous = n;
    amplitude *= decay;
    out.channels[0][begin + i] += s * gainL;
    out.channels[1][begin + i] += s * gainR;
  }
}

}  // namespace

double PortableSine(double x) {
  // Reduce to [-pi, pi), then to [-pi/2, pi/2] by sin(x) = sin(pi - x).
  const double twoPi = 2.0 * kPi;
  if (x >= kPi || x < -kPi) {
    double turns = static_cast<double>(static_cast<int64_t>((x + kPi) / twoPi));
    if (x + kPi < 0) turns -= 1.0;
    x -= turns * twoPi;
  }
  if (x > kPi / 2) x = kPi - x;
  else if (x < -kPi / 2) x = -kPi - x;
  double x2 = x * x;
  // Taylor series to x^15: error below 1e-11 on [-pi/2, pi/2].
  double p = 1.0 - x2 / 210.0;
  p = 1.0 - x2 / 156.0 * p;
  p = 1.0 - x2 / 110.0 * p;
  p = 1.0 - x2 / 72.0 * p;
  p = 1.0 - x2 / 42.0 * p;
  p = 1.0 - x2 / 20.0 * p;
  p = 1.0 - x2 / 6.0 * p;
  return x * p;
}

AudioData DemoSignal(double sampleRate) {
  AudioData out;
  out.sampleRate = sampleRate;
  out.Resize(2, static_cast<size_t>(sampleRate * kDemoSeconds + 0.5));
  const double eighth = 0.25;  // seconds at 120 beats per minute
  // A pentatonic figure over three seconds, alternating sides.
  struct Note {
    int step;          // in eighths
    double frequency;  // Hz
  };
  const Note notes[] = {{0, 220.0},   {1, 329.63}, {3, 392.0},  {4, 440.0},  {6, 293.66}, {7, 523.25},
                        {8, 261.63},  {9, 392.0},  {10, 329.63}, {11, 220.0}};
  uint32_t seed = 12345;
  bool left = true;
  for (const Note& note : notes) {
    AddPluck(out, note.step * eighth, note.frequency, left ? 0.9 : 0.35, left ? 0.35 : 0.9, seed);
    seed = seed * 69069u + 1u;
    left = !left;
  }
  for (int beat = 0; beat < 6; beat += 2) AddKick(out, beat * 2 * eighth, 0.55);
  for (int step = 1; step < 12; step += 2) AddHat(out, step * eighth, 0.5, 0.7, 777u + static_cast<uint32_t>(step));
  return out;
}

}  // namespace qmhost
