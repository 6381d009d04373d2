// Coupling tables of the table modes: owned record, range settling and the selection's report.
#include "app/dc_select.h"

#include <cstdio>
#include <cstring>

#include "couplings/dc.h"
#include "foundation/memory.h"

namespace korim::app {

using couplings::DTable;

OwnedDTable::OwnedDTable() {
  table = static_cast<DTable*>(foundation::voidMalloc("korim", sizeof(DTable)));
  if (table == nullptr) {
    std::fputs("Error allocating DC structures.\n", stderr);
    return;
  }
  std::memset(static_cast<void*>(table), 0, sizeof(DTable));
  couplings::dTabNull(table);
}

OwnedDTable::~OwnedDTable() {
  if (table == nullptr) return;
  couplings::dTabFree(table);
  foundation::unAlloc("korim", table, sizeof(DTable));
}

int readDcTable(const char* name, DTable* dTab, const char* option) {
  // The reader takes an empty name for an empty table; these modes have nothing to work on then.
  if (name[0] == '\0') {
    std::fprintf(stderr, "korim: no coupling table given (%s).\n", option);
    return 1;
  }
  const int rc = couplings::readDC(name, dTab);
  if (rc != 0) std::fprintf(stderr, "Error reading DC input %s\n", name);
  return rc;
}

}  // namespace korim::app
