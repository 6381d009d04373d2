// Da and R of the alignment tensor by maximum likelihood of the measured couplings (-daMl).
#include "fitting/daml.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "fitting/dcsample.h"
#include "fitting/histo.h"
#include "fitting/mapmagtodc.h"
#include "fitting/mlmagtensor.h"
#include "fitting/resultstream.h"
#include "fitting/tensorform.h"
#include "foundation/advice.h"
#include "settings/da_window.h"

namespace korim::fitting {

using settings::HistInfo;
using settings::KorimInfo;

int errorIso(int nD, double /*Dab*/, double R, double* DabErr, double* RErr) {
  static const double table[3][3][2] = {{{1.6, 0.17}, {2.3, 0.22}, {2.5, 0.3}},
                                        {{0.5, 0.05}, {1.3, 0.13}, {0.8, 0.13}},
                                        {{0.3, 0.05}, {0.9, 0.1}, {0.6, 0.1}}};
  const int row = nD <= 40 ? 0 : nD <= 90 ? 1 : 2;
  const int col = R <= 0.1 ? 0 : R <= 0.3 ? 1 : 2;
  *DabErr = table[row][col][0];
  *RErr = table[row][col][1];
  return 0;
}

namespace {

// The largest R of the grid: at R 2 the principal value f11 reaches f33 (the point is the axial
// tensor of the other sign of Da), and above it the pattern's two cases no longer describe the
// tensor.
constexpr double kMaxGridR = 2.0;
// The grid's R values are sums of single-precision steps: one within this of kMaxGridR is on it.
constexpr double kGridRSumTolerance = 1e-6;

// The rows of the calculated list (and the errors of the observed list) after the answer:
// with mapping every coupling's allowed range, without it the measured coupling and error.
// sign turns the couplings into the search's frame (and back); dab is the answer in that frame.
void storeCouplings(couplings::DTable* dTab, const DcSample& s, const HistInfo& h, double dab,
                    float sign) {
  for (int row : s.missing) {  // kept in the table as they are
    dTab->dCalcList[row].d = dTab->dObsList[row].d;
    dTab->dCalcList[row].valid = 1;
  }
  for (size_t i = 0; i < s.row.size(); ++i) {
    couplings::DInfo& obs = dTab->dObsList[s.row[i]];
    couplings::DInfo& calc = dTab->dCalcList[s.row[i]];
    const float w = obs.w;
    calc.valid = 1;
    if (h.mlMap != 1 || w == 0.0f) {
      calc.d = obs.d;
      calc.sigma = obs.sigma;
      continue;
    }
    double ave = 0.0, aveErr = 0.0;
    mapMagToDc(dab, h.DaErrMl, h.RMl, h.RErrMl, sign * s.coup[i], s.sigma[i], &ave, &aveErr);
    calc.d = static_cast<float>(sign * ave / w);
    calc.sigma = static_cast<float>(aveErr / std::fabs(w));
    obs.sigma = calc.sigma;
  }
}

// Decimals that write the step exactly, so that every grid point one step from the last is
// printed as it is: the fewest, at least least (0.1 takes 1, 0.02 and 0.25 take 2, 0.005 takes
// 3). The step is the single-precision option, so a digit string equal to it within that
// precision counts; a step no decimal writes (1/3) takes the most.
int stepDecimals(float step, int least) {
  constexpr int kMostDecimals = 9;
  const double s = std::fabs(static_cast<double>(step));
  for (int d = least; d < kMostDecimals; ++d) {
    const double x = s * std::pow(10.0, d);
    if (std::fabs(x - std::round(x)) <= 1e-6 * std::max(1.0, x)) return d;
  }
  return kMostDecimals;
}

// The score table: Da with one decimal and R with two, more where a step needs them, so that
// every row names its own point.
void writeScores(FILE* out, const HistInfo& h, const std::vector<double>& r,
                 const std::vector<double>& da, const std::vector<double>& score) {
  const int daDecimals = stepDecimals(h.incDaMl, 1), rDecimals = stepDecimals(h.incRMl, 2);
  std::fprintf(out, "VARS   DA R SCORE\n");
  std::fprintf(out, "FORMAT %%%d.%df %%1.%df %%e\n\n", daDecimals + 2, daDecimals, rDecimals);
  for (size_t i = 0; i < score.size(); ++i)
    std::fprintf(out, "%*.*f %1.*f %e\n", daDecimals + 2, daDecimals, da[i], rDecimals, r[i],
                 score[i]);
}

// The edges of the grid on which its best point lies, one sentence each that reads on after
// "the " (for the standard error stream) or "The " (for the table). An edge is no maximum: the
// likelihood may rise beyond it. R = 0 is the bound of the physics, not of the grid.
// negated: the search ran over the Da range turned negative (its first Da is then -lDa). The Da
// edges are told by size, the grid's point nearest 0 or farthest from it, and in the answer's
// terms: answerDa is the answer (Hz, in the couplings' sign). namedForm: the answer's usual form
// is said in a note of its own, so that a high R edge beyond 2/3 does not say it again.
std::vector<std::string> gridEdges(const std::vector<double>& rList,
                                   const std::vector<double>& daList, size_t best,
                                   const HistInfo& h, bool negated, double answerDa, bool namedForm) {
  const size_t last = rList.size() - 1;
  struct Edge {
    bool on;
    const char *where, *option;
    float optionValue;
  };
  const Edge edges[] = {
      {daList[best] == daList[0], "edge of smallest |Da|", negated ? "-lDa" : "-hDa",
       negated ? h.lDaMl : h.hDaMl},
      {daList[best] == daList[last], "edge of largest |Da|", negated ? "-hDa" : "-lDa",
       negated ? h.hDaMl : h.lDaMl},
      {rList[best] == rList[0] && rList[0] != 0.0, "low R edge", "-lR", h.lRMl},
      {rList[best] == rList[last], "high R edge", "-hR", h.hRMl}};
  std::vector<std::string> found;
  for (const Edge& e : edges) {
    if (!e.on) continue;
    const bool daEdge = &e < &edges[2];
    const bool highR = &e == &edges[3];
    // R 2 is the axial tensor of the other sign, a bound of the physics as R 0 is.
    if (highR && rList[best] >= kMaxGridR - kGridRSumTolerance) continue;
    char value[96];
    if (daEdge)
      std::snprintf(value, sizeof value, "|Da| %.3f Hz: Da %+.3f Hz in the answer's sign;",
                    std::fabs(answerDa), answerDa);
    else
      std::snprintf(value, sizeof value, "R %.3f,", h.RMl);
    char line[560];
    std::snprintf(line, sizeof line,
                  "best point of the likelihood grid lies on its %s (%s set by %s %g): an edge is "
                  "no maximum, the likelihood may rise beyond it; %s moves that edge",
                  e.where, value, e.option, e.optionValue, e.option);
    std::string text = line;
    // Beyond 2/3 the grid goes on to the tensors of the other sign of Da, up to R 2; where the
    // answer's own note names its tensor, the rule is not said twice.
    if (highR && atOrAboveTwoThirds(rList[best]) && namedForm)
      text += ", up to 2 (R between 2/3 and 2 holds the tensors of the other sign of Da, as this "
              "answer's usual form below names it)";
    else if (highR && atOrAboveTwoThirds(rList[best]))
      text += std::string(", up to 2: a point with R between 2/3 and 2 is the tensor of the other "
                          "sign of Da with R below 2/3, ") +
              kEquivalentTensorText + ", so a larger -hR reaches those tensors";
    found.push_back(text + ".\n");
  }
  return found;
}

// A note of an answer on an edge of the grid, which is no maximum: what the note says of the answer
// (the tensor it names in the usual form, the sign its least principal value leaves open) is said
// of the edge point, not of a tensor the couplings select.
std::string onEdgePoint(const std::string& note, const char* what) {
  const size_t end = note.rfind(".\n");
  if (end == std::string::npos) return note;
  return note.substr(0, end) + "; the answer lies on an edge of the grid, so this " + what +
         " the edge point, not a tensor the couplings select.\n";
}

// A -lDa or -hDa value (and, where the grid would otherwise pass its point limit, an -incDa)
// that takes the grid's |Da| range to newNear..newFar (Hz), the end that moves being the far one
// where farEnd is set; given in the options' frame (negated: the options' range lies at or above 0).
std::string daAdvice(const HistInfo& h, bool negated, bool farEnd, double newNear, double newFar) {
  const double pointsR = mlAxisPoints(h.lRMl, h.hRMl, std::fabs(h.incRMl), true);
  // The steps a larger -incDa may take, the user's own first.
  const double steps[] = {std::fabs(h.incDaMl), 0.002, 0.005, 0.01, 0.02, 0.05, 0.1, 0.2, 0.5,
                          1.0, 2.0, 5.0, 10.0, 20.0, 50.0};
  double step = steps[0];
  for (double st : steps) {
    if (st < steps[0]) continue;
    step = st;
    if (mlAxisPoints(-newFar, -newNear, static_cast<float>(st), false) * pointsR <= kMaxGridPoints) break;
  }
  const char* option = farEnd == negated ? "-hDa" : "-lDa";
  const double value = (farEnd ? newFar : newNear) * (negated ? 1.0 : -1.0);
  char valueText[32], stepText[32];
  std::snprintf(valueText, sizeof valueText, "%.6g", value);
  std::snprintf(stepText, sizeof stepText, "%g", step);
  std::vector<foundation::AdvisedOption> advised{{option, valueText}};
  if (step != steps[0]) advised.push_back({"-incDa", stepText});
  return foundation::adviseOptions(advised);
}

// The couplings' own estimate from their two extremes (DATA EQ Da, Hz, at least kMinEstimateDa in
// size) against the |Da| range of the grid: a grid that does not reach it has its best point on an
// edge. Returns the sentence (reading on after "the ") that names the range it lies beyond or below
// and the option value that takes the grid to it with room to spare (half as much again beyond;
// below, half of it, or the grid's least end just beyond 1/3 Hz, which the floor keeps at about
// half), or "" when the grid reaches it.
std::string eqDaReach(const HistInfo& h) {
  const double eq = std::fabs(static_cast<double>(h.Da2Par));
  const bool negated = h.lDaMl >= 0.0f;
  const double a = std::fabs(static_cast<double>(h.lDaMl)), b = std::fabs(static_cast<double>(h.hDaMl));
  const double nearAbs = std::fmin(a, b), farAbs = std::fmax(a, b);
  if (eq >= nearAbs && eq <= farAbs) return "";
  const bool beyond = eq > farAbs;
  constexpr double kRoundFar = 5.0;     // Hz: a far end advised in steps of this
  constexpr double kRoundNear = 0.01;   // Hz: a near end advised in steps of this
  const double newFar = beyond ? std::ceil(1.5 * eq / kRoundFar) * kRoundFar : farAbs;
  const double newNear = beyond ? nearAbs
                                : std::fmax(std::floor(0.5 * eq / kRoundNear) * kRoundNear,
                                            std::ceil(kMinPatternDa / kRoundNear) * kRoundNear);
  char line[560];
  std::snprintf(line, sizeof line,
                "couplings' own estimate from their extremes, DATA EQ Da %+.3f Hz, lies %s the |Da| "
                "range of the likelihood grid, %g to %g Hz (-lDa %g -hDa %g): the grid does not reach "
                "it, and its best point can be no maximum; %s takes the grid to it with room to spare.\n",
                static_cast<double>(h.Da2Par), beyond ? "beyond" : "below", nearAbs, farAbs,
                static_cast<double>(h.lDaMl), static_cast<double>(h.hDaMl),
                daAdvice(h, negated, beyond, newNear, newFar).c_str());
  return line;
}

// The ranges that only the likelihood grid bounds: Da of one sign (the search negates a range
// at or above 0 and uses any other as given), its end nearest 0 of a size the sampling resolves,
// and R up to 2. 0, or 1 after the message.
int checkLikelihoodRanges(const HistInfo& h) {
  if (h.lDaMl < 0.0f && h.hDaMl > 0.0f) {
    std::fprintf(stderr, "KORIM Error: options -lDa %g and -hDa %g: the Da range of the likelihood grid "
                         "spans 0, where no pattern can be sampled; give it one sign: below 0 (-lDa -25 "
                         "-hDa -3, the default) or above it (-lDa 3 -hDa 25, searched as -25 to -3); "
                         "either way the answer takes the sign of the couplings.\n", h.lDaMl, h.hDaMl);
    return 1;
  }
  const bool positive = h.lDaMl >= 0.0f;
  const float nearest = positive ? h.lDaMl : h.hDaMl;
  if (!(std::fabs(static_cast<double>(nearest)) >= kMinPatternDa)) {
    std::fprintf(stderr, "KORIM Error: option %s value %g must be %s: the likelihood resolves the "
                         "pattern of a Da of at least 1/3 Hz in size when sampled every %.2f Hz (a "
                         "smaller one loses more than a tenth of the pattern at its edge).\n",
                 positive ? "-lDa" : "-hDa", nearest,
                 positive ? "1/3 or above (a number such as 0.34)" : "-1/3 or below (a number such as -0.34)",
                 kMlSampleStep);
    return 1;
  }
  if (!(h.hRMl <= kMaxGridR)) {
    std::fprintf(stderr, "KORIM Error: option -hR value %g must be at most 2: the likelihood grid's R "
                         "runs up to 2, where the principal value f11 reaches f33 (R between 2/3 and 2 is "
                         "the tensor of the other sign of Da with R below 2/3; above 2 the pattern no "
                         "longer describes its tensor).\n", h.hRMl);
    return 1;
  }
  return 0;
}

// The grid of the options: each range from its low end up to its high end, within the ranges of
// checkLikelihoodRanges, and at least two points along Da and along R (one point scores nothing
// to compare). 0, or 1 after the message.
int checkGrid(const HistInfo& h) {
  const struct {
    const char *low, *high, *inc, *axis;
    float l, h, step;
    bool withFarEnd;
  } axes[] = {{"-lDa", "-hDa", "-incDa", "Da", h.lDaMl, h.hDaMl, std::fabs(h.incDaMl), false},
              {"-lR", "-hR", "-incR", "R", h.lRMl, h.hRMl, std::fabs(h.incRMl), true}};
  if (settings::checkDaRWindow(h) != 0 || checkLikelihoodRanges(h) != 0) return 1;
  for (const auto& a : axes) {
    const double n = mlAxisPoints(a.l, a.h, a.step, a.withFarEnd);
    if (n < 2.0) {
      std::fprintf(stderr, "KORIM Error: options %s %g %s %g %s %g give %.0f grid point%s of %s; the likelihood "
                           "grid needs at least two along Da and along R.\n",
                   a.low, a.l, a.high, a.h, a.inc, a.step, n, n == 1.0 ? "" : "s", a.axis);
      return 1;
    }
  }
  return 0;
}

}  // namespace

int getMlDabR(const char* inDName, KorimInfo* korimInfo, settings::DcInfo* dcInfo,
              const char* atomNameS1, const char* atomNameS2, const char* outName,
              const char* outScName) {
  HistInfo& h = korimInfo->histInfo;
  if (checkGrid(h) != 0) return 1;
  ResultStream scores;
  if (scores.open(outScName) != 0) return 1;
  DcTablePtr dTab(nullptr, DcTableDeleter{"getMlDabR"});
  if (const int rc = readSelectedDc(inDName, "getMlDabR", dcInfo, atomNameS1, atomNameS2, &dTab);
      rc != 0)
    return rc;
  DcSample s;
  collectDc(dTab.get(), &s);
  tellMissingRows(s, inDName, "-daMl");
  if (checkDcSample(s, inDName) != 0 || refuseBelowFloor(s, inDName, "-daMl") != 0) return 1;
  std::string kinds = mixedKinds(s, inDName);
  kinds += warnOneSign(s, inDName);

  // Errors the likelihood cannot broaden by refuse the run, whatever its grid: no grid advice then.
  if (mlLineWidthCheck(s.delta) != 0) return 1;

  float sdevNeg = 0, sdevPos = 0;
  twoExtremeEstimate(s.dcMin, s.dcMax, h.sdevDzz, h.sdevDyy, &h.Da2Par, &h.R2Par, &sdevNeg,
                     &sdevPos);
  // Said before the grid runs: a grid that cannot reach the couplings' own size.
  const std::string reach = eqDaReach(h);
  std::string remark = kinds;
  if (!reach.empty()) remark += sayNote(reach);
  // The search's frame: the extreme of larger magnitude positive, Da negative.
  const float sign = std::fabs(s.dcMin) > std::fabs(s.dcMax) ? -1.0f : 1.0f;
  std::vector<float> list = s.coup;
  for (float& c : list) c *= sign;
  double low = std::fmin(h.lDaMl, h.hDaMl);
  double high = std::fmax(h.lDaMl, h.hDaMl);
  const bool negated = h.lDaMl >= 0.0f;
  if (negated) {
    const double t = low;
    low = -high;
    high = -t;
  }
  std::vector<double> rList, daList, scoreList;
  int count = 0;
  if (mlMagTensor(static_cast<int>(list.size()), list.data(), s.delta, low, high,
                  std::fabs(h.incDaMl), h.lRMl, h.hRMl, std::fabs(h.incRMl), &rList, &daList,
                  &scoreList, &count) != 0) {
    std::fprintf(stderr, "Error in mlMagTensor.\n");
    return 1;
  }
  // The best score, whatever its sign; of equal scores the earlier point.
  double bestDa = 0.0, bestR = 0.0;
  int best = -1;
  for (int i = 0; i < count; ++i) {
    if (best < 0 || scoreList[i] > scoreList[best]) {
      best = i;
      bestDa = daList[i];
      bestR = rList[i];
    }
  }
  // The search's Da is negative, the pattern's convention (f33 = -2 Da) for couplings whose
  // extreme of larger magnitude is positive: the answer, in the table's convention (Dzz = 2 Da),
  // has the sign of that extreme (of DATA EQ Da), whatever the sign of the options' range.
  h.DaMl = static_cast<float>(sign * std::fabs(bestDa));
  h.RMl = static_cast<float>(bestR);
  double daErr = 0.0, rErr = 0.0;
  errorIso(static_cast<int>(list.size()), h.DaMl, h.RMl, &daErr, &rErr);
  h.DaErrMl = static_cast<float>(daErr);
  h.RErrMl = static_cast<float>(rErr);
  storeCouplings(dTab.get(), s, h, bestDa, sign);
  // A best point on the grid's edge stays the answer, said on both.
  std::vector<std::string> notes;
  const std::string form = usualFormNote(h.DaMl, h.RMl);
  if (best >= 0)
    notes = gridEdges(rList, daList, static_cast<size_t>(best), h, negated, h.DaMl, !form.empty());
  const bool onEdge = !notes.empty();
  if (!form.empty()) notes.push_back(onEdge ? onEdgePoint(form, "names") : form);
  // The sign the couplings do not settle: by the answer's least principal value, or where the
  // answer and the two-extreme estimate name opposite signs in the usual form.
  if (std::string sign = signNote({"the answer, the likelihood grid's best point", h.DaMl, h.RMl},
                                  {"the two-extreme estimate, DATA EQ Da and EQ R", h.Da2Par, h.R2Par}, s.delta,
                                  "their mean error DD*W");
      !sign.empty())
    notes.push_back(onEdge ? onEdgePoint(sign, "is said of") : sign);
  for (const std::string& e : notes) remark += sayNote(e);
  if (!remark.empty()) remark += "\n";

  // Scores written to a file are complete before the table, so that a table that fails leaves
  // them; on the standard output they follow the table, which may go there too.
  const bool scoresFirst = outScName != nullptr && outScName[0] != '\0';
  int scoresLost = 0;
  if (scoresFirst) {
    writeScores(scores.get(), h, rList, daList, scoreList);
    scoresLost = scores.close();
  }
  if (const int st = writeEstimateTable(outName, dTab.get(), korimInfo, remark); st != 0)
    return st;
  if (scoresFirst) return scoresLost;
  writeScores(scores.get(), h, rList, daList, scoreList);
  return scores.close();
}

}  // namespace korim::fitting
