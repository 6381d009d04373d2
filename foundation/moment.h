// Moments of a sample and Pearson's correlation test.
#pragma once

namespace korim::foundation {

// data[0..n-1]: sum, mean, mean absolute deviation, sample standard deviation
// and variance (divisor n-1), skewness, kurtosis - 3. Returns 1 (outputs but
// sum zeroed) when n < 2, 1 when the variance is 0, else 0.
int moment(float *data, int n, float *sum, float *ave, float *adev, float *sdev, float *svar,
           float *skew, float *curt);
// Pearson r of x[1..n], y[1..n], its two-sided significance and Fisher's z.
void pearsn(float *x, float *y, int n, float *r, float *prob, float *z);

}  // namespace korim::foundation
