// The principal couplings of an alignment tensor read from the two extremes of its couplings.
#pragma once

namespace korim::couplings {

// Principal couplings Dzz = 2 Da, Dyy = -Da (1 + 1.5 R), Dxx = -Da (1 - 1.5 R) (Hz, R
// dimensionless): the extreme of larger magnitude is Dzz, the opposite one Dyy.
// The two-extreme estimate from the smallest and largest coupling: Dzz lies on the positive side
// when |min| <= |max|. Sets *Da2Par and *R2Par (R 0 when Da is 0), and the threshold factors of
// the two sides: sdevDzz for the side of Dzz, sdevDyy for the other. Returns 1 when Dzz lies on
// the positive side, else 0.
int twoExtremeEstimate(float min, float max, float sdevDzz, float sdevDyy, float* Da2Par,
                       float* R2Par, float* sdevNeg, float* sdevPos);

}  // namespace korim::couplings
