#pragma once

// Sine and cosine of a single-precision angle (radians), computed with our
// own range reduction and polynomials in double precision and rounded once
// to single precision. Only basic IEEE arithmetic is used, so every platform
// gets the same bits (the C libraries' sinf and cosf may differ in the last
// bit, which would shift rotated images). Not-a-number or infinite angles
// give not-a-number.
void SinCosF(float angle, float* sine, float* cosine);
