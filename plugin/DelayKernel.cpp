// The per-sample loop of the delay engine. A block is cut into runs in which
// neither tap changes direction or wraps around the loop, so that every read
// walks the line in one direction without checks.
//
// SSE2 does the arithmetic. The lowpass recurrence (a subtract, a multiply
// and an add that each wait for the one before) runs with both channels
// side by side in one register ([left, right]); the writes, the reads and
// the mix take two samples of one channel at a time ([k, k + 1]), which is
// how the host's buffers and the lines lie in memory. Each lane does exactly
// the arithmetic of its channel and sample, in the same order, so the sound
// is the same to the bit as one sample at a time. Everything but the
// recurrence is kept off its chain: the floors are masks or predicted
// branches, the gliding coefficients are computed ahead for a stretch of
// samples, and single-precision samples are converted in the loop itself.
#include <emmintrin.h>

#include <algorithm>
#include <cfloat>
#include <cmath>

#include "plugin/DelayEngine.h"
#include "plugin/SampleIO.h"

namespace {

using namespace sample_io;

// The lowpass state's floor: below it the state is flushed to zero.
constexpr double kStateFloor = 1e-24;
// Loop contents below this magnitude are flushed to zero so that a decaying
// loop never drops into the slow subnormal range; non-finite values are
// flushed too, so one bad input sample cannot poison the loop.
constexpr double kLineFloor = 1e-300;

inline __m128d Magnitude(__m128d v) { return _mm_and_pd(v, _mm_castsi128_pd(_mm_set1_epi64x(0x7FFFFFFFFFFFFFFF))); }

// All ones in the lanes with floor <= |v| <= DBL_MAX (infinities and NaNs
// lie outside).
inline __m128d InRange(__m128d v, __m128d floor) {
  const __m128d m = Magnitude(v);
  return _mm_and_pd(_mm_cmpge_pd(m, floor), _mm_cmple_pd(m, _mm_set1_pd(DBL_MAX)));
}

// The gliding lowpass coefficients of n write positions first, first + 1,
// ... (none the loop's end) as [left, right] pairs, four quotients in one
// divps (which rounds each lane as divss does).
void GlideCoefficients(double* pairs, uint32_t first, uint32_t loop, uint32_t n, double coefL, double coefR) {
  const __m128d base = _mm_set_pd(coefR, coefL);
  const __m128d toward = _mm_set_pd(coefL - coefR, coefR - coefL);
  const __m128 loopF = _mm_set1_ps(static_cast<float>(loop));
  __m128i position = _mm_add_epi32(_mm_set1_epi32(static_cast<int>(first)), _mm_set_epi32(3, 2, 1, 0));
  uint32_t k = 0;
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
    const __m128d t = _mm_set1_pd(static_cast<float>(first + k) / static_cast<float>(loop));
    _mm_store_pd(pairs + 2 * k, _mm_add_pd(base, _mm_mul_pd(toward, t)));
  }
}

// The gliding lowpass coefficients [left, right] at a write position (once
// advanced; the loop's end counts as 0): t = position / loop in single
// precision, left = coefL + (coefR - coefL) t, right = coefR + (coefL -
// coefR) t.
struct Glide {
  Glide(double coefL, double coefR, uint32_t loop)
      : base(_mm_set_pd(coefR, coefL)),
        toward(_mm_set_pd(coefL - coefR, coefR - coefL)),
        loopF(_mm_set1_ps(static_cast<float>(loop))),
        loop(loop) {}
  __m128d At(uint32_t position) const {
    if (position == loop) position = 0;
    const __m128 t = _mm_div_ss(_mm_set_ss(static_cast<float>(position)), loopF);
    const __m128d td = _mm_cvtss_sd(_mm_setzero_pd(), t);
    return _mm_add_pd(base, _mm_mul_pd(toward, _mm_unpacklo_pd(td, td)));
  }
  // For positions p and p + 1 (neither the loop's end): both quotients in
  // one divps, which rounds each lane as divss does.
  void AtTwo(__m128i positions, __m128d* c0, __m128d* c1) const {
    const __m128d t = _mm_cvtps_pd(_mm_div_ps(_mm_cvtepi32_ps(positions), loopF));
    *c0 = _mm_add_pd(base, _mm_mul_pd(toward, _mm_unpacklo_pd(t, t)));
    *c1 = _mm_add_pd(base, _mm_mul_pd(toward, _mm_unpackhi_pd(t, t)));
  }
  __m128d base, toward;
  __m128 loopF;
  uint32_t loop;
};

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
  // Whether two samples may be written before the first of them is read: not
  // when a tap reads what the next sample writes.
  bool twoAtATime;
  // Whether a forward tap reads the entry each sample writes (its loop
  // offset is the whole loop): then it takes the written value as it is.
  bool readsWriteL, readsWriteR;
  const double* glideTable;  // the coefficients of every write position, when the engine keeps them
  __m128d lowpass;  // [left, right] state
};

