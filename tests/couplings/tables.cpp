// Coupling tables: reading (columns, defaults, markers, bad inputs), dipolar interaction constants,
// row selection, the atom-type filter and the agreement statistics of observed and calculated rows.
#include <gtest/gtest.h>

#include <limits>
#include <sstream>

#include "couplings/dcpairs.h"
#include "dc_test_util.h"
#include "foundation/constants.h"

using namespace korim::couplings;
using namespace dctest;

namespace {
int read(const std::string& path, DTable* t, std::string* err = nullptr) {
  dTabNull(t);
  int rc = -1;
  const std::string e = captureStderr([&] { rc = readDC(path.c_str(), t); });
  if (err != nullptr) *err = e;
  return rc;
}

DInfo row(float d, const char* atomI = "N", const char* atomJ = "H", int valid = 1, int resI = 1, int resJ = 1) {
  DInfo r;
  resetDC(&r, 1);
  r.resIDI = resI, r.resIDJ = resJ, r.d = d, r.valid = valid;
  std::snprintf(r.atomNameI, 16, "%s", atomI);
  std::snprintf(r.atomNameJ, 16, "%s", atomJ);
  return r;
}

// Observed and calculated rows side by side.
struct Pairs {
  std::vector<DInfo> obs, calc;
  void add(float dObs, float dCalc, float sigma = 1, float w = 1, int vObs = 1, int vCalc = 1) {
    obs.push_back(row(dObs, "N", "H", vObs)), calc.push_back(row(dCalc, "N", "H", vCalc));
    obs.back().sigma = sigma, calc.back().w = w;
  }
  int n() const { return static_cast<int>(obs.size()); }
};
}  // namespace

TEST(ReadDC, NoneOrEmptyNameReadsNothing) {
  DTable t;
  for (const char* name : {"", "None", "nOnE"})
    EXPECT_TRUE(read(name, &t) == 0 && t.dObsList == nullptr && t.dCount == 0) << name;
}

TEST(ReadDC, MissingOptionalColumnsTakeTheirDefaults) {
  DTable t;
  std::string err;
  ASSERT_EQ(read(testData("dc/no_optional.tab"), &t, &err), 0);
  EXPECT_EQ(err, "");
  ASSERT_EQ(t.dCount, 3);
  for (int k = 0; k < 3; ++k) {  // weights, S, force constant and error 1
    const DInfo& r = t.dObsList[k];
    EXPECT_TRUE(r.id == k + 1 && r.valid == 1 && r.count == 1 && r.absFlag == 0 && t.dCalcList[k].valid == 0) << k;
    EXPECT_TRUE(r.d == k + 1.0f && r.w == 1.0f && r.s == 1.0f && r.fc == 1.0f && r.sigma == 1.0f) << k;
  }
  // H-N and CA-HA of one residue: standard constants; CB-HB: none (no distance yet)
  EXPECT_TRUE(t.dObsList[0].diFixedFlag == 1 && std::fabs(t.dObsList[1].di - physicalDI(gC, gH, 1.107)) < 0.1);
  EXPECT_TRUE(t.dObsList[2].diFixedFlag == 0 && t.dObsList[2].di == 0.0f);
  EXPECT_TRUE(t.dMinRes == 7 && t.dMaxRes == 9 && t.nullChainName == 1 && t.nullSegName == 1);
  dTabFree(&t);
}

