// Mapping couplings onto a real structure and the linear (SVD) tensor fit.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "couplings/dc.h"
#include "dc_test_util.h"
#include "structure/pdb.h"

using namespace korim::couplings;
using korim::structure::AtomInfo;
using korim::structure::PDBInfo;

using namespace dctest;

namespace {
// Reference values from an independent normal-equation solve of the 63 measured couplings on
// the N-H vectors of the structure (double precision, unit weights).
const double kRefSaupe[5] = {-0.0008522743736, 0.0004500248623, -0.0005048728612,
                             -0.0001852088508, 0.0006738278571};
const double kRefQ = 0.09958040183;
const double kRefRms = 1.124538888;
const double kRefR = 0.9946391417;

void unit(const AtomInfo* a, const AtomInfo* b, double* u) {
    u[0] = b->x - a->x;
    u[1] = b->y - a->y;
    u[2] = b->z - a->z;
    const double r = std::sqrt(u[0] * u[0] + u[1] * u[1] + u[2] * u[2]);
    for (int k = 0; k < 3; ++k) u[k] /= r;
}
double dist(const AtomInfo* a, const AtomInfo* b) {
    const double x = b->x - a->x, y = b->y - a->y, z = b->z - a->z;
    return std::sqrt(x * x + y * y + z * z);
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
        ASSERT_EQ(c.atomICount, 1);
        ASSERT_EQ(c.atomJCount, 1);
        EXPECT_STREQ(c.atomJ[0]->atomName, "H");
        EXPECT_NEAR(c.di, -21585.2, 0.05);
        EXPECT_STREQ(c.resNameI, f.tab.dObsList[k].resNameI);
    }
    EXPECT_EQ(fitD(&f.pdb, &f.tab, 0), 63);
    for (int k = 0; k < 5; ++k) EXPECT_NEAR(f.tab.dTensor.saupe[k], kRefSaupe[k], 2e-7) << k;
    float q, r, rms, chi2;
    int n;
    EXPECT_EQ(getStatDCQR(f.tab.dObsList, f.tab.dCalcList, f.tab.dCount, &q, &r, &n), 63);
    EXPECT_EQ(n, 63);
    EXPECT_NEAR(q, kRefQ, 5e-4);
    EXPECT_NEAR(r, kRefR, 1e-4);
    getStatDC(f.tab.dObsList, f.tab.dCalcList, f.tab.dCount, &rms, &chi2, &n);
    EXPECT_NEAR(rms, kRefRms, 3e-3);
}

TEST(UbiquitinSVD, RecoversAGeneratedTensorAndIsInvariantToRotation) {
    Ubiquitin f("ubiquitin_nh_bicelle.tab");
    ASSERT_EQ(f.map(), 63);
    const double s0[5] = {7.0e-4, -2.5e-4, 1.5e-4, -3.0e-4, 2.0e-4};
    for (int k = 0; k < 63; ++k) {
        const DInfo& c = f.tab.dCalcList[k];
        double u[3];
        unit(c.atomI[0], c.atomJ[0], u);
        f.tab.dObsList[k].d = static_cast<float>(std::fabs(c.di) * orderMatrixQuad(s0, u));
    }
    ASSERT_EQ(fitD(&f.pdb, &f.tab, 0), 63);
    for (int k = 0; k < 5; ++k) EXPECT_NEAR(f.tab.dTensor.saupe[k], s0[k], 2e-8) << k;
    for (int k = 0; k < 63; ++k)
        EXPECT_NEAR(f.tab.dCalcList[k].d, f.tab.dObsList[k].d, 2e-3) << k;
    const float da0 = f.tab.dTensor.da, dr0 = f.tab.dTensor.dr;

    // Rotate the whole structure by Rz(50) Ry(-20) Rx(110) and fit again.
    double m[3][3];
    rotationXYZ(110, -20, 50, m);
    for (int i = 0; i < f.pdb.atomCount; ++i) {
        AtomInfo& at = f.pdb.atomList[i];
        const double p[3] = {at.x, at.y, at.z};
        double q[3];
        rotateXYZ(110, -20, 50, p, q);
        at.x = static_cast<float>(q[0]);
        at.y = static_cast<float>(q[1]);
        at.z = static_cast<float>(q[2]);
    }
    ASSERT_EQ(f.map(), 63);
    ASSERT_EQ(fitD(&f.pdb, &f.tab, 0), 63);
    EXPECT_NEAR(f.tab.dTensor.da, da0, 1e-8);
    EXPECT_NEAR(f.tab.dTensor.dr, dr0, 1e-8);
    // the tensor rotated with the structure: S' = M S M^T
    const double s[3][3] = {{-(s0[0] - s0[1]) / 2, s0[2], s0[3]},
                            {s0[2], -(s0[0] + s0[1]) / 2, s0[4]},
                            {s0[3], s0[4], s0[0]}};
    double sr[3][3] = {};
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            for (int k = 0; k < 3; ++k)
                for (int l = 0; l < 3; ++l) sr[i][j] += m[i][k] * s[k][l] * m[j][l];
    const double want[5] = {sr[2][2], sr[0][0] - sr[1][1], sr[0][1], sr[0][2], sr[1][2]};
    for (int k = 0; k < 5; ++k) EXPECT_NEAR(f.tab.dTensor.saupe[k], want[k], 3e-8) << k;
}

