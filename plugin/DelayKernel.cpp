// The per-sample loop of the delay engine. A block is cut into runs in which
// neither tap changes direction or wraps around the loop, so that every read
// walks the line in one direction without checks.
#include <algorithm>
#include <cstring>

#include "plugin/DelayEngine.h"

namespace {

// The lowpass state's floor: below it the state is flushed to zero.
constexpr double kStateFloor = 1e-24;
// Loop contents below this magnitude are flushed to zero so that a decaying
// loop never drops into the slow subnormal range; non-finite values are
// flushed too, so one bad input sample cannot poison the loop.
constexpr double kLineFloor = 1e-300;

// What one run of samples needs: the lines at the write position and at
// each tap, and the parameters that hold for the whole run.
struct Run {
  double* writeL;
  double* writeR;
  const double* readL;
  const double* readR;
  const double* inL;
  const double* inR;
  double* outL;
  double* outR;
  int frames;
  double gain, coefL, coefR, mixL, mixR;
  uint32_t advanced;  // the write position after the run's first sample
  uint32_t loop;
  double lpL, lpR;
};

// Whether floor <= |v| <= DBL_MAX, from the bits: one unsigned comparison
// (infinities and NaNs lie above DBL_MAX).
inline bool InRange(double v, uint64_t floorBits) {
  uint64_t bits;
  std::memcpy(&bits, &v, sizeof bits);
  bits &= 0x7FFFFFFFFFFFFFFFull;
  return bits - floorBits < 0x7FF0000000000000ull - floorBits;
}

uint64_t BitsOf(double v) {
  uint64_t bits;
  std::memcpy(&bits, &v, sizeof bits);
  return bits;
}

const uint64_t kLineFloorBits = BitsOf(kLineFloor);
const uint64_t kStateFloorBits = BitsOf(kStateFloor);

// A loop value that is tiny or not finite becomes 0. Written as a branch,
// which is almost never taken.
inline double LineValue(double v) {
  if (!InRange(v, kLineFloorBits)) {
    v = 0.0;
    asm volatile("");
  }
  return v;
}

// The lowpass state's floor as a branch: the state almost never falls below
// it, and a predicted branch keeps the check off the filter's dependency
// chain, where a branch-free select would lengthen every sample. A state
// that is not finite (only an overflowing input could make one) is reset too.
inline void FloorState(double& state) {
  if (!InRange(state, kStateFloorBits)) {
    state = 0.0;
    asm volatile("");
  }
}

// A run of samples in which neither tap changes direction or wraps and the
// write position reaches the end of the loop at most on the last sample:
// every read walks the line in one direction without checks.
template <bool kBackL, bool kBackR, bool kGlide>
void RunSamples(Run& r) {
  double* const writeL = r.writeL;
  double* const writeR = r.writeR;
  const double* const readL = r.readL;
  const double* const readR = r.readR;
  const double* const inL = r.inL;
  const double* const inR = r.inR;
  double* const outL = r.outL;
  double* const outR = r.outR;
  const double gain = r.gain, coefL = r.coefL, coefR = r.coefR, mixL = r.mixL, mixR = r.mixR;
  const double towardR = coefR - coefL, towardL = coefL - coefR;
  const uint32_t advanced = r.advanced, loop = r.loop;
  const float loopF = static_cast<float>(loop);
  const int frames = r.frames;
  double lpL = r.lpL, lpR = r.lpR;
  for (int k = 0; k < frames; ++k) {
    const double a = inL[k];
    const double b = inR[k];
    writeL[k] = LineValue(gain * writeL[k] + a);
    writeR[k] = LineValue(gain * writeR[k] + b);
    const double xL = kBackL ? readL[-k] : readL[k];
    const double xR = kBackR ? readR[-k] : readR[k];
    FloorState(lpL);
    FloorState(lpR);
    if (kGlide) {
      uint32_t wp = advanced + static_cast<uint32_t>(k);
      if (wp == loop) wp = 0;
      const double t = static_cast<float>(wp) / loopF;
      const double cl = coefL + towardR * t;
      const double cr = coefR + towardL * t;
      lpL = cl * (lpL - xL) + xL;
      lpR = cr * (lpR - xR) + xR;
    } else {
      lpL = (lpL - xL) * coefL + xL;
      lpR = (lpR - xR) * coefR + xR;
    }
    outL[k] = (lpL - a) * mixL + a;
    outR[k] = (lpR - b) * mixR + b;
  }
  r.lpL = lpL;
  r.lpR = lpR;
}

using RunFunction = void (*)(Run&);
template <bool kGlide>
constexpr RunFunction kRuns[4] = {RunSamples<false, false, kGlide>, RunSamples<false, true, kGlide>,
                                  RunSamples<true, false, kGlide>, RunSamples<true, true, kGlide>};

// Where a tap reads for the write position wp.
inline uint32_t TapIndex(bool back, uint32_t tap, uint32_t wp, uint32_t loop) {
  if (back) return tap >= wp ? tap - wp : tap + loop - wp;
  const uint32_t i = wp - tap + loop - 1;
  return i >= loop ? i - loop : i;
}

// Samples until a tap's index would wrap around the loop.
inline uint32_t UntilWrap(bool back, uint32_t index, uint32_t loop) { return back ? index + 1 : loop - index; }

}  // namespace

