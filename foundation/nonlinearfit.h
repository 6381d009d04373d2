// Levenberg-Marquardt fit of a model with analytic derivatives, parameters
// switched on and off by a flag array; all arrays 1-based.
#pragma once

namespace korim::foundation {

// Model: value at x into *ymod, derivatives by a[1..ma] into dyda[1..ma].
typedef void (*MrqFunc)(float x, float *a, float *ymod, float *dyda, int ma);

// Fits a[1..ma] (those with ia[j] != 0) to (x, y, sig)[1..ndata] from guesa,
// until four steps since the last increase changed chi-square by less than
// 0.1; error[k] = sqrt(covar[k][k]). Returns 0, or 1 when work space cannot be
// had, chi-square stops being a number (no endless loop on such a model) or
// an error comes out not finite (singular curvature).
int nonlinearfit(float *x, float *y, float *sig, int ndata, float *a, float *guesa, int *ia, int ma,
                 MrqFunc funcs, float *error);

// One step: *alamda < 0 initialises, > 0 tries one step, == 0 finishes (covar
// gets the covariance, the work arrays go back). State between calls is kept
// here, so two fits cannot be interleaved.
void mrqmin(float *x, float *y, float *sig, int ndata, float *a, int *ia, int ma, float **covar,
            float **alpha, float *chisq, MrqFunc funcs, float *alamda);

// Curvature matrix alpha[1..mfit][1..mfit], beta[1..mfit] and chi-square at a
// (chi-square not-a-number when its work vector cannot be had).
void mrqcof(float *x, float *y, float *sig, int ndata, float *a, int *ia, int ma, float **alpha,
            float *beta, float *chisq, MrqFunc funcs);

// Spreads the mfit x mfit covariance of the fitted parameters over ma x ma
// (zero rows and columns for the held ones).
void covsrt(float **covar, int ma, int *ia, int mfit);

// Forgets the step state (and gives its work arrays back); for tests.
void mrqminReset();

}  // namespace korim::foundation
