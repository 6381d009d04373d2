// Interface mode: Boltzmann factors of the two faces of a molecule at the
// charged particle surface, and the structure written in the preferred one.
#include "simulation/korim_iface.h"

#include <cmath>
#include <cstdio>
#include <vector>

#include "foundation/memory.h"
#include "simulation/korim_utils_align.h"
#include "simulation/korim_utils_coor.h"
#include "simulation/korim_utils_simu.h"

namespace korim::simulation {

using namespace korim::foundation;
using settings::KorimInfo;
using structure::AtomInfo;
using structure::PDBInfo;

namespace {

void touchWarning() {
  std::fprintf(stderr, "WARNING: Molecule too close to LC particel ...\n");
  std::fprintf(stderr, "         Interaction face cannot be determined!\n");
}

// The second face: the molecule centred on its centroid and turned by 180
// degrees about y.
int turnToSecondFace(PDBInfo* pdbInfo) {
  if (shiftMol2Domain(pdbInfo, pdbInfo->minResID, pdbInfo->maxResID) != 0) {
    std::fprintf(stderr, "korim: error in shiftMol2Domain.\n");
    return 1;
  }
  const double half[3] = {0.0, 180.0, 0.0};
  rotateDomain(half, pdbInfo, pdbInfo->minResID, pdbInfo->maxResID);
  return 0;
}

// Tagged work arrays of iFacePDB, released (accounting) on every path.
struct IFaceArrays {
  double* x = nullptr;
  double* y = nullptr;
  double* z = nullptr;
  int* chargeID = nullptr;
  float* charges = nullptr;
  ~IFaceArrays() {
    unAlloc("iFacePDB", x, (kIFaceMaxPoints + 1) * 8);
    unAlloc("iFacePDB", y, (kIFaceMaxPoints + 1) * 8);
    unAlloc("iFacePDB", z, (kIFaceMaxPoints + 1) * 8);
    unAlloc("korim", chargeID, (kIFaceMaxCharges + 1) * 4);
    unAlloc("korim", charges, (kIFaceMaxCharges + 1) * 4);
  }
};

// Puts the saved coordinates and selection marks back when iFacePDB leaves.
struct StructureGuard {
  PDBInfo* pdb = nullptr;
  std::vector<int> marks;
  bool stored = false;
  void restoreMarks() {
    for (int i = 0; i < pdb->atomCount && i < static_cast<int>(marks.size()); i++)
      pdb->atomList[i].selected = marks[i];
  }
  ~StructureGuard() {
    if (pdb == nullptr) return;
    if (stored) structure::restorePDBCoords(pdb);
    restoreMarks();
  }
};

}  // namespace

int iFace(KorimInfo* korimInfo, int no_atoms, double* x, double* y, double* z, int no_of_ch,
          int* chargeAtomID, float* charges, int digPotential, double* potential, double offset,
          double stepsize, double* prob) {
  // The potential table is not needed here and is left as the caller has it.
  (void)digPotential;
  (void)potential;
  (void)offset;
  (void)stepsize;
  const KorimInfo& k = *korimInfo;
  const settings::ElInfo& el = k.elInfo;
  if (no_atoms < 1) {
    std::fprintf(stderr, "iFace: no coordinate points to place at the particle surface.\n");
    return 1;
  }
  if (no_of_ch < 0) no_of_ch = 0;
  for (int c = 1; c <= no_of_ch; c++)
    if (chargeAtomID[c] < 1 || chargeAtomID[c] > no_atoms) {
      std::fprintf(stderr, "iFace: charge %d sits at point %d, outside the %d points.\n", c,
                   chargeAtomID[c], no_atoms);
      return 1;
    }
  ScreenedPotential sp{};
  if ((k.lcType == 1 || k.lcType == 2) && screenedPotentialRefused("iFace", el, true, &sp))
    return 1;

  CBlock<float> xt, yt, zt;
  if (!obtain(xt, no_atoms + 1, "allocation failure for x_temp") ||
      !obtain(yt, no_atoms + 1, "allocation failure for y_temp") ||
      !obtain(zt, no_atoms + 1, "allocation failure for z_temp"))
    return 1;

  float sx = 0.0f, sy = 0.0f, sz = 0.0f;
  for (int i = 1; i <= no_atoms; i++) {
    sx = static_cast<float>(sx + x[i]);
    sy = static_cast<float>(sy + y[i]);
    sz = static_cast<float>(sz + z[i]);
  }
  const float cx = sx / no_atoms, cy = sy / no_atoms, cz = sz / no_atoms;
  const double rM = k.radiusModel, rA = k.radiusAtom;
  for (int i = 1; i <= no_atoms; i++) {
    xt[i] = static_cast<float>(x[i] - cx);
    yt[i] = static_cast<float>(y[i] - cy);
    zt[i] = static_cast<float>(z[i] - cz + rM + el.iFace);
  }

  if ((k.lcType == 1 && el.chFlag) || k.lcType == 2) reportScreenedPotential(sp);
  if (k.lcType != 1 && k.lcType != 2) return 0;

  // Distance of point i from the particle surface, Angstrom.
  auto surfaceDistance = [&](int i) {
    if (k.lcType == 1) return static_cast<double>(zt[i]) - rM;
    const double yy = yt[i], zz = zt[i];
    return std::sqrt(yy * yy + zz * zz) - rM;
  };
  for (int i = 1; i <= no_atoms; i++)
    if (surfaceDistance(i) <= rA) {
      *prob = 0.0;
      touchWarning();
      return 0;
    }
  float E = 0.0f;
  for (int c = 1; c <= no_of_ch; c++)
    E = static_cast<float>(E + charges[c] *
                                   screenedPotentialAt(sp, surfaceDistance(chargeAtomID[c])));
  *prob = std::exp(-el.kEnergy * static_cast<double>(E));
  return 0;
}

const char* chargeLabel(float charge) {
  constexpr float kLimit = 0.4f;  // e
  if (charge >= kLimit) return "1+";
  if (charge <= -kLimit) return "1-";
  return "0+";
}

int iFacePDB(double angle1, double angle2, double angle3, PDBInfo* pdbInfo, KorimInfo* korimInfo,
             const char* pkaName, const char* outName, const char* remark, int digPotential,
             double* potential, double offset, double stepsize, int chCountOrig,
             int* chargeAtomIDOrig, float* chargesOrig) {
  (void)pkaName;
  if (pdbInfo == nullptr || korimInfo == nullptr) return 1;
  if (chCountOrig < 0 || chCountOrig > kIFaceMaxCharges) {
    std::fprintf(stderr, "iFacePDB: %d charges, at most %d can be placed.\n", chCountOrig,
                 kIFaceMaxCharges);
    return 1;
  }
  for (int c = 1; c <= chCountOrig; c++)
    if (chargeAtomIDOrig[c] < 0 || chargeAtomIDOrig[c] >= pdbInfo->atomCount) {
      std::fprintf(stderr,
                   "iFacePDB: charge %d refers to atom %d, outside the structure of %d atoms.\n",
                   c, chargeAtomIDOrig[c], pdbInfo->atomCount);
      return 1;
    }
  // Points the selection can lay out: the charges (or the two dipole
  // centres) and every selected atom.
  int selected = 0;
  for (int i = 0; i < pdbInfo->atomCount; i++)
    if (pdbInfo->atomList[i].selected) selected++;
  const int chPoints = korimInfo->elInfo.elFlag ? (chCountOrig > 2 ? chCountOrig : 2) : 0;
  if (static_cast<long long>(chPoints) + selected > kIFaceMaxPoints) {
    std::fprintf(stderr,
                 "iFacePDB: %d charges and %d selected atoms exceed the %d coordinate points of "
                 "the interface mode; select fewer atoms.\n",
                 chCountOrig, selected, kIFaceMaxPoints);
    return 1;
  }

  IFaceArrays w;
  w.x = dFltAlloc("iFacePDB", kIFaceMaxPoints + 1);
  w.y = dFltAlloc("iFacePDB", kIFaceMaxPoints + 1);
  w.z = dFltAlloc("iFacePDB", kIFaceMaxPoints + 1);
  w.chargeID = intAlloc("korim", kIFaceMaxCharges + 1);
  w.charges = fltAlloc("korim", kIFaceMaxCharges + 1);
  if (!w.x || !w.y || !w.z || !w.chargeID || !w.charges) {
    std::fprintf(stderr, "Error allocating coord buffers.\n");
    return 1;
  }
  StructureGuard guard;
  guard.pdb = pdbInfo;
  guard.marks.resize(static_cast<size_t>(pdbInfo->atomCount));
  for (int i = 0; i < pdbInfo->atomCount; i++) guard.marks[i] = pdbInfo->atomList[i].selected;
  if (structure::storePDBCoords(pdbInfo) != 0) {
    std::fprintf(stderr, "korim: error in storePDBCoords.\n");
    return 1;
  }
  guard.stored = true;

  const double inverse[3] = {-angle1, -angle2, -angle3};
  rotateDomain(inverse, pdbInfo, pdbInfo->minResID, pdbInfo->maxResID);
  double prob[2] = {0.0, 0.0};
  bool turned = false;
  for (int k = 0; k < 2; k++) {
    int chCount = chCountOrig;
    for (int c = 1; c <= chCountOrig; c++) {
      w.chargeID[c] = chargeAtomIDOrig[c];
      w.charges[c] = chargesOrig[c];
    }
    // Both faces see the same atoms: the selection as it was handed in.
    guard.restoreMarks();
    if (k == 1 && turnToSecondFace(pdbInfo) != 0) return 1;
    int count = 0;
    int status = chCoorSelect(pdbInfo, korimInfo, &count, w.x, w.y, w.z, &chCount, w.chargeID,
                              w.charges, 0);
    if (status != 0) {
      std::fprintf(stderr, "korim: error reading selection of atoms.\n");
      return status;
    }
    status = iFace(korimInfo, count, w.x, w.y, w.z, chCount, w.chargeID, w.charges, digPotential,
                   potential, offset, stepsize, &prob[k]);
    if (status != 0) {
      std::fprintf(stderr, "korim: error determining interaction face.\n");
      return status;
    }
    if (k == 0)
      std::printf("REMARK Probability of initial orientation %e.\n", prob[0]);
    else
      std::printf("REMARK Probability of 180 deg. rotated orientation %e.\n", prob[1]);
    // The preferred face is written; equal probabilities keep the initial one.
    if (k == 1) turned = prob[1] > prob[0];
  }

  if (structure::restorePDBCoords(pdbInfo) != 0) {
    std::fprintf(stderr, "korim: error in restorePDBCoords.\n");
    return 1;
  }
  rotateDomain(inverse, pdbInfo, pdbInfo->minResID, pdbInfo->maxResID);
  if (turned && turnToSecondFace(pdbInfo) != 0) return 1;

  for (int i = 0; i < pdbInfo->atomCount; i++) pdbInfo->atomList[i].tempFactor = 0.0f;
  for (int c = 1; c <= chCountOrig; c++) {
    AtomInfo& a = pdbInfo->atomList[chargeAtomIDOrig[c]];
    const float q = chargesOrig[c];
    a.tempFactor = q;
    structure::pdbStrCpy(a.chargeStr, chargeLabel(q));
  }
  if (outName != nullptr && outName[0] != '\0') {
    guard.restoreMarks();
    const int status = structure::writePDB(outName, pdbInfo, nullptr, remark);
    if (status != 0) {
      std::fprintf(stderr, "korim: error in writePDB.\n");
      return status;
    }
  }
  return 0;
}

}  // namespace korim::simulation
