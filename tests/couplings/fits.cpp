// Tensor fits: the linear solve and back-calculation on synthetic bond vectors, mapping couplings
// onto the ubiquitin structure, the SVD fit and the bounded nonlinear fit.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <random>
#include <vector>

#include "dc_test_util.h"
#include "foundation/constants.h"

using namespace korim::couplings;
using namespace dctest;
using korim::structure::AtomInfo;

namespace {
// Bonds of random direction and length 1.0 to 1.2 A at random places; d holds the couplings of
// the Saupe elements s on the single-precision vectors.
struct Vectors {
  int n;
  std::vector<float> xI, yI, zI, xJ, yJ, zJ, di, d, sig;
  Vectors(int count, const double* s, unsigned seed)
      : n(count), xI(n), yI(n), zI(n), xJ(n), yJ(n), zJ(n), di(n), d(n), sig(n, 1.0f) {
    std::mt19937 gen(seed);
    std::normal_distribution<double> nd(0.0, 1.0);
    std::uniform_real_distribution<double> ud(-20.0, 20.0);
    for (int i = 0; i < n; ++i) {
      const double v[3] = {nd(gen), nd(gen), nd(gen)}, len = (1.0 + 0.1 * (i % 3)) / std::hypot(v[0], v[1], v[2]);
      xI[i] = float(ud(gen)), yI[i] = float(ud(gen)), zI[i] = float(ud(gen));
      xJ[i] = float(xI[i] + len * v[0]), yJ[i] = float(yI[i] + len * v[1]), zJ[i] = float(zI[i] + len * v[2]);
      double u[3] = {double(xJ[i]) - xI[i], double(yJ[i]) - yI[i], double(zJ[i]) - zI[i]};
      const double r = std::hypot(u[0], u[1], u[2]);
      for (double& c : u) c /= r;
      di[i] = (i % 2) ? -21585.2f : 44539.5f;
      d[i] = float(std::fabs(di[i]) * orderMatrixQuad(s, u));
    }
  }
  int solve(float* dv, float* saupe, float* dSaupe) {
    return findS(xI.data(), yI.data(), zI.data(), xJ.data(), yJ.data(), zJ.data(), di.data(), dv, sig.data(),
                 saupe, dSaupe, n);
  }
};

// |di| u^T S u along the bond a-b.
double pairCoupling(const AtomInfo* a, const AtomInfo* b, double di, const double* s) {
  double u[3];
  bond(a, b, u);
  return std::fabs(di) * orderMatrixQuad(s, u);
}

// Principal-frame coupling of the pair (a, b) for the tensor (da, dr, psi, theta, phi).
double principalCoupling(const AtomInfo* a, const AtomInfo* b, double di, double da, double dr, double psi,
                         double theta, double phi) {
  double v[3], u[3];
  bond(b, a, v);
  korim_test::apply(korim_test::rotXYZ(psi, theta, phi), v, u);
  return (da * (3 * u[2] * u[2] - 1) + 1.5 * dr * (u[0] * u[0] - u[1] * u[1])) * std::fabs(di);
}
}  // namespace

// Fewer than five vectors: no fit, zeros.
TEST(FindS, TooFewVectorsLeaveZeros) {
  const double s[5] = {1e-3, 0, 0, 0, 0};
  Vectors v(4, s, 3);
  float saupe[5] = {1, 1, 1, 1, 1}, dSaupe[5] = {1, 1, 1, 1, 1};
  EXPECT_NE(v.solve(v.d.data(), saupe, dSaupe), 0);
  for (int k = 0; k < 5; ++k) EXPECT_TRUE(saupe[k] == 0.0f && dSaupe[k] == 0.0f) << k;
}

