// Interface mode: Boltzmann factor of charges at the particle surface against
// the Gouy-Chapman solution, touching molecules, the two faces of ubiquitin,
// the structure written with its charge marks, restored coordinates and
// selections on every path, and refused inputs.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/korim_types.h"
#include "app/korim_utils_null.h"
#include "foundation/memory.h"
#include "simulation/korim_iface.h"
#include "simulation/korim_utils_simu.h"
#include "simulation/nsc.h"
#include "structure/pdb.h"

using namespace korim::simulation;
using korim::app::KorimInfo;
using korim::structure::AtomInfo;
using korim::structure::Coord3D;
using korim::structure::PDBInfo;

namespace {

const std::string kUbq = std::string(KORIM_TEST_DATA) + "/ubiquitin_1d3z_model1.pdb";

KorimInfo settings(int lcType) {
  KorimInfo k{};
  korim::app::korimInfoNull(&k);
  k.lcType = lcType;
  k.radiusModel = 20.0f;
  k.radiusAtom = 1.5f;
  k.surfFlag = 0;
  k.elInfo.elFlag = 0;
  k.elInfo.dipoleFlag = 0;
  k.elInfo.chSelFlag = 0;
  k.elInfo.iFace = 50.0f;
  k.elInfo.concNaCl = 0.1f;
  k.elInfo.temperaturePot = 298.15f;
  k.elInfo.chDensSurf = -0.47f;
  k.elInfo.kEnergy = 1.0f;
  k.elInfo.kPot = 2.0f;
  return k;
}

// Potential (kT/e) of the charged plane at d Angstrom, from the Gouy-Chapman
// solution psi = 4 artanh(gamma exp(-kappa x)), Grahame's surface potential.
double gouyChapman(double d, double conc, double sigma) {
  const double rho = 0.6022 * conc;
  const double lB = 138.935 / (0.6509039097030002 * 298.15);  // Bjerrum length, nm
  const double kappa = std::sqrt(8.0 * M_PI * lB * rho);
  const double y0 = 2.0 * std::asinh(2.0 * M_PI * lB * sigma / kappa);
  const double gamma = std::tanh(static_cast<float>(y0) / 4.0);
  return 4.0 * std::atanh(gamma * std::exp(-kappa * d / 10.0));
}

template <typename F>
std::pair<std::string, std::string> captured(F f) {
  testing::internal::CaptureStdout();
  testing::internal::CaptureStderr();
  f();
  std::string out = testing::internal::GetCapturedStdout();
  std::string err = testing::internal::GetCapturedStderr();
  return {out, err};
}

// Two points 4 A apart on z, the lower one charged.
struct Pair {
  double x[3] = {0, 0, 0}, y[3] = {0, 0, 0}, z[3] = {0, 0, 4};
  int id[2] = {0, 1};
  float q[2] = {0.0f, 1.0f};
};

}  // namespace

TEST(IFace, ChargeFollowsTheScreenedPotential) {
  for (int lc : {1, 2}) {
    KorimInfo k = settings(lc);
    k.elInfo.iFace = 6.0f;
    Pair p;
    std::vector<double> table = {0.0, 1.0, 0.5, 0.25};
    double prob = -1.0;
    int st = -1;
    const auto out = captured([&] {
      st = iFace(&k, 2, p.x, p.y, p.z, 1, p.id, p.q, 3, table.data(), 0.0, 1.0, &prob);
    });
    ASSERT_EQ(st, 0);
    // The charge sits 2 A below the centre: 4 A from the surface; a positive
    // charge is drawn to the negative surface.
    const double expected = std::exp(-1.0 * gouyChapman(4.0, 0.1, -0.47));
    EXPECT_NEAR(prob, expected, 1e-5 * expected) << lc;
    EXPECT_GT(prob, 1.0);
    // kEnergy scales the exponent.
    k.elInfo.kEnergy = 0.5f;
    double half = -1.0;
    captured([&] { iFace(&k, 2, p.x, p.y, p.z, 1, p.id, p.q, 3, table.data(), 0, 1, &half); });
    EXPECT_NEAR(half, std::sqrt(expected), 1e-5 * expected);
    // The table is not needed here and stays as given.
    EXPECT_EQ(table, (std::vector<double>{0.0, 1.0, 0.5, 0.25}));
    // The wall reports its potential only on request, the rod always.
    EXPECT_EQ(out.first.find("REMARK Debye length ") != std::string::npos, lc == 2);
  }
}

