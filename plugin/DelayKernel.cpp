// The per-sample loop of the delay engine. A block is cut into runs in which
// neither tap changes direction or wraps around the loop, so that every read
// walks the line in one direction without checks.
//
// The two channels travel side by side in one SSE2 register ([left, right]):
// each lane does exactly the arithmetic of its channel, in the same order,
// so the sound is the same to the bit as one channel at a time, in half the
// instructions. What limits the loop is the lowpass recurrence (a subtract,
// a multiply and an add that each wait for the one before); everything else
// is kept off that chain: the floors are masks or predicted branches, the
// gliding coefficients are computed ahead for a stretch of samples, and
// single-precision samples are converted in the loop itself.
#include <emmintrin.h>

#include <algorithm>
#include <cfloat>
#include <cmath>

#include "plugin/DelayEngine.h"

namespace {

// The lowpass state's floor: below it the state is flushed to zero.
constexpr double kStateFloor = 1e-24;
// Loop contents below this magnitude are flushed to zero so that a decaying
// loop never drops into the slow subnormal range; non-finite values are
// flushed too, so one bad input sample cannot poison the loop.
constexpr double kLineFloor = 1e-300;
// Samples whose gliding coefficients are computed at a time.
constexpr int kGlideStretch = 128;

// The samples at the engine's edges: doubles, or the host's single
// precision, replacing what the host's outputs hold or adding to it.
struct DoubleIO {
  using Sample = double;
  static constexpr bool kAdding = false;
};
struct FloatIO {
  using Sample = float;
  static constexpr bool kAdding = false;
};
struct FloatAddingIO {
  using Sample = float;
  static constexpr bool kAdding = true;
};

// [*l, *r]
inline __m128d LoadPair(const double* l, const double* r) { return _mm_loadh_pd(_mm_load_sd(l), r); }
inline __m128d LoadPair(const float* l, const float* r) {
  return _mm_cvtps_pd(_mm_unpacklo_ps(_mm_load_ss(l), _mm_load_ss(r)));
}
inline void StorePair(double* l, double* r, __m128d v) {
  _mm_store_sd(l, v);
  _mm_storeh_pd(r, v);
}

inline __m128d Magnitude(__m128d v) { return _mm_and_pd(v, _mm_castsi128_pd(_mm_set1_epi64x(0x7FFFFFFFFFFFFFFF))); }

// All ones in the lanes with floor <= |v| <= DBL_MAX (infinities and NaNs
// lie outside).
inline __m128d InRange(__m128d v, __m128d floor) {
  const __m128d m = Magnitude(v);
  return _mm_and_pd(_mm_cmpge_pd(m, floor), _mm_cmple_pd(m, _mm_set1_pd(DBL_MAX)));
}

// An output sample pair written in the host's precision. Single precision
// never carries subnormals: a value below the smallest normal float (far
// below hearing) is written as 0, and so is a sum below it when adding.
template <typename IO>
inline void StoreOutput(typename IO::Sample* l, typename IO::Sample* r, __m128d y);

template <>
inline void StoreOutput<DoubleIO>(double* l, double* r, __m128d y) {
  StorePair(l, r, y);
}

template <bool kAdding>
inline void StoreFloatOutput(float* l, float* r, __m128d y) {
  y = _mm_andnot_pd(_mm_cmplt_pd(Magnitude(y), _mm_set1_pd(FLT_MIN)), y);
  __m128 f = _mm_cvtpd_ps(y);
  if (kAdding) {
    f = _mm_add_ps(_mm_unpacklo_ps(_mm_load_ss(l), _mm_load_ss(r)), f);
    const __m128 magnitude = _mm_and_ps(f, _mm_castsi128_ps(_mm_set1_epi32(0x7FFFFFFF)));
    f = _mm_andnot_ps(_mm_cmplt_ps(magnitude, _mm_set1_ps(FLT_MIN)), f);
  }
  _mm_store_ss(l, f);
  _mm_store_ss(r, _mm_shuffle_ps(f, f, _MM_SHUFFLE(1, 1, 1, 1)));
}

template <>
inline void StoreOutput<FloatIO>(float* l, float* r, __m128d y) {
  StoreFloatOutput<false>(l, r, y);
}
template <>
inline void StoreOutput<FloatAddingIO>(float* l, float* r, __m128d y) {
  StoreFloatOutput<true>(l, r, y);
}

// The gliding lowpass coefficients [left, right] for n samples whose write
// positions, once advanced, are first, first + 1, ... (the loop's end
// wrapping to 0): t = position / loop in single precision, left = coefL +
// (coefR - coefL) t, right = coefR + (coefL - coefR) t. Four quotients at a
// time (divps rounds each lane as divss does).
void GlideCoefficients(double* pairs, uint32_t first, uint32_t loop, int n, double coefL, double coefR) {
  const __m128d base = _mm_set_pd(coefR, coefL);
  const __m128d toward = _mm_set_pd(coefL - coefR, coefR - coefL);
  const __m128 loopF = _mm_set1_ps(static_cast<float>(loop));
  __m128i position = _mm_add_epi32(_mm_set1_epi32(static_cast<int>(first)), _mm_set_epi32(3, 2, 1, 0));
  int k = 0;
  for (; k + 4 <= n; k += 4) {
    const __m128 t = _mm_div_ps(_mm_cvtepi32_ps(position), loopF);
    const __m128d t01 = _mm_cvtps_pd(t);
    const __m128d t23 = _mm_cvtps_pd(_mm_movehl_ps(t, t));
    _mm_store_pd(pairs + 2 * k, _mm_add_pd(base, _mm_mul_pd(toward, _mm_unpacklo_pd(t01, t01))));
    _mm_store_pd(pairs + 2 * k + 2, _mm_add_pd(base, _mm_mul_pd(toward, _mm_unpackhi_pd(t01, t01))));
    _mm_store_pd(pairs + 2 * k + 4, _mm_add_pd(base, _mm_mul_pd(toward, _mm_unpacklo_pd(t23, t23))));
    _mm_store_pd(pairs + 2 * k + 6, _mm_add_pd(base, _mm_mul_pd(toward, _mm_unpackhi_pd(t23, t23))));
    position = _mm_add_epi32(position, _mm_set1_epi32(4));
  }
  for (; k < n; ++k) {
    uint32_t wp = first + static_cast<uint32_t>(k);
    if (wp == loop) wp = 0;
    const __m128d t = _mm_set1_pd(static_cast<float>(wp) / static_cast<float>(loop));
    _mm_store_pd(pairs + 2 * k, _mm_add_pd(base, _mm_mul_pd(toward, t)));
  }
  // Only the last sample of a run can reach the loop's end.
  if (n >= 4 && first + static_cast<uint32_t>(n - 1) == loop)
    _mm_store_pd(pairs + 2 * (n - 1), _mm_add_pd(base, _mm_mul_pd(toward, _mm_set1_pd(0.0f / static_cast<float>(loop)))));
}

// What one run of samples needs: the lines at the write position and at
// each tap, and the parameters that hold for the whole run.
template <typename Sample>
struct Run {
  double* writeL;
  double* writeR;
  const double* readL;
  const double* readR;
  const Sample* inL;
  const Sample* inR;
  Sample* outL;
  Sample* outR;
  int frames;
  double gain, coefL, coefR, mixL, mixR;
  uint32_t advanced;  // the write position after the run's first sample
  uint32_t loop;
  __m128d lowpass;  // [left, right] state
};

// A run of samples in which neither tap changes direction or wraps and the
// write position reaches the end of the loop at most on the last sample:
// every read walks the line in one direction without checks.
template <bool kBackL, bool kBackR, bool kGlide, typename IO>
void RunSamples(Run<typename IO::Sample>& r) {
  double* const writeL = r.writeL;
  double* const writeR = r.writeR;
  const double* const readL = r.readL;
  const double* const readR = r.readR;
  const auto* const inL = r.inL;
  const auto* const inR = r.inR;
  auto* const outL = r.outL;
  auto* const outR = r.outR;
  const __m128d gain = _mm_set1_pd(r.gain);
  const __m128d coef = _mm_set_pd(r.coefR, r.coefL);
  const __m128d mix = _mm_set_pd(r.mixR, r.mixL);
  const __m128d lineFloor = _mm_set1_pd(kLineFloor);
  const __m128d stateFloor = _mm_set1_pd(kStateFloor);
  const int frames = r.frames;
  __m128d lp = r.lowpass;
  alignas(16) double glide[2 * kGlideStretch];
  for (int start = 0; start < frames;) {
    const int end = kGlide ? std::min(frames, start + kGlideStretch) : frames;
    if (kGlide) GlideCoefficients(glide, r.advanced + static_cast<uint32_t>(start), r.loop, end - start, r.coefL, r.coefR);
    for (int k = start; k < end; ++k) {
      const __m128d in = LoadPair(inL + k, inR + k);
      __m128d w = _mm_add_pd(_mm_mul_pd(gain, LoadPair(writeL + k, writeR + k)), in);
      w = _mm_and_pd(w, InRange(w, lineFloor));
      StorePair(writeL + k, writeR + k, w);
      const __m128d x = LoadPair(kBackL ? readL - k : readL + k, kBackR ? readR - k : readR + k);
      // The state almost never falls below its floor: a predicted branch
      // keeps the check off the recurrence, where a mask would lengthen it.
      const __m128d live = InRange(lp, stateFloor);
      if (_mm_movemask_pd(live) != 3) lp = _mm_and_pd(lp, live);
      const __m128d c = kGlide ? _mm_load_pd(glide + 2 * (k - start)) : coef;
      lp = _mm_add_pd(_mm_mul_pd(c, _mm_sub_pd(lp, x)), x);
      StoreOutput<IO>(outL + k, outR + k, _mm_add_pd(_mm_mul_pd(_mm_sub_pd(lp, in), mix), in));
    }
    start = end;
  }
  r.lowpass = lp;
}

template <typename IO>
using RunFunction = void (*)(Run<typename IO::Sample>&);
template <typename IO, bool kGlide>
constexpr RunFunction<IO> kRuns[4] = {RunSamples<false, false, kGlide, IO>, RunSamples<false, true, kGlide, IO>,
                                      RunSamples<true, false, kGlide, IO>, RunSamples<true, true, kGlide, IO>};

// Where a tap reads for the write position wp.
inline uint32_t TapIndex(bool back, uint32_t tap, uint32_t wp, uint32_t loop) {
  if (back) return tap >= wp ? tap - wp : tap + loop - wp;
  const uint32_t i = wp - tap + loop - 1;
  return i >= loop ? i - loop : i;
}

// Samples until a tap's index would wrap around the loop.
inline uint32_t UntilWrap(bool back, uint32_t index, uint32_t loop) { return back ? index + 1 : loop - index; }

}  // namespace

