// Point-list workspace of the driver's superpositions: the reference and moving point lists.
#ifndef KORIM_APP_FIT_COORDS_H
#define KORIM_APP_FIT_COORDS_H

#include "structure/pdb.h"

namespace korim::app {

// The two lists (tag "korimFit"), each with room for maxCoords points.
struct FitCoords {
  structure::Coord3D* refList = nullptr;
  structure::Coord3D* aList = nullptr;
  int maxCoords = 0;
};

// The module's lists; valid until the next fitCoordAlloc or fitCoordFree.
FitCoords& fitCoords();

// Makes both lists hold at least coordCount points (they only grow). Returns 0, or 1 after
// "KORIM Error (Fit) allocating workspaces." with both lists released.
int fitCoordAlloc(int coordCount);

// Releases both lists; returns 0.
int fitCoordFree();

}  // namespace korim::app

#endif  // KORIM_APP_FIT_COORDS_H