TEST(IFace, NoChargesGiveOne) {
  for (int lc : {1, 2}) {
    KorimInfo k = settings(lc);
    Pair p;
    double prob = -1.0;
    captured([&] { ASSERT_EQ(iFace(&k, 2, p.x, p.y, p.z, 0, p.id, p.q, 0, nullptr, 0, 0, &prob), 0); });
    EXPECT_EQ(prob, 1.0);
  }
}

TEST(IFace, TouchingMoleculeGivesZeroWithWarnings) {
  KorimInfo k = settings(1);
  k.elInfo.iFace = 3.0f;  // the lower point is 1 A above the surface, inside its radius
  Pair p;
  double prob = -1.0;
  const auto out = captured([&] {
    ASSERT_EQ(iFace(&k, 2, p.x, p.y, p.z, 1, p.id, p.q, 0, nullptr, 0, 0, &prob), 0);
  });
  EXPECT_EQ(prob, 0.0);
  EXPECT_EQ(out.second,
            "WARNING: Molecule too close to LC particel ...\n"
            "         Interaction face cannot be determined!\n");
}

TEST(IFace, OtherMediumLeavesTheProbability) {
  KorimInfo k = settings(3);
  Pair p;
  double prob = 0.25;
  captured([&] { ASSERT_EQ(iFace(&k, 2, p.x, p.y, p.z, 1, p.id, p.q, 0, nullptr, 0, 0, &prob), 0); });
  EXPECT_EQ(prob, 0.25);
}

