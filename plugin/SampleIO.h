#pragma once
// How the delay's per-sample loop (DelayKernel.cpp) reads the host's samples
// and writes its outputs, with SSE2: doubles, or the host's single precision,
// converted as they pass, replacing what the host's outputs hold or adding to
// it; an output below the smallest normal float is written as 0 (adding, the
// sum is).
#include <emmintrin.h>

#include "framework/SampleConversion.h"

namespace sample_io {

// The samples at the engine's edges: doubles, or the host's single
// precision, replacing what the host's outputs hold or adding to it.
struct DoubleIO {
  using Sample = double;
};
struct FloatIO {
  using Sample = float;
};
struct FloatAddingIO {
  using Sample = float;
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

// One output sample of both channels ([left, right]) in the host's
// precision.
template <typename IO>
inline void StoreOutput(typename IO::Sample* l, typename IO::Sample* r, __m128d y);

template <>
inline void StoreOutput<DoubleIO>(double* l, double* r, __m128d y) {
  StorePair(l, r, y);
}

template <bool kAdding>
inline void StoreFloatOutput(float* l, float* r, __m128d y) {
  __m128 f = _mm_cvtpd_ps(y);
  f = FlushTinyFloats(kAdding ? _mm_add_ps(_mm_unpacklo_ps(_mm_load_ss(l), _mm_load_ss(r)), f) : f);
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

// Two samples of one channel ([p[0], p[1]]).
inline __m128d LoadTwo(const double* p) { return _mm_loadu_pd(p); }
inline __m128d LoadTwo(const float* p) {
  return _mm_cvtps_pd(_mm_castsi128_ps(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p))));
}

// Two output samples of each channel ([k, k + 1]) in the host's precision.
template <typename IO>
inline void StoreOutputs(typename IO::Sample* l, typename IO::Sample* r, __m128d yL, __m128d yR);

template <>
inline void StoreOutputs<DoubleIO>(double* l, double* r, __m128d yL, __m128d yR) {
  _mm_storeu_pd(l, yL);
  _mm_storeu_pd(r, yR);
}

// Two output samples of each channel, already in single precision: f is
// [left k, left k + 1, right k, right k + 1].
template <bool kAdding>
inline void StoreFloats(float* l, float* r, __m128 f) {
  if (kAdding) {
    const __m128 held = _mm_loadh_pi(_mm_loadl_pi(_mm_setzero_ps(), reinterpret_cast<const __m64*>(l)),
                                     reinterpret_cast<const __m64*>(r));
    f = _mm_add_ps(held, f);
  }
  f = FlushTinyFloats(f);
  _mm_storel_pi(reinterpret_cast<__m64*>(l), f);
  _mm_storeh_pi(reinterpret_cast<__m64*>(r), f);
}

template <bool kAdding>
inline void StoreFloatOutputs(float* l, float* r, __m128d yL, __m128d yR) {
  StoreFloats<kAdding>(l, r, _mm_movelh_ps(_mm_cvtpd_ps(yL), _mm_cvtpd_ps(yR)));
}

template <>
inline void StoreOutputs<FloatIO>(float* l, float* r, __m128d yL, __m128d yR) {
  StoreFloatOutputs<false>(l, r, yL, yR);
}
template <>
inline void StoreOutputs<FloatAddingIO>(float* l, float* r, __m128d yL, __m128d yR) {
  StoreFloatOutputs<true>(l, r, yL, yR);
}

}  // namespace sample_io
