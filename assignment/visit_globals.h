// State of the permutation search over peaks, shared by the searches and the program entry.
#pragma once

namespace korim::assignment {

// Slots of a permutation.
constexpr int kPermMax = 500;
// Best score before any permutation has been scored ("no acceptable fit").
constexpr float kNoScore = 1.0e8f;

// The permutation under construction: slot t holds 0 while free, else the depth (1..nGlobal)
// at which it was filled.
inline int aGlobal[kPermMax] = {};
// Current depth; -1 at rest.
inline int idGlobal = -1;
// Length of the permutations; the search sets it before it starts (0..kPermMax).
inline int nGlobal = 0;
// Complete permutations produced since the last reset (shown by the progress line).
inline int cGlobal = 0;
// Best score so far.
inline float pSumDGlobal = kNoScore;

// initializeGlobal (assignment/korim_utils_visit.h) resets them.

}  // namespace korim::assignment