TEST(UbiquitinSVD, GivenSaupeValuesAndGroupConventions) {
    Ubiquitin f("dc/groups.tab");
    ASSERT_EQ(f.map(), 4);
    const DInfo* c = f.tab.dCalcList;
    ASSERT_EQ(c[0].atomICount, 1);
    ASSERT_EQ(c[0].atomJCount, 3);  // HB1, HB2, HB3
    ASSERT_EQ(c[1].atomJCount, 2);  // glycine HA2, HA3
    // CB-HB#: constant from the mean C-H distance of the structure
    const double rMean = (dist(c[0].atomI[0], c[0].atomJ[0]) + dist(c[0].atomI[0], c[0].atomJ[1]) +
                          dist(c[0].atomI[0], c[0].atomJ[2])) / 3;
    EXPECT_EQ(c[0].diFixedFlag, 0);
    EXPECT_NEAR(c[0].di, physicalDI(gC, gH, rMean), 0.5);
    // CA-HA#: standard length
    EXPECT_EQ(c[1].diFixedFlag, 1);
    EXPECT_NEAR(c[1].di, physicalDI(gC, gH, 1.107), 0.5);

    f.tab.dTensor.tensorMode = kTensorSaupe;
    const double s[5] = {4.0e-4, 1.0e-4, -2.0e-4, 0.5e-4, 3.0e-4};
    for (int k = 0; k < 5; ++k) f.tab.dTensor.userSaupe[k] = static_cast<float>(s[k]);
    ASSERT_EQ(fitD(&f.pdb, &f.tab, 0), 4);
    for (int k = 0; k < 5; ++k) EXPECT_FLOAT_EQ(f.tab.dTensor.saupe[k], static_cast<float>(s[k]));
    // methyl: one term along the carbon -> proton-centroid axis
    AtomInfo centroid = *c[0].atomJ[0];
    centroid.x = (c[0].atomJ[0]->x + c[0].atomJ[1]->x + c[0].atomJ[2]->x) / 3;
    centroid.y = (c[0].atomJ[0]->y + c[0].atomJ[1]->y + c[0].atomJ[2]->y) / 3;
    centroid.z = (c[0].atomJ[0]->z + c[0].atomJ[1]->z + c[0].atomJ[2]->z) / 3;
    double u[3];
    unit(c[0].atomI[0], &centroid, u);
    EXPECT_NEAR(c[0].d, std::fabs(c[0].di) * orderMatrixQuad(s, u), 1e-3);
    // methylene: the sum of both pair terms
    double sum = 0;
    for (int j = 0; j < 2; ++j) {
        unit(c[1].atomI[0], c[1].atomJ[j], u);
        sum += std::fabs(c[1].di) * orderMatrixQuad(s, u);
    }
    EXPECT_NEAR(c[1].d, sum, 1e-3);
    unit(c[3].atomI[0], c[3].atomJ[0], u);
    EXPECT_NEAR(c[3].d, std::fabs(c[3].di) * orderMatrixQuad(s, u), 1e-3);

    // no tensor mode: nothing happens
    const float before = c[0].d;
    f.tab.dTensor.tensorMode = 0;
    EXPECT_EQ(fitD(&f.pdb, &f.tab, 0), 0);
    f.tab.dTensor.tensorMode = 9;
    EXPECT_EQ(fitD(&f.pdb, &f.tab, 0), 0);
    EXPECT_EQ(c[0].d, before);
    EXPECT_EQ(fitD(&f.pdb, nullptr, 0), 0);
}

