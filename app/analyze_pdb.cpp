// Structure analysis (-anPdb): inertia or dipole frame, the input tensor's frame, the angles
// between them, and the structure written in either frame.
#include "app/analyze_pdb.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "app/korim_records.h"
#include "app/text_output.h"
#include "charges/korim_charge_setup.h"
#include "couplings/analyzeMatrix3D.h"
#include "couplings/analyzeSaupe.h"
#include "foundation/appendf.h"
#include "foundation/constants.h"
#include "foundation/memory.h"
#include "settings/korim_record.h"
#include "simulation/korim_utils_align.h"
#include "simulation/korim_utils_coor.h"
#include "simulation/korim_utils_inert.h"
#include "simulation/korim_utils_math.h"

namespace korim::app {

using foundation::appendf;

namespace {


// The 1-based coordinate arrays of one analysis (tag "analyzePDB"). The charged atoms are
// gathered before the selected ones, so they hold the atom count plus the charge arrays' room.
struct Coords {
  int length;
  double* x;
  double* y;
  double* z;
  explicit Coords(int atoms)
      : length(atoms + charges::kChargeArraySize),
        x(foundation::dFltAlloc("analyzePDB", length)),
        y(x ? foundation::dFltAlloc("analyzePDB", length) : nullptr),
        z(y ? foundation::dFltAlloc("analyzePDB", length) : nullptr) {}
  ~Coords() {
    const int bytes = length * static_cast<int>(sizeof(double));
    foundation::unAlloc("analyzePDB", z, bytes);
    foundation::unAlloc("analyzePDB", y, bytes);
    foundation::unAlloc("analyzePDB", x, bytes);
  }
  Coords(const Coords&) = delete;
  Coords& operator=(const Coords&) = delete;
};

// A frame of principal axes with its Euler solutions (degrees).
struct Axes {
  double eigVec[3][3] = {};
  double eigVal[3] = {};
  double irr[5] = {};
  double gMag = 0.0;
  double alpha[4] = {}, beta[4] = {}, gamma[4] = {};
};

struct Charges {
  float sum = 0.0f;
  float avePos[3] = {}, aveNeg[3] = {};
  float sums[2] = {};  // total positive, total negative
  float dipole = 0.0f;
};

void dipoleFrame(const Coords& c, int chCount, const int* ids, const float* q, Charges* ch,
                 Axes* a) {
  ch->dipole = simulation::dipoleMoment(c.x, c.y, c.z, chCount, &ch->sum, ids, q, ch->avePos,
                                        ch->aveNeg, ch->sums, a->eigVec, 0);
  double m[4][4] = {};
  for (int r = 0; r < 3; r++)
    for (int col = 0; col < 3; col++) m[r + 1][col + 1] = a->eigVec[r][col];
  if (couplings::eigVec2euler(m, a->alpha, a->beta, a->gamma) != 0)
    std::fputs("eigVec2euler: error occured!\n", stderr);
}

// True when every element of the frame is a finite number.
bool frameDefined(const double m[3][3]) {
  for (int r = 0; r < 3; r++)
    for (int col = 0; col < 3; col++)
      if (!std::isfinite(m[r][col])) return false;
  return true;
}

// Temperature factors and charge texts of the charged atoms, from the charges as they came.
// The marks are the interface mode's: "1+" from +0.4 e, "1-" from -0.4 e, "0+" in between, so a
// mark follows the sign of a full charge. Giving "0+" to the charges of -0.4 e or less and "1-"
// to the small ones instead would mark every negative group as neutral and every partial or
// neutral charge as a negative one: each charged atom would carry the wrong mark.
void labelCharges(structure::PDBInfo* pdb, const std::vector<int>& ids,
                  const std::vector<float>& q) {
  for (int i = 0; i < pdb->atomCount; i++) pdb->atomList[i].tempFactor = 0.0f;
  for (size_t i = 0; i < ids.size(); i++) {
    if (ids[i] < 0 || ids[i] >= pdb->atomCount) continue;
    structure::AtomInfo& a = pdb->atomList[ids[i]];
    a.tempFactor = q[i];
    std::snprintf(a.chargeStr, sizeof a.chargeStr, "%s", chargeLabel(q[i]));
  }
}

std::string recordText(const settings::KorimInfo* k, bool chargeMode, const Axes& own,
                       const Charges& ch, const Axes& input, const double* saupe, double da,
                       double dr) {
  std::string text, part;
  settings::writeKorim(k, &text);
  appendf(text, chargeMode ? "\n\nREMARK Dipole tensor." : "\n\nREMARK Inertia tensor.");
  writeEulerInfo(own.irr, 0.0, own.eigVal, own.eigVec, own.alpha, own.beta, own.gamma, &part,
                 k->eulerFlag);
  text += part;
  if (chargeMode) {
    appendf(text, "\nDATA PDB_EL MONOPOL  % e\n", static_cast<double>(ch.sums[0] + ch.sums[1]));
    appendf(text, "DATA PDB_EL SUM_POS  % e\n", static_cast<double>(ch.sums[0]));
    appendf(text, "DATA PDB_EL SUM_NEG  % e\n", static_cast<double>(ch.sums[1]));
    appendf(text, "DATA PDB_EL LOC (x,y,z)\n");
    appendf(text, "DATA PDB_EL LOC_NEG  % e   % e   % e\n", static_cast<double>(ch.aveNeg[0]),
            static_cast<double>(ch.aveNeg[1]), static_cast<double>(ch.aveNeg[2]));
    appendf(text, "DATA PDB_EL LOC_POS  % e   % e   % e\n", static_cast<double>(ch.avePos[0]),
            static_cast<double>(ch.avePos[1]), static_cast<double>(ch.avePos[2]));
    appendf(text, "DATA PDB_EL DIPOL    % e\n", static_cast<double>(ch.dipole));
  }
  appendf(text, "\n\nREMARK Input tensor.");
  writeEulerInfo(input.irr, input.gMag, input.eigVal, input.eigVec, input.alpha, input.beta,
                 input.gamma, &part, k->eulerFlag);
  text += part;
  appendf(text, "\nDATA SAUPE  % .4e % .4e % .4e % .4e % .4e\n\n", saupe[0], saupe[1], saupe[2],
          saupe[3], saupe[4]);
  appendf(text, "DATA Da(NH) = %.1f    R = Dr/Da = %.3f\n", da * foundation::kDaNHScale,
          da != 0.0 ? dr / da : 0.0);
  return text;
}

}  // namespace

int analyzePDB(structure::PDBInfo* pdbInfo, structure::PDBSelectInfo* sInfo,
               settings::KorimInfo* korimInfo, int chCount, float* chSum, int* chargeAtomID,
               float* charges, const double* saupe, const char* outName, const char* outPName,
               const char* remark) {
  settings::KorimInfo* k = korimInfo;
  const bool chargeMode = k->elPdbFlag == 1;
  Coords c(pdbInfo->atomCount);
  if (c.z == nullptr) {
    std::fputs("Error in analyzePDB: allocating coord buffers.\n", stderr);
    return 1;
  }
  const int kept = chCount < 0 ? 0 : chCount > simulation::kMaxCharges ? simulation::kMaxCharges
                                                                        : chCount;
  const std::vector<int> idsIn(chargeAtomID + 1, chargeAtomID + 1 + kept);
  const std::vector<float> qIn(charges + 1, charges + 1 + kept);
  int points = 0;
  int rc = simulation::chCoorSelect(pdbInfo, k, &points, c.x, c.y, c.z, &chCount, chargeAtomID,
                                    charges, 1);
  if (rc != 0) {
    std::fputs("korim: error reading selection of atoms.\n", stderr);
    return rc;
  }
  std::printf("REMARK %d atoms selected for simulation.\n", points);

  Axes own, input;
  Charges ch;
  double da = 0.0, dr = 0.0;
  if (chargeMode) {
    std::printf("REMARK %d charges selected for simulation.\n", chCount);
    dipoleFrame(c, chCount, chargeAtomID, charges, &ch, &own);
    *chSum = ch.sum;
    // Without a direction from the negative to the positive centre, or with a dipole across the
    // z axis (the x axis then has no finite construction), the frame holds not-a-number values;
    // with charges of one sign the missing centre stays at the origin, so that z would point from
    // the origin to the charges: no record or structure is written from either.
    const bool oneSign = ch.sums[0] == 0.0f || ch.sums[1] == 0.0f;
    if (oneSign || !frameDefined(own.eigVec)) {
      std::fprintf(stderr,
                   "Error in analyzePDB: no dipole frame from the %d selected charges (none, "
                   "charges of one sign, centres that coincide, or a dipole perpendicular to the z "
                   "axis).\n",
                   chCount);
      return 1;
    }
  } else {
    double inertia[9];
    rc = simulation::calcInertia(pdbInfo, inertia);
    if (rc != 0) {
      std::fputs("korim: error in calcInertia.", stderr);
      return rc;
    }
    if (couplings::analyzeMatrix3D(inertia, own.eigVec, own.eigVal, k->yzFlag, &da, &dr, own.alpha,
                                   own.beta, own.gamma) != 0) {
      std::fputs("korim: error in analyzeMatrix3D.", stderr);
      return 1;
    }
  }
  if (couplings::analyzeSaupe(saupe, input.irr, &input.gMag, input.eigVec, input.eigVal,
                              k->yzFlag, &da, &dr, input.alpha, input.beta, input.gamma,
                              k->eulerFlag) != 0) {
    std::fputs("korim: error in analyzeSaupe.\n", stderr);
    return 1;
  }
  float dcos[3];
  simulation::calcDcos(own.eigVec, input.eigVec, dcos);
  if (chargeMode) labelCharges(pdbInfo, idsIn, qIn);

  const Axes& written = k->elPdbFlag == 2 ? input : own;
  rc = simulation::writePDBRot(written.gamma, written.beta, written.alpha, k->rotN, pdbInfo, sInfo,
                               outName, remark);
  if (rc != 0) {
    std::fputs("matrix: error in writePDBRot.\n", stderr);
    return rc;
  }
  // The record is written whole once everything else succeeded: a failing run leaves no part of it.
  std::string text = "REMARK Molecular Alignment Simulation.\n\nREMARK Simulation parameters.\n";
  text += recordText(k, chargeMode, own, ch, input, saupe, da, dr);
  text += "\n\nREMARK Relative orientation of two coordinate systems.\n\n";
  foundation::appendf(text, "DATA DCOS_DEG (x/y/z)    %.3f  %.3f  %.3f\n",
                      dcos[0] * 180.0 / foundation::kPi8, dcos[1] * 180.0 / foundation::kPi8,
                      dcos[2] * 180.0 / foundation::kPi8);
  return writeText(text, outPName);
}

}  // namespace korim::app