TEST(IFace, BadInputsAreRefused) {
  KorimInfo k = settings(1);
  Pair p;
  double prob = 0.25;
  int st = 0;
  auto out = captured([&] { st = iFace(&k, 0, p.x, p.y, p.z, 0, p.id, p.q, 0, nullptr, 0, 0, &prob); });
  EXPECT_EQ(st, 1);
  EXPECT_EQ(out.second, "iFace: no coordinate points to place at the particle surface.\n");
  p.id[1] = 3;
  out = captured([&] { st = iFace(&k, 2, p.x, p.y, p.z, 1, p.id, p.q, 0, nullptr, 0, 0, &prob); });
  EXPECT_EQ(st, 1);
  EXPECT_EQ(out.second, "iFace: charge 1 sits at point 3, outside the 2 points.\n");
  p.id[1] = 1;
  k.elInfo.temperaturePot = 0.0f;
  out = captured([&] { st = iFace(&k, 2, p.x, p.y, p.z, 1, p.id, p.q, 0, nullptr, 0, 0, &prob); });
  EXPECT_EQ(st, 1);
  EXPECT_NE(out.second.find("iFace: salt concentration 0.1 mol/l and temperature 0 K"),
            std::string::npos);
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
    testing::internal::CaptureStderr();
    const int st = korim::structure::readPDB(kUbq.c_str(), &pdb, nullptr, nullptr);
    testing::internal::GetCapturedStderr();
    ASSERT_EQ(st, 0);
    // Heavy atoms selected.
    for (int i = 0; i < pdb.atomCount; i++)
      pdb.atomList[i].selected = std::strcmp(pdb.atomList[i].element, "H") != 0;
    for (int i = 0; i < pdb.atomCount; i++) orig.push_back(pdb.atomList[i]);
    outName = testing::TempDir() + "iface_" + std::to_string(getpid()) + ".pdb";
  }
  void TearDown() override {
    std::remove(outName.c_str());
    korim::structure::pdbFree(&pdb);
  }
  void expectRestored() {
    for (int i = 0; i < pdb.atomCount; i++) {
      ASSERT_EQ(pdb.atomList[i].x, orig[i].x) << i;
      ASSERT_EQ(pdb.atomList[i].y, orig[i].y) << i;
      ASSERT_EQ(pdb.atomList[i].z, orig[i].z) << i;
      ASSERT_EQ(pdb.atomList[i].selected, orig[i].selected) << i;
    }
  }
  int run(KorimInfo& k, double a1, double a2, double a3, int n, int* id, float* q,
          std::string* out = nullptr, std::string* err = nullptr, const char* name = nullptr) {
    int st = -1;
    const auto text = captured([&] {
      st = iFacePDB(a1, a2, a3, &pdb, &k, "", name ? name : outName.c_str(), "iface test", 0,
                    nullptr, 0.0, 0.0, n, id, q);
    });
    if (out) *out = text.first;
    if (err) *err = text.second;
    return st;
  }
  // Index of the selected atom with the lowest (sign -1) or highest (+1) z.
  int extremeAtom(int sign) const {
    int best = -1;
    for (int i = 0; i < pdb.atomCount; i++)
      if (orig[i].selected && (best < 0 || sign * orig[i].z > sign * orig[best].z)) best = i;
    return best;
  }
  // ATOM records of the written file: x, y, z and the charge field.
  struct Record {
    double x, y, z;
    std::string charge;
  };
  std::vector<Record> written() const {
    std::vector<Record> recs;
    std::ifstream in(outName);
    std::string line;
    while (std::getline(in, line)) {
      if (line.rfind("ATOM", 0) != 0) continue;
      Record r;
      r.x = std::atof(line.substr(30, 8).c_str());
      r.y = std::atof(line.substr(38, 8).c_str());
      r.z = std::atof(line.substr(46, 8).c_str());
      r.charge = line.size() >= 80 ? line.substr(78, 2) : "";
      recs.push_back(r);
    }
    return recs;
  }
  PDBInfo pdb{};
  std::vector<AtomInfo> orig;
  std::string outName;
};

}  // namespace

TEST_F(IFaceUbq, UnchargedMoleculeHasProbabilityOneBothWays) {
  KorimInfo k = settings(1);
  std::string out;
  int id[1] = {0};
  float q[1] = {0.0f};
  ASSERT_EQ(run(k, 0.0, 0.0, 0.0, 0, id, q, &out), 0);
  EXPECT_EQ(out,
            "REMARK Probability of initial orientation 1.000000e+00.\n"
            "REMARK Probability of 180 deg. rotated orientation 1.000000e+00.\n");
  expectRestored();
  // Equal probabilities: written in the initial orientation.
  const auto recs = written();
  ASSERT_EQ(static_cast<int>(recs.size()), pdb.atomCount);
  for (int i = 0; i < pdb.atomCount; i += 97) {
    EXPECT_NEAR(recs[i].x, orig[i].x, 6e-4);
    EXPECT_NEAR(recs[i].z, orig[i].z, 6e-4);
  }
}