TEST(ReadDC, ValueColumnsTruncationNullsAndStandardConstants) {
  DTable t;
  ASSERT_EQ(read(testData("dc/values.tab"), &t), 0);
  ASSERT_EQ(t.dCount, 3);
  const DInfo* r = t.dObsList;
  // INDEX and ABS truncate toward zero
  EXPECT_TRUE(r[0].id == 3 && r[1].id == -3 && r[2].id == 12 && r[0].absFlag == 2 && r[1].absFlag == -1);
  EXPECT_TRUE(r[0].d == -4.25f && r[1].d == 9999.0f);  // the file's null marker reads as the missing coupling
  // H-N of residue 7: the DI column is overridden by the standard constant; C(6)-N(7): the
  // peptide-bond length; C(7)-N(6): no standard length, the DI column stands
  EXPECT_TRUE(r[0].diFixedFlag == 1 && r[1].diFixedFlag == 1 && r[2].diFixedFlag == 0 && r[2].di == -1234.5f);
  EXPECT_TRUE(std::fabs(r[0].di + korim::foundation::kDipolarNH) < 0.05 && std::fabs(r[1].di - physicalDI(gC, gN, 1.329)) < 0.05);
  EXPECT_TRUE(r[0].sigma == 0.5f && r[0].s == 0.9f && r[0].w == 2.0f && r[0].fc == 3.0f);
  EXPECT_EQ(std::string(r[1].resNameI) + r[1].chainNameJ, "GLYA");
  EXPECT_TRUE(t.nullChainName == 0 && t.nullSegName == 1 && t.dMinRes == 6 && t.dMaxRes == 7);
  dTabFree(&t);
}

// A plain pair counts 1 atom pair, one group expression 9, two 81; a row without residue
// numbers does not set the range.
TEST(ReadDC, AtomExpressionsAndRowsWithoutResidueNumbers) {
  DTable t;
  ASSERT_EQ(read(testData("dc/expressions.tab"), &t), 0);
  EXPECT_TRUE(t.dCount == 4 && t.maxCount == 1 + 9 + 81 + 1);
  EXPECT_EQ(std::string(t.dObsList[1].atomNameJ) + t.dObsList[2].atomNameI, "HB#HB*");
  dTabFree(&t);
  EXPECT_EQ(t.work, nullptr);
  ASSERT_EQ(read(testData("dc/one_residue_end.tab"), &t), 0);
  EXPECT_TRUE(t.dObsList[0].resIDJ == kNoResID && t.dMinRes == -3 && t.dMaxRes == 15);
  dTabFree(&t);
}

// A table of which no row can name an atom (no atom names at an end, no residue numbers at
// either) is refused, naming its missing atom columns once; one end's residue numbers suffice.
TEST(ReadDC, TablesWhoseRowsNameNoAtomAreRefused) {
  korim_test::TempDir dir;
  const struct { const char* vars; const char* row; const char* missing; } cases[] = {
      {"RESID_I ATOMNAME_I RESNAME_J D", "2 N GLN -13.2", "columns RESID_J and ATOMNAME_J"},
      {"RESID_I ATOMNAME_I RESID_J D", "2 N 2 -13.2", "column ATOMNAME_J"},
      {"ATOMNAME_I ATOMNAME_J D", "N H -13.2", "columns RESID_I and RESID_J"},
      {"D", "-13.2", "columns RESID_I, ATOMNAME_I, RESID_J and ATOMNAME_J"},
      {"ATOMNAME_I RESID_J ATOMNAME_J D", "N 2 H -13.2", nullptr},
  };
  for (const auto& c : cases) {
    std::string format;
    std::stringstream names(c.vars);
    for (std::string name; names >> name;) format += name == "D" ? " %f" : name.rfind("RESID", 0) == 0 ? " %d" : " %s";
    const std::string path =
        korim_test::writeFile(dir / "cols.tab", std::string("VARS ") + c.vars + "\nFORMAT" + format + "\n" + c.row + "\n");
    DTable t;
    std::string err;
    EXPECT_EQ(read(path, &t, &err), c.missing != nullptr ? 1 : 0) << c.vars;
    if (c.missing != nullptr)
      EXPECT_EQ(err, "DC Error: " + path + " has no " + c.missing + " (each coupling names its two atoms in RESID_I, "
                         "ATOMNAME_I, RESID_J and ATOMNAME_J).\n");
    else
      EXPECT_EQ(err, "");
    dTabFree(&t);
  }
}

