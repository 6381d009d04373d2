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

// Why a selected row (its measured row valid) is left out of a fit and of the statistics of a
// table whose D is back-calculated from a tensor (predictions, fits, error runs). A
// back-calculated D of any size counts: a prediction of the medium's full order reaches thousands
// of Hz, either sign.
enum class StatsExit {
  kNone,        // the row enters the fit and the statistics
  kMissing,     // its measured D marks the coupling as missing (missingCoupling)
  kNoValue,     // its calculated row is not valid: no D is back-calculated for it (no bond in the
                // structure, a row -w 0 leaves out, a row a subset does not draw)
  kWeightZero,  // its weight is 0: it has no say in a fit, and none is back-calculated for it
};
inline StatsExit statsExit(const DInfo& obs, const DInfo& calc) {
  if (missingCoupling(obs.d)) return StatsExit::kMissing;
  if (!calc.valid) return StatsExit::kNoValue;
  if (calc.w == 0.0f) return StatsExit::kWeightZero;
  return StatsExit::kNone;
}

// A row a fit takes: its calculated row valid and weighed (w not 0), its measured D no mark.
inline bool fitRow(const DInfo& obs, const DInfo& calc) { return statsExit(obs, calc) == StatsExit::kNone; }

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

// Measured minus back-calculated D (Hz) of a row of such a table; kDcMissing for a row that is not
// selected or that the statistics leave out (statsExit).
float statsDifference(const DInfo& obs, const DInfo& calc);

// The rows of a written table (both rows valid) that its statistics leave out, by reason; a row
// without a valid calculated row is not listed (the mapping of the couplings names it).
struct StatsExits {
  int missing = 0;
  int weightZero = 0;
  void add(StatsExit e);
  int total() const { return missing + weightZero; }
};

// What the rows left out are, after "<total> of its <rows> rows": one reason as ", whose measured
// D is 888 Hz or more (a D that high marks a coupling as missing; one of -888 Hz or less
// counts)" or ", whose weight W is 0"; both as ": 2 whose measured D ..., 3 whose weight W is 0".
// Empty when none is left out.
std::string statsExitsText(const StatsExits& n);

}  // namespace korim::couplings
