// Alignment models beyond pure steric obstruction: steric plus screened
// electrostatics for the wall and the rod (sma), the combined wall and rim
// steric model (ssia), the three-dimensional grid models (sma3D, ssia3D) and
// the bicelle geometry of the wall medium (refine_bicelle).
#pragma once

#include <cstdlib>
#include <memory>
#include <vector>

#include "foundation/nrutil.h"
#include "settings/settings.h"

namespace korim::simulation {

// Largest number of positions (distances from the particle) of one model run.
constexpr int kSimuMaxPositions = 5000;

// Zero-filled work block of n elements (at least one) from the system
// allocator, released on scope exit: the models' per-point work arrays,
// which stay outside the tagged allocator's accounting.
template <typename T>
struct CBlock {
  std::unique_ptr<T[], decltype(&std::free)> p{nullptr, &std::free};
  bool get(long long n) {
    if (n < 1) n = 1;
    p.reset(static_cast<T*>(std::calloc(static_cast<size_t>(n), sizeof(T))));
    return p != nullptr;
  }
  T& operator[](long long i) { return p[i]; }
  T* data() { return p.get(); }
};

// Obtains b with n elements; false after the numerical error routine's
// report of failure when the system has no memory for it.
template <typename T>
bool obtain(CBlock<T>& b, long long n, const char* failure) {
  if (b.get(n)) return true;
  foundation::nrerror(failure);
  return false;
}

// Screened (Gouy-Chapman) potential of a charged plane in a salt solution.
// rho: ion pairs per nm^3; kappa: inverse Debye length, 1/nm; y0: surface
// potential in kT/e; gamma = tanh(y0/4).
struct ScreenedPotential {
  double rho;
  double kappa;
  double y0;
  double gamma;
};

// Constants of the screened potential for the salt concentration concNaCl
// (mol/l), the temperature (K) and the surface charge density chDensSurf
// (e/nm^2). roundY0 rounds y0 to single precision before gamma is formed (as
// the macroscopic and interface models do). Returns 0; 1 when the salt
// concentration or the temperature is not positive (no screening length).
int screenedPotentialSetup(double concNaCl, double temperature, double chDensSurf, bool roundY0,
                           ScreenedPotential* sp);

// Least salt a medium holds (mol/l): pure water's own ions at pH 7, 1e-7 mol/l of each sign.
constexpr double kLeastSalt = 1e-7;

// The screened potential of the medium el (screenedPotentialSetup of its -nacl, -temp and
// -chSurf), or its refusal: true after "<who>: ..." on stderr when the salt concentration or the
// temperature is not positive, the salt concentration lies below kLeastSalt, or the surface
// potential is not a finite number.
bool screenedPotentialRefused(const char* who, const settings::ElInfo& el, bool roundY0,
                              ScreenedPotential* sp);

// The three REMARK lines on stdout describing sp: ion-pair density, Debye
// length, surface potential.
void reportScreenedPotential(const ScreenedPotential& sp);

// Potential (kT/e) at d Angstrom from the charged surface:
// 2 ln((1 + gamma e) / (1 - gamma e)), e = exp(-kappa d / 10).
double screenedPotentialAt(const ScreenedPotential& sp, double d);

// Terms of the series of the wall energy kept per orientation (WallCharges).
constexpr int kWallSeriesTerms = 30;

// The charges of one orientation of the molecule in the screened potential of
// the wall. Charge i (q[i], e) lies h_i Angstrom above the molecule's centre
// along the wall normal; u[i] = gamma exp(-kappa h_i / 10). With the centre
// g Angstrom from the plane of the potential, b = exp(-kappa g / 10) and the
// energy (kT) is E = sum_i q_i P(g + h_i) = 4 sum_i q_i atanh(u_i b).
// moment[m] = sum_i q_i (u_i / uMax)^(2m+1) / (2m+1) serve the series of
// atanh in uMax b, which every position far enough from the wall takes
// instead of one logarithm per charge.
struct WallCharges {
  std::vector<double> q, u;  // 0-based
  double uMax = 0.0;         // largest |u_i|
  double qAbs = 0.0;         // sum of |q_i|
  double moment[kWallSeriesTerms] = {};
};

// Fills wc with the charges charges[1..no_of_ch] at the points
// chargeAtomID[1..no_of_ch], whose heights above the centre are h[point].
void wallChargesAt(const ScreenedPotential& sp, int no_of_ch, const int* chargeAtomID,
                   const float* charges, const float* h, WallCharges* wc);

// Energy (kT) of wc with b = exp(-kappa g / 10) (see WallCharges); to 1e-14
// kT. Not finite when a charge reaches the plane where the potential
// diverges (|u_i b| >= 1).
double wallEnergy(const WallCharges& wc, double b);

// Linear interpolation in a radial potential table (1-based, entry n at
// (n - 1) * stepsize Angstrom from the particle surface). A distance past
// the last entry takes potential 0 and sets *beyond; a negative distance
// takes the first entry.
double tablePotentialAt(const double* table, int count, double stepsize, double d, bool* beyond);

// Warns on stderr, naming the model who, that some charges lay beyond the
// radial table of count points (spacing stepsize) and took potential 0.
void reportBeyondTable(const char* who, int count, double stepsize);

// Steric obstruction and electrostatics of a charged wall (lcType 1,
// Gouy-Chapman potential) or rod (lcType 2, the radial table potential[1..
// digPotential] with spacing stepsize, divided by elInfo.kPot in a private
// copy; the caller's table is never changed). The points x, y, z (1-based,
// 1..no_atoms) are centred; charge i sits at point chargeAtomID[i] with
// charge charges[i] (e). saupe[0..4] = Szz, Sxx-Syy, Sxy, Sxz, Syz.
// Every allowed state has the weight exp(-kEnergy E) and contributes its
// order values less their mean over the sampled orientations; without
// charges, or with kEnergy 0, the result is that of stericAlignment.
// Wall: positions from the clash region on while the screened potential at
// the molecule's closest point is at least cutoffPot (kCutoffPotDefault
// when -cut was given), never beyond rSingleCell nor beyond cutoffDist when
// that is not negative (-cut given); the positions from the last one to
// rSingleCell count as free (weight 1). The average divides by the summed
// weight. Rod: positions while the analytic potential at the molecule's
// centre is at least cutoffPot, up to the neighbouring rod; the average
// divides by the steric rod's cell (its shells to the neighbouring rod,
// every orientation once) plus the summed (weight - 1) of the allowed
// states. Diagnostic lines go to stdout and stderr. Returns 0 (an lcType other
// than 1 or 2 leaves saupe untouched); 1 after a message when the inputs
// are unusable (sampling, charges outside the points, potential table,
// salt or temperature), when no state is allowed, when a state's weight passes the largest double
// (refuseOverflow, naming the row of the rod's table), or when the sphere of orientations does not
// settle the order: the same model on the sphere of four times the density (-dot), or, where that
// moves it by more than half a tenth, of sixteen times, gives an order more than a tenth of its
// size away (convergedOrRefuse, which also advises a -dot).
int sma(settings::KorimInfo* korimInfo, int no_atoms, double* x, double* y, double* z, int n_dots,
        double* dots, double max_protein_length, double min_protein_length, int no_of_ch,
        int* chargeAtomID, float* charges, int digPotential, double* potential, double offset,
        double stepsize, double* saupe);

// Steric model mixing the planar part of a bicelle with its rim (a rod),
// weighted by the molar ratio and the rim order (includeRim exactly 1.0);
// the medium comes from korimInfo. Returns 0; 1 after a message when the
// inputs are unusable or the average has no positive divisor.
int ssia(settings::KorimInfo* korimInfo, int no_atoms, double* x, double* y, double* z,
         double max_protein_length, double min_protein_length, int n_dots, double* dots,
         double* saupe);

// Models of a medium given as a grid of grid3DnX x grid3DnY x grid3DnZ
// values (z fastest) whose z planes elInfo.z1..elInfo.zN (1-based) form one
// periodic cell. sma3D reads pot3D as a potential in kT/e (|value| >=
// elInfo.maxPot blocks); ssia3D reads pot3Dst as a mask (1 free, 0
// blocked). The grid's z axis is the director of the medium (the sampled
// orientation, whose order values are returned), x and y lie across it: a
// blocked slab of z planes is an obstacle whose normal is parallel to the
// director and aligns with the opposite sign to a slab across x or y (a
// wall with its normal perpendicular to the director, as in the wall
// model). Atoms beside the grid in x or y are free; along z every atom is
// wrapped into the periodic cell. The particle's cell (a square column of
// side rSingleCell) beyond the grid adds free positions of weight 1; none
// when the grid covers the cell. Both write korimInfo->rSingleCell.
// digPotential is not read.
// sma3D reads any finite value: one of size maxPot or more blocks and enters no sum.
// Return 0; 1 after a message when the grid settings are unusable or, for
// sma3D, when no state is allowed, a state's weight passes the largest double (refuseOverflow,
// naming the grid's value) or the sphere of orientations does not settle the order (as for sma).
// An order within the sampling's precision is noted zero for the verdict (noteZeroWithinSampling),
// by both.
int sma3D(settings::KorimInfo* korimInfo, int no_atoms, double* x, double* y, double* z, int n_dots,
          double* dots, int no_of_ch, int* chargeAtomID, float* charges, int digPotential,
          double* pot3D, double* saupe);
int ssia3D(settings::KorimInfo* korimInfo, int no_atoms, double* x, double* y, double* z, int n_dots,
           double* dots, int digPotential, float* pot3Dst, double* saupe);

// Bicelle geometry from the lipid weight fraction (concentration), the
// long- to short-chain lipid ratio (molarRatio) and the rim radius
// (radiusModel): writes lengthModel, rSingleCell, orderDiscRim and replaces
// molarRatio by the effective ratio (0.005 mol/l of the short-chain lipid
// stays free). Calling it again on the same record starts from the ratio
// given before the first call, so the geometry does not change. Returns 0;
// 1 after a message when no bicelles form (effective ratio not positive) or
// the geometry is not finite and positive; the record is then unchanged.
int refine_bicelle(settings::KorimInfo* korimInfo);

// Forgets the module state (work table, the ratio remembered by
// refine_bicelle); for tests.
void simuReset();

}  // namespace korim::simulation
