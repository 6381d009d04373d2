// Principal-frame tensor form and the bounded nonlinear tensor fit.
#include <gtest/gtest.h>

#include "dc_test_util.h"
#include "foundation/memory.h"

using namespace korim::couplings;
using korim::structure::AtomInfo;
using namespace dctest;

namespace {
// Principal-frame coupling of the pair (a, b) for the tensor (da, dr, psi, theta, phi).
double principalCoupling(const AtomInfo* a, const AtomInfo* b, double di, double da, double dr, double psi,
                         double theta, double phi) {
  double v[3], u[3];
  bond(b, a, v);
  korim_test::apply(korim_test::rotXYZ(psi, theta, phi), v, u);
  return (da * (3 * u[2] * u[2] - 1) + 1.5 * dr * (u[0] * u[0] - u[1] * u[1])) * std::fabs(di);
}
}  // namespace

TEST(TensorForms, SaupeToPrincipalFrameAndBack) {
  const float cases[][5] = {{-8.52e-4f, 4.50e-4f, -5.05e-4f, -1.85e-4f, 6.74e-4f},
                            {1e-3f, 0, 0, 0, 0},
                            {1e-3f, 6e-4f, 0, 0, 0},
                            {2e-4f, -3e-4f, 4e-4f, 1e-4f, -2.5e-4f}};
  for (const auto& s : cases) {
    float ps[8], th[8], ph[8], eig[3], da, dr, in[5];
    std::copy(s, s + 5, in);
    const int n = saupe2euler(in, ps, th, ph, eig, &da, &dr);
    ASSERT_GE(n, 1);
    // traceless principal values; Da is half the one of largest magnitude; |Dr| <= 2/3 |Da|
    EXPECT_NEAR(eig[0] + eig[1] + eig[2], 0.0, 1e-9);
    float big = 0;
    for (float e : eig)
      if (std::fabs(e) > std::fabs(big)) big = e;
    EXPECT_NEAR(da, big / 2, 1e-8);
    EXPECT_LE(std::fabs(dr), 2.0 / 3.0 * std::fabs(da) + 1e-9);
    for (int k = 0; k < n; ++k) {
      float back[5];
      euler2saupe(back, ps[k], th[k], ph[k], da, dr);
      for (int j = 0; j < 5; ++j) EXPECT_NEAR(back[j], s[j], 2e-7) << "solution " << k;
    }
  }
  float r[5];
  euler2saupe(r, 0, 0, 0, 5e-4f, 2e-4f);  // identity frame: (2 Da, 3 Dr, 0, 0, 0)
  EXPECT_TRUE(std::fabs(r[0] - 1e-3) < 1e-10 && std::fabs(r[1] - 6e-4) < 1e-10 && r[2] == 0.0f);
}

// A fixed tensor is one evaluation in its principal frame: a methyl is the three C-H terms
// scaled by 0.309107, a methylene the plain sum of both pairs. (The linear fit's centroid-axis
// methyl is pinned by UbiquitinSVD.GivenSaupeValuesAndGroupConventions: both conventions stay.)
TEST(NonlinearFit, FixedTensorIsOneEvaluationInThePrincipalFrame) {
  Ubiquitin f("dc/groups.tab");
  ASSERT_EQ(f.map(), f.tab.dCount);
  ASSERT_EQ(0, tensorOptions({"-fixed", "-da", "4e-4", "-dr", "1e-4", "-psi", "20", "-theta", "-35", "-phi", "70"},
                             &f.tab.dTensor));
  ASSERT_EQ(fitD(&f.pdb, &f.tab, 0), 4);
  const DTensor& t = f.tab.dTensor;
  EXPECT_TRUE(t.da == 4e-4f && t.psi == 20.0f);
  const DInfo* c = f.tab.dCalcList;
  const auto term = [&](int row, int j) {
    return principalCoupling(c[row].atomI[0], c[row].atomJ[j], c[row].di, 4e-4, 1e-4, 20, -35, 70);
  };
  const double methyl = 0.309107 * (term(0, 0) + term(0, 1) + term(0, 2));
  EXPECT_NEAR(c[0].d, methyl, 2e-3);
  EXPECT_NEAR(c[1].d, term(1, 0) + term(1, 1), 2e-3);
  EXPECT_NEAR(c[3].d, term(3, 0), 2e-3);
  // every Euler solution describes the fitted frame, and the Saupe elements follow from it
  ASSERT_GE(t.eulerCount, 1);
  float s0[5];
  euler2saupe(s0, 20, -35, 70, 4e-4f, 1e-4f);
  for (int k = 0; k < t.eulerCount; ++k) {
    float s[5];
    euler2saupe(s, t.psiList[k], t.thetaList[k], t.phiList[k], t.da, t.dr);
    for (int j = 0; j < 5; ++j) EXPECT_NEAR(s[j], s0[j], 1e-7) << k;
  }
  for (int j = 0; j < 5; ++j) EXPECT_NEAR(t.saupe[j], s0[j], 1e-7);
}

