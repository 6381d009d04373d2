// Grouped and subset permutation searches of the assignment search: orders inside residue-type
// groups (visitAa) and all orders of well-spread peak subsets (visitAllExh, visitAll).
#include <algorithm>
#include <cstdio>

#include "assignment/korim_utils_visit.h"
#include "assignment/tagged_buffers.h"
#include "foundation/checkedcount.h"
#include "foundation/memory.h"
#include "settings/progress.h"

namespace korim::assignment {

using korim::foundation::intAlloc;
using korim::foundation::unAlloc;

namespace {

// The next m-element combination of 0..n-1 in lexicographic order; false after the last.
bool nextCombination(int* idx, int m, int n) {
  int i = m - 1;
  while (i >= 0 && idx[i] == n - m + i) i--;
  if (i < 0) return false;
  idx[i]++;
  for (int j = i + 1; j < m; j++) idx[j] = idx[j - 1] + 1;
  return true;
}

void firstCombination(int* idx, int m) {
  for (int i = 0; i < m; i++) idx[i] = i;
}

bool groupsAcceptable(const AssignProblem& prob, int G, const int* sizes) {
  if (G < 2 || G > kGroupsMax) {
    std::fprintf(stderr, "Error: %d residue-type groups given; the grouped search takes 2 to %d.\n",
                 G, kGroupsMax);
    return false;
  }
  long long sum = 0;
  double scorings = 1.0;
  for (int g = 0; g < G; g++) {
    if (sizes[g] < 0 || factorial(sizes[g]) * sizes[g] > kMaxTableEntries) {
      std::fprintf(stderr, "Error: a residue-type group of %d peaks; groups take 0 to 10 peaks.\n",
                   sizes[g]);
      return false;
    }
    sum += sizes[g];
    scorings *= factorial(sizes[g]);
  }
  if (sum != prob.peakCount) {
    std::fprintf(stderr, "Error: Error in length of permutation.\n");
    return false;
  }
  if (scorings > kMaxScorings) {
    std::fprintf(stderr,
                 "Error: the grouped search would take %s permutations, more than the limit of "
                 "%.0f.\n",
                 foundation::countText(scorings).c_str(), kMaxScorings);
    return false;
  }
  return true;
}

}  // namespace

int visitAa(AssignProblem& prob, int* rowIdList, int* bestIdList, int G, const int* sizes,
            ScoreFunc score) {
  if (!groupsAcceptable(prob, G, sizes)) return 1;
  VisitGlobals& g = visitGlobals();
  int nRowList[kGroupsMax], offset[kGroupsMax];
  int* table[kGroupsMax] = {};
  bool ok = true;
  for (int k = 0, off = 0; k < G; off += sizes[k], k++) {
    nRowList[k] = static_cast<int>(factorial(sizes[k]));
    offset[k] = off;
    if (ok) table[k] = intAlloc("visitAa", std::max(1, nRowList[k] * sizes[k]));
    ok = ok && table[k] != nullptr;
  }
  auto release = [&] {
    for (int k = 0; k < G; k++)
      if (table[k] != nullptr)
        unAlloc("visitAa", table[k],
                std::max(1, nRowList[k] * sizes[k]) * static_cast<int>(sizeof(int)));
  };
  if (!ok) {
    std::fprintf(stderr, "Error allocating coord buffers.\n");
    release();
    return 1;
  }
  for (int k = 0; k < G; k++) {
    initializeGlobal();
    g.nGlobal = sizes[k];
    visitPermut(0, sizes[k], table[k]);
    if (G <= 4) {
      std::fputc('\n', stderr);
      std::fflush(stderr);
    }
  }
  // Combination phase: group 0 outermost, the last group innermost.
  int row[kGroupsMax] = {};
  int counter = 0;
  for (;;) {
    korim::settings::printoutput(++counter);
    for (int k = 0; k < G; k++)
      for (int i = 0; i < sizes[k]; i++)
        rowIdList[offset[k] + i] = offset[k] + table[k][row[k] * sizes[k] + i];
    const float s = score(prob, rowIdList, 0);
    if (s < g.pSumDGlobal) {
      g.pSumDGlobal = s;
      for (int j = 0; j < prob.peakCount; j++) bestIdList[j] = rowIdList[j];
    }
    int k = G - 1;
    while (k >= 0 && ++row[k] == nRowList[k]) row[k--] = 0;
    if (k < 0) break;
  }
  release();
  return 0;
}

namespace {

// Work space of the subset search, tag "visitAll", released on every path.
struct SubsetSpace {
  TaggedList<int> rowIdList, dcIdList, bestSelIdList, matIdList, selDcList;
  TaggedMatrix dcMat, diValMat, wMat, sigMat, xMat, yMat, zMat;
  TaggedList<int> cColList, cColListB;
  // m selected rows of c columns out of n peak rows.
  SubsetSpace(int m, int n, int c)
      : rowIdList("visitAll", m), dcIdList("visitAll", m), bestSelIdList("visitAll", m),
        matIdList("visitAll", m), selDcList("visitAll", m), dcMat(m, c), diValMat(m, c),
        wMat(m, c), sigMat(m, c), xMat(m, c), yMat(m, c), zMat(m, c), cColList("visitAll", n),
        cColListB("visitAll", n) {}

