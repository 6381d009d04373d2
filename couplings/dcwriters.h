// Short coupling-table writers: the compact table with statistics and tensor records (writeDC)
// and the short table of valid calculated rows (writeDcTq).
#pragma once

#include "couplings/dc.h"

namespace korim::couplings {

// Writes dTab to outDName (empty or null: standard output; a file that cannot be opened is
// reported and standard output is used): statistics (N, RMS, chi-square, Q, R), the tensor-mode
// record, the Saupe elements, the Euler block, then every row. verbose non-zero adds observed
// couplings and differences; a difference is 9999 when either row is invalid or either coupling
// is 999 Hz or more. Returns 0 (also with nothing to write: null table, no rows, a missing
// list), or 1 when the table did not reach its file or carries a number that is not finite
// (nothing is written then, see writeDcText).
int writeDC(const char* outDName, DTable* dTab, const char* remark, int verbose);

// Writes the short table of dTab to outDName opened with access (null: "w"): statistics,
// tensor-mode record, Saupe elements, Euler block, then one row per valid calculated row.
// Writes nothing (and creates no file) for a null table, no rows or a missing list. Returns 0,
// or 1 when the table did not reach its file or carries a number that is not finite.
int writeDcTq(const char* outDName, const char* access, DTable* dTab, const char* remark,
              int verbose);

}  // namespace korim::couplings