TEST(ReadDC, UnknownNucleusRowIsUnusedWhereverItStands) {
  for (int bad = 0; bad < 2; ++bad) {
    DTable t;
    std::string err;
    const std::string file = testData(bad == 0 ? "dc/unknown_first.tab" : "dc/unknown_last.tab");
    EXPECT_EQ(read(file, &t, &err), 0) << bad;
    EXPECT_EQ(err, "DC Warning: row " + std::to_string(bad + 1) + " of " + file +
                       " names atom O, of no nucleus with a known ratio; the row is not used.\n");
    ASSERT_EQ(t.dCount, 2);
    EXPECT_TRUE(t.dObsList[bad].valid == 0 && t.dObsList[1 - bad].valid == 1) << bad;
    EXPECT_TRUE(selectD(t.dObsList, 2, 1, 100, 1) == 1 && t.dObsList[bad].valid == 0);  // selection keeps it out
    dTabFree(&t);
  }
  // A row whose atom names are null words names no atom at either end.
  DTable t;
  std::string err;
  const std::string nulls = testData("pdb/restraint_columns.tab");
  ASSERT_EQ(read(nulls, &t, &err), 0);
  const std::string twoEnds = "DC Warning: row 2 of " + nulls + " holds no atom name in ATOMNAME_I; the row is not used.\n" +
                              "DC Warning: row 2 of " + nulls + " holds no atom name in ATOMNAME_J; the row is not used.\n";
  EXPECT_EQ(err.substr(0, twoEnds.size()), twoEnds);  // row 3's long residue name is named after them
  EXPECT_EQ(t.dObsList[1].valid, 0);
  dTabFree(&t);
}

// A table without rows, a non-number, a short row and a coupling, error or weight that is not a
// finite number: each is named and the table refused, so no missing coupling can enter a fit as
// 0 Hz nor a row be dropped unseen. (A missing file: cli FailingRun.MessagesStatusAndNoResult.)
TEST(ReadDC, BadFilesAreRefusedWithTheirMessage) {
  const std::string empty = testData("dc/no_rows.tab"), bad = testData("dc/bad_number.tab");
  const std::string nonFinite = testData("dc/non_finite.tab");
  const std::pair<std::string, std::string> cases[] = {
      {empty, "RdTable Error: no entries in " + empty + "\n"},
      {bad, "RdTable Warning: Bad F-Item 5:\n   5    N    5    H    abc\n\n"
            "RdTable Warning: Bad F-Item 5:\n   6    N    6    H\n\n"
            "RdTable Error: 2 bad items in " + bad + "\n"},
      {nonFinite, "RdTable Warning: Bad F-Item 5:\n   5    N    5    H      nan    1.000  1.00\n\n"
                  "RdTable Warning: Bad F-Item 6:\n   6    N    6    H    3.000     -inf  1.00\n\n"
                  "RdTable Warning: Bad F-Item 7:\n   7    N    7    H    4.000    1.000   NaN\n\n"
                  "RdTable Error: 3 bad items in " + nonFinite + "\n"}};
  for (const auto& [path, want] : cases) {
    DTable t;
    std::string err;
    EXPECT_NE(read(path, &t, &err), 0) << path;
    EXPECT_NE(err.find(want), std::string::npos) << err;
    EXPECT_TRUE(t.dCount == 0 && t.dObsList == nullptr) << path;
    dTabFree(&t);
  }
}

