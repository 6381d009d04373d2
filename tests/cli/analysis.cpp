// The analysis modes run from the command line: table conversion against golden files, coupling
// arithmetic by hand values, order-matrix comparison from the physics of two tensors, and the
// structure analysis of a hand-made structure and of a charged protein.
#include "tests/cli/cli_util.h"
#include "tests/support/rotation.h"

using namespace korim_cli;
using namespace korim_test;

namespace {

std::string analysisData(const std::string& name) { return testData("cli/analysis/" + name); }

// Runs a conversion of three.tab copied into the run directory (so that the header names it
// without a path).
RunResult convert(const TempDir& d, std::vector<std::string> extra) {
  writeFile(d / "three.tab", readFile(analysisData("three.tab")));
  extra.insert(extra.begin(), {"-conv", "-inD", "three.tab"});
  return runKorim(extra, d);
}

}  // namespace

TEST(Conversion, EachFormatMatchesItsGoldenFile) {
  const struct { const char* flag; const char* golden; } cases[] = {
      {"-xplor", "conv_xplor.txt"}, {"-cns", "conv_xplor.txt"}, {"-dyana", "conv_dyana.txt"},
      {"-rosetta", "conv_rosetta.txt"}, {"-dcHH", "conv_listing.txt"}};
  for (const auto& c : cases) {
    TempDir d;
    RunResult r = convert(d, {c.flag});
    ASSERT_EQ(r.status, 0) << c.flag << r.err;
    // Standard output holds the restraints only; the selection remark goes to stderr.
    EXPECT_EQ(r.out, readFile(analysisData(c.golden))) << c.flag;
    EXPECT_NE(r.err.find("REMARK 3 couplings selected (inclusive max).\n"), std::string::npos);
  }
}

// The listing of 300 couplings in random order (repeated residues, both atom orders, couplings of
// no column or of 999 Hz and more), as the straightforward scan of every row for every line and
// column wrote it: the whole table with the H-HA column, and a range whose couplings reach past it.
TEST(Conversion, ListingOfAMixedTableMatchesItsGoldenFiles) {
  const struct { std::vector<std::string> args; const char* golden; } cases[] = {
      {{"-dcHH"}, "conv_listing_mix_dchh.txt"},
      {{"-d1", "20", "-dN", "40", "-inc"}, "conv_listing_mix_range.txt"}};
  for (const auto& c : cases) {
    TempDir d;
    std::vector<std::string> args = {"-conv", "-inD", analysisData("listing_mix.tab")};
    args.insert(args.end(), c.args.begin(), c.args.end());
    RunResult r = runKorim(args, d);
    ASSERT_EQ(r.status, 0) << c.golden << r.err;
    EXPECT_EQ(r.out, readFile(analysisData(c.golden))) << c.golden;
  }
}

