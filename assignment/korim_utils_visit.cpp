// Permutation searches over peaks of the assignment search, over one module state.
#include "assignment/korim_utils_visit.h"

#include <cstdio>

#include "foundation/memory.h"
#include "settings/progress.h"

namespace korim::assignment {

namespace {

VisitGlobals state;

// What the generator does with a complete order: score it, or store it as a table row.
struct Search {
  ScoreFunc score = nullptr;
  AssignProblem* prob = nullptr;
  int* rowIdList = nullptr;
  int* bestIdList = nullptr;
  int idCut = 0;
  int* permutList = nullptr;  // table mode when set
  int width = 0;              // entries per table row
};

void complete(const Search& s) {
  VisitGlobals& g = state;
  if (s.permutList != nullptr) {
    for (int i = 0; i < s.width; i++)
      s.permutList[g.cGlobal * s.width + i] = g.aGlobal[i] - 1;
    g.cGlobal++;
    korim::settings::printoutput(g.cGlobal);
    return;
  }
  for (int t = 0; t < s.idCut; t++)
    if (g.aGlobal[t] > s.idCut) return;
  g.cGlobal++;
  korim::settings::printoutput(g.cGlobal);
  const int n = s.prob->peakCount;
  for (int j = 0; j < n; j++) s.rowIdList[j] = g.aGlobal[j] - 1;
  const float score = s.score(*s.prob, s.rowIdList, 0);
  if (score < g.pSumDGlobal) {
    g.pSumDGlobal = score;
    for (int j = 0; j < n; j++) s.bestIdList[j] = s.rowIdList[j];
  }
}

// Fills slot k at the next depth; the sequence of slots chosen at depths 1..n runs through all
// orders lexicographically, and slot t then takes peak row aGlobal[t] - 1.
void generate(const Search& s, int k) {
  VisitGlobals& g = state;
  g.aGlobal[k] = ++g.idGlobal;
  if (g.idGlobal == g.nGlobal) complete(s);
  for (int t = 0; t < g.nGlobal; t++)
    if (g.aGlobal[t] == 0) generate(s, t);
  g.idGlobal--;
  g.aGlobal[k] = 0;
}

// The generator needs a length within the slots and, when scoring, no longer than the problem.
bool runnable(int k, int width) {
  const int n = state.nGlobal;
  return n >= 1 && n <= kPermMax && n <= width && k >= 0 && k < n;
}

}  // namespace

VisitGlobals& visitGlobals() { return state; }

void visitGlobalsReset() { state = VisitGlobals{}; }

void initializeGlobal() {
  const int n = state.nGlobal < 0 ? 0 : (state.nGlobal > kPermMax ? kPermMax : state.nGlobal);
  for (int t = 0; t < n; t++) state.aGlobal[t] = 0;
  state.idGlobal = -1;
  state.cGlobal = 0;
  state.pSumDGlobal = kNoScore;
}

void visitScored(ScoreFunc score, int k, AssignProblem& prob, int* rowIdList, int* bestIdList,
                 int idCut) {
  if (!runnable(k, prob.peakCount) || state.nGlobal != prob.peakCount) return;
  Search s;
  s.score = score;
  s.prob = &prob;
  s.rowIdList = rowIdList;
  s.bestIdList = bestIdList;
  s.idCut = idCut;
  generate(s, k);
}

void visitExh(int k, AssignProblem& prob, int* rowIdList, int* bestIdList) {
  visitScored(getSvdChi2Exh, k, prob, rowIdList, bestIdList, 0);
}

void visitChkExh(int k, AssignProblem& prob, int* rowIdList, int* bestIdList, int idCut) {
  visitScored(getSvdChi2Exh, k, prob, rowIdList, bestIdList, idCut);
}

void visit(int k, AssignProblem& prob, int* rowIdList, int* bestIdList) {
  visitScored(getSvdChi2, k, prob, rowIdList, bestIdList, 0);
}

void visitChk(int k, AssignProblem& prob, int* rowIdList, int* bestIdList, int idCut) {
  visitScored(getSvdChi2, k, prob, rowIdList, bestIdList, idCut);
}

void visitPermut(int k, int peakCount, int* permutList) {
  if (!runnable(k, peakCount)) return;
  Search s;
  s.permutList = permutList;
  s.width = peakCount;
  generate(s, k);
}

double factorial(int n) {
  double f = 1.0;
  for (int i = 2; i <= n; i++) f *= i;
  return f;
}

double subsetScorings(int peakCount, int m) {
  double c = 1.0;  // peakCount choose m
  for (int i = 0; i < m; i++) c = c * (peakCount - i) / (i + 1);
  return c * factorial(m);
}

}  // namespace korim::assignment
