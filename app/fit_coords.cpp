// Point-list workspace of the driver's superpositions.
#include "app/fit_coords.h"

#include <cstdio>

#include "foundation/memory.h"

namespace korim::app {

namespace {

constexpr int kPointBytes = static_cast<int>(sizeof(structure::Coord3D));

FitCoords state;

}  // namespace

FitCoords& fitCoords() { return state; }

int fitCoordFree() {
  foundation::unAlloc("korimFit", state.refList, state.maxCoords * kPointBytes);
  foundation::unAlloc("korimFit", state.aList, state.maxCoords * kPointBytes);
  state = FitCoords{};
  return 0;
}

int fitCoordAlloc(int coordCount) {
  if (state.maxCoords >= coordCount) return 0;
  fitCoordFree();
  auto* ref = static_cast<structure::Coord3D*>(
      foundation::voidMalloc("korimFit", coordCount * kPointBytes));
  auto* moving = ref == nullptr ? nullptr
                                : static_cast<structure::Coord3D*>(foundation::voidMalloc(
                                      "korimFit", coordCount * kPointBytes));
  if (moving == nullptr) {
    foundation::unAlloc("korimFit", ref, coordCount * kPointBytes);
    std::fputs("KORIM Error (Fit) allocating workspaces.\n", stderr);
    return 1;
  }
  state.refList = ref;
  state.aList = moving;
  state.maxCoords = coordCount;
  return 0;
}

}  // namespace korim::app