// All free, the nonlinear fit reaches the SVD solution of the measured couplings; with Da and Dr
// pinned to it the rotations alone get there; a repeat fit starts from where it is put.
TEST(NonlinearFit, AllFreeReachesTheSVDSolution) {
  Ubiquitin f("ubiquitin_nh_bicelle.tab");
  ASSERT_EQ(f.map(), f.tab.dCount);
  ASSERT_EQ(fitD(&f.pdb, &f.tab, 0), 63);
  const float qSVD = f.q(), daSVD = f.tab.dTensor.da, drSVD = f.tab.dTensor.dr;
  float sSVD[5];
  std::copy(f.tab.dTensor.saupe, f.tab.dTensor.saupe + 5, sSVD);

  ASSERT_EQ(0, tensorOptions({"-nofixed"}, &f.tab.dTensor));
  ASSERT_EQ(fitD(&f.pdb, &f.tab, 0), 63);
  EXPECT_NEAR(f.q(), qSVD, 2e-3);
  for (int k = 0; k < 5; ++k) EXPECT_NEAR(f.tab.dTensor.saupe[k], sSVD[k], 2e-5) << k;
  // Da and Dr of the fit may label the axes differently; the principal-axis analysis of the
  // fitted Saupe elements gives the SVD's
  float ps[8], th[8], ph[8], eig[3], da0, dr0;
  saupe2euler(f.tab.dTensor.saupe, ps, th, ph, eig, &da0, &dr0);
  EXPECT_TRUE(std::fabs(da0 - daSVD) < 2e-5 && std::fabs(std::fabs(dr0) - std::fabs(drSVD)) < 2e-5);
  int selected = 0;  // the atoms of the used couplings, and only those
  for (int i = 0; i < f.pdb.atomCount; ++i) selected += f.pdb.atomList[i].selected;
  EXPECT_EQ(selected, 126);

  char da[32], dr[32];
  std::snprintf(da, sizeof da, "%.6e", daSVD);
  std::snprintf(dr, sizeof dr, "%.6e", drSVD);
  ASSERT_EQ(0, tensorOptions({"-dadr", "-da", da, "-dr", dr, "-psi", "10", "-theta", "10", "-phi", "10"}, &f.tab.dTensor));
  ASSERT_EQ(fitD(&f.pdb, &f.tab, 0), 63);
  EXPECT_FLOAT_EQ(f.tab.dTensor.da, daSVD);
  EXPECT_NEAR(f.q(), qSVD, 2e-3);

  DTensor& t = f.tab.dTensor;
  t.psi += 25;
  t.psiList[1] = 99;
  EXPECT_EQ(fitDCAlign2(), 0);
  EXPECT_NEAR(f.q(), qSVD, 2e-3);
  EXPECT_TRUE(t.eulerCount == 1 && t.psiList[0] == t.psi);
  fitDCFree();  // no workspace left: nothing to repeat
  t.psi += 5;
  EXPECT_EQ(fitDCAlign2(), 0);
  EXPECT_NE(t.psiList[0], t.psi);
}

// More free parameters than couplings: no fit, the start tensor evaluated unrotated, and Euler
// solutions of that tensor, not of a transform left behind by an earlier call.
TEST(NonlinearFit, TooFewCouplingsEvaluateTheUnrotatedTensor) {
  Ubiquitin f("dc/groups.tab");
  ASSERT_EQ(f.map(), f.tab.dCount);
  ASSERT_EQ(0, tensorOptions({"-nofixed", "-da", "3e-4", "-dr", "1e-4"}, &f.tab.dTensor));
  float leftOver[5];
  euler2saupe(leftOver, 30, 40, 50, 1e-3f, 0);  // leaves a rotated current transform
  const std::string err = captureStderr([&] { EXPECT_EQ(fitD(&f.pdb, &f.tab, 2), 4); });
  EXPECT_EQ(err.rfind("4 Couplings, 13 Atoms Selected.\n"
                      "Rot(0.000 0.000 0.000) Da 3.000e-04 Dr 1.000e-04 RMS(4): ", 0), 0u)
      << err;
  const DTensor& t = f.tab.dTensor;
  EXPECT_TRUE(t.psi == 0.0f && t.theta == 0.0f && t.phi == 0.0f);
  ASSERT_EQ(t.eulerCount, 2);
  EXPECT_TRUE(std::fabs(t.psiList[0]) < 1e-4 && std::fabs(t.phiList[1] - 180) < 1e-3);
  EXPECT_TRUE(std::fabs(t.saupe[0] - 6e-4) < 1e-10 && std::fabs(t.saupe[1] - 3e-4) < 1e-10);
  const DInfo& c = f.tab.dCalcList[3];
  EXPECT_NEAR(c.d, principalCoupling(c.atomI[0], c.atomJ[0], c.di, 3e-4, 1e-4, 0, 0, 0), 2e-3);
}

