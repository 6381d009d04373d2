// Energy kernels: gradients against central differences, vanishing net force and torque, and boundary
// values; the tallies: couplings at and off the fitted tensor, the entry guards, the work-space failure.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>
#include <random>
#include <vector>

#include "couplings/dc.h"
#include "foundation/memory.h"
#include "restraints/cs.h"
#include "restraints/delphic.h"
#include "restraints/energy.h"
#include "restraints/kernel.h"
#include "tests/support/capture.h"

using namespace korim::restraints;
using korim::couplings::DInfo;
using korim::couplings::DTable;
using korim::structure::AtomInfo;
using korim::structure::Coord3D;

namespace {

using Atoms = std::vector<AtomInfo>;

struct Case {
  const char* name;
  int atoms;
  bool internal;  // energy invariant under rigid motion: net force and torque vanish
  // Evaluates the kernel on the atoms into e; its status (0 evaluated).
  std::function<int(Atoms&, GenericEnergy&)> eval;
  // Geometries the case is meant for (outside a well, below a bound, ...).
  std::function<bool(const GenericEnergy&)> wanted = [](const GenericEnergy&) { return true; };
};

void clearForces(Atoms& a) {
  for (AtomInfo& x : a) x.force[0] = {0.0, 0.0, 0.0};
}

double energyOf(const Case& c, Atoms& a) {
  GenericEnergy e{};
  clearForces(a);
  c.eval(a, e);
  return e.energy;
}

float& coord(AtomInfo& a, int k) { return k == 0 ? a.x : (k == 1 ? a.y : a.z); }
double grad(const AtomInfo& a, int k) {
  return k == 0 ? a.force[0].x : (k == 1 ? a.force[0].y : a.force[0].z);
}

// Karplus coefficients with a negative coupling everywhere (c below -(a + |b|)).
constexpr double kA = 6.5, kB = -1.8, kCneg = -9.0;
const float kSaupe[5] = {4e-4f, 6e-4f, 2e-4f, -3e-4f, 1e-4f};

// NOE members between atoms 0-1, 2-3, ... with the bounds lo..hi and fc 2.
struct Members {
  DistInfo m[3]{};
  DistInfo* p[3] = {&m[0], &m[1], &m[2]};
  Members(Atoms& a, int n, float lo, float hi) {
    for (int i = 0; i < n; i++) {
      m[i].atomI = &a[2 * i], m[i].atomJ = &a[2 * i + 1];
      m[i].dLo = lo, m[i].dHi = hi, m[i].fc = 2.0f;
    }
  }
};

// Two groups (pair 0-1; pairs 2-3 and 4-5), all far above their bounds.
int noeSum(Atoms& a, GenericEnergy& e) {
  Members m(a, 3, 0.1f, 0.2f);
  SimpleNOE groups[2] = {{1, 1, 1, m.p, 0, 0}, {1, 2, 2, m.p + 1, 0, 0}};
  NOEInfo noe{1, 2, groups};
  return merMultipleAssignNOEEnergy(&noe, 1.5, &e);
}

int noeR6(Atoms& a, GenericEnergy& e) {
  Members m(a, 2, 3.5f, 4.0f);
  SimpleNOE g{1, 1, 2, m.p, 0, 0};
  int rc = merSingleAssignR6NOESquareWellEnergy(&g, merSingleAssignR6NOEDeviation(&g), 1.5, &g);
  e.energy = g.energy, e.delta = g.delta;
  return rc;
}

// A Delphic restraint over dims torsions of consecutive quadruples, three broad Gaussians.
int delphic(Atoms& a, GenericEnergy& e, int dims) {
  DTGInfo g[3]{};
  const float centres[3] = {0.5f, 2.5f, 4.5f}, heights[3] = {3.0f, -2.0f, 1.5f};
  for (int i = 0; i < 3; i++) {
    g[i].height = heights[i];
    for (int k = 0; k < 4; k++) {
      g[i].inverseWidth[k] = 0.12f + 0.02f * k;
      g[i].center[k] = centres[i] + 0.7f * k;
      g[i].range[k] = 6.283185307179586f;
      g[i].phase[2 * k] = 0.0f;
      g[i].phase[2 * k + 1] = 6.283185307179586f;
    }
  }
  DTGInfo* list[3] = {&g[0], &g[1], &g[2]};
  DTInfo t{};
  for (int i = 0; i < 4 * dims; i++) t.atom[i] = &a[i];
  t.dtgList = list;
  t.dtgCount = 3;
  int (*fn[4])(DTInfo*, double, GenericEnergy*) = {merDelphicTorsion1DEnergy,
      merDelphicTorsion2DEnergy, merDelphicTorsion3DEnergy, merDelphicTorsion4DEnergy};
  return fn[dims - 1](&t, 1.7, &e);
}

int pcs(Atoms& a, GenericEnergy& e) {
  PCSInfo p{};
  p.atom = &a[0];
  p.x = a[0].x, p.y = a[0].y, p.z = a[0].z, p.gamma = 2.5f;
  CSInfo cs{};
  cs.x = a[1].x, cs.y = a[1].y, cs.z = a[1].z, cs.gamma = -1.0f, cs.shift = 0.02f, cs.w = 1.5f;
  cs.atomCount = 3;  // every entry the same atom: the shares must add up to the whole
  for (int i = 0; i < 3; i++) cs.atomList[i] = &a[1];
  const float s[5] = {0.02f, -0.03f, 0.01f, 0.015f, -0.02f};
  return merPCSEnergy(&p, &cs, s, 50.0, &e);
}

std::vector<Case> cases() {
  const Coord3D point{0.3f, -0.2f, 0.1f};
  std::vector<Case> v = {
      {"bond", 2, true, [](Atoms& a, GenericEnergy& e) { return merBondEnergy(&a[0], &a[1], 0.5, 3.0, &e); }},
      {"ds", 4, true,
       [](Atoms& a, GenericEnergy& e) { return merDSEnergy(&a[0], &a[1], &a[2], &a[3], 6.0, 7.0, 2.0, &e); }},
      {"ac", 1, false,
       [point](Atoms& a, GenericEnergy& e) { return merACEnergy(&a[0], &point, 0.0f, 10.0, 11.0, 2.0, &e); }},
      {"ncs", 2, true,
       [](Atoms& a, GenericEnergy& e) {
         Coord3D p{a[1].x, a[1].y, a[1].z};
         return merNCSEnergy(&a[0], &a[1], &p, 0, nullptr, 0.0f, 4.0, 5.0, 2.0, &e);
       }},
      {"vdw", 2, true,
       [](Atoms& a, GenericEnergy& e) {
         a[0].ljSigma = a[1].ljSigma = 3.0;
         return merVDWEnergy(&a[0], &a[1], 0.7, 1.0, &e);
       }},
      {"angle", 3, true,
       [](Atoms& a, GenericEnergy& e) { return merAngleEnergy(&a[0], &a[1], &a[2], 109.5, 4.0, &e); }},
      {"improper", 4, true,
       [](Atoms& a, GenericEnergy& e) { return merImproperEnergy(&a[0], &a[1], &a[2], &a[3], 30.0, 4.0, &e); }},
      {"torsion well outside", 4, true,
       [](Atoms& a, GenericEnergy& e) {
         return merTorsionSquareWellEnergy(&a[0], &a[1], &a[2], &a[3], 10.0, 40.0, 4.0, &e);
       },
       [](const GenericEnergy& e) { return e.status == -1; }},
      {"3J", 4, true,
       [](Atoms& a, GenericEnergy& e) { return mer3JEnergy(&a[0], &a[1], &a[2], &a[3], kA, kB, 1.6, -60.0, 0, 5.0, 0.5, &e); }},
      {"3J abs, J < 0", 4, true,
       [](Atoms& a, GenericEnergy& e) {
         return mer3JEnergy(&a[0], &a[1], &a[2], &a[3], kA, kB, kCneg, -60.0, 1, -3.0, 0.5, &e);
       }},
      {"radius of gyration", 5, false,  // its centre is kept in single precision
       [](Atoms& a, GenericEnergy& e) {
         RadGyrInfo r[5]{};
         RadGyrInfo* list[5];
         for (int i = 0; i < 5; i++) {
           r[i].atom = &a[i];
           r[i].fc = 2.0f;
           r[i].target = 0.8f;
           list[i] = &r[i];
         }
         return merRadGyrEnergy(list, 5, 1.25, 3.0, &e);
       }},
      {"dipolar coupling", 2, false,
       [](Atoms& a, GenericEnergy& e) {
         korim::couplings::DInfo d{};
         d.atomI[0] = &a[0];
         d.atomJ[0] = &a[1];
         d.di = -24350.0f;
         d.d = 3.0f;
         d.w = 2.0f;
         return merDCEnergy(&d, nullptr, kSaupe, 0.01, &e);
       }},
      {"pseudo-contact shift", 2, false, [](Atoms& a, GenericEnergy& e) { return pcs(a, e); }},
      {"NOE sum", 6, true, noeSum},
      {"NOE mean r^-6", 4, true, noeR6},
  };
  for (int d = 1; d <= 4; d++) {
    v.push_back({"Delphic", 4 * d, true, [d](Atoms& a, GenericEnergy& e) { return delphic(a, e, d); }});
  }
  return v;
}

// A random geometry the case evaluates and wants, with atoms spread over a few Angstrom.
Atoms geometry(const Case& c, std::mt19937& rng) {
  std::uniform_real_distribution<float> u(-1.6f, 1.6f);
  for (int tries = 0; tries < 1000; tries++) {
    Atoms a(c.atoms);
    for (int i = 0; i < c.atoms; i++) {
      a[i] = AtomInfo{};
      a[i].x = u(rng) + 1.2f * i;
      a[i].y = u(rng);
      a[i].z = u(rng);
    }
    GenericEnergy e{};
    if (c.eval(a, e) == 0 && c.wanted(e) && e.energy != 0.0) return a;
  }
  ADD_FAILURE() << c.name << ": no usable geometry";
  return Atoms(c.atoms);
}

}  // namespace