// The lowpass state's floor, then one step of the recurrence.
inline __m128d Lowpass(__m128d lp, __m128d c, __m128d x, __m128d stateFloor) {
  // The state almost never falls below its floor, or, in silence, always:
  // a predicted branch keeps the check off the recurrence, where a mask
  // would lengthen it, and a state that is all below starts again from a
  // zero that depends on nothing.
  const __m128d live = InRange(lp, stateFloor);
  const int liveLanes = _mm_movemask_pd(live);
  if (liveLanes != 3) lp = liveLanes == 0 ? _mm_setzero_pd() : _mm_and_pd(lp, live);
  return _mm_add_pd(_mm_mul_pd(c, _mm_sub_pd(lp, x)), x);
}

// One step of the recurrence without the floor.
inline __m128d Step(__m128d lp, __m128d c, __m128d x) { return _mm_add_pd(_mm_mul_pd(c, _mm_sub_pd(lp, x)), x); }

// Whether the states a and b both lie at or above the floor and are finite
// (false also in the rare case that they are finite but sum to more than
// DBL_MAX): then the floor changes neither.
inline bool BothLive(__m128d a, __m128d b, __m128d stateFloor) {
  const __m128d ma = Magnitude(a), mb = Magnitude(b);
  // A NaN passes the minimum but not the sum.
  const __m128d live = _mm_and_pd(_mm_cmpge_pd(_mm_min_pd(ma, mb), stateFloor),
                                  _mm_cmple_pd(_mm_add_pd(ma, mb), _mm_set1_pd(DBL_MAX)));
  return _mm_movemask_pd(live) == 3;
}

// The dry signal mixed with the wet one.
inline __m128d Mix(__m128d wet, __m128d dry, __m128d mix) { return _mm_add_pd(_mm_mul_pd(_mm_sub_pd(wet, dry), mix), dry); }

// Where the lowpass coefficients come from: fixed, read from the engine's
// glide table, or (without a table) computed in the loop.
enum class Coefficients { kFixed, kGlideTable, kGlideComputed };

// A run of samples in which neither tap changes direction or wraps and the
// write position reaches the end of the loop at most on the last sample:
// every read walks the line in one direction without checks.
template <bool kBackL, bool kBackR, Coefficients kCoefs, typename IO>
void RunSamples(Run<typename IO::Sample>& r) {
  constexpr bool kGlide = kCoefs != Coefficients::kFixed;
  constexpr bool kTable = kCoefs == Coefficients::kGlideTable;
  // The coefficients of the run's first write position on.
  const double* const table = kTable ? r.glideTable + 2 * static_cast<size_t>(r.advanced) : nullptr;
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
  const __m128d mixL = _mm_set1_pd(r.mixL), mixR = _mm_set1_pd(r.mixR);
  const __m128d lineFloor = _mm_set1_pd(kLineFloor);
  const __m128d stateFloor = _mm_set1_pd(kStateFloor);
  const Glide glide(r.coefL, r.coefR, r.loop);
  const int frames = r.frames;
  // The sample that writes the loop's last entry glides from 0: it goes on
  // its own.
  const bool wraps = kGlide && r.advanced + static_cast<uint32_t>(frames) - 1 == r.loop;
  const int pairs = r.twoAtATime ? frames - (wraps ? 1 : 0) : 0;
  __m128d lp = r.lowpass;
  // The write positions after the next two samples.
  __m128i positions = _mm_set_epi32(0, 0, static_cast<int>(r.advanced + 1), static_cast<int>(r.advanced));
  int k = 0;
  // Two samples at a time: both written, both read, two steps of the
  // recurrence, both mixed.
  for (; k + 2 <= pairs; k += 2) {
    const __m128d aL = LoadTwo(inL + k), aR = LoadTwo(inR + k);
    __m128d wL = _mm_add_pd(_mm_mul_pd(gain, _mm_loadu_pd(writeL + k)), aL);
    __m128d wR = _mm_add_pd(_mm_mul_pd(gain, _mm_loadu_pd(writeR + k)), aR);
    wL = _mm_and_pd(wL, InRange(wL, lineFloor));
    wR = _mm_and_pd(wR, InRange(wR, lineFloor));
    _mm_storeu_pd(writeL + k, wL);
    _mm_storeu_pd(writeR + k, wR);
    const __m128d xL = kBackL          ? _mm_shuffle_pd(_mm_loadu_pd(readL - k - 1), _mm_loadu_pd(readL - k - 1), 1)
                       : r.readsWriteL ? wL
                                       : _mm_loadu_pd(readL + k);
    const __m128d xR = kBackR          ? _mm_shuffle_pd(_mm_loadu_pd(readR - k - 1), _mm_loadu_pd(readR - k - 1), 1)
                       : r.readsWriteR ? wR
                                       : _mm_loadu_pd(readR + k);
    __m128d c0 = coef, c1 = coef;
    if (kTable) {
      c0 = _mm_load_pd(table + 2 * k);
      c1 = _mm_load_pd(table + 2 * k + 2);
    } else if (kGlide) {
      glide.AtTwo(positions, &c0, &c1);
      positions = _mm_add_epi32(positions, _mm_set1_epi32(2));
    }
    // Two steps as if neither state were below the floor, checked after the
    // fact off the recurrence; when one is, both steps again with the floor.
    const __m128d x0 = _mm_unpacklo_pd(xL, xR), x1 = _mm_unpackhi_pd(xL, xR);
    __m128d lp0 = Step(lp, c0, x0);
    __m128d lp1 = Step(lp0, c1, x1);
    if (!BothLive(lp, lp0, stateFloor)) {
      lp0 = Lowpass(lp, c0, x0, stateFloor);
      lp1 = Lowpass(lp0, c1, x1, stateFloor);
    }
    lp = lp1;
    StoreOutputs<IO>(outL + k, outR + k, Mix(_mm_unpacklo_pd(lp0, lp), aL, mixL), Mix(_mm_unpackhi_pd(lp0, lp), aR, mixR));
  }
  // One sample at a time.
  for (; k < frames; ++k) {
    const __m128d in = LoadPair(inL + k, inR + k);
    __m128d w = _mm_add_pd(_mm_mul_pd(gain, LoadPair(writeL + k, writeR + k)), in);
    StorePair(writeL + k, writeR + k, _mm_and_pd(w, InRange(w, lineFloor)));
    const __m128d x = LoadPair(kBackL ? readL - k : readL + k, kBackR ? readR - k : readR + k);
    __m128d c = coef;
    if (kGlide) {
      const uint32_t position = r.advanced + static_cast<uint32_t>(k);
      c = kTable ? _mm_load_pd(position == r.loop ? r.glideTable : table + 2 * k) : glide.At(position);
    }
    lp = Lowpass(lp, c, x, stateFloor);
    StoreOutput<IO>(outL + k, outR + k, Mix(lp, in, mix));
  }
  r.lowpass = lp;
}

