// Steric obstruction model: the Saupe order matrix of a rigid molecule that a
// flat wall (bicelle) or an infinite cylinder (phage rod) orients by excluded
// volume alone.
#pragma once

#include "app/korim_types.h"

namespace korim::simulation {

// Largest number of positions (distances from the obstacle) sampled.
constexpr int kSsiaMaxPositions = 5000;

// Predicts the five Saupe elements (saupe[0..4] = Szz, Sxx-Syy, Sxy, Sxz, Syz)
// of the atoms x, y, z (1-based, 1..no_atoms, centred by the caller), sampling
// digit_psi turns about each of the n_dots orientation dots (x, y, z per dot,
// 0-based) and the positions from min_protein_length + max_obstruction in
// steps of gridSpacing (Angstrom). lcType 1: wall, stepOutLength the distance
// up to which positions count as free; lcType 2: cylinder of radius
// max_obstruction in a medium of concentration wvAmount. radius is added to
// every atom. korimInfo, rimOrder and molarRatio are not read.
// Progress lines "REMARK Orientation %d of %d\r" go to stderr.
// Returns 0; 1 after a message on stderr when a work array cannot be had,
// when the sampling or medium parameters are unusable, or when the medium is
// too dense for the molecule (the divisor of the average is not positive);
// saupe is then untouched. An lcType other than 1 or 2 samples nothing and
// gives five zeros with status 0.
int stericAlignment(app::KorimInfo* korimInfo, double rimOrder, int lcType, double stepOutLength,
                    double max_obstruction, double radius, double gridSpacing, double wvAmount,
                    double molarRatio, int no_atoms, const double* x, const double* y,
                    const double* z, double max_protein_length, double min_protein_length,
                    int digit_psi, int n_dots, const double* dots, double* saupe);

// Order-matrix elements of one orientation from rotated axes (1-based
// double[4], element [3] the z component): 0.5 (3 a^2 - 1) and 1.5 a b.
double Szz(const double axis[4]);
double Sxx(const double axis[4]);
double Syy(const double axis[4]);
double Sxy(const double axis1[4], const double axis2[4]);
double Sxz(const double axis1[4], const double axis2[4]);
double Syz(const double axis1[4], const double axis2[4]);

// Sampling shared by the models built on this one. The angles of the
// orientation of a sphere dot (x, y, z) turned by psiDegrees about it:
// phi = atan2(y, x), theta = pi/2 - atan2(z, sqrt(x^2 + y^2)), psi in
// radians (pi taken as 3.14159265, as every model has always sampled).
struct Orientation {
  double theta, phi, psi;
};
Orientation orientationOf(const double* dot, double psiDegrees);

// The five element values (Szz, Sxx-Syy, Sxy, Sxz, Syz) of the orientation
// whose rotated axes are given.
void orderValues(const double xa[4], const double ya[4], const double za[4], double v[5]);

// out[a] = (x[a], y[a], z[a]) . axis for a = 1..n, summed in the order x, y,
// z and rounded to float after each addition.
void projectOnAxis(int n, const double* x, const double* y, const double* z, const double axis[4],
                   float* out);

// Truncation towards zero into the range of long long (NaN gives 0).
long long truncToLL(double v);

}  // namespace korim::simulation
