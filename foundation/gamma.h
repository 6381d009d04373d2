// Log-gamma, incomplete gamma function and the straight-line fit that uses it.
#pragma once

namespace korim::foundation {

// ln Gamma(xx), xx > 0 (Lanczos series, six terms).
float gammln(float xx);
// P(a, x) by its series into *gamser; gln is not used (ln Gamma(a) is
// recomputed). x < 0 or no convergence in 100 terms raises the module's
// error flag and leaves *gamser unwritten.
void gser(float *gamser, float a, float x, float gln);
// Q(a, x) by its continued fraction into *gammcf, ln Gamma(a) into *gln; no
// convergence in 100 iterations raises the error flag, *gammcf unwritten.
void gcf(float *gammcf, float a, float x, float *gln);
// Q(a, x) = 1 - P(a, x); 0 for x < 0, a <= 0 or when the evaluation failed.
float gammq(float a, float x);
// x with gammq(df, x) = p by bisection on [0, 100 + 100 df]; df when p is not
// bracketed or the bisection does not settle.
float igammq(float p, float df);
// Straight line y = a + b x through x[1..ndata], y[1..ndata]; with mwt != 0
// weighted by 1/sig[i]^2 and q the goodness of fit, else q = 1 and siga, sigb
// scaled by sqrt(chi2/(ndata-2)).
void fit(float *x, float *y, int ndata, float *sig, int mwt, float *a, float *b, float *siga,
         float *sigb, float *chi2, float *q);

// Clears the error flag; for tests.
void gammaReset();

}  // namespace korim::foundation
