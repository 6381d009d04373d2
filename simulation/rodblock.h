// The positions beside a rod at which a molecule's atoms touch it: for every
// position of the row, whether (or how many of) the atoms, projected across
// the rod's axis, lie within reach of the axis.
#pragma once

#include <vector>

namespace korim::simulation {

// The row of positions g[0..L] (non-decreasing, about gs apart) beside a rod
// whose axis an atom touches within bound (rod and atom radius), with the
// largest distance of a stored position from g[0] + i gs.
struct RodRow {
  const float* g;
  int L;
  double gs, bound;
  double stray;
};
RodRow rodRow(const float* g, int L, double gs, double bound);

// Counts in blocked[0..L] (at least L + 2 entries; the rest is scratch) how
// many of the atoms 1..n, projected at xJ, yJ across the cylinder axis, touch
// a cylinder of radius bound (atom radius included) at the positions g[0..L]
// (non-decreasing, about gs apart): atom a blocks position i when
// sqrt((xJ[a] + g[i])^2 + yJ[a]^2) <= bound in extended precision, exactly
// as testing every pair would find; an atom with a non-finite projection
// never blocks.
void cylinderRuns(int n, const float* xJ, const float* yJ, const float* g, int L, double gs,
                  double bound, std::vector<int>& blocked);
void cylinderRuns(int n, const float* xJ, const float* yJ, const RodRow& row,
                  std::vector<int>& blocked);

// A run of positions first..last (first <= last).
struct PositionRun {
  int first, last;
};

// The positions 0..L that at least one atom blocks by the rule of
// cylinderRuns, as ascending runs that neither overlap nor touch, in runs
// (cleared first); scratch holds at least L + 2 entries afterwards. shared:
// first try whether the atoms' reaches share a stretch (always so when
// every atom lies within bound of the molecule's centre), which settles the
// runs without counting atom by atom.
void cylinderBlockedRuns(int n, const float* xJ, const float* yJ, const RodRow& row, bool shared,
                         std::vector<int>& scratch, std::vector<PositionRun>& runs);

}  // namespace korim::simulation
