// Coupling tables of the table modes: an owned table record, the residue range settled from a
// table and the REMARK line that reports the selection (couplings::selectDcTable).
#ifndef KORIM_APP_DC_SELECT_H
#define KORIM_APP_DC_SELECT_H

#include <cstdio>

#include "couplings/dc.h"
#include "couplings/dcpairs.h"
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

// The table's line on stderr, the residue range settled from it and the REMARK of the couplings
// selected, shared with the Da and R estimates.
using couplings::remarkCouplings;
using couplings::reportDcTable;
using couplings::settleDcRange;

}  // namespace korim::app

#endif  // KORIM_APP_DC_SELECT_H
