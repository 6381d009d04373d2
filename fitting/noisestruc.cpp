// Monte-Carlo error estimate of a tensor fit with noise on the structure (-mcStruc).
#include "fitting/noisestruc.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "couplings/dcpairs.h"
#include "couplings/missingdc.h"
#include "fitting/mapsimdc.h"
#include "fitting/mapstats.h"
#include "fitting/strucnoise.h"
#include "foundation/appendf.h"
#include "foundation/memory.h"

namespace korim::fitting {

using couplings::DInfo;
using couplings::DTable;
using couplings::DTensor;
using settings::KorimInfo;
using structure::PDBInfo;

namespace {

// The coupling rows and coordinates of the start (tag "korim"), put back by restore() and on
// every return once taken.
struct StartState {
  PDBInfo* pdb = nullptr;
  DTable* dTab = nullptr;
  DInfo* obs = nullptr;
  DInfo* calc = nullptr;
  int* calcValid = nullptr;
  bool coords = false;

  int bytes() const { return dTab->dCount * static_cast<int>(sizeof(DInfo)); }
  bool take(PDBInfo* p, DTable* t) {
    pdb = p;
    dTab = t;
    obs = static_cast<DInfo*>(foundation::voidMalloc("korim", bytes()));
    calc = obs ? static_cast<DInfo*>(foundation::voidMalloc("korim", bytes())) : nullptr;
    calcValid = calc ? foundation::intAlloc("korim", t->dCount) : nullptr;
    if (calcValid == nullptr) return false;
    std::memcpy(static_cast<void*>(obs), t->dObsList, bytes());
    std::memcpy(static_cast<void*>(calc), t->dCalcList, bytes());
    for (int i = 0; i < t->dCount; i++) calcValid[i] = t->dCalcList[i].valid;
    return true;
  }
  // The calculated rows (atom lists, weights, flags) and the coordinates of the start; the
  // observed rows too when all is set.
  int restore(bool all) const {
    if (all) std::memcpy(static_cast<void*>(dTab->dObsList), obs, bytes());
    std::memcpy(static_cast<void*>(dTab->dCalcList), calc, bytes());
    if (!coords) return 0;
    const int st = structure::restorePDBCoords(pdb);
    if (st != 0) std::fprintf(stderr, "korim: error in storePDBCoords.\n");
    return st;
  }
  ~StartState() {
    if (calcValid != nullptr) restore(true);
    if (dTab == nullptr) return;
    foundation::unAlloc("korim", obs, obs ? bytes() : 0);
    foundation::unAlloc("korim", calc, calc ? bytes() : 0);
    foundation::unAlloc("korim", calcValid, calcValid ? dTab->dCount * static_cast<int>(sizeof(int)) : 0);
  }
};

// A reference fit without a result ends the estimate, as -mcDc and -jack end on it: no coupling
// left to fit (none maps to the structure), or an order matrix that is not finite (the fit weighs
// each coupling by its inverse error in single precision, which errors such as 1e30 or 1e-30, or
// couplings as large, carry beyond its range). Returns 1 after the message, else 0.
int refuseReference(const DTable* dTab, int pairs) {
  bool finite = true;
  for (const float s : dTab->dTensor.saupe) finite = finite && std::isfinite(s);
  if (finite && pairs > 0) return 0;
  if (finite) {
    std::fprintf(stderr, "KORIM Error: Only %d couplings available. Exiting ....\n", pairs);
    return 1;
  }
  float dLo = 0.0f, dHi = 0.0f, eLo = 0.0f, eHi = 0.0f;
  bool any = false;
  for (int i = 0; i < dTab->dCount; i++) {
    if (!dTab->dCalcList[i].valid || couplings::missingCoupling(dTab->dObsList[i].d)) continue;
    const float d = dTab->dObsList[i].d, e = dTab->dObsList[i].sigma;
    dLo = any ? std::min(dLo, d) : d;
    dHi = any ? std::max(dHi, d) : d;
    eLo = any ? std::min(eLo, e) : e;
    eHi = any ? std::max(eHi, e) : e;
    any = true;
  }
  std::fprintf(stderr,
               "KORIM Error: the fit of the measured couplings gives an order matrix that is not "
               "finite: it weighs each coupling by its inverse error in single precision, here "
               "couplings from %g to %g Hz with errors from %g to %g Hz. Exiting ....\n",
               static_cast<double>(dLo), static_cast<double>(dHi), static_cast<double>(eLo),
               static_cast<double>(eHi));
  return 1;
}

// A cone width of the search with the mean RMS measured there (Hz).
struct Width {
  double width = 0.0, rms = 0.0;
  bool measured = false;
};

struct Estimate {
  PDBInfo* pdb;
  DTable* dTab;
  KorimInfo* k;
  const DTensor* ref;
  const StartState* start;
  int aFirst, segFirst, segLast, verbose;
  double rotInc;
  long state = -1;

