// Coupling arithmetic (-anDc): pairing of two coupling tables and the combined table.
#include "app/analyze_dc.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "app/dc_select.h"
#include "couplings/dcpairs.h"
#include "couplings/missingdc.h"
#include "couplings/writedc.h"

namespace korim::app {

using couplings::DInfo;
using couplings::DTable;

namespace {

constexpr float kDcCombineMax = 999.0f;  // couplings at or above this (Hz) are not combined

// The warning that names the selected rows of -inD1 whose partners -inD2's selection left out.
constexpr const char* kUnusedPartnerHeading =
    "DC Warning: %d couplings of -inD1 pair only with rows of -inD2 that are not used (a missing or "
    "unusable coupling, or a row left out by the selection) and are left out:\n";

bool sameAtoms(const DInfo& a, const DInfo& b) {
  return a.resIDI == b.resIDI && a.resIDJ == b.resIDJ &&
         std::strcmp(a.resNameI, b.resNameI) == 0 && std::strcmp(a.resNameJ, b.resNameJ) == 0 &&
         std::strcmp(a.atomNameI, b.atomNameI) == 0 &&
         std::strcmp(a.atomNameJ, b.atomNameJ) == 0 &&
         std::strcmp(a.chainNameI, b.chainNameI) == 0 &&
         std::strcmp(a.chainNameJ, b.chainNameJ) == 0 &&
         std::strcmp(a.segNameI, b.segNameI) == 0 && std::strcmp(a.segNameJ, b.segNameJ) == 0;
}

// The word of a combining operation.
const char* opWord(int opCode) {
  return opCode == settings::kOpAdd ? "-add" : opCode == settings::kOpSub ? "-sub" : "-max";
}

void leaveOut(DTable* t, int i) {
  t->dObsList[i].valid = 0;
  t->dCalcList[i].valid = 0;
}

}  // namespace

double addDC(int opCode, double c1, double c2, double d1, double d2) {
  switch (opCode) {
    case settings::kOpAdd: return c1 * d1 + c2 * d2;
    case settings::kOpSub: return c1 * d1 - c2 * d2;
    case settings::kOpMul: return (c1 * d1) * (c2 * d2);
    case settings::kOpDiv: return (c1 * d1) / (c2 * d2);
    case settings::kOpMax: return d1 >= d2 ? c1 * d1 : c2 * d2;
    default: return 0.0;
  }
}

int adjustDC(int opCode, float c1, float c2, DTable* dTab1, const DTable* dTab2) {
  if (dTab1 == nullptr || dTab2 == nullptr || dTab1->dCount == 0 || dTab2->dCount == 0 ||
      dTab1->dObsList == nullptr || dTab2->dObsList == nullptr)
    return 0;
  int count = 0;
  std::string unused;  // selected rows whose partners are all left out of -inD2
  int unusedCount = 0;
  for (int i = 0; i < dTab1->dCount; i++) {
    const DInfo& x = dTab1->dObsList[i];
    if (!(x.d < kDcCombineMax)) continue;
    const DInfo* partner = nullptr;
    int partnerRow = 0;
    for (int j = 0; j < dTab2->dCount; j++) {
      const DInfo& y = dTab2->dObsList[j];
      if (!sameAtoms(x, y)) continue;
      if (partnerRow == 0) partnerRow = j + 1;
      if (y.valid != 0) partner = &y;
    }
    if (partner == nullptr) {
      if (partnerRow > 0 && x.valid != 0) {
        ++unusedCount;
        unused += "   row " + std::to_string(i + 1) + ": " + std::to_string(x.resIDI) + ' ' + x.atomNameI +
                  " - " + std::to_string(x.resIDJ) + ' ' + x.atomNameJ + " (row " + std::to_string(partnerRow) +
                  " of -inD2)\n";
      }
      leaveOut(dTab1, i);
      continue;
    }
    DInfo& out = dTab1->dCalcList[i];
    // A missing coupling combines into none: the row keeps the mark (so -c1 -1 makes no -888).
    if (couplings::missingCoupling(x.d) || couplings::missingCoupling(partner->d)) {
      out.d = couplings::missingCoupling(x.d) ? x.d : partner->d;
      out.valid = x.valid != 0 ? 1 : 0;
      if (x.valid != 0) count++;
      continue;
    }
    const float d = static_cast<float>(addDC(opCode, c1, c2, x.d, partner->d));
    if (!std::isfinite(d)) {
      std::fprintf(stderr,
                   "korim: the combination of the coupling %d %s - %d %s is not a number "
                   "(%s); the coupling is left out.\n",
                   x.resIDI, x.atomNameI, x.resIDJ, x.atomNameJ,
                   opCode == settings::kOpDiv && static_cast<double>(c2) * partner->d == 0.0
                       ? "division by zero?"
                       : "beyond single precision");
      leaveOut(dTab1, i);
      continue;
    }
    out.d = d;
    out.valid = x.valid != 0 ? 1 : 0;
    if (x.valid != 0) count++;
  }
  if (unusedCount > 0) {
    std::fprintf(stderr, kUnusedPartnerHeading, unusedCount);
    std::fputs(unused.c_str(), stderr);
  }
  return count;
}

int refuseCombinedBeyondBound(const DTable* dTab, const char* name, const settings::KorimInfo* k) {
  if (k->opCode != settings::kOpAdd && k->opCode != settings::kOpSub && k->opCode != settings::kOpMax) return 0;
  for (int i = 0; i < dTab->dCount; i++) {
    const DInfo& x = dTab->dObsList[i];
    const DInfo& c = dTab->dCalcList[i];
    if (x.valid == 0 || c.valid == 0) continue;
    const double dw = static_cast<double>(c.d) * x.w;
    if (std::fabs(c.d) <= couplings::kDcUsableMax && std::fabs(dw) <= couplings::kDcUsableMax) continue;
    std::fprintf(stderr,
                 "korim: row %d of %s (-inD1), D %g and W %g, combines (%s -c1 %g -c2 %g) into the coupling D "
                 "%g Hz, D*W %g Hz, beyond the %g Hz of any coupling; no table is written.\n",
                 i + 1, name, x.d, x.w, opWord(k->opCode), k->c1, k->c2, c.d, dw, couplings::kDcUsableMax);
    return 1;
  }
  return 0;
}

int analyzeDC(const char* inD1Name, const char* inD2Name, const settings::KorimInfo* korimInfo,
              settings::DcInfo* dcInfo, const char* atomNameS1, const char* atomNameS2,
              const char* outName) {
  OwnedDTable first;
  OwnedDTable second;
  if (first.table == nullptr || second.table == nullptr) return 1;
  int rc = readDcTable(inD1Name, first.table, "-inD1");
  if (rc == 0) rc = readDcTable(inD2Name, second.table, "-inD2");
  if (rc != 0) return rc;
  reportDcTable(inD1Name, first.table);
  reportDcTable(inD2Name, second.table);

  settleDcRange(dcInfo, first.table->dMinRes, first.table->dMaxRes);
  const int selected = couplings::selectDcTable(first.table, inD1Name, dcInfo, atomNameS1, atomNameS2);
  if (selected < 0) return 1;
  // The second table's rows go through the same selection: a row at the missing value, beyond
  // the bound or of one atom is no partner.
  if (couplings::selectDcTable(second.table, inD2Name, dcInfo, atomNameS1, atomNameS2) < 0) return 1;
  remarkCouplings(stdout, "selected", selected, dcInfo->excludeMode);
  const int combined =
      adjustDC(korimInfo->opCode, korimInfo->c1, korimInfo->c2, first.table, second.table);
  if (refuseCombinedBeyondBound(first.table, inD1Name, korimInfo) != 0) return 1;
  remarkCouplings(stdout, "combined", combined, dcInfo->excludeMode);
  // A table of no coupling would pass for a result, as an empty conversion would.
  int rows = 0;
  for (int i = 0; i < first.table->dCount; i++)
    rows += first.table->dObsList[i].valid != 0 && first.table->dCalcList[i].valid != 0 ? 1 : 0;
  if (rows == 0) {
    std::fprintf(stderr,
                 "korim: 0 usable couplings of %s (-inD1) combine with a usable coupling of the "
                 "same atoms in %s (-inD2) into a finite value: there is no table to write (1 or "
                 "more).\n",
                 inD1Name, inD2Name);
    return 1;
  }

  rc = couplings::writeDCmod(outName, "w", first.table, korimInfo, "");
  if (rc != 0) std::fputs("korim: error in writeDCmod.\n", stderr);
  return rc;
}

}  // namespace korim::app
