// Why a molecule does not fit the room a wall or rod medium leaves it: the one cause a refusal names.
#include "simulation/no_fit.h"

#include <algorithm>
#include <cstdio>
#include <string>

#include "foundation/advice.h"
#include "foundation/appendf.h"
#include "settings/settings.h"
#include "simulation/ssia.h"
#include "simulation/step_convergence.h"

namespace korim::simulation {

namespace {

// Module state: the limit of the last refusal that blamed the structure's extent (Angstrom from
// the molecule's centre; 0 for none).
struct NoFitState {
  double beyond = 0.0;
};

NoFitState noFit;

// The medium's size (-rM) below its default as the cause: the room grows with it in proportion,
// and the molecule's positions begin that much further out (one grid step to spare for the
// rounding of the positions).
bool fitsAtDefaultSize(const NoFit& c) {
  return c.size > 0.0 && c.size < c.sizeDefault &&
         c.clashEnd - c.size + c.sizeDefault + c.gridSpacing <= c.room * (c.sizeDefault / c.size);
}

}  // namespace

double positionsSpan(double gridSpacing) { return (kSsiaMaxPositions - 1) * gridSpacing; }

void nameConcentration(const char* who, double wvAmount, const char* particles, const char* limit) {
  std::fprintf(stderr,
               "%s: -wv %g is the medium's concentration as a fraction w/v (0.05 for 5 %%); a "
               "lower one stands the %s further apart%s.\n",
               who, wvAmount, particles, limit);
}

void nameCauseOfNoFit(const NoFit& c) {
  noFit.beyond = 0.0;
  // The positions of every concentration start at the molecule's closest approach and span at most
  // positionsSpan at the finest step the run computes: the default for a finer step (which spans
  // less, and is no cause of the structure's), else the quarter of the step that its check
  // computes too. The walls stand no further apart than their widest cell. A molecule reaching
  // further has no room at any concentration: a lower one meets the limit of the positions or of
  // the medium.
  const double step = finerStep(c.gridSpacing, 1);
  // The atom radius (-rA) moves the closest approach out; it, not the structure, is named below.
  const double span = positionsSpan(step), cell = c.reach.widest - (c.reach.closest - c.atomRadius);
  if (c.reach.extent > std::min(span, cell)) {
    noFit.beyond = std::min(span, cell);
    std::string limit;
    // The steps as the settings hold them (in single precision).
    const float at = static_cast<float>(step), run = static_cast<float>(c.gridSpacing);
    if (span <= cell)
      foundation::appendf(limit, "that the %d positions of the molecule span at -dGrid %g%s", kSsiaMaxPositions, step,
                          at > run   ? " (the default; a finer step spans less)"
                          : at < run ? " (the finer step the run's is checked against)"
                                     : "");
    else
      foundation::appendf(limit, "that the %s leave it at any concentration that forms bicelles", c.particles);
    std::fprintf(stderr,
                 "%s: the structure reaches %g Angstrom from its centre, beyond the %g Angstrom %s: no concentration "
                 "(-wv) leaves it room, as its own extent does not fit.\n",
                 c.who, c.reach.extent, noFit.beyond, limit.c_str());
    return;
  }
  if (c.atomRadius > 0.0 && c.clashEnd - c.atomRadius + c.gridSpacing <= c.room) {
    std::fprintf(stderr,
                 "%s: -rA %g adds that radius, in Angstrom, to every atom (default 0); with a smaller "
                 "one the molecule fits.\n",
                 c.who, c.atomRadius);
  } else if (fitsAtDefaultSize(c)) {
    char value[32];
    std::snprintf(value, sizeof value, "%g", c.sizeDefault);
    std::fprintf(stderr,
                 "%s: -rM %g is the %s in Angstrom; the %s stand apart in proportion to it, and the default, %s, "
                 "leaves the molecule room between them.\n",
                 c.who, c.size, c.sizeName, c.particles, foundation::adviseOption("-rM", value).c_str());
  } else {
    nameConcentration(c.who, c.wvAmount, c.particles, c.limit);
  }
}

double structureBeyondReach() { return noFit.beyond; }

void noFitReset() { noFit = NoFitState{}; }

}  // namespace korim::simulation
