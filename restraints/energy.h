// Energy terms of the restraint library: the module work space of the superposing tallies.
#pragma once

namespace korim::restraints {

// Makes room for coordCount points in each of the two coordinate lists (reference and moving,
// tag "energy") used to superpose restraint targets. Keeps the lists when they are large enough;
// otherwise releases them and allocates anew. Returns 0, or 1 after "MERIDO Error (Energy)
// allocating workspaces." on stderr, with no lists held.
int energyAlloc(int coordCount);

// Releases both lists; the module then holds none. Returns 0.
int energyFree();

// Number of points each list holds now (0 when none).
int energyCoordCapacity();

}  // namespace korim::restraints