// Each number column takes only items that are wholly one number ("-13,200" would read as -13);
// an error (DD) or a weight (W) below 0 is refused, one of 0 kept. Each row alone in a table.
TEST(ReadDC, NumbersWholeAndErrorsAndWeightsNotNegative) {
  korim_test::TempDir dir;
  const std::string head = "VARS RESID_I ATOMNAME_I RESID_J ATOMNAME_J D DI DD S W FC\n"
                           "FORMAT %4d %4s %4d %4s %8.3f %8.3f %8.3f %5.2f %5.2f %5.2f\n";
  const struct { const char* row; const char* warning; const char* refusal = nullptr; } cases[] = {
      {"2 N 2 H -13,200 0 1 1 1 1", "Bad F-Item 5:"},
      {"2 N 2 H -13.2 12abc 1 1 1 1", "Bad F-Item 6:"},
      {"2 N 2 H -13.2 0 8.2* 1 1 1", "Bad F-Item 7:"},
      {"2 N 2 H -13.2 0 1 1,0 1 1", "Bad F-Item 8:"},
      {"2 N 2 H -13.2 0 1 1 1x 1", "Bad F-Item 9:"},
      {"2 N 2 H -13.2 0 1 1 1 1.0.0", "Bad F-Item 10:"},
      // Residue numbers: whole ones within what a table holds ("8ab", "8.5", "1,5" are not 8, 8, 1;
      // "1e-400", below the smallest double, is no residue 0; 1e30 is refused with its line).
      {"8ab N 8 H -13.2 0 1 1 1 1", "Bad I-Item 1:"},
      {"8.5 N 8 H -13.2 0 1 1 1 1", "Bad I-Item 1:"},
      {"8 N 1,5 H -13.2 0 1 1 1 1", "Bad I-Item 3:"},
      {"8 N 1e30 H -13.2 0 1 1 1 1", "", "holds 1e30 in column 3 (RESID_J), beyond the whole numbers"},
      {"8 N 1e-400 H -13.2 0 1 1 1 1", "Bad I-Item 3:"},
      {"-1e-400 N 8 H -13.2 0 1 1 1 1", "Bad I-Item 1:"},
      {"2 N 2 H -13.2 0 -1 1 1 1", "Negative F-Item 7 (DD must be 0 or more):"},
      {"2 N 2 H -13.2 0 1 1 -0.5 1", "Negative F-Item 9 (W must be 0 or more):"},
  };
  for (const auto& c : cases) {
    const std::string path = korim_test::writeFile(dir / "t.tab", head + c.row + "\n");
    DTable t;
    std::string err;
    EXPECT_EQ(read(path, &t, &err), 1) << c.row;
    if (c.refusal != nullptr)
      EXPECT_EQ(err.rfind("RdTable Error: line 3 of " + path + " " + c.refusal, 0), 0u) << err;
    else
      EXPECT_EQ(err, "RdTable Warning: " + std::string(c.warning) + "\n" + c.row + "\n\nRdTable Error: 1 bad item in " +
                         path + "\n");
    dTabFree(&t);
  }
  // A whole number written with a point, and a hexadecimal coupling, are read as they say.
  const std::string path = korim_test::writeFile(dir / "t.tab", head + "2 N 2 H -13.200 0 0 1 0 1\n"
                                                                          "3.0 N 3 H 0x10 0 1 1 1 1\n");
  DTable t;
  ASSERT_EQ(read(path, &t), 0);
  EXPECT_TRUE(t.dObsList[0].d == -13.2f && t.dObsList[0].sigma == 0.0f && t.dObsList[0].w == 0.0f);
  EXPECT_TRUE(t.dObsList[1].resIDI == 3 && t.dObsList[1].d == 16.0f);
  dTabFree(&t);
  // Residue numbers and indices in columns of numbers must be finite too: nan turns into no int;
  // a residue number must be a whole int, whatever the format says (8.5 and 1e30 are none).
  for (const char* row : {"nan 2 N 2 H -13.2", "1 2 N inf H -13.2", "1 8.5 N 8 H -13.2", "1 1e30 N 8 H -13.2",
                          "1 1e-400 N 8 H -13.2"}) {
    const std::string floats = korim_test::writeFile(
        dir / "f.tab", std::string("VARS INDEX RESID_I ATOMNAME_I RESID_J ATOMNAME_J D\nFORMAT %f %f %s %f %s %f\n") +
                           row + "\n");
    std::string err;
    EXPECT_EQ(read(floats, &t, &err), 1) << row;
    const bool beyond = std::string(row).find("1e30") != std::string::npos;
    EXPECT_NE(err.find(beyond ? "beyond the whole numbers" : "RdTable Error: 1 bad item"), std::string::npos) << err;
    dTabFree(&t);
  }
  // An index beyond the int range, and the last int, which its float cell holds as 2^31, end at
  // that int.
  const std::string last = korim_test::writeFile(
      dir / "i.tab", "VARS INDEX RESID_I ATOMNAME_I RESID_J ATOMNAME_J D\nFORMAT %f %d %s %d %s %f\n"
                     "2147483647 2 N 2 H -13.2\n-1e30 3 N 3 H 4.0\n");
  ASSERT_EQ(read(last, &t), 0);
  EXPECT_TRUE(t.dObsList[0].id == 2147483647 && t.dObsList[1].id == -2147483647 - 1);
  dTabFree(&t);
}

