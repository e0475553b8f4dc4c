#pragma once
// Converting blocks of samples between the host's single precision and the
// doubles the effect works in, four at a time.
#include <emmintrin.h>

#include <cfloat>
#include <cstddef>

// Four single-precision samples, those below the smallest normal float (far
// below hearing) made 0: single precision handed to a host never carries
// subnormals.
inline __m128 FlushTinyFloats(__m128 v) {
  const __m128 magnitude = _mm_and_ps(v, _mm_castsi128_ps(_mm_set1_epi32(0x7FFFFFFF)));
  return _mm_andnot_ps(_mm_cmplt_ps(magnitude, _mm_set1_ps(FLT_MIN)), v);
}

// n single-precision samples as doubles.
void FloatsToDoubles(const float* src, double* dst, size_t n);

// n doubles in single precision, written to dst or, adding, added to what
// it holds, without subnormals: what is written becomes 0 when it lies below
// the smallest normal float (far below hearing), so that whatever processes
// it next never meets the slow subnormal range.
void DoublesToFloats(const double* src, float* dst, size_t n, bool adding);
