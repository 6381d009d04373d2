// Da and R of flexible molecules: how well one tensor explains random residue subsets of the
// measured couplings (-daFlex).
#include "fitting/daflex.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <type_traits>
#include <vector>

#include "couplings/missingdc.h"
#include "fitting/dahist.h"
#include "fitting/dcsample.h"
#include "fitting/dcselect.h"
#include "fitting/mlmagtensor.h"
#include "fitting/resultstream.h"
#include "fitting/tensorform.h"
#include "foundation/advice.h"
#include "foundation/checkedcount.h"
#include "foundation/memory.h"
#include "simulation/nsc.h"
#include "simulation/unsp.h"
#include "simulation/workers.h"

namespace korim::fitting {

using settings::KorimInfo;

namespace {

constexpr const char* kTag = "motionHist";
constexpr long long kMaxResidues = 1000000;  // rows of the per-residue matrices
constexpr float kRhombicLimit = 0.6667f;     // runs at or above take no part in floors and extremes
constexpr long kMaxMapCells = 4000000;       // cells of the colour map

// An array of n elements from the tagged allocator, released at the end of its scope.
template <typename T>
struct TaggedArray {
  T* p = nullptr;
  int n = 0;
  bool alloc(int count) {
    n = count > 0 ? count : 1;
    if constexpr (std::is_same_v<T, float>) {
      p = foundation::fltAlloc(kTag, n);
    } else {
      p = foundation::intAlloc(kTag, n);
    }
    return p != nullptr;
  }
  T& operator[](int i) { return p[i]; }
  ~TaggedArray() {
    if (p != nullptr) foundation::unAlloc(kTag, p, n * static_cast<int>(sizeof(T)));
  }
};

// A nRes x width matrix of the tagged allocator.
struct TaggedMatrix {
  float** p = nullptr;
  int width = 0, rows = 0;
  bool alloc(int w, int r) {
    width = w;
    rows = r;
    p = foundation::matAlloc(kTag, w, r);
    return p != nullptr;
  }
  ~TaggedMatrix() {
    if (p != nullptr) foundation::matFree(p, width, rows);
  }
};

// The used couplings by residue: row = larger residue ID - segFirst.
struct ResidueCouplings {
  int nRes = 0;
  int maxPerRes = 0;
  int total = 0;
  TaggedArray<int> count;
  TaggedMatrix dc, sig;
};

// The sample without the couplings whose larger residue lies outside first..last (they have no
// row of the per-residue matrices), after a message naming how many.
void keepResidueRange(const couplings::DTable* dTab, int first, int last, DcSample* s) {
  DcSample kept;
  collectDc(dTab, &kept, [&](const couplings::DInfo& d) {
    const int r = std::max(d.resIDI, d.resIDJ);
    return r >= first && r <= last;
  });
  if (const size_t outside = s->coup.size() - kept.coup.size(); outside > 0)
    std::fprintf(stderr, "motionHist: %zu couplings whose larger residue lies outside %d to %d "
                         "are left out.\n", outside, first, last);
  *s = std::move(kept);
}

int fillResidues(const couplings::DTable* dTab, const DcSample& s, int segFirst,
                 ResidueCouplings* rc) {
  if (!rc->count.alloc(rc->nRes)) {
    std::fprintf(stderr, "motionHist: error allocating nDcType.\n");
    return 1;
  }
  std::fill(rc->count.p, rc->count.p + rc->nRes, 0);
  std::vector<int> rowOf(s.row.size(), -1);
  for (size_t i = 0; i < s.row.size(); ++i) {
    const couplings::DInfo& d = dTab->dObsList[s.row[i]];
    const long long r = static_cast<long long>(std::max(d.resIDI, d.resIDJ)) - segFirst;
    if (r < 0 || r >= rc->nRes) continue;  // left out of the sample before (keepResidueRange)
    rowOf[i] = static_cast<int>(r);
    rc->maxPerRes = std::max(rc->maxPerRes, ++rc->count[static_cast<int>(r)]);
  }
  if (!rc->dc.alloc(std::max(rc->maxPerRes, 1), rc->nRes)) {
    std::fprintf(stderr, "motionHist: error allocating dipo matrix.\n");
    return 1;
  }
  if (!rc->sig.alloc(std::max(rc->maxPerRes, 1), rc->nRes)) {
    std::fprintf(stderr, "motionHist: error allocating dipo uncertainty matrix.\n");
    return 1;
  }
  std::fill(rc->count.p, rc->count.p + rc->nRes, 0);
  for (size_t i = 0; i < s.row.size(); ++i) {
    if (rowOf[i] < 0) continue;
    const int k = rc->count[rowOf[i]]++;
    rc->dc.p[rowOf[i]][k] = s.coup[i];
    rc->sig.p[rowOf[i]][k] = s.sigma[i];
    ++rc->total;
  }
  return 0;
}

// Turns the list so that its extreme of larger magnitude is positive.
void turnPositive(float* list, int n) {
  float min = kDcMinStart, max = kDcMaxStart;
  for (int i = 0; i < n; ++i) {
    min = std::min(min, list[i]);
    max = std::max(max, list[i]);
  }
  if (std::fabs(min) > std::fabs(max))
    for (int i = 0; i < n; ++i) list[i] = -list[i];
}

// The lists of the runs: Da, R, the couplings drawn and the three scores.
struct RunLists {
  TaggedArray<float> da, r, score, score2, score3;
  TaggedArray<int> nDSel;
  std::vector<unsigned char> ownFit;  // 1: the run's Da and R are its own histogram fit's
  bool alloc(int n) {
    ownFit.assign(static_cast<size_t>(std::max(n, 1)), 0);
    return da.alloc(n) && r.alloc(n) && score.alloc(n) && score2.alloc(n) && score3.alloc(n) &&
           nDSel.alloc(n);
  }
};

// A run was scored when it drew couplings and had a fitted Da whose pattern the likelihood's
// sampling resolves; the others (listed with zeros) take no part in the extremes and the map.
bool scored(RunLists& runs, int i) { return runs.nDSel[i] > 0 && runs.da[i] <= -kMinPatternDa; }

// Runs that drew couplings and fitted a Da of size below kMinPatternDa are not scored: said
// once, on stderr.
void sayUnresolvedRuns(int nRuns, RunLists& runs) {
  int n = 0;
  for (int i = 0; i < nRuns; ++i) n += runs.nDSel[i] > 0 && runs.da[i] != 0.0f && !scored(runs, i);
  if (n == 0) return;
  std::fprintf(stderr, "korim: %d of %d runs fitted a Da of size below 1/3 Hz, whose pattern the likelihood's "
                       "sampling every %.2f Hz does not resolve; their rows are listed and not scored.\n",
               n, nRuns, kMlSampleStep);
}

// Runs drawn and fitted in a row before their scores are taken on the worker threads.
constexpr int kBatchRuns = 256;
// Runs a worker scores at a time.
constexpr int kScorePiece = 4;

// A run between its draw and its score: where its turned sample lies in the batch's list, and
// whether its tensor can be scored.
struct DrawnRun {
  int run = 0;
  size_t offset = 0;
  double rAveDD = 0.0;
  bool scorable = false;
};

// The scores of the drawn runs of a batch: each run's couplings and the couplings simulated on
// the sphere's dots under the run's tensor, scored under one broadened pattern. The runs are
// independent, so the worker threads take them; each score lands in its run's place.
void scoreRuns(const std::vector<DrawnRun>& drawn, const std::vector<float>& samples,
               const double* dots, int nDots, float* firstSim, RunLists& runs) {
  const int count = static_cast<int>(drawn.size());
  const int workers = std::max(simulation::pieceWorkers(count, kScorePiece), 1);
  std::vector<MlPattern> patterns(static_cast<size_t>(workers));
  std::vector<std::vector<float>> sims(static_cast<size_t>(workers));
  simulation::forPieces(count, kScorePiece, [&](int begin, int end, int worker) {
    MlPattern& pattern = patterns[static_cast<size_t>(worker)];
    std::vector<float>& own = sims[static_cast<size_t>(worker)];
    if (worker > 0) own.resize(static_cast<size_t>(nDots));
    float* sim = worker > 0 ? own.data() : firstSim;
    for (int k = begin; k < end; ++k) {
      const DrawnRun& d = drawn[static_cast<size_t>(k)];
      const int i = d.run;
      const double da = runs.da[i], r = runs.r[i];
      if (!d.scorable || pattern.set(d.rAveDD, da, r) != 0) continue;
      const double scoreAnIso = pattern.score(runs.nDSel[i], samples.data() + d.offset);
      for (int j = 0; j < nDots; ++j) {
        const double x = dots[3 * j], y = dots[3 * j + 1], z = dots[3 * j + 2];
        sim[j] = static_cast<float>(da * ((3.0 * z * z - 1.0) + 1.5 * r * (x * x - y * y)));
      }
      turnPositive(sim, nDots);
      const double scoreIso = pattern.score(nDots, sim);
      runs.score[i] = scoreIso != 0.0 ? static_cast<float>(scoreAnIso / scoreIso) : 0.0f;
    }
  });
}

// The jackknife runs: draws and fits in run order (they share the generator and the last fit),
// scores batch by batch on the worker threads. quiet: no progress, no word of a sample without a
// fit, none of a mean error beyond the likelihood's range (a run that tries other settings).
// Returns 0, or a status after a message (without it when quiet).
int runJackknife(KorimInfo* k, ResidueCouplings& rc, int s, const double* dots, int nDots,
                 RunLists& runs, int* nDSelMax, bool quiet = false) {
  TaggedArray<float> sample, sampleSig, sim;
  if (!sample.alloc(rc.total) || !sampleSig.alloc(rc.total) || !sim.alloc(nDots)) {
    std::fprintf(stderr, "motionHist: error allocating arrays for jackknifing.\n");
    return 1;
  }
  long seed = -1;
  *nDSelMax = 0;
  std::vector<DrawnRun> drawn;
  std::vector<float> samples;
  for (int first = 0; first < k->histRan; first += kBatchRuns) {
    drawn.clear();
    samples.clear();
    for (int i = first; i < std::min(first + kBatchRuns, k->histRan); ++i) {
      if (!quiet) {
        std::fprintf(stderr, "REMARK Histogram %d of %d\r", i + 1, k->histRan);
        std::fflush(stderr);
      }
      double rAveDD = 0.0;
      const int n = selectDcResidue(&seed, rc.nRes, rc.count.p, rc.dc.p, rc.sig.p, s, sample.p,
                                    sampleSig.p, &rAveDD);
      runs.nDSel[i] = std::max(n, 0);
      *nDSelMax = std::max(*nDSelMax, runs.nDSel[i]);
      bool ownFit = false;
      if (const int st = histoExtFit(runs.nDSel[i], sample.p, sampleSig.p, k, &ownFit, quiet); st != 0) {
        if (!quiet) std::fprintf(stderr, "korim: error in histoExtFit.\n");
        return st;
      }
      runs.ownFit[static_cast<size_t>(i)] = ownFit ? 1 : 0;
      turnPositive(sample.p, runs.nDSel[i]);
      const double da = -std::fabs(k->histInfo.DaFit);
      const double r = k->histInfo.RFit;
      runs.da[i] = static_cast<float>(da);
      runs.r[i] = static_cast<float>(r);
      runs.score[i] = 0.0f;
      // Residues without couplings, no fit yet (Da 0 has no pattern) or a Da too small for the
      // sampling: nothing to score.
      if (!scored(runs, i)) continue;
      if (!mlLineWidthWithin(rAveDD)) {
        if (!quiet)
          std::fprintf(stderr, "\nmotionHist: the mean error %.3f Hz of run %d exceeds %.2f Hz.\n",
                     rAveDD, i + 1, kMaxLineWidth);
        return 1;
      }
      DrawnRun d{i, samples.size(), rAveDD, mlPatternCheck(rAveDD, da, r) == 0};
      // A tensor that cannot be scored is reported by both of the run's scores.
      if (!d.scorable && nDots > 0 && !quiet) mlPatternCheck(rAveDD, da, r);
      samples.insert(samples.end(), sample.p, sample.p + runs.nDSel[i]);
      drawn.push_back(d);
    }
    scoreRuns(drawn, samples, dots, nDots, sim.p, runs);
  }
  if (!quiet) {
    std::fprintf(stderr, "\n");
    std::fflush(stderr);
  }
  return 0;
}

struct Extremes {
  float maxScore = 0.0f, maxDa = 0.0f, maxR = 0.0f;
  float minScore = 1.0f, minDa = 0.0f, minR = 0.0f;
};

// The extremes of one clamped score list over the runs with R below kRhombicLimit that were
// scored, each with the Da and R of its first run: values that runs had, never the start values.
Extremes listExtremes(int nRuns, RunLists& runs, const float* list) {
  Extremes e;
  bool seen = false;
  for (int i = 0; i < nRuns; ++i) {
    if (!(runs.r[i] < kRhombicLimit) || !scored(runs, i)) continue;
    if (!seen || list[i] > e.maxScore) {
      e.maxScore = list[i];
      e.maxDa = runs.da[i];
      e.maxR = runs.r[i];
    }
    if (!seen || list[i] < e.minScore) {
      e.minScore = list[i];
      e.minDa = runs.da[i];
      e.minR = runs.r[i];
    }
    seen = true;
  }
  return e;
}

// The runs that can be compared: R below kRhombicLimit and a ratio score in (0, 1].
int comparableRuns(int nRuns, RunLists& runs) {
  int n = 0;
  for (int i = 0; i < nRuns; ++i) n += runs.r[i] < kRhombicLimit && runs.score[i] > 0.0f && runs.score[i] <= 1.0f;
  return n;
}

// Where no run has a ratio in (0, 1] with R below kRhombicLimit: the runs counted by what each
// got, first that applies (every run is one of these kinds then), on stderr.
void sayNoComparableRun(int nRuns, RunLists& runs) {
  enum { kNoCoupling, kNoFit, kSmallDa, kOutside, kHighR, kAboveOne, kKinds };
  static const char* const kWhat[kKinds] = {
      "drew no coupling",
      "had no histogram fit of their own (zeros before the first fit, else the last fit's Da and R)",
      "fitted a Da below 1/3 Hz in size (not scored)",
      "got a ratio outside 0 to 10 (printed as 0)",
      "got a ratio from 0 to 10 at R 0.6667 or above (not compared)",
      "got a ratio above 1"};
  int count[kKinds] = {};
  for (int i = 0; i < nRuns; ++i) {
    const float sc = runs.score[i];
    const int kind = runs.nDSel[i] == 0                        ? kNoCoupling
                     : runs.ownFit[static_cast<size_t>(i)] == 0 ? kNoFit
                     : !scored(runs, i)                         ? kSmallDa
                     : !(sc > 0.0f && sc < 10.0f)               ? kOutside
                     : !(runs.r[i] < kRhombicLimit)             ? kHighR
                                                                : kAboveOne;
    ++count[kind];
  }
  std::string kinds;
  for (int k = 0; k < kKinds; ++k) {
    if (count[k] == 0) continue;
    kinds += (kinds.empty() ? "" : "; ") + std::to_string(count[k]) + " " + kWhat[k];
  }
  std::fprintf(stderr, "motionHist: no run has a ratio score in (0, 1] with R below %.4f, so the runs "
                       "give no extremes and no map. Of the %d runs, %s.\n",
               kRhombicLimit, nRuns, kinds.c_str());
}

// Run table, floors, clamps, extremes and shift of the three score lists (in place). Returns 0;
// 1 after a message when no run with R below kRhombicLimit has a ratio score in (0, 1]: the
// runs then give no floor and no extremes (the run table stays, the blocks are not written).
int reportScores(FILE* out, int nRuns, int nDots, int nDSelMax, RunLists& runs, Extremes ex[3]) {
  std::fprintf(out, "# nDots = %d\n\n", nDots);
  float* lists[3] = {runs.score.p, runs.score2.p, runs.score3.p};
  for (int i = 0; i < nRuns; ++i) {
    const float sc = runs.score[i];
    const float c = runs.nDSel[i] > 0 ? sc / runs.nDSel[i] * nDSelMax : 0.0f;
    runs.score3[i] = c;
    runs.score2[i] = (sc + c) / 2.0f;
    const bool shown = sc > 0.0f && sc < 10.0f;
    std::fprintf(out, "%d  %.3f  %.3f  %4d  %8.3f %8.3f %8.3f\n", i + 1, runs.da[i], runs.r[i],
                 runs.nDSel[i], shown ? sc : 0.0f, shown ? runs.score2[i] : 0.0f,
                 shown ? c : 0.0f);
  }
  // Floors: each list's smallest score in (0, 1], nested as the lists are.
  float floors[3] = {1.0f, 1.0f, 1.0f};
  for (int i = 0; i < nRuns; ++i) {
    if (!(runs.r[i] < kRhombicLimit)) continue;
    for (int l = 0; l < 3; ++l) {
      if (!(lists[l][i] > 0.0f && lists[l][i] <= 1.0f)) break;
      floors[l] = std::min(floors[l], lists[l][i]);
    }
  }
  if (comparableRuns(nRuns, runs) == 0) {
    sayNoComparableRun(nRuns, runs);
    return 1;
  }
  for (int l = 0; l < 3; ++l)
    for (int i = 0; i < nRuns; ++i) {
      if (lists[l][i] > 1.0f) lists[l][i] = 1.0f;
      if (lists[l][i] <= 0.0f) lists[l][i] = floors[l];
    }
  for (int l = 0; l < 3; ++l) {
    Extremes& e = ex[l];
    e = listExtremes(nRuns, runs, lists[l]);
    std::fprintf(out, "\n\n# DATA MAX_MIN Da     %.3f  %.3f\n", e.maxDa, e.minDa);
    std::fprintf(out, "# DATA MAX_MIN R      %.3f  %.3f\n", e.maxR, e.minR);
    std::fprintf(out, "# DATA MAX_MIN Score  %.3f  %.3f\n", e.maxScore, e.minScore);
    for (int i = 0; i < nRuns; ++i) lists[l][i] -= e.minScore;
  }
  return 0;
}

// The mode's default -nRun and -nSel: a shorter count of runs that leaves nothing to compare may be
// mended by more, and runs that each draw (nearly) every residue, alike, by smaller subsets.
constexpr int kDefaultRuns = 1000;
constexpr int kDefaultSubset = 30;
constexpr int kMinSubset = 5;  // residues: fewer give no histogram worth a way forward

// The sphere's orientations for runs of sel residues: the density the mode takes (sel times the
// most couplings of a residue, at most all of them). 0, or 1 when the sphere cannot be built.
int sphereFor(const ResidueCouplings& rc, int sel, double** dots, int* nDots) {
  const long long density = std::min<long long>(static_cast<long long>(sel) * rc.maxPerRes, rc.total);
  return simulation::do_unsp(static_cast<int>(density), dots, nDots) != 0 || *dots == nullptr ? 1 : 0;
}

// A run of sel residues is scored against an isotropic sample of at most sel times the most couplings
// of a residue: a sphere of orientations below its least density cannot be built. Refused before the
// runs, naming the least -nSel that runs on this table (1 where a residue holds three couplings).
int refuseSmallSubset(const ResidueCouplings& rc, int sel, const char* inDName) {
  const int perRes = std::max(rc.maxPerRes, 1);
  const int least = (simulation::kUnspMinDensity + perRes - 1) / perRes;
  if (sel >= least) return 0;
  std::fprintf(stderr,
               "motionHist: -nSel %d is below the least count of residues that runs on %s: a run of %d residue%s "
               "draws at most %d coupling%s (%d a residue), and the isotropic sample it is scored against needs "
               "%d; -nSel %d is the least that runs (0 takes every residue).\n",
               sel, inDName, sel, sel == 1 ? "" : "s", sel * perRes, sel * perRes == 1 ? "" : "s", perRes,
               simulation::kUnspMinDensity, least);
  return 1;
}

// After runs with nothing to compare: the first option that mends them, found by the same runs
// under it (quietly; the draws repeat, from the settings the mode started with), on stderr.
// -nFit 2 fits Dzz and Dyy alone, so that a sample whose histogram shows no Dxx has a fit of its
// own; the default -nRun draws more subsets than a shorter count; subsets of at most half the
// residues (and the default -nSel) differ where larger ones, or every residue, give runs alike. Where none tried mends them, or none applies, that is said,
// and the fit with the structure is named.
void sayWayForward(const KorimInfo& start, ResidueCouplings& rc, int sel, const double* dots, int nDots) {
  struct Option {
    std::vector<foundation::AdvisedOption> advised;
    KorimInfo settings;
    std::string words;  // as the advice names them (foundation::adviseOptions)
  };
  // Each change alone, then all of them together.
  std::vector<Option> options;
  Option all{{}, start, ""};
  const auto add = [&](const char* option, int value, auto change) {
    KorimInfo k = start;
    change(k);
    change(all.settings);
    all.advised.push_back({option, std::to_string(value)});
    options.push_back({{{option, std::to_string(value)}}, k, ""});
  };
  if (start.histInfo.modeFit == 3) add("-nFit", 2, [](KorimInfo& k) { k.histInfo.modeFit = 2; });
  if (start.histRan < kDefaultRuns) add("-nRun", kDefaultRuns, [](KorimInfo& k) { k.histRan = kDefaultRuns; });
  // Subsets of at most half the residues differ from run to run (runs of every residue are alike).
  if (const int half = std::min(kDefaultSubset, rc.nRes / 2); sel > half && half >= kMinSubset)
    add("-nSel", half, [half](KorimInfo& k) { k.sCount = half; });
  if (options.size() > 1) options.push_back(all);
  // An option the command line gives is advised in place of its value there.
  for (Option& o : options) o.words = foundation::adviseOptions(o.advised);
  std::string tried;
  for (Option& o : options) {
    const int s = o.settings.sCount <= 0 || o.settings.sCount > rc.nRes ? rc.nRes : o.settings.sCount;
    double* sphere = const_cast<double*>(dots);
    int nSphere = nDots;
    RunLists runs;
    int nDSelMax = 0, n = 0;
    const int nRuns = o.settings.histRan;
    if ((s == sel || sphereFor(rc, s, &sphere, &nSphere) == 0) && runs.alloc(nRuns) &&
        runJackknife(&o.settings, rc, s, sphere, nSphere, runs, &nDSelMax, true) == 0)
      n = comparableRuns(nRuns, runs);
    if (n > 0) {
      std::fprintf(stderr, "motionHist: %s mends this: followed, %d of its %d runs %s a ratio in (0, 1] to "
                           "compare%s.\n",
                   o.words.c_str(), n, nRuns, n == 1 ? "has" : "have",
                   o.settings.histInfo.modeFit != start.histInfo.modeFit
                       ? " (-nFit 2 fits Dzz and Dyy alone, which needs no single fullest bin)"
                       : "");
      return;
    }
    tried += (tried.empty() ? "" : ", ") + o.words;
  }
  if (tried.empty())
    std::fprintf(stderr, "motionHist: no option of the estimate is known to mend this; a fit with the structure "
                         "(-bestFit) settles Da and R.\n");
  else
    std::fprintf(stderr, "motionHist: no option tried mends this (%s: followed, no run to compare); a fit with the "
                         "structure (-bestFit) settles Da and R.\n",
                 tried.c_str());
}

// Colour 0..15 of a cell from its largest shifted score; an occupied cell is at least 1, and a
// list whose scores are all equal colours its occupied cells 1.
int colour(float largest, const Extremes& e, bool occupied) {
  const float range = e.maxScore - e.minScore;
  int k = 0;
  if (range > 0.0f) k = static_cast<int>(std::ceil(largest / range * 15.0f));
  if (k <= 0 && occupied) k = 1;
  return std::clamp(k, 0, 15);
}

void colourMap(FILE* out, int nRuns, RunLists& runs, const Extremes ex[3]) {
  float minDa = HUGE_VALF, maxDa = -HUGE_VALF, minR = HUGE_VALF, maxR = -HUGE_VALF;
  for (int i = 0; i < nRuns; ++i) {
    if (!scored(runs, i)) continue;
    minDa = std::min(minDa, runs.da[i]);
    maxDa = std::max(maxDa, runs.da[i]);
    minR = std::min(minR, runs.r[i]);
    maxR = std::max(maxR, runs.r[i]);
  }
  if (!(minDa <= maxDa)) return;  // no run was scored
  const float da0 = std::floor(minDa);
  const float r0 = std::max(0.0f, std::floor(minR));
  const double cells = (std::floor((maxDa - da0) / 0.2) + 2.0) * (std::floor((maxR - r0) / 0.02) + 2.0);
  if (!(cells <= kMaxMapCells)) {
    std::fprintf(stderr, "motionHist: the colour map would hold %s cells; it is left out.\n",
                 foundation::countText(cells).c_str());
    return;
  }
  const float* lists[3] = {runs.score.p, runs.score2.p, runs.score3.p};
  // Columns while Da <= the largest, then one more; rows alike, so that every run has a cell.
  float da = da0;
  for (int c = 0; c < kMaxMapCells; ++c, da += 0.2f) {
    const bool pastDa = !(da <= maxDa);
    float r = r0;
    for (int row = 0; row < kMaxMapCells; ++row, r += 0.02f) {
      const bool pastR = !(r <= maxR);
      float largest[3] = {0.0f, 0.0f, 0.0f};
      bool occupied = false;
      for (int i = 0; i < nRuns; ++i) {
        if (!scored(runs, i)) continue;
        if (std::fabs(runs.da[i] - da) > 0.1f || std::fabs(runs.r[i] - r) > 0.01f) continue;
        occupied = true;
        for (int l = 0; l < 3; ++l) largest[l] = std::max(largest[l], lists[l][i]);
      }
      std::fprintf(out, "%.3f  %.3f  %4d", da, r, colour(largest[0], ex[0], occupied));
      std::fprintf(out, "  %4d", colour(largest[1], ex[1], occupied));
      std::fprintf(out, "  %4d\n", colour(largest[2], ex[2], occupied));
      if (pastR) break;
    }
    if (pastDa) break;
  }
}

// A run's R counts as above 2/3 only beyond the usual form's margin: the bounded fit works to 4
// digits, and its default bound -rhHi 0.667 lies 3.3e-4 above 2/3, where a run stopped at it is
// R 2/3 to within the bound's rounding (and Da and -Da describe one tensor).
constexpr float kAboveTwoThirdsMargin = static_cast<float>(kUsualFormMargin);

// The runs whose fit answered R above 2/3 (by more than kAboveTwoThirdsMargin), counted on
// stderr, and those stopped at the fit's upper bound of R (-rhHi) when it lies within that margin
// of 2/3; the REMARK lines of the counts, each ending in a newline ("" for none). Their rows keep
// Da and R as fitted.
std::string runsAboveTwoThirds(int nRuns, RunLists& runs, float rhHi) {
  constexpr float kBoundTolerance = 1e-4f;  // the bounded fit works to 4 digits and stops that near
  const float limit = static_cast<float>(kMaxRhombicity) + kAboveTwoThirdsMargin;
  int above = 0, atBound = 0, atBoundOnly = 0;
  for (int i = 0; i < nRuns; ++i) {
    const bool bound = runs.r[i] >= rhHi - kBoundTolerance;
    if (!(runs.r[i] > limit)) {
      atBoundOnly += bound;
      continue;
    }
    ++above;
    atBound += bound;
  }
  std::string remark;
  char line[400];
  if (above > 0) {
    std::snprintf(line, sizeof line,
                  "%d of %d runs answered R above 2/3 (%d of them at the fit's bound -rhHi %g); their "
                  "rows give Da and R as fitted, and such a Da, R is the tensor %s in the usual form.\n",
                  above, nRuns, atBound, static_cast<double>(rhHi), kEquivalentTensorText);
    std::fprintf(stderr, "korim: %s", line);
    remark += std::string("REMARK ") + line;
  }
  if (atBoundOnly > 0 && std::fabs(rhHi - static_cast<float>(kMaxRhombicity)) <= kAboveTwoThirdsMargin) {
    std::snprintf(line, sizeof line,
                  "%d of %d runs stopped at the fit's bound -rhHi %g, which is R 2/3 to within the "
                  "bound's rounding (where Da and -Da describe one tensor): they are not counted above "
                  "2/3.\n",
                  atBoundOnly, nRuns, static_cast<double>(rhHi));
    std::fprintf(stderr, "korim: %s", line);
    remark += std::string("REMARK ") + line;
  }
  return remark;
}

// The table's word on the Da of the run rows: a coordinate of the score map, whose sign says
// nothing of the tensor's.
constexpr const char* kRunDaRemark =
    "REMARK The Da of the score file's runs is -|Da| of each run's histogram fit, whatever the sign of "
    "the couplings: a coordinate of the score map, not an answer, and the sign of Da is not theirs to "
    "tell (a fit with the structure, -bestFit, settles it).\n\n";

}  // namespace

int motionHist(const char* inDName, KorimInfo* korimInfo, settings::DcInfo* dcInfo,
               const char* atomNameS1, const char* atomNameS2, const char* outName,
               const char* outScName, const char* outColName) {
  ResultStream scoreOut, colourOut;
  if (scoreOut.open(outScName) != 0 || colourOut.open(outColName) != 0) return 1;
  DcTablePtr dTab(nullptr, DcTableDeleter{kTag});
  const settings::DcInfo given = *dcInfo;
  if (const int rc = readSelectedDc(inDName, kTag, dcInfo, atomNameS1, atomNameS2, &dTab); rc != 0)
    return rc;
  // The residues drawn from: the ends not given are settled from the rows a missing coupling's mark
  // leaves (the range of the table without the marked rows), which hold every coupling the runs use.
  if (int lo = 0, hi = 0; couplings::unmarkedResidueRange(dTab.get(), &lo, &hi)) {
    dcInfo->segFirst = given.segFirst;
    dcInfo->segLast = given.segLast;
    couplings::settleDcRange(dcInfo, lo, hi);
  }
  if (dcInfo->aFirst < settings::kNoRangeLimit) dcInfo->aFirst = dcInfo->segFirst;
  DcSample s;
  collectDc(dTab.get(), &s);
  tellMissingRows(s, inDName, "-daFlex");
  markUsedRows(dTab.get(), s);
  keepResidueRange(dTab.get(), dcInfo->segFirst, dcInfo->segLast, &s);
  if (checkDcSample(s, inDName) != 0 || refuseOneSign(s, inDName, "-daFlex") != 0 ||
      refuseBelowFloor(s, inDName, "-daFlex") != 0)
    return 1;
  const std::string kinds = mixedKinds(s, inDName);
  if (korimInfo->histRan < 1) {
    std::fprintf(stderr, "motionHist: -nRun %d: the estimate needs at least one run.\n",
                 korimInfo->histRan);
    return 1;
  }
  const long long nRes = static_cast<long long>(dcInfo->segLast) - dcInfo->segFirst + 1;
  if (nRes > kMaxResidues) {
    std::fprintf(stderr, "motionHist: the residue range %d to %d is longer than %lld residues.\n",
                 dcInfo->segFirst, dcInfo->segLast, kMaxResidues);
    return 1;
  }
  ResidueCouplings rc;
  rc.nRes = static_cast<int>(nRes);
  if (fillResidues(dTab.get(), s, dcInfo->segFirst, &rc) != 0) return 1;
  korimInfo->validCountD = rc.total;

  const int sel = korimInfo->sCount <= 0 || korimInfo->sCount > rc.nRes ? rc.nRes : korimInfo->sCount;
  if (refuseSmallSubset(rc, sel, inDName) != 0) return 1;
  double* dots = nullptr;
  int nDots = 0;
  if (sphereFor(rc, sel, &dots, &nDots) != 0) {
    std::fprintf(stderr, "motionHist: unsp error occured.\n");
    return 1;
  }
  std::printf("REMARK %d simulated couplings (isotropic).\n", nDots);

  RunLists runs;
  if (!runs.alloc(korimInfo->histRan)) {
    std::fprintf(stderr, "motionHist: error allocating arrays for jackknifing.\n");
    return 1;
  }
  int nDSelMax = 0;
  const KorimInfo start = *korimInfo;  // the runs change the fit's results: a way forward starts here
  if (const int st = runJackknife(korimInfo, rc, sel, dots, nDots, runs, &nDSelMax); st != 0)
    return st;
  sayUnresolvedRuns(korimInfo->histRan, runs);
  const std::string above = runsAboveTwoThirds(korimInfo->histRan, runs, korimInfo->histInfo.rhHi);
  Extremes ex[3];
  if (reportScores(scoreOut.get(), korimInfo->histRan, nDots, nDSelMax, runs, ex) != 0) {
    sayWayForward(start, rc, sel, dots, nDots);
    return 1;
  }
  colourMap(colourOut.get(), korimInfo->histRan, runs, ex);
  // The scores and the colour map are complete before the table, so that a table that fails
  // leaves them (on the standard output they are already before it).
  const int a = scoreOut.close();
  const int b = colourOut.close();
  if (const int st = writeEstimateTable(outName, dTab.get(), korimInfo, kinds + above + kRunDaRemark); st != 0)
    return st;
  return a != 0 || b != 0 ? 1 : 0;
}

}  // namespace korim::fitting
