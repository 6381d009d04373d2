// Couplings marked as missing (a D of 888 Hz or more) where a run writes or counts couplings:
// restraint files and the residue listing of -conv, the residues -daFlex draws from, the fit's rank,
// the rows -jack draws from and the spread -mcStruc aims at; and the rows beyond the selection's
// 900-Hz bound, counted once. Each run is compared with the run on the table without those rows.
#include <cmath>
#include <cstdio>

#include "tests/cli/cli_util.h"
#include "tests/cli/marked_tables.h"

using namespace korim_cli;
using namespace korim_test;

namespace {

constexpr size_t npos = std::string::npos;

// The line that says how many selected couplings a computation leaves out as missing, without its
// end.
std::string leavesOut(const std::string& who, int missing, int rows, const std::string& name) {
  return "korim: " + who + " leaves out " + std::to_string(missing) + " of the " + std::to_string(rows) +
         " selected couplings of " + name +
         ", whose D is 888 Hz or more (a D that high marks a coupling as missing; one of -888 Hz or less counts)";
}

// The D of the rows of residues 2 and 3 of a written table, in table order.
std::vector<double> marks(const std::string& file, const char* column) {
  const Table t = readTable(file);
  const std::vector<double> res = t.numbers("RESID_I"), d = t.numbers(column);
  std::vector<double> m;
  for (size_t i = 0; i < res.size(); i++)
    if (res[i] == 2 || res[i] == 3) m.push_back(d[i]);
  return m;
}

}  // namespace

// Restraint files and the residue listing have no mark of a missing coupling: each format writes
// the marked table byte for byte as the table without the marked rows (with noise and scaling too),
// after one line naming how many and why; the Rosetta count line counts the restraints that follow.
// The advice followed, -korim keeps the mark. A table of marked rows alone has nothing to convert.
TEST(MissingCouplings, ConversionWritesRestraintsAsTheTableWithoutThem) {
  TempDir d, m, c;
  const MarkedTables t(d, kCouplings);
  // One name in two folders: the headers name the input.
  writeFile(m / "t.tab", readFile(t.marked));
  writeFile(c / "t.tab", readFile(t.cut));
  const std::string restraint =
      " restraints have no mark of a missing coupling, and a restraint of that size would hold the structure to "
      "it; -korim keeps the mark.\n";
  const std::string listing =
      "the listing has no mark of a missing coupling; -korim keeps the mark.\n";
  const struct {
    std::vector<std::string> args;
    std::string who, because;
  } formats[] = {
      {{"-xplor"}, "-conv -xplor", "XPLOR" + restraint},
      {{"-xplor", "-scale"}, "-conv -xplor", "XPLOR" + restraint},
      {{"-cns"}, "-conv -cns", "CNS" + restraint},
      {{"-dyana"}, "-conv -dyana", "DYANA" + restraint},
      {{"-rosetta"}, "-conv -rosetta", "Rosetta" + restraint},
      {{"-rosetta", "-dcNoise", "-idum", "-3"}, "-conv -rosetta", "Rosetta" + restraint},
      {{}, "the residue listing of -conv", listing},
      {{"-tbl", "-dcHH"}, "the residue listing of -conv", listing},
  };
  for (const auto& f : formats) {
    const std::vector<std::string> args = plus(plus({"-conv"}, f.args), {"-inD", "t.tab", "-outD", "o.txt"});
    const RunResult r = runKorim(args, m), cut = runKorim(args, c);
    std::string what = "-conv";
    for (const std::string& a : f.args) what += " " + a;
    ASSERT_TRUE(r.status == 0 && cut.status == 0) << what << "\n" << r.err << cut.err;
    const std::string text = readFile(m / "o.txt");
    EXPECT_EQ(text, readFile(c / "o.txt")) << what;
    EXPECT_NE(r.err.find(leavesOut(f.who, 2, 63, "t.tab") + ": " + f.because), npos) << what << "\n" << r.err;
    EXPECT_EQ(cut.err.find("leaves out"), npos) << what;
    if (f.args.empty() || f.args[0] != "-rosetta") continue;
    const std::vector<std::string> l = lines(text);
    int restraints = 0;
    for (const std::string& x : l) restraints += x.rfind("a ", 0) == 0 ? 1 : 0;
    ASSERT_GT(l.size(), 3u);
    EXPECT_EQ(std::stoi(l[3]), restraints) << what;
    EXPECT_EQ(restraints, 61) << what;
  }
  // The advice followed: korim's own table keeps the marks, read and converted.
  const RunResult own = runKorim({"-conv", "-korim", "-inD", "t.tab", "-outD", "o.tab"}, m);
  ASSERT_EQ(own.status, 0) << own.err;
  EXPECT_EQ(own.err.find("korim: -conv"), npos) << own.err;
  EXPECT_EQ(marks(m / "o.tab", "D"), (std::vector<double>{888.0, 890.5}));
  EXPECT_EQ(marks(m / "o.tab", "D_OBS"), (std::vector<double>{888.0, 890.5}));

  const MarkedTables all(d, kCouplings, [](int) { return true; });
  const RunResult none = runKorim({"-conv", "-xplor", "-inD", all.marked, "-outD", "none.tbl"}, d);
  EXPECT_EQ(none.status, 1);
  EXPECT_TRUE(inOrder(none.err, {leavesOut("-conv -xplor", 63, 63, all.marked),
                                 "korim: 0 usable couplings of " + all.marked + " are too few to convert (1 or more).\n"}))
      << none.err;
  EXPECT_FALSE(fileExists(d / "none.tbl"));
}