TEST_F(IFaceUbq, ChargedFaceNearTheSurfaceDecidesTheOrientation) {
  KorimInfo k = settings(1);
  k.elInfo.elFlag = 1;
  const int low = extremeAtom(-1);
  int id[2] = {0, low};
  float q[2] = {0.0f, 1.0f};
  std::string out;
  ASSERT_EQ(run(k, 0.0, 0.0, 0.0, 1, id, q, &out), 0);
  // Initial face: the charge is on the lower side, near the attracting surface.
  // Points: the charge, then the 602 heavy atoms; their float centroid.
  float cz = 0.0f;
  int n = 1;
  cz += orig[low].z;
  for (int i = 0; i < pdb.atomCount; i++)
    if (orig[i].selected) {
      cz = static_cast<float>(cz + orig[i].z);
      n++;
    }
  cz /= n;
  const double d = static_cast<double>(orig[low].z) - cz + 50.0;
  const double p0 = std::exp(-gouyChapman(d, 0.1, -0.47));
  double read0 = 0.0, read1 = 0.0;
  ASSERT_EQ(std::sscanf(out.c_str(),
                        "REMARK Probability of initial orientation %lf.\n"
                        "REMARK Probability of 180 deg. rotated orientation %lf.",
                        &read0, &read1),
            2)
      << out;
  EXPECT_NEAR(read0, p0, 1e-5 * p0);
  EXPECT_GT(read0, read1);
  EXPECT_GT(read1, 1.0);
  expectRestored();
  // The initial face is the more probable one: the structure is written
  // turned by 180 degrees about y around the centre of all atoms.
  double sx = 0, sy = 0, sz = 0;
  for (int i = 0; i < pdb.atomCount; i++) {
    sx += orig[i].x;
    sy += orig[i].y;
    sz += orig[i].z;
  }
  sx /= pdb.atomCount;
  sy /= pdb.atomCount;
  sz /= pdb.atomCount;
  const auto recs = written();
  ASSERT_EQ(static_cast<int>(recs.size()), pdb.atomCount);
  for (int i = 0; i < pdb.atomCount; i += 101) {
    EXPECT_NEAR(recs[i].x, -(orig[i].x - sx), 2e-3) << i;
    EXPECT_NEAR(recs[i].y, orig[i].y - sy, 2e-3) << i;
    EXPECT_NEAR(recs[i].z, -(orig[i].z - sz), 2e-3) << i;
  }
  EXPECT_EQ(recs[low].charge, "1+");
}

TEST_F(IFaceUbq, ChargeMarksAtTheThresholds) {
  KorimInfo k = settings(1);
  k.elInfo.elFlag = 1;
  int id[5] = {0, 10, 20, 30, 40};
  float q[5] = {0.0f, 0.4f, -0.4f, 0.39f, -0.1f};
  ASSERT_EQ(run(k, 10.0, 20.0, 30.0, 4, id, q), 0);
  EXPECT_STREQ(pdb.atomList[10].chargeStr, "1+");
  EXPECT_STREQ(pdb.atomList[20].chargeStr, "1-");
  EXPECT_STREQ(pdb.atomList[30].chargeStr, "0+");
  EXPECT_STREQ(pdb.atomList[40].chargeStr, "0+");
  EXPECT_FLOAT_EQ(pdb.atomList[20].tempFactor, -0.4f);
  EXPECT_EQ(pdb.atomList[11].tempFactor, 0.0f);
  const auto recs = written();
  ASSERT_EQ(static_cast<int>(recs.size()), pdb.atomCount);
  EXPECT_EQ(recs[10].charge, "1+");
  EXPECT_EQ(recs[20].charge, "1-");
  expectRestored();
}

TEST_F(IFaceUbq, SurfaceSelectionIsTheSameForBothFacesAndRestored) {
  KorimInfo k = settings(2);
  k.surfFlag = 1;
  int id[1] = {0};
  float q[1] = {0.0f};
  std::string out;
  ASSERT_EQ(run(k, 15.0, 25.0, 35.0, 0, id, q, &out), 0);
  EXPECT_NE(out.find("REMARK Probability of initial orientation 1.000000e+00.\n"),
            std::string::npos);
  EXPECT_NE(out.find("REMARK Probability of 180 deg. rotated orientation 1.000000e+00.\n"),
            std::string::npos);
  expectRestored();
}

