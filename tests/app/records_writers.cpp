// Run records and rotated structures: exact parameter and Euler texts, text bounds, and the
// geometry, names and selections of the rotated structures.
#include <gtest/gtest.h>

#include <algorithm>
#include <cfloat>
#include <climits>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <unistd.h>

#include "app/korim_records.h"
#include "settings/korim_record.h"
#include "settings/settings_null.h"
#include "simulation/korim_utils_align.h"
#include "structure/pdb.h"
#include "tests/support/capture.h"
#include "tests/support/files.h"
#include "tests/support/pdbtext.h"

using namespace korim::app;
using namespace korim::settings;
using namespace korim::structure;
using korim::simulation::writePDBRot;
using korim_test::captureStderr;

namespace {

// ---------------------------------------------------------------- parameter block

// The documented defaults (steric mode, wall medium, no rim), with an atom radius of 1.8 A.
KorimInfo stericSettings() {
  KorimInfo k;
  korimInfoNull(&k);
  k.radiusAtom = 1.8f;
  return k;
}

std::string block(const KorimInfo& k) {
  std::string s;
  EXPECT_EQ(writeKorim(&k, &s), 0);
  return s;
}

std::string golden(const std::string& name) { return korim_test::readFile(korim_test::testData("golden/" + name)); }

// The fullest block: steric and electrostatic lines, the rim, signs and switches.
TEST(WriteKorim, SettingsBlockMatchesGoldenFile) {
  KorimInfo k = stericSettings();
  k.korimMode = kModeElectrostatic;
  ElInfo& el = k.elInfo;
  el.pH = -1.5f, el.concNaCl = 0.1f, el.chDensSurf = 0.0f, el.chTerminiFlag = 0, el.cutoffPot = 0.001;
  el.pkaFlag = 2;  // any non-zero value is "on"
  k.includeRim = 1.0f, k.molarRatio = 3.2f, k.lengthModel = 67.125f, k.orderDiscRim = -0.25f;
  EXPECT_EQ(block(k), golden("settings_block.txt"));
}

// Which lines each mode and medium writes, by their first and last words.
TEST(WriteKorim, ModesChooseTheirLines) {
  const std::string full = golden("settings_block.txt");
  const size_t steric = full.find("DATA KORIM LC_TYPE"), el = full.find("DATA KORIM EL PH"),
               rim = full.find("DATA KORIM INCLUDE_RIM");
  const std::string stericLines = full.substr(steric, el - steric), rimLines = full.substr(rim);
  // The 3-D grid is stepped by its own spacings (-dX, -dY, -dZ, 0.2 A by default), not by -dGrid.
  std::string grid3D = stericLines.substr(36);
  const size_t spacing = grid3D.find("DATA KORIM GRID_SPACING ");
  grid3D.replace(spacing, grid3D.find('\n', spacing) + 1 - spacing, "DATA KORIM GRID_SPACING_XYZ    0.200  0.200  0.200\n");
  KorimInfo k = stericSettings();
  const struct { int mode, lc; float includeRim; std::string want; } cases[] = {
      {kModeSteric, kLcWall, 0.0f, "\nDATA KORIM_MODE STERIC\n\n" + stericLines},
      {kModeStericFree, kLcWall, -0.0f, "\nDATA KORIM_MODE STERIC_FREE\n\n" + stericLines},
      {kModeElectrostaticGrid, kLcWall, 0.0f, "\nDATA KORIM_MODE ELECTROSTATIC_GRID\n\n" + stericLines},
      {kModeStericGrid, kLcRod, 0.0f,
       "\nDATA KORIM_MODE STERIC_GRID\n\nDATA KORIM LC_TYPE              rod\n" + stericLines.substr(36)},
      {kModeStericGrid, kLc3D, 0.0f, "\nDATA KORIM_MODE STERIC_GRID\n\n" + grid3D},
      {kModeBestFit, kLcWall, 0.0f, "\nDATA KORIM_MODE DC\n\n"}, {0, kLcWall, 0.0f, ""},
      {kModeStericFree, kLcWall, std::nanf(""), "\nDATA KORIM_MODE STERIC_FREE\n\n" + stericLines + rimLines},  // not 0
      // The rim is a part of the medium: a run that sets up none does not echo it.
      {17, kLcWall, 1.0f, ""}, {-3, kLcWall, 1.0f, ""}, {kModeBestFit, kLcWall, 1.0f, "\nDATA KORIM_MODE DC\n\n"},
  };
  k.molarRatio = 3.2f, k.lengthModel = 67.125f, k.orderDiscRim = -0.25f;
  for (const auto& c : cases) {
    k.korimMode = c.mode, k.lcType = c.lc, k.includeRim = c.includeRim;
    EXPECT_EQ(block(k), c.want) << c.mode;
  }
  k.korimMode = kModeAnalyzeSaupe, k.includeRim = 0.0f, k.opCode = kOpMax, k.c1 = -2.0f, k.c2 = 1.0f;
  EXPECT_EQ(block(k), "\nDATA KORIM_MODE SAUPE_CP\n\nDATA KORIM ACTION    max\n"
                      "DATA KORIM C1     -2.000\nDATA KORIM C2      1.000\n");
}

TEST(WriteKorim, HistogramBlockMatchesGoldenFile) {
  KorimInfo k = stericSettings();
  k.korimMode = kModeDaHist;
  HistInfo& h = k.histInfo;
  h.dcMin = h.Dzz = -21.5f, h.dcMax = 10.25f, h.modeFit = h.optExtrem = 2, h.sdevDzz = 1.0f;
  h.sdevDyy = h.DaErrFit = 0.5f, h.nBins = 20, h.binWidth = 1.625f, h.Da2Par = h.DaFit = -10.75f;
  h.R2Par = 0.375f, h.Dyy = 6.75f, h.Dxx = 14.75f, h.RFit = 0.25f, h.RErrFit = 0.125f;
  EXPECT_EQ(block(k), golden("histogram_block.txt"));
  h.optExtrem = 1;
  EXPECT_NE(block(k).find("DATA AVE_EXTREM     YES\n"), std::string::npos);
}

TEST(WriteKorim, AppendsAndStaysWithinItsBound) {
  KorimInfo k = stericSettings();
  std::string twice;
  writeKorim(&k, &twice);
  writeKorim(&k, &twice);
  EXPECT_EQ(twice, block(k) + block(k));
  // The C form appends to the caller's text.
  char buf[kKorimRecordMax + 16] = "REMARK run\n";
  writeKorim(&k, buf);
  EXPECT_EQ(std::string(buf), "REMARK run\n" + block(k));
  // Extreme values of every printed field, in every block, with the rim lines: the text still
  // fits a buffer of kKorimRecordMax bytes exactly (AddressSanitizer checks the heap block).
  KorimInfo x;
  std::memset(&x, 0, sizeof x);
  HistInfo& h = x.histInfo;
  for (float* f : {&x.concentration, &x.gridSpacing, &x.radiusModel, &x.lcOrder, &x.radiusAtom, &x.elInfo.pH,
                   &x.elInfo.concNaCl, &x.elInfo.chDensSurf, &x.c1, &x.c2, &x.molarRatio, &x.lengthModel,
                   &x.orderDiscRim, &h.dcMin, &h.dcMax, &h.sdevDzz, &h.sdevDyy, &h.binWidth, &h.Da2Par, &h.R2Par,
                   &h.Dzz, &h.Dyy, &h.Dxx, &h.DaFit, &h.DaErrFit, &h.RFit, &h.RErrFit})
    *f = -FLT_MAX;
  x.densityNSC = x.digPsiNSC = x.Hflag = x.surfFlag = h.modeFit = h.nBins = INT_MIN;
  x.elInfo.cutoffPot = -DBL_MAX;
  x.includeRim = 1.0f, x.lcType = kLcWall;
  for (int mode = -1; mode <= 18; mode++) {
    x.korimMode = mode;
    std::unique_ptr<char[]> exact(new char[kKorimRecordMax]);
    exact[0] = '\0';
    writeKorim(&x, exact.get());
    EXPECT_LT(std::strlen(exact.get()), static_cast<size_t>(kKorimRecordMax));
    EXPECT_EQ(std::string(exact.get()), block(x));
  }
}

// ---------------------------------------------------------------- Euler record

TEST(WriteEulerInfo, RecordWithAxesByColumnMatchesGoldenFileAndFitsItsBound) {
  const double irr[5] = {1.0e-3, -2.0e-4, 0.0, 5.5e-4, -1.0};
  const double eigVal[3] = {3.0e-4, -1.0e-4, -2.0e-4};  // z, y, x
  // Column 0 the z axis, 1 the y axis, 2 the x axis.
  const double eigVec[3][3] = {{0.0, 0.6, 0.8}, {0.0, 0.8, -0.6}, {1.0, 0.0, 0.0}};
  const double alpha[4] = {10.0, 190.0, -10.0, 170.0}, beta[4] = {20.5, 20.5, 159.5, 159.5},
               gamma[4] = {-30.25, 149.75, 30.25, 209.75};
  std::string s = "old text";
  ASSERT_EQ(writeEulerInfo(irr, 1.2345e-3, eigVal, eigVec, alpha, beta, gamma, &s, 1), 0);
  EXPECT_EQ(s, golden("euler_record.txt"));
  // Verbose 0 empties the text, in both forms.
  ASSERT_EQ(writeEulerInfo(irr, 0.0, eigVal, eigVec, alpha, beta, gamma, &s, 0), 0);
  EXPECT_EQ(s, "");
  char buf[32] = "previous";
  writeEulerInfo(irr, 0.0, eigVal, eigVec, alpha, beta, gamma, buf, 0);
  EXPECT_STREQ(buf, "");
  // Extreme values of every printed field: the text still fits kEulerRecordMax bytes exactly.
  double m[9];
  std::fill(m, m + 9, -DBL_MAX);
  const auto* vec = reinterpret_cast<const double(*)[3]>(m);
  std::unique_ptr<char[]> exact(new char[kEulerRecordMax]);
  writeEulerInfo(m, -DBL_MAX, m, vec, m, m, m, exact.get(), 1);
  writeEulerInfo(m, -DBL_MAX, m, vec, m, m, m, &s, 1);
  EXPECT_EQ(std::string(exact.get()), s);
  EXPECT_LT(s.size(), static_cast<size_t>(kEulerRecordMax));
}

// ---------------------------------------------------------------- rotated structures

struct PdbRot : ::testing::Test {
  korim_test::TempDir dir;
  PDBInfo pdb;
  korim_test::PdbAtoms original;  // the input, by its PDB columns
  const double a[4] = {10, 20, 30, 40};
  void SetUp() override { pdbModuleReset(), pdbNull(&pdb); }
  void load(const std::string& path) {
    ASSERT_EQ(readPDB(path.c_str(), &pdb, nullptr, nullptr), 0);
    original = korim_test::readPdbAtoms(path, true);
    ASSERT_EQ(original.n(), pdb.atomCount);
  }
  // The structure in memory is back where it was read.
  void expectUnmoved() {
    for (int i = 0; i < pdb.atomCount; i++) {
      const AtomInfo& at = pdb.atomList[i];
      ASSERT_TRUE(at.x == static_cast<float>(original.x[i + 1]) && at.y == static_cast<float>(original.y[i + 1]) &&
                  at.z == static_cast<float>(original.z[i + 1]))
          << i;
    }
  }
  void TearDown() override { pdbFree(&pdb); }
};

TEST_F(PdbRot, SquareTurnsAsHandComputed) {
  // Four atoms around the origin. A turn of alpha = 90 takes (x, y, z) to (-y, x, z), one of
  // beta = 90 to (z, y, -x); gamma turns first: (0, 90, 90) takes it to (z, x, y). The turned
  // centroid, (0, 0, 0.75) before the turn, is subtracted after each turn.
  load(korim_test::writeFile(dir / "square.pdb",
                             "ATOM      1  CA  GLY A   1       1.000   0.000   0.000  1.00  0.00           C\n"
                             "ATOM      2  CA  GLY A   2      -1.000   0.000   0.000  1.00  0.00           C\n"
                             "ATOM      3  CA  GLY A   3       0.000   2.000   0.000  1.00  0.00           C\n"
                             "ATOM      4  CA  GLY A   4       0.000  -2.000   3.000  1.00  0.00           C\n"
                             "END\n"));
  // Solutions: gamma, beta and alpha lists as the callers pass them.
  const double gammaL[4] = {0, 0, 90, 0}, betaL[4] = {0, 90, 90, 0}, alphaL[4] = {90, 0, 0, 180};
  const std::string out = dir / "sq.pdb";
  ASSERT_EQ(writePDBRot(gammaL, betaL, alphaL, 2, &pdb, nullptr, out.c_str(), "square"), 0);
  const double c = 0.75;
  const double expected[4][4][3] = {
      {{0, 1, -c}, {0, -1, -c}, {-2, 0, -c}, {2, 0, 3 - c}},
      {{-c, 0, -1}, {-c, 0, 1}, {-c, 2, 0}, {3 - c, -2, 0}},
      {{-c, 1, 0}, {-c, -1, 0}, {-c, 0, 2}, {3 - c, 0, -2}},
      {{-1, 0, -c}, {1, 0, -c}, {0, -2, -c}, {0, 2, 3 - c}},
  };
  for (int k = 0; k < 4; k++) {
    const korim_test::PdbAtoms got = korim_test::readPdbAtoms(out + "." + std::to_string(k), true);
    ASSERT_EQ(got.n(), 4);
    for (int i = 0; i < 4; i++)
      EXPECT_TRUE(std::fabs(got.x[i + 1] - expected[k][i][0]) < 1e-3 &&
                  std::fabs(got.y[i + 1] - expected[k][i][1]) < 1e-3 &&
                  std::fabs(got.z[i + 1] - expected[k][i][2]) < 1e-3) << k << " " << i;
  }
  // rotID 2: the name itself holds solution 2; it begins with the remark.
  EXPECT_EQ(korim_test::readFile(out), korim_test::readFile(out + ".2"));
  EXPECT_EQ(korim_test::readFile(out).rfind("REMARK square\n", 0), 0u);
  expectUnmoved();
}

// An empty name writes nothing; a selection decides the atoms written; a name of more than 253
// characters (directory included) is written whole; one too long for the file system fails (a
// missing directory is run by the program test Runs.StatusMessagesAndResultTable). The structure
// stays where it was read.
TEST_F(PdbRot, NamesAndSelections) {
  load(korim_test::kUbiquitinPdb);
  ASSERT_EQ(writePDBRot(a, a, a, 0, &pdb, nullptr, "", ""), 0);
  EXPECT_TRUE(std::filesystem::is_empty(dir.path));
  PDBSelectInfo sel;
  pdbSelectNull(&sel);
  sel.selectMode = 2, sel.atomNameMode = 1;
  std::strcpy(sel.atomNameList, "CA");
  const std::string out = dir / "ca.pdb";
  ASSERT_EQ(writePDBRot(a, a, a, 9, &pdb, &sel, out.c_str(), ""), 0);
  std::vector<std::string> cas(77, "CA");
  cas[0] = "";  // entry 0 unused
  EXPECT_EQ(korim_test::readPdbAtoms(out + ".3", true).names, cas);
  EXPECT_FALSE(korim_test::fileExists(out));  // rotID outside 0..3: only the numbered files
  const std::string longName = dir / (std::string(240, 'r') + ".pdb");
  ASSERT_GT(longName.size(), 253u);
  ASSERT_EQ(writePDBRot(a, a, a, 1, &pdb, nullptr, longName.c_str(), ""), 0);
  for (const char* suffix : {"", ".0", ".1", ".2", ".3"}) EXPECT_TRUE(korim_test::fileExists(longName + suffix));
  const std::string tooLong = dir / std::string(300, 'x');
  int status = 0;
  std::string err = captureStderr([&] { status = writePDBRot(a, a, a, 5, &pdb, nullptr, tooLong.c_str(), ""); });
  EXPECT_NE(status, 0);
  EXPECT_EQ(err, "PDB Error opening PDB file " + tooLong + ".0: File name too long\n");
  expectUnmoved();
}

// Turns by zero leave a structure centred on its centroid where it is: every file holds what
// writePDB writes, with coordinates at the edges of their columns, a four-letter name and a long
// segment. The files are written in order, and the first that fails ends the call with its
// message: the ones before it are written, the ones after it not made.
TEST_F(PdbRot, ZeroTurnsWriteTheStructureAndAFailureStopsTheFiles) {
  load(korim_test::writeFile(dir / "wide.pdb",
                             "ATOM  99999  CA  GLY A   1     999.000   0.000   0.000  1.00  0.00           C\n"
                             "ATOM  12345 HD21 ASN A   2    -333.000   0.000   0.000  1.00 99.99      LONG H\n"
                             "ATOM      3  N   GLY A   3    -333.000   1.250 999.999  0.50  0.00           N\n"
                             "ATOM      4  O   GLY A   4    -333.000  -1.250-999.999  1.00  0.00           O\n"
                             "END\n"));
  const double zero[4] = {0, 0, 0, 0};
  const std::string plain = dir / "plain.pdb", out = dir / "zero.pdb";
  ASSERT_EQ(writePDB(plain.c_str(), &pdb, nullptr, "zero"), 0);
  ASSERT_EQ(writePDBRot(zero, zero, zero, 1, &pdb, nullptr, out.c_str(), "zero"), 0);
  for (const char* suffix : {"", ".0", ".1", ".2", ".3"})
    EXPECT_EQ(korim_test::readFile(out + suffix), korim_test::readFile(plain)) << suffix;
  EXPECT_NE(korim_test::readFile(plain).find(" 999.000   0.000"), std::string::npos);

  std::filesystem::create_directory(dir / "dir.pdb");
  std::filesystem::create_directory(dir / "stop.pdb.1");
  const bool full = access("/dev/full", W_OK) == 0;
  if (full) std::filesystem::create_symlink("/dev/full", dir / "full.pdb.2");
  const struct {
    const char* name;
    int rotID;
    const char* message;  // before the path
    const char* failing;  // suffix of the failing file, and the system's reason
    std::vector<std::string> made, notMade;
  } cases[] = {
      {"dir.pdb", 0, "PDB Error opening PDB file ", ": Is a directory", {}, {".0", ".1", ".2", ".3"}},
      {"stop.pdb", 2, "PDB Error opening PDB file ", ".1: Is a directory", {".0"}, {"", ".2", ".3"}},
      {"full.pdb", 3, "PDB Error writing PDB file ", ".2: No space left on device", {".0", ".1"}, {"", ".3"}},
  };
  for (const auto& c : cases) {
    if (!full && std::string(c.name) == "full.pdb") continue;
    const std::string name = dir / c.name;
    int status = 0;
    const std::string err = captureStderr(
        [&] { status = writePDBRot(zero, zero, zero, c.rotID, &pdb, nullptr, name.c_str(), "zero"); });
    EXPECT_EQ(status, 1) << c.name;
    EXPECT_EQ(err, c.message + name + c.failing + "\n");
    for (const std::string& s : c.made)
      EXPECT_EQ(korim_test::readFile(name + s), korim_test::readFile(plain)) << c.name << s;
    for (const std::string& s : c.notMade)
      EXPECT_FALSE(std::filesystem::exists(name + s)) << c.name << s;
  }
  expectUnmoved();
}

}  // namespace
