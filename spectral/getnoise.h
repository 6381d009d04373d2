// Robust noise and baseline levels of a spectral vector: a normal quantile of
// the central fraction of sorted deviations, and the mean of the smallest values.
#pragma once

namespace korim::spectral {

// Sort comparator over floats by absolute value: 1 when |a| > |b|, -1 when
// smaller, 0 when equal.
int qTestSpecAbs(const void *val1, const void *val2);

// Noise standard deviation from the absolute deviations of rdata[0..length-1]
// from the means of consecutive blocks of `window` points (the last one
// shorter; window < 1 is one block). The deviation at sorted position
// trunc(fraction*length) (held inside the vector) is returned and, divided by
// the half-width of the central `fraction` of a unit normal distribution,
// stored in *noise (0 when that half-width is 0 or length < 1). work holds
// length floats.
float getSpecNoise(float *rdata, float *work, int length, int window, float fraction, float *noise);
// The same with the deviations from a centred moving average of half-width
// window; iterCount is not used. Returns 0.
int getNoise(float *rdata, float *work, int length, int window, float fraction, int iterCount,
             float *noise);
// Sorts rdata by absolute value in place; *base = mean of the first
// trunc(length*fraction) values (0 when there are none). Returns 0.
int getBase(float *rdata, int length, float fraction, float *base);

// Forgets the cached quantiles (tests call it between cases).
void noiseReset();

}  // namespace korim::spectral
