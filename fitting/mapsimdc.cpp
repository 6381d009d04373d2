// Monte-Carlo error estimate of a tensor fit with Gaussian noise on the couplings (-mcDc).
#include "fitting/mapsimdc.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "foundation/appendf.h"
#include "foundation/genrand.h"
#include "foundation/memory.h"
#include "fitting/mapstats.h"
#include "couplings/dcpairs.h"
#include "couplings/missingdc.h"
#include "couplings/writedc.h"
#include "simulation/korim_utils_align.h"

namespace korim::fitting {

using couplings::DInfo;
using couplings::DTable;
using settings::KorimInfo;

namespace {

// Per-coupling work arrays (tag "matrix"); the destructor puts the measured couplings back and
// releases the arrays, so every return leaves the table's observed values as they came.
struct McRows {
  DTable* dTab = nullptr;
  int n = 0;
  float* dSaved = nullptr;    // measured coupling, Hz
  float* sigSaved = nullptr;  // its error, Hz (0 taken as 1)
  float* sigScaled = nullptr; // error times the factor kSigma, Hz
  float* wSaved = nullptr;    // observed weight
  int* fail = nullptr;        // fits whose back-calculated value left the error bar
  double* mean = nullptr;     // running mean of the back-calculated value, Hz
  double* m2 = nullptr;       // running sum of squared deviations from it
  bool saved = false;

  bool alloc(DTable* t) {
    dTab = t;
    n = t->dCount;
    dSaved = foundation::fltAlloc("matrix", n);
    sigSaved = dSaved ? foundation::fltAlloc("matrix", n) : nullptr;
    sigScaled = sigSaved ? foundation::fltAlloc("matrix", n) : nullptr;
    wSaved = sigScaled ? foundation::fltAlloc("matrix", n) : nullptr;
    fail = wSaved ? foundation::intAlloc("matrix", n) : nullptr;
    mean = fail ? foundation::dFltAlloc("matrix", n) : nullptr;
    m2 = mean ? foundation::dFltAlloc("matrix", n) : nullptr;
    if (m2 == nullptr) return false;
    taken.assign(n, false);
    for (int i = 0; i < n; i++) {
      taken[i] = couplings::fitRow(t->dObsList[i], t->dCalcList[i]);
      dSaved[i] = sigSaved[i] = sigScaled[i] = wSaved[i] = 0.0f;
      fail[i] = 0;
      mean[i] = m2[i] = 0.0;
    }
    return true;
  }
  // The rows the fit takes, as the table holds them (couplings::fitRow, before any noise): a row
  // that marks its coupling as missing, or of weight 0 (nothing back-calculated), takes no noise
  // and no error bar.
  std::vector<bool> taken;
  bool used(int i) const { return taken[i]; }

  ~McRows() {
    if (saved)
      for (int i = 0; i < n; i++)
        if (used(i)) dTab->dObsList[i].d = dSaved[i];
    const int f = static_cast<int>(sizeof(float)) * n;
    foundation::unAlloc("matrix", dSaved, f);
    foundation::unAlloc("matrix", sigSaved, f);
    foundation::unAlloc("matrix", sigScaled, f);
    foundation::unAlloc("matrix", wSaved, f);
    foundation::unAlloc("matrix", fail, static_cast<int>(sizeof(int)) * n);
    foundation::unAlloc("matrix", mean, static_cast<int>(sizeof(double)) * n);
    foundation::unAlloc("matrix", m2, static_cast<int>(sizeof(double)) * n);
  }

  void scale(float kSigma) {
    for (int i = 0; i < n; i++)
      if (used(i)) sigScaled[i] = sigSaved[i] * kSigma;
  }

  // Measured couplings plus Gaussian noise of half the scaled error as standard deviation.
  void perturb() {
    for (int i = 0; i < n; i++)
      if (used(i))
        dTab->dObsList[i].d =
            static_cast<float>(dSaved[i] + foundation::gauss() * sigScaled[i] * 0.5);
  }