TEST(Conversion, ScaleNoiseAndAFailedRead) {
  TempDir d;
  RunResult r = convert(d, {"-xplor", "-scale", "-outD", "x.tbl"});
  ASSERT_EQ(r.status, 0) << r.err;
  // Value and error of the weight-2 coupling doubled; with a file the remark goes to stdout.
  const std::string text = readFile(d / "x.tbl");
  EXPECT_EQ(lines(text)[0], "! Normalized dipolar couplings from three.tab.");
  EXPECT_NE(text.find("name H and not segid REF )   10.0000 2.0000\n"), std::string::npos);
  EXPECT_NE(r.out.find("REMARK 3 couplings selected"), std::string::npos);
  // The listing shows the couplings as read.
  EXPECT_EQ(convert(d, {"-scale"}).out, "    9  GLY    C 5.000 -4.250 -9999.000 -9999.000 12.125 -9999.000\n");
  // Noise follows the seed.
  auto noisy = [&](const char* seed) { return convert(d, {"-rosetta", "-dcNoise", "-idum", seed}).out; };
  const std::string a = noisy("-7");
  EXPECT_EQ(lines(a)[1], "Gaussian noise has been added.");
  EXPECT_EQ(a, noisy("-7"));
  EXPECT_NE(a, noisy("-8"));
  // A failed read leaves the output file as it was (a conversion in place is refused before).
  writeFile(d / "t.tab", readFile(testData("dc/bad_number.tab")));
  writeFile(d / "t.tbl", "kept\n");
  r = runKorim({"-conv", "-xplor", "-inD", "t.tab", "-outD", "t.tbl"}, d);
  EXPECT_NE(r.status, 0);
  EXPECT_TRUE(inOrder(r.err, {"Error reading DC input t.tab\n", "korim: error in conversion of table.\n"}));
  EXPECT_EQ(readFile(d / "t.tbl"), "kept\n");
  // A row without a residue number at an end becomes no restraint: it is named, the others are
  // converted, and the table's placeholder number never stands as a residue.
  writeFile(d / "t.tab", "VARS RESID_I ATOMNAME_I RESID_J ATOMNAME_J D\nFORMAT %d %s %d %s %f\n"
                         "2 N 2 H -13.2\n3 N 3 H 8.78\n");
  const std::string both = runKorim({"-conv", "-xplor", "-inD", "t.tab"}, d).out;
  writeFile(d / "t.tab", readFile(testData("dc/one_residue_end.tab")) + "\n");
  for (const char* format : {"-xplor", "-cns", "-dyana", "-rosetta", "-tbl"}) {
    r = runKorim({"-conv", format, "-inD", "t.tab"}, d);
    EXPECT_EQ(r.status, 1) << format;
    EXPECT_TRUE(inOrder(r.err, {"DC Warning: 2 selected couplings name no residue at an end, which a restraint needs, "
                                "and are not converted:\n   row 1: holds no residue number in RESID_J\n"
                                "   row 2: holds no residue number in RESID_J\n",
                                "0 usable"})) << format << r.err;
    EXPECT_EQ(r.out.find("666666"), std::string::npos) << format;
  }
  EXPECT_NE(both.find("( resid   3 and name H and not segid REF )   8.7800"), std::string::npos) << both;
}

TEST(CouplingArithmetic, HandValuesOfEachOperation) {
  // Pairs (first, second): C-N (-4.25, 1), N-H (5, 8), CA-HA (12.125, 2); the second table's
  // rows come in another order and one has no partner. A division by zero leaves its coupling out
  // (CA-HA, 12.125 / 2, is still combined: a combination of none is refused).
  TempDir data;
  const std::string second = analysisData("second.tab");
  const std::string zero = writeFile(data / "zero.tab",
                                     "VARS RESID_I RESNAME_I ATOMNAME_I RESID_J RESNAME_J ATOMNAME_J D\n"
                                     "FORMAT %4d %4s %4s %4d %4s %4s %9.3f\n\n"
                                     "   10  LEU    N   10  LEU    H     0.000\n"
                                     "   10  LEU   CA   10  LEU   HA     2.000\n");
  // The second table's rows go through the first's selection: a row at the null value (999) or
  // above 900 Hz is no partner, and the rows of the first it leaves without one are named.
  const std::string unusable = writeFile(data / "unusable.tab",
                                         "VARS RESID_I RESNAME_I ATOMNAME_I RESID_J RESNAME_J ATOMNAME_J D\n"
                                         "FORMAT %4d %4s %4s %4d %4s %4s %9.3f\n\n"
                                         "    9  GLY    C   10  LEU    N     1.000\n"
                                         "   10  LEU   CA   10  LEU   HA   999.000\n"
                                         "   10  LEU    N   10  LEU    H   901.000\n");
  // The table compares nothing: one remark says what D holds, with the run's factors, and no
  // statistic stands between DATA N and the rows.
  const struct {
    std::vector<std::string> ops;
    std::string second;
    std::vector<double> d;
    const char* err;
    const char* holds;
  } cases[] = {
      {{}, second, {1, 8, 2}, "", "0*D1 + 1*D2"},
      {{"-add", "-c1", "1"}, second, {-3.25, 13, 14.125}, "", "1*D1 + 1*D2"},
      {{"-sub", "-c1", "1"}, second, {-5.25, -3, 10.125}, "", "1*D1 - 1*D2"},
      {{"-mul", "-c1", "2", "-c2", "0.5"}, second, {-4.25, 40, 24.25}, "", "(2*D1)*(0.5*D2)"},
      {{"-max", "-c1", "10"}, second, {1, 8, 121.25}, "", "10*D1 if D1 >= D2, else 1*D2"},  // raw values compared
      {{"-div", "-c1", "1"}, zero, {6.0625}, "10 N - 10 H is not a number", "(1*D1)/(1*D2)"},
      {{"-add", "-c1", "-1", "-c2", "0"}, second, {4.25, -5, -12.125}, "", "(-1)*D1 + 0*D2"},
      {{"-sub", "-c1", "1"}, unusable, {-5.25},
       "DC Warning: 2 couplings of -inD1 pair only with rows of -inD2 that are not used (a missing or unusable "
       "coupling, or a row left out by the selection) and are left out:\n   row 2: 10 N - 10 H (row 3 of -inD2)\n"
       "   row 3: 10 CA - 10 HA (row 2 of -inD2)\n",
       "1*D1 - 1*D2"},
      // Products are no couplings: above 900 Hz they stay, and DATA N counts them.
      {{"-mul", "-c1", "100"}, second, {-425, 4000, 2425}, "", "(100*D1)*(1*D2)"},
  };
  for (const auto& c : cases) {
    TempDir d;
    std::vector<std::string> args = {"-anDc", "-inD1", analysisData("three.tab"), "-inD2", c.second, "-outD",
                                     "sum.tab"};
    args.insert(args.end(), c.ops.begin(), c.ops.end());
    RunResult r = runKorim(args, d);
    ASSERT_EQ(r.status, 0) << r.err;
    // DATA N counts the rows written.
    const auto comparable = c.d.size();
    EXPECT_NE(r.out.find("REMARK " + std::to_string(c.d.size()) + " couplings combined (inclusive max).\n"),
              std::string::npos);
    EXPECT_NE(r.err.find(c.err), std::string::npos);
    EXPECT_TRUE(inOrder(readFile(d / "sum.tab"),
                        {"\nDATA N                    " + std::to_string(comparable) +
                         "\nREMARK No comparison statistics: -anDc back-calculates no coupling: D is " + c.holds +
                         ", where D1 is the coupling of -inD1 (D_OBS) and D2 that of the same atoms in -inD2.\n\nVARS"}))
        << c.holds;
    const std::vector<double> got = readTable(d / "sum.tab").numbers("D");
    ASSERT_EQ(got.size(), c.d.size());
    for (size_t i = 0; i < got.size(); i++) EXPECT_NEAR(got[i], c.d[i], 1e-4) << i;
  }
}

