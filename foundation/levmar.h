// Box-constrained Levenberg-Marquardt in single precision with a forward-
// difference Jacobian, behind the levmar entry point slevmar_bc_dif. When the
// system provides levmar (KORIM_SYSTEM_LEVMAR) its header is used instead.
#pragma once

#ifdef KORIM_SYSTEM_LEVMAR
#include <levmar.h>
#else

namespace korim::foundation {

constexpr int LM_OPTS_SZ = 5;     // tau, eps1, eps2, eps3, delta
constexpr int LM_INFO_SZ = 10;
constexpr int LM_ERROR = -1;
constexpr double LM_INIT_MU = 1.0e-3;
constexpr double LM_STOP_THRESH = 1.0e-17;
constexpr double LM_DIFF_DELTA = 1.0e-6;

// Minimises ||x - f(p)||^2 over p[0..m-1] with lb <= p <= ub (either bound
// array may be null: unbounded on that side; lb[i] == ub[i] holds p[i] fixed).
// func(p, hx, m, n, adata) fills hx[0..n-1]. dscl (null: none) scales the
// variables, p = dscl * q. opts (null: defaults) = {tau, eps1, eps2, eps3,
// delta}: initial damping tau * max diag(J^T J); stop when ||J^T e||_inf <= eps1,
// ||dp|| <= eps2 ||p|| or ||e||^2 <= eps3; Jacobian step max(1e-4 |p_i|, delta),
// central differences when delta < 0. info (null: not wanted) receives
// {||e||^2 at start, ||e||^2 at end, ||J^T e||_inf, ||dp||^2, mu / max diag,
// iterations, stop reason, function evaluations, Jacobians, linear solves};
// stop reasons: 1 small gradient, 2 small step, 3 itmax, 5 no further
// reduction, 6 small error, 7 not-a-number from func. covar (null: not wanted)
// receives the m x m covariance estimate. work is accepted and not needed.
// Fewer measurements than parameters are accepted. Returns the number of
// iterations, or LM_ERROR (bad arguments or not-a-number at the start).
int slevmar_bc_dif(void (*func)(float *p, float *hx, int m, int n, void *adata), float *p, float *x,
                   int m, int n, float *lb, float *ub, float *dscl, int itmax, float *opts,
                   float *info, float *work, float *covar, void *adata);

}  // namespace korim::foundation

#endif
