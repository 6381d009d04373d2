// Why a molecule does not fit the room a wall or rod medium leaves it: the one cause the refusal
// names (the structure's own extent, the atom radius, the medium's size or its concentration).
#pragma once

#include "settings/settings.h"

namespace korim::simulation {

// How far the molecule reaches and how far the medium could stand apart; lengths in Angstrom.
struct Reach {
  double closest;  // the molecule's closest approach to the wall's plane or the rod's axis
  double extent;   // the molecule's span beyond it (its largest radius)
  double widest;   // the room the medium leaves at any concentration (walls: widestBicelleCell; rods: infinity)
};

// The molecule and the medium of a refusal; lengths in Angstrom.
struct NoFit {
  const char* who;        // the model that refuses ("stericAlignment", "sma")
  double clashEnd;        // the last position of the clash region, from the wall's plane or the rod's axis
  double room;            // the half cell (wall) or the cell radius (rod) at this concentration
  Reach reach;
  double atomRadius;      // -rA, counted in clashEnd
  double gridSpacing;     // -dGrid
  double wvAmount;        // -wv, fraction w/v
  const char* particles;  // "walls" or "rods"
  const char* limit;      // what bounds a lower concentration (" (as long as bicelles still form)") or ""
  double size;            // -rM: the wall's half thickness or the rod's radius
  double sizeDefault;     // the default of -rM in this medium
  const char* sizeName;   // "bicelle's half thickness" or "rod's radius"
};

// The widest half cell (Angstrom) that bicelles of korimInfo's thickness (radiusModel) and molar
// ratio (the ratio given, where refine_bicelle replaced it) leave between them at any
// concentration that forms them: the bound the cell nears as the concentration falls to the least
// that does (refine_bicelle's steps, beside which it is defined). Infinity where the ratio forms no
// bicelles.
double widestBicelleCell(const settings::KorimInfo& korimInfo);

// The span the positions of the molecule cover at a step of gridSpacing, whatever the
// concentration: the row holds 5000 positions. A molecule of larger extent has no room at any.
double positionsSpan(double gridSpacing);

// After "<who>: the molecule does not fit between the <particles>: ...", the line naming the
// cause, the first that holds of: the structure's extent beyond either positionsSpan (at the
// finest step the run computes: finerStep of its step) or the widest room beyond its closest approach (no
// concentration gives it room; the limit is kept for structureBeyondReach); the atom radius (-rA), where the
// molecule fits without it; the medium's size (-rM) below its default, where the default lets it
// fit; else the concentration (-wv), a lower one standing the particles further apart.
void nameCauseOfNoFit(const NoFit& c);

// The line naming -wv, the concentration that sets the room, as the cause of a medium too dense.
void nameConcentration(const char* who, double wvAmount, const char* particles, const char* limit);

// The distance from the molecule's centre (Angstrom) beyond which its atoms lie outside every
// room, when the last refusal blamed the structure's extent; 0 otherwise. The driver that knows
// the structure names those atoms.
double structureBeyondReach();

// Forgets the last refusal; for the driver before each model run, and for tests.
void noFitReset();

}  // namespace korim::simulation