// A quotient that is not finite is named by its cause: a divisor of 0, or a value beyond single
// precision (factors 1e19 and 1e-19: -4.25 / 1 and 12.125 / 2 times 1e38 overflow, 5 / 8 does not).
TEST(CouplingArithmetic, AQuotientThatIsNotFiniteNamesItsCause) {
  TempDir d;
  const std::string zero = writeFile(d / "zero.tab",
                                     "VARS RESID_I RESNAME_I ATOMNAME_I RESID_J RESNAME_J ATOMNAME_J D\n"
                                     "FORMAT %4d %4s %4s %4d %4s %4s %9.3f\n\n"
                                     "   10  LEU    N   10  LEU    H     0.000\n"
                                     "   10  LEU   CA   10  LEU   HA     2.000\n");
  const struct {
    std::string second;
    std::vector<std::string> factors;
    std::vector<std::string> err;
  } cases[] = {
      {zero, {"-c1", "1"}, {"coupling 10 N - 10 H is not a number (division by zero?)"}},
      {analysisData("second.tab"), {"-c1", "1e19", "-c2", "1e-19"},
       {"coupling 9 C - 10 N is not a number (beyond single precision)",
        "coupling 10 CA - 10 HA is not a number (beyond single precision)"}},
  };
  for (const auto& c : cases) {
    std::vector<std::string> args = {"-anDc", "-inD1", analysisData("three.tab"), "-inD2", c.second, "-outD",
                                     "q.tab", "-div"};
    args.insert(args.end(), c.factors.begin(), c.factors.end());
    const RunResult r = runKorim(args, d);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(inOrder(r.err, c.err)) << r.err;
    EXPECT_EQ(readTable(d / "q.tab").numbers("D").size(), 1u);
  }
}