void DelayEngine::Process(const double* inL, const double* inR, double* outL, double* outR, int frames) {
  ProcessWith<DoubleIO>(inL, inR, outL, outR, frames);
}

void DelayEngine::ProcessFloat(const float* inL, const float* inR, float* outL, float* outR, int frames, bool adding) {
  if (adding) ProcessWith<FloatAddingIO>(inL, inR, outL, outR, frames);
  else ProcessWith<FloatIO>(inL, inR, outL, outR, frames);
}

template <typename IO>
void DelayEngine::ProcessWith(const typename IO::Sample* inL, const typename IO::Sample* inR,
                              typename IO::Sample* outL, typename IO::Sample* outR, int frames) {
  if (loopLength == 0) {
    RunSilentLoop<IO>(inL, inR, outL, outR, frames);
  } else if (toggleReverse) {
    // Each channel's toggle point lies half a loop from its tap.
    const double L = loopLength;
    const double hx = 0.5 - L * 0.5;
    const double h = hx >= 0.0 ? std::trunc(hx + 0.5) : std::trunc(hx - 0.5);
    double toggleLeft = h + left.tap, toggleRight = h + right.tap;
    if (toggleLeft < 0.0) toggleLeft += L;
    if (toggleRight < 0.0) toggleRight += L;
    RunLoop<IO>(inL, inR, outL, outR, frames, left.reverse != right.reverse, static_cast<uint32_t>(toggleLeft),
                static_cast<uint32_t>(toggleRight));
  } else {
    RunLoop<IO>(inL, inR, outL, outR, frames, false, 0, 0);
  }
}

