// Front door of the alignment prediction: centres the molecule, runs the model
// the settings choose (steric or electrostatic; wall, rod or grid), scales by
// the order of the medium and reports the tensors; and the turn and shift of
// residue ranges of a structure that place it in a tensor's frame, and the
// writer of the structure in the frames of the Euler solutions.
#pragma once

#include "settings/settings.h"
#include "structure/pdb.h"

namespace korim::simulation {

// Predicts saupe[0..4] (Szz, Sxx-Syy, Sxy, Sxz, Syz) for the points xI, yI,
// zI (1-based, 1..atomSelCount, charged points first; centred in place on
// their mean). elInfo.elFlag 0 runs the steric model (lcType 1, 2) or the
// grid mask model (3); otherwise the electrostatic model (1, 2) or the grid
// potential model (3). Charges: charge i at point chargeAtomID[i]. dots:
// dotCount orientation dots (x, y, z each). potential[1..digPotential] with
// spacing stepsize: the rod's radial potential (offset not used). pot3D,
// pot3Dst: the grids of lcType 3. The elements are multiplied by lcOrder,
// analysed, and the lines "SaupeSteric", "SaupeEl", "SaupeSum" with their
// magnitudes printed on stdout. A wall or rod run whose step (-dGrid) lies
// above the default is first checked against finer steps
// (stepSettledOrRefuse). Returns 0; the model's status after
// "simulateAlignment: error in <model>." on stderr; 1 after "Matrix: error
// in analyzeSaupe.\n", after the step check's refusal, or after the lines
// are printed when predictionVerdict refuses the tensor (its message).
int simulateAlignment(settings::KorimInfo* korimInfo, int atomSelCount, double* xI, double* yI,
                      double* zI, int chCount, int* chargeAtomID, float* charges, int dotCount,
                      double* ddots, int digPotential, double* potential, double offset,
                      double stepsize, double* pot3D, float* pot3Dst, double* saupe);

// The lean form for one ensemble member: centring only with
// gridInfo.pivotCenter, the steric (elFlag 0) or electrostatic model, the
// elements scaled by lcOrder; no analysis and no report lines. The step is
// checked as simulateAlignment checks it. Returns 0, the model's status
// after "simulateAlignment: error in <model>." on stderr, or 1 when the step
// check or predictionVerdict refuses the tensor (its message); kOrderUnsettled,
// without a message, for an order the sphere does not settle while UnsettledOrders
// collects such verdicts, and kStepUnsettled for an order its step does not settle then.
int simEnsAlignment(settings::KorimInfo* korimInfo, int atomSelCount, double* xI, double* yI,
                    double* zI, int chCount, int* chargeAtomID, float* charges, int dotCount,
                    double* ddots, int digPotential, double* potential, double offset,
                    double stepsize, double* saupe);

// Subtracts the mean of the points x, y, z (1-based, 1..n) from each; the
// running sums and the mean are kept in single precision. n < 1: no change.
void centre(int n, double* x, double* y, double* z);

// Largest distance of the points 1..n from the origin, from squared
// distances rounded to single precision; 0 for none.
float largestRadius(int n, const double* x, const double* y, const double* z);

// Turns the atoms of residues resN..resC (the atom list walked in order:
// atoms below resN skipped, the walk stops at the first atom above resC)
// about the origin by the Euler triple angle = (alpha, beta, gamma) in
// degrees: r' = M(theta = beta, phi = alpha, psi = gamma) r. The triple
// (-gamma, -beta, -alpha) turns back. The new x and y are double sums
// rounded once to float, the new z is rounded after each term, in every
// build type (the rotated-structure writer turns the same way). Returns 0.
int rotateDomain(const double* angle, structure::PDBInfo* pdbInfo, int resN, int resC);

// The walk over residues resN..resC (rotateDomain, shiftMol2Domain) takes the range as one run of
// the atom list: it misses the atoms of the range that stand after an atom above resC (residues
// not in ascending order, a second chain). Returns the index of the first atom it misses and sets
// *stop to the index of the atom where the walk ends; -1 when it reaches every atom of the range.
int rangeWalkMiss(const structure::PDBInfo* pdbInfo, int resN, int resC, int* stop);

// Moves the whole structure so that the centroid of the atoms of residues
// resN..resC (same walk, single-precision sums) lies at the origin. Returns
// 0; 1 after "Error in shiftMol2Domain: allocating coord buffers.\n" or
// "Error in positionDomain: zero atoms selected." (no line end) on stderr,
// the coordinates then unchanged.
int shiftMol2Domain(structure::PDBInfo* pdbInfo, int resN, int resC);

// Writes the structure turned into the frame of each of the four Euler solutions k = 0..3:
// the atoms of residues minResID..maxResID are turned by (-angleList1[k], -angleList2[k],
// -angleList3[k]) degrees (callers pass the gamma, beta and alpha lists), centred on their
// centroid and written with the selection sInfo to "outName.k", and for k == rotID also to
// outName itself, the files in order. The structure is not moved (its saved coordinates are set
// to its own). An empty outName writes nothing. Returns 0, or 1 after a message on stderr when
// the coordinates cannot be saved or no atom lies in the residue range (the files of the turns
// before are written first), or the status of the first file that cannot be written (the
// writer's message; the later files are not made).
int writePDBRot(const double* angleList1, const double* angleList2, const double* angleList3,
                int rotID, structure::PDBInfo* pdbInfo, structure::PDBSelectInfo* sInfo,
                const char* outName, const char* remark);

// Forgets the Euler solutions kept between calls; for tests.
void alignReset();

}  // namespace korim::simulation
