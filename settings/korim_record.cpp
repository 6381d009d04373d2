// Run-parameter record of a run: the "DATA KORIM" settings block and the writer of the whole record.
#include "settings/korim_record.h"

#include <cstring>

#include "foundation/appendf.h"

namespace korim::settings {

using foundation::appendf;

namespace {

void stericLines(const KorimInfo* k, std::string& out) {
  if (k->lcType == kLcWall) {
    out += "DATA KORIM LC_TYPE             wall\n";
  } else if (k->lcType == kLcRod) {
    out += "DATA KORIM LC_TYPE              rod\n";
  }
  appendf(out, "DATA KORIM LC_CONCENTRATION    %.3f\n", k->concentration);
  appendf(out, "DATA KORIM ORIENT_SPHERE       %d\n", k->densityNSC);
  appendf(out, "DATA KORIM ORIENT_PSI          %d\n", k->digPsiNSC);
  // The 3-D grid is stepped by its own spacings (-dX, -dY, -dZ), not by -dGrid.
  if (k->lcType == kLc3D)
    appendf(out, "DATA KORIM GRID_SPACING_XYZ   % .3f % .3f % .3f\n", k->grid3DdeltaX, k->grid3DdeltaY,
            k->grid3DdeltaZ);
  else
    appendf(out, "DATA KORIM GRID_SPACING       % .3f\n", k->gridSpacing);
  appendf(out, "DATA KORIM MODEL_RADIUS       % .3f\n", k->radiusModel);
  appendf(out, "DATA KORIM LC_ORDER           % .3f\n", k->lcOrder);
  appendf(out, "DATA KORIM ATOM_RADIUS        % .3f\n", k->radiusAtom);
  appendf(out, "DATA KORIM SEL_SIMPLE_FLAG     %d\n", k->Hflag);
  appendf(out, "DATA KORIM SURF_FLAG           %d\n", k->surfFlag);
}

const char* onOff(int flag) { return flag != 0 ? "on" : "off"; }

void electrostaticLines(const ElInfo& el, SettingsLayout layout, std::string& out) {
  appendf(out, "DATA KORIM EL PH              % .3f\n", el.pH);
  appendf(out, "DATA KORIM EL NACL            % .3f\n", el.concNaCl);
  appendf(out, "DATA KORIM EL SURF_CH         % .3f\n", el.chDensSurf);
  if (layout == SettingsLayout::RunRecord) {
    appendf(out, "DATA KORIM EL PKA_DEFAULT         %s\n", onOff(el.pkaFlag));
    appendf(out, "DATA KORIM EL CH_TERM             %s\n", onOff(el.chTerminiFlag));
    appendf(out, "DATA KORIM EL CUTOFF         % e\n", el.cutoffPot);
  } else {
    appendf(out, "DATA KORIM EL DIPOLE           %s\n", onOff(el.dipoleFlag));
    appendf(out, "DATA KORIM EL PKA_DEFAULT      %s\n", onOff(el.pkaFlag));
    appendf(out, "DATA KORIM EL CH_TERM          %s\n", onOff(el.chTerminiFlag));
    appendf(out, "DATA KORIM EL CUTOFF           %e\n", el.cutoffPot);
  }
}

void combinationLines(const KorimInfo* k, std::string& out) {
  static const char* const actions[] = {"add", "sub", "mul", "div", "max"};
  if (k->opCode >= kOpAdd && k->opCode <= kOpMax) {
    appendf(out, "DATA KORIM ACTION    %s\n", actions[k->opCode - kOpAdd]);
  }
  appendf(out, "DATA KORIM C1     % .3f\n", k->c1);
  appendf(out, "DATA KORIM C2     % .3f\n", k->c2);
}

void rimLines(const KorimInfo* k, std::string& out) {
  out += "DATA KORIM INCLUDE_RIM      on\n";
  appendf(out, "DATA KORIM MOLAR_RATIO      % .3f\n", k->molarRatio);
  appendf(out, "DATA KORIM MODEL_LENGTH     % .3f\n", k->lengthModel);
  appendf(out, "DATA KORIM S_DISC_RIM       % .3f\n", k->orderDiscRim);
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

// Words of the run record's mode line; modes without one write no mode line.
const char* modeWord(int mode) {
  switch (mode) {
    case kModeSteric: return "STERIC";
    case kModeStericFree: return "STERIC_FREE";
    case kModeStericGrid: return "STERIC_GRID";
    case kModeElectrostatic: return "ELECTROSTATIC";
    case kModeElectrostaticFree: return "ELECTROSTATIC_FREE";
    case kModeElectrostaticGrid: return "ELECTROSTATIC_GRID";
    case kModeBestFit: return "DC";
    case kModeChemShift: return "CS";
    case kModeDaHist: return "DA_HIST";
    case kModeAnalyzeDc: return "DC_CP";
    case kModeAnalyzeSaupe: return "SAUPE_CP";
    case kModeAnalyzePdb: return "PDB";
    default: return nullptr;
  }
}

}  // namespace

void appendKorimSettings(const KorimInfo* korimInfo, SettingsLayout layout, std::string* out) {
  const int mode = korimInfo->korimMode;
  if (mode >= kModeSteric && mode <= kModeElectrostaticGrid) stericLines(korimInfo, *out);
  if (mode == kModeElectrostatic) electrostaticLines(korimInfo->elInfo, layout, *out);
  if (mode == kModeAnalyzeDc || mode == kModeAnalyzeSaupe) combinationLines(korimInfo, *out);
  // The rim belongs to the medium: its lines follow the medium's, and a run that sets up no medium
  // (a fit, a conversion, an estimate, an analysis) does not claim one.
  if (mode >= kModeSteric && mode <= kModeElectrostaticGrid && korimInfo->includeRim != 0.0f) rimLines(korimInfo, *out);
}

int writeKorim(const KorimInfo* korimInfo, std::string* result) {
  std::string& out = *result;
  if (const char* word = modeWord(korimInfo->korimMode)) {
    appendf(out, "\nDATA KORIM_MODE %s\n\n", word);
  }
  // The histogram results (mode 9 only) come before the rim lines.
  if (korimInfo->korimMode == kModeDaHist) histogramLines(korimInfo, out);
  appendKorimSettings(korimInfo, SettingsLayout::RunRecord, result);
  return 0;
}

int writeKorim(const KorimInfo* korimInfo, char* result) {
  std::string block;
  writeKorim(korimInfo, &block);
  std::memcpy(result + std::strlen(result), block.c_str(), block.size() + 1);
  return 0;
}

}  // namespace korim::settings
