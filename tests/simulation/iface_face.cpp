// Interface mode: Boltzmann factor of charges at the particle surface against the Gouy-Chapman
// solution, touching molecules, the two faces of ubiquitin, the structure written with its
// charge marks, restored coordinates and selections on every path, and refused inputs.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <tuple>
#include <vector>

#include "foundation/memory.h"
#include "settings/settings.h"
#include "settings/settings_null.h"
#include "simulation/korim_iface.h"
#include "simulation/korim_utils_simu.h"
#include "simulation/nsc.h"
#include "structure/pdb.h"
#include "tests/support/capture.h"
#include "tests/support/files.h"
#include "tests/support/pdbtext.h"
#include "tests/support/simulation.h"
#include "tests/support/text.h"

using namespace korim::simulation;
using korim::settings::KorimInfo;
using korim::structure::AtomInfo;
using korim::structure::PDBInfo;

namespace {

KorimInfo settings(int lcType) {
  KorimInfo k{};
  korim::settings::korimInfoNull(&k);
  k.lcType = lcType;
  k.surfFlag = k.elInfo.elFlag = k.elInfo.dipoleFlag = k.elInfo.chSelFlag = 0;
  std::tie(k.radiusModel, k.radiusAtom, k.elInfo.iFace, k.elInfo.kEnergy, k.elInfo.kPot) =
      std::tuple(20.0f, 1.5f, 50.0f, 1.0f, 2.0f);
  std::tie(k.elInfo.concNaCl, k.elInfo.temperaturePot, k.elInfo.chDensSurf) = std::tuple(0.1f, 298.15f, -0.47f);
  return k;
}

// Potential (kT/e) of the charged plane at d Angstrom, from the Gouy-Chapman
// solution psi = 4 artanh(gamma exp(-kappa x)), Grahame's surface potential.
double gouyChapman(double d) {
  const double rho = 0.6022 * 0.1;
  const double lB = 138.935 / (0.6509039097030002 * 298.15);  // Bjerrum length, nm
  const double kappa = std::sqrt(8.0 * M_PI * lB * rho);
  const double y0 = 2.0 * std::asinh(2.0 * M_PI * lB * -0.47 / kappa);
  return 4.0 * std::atanh(std::tanh(y0 / 4.0) * std::exp(-kappa * d / 10.0));
}

// Status of f, with its stdout and stderr kept.
template <typename F>
int keep(std::string& out, std::string& err, F f) {
  int st = -1;
  std::tie(out, err) = korim_test::captureBoth([&] { st = f(); });
  return st;
}

// Two points 4 A apart on z, the lower one charged; iFace over them with stdout and stderr kept.
struct Pair {
  double x[3] = {0, 0, 0}, y[3] = {0, 0, 0}, z[3] = {0, 0, 4};
  int id[2] = {0, 1};
  float q[2] = {0.0f, 1.0f};
  std::string out, err;
  int run(KorimInfo& k, int points, int charges, double* prob, std::vector<double>* table = nullptr) {
    return keep(out, err, [&] {
      return iFace(&k, points, x, y, z, charges, id, q, table ? static_cast<int>(table->size()) - 1 : 0,
                   table ? table->data() : nullptr, 0.0, 1.0, prob);
    });
  }
};

}  // namespace

TEST(IFace, ChargeFollowsTheScreenedPotential) {
  for (int lc : {1, 2}) {
    KorimInfo k = settings(lc);
    k.elInfo.iFace = 6.0f;
    Pair p;
    std::vector<double> table = {0.0, 1.0, 0.5, 0.25};
    double prob = -1.0, half = -1.0, none = -1.0;
    ASSERT_EQ(p.run(k, 2, 1, &prob, &table), 0);
    // The charge sits 2 A below the centre, 4 A from the surface; a positive
    // charge is drawn to the negative surface.
    const double expected = std::exp(-gouyChapman(4.0));
    EXPECT_NEAR(prob, expected, 1e-5 * expected) << lc;
    EXPECT_GT(prob, 1.0);
    EXPECT_EQ(p.out.find("REMARK Debye length ") != std::string::npos, lc == 2);  // the wall only on request
    k.elInfo.kEnergy = 0.5f;  // kEnergy scales the exponent
    p.run(k, 2, 1, &half, &table);
    EXPECT_NEAR(half, std::sqrt(expected), 1e-5 * expected);
    EXPECT_EQ(table, (std::vector<double>{0.0, 1.0, 0.5, 0.25}));  // not needed here, left as given
    ASSERT_EQ(p.run(k, 2, 0, &none), 0);  // no charges: probability 1
    EXPECT_EQ(none, 1.0);
  }
}

