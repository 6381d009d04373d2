// Circular convolution and deconvolution of a real signal with a short
// response through the FFT (1-based float arrays).
#pragma once

namespace korim::foundation {

// data[1..n] (n a power of two, at least 2) with the response respns whose
// first m entries (m odd, 1 <= m <= n) hold it in wrap-around order: time 0
// first, then the positive times 1..(m-1)/2, then the negative times
// -(m-1)/2..-1. respns must hold n floats; the call rearranges it in place.
// isign 1: ans[1..n] = the circular convolution; isign -1: the deconvolution.
// ans must hold 2n floats (the upper half is work).
// Returns 0; 1 after an nrerror message when the lengths or isign are not
// usable or the work vector cannot be had (data, respns and ans untouched),
// or when a deconvolution met a zero of the response's transform (the
// division went ahead; the result holds non-finite values).
int convlv(float *data, int n, float *respns, int m, int isign, float *ans);

// The rearrangement convlv makes of its response: the negative times
// respns[m-(m-1)/2+1..m] move to the end of respns[1..n], zeros between.
// Lengths as convlv, unchecked.
void convlvArrange(float *respns, int n, int m);

// convlv with a response already arranged over respns[1..n] (by
// convlvArrange), which it leaves as it is: a caller convolving many signals
// with one response arranges it once. The same values; same checks but m.
int convlvArranged(const float *data, int n, const float *respns, int isign, float *ans);

}  // namespace korim::foundation
