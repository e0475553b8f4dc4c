// The copy-mode row loops four pixels at a time with SSE2. Whole-word forms
// take the same shifts, masks and additions on each 32-bit lane; the
// remainder of a row goes through the one-pixel operations, so every pixel
// comes out as the one-pixel loops give it.
#include <emmintrin.h>

#include "gfx/BlitRows.h"

#ifndef __SSE2__
#error "BlitRows_sse2.cpp needs a target with SSE2; build BlitRows_portable.cpp instead"
#endif

namespace {

using px::A;
using px::B;
using px::G;
using px::R;

inline __m128i Half4(__m128i p) { return _mm_and_si128(_mm_srli_epi32(p, 1), _mm_set1_epi32(0x7f7f7f7f)); }
inline __m128i Quarter4(__m128i p) { return _mm_and_si128(_mm_srli_epi32(p, 2), _mm_set1_epi32(0x3f3f3f3f)); }
inline __m128i Load4(const uint32_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }
inline void Store4(uint32_t* p, __m128i v) { _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v); }

// The byte formula s + ((d - s) * k) / 256 is taken on the magnitude
// |d - s| * k, which fits an unsigned 16-bit lane for k <= 256, with the sign
// put back afterwards: truncating toward zero is then a plain shift.
struct Lanes {
  __m128i lo, hi;  // two pixels each, one byte a 16-bit lane
};
inline Lanes Widen(__m128i v) {
  const __m128i zero = _mm_setzero_si128();
  return {_mm_unpacklo_epi8(v, zero), _mm_unpackhi_epi8(v, zero)};
}
inline __m128i TowardSource(__m128i d, __m128i s, __m128i k) {  // s + trunc((d - s) * k / 256)
  __m128i diff = _mm_sub_epi16(d, s);
  __m128i sign = _mm_cmpgt_epi16(_mm_setzero_si128(), diff);
  __m128i magnitude = _mm_sub_epi16(_mm_xor_si128(diff, sign), sign);
  __m128i q = _mm_srli_epi16(_mm_mullo_epi16(magnitude, k), 8);
  return _mm_add_epi16(s, _mm_sub_epi16(_mm_xor_si128(q, sign), sign));
}
// Each pixel's alpha (lane 3 of its four) in all four of its lanes.
inline __m128i SpreadAlpha(__m128i v) { return _mm_shufflehi_epi16(_mm_shufflelo_epi16(v, 0xFF), 0xFF); }

const __m128i kAlphaBytes = _mm_set1_epi32(int(0xFF000000u));

// Source alpha at weight 256: colours move by a / 256 (k = 255 - a), the alpha
// byte gains a with saturation; a = 0 keeps the pixel, a = 255 comes out as
// the opaque source through the same arithmetic.
inline __m128i CopySourceAlphaFull4(__m128i d, __m128i s, int) {
  const __m128i all = _mm_set1_epi16(255);
  Lanes dl = Widen(d), sl = Widen(s);
  __m128i lo = TowardSource(dl.lo, sl.lo, _mm_sub_epi16(all, SpreadAlpha(sl.lo)));
  __m128i hi = TowardSource(dl.hi, sl.hi, _mm_sub_epi16(all, SpreadAlpha(sl.hi)));
  __m128i colour = _mm_packus_epi16(lo, hi);
  __m128i alpha = _mm_adds_epu8(d, _mm_and_si128(s, kAlphaBytes));
  __m128i out = _mm_or_si128(_mm_andnot_si128(kAlphaBytes, colour), _mm_and_si128(alpha, kAlphaBytes));
  __m128i keep = _mm_cmpeq_epi32(_mm_and_si128(s, kAlphaBytes), _mm_setzero_si128());
  return _mm_or_si128(_mm_and_si128(keep, d), _mm_andnot_si128(keep, out));
}

// Source alpha below 256: f = (w * (a + 1)) / 256, colours move by f / 256,
// the alpha byte gains f with saturation; a = 0 keeps the pixel.
inline __m128i CopySourceAlpha4(__m128i d, __m128i s, int w) {
  const __m128i weight = _mm_set1_epi16(short(w));
  const __m128i one = _mm_set1_epi16(1), full = _mm_set1_epi16(256);
  Lanes dl = Widen(d), sl = Widen(s);
  __m128i flo = _mm_srli_epi16(_mm_mullo_epi16(_mm_add_epi16(SpreadAlpha(sl.lo), one), weight), 8);
  __m128i fhi = _mm_srli_epi16(_mm_mullo_epi16(_mm_add_epi16(SpreadAlpha(sl.hi), one), weight), 8);
  __m128i lo = TowardSource(dl.lo, sl.lo, _mm_sub_epi16(full, flo));
  __m128i hi = TowardSource(dl.hi, sl.hi, _mm_sub_epi16(full, fhi));
  __m128i colour = _mm_packus_epi16(lo, hi);
  __m128i alpha = _mm_adds_epu8(d, _mm_packus_epi16(flo, fhi));
  __m128i out = _mm_or_si128(_mm_andnot_si128(kAlphaBytes, colour), _mm_and_si128(alpha, kAlphaBytes));
  __m128i keep = _mm_cmpeq_epi32(_mm_and_si128(s, kAlphaBytes), _mm_setzero_si128());
  return _mm_or_si128(_mm_and_si128(keep, d), _mm_andnot_si128(keep, out));
}

