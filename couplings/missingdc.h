// Couplings marked as missing: a measured D of 888 Hz or more. Tables keep such rows as they are;
// nothing computed from measured couplings takes them.
#pragma once

#include <functional>
#include <string>

#include "couplings/dc.h"

namespace korim::couplings {

// The least measured coupling (Hz) that marks a coupling as missing (the assignment search writes
// its unassigned peaks so). A D of -888 Hz or less is a coupling like any other.
constexpr float kDcMissingFrom = 888.0f;

// Whether a measured D marks its coupling as missing. (Not a number is no mark: selectD leaves such
// rows out.)
inline bool missingCoupling(float d) { return d >= kDcMissingFrom; }

// A row a fit takes: its calculated row valid and weighed (w not 0), its measured D no mark.
inline bool fitRow(const DInfo& obs, const DInfo& calc) {
  return calc.valid != 0 && calc.w != 0.0f && !missingCoupling(obs.d);
}

// The rows k (0-based) of dTab that use(k) accepts, and how many of them mark their coupling as
// missing.
struct MissingCount {
  int rows = 0;
  int missing = 0;
};
MissingCount countMissing(const DTable* dTab, const std::function<bool(int)>& use);

// "korim: <who> leaves out <missing> of the <rows> selected couplings of <name>, whose D is 888 Hz
// or more (a D that high marks a coupling as missing; one of -888 Hz or less counts).\n" on
// stderr, once for the run's table; nothing when no row is missing. who names one computation:
// "the fit", "the assignment search", "-daHist". because, when given, follows the parenthesis
// after ": " and says why the computation has no place for such a row.
void tellMissing(const char* who, const char* name, const MissingCount& n, const char* because = nullptr);

// The lowest and highest residue number the ends of dTab's rows name (as the reader's range),
// over the rows whose D marks no coupling as missing: the range of the table without its marked
// rows. false (and lo, hi unchanged) when no such row names a residue.
bool unmarkedResidueRange(const DTable* dTab, int* lo, int* hi);

}  // namespace korim::couplings
