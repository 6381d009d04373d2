// Steric obstruction model: the Saupe order matrix of a rigid molecule that a
// flat wall (bicelle) or an infinite cylinder (phage rod) orients by excluded
// volume alone.
#pragma once

#include <cmath>
#include <vector>

#include "settings/settings.h"
#include "simulation/korim_utils_math.h"
#include "simulation/no_fit.h"
#include "simulation/rodblock.h"

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
// The room a medium leaves the molecule; both the steric and the electrostatic models refuse a
// medium too dense for it. who names the model in the message.
// Wall: the allowed states at the positions of the clash region over the orientations, plus the
// free positions from the clash region's end clashEnd to the half cell stepOutLength (steps of
// gridSpacing, Angstrom). Returns 0 and sets *room (when room is not null) when that is positive.
// A clash region reaching beyond the half cell returns 1 after "<who>: the molecule does not fit
// between the walls: ..." and the line naming the cause (nameCauseOfNoFit): the structure's extent
// (the molecule's span beyond its closest approach) where no concentration gives it room; -rA,
// the atom radius atomRadius (Angstrom) counted in clashEnd, when the molecule fits without it;
// -rM, the wall's half thickness; else -wv. A sum not positive
// otherwise returns 1 after "<who>: medium too dense for the molecule: <n> allowed states in <N>
// orientations and <m> free positions; no alignment computed." and the line naming -wv, the
// concentration wvAmount (fraction w/v) that sets the half cell; or, where a step of gridSpacing is
// longer than the room the walls leave and one of the default spacing fits in it, "<who>: medium
// too dense for the molecule at -dGrid <g>: ..." and the line that advises the default spacing.
// Where the positions of a molecule of extent minL to maxL (Angstrom) end, from the medium's
// surface at offset, in steps of gs: the last entry clashRegion fills.
double clashEndAt(double minL, double maxL, double offset, double gs);
// Where the spacing gridSpacing, and not the medium, leaves no free position (-dGrid is named in
// the refusal), the room is taken by the default spacing: clashEndDefault is the clash region's
// end at that spacing (clashEndAt).
// wallThickness is the wall's half thickness (-rM), named as the cause where the default one lets the
// molecule fit.
int wallRoom(const char* who, long long allowedStates, int orientations, double stepOutLength,
             double clashEnd, const Reach& reach, double gridSpacing, double clashEndDefault, double wvAmount,
             double atomRadius, double wallThickness, double* room);
// Radius (Angstrom) of the cell around each rod of radius rodRadius (Angstrom) in a medium of
// concentration wvAmount (fraction w/v): the rods fill wvAmount / kRodDensity of the volume.
double rodCellRadius(double rodRadius, double wvAmount);
// Rod of radius rodRadius in a medium of concentration wvAmount: the shells of free positions
// up to the cell's edge (rodCellRadius), each weighted by its distance. A clash region whose end
// clashEnd (Angstrom from the rod's axis) lies beyond the cell returns 1 after "<who>: the
// molecule does not fit between the rods: ..." and the line naming the cause, as for the wall
// (the structure's extent, -rA, the rod's radius -rM, or -wv). Else returns 0 when the shells'
// weight is positive, setting *divisor to it (when divisor is not null); else 1 after "<who>:
// medium too dense for the molecule: ..." (the rods overlapping, or a spacing that leaves no
// shell) on stderr and the line naming -wv; a spacing that leaves no shell where the default one
// leaves the molecule room is named as the wall's.
int rodRoom(const char* who, double rodRadius, double wvAmount, double clashEnd, const Reach& reach,
            double gridSpacing, double clashEndDefault, double atomRadius, long long* divisor);

int stericAlignment(settings::KorimInfo* korimInfo, double rimOrder, int lcType,
                    double stepOutLength, double max_obstruction, double radius, double gridSpacing,
                    double wvAmount, double molarRatio, int no_atoms, const double* x,
                    const double* y, const double* z, double max_protein_length,
                    double min_protein_length, int digit_psi, int n_dots, const double* dots,
                    double* saupe);

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

// One sampled orientation: the lab axes rotated into the molecule (1-based,
// element [3] the director's component), the five order values of the
// director, and the inverse frame u, v, w (the rows of the rotation) on which
// the atoms are projected: u and v across the director, w along it.
struct SampledOrientation {
  double xa[4], ya[4], za[4];
  double s[5];
  double u[4], v[4], w[4];
};

// The angles of one dot, kept by a walk while it samples the turns about it,
// with their cosines and sines and those of the negated angles, and the
// cosines and sines of every turn met so far (by turn index, with the angle
// they belong to).
struct DotAngles {
  int dot = -1;
  double theta = 0.0, phi = 0.0;
  CosSin theta1, phi1, negTheta, negPhi;
  struct Turn {
    double psi;
    CosSin turn, neg;
  };
  std::vector<Turn> turns;
};

// psiDegrees in radians, as orientationOf takes it.
double psiRadians(double psiDegrees);