template <typename IO>
void DelayEngine::RunLoop(const typename IO::Sample* inL, const typename IO::Sample* inR, typename IO::Sample* outL,
                          typename IO::Sample* outR, int frames, bool flips, uint32_t toggleLeft,
                          uint32_t toggleRight) {
  const uint32_t L = loopLength;
  const uint32_t tapL = static_cast<uint32_t>(left.tap), tapR = static_cast<uint32_t>(right.tap);
  bool backL = left.reverse != left.flip, backR = right.reverse != right.flip;
  uint32_t wp = writePos;
  Run<typename IO::Sample> r;
  r.gain = feedbackGain;
  r.coefL = left.coef;
  r.coefR = right.coef;
  r.mixL = left.mix;
  r.mixR = right.mix;
  r.loop = L;
  r.lowpass = _mm_set_pd(right.lowpass, left.lowpass);
  const RunFunction<IO>* runs = toggleFreq ? kRuns<IO, true> : kRuns<IO, false>;

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
  left.lowpass = _mm_cvtsd_f64(r.lowpass);
  right.lowpass = _mm_cvtsd_f64(_mm_unpackhi_pd(r.lowpass, r.lowpass));
  if (flips) {
    left.flip = backL != left.reverse;
    right.flip = backR != right.reverse;
  }
}

// With no loop the taps read silence: the wet path decays to zero and the dry
// signal passes through the mix.
template <typename IO>
void DelayEngine::RunSilentLoop(const typename IO::Sample* inL, const typename IO::Sample* inR,
                                typename IO::Sample* outL, typename IO::Sample* outR, int frames) {
  const __m128d coef = _mm_set_pd(right.coef, left.coef);
  const __m128d mix = _mm_set_pd(right.mix, left.mix);
  const __m128d stateFloor = _mm_set1_pd(kStateFloor);
  __m128d lp = _mm_set_pd(right.lowpass, left.lowpass);
  for (int i = 0; i < frames; ++i) {
    const __m128d in = LoadPair(inL + i, inR + i);
    lp = _mm_and_pd(lp, InRange(lp, stateFloor));
    lp = _mm_mul_pd(lp, coef);
    StoreOutput<IO>(outL + i, outR + i, _mm_add_pd(_mm_mul_pd(_mm_sub_pd(lp, in), mix), in));
  }
  left.lowpass = _mm_cvtsd_f64(lp);
  right.lowpass = _mm_cvtsd_f64(_mm_unpackhi_pd(lp, lp));
}
