// Median baseline: subtracts from a vector the (optionally smoothed) median of
// the local extrema in a sliding window.
#pragma once

namespace korim::spectral {

// vec[0..length-1] minus the baseline whose point i is the median (lower
// middle) of the local extrema of the window of W = 2 medWidth + 1 points
// around i (shifted to stay inside the vector), smoothed by a moving average
// of half-width smoWidth. With avgFlag the window mean m is removed first and
// the baseline is m + the median of the positive maxima and non-positive
// minima. A window without extrema takes the median of all its points. winVec
// and medVec hold length floats (and at least W), extVec at least W floats.
// Nothing changes when W or 2 smoWidth + 1 exceeds length, or medWidth or
// smoWidth is negative. Returns 0.
int subtMed(float *vec, int length, int medWidth, int smoWidth, float *winVec, float *extVec,
            float *medVec, int avgFlag);

}  // namespace korim::spectral
