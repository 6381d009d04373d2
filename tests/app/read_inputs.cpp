// Readers of the driver's text inputs: configuration keys, potentials with their step rules, 3-D
// grids, ensembles and free-format coordinates.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "app/korim_utils_read.h"
#include "settings/settings_null.h"
#include "simulation/korim_input.h"
#include "simulation/potential_overflow.h"
#include "tests/support/capture.h"
#include "tests/support/fields.h"
#include "tests/support/files.h"
#include "tests/support/pdbtext.h"

using namespace korim::app;
using namespace korim::settings;
using namespace korim::simulation;
using korim_test::captureStderr;

namespace {

// A private directory for the test's files; the reader module starts from its reset state.
struct Scratch : ::testing::Test {
  korim_test::TempDir dir;
  KorimInfo k;
  void SetUp() override {
    ASSERT_FALSE(dir.path.empty());
    readModuleReset();
    korimInfoNull(&k);
  }
  std::string write(const std::string& name, const std::string& t) { return korim_test::writeFile(dir / name, t); }
  // Runs a reader, keeping what it wrote on stderr in err.
  template <typename Fn>
  int run(Fn fn) {
    int status = -1;
    err = captureStderr([&] { status = fn(); });
    return status;
  }
  // The call's status and message: a failure with exactly this text.
  void fails(int status, const std::string& message) {
    EXPECT_EQ(status, 1) << message;
    EXPECT_EQ(err, message);
  }
  std::string err;
};

// ---------------------------------------------------------------- configuration

using ReadConfig = Scratch;

// Every key of a real file reaches its field; integers truncate, keys are exact; unknown keys,
// malformed lines and files fail.
TEST_F(ReadConfig, KeysValuesAndRefusals) {
  ASSERT_EQ(run([&] { return readConfig(korim_test::testData("app/two_domain.cfg").c_str(), &k); }), 0) << err;
  EXPECT_EQ(err, "");
  EXPECT_EQ(getPmax(), 12.5f);
  const GridInfo& g = k.gridInfo;
  korim_test::expectFields({
      KORIM_FIELD(g, pivotCenter, 1), KORIM_FIELD(g, outEflag, 0), KORIM_FIELD(g, initOrientFlag, 1),
      KORIM_FIELD(g, fixRotDomain, 1), KORIM_FIELD(g, clashFlag, 1), KORIM_FIELD(g, clashDist, 3.5),
      KORIM_FIELD(g, densE, 20), KORIM_FIELD(g, digPsiE, 12), KORIM_FIELD(g, angleDomFlag, 1),
      KORIM_FIELD(g, angleDom[0], 15.0), KORIM_FIELD(g, angleDom[1], -40.5), KORIM_FIELD(g, angleDom[2], 90.0),
      KORIM_FIELD(g, resDom1Origin, 72), KORIM_FIELD(g, resDom2Origin, 77), KORIM_FIELD(g, startResDom1, 1),
      KORIM_FIELD(g, endResDom1, 72), KORIM_FIELD(g, startResDom2, 77), KORIM_FIELD(g, endResDom2, 152),
      KORIM_FIELD(g, lBetaCone, 0.0), KORIM_FIELD(g, hBetaCone, 60.0), KORIM_FIELD(g, cAlphaCone, 180.0),
      KORIM_FIELD(g, errAlphaCone, 45.0), KORIM_FIELD(g, startResPart1, 2), KORIM_FIELD(g, endResPart1, 70),
      KORIM_FIELD(g, startResPart2, 78), KORIM_FIELD(g, endResPart2, 150),
  });
  readModuleReset();
  korimInfoNull(&k);
  k.gridInfo.resDom1Origin = 5;
  std::string path = write("a.cfg", "ORIGIN_DOM2: 12.0\nEND_RESID_1: -3\nDOM_ANG_GAMMA: 30\n"
                                    "CLASH_DISTANCE: 2.25 trailing words are ignored\nENSEMBLE_DENSITY: 4\n"
                                    "ENSEMBLE_DENSITY: 8\nPmax: 2.5\nSTART_RESID_1: 1e1\nALPHA_CENTER: 0x10\n");
  ASSERT_EQ(run([&] { return readConfig(path.c_str(), &k); }), 0);
  // A key given again keeps the last value, and the note names both lines.
  EXPECT_EQ(err, "korim: configuration " + path + " sets ENSEMBLE_DENSITY: in line 5 (\"ENSEMBLE_DENSITY: 4\") and "
                 "again in line 6 (\"ENSEMBLE_DENSITY: 8\"); the value of line 6 is used.\n");
  EXPECT_EQ(configKeysRead(), 9);
  korim_test::expectFields({
      KORIM_FIELD(k.gridInfo, resDom2Origin, 12), KORIM_FIELD(k.gridInfo, endResDom1, -3),
      KORIM_FIELD(k.gridInfo, angleDom[2], 30.0), KORIM_FIELD(k.gridInfo, resDom1Origin, 5),
      KORIM_FIELD(k.gridInfo, clashDist, 2.25), KORIM_FIELD(k.gridInfo, densE, 8),  // the last of a repeated key
      KORIM_FIELD(k.gridInfo, startResDom1, 10), KORIM_FIELD(k.gridInfo, cAlphaCone, 16.0),  // 0x10 is 16
  });
  EXPECT_EQ(getPmax(), 2.5f);
  // Each refusal names the file, the line, what is wrong and what the key takes, then the line.
  const std::string holds = "holds no key and value (each line of a configuration holds a key and its value, as "
                            "\"CLASH_DISTANCE: 2.0\")";
  const std::string noKey =
      ", which is no key of the configuration (docs/formats.md, section \"Configuration file\", lists the keys)";
  const std::string clashOn = ", where it takes a distance in A above 0 while the clash check is on (ENSEMBLE_CLASH: 0 "
                              "turns it off)";
  const std::string split = ", where one value is taken (one number split by a space? words after the value are a "
                            "comment, which may not begin with a number)";
  const std::string density = " a whole number from 3 to 39692 (each orientation of the sphere is a state; a denser "
                              "sphere has more orientations than the 39998 states an ensemble holds)";
  const std::string turns = " a whole number from 0 to 39998 (each turn about an orientation is a state; more turns "
                            "are more than the 39998 states an ensemble holds)";
  const struct { std::string text; int line; std::string why, shown; } cases[] = {
      {"ORIGIN_DOM1: 4\n\nORIGIN_DOM2: 5\n", 2, holds, ""},
      {"# domains of the linker construct\n", 1, "names #" + noKey, "# domains of the linker construct"},
      {"Pmax: 2.5\nCLASH_DISTANC: 3\n", 2, "names CLASH_DISTANC:" + noKey, "CLASH_DISTANC: 3"},
      {"Pmax: 2.5\npmax: 3\n", 2, "names pmax:" + noKey, "pmax: 3"},
      {"Pmax: 2.5\nCENTER_PIVOT 3\n", 2, "names CENTER_PIVOT" + noKey, "CENTER_PIVOT 3"},
      {"ORIGIN_DOM1: four\n", 1, "gives ORIGIN_DOM1: the value four, where it takes a whole number", ""},
      {"START_RESID_1: 1.5\n", 1, "gives START_RESID_1: the value 1.5, where it takes a whole number", ""},
      {"ENSEMBLE_DENSITY: 12abc\n", 1, "gives ENSEMBLE_DENSITY: the value 12abc, where it takes" + density, ""},
      {"ORIGIN_DOM1: 3e9\n", 1,
       "gives ORIGIN_DOM1: the value 3e9, where it takes a whole number from -2147483648 to 2147483647", ""},
      {"END_RESID_2: -2147483904\n", 1,
       "gives END_RESID_2: the value -2147483904, where it takes a whole number from -2147483648 to 2147483647", ""},
      {"DOMAIN_ANGLE_VAR: nan\n", 1, "gives DOMAIN_ANGLE_VAR: the value nan, where it takes 0 (off) or 1 (on)", ""},
      {"FIX_POSITION_DOM1: 2\n", 1, "gives FIX_POSITION_DOM1: the value 2, where it takes 0 (off) or 1 (on)", ""},
      {"OUTPUT_ENSEMBLE: 1\n", 1,
       "gives OUTPUT_ENSEMBLE: the value 1, where it takes 0 (predict the states), 2 (list the states and stop) or 3 "
       "(write the states' structures and predict none)", ""},
      {"CLASH_DISTANCE: 1,5\n", 1, "gives CLASH_DISTANCE: the value 1,5, where it takes a finite distance in A", ""},
      {"DOM_ANG_BETA: 1.2.3\n", 1, "gives DOM_ANG_BETA: the value 1.2.3, where it takes a finite number", ""},
      {"Pmax: 1e39\n", 1, "gives Pmax: the value 1e39, where it takes a finite number within about -3.4e38 to 3.4e38",
       ""},
      {"BETA_L: -90\n", 1, "gives BETA_L: the value -90, where it takes an angle from 0 to 180 degrees", ""},
      {"ALPHA_WIDTH: 180.5\n", 1, "gives ALPHA_WIDTH: the value 180.5, where it takes an angle from 0 to 180 degrees",
       ""},
      {"BETA_H:\t\x7f\n", 1, "gives BETA_H: the value \\x7F, where it takes an angle from 0 to 180 degrees",
       "BETA_H:\t\\x7F"},
      // The clash distance is judged with the clash switch, wherever the switch stands.
      {"CLASH_DISTANCE: 0\nENSEMBLE_CLASH: 1\n", 1, "gives CLASH_DISTANCE: the value 0" + clashOn, "CLASH_DISTANCE: 0"},
      {"CLASH_DISTANCE: -1\n", 1, "gives CLASH_DISTANCE: the value -1" + clashOn, ""},
      // A number after the value is no comment: a number split by a space, or a second value.
      {"Pmax: 2.5 A\nCLASH_DISTANCE: 1 5\n", 2, "gives CLASH_DISTANCE: the value 1 followed by the number 5" + split,
       "CLASH_DISTANCE: 1 5"},
      {"ORIGIN_DOM1: 4 -2e1 # two\n", 1, "gives ORIGIN_DOM1: the value 4 followed by the number -2e1" + split, ""},
      // The sphere and the turns of an ensemble within the 39998 states it holds: a sphere of
      // 10 * 63^2 + 2 = 39692 orientations is the densest (the next one has 40962).
      {"ENSEMBLE_DENSITY: 2\n", 1, "gives ENSEMBLE_DENSITY: the value 2, where it takes" + density, ""},
      {"ENSEMBLE_DENSITY: 39693\n", 1, "gives ENSEMBLE_DENSITY: the value 39693, where it takes" + density, ""},
      {"ENSEMBLE_GAMMA: -1\n", 1, "gives ENSEMBLE_GAMMA: the value -1, where it takes" + turns, ""},
      {"ENSEMBLE_GAMMA: 39999\n", 1, "gives ENSEMBLE_GAMMA: the value 39999, where it takes" + turns, ""},
  };
  for (const auto& c : cases) {
    std::string path = write("bad.cfg", c.text);
    // The line shown: the refused one, as given where it is not the file's only line.
    const std::string shown = c.shown.empty() && c.line == 1 ? c.text.substr(0, c.text.find('\n')) : c.shown;
    fails(run([&] { return readConfig(path.c_str(), &k); }),
          "KORIM Error: line " + std::to_string(c.line) + " of " + path + " " + c.why + ":\n" + shown + "\n");
  }
  // The line before the empty one was stored before the failure.
  EXPECT_EQ(k.gridInfo.resDom1Origin, 4);
  // Without the clash check any finite distance is read; the ends of the ensemble's ranges are
  // taken, and so are words after a value that are no number.
  path = write("off.cfg", "CLASH_DISTANCE: -1\nENSEMBLE_CLASH: 0\nENSEMBLE_DENSITY: 39692 (dots)\n"
                          "ENSEMBLE_GAMMA: 39998 5A\n");
  ASSERT_EQ(run([&] { return readConfig(path.c_str(), &k); }), 0) << err;
  EXPECT_TRUE(err.empty() && k.gridInfo.densE == 39692 && k.gridInfo.digPsiE == 39998) << err;
  // No turns: the states of a run come from -inE alone.
  path = write("states.cfg", "ENSEMBLE_GAMMA: 0\n");
  ASSERT_EQ(run([&] { return readConfig(path.c_str(), &k); }), 0) << err;
  EXPECT_EQ(k.gridInfo.digPsiE, 0);
  const std::string missing = dir / "none.cfg";
  fails(run([&] { return readConfig(missing.c_str(), &k); }),
        "readConfig File open error: " + missing + ": No such file or directory.\n");
  // A directory is refused as one: a failure, not an empty configuration.
  fails(run([&] { return readConfig(dir.path.c_str(), &k); }),
        "readConfig File open error: " + dir.path + ": Is a directory.\n");
  // No name: nothing to read.
  KorimInfo before = k;
  EXPECT_EQ(readConfig("", &k), 0);
  EXPECT_EQ(std::memcmp(&before.gridInfo, &k.gridInfo, sizeof(GridInfo)), 0);
}

// ---------------------------------------------------------------- 1-D potential

struct ReadPotential : Scratch {
  std::vector<double> pot = std::vector<double>(10001, -7.0);
  int rows = -1;
  double offset = -1.0, step = -1.0;
  int read(const std::string& path) {
    return run([&] { return readPotential(path.c_str(), nullptr, &rows, pot.data(), &offset, &step); });
  }
};

// Uniform rows in nanometres give Angstrom; bad files fail with their line.
TEST_F(ReadPotential, StepsOffsetsAndRefusals) {
  ASSERT_EQ(read(write("p", "0.0 -1.5\n0.1 -0.75\n0.2 -0.25\n")), 0) << err;
  // Rows from entry 1; entries up to 9999 cleared, entries 0 and 10000 untouched.
  const std::vector<double> head = {-7.0, -1.5, -0.75, -0.25, 0.0};
  EXPECT_EQ(std::vector<double>(pot.begin(), pot.begin() + 5), head);
  EXPECT_EQ(pot[9999], 0.0);
  EXPECT_EQ(pot[10000], -7.0);
  // (rows, rows read, offset, step in Angstrom): a non-zero first distance is the offset, one row
  // has no step, an empty file or no name leaves offset and step as they were.
  const struct { const char* text; int rows; double offset, step; } cases[] = {
      {"0.0 -1.5\n0.1 -0.75\n0.2 -0.25\n", 3, 0.0, 1.0}, {"0.35 1\n0.40 2\n0.45 3\n0.50 4\n", 4, 3.5, 0.5},
      {"0.2 5\n", 1, 2.0, 0.0}, {"", 0, 2.0, 0.0}, {nullptr, 0, 2.0, 0.0}};
  for (const auto& c : cases) {
    rows = 7;
    ASSERT_EQ(read(c.text ? write("p", c.text) : ""), 0) << err;
    EXPECT_EQ(rows, c.rows) << c.rows;
    EXPECT_NEAR(offset, c.offset, 1e-12) << c.rows;
    EXPECT_NEAR(step, c.step, 1e-9) << c.rows;
  }
  // 0.1 nm steps, then one of 0.2 nm: differences 0.2 and 0.1, 0.1 apart.
  std::string path = write("p", "0.0 1\n0.1 2\n0.3 3\n");
  EXPECT_EQ(read(path), 1);
  EXPECT_EQ(err, "readPotential Error: line 3 of " + path + " breaks the uniform step of the distances (0.2 nm "
                 "from the line before, where the first two lines set a step of 0.1 nm):\n0.3 3\n");
  EXPECT_DOUBLE_EQ(pot[2], 2.0);  // rows before the failure stay stored
  const std::string missing = dir / "no.pot";
  fails(read(missing), "readPotential File open error: " + missing + ": No such file or directory.\n");

  // At most 9998 rows.
  std::string text;
  char line[64];
  for (int i = 0; i < 9998; i++) std::snprintf(line, sizeof line, "%.3f %d\n", 0.01 * i, i), text += line;
  ASSERT_EQ(read(write("p", text)), 0);
  EXPECT_EQ(rows, 9998);
  EXPECT_DOUBLE_EQ(pot[9998], 9997.0);
  rows = -1;
  path = write("p", text + "99.980 9998\n");
  fails(read(path), "readPotential Error: line 9999 of " + path +
                        " is one row more than the 9998 a potential file may hold:\n99.980 9998\n");
  EXPECT_EQ(rows, -1);  // no count after a failure
}

// Lines that are not two numbers, numbers that are not finite or not wholly numbers ("2,5" would
// read as 2), a file cut inside its last line: each refused naming the file, the line's number,
// what is wrong and what a line holds, then the line's text (control bytes written out).
TEST_F(ReadPotential, PartialAndNonFiniteNumbersAndCutLinesAreRefused) {
  const std::string form =
      " (each line of a potential file holds a distance in nm and the potential there, at evenly spaced distances)";
  const std::string notTwo = "does not start with two numbers" + form;
  const auto notFinite = [&](const std::string& word) {
    return "holds \"" + word + "\", which is not a finite number" + form;
  };
  const struct { const char* text; int line; std::string what, shown; } cases[] = {
      {"0.0 1\n0.1 nan\n", 2, notFinite("nan"), "0.1 nan"},
      {"0.0 -inf\n", 1, notFinite("-inf"), "0.0 -inf"},
      {"0.0 1e999\n", 1, notFinite("1e999"), "0.0 1e999"},
      {"0.0 1\n0.1 2,5\n", 2, notFinite("2,5"), "0.1 2,5"},
      {"0.0 1\n0.1 2\x01\n", 2, notFinite("2\\x01"), "0.1 2\\x01"},
      {"0.0 1\n0.1 x\n", 2, notTwo, "0.1 x"},
      {"0.0 1\n0.1 2\n0.2", 3, notTwo, "0.2"},
      {"\x7f\x45LF\x02\x01\n", 1, notTwo, "\\x7FELF\\x02\\x01"},
      // A number after the two is no comment: a space typed into -1.5.
      {"0.0 1\n0.1 -1 5 # note\n", 2, "holds the last value -1 followed by the number 5, where two values are taken (one "
       "number split by a space? words after the values are a comment, which may not begin with a number)" + form,
       "0.1 -1 5 # note"},
  };
  for (const auto& c : cases) {
    const std::string path = write("p", c.text);
    fails(read(path), "readPotential Error: line " + std::to_string(c.line) + " of " + path + " " + c.what + ":\n" +
                          c.shown + "\n");
  }
}

// ---------------------------------------------------------------- 3-D grids

struct Read3D : Scratch {
  std::vector<double> v = std::vector<double>(8, -1.0);
  int count = -1;
  void SetUp() override {
    Scratch::SetUp();
    k.grid3DnX = k.grid3DnY = k.grid3DnZ = 2;
  }
  // Eleven header lines, then the values.
  std::string grid(const std::string& body) {
    std::string h;
    for (int i = 1; i <= 11; i++) h += "header line " + std::to_string(i) + " 1 2 3\n";
    return write("g", h + body);
  }
  int read(const std::string& path) { return run([&] { return read3DPotential(path.c_str(), &k, &count, v.data()); }); }
};

// Values keep file order, a short line warns; the steric mask keeps values below the limit; a count
// other than the grid fails.
TEST_F(Read3D, ValuesMaskAndCounts) {
  const std::string shortLine = grid("1 2 3\n4 5 6\n7 8\n");
  ASSERT_EQ(read(shortLine), 0) << err;
  EXPECT_EQ(count, 8);
  EXPECT_EQ(v, (std::vector<double>{1, 2, 3, 4, 5, 6, 7, 8}));
  // The warning starts its own line after the progress line and says where the line stands.
  EXPECT_EQ(err, "REMARK Reading values of 3D potential 0 of 8\rREMARK Reading values of 3D potential 3 of 8\r"
                 "REMARK Reading values of 3D potential 6 of 8\r"
                 "\nWARNING: File with 3D Potential may contain line with wrong input format!\nLine:7 8\n"
                 "read3DPotential: line 14 of " + shortLine + ".\n\n");
  k.elInfo.maxPot = 1.0f;
  std::vector<float> m(8, -1.0f);
  std::string path = grid("-0.5 1.0 -1.0\n2.0 0.0 0.999\n-0.9999 5\n");
  ASSERT_EQ(run([&] { return read3DPotSteric(path.c_str(), &k, &count, m.data()); }), 0);
  EXPECT_EQ(m, (std::vector<float>{1, 0, 0, 0, 1, 1, 1, 0}));
  // Open failure: one message for both readers; empty name: nothing.
  const std::string missing = dir / "none";
  fails(run([&] { return read3DPotSteric(missing.c_str(), &k, &count, m.data()); }),
        "read3DPotential File open error: " + missing + ": No such file or directory.\n");
  EXPECT_EQ(read3DPotential("", &k, &count, nullptr), 0);
  EXPECT_EQ(count, 0);
  count = -1;
  for (const char* body : {"1 2 3\n4 5 6\n7 8 9\n", "1 2 3\n4 5 6\n"}) {
    EXPECT_EQ(read(grid(body)), 1);
    EXPECT_NE(err.find("ERROR: Total size of 3D grid not as specified.\n"), std::string::npos);
    EXPECT_EQ(count, -1);
  }
  // Numbers past the total are counted, never stored past the grid.
  EXPECT_DOUBLE_EQ(v[7], 8.0);
  // A grid size whose product overflows int is refused.
  k.grid3DnX = k.grid3DnY = k.grid3DnZ = 2000;
  fails(read(grid("1 2 3\n")), "ERROR: 3D grid of 2000 x 2000 x 2000 values is too large.\n");
}

// A value of nan or inf, or one not wholly a number, is refused by both readers with its line,
// where the mask would take it as blocking and the potential would turn every sum into nan.
TEST_F(Read3D, PartialAndNonFiniteValuesAreRefused) {
  const std::string progress =
      "REMARK Reading values of 3D potential 0 of 8\rREMARK Reading values of 3D potential 3 of 8\r\n";
  std::vector<float> m(8, -1.0f);
  for (const char* word : {"nan", "-inf", "6abc", "6,5", "6*"}) {
    const std::string line = std::string("4 5 ") + word;
    const std::string path = grid("1 2 3\n" + line + "\n7 8\n");
    const std::string message = progress + "read3DPotential Error: line 13 of " + path + " holds \"" + word +
                                "\", which is not a finite number (each value line of a 3-D grid holds up to "
                                "three finite numbers):\n" + line + "\n";
    fails(read(path), message);
    fails(run([&] { return read3DPotSteric(path.c_str(), &k, &count, m.data()); }), message);
  }
}

// A file longer than its grid, by whole lines or within a line, is refused by both readers, naming
// both counts; lines after the last value that hold none (blank, comment) are no values. Each
// value of a grid read as a potential keeps its line, for the models' messages.
TEST_F(Read3D, ALongerFileIsRefusedAndEachValueKeepsItsLine) {
  struct Case {
    const char* body;
    long long values;  // 8: read
  };
  const Case cases[] = {
      {"1 2 3\n4 5 6\n7 8\n", 8},
      {"1 2 3\n4 5 6\n7 8\n\n   \n# end of the grid 9 10\nEND\n", 8},
      {"1 2 3\n4 5 6\n7 8\n9\n", 9},
      {"1 2 3\n4 5 6\n7 8 9\n", 9},
      {"1 2 3\n4 5 6\n7 8\n# more\n9 10 11\n12 13 14 15\n", 15},
      {"1 2 3\n4 5 6\n7 8\n9 10 11 # comment\n", 11},
      {"1\n2\n3 4 5\n6 7 8\n1.5abc\n", 9},
  };
  std::vector<float> m(8, -1.0f);
  for (const Case& c : cases) {
    const std::string path = grid(c.body);
    const std::string refusal = "ERROR: Total size of 3D grid not as specified.\nERROR: " + path + " holds " +
                                std::to_string(c.values) + " values after its 11 header lines; the grid of 2 x 2 x 2 "
                                "(-nX, -nY, -nZ) needs 8.\n";
    const int potential = read(path);
    const std::string potentialErr = err;
    const int mask = run([&] { return read3DPotSteric(path.c_str(), &k, &count, m.data()); });
    if (c.values == 8) {
      EXPECT_EQ(potential, 0) << c.body << potentialErr;
      EXPECT_EQ(mask, 0) << c.body << err;
    } else {
      EXPECT_EQ(potential, 1) << c.body;
      EXPECT_NE(potentialErr.find(refusal), std::string::npos) << c.body << potentialErr;
      EXPECT_NE(err.find(refusal), std::string::npos) << c.body << err;
    }
  }
  // Lines 12 to 14 hold 1, 1 and 3 values, then 3 (the last line's), counted from the file's start.
  ASSERT_EQ(read(grid("1\n2\n3 4 5\n6 7 8\n")), 0) << err;
  const ValueLines& lines = potentialSource(PotentialFile::grid);
  EXPECT_EQ(lines.file(), dir / "g");
  std::vector<int> at;
  for (long long i = -1; i <= 8; i++) at.push_back(lines.lineOf(i));
  EXPECT_EQ(at, (std::vector<int>{0, 12, 13, 14, 14, 14, 15, 15, 15, 0}));
  // A failed read leaves no source to name.
  EXPECT_EQ(read(grid("1 2 3\n")), 1);
  EXPECT_EQ(potentialSource(PotentialFile::grid).size(), 0);
  // The rod's table: row n is line n.
  std::vector<double> pot(10001, 0.0);
  double offset = 0.0, step = 0.0;
  const std::string rod = write("r", "0.0 -2\n0.1 -1\n0.2 -0.5\n");
  ASSERT_EQ(run([&] { return readPotential(rod.c_str(), &k, &count, pot.data(), &offset, &step); }), 0) << err;
  const ValueLines& rows = potentialSource(PotentialFile::rodTable);
  EXPECT_EQ(rows.file(), rod);
  EXPECT_EQ(std::vector<int>({rows.lineOf(0), rows.lineOf(2), rows.lineOf(3)}), std::vector<int>({1, 3, 0}));
}

// ---------------------------------------------------------------- ensembles

TEST_F(Scratch, EnsembleRowsFromOneInFileOrderAtMost39998) {
  std::vector<double> a(40001, 0.0), b(40001, 0.0), g(40001, 0.0);
  int n = -1;
  auto read = [&](const std::string& path) {
    return run([&] { return readEnsemble(path.c_str(), &n, a.data(), b.data(), g.data()); });
  };
  ASSERT_EQ(read(write("e", "10 20 30\n-45.5 90 180 extra\n0 0 0\n")), 0);
  EXPECT_EQ(n, 3);
  EXPECT_EQ(std::vector<double>({a[0], a[1], b[1], g[1], a[2], g[2]}),
            std::vector<double>({0, 10, 20, 30, -45.5, 180}));
  std::string text;
  for (int i = 1; i <= 39998; i++) text += std::to_string(i) + " 1 2\n";
  ASSERT_EQ(read(write("e", text)), 0);
  EXPECT_EQ(n, 39998);
  EXPECT_DOUBLE_EQ(a[39998], 39998.0);
  // Refused lines: the file, the line's number, what is wrong, what a line holds, the line's text
  // with its control bytes and any byte beyond ASCII written out, a long line cut.
  const std::string form =
      " (each line of a states file holds the three angles alpha, beta, gamma of one state, in degrees):\n";
  const std::string longLine = "1 2" + std::string(250, 'x');
  const struct { std::string text; int line; std::string what, shown; } cases[] = {
      {text + "39999 1 2\n", 39999, "is one state more than the 39998 a states file may hold:\n", "39999 1 2"},
      {"10 20\n", 1, "does not start with three numbers" + form, "10 20"},
      {"10 20 30\n5 \x01\xff\t7\r\n", 2, "does not start with three numbers" + form, "5 \\x01\\xFF\t7"},
      {longLine + "\n", 1, "does not start with three numbers" + form,
       longLine.substr(0, 240) + " ... (253 characters)"},
      {"10 20 30\n5 nan 7\n", 2, "holds an angle that is not a finite number" + form, "5 nan 7"},
      // Each angle wholly one number: "0,5" is not 0, nor "0abc" 0.
      {"10 20 30\n5 90 0,5\n", 2, "holds an angle that is not a finite number" + form, "5 90 0,5"},
      {"10 20 30\n5 90 0abc\n", 2, "holds an angle that is not a finite number" + form, "5 90 0abc"},
      {"10 20 30\n5 90 3 5\n", 2, "holds the last value 3 followed by the number 5, where three values are taken (one "
       "number split by a space? words after the values are a comment, which may not begin with a number)" + form,
       "5 90 3 5"},
  };
  for (const auto& c : cases) {
    const std::string path = write("bad", c.text);
    fails(read(path), "readEnsemble Error: line " + std::to_string(c.line) + " of " + path + " " + c.what + c.shown +
                          "\n");
  }
  const std::string missing = dir / "none";
  fails(read(missing), "readEnsemble File open error: " + missing + ": No such file or directory.\n");
}

// ---------------------------------------------------------------- free format

struct ReadFree : Scratch {
  // Exactly the documented capacity, so that a write past it is caught.
  std::vector<double> x = std::vector<double>(kFreeAtomMax + 1, 0.0);
  std::vector<double> y = std::vector<double>(kFreeAtomMax + 1, 0.0);
  std::vector<double> z = std::vector<double>(kFreeAtomMax + 1, 0.0);
  int n = -1;
  int read(const std::string& path) {
    return run([&] { return readPDBfree(path.c_str(), &n, x.data(), y.data(), z.data()); });
  }
};

// Coordinates match the real PDB file; words, not lines, count and END stops the atoms; malformed
// records and too many atoms are refused.
TEST_F(ReadFree, CoordinatesWordsAndRefusals) {
  ASSERT_EQ(read(korim_test::testData("app/ubiquitin_res1to3_free.txt")), 0) << err;
  // Residues 1 to 3 of ubiquitin with their hydrogens, read by the PDB columns.
  const korim_test::PdbAtoms pdb = korim_test::readPdbAtoms(korim_test::kUbiquitinPdb, true);
  int expected = 0;
  while (expected < pdb.n() && pdb.resIDs[expected + 1] <= 3) expected++;
  ASSERT_EQ(expected, 55);
  ASSERT_EQ(n, expected);
  for (int i = 1; i <= n; i++)
    EXPECT_TRUE(std::fabs(x[i] - pdb.x[i]) < 1e-4 && std::fabs(y[i] - pdb.y[i]) < 1e-4 &&
                std::fabs(z[i] - pdb.z[i]) < 1e-4) << i;
  // Records may share lines or span several; words before the first ATOM and between records
  // are skipped; "ATOMS" is not "ATOM"; nothing after END is read.
  ASSERT_EQ(read(write("f", "HEADER test ATOMS\nATOM 1 N ALA 1 1.0 2.0 3.0 N ATOM 2 CA ALA 1\n"
                           "  4.5 -5.5 6.25\nTER END\nATOM 3 C ALA 1 7 8 9\n")), 0);
  EXPECT_EQ(n, 2);
  EXPECT_EQ(std::vector<double>({x[2], y[2], z[2]}), std::vector<double>({4.5, -5.5, 6.25}));
  // Numbers after z (occupancy, B-factor) are skipped; fewer than the first record's (a B-factor
  // fused with the occupancy) too, and so are the numbers of a line that is no record.
  ASSERT_EQ(read(write("f", "ATOM 1 N ALA 1 1 2 3 1.00 9.5 N\nTER 2 ALA 1\nATOM 2 CA ALA 1 4 5 6 1.00100.00\n"
                           "ATOM 3 C ALA 1 7 8\n 9 1.00 9.5\nEND\n")), 0) << err;
  EXPECT_EQ(std::vector<double>({static_cast<double>(n), x[3], y[3], z[3]}), std::vector<double>({3, 7, 8, 9}));
  // One more than the first record's is a number split by a space, here the B-factor 9.5.
  std::string split = write("s", "ATOM 1 N ALA 1 1 2 3 1.00 9.5\nATOM 2 CA ALA 1 4 5 6 1.00 9 5\nEND\n");
  fails(read(split), "readPDBfree Error: line 2 of " + split + " holds an ATOM record with 3 numbers after its z "
                     "coordinate, where the first record (line 1) holds 2 numbers (one number split by a space? words "
                     "after z, such as occupancy and B-factor, are skipped, but every record of a file holds as many "
                     "numbers there):\nATOM 2 CA ALA 1 4 5 6 1.00 9 5\n");
  // Without END the records read are kept.
  ASSERT_EQ(read(write("g", "ATOM 1 N ALA 1 1 2 3\nATOM 2 CA ALA 1 4 5 6\n")), 0);
  EXPECT_EQ(n, 2);
  // Each with the record as its words were read.
  const struct { const char* text; int line; const char* record; } cases[] = {
      {"REMARK chain letters\nATOM 1 N MET 1 1 2 3\nATOM 2 CA MET A 1 1.0 2.0 3.0\nEND\n", 3,
       "ATOM 2 CA MET A 1 1.0 2.0"},
      {"ATOM 1 N MET 1 1 2\n", 1, "ATOM 1 N MET 1 1 2"},                              // ends inside the record
      {"ATOM 1 N MET 1.5 1 2 3\nEND\n", 1, "ATOM 1 N MET 1.5 1 2 3"},                 // residue number not whole
      {"ATOM 99999999999 N MET 1 1 2 3\nEND\n", 1, "ATOM 99999999999 N MET 1 1 2 3"}, // serial out of range
      {"\n\nATOM 1 N MET 1 1 2\nnan\nEND\n", 3, "ATOM 1 N MET 1 1 2 nan"},            // not finite, on 2 lines
      {"ATOM 1 N MET 1 1 2 3e39\nEND\n", 1, "ATOM 1 N MET 1 1 2 3e39"},               // beyond single precision
      {"ATOM 1 NAMEWITHSIXTEENCH MET 1 1 2 3\nEND\n", 1, "ATOM 1 NAMEWITHSIXTEENCH MET 1 1 2 3"},
      {"ATOM 1 N MET 1\x1b[31m 1 2 3\nEND\n", 1, "ATOM 1 N MET 1\\x1B[31m 1 2 3"},     // a terminal control
  };
  for (const auto& c : cases) {
    std::string path = write("bad", c.text);
    n = -1;
    fails(read(path), "readPDBfree Error: line " + std::to_string(c.line) + " of " + path +
                          " starts a malformed ATOM record (ATOM, then atom number, atom name, residue name, residue "
                          "number, x, y, z: whole numbers, names of at most 15 characters, finite coordinates):\n" +
                          c.record + "\n");
    EXPECT_EQ(n, -1);
  }
  std::string path = write("none", "REMARK no records\nEND\n");
  fails(read(path), "readPDBfree Error: no ATOM record in " + path + ".\n");
  const std::string missing = dir / "missing";
  fails(read(missing), "readPDBfree File open error: " + missing + ": No such file or directory.\n");
  EXPECT_EQ(read(""), 0);
  EXPECT_EQ(n, 0);

  // At most 4998 atoms; the one past the capacity is refused before it is stored.
  std::string text;
  for (int i = 1; i <= 4998; i++) text += "ATOM " + std::to_string(i) + " CA GLY " + std::to_string(i) + " 1 2 3\n";
  ASSERT_EQ(read(write("f", text + "END\n")), 0);
  EXPECT_EQ(n, 4998);
  text += "ATOM 4999 CA GLY 4999 1 2 3\n";
  for (const char* more : {"END\n", "ATOM 5000 CA GLY 5000 1 2 3\nEND\n"}) {
    path = write("f", text + more);
    fails(read(path), "readPDBfree Error: line 4999 of " + path +
                          " holds ATOM record 4999, one more than the 4998 atoms a free-format file may hold.\n");
  }
}

}  // namespace
