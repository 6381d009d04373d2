// Sizes for transforms: next power of two and widening of a region of points.
#pragma once

namespace korim::spectral {

// The smallest power of 2 not below n; 1 for n < 2 (and 2^30 at most).
int nextPower2(int n);

// Widens the 1-based inclusive region *first .. *last of a dimension of size
// points to a length that is a multiple of mult (mult >= 2) or a power of |mult|
// (mult <= -2), growing it about its middle and keeping it inside 1 .. size;
// mult between -1 and 1 changes nothing. Returns 0.
int roundReg(int *first, int *last, int size, int mult);

}  // namespace korim::spectral
