// Descriptive statistics of 0-based float vectors, histograms, a running
// median and a variance-band noise threshold. Status 0 ok, 1 bad length.
#pragma once

namespace korim::foundation {

int getNorm(float *vec, int length, float *norm);  // sum of squares (no root)
int getAvg(float *vec, int length, float *avg);    // mean, accumulated as sum(x/n)
// Smallest / largest value; length 0 gives vec[0]; length < 0: status 1,
// result untouched. Ties and not-a-number never replace the current value.
int getMin(float *vec, int length, float *val);
int getMax(float *vec, int length, float *val);
// Value of smallest / largest magnitude, sign kept.
int getAMin(float *vec, int length, float *val);
int getAMax(float *vec, int length, float *val);
int getRange(float *vec, int length, float *val);   // largest - smallest
int getStdDev(float *vec, int length, float *dev);  // divisor n-1; one value: itself
int getRMS(float *vec, int length, float *dev);     // divisor n; one value: itself
// Median after an in-place sort: element (n+1)/2 counted from 1 (lower
// middle for even n). Status 1 without a value for n < 1.
int getMedian(float *ra, int n, float *rmed);

// histLength bins over [min, max] of y (range 1 when all equal): bin k starts
// at xArray[k]; returns the largest count.
int getHist(float *yArray, int yLength, float *xArray, float *hist, int histLength);
// vec replaced by its running median of half-width nw; work holds 2*length
// floats. Nothing happens for nw < 1, nw > length or length < 1. Returns 0.
int medianW(float *vec, int length, int nw, float *work);
// Population variance of vec[lower..upper] (mode 0) or of the values outside
// that band (other modes); fewer than 2 values give their sum.
float findHVar(float *vec, int length, int lower, int upper, int mode);
// Noise band of the values in [minVal, maxVal] from a histogram of hLength
// bins: the band around the peak bin whose inside and outside variances differ
// most. Returns 0.
int maxVar(float *vec, int vLength, float minVal, float maxVal, float *hist, int hLength,
           float *minThresh, float *maxThresh);

}  // namespace korim::foundation