TEST_F(IFaceUbq, FailuresRestoreTheStructure) {
  KorimInfo k = settings(1);
  k.elInfo.elFlag = 1;
  k.elInfo.concNaCl = 0.0f;  // iFace refuses
  int id[2] = {0, 5};
  float q[2] = {0.0f, 1.0f};
  std::string err;
  EXPECT_EQ(run(k, 30.0, 40.0, 50.0, 1, id, q, nullptr, &err), 1);
  EXPECT_NE(err.find("korim: error determining interaction face.\n"), std::string::npos);
  expectRestored();
  std::ifstream none(outName);
  EXPECT_FALSE(none.good());

  // Allocation failures: the five work arrays, then the selection's first one.
  k.elInfo.concNaCl = 0.1f;
  for (int n = 1; n <= 6; n++) {
    korim::foundation::memoryReset();
    korim::foundation::memoryFailAt(n);
    EXPECT_EQ(run(k, 30.0, 40.0, 50.0, 1, id, q, nullptr, &err), 1) << n;
    if (n <= 5)
      EXPECT_NE(err.find("Error allocating coord buffers.\n"), std::string::npos) << err;
    else
      EXPECT_NE(err.find("korim: error reading selection of atoms.\n"), std::string::npos) << err;
    expectRestored();
  }
  korim::foundation::memoryFailAt(0);
}

TEST_F(IFaceUbq, BadChargeTablesAreRefused) {
  KorimInfo k = settings(1);
  k.elInfo.elFlag = 1;
  std::vector<int> id(1202, 1);
  std::vector<float> q(1202, 0.5f);
  std::string err;
  EXPECT_EQ(run(k, 0, 0, 0, 1201, id.data(), q.data(), nullptr, &err), 1);
  EXPECT_EQ(err, "iFacePDB: 1201 charges, at most 1200 can be placed.\n");
  id[2] = pdb.atomCount;
  EXPECT_EQ(run(k, 0, 0, 0, 3, id.data(), q.data(), nullptr, &err), 1);
  EXPECT_EQ(err, "iFacePDB: charge 2 refers to atom 1231, outside the structure of 1231 atoms.\n");
  expectRestored();
}

TEST(IFaceLimits, AtMostFiveThousandPoints) {
  korim::foundation::memoryReset();
  for (int n : {5000, 5001}) {
    std::vector<AtomInfo> atoms(n);
    std::vector<Coord3D> saved(n);
    for (int i = 0; i < n; i++) {
      atoms[i] = AtomInfo{};
      atoms[i].x = static_cast<float>(i % 20);
      atoms[i].y = static_cast<float>((i / 20) % 20);
      atoms[i].z = static_cast<float>(i / 400);
      atoms[i].resID = 1;
      atoms[i].selected = 1;
    }
    PDBInfo pdb{};
    pdb.atomList = atoms.data();
    pdb.atomCount = pdb.maxAtomCount = n;
    pdb.coordList = saved.data();
    pdb.maxCoordCount = n;
    pdb.minResID = pdb.maxResID = 1;
    KorimInfo k = settings(1);
    int st = -1;
    const auto text = captured([&] {
      st = iFacePDB(0, 90, 0, &pdb, &k, "", "", "", 0, nullptr, 0, 0, 0, nullptr, nullptr);
    });
    if (n == 5000) {
      EXPECT_EQ(st, 0) << text.second;
      EXPECT_NE(text.first.find("REMARK Probability of initial orientation 1.000000e+00.\n"),
                std::string::npos);
    } else {
      EXPECT_EQ(st, 1);
      EXPECT_EQ(text.second,
                "iFacePDB: 0 charges and 5001 selected atoms exceed the 5000 coordinate points "
                "of the interface mode; select fewer atoms.\n");
      EXPECT_EQ(text.first, "");
    }
    EXPECT_EQ(atoms[4321].z, static_cast<float>(4321 / 400));
    EXPECT_EQ(atoms[4321].x, static_cast<float>(4321 % 20));
  }
}
