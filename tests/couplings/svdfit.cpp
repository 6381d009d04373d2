// Mapping couplings onto a real structure and the linear (SVD) tensor fit.
#include <gtest/gtest.h>

#include <climits>
#include <vector>

#include "dc_test_util.h"
#include "foundation/constants.h"

using namespace korim::couplings;
using namespace dctest;
using korim::structure::AtomInfo;

namespace {
// Reference values from an independent normal-equation solve of the 63 measured couplings on
// the N-H vectors of the structure (double precision, unit weights).
const double kRefSaupe[5] = {-0.0008522743736, 0.0004500248623, -0.0005048728612,
                             -0.0001852088508, 0.0006738278571};
const double kRefQ = 0.09958040183, kRefRms = 1.124538888, kRefR = 0.9946391417;

// |di| u^T S u along the bond a-b.
double pairCoupling(const AtomInfo* a, const AtomInfo* b, double di, const double* s) {
  double u[3];
  bond(a, b, u);
  return std::fabs(di) * orderMatrixQuad(s, u);
}
}  // namespace

TEST(UbiquitinSVD, MeasuredCouplingsMapAndFit) {
  Ubiquitin f("ubiquitin_nh_bicelle.tab");
  ASSERT_EQ(f.tab.dCount, 63);
  EXPECT_EQ(mapDCInfo(&f.pdb, &f.tab, 0), 63);
  EXPECT_EQ(selectD(f.tab.dObsList, f.tab.dCount, 1, 76, 3), 63);
  EXPECT_EQ(buildDC(&f.pdb, &f.tab, 0, 0, nullptr, 0, 1), 63);
  for (int k = 0; k < 63; ++k) {
    const DInfo& c = f.tab.dCalcList[k];
    ASSERT_TRUE(c.atomICount == 1 && c.atomJCount == 1) << k;
    EXPECT_STREQ(c.atomJ[0]->atomName, "H");
    EXPECT_NEAR(c.di, -korim::foundation::kDipolarNH, 0.05);
  }
  EXPECT_EQ(fitD(&f.pdb, &f.tab, 0), 63);
  for (int k = 0; k < 5; ++k) EXPECT_NEAR(f.tab.dTensor.saupe[k], kRefSaupe[k], 2e-7) << k;
  float q, r, rms, chi2;
  int n;
  EXPECT_EQ(getStatDCQR(f.tab.dObsList, f.tab.dCalcList, f.tab.dCount, &q, &r, &n), 63);
  getStatDC(f.tab.dObsList, f.tab.dCalcList, f.tab.dCount, &rms, &chi2, &n);
  EXPECT_TRUE(n == 63 && std::fabs(q - kRefQ) < 5e-4 && std::fabs(r - kRefR) < 1e-4 && std::fabs(rms - kRefRms) < 3e-3)
      << n << " " << q << " " << r << " " << rms;
}

TEST(UbiquitinSVD, RecoversAGeneratedTensorAndIsInvariantToRotation) {
  Ubiquitin f("ubiquitin_nh_bicelle.tab");
  ASSERT_EQ(f.map(), 63);
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
  for (int i = 0; i < f.pdb.atomCount; ++i) {
    AtomInfo& at = f.pdb.atomList[i];
    const double p[3] = {at.x, at.y, at.z};
    double q[3];
    korim_test::apply(m, p, q);
    at.x = float(q[0]), at.y = float(q[1]), at.z = float(q[2]);
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
// length. (The nonlinear fit's methyl convention differs and is pinned with it.)
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

  // no tensor mode, an unknown one or no table: nothing happens
  const float before = c[0].d;
  for (int mode : {0, 9}) {
    f.tab.dTensor.tensorMode = mode;
    EXPECT_EQ(fitD(&f.pdb, &f.tab, 0), 0);
  }
  EXPECT_EQ(c[0].d, before);
  EXPECT_EQ(fitD(&f.pdb, nullptr, 0), 0);
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
