// Permutation searches over peaks of the assignment search: all orders, filtered orders, orders
// inside residue-type groups, and all orders of well-spread peak subsets.
#pragma once

#include "assignment/korim_utils_svd.h"
#include "assignment/visit_globals.h"

namespace korim::assignment {

constexpr int kGroupsMax = 6;        // residue-type groups of the grouped search
constexpr int kSubsetMin = 2;        // peaks of the subset search
constexpr int kSubsetMax = 7;
// Scorings one search may take: 12! (about an hour at the benchmark's rate of 150,000 a second).
constexpr double kMaxScorings = 479001600.0;
// Permutation table of one group of the grouped search: at most 10! rows of 10 entries.
constexpr double kMaxTableEntries = 36288000.0;

// Resets the search state: aGlobal[0..nGlobal-1] to 0 (nGlobal taken within 0..kPermMax),
// idGlobal to -1, cGlobal to 0 and pSumDGlobal to 1e8. The program calls it once at start.
void initializeGlobal();

// All orders of nGlobal peaks (the caller sets nGlobal to prob.peakCount and resets the state;
// k is the slot of the root, 0). Each complete order is counted in cGlobal, shown by the
// progress line, written to rowIdList and scored; a score strictly below pSumDGlobal becomes
// the best and its order is copied to bestIdList. With idCut > 0, only orders in which the
// first idCut positions take the first idCut peak rows are counted and scored.
void visitScored(ScoreFunc score, int k, AssignProblem& prob, int* rowIdList, int* bestIdList,
                 int idCut);
// The same, scored with getSvdChi2Exh (yzFlag 0).
void visitExh(int k, AssignProblem& prob, int* rowIdList, int* bestIdList);
void visitChkExh(int k, AssignProblem& prob, int* rowIdList, int* bestIdList, int idCut);
// The same, scored with the one-medium getSvdChi2.
void visit(int k, AssignProblem& prob, int* rowIdList, int* bestIdList);
void visitChk(int k, AssignProblem& prob, int* rowIdList, int* bestIdList, int idCut);

// The generator storing each complete order of peakCount (= nGlobal) slots as row cGlobal of
// permutList (peakCount ints per row) instead of scoring it.
void visitPermut(int k, int peakCount, int* permutList);

// Orders inside idCutCount consecutive groups of idCutList[g] peaks: every combination of one
// order per group is scored (yzFlag 0) and the best left in bestIdList and pSumDGlobal. Returns
// 0, or 1 after a message when the groups are not 2..6, do not add up to peakCount, would take
// more than kMaxScorings scorings or tables larger than kMaxTableEntries, or a table cannot be
// allocated; nothing is scored then.
int visitAa(AssignProblem& prob, int* rowIdList, int* bestIdList, int idCutCount,
            const int* idCutList, ScoreFunc score = getSvdChi2Exh);

// Exhaustive search on a subset of peakSelCount peaks (2..7, at most prob.peakCount), chosen to
// spread the normalized couplings (dcOptFlag non-zero) or the first rows: for every subset of
// residue positions of that size all orders are searched. selIdList marks the chosen peaks,
// bestIdList receives each position's peak row or -1. Returns 0, or 1 after a message.
int visitAllExh(int peakSelCount, int dcOptFlag, AssignProblem& prob, int* selIdList,
                int* bestIdList, ScoreFunc score = getSvdChi2Exh);
int visitAll(int peakSelCount, int dcOptFlag, AssignProblem& prob, int* selIdList,
             int* bestIdList);

// Number of scorings of the searches (as a double: it may exceed every integer type).
double factorial(int n);
double subsetScorings(int peakCount, int peakSelCount);

}  // namespace korim::assignment
