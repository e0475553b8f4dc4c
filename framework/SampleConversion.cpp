#include "framework/SampleConversion.h"

#include <cfloat>
#include <cmath>

namespace {

inline float FlushTiny(float v) { return std::fabs(v) < FLT_MIN ? 0.0f : v; }

template <bool kAdding>
void ToFloats(const double* src, float* dst, size_t n) {
  size_t i = 0;
  for (; i + 4 <= n; i += 4) {
    __m128 f = _mm_movelh_ps(_mm_cvtpd_ps(_mm_loadu_pd(src + i)), _mm_cvtpd_ps(_mm_loadu_pd(src + i + 2)));
    if (kAdding) f = _mm_add_ps(_mm_loadu_ps(dst + i), f);
    _mm_storeu_ps(dst + i, FlushTinyFloats(f));
  }
  for (; i < n; ++i) {
    const float f = static_cast<float>(src[i]);
    dst[i] = FlushTiny(kAdding ? dst[i] + f : f);
  }
}

}  // namespace

void FloatsToDoubles(const float* src, double* dst, size_t n) {
  size_t i = 0;
  for (; i + 4 <= n; i += 4) {
    const __m128 f = _mm_loadu_ps(src + i);
    _mm_storeu_pd(dst + i, _mm_cvtps_pd(f));
    _mm_storeu_pd(dst + i + 2, _mm_cvtps_pd(_mm_movehl_ps(f, f)));
  }
  for (; i < n; ++i) dst[i] = static_cast<double>(src[i]);
}

void DoublesToFloats(const double* src, float* dst, size_t n, bool adding) {
  if (adding) ToFloats<true>(src, dst, n);
  else ToFloats<false>(src, dst, n);
}
