// Surface atoms of a bare coordinate list: compacts the list to its exposed
// atoms.
#pragma once

namespace korim::simulation {

// Radius given to every point of a bare coordinate list (1.7 A plus the probe).
constexpr double kSurfSelRadius = 3.1;

// xI, yI, zI: 1-based, entries 1..atomCount. On success the exposed atoms are
// moved, in input order, to entries 1..k, k goes to *atomSelCount and the
// result is 0. Returns 1 after a message on stderr when work arrays cannot be
// had or the surface calculation fails (no atom); the inputs are then
// unchanged.
int surfSel(int atomCount, double* xI, double* yI, double* zI, int* atomSelCount);

}  // namespace korim::simulation
