// Coupling-table writer: full report or short table, agreement statistics, Euler-solution block.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>
#include <string_view>

#include "couplings/dc.h"
#include "couplings/missingdc.h"
#include "foundation/finitetext.h"
#include "foundation/fixedtext.h"
#include "settings/settings.h"

namespace korim::couplings {

// Debug level of the run (-dbg; 0 off), set by the driver's option reader. Above 0 the Euler
// block adds the Saupe elements of the first Euler solution on stderr.
inline int dbgFlag = 0;

// One of the alignment media of a table that holds several (the assignment search's -dcID): its
// rows are those whose SEGNAME_I is segment, and tensor is the one fitted to them alone.
struct TableMedium {
    const char* segment = "";
    DTensor tensor{};
};

// Writes the coupling table of dTab to outDName (empty or null: standard output), opened with
// access (null: "w"); a file that cannot be opened is reported (and noted as a lost output of
// the run, see foundation/outputfile.h) and standard output is used.
// korimInfo->verbFlag selects the full report (run parameters, order matrix and its analysis,
// Euler solutions, statistics, six value columns) or the short table of predicted couplings;
// the statistics are those that compare something in the run's table (tableComparison).
// Both forms list the same rows; DATA N counts the rows within the statistics' limits, or, for
// the products and ratios of -anDc (-mul, -div), every row listed.
// The full report with Euler output stores the analysis' eigenvalues, da and dr in the tensor
// (and its x, y, z Euler solutions when no coupling entered the statistics).
// The table is formatted whole before the file is opened: one that would carry a number that is
// not finite is not written (foundation::refuseNonFinite names its line).
// With mediaCount media (two or more; dTab's tensor is the first one's), the table's statistics
// are taken over the first medium's rows, and each medium's tensor (Saupe elements, Da_HN,
// rhombicity) and statistics over its own rows follow as "DATA MEDIUM <segment> ..." records.
// Returns 0 when the table was written; 1 when the statistics could not be computed or the table
// carries a number that is not finite (nothing is written), or the Saupe analysis failed.
int writeDCmod(const char* outDName, const char* access, DTable* dTab,
               const settings::KorimInfo* korimInfo, const char* remark,
               const TableMedium* media = nullptr, int mediaCount = 0);

// Why statistics of a set of couplings are undefined: null where they are defined.
struct StatGaps {
    const char* q = nullptr;     // Q against the observed couplings (Q RDC_RMS)
    const char* qIso = nullptr;  // Q against the tensor's size (Q SAUPE)
    const char* corr = nullptr;  // Pearson correlation (CORR R)
    const char* line = nullptr;  // straight line of calculated on observed (REGRESSION OFFSET, SLOPE)
    const char* zeb = nullptr;   // mean slope of both regressions (REGRESSION ZEB SLOPE)
    StatsExits leftOut;          // listed rows left out (D back-calculated), by reason
    int overLimit = 0;           // listed rows left out (D a table's value): D_OBS or D 888 Hz or more
};

// What the D column of a table holds: a coupling back-calculated from a tensor (its statistics
// keep the rows statsExit keeps, whatever the size of D), or a table's value (-anDc, -conv: the
// rows whose D_OBS or D is 888 Hz or more are left out of its count).
enum class DColumn { kBackCalculated, kTableValue };

// Agreement of observed and calculated couplings over the rows where both are valid and that the
// statistics keep (column kBackCalculated: statsExit; kTableValue: both couplings below 888 Hz): RMS (rSumD2), chi-square (pSumD), standard deviation, Q factors (qD against the RMS of
// the observed couplings, qIsoD = RMS / sqrt(2 Da^2 (4 + 3 R^2) / 5) with the Da and R of the
// tensor's Saupe elements, the tensor the table prints, whatever its da and dr hold, Da in Hz of
// the row of the largest |di|; no weight scales the tensor, so Q follows the printed RMS), Pearson
// correlation, straight-line fit of calculated on observed with its errors, and the mean slope of
// both regressions (aveSlope). Couplings are weighted by the calculated row's w. Regression and
// correlation need at least three couplings and some spread, otherwise they stay 0. Returns 0, or
// 1 with "Error allocating temporary buffers." when the work arrays cannot be allocated.
// With gaps given, the statistics that are undefined over the pairs (see correlationGap, and a
// Q whose divisor is 0: observed couplings all 0, a zero tensor) are named there; their values
// stay 0; and so are the rows left out (leftOut by reason, or overLimit).
int getStatDCmod(const DTable* dTab, float* rSumD2, float* pSumD, float* stdDevD, float* qD,
                 float* qIsoD, float* coorR, float* offset, float* errOffset, float* slope,
                 float* errSlope, float* aveSlope, float* errAveSlope, int* nD,
                 StatGaps* gaps = nullptr, DColumn column = DColumn::kBackCalculated);

// Why the Pearson correlation of the pairs (x[i], y[i]), i = 1..n, is undefined, or null: it
// needs three pairs or more, and spread in both sets (x measured, y calculated).
const char* correlationGap(const float* x, const float* y, int n);

// Why a regression over the same pairs is undefined, or null: it needs three pairs or more and
// spread in x (the measured couplings); the mean slope of both regressions (both) in y too.
const char* regressionGap(const float* x, const float* y, int n, bool both);

// The line that stands for a statistic left out: "REMARK No <name>: <why>.\n".
std::string gapRemark(const char* name, const char* why);

// Why a quality factor is undefined over measured couplings all 0, and over a zero tensor. Q SAUPE
// divides by the tensor's size, but over measured couplings all 0 it judges a tensor fitted to
// nothing (the mean of fits to their noise, say): that reason comes first.
inline constexpr const char* kQGapObserved = "the measured couplings are all 0 (Q divides by their size)";
inline constexpr const char* kQGapObservedTensor =
    "the measured couplings are all 0 (they show no alignment for Q to judge a tensor by)";
inline constexpr const char* kQGapTensor = "the tensor is zero (Q divides by its size)";

// What the statistics of a table compare in the run of korimInfo. In a table whose D is no
// coupling back-calculated from a fitted or predicted tensor (the estimates of Da and R without
// a structure, a conversion, the arithmetic on two tables) they would compare the couplings with
// themselves, or with what was made from them: none is written, one remark says why and what D
// holds (none, with -anDc's combination and its factors); -daMl -mapMl writes the centre of the
// range of couplings its answer allows each one: only RMS and Chi2 are written, after a remark
// saying what D holds (dHolds) and before one naming the statistics left out (rest). All empty
// or null: every statistic is written.
struct TableComparison {
    std::string none;
    const char* dHolds = nullptr;
    const char* rest = nullptr;
};
TableComparison tableComparison(const settings::KorimInfo* korimInfo);

// Reduced forms of getStatDCmod over the same pairs, each starting from zero: the RMS deviation
// (rSumD2), the quality factor against the RMS coupling of the tensor's Saupe elements (qIsoD) and the
// pair count; the C form adds chi-square (pSumD) and the Pearson correlation (coorR). Returns 0,
// or 1 with "Error allocating temporary buffers." (results 0) when work arrays cannot be had.
int getStatDCmodB(const DTable* dTab, float* rSumD2, float* qIsoD, int* nD);
int getStatDCmodC(const DTable* dTab, float* rSumD2, float* pSumD, float* qIsoD, float* coorR,
                  int* nD);

// The Euler block of a tensor: x, y, z Euler solutions, Da, Dr, Aa, Ar, Da scaled to an N-H
// coupling and the rhombicity. Returns 0.
int reportEuler(FILE* outUnit, const DTensor* dTensor);

// The tensor-mode records of the full report (modes 1 to 5; nothing for the others). Returns 0.
int reportTensorMode(FILE* outUnit, const DTensor* dTensor);

// The output stream of a coupling table: standard output for an empty or null name, else the
// file opened with access (null: "w"); a file that cannot be opened is reported ("DC Error
// opening output file <name>: <reason>"), noted as a lost output of the run, and standard output
// is used.
FILE* openDcOutput(const char* outDName, const char* access);
// Closes the stream unless it is standard output (which is flushed). Returns 0, or 1 with
// "DC Error writing output file <name>: <reason>" when the table did not reach it; a file this
// run wrote from its start is then removed (foundation::removeOutput).
int closeDcOutput(FILE* out, const char* outDName);

// A coupling table formatted whole in memory before it is written: dcTextReady is false after
// "DC Error no memory for output file <name>" when text has no stream; writeDcText writes the
// finished text as openDcOutput and closeDcOutput do, unless it carries a number that is not
// finite (foundation::refuseNonFinite; nothing is written). Returns 0, or 1.
bool dcTextReady(const foundation::MemoryText& text, const char* outDName);
int writeDcText(std::string_view text, const char* outDName, const char* access);

// Atom columns of a coupling table, both ends: the VARS names (after "VARS   "), the FORMAT
// formats (after "FORMAT ") and one row's values from its observed row. Chain and segment
// columns appear only when the table names them; empty names are written as "None".
void writeDcAtomVars(FILE* out, const DTable* dTab);
void writeDcAtomFormat(FILE* out, const DTable* dTab);
void writeDcAtomColumns(FILE* out, const DTable* dTab, const DInfo& obs);

// Room for one row of a coupling table: ten names and six numbers of the widest text.
constexpr std::size_t kDcRowRoom = 16 * foundation::kFixedRoom;

// The same columns as writeDcAtomColumns at p (room kDcRowRoom); returns the end.
char* putDcAtomColumns(char* p, const DTable* dTab, const DInfo& obs);

// Observed minus calculated coupling of a table whose D is a table's value, Hz; 9999 when either
// is 999 Hz or more. (A table of back-calculated couplings: statsDifference.)
float dcDifference(const DInfo& obs, const DInfo& calc);

// Clears the writer's own Euler lists (tests).
void writeDCReset();

}  // namespace korim::couplings
