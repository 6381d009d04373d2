// Structural noise: internuclear vectors tilted within a Gaussian cone, or noise on phi and psi.
#include "fitting/strucnoise.h"

#include <climits>
#include <cmath>

#include "couplings/atomcoor.h"
#include "foundation/constants.h"
#include "foundation/genrand.h"

namespace korim::fitting {

using couplings::DInfo;
using couplings::DTable;
using foundation::kHalfPi8;
using foundation::kPi8;
using structure::AtomInfo;
using structure::PDBInfo;

namespace {

// Radians per degree as the noise has always converted its angles.
constexpr double kDegToRad = kPi8 / 180.0;

// A tilt angle (radians): Gaussian of standard deviation coneWidth degrees, accepted with a
// probability proportional to its sine (the solid angle), or exactly coneWidth with coneFix.
double drawTilt(long* idum, double coneWidth, int coneFix) {
  if (coneFix) return coneWidth * kDegToRad;
  double a = 0.0;
  do {
    a = coneWidth * foundation::gauss() * kDegToRad;
  } while (!(std::sin(std::fabs(a)) > foundation::ran1(idum)));
  return a;
}

// The tilt of addVecNoise on a double-precision vector; returns its length.
double tiltVector(long* idum, double v[3], double coneWidth, int coneDig, int coneFix,
                  double rotInc) {
  const double r = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
  vector_node u{0.0, 0.0, 0.0};
  if (r != 0.0) u = {v[0] / r, v[1] / r, v[2] / r};
  const double phi = std::atan2(u.y, u.x);
  const double theta = kHalfPi8 - std::atan2(u.z, std::sqrt(u.x * u.x + u.y * u.y));
  if (!(coneWidth > 0.0)) return r;
  const double a = drawTilt(idum, coneWidth, coneFix);
  const double t = theta - a;
  double b[3] = {std::sin(t) * std::cos(phi), std::sin(t) * std::sin(phi), std::cos(t)};
  const int k = foundation::randomPosition(idum, coneDig > 0 ? coneDig : 1);
  rotCone(u, k * rotInc, a, &b[0], &b[1], &b[2]);
  for (int i = 0; i < 3; i++) v[i] = r * b[i];
  return r;
}

// p turned by the rotation that takes the direction of a into that of b (same length).
void turnLike(const double a[3], const double b[3], double p[3]) {
  double k[3] = {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
  const double s = std::sqrt(k[0] * k[0] + k[1] * k[1] + k[2] * k[2]);
  const double c = a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
  double angle = std::atan2(s, c);
  if (s == 0.0) {
    if (c >= 0.0) return;
    // A half turn about an axis normal to a: a x (the coordinate axis least along a).
    const int m = std::fabs(a[0]) <= std::fabs(a[1]) && std::fabs(a[0]) <= std::fabs(a[2]) ? 0
                  : std::fabs(a[1]) <= std::fabs(a[2])                                  ? 1
                                                                                        : 2;
    double e[3] = {0.0, 0.0, 0.0};
    e[m] = 1.0;
    k[0] = a[1] * e[2] - a[2] * e[1];
    k[1] = a[2] * e[0] - a[0] * e[2];
    k[2] = a[0] * e[1] - a[1] * e[0];
    angle = kPi8;
  }
  const double kn = std::sqrt(k[0] * k[0] + k[1] * k[1] + k[2] * k[2]);
  if (kn == 0.0) return;
  for (double& x : k) x /= kn;
  const double cs = std::cos(angle), sn = std::sin(angle);
  const double kp = k[0] * p[0] + k[1] * p[1] + k[2] * p[2];
  const double kx[3] = {k[1] * p[2] - k[2] * p[1], k[2] * p[0] - k[0] * p[2], k[0] * p[1] - k[1] * p[0]};
  for (int i = 0; i < 3; i++) p[i] = p[i] * cs + kx[i] * sn + k[i] * kp * (1.0 - cs);
}

// The group turned rigidly about the pivot so that its centroid direction gets the tilt.
void tiltGroup(long* idum, const AtomInfo* pivot, AtomInfo* const* group, int n,
               const settings::KorimInfo* k, double rotInc, double out[][3]) {
  double v[3] = {0.0, 0.0, 0.0};
  for (int g = 0; g < n; g++) {
    out[g][0] = group[g]->x - static_cast<double>(pivot->x);
    out[g][1] = group[g]->y - static_cast<double>(pivot->y);
    out[g][2] = group[g]->z - static_cast<double>(pivot->z);
    for (int i = 0; i < 3; i++) v[i] += out[g][i] / n;
  }
  double w[3] = {v[0], v[1], v[2]};
  tiltVector(idum, w, k->coneWidth, k->coneDig, k->coneFix, rotInc);
  for (int g = 0; g < n; g++) {
    turnLike(v, w, out[g]);
    out[g][0] += pivot->x;
    out[g][1] += pivot->y;
    out[g][2] += pivot->z;
  }
}

// Writes an atom's coordinates into the structure by its key; false when it is not found there.
bool place(PDBInfo* pdb, int resID, const AtomInfo* a, const char* chain, const char* seg,
           const double p[3]) {
  AtomInfo* found[couplings::kAtomCoorListLen];
  return couplings::modifyAtomCoorList(pdb, resID, a->atomName, chain, seg, found,
                                       static_cast<float>(p[0]), static_cast<float>(p[1]),
                                       static_cast<float>(p[2])) > 0;
}

}  // namespace

int rotCone(vector_node A, double w, double Gamma, double* rX, double* rY, double* rZ) {
  const double om = w * kDegToRad;
  const double cg = std::cos(Gamma), sg = std::sin(Gamma);
  double p[3] = {*rX - cg * A.x, *rY - cg * A.y, *rZ - cg * A.z};
  const float len = static_cast<float>(std::sqrt(p[0] * p[0] + p[1] * p[1] + p[2] * p[2]));
  if (len == 0.0f) return 0;  // the vector lies on the axis: every turn leaves it there
  for (double& x : p) x /= len;
  const double ac[3] = {A.y * p[2] - A.z * p[1], A.z * p[0] - A.x * p[2], A.x * p[1] - A.y * p[0]};
  const double co = std::cos(om), so = std::sin(om);
  *rX = cg * A.x + sg * (co * p[0] + so * ac[0]);
  *rY = cg * A.y + sg * (co * p[1] + so * ac[1]);
  *rZ = cg * A.z + sg * (co * p[2] + so * ac[2]);
  return 0;
}

float addVecNoise(long* idum, float* coorX, float* coorY, float* coorZ, double coneWidth,
                  int coneDig, int coneFix, double rotInc) {
  double v[3] = {*coorX, *coorY, *coorZ};
  const double r = tiltVector(idum, v, coneWidth, coneDig, coneFix, rotInc);
  if (coneWidth > 0.0) {
    *coorX = static_cast<float>(v[0]);
    *coorY = static_cast<float>(v[1]);
    *coorZ = static_cast<float>(v[2]);
  }
  return static_cast<float>(r);
}

int addPdbNoise(PDBInfo* pdbInfo, DTable* dTab, const settings::KorimInfo* korimInfo, int aOff,
                double rotInc, const int* dCalcValid, long* idum) {
  if (pdbInfo == nullptr || dTab == nullptr || dTab->dCount < 1 || dTab->dCalcList == nullptr)
    return 0;
  const settings::KorimInfo* k = korimInfo;
  int moved = 0;
  for (int r = 0; r < dTab->dCount; r++) {
    if (!dCalcValid[r]) continue;
    DInfo& c = dTab->dCalcList[r];
    const DInfo& o = dTab->dObsList[r];
    const int nI = c.atomICount, nJ = c.atomJCount;
    if (nI < 1 || nJ < 1 || nI > couplings::kMaxDcAtoms || nJ > couplings::kMaxDcAtoms) continue;
    double newI[couplings::kMaxDcAtoms][3], newJ[couplings::kMaxDcAtoms][3];
    for (int i = 0; i < nI; i++) newI[i][0] = c.atomI[i]->x, newI[i][1] = c.atomI[i]->y, newI[i][2] = c.atomI[i]->z;
    for (int j = 0; j < nJ; j++) newJ[j][0] = c.atomJ[j]->x, newJ[j][1] = c.atomJ[j]->y, newJ[j][2] = c.atomJ[j]->z;
    if (nI == 1) {
      tiltGroup(idum, c.atomI[0], c.atomJ, nJ, k, rotInc, newJ);
    } else if (nJ == 1) {
      tiltGroup(idum, c.atomJ[0], c.atomI, nI, k, rotInc, newI);
    } else {
      for (int i = 0; i < nI; i++)
        for (int j = 0; j < nJ; j++) {
          double v[3] = {newJ[j][0] - newI[i][0], newJ[j][1] - newI[i][1], newJ[j][2] - newI[i][2]};
          tiltVector(idum, v, k->coneWidth, k->coneDig, k->coneFix, rotInc);
          for (int x = 0; x < 3; x++) newJ[j][x] = newI[i][x] + v[x];
        }
    }
    const char* chainI = dTab->nullChainName ? pdbInfo->defChainName : o.chainNameI;
    const char* chainJ = dTab->nullChainName ? pdbInfo->defChainName : o.chainNameJ;
    const char* segI = dTab->nullSegName ? pdbInfo->defSegName : o.segNameI;
    const char* segJ = dTab->nullSegName ? pdbInfo->defSegName : o.segNameJ;
    bool found = true;
    for (int i = 0; i < nI; i++)
      found = place(pdbInfo, couplings::shiftedResID(o.resIDI, aOff), c.atomI[i], chainI, segI, newI[i]) && found;
    for (int j = 0; j < nJ; j++)
      found = place(pdbInfo, couplings::shiftedResID(o.resIDJ, aOff), c.atomJ[j], chainJ, segJ, newJ[j]) && found;
    if (found) moved++;
    else c.valid = 0;
  }
  return moved;
}

int addPhiPsiNoise(long* idum, PDBInfo* pdbInfo, DTable* dTab, double coneWidth, int coneFix,
                   int aFirst, int segFirst, int /*segLast*/, int allowFixedDI) {
  if (!(coneWidth > 0.0) || pdbInfo == nullptr || pdbInfo->resList == nullptr) return 0;
  for (int r = 0; r < pdbInfo->resCount; r++) {
    structure::ResInfo* res = &pdbInfo->resList[r];
    const double dPhi = drawTilt(idum, coneWidth, coneFix);
    const double dPsi = drawTilt(idum, coneWidth, coneFix);
    float phi = structure::PDB_BAD_ANGLE, psi = structure::PDB_BAD_ANGLE;
    structure::getPDBPhiPsi(pdbInfo, res->resID, res->chainID, res->segID, &phi, &psi);
    if (phi > 999.0f && psi > 999.0f) continue;
    const float newPhi = phi > 999.0f ? phi : static_cast<float>(phi + dPhi * 180.0 / 3.1415927);
    const float newPsi = psi > 999.0f ? psi : static_cast<float>(psi + dPsi * 180.0 / 3.1415927);
    structure::setPDBPhiPsi(pdbInfo, res->resID, res->chainID, res->segID, newPhi, newPsi);
  }
  // The observed rows keep the selection of the run; the calculated rows follow the atoms.
  if (dTab != nullptr)
    couplings::buildDC(pdbInfo, dTab, residueOffset(aFirst, segFirst), segFirst, nullptr, 0, allowFixedDI);
  return 0;
}

int residueOffset(int aFirst, int segFirst) {
  const long long off = static_cast<long long>(aFirst) - segFirst;
  return off > INT_MAX ? INT_MAX : off < INT_MIN ? INT_MIN : static_cast<int>(off);
}

int addNoise(PDBInfo* pdbInfo, DTable* dTab, const settings::KorimInfo* korimInfo, int aFirst,
             int segFirst, int segLast, double rotInc, const int* dCalcValid, long* idum) {
  const settings::KorimInfo* k = korimInfo;
  if (k->noiseMode != 0)
    addPdbNoise(pdbInfo, dTab, k, residueOffset(aFirst, segFirst), rotInc, dCalcValid, idum);
  else
    addPhiPsiNoise(idum, pdbInfo, dTab, k->coneWidth, k->coneFix, aFirst, segFirst, segLast,
                   k->allowFixedDI);
  return 0;
}

}  // namespace korim::fitting
