#pragma once
// Converting blocks of samples between the host's single precision and the
// doubles the effect works in, four at a time.
#include <cstddef>

// n single-precision samples as doubles.
void FloatsToDoubles(const float* src, double* dst, size_t n);

// n doubles in single precision without subnormals: an output below the
// smallest normal float (far below hearing) becomes 0, so that whatever
// processes it next never meets the slow subnormal range. Adding, each is
// added to what dst holds and a sum below the smallest normal float becomes
// 0 too.
void DoublesToFloats(const double* src, float* dst, size_t n, bool adding);