// The standard bond length where the pair has one (and it is allowed), the structure distance
// otherwise; the constant from the physical gyromagnetic ratios.
TEST(InteractionConstant, StandardLengthOrStructureDistance) {
  struct Case { float r; int allow, resI; const char* aI; int resJ; const char* aJ; double gI, gJ, len; int fixed; };
  const Case cases[] = {{2.5f, 1, 7, "H", 7, "N", gH, gN, 1.041, 1},   {2.5f, 1, 7, "N", 7, "HN", gN, gH, 1.041, 1},
                        {2.5f, 1, 4, "HA", 4, "CA", gH, gC, 1.107, 1}, {2.5f, 1, 4, "CA", 4, "HA2", gC, gH, 1.107, 1},
                        {2.5f, 1, 4, "CA", 4, "N", gC, gN, 1.458, 1},  {2.5f, 1, 4, "C", 4, "CA", gC, gC, 1.525, 1},
                        {2.5f, 1, 6, "C", 7, "N", gC, gN, 1.329, 1},   {2.5f, 1, 6, "C", 7, "H", gC, gH, 2.085, 1},
                        {2.5f, 1, 8, "N", 7, "C", gN, gC, 1.329, 1},   {2.5f, 1, 8, "HN", 7, "C", gH, gC, 2.085, 1},
                        {1.02f, 0, 7, "H", 7, "N", gH, gN, 1.02, 0},   // standard lengths not allowed
                        {2.4f, 1, 7, "C", 6, "N", gC, gN, 2.4, 0},     // C(i)-N(i-1) has none
                        {1.8f, 1, 3, "1HB", 3, "CB", gH, gC, 1.8, 0}}; // digit first: a proton
  for (const Case& c : cases) {
    float di = 0;
    int fixed = -1;
    EXPECT_TRUE(findVariableDI(c.r, c.resI, "", c.aI, c.resJ, "", c.aJ, &di, &fixed, c.allow) == 0 && fixed == c.fixed)
        << c.aI << "-" << c.aJ;
    EXPECT_NEAR(di, physicalDI(c.gI, c.gJ, c.len), 1e-5 * std::fabs(di)) << c.aI << "-" << c.aJ;
  }
  float di = 0;
  int fixed = 0;
  findFixedDI(7, "ALA", "H", 7, "ALA", "N", &di, &fixed);  // not used by the program: one check
  EXPECT_NEAR(di, -korim::foundation::kDipolarNH, 0.05);
}

TEST(InteractionConstant, UnknownNucleiAreReportedPerEnd) {
  float di = 0;
  int fixed = 0, status = -1;
  std::string err = captureStderr([&] { status = findVariableDI(2.0f, 3, "", "ZN", 3, "", "OX", &di, &fixed, 1); });
  EXPECT_EQ(status, 1);
  EXPECT_EQ(err, "Dipolar Interaction - Unknown atom ZN.\nDipolar Interaction - Unknown atom OX.\n");
  EXPECT_NEAR(di, 3.356809e-12 / 8.0, 1e-18);  // ratio 1 for both ends
}

TEST(SelectD, ResidueRangesValueLimitsNonFiniteCouplingsAndUnknownNuclei) {
  DInfo range[3] = {row(1, "N", "H", 1, 5, 5), row(1, "N", "H", 1, 5, 6), row(1, "N", "H", 1, 4, 5)};
  EXPECT_EQ(selectD(range, 3, 5, 5, 1), 1);
  EXPECT_EQ(range[0].valid + 2 * range[1].valid + 4 * range[2].valid, 1);
  EXPECT_EQ(selectD(range, 3, 5, 5, 2), 3);
  EXPECT_TRUE(selectD(range, 3, 5, 5, 3) == 2 && range[1].valid == 0);  // the larger end decides: 5-6 fails
  EXPECT_EQ(selectD(range, 0, 5, 5, 3), 0);

  const float nan = std::numeric_limits<float>::quiet_NaN(), inf = std::numeric_limits<float>::infinity();
  DInfo rows[7] = {row(900.0f), row(900.01f), row(9999.0f), row(nan), row(-inf), row(-950.0f), row(3.0f, "N", "O")};
  const int want[7] = {1, 0, 0, 0, 0, 1, 0};
  EXPECT_EQ(selectD(rows, 7, 1, 10, 1), 2);
  for (int k = 0; k < 7; ++k) EXPECT_EQ(rows[k].valid, want[k]) << k;

  // A non-finite error or weight would make every fitted element NaN.
  DInfo bad[4] = {row(3.0f), row(3.0f), row(3.0f), row(3.0f)};
  bad[0].sigma = nan, bad[1].w = inf, bad[2].sigma = -inf, bad[3].sigma = bad[3].w = 1.0f;
  EXPECT_TRUE(selectD(bad, 4, 1, 10, 1) == 1 && bad[3].valid == 1);
}

