// Mapping statistics shared by the error estimates: logs, statistics of the accepted fits, listing
// and the "DATA STATISTICS MAPPING" text.
#include "fitting/mapstats.h"

#include <cmath>

#include "couplings/analyzeSaupe.h"
#include "couplings/writedc.h"
#include "foundation/appendf.h"
#include "foundation/constants.h"
#include "foundation/memory.h"
#include "foundation/outputfile.h"
#include "simulation/korim_utils_align.h"
#include "simulation/korim_utils_math.h"

namespace korim::fitting {

using foundation::appendf;
using foundation::kDipolarNH;
using foundation::kHalfPi8;
using foundation::kPi8;

namespace {

// Opens one log: standard output for an empty name.
bool openLog(FILE** f, const char* name, const char* message) {
  *f = foundation::openOutput(name, "w", message);
  return *f != nullptr;
}

// A log that did not arrive whole is reported and fails the run (the logs' closing has no
// status of its own).
void closeLog(FILE** f, const char* name) {
  foundation::closeOutput(*f, name, "KORIM Error writing log file %s: %s\n");
  *f = nullptr;
}

// One line of the map log: the three principal axes (columns of eigVec) as longitude times the
// cosine of the latitude and latitude, and their antipodes on the next line.
void writeMapRow(FILE* f, const double eigVec[3][3]) {
  double lon[3], lat[3];
  for (int k = 0; k < 3; k++) {
    const double z = std::fmax(-1.0, std::fmin(1.0, eigVec[2][k]));
    lat[k] = kHalfPi8 - std::acos(z);
    lon[k] = std::atan2(eigVec[1][k], eigVec[0][k]);
    std::fprintf(f, k < 2 ? "  %f       %f  " : "  %f       %f\n", lon[k] * std::cos(lat[k]), lat[k]);
  }
  for (int k = 0; k < 3; k++) {
    double anti = lon[k];
    if (anti > 0.0) anti -= kPi8;
    else if (anti < 0.0) anti += kPi8;
    std::fprintf(f, k < 2 ? " %f\t%f  " : " %f\t%f\n", anti * std::cos(lat[k]), -lat[k]);
  }
}

// The Euler solution of the fit nearest the reference angles (phi, psi and theta all 0 is no
// solution); s->chosen keeps its value when none qualifies. Returns whether the chosen solution
// counts for the angle statistics (not all 0, each angle within 90 degrees of the reference).
bool chooseSolution(MapStats* s, const couplings::DTensor& t) {
  float best = 0.0f;
  bool found = false;
  const int count = t.eulerCount < couplings::kMaxEuler ? t.eulerCount : couplings::kMaxEuler;
  for (int i = 0; i < count; i++) {
    if (t.phiList[i] == 0.0f && t.psiList[i] == 0.0f && t.thetaList[i] == 0.0f) continue;
    const float dist = std::fabs(t.phiList[i] - s->refPhi) + std::fabs(t.psiList[i] - s->refPsi) +
                       std::fabs(t.thetaList[i] - s->refTheta);
    if (!found || dist < best) {
      best = dist;
      s->chosen = i;
      found = true;
    }
  }
  const int c = s->chosen;
  const float phi = t.phiList[c], psi = t.psiList[c], theta = t.thetaList[c];
  if (phi == 0.0f && psi == 0.0f && theta == 0.0f) return false;
  return std::fabs(phi - s->refPhi) < 90.0f && std::fabs(psi - s->refPsi) < 90.0f &&
         std::fabs(theta - s->refTheta) < 90.0f;
}

void widen(float v, float* lo, float* hi) {
  if (v < *lo) *lo = v;
  if (v > *hi) *hi = v;
}

void appendStat(std::string* text, const char* head, double ave, double sd, double lo, double hi) {
  appendf(*text, "%s% .4e % .4e % .4e % .4e\n", head, ave, sd, lo, hi);
}

void appendSaupe(std::string* text, const char* head, const double v[5]) {
  appendf(*text, "DATA STATISTICS MAPPING SAUPE %s% .4e  % .4e  % .4e  % .4e % .4e\n", head, v[0],
          v[1], v[2], v[3], v[4]);
}

}  // namespace

void RunStat::add(double x) {
  n++;
  if (n == 1) min = max = x;
  if (x < min) min = x;
  if (x > max) max = x;
  const double delta = x - mean;
  mean += delta / static_cast<double>(n);
  m2 += delta * (x - mean);
}

double RunStat::sd() const {
  if (n < 1 || !(m2 > 0.0)) return 0.0;
  return std::sqrt(m2 / static_cast<double>(n));
}

int openMapLogs(MapLogs* logs, const char* outMapName, const char* outDaName,
                const char* outAngName, const char* outAName, bool daPeriod) {
  *logs = MapLogs{nullptr, nullptr, nullptr, nullptr, {outMapName, outDaName, outAngName, outAName}};
  const bool ok =
      openLog(&logs->map, outMapName, "KORIM Error opening log file for error space mapping %s: %s\n") &&
      openLog(&logs->da, outDaName,
              daPeriod ? "KORIM Error opening log file for Da distribution mapping %s: %s.\n"
                       : "KORIM Error opening log file for Da distribution mapping %s: %s\n") &&
      openLog(&logs->ang, outAngName, "KORIM Error opening log file for Angular distribution %s: %s.\n") &&
      openLog(&logs->saupe, outAName, "KORIM Error opening log file for Saupe distribution %s: %s.\n");
  if (ok) return 0;
  closeMapLogs(logs);
  return 1;
}

int closeMapLogs(MapLogs* logs) {
  closeLog(&logs->map, logs->names[0]);
  closeLog(&logs->da, logs->names[1]);
  closeLog(&logs->ang, logs->names[2]);
  closeLog(&logs->saupe, logs->names[3]);
  return 0;
}

int Mapping::open(const char* outMapName, const char* outDaName, const char* outAngName,
                  const char* outAName, bool daPeriod) {
  if (mapStatsInit(&stats) != 0) {
    std::fprintf(stderr, "Error allocating coord buffers.\n");
    return 1;
  }
  return openMapLogs(&logs, outMapName, outDaName, outAngName, outAName, daPeriod);
}

Mapping::~Mapping() {
  closeMapLogs(&logs);
  mapStatsFree(&stats);
}

int mapStatsInit(MapStats* s) {
  *s = MapStats{};
  s->store = foundation::dFltAlloc("matrix", 5 * kMapStoreMax);
  return s->store == nullptr ? 1 : 0;
}

void mapStatsReference(MapStats* s, const couplings::DTensor* ref) {
  s->refPhi = ref->phiList[0];
  s->refPsi = ref->psiList[0];
  s->refTheta = ref->thetaList[0];
}

void mapStatsFree(MapStats* s) {
  foundation::unAlloc("matrix", s->store, 5 * kMapStoreMax * static_cast<int>(sizeof(double)));
  s->store = nullptr;
}

void mapProgress(int t, int count) {
  std::fprintf(stderr, "REMARK Sampled %d of %d\r", t, count);
  std::fflush(stderr);
}

int noAcceptedTrial(const MapStats* s, const char* mode, int trials, const char* acceptance) {
  if (s->accepted > 0 || trials < 1) return 0;
  std::fprintf(stderr, "korim: %s: 0 of %d trials accepted; the run has no result and writes no table.\n",
               mode, trials);
  if (acceptance != nullptr)
    std::fputs(acceptance, stderr);
  else
    std::fprintf(stderr,
                 "korim: a %s trial is accepted when its order matrix has S_zz below 999.9, as every "
                 "fitted one has (a tensor given by the user, such as -saupe, may not); -kAdjustMc, "
                 "-autoMc and -err/-noerr apply to -mcDc only.\n",
                 mode);
  return 1;
}

int mapStatsAdd(MapStats* s, couplings::DTable* dTab, const settings::KorimInfo* korimInfo,
                const MapLogs* logs, int trial) {
  const couplings::DTensor& t = dTab->dTensor;
  double saupe[5], irr[5], eigVec[3][3], eigVal[3], alpha[4], beta[4], gamma[4];
  double gMag = 0.0, da = 0.0, dr = 0.0;
  for (int k = 0; k < 5; k++) saupe[k] = t.saupe[k];
  if (couplings::analyzeSaupe(saupe, irr, &gMag, eigVec, eigVal, korimInfo->yzFlag, &da, &dr,
                              alpha, beta, gamma, korimInfo->eulerFlag) != 0) {
    std::fprintf(stderr, "Matrix: error in analyzeSaupe.\n");
    return 1;
  }
  if (s->accepted < kMapStoreMax)
    for (int k = 0; k < 5; k++) s->store[5 * s->accepted + k] = saupe[k];
  for (int k = 0; k < 5; k++) s->saupe[k].add(saupe[k]);
  s->szz.add(std::fabs(eigVal[0]));
  s->gMag.add(gMag);
  const float daHn = static_cast<float>(da * kDipolarNH);
  s->daHn.add(daHn);
  s->da.add(da);
  s->dr.add(dr);

  const bool counts = chooseSolution(s, t);
  const int c = s->chosen;
  if (s->accepted == 0) {
    s->phiMin = s->phiMax = t.phiList[c];
    s->psiMin = s->psiMax = t.psiList[c];
    s->thetaMin = s->thetaMax = t.thetaList[c];
  } else if (counts) {
    widen(t.phiList[c], &s->phiMin, &s->phiMax);
    widen(t.psiList[c], &s->psiMin, &s->psiMax);
    widen(t.thetaList[c], &s->thetaMin, &s->thetaMax);
  }
  s->accepted++;

  float rms = 0.0f, chi2 = 0.0f;
  int pairs = 0;
  couplings::getStatDC(dTab->dObsList, dTab->dCalcList, dTab->dCount, &rms, &chi2, &pairs);
  std::fprintf(logs->da, "%6d  %e  %.3f   %9.3f   %9.3f\n", trial - 1, da * kDipolarNH,
               da != 0.0 ? dr / da : 0.0, rms, chi2);
  writeMapRow(logs->map, eigVec);
  return 0;
}

int mapStatsFinish(MapStats* s, const settings::KorimInfo* korimInfo, const MapLogs* logs,
                   const char* saupeRowFormat, double aveSaupe[5], double alphaList[4],
                   double betaList[4], double gammaList[4], std::string* text) {
  const int listed = s->accepted < kMapStoreMax ? s->accepted : kMapStoreMax;
  for (int k = 0; k < 5; k++) aveSaupe[k] = s->saupe[k].mean;

  std::fprintf(logs->ang, "# SVD_ID  ANGLE_X  ANGLE_Y  ANGLE_Z       ANGLE_5D        COLL_5D\n\n");
  std::fprintf(logs->saupe, "VARS     ID   S_ZZ     S_XXYY     S_XY     S_XZ     S_YZ\n");
  std::fprintf(logs->saupe, "FORMAT  %%5d  %%e       %%e       %%e     %%e     %%e\n\n");

  double irr[5], eigVecAve[3][3], eigVal[3], gMag = 0.0, da = 0.0, dr = 0.0;
  if (couplings::analyzeSaupe(aveSaupe, irr, &gMag, eigVecAve, eigVal, korimInfo->yzFlag, &da, &dr,
                              alphaList, betaList, gammaList, korimInfo->eulerFlag) != 0) {
    std::fprintf(stderr, "korim: error in analyzeSaupe.\n");
    return 1;
  }
  // SAUPE MIN and MAX: the listed fits of smallest and largest generalised magnitude (0 when
  // there is none).
  double saupeMin[5] = {}, saupeMax[5] = {};
  double gMin = 0.0, gMax = 0.0;
  RunStat angle5d;
  for (int j = 0; j < listed; j++) {
    const double* fit = s->store + 5 * j;
    std::fprintf(logs->saupe, saupeRowFormat, j, fit[0], fit[1], fit[2], fit[3], fit[4]);
    double eigVec[3][3], alpha[4], beta[4], gamma[4];
    if (couplings::analyzeSaupe(fit, irr, &gMag, eigVec, eigVal, korimInfo->yzFlag, &da, &dr, alpha,
                                beta, gamma, korimInfo->eulerFlag) != 0) {
      std::fprintf(stderr, "korim: error in analyzeSaupe.\n");
      return 1;
    }
    const double g = std::fabs(gMag);
    if (j == 0 || g > gMax) {
      gMax = g;
      for (int k = 0; k < 5; k++) saupeMax[k] = fit[k];
    }
    if (j == 0 || g < gMin) {
      gMin = g;
      for (int k = 0; k < 5; k++) saupeMin[k] = fit[k];
    }
    float dcos[3] = {}, coll = 0.0f, ang = 0.0f;
    simulation::calcDcos(eigVec, eigVecAve, dcos);
    if (couplings::irrCollinarity(aveSaupe, fit, &coll, &ang) != 0) {
      std::fprintf(stderr, "korim: error in compareSaupe.\n");
      return 1;
    }
    angle5d.add(ang);
    std::fprintf(logs->ang, "%5d", j);
    std::fprintf(logs->ang, "   %8.3f %8.3f %8.3f", dcos[0] * 180.0 / kPi8, dcos[1] * 180.0 / kPi8,
                 dcos[2] * 180.0 / kPi8);
    std::fprintf(logs->ang, "       %8.3f", static_cast<double>(ang));
    std::fprintf(logs->ang, "       %e\n", static_cast<double>(coll));
  }

  double sd[5];
  for (int k = 0; k < 5; k++) sd[k] = s->saupe[k].sd();
  const char* m = "DATA STATISTICS MAPPING ";
  appendf(*text, "\nREMARK Mapping Statistics.\n\n");
  appendf(*text, "%sNUMBER OF SUCCESFUL STEPS   %d\n", m, listed);
  const std::string h = m;
  appendStat(text, (h + "G_MAG (AVERAGE/STD_DEV/MIN/MAX)   ").c_str(), s->gMag.mean, s->gMag.sd(),
             s->gMag.min, s->gMag.max);
  appendStat(text, (h + "Da_HN (AVERAGE/STD_DEV/MIN/MAX)   ").c_str(), s->daHn.mean, s->daHn.sd(),
             s->daHn.min, s->daHn.max);
  appendf(*text, "%sANGLE_5D (AVERAGE/STD_DEV/MIN/MAX) %.4e % .4e % .4e % .4e\n", m, angle5d.mean,
          angle5d.sd(), angle5d.min, angle5d.max);
  appendStat(text, (h + "SZZ (AVERAGE/STD_DEV/MIN/MAX)     ").c_str(), s->szz.mean, s->szz.sd(),
             s->szz.min, s->szz.max);
  appendSaupe(text, "AVERAGE    ", aveSaupe);
  appendSaupe(text, "STD_DEV    ", sd);
  appendSaupe(text, "MIN        ", saupeMin);
  appendSaupe(text, "MAX        ", saupeMax);
  appendStat(text, (h + "Da (AVERAGE/STD_DEV/MIN/MAX)   ").c_str(), s->daHn.mean / kDipolarNH,
             s->daHn.sd() / kDipolarNH, s->da.min, s->da.max);
  appendStat(text, (h + "Dr (AVERAGE/STD_DEV/MIN/MAX)   ").c_str(), s->dr.mean, s->dr.sd(),
             s->dr.min, s->dr.max);
  appendf(*text, "%sPhi (MIN/MAX)     % .2f % .2f\n", m, s->phiMin, s->phiMax);
  appendf(*text, "%sPsi (MIN/MAX)     % .2f % .2f\n", m, s->psiMin, s->psiMax);
  appendf(*text, "%sTheta (MIN/MAX)   % .2f % .2f\n", m, s->thetaMin, s->thetaMax);
  appendf(*text, "\n\n");
  return 0;
}

int writeAverageFit(MapStats* s, structure::PDBInfo* pdbInfo, structure::PDBSelectInfo* sInfo,
                    couplings::DTable* dTab, const settings::KorimInfo* korimInfo,
                    const MapLogs* logs, int verbose, int mapCount, const char* outDName,
                    const char* pdbRotName, const char* remark, const char* tableRemark) {
  double aveSaupe[5], alpha[4], beta[4], gamma[4];
  std::string text = tableRemark;
  if (mapStatsFinish(s, korimInfo, logs, "%5d  %e  %e  %e  %e  %e\n", aveSaupe, alpha, beta, gamma,
                     &text) != 0)
    return 1;
  couplings::DTensor& tensor = dTab->dTensor;
  tensor.tensorMode = couplings::kTensorSteric;
  for (int j = 0; j < 5; j++) tensor.userSaupe[j] = static_cast<float>(aveSaupe[j]);
  couplings::fitD(pdbInfo, dTab, verbose);
  if (couplings::writeDCmod(outDName, "w", dTab, korimInfo, text.c_str()) != 0) {
    std::fprintf(stderr, "korim: error in writeDCmod.\n");
    return 1;
  }
  if (s->accepted == 0) {
    std::fprintf(stderr, "WARNING %d SVD runs of %d succesful.\n", 0, mapCount);
    return 0;
  }
  const int st = simulation::writePDBRot(gamma, beta, alpha, korimInfo->rotN, pdbInfo, sInfo,
                                         pdbRotName, remark);
  if (st != 0) std::fprintf(stderr, "korim: error in writePDBRot.\n");
  return st;
}

}  // namespace korim::fitting
