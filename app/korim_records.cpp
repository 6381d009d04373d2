// Run records (parameter block, Euler record) and the rotated structures of an analysed alignment.
#include "app/korim_records.h"

#include <cassert>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>

#include "simulation/korim_utils_align.h"

namespace korim::app {

using structure::AtomInfo;
using structure::PDBInfo;
using structure::PDBSelectInfo;

namespace {

// printf-style append; the text grows as needed.
__attribute__((format(printf, 2, 3))) void appendf(std::string& out, const char* fmt, ...) {
  va_list ap;
  va_start(ap, fmt);
  va_list ap2;
  va_copy(ap2, ap);
  int n = std::vsnprintf(nullptr, 0, fmt, ap);
  va_end(ap);
  if (n > 0) {
    std::size_t old = out.size();
    out.resize(old + static_cast<std::size_t>(n) + 1);
    std::vsnprintf(&out[old], static_cast<std::size_t>(n) + 1, fmt, ap2);
    out.resize(old + static_cast<std::size_t>(n));
  }
  va_end(ap2);
}

void stericLines(const KorimInfo* k, std::string& out) {
  if (k->lcType == kLcWall) {
    out += "DATA KORIM LC_TYPE             wall\n";
  } else if (k->lcType == kLcRod) {
    out += "DATA KORIM LC_TYPE              rod\n";
  }
  appendf(out, "DATA KORIM LC_CONCENTRATION    %.3f\n", k->concentration);
  appendf(out, "DATA KORIM ORIENT_SPHERE       %d\n", k->densityNSC);
  appendf(out, "DATA KORIM ORIENT_PSI          %d\n", k->digPsiNSC);
  appendf(out, "DATA KORIM GRID_SPACING       % .3f\n", k->gridSpacing);
  appendf(out, "DATA KORIM MODEL_RADIUS       % .3f\n", k->radiusModel);
  appendf(out, "DATA KORIM LC_ORDER           % .3f\n", k->lcOrder);
  appendf(out, "DATA KORIM ATOM_RADIUS        % .3f\n", k->radiusAtom);
  appendf(out, "DATA KORIM SEL_SIMPLE_FLAG     %d\n", k->Hflag);
  appendf(out, "DATA KORIM SURF_FLAG           %d\n", k->surfFlag);
}

void electrostaticLines(const KorimInfo* k, std::string& out) {
  const ElInfo& el = k->elInfo;
  appendf(out, "DATA KORIM EL PH              % .3f\n", el.pH);
  appendf(out, "DATA KORIM EL NACL            % .3f\n", el.concNaCl);
  appendf(out, "DATA KORIM EL SURF_CH         % .3f\n", el.chDensSurf);
  out += el.pkaFlag != 0 ? "DATA KORIM EL PKA_DEFAULT         on\n"
                         : "DATA KORIM EL PKA_DEFAULT         off\n";
  out += el.chTerminiFlag != 0 ? "DATA KORIM EL CH_TERM             on\n"
                               : "DATA KORIM EL CH_TERM             off\n";
  appendf(out, "DATA KORIM EL CUTOFF         % e\n", el.cutoffPot);
}

void combinationLines(const KorimInfo* k, std::string& out) {
  switch (k->opCode) {
    case kOpAdd: out += "DATA KORIM ACTION    add\n"; break;
    case kOpSub: out += "DATA KORIM ACTION    sub\n"; break;
    case kOpMul: out += "DATA KORIM ACTION    mul\n"; break;
    case kOpDiv: out += "DATA KORIM ACTION    div\n"; break;
    case kOpMax: out += "DATA KORIM ACTION    max\n"; break;
    default: break;
  }
  appendf(out, "DATA KORIM C1     % .3f\n", k->c1);
  appendf(out, "DATA KORIM C2     % .3f\n", k->c2);
}

void histogramLines(const KorimInfo* k, std::string& out) {
  const HistInfo& h = k->histInfo;
  appendf(out, "DATA DC MIN_MAX    % .3f % .3f\n", h.dcMin, h.dcMax);
  appendf(out, "DATA FIT_PAR       % d\n", h.modeFit);
  out += h.optExtrem == 1 ? "DATA AVE_EXTREM     YES\n" : "DATA AVE_EXTREM     NO\n";
  appendf(out, "DATA SDEVDZZ        %.3f\n", h.sdevDzz);
  appendf(out, "DATA SDEVDYY        %.3f\n", h.sdevDyy);
  appendf(out, "DATA nBINS          %d\n", h.nBins);
  appendf(out, "DATA BINWIDTH       %.3f\n", h.binWidth);
  out += "\n\nREMARK Solving the linear equation system.\n\n";
  appendf(out, "DATA EQ Da         % .3f\n", h.Da2Par);
  appendf(out, "DATA EQ R          % .3f\n", h.R2Par);
  out += "\n\nREMARK Nonlinear least-square opimization.\n\n";
  appendf(out, "DATA Dzz_Dyy_Dxx   % .3f % .3f % .3f\n", h.Dzz, h.Dyy, h.Dxx);
  appendf(out, "DATA Da            % .3f\n", h.DaFit);
  appendf(out, "DATA Da_ERR        % .3f\n", h.DaErrFit);
  appendf(out, "DATA R             % .3f\n", h.RFit);
  appendf(out, "DATA R_ERR         % .3f\n", h.RErrFit);
}

void rimLines(const KorimInfo* k, std::string& out) {
  out += "DATA KORIM INCLUDE_RIM      on\n";
  appendf(out, "DATA KORIM MOLAR_RATIO      % .3f\n", k->molarRatio);
  appendf(out, "DATA KORIM MODEL_LENGTH     % .3f\n", k->lengthModel);
  appendf(out, "DATA KORIM S_DISC_RIM       % .3f\n", k->orderDiscRim);
}

// The saved-coordinate list must hold every atom, or a restore would leave atoms turned.
bool canSaveCoords(const PDBInfo* pdbInfo) {
  if (pdbInfo == nullptr) return false;
  if (pdbInfo->atomCount <= 0) return true;
  return pdbInfo->atomList != nullptr && pdbInfo->coordList != nullptr &&
         pdbInfo->maxCoordCount >= pdbInfo->atomCount;
}

}  // namespace

int writeKorim(const KorimInfo* korimInfo, std::string* result) {
  std::string& out = *result;
  const int mode = korimInfo->korimMode;
  switch (mode) {
    case kModeSteric: out += "\nDATA KORIM_MODE STERIC\n\n"; break;
    case kModeStericFree: out += "\nDATA KORIM_MODE STERIC_FREE\n\n"; break;
    case kModeStericGrid: out += "\nDATA KORIM_MODE STERIC_GRID\n\n"; break;
    case kModeElectrostatic: out += "\nDATA KORIM_MODE ELECTROSTATIC\n\n"; break;
    case kModeElectrostaticFree: out += "\nDATA KORIM_MODE ELECTROSTATIC_FREE\n\n"; break;
    case kModeElectrostaticGrid: out += "\nDATA KORIM_MODE ELECTROSTATIC_GRID\n\n"; break;
    case kModeBestFit: out += "\nDATA KORIM_MODE DC\n\n"; break;
    case kModeChemShift: out += "\nDATA KORIM_MODE CS\n\n"; break;
    case kModeDaHist: out += "\nDATA KORIM_MODE DA_HIST\n\n"; break;
    case kModeAnalyzeDc: out += "\nDATA KORIM_MODE DC_CP\n\n"; break;
    case kModeAnalyzeSaupe: out += "\nDATA KORIM_MODE SAUPE_CP\n\n"; break;
    case kModeAnalyzePdb: out += "\nDATA KORIM_MODE PDB\n\n"; break;
    default: break;
  }
  if (mode >= kModeSteric && mode <= kModeElectrostaticGrid) stericLines(korimInfo, out);
  if (mode == kModeElectrostatic) electrostaticLines(korimInfo, out);
  if (mode == kModeDaHist) histogramLines(korimInfo, out);
  if (mode == kModeAnalyzeDc || mode == kModeAnalyzeSaupe) combinationLines(korimInfo, out);
  // Any value but +-0.0 (NaN included) turns the rim lines on.
  if (korimInfo->includeRim != 0.0f) rimLines(korimInfo, out);
  return 0;
}

int writeKorim(const KorimInfo* korimInfo, char* result) {
  std::string block;
  writeKorim(korimInfo, &block);
  std::memcpy(result + std::strlen(result), block.c_str(), block.size() + 1);
  return 0;
}

int writeEulerInfo(const double* irrSaupe, double gMag, const double* eigVal,
                   const double (*eigVec)[3], const double* alphaList, const double* betaList,
                   const double* gammaList, std::string* result, int verbose) {
  std::string& out = *result;
  out.clear();
  if (verbose == 0) return 0;
  out += "\n\nDATA IRREDUCIBLE REPRESENTATION (A0,A1R,A1I,A2R,A2I)";
  appendf(out, "   % .4e % .4e % .4e % .4e % .4e\n", irrSaupe[0], irrSaupe[1], irrSaupe[2],
          irrSaupe[3], irrSaupe[4]);
  out += "DATA IRREDUCIBLE GENERAL_MAGNITUDE";
  appendf(out, "  % .4e\n", gMag);
  out += "\nREMARK Eigensystem & Euler angles for clockwise rotation about z, y', z''.\n\n";
  // Index 0 of the eigensystem is the z axis, 2 the x axis.
  out += "DATA EIGENVALUES (Axx,Ayy,Azz)";
  appendf(out, "   % .4e % .4e % .4e\n", eigVal[2], eigVal[1], eigVal[0]);
  out += "DATA EIGENVECTORS\n";
  appendf(out, "DATA EIGENVECTORS XAXIS % .4e % .4e % .4e\n", eigVec[0][2], eigVec[1][2],
          eigVec[2][2]);
  appendf(out, "DATA EIGENVECTORS YAXIS % .4e % .4e % .4e\n", eigVec[0][1], eigVec[1][1],
          eigVec[2][1]);
  appendf(out, "DATA EIGENVECTORS ZAXIS % .4e % .4e % .4e\n", eigVec[0][0], eigVec[1][0],
          eigVec[2][0]);
  out += "\n";
  appendf(out, "DATA Q_EULER_SOLUTIONS  %7s  %7s  %7s\n", "ALPHA", "BETA", "GAMMA");
  for (int i = 1; i <= 4; i++) {
    appendf(out, "DATA Q_EULER_ANGLES %2d  %7.2f  %7.2f  %7.2f\n", i, alphaList[i - 1],
            betaList[i - 1], gammaList[i - 1]);
  }
  return 0;
}

int writeEulerInfo(const double* irrSaupe, double gMag, const double* eigVal,
                   const double (*eigVec)[3], const double* alphaList, const double* betaList,
                   const double* gammaList, char* result, int verbose) {
  std::string text;
  writeEulerInfo(irrSaupe, gMag, eigVal, eigVec, alphaList, betaList, gammaList, &text, verbose);
  std::memcpy(result, text.c_str(), text.size() + 1);
  return 0;
}

int writePDBRot(const double* angleList1, const double* angleList2, const double* angleList3,
                int rotID, PDBInfo* pdbInfo, PDBSelectInfo* sInfo, const char* outName,
                const char* remark) {
  assert(angleList1 != nullptr && angleList2 != nullptr && angleList3 != nullptr);
  const bool writeFiles = outName != nullptr && outName[0] != '\0';
  for (int k = 0; k < 4; k++) {
    if (!canSaveCoords(pdbInfo) || structure::storePDBCoords(pdbInfo) != 0) {
      std::fprintf(stderr, "korim: error in storePDBCoords.\n");
      return 1;
    }
    const double angle[3] = {-angleList1[k], -angleList2[k], -angleList3[k]};
    simulation::rotateDomain(angle, pdbInfo, pdbInfo->minResID, pdbInfo->maxResID);
    if (simulation::shiftMol2Domain(pdbInfo, pdbInfo->minResID, pdbInfo->maxResID) != 0) {
      std::fprintf(stderr, "korim: error in shiftMol2Domain.\n");
      return 1;
    }
    int status = 0;
    if (writeFiles && k == rotID) status = structure::writePDB(outName, pdbInfo, sInfo, remark);
    if (writeFiles && status == 0) {
      const std::string name = std::string(outName) + "." + std::to_string(k);
      status = structure::writePDB(name.c_str(), pdbInfo, sInfo, remark);
    }
    if (structure::restorePDBCoords(pdbInfo) != 0) {
      std::fprintf(stderr, "korim: error in restorePDBCoords.\n");
      return 1;
    }
    if (status != 0) return status;
  }
  return 0;
}

}  // namespace korim::app