// -daFlex draws its residue subsets from the range of the rows it uses: with residues 2 and 3
// marked, its scores and its colour map are those of the table without them, byte for byte (the
// table's own range, 2 to 71, drew other subsets).
TEST(MissingCouplings, DaFlexDrawsFromTheResiduesOfTheRowsItUses) {
  TempDir d;
  const MarkedTables t(d, kCouplings);
  for (const auto& [table, name] : {std::pair{t.marked, "m"}, {t.cut, "c"}}) {
    const std::string n = name;
    const RunResult r = runKorim({"-daFlex", "-nRun", "200", "-inD", table, "-outD", n + ".tab", "-outSc", n + ".sc",
                                  "-outCol", n + ".col"},
                                 d);
    ASSERT_EQ(r.status, 0) << r.err;
  }
  EXPECT_EQ(readFile(d / "m.sc"), readFile(d / "c.sc"));
  EXPECT_EQ(readFile(d / "m.col"), readFile(d / "c.col"));
  EXPECT_EQ(dataRecords(d / "m.tab"), dataRecords(d / "c.tab"));
}

// The fit's rank counts the rows it fits: six N-H bonds in the xy plane fix three order-matrix
// elements (x^2 - y^2, xy and the z element they share), and two marked rows whose bonds leave the
// plane do not make them five. Refused as the table without them is.
TEST(MissingCouplings, TheRankOfTheFitCountsTheRowsItFits) {
  TempDir d;
  std::string pdb, marked, cut;
  const std::string head = "VARS RESID_I RESNAME_I ATOMNAME_I RESID_J RESNAME_J ATOMNAME_J D DD W\n"
                           "FORMAT %4d %4s %4s %4d %4s %4s %9.3f %9.3f %.2f\n\n";
  for (int i = 1; i <= 8; ++i) {
    const double t = (i - 1) * M_PI / 6.0;  // 30 degrees apart in the plane
    // Residue 7 along z, residue 8 halfway between x and z.
    const double dx = i <= 6 ? std::cos(t) : i == 7 ? 0.0 : std::sqrt(0.5);
    const double dy = i <= 6 ? std::sin(t) : 0.0;
    const double dz = i <= 6 ? 0.0 : i == 7 ? 1.0 : std::sqrt(0.5);
    char line[200];
    std::snprintf(line, sizeof line,
                  "ATOM  %5d  N   ALA A%4d    %8.3f%8.3f%8.3f  1.00  0.00\n"
                  "ATOM  %5d  H   ALA A%4d    %8.3f%8.3f%8.3f  1.00  0.00\n",
                  2 * i - 1, i, 4.0 * i, 0.0, 0.0, 2 * i, i, 4.0 * i + 1.02 * dx, 1.02 * dy, 1.02 * dz);
    pdb += line;
    std::snprintf(line, sizeof line, "%5d  ALA    N %4d  ALA    H %9.3f %9.3f %.2f\n", i, i,
                  i <= 6 ? 3.0 * i - 10.0 : 888.0, 1.0, 1.0);
    marked += line;
    if (i <= 6) cut += line;
  }
  writeFile(d / "plane.pdb", pdb + "END\n");
  const std::string rank = "korim: the bond vectors of the 6 distinct atom pairs determine 3 of the 5 order-matrix "
                           "elements (singular values of the fit below 0.001 of the largest count as 0): no order "
                           "matrix can be fitted to them.\n";
  for (const auto& [rows, name] : {std::pair{marked, "marked.tab"}, {cut, "cut.tab"}}) {
    writeFile(d / name, head + rows);
    const RunResult r = runKorim({"-bestFit", "-pdb", "plane.pdb", "-inD", name, "-outD", "out.tab"}, d);
    EXPECT_EQ(r.status, 1) << name << "\n" << r.err;
    EXPECT_NE(r.err.find(rank), npos) << name << "\n" << r.err;
    EXPECT_FALSE(fileExists(d / "out.tab")) << name;
  }
}