TEST(EnergyKernels, GradientsAreCentralDifferencesOfTheEnergy) {
  std::mt19937 rng(31);
  for (const Case& c : cases()) {
    for (int trial = 0; trial < 4; trial++) {
      Atoms a = geometry(c, rng);
      energyOf(c, a);
      Atoms analytic = a;
      double scale = 0.0;
      for (const AtomInfo& x : analytic)
        for (int k = 0; k < 3; k++) scale = std::max(scale, std::fabs(grad(x, k)));
      for (int i = 0; i < c.atoms; i++) {
        for (int k = 0; k < 3; k++) {
          float x0 = coord(a[i], k);
          float xp = x0 + 1e-4f, xm = x0 - 1e-4f;  // the steps the float coordinates take
          coord(a[i], k) = xp;
          double ep = energyOf(c, a);
          coord(a[i], k) = xm;
          double em = energyOf(c, a);
          coord(a[i], k) = x0;
          double numeric = (ep - em) / (static_cast<double>(xp) - xm);
          EXPECT_NEAR(grad(analytic[i], k), numeric, 1e-3 * scale)
              << c.name << " trial " << trial << " atom " << i << " axis " << k;
        }
      }
      if (!c.internal) continue;
      double f[3] = {0, 0, 0}, t[3] = {0, 0, 0};
      for (const AtomInfo& x : analytic) {
        const double r[3] = {x.x, x.y, x.z}, g[3] = {x.force[0].x, x.force[0].y, x.force[0].z};
        for (int k = 0; k < 3; k++) {
          f[k] += g[k];
          t[k] += r[(k + 1) % 3] * g[(k + 2) % 3] - r[(k + 2) % 3] * g[(k + 1) % 3];
        }
      }
      for (int k = 0; k < 3; k++) {
        EXPECT_NEAR(f[k], 0.0, 1e-9) << c.name << " net force";
        EXPECT_NEAR(t[k], 0.0, 1e-9) << c.name << " net torque";
      }
    }
  }
}