// Without source alpha, 0 < w < 256: every byte moves by w / 256.
inline __m128i Copy4(__m128i d, __m128i s, int w) {
  const __m128i k = _mm_set1_epi16(short(256 - w));
  Lanes dl = Widen(d), sl = Widen(s);
  return _mm_packus_epi16(TowardSource(dl.lo, sl.lo, k), TowardSource(dl.hi, sl.hi, k));
}

template <class Op, __m128i (*Four)(__m128i, __m128i, int)>
void BlitRowsFour(const Span& s, int w) {
  for (int j = 0; j < s.rows; ++j) {
    uint32_t* d = s.dest->Row(s.dy + j) + s.dx;
    const uint32_t* p = s.src->Row(s.sy + j) + s.sx;
    int i = 0;
    for (; i + 4 <= s.cols; i += 4) Store4(d + i, Four(Load4(d + i), Load4(p + i), w));
    for (; i < s.cols; ++i) {
      uint32_t c = p[i];
      d[i] = Op::Apply(d[i], R(c), G(c), B(c), A(c), w);
    }
  }
}

void AverageRowsFour(const Span& s) {
  for (int j = 0; j < s.rows; ++j) {
    uint32_t* d = s.dest->Row(s.dy + j) + s.dx;
    const uint32_t* p = s.src->Row(s.sy + j) + s.sx;
    int i = 0;
    for (; i + 4 <= s.cols; i += 4) Store4(d + i, _mm_add_epi32(Half4(Load4(p + i)), Half4(Load4(d + i))));
    for (; i < s.cols; ++i) d[i] = px::Half(p[i]) + px::Half(d[i]);
  }
}

void FillCopyFour(const Fill& f, int n) {
  const uint32_t colour = f.colour;
  // The colour with the weight as its alpha byte (n < 256 here).
  const __m128i source = _mm_set1_epi32(int((colour & 0x00FFFFFFu) | uint32_t(n) << 24));
  for (int j = 0; j < f.rows; ++j) {
    uint32_t* p = f.dest->Row(f.y + j) + f.x;
    int i = 0;
    for (; i + 4 <= f.cols; i += 4) Store4(p + i, Copy4(Load4(p + i), source, n));
    for (; i < f.cols; ++i) p[i] = px::OpCopy::Apply(p[i], R(colour), G(colour), B(colour), n, n);
  }
}

// The whole-word fills: share is the colour's part, the pixel keeps a half,
// three quarters or a quarter of itself.
struct KeepNone {
  uint32_t c;
  uint32_t operator()(uint32_t) const { return c; }
  __m128i operator()(__m128i) const { return _mm_set1_epi32(int(c)); }
};
struct KeepHalf {
  uint32_t c;
  uint32_t operator()(uint32_t p) const { return c + px::Half(p); }
  __m128i operator()(__m128i p) const { return _mm_add_epi32(_mm_set1_epi32(int(c)), Half4(p)); }
};
struct KeepThreeQuarters {
  uint32_t c;
  uint32_t operator()(uint32_t p) const { return c + px::Half(p) + px::Quarter(p); }
  __m128i operator()(__m128i p) const {
    return _mm_add_epi32(_mm_set1_epi32(int(c)), _mm_add_epi32(Half4(p), Quarter4(p)));
  }
};
struct KeepQuarter {
  uint32_t c;
  uint32_t operator()(uint32_t p) const { return c + px::Quarter(p); }
  __m128i operator()(__m128i p) const { return _mm_add_epi32(_mm_set1_epi32(int(c)), Quarter4(p)); }
};

template <class Word>
void FillWordRowsFour(const Fill& f, Word word) {
  for (int j = 0; j < f.rows; ++j) {
    uint32_t* d = f.dest->Row(f.y + j) + f.x;
    int i = 0;
    for (; i + 4 <= f.cols; i += 4) Store4(d + i, word(Load4(d + i)));
    for (; i < f.cols; ++i) d[i] = word(d[i]);
  }
}

void FillWordsFour(const Fill& f, uint32_t share, Keep keep) {
  switch (keep) {
    case Keep::None: return FillWordRowsFour(f, KeepNone{share});
    case Keep::Half: return FillWordRowsFour(f, KeepHalf{share});
    case Keep::ThreeQuarters: return FillWordRowsFour(f, KeepThreeQuarters{share});
    case Keep::Quarter: return FillWordRowsFour(f, KeepQuarter{share});
  }
}

const CopyRowLoops kFourPixelCopyLoops = {
    BlitRowsFour<px::OpCopy, Copy4>,
    BlitRowsFour<px::OpCopySourceAlpha, CopySourceAlpha4>,
    BlitRowsFour<px::OpCopySourceAlphaFull, CopySourceAlphaFull4>,
    AverageRowsFour,
    FillCopyFour,
    FillWordsFour,
};

}  // namespace

const CopyRowLoops& CopyLoops() { return kFourPixelCopyLoops; }
