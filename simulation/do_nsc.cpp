// Surface atoms of a structure through the numerical surface calculation.
#include "simulation/do_nsc.h"

#include <cstdio>
#include <cstdlib>

#include "foundation/memory.h"
#include "simulation/nsc.h"

namespace korim::simulation {

using namespace korim::foundation;
using structure::AtomInfo;
using structure::PDBInfo;

namespace {

constexpr const char* kTag = "callNSC";

struct Buffers {
  int n = 0;
  int* index = nullptr;
  double* radii = nullptr;
  double* coords = nullptr;
  ~Buffers() {
    unAlloc(kTag, index, n * 4);
    unAlloc(kTag, radii, n * 8);
    unAlloc(kTag, coords, 3 * n * 8);
  }
};

}  // namespace

float getRadius(const AtomInfo* atomInfo) {
  switch (atomInfo->atomName[0]) {
    case 'C':
    case 'F':
      return 1.9f;
    case 'N':
    case 'P':
    case 'S':
      return 1.8f;
    default:
      return 1.4f;
  }
}

int exposedSpheres(const double* coords, const double* radii, int n, std::vector<char>* exposed) {
  const AreaTest halfExposed = [radii](int k, double area) {
    const double r = radii[k] - kNscProbeRadius;
    return area / (kNscFourPi * r * r) > 0.5;
  };
  if (nsc_areaTest(coords, radii, n, kNscDensity, halfExposed, exposed) != 0) {
    std::fprintf(stderr, "NSC: error.\n");
    return 1;
  }
  return 0;
}

int callNSC(PDBInfo* pdbInfo) {
  const int atomCount = pdbInfo->atomCount;
  Buffers b;
  b.n = atomCount;
  b.index = intAlloc(kTag, atomCount);
  b.radii = dFltAlloc(kTag, atomCount);
  b.coords = dFltAlloc(kTag, 3 * atomCount);
  if (!b.index || !b.radii || !b.coords) {
    std::fprintf(stderr, "callNSC: Error allocating coord buffers.\n");
    return 1;
  }
  int n = 0;
  for (int i = 0; i < atomCount; i++) {
    const AtomInfo* atom = &pdbInfo->atomList[i];
    if (!atom->selected) continue;
    b.coords[3 * n] = atom->x;
    b.coords[3 * n + 1] = atom->y;
    b.coords[3 * n + 2] = atom->z;
    b.radii[n] = static_cast<double>(getRadius(atom)) + kNscProbeRadius;
    b.index[n] = i;
    n++;
  }
  std::vector<char> exposed;
  if (exposedSpheres(b.coords, b.radii, n, &exposed) != 0) return 1;
  for (int i = 0; i < atomCount; i++) pdbInfo->atomList[i].selected = 0;
  for (int k = 0; k < n; k++)
    if (exposed[k]) pdbInfo->atomList[b.index[k]].selected = 1;
  return 0;
}

}  // namespace korim::simulation