TEST(UbiquitinSVD, OffsetsWeightsAndUnmatchedRows) {
    Ubiquitin f("ubiquitin_nh_bicelle.tab");
    // table numbering shifted by -10: an offset of +10 maps it back
    for (int k = 0; k < f.tab.dCount; ++k) {
        f.tab.dObsList[k].resIDI -= 10;
        f.tab.dObsList[k].resIDJ -= 10;
    }
    EXPECT_EQ(mapDCInfo(&f.pdb, &f.tab, 10), 63);
    // without the offset only rows whose shifted residue exists with an amide proton map
    EXPECT_EQ(mapDCInfo(&f.pdb, &f.tab, 0), 51);
    selectD(f.tab.dObsList, f.tab.dCount, -100, 100, 3);
    // per-residue weights indexed by max(resIDI, resIDJ) - wOff, before the offset
    std::vector<float> w(100, 1.0f);
    const int first = f.tab.dObsList[0].resIDI;  // -8 (residue 2 of the structure)
    const int wOff = -20;
    w[first - wOff] = 0.0f;
    w[f.tab.dObsList[1].resIDI - wOff] = -4.0f;
    EXPECT_EQ(buildDC(&f.pdb, &f.tab, 10, wOff, w.data(), 100, 1), 62);
    EXPECT_EQ(f.tab.dCalcList[0].valid, 0);
    EXPECT_EQ(f.tab.dCalcList[0].w, 0.0f);
    EXPECT_EQ(f.tab.dCalcList[0].sigma, 9999.0f);
    EXPECT_FLOAT_EQ(f.tab.dCalcList[1].w, 2.0f);
    EXPECT_FLOAT_EQ(f.tab.dCalcList[1].sigma, 0.25f);
    EXPECT_EQ(f.tab.dCalcList[1].resIDI, f.tab.dObsList[1].resIDI + 10);
    EXPECT_EQ(f.tab.dCalcList[1].id, f.tab.dObsList[1].id);
    EXPECT_EQ(f.tab.dCalcList[2].d, 9999.0f);

    // structure distance instead of the standard length
    EXPECT_EQ(buildDC(&f.pdb, &f.tab, 10, 0, nullptr, 0, 0), 63);
    const DInfo& c = f.tab.dCalcList[5];
    const double r = dist(c.atomI[0], c.atomJ[0]);
    EXPECT_EQ(c.diFixedFlag, 0);
    EXPECT_EQ(f.tab.dObsList[5].diFixedFlag, 0);
    EXPECT_NEAR(c.di, physicalDI(gH, gN, r), 0.05);

    // a structure without atoms changes nothing
    PDBInfo empty;
    korim::structure::pdbNull(&empty);
    EXPECT_EQ(buildDC(&empty, &f.tab, 0, 0, nullptr, 0, 1), 0);
    EXPECT_EQ(f.tab.dCalcList[5].di, c.di);
    EXPECT_EQ(mapDCInfo(nullptr, &f.tab, 0), 0);
}

TEST(UbiquitinSVD, UnmatchedAtomWarningLines) {
    Ubiquitin f("dc/groups.tab");
    std::snprintf(f.tab.dObsList[3].atomNameJ, 16, "HX");
    korim::structure::setPDBWarn(1);
    int n = 0;
    std::string err = captureStderr([&] { n = mapDCInfo(&f.pdb, &f.tab, 0); });
    korim::structure::setPDBWarn(0);
    EXPECT_EQ(n, 3);
    EXPECT_EQ(f.tab.dObsList[3].valid, 0);
    EXPECT_EQ(err,
              "MERIDO Warning: No Atom Map for DC, offset 0:\n"
              "   ResIDI:    3 ResNameI:  ILE AtomNameI:    N SegI:      ChainI:     \n"
              "   ResIDJ:    3 ResNameJ:  ILE AtomNameJ:   HX SegJ:      ChainJ:     \n");
}
