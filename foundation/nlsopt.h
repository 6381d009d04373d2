// Bounded nonlinear least squares of a caller's residual function, run by the
// box-constrained Levenberg-Marquardt of levmar.
#pragma once

namespace korim::foundation {

// Residual function: fills residuals[0..pointCount-1] from coefs[0..coefCount-1].
typedef void (*NlsResCalc)(int pointCount, int coefCount, float *coefs, float *residuals);

// Minimises the sum of squared residuals over coefficients bounded by
// lower[i] <= c[i] <= upper[i] (0-based, coefCount entries); lower == upper
// fixes a coefficient. Reversed bound pairs are swapped in the caller's arrays;
// a start outside its bounds starts at their middle. The residual function is
// always called with all coefCount coefficients (fixed ones at their bound),
// wherever the fixed ones stand. Only resCalc, pointCount, coefCount, guess,
// lower, upper and itMax have an effect; the other arguments are accepted for
// callers' sake and ignored.
// Result: a new array of coefCount floats (tag "nls", caller releases with
// unAlloc("nls", ptr, coefCount * 4)) holding the fit, or guess itself when no
// coefficient is free or itMax is 0 (then resCalc is called once, on guess).
// resCalc's last call is always on the returned coefficients. An allocation
// failure prints "NLSOPT Error allocating space." on stdout and exits (-1).
float *nlsOpt(NlsResCalc resCalc, int pointCount, int coefCount, float *guess, float *lower,
              float *upper, float fnTol, int ndigit, int itMax, int evMax, float jacFlag,
              float **resMatrix, float **jacIMatrix, int *rank, int *ierror, int errFlag);

// The callback handed to levmar: expands the free coefficients it varies into
// the full coefficient vector and calls the residual function of the nlsOpt
// call under way; add_data is ignored.
void resCalc_wrap(float *coefs, float *data, int amount_of_coef, int amount_of_data, void *add_data);

}  // namespace korim::foundation