TEST(FindD, AxialTensorAlongAndAcrossTheAxis) {
  float xI[3] = {0, 0, 1}, yI[3] = {0, 0, 1}, zI[3] = {0, 0, 1};
  float xJ[3] = {0, 1, 1}, yJ[3] = {0, 0, 1}, zJ[3] = {1, 0, 1};
  float di[3] = {-21585.0f, -21585.0f, -21585.0f}, d[3], sig[3];
  float saupe[5] = {1e-3f, 0, 0, 0, 0}, dSaupe[5] = {0, 0, 0, 0, 0};
  findD(xI, yI, zI, xJ, yJ, zJ, di, d, sig, saupe, dSaupe, 3);
  // along z, across it, and coincident points: the zero vector keeps only the constant part -1/2 of the Szz term
  EXPECT_TRUE(std::fabs(d[0] - 21.585) < 1e-4 && std::fabs(d[1] + 10.7925) < 1e-4 && std::fabs(d[2] + 10.7925) < 1e-4);
  EXPECT_EQ(sig[0], 0.0f);
  // errors: |DI| * sqrt(sum A_k^2 dS_k^2); along z only A_0 = 1
  float dS2[5] = {2e-5f, 1e-5f, 1e-5f, 1e-5f, 1e-5f};
  findD(xI, yI, zI, xJ, yJ, zJ, di, d, sig, saupe, dS2, 1);
  EXPECT_NEAR(sig[0], 21585.0 * 2e-5, 1e-4);
}

// With Gaussian noise the fits are unbiased and the reported element errors match their scatter.
TEST(FindS, ReportedErrorsMatchTheScatterOfRepeatedFits) {
  const double s[5] = {6.0e-4, 2.0e-4, -1.0e-4, 0.5e-4, 1.2e-4};
  const double noise = 1.5;  // Hz
  const int trials = 600;
  Vectors v(30, s, 11);
  for (float& x : v.sig) x = float(noise);
  std::mt19937 gen(2024);
  std::normal_distribution<double> nd(0.0, noise);
  double sum[5] = {}, sum2[5] = {}, cross[5][5] = {};
  float reported[5] = {};
  std::vector<float> dn(v.n);
  for (int t = 0; t < trials; ++t) {
    for (int i = 0; i < v.n; ++i) dn[i] = float(v.d[i] + nd(gen));
    float saupe[5];
    ASSERT_EQ(v.solve(dn.data(), saupe, reported), 0);
    for (int k = 0; k < 5; ++k) sum[k] += saupe[k], sum2[k] += double(saupe[k]) * saupe[k];
    for (int r = 0; r < 5; ++r)
      for (int c = 0; c < 5; ++c) cross[r][c] += (saupe[r] - s[r]) * (saupe[c] - s[c]);
  }
  for (int k = 0; k < 5; ++k) {
    const double mean = sum[k] / trials, sd = std::sqrt(sum2[k] / trials - mean * mean);
    EXPECT_NEAR(mean, s[k], 4.0 * sd / std::sqrt(trials)) << k;
    EXPECT_NEAR(reported[k] / sd, 1.0, 0.12) << k;
  }
  // The whole covariance, correlations included, matches that of the repeated fits.
  double covar[5][5];
  ASSERT_EQ(saupeCovariance(v.xI.data(), v.yI.data(), v.zI.data(), v.xJ.data(), v.yJ.data(), v.zJ.data(),
                            v.di.data(), v.sig.data(), v.n, covar),
            0);
  for (int r = 0; r < 5; ++r)
    for (int c = 0; c < 5; ++c)
      EXPECT_NEAR(cross[r][c] / trials, covar[r][c], 0.15 * std::sqrt(covar[r][r] * covar[c][c])) << r << c;
  dipolarFree();
}

