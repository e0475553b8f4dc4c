#pragma once
// Converting blocks of samples between the host's single precision and the
// doubles the effect works in, four at a time.
#include <cstddef>

// n single-precision samples as doubles.
void FloatsToDoubles(const float* src, double* dst, size_t n);

// n doubles in single precision, written to dst or, adding, added to what
// it holds, without subnormals: what is written becomes 0 when it lies below
// the smallest normal float (far below hearing), so that whatever processes
// it next never meets the slow subnormal range.
void DoublesToFloats(const double* src, float* dst, size_t n, bool adding);
