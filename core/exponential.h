#pragma once
// The exponential the engine computes compaction with: one algorithm,
// written once over lane types (core/lanes.h), so that the scalar, SSE2 and
// AVX2 paths give the same bits for every input, on every processor, with
// no dependence on which variant of exp the C library picks at run time.
//
// Algorithm: x = k ln2/128 + r with k the integer nearest x 128/ln2 (the
// rounding of x 128/ln2 + 1.5 2^52), ln2/128 split into a 35-bit high
// part (so k times it is exact) and a low part; |r| <= ln2/256 plus a few
// ulps. Then exp(x) = 2^(k/128) exp(r), with 2^(k/128) = s (1 + tail)
// from a table of 128 entries (s a double, tail its relative remainder),
// the power of two of k / 128 added into s's exponent bits, and
//   exp(r) (1 + tail) - 1 ~ tail + r + r^2 (1/2 + r/6) + r^4 (1/24 + r/120),
// the Taylor polynomial of degree 5 (its truncation error is below
// 2^-60 relative on |r| <= ln2/256). The result is s + s (that sum): every
// operation a single rounded multiply or add, no fused multiply-add.
//
// Inputs whose magnitude is below 2^-54 (0 and -0 included) give 1 + x,
// those of magnitude 512 or more take a path that scales in two steps, so
// results between the largest double and overflow and those in the
// subnormal range are rounded once (a result below half the smallest
// subnormal is +0); x <= -1024 and -inf give +0, x >= 1024 and +inf give
// +inf, a NaN gives a NaN.
//
// Error bound: at most 0.52 ulp of the result for every input whose
// result is a normal double, at most 0.52 ulp of the smallest subnormal
// (2^-1074) below that; the test checks every value it tries against a
// 200-bit reference and requires this bound (it also requires the same
// bits from every path).

#include "core/lanes.h"

namespace vendrel {

// exp(x) on the scalar path.
double exponential(double x);

// y[i] = exp(x[i]) for i in 0..n-1 on `path` (which must be supported);
// every path gives the bits of exponential().
void exponentials(const double* x, double* y, int n, VectorPath path);

}  // namespace vendrel