// The measured table maps onto the N-H pairs of the structure with the standard constant (its
// fit against an independent least-squares twin: cli BestFitSingle); couplings generated from a
// tensor give that tensor back, and on the rotated structure M S M^T with Da and Dr kept.
TEST(UbiquitinSVD, RecoversAGeneratedTensorAndIsInvariantToRotation) {
  Ubiquitin f("ubiquitin_nh_bicelle.tab");
  ASSERT_EQ(f.tab.dCount, 63);
  EXPECT_TRUE(mapDCInfo(&f.pdb, &f.tab, 0) == 63 && selectD(f.tab.dObsList, f.tab.dCount, 1, 76, 3) == 63);
  ASSERT_EQ(buildDC(&f.pdb, &f.tab, 0, 0, nullptr, 0, 1), 63);
  for (const DInfo* c = f.tab.dCalcList; c < f.tab.dCalcList + 63; ++c)
    ASSERT_TRUE(c->atomICount == 1 && c->atomJCount == 1 && !std::strcmp(c->atomJ[0]->atomName, "H") &&
                std::fabs(c->di + korim::foundation::kDipolarNH) < 0.05);
  const double s0[5] = {7.0e-4, -2.5e-4, 1.5e-4, -3.0e-4, 2.0e-4};
  for (int k = 0; k < 63; ++k) {
    const DInfo& c = f.tab.dCalcList[k];
    f.tab.dObsList[k].d = static_cast<float>(pairCoupling(c.atomI[0], c.atomJ[0], c.di, s0));
  }
  ASSERT_EQ(fitD(&f.pdb, &f.tab, 0), 63);
  for (int k = 0; k < 5; ++k) EXPECT_NEAR(f.tab.dTensor.saupe[k], s0[k], 2e-8) << k;
  for (int k = 0; k < 63; ++k) EXPECT_NEAR(f.tab.dCalcList[k].d, f.tab.dObsList[k].d, 2e-3) << k;
  const float da0 = f.tab.dTensor.da, dr0 = f.tab.dTensor.dr;

  // Rotate the whole structure and fit again: Da and Dr stay, the tensor becomes M S M^T.
  const Mat3 m = korim_test::rotXYZ(110, -20, 50);
  for (AtomInfo* at = f.pdb.atomList; at < f.pdb.atomList + f.pdb.atomCount; ++at) {
    const double p[3] = {at->x, at->y, at->z};
    double q[3];
    korim_test::apply(m, p, q);
    at->x = float(q[0]), at->y = float(q[1]), at->z = float(q[2]);
  }
  ASSERT_EQ(f.map(), 63);
  ASSERT_EQ(fitD(&f.pdb, &f.tab, 0), 63);
  EXPECT_TRUE(std::fabs(f.tab.dTensor.da - da0) < 1e-8 && std::fabs(f.tab.dTensor.dr - dr0) < 1e-8);
  double want[5];
  saupeOf(korim_test::mul(korim_test::mul(m, orderMatrix(s0)), korim_test::transpose(m)), want);
  for (int k = 0; k < 5; ++k) EXPECT_NEAR(f.tab.dTensor.saupe[k], want[k], 3e-8) << k;
}

// Given Saupe elements: a methyl is one term along the carbon to proton-centroid axis with the
// constant of the mean C-H distance, a methylene the sum of both pair terms at the standard
// length. (The nonlinear fit's methyl convention differs and is pinned below: both stay.)
TEST(UbiquitinSVD, GivenSaupeValuesAndGroupConventions) {
  Ubiquitin f("dc/groups.tab");
  ASSERT_EQ(f.map(), 4);
  const DInfo* c = f.tab.dCalcList;
  ASSERT_TRUE(c[0].atomICount == 1 && c[0].atomJCount == 3 && c[1].atomJCount == 2);
  double u[3], rMean = 0;
  for (int j = 0; j < 3; ++j) rMean += bond(c[0].atomI[0], c[0].atomJ[j], u) / 3;
  EXPECT_TRUE(c[0].diFixedFlag == 0 && c[1].diFixedFlag == 1);
  EXPECT_NEAR(c[0].di, physicalDI(gC, gH, rMean), 0.5);
  EXPECT_NEAR(c[1].di, physicalDI(gC, gH, 1.107), 0.5);

  f.tab.dTensor.tensorMode = kTensorSaupe;
  const double s[5] = {4.0e-4, 1.0e-4, -2.0e-4, 0.5e-4, 3.0e-4};
  for (int k = 0; k < 5; ++k) f.tab.dTensor.userSaupe[k] = static_cast<float>(s[k]);
  ASSERT_EQ(fitD(&f.pdb, &f.tab, 0), 4);
  for (int k = 0; k < 5; ++k) EXPECT_FLOAT_EQ(f.tab.dTensor.saupe[k], static_cast<float>(s[k]));
  AtomInfo centroid = *c[0].atomJ[0];
  for (float AtomInfo::*x : {&AtomInfo::x, &AtomInfo::y, &AtomInfo::z})
    centroid.*x = (c[0].atomJ[0]->*x + c[0].atomJ[1]->*x + c[0].atomJ[2]->*x) / 3;
  EXPECT_NEAR(c[0].d, pairCoupling(c[0].atomI[0], &centroid, c[0].di, s), 1e-3);
  EXPECT_NEAR(c[1].d, pairCoupling(c[1].atomI[0], c[1].atomJ[0], c[1].di, s) +
                          pairCoupling(c[1].atomI[0], c[1].atomJ[1], c[1].di, s), 1e-3);
  EXPECT_NEAR(c[3].d, pairCoupling(c[3].atomI[0], c[3].atomJ[0], c[3].di, s), 1e-3);
  // an unknown tensor mode or no table: nothing happens
  const float before = c[0].d;
  f.tab.dTensor.tensorMode = 9;
  EXPECT_TRUE(fitD(&f.pdb, &f.tab, 0) == 0 && c[0].d == before && fitD(&f.pdb, nullptr, 0) == 0);
}

