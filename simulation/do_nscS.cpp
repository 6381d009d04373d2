// Surface atoms of a bare coordinate list through the numerical surface calculation.
#include "simulation/do_nscS.h"

#include <cstdio>
#include <vector>

#include "foundation/memory.h"
#include "simulation/do_nsc.h"

namespace korim::simulation {

using namespace korim::foundation;

namespace {

constexpr const char* kTag = "surfSel";

struct Buffers {
  int n = 0;
  double* radii = nullptr;
  double* coords = nullptr;
  double* xc = nullptr;
  double* yc = nullptr;
  double* zc = nullptr;
  ~Buffers() {
    unAlloc(kTag, radii, n * 8);
    unAlloc(kTag, coords, 3 * n * 8);
    unAlloc(kTag, xc, (n + 1) * 8);
    unAlloc(kTag, yc, (n + 1) * 8);
    unAlloc(kTag, zc, (n + 1) * 8);
  }
};

}  // namespace

int surfSel(int atomCount, double* xI, double* yI, double* zI, int* atomSelCount) {
  if (atomCount < 0) atomCount = 0;  // nothing to select; reported by the surface step
  Buffers b;
  b.n = atomCount;
  b.radii = dFltAlloc(kTag, atomCount);
  b.coords = dFltAlloc(kTag, 3 * atomCount);
  b.xc = dFltAlloc(kTag, atomCount + 1);
  b.yc = dFltAlloc(kTag, atomCount + 1);
  b.zc = dFltAlloc(kTag, atomCount + 1);
  if (!b.radii || !b.coords || !b.xc || !b.yc || !b.zc) {
    std::fprintf(stderr, "surfSel: Error allocating coord buffers.\n");
    return 1;
  }
  for (int i = 1; i <= atomCount; i++) {
    b.xc[i] = xI[i];
    b.yc[i] = yI[i];
    b.zc[i] = zI[i];
    b.coords[3 * (i - 1)] = xI[i];
    b.coords[3 * (i - 1) + 1] = yI[i];
    b.coords[3 * (i - 1) + 2] = zI[i];
    b.radii[i - 1] = kSurfSelRadius;
  }
  std::vector<char> exposed;
  if (exposedSpheres(b.coords, b.radii, atomCount, &exposed) != 0) return 1;
  int k = 0;
  for (int i = 1; i <= atomCount; i++) {
    if (exposed[i - 1]) {
      k++;
      xI[k] = b.xc[i];
      yI[k] = b.yc[i];
      zI[k] = b.zc[i];
    }
  }
  *atomSelCount = k;
  return 0;
}

}  // namespace korim::simulation