namespace {

// Atoms I, J, K, L whose torsion is phiDeg (degrees), J at the origin and K on the x axis.
Atoms dihedral(double phiDeg) {
  double p = phiDeg * M_PI / 180.0;
  Atoms a(4);
  const double xyz[4][3] = {{-0.5, 1.0, 0.0}, {0, 0, 0}, {1.5, 0, 0}, {2.0, std::cos(p), std::sin(p)}};
  for (int i = 0; i < 4; i++) {
    a[i] = AtomInfo{};
    a[i].x = static_cast<float>(xyz[i][0]);
    a[i].y = static_cast<float>(xyz[i][1]);
    a[i].z = static_cast<float>(xyz[i][2]);
  }
  return a;
}

Atoms points(std::initializer_list<std::array<float, 3>> xyz) {
  Atoms a;
  for (const auto& p : xyz) {
    a.push_back(AtomInfo{});
    a.back().x = p[0], a.back().y = p[1], a.back().z = p[2];
  }
  return a;
}

}  // namespace

TEST(EnergyKernels, BoundaryValues) {
  GenericEnergy e{};
  // -170 degrees lies inside the window 160..200, which wraps through 180.
  Atoms t = dihedral(-170.0);
  EXPECT_EQ(merTorsionSquareWellEnergy(&t[0], &t[1], &t[2], &t[3], 160.0, 200.0, 5.0, &e), 0);
  EXPECT_EQ(e.status, 1);
  EXPECT_EQ(e.energy, 0.0);
  EXPECT_NEAR(e.diff, 10.0, 1e-3);
  // +60 degrees reads as +60, and a planar trans arrangement as -180.
  Atoms p = dihedral(60.0);
  EXPECT_NEAR(merTorsionAngle(&p[0], &p[1], &p[2], &p[3]) * 180.0 / M_PI, 60.0, 1e-4);
  Atoms trans = points({{-0.5f, 1, 0}, {0, 0, 0}, {1.5f, 0, 0}, {2, -1, 0}});
  EXPECT_DOUBLE_EQ(merTorsionAngle(&trans[0], &trans[1], &trans[2], &trans[3]), -M_PI);
  // A distance difference of exactly dHi is no violation.
  Atoms ds = points({{0, 0, 0}, {3, 0, 0}, {0, 1, 0}, {0, 2, 0}});
  merDSEnergy(&ds[0], &ds[1], &ds[2], &ds[3], 0.0, 2.0, 5.0, &e);
  EXPECT_EQ(e.delta, 0.0);
  EXPECT_EQ(e.energy, 0.0);
  // One NOE pair exactly at its upper bound (1 A: the r^-6 sum is exactly 1).
  Atoms n = points({{0, 0, 0}, {0, 0, 1}});
  DistInfo m{};
  m.atomI = &n[0], m.atomJ = &n[1], m.dLo = 0.5f, m.dHi = 1.0f, m.fc = 1.0f;
  DistInfo* list[1] = {&m};
  SimpleNOE g{1, 1, 1, list, 0, 0};
  merSingleAssignSumNOEDeviation(&g);
  EXPECT_EQ(m.dVio, 0.0f);
  EXPECT_EQ(m.status, 2);
  merSingleAssignSumNOESquareWellEnergy(&g, m.dVio, 1.0, &e);
  EXPECT_EQ(m.status, 1);
  EXPECT_EQ(e.energy, 0.0);
  // Atoms exactly rmin apart do not repel; 0.5 A closer they do, by fc (rmin^2 - r^2)^2.
  Atoms v = points({{0, 0, 0}, {2, 0, 0}});
  v[0].ljSigma = v[1].ljSigma = 1.0;
  const double size = 1.0 / 0.561231024155;  // rmin = 2
  merVDWEnergy(&v[0], &v[1], 3.0, size, &e);
  EXPECT_NEAR(e.energy, 0.0, 1e-20);
  v[1].x = 1.5f;
  merVDWEnergy(&v[0], &v[1], 3.0, size, &e);
  EXPECT_NEAR(e.energy, 3.0 * 1.75 * 1.75, 1e-9);
}

