// Readers of the driver's text inputs: configuration keys, potentials with their step rules, 3-D grids, ensembles and free-format coordinates.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "app/korim_utils_null.h"
#include "app/korim_utils_read.h"
#include "structure/pdb.h"
#include "tests/app/capture.h"

using namespace korim::app;
using korim_test::captureStderr;

namespace {

// A per-process scratch directory, removed with its files after each test.
struct Scratch : ::testing::Test {
  std::filesystem::path dir;
  void SetUp() override {
    char templ[] = "/tmp/korim_read_XXXXXX";
    ASSERT_NE(mkdtemp(templ), nullptr);
    dir = templ;
    readModuleReset();
  }
  void TearDown() override { std::filesystem::remove_all(dir); }
  std::string write(const std::string& name, const std::string& text) {
    std::string path = (dir / name).string();
    std::FILE* fp = std::fopen(path.c_str(), "w");
    EXPECT_NE(fp, nullptr);
    std::fputs(text.c_str(), fp);
    std::fclose(fp);
    return path;
  }
};

const std::string kFixtures = std::string(KORIM_TEST_DATA) + "/app";

// ---------------------------------------------------------------- configuration

using ReadConfig = Scratch;

TEST_F(ReadConfig, EveryKeyOfARealFileReachesItsField) {
  KorimInfo k;
  korimInfoNull(&k);
  int status = -1;
  std::string err = captureStderr(
      [&] { status = readConfig((kFixtures + "/two_domain.cfg").c_str(), &k); });
  ASSERT_EQ(status, 0) << err;
  EXPECT_EQ(err, "");
  const GridInfo& g = k.gridInfo;
  EXPECT_EQ(g.pivotCenter, 1);
  EXPECT_FLOAT_EQ(getPmax(), 12.5f);
  EXPECT_EQ(g.outEflag, 0);
  EXPECT_EQ(g.initOrientFlag, 1);
  EXPECT_EQ(g.fixRotDomain, 1);
  EXPECT_EQ(g.clashFlag, 1);
  EXPECT_FLOAT_EQ(g.clashDist, 3.5f);
  EXPECT_EQ(g.densE, 20);
  EXPECT_EQ(g.digPsiE, 12);
  EXPECT_EQ(g.angleDomFlag, 1);
  EXPECT_FLOAT_EQ(g.angleDom[0], 15.0f);
  EXPECT_FLOAT_EQ(g.angleDom[1], -40.5f);
  EXPECT_FLOAT_EQ(g.angleDom[2], 90.0f);
  EXPECT_EQ(g.resDom1Origin, 72);
  EXPECT_EQ(g.resDom2Origin, 77);
  EXPECT_EQ(g.startResDom1, 1);
  EXPECT_EQ(g.endResDom1, 72);
  EXPECT_EQ(g.startResDom2, 77);
  EXPECT_EQ(g.endResDom2, 152);
  EXPECT_FLOAT_EQ(g.lBetaCone, 0.0f);
  EXPECT_FLOAT_EQ(g.hBetaCone, 60.0f);
  EXPECT_FLOAT_EQ(g.cAlphaCone, 180.0f);
  EXPECT_FLOAT_EQ(g.errAlphaCone, 45.0f);
  EXPECT_EQ(g.startResPart1, 2);
  EXPECT_EQ(g.endResPart1, 70);
  EXPECT_EQ(g.startResPart2, 78);
  EXPECT_EQ(g.endResPart2, 150);
}

TEST_F(ReadConfig, IntegersTruncateTowardZeroAndKeysAreExact) {
  KorimInfo k;
  korimInfoNull(&k);
  k.gridInfo.resDom1Origin = 5;
  std::string path = write("a.cfg",
                           "ORIGIN_DOM2: 12.9\n"
                           "END_RESID_1: -3.7\n"
                           "DOM_ANG_GAMMA: 30\n"
                           "CLASH_DISTANCE: 2.25 trailing words are ignored\n"
                           "ENSEMBLE_DENSITY: 4\n"
                           "ENSEMBLE_DENSITY: 8\n");
  ASSERT_EQ(readConfig(path.c_str(), &k), 0);
  EXPECT_EQ(k.gridInfo.resDom2Origin, 12);
  EXPECT_EQ(k.gridInfo.endResDom1, -3);
  EXPECT_FLOAT_EQ(k.gridInfo.angleDom[2], 30.0f);
  EXPECT_EQ(k.gridInfo.resDom1Origin, 5);  // untouched by the domain angle
  EXPECT_FLOAT_EQ(k.gridInfo.clashDist, 2.25f);
  EXPECT_EQ(k.gridInfo.densE, 8);  // the last of a repeated key
  EXPECT_FLOAT_EQ(getPmax(), 10.0f);
}

TEST_F(ReadConfig, UnknownKeyWarnsWithoutLineEndAndReadingGoesOn) {
  KorimInfo k;
  korimInfoNull(&k);
  // Case and colon are part of the key.
  std::string path = write("b.cfg", "pmax: 3\nCENTER_PIVOT 1\nORIGIN_DOM1: 9\n");
  int status = -1;
  std::string err = captureStderr([&] { status = readConfig(path.c_str(), &k); });
  EXPECT_EQ(status, 0);
  EXPECT_EQ(err,
            "Error: Wrong input parameter in auto file"
            "Error: Wrong input parameter in auto file");
  EXPECT_EQ(k.gridInfo.resDom1Origin, 9);
  EXPECT_FLOAT_EQ(getPmax(), 10.0f);
}

TEST_F(ReadConfig, MalformedLinesFailNamingTheLine) {
  KorimInfo k;
  korimInfoNull(&k);
  struct Case {
    const char* text;
    const char* message;
  } cases[] = {
      {"ORIGIN_DOM1: 4\n\nORIGIN_DOM2: 5\n",
       "Error: Input data in auto file have wrong format\nLine:\n"},
      {"# domains of the linker construct\n",
       "Error: Input data in auto file have wrong format\nLine:# domains of the linker construct\n"},
      {"ORIGIN_DOM1: four\n", "Error: Input data in auto file have wrong format\nLine:ORIGIN_DOM1: four\n"},
      {"ORIGIN_DOM1: 3e9\n", "Error: Value of ORIGIN_DOM1: out of range in auto file\nLine:ORIGIN_DOM1: 3e9\n"},
      {"ENSEMBLE_DENSITY: -2147483904\n",
       "Error: Value of ENSEMBLE_DENSITY: out of range in auto file\nLine:ENSEMBLE_DENSITY: -2147483904\n"},
      {"DOMAIN_ANGLE_VAR: nan\n",
       "Error: Value of DOMAIN_ANGLE_VAR: out of range in auto file\nLine:DOMAIN_ANGLE_VAR: nan\n"},
  };
  for (const Case& c : cases) {
    std::string path = write("bad.cfg", c.text);
    int status = -1;
    std::string err = captureStderr([&] { status = readConfig(path.c_str(), &k); });
    EXPECT_EQ(status, 1) << c.text;
    EXPECT_EQ(err, c.message);
  }
  // The line before the empty one was stored before the failure.
  EXPECT_EQ(k.gridInfo.resDom1Origin, 4);
}

TEST_F(ReadConfig, MissingFileAndEmptyName) {
  KorimInfo k;
  korimInfoNull(&k);
  KorimInfo before = k;
  std::string missing = (dir / "none.cfg").string();
  int status = -1;
  std::string err = captureStderr([&] { status = readConfig(missing.c_str(), &k); });
  EXPECT_EQ(status, 1);
  EXPECT_EQ(err, "readConfig File open error: " + missing + ".\n");
  EXPECT_EQ(readConfig("", &k), 0);
  EXPECT_EQ(std::memcmp(&before.gridInfo, &k.gridInfo, sizeof(GridInfo)), 0);
  // A directory opens but cannot be read: a failure, not an empty configuration.
  err = captureStderr([&] { status = readConfig(dir.c_str(), &k); });
  EXPECT_EQ(status, 1);
  EXPECT_EQ(err, "readConfig File read error: " + dir.string() + ".\n");
}

// ---------------------------------------------------------------- 1-D potential

struct ReadPotential : Scratch {
  std::vector<double> pot = std::vector<double>(10001, -7.0);
  int rows = -1;
  double offset = -1.0;
  double step = -1.0;
  int read(const std::string& path, std::string* err = nullptr) {
    int status = -1;
    std::string e = captureStderr(
        [&] { status = readPotential(path.c_str(), nullptr, &rows, pot.data(), &offset, &step); });
    if (err != nullptr) *err = e;
    return status;
  }
};

TEST_F(ReadPotential, UniformRowsInNanometresGiveAngstrom) {
  std::string err;
  ASSERT_EQ(read(write("p", "0.0 -1.5\n0.1 -0.75\n0.2 -0.25\n"), &err), 0) << err;
  EXPECT_EQ(rows, 3);
  EXPECT_DOUBLE_EQ(offset, 0.0);
  EXPECT_NEAR(step, 1.0, 1e-12);
  EXPECT_DOUBLE_EQ(pot[1], -1.5);
  EXPECT_DOUBLE_EQ(pot[2], -0.75);
  EXPECT_DOUBLE_EQ(pot[3], -0.25);
  // Entries 1..9999 are cleared, entry 0 and 10000 untouched.
  EXPECT_DOUBLE_EQ(pot[4], 0.0);
  EXPECT_DOUBLE_EQ(pot[9999], 0.0);
  EXPECT_DOUBLE_EQ(pot[0], -7.0);
  EXPECT_DOUBLE_EQ(pot[10000], -7.0);
  // A non-zero first distance is the offset.
  ASSERT_EQ(read(write("q", "0.35 1\n0.40 2\n0.45 3\n0.50 4\n")), 0);
  EXPECT_NEAR(offset, 3.5, 1e-12);
  EXPECT_NEAR(step, 0.5, 1e-9);
  EXPECT_EQ(rows, 4);
}

TEST_F(ReadPotential, NonUniformStepFailsWithTheDifference) {
  for (const char* third : {"0.15", "0.3"}) {
    std::string text = std::string("0.0 1\n0.1 2\n") + third + " 3\n";
    std::string err;
    EXPECT_EQ(read(write("p", text), &err), 1);
    double d = std::stod(third) - 0.1;
    double s = 0.1;
    char tail[128];
    std::snprintf(tail, sizeof tail, "%e %e ==> diff = %e\n", d, s, d - s);
    EXPECT_EQ(err, std::string("Error: The potential must be supplied with a uniform stepsize\nLine:") +
                       third + " 3\n" + tail);
    // Rows before the failure stay stored.
    EXPECT_DOUBLE_EQ(pot[2], 2.0);
  }
}

TEST_F(ReadPotential, AtMost9998Rows) {
  std::string text;
  char line[64];
  for (int i = 0; i < 9998; i++) {
    std::snprintf(line, sizeof line, "%.3f %d\n", 0.01 * i, i);
    text += line;
  }
  ASSERT_EQ(read(write("p", text)), 0);
  EXPECT_EQ(rows, 9998);
  EXPECT_DOUBLE_EQ(pot[9998], 9997.0);
  EXPECT_NEAR(step, 0.1, 1e-9);
  std::snprintf(line, sizeof line, "%.3f %d\n", 0.01 * 9998, 9998);
  std::string err;
  rows = -1;
  EXPECT_EQ(read(write("p", text + line), &err), 1);
  EXPECT_EQ(err, "Error in readPotential: digitization of potential too high.");
  EXPECT_EQ(rows, -1);  // no count after a failure
}

TEST_F(ReadPotential, EmptyFileSingleRowAndBadLines) {
  ASSERT_EQ(read(write("empty", "")), 0);
  EXPECT_EQ(rows, 0);
  EXPECT_DOUBLE_EQ(offset, -1.0);  // untouched
  EXPECT_DOUBLE_EQ(step, -1.0);
  ASSERT_EQ(read(write("one", "0.2 5\n")), 0);
  EXPECT_EQ(rows, 1);
  EXPECT_DOUBLE_EQ(offset, 2.0);
  EXPECT_DOUBLE_EQ(step, 0.0);  // one row has no step
  std::string err;
  EXPECT_EQ(read(write("bad", "0.0 1\n0.1 x\n"), &err), 1);
  EXPECT_EQ(err,
            "Error: Input data in file with measured dipolar couplings have wrong format\n"
            "Line:0.1 x\n");
  std::string missing = (dir / "no.pot").string();
  EXPECT_EQ(read(missing, &err), 1);
  EXPECT_EQ(err, "readPotential File open error: " + missing + ".\n");
  rows = 7;
  EXPECT_EQ(read(""), 0);
  EXPECT_EQ(rows, 0);
}

// ---------------------------------------------------------------- 3-D grids

struct Read3D : Scratch {
  KorimInfo k;
  void SetUp() override {
    Scratch::SetUp();
    korimInfoNull(&k);
    k.grid3DnX = 2;
    k.grid3DnY = 2;
    k.grid3DnZ = 2;
  }
  static std::string header() {
    std::string h;
    for (int i = 1; i <= 11; i++) h += "header line " + std::to_string(i) + " 1 2 3\n";
    return h;
  }
};

TEST_F(Read3D, ShortLineWarnsAndValuesKeepFileOrder) {
  std::string path = write("g", header() + "1 2 3\n4 5 6\n7 8\n");
  std::vector<double> v(8, -1.0);
  int count = -1;
  int status = -1;
  std::string err = captureStderr([&] { status = read3DPotential(path.c_str(), &k, &count, v.data()); });
  ASSERT_EQ(status, 0) << err;
  EXPECT_EQ(count, 8);
  for (int i = 0; i < 8; i++) EXPECT_DOUBLE_EQ(v[i], i + 1.0);
  EXPECT_EQ(err,
            "REMARK Reading values of 3D potential 0 of 8\r"
            "REMARK Reading values of 3D potential 3 of 8\r"
            "REMARK Reading values of 3D potential 6 of 8\r"
            "WARNING: File with 3D Potential may contain line with wrong input format!\n"
            "Line:7 8\n"
            "\n");
}

TEST_F(Read3D, CountOtherThanTheGridFails) {
  std::vector<double> v(8, -1.0);
  int count = -1;
  for (const char* body : {"1 2 3\n4 5 6\n7 8 9\n", "1 2 3\n4 5 6\n"}) {
    std::string path = write("g", header() + body);
    int status = -1;
    std::string err = captureStderr([&] { status = read3DPotential(path.c_str(), &k, &count, v.data()); });
    EXPECT_EQ(status, 1);
    EXPECT_NE(err.find("ERROR: Total size of 3D grid not as specified.\n"), std::string::npos);
    EXPECT_EQ(count, -1);
  }
  // Numbers past the total are counted, never stored past the grid.
  EXPECT_DOUBLE_EQ(v[7], 8.0);
  // A grid size whose product overflows int is refused.
  k.grid3DnX = k.grid3DnY = k.grid3DnZ = 2000;
  std::string path = write("g", header() + "1 2 3\n");
  std::string err = captureStderr([&] { EXPECT_EQ(read3DPotential(path.c_str(), &k, &count, v.data()), 1); });
  EXPECT_EQ(err, "ERROR: 3D grid of 2000 x 2000 x 2000 values is too large.\n");
}

TEST_F(Read3D, StericMaskKeepsValuesBelowTheLimit) {
  k.elInfo.maxPot = 1.0f;
  std::string path = write("g", header() + "-0.5 1.0 -1.0\n2.0 0.0 0.999\n-0.9999 5\n");
  std::vector<float> m(8, -1.0f);
  int count = -1;
  int status = -1;
  captureStderr([&] { status = read3DPotSteric(path.c_str(), &k, &count, m.data()); });
  ASSERT_EQ(status, 0);
  const float expected[8] = {1, 0, 0, 0, 1, 1, 1, 0};
  for (int i = 0; i < 8; i++) EXPECT_EQ(m[i], expected[i]) << i;
  // Open failure: one message for both readers; empty name: nothing.
  std::string missing = (dir / "none").string();
  std::string err = captureStderr([&] { status = read3DPotSteric(missing.c_str(), &k, &count, m.data()); });
  EXPECT_EQ(status, 1);
  EXPECT_EQ(err, "read3DPotential File open error: " + missing + ".\n");
  EXPECT_EQ(read3DPotential("", &k, &count, nullptr), 0);
  EXPECT_EQ(count, 0);
}

// ---------------------------------------------------------------- ensembles

struct ReadEnsembleT : Scratch {
  std::vector<double> a = std::vector<double>(40001, 0.0);
  std::vector<double> b = std::vector<double>(40001, 0.0);
  std::vector<double> g = std::vector<double>(40001, 0.0);
  int n = -1;
  int read(const std::string& path, std::string* err = nullptr) {
    int status = -1;
    std::string e = captureStderr([&] { status = readEnsemble(path.c_str(), &n, a.data(), b.data(), g.data()); });
    if (err != nullptr) *err = e;
    return status;
  }
};

TEST_F(ReadEnsembleT, RowsFromOneInFileOrder) {
  ASSERT_EQ(read(write("e", "10 20 30\n-45.5 90 180 extra\n0 0 0\n")), 0);
  EXPECT_EQ(n, 3);
  EXPECT_DOUBLE_EQ(a[1], 10.0);
  EXPECT_DOUBLE_EQ(b[1], 20.0);
  EXPECT_DOUBLE_EQ(g[1], 30.0);
  EXPECT_DOUBLE_EQ(a[2], -45.5);
  EXPECT_DOUBLE_EQ(g[2], 180.0);
  EXPECT_DOUBLE_EQ(a[0], 0.0);
  ASSERT_EQ(read(write("empty", "")), 0);
  EXPECT_EQ(n, 0);
}

TEST_F(ReadEnsembleT, AtMost39998RowsAndBadLines) {
  std::string text;
  for (int i = 1; i <= 39998; i++) text += std::to_string(i) + " 1 2\n";
  ASSERT_EQ(read(write("e", text)), 0);
  EXPECT_EQ(n, 39998);
  EXPECT_DOUBLE_EQ(a[39998], 39998.0);
  std::string err;
  EXPECT_EQ(read(write("e", text + "39999 1 2\n"), &err), 1);
  EXPECT_EQ(err, "error in readEnsemble: digitization of ensemble too high.\n");
  EXPECT_EQ(read(write("bad", "10 20\n"), &err), 1);
  EXPECT_EQ(err,
            "Error: Input data in file with measured dipolar couplings have wrong format\n"
            "Line:10 20\n");
  std::string missing = (dir / "none").string();
  EXPECT_EQ(read(missing, &err), 1);
  EXPECT_EQ(err, "RdTable File open error: " + missing + ".\n");
}

// ---------------------------------------------------------------- free format

struct ReadFree : Scratch {
  // Exactly the documented capacity, so that a write past it is caught.
  std::vector<double> x = std::vector<double>(kFreeAtomMax + 1, 0.0);
  std::vector<double> y = std::vector<double>(kFreeAtomMax + 1, 0.0);
  std::vector<double> z = std::vector<double>(kFreeAtomMax + 1, 0.0);
  int n = -1;
  int read(const std::string& path, std::string* err = nullptr) {
    int status = -1;
    std::string e = captureStderr([&] { status = readPDBfree(path.c_str(), &n, x.data(), y.data(), z.data()); });
    if (err != nullptr) *err = e;
    return status;
  }
};

TEST_F(ReadFree, CoordinatesMatchTheRealPdbFile) {
  using namespace korim::structure;
  ASSERT_EQ(read(kFixtures + "/ubiquitin_res1to3_free.txt"), 0);
  PDBInfo pdb;
  pdbNull(&pdb);
  ASSERT_EQ(readPDB((std::string(KORIM_TEST_DATA) + "/ubiquitin_1d3z_model1.pdb").c_str(), &pdb,
                    nullptr, nullptr),
            0);
  // Residues 1 to 3 of ubiquitin: 19 + 17 + 19 atoms with hydrogens.
  int expected = 0;
  while (expected < pdb.atomCount && pdb.atomList[expected].resID <= 3) expected++;
  ASSERT_EQ(n, expected);
  ASSERT_EQ(n, 55);
  for (int i = 0; i < n; i++) {
    EXPECT_NEAR(x[i + 1], pdb.atomList[i].x, 1e-4) << i;
    EXPECT_NEAR(y[i + 1], pdb.atomList[i].y, 1e-4) << i;
    EXPECT_NEAR(z[i + 1], pdb.atomList[i].z, 1e-4) << i;
  }
  pdbFree(&pdb);
}

TEST_F(ReadFree, WordsNotLinesAndEndStopsTheAtoms) {
  // Records may share lines or span several; words before the first ATOM and between records
  // are skipped; "ATOMS" is not "ATOM"; nothing after END is read.
  std::string path = write("f",
                           "HEADER test ATOMS\n"
                           "ATOM 1 N ALA 1 1.0 2.0 3.0 N ATOM 2 CA ALA 1\n"
                           "  4.5 -5.5 6.25\n"
                           "TER END\nATOM 3 C ALA 1 7 8 9\n");
  ASSERT_EQ(read(path), 0);
  EXPECT_EQ(n, 2);
  EXPECT_DOUBLE_EQ(x[2], 4.5);
  EXPECT_DOUBLE_EQ(y[2], -5.5);
  EXPECT_DOUBLE_EQ(z[2], 6.25);
  // Without END the records read are kept.
  ASSERT_EQ(read(write("g", "ATOM 1 N ALA 1 1 2 3\nATOM 2 CA ALA 1 4 5 6\n")), 0);
  EXPECT_EQ(n, 2);
}

TEST_F(ReadFree, MalformedRecordsAreRefusedWithTheirLine) {
  struct Case {
    const char* text;
    int line;
  } cases[] = {
      {"REMARK chain letters\nATOM 1 N MET 1 1 2 3\nATOM 2 CA MET A 1 1.0 2.0 3.0\nEND\n", 3},
      {"ATOM 1 N MET 1 1 2\n", 1},                      // ends inside the record
      {"ATOM 1 N MET 1.5 1 2 3\nEND\n", 1},             // residue number not an integer
      {"ATOM 99999999999 N MET 1 1 2 3\nEND\n", 1},     // serial out of range
      {"\n\nATOM 1 N MET 1 1 2 nan\nEND\n", 3},         // coordinate not finite
      {"ATOM 1 N MET 1 1 2 3e39\nEND\n", 1},            // beyond single precision
      {"ATOM 1 NAMEWITHSIXTEENCH MET 1 1 2 3\nEND\n", 1},
  };
  for (const Case& c : cases) {
    std::string path = write("bad", c.text);
    std::string err;
    n = -1;
    EXPECT_EQ(read(path, &err), 1) << c.text;
    EXPECT_EQ(err, "readPDBfree Error: malformed ATOM record in " + path + ", line " +
                       std::to_string(c.line) + ".\n");
    EXPECT_EQ(n, -1);
  }
  std::string err;
  std::string path = write("none", "REMARK no records\nEND\n");
  EXPECT_EQ(read(path, &err), 1);
  EXPECT_EQ(err, "readPDBfree Error: no ATOM record in " + path + ".\n");
  std::string missing = (dir / "missing").string();
  EXPECT_EQ(read(missing, &err), 1);
  EXPECT_EQ(err, "readPDBfree File open error: " + missing + ".\n");
  EXPECT_EQ(read(""), 0);
  EXPECT_EQ(n, 0);
}

TEST_F(ReadFree, AtMost4998Atoms) {
  std::string text;
  for (int i = 1; i <= 4998; i++) text += "ATOM " + std::to_string(i) + " CA GLY " + std::to_string(i) + " 1 2 3\n";
  ASSERT_EQ(read(write("f", text + "END\n")), 0);
  EXPECT_EQ(n, 4998);
  std::string more = text + "ATOM 4999 CA GLY 4999 1 2 3\n";
  std::string err;
  EXPECT_EQ(read(write("f", more + "END\n"), &err), 1);
  EXPECT_EQ(err, "error in readPDBfree: too many atoms.\n");
  EXPECT_EQ(read(write("f", more + "ATOM 5000 CA GLY 5000 1 2 3\nEND\n"), &err), 1);
  EXPECT_EQ(err, "error in readPDBfree: too many atoms.\n");
}

}  // namespace
