// Coupling arithmetic (-anDc): two coupling tables paired atom by atom and combined value by value.
#ifndef KORIM_APP_ANALYZE_DC_H
#define KORIM_APP_ANALYZE_DC_H

#include "couplings/dc.h"
#include "settings/settings.h"

namespace korim::app {

// The arithmetic of opCode (kOpAdd ... kOpMax) on two values: c1*x + c2*y, c1*x - c2*y,
// (c1*x) * (c2*y), (c1*x) / (c2*y), and for kOpMax c1*x when x >= y (unscaled), else c2*y;
// 0 for any other code.
double addDC(int opCode, double c1, double c2, double d1, double d2);

// Combines every coupling i of dTab1 below 999 Hz with its partner in dTab2 (same residue numbers
// and all eight names; only selected rows of dTab2 are partners, the last one wins):
// dCalcList[i].d gets the result, valid only when i is selected. A coupling without a partner,
// or whose result is not a finite number (a division by zero or a value beyond single precision,
// reported on stderr), is left out of both lists; the selected ones whose rows in dTab2 are all
// unselected are named on stderr. Where either coupling marks a missing one (888 Hz or more,
// couplings::missingCoupling), the result is that mark, dTab1's first.
// Couplings of 999 Hz or more keep their flags. dTab2 is only read. Returns the number of
// selected couplings that were combined.
int adjustDC(int opCode, float c1, float c2, couplings::DTable* dTab1,
             const couplings::DTable* dTab2);

// 0 unless the operation gives couplings (kOpAdd, kOpSub, kOpMax) and a combined row of dTab
// (read from name) has D or D*W beyond kDcUsableMax; then 1 after naming the row, the operation,
// its coefficients and the bound on stderr. Products and ratios (kOpMul, kOpDiv) are no couplings.
int refuseCombinedBeyondBound(const couplings::DTable* dTab, const char* name,
                              const settings::KorimInfo* korimInfo);

// The whole mode: reads both tables, selects the rows of each by range and atom types
// (couplings::selectDcTable), combines and writes the first table with the results (outName
// empty: stdout). Returns 0, 1 when a table record cannot be had, a selection or a combined
// coupling is refused, no usable coupling is left to write (after a message) or the table cannot
// be written, else the reader's status.
int analyzeDC(const char* inD1Name, const char* inD2Name, const settings::KorimInfo* korimInfo,
              settings::DcInfo* dcInfo, const char* atomNameS1, const char* atomNameS2,
              const char* outName);

}  // namespace korim::app

#endif  // KORIM_APP_ANALYZE_DC_H
