// Structural noise: internuclear vectors tilted within a Gaussian cone (cone noise) or Gaussian
// noise on the backbone angles phi and psi (angle noise).
#pragma once

#include "couplings/dc.h"
#include "settings/settings.h"
#include "structure/pdb.h"

namespace korim::fitting {

// A vector of three double-precision components (Angstrom or unit vector).
struct vector_node {
  double x, y, z;
};
using coor = vector_node;

// Narrowest Gaussian cone (degrees) whose tilts are drawn. A tilt is drawn by rejection with an
// acceptance near sin|a|, on average about 0.014 w for a cone of w degrees: some 7,000 draws per
// tilt at 0.01 degree, a number that grows as 1/w (a cone of 1e-30 degree never gives one). A
// narrower cone would move an atom 3 A from its partner by less than 0.0005 A, below the 0.001 A
// a written structure holds, so nothing it gives could be seen.
constexpr double kMinConeWidth = 0.01;

// The width search of -mcStruc measures cone widths below this (degrees): a wider cone tilts
// vectors beyond the perpendicular, which adds no further disorder.
constexpr double kMaxConeWidth = 90.0;

// Turns the vector (*rX, *rY, *rZ), which makes the angle Gamma (radians) with the unit vector A,
// about A by w degrees. Returns 0.
int rotCone(vector_node A, double w, double Gamma, double* rX, double* rY, double* rZ);

// Tilts the vector in place by a random angle: with coneFix 0 Gaussian with standard deviation
// coneWidth (degrees) weighted by the solid angle, else exactly coneWidth; the azimuth about the
// old direction is one of coneDig steps of rotInc degrees. The length does not change; with
// coneWidth not above 0 the vector stays as it is. Random state: *idum for ran1 and ran3, the
// process-wide gauss. Returns the length.
float addVecNoise(long* idum, float* coorX, float* coorY, float* coorZ, double coneWidth,
                  int coneDig, int coneFix, double rotInc);

// Cone noise on the coupling vectors of the rows whose flag in dCalcValid is set (the settings'
// coneWidth, coneDig, coneFix). A row with one atom on a side turns the other side rigidly about
// that atom (a methyl or methylene group keeps its shape; one atom each: the J atom moves); any
// other row tilts every I-J pair in turn, moving the J atoms. The moved atoms are written back
// into the structure by residue ID (the row's plus aOff), name, chain and segment; a row whose
// atoms are not all found there becomes invalid. The rows keep their atom lists. Returns the
// number of rows moved.
int addPdbNoise(structure::PDBInfo* pdbInfo, couplings::DTable* dTab,
                const settings::KorimInfo* korimInfo, int aOff, double rotInc,
                const int* dCalcValid, long* idum);

// Angle noise: phi and psi of every residue of the structure get a random change (drawn as the
// tilt of addVecNoise, coneWidth degrees), undefined angles (above 999) are left alone, and the
// coupling rows are rebuilt on the moved structure (residue offset aFirst - segFirst) with the
// selection they had. Nothing happens with coneWidth not above 0. Returns 0.
int addPhiPsiNoise(long* idum, structure::PDBInfo* pdbInfo, couplings::DTable* dTab,
                   double coneWidth, int coneFix, int aFirst, int segFirst, int segLast,
                   int allowFixedDI);

// The residue offset aFirst - segFirst of the coupling selection, clamped to the int range (an
// offset that large maps no coupling).
int residueOffset(int aFirst, int segFirst);

// Cone noise (noiseMode not 0) or angle noise. Returns 0.
int addNoise(structure::PDBInfo* pdbInfo, couplings::DTable* dTab,
             const settings::KorimInfo* korimInfo, int aFirst, int segFirst, int segLast,
             double rotInc, const int* dCalcValid, long* idum);

}  // namespace korim::fitting
