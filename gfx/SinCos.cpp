#include "gfx/SinCos.h"

#include <cmath>
#include <limits>

namespace {

// pi / 2 split so that k * kHalfPiHigh is exact for |k| < 2^20.
constexpr double kHalfPiHigh = 1.57079632673412561417e+00;
constexpr double kHalfPiLow = 6.07710050650619224932e-11;
constexpr double kTwoOverPi = 6.36619772367581382433e-01;

// Taylor series on |r| <= pi / 4; the first omitted terms are below 1e-19.
double SinPoly(double r) {
  const double r2 = r * r;
  double p = 1.0 / 355687428096000.0;  // 1 / 17!
  p = p * r2 - 1.0 / 1307674368000.0;  // 1 / 15!
  p = p * r2 + 1.0 / 6227020800.0;     // 1 / 13!
  p = p * r2 - 1.0 / 39916800.0;       // 1 / 11!
  p = p * r2 + 1.0 / 362880.0;         // 1 / 9!
  p = p * r2 - 1.0 / 5040.0;           // 1 / 7!
  p = p * r2 + 1.0 / 120.0;            // 1 / 5!
  p = p * r2 - 1.0 / 6.0;              // 1 / 3!
  return r + r * r2 * p;
}

double CosPoly(double r) {
  const double r2 = r * r;
  double p = -1.0 / 6402373705728000.0;  // 1 / 18!
  p = p * r2 + 1.0 / 20922789888000.0;   // 1 / 16!
  p = p * r2 - 1.0 / 87178291200.0;      // 1 / 14!
  p = p * r2 + 1.0 / 479001600.0;        // 1 / 12!
  p = p * r2 - 1.0 / 3628800.0;          // 1 / 10!
  p = p * r2 + 1.0 / 40320.0;            // 1 / 8!
  p = p * r2 - 1.0 / 720.0;              // 1 / 6!
  p = p * r2 + 1.0 / 24.0;               // 1 / 4!
  return 1.0 - 0.5 * r2 + r2 * r2 * p;
}

}  // namespace

void SinCosF(float angle, float* sine, float* cosine) {
  const double x = angle;
  if (!std::isfinite(x)) {
    *sine = *cosine = std::numeric_limits<float>::quiet_NaN();
    return;
  }
  if (x == 0.0) {  // keeps the sign of zero
    *sine = angle;
    *cosine = 1.0f;
    return;
  }
  // Quadrant k and remainder r = x - k * pi / 2 with |r| <= pi / 4 (a little
  // more for huge angles, where single precision has no fraction left anyway).
  const double k = std::floor(x * kTwoOverPi + 0.5);
  const double r = (x - k * kHalfPiHigh) - k * kHalfPiLow;
  const double s = SinPoly(r), c = CosPoly(r);
  const long long quadrant = static_cast<long long>(std::fmod(k, 4.0) + 4.0) & 3;
  switch (quadrant) {
    case 0: *sine = float(s), *cosine = float(c); break;
    case 1: *sine = float(c), *cosine = float(-s); break;
    case 2: *sine = float(-s), *cosine = float(-c); break;
    default: *sine = float(-c), *cosine = float(s); break;
  }
}
