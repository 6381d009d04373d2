// Surface atoms of a structure: keeps selected only the selected atoms whose
// solvent-exposed area exceeds half of their own sphere's.
#pragma once

#include <vector>

#include "structure/pdb.h"

namespace korim::simulation {

// Probe radius added to every atom radius of the surface calculation (A).
constexpr double kNscProbeRadius = 1.4;
// 4 pi as the exposure ratio (atom area over its sphere's) has always been
// computed.
constexpr double kNscFourPi = 12.5663706;
// Dot density of the surface calculation (the 752-dot sphere).
constexpr int kNscDensity = 700;

// Atom radius (A) by the first letter of the atom name: C, F 1.9; N, P, S 1.8;
// any other 1.4.
float getRadius(const structure::AtomInfo* atomInfo);

// Surface calculation (density kNscDensity, areas per sphere) of n spheres
// (coords: x, y, z per sphere; radii including the probe radius): exposed[k]
// becomes 1 for every sphere k whose exposed area exceeds half the area of
// its sphere without the probe radius, else 0. Returns 0; 1 after "NSC:
// error.\n" on stderr when the calculation fails (exposed then untouched).
int exposedSpheres(const double* coords, const double* radii, int n, std::vector<char>* exposed);

// Clears AtomInfo.selected on every atom and sets it to 1 again for the
// previously selected atoms that are exposed. Returns 0, or 1 after a message
// on stderr (work arrays, or the surface calculation failed: selection then
// unchanged).
int callNSC(structure::PDBInfo* pdbInfo);

}  // namespace korim::simulation