// The orientation of forEachOrientation's walk with the given 0-based index
// (dot index / digPsi, turn index % digPsi); seen, when given, keeps the
// angles of the dot last sampled (the values computing them again gives).
template <typename Inc>
void sampleOrientation(const double* dots, int digPsi, Inc inc_psi, int index,
                       SampledOrientation& o, DotAngles* seen = nullptr) {
  const int d = index / digPsi, m = index % digPsi;
  if (seen == nullptr) {
    const Orientation a = orientationOf(&dots[3 * d], m * inc_psi);
    rotate_coorsystem(a.theta, a.phi, a.psi, o.xa, o.ya, o.za);
    orderValues(o.xa, o.ya, o.za, o.s);
    rotate_coorsystem(-a.theta, -a.psi, -a.phi, o.u, o.v, o.w);
    return;
  }
  // The same angles, sines and cosines as above, each computed once per dot
  // or per turn.
  if (seen->dot != d) {
    const Orientation a = orientationOf(&dots[3 * d], 0.0);
    seen->dot = d;
    seen->theta = a.theta;
    seen->phi = a.phi;
    seen->theta1 = cosSin(a.theta);
    seen->phi1 = cosSin(a.phi);
    seen->negTheta = cosSin(-a.theta);
    seen->negPhi = cosSin(-a.phi);
  }
  const double psi = psiRadians(m * inc_psi);
  if (static_cast<int>(seen->turns.size()) <= m) seen->turns.resize(m + 1, {std::nan(""), {}, {}});
  DotAngles::Turn& t = seen->turns[m];
  if (!(t.psi == psi)) t = {psi, cosSin(psi), cosSin(-psi)};
  rotate_coorsystem(seen->theta1, seen->phi1, t.turn, o.xa, o.ya, o.za);
  orderValues(o.xa, o.ya, o.za, o.s);
  rotate_coorsystem(seen->negTheta, t.neg, seen->negPhi, o.u, o.v, o.w);
}

// Calls body(const SampledOrientation&) for every dot in the order of dots
// and every turn m = 0..digPsi-1 about it (turns innermost), the turn being
// m * inc_psi degrees evaluated in the type of inc_psi (a model that has
// always formed it in single precision passes a float).
template <typename Inc, typename Body>
void forEachOrientation(const double* dots, int n_dots, int digPsi, Inc inc_psi, Body&& body) {
  SampledOrientation o;
  DotAngles seen;
  const int n = n_dots * digPsi;
  for (int k = 0; k < n; k++) {
    sampleOrientation(dots, digPsi, inc_psi, k, o, &seen);
    body(static_cast<const SampledOrientation&>(o));
  }
}

// Work arrays of a model that samples positions from an obstacle, from the
// tagged allocator under tag: the atoms' projections on the first and second
// axis of each orientation (xJ, yJ: atoms + 1 floats), with boundary the
// obstruction boundary of every position (pot_dist: kSsiaMaxPositions + 1
// floats), the positions (grid_el: kSsiaMaxPositions floats) and the summed
// weights (total: kSsiaMaxPositions doubles). Obtained in this order and
// released (accounting only) in the same order on scope exit.
struct PositionWork {
  const char* tag;
  int atoms;
  bool boundary;
  float* xJ = nullptr;
  float* yJ = nullptr;
  float* pot_dist = nullptr;
  float* grid_el = nullptr;
  double* total = nullptr;
  PositionWork(const char* tag, int atoms, bool boundary);
  ~PositionWork();
  PositionWork(const PositionWork&) = delete;
  PositionWork& operator=(const PositionWork&) = delete;
  bool ok() const { return xJ && yJ && (!boundary || pot_dist) && grid_el && total; }
};

// Ends the progress lines of a model's orientation walk (or marks where
// they would end): a line end on stderr, flushed.
void endOrientationProgress();

// Uniform reference of the sampling: the order values averaged over all
// n_dots x digPsi orientations (turns of 360 / digPsi degrees), in the
// five-slot order; each sum is taken in orientation order.
void samplingMeans(const double* dots, int n_dots, int digPsi, double mean[5]);

// The sums behind samplingMeans, added one orientation after another.
struct SamplingSums {
  double sZZ = 0, sXX = 0, sYY = 0, sXY = 0, sXZ = 0, sYZ = 0;
  void add(const SampledOrientation& o);
  // The means over N orientations, in the five-slot order.
  void means(double N, double mean[5]) const;
};

// out[a] = (x[a], y[a], z[a]) . axis for a = 1..n, summed in the order x, y,
// z and rounded to float after each addition.
void projectOnAxis(int n, const double* x, const double* y, const double* z, const double axis[4],
                   float* out);

// projectOnAxis on two axes at once: outA on axisA, outB on axisB.
void projectOnAxes(int n, const double* x, const double* y, const double* z, const double axisA[4],
                   const double axisB[4], float* outA, float* outB);

// Smallest of xs[1..n] with NaN entries left out, +inf when none is left
// (the projection of the atom nearest a wall: all atoms clear the wall
// exactly when it does, float addition being monotonic); *anyNaN, when
// given, tells whether some entry was NaN.
float lowestProjection(const float* xs, int n, bool* anyNaN);

// Number density of the rod medium at which the rods touch: the rods of
// radius r stand r / sqrt(concentration / kRodDensity) apart.
constexpr double kRodDensity = 1.46;

// The warning of a position row that reaches the end of its table.
extern const char* const kConcWarning;

// A position row reached the end of its table: kConcWarning on stderr, and the tensor's
// magnitude noted as wrong (noteTensorIncorrect).
void warnPositionsCapped();

// Positions 0..t of the clash region (distances of the molecule's centre
// from the obstacle's axis or plane): grid_el[k] = k * gs + float(minL +
// offset) with t = trunc((maxL - minL) / gs), capped at kSsiaMaxPositions - 1
// with warnPositionsCapped; the rest of grid_el[0..kSsiaMaxPositions - 1]
// is zeroed. Returns t.
int clashRegion(float* grid_el, double minL, double maxL, double offset, double gs);

// Appends positions after index from, each gs further than grid_el[from],
// while grid_el[from] <= limit, up to and including the first one beyond
// limit; the table end stops it with warnPositionsCapped. Returns the last index.
int extendPositions(float* grid_el, int from, double gs, double limit);

// Truncation towards zero into the range of long long (NaN gives 0).
long long truncToLL(double v);

}  // namespace korim::simulation
