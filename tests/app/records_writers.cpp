// Run records and rotated structures: exact parameter and Euler texts, text bounds, and the geometry of the rotated structures.
#include <gtest/gtest.h>

#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "app/korim_records.h"
#include "app/korim_utils_null.h"
#include "structure/pdb.h"
#include "tests/app/capture.h"

using namespace korim::app;
using namespace korim::structure;
using korim_test::captureStderr;

namespace {

// ---------------------------------------------------------------- parameter block

KorimInfo stericSettings() {
  KorimInfo k;
  korimInfoNull(&k);
  k.korimMode = kModeSteric;
  k.lcType = kLcWall;
  k.concentration = 0.05f;
  k.densityNSC = 100;
  k.digPsiNSC = 18;
  k.gridSpacing = 0.2f;
  k.radiusModel = 20.0f;
  k.lcOrder = 0.8f;
  k.radiusAtom = 1.8f;
  k.Hflag = 0;
  k.surfFlag = 1;
  k.includeRim = 0.0f;
  return k;
}

// The steric lines of stericSettings(), written out by hand from the record formats.
const std::string kStericLines =
    "DATA KORIM LC_TYPE             wall\n"
    "DATA KORIM LC_CONCENTRATION    0.050\n"
    "DATA KORIM ORIENT_SPHERE       100\n"
    "DATA KORIM ORIENT_PSI          18\n"
    "DATA KORIM GRID_SPACING        0.200\n"
    "DATA KORIM MODEL_RADIUS        20.000\n"
    "DATA KORIM LC_ORDER            0.800\n"
    "DATA KORIM ATOM_RADIUS         1.800\n"
    "DATA KORIM SEL_SIMPLE_FLAG     0\n"
    "DATA KORIM SURF_FLAG           1\n";

std::string block(const KorimInfo& k) {
  std::string s;
  EXPECT_EQ(writeKorim(&k, &s), 0);
  return s;
}

TEST(WriteKorim, StericBlock) {
  KorimInfo k = stericSettings();
  EXPECT_EQ(block(k), "\nDATA KORIM_MODE STERIC\n\n" + kStericLines);
  k.korimMode = kModeStericFree;
  EXPECT_EQ(block(k), "\nDATA KORIM_MODE STERIC_FREE\n\n" + kStericLines);
  k.korimMode = kModeElectrostaticGrid;  // steric lines only, no electrostatics
  EXPECT_EQ(block(k), "\nDATA KORIM_MODE ELECTROSTATIC_GRID\n\n" + kStericLines);
  // The rod medium, and the 3-D grid without any LC_TYPE line.
  k.korimMode = kModeStericGrid;
  k.lcType = kLcRod;
  EXPECT_EQ(block(k), "\nDATA KORIM_MODE STERIC_GRID\n\nDATA KORIM LC_TYPE              rod\n" +
                          kStericLines.substr(36));
  k.lcType = kLc3D;
  EXPECT_EQ(block(k), "\nDATA KORIM_MODE STERIC_GRID\n\n" + kStericLines.substr(36));
}

TEST(WriteKorim, ElectrostaticBlockWithSignsAndSwitches) {
  KorimInfo k = stericSettings();
  k.korimMode = kModeElectrostatic;
  k.elInfo.pH = -1.5f;
  k.elInfo.concNaCl = 0.1f;
  k.elInfo.chDensSurf = 0.0f;
  k.elInfo.pkaFlag = 2;  // any non-zero value is "on"
  k.elInfo.chTerminiFlag = 0;
  k.elInfo.cutoffPot = 0.001;
  EXPECT_EQ(block(k), "\nDATA KORIM_MODE ELECTROSTATIC\n\n" + kStericLines +
                          "DATA KORIM EL PH              -1.500\n"
                          "DATA KORIM EL NACL             0.100\n"
                          "DATA KORIM EL SURF_CH          0.000\n"
                          "DATA KORIM EL PKA_DEFAULT         on\n"
                          "DATA KORIM EL CH_TERM             off\n"
                          "DATA KORIM EL CUTOFF          1.000000e-03\n");
}

TEST(WriteKorim, CombinationAndEmptyModesAndRim) {
  KorimInfo k = stericSettings();
  k.korimMode = kModeAnalyzeDc;
  k.opCode = 0;
  k.c1 = -2.0f;
  k.c2 = 1.0f;
  EXPECT_EQ(block(k),
            "\nDATA KORIM_MODE DC_CP\n\nDATA KORIM C1     -2.000\nDATA KORIM C2      1.000\n");
  k.korimMode = kModeAnalyzeSaupe;
  k.opCode = kOpMax;
  EXPECT_EQ(block(k), "\nDATA KORIM_MODE SAUPE_CP\n\nDATA KORIM ACTION    max\n"
                      "DATA KORIM C1     -2.000\nDATA KORIM C2      1.000\n");
  k.opCode = kOpDiv;
  EXPECT_NE(block(k).find("DATA KORIM ACTION    div\n"), std::string::npos);
  for (int mode : {kModeBestFit, kModeChemShift, kModeAnalyzePdb}) {
    k.korimMode = mode;
    std::string s = block(k);
    EXPECT_EQ(s.find("DATA KORIM "), std::string::npos) << mode;
  }
  k.korimMode = kModeBestFit;
  EXPECT_EQ(block(k), "\nDATA KORIM_MODE DC\n\n");
  // Modes without a block write nothing, or the rim lines alone.
  const std::string rim =
      "DATA KORIM INCLUDE_RIM      on\n"
      "DATA KORIM MOLAR_RATIO       3.200\n"
      "DATA KORIM MODEL_LENGTH      67.125\n"
      "DATA KORIM S_DISC_RIM       -0.250\n";
  k.molarRatio = 3.2f;
  k.lengthModel = 67.125f;
  k.orderDiscRim = -0.25f;
  for (int mode : {0, 10, 11, 12, 16, 17, -3}) {
    k.korimMode = mode;
    k.includeRim = 0.0f;
    EXPECT_EQ(block(k), "") << mode;
    k.includeRim = -0.0f;
    EXPECT_EQ(block(k), "") << mode;
    k.includeRim = 1.0f;
    EXPECT_EQ(block(k), rim) << mode;
    k.includeRim = std::nanf("");
    EXPECT_EQ(block(k), rim) << mode;
  }
  k.korimMode = kModeSteric;
  k.includeRim = 1.0f;
  EXPECT_EQ(block(k), "\nDATA KORIM_MODE STERIC\n\n" + kStericLines + rim);
}

TEST(WriteKorim, HistogramBlock) {
  KorimInfo k = stericSettings();
  k.korimMode = kModeDaHist;
  HistInfo& h = k.histInfo;
  h.dcMin = -21.5f;
  h.dcMax = 10.25f;
  h.modeFit = 2;
  h.optExtrem = 2;
  h.sdevDzz = 1.0f;
  h.sdevDyy = 0.5f;
  h.nBins = 20;
  h.binWidth = 1.625f;
  h.Da2Par = -10.75f;
  h.R2Par = 0.375f;
  h.Dzz = -21.5f;
  h.Dyy = 6.75f;
  h.Dxx = 14.75f;
  h.DaFit = -10.75f;
  h.DaErrFit = 0.5f;
  h.RFit = 0.25f;
  h.RErrFit = 0.125f;
  const std::string expected =
      "\nDATA KORIM_MODE DA_HIST\n\n"
      "DATA DC MIN_MAX    -21.500  10.250\n"
      "DATA FIT_PAR        2\n"
      "DATA AVE_EXTREM     NO\n"
      "DATA SDEVDZZ        1.000\n"
      "DATA SDEVDYY        0.500\n"
      "DATA nBINS          20\n"
      "DATA BINWIDTH       1.625\n"
      "\n\nREMARK Solving the linear equation system.\n\n"
      "DATA EQ Da         -10.750\n"
      "DATA EQ R           0.375\n"
      "\n\nREMARK Nonlinear least-square opimization.\n\n"
      "DATA Dzz_Dyy_Dxx   -21.500  6.750  14.750\n"
      "DATA Da            -10.750\n"
      "DATA Da_ERR         0.500\n"
      "DATA R              0.250\n"
      "DATA R_ERR          0.125\n";
  EXPECT_EQ(block(k), expected);
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
  for (float* f : {&x.concentration, &x.gridSpacing, &x.radiusModel, &x.lcOrder, &x.radiusAtom,
                   &x.elInfo.pH, &x.elInfo.concNaCl, &x.elInfo.chDensSurf, &x.c1, &x.c2,
                   &x.molarRatio, &x.lengthModel, &x.orderDiscRim, &x.histInfo.dcMin,
                   &x.histInfo.dcMax, &x.histInfo.sdevDzz, &x.histInfo.sdevDyy,
                   &x.histInfo.binWidth, &x.histInfo.Da2Par, &x.histInfo.R2Par, &x.histInfo.Dzz,
                   &x.histInfo.Dyy, &x.histInfo.Dxx, &x.histInfo.DaFit, &x.histInfo.DaErrFit,
                   &x.histInfo.RFit, &x.histInfo.RErrFit}) {
    *f = -FLT_MAX;
  }
  x.densityNSC = x.digPsiNSC = x.Hflag = x.surfFlag = INT_MIN;
  x.histInfo.modeFit = x.histInfo.nBins = INT_MIN;
  x.elInfo.cutoffPot = -DBL_MAX;
  x.includeRim = 1.0f;
  x.lcType = kLcWall;
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

TEST(WriteEulerInfo, RecordWithAxesByColumn) {
  const double irr[5] = {1.0e-3, -2.0e-4, 0.0, 5.5e-4, -1.0};
  const double eigVal[3] = {3.0e-4, -1.0e-4, -2.0e-4};  // z, y, x
  // Column 0 the z axis, 1 the y axis, 2 the x axis.
  const double eigVec[3][3] = {{0.0, 0.6, 0.8}, {0.0, 0.8, -0.6}, {1.0, 0.0, 0.0}};
  const double alpha[4] = {10.0, 190.0, -10.0, 170.0};
  const double beta[4] = {20.5, 20.5, 159.5, 159.5};
  const double gamma[4] = {-30.25, 149.75, 30.25, 209.75};
  std::string s = "old text";
  ASSERT_EQ(writeEulerInfo(irr, 1.2345e-3, eigVal, eigVec, alpha, beta, gamma, &s, 1), 0);
  EXPECT_EQ(s,
            "\n\nDATA IRREDUCIBLE REPRESENTATION (A0,A1R,A1I,A2R,A2I)"
            "    1.0000e-03 -2.0000e-04  0.0000e+00  5.5000e-04 -1.0000e+00\n"
            "DATA IRREDUCIBLE GENERAL_MAGNITUDE   1.2345e-03\n"
            "\nREMARK Eigensystem & Euler angles for clockwise rotation about z, y', z''.\n\n"
            "DATA EIGENVALUES (Axx,Ayy,Azz)   -2.0000e-04 -1.0000e-04  3.0000e-04\n"
            "DATA EIGENVECTORS\n"
            "DATA EIGENVECTORS XAXIS  8.0000e-01 -6.0000e-01  0.0000e+00\n"
            "DATA EIGENVECTORS YAXIS  6.0000e-01  8.0000e-01  0.0000e+00\n"
            "DATA EIGENVECTORS ZAXIS  0.0000e+00  0.0000e+00  1.0000e+00\n"
            "\n"
            "DATA Q_EULER_SOLUTIONS    ALPHA     BETA    GAMMA\n"
            "DATA Q_EULER_ANGLES  1    10.00    20.50   -30.25\n"
            "DATA Q_EULER_ANGLES  2   190.00    20.50   149.75\n"
            "DATA Q_EULER_ANGLES  3   -10.00   159.50    30.25\n"
            "DATA Q_EULER_ANGLES  4   170.00   159.50   209.75\n");
  // Verbose 0 empties the text, in both forms.
  ASSERT_EQ(writeEulerInfo(irr, 0.0, eigVal, eigVec, alpha, beta, gamma, &s, 0), 0);
  EXPECT_EQ(s, "");
  char buf[32] = "previous";
  writeEulerInfo(irr, 0.0, eigVal, eigVec, alpha, beta, gamma, buf, 0);
  EXPECT_STREQ(buf, "");
}

TEST(WriteEulerInfo, ExtremeAnglesFitTheBound) {
  const double irr[5] = {-DBL_MAX, -DBL_MAX, -DBL_MAX, -DBL_MAX, -DBL_MAX};
  const double eigVal[3] = {-DBL_MAX, -DBL_MAX, -DBL_MAX};
  const double eigVec[3][3] = {{-DBL_MAX, -DBL_MAX, -DBL_MAX},
                               {-DBL_MAX, -DBL_MAX, -DBL_MAX},
                               {-DBL_MAX, -DBL_MAX, -DBL_MAX}};
  const double a[4] = {-DBL_MAX, -DBL_MAX, -DBL_MAX, -DBL_MAX};
  std::unique_ptr<char[]> exact(new char[kEulerRecordMax]);
  writeEulerInfo(irr, -DBL_MAX, eigVal, eigVec, a, a, a, exact.get(), 1);
  std::string s;
  writeEulerInfo(irr, -DBL_MAX, eigVal, eigVec, a, a, a, &s, 1);
  EXPECT_EQ(std::string(exact.get()), s);
  EXPECT_LT(s.size(), static_cast<size_t>(kEulerRecordMax));
}

// ---------------------------------------------------------------- rotated structures

struct Xyz {
  double x, y, z;
};

// Passive rotations about z and y (degrees), the elementary matrices of the z-y-z convention.
void rotZ(double deg, double m[3][3]) {
  double a = deg * M_PI / 180.0;
  double c = std::cos(a), s = std::sin(a);
  double r[3][3] = {{c, s, 0}, {-s, c, 0}, {0, 0, 1}};
  std::memcpy(m, r, sizeof r);
}
void rotY(double deg, double m[3][3]) {
  double a = deg * M_PI / 180.0;
  double c = std::cos(a), s = std::sin(a);
  double r[3][3] = {{c, 0, -s}, {0, 1, 0}, {s, 0, c}};
  std::memcpy(m, r, sizeof r);
}
void mul(const double a[3][3], const double b[3][3], double out[3][3]) {
  double t[3][3] = {};
  for (int i = 0; i < 3; i++)
    for (int j = 0; j < 3; j++)
      for (int k = 0; k < 3; k++) t[i][j] += a[i][k] * b[k][j];
  std::memcpy(out, t, sizeof t);
}

// The turn written for an Euler solution (alpha, beta, gamma): the inverse of the frame
// rotation Rz(gamma) Ry(beta) Rz(alpha), i.e. Rz(-alpha) Ry(-beta) Rz(-gamma).
void solutionTurn(double alpha, double beta, double gamma, double m[3][3]) {
  double za[3][3], yb[3][3], zg[3][3];
  rotZ(-alpha, za);
  rotY(-beta, yb);
  rotZ(-gamma, zg);
  mul(za, yb, m);
  mul(m, zg, m);
}

std::vector<Xyz> atomsOf(const std::string& path, std::vector<std::string>* names = nullptr) {
  std::vector<Xyz> out;
  std::ifstream in(path);
  std::string line;
  while (std::getline(in, line)) {
    if (line.compare(0, 6, "ATOM  ") != 0) continue;
    out.push_back({std::stod(line.substr(30, 8)), std::stod(line.substr(38, 8)),
                   std::stod(line.substr(46, 8))});
    if (names != nullptr) names->push_back(line.substr(12, 4));
  }
  return out;
}

std::string slurp(const std::string& path) {
  std::ifstream in(path);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

struct PdbRot : ::testing::Test {
  std::filesystem::path dir;
  PDBInfo pdb;
  std::vector<Xyz> original;
  void SetUp() override {
    char templ[] = "/tmp/korim_rot_XXXXXX";
    ASSERT_NE(mkdtemp(templ), nullptr);
    dir = templ;
    pdbModuleReset();
    pdbNull(&pdb);
  }
  void load(const std::string& path) {
    ASSERT_EQ(readPDB(path.c_str(), &pdb, nullptr, nullptr), 0);
    original.clear();
    for (int i = 0; i < pdb.atomCount; i++) {
      original.push_back({pdb.atomList[i].x, pdb.atomList[i].y, pdb.atomList[i].z});
    }
  }
  void expectUnmoved() {
    ASSERT_EQ(static_cast<size_t>(pdb.atomCount), original.size());
    for (int i = 0; i < pdb.atomCount; i++) {
      EXPECT_EQ(pdb.atomList[i].x, static_cast<float>(original[i].x)) << i;
      EXPECT_EQ(pdb.atomList[i].y, static_cast<float>(original[i].y)) << i;
      EXPECT_EQ(pdb.atomList[i].z, static_cast<float>(original[i].z)) << i;
    }
  }
  void TearDown() override {
    pdbFree(&pdb);
    std::filesystem::remove_all(dir);
  }
};

TEST_F(PdbRot, SquareTurnsAsHandComputed) {
  // Four atoms around the origin; a turn of alpha = 90 takes (x, y, z) to (-y, x, z) and a turn
  // of beta = 90 takes it to (z, y, -x).
  std::string path = (dir / "square.pdb").string();
  std::FILE* fp = std::fopen(path.c_str(), "w");
  ASSERT_NE(fp, nullptr);
  std::fputs(
      "ATOM      1  CA  GLY A   1       1.000   0.000   0.000  1.00  0.00           C\n"
      "ATOM      2  CA  GLY A   2      -1.000   0.000   0.000  1.00  0.00           C\n"
      "ATOM      3  CA  GLY A   3       0.000   2.000   0.000  1.00  0.00           C\n"
      "ATOM      4  CA  GLY A   4       0.000  -2.000   3.000  1.00  0.00           C\n"
      "END\n",
      fp);
  std::fclose(fp);
  load(path);
  // Solutions: gamma, beta and alpha lists as the callers pass them.
  const double gammaL[4] = {0, 0, 0, 0};
  const double betaL[4] = {0, 90, 0, 0};
  const double alphaL[4] = {90, 0, 0, 180};
  std::string out = (dir / "sq.pdb").string();
  ASSERT_EQ(writePDBRot(gammaL, betaL, alphaL, 0, &pdb, nullptr, out.c_str(), "square"), 0);
  // The centroid (0, 0, 0.75) is subtracted after each turn.
  const double c = 0.75;
  std::vector<Xyz> s0 = atomsOf(out + ".0");
  std::vector<Xyz> s1 = atomsOf(out + ".1");
  std::vector<Xyz> s3 = atomsOf(out + ".3");
  ASSERT_EQ(s0.size(), 4u);
  ASSERT_EQ(s1.size(), 4u);
  const Xyz e0[4] = {{0, 1, -c}, {0, -1, -c}, {-2, 0, -c}, {2, 0, 3 - c}};
  const Xyz e1[4] = {{-c, 0, -1}, {-c, 0, 1}, {-c, 2, 0}, {3 - c, -2, 0}};
  const Xyz e3[4] = {{-1, 0, -c}, {1, 0, -c}, {0, -2, -c}, {0, 2, 3 - c}};
  for (int i = 0; i < 4; i++) {
    EXPECT_NEAR(s0[i].x, e0[i].x, 1e-3);
    EXPECT_NEAR(s0[i].y, e0[i].y, 1e-3);
    EXPECT_NEAR(s0[i].z, e0[i].z, 1e-3);
    EXPECT_NEAR(s1[i].x, e1[i].x, 1e-3);
    EXPECT_NEAR(s1[i].y, e1[i].y, 1e-3);
    EXPECT_NEAR(s1[i].z, e1[i].z, 1e-3);
    EXPECT_NEAR(s3[i].x, e3[i].x, 1e-3);
    EXPECT_NEAR(s3[i].y, e3[i].y, 1e-3);
    EXPECT_NEAR(s3[i].z, e3[i].z, 1e-3);
  }
  // rotID 0: the name itself holds solution 0; it begins with the remark.
  EXPECT_EQ(slurp(out), slurp(out + ".0"));
  EXPECT_EQ(slurp(out).rfind("REMARK square\n", 0), 0u);
  expectUnmoved();
}

TEST_F(PdbRot, UbiquitinSolutionsAreRigidCentredTurns) {
  load(std::string(KORIM_TEST_DATA) + "/ubiquitin_1d3z_model1.pdb");
  const double alphaL[4] = {33.0, 213.0, -147.5, 12.25};
  const double betaL[4] = {71.5, 108.5, 71.5, 5.0};
  const double gammaL[4] = {-122.0, 58.0, 122.0, 300.0};
  std::string out = (dir / "ubq.pdb").string();
  ASSERT_EQ(writePDBRot(gammaL, betaL, alphaL, 2, &pdb, nullptr, out.c_str(), "rotated"), 0);
  expectUnmoved();
  // Centroid of the input, for the expected positions.
  Xyz c{0, 0, 0};
  for (const Xyz& p : original) {
    c.x += p.x;
    c.y += p.y;
    c.z += p.z;
  }
  const double n = static_cast<double>(original.size());
  c = {c.x / n, c.y / n, c.z / n};
  for (int k = 0; k < 4; k++) {
    std::vector<std::string> names;
    std::vector<Xyz> got = atomsOf(out + "." + std::to_string(k), &names);
    ASSERT_EQ(got.size(), 1231u) << k;
    EXPECT_EQ(names.front(), " N  ");
    double m[3][3];
    solutionTurn(alphaL[k], betaL[k], gammaL[k], m);
    Xyz mean{0, 0, 0};
    double worst = 0.0;
    for (size_t i = 0; i < got.size(); i++) {
      const double d[3] = {original[i].x - c.x, original[i].y - c.y, original[i].z - c.z};
      const double e[3] = {m[0][0] * d[0] + m[0][1] * d[1] + m[0][2] * d[2],
                           m[1][0] * d[0] + m[1][1] * d[1] + m[1][2] * d[2],
                           m[2][0] * d[0] + m[2][1] * d[1] + m[2][2] * d[2]};
      worst = std::max({worst, std::fabs(got[i].x - e[0]), std::fabs(got[i].y - e[1]),
                        std::fabs(got[i].z - e[2])});
      mean.x += got[i].x;
      mean.y += got[i].y;
      mean.z += got[i].z;
    }
    EXPECT_LT(worst, 3e-3) << "solution " << k;
    EXPECT_NEAR(mean.x / n, 0.0, 1e-3);
    EXPECT_NEAR(mean.y / n, 0.0, 1e-3);
    EXPECT_NEAR(mean.z / n, 0.0, 1e-3);
    // Distances within the molecule are kept.
    for (size_t i = 0; i + 97 < got.size(); i += 41) {
      size_t j = i + 97;
      double d0 = std::hypot(original[i].x - original[j].x, original[i].y - original[j].y,
                             original[i].z - original[j].z);
      double d1 = std::hypot(got[i].x - got[j].x, got[i].y - got[j].y, got[i].z - got[j].z);
      EXPECT_NEAR(d1, d0, 3e-3);
    }
  }
  // rotID 2: the name itself holds solution 2.
  EXPECT_EQ(slurp(out), slurp(out + ".2"));
  EXPECT_NE(slurp(out), slurp(out + ".1"));
}

TEST_F(PdbRot, SelectionDecidesTheAtomsWritten) {
  load(std::string(KORIM_TEST_DATA) + "/ubiquitin_1d3z_model1.pdb");
  PDBSelectInfo sel;
  pdbSelectNull(&sel);
  sel.selectMode = 2;
  std::strcpy(sel.atomNameList, "CA");
  sel.atomNameMode = 1;
  const double zero[4] = {0, 0, 0, 0};
  std::string out = (dir / "ca.pdb").string();
  ASSERT_EQ(writePDBRot(zero, zero, zero, 9, &pdb, &sel, out.c_str(), ""), 0);
  std::vector<std::string> names;
  std::vector<Xyz> got = atomsOf(out + ".3", &names);
  ASSERT_EQ(got.size(), 76u);
  for (const std::string& s : names) EXPECT_EQ(s, " CA ");
  // rotID outside 0..3: only the numbered files.
  EXPECT_FALSE(std::filesystem::exists(out));
}

TEST_F(PdbRot, NothingWrittenForAnEmptyNameAndLongNamesFit) {
  load(std::string(KORIM_TEST_DATA) + "/ubiquitin_1d3z_model1.pdb");
  const double a[4] = {10, 20, 30, 40};
  ASSERT_EQ(writePDBRot(a, a, a, 0, &pdb, nullptr, "", ""), 0);
  EXPECT_TRUE(std::filesystem::is_empty(dir));
  expectUnmoved();
  // A name of more than 253 characters (directory included) is written whole.
  std::string longName = (dir / std::string(240, 'r')).string() + ".pdb";
  ASSERT_GT(longName.size(), 253u);
  ASSERT_EQ(writePDBRot(a, a, a, 1, &pdb, nullptr, longName.c_str(), ""), 0);
  for (int k = 0; k < 4; k++) EXPECT_TRUE(std::filesystem::exists(longName + "." + std::to_string(k)));
  EXPECT_TRUE(std::filesystem::exists(longName));
}

TEST_F(PdbRot, UnwritableNameFailsAndRestoresTheStructure) {
  load(std::string(KORIM_TEST_DATA) + "/ubiquitin_1d3z_model1.pdb");
  const double a[4] = {10, 20, 30, 40};
  std::string out = (dir / "missing_dir" / "rot.pdb").string();
  int status = 0;
  std::string err = captureStderr(
      [&] { status = writePDBRot(a, a, a, 0, &pdb, nullptr, out.c_str(), ""); });
  EXPECT_NE(status, 0);
  EXPECT_EQ(err, "PDB Error opening PDB file " + out + "\n");
  expectUnmoved();
  // A name that is itself too long for the file system fails the same way.
  std::string tooLong = (dir / std::string(300, 'x')).string();
  err = captureStderr([&] { status = writePDBRot(a, a, a, 5, &pdb, nullptr, tooLong.c_str(), ""); });
  EXPECT_NE(status, 0);
  EXPECT_EQ(err, "PDB Error opening PDB file " + tooLong + ".0\n");
  expectUnmoved();
}

TEST(PdbRotRecords, StructureWithoutSavedCoordinatesIsRefused) {
  // A structure whose saved-coordinate list is missing cannot be put back after the turn.
  AtomInfo atoms[2];
  atomNull(&atoms[0]);
  atomNull(&atoms[1]);
  atoms[0].x = 1.0f;
  atoms[1].x = -1.0f;
  PDBInfo p;
  pdbNull(&p);
  p.atomList = atoms;
  p.atomCount = 2;
  const double a[4] = {90, 0, 0, 0};
  int status = 0;
  std::string err = captureStderr([&] { status = writePDBRot(a, a, a, 0, &p, nullptr, "", ""); });
  EXPECT_EQ(status, 1);
  EXPECT_EQ(err, "korim: error in storePDBCoords.\n");
  EXPECT_EQ(atoms[0].x, 1.0f);
  EXPECT_EQ(atoms[1].y, 0.0f);
  // No atom in the residue range: the centring step fails.
  Coord3D saved[2];
  p.coordList = saved;
  p.maxCoordCount = 2;
  p.minResID = 5;
  p.maxResID = 6;
  err = captureStderr([&] { status = writePDBRot(a, a, a, 0, &p, nullptr, "", ""); });
  EXPECT_EQ(status, 1);
  EXPECT_EQ(err, "Error in positionDomain: zero atoms selected.korim: error in shiftMol2Domain.\n");
}

}  // namespace
