// Energy tallies: the coupling tallies at and off the fitted tensor, the entry guards and the work-space failure.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <random>
#include <vector>

#include "couplings/dc.h"
#include "foundation/memory.h"
#include "restraints/energy.h"
#include "tests/support/capture.h"

using namespace korim::restraints;
using korim::couplings::DInfo;
using korim::couplings::DTable;
using korim::structure::AtomInfo;

namespace {

const float kSaupe[5] = {4e-4f, 6e-4f, 2e-4f, -3e-4f, 1e-4f};

// Couplings of n random N-H pairs whose values are back-calculated from the tensor kSaupe by
// the coupling module, offset by `offset` Hz.
struct Couplings {
  std::vector<AtomInfo> atoms;
  std::vector<DInfo> obs;
  DTable tab{};
  Couplings(int n, unsigned seed, float offset) : atoms(2 * n), obs(n) {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<float> u(-5.0f, 5.0f), v(-1.0f, 1.0f);
    std::vector<float> xi(n), yi(n), zi(n), xj(n), yj(n), zj(n), di(n, -24350.0f), d(n), sd(n);
    for (int i = 0; i < n; i++) {
      AtomInfo& a = atoms[2 * i];
      AtomInfo& b = atoms[2 * i + 1];
      a = AtomInfo{}, b = AtomInfo{};
      a.x = u(rng), a.y = u(rng), a.z = u(rng);
      b.x = a.x + v(rng), b.y = a.y + v(rng), b.z = a.z + v(rng);
      xi[i] = a.x, yi[i] = a.y, zi[i] = a.z, xj[i] = b.x, yj[i] = b.y, zj[i] = b.z;
    }
    float saupe[5], dSaupe[5] = {0, 0, 0, 0, 0};
    for (int k = 0; k < 5; k++) saupe[k] = kSaupe[k];
    korim::couplings::findD(xi.data(), yi.data(), zi.data(), xj.data(), yj.data(), zj.data(),
                            di.data(), d.data(), sd.data(), saupe, dSaupe, n);
    for (int i = 0; i < n; i++) {
      obs[i] = DInfo{};
      obs[i].valid = 1;
      obs[i].atomI[0] = &atoms[2 * i];
      obs[i].atomJ[0] = &atoms[2 * i + 1];
      obs[i].atomICount = obs[i].atomJCount = 1;
      obs[i].di = di[i];
      obs[i].d = d[i] + offset;
      obs[i].w = 1.0f;
      obs[i].fc = 1.0f;
    }
    korim::couplings::dTabNull(&tab);
    for (int k = 0; k < 5; k++) tab.dTensor.saupe[k] = kSaupe[k];
    tab.dObsList = obs.data();
    tab.dCount = n;
  }
  void clearForces() {
    for (AtomInfo& a : atoms) a.force[0] = {0, 0, 0};
  }
};

}  // namespace

TEST(EnergyTallies, CouplingsOfTheTablesOwnTensorCostNothing) {
  korim::structure::PDBInfo pdb{};
  Couplings c(12, 7, 0.0f);
  double sum = -1.0, rms = -1.0;
  EXPECT_EQ(merTallyDCEnergy2(&pdb, &c.tab, 3.0f, &sum, &rms), 12);
  EXPECT_NEAR(sum, 0.0, 1e-8);
  EXPECT_NEAR(rms, 0.0, 1e-4);
  for (const AtomInfo& a : c.atoms)
    EXPECT_LE(std::max({std::fabs(a.force[0].x), std::fabs(a.force[0].y), std::fabs(a.force[0].z)}), 1e-3);
  // Off by 2 Hz everywhere: energy 3 * 12 * 2^2 and RMS 2.
  Couplings off(12, 7, 2.0f);
  merTallyDCEnergy2(&pdb, &off.tab, 3.0f, &sum, &rms);
  EXPECT_NEAR(sum, 144.0, 1e-3);
  EXPECT_NEAR(rms, 2.0, 1e-4);
}

