// Simulation dispatch: centring, choice of the alignment model, scaling by the
// order of the medium, analysis and report of the predicted tensors; turning
// and shifting residue ranges of a structure, and writing it in the frames of
// the Euler solutions.
#include "foundation/constants.h"
#include "simulation/korim_utils_align.h"

#include <cassert>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "couplings/analyzeSaupe.h"
#include "foundation/memory.h"
#include "simulation/korim_utils_coor.h"
#include "simulation/korim_utils_inert.h"
#include "simulation/korim_utils_math.h"
#include "simulation/korim_utils_simu.h"
#include "simulation/ssia.h"
#include "simulation/workers.h"

namespace korim::simulation {

using namespace korim::foundation;
using settings::KorimInfo;
using structure::AtomInfo;
using structure::PDBInfo;
using structure::PDBSelectInfo;

namespace {

// The Euler solutions of the last analysis, kept between calls.
struct AlignState {
  double alphaList[4];
  double betaList[4];
  double gammaList[4];
};

AlignState align;

int runSteric(KorimInfo& k, int n, double* x, double* y, double* z, float maxRadius,
              int dotCount, double* ddots, double* out) {
  return stericAlignment(&k, k.orderDiscRim, k.lcType, k.rSingleCell, k.radiusModel, k.radiusAtom,
                         k.gridSpacing, k.concentration, k.molarRatio, n, x, y, z,
                         static_cast<double>(maxRadius) + k.radiusAtom, k.radiusAtom, k.digPsiNSC,
                         dotCount, ddots, out);
}

int modelFailed(const char* model, int status) {
  std::fprintf(stderr, "simulateAlignment: error in %s.\n", model);
  return status;
}

void printTensor(const char* name, double gMag, const double s[5], const char* sep) {
  std::printf("%s  gMag %e\n", name, gMag);
  for (int j = 0; j < 5; j++) {
    std::printf("%e", s[j]);
    std::printf("%s", sep);
  }
  std::printf("\n");
}

// The saved-coordinate list must hold every atom, or a restore would leave atoms turned.
bool canSaveCoords(const PDBInfo* pdbInfo) {
  if (pdbInfo == nullptr) return false;
  if (pdbInfo->atomCount <= 0) return true;
  return pdbInfo->atomList != nullptr && pdbInfo->coordList != nullptr &&
         pdbInfo->maxCoordCount >= pdbInfo->atomCount;
}

}  // namespace

void centre(int n, double* x, double* y, double* z) {
  if (n < 1) return;
  float sx = 0.0f, sy = 0.0f, sz = 0.0f;
  for (int i = 1; i <= n; i++) {
    sx = static_cast<float>(sx + x[i]);
    sy = static_cast<float>(sy + y[i]);
    sz = static_cast<float>(sz + z[i]);
  }
  const float cx = sx / n, cy = sy / n, cz = sz / n;
  for (int i = 1; i <= n; i++) {
    x[i] = x[i] - cx;
    y[i] = y[i] - cy;
    z[i] = z[i] - cz;
  }
}

float largestRadius(int n, const double* x, const double* y, const double* z) {
  float r2max = 0.0f;
  for (int i = 1; i <= n; i++) {
    const float r2 = static_cast<float>(x[i] * x[i] + y[i] * y[i] + z[i] * z[i]);
    if (r2 > r2max) r2max = r2;
  }
  return std::sqrt(r2max);
}

int simulateAlignment(KorimInfo* korimInfo, int atomSelCount, double* xI, double* yI, double* zI,
                      int chCount, int* chargeAtomID, float* charges, int dotCount, double* ddots,
                      int digPotential, double* potential, double offset, double stepsize,
                      double* pot3D, float* pot3Dst, double* saupe) {
  KorimInfo& k = *korimInfo;
  double saupeSteric[5] = {0, 0, 0, 0, 0};
  double saupeEl[5] = {0, 0, 0, 0, 0};

  centre(atomSelCount, xI, yI, zI);
  std::printf("REMARK Molecule shifted to geometric center.\n");
  const float maxRadius = largestRadius(atomSelCount, xI, yI, zI);
  const double maxLength = static_cast<double>(maxRadius) + k.radiusAtom;

  int status = 0;
  if (k.elInfo.elFlag == 0) {
    if (k.lcType == 1 || k.lcType == 2) {
      status = runSteric(k, atomSelCount, xI, yI, zI, maxRadius, dotCount, ddots, saupeSteric);
      if (status != 0) return modelFailed("stericAlignment", status);
    } else if (k.lcType == 3) {
      status = ssia3D(korimInfo, atomSelCount, xI, yI, zI, dotCount, ddots, digPotential, pot3Dst,
                      saupeSteric);
      if (status != 0) return modelFailed("ssia3D", status);
    }
  } else {
    if (k.lcType == 1 || k.lcType == 2) {
      status = sma(korimInfo, atomSelCount, xI, yI, zI, dotCount, ddots, maxLength, k.radiusAtom,
                   chCount, chargeAtomID, charges, digPotential, potential, offset, stepsize,
                   saupeEl);
      if (status != 0) return modelFailed("sma", status);
    } else if (k.lcType == 3) {
      status = sma3D(korimInfo, atomSelCount, xI, yI, zI, dotCount, ddots, chCount, chargeAtomID,
                     charges, digPotential, pot3D, saupeEl);
      if (status != 0) return modelFailed("sma3D", status);
    }
  }

  for (int j = 0; j < 5; j++) {
    saupeSteric[j] *= static_cast<double>(k.lcOrder);
    saupeEl[j] *= static_cast<double>(k.lcOrder);
    saupe[j] = saupeSteric[j] + saupeEl[j];
  }

  double gMag[3] = {0, 0, 0};
  const double* tensors[3] = {saupeSteric, saupeEl, saupe};
  for (int t = 0; t < 3; t++) {
    double irrSaupe[5], eigVec[3][3], eigVal[3], da = 0.0, dr = 0.0;
    if (couplings::analyzeSaupe(tensors[t], irrSaupe, &gMag[t], eigVec, eigVal, k.yzFlag, &da, &dr,
                                align.alphaList, align.betaList, align.gammaList,
                                k.eulerFlag) != 0) {
      std::fprintf(stderr, "Matrix: error in analyzeSaupe.\n");
      return 1;
    }
  }
  printTensor("SaupeSteric", gMag[0], saupeSteric, "  ");
  printTensor("SaupeEl", gMag[1], saupeEl, " ");
  printTensor("SaupeSum", gMag[2], saupe, "  ");
  return 0;
}

int simEnsAlignment(KorimInfo* korimInfo, int atomSelCount, double* xI, double* yI, double* zI,
                    int chCount, int* chargeAtomID, float* charges, int dotCount, double* ddots,
                    int digPotential, double* potential, double offset, double stepsize,
                    double* saupe) {
  KorimInfo& k = *korimInfo;
  if (k.gridInfo.pivotCenter != 0) centre(atomSelCount, xI, yI, zI);
  const float maxRadius = largestRadius(atomSelCount, xI, yI, zI);
  if (k.elInfo.elFlag == 0) {
    const int status = runSteric(k, atomSelCount, xI, yI, zI, maxRadius, dotCount, ddots, saupe);
    if (status != 0) return modelFailed("stericAlignment", status);
  } else {
    const int status = sma(korimInfo, atomSelCount, xI, yI, zI, dotCount, ddots,
                           static_cast<double>(maxRadius) + k.radiusAtom, k.radiusAtom, chCount,
                           chargeAtomID, charges, digPotential, potential, offset, stepsize, saupe);
    if (status != 0) return modelFailed("sma", status);
  }
  for (int j = 0; j < 5; j++) saupe[j] *= static_cast<double>(k.lcOrder);
  return 0;
}

int rotateDomain(const double* angle, PDBInfo* pdbInfo, int resN, int resC) {
  // Degrees to radians with the sign reversed: the axes of the inverse turn,
  // whose dot products with a position give the turned position.
  const double f = foundation::kPi8 / -180.0;
  double xAxis[4], yAxis[4], zAxis[4];
  rotate_coorsystem(angle[1] * f, angle[2] * f, angle[0] * f, xAxis, yAxis, zAxis);
  const double* axes[3] = {xAxis, yAxis, zAxis};
  for (int i = 0; i < pdbInfo->atomCount; i++) {
    AtomInfo& a = pdbInfo->atomList[i];
    if (a.resID < resN) continue;
    if (a.resID > resC) break;
    float out[3];
    for (int c = 0; c < 3; c++) {
      float s = static_cast<float>(a.x * axes[c][1]);
      s = static_cast<float>(s + a.y * axes[c][2]);
      s = static_cast<float>(s + a.z * axes[c][3]);
      out[c] = s;
    }
    a.x = out[0];
    a.y = out[1];
    a.z = out[2];
  }
  return 0;
}

int shiftMol2Domain(PDBInfo* pdbInfo, int resN, int resC) {
  constexpr const char* kTag = "shiftMol2Domain";
  const int len = pdbInfo->atomCount > 0 ? pdbInfo->atomCount : 1;
  CoordArrays<float> c(kTag, len);
  if (!c.ok()) {
    std::fprintf(stderr, "Error in shiftMol2Domain: allocating coord buffers.\n");
    return 1;
  }
  float m[3];
  const int n = residueRangeCentroid(pdbInfo, resN, resC, c.x, c.y, c.z, m);
  if (n == 0) return 1;
  for (int i = 0; i < pdbInfo->atomCount; i++) {
    pdbInfo->atomList[i].x -= m[0];
    pdbInfo->atomList[i].y -= m[1];
    pdbInfo->atomList[i].z -= m[2];
  }
  return 0;
}

int writePDBRot(const double* angleList1, const double* angleList2, const double* angleList3,
                int rotID, PDBInfo* pdbInfo, PDBSelectInfo* sInfo, const char* outName,
                const char* remark) {
  assert(angleList1 != nullptr && angleList2 != nullptr && angleList3 != nullptr);
  const bool writeFiles = outName != nullptr && outName[0] != '\0';
  // The four turns one after another; each turned structure is kept as its
  // coordinates, the caller's restored. A failure ends the turns: the files
  // of the turns before it are written, then it is reported.
  const int n = pdbInfo != nullptr && pdbInfo->atomCount > 0 ? pdbInfo->atomCount : 0;
  std::vector<float> turned[4];
  const char* failure = nullptr;
  int turns = 0;
  for (; turns < 4 && failure == nullptr; turns++) {
    const int k = turns;
    if (!canSaveCoords(pdbInfo) || structure::storePDBCoords(pdbInfo) != 0) {
      failure = "korim: error in storePDBCoords.\n";
      break;
    }
    const double angle[3] = {-angleList1[k], -angleList2[k], -angleList3[k]};
    rotateDomain(angle, pdbInfo, pdbInfo->minResID, pdbInfo->maxResID);
    if (shiftMol2Domain(pdbInfo, pdbInfo->minResID, pdbInfo->maxResID) != 0) {
      structure::restorePDBCoords(pdbInfo);  // the caller's structure, not the turned one
      failure = "korim: error in shiftMol2Domain.\n";
      break;
    }
    if (writeFiles) {
      turned[k].resize(3 * static_cast<size_t>(n));
      for (int i = 0; i < n; i++) {
        const AtomInfo& a = pdbInfo->atomList[i];
        turned[k][3 * i] = a.x;
        turned[k][3 * i + 1] = a.y;
        turned[k][3 * i + 2] = a.z;
      }
    }
    if (structure::restorePDBCoords(pdbInfo) != 0) failure = "korim: error in restorePDBCoords.\n";
  }
  if (writeFiles) {
    // The texts of the turns at once (each file's text is formatted once, also
    // when it goes to two files), then the files in order.
    std::vector<char> selected(static_cast<size_t>(n), 1);
    for (int i = 0; sInfo != nullptr && i < n; i++)
      selected[i] = structure::pdbSelectTest(sInfo, &pdbInfo->atomList[i]) != 0;
    std::string texts[4];
    for (int k = 0; k < turns; k++) texts[k].reserve(81 * static_cast<size_t>(n) + 256);
    forChunks(turns, 1, [&](int begin, int end, int) {
      for (int k = begin; k < end; k++)
        structure::appendPDBFileText(texts[k], pdbInfo, selected.data(), turned[k].data(), remark);
    });
    for (int k = 0; k < turns; k++) {
      int status = 0;
      if (k == rotID) status = structure::writePDBText(outName, texts[k]);
      if (status == 0) {
        const std::string name = std::string(outName) + "." + std::to_string(k);
        status = structure::writePDBText(name.c_str(), texts[k]);
      }
      if (status != 0) return status;
    }
  }
  if (failure != nullptr) {
    std::fputs(failure, stderr);
    return 1;
  }
  return 0;
}

void alignReset() { align = AlignState{}; }

}  // namespace korim::simulation
