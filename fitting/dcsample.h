// Couplings of a Da/R estimate: the coupling table read and selected, and its used couplings.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "couplings/dc.h"
#include "couplings/dcpairs.h"
#include "fitting/mlmagtensor.h"
#include "settings/settings.h"

namespace korim::fitting {

// A coupling table allocated through the tagged allocator under the caller's tag; the deleter
// releases its rows (dTabFree) and the record.
struct DcTableDeleter {
  const char* tag;
  void operator()(couplings::DTable* t) const;
};
using DcTablePtr = std::unique_ptr<couplings::DTable, DcTableDeleter>;

// Allocates a table (tag), reads inDName into it and prints "%s, %d Couplings, Residues %d to
// %d.\n" on stderr; settles the residue range of dcInfo (unset ends take the table's, a reversed
// range is swapped), marks the couplings of the range (selectD with dcInfo's exclusion mode)
// and of the atom types atomNameS1/atomNameS2 ("All" any), leaves out the rows that name one
// atom at both ends (couplings::leaveOutOneAtomRows) and prints "REMARK %d couplings
// selected (%s%s).\n" on stdout (couplings::selectDcTable). Returns 0 with *table set; 1 after
// "Error allocating DC structures.\n" or a selection that selectDcTable refuses, or the reader's
// status after "Error reading DC input %s\n".
int readSelectedDc(const char* inDName, const char* tag, settings::DcInfo* dcInfo,
                   const char* atomNameS1, const char* atomNameS2, DcTablePtr* table);

// Writes the coupling table of an estimate to outName ("" = stdout) with the run-parameter block
// of korimInfo's mode as its remark, followed by the estimate's own remark lines (REMARK lines,
// ending with a newline). Returns 0; the failing step's status after "korim: error in
// writeKorim.\n" or "korim: error in writeDCmod.\n".
int writeEstimateTable(const char* outName, couplings::DTable* dTab,
                       const settings::KorimInfo* korimInfo, const std::string& remark = "");

// Start values of the extremes' search: no coupling lies beyond them.
constexpr float kDcMinStart = 9999.9f;
constexpr float kDcMaxStart = -9999.9f;

// The largest size of a coupling D*W and of its error DD*W that an estimate takes (Hz): the
// bound beyond which a table's value is no coupling (couplings::kDcUsableMax). A row beyond it
// holds a slip (a weight of 1e30, an error column taken for another), not a coupling.
constexpr float kDcSampleBound = couplings::kDcUsableMax;

// The least spread of the used couplings D*W (Hz) an estimate reads a distribution from: the
// precision a coupling table prints (%.3f).
constexpr double kDcMinSpread = couplings::kDcLeastError;

// A used row whose D*W or DD*W lies beyond kDcSampleBound (or is not a finite number).
struct DcOutOfBound {
  int row = -1;        // row of the table (0-based); -1: none
  bool error = false;  // DD*W beyond the bound (else D*W)
  float d = 0.0f, dd = 0.0f, w = 0.0f;
};

// The used couplings of a table (valid, their D no mark of a missing coupling:
// couplings::missingCoupling), in table order.
struct DcSample {
  std::vector<float> coup;   // D*W, Hz
  std::vector<float> sigma;  // DD*W, Hz
  std::vector<int> row;      // row of each in the table (0-based)
  float dcMin = kDcMinStart;
  float dcMax = kDcMaxStart;
  double delta = 0.0;        // mean of sigma (0 for no coupling), Hz
  int pairs = 0;             // distinct atom pairs among them (by the table's names)
  // Kinds of coupling by the atom-name pairs of the rows (couplings::CouplingKinds).
  couplings::CouplingKinds kinds;
  DcOutOfBound outOfBound;   // the first used row beyond the bound, left out of the lists
  std::vector<int> missing;  // rows (0-based) left out as missing couplings
};

// Collects the used couplings of dTab's observed rows (of those keep accepts, when given).
void collectDc(const couplings::DTable* dTab, DcSample* sample,
               const std::function<bool(const couplings::DInfo&)>& keep = {});

// Where the sample holds more than one kind of coupling (atom-name pair): says so on stderr,
// naming the kinds with their counts, that the estimate is the Da of one kind only when D*W
// scales every row onto it, and that -aD1 and -aD2 select one; returns the same as a REMARK line
// for the table. "" (and no message) for one kind.
std::string mixedKinds(const DcSample& sample, const char* inDName);

// Copies the value and validity of every coupling of the sample into the table's calculated
// rows, so that the written table lists the couplings the estimate used, and the rows it left out
// as missing couplings as they are.
void markUsedRows(couplings::DTable* dTab, const DcSample& sample);

// The line that says how many selected rows the estimate (mode: "-daHist", ...) left out as missing
// couplings (couplings::tellMissing); nothing when none.
void tellMissingRows(const DcSample& sample, const char* inDName, const char* mode);

// Fewest couplings whose distribution the estimates read: below this the extremes, the fullest
// bin and the likelihood's best point are the few values themselves, not the tensor's.
constexpr int kMinDistributionCouplings = 5;

// A sample the estimates can work on: no used row beyond kDcSampleBound (refused naming the
// file, the row and its D and W or DD), at least kMinDistributionCouplings distinct atom pairs
// (repeated rows of one pair are one coupling), not all of one value nor spread by less than
// kDcMinSpread, and a positive mean error (the histogram's bin width, the thresholds of the
// extremes and the likelihood's line width all scale with it). Returns 0; 1 after a message
// naming what is missing and the count.
int checkDcSample(const DcSample& sample, const char* inDName);

// The least size of Da (Hz) the estimates of Da and R answer for, by the couplings' two-extreme
// estimate |DATA EQ Da|: twice the least the likelihood's sampling resolves (kMinPatternDa), so that
// a likelihood grid whose end nearest 0 stops just beyond that least still lies at about half the
// couplings' own size, the room -daMl's advice gives below it, and reaches below the answer. One
// floor for the three estimates, so that they answer for the same couplings.
constexpr double kMinEstimateDa = 2.0 * kMinPatternDa;

// A sample whose two-extreme estimate (half the extreme of larger magnitude) lies below
// kMinEstimateDa in size, refused by the estimate mode ("-daHist", "-daMl", "-daFlex"). Returns 0;
// 1 after a message naming the file, the span of D*W, DATA EQ Da and the floor.
int refuseBelowFloor(const DcSample& sample, const char* inDName, const char* mode);

// The one sign of the sample's couplings D*W where they all lie on one side of 0: "positive" or
// "negative", with "or 0 (k of them 0)" where some are exactly 0; "" where both signs occur.
// A coupling of exactly 0 lies on neither side, so it leaves the sample of one sign: with it the
// extremes still do not lie on opposite signs. (A sample of zeros alone has one value and is
// refused by checkDcSample.)
std::string oneSignWord(const DcSample& sample);

// A sample whose couplings all have one sign (oneSignWord) refused by the estimates that read Da
// from the two extremes (mode: "-daHist", "-daFlex"): under any tensor they lie on opposite signs,
// from -Da (1 + 1.5 R) to 2 Da for R 0 to 2/3. Returns 0 for a sample of both signs; 1 after a
// message naming the file, the count and the sign, the reason, and that a fit with the structure
// (-bestFit) settles Da.
int refuseOneSign(const DcSample& sample, const char* inDName, const char* mode);

// The same said as a warning for the likelihood, which answers on: on stderr after "korim: the "
// and returned as the table's REMARK line; "" (and no message) for a sample of both signs.
std::string warnOneSign(const DcSample& sample, const char* inDName);

}  // namespace korim::fitting