TEST(UbiquitinSVD, OffsetsWeightsAndUnmatchedRows) {
  Ubiquitin f("ubiquitin_nh_bicelle.tab");
  // table numbering shifted by -10: an offset of +10 maps it back; without it only rows whose
  // shifted residue exists with an amide proton map
  for (int k = 0; k < f.tab.dCount; ++k) f.tab.dObsList[k].resIDI -= 10, f.tab.dObsList[k].resIDJ -= 10;
  EXPECT_EQ(mapDCInfo(&f.pdb, &f.tab, 10), 63);
  EXPECT_EQ(mapDCInfo(&f.pdb, &f.tab, 0), 51);
  selectD(f.tab.dObsList, f.tab.dCount, -100, 100, 3);
  // per-residue weights indexed by max(resIDI, resIDJ) - wOff, before the offset: a weight 0
  // drops the row, any other scales the weight by sqrt(|w|) and the error by 1/|w|
  std::vector<float> w(100, 1.0f);
  const int wOff = -20;
  w[f.tab.dObsList[0].resIDI - wOff] = 0.0f;
  w[f.tab.dObsList[1].resIDI - wOff] = -4.0f;
  EXPECT_EQ(buildDC(&f.pdb, &f.tab, 10, wOff, w.data(), 100, 1), 62);
  const DInfo* c = f.tab.dCalcList;
  EXPECT_TRUE(c[0].valid == 0 && c[0].w == 0.0f && c[0].sigma == 9999.0f);
  EXPECT_TRUE(c[1].w == 2.0f && c[1].sigma == 0.25f && c[1].resIDI == f.tab.dObsList[1].resIDI + 10);
  EXPECT_EQ(c[2].d, 9999.0f);
  // structure distance instead of the standard length
  EXPECT_EQ(buildDC(&f.pdb, &f.tab, 10, 0, nullptr, 0, 0), 63);
  double u[3];
  EXPECT_EQ(c[5].diFixedFlag, 0);
  EXPECT_NEAR(c[5].di, physicalDI(gH, gN, bond(c[5].atomI[0], c[5].atomJ[0], u)), 0.05);
  // a structure without atoms changes nothing
  korim::structure::PDBInfo empty;
  korim::structure::pdbNull(&empty);
  const float di = c[5].di;
  EXPECT_EQ(buildDC(&empty, &f.tab, 0, 0, nullptr, 0, 1), 0);
  EXPECT_TRUE(c[5].di == di && mapDCInfo(nullptr, &f.tab, 0) == 0);
}

TEST(UbiquitinSVD, UnmatchedAtomWarningLines) {
  Ubiquitin f("dc/groups.tab");
  std::snprintf(f.tab.dObsList[3].atomNameJ, 16, "HX");
  korim::structure::setPDBWarn(1);
  int n = 0;
  const std::string err = captureStderr([&] { n = mapDCInfo(&f.pdb, &f.tab, 0); });
  korim::structure::setPDBWarn(0);
  EXPECT_TRUE(n == 3 && f.tab.dObsList[3].valid == 0);
  EXPECT_EQ(err,
            "MERIDO Warning: No Atom Map for DC, offset 0:\n"
            "   ResIDI:    3 ResNameI:  ILE AtomNameI:    N SegI:      ChainI:     \n"
            "   ResIDJ:    3 ResNameJ:  ILE AtomNameJ:   HX SegJ:      ChainJ:     \n");
}

