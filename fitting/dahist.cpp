// Da and R of the alignment tensor from the histogram of the measured couplings (-daHist).
#include "fitting/dahist.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "fitting/dcsample.h"
#include "fitting/histo.h"
#include "fitting/histonls.h"
#include "fitting/tensorform.h"
#include "foundation/advice.h"
#include "foundation/appendf.h"
#include "foundation/nonlinearfit.h"

namespace korim::fitting {

using settings::HistInfo;
using settings::KorimInfo;

namespace {

// The automatic layout (-bin 0; a count above kMaxHistBins is refused with the options) needs more
// bins than a histogram holds: its bins of twice the mean error delta are too narrow.
void tooManyBins(int nBins, double delta) {
  std::fprintf(stderr,
               "Error: Too many folders (%d) for histogram: the automatic layout (-bin 0) spans the couplings in "
               "bins of twice their mean error DD*W, %.3g Hz, and needs %d; a histogram holds at most %d.\n",
               nBins, 2.0 * delta, nBins, kMaxHistBins);
  std::fprintf(stderr, "       ==> 3-parameter fit not possible.\n");
}

// Dzz and Dyy from the averaged (optExtrem 1) or raw extremes of list (sorted in place).
void principalExtremes(std::vector<float>& list, double delta, const HistInfo& h, bool dzzPositive,
                       float sdevNeg, float sdevPos, float min, float max, float* dzz, float* dyy) {
  float dNeg = min, dPos = max;
  if (h.optExtrem == 1)
    getDzzDyy(static_cast<int>(list.size()), list.data(), delta, sdevNeg, sdevPos, &dNeg, &dPos);
  *dzz = dzzPositive ? dPos : dNeg;
  *dyy = dzzPositive ? dNeg : dPos;
}

// Levenberg-Marquardt fit of Da and R to the principal couplings y[1..n] at x = 0, 1, -1;
// a[1..2] starts at guess and err[1..2] get the errors. The fitter's status (0: fitted).
int fitPrincipalQuiet(int n, float* y, double delta, const float guess[3], float a[3], float err[3]) {
  float x[4] = {0.0f, 0.0f, 1.0f, -1.0f};
  float sig[4] = {0.0f, static_cast<float>(delta), static_cast<float>(delta),
                  static_cast<float>(delta)};
  float g[3] = {0.0f, guess[1], guess[2]};
  int ia[3] = {0, 1, 1};
  return foundation::nonlinearfit(x, y, sig, n, a, g, ia, 2, alignpoly, err);
}

// fitPrincipalQuiet; when the fit fails, the errors are 0 and the start values stand, said on
// stderr.
void fitPrincipal(int n, float* y, double delta, const float guess[3], float a[3], float err[3]) {
  if (fitPrincipalQuiet(n, y, delta, guess, a, err) != 0) {
    std::fprintf(stderr, "korim: the fit of Da and R to the principal couplings failed; the "
                         "two-extreme estimate stands.\n");
    a[1] = guess[1];
    a[2] = guess[2];
    err[1] = err[2] = 0.0f;
  }
}

// The principal couplings and the start of the three-point fit of one -daHist run.
struct PrincipalFit {
  const std::vector<float>* list;  // the used couplings, sorted
  double delta;                    // mean error, Hz
  float dzz, dyy;                  // extremes, Hz
  float guess[3];                  // start values (0, Da2Par, R2Par)
};

// The histogram of -bin count (0: automatic) laid out over the principal couplings and its fullest
// bin.
struct Layout {
  int nBins = 0;       // 0: none laid out
  float width = 0.0f;  // Hz
  float dxx = 0.0f;    // centre of the fullest bin, Hz
};

// Lays out the histogram of -bin count and reads Dxx from it (readDxx); values outside it are
// reported on stdout when report is set.
DxxReading layOut(const PrincipalFit& f, int count, bool report, Layout* l) {
  return readDxx(static_cast<int>(f.list->size()), f.list->data(), f.delta, f.dzz, f.dyy, count, report, &l->nBins,
                 &l->width, &l->dxx);
}

// The three-point fit of the layout's principal couplings into a[1..2] and err[1..2]; the fitter's
// status (0: fitted).
int fitThreePoints(const PrincipalFit& f, const Layout& l, float a[3], float err[3]) {
  float y[4] = {0.0f, f.dzz, f.dyy, l.dxx};
  a[1] = f.guess[1];
  a[2] = f.guess[2];
  return fitPrincipalQuiet(3, y, f.delta, f.guess, a, err);
}

// Whether -bin count lays out a histogram of the couplings with a single fullest bin whose three
// values can be a tensor's, and the fit -daHist then runs answers R from 0 to 2/3 (said nowhere: a
// check).
bool countResolves(const PrincipalFit& f, int count) {
  Layout l;
  float a[3] = {}, err[3] = {};
  if (layOut(f, count, false, &l) != DxxReading::kSingle || fitThreePoints(f, l, a, err) != 0) return false;
  return std::isfinite(a[1]) && a[2] >= 0.0f && a[2] <= kMaxRhombicity;
}

// Bin counts named after a tie: at most this many, the nearest to the automatic count first.
constexpr int kAdvisedCounts = 3;

// The counts of 3 to kMaxHistBins bins (but tried, the one this run had) that countResolves,
// nearest to automatic first (of two as near, the smaller), at most kAdvisedCounts.
std::vector<int> resolvingCounts(const PrincipalFit& f, int automatic, int tried) {
  std::vector<int> found;
  const auto consider = [&](int count) {
    if (static_cast<int>(found.size()) < kAdvisedCounts && count >= 3 && count <= kMaxHistBins &&
        count != tried && countResolves(f, count))
      found.push_back(count);
  };
  consider(automatic);
  for (int d = 1; d <= kMaxHistBins; ++d) {
    consider(automatic - d);
    consider(automatic + d);
  }
  return found;
}

// The -bin counts as a message lists them: "-bin 22, -bin 21 and -bin 23".
std::string binCounts(const std::vector<int>& counts) {
  std::vector<std::string> items;
  for (int c : counts) items.push_back("-bin " + std::to_string(c));
  return foundation::listedItems(items);
}

// After an automatic layout of too many bins: the -bin counts checked to read a Dxx, or that none
// does; either way -nFit 2, which fits Dzz and Dyy alone and lays out no histogram.
void adviseCountsForAutomatic(const PrincipalFit& f) {
  const std::vector<int> counts = resolvingCounts(f, kMaxHistBins, 0);
  const std::string fit2 = foundation::adviseOption("-nFit", "2");
  if (counts.empty()) {
    std::fprintf(stderr,
                 "       No count of 3 to %d bins gives these couplings a single fullest bin at Dxx and a fit with R "
                 "from 0 to 2/3; %s answers with a fit to Dzz and Dyy, which needs no histogram.\n",
                 kMaxHistBins, fit2.c_str());
    return;
  }
  std::string named = binCounts(counts);
  std::fprintf(stderr,
               "       Checked for these couplings, from %d bins down: %s %s a single fullest bin at Dxx and a fit "
               "with R from 0 to 2/3; %s answers with a fit to Dzz and Dyy, which needs no histogram.\n",
               kMaxHistBins, named.c_str(), counts.size() == 1 ? "gives" : "each give", fit2.c_str());
}

// After a tie: the layout this run had and the -bin counts checked for these couplings, or that
// no count resolves them; either way what settles Da and R.
void adviseBinCounts(const PrincipalFit& f, const HistInfo& h, int nBins, float binWidth) {
  float bins[kMaxHistBins];
  int automatic = 0;
  float width = 0.0f;
  makeBins(f.delta, std::fmax(f.dzz, f.dyy), std::fmin(f.dzz, f.dyy), kMaxHistBins, 0, &automatic, &width, bins);
  automatic = std::min(automatic, kMaxHistBins);
  const std::vector<int> counts = resolvingCounts(f, automatic, h.nBinIn >= 3 ? h.nBinIn : 0);
  std::fprintf(stderr,
               "       The number of bins decides which bin is the fullest: here %d bins of %.3f Hz (%s%d).\n",
               nBins, static_cast<double>(binWidth), h.nBinIn > 0 ? "-bin " : "each twice the mean error, -bin ",
               h.nBinIn);
  if (counts.empty()) {
    std::fprintf(stderr,
                 "       No count of 3 to %d bins gives these couplings a single fullest bin at Dxx and a fit "
                 "with R from 0 to 2/3: their histogram does not resolve the pattern; a fit with the structure "
                 "(-bestFit) settles Da and R.\n",
                 kMaxHistBins);
    return;
  }
  std::string named = binCounts(counts);
  // A count equal to the automatic one is another layout of that many bins: said, so that it does
  // not read as the count that tied.
  char same[240] = "";
  if (std::find(counts.begin(), counts.end(), automatic) != counts.end()) {
    int n = 0;
    float spread = 0.0f;
    makeBins(f.delta, std::fmax(f.dzz, f.dyy), std::fmin(f.dzz, f.dyy), kMaxHistBins, automatic, &n, &spread, bins);
    std::snprintf(same, sizeof same,
                  " (-bin %d lays its %d bins of %.3f Hz over the span of the couplings, where the automatic "
                  "layout lays bins of twice the mean error, %.3f Hz: the same count, another layout)",
                  automatic, automatic, static_cast<double>(spread), static_cast<double>(width));
  }
  // A -bin the command line gives is named as the value each count takes the place of.
  named = counts.size() == 1 ? foundation::adviseOption("-bin", std::to_string(counts[0]))
                             : named + foundation::eachInPlaceOf("-bin");
  std::fprintf(stderr,
               "       Checked for these couplings, nearest the automatic %d bins first: %s %s a single fullest "
               "bin at Dxx and a fit with R from 0 to 2/3%s. Such an answer is possible, not shown to be right: a fit "
               "with the structure (-bestFit) settles Da and R.\n",
               automatic, named.c_str(), counts.size() == 1 ? "gives" : "each give", same);
}

// The note of a sign that the extremes do not settle, said as sayNote says it. Which extreme is
// Dzz decides the sign: where their sizes differ by less than extremesSignMargin, or the answer's
// usual form has the sign of Dyy (a fit through R above 2/3), the note names both tensors; else
// the other reading of the couplings may still name the opposite sign (opposedSignNote).
std::string saySign(const Reading& answer, const Reading& other, const PrincipalFit& f) {
  const double gap = std::fabs(static_cast<double>(f.dzz)) - std::fabs(static_cast<double>(f.dyy));
  const int n = static_cast<int>(f.list->size());
  const double margin = extremesSignMargin(f.dzz, f.dyy, f.delta, n);
  const int sign = usualFormSign(answer.da, answer.r), read = f.dzz > 0.0f ? 1 : -1;
  if (answer.da == 0.0 || (gap >= margin && (sign == 0 || sign == read))) {
    const std::string opposed = opposedSignNote(answer, other);
    return opposed.empty() ? "" : sayNote(opposed);
  }
  double da = answer.da, r = answer.r;
  if (outsideUsualForm(r)) equivalentTensor(answer.da, answer.r, &da, &r);
  r = std::clamp(r, 0.0, kMaxRhombicity);
  char why[400];
  if (gap >= margin)
    std::snprintf(why, sizeof why, "%s has in the usual form the sign of Dyy, %+.3f Hz, not that of Dzz, %+.3f Hz",
                  answer.name, static_cast<double>(f.dyy), static_cast<double>(f.dzz));
  else
    std::snprintf(why, sizeof why,
                  "the sizes of their two extremes, Dzz %+.3f and Dyy %+.3f Hz, differ by %+.3f Hz, less than the "
                  "%.3f Hz by which the extremes of %d couplings of mean error DD*W %.3f Hz may miss the principal "
                  "values (few bonds lie near each axis, and noise moves the outermost couplings)",
                  static_cast<double>(f.dzz), static_cast<double>(f.dyy), gap, margin, n, f.delta);
  char line[900];
  std::snprintf(line, sizeof line,
                "couplings do not settle the sign of Da: %s, so the tensor Da %+.3f Hz, R %.3f and its negative, Da "
                "%+.3f Hz, R %.3f (both in the usual form), give nearly the same couplings; a fit with the structure "
                "(-bestFit) settles the sign.\n",
                why, da, r, -da, r);
  return sayNote(line);
}

// The note of the sign of an answer read from Dzz and Dyy alone (answerName: a fit to them, -nFit
// 2, or the two-extreme estimate of any other -nFit): its other reading is the three-point fit of
// the automatic or -bin layout, made for this check alone where that layout reads a Dxx (the
// record keeps no histogram).
std::string sayTwoPointSign(const PrincipalFit& f, const HistInfo& h, const char* answerName) {
  Layout l;
  const DxxReading laid = layOut(f, h.nBinIn, false, &l);
  float a[3] = {}, err[3] = {};
  Reading other{"the three-point fit, made for this check", 0.0, 0.0};
  if (laid == DxxReading::kSingle && fitThreePoints(f, l, a, err) == 0) other.da = a[1], other.r = a[2];
  return saySign({answerName, h.DaFit, h.RFit}, other, f);
}

// A histogram whose fullest bin gives no Dxx (a tie, or three values that are no tensor's), after
// the lines that say why: what the extremes alone give, and the bin counts checked to read a Dxx.
// Where the command line gives -sdevDzz or -sdevDyy: "; Dzz and Dyy are the extremes taken in
// by -sdevDzz 1e30 and -sdevDyy 0.9 times the mean error", else "" (the defaults take them in by
// little).
std::string thresholdsGiven(const HistInfo& h) {
  std::string zz = foundation::givenOption("-sdevDzz"), yy = foundation::givenOption("-sdevDyy");
  if (h.optExtrem != 1 || (zz.empty() && yy.empty())) return "";
  if (zz.empty()) foundation::appendf(zz, "-sdevDzz %g", static_cast<double>(h.sdevDzz));
  if (yy.empty()) foundation::appendf(yy, "-sdevDyy %g", static_cast<double>(h.sdevDyy));
  return "; Dzz and Dyy are the extreme couplings taken in by " + zz + " and " + yy + " times the mean error";
}

// What -nFit 2 answers for these couplings: the fit to Dzz and Dyy as this run took them in (the
// start values where that fit fails, as the run then says), named in the usual form where its R lies
// outside 0 to 2/3: "Da +1.522 Hz, R 8.819 (in the usual form Da -10.830 Hz, R 0.479)".
std::string twoPointAnswer(const PrincipalFit& f) {
  float y[4] = {0.0f, f.dzz, f.dyy, 0.0f}, a[3] = {0.0f, f.guess[1], f.guess[2]}, err[3] = {};
  if (fitPrincipalQuiet(2, y, f.delta, f.guess, a, err) != 0) a[1] = f.guess[1], a[2] = f.guess[2];
  char text[160];
  std::snprintf(text, sizeof text, "Da %+.3f Hz, R %.3f", static_cast<double>(a[1]), static_cast<double>(a[2]));
  std::string answer = text;
  if (outsideUsualForm(a[2])) {
    double da = 0.0, r = 0.0;
    equivalentTensor(a[1], a[2], &da, &r);
    std::snprintf(text, sizeof text, " (in the usual form Da %+.3f Hz, R %.3f)", da, r);
    answer += text;
  }
  return answer;
}

void refuseWithoutDxx(const PrincipalFit& f, const HistInfo& h, const Layout& l) {
  std::fprintf(stderr, "       ==> 3-parameter fit not possible.\n");
  std::fprintf(stderr,
               "       The two extremes alone give Da %+.3f Hz, R %.3f (the two-extreme estimate, from the smallest "
               "and largest coupling); %s answers with a fit to Dzz %+.3f and Dyy %+.3f Hz as this run takes them "
               "in: %s.\n",
               static_cast<double>(h.Da2Par), static_cast<double>(h.R2Par), foundation::adviseOption("-nFit", "2").c_str(),
               static_cast<double>(f.dzz), static_cast<double>(f.dyy), twoPointAnswer(f).c_str());
  adviseBinCounts(f, h, l.nBins, l.width);
}

}  // namespace

int getHistDabR(const char* inDName, KorimInfo* korimInfo, settings::DcInfo* dcInfo,
                const char* atomNameS1, const char* atomNameS2, const char* outName) {
  DcTablePtr dTab(nullptr, DcTableDeleter{"getHistDabR"});
  if (const int rc = readSelectedDc(inDName, "getHistDabR", dcInfo, atomNameS1, atomNameS2, &dTab);
      rc != 0)
    return rc;
  DcSample s;
  collectDc(dTab.get(), &s);
  tellMissingRows(s, inDName, "-daHist");
  markUsedRows(dTab.get(), s);
  if (checkDcSample(s, inDName) != 0 || refuseOneSign(s, inDName, "-daHist") != 0 ||
      refuseBelowFloor(s, inDName, "-daHist") != 0)
    return 1;
  const std::string kinds = mixedKinds(s, inDName);

  HistInfo& h = korimInfo->histInfo;
  float sdevNeg = 0, sdevPos = 0;
  const bool positive = twoExtremeEstimate(s.dcMin, s.dcMax, h.sdevDzz, h.sdevDyy, &h.Da2Par,
                                           &h.R2Par, &sdevNeg, &sdevPos) != 0;
  std::vector<float> list = s.coup;
  float dzz = 0, dyy = 0;
  principalExtremes(list, s.delta, h, positive, sdevNeg, sdevPos, s.dcMin, s.dcMax, &dzz, &dyy);

  const float guess[3] = {0.0f, h.Da2Par, h.R2Par};
  float a[3] = {0.0f, h.Da2Par, h.R2Par};
  float err[3] = {};
  float y[4] = {0.0f, dzz, dyy, 0.0f};
  const PrincipalFit principal{&list, s.delta, dzz, dyy, {guess[0], guess[1], guess[2]}};
  Layout layout;
  if (h.modeFit == 2) {
    fitPrincipal(2, y, s.delta, guess, a, err);
  } else if (h.modeFit == 3) {
    // Without a single fullest bin there is no Dxx: the three-parameter fit has nothing to fit,
    // and the start values are no result.
    // The bin count is the user's lever: the layout this run had, and counts checked to resolve.
    switch (layOut(principal, h.nBinIn, true, &layout)) {
      case DxxReading::kTooManyBins:
        tooManyBins(layout.nBins, s.delta);
        adviseCountsForAutomatic(principal);
        return 1;
      case DxxReading::kTie:
        std::fprintf(stderr, "Error: No single most populated coupling value.\n");
        refuseWithoutDxx(principal, h, layout);
        return 1;
      case DxxReading::kNotTraceless:
        // The averaged extremes fall short of the principal values by a few Hz; a sum beyond the
        // margin puts the fullest bin beside an extreme, not at the tensor's middle value.
        std::fprintf(stderr,
                     "Error: The fullest bin is no Dxx: Dzz_Dyy_Dxx %.3f %.3f %.3f sum to %+.3f Hz, where a "
                     "traceless tensor's sum to 0 within %.3f Hz here (two bin widths and a tenth of |Dzz|; a bin "
                     "counts as at least the mean error and at most twice it)%s.\n",
                     static_cast<double>(dzz), static_cast<double>(dyy), static_cast<double>(layout.dxx),
                     static_cast<double>(dzz) + dyy + layout.dxx, tracelessMargin(dzz, layout.width, s.delta),
                     thresholdsGiven(h).c_str());
        refuseWithoutDxx(principal, h, layout);
        return 1;
      case DxxReading::kSingle:
        break;
    }
    y[3] = layout.dxx;
    fitPrincipal(3, y, s.delta, guess, a, err);
  }
  if (h.optExtrem == 1) {
    h.Dzz = dzz;
    h.Dyy = dyy;
  }
  h.Dxx = layout.dxx;
  h.dcMin = s.dcMin;
  h.dcMax = s.dcMax;
  h.nBins = layout.nBins;
  h.binWidth = layout.width;
  h.DaFit = a[1];
  h.DaErrFit = err[1];
  h.RFit = a[2];
  h.RErrFit = err[2];

  // An answer with R above 2/3 stays, named in the usual form; a sign the couplings do not
  // settle is said, by the answer's least principal value or by the other reading of the couplings:
  // the two-extreme estimate beside the three-point fit, the three-point fit beside a fit to Dzz
  // and Dyy alone or beside the two-extreme estimate that another -nFit answers with.
  std::string remark = sayUsualForm(h.DaFit, h.RFit);
  if (h.modeFit == 2)
    remark += sayTwoPointSign(principal, h, "the answer, a fit to Dzz and Dyy");
  else if (h.modeFit != 3)
    remark += sayTwoPointSign(principal, h, "the answer, the two-extreme estimate");
  else
    remark += saySign({"the answer, the three-point fit", h.DaFit, h.RFit},
                      {"the two-extreme estimate, DATA EQ Da and EQ R", h.Da2Par, h.R2Par}, principal);
  if (!remark.empty()) remark += "\n";
  if (const int st = writeEstimateTable(outName, dTab.get(), korimInfo, kinds + remark); st != 0) return st;
  return 0;
}

int histoExtFit(int nD, float* coupList, const float* sigma, KorimInfo* korimInfo, bool* fitted, bool quiet) {
  bool ownFit = false;
  if (fitted != nullptr) *fitted = false;
  if (nD < 1) return 0;
  HistInfo& h = korimInfo->histInfo;
  float min = kDcMinStart, max = kDcMaxStart;
  double sum = 0.0;
  for (int i = 0; i < nD; ++i) {
    min = std::fmin(min, coupList[i]);
    max = std::fmax(max, coupList[i]);
    sum += sigma[i];
  }
  const double delta = sum / nD;
  if (!(delta > 0.0)) {
    std::fprintf(stderr, "korim: the couplings carry no errors (column DD is 0); the histogram "
                         "needs the measurement errors.\n");
    return 1;
  }
  float sdevNeg = 0, sdevPos = 0;
  const bool positive =
      twoExtremeEstimate(min, max, h.sdevDzz, h.sdevDyy, &h.Da2Par, &h.R2Par, &sdevNeg, &sdevPos) != 0;
  std::vector<float> list(coupList, coupList + nD);
  principalExtremes(list, delta, h, positive, sdevNeg, sdevPos, min, max, &h.Dzz, &h.Dyy);
  std::copy(list.begin(), list.end(), coupList);

  int nBins = 0;
  float binWidth = 0.0f;
  if (h.modeFit == 2) {
    h.DaFit = h.Da2Par;
    h.RFit = h.R2Par;
    ownFit = true;
  } else if (h.modeFit == 3) {
    // A layout whose three values are no tensor's counts as a tie: the next has 2 bins fewer.
    int userBins = h.nBinIn;
    bool noTensor = false;
    for (int attempt = 0; attempt < 4 && !ownFit; ++attempt, userBins -= 2) {
      float dxx = 0.0f;
      switch (readDxx(nD, coupList, delta, h.Dzz, h.Dyy, userBins, !quiet, &nBins, &binWidth, &dxx)) {
        case DxxReading::kTooManyBins:
          if (!quiet) {
            tooManyBins(nBins, delta);
            std::fprintf(stderr, "       -bin from 3 to %d sets the count of bins.\n", kMaxHistBins);
          }
          return 1;
        case DxxReading::kSingle:
          h.Dxx = dxx;
          fitDCHisto(korimInfo, 0);
          ownFit = true;
          break;
        case DxxReading::kNotTraceless:
          noTensor = true;
          break;
        case DxxReading::kTie:
          break;
      }
    }
    if (!ownFit && !quiet)
      std::fprintf(stderr, "Warning: No single most populated coupling value%s.\n"
                           "       ==> 3-parameter fit not possible.\n",
                   noTensor ? " at Dxx (Dzz + Dyy + Dxx near 0)" : "");
  }
  h.nBins = nBins;
  h.dcMin = min;
  h.dcMax = max;
  h.binWidth = binWidth;
  if (fitted != nullptr) *fitted = ownFit;
  return 0;
}

}  // namespace korim::fitting