TEST(IFace, TouchingMoleculesOtherMediaAndBadInputs) {
  KorimInfo k = settings(1), other = settings(3);
  k.elInfo.iFace = 3.0f;  // the lower point is 1 A above the surface, inside its radius
  Pair p;
  double prob = -1.0;
  ASSERT_EQ(p.run(k, 2, 1, &prob), 0);
  EXPECT_EQ(prob, 0.0);
  EXPECT_EQ(p.err, "WARNING: Molecule too close to LC particel ...\n         Interaction face cannot be determined!\n");
  prob = 0.25;
  ASSERT_EQ(p.run(other, 2, 1, &prob), 0);  // other media: nothing done
  EXPECT_EQ(prob, 0.25);
  k = settings(1);
  EXPECT_EQ(p.run(k, 0, 0, &prob), 1);
  EXPECT_EQ(p.err, "iFace: no coordinate points to place at the particle surface.\n");
  p.id[1] = 3;
  EXPECT_EQ(p.run(k, 2, 1, &prob), 1);
  EXPECT_EQ(p.err, "iFace: charge 1 sits at point 3, outside the 2 points.\n");
  p.id[1] = 1;
  k.elInfo.temperaturePot = 0.0f;
  EXPECT_EQ(p.run(k, 2, 1, &prob), 1);
  EXPECT_NE(p.err.find("iFace: salt concentration 0.1 mol/l and temperature 0 K"), std::string::npos);
  EXPECT_EQ(prob, 0.25);
}

// ---------------------------------------------------------------------------
// Whole structures

namespace {

class IFaceUbq : public testing::Test {
 protected:
  void SetUp() override {
    korim::foundation::memoryReset();
    korim::structure::pdbModuleReset();
    nscReset();
    korim::structure::pdbNull(&pdb);
    int st = -1;
    korim_test::captureStderr([&] { st = korim::structure::readPDB(korim_test::kUbiquitinPdb.c_str(), &pdb, nullptr, nullptr); });
    ASSERT_EQ(st, 0);
    for (int i = 0; i < pdb.atomCount; i++) {  // heavy atoms selected
      pdb.atomList[i].selected = std::strcmp(pdb.atomList[i].element, "H") != 0;
      orig.push_back(pdb.atomList[i]);
    }
    outName = dir / "iface.pdb";
  }
  void TearDown() override { korim::structure::pdbFree(&pdb); }
  void expectRestored() {
    for (int i = 0; i < pdb.atomCount; i++) {
      const AtomInfo &a = pdb.atomList[i], &o = orig[i];
      ASSERT_TRUE(a.x == o.x && a.y == o.y && a.z == o.z && a.selected == o.selected) << i;
    }
  }
  int run(KorimInfo& k, double a1, double a2, double a3, int n, int* id, float* q) {
    return keep(out, err, [&] {
      return iFacePDB(a1, a2, a3, &pdb, &k, "", outName.c_str(), "iface test", 0, nullptr, 0.0, 0.0, n, id, q);
    });
  }
  // The written structure: every atom, each at p(orig) within tol.
  template <typename P>
  void expectWritten(P p, double tol) {
    const korim_test::PdbAtoms w = korim_test::readPdbAtoms(outName, true);
    ASSERT_EQ(w.n(), pdb.atomCount);
    for (int i = 0; i < pdb.atomCount; i += 97) {
      const std::array<double, 3> e = p(orig[i]);
      EXPECT_LT(std::fmax(std::fabs(w.x[i + 1] - e[0]), std::fmax(std::fabs(w.y[i + 1] - e[1]), std::fabs(w.z[i + 1] - e[2]))), tol) << i;
    }
  }
  // Columns 79-80 of the written ATOM record of atom i.
  std::string chargeMark(int i) const {
    std::vector<std::string> atoms;
    for (const std::string& l : korim_test::lines(korim_test::readFile(outName)))
      if (l.rfind("ATOM", 0) == 0) atoms.push_back(l);
    return atoms.at(i).size() >= 80 ? atoms[i].substr(78, 2) : "";
  }
  korim_test::TempDir dir;
  PDBInfo pdb{};
  std::vector<AtomInfo> orig;
  std::string outName, out, err;
};

}  // namespace

