// Interface mode: which face of the molecule the charged particle prefers,
// from the Boltzmann factor of its charges in the screened surface potential.
#pragma once

#include "settings/settings.h"
#include "structure/pdb.h"

namespace korim::simulation {

// Largest numbers of coordinate points and charges of one interface run.
constexpr int kIFaceMaxPoints = 5000;
constexpr int kIFaceMaxCharges = 1200;

// Places the points x, y, z (1-based, 1..no_atoms) with their centre
// elInfo.iFace Angstrom from the particle surface (wall: the plane z =
// radiusModel; rod: the cylinder of radius radiusModel along x) and stores
// in *prob the Boltzmann factor exp(-kEnergy E) of the charges (charge c at
// point chargeAtomID[c]) in the screened potential; 0 with two warnings on
// stderr when a point touches the particle. An lcType other than 1 or 2
// leaves *prob unchanged. digPotential, potential, offset and stepsize are
// not read. Returns 0; 1 after a message when there are no points, a charge
// lies outside them, or salt or temperature are not positive.
int iFace(settings::KorimInfo* korimInfo, int no_atoms, double* x, double* y, double* z, int no_of_ch,
          int* chargeAtomID, float* charges, int digPotential, double* potential, double offset,
          double stepsize, double* prob);

// Turns the structure by the inverse of the Euler angles (alpha, beta,
// gamma; degrees) of the predicted tensor, reports the interface
// probabilities of that orientation and of the one turned by 180 degrees
// about y ("REMARK Probability of ..." on stdout), and writes the structure
// in the preferred orientation to outName (none when empty) with the
// charges marked (tempFactor = charge; chargeStr "1+", "1-" or "0+").
// chargeAtomIDOrig[1..chCountOrig] are 0-based atom indices. The atom
// coordinates and selection marks are restored on every path. pkaName is
// not read. Returns 0, 1, or the failing step's status after its message;
// more than 1200 charges or 5000 points are refused.
// Charge mark of an atom in written structures: "1+" at 0.4 e or more, "1-" at -0.4 e or
// less, "0+" otherwise.
const char* chargeLabel(float charge);

int iFacePDB(double angle1, double angle2, double angle3, structure::PDBInfo* pdbInfo,
             settings::KorimInfo* korimInfo, const char* pkaName, const char* outName,
             const char* remark, int digPotential, double* potential, double offset,
             double stepsize, int chCountOrig, int* chargeAtomIDOrig, float* chargesOrig);

}  // namespace korim::simulation