TEST(EnergyKernels, DegenerateInputsGiveFiniteResults) {
  GenericEnergy e{};
  // A radius-of-gyration set of coinciding atoms: Rg 0, energy fc target^2, no derivative.
  Atoms same = points({{1, 2, 3}, {1, 2, 3}});
  RadGyrInfo r[2]{};
  RadGyrInfo* list[2] = {&r[0], &r[1]};
  for (int i = 0; i < 2; i++) r[i].atom = &same[i], r[i].fc = 1.0f, r[i].target = 2.0f;
  clearForces(same);
  merRadGyrEnergy(list, 2, 1.0, 1.0, &e);
  EXPECT_DOUBLE_EQ(e.energy, 4.0);
  EXPECT_EQ(same[0].force[0].x, 0.0);
  // An NOE pair at distance 0: effective distance 0, finite energy and derivatives.
  Members m(same, 1, 1.5f, 3.0f);
  SimpleNOE g{1, 1, 1, m.p, 0, 0};
  NOEInfo noe{1, 1, &g};
  merMultipleAssignNOEEnergy(&noe, 1.0, &e);
  EXPECT_EQ(m.m[0].dCurrent, 0.0f);
  EXPECT_DOUBLE_EQ(e.energy, 2.0 * 1.5 * 1.5);
  EXPECT_TRUE(std::isfinite(same[0].force[0].x));
  // A Delphic restraint without Gaussians has energy 0.
  Atoms a = dihedral(40.0);
  DTInfo t{};
  for (int i = 0; i < 4; i++) t.atom[i] = &a[i];
  e.energy = 7.0;
  EXPECT_EQ(merDelphicTorsion1DEnergy(&t, 1.0, &e), 0);
  EXPECT_EQ(e.energy, 0.0);
}

namespace {

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
    clearForces(a.atoms);
    clearForces(b.atoms);
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
