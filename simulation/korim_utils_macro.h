// Macroscopic alignment model: steric obstruction by a charged wall or rod with
// every allowed state weighted by the Boltzmann factor of its charges.
#pragma once

#include "settings/settings.h"

namespace korim::simulation {

// Saupe elements saupe[0..4] (Szz, Sxx-Syy, Sxy, Sxz, Syz; no isotropic mean
// subtracted) of the points x, y, z (1-based, 1..no_atoms, centred) beside a
// wall (lcType 1: Gouy-Chapman potential of the surface charge density
// surfChDens, e/nm^2, screened by saltConc mol/l at temperatureKPot K) or a
// rod (lcType 2: the radial table potential[1..digPotential], spacing
// stepsize Angstrom, multiplied by kPot in a private copy; the caller's table
// is never changed). Weights exp(-kEner E). Positions run from
// min_protein_length + max_obstruction in steps of gridSpacing up to
// cutOffPOT (and the free cell up to stepOutLength for the wall, the
// neighbouring rod for the rod). korimInfo, rimOrder and molarRatio are not
// read; offset enters only the rod's overlap warning.
// Returns 0 (an lcType other than 1 or 2 leaves saupe untouched); 1 after
// "Error allocating coord buffers.\n" or a message naming the unusable input
// or the empty average.
int macroAlignment(settings::KorimInfo* korimInfo, double rimOrder, int lcType, double stepOutLength,
                   double max_obstruction, double radius, double gridSpacing, double wvAmount,
                   double molarRatio, double temperatureKPot, int chargeInfo, float kPot,
                   double kEner, double saltConc, double surfChDens, double cutOffPOT,
                   int no_atoms, double* x, double* y, double* z, int digit_psi, int n_dots,
                   double* ddots, double max_protein_length, double min_protein_length,
                   int chCount, int* chargeAtomID, float* charges, int digPotential,
                   double* potential, double offset, double stepsize, double* saupe);

}  // namespace korim::simulation