// Names match exactly and end by end; a passing flag keeps its value, a failing one is cleared.
// "All" matches any name at its own end only; "all" is a name.
TEST(SelTypDC, EndsNamesAndFlags) {
  DInfo list[6] = {row(0, "N", "HN"),    row(0, "HN", "N"), row(0, "CA", "HA"),
                   row(0, "N", "HN", 0), row(0, "n", "HN"), row(0, "N", "H")};
  EXPECT_EQ(selTypDC(list, 6, "N", "HN"), 1);
  DInfo any[6] = {row(0, "N", "HN"),    row(0, "C", "HN"),     row(0, "HN", "C"),
                  row(0, "CA", "C", 3), row(0, "CA", "HN", 7), row(0, "all", "HN")};
  EXPECT_EQ(selTypDC(any, 6, "All", "HN"), 4);
  const int expected[2][6] = {{1, 0, 0, 0, 0, 0}, {1, 1, 0, 0, 7, 1}};
  for (int i = 0; i < 6; i++) EXPECT_TRUE(list[i].valid == expected[0][i] && any[i].valid == expected[1][i]) << i;
  EXPECT_EQ(selTypDC(any, 6, "all", "All"), 1);
  // Both "All" change nothing and count the valid ones; no list or count changes nothing.
  EXPECT_TRUE(selTypDC(list, 6, "All", "All") == 1 && selTypDC(list, 0, "X", "Y") == 0 && selTypDC(nullptr, 3, "X", "Y") == 0);
  EXPECT_EQ(list[0].valid, 1);
}

// Selected rows that the filter drops for holding the pair the other way round are counted and
// the order that selects them named; other rows and rows already unselected are not.
TEST(SelTypDC, RowsOfThePairInTheOtherOrderAreNamed) {
  const struct { const char *a, *b; int selected; std::string message; } cases[] = {
      {"H", "N", 0, "DC Warning: 2 couplings hold the pair in the other order (N at end I, H at end J) and are not "
                    "selected by -aD1 H -aD2 N; -aD1 N -aD2 H selects them.\n"},
      {"N", "H", 2, ""},
      {"All", "N", 0, "DC Warning: 2 couplings hold the pair in the other order (N at end I, any atom at end J) and "
                      "are not selected by -aD1 All -aD2 N; -aD1 N -aD2 All selects them.\n"},
      {"HA", "CA", 0, "DC Warning: 1 coupling holds the pair in the other order (CA at end I, HA at end J) and is not "
                      "selected by -aD1 HA -aD2 CA; -aD1 CA -aD2 HA selects it.\n"},
      {"C", "N", 0, ""},
  };
  for (const auto& c : cases) {
    DInfo list[4] = {row(0, "N", "H"), row(0, "N", "H"), row(0, "H", "N", 0), row(0, "CA", "HA")};
    int n = -1;
    EXPECT_EQ(captureStderr([&] { n = selTypDC(list, 4, c.a, c.b); }), c.message) << c.a << " " << c.b;
    EXPECT_EQ(n, c.selected) << c.a << " " << c.b;
  }
}