TEST(CouplingArithmetic, ProductsAndRatiosWriteEveryFiniteRowAndCountIt) {
  // A product or ratio is no coupling: however large, each finite one is written, in the report
  // and the short table alike, and DATA N counts the rows written. With factors 1e19 a product
  // D1*D2*1e38 is finite only where |D| < sqrt(FLT_MAX / 1e38), 1.8439 Hz.
  const std::vector<double> given = readTable(kCouplings).numbers("D");
  const auto small = std::count_if(given.begin(), given.end(), [](double v) { return std::fabs(v) < 1.8439; });
  ASSERT_TRUE(given.size() == 63 && small == 17) << small;
  const struct {
    std::vector<std::string> ops;
    size_t rows;
  } cases[] = {{{"-mul", "-c1", "2"}, 63},
               {{"-mul", "-c1", "1e8"}, 63},
               {{"-div", "-c1", "1e8", "-c2", "1e-8"}, 63},
               {{"-mul", "-c1", "1e19", "-c2", "1e19"}, size_t(small)}};
  for (const auto& c : cases) {
    std::vector<double> d[2];
    for (int verbose = 0; verbose < 2; verbose++) {
      TempDir dir;
      std::vector<std::string> args = {"-anDc", "-inD1", kCouplings, "-inD2", kCouplings, "-outD", "p.tab"};
      args.insert(args.end(), c.ops.begin(), c.ops.end());
      if (verbose == 0) args.push_back("-noverb");
      const RunResult r = runKorim(args, dir);
      ASSERT_EQ(r.status, 0) << c.ops[2] << r.err;
      const std::string text = readFile(dir / "p.tab");
      d[verbose] = readTable(dir / "p.tab").numbers("D");
      EXPECT_EQ(d[verbose].size(), c.rows) << c.ops[2];
      if (verbose == 1) {
        EXPECT_NE(text.find("\nDATA N                    " + std::to_string(c.rows) + "\n"), std::string::npos)
            << c.ops[2];
      }
    }
    EXPECT_EQ(d[0], d[1]) << c.ops[2];
  }
}