template <typename IO>
using RunFunction = void (*)(Run<typename IO::Sample>&);
template <typename IO, Coefficients kCoefs>
constexpr RunFunction<IO> kRuns[4] = {RunSamples<false, false, kCoefs, IO>, RunSamples<false, true, kCoefs, IO>,
                                      RunSamples<true, false, kCoefs, IO>, RunSamples<true, true, kCoefs, IO>};

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

void DelayEngine::ComputeStaleGlide(uint32_t first, uint32_t count) {
  const uint32_t L = loopLength;
  uint32_t end = first + count;
  if (end > L) {  // the loop's end stands for position 0
    end = L;
    ComputeStaleGlide(0, 1);
  }
  for (uint32_t c = first / kChunk; c * kChunk < end; ++c) {
    if (glideEpochs[c] == glideEpoch) continue;
    const uint32_t begin = c * kChunk;
    GlideCoefficients(glideTable.get() + 2 * static_cast<size_t>(begin), begin, L, std::min(kChunk, L - begin), left.coef,
                      right.coef);
    glideEpochs[c] = glideEpoch;
  }
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
  r.glideTable = nullptr;
  if (toggleFreq && glideEntries >= L) {
    if (glideCoefLeft != left.coef || glideCoefRight != right.coef || glideLoop != L) {
      glideCoefLeft = left.coef;
      glideCoefRight = right.coef;
      glideLoop = L;
      if (++glideEpoch == 0) {
        std::fill(glideEpochs.get(), glideEpochs.get() + (glideEntries + kChunk - 1) / kChunk, 0u);
        glideEpoch = 1;
      }
    }
    r.glideTable = glideTable.get();
  }
  const RunFunction<IO>* runs = !toggleFreq        ? kRuns<IO, Coefficients::kFixed>
                                : r.glideTable ? kRuns<IO, Coefficients::kGlideTable>
                                               : kRuns<IO, Coefficients::kGlideComputed>;

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
    // A tap that reads what the next sample writes: a forward one just
    // ahead of the write position reads there all along, the run goes one
    // sample at a time; a backward one meets the write position once, the
    // run ends at that sample.
    bool twoAtATime = true;
    for (const auto& [back, idx] : {std::pair<bool, uint32_t>{backL, idxL}, std::pair<bool, uint32_t>{backR, idxR}}) {
      if (!back) {
        if (idx == wp + 1) twoAtATime = false;
      } else if (idx > wp && (idx - wp - 1) % 2 == 0 && (idx - wp - 1) / 2 + 1 < n) {
        n = (idx - wp - 1) / 2 + 1;
      }
    }
    // Every entry the run writes or reads holds what it would hold had the
    // lines been cleared whole at the last clear.
    PrepareEntries(wp, n);
    PrepareEntries(backL ? idxL + 1 - n : idxL, n);
    PrepareEntries(backR ? idxR + 1 - n : idxR, n);
    if (r.glideTable) PrepareGlide(wp + 1, n);
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
    r.twoAtATime = twoAtATime;
    r.readsWriteL = !backL && idxL == wp;
    r.readsWriteR = !backR && idxR == wp;
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
