// State of the permutation search over peaks, shared by the searches and the program entry.
#pragma once

namespace korim::assignment {

// Slots of a permutation.
constexpr int kPermMax = 500;
// Best score before any permutation has been scored ("no acceptable fit").
constexpr float kNoScore = 1.0e8f;

// The search's module state; one search runs at a time.
struct VisitGlobals {
  // The permutation under construction: slot t holds 0 while free, else the depth
  // (1..nGlobal) at which it was filled.
  int aGlobal[kPermMax] = {};
  int idGlobal = -1;             // current depth; -1 at rest
  int nGlobal = 0;               // length of the permutations (0..kPermMax), set by the caller
  int cGlobal = 0;               // complete permutations since the last reset (progress line)
  float pSumDGlobal = kNoScore;  // best score so far
};

// The state, for the searches, the driver and tests.
VisitGlobals& visitGlobals();

// Back to the start state of a fresh run (whole struct); for tests.
void visitGlobalsReset();

// initializeGlobal (assignment/korim_utils_visit.h) resets them between searches.

}  // namespace korim::assignment
