#pragma once
// The embedded demo input: four seconds of stereo at any sample rate, plucked
// strings over a kick and hi-hat pattern at 120 beats per minute, with the
// last second left quiet for echoes to ring out. Made from integer noise and
// plain arithmetic only, so every build computes the same samples.

#include "tools/host/AudioIO.h"

namespace qmhost {

constexpr double kDemoSeconds = 4.0;

AudioData DemoSignal(double sampleRate);

// sin(x) from a polynomial, the same on every system (library sine functions
// differ between C runtimes in the last bits).
double PortableSine(double x);

}  // namespace qmhost
