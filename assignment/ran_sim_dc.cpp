// Assignment search driver: peak matrices from the coupling table, the search, the write-back of
// the best assignment, the fits and the result files.
#include "assignment/ran_sim_dc.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>
#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

#include "assignment/korim_utils_visit.h"
#include "assignment/search_window.h"
#include "assignment/tagged_buffers.h"
#include "couplings/analyzeSaupe.h"
#include "couplings/dcpairs.h"
#include "couplings/missingdc.h"
#include "couplings/writedc.h"
#include "foundation/advice.h"
#include "foundation/checkedcount.h"
#include "foundation/genrand.h"
#include "foundation/nrutil.h"
#include "settings/da_window.h"
#include "settings/settings_null.h"
#include "settings/progress.h"
#include "simulation/korim_utils_align.h"

namespace korim::assignment {

using korim::couplings::DInfo;
using korim::couplings::DTable;
using korim::settings::KorimInfo;
using korim::structure::PDBInfo;
using korim::structure::PDBSelectInfo;

namespace {

constexpr int kTypes = 8;  // coupling types of a peak, in slot order
constexpr const char* kTypeWord[kTypes] = {"N-HN",  "C-N",   "C-HN", "CA-C",
                                           "CA-HA", "CA-CB", "C-HA", "CA-HN"};
constexpr const char* kTypeAtoms[kTypes][2] = {{"N", "HN"},  {"C", "N"},   {"C", "HN"},
                                               {"CA", "C"},  {"CA", "HA"}, {"CA", "CB"},
                                               {"C", "HA"},  {"CA", "HN"}};
constexpr float kMarkerD = korim::couplings::kDcMissingFrom;  // coupling of a peak left unassigned
constexpr float kMarkerSigma = 100000.0f;
constexpr float kMarkerW = 1.0e-6f;

// Euler solutions of the final analysis (degrees), kept for the run.
struct RanSimState {
  double alphaList[4] = {};
  double betaList[4] = {};
  double gammaList[4] = {};
};
RanSimState state;

bool sameName(const char* atom, const char* want) {
  if (std::strcmp(want, "HN") == 0) return std::strcmp(atom, "HN") == 0 || std::strcmp(atom, "H") == 0;
  return std::strcmp(atom, want) == 0;
}

// Slot of a coupling row by its two atom names (either end first), or -1.
int typeOf(const DInfo& o) {
  for (int t = 0; t < kTypes; t++) {
    const char* a = kTypeAtoms[t][0];
    const char* b = kTypeAtoms[t][1];
    if ((sameName(o.atomNameI, a) && sameName(o.atomNameJ, b)) ||
        (sameName(o.atomNameI, b) && sameName(o.atomNameJ, a)))
      return t;
  }
  return -1;
}

int nextRes(int id) { return id < INT_MAX ? id + 1 : id; }
int larger(int a, int b) { return a > b ? a : b; }

// Types 3 to 6 belong to the peak of the residue after resIDI.
bool ofNextResidue(int type) { return type >= 3 && type <= 6; }

int peakResidue(int type, const DInfo& o) {
  if (type == 0) return o.resIDI;
  return ofNextResidue(type) ? nextRes(o.resIDI) : larger(o.resIDI, o.resIDJ);
}

// The pair of IDs that decides whether a row of the type is fixed (or belongs to a peak).
void ruleIds(int type, const DInfo& o, int* a, int* b) {
  *a = ofNextResidue(type) ? nextRes(o.resIDI) : o.resIDI;
  *b = ofNextResidue(type) ? nextRes(o.resIDJ) : o.resIDJ;
}

// Everything one search works on; released with it.
struct Search {
  PDBInfo* pdb = nullptr;
  DTable* dTab = nullptr;
  KorimInfo* k = nullptr;
  int nFix = 0;
  const int* fixList = nullptr;
  int nMedia = 1;
  const char* media[kMediaMax] = {"", "", ""};
  bool single = false;  // the one-medium form: no segment names, the one-medium scoring
  int cols = kPeakCols;  // columns of the peak matrices (kSingleCols in the one-medium form)

  int peakCount = 0;
  char resSelName[16] = "";
  std::unique_ptr<TaggedList<int>> resIdList, rowIdList, bestIdList, selIdList;
  std::unique_ptr<TaggedMatrix> mats[7];  // dcMat, diValMat, wMat, sigMat, xMat, yMat, zMat
  std::vector<std::unique_ptr<float, decltype(&std::free)>> work;
  int dcTypeList[kPeakCols] = {};
  int dcIndex[kPeakCols] = {};
  int nD = 0;
  int fixedCount = 0;
  AssignProblem prob;
  // Each medium's tensor, fitted to its rows alone after the search (several media).
  korim::couplings::TableMedium fitted[kMediaMax];