TEST(UbiquitinSVD, ResidueNumbersAndOffsetsAtTheEndsOfInt) {
  Ubiquitin f("ubiquitin_nh_bicelle.tab");
  // An offset that moves every residue number past the int range maps nothing (no overflow).
  for (int offset : {INT_MAX, INT_MIN}) {
    EXPECT_EQ(mapDCInfo(&f.pdb, &f.tab, offset), 0) << offset;
    selectD(f.tab.dObsList, f.tab.dCount, 1, 76, 3);
    EXPECT_EQ(buildDC(&f.pdb, &f.tab, offset, 0, nullptr, 0, 1), 0) << offset;
  }
  // Table numbering shifted by -1 and mapped back with offset 1, except a first row numbered
  // INT_MAX: shifted by one it lies beyond int and maps to no residue; the other 62 map.
  for (int k = 0; k < f.tab.dCount; ++k) f.tab.dObsList[k].resIDI -= 1, f.tab.dObsList[k].resIDJ -= 1;
  f.tab.dObsList[0].resIDI = f.tab.dObsList[0].resIDJ = INT_MAX;
  selectD(f.tab.dObsList, f.tab.dCount, INT_MIN, INT_MAX, 3);
  EXPECT_EQ(mapDCInfo(&f.pdb, &f.tab, 1), 62);
  selectD(f.tab.dObsList, f.tab.dCount, INT_MIN, INT_MAX, 3);
  EXPECT_EQ(buildDC(&f.pdb, &f.tab, 1, 0, nullptr, 0, 1), 62);
  EXPECT_EQ(f.tab.dCalcList[0].valid, 0);
  // Weights indexed from a range start of INT_MIN: every index lies beyond the list, so no
  // weight applies and the mapped rows keep weight 1 and error 1.
  std::vector<float> w(100, 0.0f);
  selectD(f.tab.dObsList, f.tab.dCount, INT_MIN, INT_MAX, 3);
  EXPECT_EQ(buildDC(&f.pdb, &f.tab, 1, INT_MIN, w.data(), 100, 1), 62);
  EXPECT_TRUE(f.tab.dCalcList[1].w == 1.0f && f.tab.dCalcList[1].sigma == 1.0f);
}

// A fixed tensor is one evaluation in its principal frame: a methyl is the three C-H terms
// scaled by 0.309107, a methylene the plain sum of both pairs.
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
  EXPECT_NEAR(c[0].d, 0.309107 * (term(0, 0) + term(0, 1) + term(0, 2)), 2e-3);
  EXPECT_NEAR(c[1].d, term(1, 0) + term(1, 1), 2e-3);
  EXPECT_NEAR(c[3].d, term(3, 0), 2e-3);
  // every Euler solution describes the fitted frame, and the Saupe elements follow from it
  ASSERT_GE(t.eulerCount, 1);
  float s0[5], s[5];
  euler2saupe(s0, 20, -35, 70, 4e-4f, 1e-4f);
  for (int k = 0; k < t.eulerCount; ++k) {
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
  DTensor& t = f.tab.dTensor;
  const float qSVD = f.q(), daSVD = t.da, drSVD = t.dr;
  float sSVD[5];
  std::copy(t.saupe, t.saupe + 5, sSVD);

  ASSERT_EQ(0, tensorOptions({"-nofixed"}, &t));
  ASSERT_EQ(fitD(&f.pdb, &f.tab, 0), 63);
  EXPECT_NEAR(f.q(), qSVD, 2e-3);
  for (int k = 0; k < 5; ++k) EXPECT_NEAR(t.saupe[k], sSVD[k], 2e-5) << k;
  // Da and Dr of the fit may label the axes differently; the principal-axis analysis of the
  // fitted Saupe elements gives the SVD's
  float ps[8], th[8], ph[8], eig[3], da0, dr0;
  saupe2euler(t.saupe, ps, th, ph, eig, &da0, &dr0);
  EXPECT_TRUE(std::fabs(da0 - daSVD) < 2e-5 && std::fabs(std::fabs(dr0) - std::fabs(drSVD)) < 2e-5);
  int selected = 0;  // the atoms of the used couplings, and only those
  for (int i = 0; i < f.pdb.atomCount; ++i) selected += f.pdb.atomList[i].selected;
  EXPECT_EQ(selected, 126);

  char da[32], dr[32];
  std::snprintf(da, sizeof da, "%.6e", daSVD), std::snprintf(dr, sizeof dr, "%.6e", drSVD);
  ASSERT_EQ(0, tensorOptions({"-dadr", "-da", da, "-dr", dr, "-psi", "10", "-theta", "10", "-phi", "10"}, &t));
  ASSERT_EQ(fitD(&f.pdb, &f.tab, 0), 63);
  EXPECT_FLOAT_EQ(t.da, daSVD);
  EXPECT_NEAR(f.q(), qSVD, 2e-3);
  // fitDCAlign2 (not used by the program) repeats from the tensor as it stands
  t.psi += 25;
  EXPECT_EQ(fitDCAlign2(), 0);
  EXPECT_NEAR(f.q(), qSVD, 2e-3);
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
