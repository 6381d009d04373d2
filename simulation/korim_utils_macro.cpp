// Macroscopic alignment model: obstruction by a charged wall or rod, each
// allowed state weighted by its Boltzmann factor.
#include "simulation/korim_utils_macro.h"

#include <climits>
#include <cmath>
#include <cstdio>
#include <vector>

#include "foundation/memory.h"
#include "simulation/orientprogress.h"
#include "simulation/korim_utils_math.h"
#include "simulation/korim_utils_simu.h"
#include "simulation/ssia.h"

namespace korim::simulation {

using namespace korim::foundation;

namespace {

constexpr const char* kTag = "macroAlignment";

// Per-position table of weighted element sums.
struct MacroState {
  double saupe_dis[kSimuMaxPositions][5];
};

MacroState macro;

bool refuse(const char* what) {
  std::fprintf(stderr, "macroAlignment: %s\n", what);
  return true;
}

}  // namespace

int macroAlignment(settings::KorimInfo* korimInfo, double rimOrder, int lcType, double stepOutLength,
                   double max_obstruction, double radius, double gridSpacing, double wvAmount,
                   double molarRatio, double temperatureKPot, int chargeInfo, float kPot,
                   double kEner, double saltConc, double surfChDens, double cutOffPOT,
                   int no_atoms, double* x, double* y, double* z, int digit_psi, int n_dots,
                   double* ddots, double max_protein_length, double min_protein_length,
                   int chCount, int* chargeAtomID, float* charges, int digPotential,
                   double* potential, double offset, double stepsize, double* saupe) {
  (void)korimInfo;
  (void)rimOrder;
  (void)molarRatio;
  char msg[256];
  if (digit_psi < 1 || n_dots < 1 || ddots == nullptr ||
      static_cast<long long>(digit_psi) * n_dots > INT_MAX) {
    std::snprintf(msg, sizeof msg, "no usable orientation sampling (%d dots, %d turns).", n_dots,
                  digit_psi);
    refuse(msg);
    return 1;
  }
  if (no_atoms < 0 || (no_atoms > 0 && (!x || !y || !z)) || chCount < 0 ||
      (chCount > 0 && (!chargeAtomID || !charges))) {
    std::snprintf(msg, sizeof msg, "invalid numbers of points (%d) or charges (%d).", no_atoms,
                  chCount);
    refuse(msg);
    return 1;
  }
  for (int c = 1; c <= chCount; c++)
    if (chargeAtomID[c] < 1 || chargeAtomID[c] > no_atoms) {
      std::snprintf(msg, sizeof msg, "charge %d sits at point %d, outside the %d points.", c,
                    chargeAtomID[c], no_atoms);
      refuse(msg);
      return 1;
    }
  if (!(gridSpacing > 0.0) || !std::isfinite(gridSpacing) ||
      !((max_protein_length - min_protein_length) / gridSpacing >= 0.0)) {
    std::snprintf(msg, sizeof msg, "grid spacing %g or molecule extent %g to %g is unusable.",
                  gridSpacing, min_protein_length, max_protein_length);
    refuse(msg);
    return 1;
  }
  ScreenedPotential sp{};
  if (lcType == 1 && screenedPotentialSetup(saltConc, temperatureKPot, surfChDens, true, &sp)) {
    std::snprintf(msg, sizeof msg, "salt concentration %g and temperature %g must be positive.",
                  saltConc, temperatureKPot);
    refuse(msg);
    return 1;
  }
  if (lcType == 2 && (!(wvAmount > 0.0) || !(max_obstruction > 0.0) || potential == nullptr ||
                      digPotential < 2 || !(stepsize > 0.0) || !std::isfinite(stepsize))) {
    std::snprintf(msg, sizeof msg,
                  "rod medium unusable: concentration %g, radius %g, potential table of %d "
                  "points with step %g.",
                  wvAmount, max_obstruction, digPotential, stepsize);
    refuse(msg);
    return 1;
  }

  PositionWork w(kTag, no_atoms, false);
  if (!w.ok()) {
    std::fprintf(stderr, "Error allocating coord buffers.\n");
    return 1;
  }

  std::fprintf(stderr, "@@2: ddots[0] = %e\n", ddots[0]);
  const int N = n_dots * digit_psi;
  if (lcType != 1 && lcType != 2) return 0;

  // Positions of the clash region, capped at the end of the table.
  const int lengthGrid =
      clashRegion(w.grid_el, min_protein_length, max_protein_length, max_obstruction, gridSpacing);

  if (lcType == 1 && chargeInfo) {
    std::printf("\ncharacteristics of electrostatic potential:\n");
    std::printf("===========================================\n");
    std::printf("equilibrium density of ion pairs [1/nm_3]: %e\n", sp.rho);
    std::printf("Debye length [nm]: %e\n", 1.0 / sp.kappa);
    std::printf("potential at surface [e/kB*T]: %e\n\n\n", sp.y0);
  }

  // The rod's table multiplied by kPot, in a private copy.
  std::vector<double> pot;
  double Dm = 0.0;
  double outer;
  if (lcType == 1) {
    outer = stepOutLength - cutOffPOT > 0.0 ? cutOffPOT : stepOutLength;
  } else {
    pot.assign(static_cast<size_t>(digPotential) + 1, 0.0);
    for (int k = 1; k <= digPotential; k++)
      pot[k] = static_cast<double>(static_cast<float>(potential[k])) * kPot;
    Dm = rodCellRadius(max_obstruction, wvAmount) - max_obstruction;
    if (Dm < (digPotential - 1) * stepsize + offset + max_protein_length)
      std::printf("warning: potential of neighbouring liquid crystal particles overlapping!");
    outer = Dm < cutOffPOT ? Dm : cutOffPOT;
  }
  // Positions appended beyond the clash region up to the outer distance
  // (taken in single precision), the first one beyond it included.
  const int last =
      extendPositions(w.grid_el, lengthGrid, gridSpacing, static_cast<float>(outer));
  for (int i = 0; i <= last; i++) {
    for (int j = 0; j < 5; j++) macro.saupe_dis[i][j] = 0.0;
    w.total[i] = 0.0;
  }

  const float inc_psi = static_cast<float>(360.0 / digit_psi);
  const double bound = max_obstruction + radius;
  bool beyondTable = false;
  int r = 0;
  OrientationProgress progress(N);
  // The turn is formed in single precision (inc_psi is a float), as the
  // model has always done.
  forEachOrientation(ddots, n_dots, digit_psi, inc_psi, [&](const SampledOrientation& o) {
    progress.step(++r);
    const double* v = o.s;
    projectOnAxis(no_atoms, x, y, z, o.u, w.xJ);
    if (lcType == 2) projectOnAxis(no_atoms, x, y, z, o.v, w.yJ);
    // Some atom touches the wall exactly when the lowest one does; a NaN
    // coordinate fails the contact comparison and is left out.
    const float lowest = lcType == 1 ? lowestProjection(w.xJ, no_atoms, nullptr) : 0.0f;

    for (int i = 0; i <= last; i++) {
      const float g = w.grid_el[i];
      bool blocked = false;
      if (i <= lengthGrid && lcType == 1) {
        blocked = lowest + g <= bound;
      } else if (i <= lengthGrid) {
        for (int a = 1; a <= no_atoms && !blocked; a++) {
          const double u = static_cast<double>(w.xJ[a]) + g, yv = w.yJ[a];
          blocked = std::sqrt(u * u + yv * yv) <= bound;
        }
      }
      double wt = 0.0;
      if (!blocked) {
        double E = 0.0;
        for (int c = 1; c <= chCount; c++) {
          const int a = chargeAtomID[c];
          if (lcType == 1) {
            // Distance from the wall surface, formed in single precision.
            const float dist = g + w.xJ[a] - static_cast<float>(max_obstruction);
            E += charges[c] * screenedPotentialAt(sp, dist);
          } else {
            const double u = static_cast<double>(w.xJ[a]) + g, yv = w.yJ[a];
            const double rc = std::sqrt(u * u + yv * yv) - max_obstruction;
            E +=
                charges[c] * tablePotentialAt(pot.data(), digPotential, stepsize, rc, &beyondTable);
          }
        }
        wt = std::exp(-kEner * E);
      }
      for (int j = 0; j < 5; j++) macro.saupe_dis[i][j] += wt * v[j];
      w.total[i] += wt;
    }
  });
  progress.finish();
  if (beyondTable) reportBeyondTable("macroAlignment", digPotential, stepsize);

  double Z = 0.0, out[5] = {0, 0, 0, 0, 0};
  if (lcType == 1) {
    for (int i = 0; i <= last; i++) Z += w.total[i];
    if (stepOutLength - cutOffPOT > 0.0) Z += N * (stepOutLength - cutOffPOT) / gridSpacing;
    for (int j = 0; j < 5; j++) {
      double s = 0.0;
      for (int i = 0; i <= last; i++) s += macro.saupe_dis[i][j];
      out[j] = s / Z;
    }
  } else {
    for (int i = 0; i <= last; i++) Z += w.total[i] * w.grid_el[i] / max_obstruction;
    // Free shells up to the neighbouring rod, the first beyond it included.
    if (cutOffPOT < Dm && w.grid_el[last] <= Dm)
      for (long long k = 1;; k++) {
        const double vk = k * gridSpacing + w.grid_el[last];
        Z += vk * N / max_obstruction;
        if (vk > Dm) break;
      }
    for (int j = 0; j < 5; j++) {
      double s = 0.0;
      for (int i = 0; i <= last; i++)
        s += macro.saupe_dis[i][j] * (1.0 / Z) * w.grid_el[i] / max_obstruction;
      out[j] = s;
    }
  }
  for (int j = 0; j < 5; j++)
    if (!(Z > 0.0) || !std::isfinite(out[j])) {
      std::snprintf(msg, sizeof msg,
                    "no finite average of the allowed states (summed weight %g); no alignment "
                    "computed.",
                    Z);
      refuse(msg);
      return 1;
    }
  for (int j = 0; j < 5; j++) saupe[j] = out[j];
  return 0;
}

}  // namespace korim::simulation