  // One fit from the reference tensor on the start structure, with noise when asked. Returns 1
  // when it counts (S_ZZ below 999.9), 0 when not, -1 after a failed coordinate restore.
  int noisyFit(bool noise) {
    couplings::dTensorNull(&dTab->dTensor);
    couplings::dTensorCopy(&dTab->dTensor, ref);
    if (start->restore(false) != 0) return -1;
    if (noise) {
      if (k->noiseMode == 0)
        addPhiPsiNoise(&state, pdb, dTab, k->coneWidth, k->coneFix, aFirst, segFirst, segLast,
                       k->allowFixedDI);
      else
        addPdbNoise(pdb, dTab, k, residueOffset(aFirst, segFirst), rotInc, start->calcValid, &state);
    }
    couplings::fitD(pdb, dTab, verbose);
    return dTab->dTensor.saupe[0] < 999.9f ? 1 : 0;
  }

  // The mean RMS of nConeAdjust noisy fits at the width coneWidth, over the fits that count;
  // *pairs gets the pair count of the last one. Returns the number counted, -1 after a failed
  // restore.
  int measure(double* mean, int* pairs) {
    double sum = 0.0;
    int counted = 0;
    for (int i = 0; i < k->nConeAdjust; i++) {
      const int fit = noisyFit(true);
      if (fit < 0) return -1;
      if (fit == 0) continue;
      float rms = 0.0f, chi2 = 0.0f;
      couplings::getStatDC(dTab->dObsList, dTab->dCalcList, dTab->dCount, &rms, &chi2, pairs);
      sum += rms;
      counted++;
    }
    if (counted > 0) *mean = sum / counted;
    return counted;
  }

  // The cone width whose noise reproduces the reference RMS: the widths from nConeStart by
  // nConeInc below kMaxConeWidth are measured until one gives a mean RMS above refRms; the width
  // before it is taken (the first one when it does so itself), with the RMS measured there. A
  // width of 0 adds no noise and is never the answer. At most kMaxAdjustPasses widths are tried,
  // as the error bars of -mcDc are adjusted. *pairs gets the pair count of the last counted fit.
  // Returns 0; 1 after the message when no width reached the RMS (the widest measured one named)
  // or only 0 did, or the failing restore's status.
  int searchWidth(float refRms, int* pairs) {
    std::printf("REMARK Adjusting amount of structural noise ...\n");
    Width below, widest;  // the widest measured width whose RMS did not exceed refRms; the widest
    k->coneWidth = k->nConeStart;
    for (int steps = 0; k->coneWidth < kMaxConeWidth; steps++, k->coneWidth += k->nConeInc) {
      if (steps == kMaxAdjustPasses) {
        std::string within;
        foundation::appendf(within, "within %d widths of", steps);
        return notAdjusted(within.c_str(), widest, refRms);
      }
      double mean = 0.0;
      const int counted = measure(&mean, pairs);
      if (counted < 0) return 1;
      if (counted == 0) continue;
      widest = {k->coneWidth, mean, true};
      if (mean > refRms) {
        const Width& found = below.measured ? below : widest;
        if (found.width == 0.0) return crossedFromZero(below, widest, refRms);
        k->coneWidth = found.width;
        std::printf("REMARK Amount of structural noise automatically determined.\n");
        std::printf("REMARK Width of Gaussian cone %.2f degree and %.3f Hz DC Rms.\n", k->coneWidth,
                    found.rms);
        return 0;
      }
      below = widest;
    }
    std::string end;
    foundation::appendf(end, "below %g degree by", kMaxConeWidth);
    return notAdjusted(end.c_str(), widest, refRms);
  }

  // A search whose answer would be the width 0, which adds no noise: refRms lies between its RMS
  // and that of the first width above it (below measured), or the noise-free fits exceed refRms
  // themselves. Returns 1.
  int crossedFromZero(const Width& below, const Width& widest, float refRms) const {
    std::fflush(stdout);
    if (below.measured) {
      std::fprintf(stderr,
                   "KORIM Error: structural noise not adjusted: the %.3f Hz DC Rms needed lies "
                   "between %.3f Hz at %.2f degree (no noise) and %.3f Hz at %.2f degree, the first "
                   "width above 0; a smaller -incCone than %g resolves it.\n",
                   static_cast<double>(refRms), below.rms, below.width, widest.rms, widest.width,
                   static_cast<double>(k->nConeInc));
    } else {
      std::fprintf(stderr,
                   "KORIM Error: structural noise not adjusted: the fits without noise (%.2f "
                   "degree) give %.3f Hz DC Rms already, above the %.3f Hz needed.\n",
                   widest.width, widest.rms, static_cast<double>(refRms));
    }
    return 1;
  }