// -jack draws its subsets from the rows it fits: subsets of 61 keep every one of the 61 measured
// couplings and are refused, as on the table without the marked rows; subsets of 60 answer as
// there.
TEST(MissingCouplings, JackknifeCountsTheRowsItFits) {
  TempDir d;
  const MarkedTables t(d, kCouplings);
  const auto run = [&](const std::string& table, const char* keep, const std::string& out) {
    return runKorim({"-bestFit", "-jack", "-map", "20", "-nDfixed", "-dFrac", keep, "-pdb", kPdb, "-inD", table,
                     "-outD", out},
                    d);
  };
  for (const std::string& table : {t.marked, t.cut}) {
    const RunResult r = run(table, "61", "all.tab");
    EXPECT_EQ(r.status, 1) << table;
    EXPECT_NE(r.err.find("KORIM Error: jackknife subsets of 61 of 61 couplings keep every coupling"), npos)
        << table << "\n" << r.err;
  }
  ASSERT_EQ(run(t.marked, "60", "m.tab").status, 0);
  ASSERT_EQ(run(t.cut, "60", "c.tab").status, 0);
  EXPECT_EQ(dataRecords(d / "m.tab"), dataRecords(d / "c.tab"));
}

// -mcStruc aims its noise at the spread of the reference fit's measured couplings, and its noisy
// fits aim at the reference's back-calculated ones where a coupling was measured; a marked row
// keeps its mark and takes part in neither. With noise on the backbone angles (drawn per residue of
// the structure, the same for any table) the run answers as on the table without the marked rows.
TEST(MissingCouplings, StructuralNoiseAimsAtAndFitsTheMeasuredRowsOnly) {
  TempDir d;
  const MarkedTables t(d, kCouplings);
  const std::vector<std::string> args = {"-bestFit", "-mcStruc", "-angNoise", "-map", "10", "-pdb", kPdb};
  const RunResult r = runKorim(plus(args, {"-inD", t.marked, "-outD", "m.tab"}), d);
  const RunResult c = runKorim(plus(args, {"-inD", t.cut, "-outD", "c.tab"}), d);
  ASSERT_TRUE(r.status == 0 && c.status == 0) << r.err << c.err;
  const auto target = [](const std::string& out) {
    for (const std::string& l : lines(out))
      if (l.rfind("REMARK Experimental DC and structure have ", 0) == 0) return l;
    return std::string("none");
  };
  EXPECT_EQ(target(r.out), target(c.out));
  EXPECT_EQ(target(c.out), "REMARK Experimental DC and structure have 1.132 Hz DC Rms.");  // the fit of the 61
  EXPECT_EQ(dataRecords(d / "m.tab"), dataRecords(d / "c.tab"));
  EXPECT_EQ(marks(d / "m.tab", "D_OBS"), (std::vector<double>{888.0, 890.5}));
}

