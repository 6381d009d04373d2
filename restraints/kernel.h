// Energy kernels of the restraint library: one restraint or interaction on the current coordinates, its energy and its derivatives.
#pragma once

#include "restraints/dist.h"
#include "restraints/radgyr.h"
#include "structure/pdb.h"

namespace korim::couplings {
struct DInfo;
}

namespace korim::restraints {

struct CSInfo;
struct PCSInfo;

// Force convention of every kernel: it ADDS dE/dx, dE/dy, dE/dz of its energy E to force[0] of
// each atom it involves and never clears it. force[0] therefore accumulates the gradient of the
// energy, the negative of the physical force; clearing it is the caller's business.
// Energies are force constant x deviation^2; the force constant handed to a kernel is already
// the record's fc times the caller's scale. Angles in records are degrees; torsions are
// computed in radians in -pi..pi.

constexpr double kMerDegToRad = 0.0174533;
constexpr double kMerRadToDeg = 57.2958;
constexpr double kMerPi = 3.141592653589793;
constexpr double kMerTwoPi = 6.283185307179586;
constexpr double kMerWrapLow = -3.14159265;  // lower bound of the wrap-around tests
constexpr double kMerVdwRminFactor = 0.561231024155;  // 2^(1/6) / 2
constexpr double kMerNoeExponent = -0.166667;         // effective r^-6 distance exponent

// The result of one kernel call.
struct GenericEnergy {
    int type;       // not set by the kernels
    int status;     // 0 neutral, 1 satisfied, -1 violated (where a kernel says so)
    double energy;  // energy of the term
    double delta;   // deviation penalised (unit stated per kernel)
    double diff, val, vio;  // further values, per kernel
};

using structure::AtomInfo;

// ---- Geometry ----
// 1 when the atoms are at least 0.1 apart (squared distance >= 0.01), else 0.
int merDistCheck(const AtomInfo* atomI, const AtomInfo* atomJ);
// 1 unless I-J and J-K are nearly collinear (|cos| > 0.99), else 0.
int merAngleCheck(const AtomInfo* atomI, const AtomInfo* atomJ, const AtomInfo* atomK);
// 1 when a torsion of the four atoms can be evaluated: the three bonds at least 0.1 long and
// neither (I, J, K) nor (J, K, L) nearly collinear.
int merTorsionUsable(const AtomInfo* atomI, const AtomInfo* atomJ, const AtomInfo* atomK,
                     const AtomInfo* atomL);
// Torsion angle in radians, -pi..pi, with the sign of (J-I).((K-J)x(L-K)); -pi when planar trans.
double merTorsionAngle(const AtomInfo* atomI, const AtomInfo* atomJ, const AtomInfo* atomK,
                       const AtomInfo* atomL);
// Adds dedphi x dphi/dr to force[0] of the four atoms (the four contributions sum to zero).
void merApplyTorsionForces(AtomInfo* atomI, AtomInfo* atomJ, AtomInfo* atomK, AtomInfo* atomL,
                           double dedphi);
// Torsion brought into a window: +phase2 below phase1, then into 0..2pi by one step.
double merPhaseCorrectedTorsion(const AtomInfo* atomI, const AtomInfo* atomJ,
                                const AtomInfo* atomK, const AtomInfo* atomL, double phase1,
                                double phase2);
// phi wrapped by one period range towards 0.
double merNormalizedTorsion(double phi, double range);
// Removes from the force its component along the vector (single precision). Returns 0.
int removeForcesAlongVector(float xvec, float yvec, float zvec, float& xforce, float& yforce,
                            float& zforce);

// ---- Kernels (0, or 1 for a degenerate angle or torsion, whose results are then zero) ----
// Harmonic bond: val r, delta r - equil (Angstrom), status 0.
int merBondEnergy(AtomInfo* atomI, AtomInfo* atomJ, double equil, double forceConst,
                  GenericEnergy* energyInfo);
int merDistEnergy(AtomInfo* atomI, AtomInfo* atomJ, double equil, double forceConst,
                  GenericEnergy* energyInfo);
// Square well on |I-J| - |K-L| with strict bounds dLo, dHi.
int merDSEnergy(AtomInfo* atomI, AtomInfo* atomJ, AtomInfo* atomK, AtomInfo* atomL, double dLo,
                double dHi, double forceConst, GenericEnergy* energyInfo);
// Square well on the distance of I from the point; diff the distance. d is not used.
int merACEnergy(AtomInfo* atomI, const structure::Coord3D* coordPtr, float d, double dLo,
                double dHi, double forceConst, GenericEnergy* energyInfo);
// As merACEnergy with the point the image of J; J receives the opposite derivative unless
// alignFlag is set. rot and d are not used.
int merNCSEnergy(AtomInfo* atomI, AtomInfo* atomJ, const structure::Coord3D* coordPtr,
                 int alignFlag, const float rot[4][4], float d, double dLo, double dHi,
                 double forceConst, GenericEnergy* energyInfo);
// Repulsion fc (rmin^2 - r^2)^2 inside rmin = (sigmaI + sigmaJ) size 2^(1/6)/2; delta in A^2.
int merVDWEnergy(AtomInfo* atomI, AtomInfo* atomJ, double fc, double size,
                 GenericEnergy* energyInfo);
// Bond angle at J (equil in degrees); delta and val in degrees.
int merAngleEnergy(AtomInfo* atomI, AtomInfo* atomJ, AtomInfo* atomK, double equil,
                   double forceConst, GenericEnergy* energyInfo);
// Harmonic improper torsion (equil in degrees); delta and val in degrees.
int merImproperEnergy(AtomInfo* atomI, AtomInfo* atomJ, AtomInfo* atomK, AtomInfo* atomL,
                      double equil, double forceConst, GenericEnergy* energyInfo);
// Flat-bottomed torsion well tLo..tHi (degrees): status 1 inside, -1 outside; diff the offset
// from the centre, delta and vio the excess over the nearer bound, val the torsion (degrees).
int merTorsionSquareWellEnergy(AtomInfo* atomI, AtomInfo* atomJ, AtomInfo* atomK,
                               AtomInfo* atomL, double tLo, double tHi, double forceConst,
                               GenericEnergy* energyInfo);
// Karplus coupling J = a cos^2 t + b cos t + c, t = torsion + phase (degrees); deviation
// J - targ, or |J| - |targ| with absFlag; val J (Hz).
int mer3JEnergy(AtomInfo* atomI, AtomInfo* atomJ, AtomInfo* atomK, AtomInfo* atomL, double a,
                double b, double c, double phase, int absFlag, double targ, double forceConst,
                GenericEnergy* energyInfo);
// Radius of gyration of the records' atoms against sizeScale x the first record's target.
// An empty list or coinciding atoms (Rg 0) add no derivative.
int merRadGyrEnergy(RadGyrInfo** atomList, int atomCount, double sizeScale,
                    double forceConstScale, GenericEnergy* energyInfo);
// Dipolar coupling of the first atoms of the two ends against the observed d, weight w.
int merDCEnergy(couplings::DInfo* dObs, couplings::DInfo* dCalc, const float* saupe,
                double forceConstScale, GenericEnergy* energyInfo);
// Pseudo-contact shift of the stored shift position about the stored centre position.
int merPCSEnergy(PCSInfo* pcsPtr, CSInfo* csPtr, const float* saupe, double forceConstScale,
                 GenericEnergy* energyInfo);

// ---- NOE groups: effective distance (sum of r^-6) against the first member's bounds ----
// Sets every member's status 2, dCurrent the effective distance and dVio the deviation.
void merSingleAssignSumNOEDeviation(SimpleNOE* simpleNOE);
// Deviation of the group's effective distance (the r^-6 sum, or with mean the mean); changes
// nothing.
double merNOEGroupDeviation(const SimpleNOE* simpleNOE, int mean);
// Deviation of the mean-r^-6 distance; changes nothing.
double merSingleAssignR6NOEDeviation(SimpleNOE* simpleNOE);
// Energy of the group at that deviation; members' status 1 (deviation 0) or -1.
int merSingleAssignSumNOESquareWellEnergy(SimpleNOE* simpleNOE, double deviation,
                                          double forceConstScale, GenericEnergy* energyInfo);
// Mean-r^-6 form; the result goes into target's energy and delta.
int merSingleAssignR6NOESquareWellEnergy(SimpleNOE* simpleNOE, double deviation,
                                         double forceConstScale, SimpleNOE* target);

}  // namespace korim::restraints
