// Coordinate selection: charged points first, then the selected atoms.
#include "simulation/korim_utils_coor.h"

#include <cstdio>

#include "foundation/memory.h"
#include "simulation/do_nsc.h"
#include "simulation/korim_utils_math.h"

namespace korim::simulation {

using namespace korim::foundation;
using structure::AtomInfo;
using structure::PDBInfo;

namespace {

constexpr const char* kTag = "chCoorSelect";

}  // namespace

int chCoorSelect(PDBInfo* pdbInfo, settings::KorimInfo* korimInfo, int* chAtomSelCount, double* xI,
                 double* yI, double* zI, int* chCount, int* chargeAtomID, float* charges,
                 int verb) {
  const int atomCount = pdbInfo->atomCount;
  const settings::ElInfo& el = korimInfo->elInfo;
  CoordArrays<double> b(kTag, atomCount + 1);
  if (!b.ok()) {
    std::fprintf(stderr, "chCoorSelect: Error allocating coord buffers.\n");
    return 1;
  }
  // The charge table must fit its arrays and name atoms of this structure.
  if (el.elFlag) {
    if (*chCount < 0 || *chCount > kMaxCharges) {
      std::fprintf(stderr, "chCoorSelect: %d charges, at most %d can be placed.\n", *chCount,
                   kMaxCharges);
      return 1;
    }
    for (int i = 1; i <= *chCount; i++) {
      if (chargeAtomID[i] < 0 || chargeAtomID[i] >= atomCount) {
        std::fprintf(stderr,
                     "chCoorSelect: charge %d refers to atom %d, outside the structure of %d "
                     "atoms.\n",
                     i, chargeAtomID[i], atomCount);
        return 1;
      }
    }
  }
  if (korimInfo->surfFlag) {
    const int status = callNSC(pdbInfo);
    if (status != 0) {
      std::fprintf(stderr, "Error reading selection of atoms.\n");
      return status;
    }
  }
  int selCount = 0;
  for (int i = 0; i < atomCount; i++) {
    const AtomInfo* atom = &pdbInfo->atomList[i];
    if (!atom->selected) continue;
    selCount++;
    b.x[selCount] = atom->x;
    b.y[selCount] = atom->y;
    b.z[selCount] = atom->z;
  }

  int nCh = 0;
  if (el.elFlag) {
    const int n = *chCount;
    for (int i = 1; i <= n; i++) {
      const AtomInfo* atom = &pdbInfo->atomList[chargeAtomID[i]];
      chargeAtomID[i] = i;
      xI[i] = atom->x;
      yI[i] = atom->y;
      zI[i] = atom->z;
    }
    float chSum = 0.0f, avePos[3], aveNeg[3], chargeDipol[2];
    double dipoleVec[3][3];
    const float dipole = dipoleMoment(xI, yI, zI, n, &chSum, chargeAtomID, charges, avePos,
                                      aveNeg, chargeDipol, dipoleVec, verb);
    if (el.dipoleFlag && dipole != 0.0f) {
      xI[1] = avePos[0];
      yI[1] = avePos[1];
      zI[1] = avePos[2];
      charges[1] = chargeDipol[0];
      xI[2] = aveNeg[0];
      yI[2] = aveNeg[1];
      zI[2] = aveNeg[2];
      charges[2] = chargeDipol[1];
      chargeAtomID[1] = 1;
      chargeAtomID[2] = 2;
      *chCount = 2;
    }
    nCh = *chCount;
  }

  if (el.dipoleFlag || el.chSelFlag) {
    *chAtomSelCount = nCh;
  } else {
    for (int i = 1; i <= selCount; i++) {
      xI[nCh + i] = b.x[i];
      yI[nCh + i] = b.y[i];
      zI[nCh + i] = b.z[i];
    }
    *chAtomSelCount = nCh + selCount;
  }
  return 0;
}

int coorSelect(PDBInfo* pdbInfo, settings::KorimInfo* korimInfo, int* atomSelCount, double* xI,
               double* yI, double* zI) {
  if (korimInfo->surfFlag) {
    const int status = callNSC(pdbInfo);
    if (status != 0) return status;
  }
  int n = 0;
  for (int i = 0; i < pdbInfo->atomCount; i++) {
    const AtomInfo* atom = &pdbInfo->atomList[i];
    if (!atom->selected) continue;
    n++;
    xI[n] = atom->x;
    yI[n] = atom->y;
    zI[n] = atom->z;
  }
  *atomSelCount = n;
  return 0;
}

}  // namespace korim::simulation
