// Distinct atom pairs of coupling rows, and whether the couplings a fit uses determine the five
// elements of an order matrix.
#pragma once

#include <cstdio>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "couplings/dc.h"
#include "settings/settings.h"

namespace korim::couplings {

// Atom pairs named by coupling rows, each counted once whichever end comes first. A row mapped
// to the structure (atoms at both ends) stands for the pair of the first atom of each end; a row
// not mapped, for the residue number, chain, segment and atom name of each end as the table
// writes them.
class PairSet {
 public:
  // Adds the pair of a row (calc: its mapping, or nullptr); row counts from 1. Returns the row
  // that named the pair first, or 0 for a new pair.
  int add(const DInfo& obs, const DInfo* calc, int row);
  int size() const { return static_cast<int>(atoms_.size() + names_.size()); }

 private:
  std::map<std::pair<const structure::AtomInfo*, const structure::AtomInfo*>, int> atoms_;
  std::map<std::pair<std::string, std::string>, int> names_;
};

// A row whose two ends are one atom: it has no bond vector and is no coupling. A row mapped to
// the structure (calc with atoms at both ends) is one when its atoms give no bond vector
// (hasBondVector); a row not mapped, when both ends name one residue, chain, segment and atom
// (H and HN being the amide proton's two names).
bool oneAtomRow(const DInfo& obs, const DInfo* calc);

// The warning that names the rows of one atom at both ends, with their count.
inline constexpr const char* kOneAtomHeading =
    "DC Warning: %d couplings name one atom at both ends (no bond vector) and are not used:\n";

// For the runs without a structure: clears the selection of every selected row of dTab's
// observed list that names one atom at both ends (oneAtomRow by its names), naming each under
// kOneAtomHeading on stderr. Returns how many. (On a structure buildDC leaves them out and
// reportDCMap names them.)
int leaveOutOneAtomRows(DTable* dTab);

// What a mode does with the rows it selects: a table mode or estimate without a structure (rows
// of unknown nuclei and of one atom at both ends left out here), a fit on a structure (buildDC
// and reportDCMap name such rows), or a prediction, which is made without couplings too.
enum class DcRowUse { kTable, kFit, kPrediction };

// The row selection every mode shares, of dTab's observed list read from name: range selection
// (selectD, dc's residue range and exclusion mode), atom-type filter (selTypDC, "All" any) and,
// for kTable, the rows that name one atom at both ends left out (leaveOutOneAtomRows names them).
// Refused (-1, after a message on stderr): a filter that selects none of the rows the range
// selected (the message names the atom pairs those rows hold; a prediction is only told, and goes
// on with no row selected), and a selected row beyond the bound or of an error next to 0
// (refuseRowBeyondBound). Else
// returns the number of couplings still selected.
int selectDcTable(DTable* dTab, const char* name, const settings::DcInfo* dc, const char* atomNameS1,
                  const char* atomNameS2, DcRowUse use = DcRowUse::kTable);

// The weight W scales a row's coupling D and its error DD (the fits compare D*W with the
// calculated coupling times W; the estimates take D*W and DD*W). Of a selected row (D at most
// kDcUsableMax, selectD): 1 when D*W lies beyond kDcUsableMax or is not finite (a weight of
// 1e30, a coupling of -1e30: no coupling), 2 when W scales a DD inside the bound beyond it, else 0.
// A DD beyond the bound with W 1 is an error that merely weighs its row next to nothing.
int rowBeyondBound(const DInfo& r);

// "korim: row <row+1> of <name> has D (or DD) <value> and W <w>: its coupling D*W (or error DD*W),
// <product> Hz, lies beyond the 900 Hz of any coupling (<reading>).\n" on stderr.
void reportRowBeyondBound(const char* name, int row, bool error, float d, float dd, float w,
                          const char* reading);

// 0 when no selected row of dTab's observed list is beyond the bound (rowBeyondBound) or holds an
// error DD other than 0 below kDcLeastError (the fits weigh a row by 1/DD); else 1 after naming
// the first one by file, row and values.
int refuseRowBeyondBound(const DTable* dTab, const char* name);

// 0 when the weights of -w (wList, wCount entries from residue wOff, as buildDC applies them)
// take no usable row of dTab (its calculated row valid) beyond the bound: D*W beyond kDcUsableMax,
// or a DD inside it whose DD*W is beyond it; else 1 after naming the first such row by file, row,
// values, -w value and residue (reportRowBeyondBound's wording). Run after buildDC.
int refuseWeightBeyondBound(const DTable* dTab, const char* name, const float* wList, int wCount, int wOff);

// "<name>, <n> Couplings, Residues <min> to <max>." on stderr.
void reportDcTable(const char* name, const DTable* dTab);

// segFirst and segLast not given (below kNoRangeLimit) take the table's residue range; a
// reversed range is swapped. The settled values stay in dc.
void settleDcRange(settings::DcInfo* dc, int dMinRes, int dMaxRes);

// "REMARK <count> couplings <what> (inclusive max)." on the stream: "exclusive" for
// excludeMode 1, else "inclusive"; " max" for excludeMode 3.
void remarkCouplings(std::FILE* to, const char* what, int count, int excludeMode);

// Kinds of coupling counted by the atom-name pair the rows hold (the names -aD1 and -aD2 select
// on), in the order of their first row. A kind is one pair of atoms whichever end names which,
// and H and HN are the amide proton's two names: CA-HA and H-C are two kinds, N-H and N-HN one.
// A kind is named as its rows write it, each spelling (ATOMNAME_I-ATOMNAME_J) once: "N-H or
// N-HN". exact: every spelling a kind of its own (the pairs as -aD1 and -aD2 compare them).
class CouplingKinds {
 public:
  CouplingKinds() = default;
  explicit CouplingKinds(bool exact) : exact_(exact) {}
  void add(const DInfo& d);
  int size() const { return static_cast<int>(kinds_.size()); }
  // "<name> <count>" of each kind, joined by ", ".
  std::string list() const;