  bool take() {
    struct L { TaggedList<int>& l; const char* msg; };
    struct M { TaggedMatrix& m; const char* msg; };
    const L lists[] = {{rowIdList, "Error allocating rowIdList.\n"},
                       {dcIdList, "Error allocating dcIdList.\n"},
                       {bestSelIdList, "Error allocating bestSelIdList.\n"},
                       {matIdList, "Error allocating matIdList.\n"},
                       {selDcList, "Error allocating selDcList.\n"}};
    const M mats[] = {{dcMat, "visitAll: error allocating dcMatSel.\n"},
                      {diValMat, "visitAll: error allocating diValMatSel.\n"},
                      {wMat, "visitAll: error allocating wMatSel.\n"},
                      {sigMat, "visitAll: error allocating sigMatSel.\n"},
                      {xMat, "visitAll: error allocating xMatSel.\n"},
                      {yMat, "visitAll: error allocating yMatSel.\n"},
                      {zMat, "visitAll: error allocating dipo uncertainty MatSelrix.\n"}};
    for (const L& x : lists)
      if (!x.l.take()) return std::fputs(x.msg, stderr), false;
    for (const M& x : mats)
      if (!x.m.take("visitAll")) return std::fputs(x.msg, stderr), false;
    if (!cColList.take()) return std::fputs("Error allocating cColList.\n", stderr), false;
    if (!cColListB.take()) return std::fputs("Error allocating cColListB.\n", stderr), false;
    return true;
  }
};

// Picks the m peak rows whose normalized couplings (coupling x weight) spread most evenly over
// the range of all of them: among the combinations holding the m largest coupling counts, the
// one whose sorted values lie closest to an even grid. Returns false when m is not 2..7.
bool spreadSelection(const AssignProblem& p, int m, int nD, const int* cCol, float lo, float hi,
                     int* sel) {
  TaggedList<float> bins("visitAll", nD), values("visitAll", nD);
  if (!bins.take() || !values.take()) return false;
  for (int i = 0; i < nD; i++) bins.p[i] = nD > 1 ? lo + i * (hi - lo) / (nD - 1) : lo;
  int idx[kSubsetMax];
  firstCombination(idx, m);
  float best = kNoScore;
  do {
    int total = 0;
    for (int i = 0; i < m; i++) total += cCol[idx[i]];
    if (total != nD) continue;
    int n = 0;
    for (int i = 0; i < m; i++)
      for (int c = 0; c < p.cols; c++)
        if (p.dcMat[idx[i]][c] != kEmptyCell && n < nD)
          values.p[n++] = p.dcMat[idx[i]][c] * p.wMat[idx[i]][c];
    if (n != nD) {
      std::fprintf(stderr, "Error selecting RDCs!\n");
      continue;
    }
    std::sort(values.p, values.p + nD);
    float spread = 0.0f;
    for (int i = 0; i < nD; i++) spread += (values.p[i] - bins.p[i]) * (values.p[i] - bins.p[i]);
    if (spread < best) {
      best = spread;
      for (int i = 0; i < m; i++) sel[i] = idx[i];
    }
  } while (nextCombination(idx, m, p.peakCount));
  return true;
}

}  // namespace

int visitAllExh(int m, int dcOptFlag, AssignProblem& prob, int* selIdList, int* bestIdList,
                ScoreFunc score) {
  const int n = prob.peakCount;
  if (m < 1 || m > n) {
    std::fprintf(stderr, "Error: a subset of %d peaks out of %d cannot be searched.\n", m, n);
    return 1;
  }
  SubsetSpace w(m, n, prob.cols);
  if (!w.take()) return 1;
  for (int i = 0; i < n; i++) bestIdList[i] = -1;
  int nDMax = 0;
  for (int i = 0; i < n; i++) {
    w.cColList.p[i] = 0;
    for (int c = 0; c < prob.cols; c++)
      if (prob.dcMat[i][c] != kEmptyCell) w.cColList.p[i]++;
    nDMax = std::max(nDMax, w.cColList.p[i]);
    w.cColListB.p[i] = w.cColList.p[i];
  }
  std::sort(w.cColListB.p, w.cColListB.p + n);
  std::printf("REMARK Maximum of %d available RDCs per peak.\n", nDMax);
  std::printf("REMARK %d peaks with", m);
  int nD = 0;
  for (int i = n - 1; i >= n - m; i--) {
    std::printf(" %d", w.cColListB.p[i]);
    nD += w.cColListB.p[i];
  }
  std::printf(" RDCs will be selected.\n");
  std::printf("REMARK %d peaks with %d RDCs in total will be selected.\n", m, nD);

  // Range of the normalized couplings over every cell (an empty one counts as 888 x 0).
  float lo = 999.99f, hi = -999.99f;
  for (int i = 0; i < n; i++)
    for (int c = 0; c < prob.cols; c++) {
      const float v = prob.dcMat[i][c] * prob.wMat[i][c];
      lo = std::min(lo, v);
      hi = std::max(hi, v);
    }
  std::printf("REMARK Smallest and largest normalized RDC: %.3f %.3f [Hz].\n", lo, hi);
  int* sel = w.selDcList.p;
  for (int i = 0; i < m; i++) sel[i] = i;
  if (dcOptFlag != 0) {
    for (int i = 0; i < n; i++) selIdList[i] = 0;
    if (m < kSubsetMin || m > kSubsetMax) {
      std::fprintf(stderr, "Warning: only subset of 2 to 7 peaks allowed!");
      return 1;
    }
    if (!spreadSelection(prob, m, nD, w.cColList.p, lo, hi, sel)) return 1;
  }
  std::printf("REMARK DC Peaks");
  for (int i = 0; i < m; i++) {
    selIdList[sel[i]] = 1;
    std::printf(" %d", sel[i] + 1);
  }
  std::printf(" have been selected.\n.");
  int count = 0;
  for (int i = 0; i < n && count < m; i++) {
    if (selIdList[i] != 1) continue;
    for (int c = 0; c < prob.cols; c++) {
      w.dcMat.m[count][c] = prob.dcMat[i][c];
      w.diValMat.m[count][c] = prob.diValMat[i][c];
      w.sigMat.m[count][c] = prob.sigMat[i][c];
      w.wMat.m[count][c] = prob.wMat[i][c];
    }
    w.dcIdList.p[count++] = i;
  }
  if (count != m) {
    std::fprintf(stderr, "Error: # of selected peaks != %d.\n", m);
    return 1;
  }
  VisitGlobals& g = visitGlobals();
  g.nGlobal = m;
  if (m < kSubsetMin || m > kSubsetMax) {
    std::fprintf(stderr, "Warning: only subset of 2 to 7 peaks allowed!");
    return 1;
  }
  AssignProblem sub = prob;
  sub.peakCount = m;
  sub.dcMat = w.dcMat.m;
  sub.diValMat = w.diValMat.m;
  sub.sigMat = w.sigMat.m;
  sub.wMat = w.wMat.m;
  sub.xMat = w.xMat.m;
  sub.yMat = w.yMat.m;
  sub.zMat = w.zMat.m;
  float best = g.pSumDGlobal;
  int* pos = w.matIdList.p;
  firstCombination(pos, m);
  do {
    for (int i = 0; i < m; i++)
      for (int c = 0; c < prob.cols; c++) {
        sub.xMat[i][c] = prob.xMat[pos[i]][c];
        sub.yMat[i][c] = prob.yMat[pos[i]][c];
        sub.zMat[i][c] = prob.zMat[pos[i]][c];
      }
    visitScored(score, 0, sub, w.rowIdList.p, w.bestSelIdList.p, 0);
    if (g.pSumDGlobal < best) {
      for (int i = 0; i < n; i++) bestIdList[i] = -1;
      for (int i = 0; i < m; i++) bestIdList[pos[i]] = w.dcIdList.p[w.bestSelIdList.p[i]];
      best = g.pSumDGlobal;
    }
  } while (nextCombination(pos, m, n));
  std::fputc('\n', stderr);
  std::fflush(stderr);
  return 0;
}

int visitAll(int m, int dcOptFlag, AssignProblem& prob, int* selIdList, int* bestIdList) {
  return visitAllExh(m, dcOptFlag, prob, selIdList, bestIdList, getSvdChi2);
}

}  // namespace korim::assignment
