// Coupling-table conversion (-conv): XPLOR/CNS, DYANA and Rosetta restraints, the residue listing
// and korim's own table.
#include "app/convert_tab.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <memory>
#include <string>

#include "app/dc_select.h"
#include "app/text_output.h"
#include "couplings/dc.h"
#include "couplings/dcpairs.h"
#include "couplings/missingdc.h"
#include "couplings/writedc.h"
#include "foundation/appendf.h"
#include "foundation/finitetext.h"
#include "foundation/genrand.h"
#include "foundation/memory.h"
#include "foundation/polarcore.h"
#include "foundation/sort.h"

namespace korim::app {

using couplings::DInfo;
using couplings::DTable;
using foundation::appendf;
using settings::KorimInfo;

namespace {

constexpr float kListedMax = 999.0f;     // couplings at or above this (Hz) are not listed
constexpr double kNoValue = -9999.0;     // listing column without a coupling

// Normal deviates from the seeded minimal-standard generator (polar method), so that the
// noise of a conversion depends on -idum only.
struct SeededGauss {
  long seed;
  explicit SeededGauss(int idum) : seed(idum > 0 ? -static_cast<long>(idum) : idum) {
    if (seed == 0) seed = -1;
  }
  // The first coordinate's deviate of each pair; the other one is dropped.
  double next() {
    double first = 0.0;
    foundation::polarcore::normalPair<double>([this] { return foundation::ran1(&seed); }, &first);
    return first;
  }
};

bool amideH(const char* name) { return std::strcmp(name, "HN") == 0 || std::strcmp(name, "H") == 0; }

// An atom kind of the listing: "H" stands for the amide proton, named "HN" or "H".
bool kindIs(const char* kind, const char* name) {
  return std::strcmp(kind, "H") == 0 ? amideH(name) : std::strcmp(kind, name) == 0;
}

enum class ResTest { AtomI, Larger, ProtonEnd };

struct ListColumn {
  const char* a;
  const char* b;
  ResTest res;
};

// Value columns of the residue listing; the last one only with -dcHH.
constexpr ListColumn kColumns[] = {
    {"H", "N", ResTest::AtomI},  {"N", "C", ResTest::Larger},   {"H", "C", ResTest::Larger},
    {"CA", "C", ResTest::AtomI}, {"CA", "HA", ResTest::AtomI},  {"H", "CA", ResTest::Larger},
    {"H", "HA", ResTest::ProtonEnd}};

int larger(const DInfo& d) { return d.resIDI > d.resIDJ ? d.resIDI : d.resIDJ; }

// The column of a coupling's atom pair (either order), or -1; the pairs of the columns are
// distinct, so a coupling belongs to one column at most.
int columnOf(const DInfo& d, int columns) {
  for (int col = 0; col < columns; col++) {
    const ListColumn& c = kColumns[col];
    if ((kindIs(c.a, d.atomNameI) && kindIs(c.b, d.atomNameJ)) ||
        (kindIs(c.a, d.atomNameJ) && kindIs(c.b, d.atomNameI)))
      return col;
  }
  return -1;
}

// The residue a coupling is matched against in its column.
int columnResidue(const ListColumn& c, const DInfo& d) {
  switch (c.res) {
    case ResTest::AtomI: return d.resIDI;
    case ResTest::Larger: return larger(d);
    case ResTest::ProtonEnd: return amideH(d.atomNameI) ? d.resIDI : d.resIDJ;
  }
  return d.resIDI;
}

bool listed(const DInfo& d) { return d.valid != 0 && d.d < kListedMax; }
bool written(const DTable* t, int i) {
  return t->dObsList[i].valid != 0 && t->dCalcList[i].valid != 0;
}

// The converted values of the selected couplings: noise first, then the scale.
void convertValues(DTable* t, const KorimInfo* k) {
  SeededGauss noise(k->idum);
  for (int i = 0; i < t->dCount; i++) {
    DInfo& obs = t->dObsList[i];
    DInfo& calc = t->dCalcList[i];
    if (obs.valid == 0) continue;
    calc.valid = 1;
    calc.sigma = obs.sigma;
    calc.w = obs.w;
    calc.d = obs.d;
    if (couplings::missingCoupling(obs.d)) continue;  // a missing coupling stays as it is
    if (k->dcNoise) calc.d = static_cast<float>(obs.d + noise.next() * obs.sigma);
    if (k->normDc) {
      const float f = obs.w;
      calc.d *= f;
      calc.sigma *= f;
      calc.w = 1.0f;
      obs.sigma *= f;
      obs.w = 1.0f;
    }
  }
}

// The conversion knows which words of its lines are numbers: names (atoms, residues, chains,
// segments, the input file) may be any word, "inf" too. The first line whose numbers are not
// all finite is kept; such a text is no result.
struct NumberCheck {
  std::string line;