  // A search that ended (where says how) without a width whose noise gives refRms; names the
  // widest width measured. Returns 1.
  int notAdjusted(const char* where, const Width& widest, float refRms) const {
    std::fflush(stdout);
    std::string tried;
    if (widest.measured)
      foundation::appendf(tried, "%.3f Hz DC Rms at %.2f degree", widest.rms, widest.width);
    else
      tried = "no width measured";
    std::fprintf(stderr,
                 "KORIM Error: structural noise not adjusted %s -incCone %g from -lCone %g "
                 "degree: %s, %.3f Hz needed.\n",
                 where, static_cast<double>(k->nConeInc), static_cast<double>(k->nConeStart),
                 tried.c_str(), static_cast<double>(refRms));
    return 1;
  }
};

}  // namespace

int noiseStrucSimDC(PDBInfo* pdbInfo, structure::PDBSelectInfo* sInfo, DTable* dTab,
                    KorimInfo* korimInfo, int aFirst, int segFirst, int segLast,
                    const char* outDName, const char* pdbRotName, int verbose, int mapCount,
                    const char* outDaName, const char* outMapName, const char* outAngName,
                    const char* outAName, const char* remark, const char* tableRemark) {
  if (dTab == nullptr || dTab->dCount < 1 || dTab->dObsList == nullptr || dTab->dCalcList == nullptr)
    return 0;
  KorimInfo* k = korimInfo;
  if (k->nConeFlag && !(k->nConeInc > 0.0f)) {
    std::fprintf(stderr, "KORIM Error: option -incCone value %g must be a positive number.\n",
                 static_cast<double>(k->nConeInc));
    return 1;
  }
  DTensor ref;
  couplings::dTensorNull(&ref);
  couplings::dTensorCopy(&ref, &dTab->dTensor);
  couplings::fitD(pdbInfo, dTab, verbose);
  DTensor fitted;  // the reference fit, whose angles the trials' are compared with
  couplings::dTensorNull(&fitted);
  couplings::dTensorCopy(&fitted, &dTab->dTensor);
  float refRms = 0.0f, chi2 = 0.0f;
  int pairs = 0;
  couplings::getStatDC(dTab->dObsList, dTab->dCalcList, dTab->dCount, &refRms, &chi2, &pairs);
  if (refuseReference(dTab, pairs) != 0) return 1;
  // Repeated rows of one atom pair are one coupling of the fit.
  const int distinct = couplings::fitCouplings(dTab).pairs;

  StartState start;
  if (pdbInfo != nullptr) {
    if (const int st = structure::storePDBCoords(pdbInfo); st != 0) {
      std::fprintf(stderr, "korim: error in storePDBCoords.\n");
      return st;
    }
  }
  if (!start.take(pdbInfo, dTab)) {
    std::fprintf(stderr, "Error allocating coord buffers.\n");
    return 1;
  }
  start.coords = pdbInfo != nullptr;
  // The fits that follow aim at the couplings of the reference fit.
  // (A row that marks its coupling as missing keeps its mark.)
  for (int i = 0; i < dTab->dCount; i++) {
    if (!couplings::missingCoupling(dTab->dObsList[i].d)) dTab->dObsList[i].d = dTab->dCalcList[i].d;
    dTab->dObsList[i].valid = dTab->dCalcList[i].valid;
  }
  std::printf("REMARK Experimental DC and structure have %.3f Hz DC Rms.\n", refRms);
  Estimate est{pdbInfo, dTab, k, &ref, &start, aFirst, segFirst, segLast, verbose,
               360.0 / (k->coneDig > 0 ? k->coneDig : 1)};

  // Too few couplings are refused before any width is named: the search's runs would name the width
  // of -stdCone, which they do not read.
  if (k->validCountD < 5 || pairs < 5 || distinct < 5) {
    std::fprintf(stderr, "KORIM Error: Only %d couplings available. Exiting ....\n",
                 std::min(pairs, distinct));
    return 1;
  }
  if (!k->nConeFlag) {
    std::printf("REMARK Amount of structural noise by user specified.\n");
    std::printf("REMARK Width of Gaussian cone %.2f degree.\n", k->coneWidth);
  } else if (est.searchWidth(refRms, &pairs) != 0) {
    return 1;
  }
  if (pairs < 5) {  // the search's last noisy fit counted
    std::fprintf(stderr, "KORIM Error: Only %d couplings available. Exiting ....\n", pairs);
    return 1;
  }

  // The logs are begun once the width is known: a run refused before its trials begins none.
  Mapping mapping;
  if (mapping.open(outMapName, outDaName, outAngName, outAName, true) != 0) return 1;
  MapStats& stats = mapping.stats;
  const MapLogs& logs = mapping.logs;
  mapStatsReference(&stats, &fitted);

  const bool noise = k->coneWidth > 0.0;
  const int trials = noise ? mapCount : 1;
  for (int t = 1; t <= trials; t++) {
    mapProgress(t, mapCount);
    const int fit = est.noisyFit(noise);
    if (fit < 0) return 1;
    if (fit == 1 && mapStatsAdd(&stats, dTab, k, &logs, t) != 0) return 1;
  }
  std::fprintf(stderr, "\n");
  std::fflush(stderr);
  std::printf("REMARK %d SVD runs of %d succesful.\n", stats.accepted, mapCount);
  if (const int st = start.restore(true); st != 0) return st;
  if (noAcceptedTrial(&stats, "-mcStruc", trials, nullptr) != 0) return 1;
  return writeAverageFit(&stats, pdbInfo, sInfo, dTab, k, &logs, verbose, mapCount, outDName,
                         pdbRotName, remark, tableRemark);
}

}  // namespace korim::fitting