  // A row the search takes: fitted (its measured D no mark of a missing coupling, as the search's
  // own unassigned peaks are written).
  bool inUse(int r) const { return korim::couplings::fitRow(dTab->dObsList[r], dTab->dCalcList[r]); }
  bool fixed(int a, int b) const { return chkFixAa(nFix, fixList, a, b) != 0; }
  bool inMedium(int r, int m) const {
    return single || std::strncmp(dTab->dObsList[r].segNameI, media[m], 15) == 0;
  }
  // A row in use of medium m whose coupling type is known and whose residues are fixed.
  bool fixedRow(int r, int m) const {
    const DInfo& o = dTab->dObsList[r];
    const int t = typeOf(o);
    int a, b;
    if (!inUse(r) || !inMedium(r, m) || t < 0) return false;
    ruleIds(t, o, &a, &b);
    return fixed(a, b);
  }
  int rowOf(int res) const {
    for (int i = 0; i < peakCount; i++)
      if (resIdList->p[i] == res) return i;
    return -1;
  }
};

// Distinct residues of the unfixed N-HN rows in use (all media together).
int collectPeaks(Search& s) {
  std::vector<int> ids;
  for (int r = 0; r < s.dTab->dCount; r++) {
    const DInfo& o = s.dTab->dObsList[r];
    if (!s.inUse(r) || s.fixed(o.resIDI, o.resIDJ) || typeOf(o) != 0) continue;
    std::snprintf(s.resSelName, sizeof s.resSelName, "%s", o.resNameI);
    bool seen = false;
    for (int id : ids) seen = seen || id == o.resIDI;
    if (seen) continue;
    if (static_cast<int>(ids.size()) == kPeakMax) {
      std::fprintf(stderr, "Error: more than %d N-HN peaks; the search takes at most %d.\n",
                   kPeakMax, kPeakMax);
      return -1;
    }
    ids.push_back(o.resIDI);
  }
  return static_cast<int>(ids.size());
}

void reportCandidates(const Search& s) {
  int count = 0;
  const PDBInfo* pdb = s.pdb;
  for (int i = 0; pdb != nullptr && i < pdb->atomCount; i++) {
    const korim::structure::AtomInfo& a = pdb->atomList[i];
    if (a.selected != 0 && std::strcmp(a.atomName, "N") == 0 &&
        std::strcmp(a.resName, s.resSelName) == 0 && !s.fixed(a.resID, a.resID))
      count++;
  }
  if (count != s.peakCount)
    std::fprintf(stderr, "Warning: %d N-HN Unassigned Peaks and %d %s Residues!\n", s.peakCount,
                 count, s.resSelName);
  else
    std::printf("REMARK %d N-HN Unassigned Peaks and %d %s Residues.\n", s.peakCount,
                s.peakCount, s.resSelName);
}

// Peaks of the subset search: -nSel, or the first -fixAa value's count in the one-medium form.
int subsetSize(const Search& s) { return s.single ? s.k->nAaCheck : s.k->nSel; }

// The grouped search (two or more -fixAa groups, at most kGroupsMax) takes the peaks in order,
// group after group: the groups must hold each peak once. Refuses groups that run past the last
// peak or leave peaks in no group, naming those peaks and each group's peaks.
bool groupsHoldEachPeak(const Search& s) {
  const KorimInfo* k = s.k;
  if (k->nAaCheck < 2) return true;
  long long sum = 0;
  std::string values, groups;
  for (int i = 0; i < k->nAaCheck; i++) {
    const long long first = sum + 1;
    sum += k->exCheckList[i];
    values += " " + std::to_string(k->exCheckList[i]);
    groups += i > 0 ? ", " : "";
    groups += sum < first ? "none" : std::to_string(first) + (sum > first ? "-" + std::to_string(sum) : "");
  }
  if (sum == s.peakCount) return true;
  // The peaks past the shorter of the two counts: missing, or left out.
  const long long lo = std::min<long long>(sum, s.peakCount) + 1;
  const long long hi = std::max<long long>(sum, s.peakCount);
  const bool many = hi > lo;
  const std::string peaks = (many ? "peaks " : "peak ") + std::to_string(lo) + (many ? "-" + std::to_string(hi) : "");
  std::fprintf(stderr,
               "KORIM Error: option -fixAa values%s group the peaks in order as %s, but there are %d "
               "unassigned peaks: %s %s; each peak must be in one group.\n",
               values.c_str(), groups.c_str(), s.peakCount, peaks.c_str(),
               sum > s.peakCount ? (many ? "do not exist" : "does not exist")
                                 : (many ? "are in no group" : "is in no group"));
  return false;
}

// The largest subset of peakCount peaks that the subset search takes: at most kSubsetMax and at most
// kMaxScorings permutations; below kSubsetMin, none runs.
int largestSubset(int peakCount) {
  for (int m = std::min(kSubsetMax, peakCount); m >= kSubsetMin; m--)
    if (subsetScorings(peakCount, m) <= kMaxScorings) return m;
  return 0;
}

// -nSel of -exhaustSel outside the counts that run on this table: refused, naming them. The
// option's own range (0 or more) is -daFlex's too, where 0 takes every residue.
bool refuseSubsetSize(const Search& s, int m) {
  const int most = largestSubset(s.peakCount);
  if (m >= kSubsetMin && m <= most) return false;
  const int n = s.peakCount;
  // The default 0 stands for no -nSel on the command line.
  const bool given = m != 0 || !foundation::givenOption("-nSel").empty();
  if (most == 0) {
    const std::string named = given ? "option -nSel value " + std::to_string(m) + ": " : "";
    std::fprintf(stderr,
                 "KORIM Error: %s-bestFit -exhaustSel searches subsets of %d to %d peaks, and the table holds %d "
                 "unassigned peak%s: no subset runs on it.\n",
                 named.c_str(), kSubsetMin, kSubsetMax, n, n == 1 ? "" : "s");
    return true;
  }
  // No -nSel at all: its default 0 is no count the user gave.
  if (!given) {
    std::fprintf(stderr,
                 "KORIM Error: option -nSel must give the peaks of the subset -bestFit -exhaustSel searches, from %d "
                 "to %d on this table of %d unassigned peaks; the run gives no -nSel (-nSel %d searches subsets of "
                 "%d).\n",
                 kSubsetMin, most, n, most, most);
    return true;
  }
  const std::string why = most == n           ? "at most the table's unassigned peaks"
                          : most == kSubsetMax ? "at most the " + std::to_string(kSubsetMax) + " the search takes"
                                               : "a larger subset takes more permutations than the search's limit";
  std::fprintf(stderr,
               "KORIM Error: option -nSel value %d must lie from %d to %d for -bestFit -exhaustSel on this table of "
               "%d unassigned peaks (the peaks of the subset searched: at least %d, and %s).\n",
               m, kSubsetMin, most, n, kSubsetMin, why.c_str());
  return true;
}

// The search the settings ask for must end: refuses what would not (with the count it takes).
bool searchFits(const Search& s) {
  const KorimInfo* k = s.k;
  double scorings = 0.0;
  if (k->spreadMode == korim::settings::kSpreadExhaustive) {
    if (k->nAaCheck > kGroupsMax && !s.single) {
      std::fprintf(stderr,
                   "Error: %d residue-type groups given (-fixAa); the grouped search takes 2 to "
                   "%d.\n",
                   k->nAaCheck, kGroupsMax);
      return false;
    }
    if (!s.single && !groupsHoldEachPeak(s)) return false;
    if (k->nAaCheck < 2 || s.single) scorings = factorial(s.peakCount);
  } else if (k->spreadMode == korim::settings::kSpreadExhaustSel) {
    const int m = subsetSize(s);
    if (!s.single && refuseSubsetSize(s, m)) return false;
    if (m < 1 || m > s.peakCount) {  // -nSel (default 0) sets the subset size
      std::fprintf(stderr, "Error: a subset of %d peaks out of %d cannot be searched.\n", m,
                   s.peakCount);
      return false;
    }
    if (m >= kSubsetMin && m <= kSubsetMax) scorings = subsetScorings(s.peakCount, m);
  }
  if (scorings > kMaxScorings) {
    std::fprintf(stderr,
                 "Error: the search over %d peaks would take %s permutations, more than the "
                 "limit of %.0f.\n",
                 s.peakCount, foundation::countText(scorings).c_str(), kMaxScorings);
    return false;
  }
  return true;
}

bool allocate(Search& s) {
  const int n = s.peakCount;
  const char* listMsg[] = {"Error allocating resIdList.\n", "Error allocating rowIdList.\n",
                           "Error allocating bestIdList.\n", "Error allocating selIdList.\n"};
  std::unique_ptr<TaggedList<int>>* lists[] = {&s.resIdList, &s.rowIdList, &s.bestIdList,
                                               &s.selIdList};
  for (int i = 0; i < 4; i++) {
    *lists[i] = std::make_unique<TaggedList<int>>("ranSimDc", n);
    if (!(*lists[i])->take()) return std::fputs(listMsg[i], stderr), false;
    for (int j = 0; j < n; j++) (*lists[i])->p[j] = 0;
  }
  const char* matName[] = {"dcMat", "diValMat", "wMat", "sigMat", "xMat", "yMat", "zMat"};
  for (int m = 0; m < 7; m++) {
    s.mats[m] = std::make_unique<TaggedMatrix>(n, s.cols);
    if (!s.mats[m]->take("ranSimDC")) {
      std::fprintf(stderr, "ranSimDC: error allocating %s.\n", matName[m]);
      return false;
    }
    for (int i = 0; i < n; i++)
      for (int c = 0; c < s.cols; c++) s.mats[m]->m[i][c] = m == 0 ? kEmptyCell : 0.0f;
  }
  return true;
}

// Types present in each medium; the peaks' row order from the last medium's N-HN rows.
bool findTypes(Search& s) {
  int found = 0;
  for (int m = 0; m < s.nMedia; m++) {
    found = 0;
    for (int r = 0; r < s.dTab->dCount; r++) {
      const DInfo& o = s.dTab->dObsList[r];
      const int t = typeOf(o);
      int a, b;
      if (!s.inUse(r) || !s.inMedium(r, m) || t < 0) continue;
      ruleIds(t, o, &a, &b);
      if (s.fixed(a, b)) continue;
      s.dcTypeList[kTypes * m + t] = 1;
      if (t != 0) continue;
      bool seen = false;
      for (int i = 0; i < found; i++) seen = seen || s.resIdList->p[i] == o.resIDI;
      if (!seen && found < s.peakCount) s.resIdList->p[found++] = o.resIDI;
      else if (!seen) found++;
    }
    if (s.nMedia < 2)
      std::printf("REMARK Available Types of Unassigned Couplings:");
    else
      std::printf("REMARK Available Types of Unassigned Couplings of SegId %s:", s.media[m]);
    for (int t = 0; t < kTypes; t++)
      if (s.dcTypeList[kTypes * m + t]) std::printf(" %s", kTypeWord[t]);
    std::printf(".\n");
  }
  // The peaks' order comes from the last medium: it must hold the N-HN coupling of every peak.
  if (found != s.peakCount) {
    if (s.nMedia > 1)
      std::fprintf(stderr,
                   "Error: medium %s (-dcID) holds the N-HN couplings of %d of the %d unassigned peaks; the "
                   "last medium given must hold every peak's N-HN coupling (rows of segment name %s).\n",
                   s.media[s.nMedia - 1], found, s.peakCount, s.media[s.nMedia - 1]);
    else
      std::fprintf(stderr, "Error: the N-HN couplings name %d of the %d unassigned peaks.\n", found,
                   s.peakCount);
    return false;
  }
  return true;
}

bool singleAtoms(const DInfo& c) {
  if (c.atomICount * c.atomJCount == 1 && c.atomI[0] != nullptr && c.atomJ[0] != nullptr)
    return true;
  std::fprintf(stderr, "Error: Degenerate Atoms not implemented yet.\n");
  return false;
}

// The cell of peak row i and column col from coupling row r.
void fillCell(Search& s, int i, int col, int r) {
  const DInfo& o = s.dTab->dObsList[r];
  const DInfo& c = s.dTab->dCalcList[r];
  s.mats[0]->m[i][col] = o.d;
  s.mats[1]->m[i][col] = c.di;
  s.mats[2]->m[i][col] = o.w;
  s.mats[3]->m[i][col] = o.sigma;
  s.mats[4]->m[i][col] = c.atomJ[0]->x - c.atomI[0]->x;
  s.mats[5]->m[i][col] = c.atomJ[0]->y - c.atomI[0]->y;
  s.mats[6]->m[i][col] = c.atomJ[0]->z - c.atomI[0]->z;
}

// Fills the column of type t in medium m for peak row i; false after a message.
bool fillColumn(Search& s, int m, int t, int col, int i) {
  bool filled = false, other = false;
  for (int r = 0; r < s.dTab->dCount; r++) {
    if (!s.inUse(r)) continue;
    const DInfo& o = s.dTab->dObsList[r];
    int a, b;
    ruleIds(t, o, &a, &b);
    if (s.fixed(a, b)) continue;
    if (chkFixAa(s.peakCount, s.resIdList->p, a, b) == 0 || !s.inMedium(r, m)) {
      other = true;
      continue;
    }
    if (typeOf(o) != t || peakResidue(t, o) != s.resIdList->p[i]) continue;
    if (!singleAtoms(s.dTab->dCalcList[r])) return false;
    fillCell(s, i, col, r);
    filled = true;
  }
  if (!filled && !other) {
    std::fprintf(stderr, "Error: %s coupling for PeakID %d not found.\n", kTypeWord[t],
                 s.resIdList->p[i]);
    return false;
  }
  return true;
}

bool fillMatrix(Search& s) {
  int col = 0;
  for (int m = 0; m < s.nMedia; m++) {
    s.prob.colIdList[m] = 0;
    for (int t = 0; t < kTypes; t++) {
      if (!s.dcTypeList[kTypes * m + t]) continue;
      s.dcIndex[kTypes * m + t] = col;
      for (int i = 0; i < s.peakCount; i++)
        if (!fillColumn(s, m, t, col, i)) return false;
      col++;
      s.prob.colIdList[m]++;
    }
  }
  s.nD = col;
  if (!s.single && s.nMedia < 2) {
    std::printf("REMARK # of coupling types: %d\n", s.prob.colIdList[0]);
  } else if (!s.single) {
    std::printf("REMARK # of coupling types for each SegID: ");
    for (int m = 0; m < s.nMedia; m++) std::printf(" (%s %d)", s.media[m], s.prob.colIdList[m]);
    std::printf(".\n");
  }
  std::printf("REMARK %d x %d Unassigned Coupling Matrix.\n", s.peakCount, s.nD);
  return true;
}

// The thirteen work lists and the kept fixed couplings, from the system allocator.
void allocateWork(Search& s) {
  const char* names[] = {"xI", "xJ", "yI", "yJ", "zI", "zJ", "dcList", "diList", "ddList",
                         "wList", "dcOrigList", "diOrigList", "ddOrigList", "xK"};
  const size_t size = static_cast<size_t>(s.peakCount) * s.nD + s.fixedCount;
  for (int i = 0; i < 14; i++) {
    const size_t n = i < 13 ? size : 7 * static_cast<size_t>(s.fixedCount);
    float* p = static_cast<float*>(std::calloc(n > 0 ? n : 1, sizeof(float)));
    if (p == nullptr) {
      char text[64];
      std::snprintf(text, sizeof text, "allocation failure for %s", names[i]);
      korim::foundation::tqerror(text);
    }
    s.work.emplace_back(p, &std::free);
  }
  AssignProblem& q = s.prob;
  float** lists[] = {&q.xI, &q.xJ, &q.yI, &q.yJ, &q.zI, &q.zJ, &q.dcList, &q.diList, &q.ddList,
                     &q.wList, &q.dcOrigList, &q.diOrigList, &q.ddOrigList, &q.fixedKeep};
  for (int i = 0; i < 14; i++) *lists[i] = s.work[i].get();
}

// Stores the fixed couplings at the heads of the work lists, medium after medium.
bool storeFixed(Search& s) {
  AssignProblem& q = s.prob;
  if (s.fixedCount == 0) {
    std::printf("REMARK No couplings are fixed.\n");
    return true;
  }
  int n = 0;
  for (int m = 0; m < s.nMedia; m++) {
    if (s.nMedia < 2)
      std::printf("REMARK Couplings for residue");
    else
      std::printf("REMARK Couplings of type %s for residue", s.media[m]);
    q.nDTypList[m] = 0;
    for (int r = 0; r < s.dTab->dCount; r++) {
      const DInfo& o = s.dTab->dObsList[r];
      const DInfo& c = s.dTab->dCalcList[r];
      if (!s.fixedRow(r, m)) continue;
      if (!singleAtoms(c)) return false;
      std::printf(" %d", o.resIDI);
      if (n < s.fixedCount) {
        q.xJ[n] = c.atomJ[0]->x - c.atomI[0]->x;
        q.yJ[n] = c.atomJ[0]->y - c.atomI[0]->y;
        q.zJ[n] = c.atomJ[0]->z - c.atomI[0]->z;
        q.dcList[n] = q.dcOrigList[n] = o.d;
        q.diList[n] = q.diOrigList[n] = c.di;
        q.ddList[n] = q.ddOrigList[n] = o.sigma;
        q.wList[n] = o.w;
      }
      n++;
      q.nDTypList[m]++;
    }
    std::printf(" are fixed.\n");
  }
  if (!s.single) std::printf("REMARK %d couplings fixed in total.\n", s.fixedCount);
  if (n != s.fixedCount) {
    std::fprintf(stderr,
                 "Error: %d couplings of the residues fixed by -fixRes are in use, %d of them of a type the "
                 "search reads in a medium of -dcID; each must be both.\n",
                 s.fixedCount, n);
    return false;
  }
  return true;
}

// The order-matrix elements the bond vectors of a medium's fixed couplings (from fixOff on in
// the work lists) and, withCells, of the filled cells of its columns (from col on) determine
// together: every candidate's fit of the medium takes a part of them, so none determines more.
int mediumRank(const Search& s, int m, int fixOff, int col, bool withCells = true) {
  std::vector<float> x, y, z;
  for (int i = fixOff; i < fixOff + s.prob.nDTypList[m]; i++) {
    x.push_back(s.prob.xJ[i]);
    y.push_back(s.prob.yJ[i]);
    z.push_back(s.prob.zJ[i]);
  }
  for (int c = col; withCells && c < col + s.prob.colIdList[m]; c++)
    for (int i = 0; i < s.peakCount; i++) {
      if (s.mats[0]->m[i][c] == kEmptyCell) continue;
      x.push_back(s.mats[4]->m[i][c]);
      y.push_back(s.mats[5]->m[i][c]);
      z.push_back(s.mats[6]->m[i][c]);
    }
  const std::vector<float> origin(x.size(), 0.0f);
  return korim::couplings::findRank(origin.data(), origin.data(), origin.data(), x.data(), y.data(),
                                    z.data(), static_cast<int>(x.size()),
                                    korim::couplings::kRankTolerance);
}

// A candidate's fit of a medium takes the medium's fixed couplings and every filled cell of its
// columns, whatever the order of the peaks: with fewer than 5, or bond vectors that determine
// fewer than the five order-matrix elements, no order matrix can be fitted and every candidate
// fails or fits a tensor its couplings do not fix, so the search is refused rather than run.
// Fixed rows of one atom pair count once; each cell is a peak's own coupling of its type.
bool mediaCanFit(const Search& s) {
  int col = 0, fixOff = 0;
  for (int m = 0; m < s.nMedia; m++) {
    int n = korim::couplings::countPairs(s.dTab, [&s, m](int r) { return s.fixedRow(r, m); });
    for (int c = col; c < col + s.prob.colIdList[m]; c++)
      for (int i = 0; i < s.peakCount; i++) n += s.mats[0]->m[i][c] != kEmptyCell ? 1 : 0;
    const int rank = n >= 5 ? mediumRank(s, m, fixOff, col) : 0;
    col += s.prob.colIdList[m];
    fixOff += s.prob.nDTypList[m];
    if (n >= 5 && rank < 5) {
      std::fprintf(stderr,
                   "Error: the bond vectors of %s%s%s determine %d of the 5 order-matrix elements "
                   "(singular values of the fit below %g of the largest count as 0): no order "
                   "matrix can be fitted to them.\n",
                   s.nMedia > 1 ? "medium " : "the search", s.nMedia > 1 ? s.media[m] : "",
                   s.nMedia > 1 ? " (-dcID)" : "", rank, korim::couplings::kRankTolerance);
      return false;
    }
    if (n >= 5) continue;
    if (s.nMedia > 1)
      std::fprintf(stderr,
                   "Error: medium %s (-dcID) has %d couplings, too few to fit its order matrix "
                   "(5 or more).\n",
                   s.media[m], n);
    else
      std::fprintf(stderr,
                   "Error: the search has %d couplings, too few to fit an order matrix (5 or "
                   "more).\n",
                   n);
    return false;
  }
  return true;
}

// The form the search scores in: the run's (-yzInv) in the random search, the usual form in the
// permutation searches.
int searchedForm(const Search& s) { return s.k->spreadMode == korim::settings::kSpreadRandom ? s.k->yzFlag : 0; }

// Before the search, what each medium's couplings prove against the window: the span of all its
// couplings and, where its fixed couplings over-determine the tensor (more than five atom pairs
// whose bond vectors determine the order matrix), their fit within its margins. False after the
// refusal.
bool windowHoldsMedia(Search& s, MediumProof* proofs) {
  int fixOff = 0;
  for (int m = 0; m < s.nMedia; m++) {
    const int pairs = korim::couplings::countPairs(s.dTab, [&s, m](int r) { return s.fixedRow(r, m); });
    const bool over = pairs > 5 && mediumRank(s, m, fixOff, 0, false) == 5;
    proofs[m] = mediumProof(s.prob, m, over, s.k->spreadMode != korim::settings::kSpreadExhaustSel);
    fixOff += s.prob.nDTypList[m];
  }
  return checkSearchWindow(s.prob, proofs, s.media, searchedForm(s)) == 0;
}

// The notes of the answer, said on the standard error stream and returned as the table's REMARK
// lines: each medium whose couplings do not settle the sign of the answer's tensor, and a final
// fit that holds what the search left free.
std::string answerNotes(Search& s, const MediumProof* proofs) {
  std::string notes;
  auto say = [&notes](const std::string& note) {
    if (note.empty()) return;
    std::fprintf(stderr, "korim: the %s", note.c_str());
    notes += "REMARK The " + note;
  };
  for (int m = 0; m < s.nMedia; m++) {
    float da = 0.0f, r = 0.0f;
    if (candidateTensor(s.prob, s.bestIdList->p, m, searchedForm(s), &da, &r))
      say(unsettledSignNote(proofs[m], s.nMedia > 1 ? s.media[m] : "", da, r, searchedForm(s)));
  }
  say(heldFitNote(s.prob, s.dTab->dTensor, searchedForm(s)));
  return notes.empty() ? notes : notes + "\n";
}

// The next random order of n peaks into row[0..n-1], drawn from *idum: each position takes a draw
// that no earlier position holds.
void drawOrder(long* idum, int n, int* row) {
  for (int i = 0; i < n; i++) row[i] = 0;
  for (int i = 0; i < n; i++) {
    bool again = true;
    while (again) {
      row[i] = korim::foundation::randomPosition(idum, n);
      again = false;
      for (int j = 0; j < i; j++) again = again || row[j] == row[i];
    }
  }
}

// The same random orders in every run: the generator starts from -1 at every call.
void randomSearch(Search& s, int mapCount) {
  int* row = s.rowIdList->p;
  int* best = s.bestIdList->p;
  long idum = -1;
  float bestScore = kNoScore;
  for (int i = 0; i < s.peakCount; i++) s.selIdList->p[i] = 1;
  for (int sample = 1; sample <= mapCount; sample++) {
    std::fprintf(stderr, "REMARK Sampled %d of %d\r", sample, mapCount);
    std::fflush(stderr);
    drawOrder(&idum, s.peakCount, row);
    const float score = (s.single ? getSvdChi2 : getSvdChi2Exh)(s.prob, row, s.k->yzFlag);
    if (score < bestScore) {
      bestScore = score;
      for (int i = 0; i < s.peakCount; i++) best[i] = row[i];
    }
  }
  std::fputc('\n', stderr);
  std::fflush(stderr);
}

// Runs the search; *found: it found an assignment inside the window (else said in a warning).
bool runSearch(Search& s, int mapCount, bool* found) {
  KorimInfo* k = s.k;
  VisitGlobals& g = visitGlobals();
  for (int i = 0; i < s.peakCount; i++) s.bestIdList->p[i] = -1;
  if (k->spreadMode == korim::settings::kSpreadRandom) {
    randomSearch(s, mapCount);
  } else if (k->spreadMode == korim::settings::kSpreadExhaustive) {
    g.nGlobal = s.peakCount;
    initializeGlobal();
    for (int i = 0; i < s.peakCount; i++) s.selIdList->p[i] = 1;
    if (s.single && k->nAaCheck == 0) {
      visit(0, s.prob, s.rowIdList->p, s.bestIdList->p);
    } else if (s.single) {
      visitChk(0, s.prob, s.rowIdList->p, s.bestIdList->p, k->nAaCheck);
    } else if (k->nAaCheck < 2) {
      visitExh(0, s.prob, s.rowIdList->p, s.bestIdList->p);
    } else if (visitAa(s.prob, s.rowIdList->p, s.bestIdList->p, k->nAaCheck, k->exCheckList) !=
               0) {
      std::fprintf(stderr, "Matrix: error in analyzeSaupe.\n");
      return false;
    }
    std::fputc('\n', stderr);
    std::fflush(stderr);
  } else if (k->spreadMode == korim::settings::kSpreadExhaustSel) {
    const int m = subsetSize(s);
    g.nGlobal = m >= 0 && m <= kPermMax ? m : 0;
    initializeGlobal();
    const int status = s.single ? visitAll(m, k->dcSelOpt, s.prob, s.selIdList->p, s.bestIdList->p)
                                : visitAllExh(m, k->dcSelOpt, s.prob, s.selIdList->p, s.bestIdList->p);
    if (status != 0) return false;
  } else {
    std::fprintf(stderr, "Error: best-fit variant %d is no assignment search.\n", k->spreadMode);
    return false;
  }
  if (s.prob.fitFailures > 0) {
    std::fprintf(stderr, "Error: %d fits of candidate assignments could not be made.\n",
                 s.prob.fitFailures);
    return false;
  }
  *found = false;
  for (int i = 0; i < s.peakCount; i++) *found = *found || s.bestIdList->p[i] != -1;
  if (!*found) {
    const korim::settings::HistInfo& h = k->histInfo;
    std::fprintf(stderr, "Warning: no assignment was found for Da [%.3f,%.3f] R [%.3f %.3f]!\n",
                 h.lDaMl, h.hDaMl, h.lRMl, h.hRMl);
  }
  return true;
}

// The standard error stream sent nowhere while it lives: the searches a note makes to find a
// wider window print their progress and warnings there.
class QuietStderr {
 public:
  QuietStderr() {
    std::fflush(stderr);
    saved_ = dup(2);
    const int sink = open("/dev/null", O_WRONLY);
    if (sink >= 0) {
      dup2(sink, 2);
      close(sink);
    }
  }
  ~QuietStderr() {
    std::fflush(stderr);
    if (saved_ >= 0) {
      dup2(saved_, 2);
      close(saved_);
    }
  }
  QuietStderr(const QuietStderr&) = delete;
  QuietStderr& operator=(const QuietStderr&) = delete;