// RMS over the compared rows (weighted), chi-square with an error of 0 counted as 1; the second
// form adds raw sums. A missing or invalid observation is not counted; an invalid calculation or
// a weight of 0 is counted but not compared, a calculated D of any size is compared.
TEST(CouplingStatistics, RmsChiSquareMissingAndInvalidRows) {
  Pairs p;
  p.add(10, 11, 0.0f);
  p.add(20, 19, 0.5f);
  float rms = -1, chi2 = -1;
  int n = -1;
  EXPECT_EQ(getStatDC(p.obs.data(), p.calc.data(), p.n(), &rms, &chi2, &n), 2);
  EXPECT_TRUE(rms == 1.0f && chi2 == 5.0f && n == 2) << rms << " " << chi2;
  rms = chi2 = 0, n = 0;
  for (int k = 0; k < 2; ++k) EXPECT_EQ(getStatDC2(p.obs.data(), p.calc.data(), p.n(), &rms, &chi2, &n), 2);
  EXPECT_TRUE(rms == 4.0f && chi2 == 10.0f && n == 4) << rms << " " << chi2;  // added to what it is given

  Pairs q;
  q.add(10, 12);            // compared
  q.add(9999, 3);           // missing
  q.add(5, 6, 1, 1, 0, 1);  // observed invalid
  q.add(7, 9999, 1, 0);     // weight 0: nothing back-calculated
  q.add(8, 1, 1, 1, 1, 0);  // calculated invalid
  q.add(4, 2, 1, 3.0f);     // the weight enters the RMS only
  EXPECT_TRUE(getStatDC(q.obs.data(), q.calc.data(), q.n(), &rms, &chi2, &n) == 4 && n == 2);
  EXPECT_TRUE(std::fabs(rms - std::sqrt((4.0 + 36.0) / 2.0)) < 1e-5 && std::fabs(chi2 - 8.0) < 1e-5);
  EXPECT_TRUE(getStatDC(q.obs.data() + 4, q.calc.data() + 4, 1, &rms, &chi2, &n) == 1 && rms == 0.0f && n == 0);
  q.add(1, -1199);          // a full-order prediction
  EXPECT_TRUE(getStatDC(q.obs.data(), q.calc.data(), q.n(), &rms, &chi2, &n) == 5 && n == 3);
  EXPECT_NEAR(rms, std::sqrt((4.0 + 36.0 + 1200.0 * 1200.0) / 3.0), 1e-3);
}

// Q = sqrt(sum (o - c)^2 / sum o^2) and Pearson's r against a double-precision twin; equal
// calculated couplings give no correlation.
TEST(CouplingStatistics, QualityFactorAndPearsonCorrelation) {
  const double o[6] = {12.0, -8.5, 3.2, 15.1, -14.0, 0.7}, c[6] = {10.9, -7.7, 4.0, 13.8, -15.2, -0.5};
  Pairs p;
  double mo = 0, mc = 0, a = 0, b = 0, sab = 0, saa = 0, sbb = 0;
  for (int i = 0; i < 6; ++i) {
    p.add(float(o[i]), float(c[i]));
    mo += o[i] / 6, mc += c[i] / 6, a += (o[i] - c[i]) * (o[i] - c[i]), b += o[i] * o[i];
  }
  for (int i = 0; i < 6; ++i)
    sab += (o[i] - mo) * (c[i] - mc), saa += (o[i] - mo) * (o[i] - mo), sbb += (c[i] - mc) * (c[i] - mc);
  p.add(9999, 1);
  float q, r;
  int n;
  EXPECT_TRUE(getStatDCQR(p.obs.data(), p.calc.data(), p.n(), &q, &r, &n) == 6 && n == 6);
  EXPECT_TRUE(std::fabs(q - std::sqrt(a / b)) < 1e-6 && std::fabs(r - sab / std::sqrt(saa * sbb)) < 1e-6) << q << " " << r;
  Pairs flat;
  flat.add(1, 2);
  flat.add(3, 2);
  EXPECT_TRUE(getStatDCQR(flat.obs.data(), flat.calc.data(), 2, &q, &r, &n) == 2 && r == 0.0f);
  EXPECT_NEAR(q, std::sqrt(2.0 / 10.0), 1e-6);
}