// The selection's bound: rows above 900 Hz are counted once, naming the bound, in every mode that
// selects rows (in -anDc for the table that holds them); a row at 900 Hz itself is selected (and,
// at 888 Hz or more, marked as missing), and rows outside the residue range are the range's. The
// runs answer and write as on the table without the rows beyond the bound.
TEST(Selection, RowsBeyondTheBoundAreCountedOnce) {
  TempDir d;
  const auto beyondValue = [](int r) { return std::string(r == 2 ? "1000.000" : r == 3 ? "900.010" : "900.000"); };
  const std::string beyond =
      writeFile(d / "beyond.tab", editRows(kCouplings, [](int r) { return r >= 2 && r <= 4; }, beyondValue));
  const std::string cut = writeFile(d / "cut.tab", editRows(kCouplings, [](int r) { return r >= 2 && r <= 4; },
                                                            [](int r) { return std::string(r == 4 ? "900.000" : ""); }));
  const std::string line =
      "korim: the selection's bound of 900 Hz leaves out 2 rows of " + beyond +
      " whose D lies above it: no coupling is that large (one of 888 Hz or more marks a coupling as missing), so the "
      "run does not use them and the tables it writes do not hold them.\n";
  const struct {
    std::vector<std::string> args;
    bool counted;
  } cases[] = {
      {{"-bestFit", "-pdb", kPdb}, true},
      {{"-stKorim", "-dot", "30", "-pdb", kPdb}, true},
      {{"-daHist"}, true},
      {{"-conv", "-korim"}, true},
      {{"-bestFit", "-pdb", kPdb, "-s1", "5"}, false},
  };
  for (const auto& c : cases) {
    const RunResult r = runKorim(plus(c.args, {"-inD", beyond, "-outD", "b.tab"}), d);
    const RunResult w = runKorim(plus(c.args, {"-inD", cut, "-outD", "c.tab"}), d);
    const std::string what = c.args[0] + " " + c.args.back();
    ASSERT_TRUE(r.status == 0 && w.status == 0) << what << "\n" << r.err << w.err;
    const size_t at = r.err.find(line);
    EXPECT_EQ(at != npos, c.counted) << what << "\n" << r.err;
    EXPECT_EQ(r.err.find("selection's bound", at == npos ? 0 : at + line.size()), npos) << what;  // once
    EXPECT_EQ(w.err.find("selection's bound"), npos) << what;
    EXPECT_EQ(dataRecords(d / "b.tab"), dataRecords(d / "c.tab")) << what;
  }
  // The row at 900 Hz is selected and left out of the fit as missing.
  const RunResult fit = runKorim({"-bestFit", "-pdb", kPdb, "-inD", beyond, "-outD", "b.tab"}, d);
  EXPECT_TRUE(inOrder(fit.err, {line, leavesOut("the fit", 1, 61, beyond)})) << fit.err;
  // -anDc: the line for the first table, none for the second.
  const RunResult sum = runKorim({"-anDc", "-inD1", beyond, "-inD2", kCouplings, "-outD", "s.tab"}, d);
  ASSERT_EQ(sum.status, 0) << sum.err;
  EXPECT_NE(sum.err.find(line), npos) << sum.err;
  EXPECT_EQ(sum.err.find("selection's bound", sum.err.find(line) + line.size()), npos) << sum.err;
}