  static bool finite(std::initializer_list<double> numbers) {
    for (double v : numbers)
      if (!std::isfinite(v)) return false;
    return true;
  }
  // The line of out that starts at from, its numbers finite or not.
  void check(const std::string& out, size_t from, bool numbersFinite) {
    if (line.empty() && !numbersFinite) line = out.substr(from, out.find('\n', from) - from);
  }
};

void xplorText(const DTable* t, const char* inName, const KorimInfo* k, std::string& out, NumberCheck& num) {
  appendf(out, k->normDc ? "! Normalized dipolar couplings from %s.\n"
                         : "! Dipolar couplings from %s.\n", inName);
  if (k->dcNoise) appendf(out, "! Gaussian noise has been added.\n\n");
  for (int i = 0; i < t->dCount; i++) {
    if (!written(t, i)) continue;
    const DInfo& o = t->dObsList[i];
    const DInfo& c = t->dCalcList[i];
    appendf(out, "\nassign ( resid %3d and name OO  )\n", k->dcID);
    appendf(out, "       ( resid %3d and name Z   )\n", k->dcID);
    appendf(out, "       ( resid %3d and name X   )\n", k->dcID);
    appendf(out, "       ( resid %3d and name Y   )\n", k->dcID);
    appendf(out, "       ( resid %3d and name %s and not segid REF )\n", o.resIDI, o.atomNameI);
    const size_t from = out.size();
    appendf(out, "       ( resid %3d and name %s and not segid REF )   ", o.resIDJ, o.atomNameJ);
    appendf(out, "%.4f %.4f\n", static_cast<double>(c.d), static_cast<double>(c.sigma));
    num.check(out, from, NumberCheck::finite({c.d, c.sigma}));
  }
}

// The DYANA format holds N-H couplings only.
bool amideNH(const DInfo& o) {
  return (amideH(o.atomNameI) && std::strcmp(o.atomNameJ, "N") == 0) ||
         (amideH(o.atomNameJ) && std::strcmp(o.atomNameI, "N") == 0);
}

void dyanaText(const DTable* t, std::string& out, NumberCheck& num) {
  for (int i = 0; i < t->dCount; i++) {
    if (!written(t, i)) continue;
    const DInfo& o = t->dObsList[i];
    const DInfo& c = t->dCalcList[i];
    if (!amideNH(o)) continue;
    const size_t from = out.size();
    appendf(out, "%3d %s HN %9.2f %7.2f %5.1f\n", o.resIDI, o.resNameI, static_cast<double>(c.d),
            static_cast<double>(c.sigma), static_cast<double>(c.w));
    num.check(out, from, NumberCheck::finite({c.d, c.sigma, c.w}));
  }
}

void rosettaText(const DTable* t, const char* inName, const KorimInfo* k, std::string& out, NumberCheck& num) {
  int count = 0;
  for (int i = 0; i < t->dCount; i++) count += written(t, i) ? 1 : 0;
  appendf(out, k->normDc ? "Normalized dipolar couplings from %s.\n"
                         : "Dipolar couplings from %s.\n", inName);
  appendf(out, k->dcNoise ? "Gaussian noise has been added.\n"
                          : "No Gaussian noise has been added.\n");
  appendf(out, "comment\n%d\n", count);
  for (int i = 0; i < t->dCount; i++) {
    if (!written(t, i)) continue;
    const DInfo& o = t->dObsList[i];
    const size_t from = out.size();
    appendf(out, "%s %4d %4s %4d %4s  %10.2f\n", "a", o.resIDI, o.atomNameI, o.resIDJ,
            o.atomNameJ, static_cast<double>(t->dCalcList[i].d));
    num.check(out, from, std::isfinite(t->dCalcList[i].d));
  }
}

struct IntList {
  int* p = nullptr;
  int n = 0;
  explicit IntList(int count) : p(foundation::intAlloc("korim", count + 1)), n(count + 1) {}
  ~IntList() { foundation::unAlloc("korim", p, n * static_cast<int>(sizeof(int))); }
  IntList(const IntList&) = delete;
  IntList& operator=(const IntList&) = delete;
};

// The listing's residues: the larger residue number of every listed coupling, once each and
// ascending, with the position of the residue's first such coupling in table order. Returns
// their number.
int listedResidues(const DTable* t, int* resIds, int* index) {
  int count = 0;
  for (int i = 0; i < t->dCount; i++) {
    if (!listed(t->dObsList[i])) continue;
    resIds[count] = larger(t->dObsList[i]);
    index[count++] = i;
  }
  // The sort does not keep the table order of equal residues: each keeps its smallest position.
  foundation::iSort2(count, resIds, index);
  int n = 0;
  for (int m = 0; m < count; m++) {
    if (n > 0 && resIds[n - 1] == resIds[m]) {
      if (index[m] < index[n - 1]) index[n - 1] = index[m];
      continue;
    }
    resIds[n] = resIds[m];
    index[n++] = index[m];
  }
  return n;
}

// The couplings of each line, in table order: those of line m are members[start[m]] up to
// members[start[m + 1]]; column[i] is the value column of coupling i, -1 for none.
struct LineIndex {
  IntList column, line, start, members;
  explicit LineIndex(int count) : column(count), line(count), start(count), members(count) {}
  bool ok() const { return column.p && line.p && start.p && members.p; }
};

// Places every listed coupling of a value column on the line of its column's residue, when the
// listing has that residue.
void indexLines(const DTable* t, const int* resIds, int n, int columns, LineIndex& x) {
  for (int m = 0; m <= n; m++) x.start.p[m] = 0;
  for (int i = 0; i < t->dCount; i++) {
    const DInfo& d = t->dObsList[i];
    x.line.p[i] = -1;
    x.column.p[i] = listed(d) ? columnOf(d, columns) : -1;
    if (x.column.p[i] < 0) continue;
    const int res = columnResidue(kColumns[x.column.p[i]], d);
    const int* at = std::lower_bound(resIds, resIds + n, res);
    if (at == resIds + n || *at != res) continue;
    x.line.p[i] = static_cast<int>(at - resIds);
    x.start.p[x.line.p[i] + 1]++;
  }
  for (int m = 0; m < n; m++) x.start.p[m + 1] += x.start.p[m];
  // Filled in table order, so each line keeps the table order; start[m] ends at the start of
  // line m + 1 and is moved back afterwards.
  for (int i = 0; i < t->dCount; i++)
    if (x.line.p[i] >= 0) x.members.p[x.start.p[x.line.p[i]]++] = i;
  for (int m = n; m > 0; m--) x.start.p[m] = x.start.p[m - 1];
  x.start.p[0] = 0;
}

// The residue listing: one line per residue with a selected coupling, ascending. Returns 1 when
// the work lists cannot be had.
int listingText(const DTable* t, const KorimInfo* k, std::string& out, NumberCheck& num) {
  // One slot per coupling: a residue list never outgrows the table, whatever the range.
  IntList resIds(t->dCount);
  IntList index(t->dCount);
  LineIndex x(t->dCount);
  if (resIds.p == nullptr || index.p == nullptr || !x.ok()) {
    std::fputs("Error allocating coord buffers.\n", stderr);
    return 1;
  }
  const int n = listedResidues(t, resIds.p, index.p);
  const int columns = k->dcProton ? 7 : 6;
  indexLines(t, resIds.p, n, columns, x);
  for (int m = 0; m < n; m++) {
    const DInfo& c = t->dObsList[index.p[m]];
    const size_t from = out.size();
    bool finite = true;
    appendf(out, " %4d %4s %4s", c.resIDI, c.resNameI, c.atomNameI);
    if (!t->nullChainName) appendf(out, " %4s", c.chainNameI[0] ? c.chainNameI : "None");
    if (!t->nullSegName) appendf(out, " %4s", c.segNameI[0] ? c.segNameI : "None");
    for (int col = 0; col < columns; col++) {
      bool any = false;
      for (int j = x.start.p[m]; j < x.start.p[m + 1]; j++) {
        const int i = x.members.p[j];
        if (x.column.p[i] != col) continue;
        appendf(out, " %.3f", static_cast<double>(t->dObsList[i].d));
        finite = finite && std::isfinite(t->dObsList[i].d);
        any = true;
      }
      if (!any) appendf(out, " %8.3f", kNoValue);
    }
    appendf(out, "\n");
    num.check(out, from, finite);
  }
  return 0;
}

// A restraint names the residues of both atoms, and the residue listing lists a coupling under
// one of them: a selected row without a residue number at an end (a table without RESID_J, an
// empty cell) is left out of those formats, each named, rather than written with the table's
// placeholder number as a residue.
void leaveOutRowsWithoutResidue(DTable* t) {
  std::string rows;
  int n = 0;
  for (int i = 0; i < t->dCount; i++) {
    DInfo& o = t->dObsList[i];
    const bool noI = o.resIDI == couplings::kNoResID, noJ = o.resIDJ == couplings::kNoResID;
    if (o.valid == 0 || (!noI && !noJ)) continue;
    o.valid = 0;
    ++n;
    appendf(rows, "   row %d: holds no residue number in %s", i + 1,
            noI && noJ ? "RESID_I and RESID_J" : noI ? "RESID_I" : "RESID_J");
    // A cell given as the file's NULLVALUE: the number is missing, not the column.
    if ((o.nullCells & (couplings::kNullResIDI | couplings::kNullResIDJ)) != 0)
      appendf(rows, " (missing: the file's NULLVALUE %d)", t->nullValue);
    rows += '\n';
  }
  if (n == 0) return;
  std::fprintf(stderr, "DC Warning: %d selected couplings name no residue at an end, which a restraint needs, and "
                       "are not converted:\n%s", n, rows.c_str());
}

// Restraints and the residue listing have no mark of a missing coupling: a row whose D marks one
// (888 Hz or more) is left out of them as if the table did not hold it, after one line naming how
// many of the rows the format would write. Korim's own table keeps the mark.
void leaveOutMissingCouplings(DTable* t, int format, const char* inName) {
  struct Words {
    int format;
    const char* who;
    const char* name;  // of the restraints
  };
  static constexpr const char* kRestraint =
      " restraints have no mark of a missing coupling, and a restraint of that size would hold the structure to it; "
      "-korim keeps the mark";
  static const Words kWords[] = {
      {settings::kFormatXplor, "-conv -xplor", "XPLOR"}, {settings::kFormatCns, "-conv -cns", "CNS"},
      {settings::kFormatDyana, "-conv -dyana", "DYANA"}, {settings::kFormatRosetta, "-conv -rosetta", "Rosetta"}};
  std::string who = "the residue listing of -conv";
  std::string because = "the listing has no mark of a missing coupling; -korim keeps the mark";
  for (const Words& w : kWords)
    if (w.format == format) who = w.who, because = std::string(w.name) + kRestraint;
  const bool dyana = format == settings::kFormatDyana;
  const couplings::MissingCount n = couplings::countMissing(t, [t, dyana](int i) {
    return t->dObsList[i].valid != 0 && (!dyana || amideNH(t->dObsList[i]));
  });
  for (int i = 0; i < t->dCount; i++)
    if (couplings::missingCoupling(t->dObsList[i].d)) t->dObsList[i].valid = 0;
  couplings::tellMissing(who.c_str(), inName, n, because.c_str());
}

// The couplings the format writes: each selected one, in the DYANA format its N-H couplings, in
// the residue listing those below its placeholder value.
int usableCouplings(const DTable* t, int format) {
  int n = 0;
  for (int i = 0; i < t->dCount; i++) {
    if (format == settings::kFormatDyana)
      n += written(t, i) && amideNH(t->dObsList[i]);
    else if (format == settings::kFormatXplor || format == settings::kFormatCns ||
             format == settings::kFormatRosetta || format == settings::kFormatKorim)
      n += written(t, i);
    else
      n += listed(t->dObsList[i]);
  }
  return n;
}

}  // namespace

int convertTab(const char* inDName, const KorimInfo* korimInfo, settings::DcInfo* dcInfo,
               const char* atomNameS1, const char* atomNameS2, const char* outName) {
  OwnedDTable owned;
  DTable* t = owned.table;
  if (t == nullptr) return 1;
  int rc = readDcTable(inDName, t, "-inD");
  if (rc != 0) return rc;
  reportDcTable(inDName, t);
  settleDcRange(dcInfo, t->dMinRes, t->dMaxRes);
  const int count = couplings::selectDcTable(t, inDName, dcInfo, atomNameS1, atomNameS2);
  if (count < 0) return 1;
  const int format = korimInfo->outFormat;
  // Restraint text on the standard output stays free of the program's own remarks.
  const bool ownTable = format == settings::kFormatKorim;
  remarkCouplings(ownTable || outName[0] != '\0' ? stdout : stderr, "selected", count,
                  dcInfo->excludeMode);
  // Every format but korim's own table places a coupling by its residues (the listing by the
  // larger of the two).
  if (!ownTable) {
    leaveOutRowsWithoutResidue(t);
    leaveOutMissingCouplings(t, format, inDName);
  }
  convertValues(t, korimInfo);
  // A conversion of no coupling would leave an empty restraint file as if it were one.
  if (usableCouplings(t, format) == 0) {
    std::fprintf(stderr, "korim: 0 usable %scouplings of %s are too few to convert (1 or more).\n",
                 format == settings::kFormatDyana ? "N-H " : "", inDName);
    return 1;
  }

  std::string text;
  NumberCheck num;
  switch (format) {
    case settings::kFormatXplor:
    case settings::kFormatCns: xplorText(t, inDName, korimInfo, text, num); break;
    case settings::kFormatDyana: dyanaText(t, text, num); break;
    case settings::kFormatRosetta: rosettaText(t, inDName, korimInfo, text, num); break;
    case settings::kFormatKorim:
      rc = couplings::writeDCmod(outName, "w", t, korimInfo, "");
      if (rc != 0) std::fputs("korim: error in writeDCmod.\n", stderr);
      return rc;
    default:
      if (listingText(t, korimInfo, text, num) != 0) return 1;
      break;
  }
  if (!num.line.empty()) {
    foundation::refuseLine(num.line, outName);
    return 1;
  }
  return writeCheckedText(text, outName);
}

}  // namespace korim::app