 private:
  int saved_ = -1;
};

// The tensor of each medium of the best assignment, in the form the search scored.
bool bestTensors(Search& s, double* da, double* r) {
  for (int m = 0; m < s.nMedia; m++) {
    float d = 0.0f, rh = 0.0f;
    if (!candidateTensor(s.prob, s.bestIdList->p, m, searchedForm(s), &d, &rh)) return false;
    da[m] = d;
    r[m] = rh;
  }
  return true;
}

// The bounds of w that any medium's tensor lies on or beyond.
EdgeHits hitsOf(const Search& s, const SearchBounds& w, const double* da, const double* r) {
  EdgeHits all;
  for (int m = 0; m < s.nMedia; m++) {
    const EdgeHits h = edgesOf(w, da[m], r[m], searchedForm(s));
    all.lDa = all.lDa || h.lDa, all.hDa = all.hDa || h.hDa, all.lR = all.lR || h.lR, all.hR = all.hR || h.hR;
  }
  return all;
}

// The search run again, quietly, within w: whether it found an assignment, and its tensors.
bool searchWithin(Search& s, const SearchBounds& w, int mapCount, double* da, double* r) {
  s.prob.lDa = static_cast<float>(w.lDa), s.prob.hDa = static_cast<float>(w.hDa);
  s.prob.lR = static_cast<float>(w.lR), s.prob.hR = static_cast<float>(w.hR);
  bool found = false;
  {
    QuietStderr quiet;
    if (!runSearch(s, mapCount, &found)) return false;
  }
  return found && bestTensors(s, da, r);
}

// Widens the window past the tensors (da, r) until the search within it answers off its bounds;
// the window it answers in, or false where a few widenings do not reach one.
bool widerAnswer(Search& s, SearchBounds* w, int mapCount, double* da, double* r) {
  constexpr int kWidenings = 8;
  for (int step = 0; step < kWidenings; step++) {
    for (int m = 0; m < s.nMedia; m++) *w = widenedPast(*w, edgesOf(*w, da[m], r[m], searchedForm(s)), da[m], r[m]);
    if (!searchWithin(s, *w, mapCount, da, r)) return false;
    if (!hitsOf(s, *w, da, r).any()) return true;
  }
  return false;
}

// The names of the bounds hits names, with their values in w.
std::string boundNames(const EdgeHits& h, const SearchBounds& w) {
  std::string names;
  char part[80];
  const struct {
    bool hit;
    const char *what, *option;
    double value;
  } b[] = {{h.lDa, "low Da", "-lDa", w.lDa}, {h.hDa, "high Da", "-hDa", w.hDa}, {h.lR, "low R", "-lR", w.lR},
           {h.hR, "high R", "-hR", w.hR}};
  for (const auto& x : b) {
    if (!x.hit) continue;
    std::snprintf(part, sizeof part, "%s bound (%s %g)", x.what, x.option, x.value);
    names += (names.empty() ? "" : " and ") + std::string(part);
  }
  return names;
}

// The bounds of w that the first medium's fixed couplings' own fit lies on or beyond (none where
// they do not over-determine the tensor): a window that cuts it may leave the search an order
// whose tensor lies inside, off its bounds, though the couplings' best lies outside.
EdgeHits fitHits(const Search& s, const MediumProof* proofs, const SearchBounds& w, double* da, double* r) {
  EdgeHits all;
  for (int m = 0; m < s.nMedia; m++) {
    double d = 0.0, rh = 0.0;
    if (!fittedTensor(proofs[m], searchedForm(s), &d, &rh)) continue;
    const bool inside = w.lDa < d && d < w.hDa && w.lR < rh && rh < w.hR;
    if (inside) continue;
    const EdgeHits h = edgesOf(w, d, rh, searchedForm(s));
    if (!all.any()) *da = d, *r = rh;
    all.lDa = all.lDa || h.lDa, all.hDa = all.hDa || h.hDa, all.lR = all.lR || h.lR, all.hR = all.hR || h.hR;
  }
  return all;
}

// Where the answer's tensor lies on a bound of the window, the fixed couplings' own fit lies
// beyond one (found), or the window cut every candidate (not found): the note that names the
// bound and the wider window in which the search answers off its bounds, found by searching again.
// The run's own answer and window stand. One sentence that reads on after "the "; "" where no
// bound cut the answer.
std::string edgeNote(Search& s, const MediumProof* proofs, int mapCount, bool found) {
  AssignProblem& q = s.prob;
  const SearchBounds given{q.lDa, q.hDa, q.lR, q.hR};
  const std::vector<int> best(s.bestIdList->p, s.bestIdList->p + s.peakCount);
  const auto restore = [&]() {
    q.lDa = static_cast<float>(given.lDa), q.hDa = static_cast<float>(given.hDa);
    q.lR = static_cast<float>(given.lR), q.hR = static_cast<float>(given.hR);
    std::copy(best.begin(), best.end(), s.bestIdList->p);
  };
  double da[kMediaMax] = {}, r[kMediaMax] = {};
  double fitDa = 0.0, fitR = 0.0;
  EdgeHits hits, byFit;
  if (found) {
    if (!bestTensors(s, da, r)) return "";
    hits = hitsOf(s, given, da, r);
    if (!hits.any()) byFit = fitHits(s, proofs, given, &fitDa, &fitR);
    if (!hits.any() && !byFit.any()) return "";
  } else {
    const bool cut = searchWithin(s, openedWindow(given, searchedForm(s)), mapCount, da, r);
    restore();
    if (!cut) return "";
    hits = hitsOf(s, given, da, r);
    if (!hits.any()) return "";
  }
  const double cutDa = byFit.any() ? fitDa : da[0], cutR = byFit.any() ? fitR : r[0];
  if (byFit.any()) {
    hits = byFit;
    for (int m = 0; m < s.nMedia; m++) da[m] = fitDa, r[m] = fitR;
  }
  SearchBounds wider = given;
  const bool answered = widerAnswer(s, &wider, mapCount, da, r);
  restore();
  if (answered)
    hits = EdgeHits{wider.lDa != given.lDa, wider.hDa != given.hDa, wider.lR != given.lR, wider.hR != given.hR};
  char line[1400];
  const char* form = searchedForm(s) ? " in the form of -yzInv" : "";
  const char* medium = s.nMedia > 1 ? " of the first medium" : "";
  const std::string bounds = boundNames(hits, given);
  int n = 0;
  if (!found)
    n = std::snprintf(line, sizeof line, "best tensor%s the window cut, Da_HN %+.3f Hz, R %.3f%s, lies beyond its %s",
                      medium, cutDa, cutR, form, bounds.c_str());
  else if (byFit.any())
    n = std::snprintf(line, sizeof line,
                      "search's answer lies inside its window, but the fixed couplings' own fit%s, Da_HN %+.3f Hz, R "
                      "%.3f%s, lies beyond its %s: the window cut the tensor the couplings give, and the search took "
                      "another order",
                      medium, cutDa, cutR, form, bounds.c_str());
  else
    n = std::snprintf(line, sizeof line,
                      "search's best tensor%s, Da_HN %+.3f Hz, R %.3f%s, lies on the %s of its window: the window "
                      "chose it, not the couplings",
                      medium, cutDa, cutR, form, bounds.c_str());
  const std::string advice = windowAdvice(given, wider);
  if (answered)
    std::snprintf(line + n, sizeof line - n,
                  "; %s hold%s the couplings' tensor: searched within it, the best is Da_HN %+.3f Hz, R %.3f, off "
                  "its bounds.\n",
                  advice.c_str(), hits.lDa + hits.hDa + hits.lR + hits.hR == 1 ? "s" : "", da[0], r[0]);
  else
    std::snprintf(line + n, sizeof line - n, "; no window widened up to 8 times past it answers off its bounds.\n");
  return line;
}

// The best assignment into the table; peaks left unassigned get the marker values.
void writeBack(Search& s) {
  for (int m = 0; m < s.nMedia; m++)
    for (int r = 0; r < s.dTab->dCount; r++) {
      DInfo& o = s.dTab->dObsList[r];
      const int t = typeOf(o);
      if (!s.inUse(r) || !s.inMedium(r, m) || t < 0) continue;
      const int res = peakResidue(t, o);
      const int row = s.rowOf(res);
      if (s.fixed(res, res) || row < 0) continue;
      const int p = s.bestIdList->p[row];
      const int c = s.dcIndex[kTypes * m + t];
      if (p < 0 || p >= s.peakCount) {
        o.d = kMarkerD;
        o.sigma = kMarkerSigma;
        o.w = kMarkerW;
      } else {
        o.d = s.mats[0]->m[p][c];
        s.dTab->dCalcList[r].di = s.mats[1]->m[p][c];
        o.w = s.mats[2]->m[p][c];
        o.sigma = s.mats[3]->m[p][c];
      }
    }
}

// One fit per medium over the rows valid on entry, each medium's tensor kept for its own records
// in the table, then medium 0's again, the tensor the table prints; the valid flags of the table
// are then those it had on entry.
void fitMedia(Search& s, const std::vector<int>& validObs, const std::vector<int>& validCalc,
              int verbose) {
  DTable* d = s.dTab;
  if (s.single) {
    korim::couplings::fitD(s.pdb, d, verbose);
    return;
  }
  for (int pass = 0; pass <= s.nMedia; pass++) {
    const int m = pass < s.nMedia ? pass : 0;
    for (int r = 0; r < d->dCount; r++) {
      const int v = validCalc[r] != 0 && d->dCalcList[r].w != 0.0f && s.inMedium(r, m) ? 1 : 0;
      d->dObsList[r].valid = d->dCalcList[r].valid = v;
    }
    korim::couplings::fitD(s.pdb, d, verbose);
    if (pass < s.nMedia) s.fitted[m] = {s.media[m], d->dTensor};
  }
  for (int r = 0; r < d->dCount; r++) {
    d->dObsList[r].valid = validObs[r];
    d->dCalcList[r].valid = validCalc[r];
  }
}

// How many orders of the peaks a search tries, as its line on stdout ends after the peaks and as
// the table's REMARK names the search.
struct SearchReach {
  std::string line;    // " exhaustively searched." or what the random search tried of all
  std::string remark;  // "REMARK The assignment search ...\n"
};

// Orders of up to this many peaks are told apart by their rank, one bit an order where the draws
// are many (12! bits, 60 MB, at most); orders of more peaks are kept whole while at most
// kTrackedOrders are drawn, so that the count takes bounded memory.
constexpr int kRankedPeaks = 12;
constexpr int kTrackedOrders = 1 << 20;

// The rank of the order row of the n peaks 0 to n-1 among all n! (its Lehmer code).
unsigned long long orderRank(const std::vector<int>& row) {
  unsigned long long rank = 0;
  for (size_t i = 0; i < row.size(); i++) {
    int smaller = 0;
    for (size_t j = i + 1; j < row.size(); j++) smaller += row[j] < row[i] ? 1 : 0;
    rank = rank * (row.size() - i) + static_cast<unsigned long long>(smaller);
  }
  return rank;
}

// The number of distinct orders among the mapCount that the random search draws of n peaks: the
// same draws, from the same start, without the scoring; -1 where they are not counted (more than
// kRankedPeaks peaks and more than kTrackedOrders draws).
long long distinctRandomOrders(int n, int mapCount) {
  std::vector<int> row(static_cast<size_t>(n));
  long idum = -1;
  long long distinct = 0;
  if (n <= kRankedPeaks) {
    const auto all = static_cast<unsigned long long>(factorial(n));
    const bool bitmap = static_cast<unsigned long long>(mapCount) >= all / 512;
    std::vector<bool> drawn(bitmap ? all : 0);
    std::unordered_set<unsigned long long> ranks;
    for (int sample = 1; sample <= mapCount; sample++) {
      drawOrder(&idum, n, row.data());
      const unsigned long long r = orderRank(row);
      if (bitmap ? !drawn[r] : ranks.insert(r).second) distinct++;
      if (bitmap) drawn[r] = true;
    }
    return distinct;
  }
  if (mapCount > kTrackedOrders) return -1;
  std::unordered_set<std::string> seen;
  for (int sample = 1; sample <= mapCount; sample++) {
    drawOrder(&idum, n, row.data());
    std::string key;
    for (int p : row) key.append(reinterpret_cast<const char*>(&p), sizeof p);
    seen.insert(std::move(key));
  }
  return static_cast<long long>(seen.size());
}

// n! as a message prints it: every digit while a double holds them, else four significant digits,
// and past a double's range its power of ten.
std::string ordersText(int n) {
  const double f = factorial(n);
  if (std::isfinite(f)) return foundation::countText(f);
  const double log10f = std::lgamma(n + 1.0) / std::log(10.0);
  char text[64];
  std::snprintf(text, sizeof text, "%.3fe+%.0f", std::pow(10.0, log10f - std::floor(log10f)), std::floor(log10f));
  return text;
}

SearchReach searchReach(const Search& s, int mapCount) {
  const KorimInfo* k = s.k;
  const int n = s.peakCount;
  const std::string all = ordersText(n);
  char text[600];
  if (k->spreadMode == korim::settings::kSpreadRandom) {
    const long long distinct = distinctRandomOrders(n, mapCount);
    if (static_cast<double>(distinct) >= factorial(n)) {
      std::snprintf(text, sizeof text, "REMARK The assignment search (-rand -map %d) drew every one of the %s "
                    "orders of the %d peaks.\n", mapCount, all.c_str(), n);
      return {" exhaustively searched.", text};
    }
    // -exhaust tries every order up to its limit.
    const std::string exhaust = factorial(n) <= kMaxScorings
                                    ? "-exhaust tries all " + all
                                    : "-exhaust tries all where they are at most " + foundation::countText(kMaxScorings);
    // Where the distinct orders are not counted (distinctRandomOrders), the draws are named alone.
    const std::string best = distinct < 0    ? "the answer is the best of those drawn"
                             : distinct == 1 ? "the answer is that one"
                                             : "the answer is the best of those " + std::to_string(distinct);
    std::string ofThem, tried = std::to_string(mapCount) + " drawn";
    if (distinct >= 0) ofThem = ", " + std::to_string(distinct) + " of them distinct", tried = std::to_string(distinct) + " distinct";
    std::snprintf(text, sizeof text,
                  " searched at random: %d order%s drawn (-rand -map %d)%s, of the %s orders of the %d peaks; %s, "
                  "and %s.",
                  mapCount, mapCount == 1 ? "" : "s", mapCount, ofThem.c_str(), all.c_str(), n, best.c_str(),
                  exhaust.c_str());
    const std::string line = text;
    std::snprintf(text, sizeof text,
                  "REMARK The assignment search (-rand -map %d) tried %s of the %s orders of the %d peaks; %s, and "
                  "%s.\n",
                  mapCount, tried.c_str(), all.c_str(), n, best.c_str(), exhaust.c_str());
    return {line, text};
  }
  if (k->spreadMode == korim::settings::kSpreadExhaustSel) {
    std::snprintf(text, sizeof text,
                  "REMARK The assignment search (-exhaustSel -nSel %d) tried every order of subsets of %d of the %d "
                  "peaks.\n",
                  subsetSize(s), subsetSize(s), n);
    return {" exhaustively searched.", text};
  }
  if (!s.single && k->nAaCheck >= 2) {
    std::string groups;
    double orders = 1.0;
    for (int i = 0; i < k->nAaCheck && i < korim::settings::kExCheckMax; i++) {
      groups += " " + std::to_string(k->exCheckList[i]);
      orders *= factorial(k->exCheckList[i]);
    }
    std::snprintf(text, sizeof text,
                  "REMARK The assignment search (-exhaust -fixAa%s) tried every order within the groups, %s of the "
                  "%s orders of the %d peaks.\n",
                  groups.c_str(), foundation::countText(orders).c_str(), all.c_str(), n);
    return {" exhaustively searched.", text};
  }
  std::snprintf(text, sizeof text, "REMARK The assignment search (-exhaust) tried every one of the %s orders of the "
                "%d peaks.\n", all.c_str(), n);
  return {" exhaustively searched.", text};
}

int finish(Search& s, PDBSelectInfo* sInfo, const char* outDName, const char* pdbRotName,
           const char* remark, const char* tableRemark) {
  korim::couplings::DTensor& t = s.dTab->dTensor;
  if (t.eulerFlag)
    t.eulerCount = korim::couplings::saupe2euler(t.saupe, t.psiList, t.thetaList, t.phiList,
                                                 t.eigVal, &t.da, &t.dr);
  double saupe[5], irr[5], gMag = 0.0, eigVec[3][3], eigVal[3], da = 0.0, dr = 0.0;
  for (int i = 0; i < 5; i++) saupe[i] = t.saupe[i];
  if (korim::couplings::analyzeSaupe(saupe, irr, &gMag, eigVec, eigVal, s.k->yzFlag, &da, &dr,
                                     state.alphaList, state.betaList, state.gammaList,
                                     s.k->eulerFlag) != 0) {
    std::fprintf(stderr, "korim: error in analyzeSaupe.\n");
    return 1;
  }
  // A table that could not be written must not pass as a result.
  const int media = s.single ? 0 : s.nMedia;
  if (const int st = korim::couplings::writeDCmod(outDName, "w", s.dTab, s.k, tableRemark, s.fitted, media);
      st != 0) {
    std::fprintf(stderr, "korim: error in writeDCmod.\n");
    return st;
  }
  const int st = korim::simulation::writePDBRot(state.gammaList, state.betaList, state.alphaList,
                                                s.k->rotN, s.pdb, sInfo, pdbRotName, remark);
  if (st != 0) std::fprintf(stderr, "korim: error in writePDBRot.\n");
  return st;
}

// Each -fixAa value is the number of peaks of one residue-type group: a value below 0 or above
// the number of unassigned peaks names no peak.
bool groupsNamePeaks(const Search& s) {
  const KorimInfo* k = s.k;
  for (int i = 0; i < k->nAaCheck && i < korim::settings::kExCheckMax; i++) {
    const int v = k->exCheckList[i];
    if (v < 0 || v > s.peakCount) {
      std::fprintf(stderr,
                   "KORIM Error: option -fixAa value %d names no peak: each value is a number of peaks, 0 to "
                   "the %d unassigned peaks.\n",
                   v, s.peakCount);
      return false;
    }
  }
  return true;
}

bool setMedia(Search& s) {
  const KorimInfo* k = s.k;
  if (k->nChainDc < 1 || k->nChainDc > kMediaMax) {
    std::fprintf(stderr, "Error: %d alignment media given (-dcID); the search takes 1 to %d.\n",
                 k->nChainDc, kMediaMax);
    return false;
  }
  s.nMedia = k->nChainDc;
  for (int m = 0; m < s.nMedia; m++) s.media[m] = k->chainDc[m] != nullptr ? k->chainDc[m] : "";
  return true;
}

}  // namespace

void ranSimDCReset() { state = RanSimState{}; }

int chkFixAa(int nFixAa, const int* fixResList, int resIDI, int resIDJ) {
  const int id = larger(resIDI, resIDJ);
  for (int i = 0; i < nFixAa; i++)
    if (fixResList[i] == id) return 1;
  return 0;
}

namespace {

int assignSearch(bool single, PDBInfo* pdbInfo, PDBSelectInfo* sInfo, DTable* dTab,
                 KorimInfo* korimInfo, const char* outDName, const char* pdbRotName, int mapCount,
                 int nFixAa, const int* fixResList, int verbose, const char* remark,
                 const char* tableRemark) {
  if (dTab == nullptr) return 0;
  // A window without any Da or R inside would score every order and find none.
  if (korim::settings::checkDaRWindow(korimInfo->histInfo) != 0) return 1;
  Search s;
  s.single = single;
  s.cols = single ? kSingleCols : kPeakCols;
  s.pdb = pdbInfo;
  s.dTab = dTab;
  s.k = korimInfo;
  s.nFix = nFixAa;
  s.fixList = fixResList;
  if (!single && !setMedia(s)) return 1;
  for (int i = 0; i < 5; i++) {
    dTab->dTensor.saupe[i] = 0.0f;
    dTab->dTensor.dSaupe[i] = 1.0f;
  }
  std::vector<int> validObs(dTab->dCount), validCalc(dTab->dCount);
  for (int r = 0; r < dTab->dCount; r++) {
    validObs[r] = dTab->dObsList[r].valid;
    validCalc[r] = dTab->dCalcList[r].valid;
  }
  s.peakCount = collectPeaks(s);
  if (s.peakCount < 0) return 1;
  std::printf("REMARK %d N-HN Unassigned Peaks, Residues %d to %d.\n", s.peakCount,
              dTab->dMinRes, dTab->dMaxRes);
  if (s.peakCount == 0) {
    std::fprintf(stderr,
                 "Error: the search has no unassigned N-HN peak: no usable N-HN coupling is left "
                 "that -fixRes does not fix; there is nothing to assign.\n");
    return 1;
  }
  if (!groupsNamePeaks(s)) return 1;
  reportCandidates(s);
  if (!searchFits(s) || !allocate(s) || !findTypes(s) || !fillMatrix(s)) return 1;

  for (int r = 0; r < dTab->dCount; r++)
    if (s.inUse(r) && s.fixed(dTab->dObsList[r].resIDI, dTab->dObsList[r].resIDJ))
      s.fixedCount++;
  allocateWork(s);
  if (!storeFixed(s) || !mediaCanFit(s)) return 1;

  AssignProblem& q = s.prob;
  q.peakCount = s.peakCount;
  q.colId = s.nD;
  q.nCoupAss = s.fixedCount;
  q.cols = s.cols;
  float*** mats[] = {&q.dcMat, &q.diValMat, &q.wMat, &q.sigMat, &q.xMat, &q.yMat, &q.zMat};
  for (int m = 0; m < 7; m++) *mats[m] = s.mats[m]->m;
  saveFixedHead(q);
  const korim::settings::HistInfo& h = korimInfo->histInfo;
  q.lDa = h.lDaMl;
  q.hDa = h.hDaMl;
  q.lR = h.lRMl;
  q.hR = h.hRMl;
  q.nLcType = s.nMedia;
  MediumProof proofs[kMediaMax];
  if (!windowHoldsMedia(s, proofs)) return 1;

  // The line says how the search covers the orders: said only of a search that runs.
  const SearchReach reach = searchReach(s, mapCount);
  std::printf("REMARK Peak");
  for (int i = 0; i < s.peakCount; i++) std::printf(" %d", s.resIdList->p[i]);
  std::printf("%s\n", reach.line.c_str());
  bool found = false;
  if (!runSearch(s, mapCount, &found)) return 1;
  std::string notes = tableRemark + reach.remark + (found ? answerNotes(s, proofs) : "");
  if (const std::string edge = edgeNote(s, proofs, mapCount, found); !edge.empty()) {
    std::fprintf(stderr, "korim: the %s", edge.c_str());
    notes += "REMARK The " + edge + "\n";
  }
  writeBack(s);
  fitMedia(s, validObs, validCalc, verbose);
  // A search that found nothing still writes its table of the fixed couplings, but is no result.
  const int st = finish(s, sInfo, outDName, pdbRotName, remark, notes.c_str());
  return st != 0 || found ? st : 1;
}

}  // namespace

int exhSimDC(PDBInfo* pdbInfo, PDBSelectInfo* sInfo, DTable* dTab, KorimInfo* korimInfo,
             const char* outDName, const char* pdbRotName, int mapCount, int nFixAa,
             const int* fixResList, int verbose, const char* remark, const char* tableRemark) {
  return assignSearch(false, pdbInfo, sInfo, dTab, korimInfo, outDName, pdbRotName, mapCount,
                      nFixAa, fixResList, verbose, remark, tableRemark);
}

int ranSimDC(PDBInfo* pdbInfo, PDBSelectInfo* sInfo, DTable* dTab, KorimInfo* korimInfo,
             const char* outDName, const char* pdbRotName, int mapCount, int nFixAa,
             const int* fixResList, int verbose, const char* remark, const char* tableRemark) {
  for (int i = 0; i < 3; i++) std::printf("TEST\n");
  return assignSearch(true, pdbInfo, sInfo, dTab, korimInfo, outDName, pdbRotName, mapCount,
                      nFixAa, fixResList, verbose, remark, tableRemark);
}

}  // namespace korim::assignment
