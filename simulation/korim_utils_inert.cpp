// Second-moment (inertia) tensor of an atom set about its centroid.
#include "simulation/korim_utils_inert.h"

#include <cstdio>

#include "foundation/memory.h"
#include "simulation/korim_utils_coor.h"

namespace korim::simulation {

using namespace korim::foundation;
using structure::AtomInfo;
using structure::PDBInfo;

int calcInertia(PDBInfo* pdbInfo, double* inertiaTensor) {
  const int atomCount = pdbInfo->atomCount;
  CoordArrays<double> c("matrix", atomCount + 1, "calcInertia");
  if (!c.ok()) {
    std::fprintf(stderr, "Error in calcInertia: allocating coord buffers.\n");
    return 1;
  }
  int n = 0;
  for (int i = 0; i < atomCount; i++) {
    const AtomInfo* atom = &pdbInfo->atomList[i];
    if (!atom->selected) continue;
    c.x[n] = atom->x;
    c.y[n] = atom->y;
    c.z[n] = atom->z;
    n++;
  }
  if (n == 0) {
    std::fprintf(stderr, "WARNING: Zero atoms for inertia tensor selected.\n");
    return 1;
  }
  float sx = 0.0f, sy = 0.0f, sz = 0.0f;
  for (int i = 0; i < n; i++) {
    sx = static_cast<float>(sx + c.x[i]);
    sy = static_cast<float>(sy + c.y[i]);
    sz = static_cast<float>(sz + c.z[i]);
  }
  const float mx = sx / n, my = sy / n, mz = sz / n;
  for (int i = 0; i < n; i++) {
    c.x[i] = static_cast<float>(c.x[i] - mx);
    c.y[i] = static_cast<float>(c.y[i] - my);
    c.z[i] = static_cast<float>(c.z[i] - mz);
  }
  const double* axes[3] = {c.x, c.y, c.z};
  for (int a = 0; a < 3; a++)
    for (int b = 0; b < 3; b++) {
      double s = 0.0;
      for (int i = 0; i < n; i++) s += axes[a][i] * axes[b][i];
      inertiaTensor[3 * a + b] = s / n;
    }
  return 0;
}

int calcInertiaSel(PDBInfo* pdbInfo, int resN, int resC, double* inertiaTensor) {
  const int atomCount = pdbInfo->atomCount;
  CoordArrays<float> c("calcInertiaSel", atomCount, "matrix");
  if (!c.ok()) {
    std::fprintf(stderr, "Error in calcInertiaSel: allocating coord buffers.\n");
    return 1;
  }
  float m[3];
  const int n = residueRangeCentroid(pdbInfo, resN, resC, c.x, c.y, c.z, m);
  if (n == 0) return 1;
  for (int i = 0; i < n; i++) {
    c.x[i] -= m[0];
    c.y[i] -= m[1];
    c.z[i] -= m[2];
  }
  const float* axes[3] = {c.x, c.y, c.z};
  for (int a = 0; a < 3; a++)
    for (int b = 0; b < 3; b++) {
      float s = 0.0f;
      for (int i = 0; i < n; i++) s += axes[a][i] * axes[b][i];
      inertiaTensor[3 * a + b] = static_cast<double>(s) / n;
    }
  return 0;
}

int residueRangeCentroid(const PDBInfo* pdbInfo, int resN, int resC, float* x, float* y,
                         float* z, float centre[3]) {
  int n = 0;
  for (int i = 0; i < pdbInfo->atomCount; i++) {
    const AtomInfo& a = pdbInfo->atomList[i];
    if (a.resID < resN) continue;
    if (a.resID > resC) break;
    x[n] = a.x;
    y[n] = a.y;
    z[n] = a.z;
    n++;
  }
  if (n == 0) {
    std::fprintf(stderr, "Error in positionDomain: zero atoms selected.\n");
    return 0;
  }
  float sx = 0.0f, sy = 0.0f, sz = 0.0f;
  for (int i = 0; i < n; i++) {
    sx += x[i];
    sy += y[i];
    sz += z[i];
  }
  centre[0] = sx / n;
  centre[1] = sy / n;
  centre[2] = sz / n;
  return n;
}

}  // namespace korim::simulation