TEST_F(IFaceUbq, UnchargedMoleculeHasProbabilityOneBothWays) {
  int id[1] = {0};
  float q[1] = {0.0f};
  const std::string first = "REMARK Probability of initial orientation 1.000000e+00.\n",
                    turned = "REMARK Probability of 180 deg. rotated orientation 1.000000e+00.\n";
  KorimInfo k = settings(1), s = settings(2);
  ASSERT_EQ(run(k, 0.0, 0.0, 0.0, 0, id, q), 0);
  EXPECT_EQ(out, first + turned);
  expectRestored();
  // Equal probabilities: written in the initial orientation.
  expectWritten([](const AtomInfo& a) { return std::array<double, 3>{a.x, a.y, a.z}; }, 6e-4);
  // In the rod medium with surface atoms: the same selection for both faces, restored after.
  s.surfFlag = 1;
  ASSERT_EQ(run(s, 15.0, 25.0, 35.0, 0, id, q), 0);
  EXPECT_TRUE(korim_test::inOrder(out, {first, turned}));  // the rod prints its screening for each face
  expectRestored();
}

TEST_F(IFaceUbq, TheMoreProbableFaceIsWritten) {
  KorimInfo k = settings(1);
  k.elInfo.elFlag = 1;
  // Points: the charge, then the 602 heavy atoms; cz their mean z. c: the centre of all atoms,
  // about which the second face is turned by 180 degrees about y.
  int low = -1, high = -1;  // the selected atoms with the lowest and the highest z
  double c[3] = {0, 0, 0}, zSum = 0.0;
  int n = 1;
  for (int i = 0; i < pdb.atomCount; i++) {
    const AtomInfo& a = orig[i];
    if (a.selected && (low < 0 || a.z < orig[low].z)) low = i;
    if (a.selected && (high < 0 || a.z > orig[high].z)) high = i;
    zSum += a.selected ? a.z : 0.0;
    n += a.selected;
    c[0] += a.x / pdb.atomCount, c[1] += a.y / pdb.atomCount, c[2] += a.z / pdb.atomCount;
  }
  for (int at : {low, high}) {
    int id[2] = {0, at};
    float q[2] = {0.0f, 1.0f};
    ASSERT_EQ(run(k, 0.0, 0.0, 0.0, 1, id, q), 0);
    // The positive charge 50 A plus its height above the centroid from the attracting surface,
    // on the initial face and, mirrored in z, on the turned one.
    const double cz = (zSum + orig[at].z) / n, p0 = std::exp(-gouyChapman(orig[at].z - cz + 50.0)),
                 p1 = std::exp(-gouyChapman(cz - orig[at].z + 50.0));
    double read0 = 0.0, read1 = 0.0;
    ASSERT_EQ(std::sscanf(out.c_str(),
                          "REMARK Probability of initial orientation %lf.\n"
                          "REMARK Probability of 180 deg. rotated orientation %lf.",
                          &read0, &read1),
              2)
        << out;
    EXPECT_NEAR(read0, p0, 1e-5 * p0);
    EXPECT_NEAR(read1, p1, 1e-5 * p1);
    EXPECT_EQ(p0 > p1, at == low);
    expectRestored();
    // Written in the orientation of the charge next to the surface: the input as it is, or turned.
    if (p0 > p1)
      expectWritten([](const AtomInfo& a) { return std::array<double, 3>{a.x, a.y, a.z}; }, 6e-4);
    else
      expectWritten([&](const AtomInfo& a) { return std::array<double, 3>{c[0] - a.x, a.y - c[1], c[2] - a.z}; }, 2e-3);
    EXPECT_EQ(chargeMark(at), "1+");
  }
}

