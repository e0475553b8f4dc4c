// The per-sample loop of the delay engine. A block is cut into runs in which
// neither tap changes direction or wraps around the loop, so that every read
// walks the line in one direction without checks.
//
// SSE2 does the arithmetic. The lowpass recurrence (a subtract, a multiply
// and an add that each wait for the one before) runs with both channels
// side by side in one register ([left, right]); the writes, the reads and
// the mix take two samples of one channel at a time ([k, k + 1]), which is
// how the host's buffers and the lines lie in memory (with AVX, both
// channels' pairs in one register). Each lane does exactly
// the arithmetic of its channel and sample, in the same order, so the sound
// is the same to the bit as one sample at a time. Everything but the
// recurrence is kept off its chain: the floors are masks or predicted
// branches, the gliding coefficients are computed ahead for a stretch of
// samples, and single-precision samples are converted in the loop itself.
#include <immintrin.h>

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
// How far ahead (in doubles: two per sample) the loop asks for the glide
// table.
constexpr size_t kGlidePrefetch = 512;

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

// What holds for every run of a block: where the lines and the block's
// samples start, and the parameters.
template <typename Sample>
struct Run {
  double* lineL;
  double* lineR;
  const Sample* inL;
  const Sample* inR;
  Sample* outL;
  Sample* outR;
  double gain, coefL, coefR, mixL, mixR;
  uint32_t loop;
  const double* glideTable;  // the coefficients of every write position, when the engine keeps them
};

// Where the lowpass coefficients come from: fixed, read from the engine's
// glide table, or (without a table) computed in the loop.
enum class Coefficients { kFixed, kGlideTable, kGlideComputed };

// One run: `frames` samples from sample `done` of the block on, written from
// write position wp on, the taps reading from entries idxL and idxR on. It
// takes the lowpass state [left, right] and returns it; everything that
// changes from run to run is passed in registers.
template <typename IO>
using RunFunction = __m128d (*)(const Run<typename IO::Sample>& r, __m128d lowpass, uint32_t wp, uint32_t idxL,
                                uint32_t idxR, int done, int frames);

// The run loop twice: for every x86-64 processor (SSE2), and in the AVX
// encoding of the same instructions, which needs no register copies and so
// does the same work in fewer instructions; the results are the same to the
// bit (AVX adds no fused multiply-add and no other rounding).
// RUNS_WITH_AVX tells the included code which one it is built as.
namespace sse2 {
#define RUNS_WITH_AVX 0
#include "plugin/DelayRuns.inc"
#undef RUNS_WITH_AVX
}  // namespace sse2
#if defined(__clang__)
#pragma clang attribute push(__attribute__((target("avx"))), apply_to = function)
#else
#pragma GCC push_options
#pragma GCC target("avx,prefer-vector-width=128")
#endif
namespace avx {
#define RUNS_WITH_AVX 1
#include "plugin/DelayRuns.inc"
#undef RUNS_WITH_AVX
}  // namespace avx
#if defined(__clang__)
#pragma clang attribute pop
#else
#pragma GCC pop_options
#endif

// The four runs (one per pair of tap directions) for the coefficients'
// source, from one build of the loop.
template <typename IO, template <typename, Coefficients> class Build>
const RunFunction<IO>* RunsFor(Coefficients coefs) {
  switch (coefs) {
    case Coefficients::kFixed: return Build<IO, Coefficients::kFixed>::kAll;
    case Coefficients::kGlideTable: return Build<IO, Coefficients::kGlideTable>::kAll;
    case Coefficients::kGlideComputed: break;
  }
  return Build<IO, Coefficients::kGlideComputed>::kAll;
}

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
  r.lineL = left.line;
  r.lineR = right.line;
  r.inL = inL;
  r.inR = inR;
  r.outL = outL;
  r.outR = outR;
  r.gain = feedbackGain;
  r.coefL = left.coef;
  r.coefR = right.coef;
  r.mixL = left.mix;
  r.mixR = right.mix;
  r.loop = L;
  __m128d lowpass = _mm_set_pd(right.lowpass, left.lowpass);
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
  const Coefficients coefs = !toggleFreq    ? Coefficients::kFixed
                             : r.glideTable ? Coefficients::kGlideTable
                                            : Coefficients::kGlideComputed;
  const RunFunction<IO>* runs = avxRuns ? RunsFor<IO, avx::Runs>(coefs) : RunsFor<IO, sse2::Runs>(coefs);

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
    // A backward tap meets the write position once: the run ends at that
    // sample, which reads what it writes. (A forward tap just ahead of the
    // write position reads there all along; the run sees to that.)
    auto meet = [wp, &n](bool back, uint32_t idx) {
      if (back && idx > wp && (idx - wp - 1) % 2 == 0 && (idx - wp - 1) / 2 + 1 < n) n = (idx - wp - 1) / 2 + 1;
    };
    meet(backL, idxL);
    meet(backR, idxR);
    // Every entry the run writes or reads holds what it would hold had the
    // lines been cleared whole at the last clear.
    PrepareEntries(wp, n);
    PrepareEntries(backL ? idxL + 1 - n : idxL, n);
    PrepareEntries(backR ? idxR + 1 - n : idxR, n);
    if (r.glideTable) PrepareGlide(wp + 1, n);
    lowpass = runs[(backL ? 2 : 0) + (backR ? 1 : 0)](r, lowpass, wp, idxL, idxR, done, static_cast<int>(n));
    done += static_cast<int>(n);
    wp += n;
    if (wp == L) wp = 0;
  }

  writePos = wp;
  left.lowpass = _mm_cvtsd_f64(lowpass);
  right.lowpass = _mm_cvtsd_f64(_mm_unpackhi_pd(lowpass, lowpass));
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
