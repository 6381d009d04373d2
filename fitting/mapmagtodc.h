// Couplings of single bond orientations under an alignment tensor, and the mapping of a measured
// coupling to the range of values a tensor with errors allows.
#pragma once

namespace korim::fitting {

// Coupling (Hz) of a bond at polar angles theta, phi (radians) of the tensor frame:
// Dab [(1 - 3 cos^2 theta) - 1.5 R sin^2 theta cos 2 phi].
double dip_coup(double theta, double phi, double Dab, double R);

// Over a 0.01 rad grid of orientations (theta 0..1.57, phi 0..3.14): wherever one of the four
// corner tensors (Dab +- DabErr, R +- RErr) gives a coupling within coup +- coupErr, the central
// tensor's coupling there widens the range [coupMin, coupMax], which starts at coup.
// *coupAve = its middle, *coupAveErr = its half width. Returns 0.
int mapMagToDc(double Dab, double DabErr, double R, double RErr, double coup, double coupErr,
               double* coupAve, double* coupAveErr);

}  // namespace korim::fitting