TEST_F(IFaceUbq, ChargeMarksAtTheThresholds) {
  KorimInfo k = settings(1);
  k.elInfo.elFlag = 1;
  int id[5] = {0, 10, 20, 30, 40};
  float q[5] = {0.0f, 0.4f, -0.4f, 0.39f, -0.1f};
  ASSERT_EQ(run(k, 10.0, 20.0, 30.0, 4, id, q), 0);
  const char* marks[4] = {"1+", "1-", "0+", "0+"};
  for (int i = 0; i < 4; i++) EXPECT_STREQ(pdb.atomList[id[i + 1]].chargeStr, marks[i]);
  EXPECT_FLOAT_EQ(pdb.atomList[20].tempFactor, -0.4f);
  EXPECT_EQ(pdb.atomList[11].tempFactor, 0.0f);
  EXPECT_EQ(chargeMark(10) + chargeMark(20), "1+1-");
  expectRestored();
}

TEST_F(IFaceUbq, FailuresRestoreTheStructure) {
  KorimInfo k = settings(1);
  k.elInfo.elFlag = 1;
  k.elInfo.concNaCl = 0.0f;  // iFace refuses
  int id[2] = {0, 5};
  float q[2] = {0.0f, 1.0f};
  EXPECT_EQ(run(k, 30.0, 40.0, 50.0, 1, id, q), 1);
  EXPECT_NE(err.find("korim: error determining interaction face.\n"), std::string::npos);
  expectRestored();
  EXPECT_FALSE(korim_test::fileExists(outName));
  k.elInfo.concNaCl = 0.1f;
  // Charge tables past the arrays or the structure.
  std::vector<int> ids(1202, 1);
  std::vector<float> qs(1202, 0.5f);
  EXPECT_EQ(run(k, 0, 0, 0, 1201, ids.data(), qs.data()), 1);
  EXPECT_EQ(err, "iFacePDB: 1201 charges, at most 1200 can be placed.\n");
  ids[2] = pdb.atomCount;
  EXPECT_EQ(run(k, 0, 0, 0, 3, ids.data(), qs.data()), 1);
  EXPECT_EQ(err, "iFacePDB: charge 2 refers to atom 1231, outside the structure of 1231 atoms.\n");
  expectRestored();
}

TEST(IFaceLimits, AtMostFiveThousandPoints) {
  korim::foundation::memoryReset();
  for (int n : {5000, 5001}) {
    std::vector<AtomInfo> atoms(n);
    std::vector<korim::structure::Coord3D> saved(n);
    for (int i = 0; i < n; i++) {
      atoms[i] = AtomInfo{};
      std::tie(atoms[i].x, atoms[i].y, atoms[i].z) = std::tuple(i % 20, (i / 20) % 20, i / 400);
      atoms[i].resID = atoms[i].selected = 1;
    }
    PDBInfo pdb{};
    pdb.atomList = atoms.data();
    pdb.atomCount = pdb.maxAtomCount = pdb.maxCoordCount = n;
    pdb.coordList = saved.data();
    pdb.minResID = pdb.maxResID = 1;
    KorimInfo k = settings(1);
    std::string out, err;
    const int st = keep(out, err, [&] { return iFacePDB(0, 90, 0, &pdb, &k, "", "", "", 0, nullptr, 0, 0, 0, nullptr, nullptr); });
    EXPECT_EQ(st, n == 5000 ? 0 : 1) << err;
    EXPECT_EQ(out, n == 5000 ? "REMARK Probability of initial orientation 1.000000e+00.\n"
                               "REMARK Probability of 180 deg. rotated orientation 1.000000e+00.\n"
                             : "");
    if (n > 5000) {
      EXPECT_EQ(err, "iFacePDB: 0 charges and 5001 selected atoms exceed the 5000 coordinate points "
                     "of the interface mode; select fewer atoms.\n");
    }
    EXPECT_TRUE(atoms[4321].z == 4321 / 400 && atoms[4321].x == 4321 % 20);
  }
}