namespace {

// The report of -anA on two Saupe vectors, run in d.
std::string compareTensors(const TempDir& d, const double* s1, const double* s2) {
  std::vector<std::string> args = {"-anA", "-outA", "a.tab", "-inS1"};
  char word[32];
  for (int i = 0; i < 10; i++) {
    std::snprintf(word, sizeof word, "%.10e", i < 5 ? s1[i] : s2[i - 5]);
    args.push_back(word);
    if (i == 4) args.push_back("-inS2");
  }
  EXPECT_EQ(runKorim(args, d).status, 0);
  return readFile(d / "a.tab");
}

double deg(double rad) { return rad * 180.0 / M_PI; }

// The X, Y and Z axes printed in the Euler record that follows the line title.
Mat3 printedAxes(const std::vector<std::string>& text, const std::string& title) {
  const auto from = std::find(text.begin(), text.end(), title);
  const std::vector<std::string> rest(from, text.end());
  Mat3 a{};
  for (int i = 0; i < 3; i++) {
    const std::vector<double> v = numbersAfter(rest, std::string("DATA EIGENVECTORS ") + "XYZ"[i] + "AXIS ");
    for (int k = 0; k < 3 && k < static_cast<int>(v.size()); k++) a.m[i][k] = v[k];
  }
  return a;
}

double dot(const double* a, const double* b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

}  // namespace

TEST(OrderMatrixComparison, PhysicsOfTwoTensors) {
  // Principal values (x, y, z) = (-0.7, -0.3, 1.0)e-3; the second tensor has z moved onto x.
  // Its 5-D cosine is (xz + yy + zx) / (x^2 + y^2 + z^2) = -1.31 / 1.58.
  TempDir d;
  const double s1[5] = {1e-3, -4e-4, 0, 0, 0}, moved[5] = {-7e-4, 1.3e-3, 0, 0, 0};
  EXPECT_TRUE(inOrder(compareTensors(d, s1, moved),
                      {"REMARK DATA SAUPE RESULT  1.7000e-03 -1.7000e-03  0.0000e+00  0.0000e+00  0.0000e+00\n",
                       "REMARK DATA ANGLE_5D_SPACE  146.01\n", "REMARK DATA COLL_5D         -0.82911\n"}));
}

TEST(OrderMatrixComparison, TensorTurnedByAKnownRotation) {
  using namespace korim_test;
  // Tensor 1: principal values (x, y, z) = (-0.2, -0.8, 1.0)e-3 along the lab axes. Tensor 2:
  // S2 = R S1 R^T, R the turn by 30 degrees about n = (1, 2, 2) / 3 (Rodrigues' formula).
  const double s1[5] = {1e-3, 6e-4, 0, 0, 0}, n[3] = {1.0 / 3, 2.0 / 3, 2.0 / 3};
  const double c = std::cos(M_PI / 6), sn = std::sin(M_PI / 6);
  const double k[3][3] = {{0, -n[2], n[1]}, {n[2], 0, -n[0]}, {-n[1], n[0], 0}};
  const Mat3 m1 = {{{-2e-4, 0, 0}, {0, -8e-4, 0}, {0, 0, 1e-3}}};
  Mat3 r{};
  for (int i = 0; i < 9; i++) r.m[i / 3][i % 3] = (i % 4 == 0 ? c : 0) + (1 - c) * n[i / 3] * n[i % 3] + sn * k[i / 3][i % 3];
  const Mat3 m2 = mul(r, mul(m1, transpose(r)));
  const double s2[5] = {m2.m[2][2], m2.m[0][0] - m2.m[1][1], m2.m[0][1], m2.m[0][2], m2.m[1][2]};
  TempDir d;
  const std::vector<std::string> out = lines(compareTensors(d, s1, s2));
  auto row = [&](const std::string& head) { return numbersAfter(out, "REMARK DATA " + head + " "); };
  // Each axis against its image under R (eigenvector signs are free); the 5-D cosine
  // Tr(S1 S2) / Tr(S1 S1), both tensors of one norm.
  const std::vector<double> axes = row("ANGLE_3D_AXES (X/Y/Z)");
  ASSERT_EQ(axes.size(), 3u);
  for (int i = 0; i < 3; i++) EXPECT_NEAR(axes[i], deg(std::acos(std::fabs(r.m[i][i]))), 0.006);
  double t12 = 0, t11 = 0;
  for (int i = 0; i < 9; i++) t12 += m1.m[i / 3][i % 3] * m2.m[i / 3][i % 3], t11 += m1.m[i / 3][i % 3] * m1.m[i / 3][i % 3];
  EXPECT_NEAR(row("ANGLE_5D_SPACE")[0], deg(std::acos(t12 / t11)), 0.006);
  EXPECT_NEAR(row("COLL_5D")[0], t12 / t11, 6e-6);
  // The closure/twist/bend frame F (columns): twist z, bend along n x z, closure z x bend.
  const double b = std::hypot(n[0], n[1]);
  const Mat3 f = {{{n[0] / b, 0, n[1] / b}, {n[1] / b, 0, -n[0] / b}, {0, 1, 0}}};
  for (int col = 0; col < 3; col++)
    for (int i = 0; i < 3; i++) EXPECT_NEAR(row(std::string("CTB_FRAME ") + "XYZ"[col] + "_AXIS (X/Y/Z)")[i], f.m[i][col], 1e-4);
  // Row m: Q = R H, the rotation onto tensor 2's m-th sign-equivalent frame, H the half turn
  // about z, y and x for m = 1, 2, 3. Hinge: Q's angle and axis (signs free), the axis against z.
  const double half[4][3] = {{1, 1, 1}, {-1, -1, 1}, {-1, 1, -1}, {1, -1, -1}};
  for (int m = 0; m < 4; m++) {
    Mat3 q = r;
    for (int i = 0; i < 9; i++) q.m[i / 3][i % 3] *= half[m][i % 3];
    double ax[3] = {q.m[2][1] - q.m[1][2], q.m[0][2] - q.m[2][0], q.m[1][0] - q.m[0][1]};
    const double len = std::sqrt(ax[0] * ax[0] + ax[1] * ax[1] + ax[2] * ax[2]), z = std::fabs(ax[2]) / len;
    EXPECT_NEAR(row("HINGE_ANGLES")[m], deg(std::acos((q.m[0][0] + q.m[1][1] + q.m[2][2] - 1) / 2)), 0.006) << m;
    const std::vector<double> axis = row("HINGE_AXIS (X/Y/Z)  " + std::to_string(m));
    for (int i = 0; i < 3; i++) EXPECT_NEAR(std::fabs(axis.at(i)), std::fabs(ax[i]) / len, 6e-4) << m;
    EXPECT_NEAR(row("CLOSURE_ANGLES")[m], deg(std::acos(z)), 0.006) << m;
    EXPECT_NEAR(row("CLOSURE_PERCENTAGE")[m], 100 * (1 - z * z), 0.006) << m;
    // Euler rows: z, y', z'' angles of Q^T; x, y, z angles of Q with psi of opposite sign; and
    // the closure/twist/bend angles, x, y, z angles of Q^T in the frame F.
    const std::string id = " " + std::to_string(m + 1);
    const std::vector<double> zyz = row("Q_EULER_ANGLES     " + id), xyz = row("EULER_ANGLES       " + id),
                              ctb = row("CTB_ANGLES         " + id);
    ASSERT_TRUE(zyz.size() == 3 && xyz.size() == 3 && ctb.size() == 3) << m;
    EXPECT_LT(maxDiff(transpose(rotZYZ(zyz[0], zyz[1], zyz[2])), q), 3e-4) << m;
    EXPECT_LT(maxDiff(rotXYZ(-xyz[0], xyz[1], xyz[2]), q), 3e-4) << m;
    EXPECT_LT(maxDiff(rotXYZ(ctb[0], ctb[1], ctb[2]), mul(transpose(f), mul(transpose(q), f))), 3e-4) << m;
  }
  // The same tensor twice, in general frames: every angle exactly 0 or 180 degrees.
  const double documented[5] = {-8.9852e-04, 2.5227e-05, -4.2038e-05, -3.0524e-04, 6.6715e-04};
  for (const double* s : {s2, documented})
    EXPECT_TRUE(inOrder(compareTensors(d, s, s), {"DATA ANGLE_3D_AXES (X/Y/Z)  0.00 0.00 0.00\n", "DATA ANGLE_5D_SPACE  0.00\n",
                                                  "DATA COLL_5D         1.00000\n",
                                                  "DATA HINGE_ANGLES           0.00   180.00   180.00   180.00\n"}));
}

TEST(OrderMatrixComparison, AnglesBetweenAxesLieBetweenZeroAndNinetyDegrees) {
  using namespace korim_test;
  // Tensor 2 is tensor 1, principal values (x, y, z) = (-0.2, -0.8, 1.0)e-3 along the lab axes,
  // turned by R = Rz(a) Ry(b) Rz(c): its i-th axis is R e_i, at acos|R_ii| from e_i (an axis has
  // no direction, so 0 to 90 degrees).
  const Mat3 m1 = {{{-2e-4, 0, 0}, {0, -8e-4, 0}, {0, 0, 1e-3}}};
  const double s1[5] = {1e-3, 6e-4, 0, 0, 0};
  const double euler[][3] = {{0, 0, 120}, {0, 150, 0}, {30, 120, 45}, {150, 100, -60}, {-70, 135, 160}};
  TempDir d;
  for (const auto& e : euler) {
    const Mat3 r = rotZYZ(e[0], e[1], e[2]), m2 = mul(r, mul(m1, transpose(r)));
    const double s2[5] = {m2.m[2][2], m2.m[0][0] - m2.m[1][1], m2.m[0][1], m2.m[0][2], m2.m[1][2]};
    const std::vector<double> axes =
        numbersAfter(lines(compareTensors(d, s1, s2)), "REMARK DATA ANGLE_3D_AXES (X/Y/Z) ");
    ASSERT_EQ(axes.size(), 3u);
    for (int i = 0; i < 3; i++)
      EXPECT_NEAR(axes[i], deg(std::acos(std::fabs(r.m[i][i]))), 0.006) << e[0] << " " << e[1] << " " << e[2];
  }
}

TEST(StructureAnalysis, InertiaFrameOfFourAtomsAndChargesOfAProtein) {
  // Second moments 4 (x), 1 (y), 0 (z); the input tensor has z 1e-3, y -8e-4, x -2e-4, so its
  // z, y, x axes lie along z, y, x and the structure's (x, y, z) along (z, y, x).
  TempDir d;
  RunResult r = runKorim({"-anPdb", "-pdb", analysisData("four_atoms.pdb"), "-inS", "1e-3", "6e-4", "0", "0", "0",
                          "-outP", "four.txt"}, d);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(inOrder(readFile(d / "four.txt"),
                      {"REMARK Inertia tensor.",
                       "DATA EIGENVALUES (Axx,Ayy,Azz)    0.0000e+00  1.0000e+00  4.0000e+00\n",
                       "DATA EIGENVECTORS ZAXIS  1.0000e+00  0.0000e+00  0.0000e+00\n",
                       "DATA Da(NH) = 10.8    R = Dr/Da = 0.400\n",
                       "DATA DCOS_DEG (x/y/z)    90.000  0.000  90.000\n"}));
  EXPECT_NE(r.out.find("REMARK 4 atoms selected for simulation.\n"), std::string::npos);
  // The charged protein: dipole records, and the lysine amines carry about +1 e.
  r = runKorim({"-anPdb", "-el", "-pdb", kPdb, "-outP", "el.txt", "-pdbRot", "rot.pdb"}, d);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(inOrder(readFile(d / "el.txt"), {"REMARK Dipole tensor.", "DATA PDB_EL MONOPOL", "DATA PDB_EL DIPOL"}));
  int lysines = 0;
  for (const std::string& l : lines(readFile(d / "rot.pdb.0")))
    if (l.find(" NZ  LYS") != std::string::npos) {
      EXPECT_EQ(l.substr(l.size() - 2), "1+") << l;
      lysines++;
    }
  EXPECT_GT(lysines, 0);
}

TEST(StructureAnalysis, DipoleFrameIsARotationBesideTheInputTensor) {
  // The charged protein beside the tensor of docs/tables.md: the printed X, Y, Z axes of the dipole frame
  // are orthonormal and right-handed (X x Y = Z), Z points from the negative to the positive
  // centre, each Euler solution turns the lab axes onto them (signs free), and each DCOS angle is
  // the angle between the printed axes of the two frames.
  TempDir d;
  RunResult r = runKorim({"-anPdb", "-el", "-pdb", kPdb, "-inS", "-8.5228e-04", "4.5002e-04", "-5.0487e-04",
                          "-1.8521e-04", "6.7383e-04", "-outP", "el.txt", "-pdbRot", "rot.pdb"}, d);
  ASSERT_EQ(r.status, 0) << r.err;
  const std::vector<std::string> text = lines(readFile(d / "el.txt"));
  const Mat3 own = printedAxes(text, "REMARK Dipole tensor."), input = printedAxes(text, "REMARK Input tensor.");
  for (int i = 0; i < 3; i++)
    for (int j = 0; j < 3; j++) EXPECT_NEAR(dot(own.m[i], own.m[j]), i == j ? 1.0 : 0.0, 2e-4) << i << j;
  const double* x = own.m[0];
  const double* y = own.m[1];
  const double cross[3] = {x[1] * y[2] - x[2] * y[1], x[2] * y[0] - x[0] * y[2], x[0] * y[1] - x[1] * y[0]};
  EXPECT_NEAR(dot(cross, own.m[2]), 1.0, 2e-4);
  const std::vector<double> pos = numbersAfter(text, "DATA PDB_EL LOC_POS "), neg = numbersAfter(text, "DATA PDB_EL LOC_NEG ");
  ASSERT_TRUE(pos.size() == 3 && neg.size() == 3);
  const double dir[3] = {pos[0] - neg[0], pos[1] - neg[1], pos[2] - neg[2]};
  EXPECT_NEAR(dot(dir, own.m[2]), std::sqrt(dot(dir, dir)), 1e-3);
  for (int m = 1; m <= 4; m++) {
    const std::vector<double> e = numbersAfter(text, "DATA Q_EULER_ANGLES  " + std::to_string(m) + " ");
    ASSERT_EQ(e.size(), 3u) << m;
    const Mat3 rot = rotZYZ(e[0], e[1], e[2]);
    for (int i = 0; i < 3; i++) EXPECT_NEAR(std::fabs(dot(rot.m[i], own.m[i])), 1.0, 3e-4) << m << " axis " << i;
  }
  const std::vector<double> dcos = numbersAfter(text, "DATA DCOS_DEG (x/y/z) ");
  ASSERT_EQ(dcos.size(), 3u);
  for (int i = 0; i < 3; i++) EXPECT_NEAR(dcos[i], deg(std::acos(dot(own.m[i], input.m[i]))), 0.02) << i;
}

TEST(StructureAnalysis, ChargeLabelsAtTheThresholds) {
  // Labels follow the sign of the charge: "1+" from +0.4 e, "1-" from -0.4 e, "0+" between;
  // the temperature factor becomes the charge, 0.00 on an atom without a charge.
  TempDir d;
  writeFile(d / "five.pdb",
            "ATOM      1  CA  ALA A   1       2.000   1.000   0.500  1.00  0.00           C\n"
            "ATOM      2  CA  ALA A   2      -2.000   1.000  -0.300  1.00  0.00           C\n"
            "ATOM      3  CA  ALA A   3       2.000  -1.000   0.200  1.00  0.00           C\n"
            "ATOM      4  CA  ALA A   4      -2.000  -1.000  -0.700  1.00  0.00           C\n"
            "ATOM      5  CA  ALA A   5       0.000   0.000   1.000  1.00  9.99           C\n"
            "END\n");
  writeFile(d / "q.pka", "1 CA charge 0.4\n2 CA charge 0.39\n3 CA charge -0.39\n4 CA charge -0.4\n");
  const RunResult r = runKorim({"-anPdb", "-el", "-nosurf", "-pka", "q.pka", "-pdb", "five.pdb", "-outP", "o.txt",
                                "-pdbRot", "rot.pdb"}, d);
  ASSERT_EQ(r.status, 0) << r.err;
  const std::vector<std::string> atoms = lines(readFile(d / "rot.pdb.0"));
  const char* want[5][2] = {{" 0.40", "1+"}, {" 0.39", "0+"}, {"-0.39", "0+"}, {"-0.40", "1-"}, {" 0.00", "  "}};
  ASSERT_GE(atoms.size(), 5u);
  for (int i = 0; i < 5; i++) {
    EXPECT_EQ(atoms[i].substr(60, 6), std::string(" ") + want[i][0]) << atoms[i];
    EXPECT_EQ(atoms[i].substr(std::min<size_t>(78, atoms[i].size())), want[i][1]) << atoms[i];
  }
  EXPECT_EQ(r.out.find("nan"), std::string::npos);
}

TEST(StructureAnalysis, ChargesWithoutADipoleFrameFailTheRun) {
  // No charge at all, and two charges at one height (a dipole across the z axis): the frame has
  // no finite construction, so the run fails before a record or a structure is written.
  TempDir d;
  writeFile(d / "two.pdb",
            "ATOM      1  CA  ALA A   1       2.000   1.000   0.500  1.00  0.00           C\n"
            "ATOM      2  CA  ALA A   2      -2.000   1.000   0.500  1.00  0.00           C\n"
            "END\n");
  const std::pair<std::string, int> cases[] = {{"1 XX charge 1.0\n", 0}, {"1 CA charge 1.0\n2 CA charge -1.0\n", 2}};
  for (const auto& [pka, n] : cases) {
    writeFile(d / "q.pka", pka);
    const RunResult r = runKorim({"-anPdb", "-el", "-nosurf", "-pka", "q.pka", "-pdb", "two.pdb", "-outP", "o.txt",
                                  "-pdbRot", "rot.pdb"}, d);
    EXPECT_EQ(r.status, 1) << pka;
    EXPECT_NE(r.err.find("Error in analyzePDB: no dipole frame from the " + std::to_string(n) + " selected charges"),
              std::string::npos) << r.err;
    EXPECT_FALSE(fileExists(d / "o.txt") || fileExists(d / "rot.pdb.0")) << pka;
  }
}

TEST(StructureAnalysis, InertiaRecordGoldenAndTheSecondMomentsOfAllHeavyAtoms) {
  // The run of docs/tables.md: the record whole. Then -nosurf: the second-moment tensor of the 602 heavy
  // atoms, whose eigenvalues an independent computation gives as 29.392, 40.080, 72.405 A^2.
  TempDir d;
  const std::vector<std::string> tensor = {"-inS", "-8.5228e-04", "4.5002e-04", "-5.0487e-04", "-1.8521e-04", "6.7383e-04"};
  std::vector<std::string> args = {"-anPdb", "-pdb", kPdb, "-outP", "in.txt", "-pdbRot", "in.pdb"};
  args.insert(args.end(), tensor.begin(), tensor.end());
  RunResult r = runKorim(args, d);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(readFile(d / "in.txt"), readFile(testData("golden/anpdb_inertia.txt")));
  EXPECT_NE(r.out.find("REMARK 105 atoms selected for simulation.\n"), std::string::npos);
  args.push_back("-nosurf");
  r = runKorim(args, d);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("REMARK 602 atoms selected for simulation.\n"), std::string::npos);
  const std::vector<double> ev = numbersAfter(lines(readFile(d / "in.txt")), "DATA EIGENVALUES (Axx,Ayy,Azz) ");
  const double want[3] = {29.392, 40.080, 72.405};
  ASSERT_EQ(ev.size(), 3u);
  for (int i = 0; i < 3; i++) EXPECT_NEAR(ev[i], want[i], 0.01) << i;
}