  // Whether every back-calculated coupling lies within its scaled error bar; with count, each
  // one outside adds to its failure count.
  bool withinErrors(bool count) {
    bool within = true;
    for (int i = 0; i < n; i++) {
      if (!used(i)) continue;
      const float d = dTab->dCalcList[i].d;
      if (d > dSaved[i] + sigScaled[i] || d < dSaved[i] - sigScaled[i]) {
        within = false;
        if (count) fail[i]++;
      }
    }
    return within;
  }
};

bool anyZeroSolution(const couplings::DTensor& t) {
  const int count = t.eulerCount < couplings::kMaxEuler ? t.eulerCount : couplings::kMaxEuler;
  for (int i = 0; i < count; i++)
    if (t.phiList[i] == 0.0f && t.psiList[i] == 0.0f && t.thetaList[i] == 0.0f) return true;
  return false;
}

// An error-bar factor as printed: one decimal, as the records have it, where that is the factor
// (to float precision); all its digits where one decimal would misstate it (0.01 is no "0.0").
std::string factorText(double v) {
  char text[64];
  std::snprintf(text, sizeof text, "%.1f", v);
  if (std::fabs(std::strtod(text, nullptr) - v) > 1e-5 * std::fabs(v)) std::snprintf(text, sizeof text, "%g", v);
  return text;
}

// The error-bar factor whose noise moves the couplings by kMaxNoiseShare of their pattern, from the
// reference fit's couplings and the error bars the noise scales (0 for a fit of no couplings).
double swampFactor(const McRows& rows) {
  double pattern = 0.0;  // sum of (D / DD)^2 over the fitted couplings
  for (int i = 0; i < rows.n; i++) {
    if (!rows.used(i)) continue;  // the rows the fit takes, weight 0 none of them
    const double r = rows.dTab->dCalcList[i].d / static_cast<double>(rows.sigSaved[i]);
    pattern += r * r;
  }
  const double k = 2.0 * kMaxNoiseShare * std::sqrt(pattern / 5.0);
  return std::isfinite(k) ? k : 0.0;
}

// The largest factor that holds: that of swampFactor rounded down to three digits, so that the
// factor printed is the factor that holds (and a user who types it gets it); never below 1 (the
// default holds on every table).
double largestFactor(double swamp) {
  if (!(swamp > 1.0)) return 1.0;
  const double unit = std::pow(10.0, std::floor(std::log10(swamp)) - 2.0);
  char text[64];
  std::snprintf(text, sizeof text, "%g", std::floor(swamp / unit) * unit);
  const double down = std::strtod(text, nullptr);
  return down > 1.0 ? down : 1.0;
}

// Whether an error-bar factor (held in single precision, as the options are) lies above the
// largest that holds, compared as the option would hold that factor.
bool above(float factor, double holds) { return factor > static_cast<float>(holds); }

// Refuses the user's factor in force (-kLAdjustMc where the adjustment runs, else -kAdjustMc)
// where it exceeds the largest that holds. Returns 0, or 1 after the message.
int refuseSwampingFactor(const KorimInfo* k, double swamp) {
  const bool search = k->mcAdjustFlag && k->validCountD >= 5;
  const float factor = search ? k->kLSigma : k->kSigma;
  const double holds = largestFactor(swamp);
  if (!above(factor, holds)) return 0;
  std::string moves = "hides their pattern (the fit gives every coupling 0)";
  if (swamp > 0.0) {
    moves.clear();
    foundation::appendf(moves, "moves the couplings of each noisy fit by %.3g times their pattern (at most %g keeps it)",
                        kMaxNoiseShare * factor / swamp, kMaxNoiseShare);
  }
  std::string largest = "no factor above the default of 1 holds for this table";
  if (holds > 1.0) {
    largest.clear();
    foundation::appendf(largest, "the largest factor that holds for this table is %g", holds);
  }
  std::fprintf(stderr, "KORIM Error: option %s value %g swamps the couplings: noise of half of %g error bars %s; %s.\n",
               search ? "-kLAdjustMc" : "-kAdjustMc", static_cast<double>(factor), static_cast<double>(factor),
               moves.c_str(), largest.c_str());
  return 1;
}

// One pass of the adjustment: nAdjustMc fits on couplings perturbed with the error bars scaled by
// factor. Returns the number of good fits (within the bars, or every fit with -noerr).
int adjustmentPass(structure::PDBInfo* pdbInfo, DTable* dTab, const KorimInfo* k, McRows* rows,
                   int verbose, float factor) {
  // A progress line, as every other: on stderr, ended by a carriage return.
  std::fprintf(stderr, "REMARK DC Error Scaling factor %s\r", factorText(factor).c_str());
  std::fflush(stderr);
  rows->scale(factor);
  int good = 0;
  for (int t = 0; t < k->nAdjustMc; t++) {
    rows->perturb();
    couplings::fitD(pdbInfo, dTab, verbose);
    if (k->mapMode == 0 || rows->withinErrors(false)) good++;
  }
  return good;
}

// The error-bar factor: from kLSigma up by incSigma until more than the fraction mcAdjustFrac of
// nAdjustMc perturbed fits stay within their error bars. *adjusted says whether it adjusted the
// factor (false: the user's factor stays). Returns 0; 1 after the message when no factor within
// kMaxAdjustPasses passes reached the fraction (the last factor tried is no answer).
// No pass runs above ceiling, the largest factor that holds for the table where that lies above
// the default of 1 (else infinite): where the next step would pass it, the last pass runs at the
// ceiling itself, and a search that fails there ends, as one at the cap of passes. Where even the
// default's noise swamps the couplings, the search keeps its course, so that the default run is
// never refused for the size of the error bars.
int adjustErrorBars(structure::PDBInfo* pdbInfo, DTable* dTab, KorimInfo* k, McRows* rows,
                    int verbose, double ceiling, bool* adjusted) {
  *adjusted = false;
  if (!k->mcAdjustFlag || k->validCountD < 5) {
    std::printf("REMARK DC error bars scaled by user supplied factor of %s.\n", factorText(k->kSigma).c_str());
    return 0;
  }
  // More good trials than nAdjustMc cannot be counted: a limit at or above it (or one beyond an
  // int) leaves every pass short of it, and the passes end at their cap.
  // The product in single precision, as the fraction is held (100 x 0.7 is 70).
  const float share = static_cast<float>(k->nAdjustMc) * k->mcAdjustFrac;
  const int limit = share >= static_cast<float>(k->nAdjustMc) ? k->nAdjustMc
                                                               : (share > 0.0f ? static_cast<int>(share) : 0);
  std::printf("REMARK Adjusting DC error bars ...\n");
  const float top = std::isfinite(ceiling) ? static_cast<float>(ceiling) : HUGE_VALF;
  float factor = k->kLSigma;  // the factor of the next pass
  float tried = factor;
  int good = 0, passes = 0;
  bool atTop = false;  // the last pass ran at the ceiling
  while (passes < kMaxAdjustPasses) {
    good = adjustmentPass(pdbInfo, dTab, k, rows, verbose, factor);
    tried = factor;
    passes++;
    if (good > limit) break;
    if (tried >= top) {
      atTop = true;
      break;
    }
    const float next = factor + k->incSigma;
    factor = next > top ? top : next;
  }
  k->kSigma = tried;
  // The progress line ends before any message, which starts its own line.
  std::fprintf(stderr, "\n");
  if (good <= limit && atTop) {
    std::fprintf(stderr,
                 "KORIM Error: DC error bars not adjusted up to factor %s, the largest factor that holds "
                 "for this table (%d passes of -incAdjustMc %g from -kLAdjustMc %g): "
                 "%d of %d fits within the error bars at factor %s, more than %d needed (-fracAdjustMc %g); "
                 "-noerr accepts every trial.\n",
                 factorText(tried).c_str(), passes, static_cast<double>(k->incSigma),
                 static_cast<double>(k->kLSigma), good, k->nAdjustMc, factorText(tried).c_str(), limit,
                 static_cast<double>(k->mcAdjustFrac));
    return 1;
  }
  if (good <= limit) {
    std::fprintf(stderr,
                 "KORIM Error: DC error bars not adjusted within %d passes of -incAdjustMc %g from "
                 "-kLAdjustMc %g: %d of %d fits within the error bars at factor %s, more than %d "
                 "needed (-fracAdjustMc %g).\n",
                 passes, static_cast<double>(k->incSigma), static_cast<double>(k->kLSigma), good,
                 k->nAdjustMc, factorText(tried).c_str(), limit,
                 static_cast<double>(k->mcAdjustFrac));
    return 1;
  }
  std::printf("REMARK DC error bars automatically adjusted by factor of %s.\n", factorText(k->kSigma).c_str());
  *adjusted = true;
  return 0;
}

// What decides the acceptance of a trial, for a run that accepted none.
std::string acceptance(const KorimInfo* k, bool adjusted) {
  std::string line;
  foundation::appendf(line,
                      "korim: -err accepts a trial only when every back-calculated coupling lies "
                      "within its error bar times %s, %s; -noerr accepts every trial.\n",
                      factorText(k->kSigma).c_str(),
                      adjusted ? "the factor found by -autoMc (-noautoMc with -kAdjustMc sets it)"
                               : "the factor of -kAdjustMc with -noautoMc (-autoMc adjusts it)");
  return line;
}

}  // namespace

int mapSimDC(structure::PDBInfo* pdbInfo, structure::PDBSelectInfo* sInfo, DTable* dTab,
             KorimInfo* korimInfo, const char* outDName, const char* pdbRotName, int verbose,
             const char* outDaName, const char* outMapName, int mapCount, const char* outDFailName,
             const char* outAngName, const char* outAName, const char* remark,
             const char* tableRemark) {
  if (dTab == nullptr || dTab->dCount < 1 || dTab->dObsList == nullptr || dTab->dCalcList == nullptr)
    return 0;
  KorimInfo* k = korimInfo;
  // The adjustment would never end without a trial to count.
  if (k->mcAdjustFlag && k->validCountD >= 5 && k->nAdjustMc < 1) {
    std::fprintf(stderr, "KORIM Error: option -nAdjustMc value %d must be at least 1.\n", k->nAdjustMc);
    return 1;
  }
  McRows rows;
  if (!rows.alloc(dTab)) {
    std::fprintf(stderr, "Error allocating coord buffers.\n");
    return 1;
  }
  // The logs that are files are begun once the error bars are set, so that a run refused before
  // its trials begins none; the head of a Da log on the standard output keeps its place.
  constexpr const char* kDaHead = "# SVD_ID    Aa         R\n\n";
  const bool daOnStdout = outDaName == nullptr || outDaName[0] == '\0';
  if (daOnStdout) std::fputs(kDaHead, stdout);

  couplings::fitD(pdbInfo, dTab, verbose);
  couplings::DTensor fitted;  // the reference fit, whose angles the trials' are compared with
  couplings::dTensorNull(&fitted);
  couplings::dTensorCopy(&fitted, &dTab->dTensor);
  for (int i = 0; i < dTab->dCount; i++) {
    if (!rows.used(i)) continue;
    const DInfo& o = dTab->dObsList[i];
    rows.dSaved[i] = o.d;
    rows.sigSaved[i] = o.sigma == 0.0f ? 1.0f : o.sigma;
    rows.wSaved[i] = o.w;
  }
  rows.saved = true;
  // Repeated rows of one atom pair are one coupling of the fit.
  const int counted = couplings::countPairs(dTab, [&rows](int i) { return rows.used(i); });
  if (counted < 5) {
    std::fprintf(stderr, "KORIM Error: Only %d couplings available. Exiting ....\n", counted);
    return 1;
  }

  // A factor whose noise swamps the couplings gives no error of this fit.
  const double swamp = swampFactor(rows);
  if (refuseSwampingFactor(k, swamp) != 0) return 1;
  bool adjusted = false;
  const double ceiling = swamp > 1.0 ? largestFactor(swamp) : HUGE_VAL;
  if (adjustErrorBars(pdbInfo, dTab, k, &rows, verbose, ceiling, &adjusted) != 0) return 1;
  rows.scale(k->kSigma);

  Mapping mapping;
  if (mapping.open(outMapName, outDaName, outAngName, outAName, false) != 0) return 1;
  MapStats& stats = mapping.stats;
  const MapLogs& logs = mapping.logs;
  if (!daOnStdout) std::fputs(kDaHead, logs.da);
  mapStatsReference(&stats, &fitted);

  for (int t = 1; t <= mapCount; t++) {
    mapProgress(t, mapCount);
    rows.perturb();
    couplings::fitD(pdbInfo, dTab, verbose);
    if (k->mapMode == 1) {
      const bool within = rows.withinErrors(true);
      if (!within || anyZeroSolution(dTab->dTensor)) continue;
    }
    if (mapStatsAdd(&stats, dTab, k, &logs, t) != 0) return 1;
    const long n = stats.accepted;
    for (int i = 0; i < rows.n; i++) {
      if (!rows.used(i)) continue;
      const double d = dTab->dCalcList[i].d;
      const double delta = d - rows.mean[i];
      rows.mean[i] += delta / static_cast<double>(n);
      rows.m2[i] += delta * (d - rows.mean[i]);
    }
  }
  std::fprintf(stderr, "\n");
  std::fflush(stderr);
  if (noAcceptedTrial(&stats, "-mcDc", mapCount, acceptance(k, adjusted).c_str()) != 0) return 1;

  // The averages over the accepted fits go back into the table.
  const long n = stats.accepted;
  double aveSaupe[5], alpha[4], beta[4], gamma[4];
  std::string text = tableRemark;
  if (mapStatsFinish(&stats, k, &logs, "%5d %e  %e  %e  %e  %e\n", aveSaupe, alpha, beta, gamma,
                     &text) != 0)
    return 1;
  for (int j = 0; j < 5; j++) dTab->dTensor.saupe[j] = static_cast<float>(aveSaupe[j]);
  for (int i = 0; i < rows.n; i++) {
    if (!rows.used(i)) continue;
    const double var = n > 0 && rows.m2[i] > 0.0 ? rows.m2[i] / static_cast<double>(n) : 0.0;
    dTab->dObsList[i].d = rows.dSaved[i];
    dTab->dCalcList[i].d = static_cast<float>(n > 0 ? rows.mean[i] : 0.0);
    dTab->dObsList[i].sigma = static_cast<float>(std::sqrt(var));
  }
  if (couplings::writeDCmod(outDName, "w", dTab, k, text.c_str()) != 0) {
    std::fprintf(stderr, "korim: error in writeDCmod.\n");
    return 1;
  }

  // The failure table: the weights are the failure counts while it is written.
  for (int i = 0; i < rows.n; i++)
    if (rows.used(i)) dTab->dObsList[i].w = static_cast<float>(rows.fail[i]);
  std::string failText = "\nREMARK Failure Statistics.\n";
  foundation::appendf(failText, "DATA STATISTICS MAPPING NUMBER OF SUCCESFUL STEPS   %d\n\n\n",
                      n < kMapStoreMax ? static_cast<int>(n) : kMapStoreMax);
  const int failStatus = couplings::writeDCmod(outDFailName, "w", dTab, k, failText.c_str());
  for (int i = 0; i < rows.n; i++)
    if (rows.used(i)) dTab->dObsList[i].w = rows.wSaved[i];
  if (failStatus != 0) {
    std::fprintf(stderr, "korim: error in writeDCmod.\n");
    return 1;
  }

  if (n > 0) {
    const int st = simulation::writePDBRot(gamma, beta, alpha, k->rotN, pdbInfo, sInfo, pdbRotName,
                                           remark);
    if (st != 0) {
      std::fprintf(stderr, "matrix: error in writePDBRot.\n");
      return st;
    }
  }
  return 0;
}

}  // namespace korim::fitting