// The one selection of every mode: a weight W that scales a D or DD inside 900 Hz beyond it is
// refused by file, row and values (and its neighbour inside the bound is not), as is a D below
// -900; a large DD of W 1 and a row the table marks as not used (999) stay as before, the latter
// counted as the bound's (the only row of the range it leaves out). A filter that
// selects none of the rows names the pairs they hold, and is refused but for a prediction.
TEST(SelectDcTable, WeightsBeyondTheBoundAndFiltersThatSelectNothing) {
  using U = DcRowUse;
  const std::string beyond = " Hz, lies beyond the 900 Hz of any coupling (the weight W scales the row's coupling D "
                             "and its error DD).\n";
  const std::string none = "korim: -aD1 n -aD2 h select none of the 3 couplings of t.tab, whose rows name the atom "
                           "pairs (ATOMNAME_I-ATOMNAME_J) N-H 2, CA-HA 1; the names are compared exactly (case and "
                           "ends as the table writes them)";
  const struct { float d, dd, w; const char *a1, *a2; U use; int selected; std::string message; } cases[] = {
      {3.19f, 1, 1e30f, "All", "All", U::kFit, -1, "korim: row 2 of t.tab has D 3.19 and W 1e+30: its coupling D*W, 3.19e+30" + beyond},
      {3.19f, 1, 283, "All", "All", U::kTable, -1, "korim: row 2 of t.tab has D 3.19 and W 283: its coupling D*W, 902.77" + beyond},
      {3.19f, 1, 282, "All", "All", U::kTable, 3, ""},
      {3.19f, 10, 100, "All", "All", U::kPrediction, -1, "korim: row 2 of t.tab has DD 10 and W 100: its error DD*W, 1000" + beyond},
      {3.19f, 1e30f, 1, "All", "All", U::kFit, 3, ""},
      {-5000, 1, 1, "All", "All", U::kFit, -1, "korim: row 2 of t.tab has D -5000 and W 1: its coupling D*W, -5000" + beyond},
      {-900, 1, 1, "All", "All", U::kFit, 3, ""},
      {999, 1, 1e30f, "All", "All", U::kFit, 2,
       "korim: the selection's bound of 900 Hz leaves out 1 row of t.tab whose D lies above it: no coupling is that "
       "large (one of 888 Hz or more marks a coupling as missing), so the run does not use it and the tables it writes "
       "do not hold it.\n"},
      {3.19f, 1, 1, "n", "h", U::kFit, -1, none + ".\n"},
      {3.19f, 1, 1, "n", "h", U::kTable, -1, none + ".\n"},
      {3.19f, 1, 1, "n", "h", U::kPrediction, 0, none + "; the prediction is made without couplings.\n"},
      {3.19f, 1, 1, "N", "H", U::kFit, 2, ""},
  };
  for (const auto& c : cases) {
    DInfo rows[3] = {row(1.0f, "N", "H", 1, 2, 2), row(c.d, "N", "H", 1, 3, 3), row(2.0f, "CA", "HA", 1, 4, 4)};
    rows[1].sigma = c.dd, rows[1].w = c.w;
    DTable t;
    dTabNull(&t);
    t.dObsList = rows, t.dCount = 3;
    const korim::settings::DcInfo dc{1, 10, 0, 0, 0, 3};
    int n = 0;
    EXPECT_EQ(captureStderr([&] { n = selectDcTable(&t, "t.tab", &dc, c.a1, c.a2, c.use); }), c.message) << c.w;
    EXPECT_EQ(n, c.selected) << c.d << " " << c.dd << " " << c.w << " " << c.a1;
  }
}

// Kinds of coupling by the atom-name pair: whichever end names which, H and HN one atom, each
// spelling named once; exact: every spelling a kind.
TEST(CouplingKinds, AtomNamePairsNotElements) {
  const DInfo rows[] = {row(0, "N", "H"), row(0, "CA", "HA"), row(0, "N", "HN"), row(0, "H", "C"),
                        row(0, "H", "N"), row(0, "C", "HN"), row(0, "N", "H")};
  CouplingKinds kinds, exact(true);
  for (const DInfo& r : rows) kinds.add(r), exact.add(r);
  EXPECT_EQ(kinds.list(), "N-H or N-HN or H-N 4, CA-HA 1, H-C or C-HN 2");
  EXPECT_EQ(exact.list(), "N-H 2, CA-HA 1, N-HN 1, H-C 1, H-N 1, C-HN 1");
}