void DelayEngine::RunLoop(const double* inL, const double* inR, double* outL, double* outR, int frames,
                          bool flips, uint32_t toggleLeft, uint32_t toggleRight) {
  const uint32_t L = loopLength;
  const uint32_t tapL = static_cast<uint32_t>(left.tap), tapR = static_cast<uint32_t>(right.tap);
  bool backL = left.reverse != left.flip, backR = right.reverse != right.flip;
  uint32_t wp = writePos;
  Run r;
  r.gain = feedbackGain;
  r.coefL = left.coef;
  r.coefR = right.coef;
  r.mixL = left.mix;
  r.mixR = right.mix;
  r.loop = L;
  r.lpL = left.lowpass;
  r.lpR = right.lowpass;
  const RunFunction* runs = toggleFreq ? kRuns<true> : kRuns<false>;

  for (int done = 0; done < frames;) {
    // A toggle point flips the direction for the sample written there.
    if (flips) {
      if (wp == toggleLeft) backL = !backL;
      if (wp == toggleRight) backR = !backR;
    }
    const uint32_t idxL = TapIndex(backL, tapL, wp, L);
    const uint32_t idxR = TapIndex(backR, tapR, wp, L);
    uint32_t n = std::min<uint32_t>(static_cast<uint32_t>(frames - done), L - wp);
    n = std::min(n, UntilWrap(backL, idxL, L));
    n = std::min(n, UntilWrap(backR, idxR, L));
    if (flips) {
      if (toggleLeft > wp) n = std::min(n, toggleLeft - wp);
      if (toggleRight > wp) n = std::min(n, toggleRight - wp);
    }
    // Every entry the run writes or reads holds what it would hold had the
    // lines been cleared whole at the last clear.
    PrepareEntries(wp, n);
    PrepareEntries(backL ? idxL + 1 - n : idxL, n);
    PrepareEntries(backR ? idxR + 1 - n : idxR, n);
    r.writeL = left.line + wp;
    r.writeR = right.line + wp;
    r.readL = left.line + idxL;
    r.readR = right.line + idxR;
    r.inL = inL + done;
    r.inR = inR + done;
    r.outL = outL + done;
    r.outR = outR + done;
    r.frames = static_cast<int>(n);
    r.advanced = wp + 1;
    runs[(backL ? 2 : 0) + (backR ? 1 : 0)](r);
    done += static_cast<int>(n);
    wp += n;
    if (wp == L) wp = 0;
  }

  writePos = wp;
  left.lowpass = r.lpL;
  right.lowpass = r.lpR;
  if (flips) {
    left.flip = backL != left.reverse;
    right.flip = backR != right.reverse;
  }
}

// With no loop the taps read silence: the wet path decays to zero and the dry
// signal passes through the mix.
void DelayEngine::RunSilentLoop(const double* inL, const double* inR, double* outL, double* outR, int frames) {
  const double coefLeft = left.coef, coefRight = right.coef, mixLeft = left.mix, mixRight = right.mix;
  double lpL = left.lowpass, lpR = right.lowpass;
  for (int i = 0; i < frames; ++i) {
    const double xInL = inL[i];
    const double xInR = inR[i];
    FloorState(lpL);
    FloorState(lpR);
    lpL = lpL * coefLeft;
    lpR = lpR * coefRight;
    outL[i] = (lpL - xInL) * mixLeft + xInL;
    outR[i] = (lpR - xInR) * mixRight + xInR;
  }
  left.lowpass = lpL;
  right.lowpass = lpR;
}
