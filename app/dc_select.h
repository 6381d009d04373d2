// Coupling tables of the table modes: an owned table record, the residue range settled from a
// table and the REMARK line that reports the selection (couplings::selectDcTable).
#ifndef KORIM_APP_DC_SELECT_H
#define KORIM_APP_DC_SELECT_H

#include <cstdio>

#include "couplings/dc.h"
#include "settings/settings.h"

namespace korim::app {

// A coupling-table record of the tagged allocator (tag "korim") with its defaults; its lists are
// released and the record's release accounted when it goes out of scope. table is null when the
// record could not be had ("Error allocating DC structures." on stderr).
struct OwnedDTable {
  couplings::DTable* table = nullptr;
  OwnedDTable();
  ~OwnedDTable();
  OwnedDTable(const OwnedDTable&) = delete;
  OwnedDTable& operator=(const OwnedDTable&) = delete;
};

// readDC of name into dTab; on failure "Error reading DC input <name>" on stderr. An empty name
// (option not given) is refused naming the option. Returns the reader's status.
int readDcTable(const char* name, couplings::DTable* dTab, const char* option);

// "<name>, <n> Couplings, Residues <min> to <max>." on stderr.
void reportDcTable(const char* name, const couplings::DTable* dTab);

// segFirst and segLast not given (below kNoRangeLimit) take the table's residue range; a
// reversed range is swapped. The settled values stay in dc.
void settleDcRange(settings::DcInfo* dc, int dMinRes, int dMaxRes);

// "REMARK <count> couplings <what> (inclusive max)." on the stream: "exclusive" for
// excludeMode 1, else "inclusive"; " max" for excludeMode 3.
void remarkCouplings(std::FILE* to, const char* what, int count, int excludeMode);

}  // namespace korim::app

#endif  // KORIM_APP_DC_SELECT_H