 private:
  struct Kind {
    std::string key, name;
    int count = 0;
  };
  bool exact_ = false;
  std::vector<Kind> kinds_;
};

// Counts the distinct pairs among the rows k (0-based) of dTab that use(k) accepts, by their
// mapping where the calculated row has one.
int countPairs(const DTable* dTab, const std::function<bool(int)>& use);

// The couplings a fit uses (fitRow: valid calculated rows with a weight other than 0 whose measured
// D marks no coupling as missing): rows and the distinct atom pairs among them.
struct FitCouplings {
  int rows = 0;
  int pairs = 0;
};
FitCouplings fitCouplings(const DTable* dTab);

// Fewest distinct atom pairs an order matrix is fitted to: one per element.
constexpr int kMinFitPairs = 5;
// The elements of an order matrix the used couplings determine: the rank of the linear fit's
// design matrix (one row of unit-bond-vector terms per entry the fit solves for), its singular values below
// kRankTolerance of the largest counted as 0. 0 for no coupling. (fitdc.cpp)
constexpr double kRankTolerance = 1e-3;
int orderMatrixRank(const DTable* dTab);

// 0 when rows usable couplings of pairs distinct atom pairs are enough for an order matrix; else
// 1 after "korim: %d usable couplings are too few to fit an order matrix (5 or more).\n" (or,
// when rows repeat pairs, a message naming both counts) and the option at fault
// (refuseFewCouplings).
int refuseFewPairs(int rows, int pairs);

// 0 when dTab's tensor is fitted neither linearly (SVD) nor as Da, Dr and three angles
// (-nofixed), or the couplings it uses are enough distinct
// atom pairs whose bond vectors determine all five order-matrix elements; else 1 after a message
// naming the count, or how many elements the bond vectors determine.
int refuseOrderMatrixFit(const DTable* dTab);

}  // namespace korim::couplings
