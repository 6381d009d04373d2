// Energy terms of the restraint library: the module work space of the superposing tallies.
#include "restraints/energy.h"

#include <climits>
#include <cstdio>

#include "foundation/memory.h"
#include "structure/pdb.h"

namespace korim::restraints {

using foundation::unAlloc;
using foundation::voidMalloc;
using structure::Coord3D;

namespace {

// Reference and moving coordinates of the restraint index being superposed.
struct EnergyModule {
    Coord3D* refList = nullptr;
    Coord3D* aList = nullptr;
    int maxCoords = 0;
};

EnergyModule energy;

int listBytes(int count) { return count * static_cast<int>(sizeof(Coord3D)); }

}  // namespace

int energyAlloc(int coordCount) {
    if (energy.maxCoords >= coordCount) return 0;
    energyFree();
    if (coordCount > INT_MAX / static_cast<int>(sizeof(Coord3D))) {
        std::fprintf(stderr, "MERIDO Error (Energy) allocating workspaces.\n");
        return 1;
    }
    auto* ref = static_cast<Coord3D*>(voidMalloc("energy", listBytes(coordCount)));
    auto* moving = ref != nullptr ? static_cast<Coord3D*>(voidMalloc("energy", listBytes(coordCount)))
                                  : nullptr;
    if (ref == nullptr || moving == nullptr) {
        if (ref != nullptr) unAlloc("energy", ref, listBytes(coordCount));
        std::fprintf(stderr, "MERIDO Error (Energy) allocating workspaces.\n");
        return 1;
    }
    energy.refList = ref;
    energy.aList = moving;
    energy.maxCoords = coordCount;
    return 0;
}

int energyFree() {
    if (energy.refList != nullptr) unAlloc("energy", energy.refList, listBytes(energy.maxCoords));
    if (energy.aList != nullptr) unAlloc("energy", energy.aList, listBytes(energy.maxCoords));
    energy = EnergyModule{};
    return 0;
}

int energyCoordCapacity() { return energy.maxCoords; }

}  // namespace korim::restraints