// The energy of the three-table tally is the function whose gradient it accumulates, also
// when the tables hold different numbers of couplings.
TEST(EnergyTallies, ThreeTableCouplingEnergyMatchesItsGradient) {
  korim::structure::PDBInfo pdb{};
  Couplings a(9, 1, 1.5f), b(3, 2, -4.0f), empty(0, 3, 0.0f);
  auto energy = [&] {
    double sum = 0, rms = 0;
    a.clearForces();
    b.clearForces();
    merTallyDCEnergy(&pdb, &a.tab, &b.tab, &empty.tab, 1.0f, 2.0f, 5.0f, &sum, &rms);
    return sum;
  };
  for (Couplings* c : {&a, &b}) {
    for (int i : {0, 3}) {
      energy();
      double g = c->atoms[i].force[0].y;
      float y0 = c->atoms[i].y, yp = y0 + 1e-3f, ym = y0 - 1e-3f;
      c->atoms[i].y = yp;
      double ep = energy();
      c->atoms[i].y = ym;
      double em = energy();
      c->atoms[i].y = y0;
      EXPECT_NEAR(g, (ep - em) / (double(yp) - ym), 1e-3 * std::fabs(g) + 1e-6);
    }
  }
  double sum = 0, rms = 0;
  merTallyDCEnergy(&pdb, &a.tab, &b.tab, &empty.tab, 1.0f, 2.0f, 5.0f, &sum, &rms);
  EXPECT_NEAR(sum, 9 * 1.5 * 1.5 + 2.0 * 3 * 16.0, 1e-2);
  EXPECT_NEAR(rms, std::sqrt((9 * 1.5 * 1.5 + 3 * 16.0) / 12.0), 1e-4);
}

TEST(EnergyTallies, NullTablesClearTheResults) {
  korim::structure::PDBInfo pdb{};
  using Tally = std::function<int(double*, double*)>;
  const std::vector<Tally> tallies = {
      [&](double* s, double* r) { return merTallyDistEnergy(&pdb, nullptr, 1, s, r); },
      [&](double* s, double* r) { return merTallyBondEnergy(&pdb, nullptr, 1, s, r); },
      [&](double* s, double* r) { return merTallyDSEnergy(&pdb, nullptr, 1, s, r); },
      [&](double* s, double* r) { return merTallyAngleEnergy(&pdb, nullptr, 1, s, r); },
      [&](double* s, double* r) { return merTallyImproperEnergy(&pdb, nullptr, 1, s, r); },
      [&](double* s, double* r) { return merTallyTorsionEnergy(&pdb, nullptr, 1, s, r); },
      [&](double* s, double* r) { return merTallyJcoupEnergy(&pdb, nullptr, 1, s, r); },
      [&](double* s, double* r) { return merTallyACEnergy(&pdb, nullptr, 1, s, r); },
      [&](double* s, double* r) { return merTallyNCSEnergy(&pdb, nullptr, 1, s, r); },
      [&](double* s, double* r) { return merTallyNOEEnergy(&pdb, nullptr, 1, s, r); },
      [&](double* s, double* r) { return merTallyRadGyrEnergy(&pdb, nullptr, 1, 1, s, r); },
      [&](double* s, double* r) { return merTallyDCEnergy2(&pdb, nullptr, 1, s, r); },
      [&](double* s, double* r) { return merTallyDCEnergy(&pdb, nullptr, nullptr, nullptr, 1, 1, 1, s, r); },
      [&](double* s, double* r) { return merTallyDCEnergyN(&pdb, nullptr, 1, s, r); },
      [&](double* s, double* r) { return merTallyPCSEnergy(&pdb, nullptr, 1, s, r); },
      [&](double* s, double* r) { return merTallyVDWEnergy(&pdb, 1, 1, 0.5, 8, 1, s, r); },
      [&](double* s, double* r) { return merTallyCSEnergy(&pdb, nullptr, 1, s, r); },
      [&](double* s, double* r) { return merTallyDelphicTorsionEnergy(&pdb, nullptr, 1, s, r); },
  };
  for (size_t i = 0; i < tallies.size(); i++) {
    double sum = 99.0, rms = 99.0;
    EXPECT_EQ(tallies[i](&sum, &rms), 0) << "tally " << i;
    EXPECT_TRUE(sum == 0.0 && rms == 0.0) << "tally " << i;
  }
}

TEST(EnergyTallies, WorkspaceFailureStopsTheSuperposingTallies) {
  korim::structure::PDBInfo pdb{};
  ACTable ac{};
  acTabNull(&ac);
  ac.acCount = 4;
  DistTable dist{};
  distTabNull(&dist);
  dist.distCount = 4;
  for (int which = 0; which < 2; which++) {
    energyFree();
    korim::foundation::memoryFailAt(1);
    double sum = 99.0, rms = 99.0;
    int rc = -1;
    std::string err = korim_test::captureStderr([&] {
      rc = which == 0 ? merTallyACEnergy(&pdb, &ac, 1.0f, &sum, &rms)
                      : merTallyNCSEnergy(&pdb, &dist, 1.0f, &sum, &rms);
    });
    korim::foundation::memoryFailAt(0);
    EXPECT_NE(err.find("MERIDO Error (Energy) allocating workspaces.\n"), std::string::npos);
    EXPECT_TRUE(rc == 1 && sum == 0.0 && rms == 0.0 && energyCoordCapacity() == 0) << which;
  }
}
