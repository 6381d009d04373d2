// Alignment models beyond pure steric obstruction: wall and rod with screened
// electrostatics, the combined wall and rim steric model, the grid models and
// the bicelle geometry.
#include "foundation/constants.h"
#include "simulation/korim_utils_simu.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cmath>
#include <cstdio>
#include <limits>
#include <new>
#include <string>
#include <vector>

#include "couplings/analyzeSaupe.h"
#include "foundation/advice.h"
#include "simulation/korim_utils_math.h"
#include "simulation/order_convergence.h"
#include "simulation/potential_overflow.h"
#include "simulation/ssia.h"
#include "simulation/tensor_verdict.h"
#include "simulation/workers.h"

namespace korim::simulation {

using foundation::kPi8;
using settings::KorimInfo;

namespace {

// Module state: the per-position table of summed elements, the partial
// tensors of the combined model and what refine_bicelle remembers.
struct SimuState {
  double saupe_dis[kSimuMaxPositions][5];
  double saupe_bic[5];
  double saupe_ph[5];
  // refine_bicelle: the record last refined, the ratio it was given and the
  // effective ratio it wrote back.
  const KorimInfo* refinedInfo;
  float givenRatio;
  float effectiveRatio;
};

SimuState simu;

// Generalized magnitude of a five-element order tensor.
double magnitudeOf(const double saupe[5]) {
  double g = 0.0, irr[5];
  couplings::irreducRepres(saupe, &g, irr);
  return g;
}

// Checks shared by every model: orientation sampling, points, charges.
bool badSampling(const char* who, int digPsi, int n_dots, const double* dots) {
  if (digPsi < 1 || n_dots < 1 || dots == nullptr ||
      static_cast<long long>(digPsi) * n_dots > INT_MAX) {
    std::fprintf(stderr, "%s: no usable orientation sampling (%d dots, %d turns).\n", who, n_dots,
                 digPsi);
    return true;
  }
  return false;
}

bool badPoints(const char* who, int no_atoms, const double* x, const double* y, const double* z) {
  if (no_atoms < 0 || (no_atoms > 0 && (x == nullptr || y == nullptr || z == nullptr))) {
    std::fprintf(stderr, "%s: invalid number of points %d.\n", who, no_atoms);
    return true;
  }
  return false;
}

bool badCharges(const char* who, int no_atoms, int no_of_ch, const int* chargeAtomID,
                const float* charges) {
  if (no_of_ch < 0 || (no_of_ch > 0 && (chargeAtomID == nullptr || charges == nullptr))) {
    std::fprintf(stderr, "%s: invalid number of charges %d.\n", who, no_of_ch);
    return true;
  }
  for (int i = 1; i <= no_of_ch; i++)
    if (chargeAtomID[i] < 1 || chargeAtomID[i] > no_atoms) {
      std::fprintf(stderr, "%s: charge %d sits at point %d, outside the %d points.\n", who, i,
                   chargeAtomID[i], no_atoms);
      return true;
    }
  return false;
}

bool badGridSpacing(const char* who, double gs, double maxL, double minL) {
  if (!(gs > 0.0) || !std::isfinite(gs)) {
    std::fprintf(stderr, "%s: grid spacing %g must be a positive number.\n", who, gs);
    return true;
  }
  if (!((maxL - minL) / gs >= 0.0) || !std::isfinite(maxL) || !std::isfinite(minL)) {
    std::fprintf(stderr, "%s: molecule extent %g to %g Angstrom is not a valid range.\n", who,
                 minL, maxL);
    return true;
  }
  return false;
}

void zeroRows(int last) {
  for (int k = 0; k <= last; k++)
    for (int j = 0; j < 5; j++) simu.saupe_dis[k][j] = 0.0;
}

bool finite5(const double v[5]) {
  for (int j = 0; j < 5; j++)
    if (!std::isfinite(v[j])) return false;
  return true;
}

}  // namespace

// ---------------------------------------------------------------------------
// Screened potential
// ---------------------------------------------------------------------------

int screenedPotentialSetup(double concNaCl, double temperature, double chDensSurf, bool roundY0,
                           ScreenedPotential* sp) {
  if (!(concNaCl > 0.0) || !(temperature > 0.0) || !std::isfinite(concNaCl) ||
      !std::isfinite(temperature) || !std::isfinite(chDensSurf))
    return 1;
  // Ion pairs per nm^3 (0.6022 = Avogadro's number times 1e-24 l/nm^3).
  sp->rho = concNaCl * 0.6022;
  // kappa^2 = 8 pi l_B rho with the Bjerrum length l_B = 138.935 / (0.6509 T) nm.
  sp->kappa = std::sqrt(sp->rho * 25.1327412 * 138.935 / (0.6509039097030002 * temperature));
  // Grahame: sinh(y0 / 2) = kappa sigma / (4 rho).
  const double s = sp->kappa * chDensSurf / (4.0 * sp->rho);
  sp->y0 = 2.0 * std::log(s + std::sqrt(s * s + 1.0));
  const double y0 = roundY0 ? static_cast<double>(static_cast<float>(sp->y0)) : sp->y0;
  sp->gamma = std::tanh(0.25 * y0);
  return 0;
}

bool screenedPotentialRefused(const char* who, const settings::ElInfo& el, bool roundY0,
                              ScreenedPotential* sp) {
  const double salt = el.concNaCl, temperature = el.temperaturePot, sigma = el.chDensSurf;
  if (screenedPotentialSetup(salt, temperature, sigma, roundY0, sp) != 0) {
    std::fprintf(stderr,
                 "%s: salt concentration %g mol/l and temperature %g K must be positive "
                 "(options -nacl and -temp).\n",
                 who, salt, temperature);
    return true;
  }
  if (salt < kLeastSalt) {
    std::fprintf(stderr,
                 "%s: option -nacl value %g mol/l lies below %g mol/l, the ions of each sign that "
                 "pure water holds (pH 7): no aqueous medium holds less.\n",
                 who, salt, kLeastSalt);
    return true;
  }
  if (!std::isfinite(sp->y0)) {
    std::fprintf(stderr,
                 "%s: the surface potential of -chSurf %g e/nm^2 at -nacl %g mol/l and -temp %g K "
                 "is not a finite number.\n",
                 who, sigma, salt, temperature);
    return true;
  }
  return false;
}

void reportScreenedPotential(const ScreenedPotential& sp) {
  std::printf("REMARK Equilibrium density of ion pairs %e [1/nm_3].\n", sp.rho);
  std::printf("REMARK Debye length %e nm.\n", 1.0 / sp.kappa);
  std::printf("REMARK Potential at surface %e [e/kB*T].\n", sp.y0);
}

double screenedPotentialAt(const ScreenedPotential& sp, double d) {
  const double e = std::exp(-sp.kappa * d / 10.0);
  return 2.0 * std::log((1.0 + sp.gamma * e) / (1.0 - sp.gamma * e));
}

void wallChargesAt(const ScreenedPotential& sp, int no_of_ch, const int* chargeAtomID,
                   const float* charges, const float* h, WallCharges* wc) {
  wc->q.resize(static_cast<size_t>(no_of_ch));
  wc->u.resize(static_cast<size_t>(no_of_ch));
  wc->uMax = wc->qAbs = 0.0;
  for (double& m : wc->moment) m = 0.0;
  for (int i = 0; i < no_of_ch; i++) {
    wc->q[i] = charges[i + 1];
    wc->u[i] = sp.gamma * std::exp(-sp.kappa * h[chargeAtomID[i + 1]] / 10.0);
    wc->uMax = std::max(wc->uMax, std::fabs(wc->u[i]));
    wc->qAbs += std::fabs(wc->q[i]);
  }
  if (!(wc->uMax > 0.0) || !std::isfinite(wc->uMax)) return;  // the series is never taken
  for (int i = 0; i < no_of_ch; i++) {
    const double v = wc->u[i] / wc->uMax, v2 = v * v;
    double vp = v;
    for (int m = 0; m < kWallSeriesTerms; m++, vp *= v2) wc->moment[m] += wc->q[i] * vp;
  }
  for (int m = 0; m < kWallSeriesTerms; m++) wc->moment[m] /= 2 * m + 1;
}

double wallEnergy(const WallCharges& wc, double b) {
  const double z = wc.uMax * b;
  if (!(z <= 0.5)) {  // close to the wall: every charge on its own
    double E = 0.0;
    for (size_t i = 0; i < wc.q.size(); i++) E += wc.q[i] * std::atanh(wc.u[i] * b);
    return 4.0 * E;
  }
  // atanh(t) = sum_m t^(2m+1) / (2m+1): the terms from m on add up to less
  // than qAbs z^(2m+1) / (1 - z^2) <= qAbs z^(2m+1) / 0.75.
  const double z2 = z * z;
  double E = 0.0, zp = z;
  for (int m = 0; m < kWallSeriesTerms && wc.qAbs * zp > 1e-16; m++, zp *= z2)
    E += wc.moment[m] * zp;
  return 4.0 * E;
}

double tablePotentialAt(const double* table, int count, double stepsize, double d, bool* beyond) {
  if (!(d > 0.0)) return table[1];
  const double last = (count - 1) * stepsize;
  if (d >= last) {
    if (d == last) return table[count];
    if (beyond) *beyond = true;
    return 0.0;
  }
  long long n = truncToLL(d / stepsize + 1.0);
  if (n < 1) n = 1;
  if (n > count - 1) n = count - 1;
  return table[n] + (d - (n - 1) * stepsize) * (table[n + 1] - table[n]) / stepsize;
}

void reportBeyondTable(const char* who, int count, double stepsize) {
  std::fprintf(stderr,
               "%s: warning - charges lie beyond the potential table (%d points, step %g "
               "Angstrom); potential 0 used there.\n",
               who, count, stepsize);
}

// ---------------------------------------------------------------------------
// Steric and electrostatic model of the wall and the rod
// ---------------------------------------------------------------------------

namespace {

// One run of the wall or rod model: settings, points, charges, orientation
// sampling, work arrays and the positions of the clash region.
struct SmaRun {
  KorimInfo* k = nullptr;
  int no_atoms = 0;
  double *x = nullptr, *y = nullptr, *z = nullptr;
  int n_dots = 0;
  double* dots = nullptr;
  int no_of_ch = 0;
  int* chargeAtomID = nullptr;
  float* charges = nullptr;
  int digPsi = 0, o_pts = 0, t_pts = 0;
  double inc_psi = 0.0, gs = 0.0, rM = 0.0, rA = 0.0;
  double maxL = 0.0, minL = 0.0;  // molecule's extent plus the atom radius; the atom radius
  ScreenedPotential sp{};
  std::vector<double> pot;  // rod: the caller's table divided by kPot, 1-based
  const double* potential = nullptr;  // rod: the caller's table as read, 1-based
  std::vector<OverflowWatch> watches;  // rod: what each worker saw of states whose factor overflowed
  CBlock<float> x_temp, y_temp, grid_el;
  CBlock<double> total, totalNew;
  CBlock<int> pCount;
};

// Orientations of an electrostatic scan in blocks of at most this many
// weights (orientations x positions).
constexpr long long kWeightBlock = 1 << 18;

// The orientations an electrostatic scan samples: the dots of a sphere (x, y, z per dot) times
// digPsi turns about each.
struct ScanSphere {
  const double* dots = nullptr;
  int n_dots = 0;
  int digPsi = 1;
  double inc_psi = 360.0;
  double phase = 0.0;  // the turns at (m + phase) inc_psi: 1/2 for the half turns of a check's denser turns
  int count() const { return n_dots * digPsi; }
};

// The orientation of a scan of sphere with the given 0-based index (dot index / digPsi, turn index
// % digPsi), turned on by the sphere's phase (sampleOrientation where the phase is 0).
void sampleScan(const ScanSphere& sphere, int index, SampledOrientation& o) {
  if (sphere.phase == 0.0) return sampleOrientation(sphere.dots, sphere.digPsi, sphere.inc_psi, index, o);
  const int d = index / sphere.digPsi, m = index % sphere.digPsi;
  const Orientation a = orientationOf(&sphere.dots[3 * d], (m + sphere.phase) * sphere.inc_psi);
  rotate_coorsystem(a.theta, a.phi, a.psi, o.xa, o.ya, o.za);
  orderValues(o.xa, o.ya, o.za, o.s);
  rotate_coorsystem(-a.theta, -a.psi, -a.phi, o.u, o.v, o.w);
}

ScanSphere sphereOf(const SmaRun& r) { return {r.dots, r.n_dots, r.digPsi, r.inc_psi}; }

// The orientation scan of an electrostatic model on the worker threads:
// weigh(o, worker, row) fills row[0..L] with the weights of orientation o at
// the positions 0..L (kExcluded where the state is not allowed); then every
// position n takes add(n, ds, w) for the orientations of a block in
// orientation order, ds being the orientation's order values less mean, so that each sum is taken
// as one orientation after another would take it. rec learns what each orientation adds (its
// allowed states' weights, each times factor[n], their factors and the largest weight) and its
// order values, for the check of the order against a denser sphere. False after a message when
// the work space cannot be had.
constexpr double kExcluded = -1.0;  // never a Boltzmann factor

// Runs size(), which sizes the work arrays of a scan; false after a message
// when the memory cannot be had.
template <typename Size>
bool scanWorkSpace(Size&& size) {
  try {
    size();
    return true;
  } catch (const std::bad_alloc&) {
    std::fprintf(stderr, "sma: no memory for the work space of the orientation scan.\n");
    return false;
  }
}

// The grain of an electrostatic scan: orientations worth some tens of
// microseconds of work on a thread.
int weightGrain(const SmaRun& r, int L) {
  return std::max(1, kGrainWork / (r.no_atoms + r.no_of_ch * (L + 1) + 1));
}

// The sums of a scan that only learns what its orientations add: none.
constexpr auto sumNothing = [](int, const double*, double) {};

template <typename Weigh, typename Add>
bool scanWeights(const ScanSphere& sphere, int L, int grain, const double mean[5], const double* factor,
                 OrientationWeights* rec, Weigh&& weigh, Add&& add) {
  const int N = sphere.count();
  const int L1 = L + 1;
  const int B = static_cast<int>(std::max(1LL, std::min<long long>(N, kWeightBlock / L1)));
  std::vector<SampledOrientation> orient;
  std::vector<std::array<double, 5>> ds;
  std::vector<double> weights;
  if (!scanWorkSpace([&] {
        orient.resize(static_cast<size_t>(B));
        ds.resize(static_cast<size_t>(B));
        weights.resize(static_cast<size_t>(B) * L1);
        rec->resize(N);
      }))
    return false;
  for (int b0 = 0; b0 < N; b0 += B) {
    const int nb = std::min(B, N - b0);
    forChunks(nb, grain, [&](int begin, int end, int worker) {
      for (int k = begin; k < end; k++) {
        sampleScan(sphere, b0 + k, orient[k]);
        double* row = &weights[static_cast<size_t>(k) * L1];
        weigh(orient[k], worker, row);
        // Without branches: an excluded state (kExcluded, below 0) adds nothing, nor does a weight
        // below the smallest normal double (kTiny): next to the order sums' own weights it is
        // nothing, and products of subnormal numbers take the processor many times as long (the
        // far states of a charged wall carry such weights). Two partial sums each, so that the
        // additions need not wait for one another.
        constexpr double kTiny = std::numeric_limits<double>::min();
        double a0 = 0.0, a1 = 0.0, c0 = 0.0, c1 = 0.0, m0 = 0.0, m1 = 0.0;
        int n = 0;
        for (; n + 1 <= L; n += 2) {
          const double w0 = row[n], w1 = row[n + 1];
          a0 += (w0 >= kTiny ? w0 : 0.0) * factor[n], a1 += (w1 >= kTiny ? w1 : 0.0) * factor[n + 1];
          c0 += w0 >= 0.0 ? factor[n] : 0.0, c1 += w1 >= 0.0 ? factor[n + 1] : 0.0;
          m0 = std::max(m0, w0), m1 = std::max(m1, w1);
        }
        if (n == L) {
          const double w = row[n];
          a0 += (w >= kTiny ? w : 0.0) * factor[n], c0 += w >= 0.0 ? factor[n] : 0.0, m0 = std::max(m0, w);
        }
        const double a = a0 + a1, c = c0 + c1, wMax = std::max(m0, m1);
        const size_t o = static_cast<size_t>(b0) + k;
        rec->a[o] = a, rec->c[o] = c, rec->wMax[o] = wMax;
        for (int j = 0; j < 5; j++) rec->s[o][j] = orient[k].s[j];
      }
    });
    for (int k = 0; k < nb; k++)
      for (int j = 0; j < 5; j++) ds[k][j] = orient[k].s[j] - mean[j];
    forChunks(L1, std::max(1, kGrainWork / nb), [&](int begin, int end, int) {
      // Each position's sum still runs over the orientations in order; the
      // loops are nested this way round only to read the block row by row.
      for (int k = 0; k < nb; k++)
        for (int n = begin; n < end; n++) add(n, ds[k].data(), weights[static_cast<size_t>(k) * L1 + n]);
    });
  }
  return true;
}

// 1 after the refusal when a scan of the rod found a state whose Boltzmann factor overflowed (the
// workers' watches), naming the value of the table that took it there; else 0.
int rodOverflowRefused(const SmaRun& r) {
  OverflowWatch seen;
  for (const OverflowWatch& w : r.watches) seen.merge(w);
  return refuseOverflow("sma", seen, PotentialFile::rodTable, lettingOptions({{"-kEne", r.k->elInfo.kEnergy}}, {"-kPot"}),
                        "the rod's table enters the sum at every distance a charge reaches, divided by -kPot and "
                        "weighed by -kEne");
}

// The check of an electrostatic scan against a denser sphere: the same weights on the sphere of
// dots, its orientations' records into w (divisor terms as in own), no sums.
template <typename Weigh>
TurnedScan rescanWith(const SmaRun& r, int L, const double* factor, const OrientationWeights& own,
                      Weigh& weigh) {
  return [&r, L, factor, &own, &weigh](const double* dots, int nDots, int turns, bool halfTurns, OrientationWeights* w) {
    const ScanSphere sphere{dots, nDots, turns, 360.0 / turns, halfTurns ? 0.5 : 0.0};
    const double none[5] = {0, 0, 0, 0, 0};
    w->cFactor = own.cFactor, w->perOrientation = own.perOrientation, w->lessMean = own.lessMean;
    return scanWeights(sphere, L, weightGrain(r, L), none, factor, w, weigh, sumNothing) &&
           rodOverflowRefused(r) == 0;
  };
}

// Refuses, with a message, inputs the model cannot use.
bool smaInputsBad(SmaRun& r, double maxL, double minL, int digPotential, const double* potential,
                  double stepsize) {
  const char* who = "sma";
  const KorimInfo& k = *r.k;
  const settings::ElInfo& el = k.elInfo;
  if (badSampling(who, r.digPsi, r.n_dots, r.dots) || badPoints(who, r.no_atoms, r.x, r.y, r.z) ||
      badCharges(who, r.no_atoms, r.no_of_ch, r.chargeAtomID, r.charges) ||
      badGridSpacing(who, r.gs, maxL, minL))
    return true;
  if ((k.lcType == 1 || k.lcType == 2) && screenedPotentialRefused(who, el, false, &r.sp))
    return true;
  if (k.lcType != 2) return false;
  if (!(r.rM > 0.0) || !(k.concentration > 0.0)) {
    std::fprintf(stderr, "sma: rod radius %g Angstrom and concentration %g must be positive.\n",
                 r.rM, static_cast<double>(k.concentration));
    return true;
  }
  if (potential == nullptr || digPotential < 2 || !(stepsize > 0.0) || !std::isfinite(stepsize)) {
    std::fprintf(stderr,
                 "sma: potential table of %d points with step %g Angstrom is unusable (at "
                 "least two points and a positive step are needed).\n",
                 digPotential, stepsize);
    return true;
  }
  if (!(el.kPot != 0.0f) || !std::isfinite(el.kPot)) {
    std::fprintf(stderr, "sma: potential scale %g (option -kPot) must be a non-zero number.\n",
                 static_cast<double>(el.kPot));
    return true;
  }
  return false;
}

// Work arrays, the report of the sampling, the rod's scaled table and the
// clash region. False when a work array cannot be had.
bool smaStart(SmaRun& r, double maxL, double minL, int digPotential, const double* potential) {
  const settings::ElInfo& el = r.k->elInfo;
  if (!obtain(r.x_temp, r.no_atoms + 1, "allocation failure for x_temp") ||
      !obtain(r.y_temp, r.no_atoms + 1, "allocation failure for y_temp") ||
      !obtain(r.grid_el, kSimuMaxPositions, "allocation failure for grid_el") ||
      !obtain(r.total, 2 * kSimuMaxPositions, "allocation failure for total") ||
      !obtain(r.totalNew, 2 * kSimuMaxPositions, "allocation failure for totalNew") ||
      !obtain(r.pCount, 2 * kSimuMaxPositions, "allocation failure for pCount"))
    return false;

  r.o_pts = r.n_dots * r.digPsi;
  r.inc_psi = 360.0 / r.digPsi;

  // Uniform reference: reports how evenly the orientations are sampled.
  double dev[5];
  samplingMeans(r.dots, r.n_dots, r.digPsi, dev);
  for (int j = 0; j < 5; j++) std::printf("o_pts: %d    saupe_dev[%d]: %e\n", r.o_pts, j, dev[j]);
  const double gDev = magnitudeOf(dev);
  std::printf("deviation from uniform distribution:  %e   %e\n", gDev, 50.0 * gDev);

  // The table divided by kPot, in a private copy (the caller's stays as read).
  std::printf("korimInfo->elInfo.kPot: %.1f \n", static_cast<double>(el.kPot));
  if (r.k->lcType == 2) {
    r.pot.assign(static_cast<size_t>(digPotential) + 1, 0.0);
    for (int n = 1; n <= digPotential; n++) r.pot[n] = potential[n] / el.kPot;
  }

  std::printf("REMARK Minimum molecule dimension %.3f [A].\n", minL);
  std::printf("REMARK Maximum molecule dimension %.3f [A].\n", maxL);
  const float offset_grid = static_cast<float>(minL + r.rM);
  r.t_pts = clashRegion(r.grid_el.data(), minL, maxL, r.rM, r.gs);
  if (el.kAtt != 0.0f)
    std::printf("REMARK korimInfo->elInfo.kAtt = %.3f [A].\n", static_cast<double>(el.kAtt));
  std::printf("@@@ offset_grid = %.3f [A]  t_pts = %d.\n", static_cast<double>(offset_grid),
              r.t_pts);
  std::printf("@@@ REMARK grid_el[0] = %.3f [A].\n", static_cast<double>(r.grid_el[0]));
  std::printf("@@@ REMARK grid_el[%d] = %.3f [A].\n", r.t_pts,
              static_cast<double>(r.grid_el[r.t_pts]));
  return true;
}

// The scales that set the states' electrostatic weights, as the run has them: "-kEne 1e+30", and
// the charges' scales and the temperature the command line gives ("-kEne 1 and -kMono 1e30",
// "-kEne 1 and -temp 1e-9": the energies count in units of kT).
std::string energyScales(double kEnergy) { return lettingOptions({{"-kEne", kEnergy}}, {"-temp"}); }

// saupe = sum / T when that is finite; otherwise a message and 1.
int averageOrRefuse(const char* medium, const double sum[5], double T, double kEnergy, double* saupe) {
  double out[5];
  for (int j = 0; j < 5; j++) out[j] = sum[j] / T;
  if (!(T > 0.0) || !finite5(out)) {
    std::fprintf(stderr,
                 "sma: no finite average of the allowed states (summed weight %g) with the energy scales %s; "
                 "the molecule does not fit the %s medium or its charges are too strong at these scales. No "
                 "alignment computed.\n",
                 T, energyScales(kEnergy).c_str(), medium);
    return 1;
  }
  for (int j = 0; j < 5; j++) saupe[j] = out[j];
  return 0;
}

// Wall positions: the clash region, then further positions while the
// screened potential at the molecule's closest point (extent below its
// centre) is at least threshold, none beyond cap. Returns the last index.
int wallPositions(SmaRun& r, double threshold, double cap) {
  const int t_pts = r.t_pts;
  const double extent = r.maxL - r.minL;
  int last = t_pts;
  for (int j = 1;; j++) {
    const float g = static_cast<float>(r.grid_el[t_pts] + j * r.gs);
    if (!(g <= cap) || !(std::fabs(screenedPotentialAt(r.sp, g - r.rM - extent)) >= threshold))
      break;
    if (t_pts + j >= kSimuMaxPositions) {
      warnPositionsCapped();
      break;
    }
    r.grid_el[t_pts + j] = g;
    last = t_pts + j;
  }
  return last;
}

// Wall: Gouy-Chapman potential of the charged plane.
int smaWall(SmaRun& r, double* saupe) {
  const KorimInfo& k = *r.k;
  const settings::ElInfo& el = k.elInfo;
  const double rS = k.rSingleCell;
  // -cut given: a distance cap; the potential threshold then keeps its default.
  const bool cutGiven = el.cutoffDist >= 0.0;
  const double threshold = cutGiven ? settings::kCutoffPotDefault : el.cutoffPot;
  const double cap = cutGiven ? std::min(rS, el.cutoffDist) : rS;
  const int lengthGrid = wallPositions(r, threshold, cap);
  zeroRows(lengthGrid);
  for (int n = 0; n <= lengthGrid; n++) r.total[n] = 0.0, r.pCount[n] = 0;
  if (el.chFlag) reportScreenedPotential(r.sp);

  // Per position: the contact boundary of the lowest point (as in the
  // steric model) and the potential factor of the centre's distance.
  std::vector<float> boundary(static_cast<size_t>(r.t_pts) + 1);
  for (int n = 0; n <= r.t_pts; n++)
    boundary[n] = static_cast<float>(r.rA - (r.grid_el[n] - r.rM));
  std::vector<double> b(static_cast<size_t>(lengthGrid) + 1);
  for (int n = 0; n <= lengthGrid; n++) b[n] = std::exp(-r.sp.kappa * (r.grid_el[n] - r.rM) / 10.0);
  double mean[5];
  samplingMeans(r.dots, r.n_dots, r.digPsi, mean);
  const double kE = el.kEnergy;
  const int workers = workerCount();
  std::vector<std::vector<float>> hs;
  std::vector<WallCharges> wcs;
  if (!scanWorkSpace([&] {
        hs.assign(static_cast<size_t>(workers), std::vector<float>(static_cast<size_t>(r.no_atoms) + 1));
        wcs.resize(static_cast<size_t>(workers));
        for (WallCharges& wc : wcs) wc.q.resize(r.no_of_ch), wc.u.resize(r.no_of_ch);
      }))
    return 1;
  const std::vector<double> unit(static_cast<size_t>(lengthGrid) + 1, 1.0);
  const auto weigh = [&](const SampledOrientation& o, int worker, double* row) {
    float* h = hs[worker].data();
    projectOnAxis(r.no_atoms, r.x, r.y, r.z, o.u, h);
    // Every point clears the wall exactly when the lowest one does; a NaN
    // coordinate touches everywhere.
    bool anyNaN = false;
    const float lowest = lowestProjection(h, r.no_atoms, &anyNaN);
    WallCharges& wc = wcs[worker];
    wallChargesAt(r.sp, r.no_of_ch, r.chargeAtomID, r.charges, h, &wc);
    for (int n = 0; n <= lengthGrid; n++) {
      if (n <= r.t_pts && r.no_atoms >= 1 && (anyNaN || !(lowest > boundary[n])))
        row[n] = kExcluded;
      else
        row[n] = r.no_of_ch > 0 ? std::exp(-kE * wallEnergy(wc, b[n])) : 1.0;
    }
  };
  OrientationWeights own;
  const bool scanned = scanWeights(
      sphereOf(r), lengthGrid, weightGrain(r, lengthGrid), mean, unit.data(), &own, weigh,
      [&](int n, const double* ds, double w) {
        if (w == kExcluded) return;
        for (int j = 0; j < 5; j++) simu.saupe_dis[n][j] += w * ds[j];
        r.total[n] += w;
        r.pCount[n]++;
      });
  if (!scanned) return 1;
  endOrientationProgress();
  // The charges weigh the states the walls allow; walls closer than the molecule needs allow none.
  long long allowed = 0;
  for (int n = 0; n <= r.t_pts; n++) allowed += r.pCount[n];
  const Reach reach{r.minL + r.rM, r.maxL - r.minL, widestBicelleCell(k)};
  if (wallRoom("sma", allowed, r.o_pts, rS, r.grid_el[r.t_pts], reach, r.gs,
               clashEndAt(r.minL, r.maxL, r.rM, settings::kGridSpacingDefault), k.concentration, k.radiusAtom,
               r.rM, nullptr) != 0) return 1;

  // The positions after the last one up to the half cell are free: weight 1
  // per orientation, order values averaging to nothing.
  double T = 0.0;
  for (int n = 0; n <= lengthGrid; n++) T += r.total[n];
  const long long nFree = truncToLL((rS - r.grid_el[lengthGrid]) / r.gs);
  if (nFree > 0) T += static_cast<double>(nFree) * r.o_pts;
  double sum[5];
  for (int j = 0; j < 5; j++) {
    sum[j] = 0.0;
    for (int n = 0; n <= lengthGrid; n++) sum[j] += simu.saupe_dis[n][j];
  }
  if (averageOrRefuse("wall", sum, T, k.elInfo.kEnergy, saupe) != 0) return 1;
  own.perOrientation = nFree > 0 ? static_cast<double>(nFree) : 0.0;
  return convergedOrRefuse("sma", k, r.n_dots, own, saupe, rescanWith(r, lengthGrid, unit.data(), own, weigh));
}

// Rod positions: the clash region, then further positions while the
// analytic potential at the molecule's centre still counts and the
// neighbouring rod is not reached. Returns the last index.
int rodPositions(SmaRun& r, double beta) {
  const double cutoff = r.k->elInfo.cutoffPot;  // smallest potential magnitude that counts
  const int t_pts = r.t_pts;
  double lastP = screenedPotentialAt(r.sp, r.grid_el[t_pts] - r.rM);
  if (std::fabs(lastP) < cutoff) {
    std::fprintf(stderr, "Warning: Potential drops within clash region to below %e!\n", cutoff);
    std::fprintf(stderr, "         ---> Magnitude of alignment tensor wrong!\n");
    noteTensorIncorrect("the rod's potential drops below its cutoff (-cut) within the clash region");
  }
  int lengthGrid = t_pts;
  bool inside = true;
  double dd = r.grid_el[t_pts];
  for (int j = 0; dd <= beta && inside;) {
    j++;
    dd = r.grid_el[t_pts] + j * r.gs;
    lastP = screenedPotentialAt(r.sp, dd - r.rM);
    if (std::fabs(lastP) < cutoff) {
      inside = false;
      lengthGrid = t_pts + j - 1;
    } else if (t_pts + j >= kSimuMaxPositions) {
      warnPositionsCapped();
      break;
    } else {
      r.grid_el[t_pts + j] = static_cast<float>(dd);
      lengthGrid = t_pts + j;
    }
  }
  std::fprintf(stderr, "REMARK Value of potential at cutoff: %e\n", lastP);
  std::fprintf(stderr, "REMARK # of translational points for EL: %d\n", lengthGrid);
  std::fprintf(stderr, "REMARK Maximum distance: %e\n", r.grid_el[lengthGrid] - r.rM);
  if (inside) {
    std::fprintf(stderr, "Warning: Potentials between neighbouring cells overlapping, cutoff %e!\n",
                 cutoff);
    std::fprintf(stderr, "         ---> Magnitude of alignment tensor wrong!\n");
    noteTensorIncorrect("the rod's potential stays above its cutoff (-cut) up to the neighbouring "
                        "rod's cell, where the potentials of the two overlap");
  }
  return lengthGrid;
}

// part / whole, 0 when the whole is 0 (a report never shows a NaN).
double share(double part, double whole) { return whole != 0.0 ? part / whole : 0.0; }

// Rod diagnostics on stdout: summed weights, the share of the weight and
// of the order in bands of at least 5 A from the rod.
void rodReport(SmaRun& r, int lengthGrid, const double sum[5]) {
  const double rM = r.rM;
  const float* grid_el = r.grid_el.data();
  // Summed weight, and per position with some allowed orientation the mean
  // weight (test) and the mean of (weight - 1) of the allowed states (p).
  double total_ph = 0.0, test = 0.0, p = 0.0;
  for (int n = 0; n <= lengthGrid; n++) {
    total_ph += r.total[n] * grid_el[n] / rM;
    if (r.pCount[n] == 0) continue;
    test += r.total[n] / r.pCount[n];
    p += r.totalNew[n] / r.pCount[n];
  }
  if (p > 0.0)
    std::printf("total_ph: %e    test: %e    p: %e  ln(p): %e\n", total_ph, test, p, std::log(p));
  else
    std::printf("total_ph: %e    test: %e    p: %e\n", total_ph, test, p);
  std::printf("grid_el[0] = %.1f   grid_el[lengthGrid %d] = %.1f   d = %.1f\n",
              static_cast<double>(grid_el[0]), lengthGrid, static_cast<double>(grid_el[lengthGrid]),
              grid_el[lengthGrid] + r.gs);

  // Share of the weight by distance from the rod, in bands of at least 5 A.
  double start = grid_el[0], a = 0.0;
  for (int n = 0; n <= lengthGrid; n++) {
    a += r.total[n] * grid_el[n] / rM;
    if (grid_el[n] - start >= 5.0) {
      std::printf("%6.1f %6.1f  %e\n", start, static_cast<double>(grid_el[n]), share(a, total_ph));
      start = grid_el[n];
      a = 0.0;
    }
  }
  std::printf("%6.1f %6.1f  %e\n", start, static_cast<double>(grid_el[lengthGrid]),
              share(a, total_ph));

  // Order contributed by each band, against the whole.
  const double g0 = magnitudeOf(sum);
  double part[5] = {0, 0, 0, 0, 0};
  start = grid_el[0];
  for (int n = 0; n <= lengthGrid; n++) {
    for (int j = 0; j < 5; j++) part[j] += (grid_el[n] / rM) * simu.saupe_dis[n][j];
    if (grid_el[n] - start >= 5.0) {
      const double gB = magnitudeOf(part);
      std::printf("%6.1f %6.1f  %e  %e\n", start, static_cast<double>(grid_el[n]), share(gB, g0), gB);
      for (int j = 0; j < 5; j++) part[j] = 0.0;
      start = grid_el[n];
    }
  }
  const double gB = magnitudeOf(part);
  std::printf("%6.1f %6.1f  %e  %e\n", start, static_cast<double>(grid_el[lengthGrid]),
              share(gB, g0), gB);
}

// The row of a table that weighs most where tablePotentialAt interpolates it at d: of the rows it
// reads there, the one of larger size; 0 beyond the table (potential 0).
int tableRowAt(const double* table, int count, double stepsize, double d) {
  if (!(d > 0.0)) return 1;
  const double last = (count - 1) * stepsize;
  if (d >= last) return d == last ? count : 0;
  long long n = truncToLL(d / stepsize + 1.0);
  if (n < 1) n = 1;
  if (n > count - 1) n = count - 1;
  return static_cast<int>(std::fabs(table[n + 1]) > std::fabs(table[n]) ? n + 1 : n);
}

// A state of the rod (the molecule turned to xJ, yJ, at position g) whose Boltzmann factor
// overflowed: each charge's term (-kEne times charge times potential) into the watch of worker,
// with the value of the table's row that weighs most at its distance.
void watchRodOverflow(SmaRun& r, const float* xJ, const float* yJ, double g, int digPotential, double stepsize,
                      int worker) {
  const double kE = r.k->elInfo.kEnergy;
  for (int i = 1; i <= r.no_of_ch; i++) {
    const int p = r.chargeAtomID[i];
    const double u = xJ[p] + g, v = yJ[p];
    const double d = std::sqrt(u * u + v * v) - r.rM;
    const int row = tableRowAt(r.pot.data(), digPotential, stepsize, d);
    if (row == 0) continue;
    const double term = -kE * (r.charges[i] * tablePotentialAt(r.pot.data(), digPotential, stepsize, d, nullptr));
    r.watches[worker].see(term, row - 1, r.potential[row]);
  }
}

// Rod: the radial potential table, positions reached by the analytic
// potential.
int smaRod(SmaRun& r, int digPotential, double stepsize, double* saupe) {
  const KorimInfo& k = *r.k;
  const double rM = r.rM;
  const double c = rM + r.rA;
  reportScreenedPotential(r.sp);
  if (rodRoom("sma", rM, k.concentration, r.grid_el[r.t_pts], {r.minL + rM, r.maxL - r.minL, HUGE_VAL}, r.gs,
              clashEndAt(r.minL, r.maxL, rM, settings::kGridSpacingDefault), k.radiusAtom, nullptr) != 0)
    return 1;
  const double end_dist = rodCellRadius(rM, k.concentration) - rM;
  const double beta = end_dist + rM;
  const int lengthGrid = rodPositions(r, beta);
  std::printf("@@ korimInfo->elInfo.cutoffPot: %e\n", k.elInfo.cutoffPot);
  std::printf("@@ korimInfo->radiusModel: %f\n", rM);
  std::printf("@@ korimInfo->concentration: %f\n", static_cast<double>(k.concentration));
  std::printf("@@ density: %f\n", kRodDensity);
  std::printf("@@ end_dist: %f\n", end_dist);
  std::printf("@@ beta: %f\n", beta);
  std::printf("@@ no_pt_ph: %d\n", r.t_pts);
  std::printf("@@ lengthGrid: %d\n", lengthGrid);

  zeroRows(lengthGrid);
  for (int n = 0; n <= lengthGrid; n++) r.total[n] = r.totalNew[n] = r.pCount[n] = 0;
  std::printf("digPsi = %d    dots = %d   inc_psi = %.1f\n", r.digPsi, r.n_dots, r.inc_psi);

  double mean[5];
  samplingMeans(r.dots, r.n_dots, r.digPsi, mean);
  const double kE = k.elInfo.kEnergy;
  const int workers = workerCount();
  std::vector<std::vector<float>> xs, ys;
  std::vector<std::vector<int>> blockedOf;
  std::vector<char> beyondOf(static_cast<size_t>(workers), 0);
  if (!scanWorkSpace([&] {
        xs.assign(static_cast<size_t>(workers), std::vector<float>(static_cast<size_t>(r.no_atoms) + 1));
        ys = xs;
        blockedOf.assign(static_cast<size_t>(workers),
                         std::vector<int>(static_cast<size_t>(r.t_pts) + 2));
        r.watches.assign(static_cast<size_t>(workers), OverflowWatch{});
      }))
    return 1;
  // Each position weighs by its distance from the rod's axis.
  std::vector<double> radial(static_cast<size_t>(lengthGrid) + 1);
  for (int n = 0; n <= lengthGrid; n++) radial[n] = r.grid_el[n] / rM;
  const auto weigh = [&](const SampledOrientation& o, int worker, double* row) {
    float* xJ = xs[worker].data();
    float* yJ = ys[worker].data();
    std::vector<int>& blocked = blockedOf[worker];
    projectOnAxis(r.no_atoms, r.x, r.y, r.z, o.u, xJ);
    projectOnAxis(r.no_atoms, r.x, r.y, r.z, o.v, yJ);
    // The contacts of the clash region, found as the steric rod model finds them.
    cylinderRuns(r.no_atoms, xJ, yJ, r.grid_el.data(), r.t_pts, r.gs, c, blocked);
    bool beyond = false;
    const float* grid = r.grid_el.data();
    const int* atomOf = r.chargeAtomID;
    const float* q = r.charges;
    const double* pot = r.pot.data();
    const int nCh = r.no_of_ch, tPts = r.t_pts;
    const bool any = r.no_atoms >= 1;
    for (int n = 0; n <= lengthGrid; n++) {
      const double g = grid[n];
      if (n <= tPts && any && blocked[n] > 0) {
        row[n] = kExcluded;
        continue;
      }
      double E = 0.0;
      for (int i = 1; i <= nCh; i++) {
        const int p = atomOf[i];
        const double u = xJ[p] + g, v = yJ[p];
        const double d = std::sqrt(u * u + v * v) - rM;
        E += q[i] * tablePotentialAt(pot, digPotential, stepsize, d, &beyond);
      }
      // -kEne 0 turns the energy off: every allowed state weighs 1, whatever its sum (0 times an
      // infinite sum would be no number).
      row[n] = kE != 0.0 ? std::exp(-kE * E) : 1.0;
      if (!(row[n] <= std::numeric_limits<double>::max())) watchRodOverflow(r, xJ, yJ, g, digPotential, stepsize, worker);
    }
    if (beyond) beyondOf[worker] = 1;
  };
  OrientationWeights own;
  const bool scanned = scanWeights(
      sphereOf(r), lengthGrid, weightGrain(r, lengthGrid), mean, radial.data(), &own, weigh,
      [&](int n, const double* s, double weight) {
        double w = 0.0, w1 = 0.0;  // weight; weight - 1 of an allowed state
        if (weight != kExcluded) {
          w = weight;
          w1 = w - 1.0;
          r.pCount[n] += 1;
        }
        for (int j = 0; j < 5; j++) simu.saupe_dis[n][j] += w * s[j];
        r.total[n] += w;
        r.totalNew[n] += w1;
      });
  if (!scanned || rodOverflowRefused(r) != 0) return 1;
  const bool beyondTable = std::find(beyondOf.begin(), beyondOf.end(), 1) != beyondOf.end();
  endOrientationProgress();
  if (beyondTable) reportBeyondTable("sma", digPotential, stepsize);

  double sum[5] = {0, 0, 0, 0, 0};
  for (int j = 0; j < 5; j++)
    for (int n = 0; n <= lengthGrid; n++) sum[j] += simu.saupe_dis[n][j] * r.grid_el[n] / rM;
  rodReport(r, lengthGrid, sum);

  // The cell of the steric rod model: shells i = 1..nS at rM + i gs up to
  // the neighbouring rod, weighted by their distance from the axis, each
  // orientation once; the allowed states add their weight less 1.
  const double nS = static_cast<double>(truncToLL(end_dist / r.gs));
  double T = static_cast<double>(truncToLL(nS + 0.5 * nS * (nS + 1.0) * (r.gs / rM))) * r.o_pts;
  for (int n = 0; n <= lengthGrid; n++) T += r.totalNew[n] * r.grid_el[n] / rM;
  if (averageOrRefuse("rod", sum, T, k.elInfo.kEnergy, saupe) != 0) return 1;
  // Each orientation adds its shells of the cell once, and its allowed states their weight less 1.
  own.perOrientation = static_cast<double>(truncToLL(nS + 0.5 * nS * (nS + 1.0) * (r.gs / rM)));
  own.cFactor = -1.0;
  return convergedOrRefuse("sma", k, r.n_dots, own, saupe, rescanWith(r, lengthGrid, radial.data(), own, weigh));
}

}  // namespace

int sma(KorimInfo* korimInfo, int no_atoms, double* x, double* y, double* z, int n_dots,
        double* dots, double max_protein_length, double min_protein_length, int no_of_ch,
        int* chargeAtomID, float* charges, int digPotential, double* potential, double offset,
        double stepsize, double* saupe) {
  (void)offset;
  if (korimInfo == nullptr) return 1;
  SmaRun r;
  r.k = korimInfo;
  r.no_atoms = no_atoms;
  r.x = x, r.y = y, r.z = z;
  r.n_dots = n_dots;
  r.dots = dots;
  r.no_of_ch = no_of_ch;
  r.chargeAtomID = chargeAtomID;
  r.charges = charges;
  r.potential = potential;
  r.digPsi = korimInfo->digPsiNSC;
  r.gs = korimInfo->gridSpacing;
  r.rM = korimInfo->radiusModel;
  r.rA = korimInfo->radiusAtom;
  r.maxL = max_protein_length;
  r.minL = min_protein_length;
  if (smaInputsBad(r, max_protein_length, min_protein_length, digPotential, potential, stepsize))
    return 1;
  if (!smaStart(r, max_protein_length, min_protein_length, digPotential, potential)) return 1;
  if (korimInfo->lcType == 1) return smaWall(r, saupe);
  if (korimInfo->lcType == 2) return smaRod(r, digPotential, stepsize, saupe);
  return 0;
}

// ---------------------------------------------------------------------------
// Combined wall and rim steric model
// ---------------------------------------------------------------------------

int ssia(KorimInfo* korimInfo, int no_atoms, double* x, double* y, double* z,
         double max_protein_length, double min_protein_length, int n_dots, double* dots,
         double* saupe) {
  const char* who = "ssia";
  if (korimInfo == nullptr) return 1;
  const KorimInfo& k = *korimInfo;
  const int digPsi = k.digPsiNSC;
  const int lcType = k.lcType;
  const double gs = k.gridSpacing;
  const double rM = k.radiusModel;
  const double rA = k.radiusAtom;
  const bool rim = lcType == 1 && k.includeRim == 1.0f;
  if (badSampling(who, digPsi, n_dots, dots) || badPoints(who, no_atoms, x, y, z) ||
      badGridSpacing(who, gs, max_protein_length, min_protein_length))
    return 1;
  if (lcType != 1 && lcType != 2) {
    std::fprintf(stderr, "ssia: medium type %d is neither wall (1) nor rod (2).\n", lcType);
    return 1;
  }
  if ((lcType == 2 || rim) && (!(rM > 0.0) || !(k.concentration > 0.0))) {
    std::fprintf(stderr, "ssia: rod radius %g Angstrom and concentration %g must be positive.\n",
                 rM, static_cast<double>(k.concentration));
    return 1;
  }
  if (rim && !(k.molarRatio > 0.0f)) {
    std::fprintf(stderr, "ssia: molar ratio %g must be positive for the rim model.\n",
                 static_cast<double>(k.molarRatio));
    return 1;
  }

  CBlock<float> x_temp, y_temp, pot_dist, grid_el;
  CBlock<double> total;
  if (!obtain(x_temp, no_atoms + 1, "allocation failure for x_temp") ||
      !obtain(y_temp, no_atoms + 1, "allocation failure for y_temp") ||
      !obtain(pot_dist, kSimuMaxPositions + 1, "allocation failure for pot_dist") ||
      !obtain(grid_el, kSimuMaxPositions, "allocation failure for grid_el") ||
      !obtain(total, 2 * kSimuMaxPositions, "allocation failure for total"))
    return 1;

  const int o_pts = n_dots * digPsi;
  const double inc_psi = 360.0 / digPsi;
  double mean[5];
  samplingMeans(dots, n_dots, digPsi, mean);
  const int t_pts = clashRegion(grid_el.data(), min_protein_length, max_protein_length, rM, gs);

  // Rows 0..last: element sums to deviations of the mean order from the
  // isotropic mean, weighted by the share of allowed orientations.
  auto normalise = [&](int last) {
    for (int j = 0; j < 5; j++)
      for (int n = 0; n <= last; n++)
        simu.saupe_dis[n][j] =
            total[n] <= 0.0 ? 0.0 : simu.saupe_dis[n][j] / total[n] - mean[j];
  };

  long long t = 0, nStep = 0, cWall = 0, cRod = 0;
  for (int j = 0; j < 5; j++) simu.saupe_bic[j] = simu.saupe_ph[j] = 0.0;

  if (lcType == 1) {
    nStep = truncToLL((k.rSingleCell - grid_el[t_pts]) / gs);
    for (int n = 0; n <= t_pts; n++) pot_dist[n] = static_cast<float>(rA - (grid_el[n] - rM));
    zeroRows(t_pts);
    for (int n = 0; n <= t_pts; n++) total[n] = 0.0;
    forEachOrientation(dots, n_dots, digPsi, inc_psi, [&](const SampledOrientation& o) {
      projectOnAxis(no_atoms, x, y, z, o.u, x_temp.data());
      bool anyNaN = false;
      const float lowest = lowestProjection(x_temp.data(), no_atoms, &anyNaN);
      for (int n = 0; n <= t_pts; n++) {
        if (no_atoms > 0 && (anyNaN || !(lowest > pot_dist[n]))) continue;
        for (int j = 0; j < 5; j++) simu.saupe_dis[n][j] += o.s[j];
        total[n] += 1.0;
      }
    });
    endOrientationProgress();
    normalise(t_pts);
    for (int n = 0; n <= t_pts; n++) {
      t += static_cast<long long>(total[n]);
      if (total[n] != 0.0) cWall++;
    }
    for (int j = 0; j < 5; j++)
      for (int n = 0; n <= t_pts; n++)
        simu.saupe_bic[j] += (total[n] / o_pts) * simu.saupe_dis[n][j];
  }

  long long mRod = 0;
  if (lcType == 2 || rim) {
    const double end = rodCellRadius(rM, k.concentration) - rM;
    const int last = extendPositions(grid_el.data(), t_pts, gs, end);
    zeroRows(last);
    for (int n = 0; n <= last; n++) total[n] = 0.0;
    // Positions beyond the clash region are never blocked.
    std::vector<int> blocked(static_cast<size_t>(t_pts) + 2);
    forEachOrientation(dots, n_dots, digPsi, inc_psi, [&](const SampledOrientation& o) {
      projectOnAxis(no_atoms, x, y, z, o.u, x_temp.data());
      projectOnAxis(no_atoms, x, y, z, o.v, y_temp.data());
      cylinderRuns(no_atoms, x_temp.data(), y_temp.data(), grid_el.data(), t_pts, gs, rA + rM,
                   blocked);
      for (int n = 0; n <= last; n++) {
        if (n <= t_pts && blocked[n] > 0) continue;
        for (int j = 0; j < 5; j++) simu.saupe_dis[n][j] += o.s[j];
        total[n] += 1.0;
      }
    });
    endOrientationProgress();
    normalise(last);
    for (int n = 0; n <= last; n++)
      if (total[n] != 0.0) cRod++;
    for (int j = 0; j < 5; j++)
      for (int n = 0; n <= last; n++) {
        double term = (total[n] / o_pts) * simu.saupe_dis[n][j];
        term = term * grid_el[n];
        simu.saupe_ph[j] += term / rM;
      }
    const double nn = static_cast<double>(truncToLL(end / gs));
    mRod = truncToLL(nn + 0.5 * nn * (nn + 1.0) * gs / rM);
  }

  const double m = lcType == 1 ? static_cast<double>(t) / o_pts + static_cast<double>(nStep)
                               : static_cast<double>(mRod);
  if (m <= 0 || (rim && cRod == 0)) {
    std::fprintf(stderr,
                 "ssia: medium too dense for the molecule (divisor %g, %lld rod positions "
                 "allowed); no alignment computed.\n",
                 m, cRod);
    return 1;
  }
  for (int j = 0; j < 5; j++) {
    double v;
    if (rim) {
      const double q = k.molarRatio;
      v = (simu.saupe_bic[j] - (1.0 / q) * (static_cast<double>(cWall) / cRod) * k.orderDiscRim *
                                   simu.saupe_ph[j]) /
          (1.0 / q + 1.0);
    } else if (lcType == 1) {
      v = simu.saupe_bic[j];
    } else {
      v = simu.saupe_ph[j];
    }
    saupe[j] = v / m;
  }
  return 0;
}

// ---------------------------------------------------------------------------
// Three-dimensional grid models
// ---------------------------------------------------------------------------

namespace {

// Grid geometry of one run of a grid model.
struct Grid3D {
  int nX, nY, nZ, nX2, nY2, nZ2, z1, zN, nZSel;
  float dX, dY, dZ;
  float startX, startY, startZ;
  // z index (1-based, before wrapping) into the periodic cell z1..zN.
  int wrapZ(long long gz) const {
    long long r = (gz - z1) % nZSel;
    if (r < 0) r += nZSel;
    return static_cast<int>(z1 + r);
  }
  long long index(int gx, int gy, int gz) const {  // 1-based indices
    return (static_cast<long long>(gx) - 1) * nY * nZ + (static_cast<long long>(gy) - 1) * nZ +
           (gz - 1);
  }
};

// Checks the grid settings and the medium constants; fills the geometry.
bool setupGrid(const char* who, const KorimInfo& k, const void* grid, Grid3D* g) {
  g->nX = k.grid3DnX;
  g->nY = k.grid3DnY;
  g->nZ = k.grid3DnZ;
  g->dX = k.grid3DdeltaX;
  g->dY = k.grid3DdeltaY;
  g->dZ = k.grid3DdeltaZ;
  g->z1 = k.elInfo.z1;
  g->zN = k.elInfo.zN;
  if (grid == nullptr) {
    std::fprintf(stderr, "%s: no three-dimensional grid was read.\n", who);
    return false;
  }
  if (g->nX < 1 || g->nY < 1 || g->nZ < 1 ||
      static_cast<long long>(g->nX) * g->nY * g->nZ > INT_MAX) {
    std::fprintf(stderr, "%s: grid size %d x %d x %d (options -nX, -nY, -nZ) is not usable.\n",
                 who, g->nX, g->nY, g->nZ);
    return false;
  }
  if (!(g->dX > 0.0f) || !(g->dY > 0.0f) || !(g->dZ > 0.0f) || !std::isfinite(g->dX) ||
      !std::isfinite(g->dY) || !std::isfinite(g->dZ)) {
    std::fprintf(stderr,
                 "%s: grid spacings %g, %g, %g Angstrom (options -dX, -dY, -dZ) must be "
                 "positive.\n",
                 who, static_cast<double>(g->dX), static_cast<double>(g->dY),
                 static_cast<double>(g->dZ));
    return false;
  }
  if (g->z1 < 1 || g->zN < g->z1 || g->zN > g->nZ) {
    std::fprintf(stderr,
                 "%s: z planes %d to %d of the periodic cell (options -z1, -zN) must lie within "
                 "1 to %d.\n",
                 who, g->z1, g->zN, g->nZ);
    return false;
  }
  g->nZSel = g->zN - g->z1 + 1;
  g->nX2 = static_cast<int>(std::floor(g->nX * 0.5));
  g->nY2 = static_cast<int>(std::floor(g->nY * 0.5));
  g->nZ2 = static_cast<int>(std::floor(g->nZ * 0.5));
  g->startX = static_cast<float>(-g->nX2 * g->dX);
  g->startY = static_cast<float>(-g->nY2 * g->dY);
  g->startZ = static_cast<float>(-(g->nZ2 - g->z1) * g->dZ);
  return true;
}

// Radius of the cell of one liquid-crystal particle, Angstrom.
bool cellRadius(const char* who, KorimInfo& k, double* r) {
  const double arg = 1e-9 * k.volSample * k.mwLC /
                     (6.0221367 * k.massLC * 1e23 * k.unitLengthLC * 1e-10 * k.polymerDeg);
  const double v = 1e10 * std::sqrt(arg);
  if (!(arg > 0.0) || !std::isfinite(v)) {
    std::fprintf(stderr,
                 "%s: sample volume %g, particle weight %g, mass %g, unit length %g and "
                 "polymerisation degree %g (options -vol, -mwLC, -massLC, -unitLC, -polyLC) give no "
                 "cell radius.\n",
                 who, static_cast<double>(k.volSample), static_cast<double>(k.mwLC),
                 static_cast<double>(k.massLC), static_cast<double>(k.unitLengthLC),
                 static_cast<double>(k.polymerDeg));
    return false;
  }
  *r = v;
  return true;
}

// Common start of both grid models: uniform reference, cell radius, report.
void gridReport(KorimInfo& k, const Grid3D& g, const double* dots, int n_dots, int digPsi,
                double inc_psi) {
  const int o_pts = n_dots * digPsi;
  double dev[5];
  samplingMeans(dots, n_dots, digPsi, dev);
  for (int j = 0; j < 5; j++)
    std::printf("REMARK  o_pts: %d    saupe_dev[%d]: %e\n", o_pts, j, dev[j]);
  const double gDev = magnitudeOf(dev);
  std::printf("REMARK  deviation from uniform distribution:  %e   %e\n", gDev, gDev * 50.0);
  if (k.rSingleCell < g.nX * g.dX || k.rSingleCell < g.nY * g.dY) {
    std::fprintf(stderr, "WARNING: Potentials between neighbouring cells overlapping!\n");
    std::fprintf(stderr, "         ---> Magnitude of alignment tensor might be wrong!\n");
  }
  std::printf("REMARK korimInfo->volSample: %f\n", static_cast<double>(k.volSample));
  std::printf("REMARK korimInfo->mwLC: %f\n", static_cast<double>(k.mwLC));
  std::printf("REMARK korimInfo->massLC: %f\n", static_cast<double>(k.massLC));
  std::printf("REMARK korimInfo->unitLengthLC: %f\n", static_cast<double>(k.unitLengthLC));
  std::printf("REMARK korimInfo->polymerDeg: %f\n", static_cast<double>(k.polymerDeg));
  std::printf("REMARK korimInfo->rSingleCell: %e\n", static_cast<double>(k.rSingleCell));
  std::printf("REMARK korimInfo->elInfo.maxPot: %e\n", static_cast<double>(k.elInfo.maxPot));
  std::printf("REMARK korimInfo->grid3DdeltaX: %e\n", static_cast<double>(g.dX));
  std::printf("REMARK korimInfo->grid3DdeltaY: %e\n", static_cast<double>(g.dY));
  std::printf("REMARK korimInfo->grid3DdeltaZ: %e\n", static_cast<double>(g.dZ));
  std::printf("REMARK korimInfo->grid3DnX: %d\n", g.nX);
  std::printf("REMARK korimInfo->grid3DnY: %d\n", g.nY);
  std::printf("REMARK korimInfo->grid3DnZ: %d\n", g.nZ);
  std::printf("REMARK korimInfo->elInfo.z1: %d\n", g.z1);
  std::printf("REMARK korimInfo->elInfo.zN: %d\n", g.zN);
  std::printf("REMARK lengthGrid: %lld\n", static_cast<long long>(g.nX) * g.nY * g.nZSel);
  std::printf("REMARK nZGridSel: %d\n", g.nZSel);
  std::printf("REMARK Digitization of orientations: digPsi = %d    dots = %d   inc_psi = %.1f\n",
              digPsi, n_dots, inc_psi);
  std::printf("REMARK nX2 nY2 nZ2: %d  %d  %d\n", g.nX2, g.nY2, g.nZ2);
  std::printf("REMARK startGrid (x,y,z): %f  %f  %f\n", static_cast<double>(g.startX),
              static_cast<double>(g.startY), static_cast<double>(g.startZ));
}

// Free positions of the particle's cell that lie outside the grid: weight 1
// per orientation and position. The cell is a square column of side
// rSingleCell along z; one periodic cell holds nZSel planes, each with
// (rS/dX)(rS/dY) columns of which the grid covers at most nX x nY (fewer
// along an axis where the grid is wider than the cell). Counting the free
// columns per plane keeps the weight from turning negative when the cell has
// several planes or the grid is wider than the cell along one axis.
double outsideCells(const KorimInfo& k, const Grid3D& g, int o_pts) {
  const double rS = k.rSingleCell;
  if (!(rS - g.nX * g.dX > 0.0) && !(rS - g.nY * g.dY > 0.0)) return 0.0;
  const double coveredX = std::min(static_cast<double>(g.nX), rS / g.dX);
  const double coveredY = std::min(static_cast<double>(g.nY), rS / g.dY);
  const double perPlane =
      std::floor(static_cast<float>((rS / g.dX) * (rS / g.dY) - coveredX * coveredY));
  return std::max(perPlane, 0.0) * g.nZSel * o_pts;
}

// Work arrays of a grid model (system allocator): the grid point and the
// rotated coordinates of every point, and for the potential model the
// potential at every point.
struct GridWork {
  CBlock<int> nGridX, nGridY, nGridZ;
  CBlock<float> x_temp, y_temp, z_temp;
  CBlock<double> pot3DAtom;
  OverflowWatch overflow;  // the states of this thread whose Boltzmann factor overflowed
};

bool allocGridWork(GridWork& w, int no_atoms, bool withPotential) {
  const int n = no_atoms + 1;
  return obtain(w.nGridX, n, "allocation failure for nGridX") &&
         obtain(w.nGridY, n, "allocation failure for nGridY") &&
         obtain(w.nGridZ, n, "allocation failure for nGridZ") &&
         obtain(w.x_temp, n, "allocation failure for x_temp") &&
         obtain(w.y_temp, n, "allocation failure for y_temp") &&
         obtain(w.z_temp, n, "allocation failure for z_temp") &&
         (!withPotential || obtain(w.pot3DAtom, n, "allocation failure for pot3DAtom"));
}

// The sampling both grid models share: every orientation, the molecule
// translated to every grid offset of one periodic cell; weight(w, ox, oy, oz)
// weighs the rotated molecule (in the work arrays w of its thread) at one
// offset. The weights of a block of orientations are found on the worker
// threads, then acc receives the weighted order values and *total the
// summed weight, offset after offset and orientation after orientation,
// including the free cells of the particle's cell outside the grid; rec, when
// given, what each orientation adds (for the check against a denser sphere); progress: the scan
// ends the progress line; overflow, when given, what the threads' watches saw. False when a work
// array cannot be had (after a message).
template <typename Weight>
bool scanGrid(const KorimInfo& k, const Grid3D& g, int no_atoms, const double* x, const double* y,
              const double* z, int n_dots, const double* dots, bool withPotential, Weight& weight,
              double acc[5], double* total, OrientationWeights* rec, bool progress = true,
              OverflowWatch* overflow = nullptr) {
  const int digPsi = k.digPsiNSC;
  const int o_pts = n_dots * digPsi;
  const double inc_psi = static_cast<double>(360.0f / digPsi);
  const long long G = static_cast<long long>(g.nZSel) * g.nY * g.nX;
  const int B = static_cast<int>(std::max(1LL, std::min<long long>(o_pts, kWeightBlock / std::max(G, 1LL))));
  std::vector<GridWork> works;
  std::vector<SampledOrientation> orient;
  std::vector<double> weights;
  try {
    works.resize(static_cast<size_t>(workerCount()));
    orient.resize(static_cast<size_t>(B));
    weights.resize(static_cast<size_t>(B * G));
    if (rec != nullptr) rec->resize(o_pts);
  } catch (const std::bad_alloc&) {
    std::fprintf(stderr, "grid model: no memory for the work space of the orientation scan.\n");
    return false;
  }
  for (GridWork& w : works)
    if (!allocGridWork(w, no_atoms, withPotential)) return false;
  const int grain = static_cast<int>(std::max(1LL, kGrainWork / (G * (no_atoms + 1))));
  for (int b0 = 0; b0 < o_pts; b0 += B) {
    const int nb = std::min(B, o_pts - b0);
    forChunks(nb, grain, [&](int begin, int end, int worker) {
      GridWork& w = works[worker];
      for (int q = begin; q < end; q++) {
        SampledOrientation& o = orient[q];
        sampleOrientation(dots, digPsi, inc_psi, b0 + q, o);
        // Rotated coordinates: the rows of the rotation applied to each point.
        projectOnAxis(no_atoms, x, y, z, o.u, w.x_temp.data());
        projectOnAxis(no_atoms, x, y, z, o.v, w.y_temp.data());
        projectOnAxis(no_atoms, x, y, z, o.w, w.z_temp.data());
        double* row = &weights[static_cast<size_t>(q * G)];
        for (int iz = 0; iz < g.nZSel; iz++)
          for (int iy = 0; iy < g.nY; iy++)
            for (int ix = 0; ix < g.nX; ix++)
              *row++ = weight(w, g.startX + ix * g.dX, g.startY + iy * g.dY, g.startZ + iz * g.dZ);
      }
    });
    for (int q = 0; q < nb; q++) {
      const double* row = &weights[static_cast<size_t>(q * G)];
      double a = 0.0, wMax = 0.0;
      for (long long c = 0; c < G; c++) {
        const double wt = row[c];
        for (int j = 0; j < 5; j++) acc[j] += orient[q].s[j] * wt;
        *total += wt;
        a += wt;
        wMax = std::fmax(wMax, wt);
      }
      if (rec == nullptr) continue;
      const size_t o = static_cast<size_t>(b0) + q;
      rec->a[o] = a, rec->wMax[o] = wMax;
      for (int j = 0; j < 5; j++) rec->s[o][j] = orient[q].s[j];
    }
  }
  if (progress) endOrientationProgress();
  if (overflow != nullptr)
    for (const GridWork& w : works) overflow->merge(w.overflow);
  const double outside = outsideCells(k, g, o_pts);
  *total += outside;
  if (rec != nullptr) rec->lessMean = false, rec->perOrientation = outside / o_pts;
  return true;
}

// The common start of both grid models (the cell radius, the report), then the scan.
template <typename Weight>
bool sampleGrid(KorimInfo& k, const Grid3D& g, double rCell, int no_atoms, const double* x,
                const double* y, const double* z, int n_dots, const double* dots,
                bool withPotential, Weight& weight, double acc[5], double* total,
                OrientationWeights* rec, OverflowWatch* overflow = nullptr) {
  const int digPsi = k.digPsiNSC;
  k.rSingleCell = static_cast<float>(rCell);
  gridReport(k, g, dots, n_dots, digPsi, static_cast<double>(360.0f / digPsi));
  return scanGrid(k, g, no_atoms, x, y, z, n_dots, dots, withPotential, weight, acc, total, rec, true, overflow);
}

// A state of the grid's potential model whose Boltzmann factor overflowed: each charge's term
// (-charge times the potential at its point) into the watch of its thread, with the grid's value
// there. A charge beside the grid (potential 0) adds no term.
void watchGridOverflow(GridWork& w, const Grid3D& g, const double* pot3D, int no_of_ch, const int* chargeAtomID,
                       const float* charges) {
  for (int c = 1; c <= no_of_ch; c++) {
    const int i = chargeAtomID[c];
    const double v = w.pot3DAtom[i];
    if (v == 0.0) continue;
    const long long at = g.index(w.nGridX[i], w.nGridY[i], w.nGridZ[i]);
    w.overflow.see(-charges[c] * v, at, pot3D[at]);
  }
}

// A steric grid whose every point blocks (each value of size -maxPot or more): the molecule is let
// in only where no atom meets a point, which the orientations sample by chance. Refused after a
// message naming the file and -maxPot; false otherwise. Only the points the periodic cell repeats
// (z1..zN) are looked at: the rest lie outside every cell.
bool everyPointBlocks(const KorimInfo& k, const Grid3D& g, const float* mask) {
  for (int gx = 1; gx <= g.nX; gx++)
    for (int gy = 1; gy <= g.nY; gy++)
      for (int gz = g.z1; gz <= g.zN; gz++)
        if (mask[g.index(gx, gy, gz)] != 0.0f) return false;
  const std::string& file = potentialSource(PotentialFile::grid).file();
  std::fprintf(stderr,
               "ssia3D: every point of the grid%s%s blocks the molecule: each of its values has a size of -maxPot "
               "%g or more (the size from which a value blocks), so the molecule is let in only where no atom meets "
               "a point, and its order is the chance of the orientations sampled; no alignment computed.\n",
               file.empty() ? "" : " of ", file.c_str(), static_cast<double>(k.elInfo.maxPot));
  return true;
}

}  // namespace

int sma3D(KorimInfo* korimInfo, int no_atoms, double* x, double* y, double* z, int n_dots,
          double* dots, int no_of_ch, int* chargeAtomID, float* charges, int digPotential,
          double* pot3D, double* saupe) {
  (void)digPotential;
  const char* who = "sma3D";
  if (korimInfo == nullptr) return 1;
  KorimInfo& k = *korimInfo;
  Grid3D g{};
  double rCell = 0.0;
  if (badSampling(who, k.digPsiNSC, n_dots, dots) || badPoints(who, no_atoms, x, y, z) ||
      badCharges(who, no_atoms, no_of_ch, chargeAtomID, charges) ||
      !setupGrid(who, k, pot3D, &g) || !cellRadius(who, k, &rCell))
    return 1;
  for (int j = 0; j < 5; j++) saupe[j] = 0.0;

  const float maxPot = k.elInfo.maxPot;
  auto weight = [&](GridWork& w, float ox, float oy, float oz) {
    for (int i = 1; i <= no_atoms; i++) {
      const float px = (ox + w.x_temp[i]) / g.dX;
      const float py = (oy + w.y_temp[i]) / g.dY;
      const float pz = (oz + w.z_temp[i]) / g.dZ;
      double pot = 0.0;  // beside the grid
      if (std::fabs(px) <= g.nX2 && std::fabs(py) <= g.nY2 && std::isfinite(pz)) {
        const int gx = getGridPoint(px) + g.nX2 + 1;
        const int gy = getGridPoint(py) + g.nY2 + 1;
        // z is periodic: reduce far points by whole cells first so that the
        // rounding stays within the int range.
        const float pzr = std::fabs(pz) < 1.0e6f
                              ? pz
                              : static_cast<float>(std::fmod(static_cast<double>(pz), g.nZSel));
        const int gz = g.wrapZ(static_cast<long long>(getGridPoint(pzr)) + g.nZ2 + 1);
        // An even grid has no point at +n/2: such an atom is beside it.
        if (gx <= g.nX && gy <= g.nY) pot = pot3D[g.index(gx, gy, gz)];
        w.nGridX[i] = gx;
        w.nGridY[i] = gy;
        w.nGridZ[i] = gz;
      }
      if (std::fabs(pot) >= maxPot) return 0.0;
      w.pot3DAtom[i] = pot;
    }
    double E = 0.0;
    for (int c = 1; c <= no_of_ch; c++) E += charges[c] * w.pot3DAtom[chargeAtomID[c]];
    const double wt = std::exp(-E);
    if (!(wt <= std::numeric_limits<double>::max())) watchGridOverflow(w, g, pot3D, no_of_ch, chargeAtomID, charges);
    return wt;
  };
  // A value of size -maxPot or more blocks; any other enters the sum, however large.
  const auto overflowed = [&](const OverflowWatch& seen) {
    return refuseOverflow(who, seen, PotentialFile::grid, lettingOptions({{"-maxPot", maxPot}}),
                          "a point of size -maxPot or more blocks the molecule and enters no sum") != 0;
  };
  double acc[5] = {0, 0, 0, 0, 0}, total = 0.0;
  OrientationWeights own;
  OverflowWatch overflow;
  if (!sampleGrid(k, g, rCell, no_atoms, x, y, z, n_dots, dots, true, weight, acc, &total, &own, &overflow) ||
      overflowed(overflow))
    return 1;

  double out[5];
  for (int j = 0; j < 5; j++) out[j] = acc[j] / total;
  if (!(total > 0.0) || !finite5(out)) {
    std::fprintf(stderr,
                 "sma3D: no allowed state of the molecule in the grid (summed weight %g); no "
                 "alignment computed.\n",
                 total);
    return 1;
  }
  for (int j = 0; j < 5; j++) saupe[j] = out[j];
  // The denser sphere sees the grid as this scan did; its divisor adds the same free cells per
  // orientation (scanGrid writes them into the record).
  // Its half turns are scanned as every turn of twice the count, the turns themselves dropped.
  const TurnedScan rescan = [&](const double* d, int nd, int turns, bool halfTurns, OrientationWeights* w) {
    double a2[5] = {0, 0, 0, 0, 0}, t2 = 0.0;
    OverflowWatch seen;
    KorimInfo at = k;
    at.digPsiNSC = halfTurns ? 2 * turns : turns;
    if (!scanGrid(at, g, no_atoms, x, y, z, nd, d, true, weight, a2, &t2, w, false, &seen) || overflowed(seen))
      return false;
    if (halfTurns) {
      OrientationWeights odd;
      odd.resize(nd * turns);
      odd.cFactor = w->cFactor, odd.perOrientation = w->perOrientation, odd.lessMean = w->lessMean;
      for (int o = 0; o < nd * turns; o++) {
        const int from = 2 * o + 1;  // dot o / turns, turn 2 (o % turns) + 1 of the doubled count
        odd.a[o] = w->a[from], odd.c[o] = w->c[from], odd.wMax[o] = w->wMax[from], odd.s[o] = w->s[from];
      }
      *w = std::move(odd);
    }
    return true;
  };
  return convergedOrRefuse(who, k, n_dots, own, saupe, rescan);
}

int ssia3D(KorimInfo* korimInfo, int no_atoms, double* x, double* y, double* z, int n_dots,
           double* dots, int digPotential, float* pot3Dst, double* saupe) {
  (void)digPotential;
  const char* who = "ssia3D";
  if (korimInfo == nullptr) return 1;
  KorimInfo& k = *korimInfo;
  Grid3D g{};
  double rCell = 0.0;
  if (badSampling(who, k.digPsiNSC, n_dots, dots) || badPoints(who, no_atoms, x, y, z) ||
      !setupGrid(who, k, pot3Dst, &g) || !cellRadius(who, k, &rCell))
    return 1;
  for (int j = 0; j < 5; j++) saupe[j] = 0.0;

  auto weight = [&](GridWork& w, float ox, float oy, float oz) {
    double wt = 1.0;
    for (int i = 1; i <= no_atoms && wt != 0.0; i++) {
      const float vx = (ox + w.x_temp[i]) / g.dX;
      const float vy = (oy + w.y_temp[i]) / g.dY;
      const float vz = (oz + w.z_temp[i]) / g.dZ;
      // |trunc(v)| > n/2 exactly when |v| >= n/2 + 1: beside the grid in x
      // or y, where the cell is free. z has no side: the planes z1..zN
      // repeat, so every atom is wrapped into the periodic cell (an atom
      // past the grid's z range would otherwise pass through a blocked plane).
      if (!(std::fabs(vx) < g.nX2 + 1) || !(std::fabs(vy) < g.nY2 + 1) || !std::isfinite(vz))
        continue;
      const int gx = static_cast<int>(vx) + g.nX2;
      const int gy = static_cast<int>(vy) + g.nY2;
      if (gx >= g.nX || gy >= g.nY) continue;  // even grid: no point at +n/2
      // Far points are first reduced by whole cells so the truncation stays
      // within the integer range.
      const double vzr = std::fabs(vz) < 1.0e6f ? static_cast<double>(vz)
                                                : std::fmod(static_cast<double>(vz), g.nZSel);
      const int gz = g.wrapZ(truncToLL(vzr) + g.nZ2 + 1);
      w.nGridX[i] = gx;
      w.nGridY[i] = gy;
      w.nGridZ[i] = gz;
      wt *= pot3Dst[static_cast<long long>(g.nY) * g.nZ * gx + static_cast<long long>(g.nZ) * gy +
                    gz - 1];
    }
    return wt;
  };
  if (everyPointBlocks(k, g, pot3Dst)) return 1;
  double acc[5] = {0, 0, 0, 0, 0}, total = 0.0;
  OrientationWeights own;
  if (!sampleGrid(k, g, rCell, no_atoms, x, y, z, n_dots, dots, false, weight, acc, &total, &own))
    return 1;

  if (total > 0.0) {
    for (int j = 0; j < 5; j++) saupe[j] = acc[j] / total;
  } else {
    std::fprintf(stderr, "WARNING: Error in simulation\n");
    for (int j = 0; j < 5; j++) saupe[j] = acc[j];
  }
  // The order is held against denser spheres as the potential model's is: a grid that blocks the
  // molecule at a few orientations only leaves an order of the sphere's chance placement of them,
  // which shrinks as the sphere grows. Where the denser sphere's order is zero within its own
  // sampling, the run's is that noise, and zero (the verdict refuses it as such). The denser
  // sphere is scanned once, for both.
  const int dense = denserDensity(sphereDensityOf(k, n_dots));
  OrientationWeights denser;
  int denseDots = 0;
  const double* denseSphere = nullptr;  // the module's sphere, kept for the process
  const SphereScan rescan = [&](const double* d, int nd, OrientationWeights* w) {
    if (d == denseSphere && denser.size() > 0) return *w = denser, true;
    double a2[5] = {0, 0, 0, 0, 0}, t2 = 0.0;
    return scanGrid(k, g, no_atoms, x, y, z, nd, d, false, weight, a2, &t2, w, false);
  };
  if (!sphereCheckPaused() && !tensorIsZero(saupe) && !orderWithinSampling(own, saupe)) {
    denseSphere = sphereOfDensity(dense, &denseDots);
    double order[5];
    if (denseSphere == nullptr || !rescan(denseSphere, denseDots, &denser)) return 1;
    if (!orientationAverage(denser, order) || orderWithinSampling(denser, order)) {
      noteTensorZero();
      return 0;
    }
  }
  return convergedOrRefuse(who, k, n_dots, own, saupe, rescan);
}

// ---------------------------------------------------------------------------
// Bicelle geometry
// ---------------------------------------------------------------------------

int refine_bicelle(KorimInfo* korimInfo) {
  if (korimInfo == nullptr) return 1;
  KorimInfo& k = *korimInfo;
  // A second call on the same record starts again from the ratio given.
  float given = k.molarRatio;
  if (simu.refinedInfo == korimInfo && k.molarRatio == simu.effectiveRatio)
    given = simu.givenRatio;

  const double c = k.concentration;  // lipid weight fraction
  const double q = given;            // long- to short-chain lipid ratio
  const double r = k.radiusModel;    // rim radius, Angstrom
  // Molar masses of the long-chain (677.94) and short-chain (453.51) lipid.
  const double molDHPC = c * 1000.0 / (q * 677.94 + 453.51);
  const double molDMPC = q * molDHPC;
  // 0.005 mol/l of the short-chain lipid stays free in solution.
  const double qEff = molDMPC / (molDHPC - 0.005);
  const double freePart = c >= 0.01 ? -0.005 : -0.0;
  const double wvBic = (453.51 * (molDHPC + freePart) + 677.94 * molDMPC) / 1000.0;
  const float lengthModel =
      static_cast<float>(0.5 * r * qEff * (kPi8 + std::sqrt(8.0 / qEff + 9.869604378534024)));
  const double rSingle = r / wvBic;
  const double order = kPi8 * lengthModel / (4.0 * (2.0 * r + kPi8 * lengthModel));
  const bool usable = qEff > 0.0 && std::isfinite(qEff) && molDHPC - 0.005 > 0.0 &&
                      lengthModel > 0.0f && std::isfinite(lengthModel) && rSingle > 0.0 &&
                      std::isfinite(rSingle) && std::isfinite(order);
  // The driver refines the bicelle before every prediction, but rods and 3-D grids are not made
  // of bicelles: for them a geometry that does not exist (a rod's low concentration, a grid's
  // radius 0) leaves the settings as they are and is no error.
  if (!usable && (k.lcType == settings::kLcRod || k.lcType == settings::kLc3D)) return 0;
  if (!(qEff > 0.0) || !std::isfinite(qEff) || !(molDHPC - 0.005 > 0.0)) {
    // The short-chain lipid forms bicelles once more of it is dissolved than stays free.
    const double least = 0.005 * (q * 677.94 + 453.51) / 1000.0;
    char above[64] = "";
    if (q > 0.0 && std::isfinite(least)) std::snprintf(above, sizeof above, " above %g", least);
    std::fprintf(stderr,
                 "refine_bicelle: concentration %g with molar ratio %g forms no bicelles "
                 "(effective molar ratio %g); raise the concentration (-wv)%s or check the ratio.\n",
                 c, q, qEff, above);
    return 1;
  }
  if (!(lengthModel > 0.0f) || !std::isfinite(lengthModel) || !(rSingle > 0.0) ||
      !std::isfinite(rSingle) || !std::isfinite(order)) {
    // The concentration forms bicelles (above): the radius of the wall makes their geometry.
    std::fprintf(stderr,
                 "refine_bicelle: -rM %g, the half thickness of the bicelle in Angstrom, with concentration %g gives "
                 "no bicelle geometry (length %g, cell %g Angstrom)",
                 r, c, static_cast<double>(lengthModel), rSingle);
    char fallback[32];
    std::snprintf(fallback, sizeof fallback, "%g", static_cast<double>(settings::kRadiusModelDefault));
    if (!(r > 0.0) && r != settings::kRadiusModelDefault)
      std::fprintf(stderr, "; the wall needs a thickness above 0: the default, %s, gives one",
                   foundation::adviseOption("-rM", fallback).c_str());
    std::fprintf(stderr, ".\n");
    return 1;
  }
  k.lengthModel = lengthModel;
  k.rSingleCell = static_cast<float>(rSingle);
  k.orderDiscRim = static_cast<float>(order);
  k.molarRatio = static_cast<float>(qEff);
  simu.refinedInfo = korimInfo;
  simu.givenRatio = given;
  simu.effectiveRatio = k.molarRatio;
  return 0;
}

double widestBicelleCell(const KorimInfo& k) {
  const double q = simu.refinedInfo == &k && k.molarRatio == simu.effectiveRatio ? simu.givenRatio : k.molarRatio;
  // At the least concentration, 0.005 mol/l of the short-chain lipid is dissolved, all of it free.
  const double least = 0.005 * (q * 677.94 + 453.51) / 1000.0;
  const double molDHPC = 0.005, freePart = least >= 0.01 ? -0.005 : -0.0;
  const double wvBic = (453.51 * (molDHPC + freePart) + 677.94 * q * molDHPC) / 1000.0;
  const double widest = k.radiusModel / wvBic;
  return q > 0.0 && widest > 0.0 && std::isfinite(widest) ? widest : HUGE_VAL;
}

void simuReset() {
  for (auto& row : simu.saupe_dis)
    for (double& v : row) v = 0.0;
  for (int j = 0; j < 5; j++) simu.saupe_bic[j] = simu.saupe_ph[j] = 0.0;
  simu.refinedInfo = nullptr;
  simu.givenRatio = 0.0f;
  simu.effectiveRatio = 0.0f;
}

}  // namespace korim::simulation
