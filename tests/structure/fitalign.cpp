// Superposition: point sets turned and shifted by known amounts are brought back; bounds, fixed mode,
// the distance-matrix RMS and whole structures.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "structure/pdb.h"
#include "tests/support/capture.h"
#include "tests/support/files.h"

using namespace korim::structure;
using korim_test::captureStderr;

namespace {

// An irregular set of points (no symmetry that would make the fit ambiguous).
std::vector<Coord3D> points() {
    return {{0, 0, 0}, {1.5f, 0.2f, -0.3f}, {2.1f, 1.4f, 0.5f}, {0.4f, 2.6f, 1.1f},
            {-1.2f, 1.8f, -0.9f}, {3.3f, -1.1f, 2.0f}, {-0.7f, -2.2f, 0.8f}};
}

std::vector<Coord3D> moved(std::vector<Coord3D> p, float psi, float theta, float phi, float tx, float ty,
                           float tz) {
    pdb3dReset();
    pdb3dAppendRotation0(psi, theta, phi);
    pdb3dAppendTranslation(tx, ty, tz);
    pdb3dCoordTransform(p.data(), static_cast<int>(p.size()));
    return p;
}

struct Align : ::testing::Test {
    float psi, theta, phi, tx, ty, tz, rms;
    void SetUp() override { fitAlignInit(); }
    void TearDown() override { fitAlignFree(); }
    int fit(const std::vector<Coord3D>& ref, const std::vector<Coord3D>& a, int matrixFlag = 0) {
        return fitAlignCoords(ref.data(), a.data(), static_cast<int>(ref.size()), &psi, &theta, &phi, &tx, &ty,
                              &tz, &rms, matrixFlag, 0);
    }
};

TEST_F(Align, TurnedAndShiftedSetComesBack) {
    auto ref = points();
    // The moving set is the reference turned and shifted away; the fit must
    // find the motion that brings it back.
    auto a = moved(ref, 25, -40, 70, 3, -2, 5);
    ASSERT_EQ(fit(ref, a), 0);
    EXPECT_LT(rms, 1e-3);
    auto back = moved(a, psi, theta, phi, tx, ty, tz);
    for (size_t i = 0; i < ref.size(); i++)
        EXPECT_LT(std::hypot(back[i].x - ref[i].x, back[i].y - ref[i].y, back[i].z - ref[i].z), 2e-3) << i;
}

TEST_F(Align, ShiftOnlyAndItsBounds) {
    auto a = points();
    auto ref = moved(a, 0, 0, 0, 1, 2, 3);
    // Rotation held at the identity: the translation is the known shift.
    setAlignLimits(0, 0, 0, 0, 0, 0, 0, 0, 0, 0, -1e17f, 1e17f, 0, -1e17f, 1e17f, 0, -1e17f, 1e17f, 0);
    ASSERT_EQ(fit(ref, a), 0);
    EXPECT_LT(std::hypot(tx - 1.0f, ty - 2.0f, tz - 3.0f) + rms, 3e-5);
    // x shift bounded to 0.5: the x residual of every pair is 0.5.
    setAlignLimits(0, 0, 0, 0, 0, 0, 0, 0, 0, 0, -0.5f, 0.5f, 0, -1e17f, 1e17f, 0, -1e17f, 1e17f, 0);
    ASSERT_EQ(fit(ref, a), 0);
    EXPECT_TRUE(std::fabs(tx - 0.5f) < 1e-6 && std::fabs(ty - 2.0f) < 1e-5 && std::fabs(rms - 0.5f) < 1e-4) << rms;
    // Fixed mode: one evaluation with no rotation and no shift.
    setAlignLimits(9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 1);
    ASSERT_EQ(fit(ref, a), 0);
    EXPECT_TRUE(tx == 0.0f && psi == 0.0f);
    EXPECT_NEAR(rms, std::sqrt(1.0f + 4.0f + 9.0f), 1e-4);
}

TEST_F(Align, DistanceMatrixRms) {
    auto ref = points();
    auto a = moved(ref, 10, 80, -30, 7, 7, 7);
    ASSERT_EQ(fit(ref, a, 1), 0);
    EXPECT_NEAR(rms, 0.0f, 1e-4);
    // Stretching one point changes its six distances.
    auto b = ref;
    b[0].x -= 1.0f;
    ASSERT_EQ(fit(ref, b, 1), 0);
    auto d = [](Coord3D p, Coord3D q) { return std::hypot(p.x - q.x, p.y - q.y, p.z - q.z); };
    double s = 0;
    for (size_t j = 1; j < ref.size(); j++) s += std::pow(d(ref[0], ref[j]) - d(b[0], b[j]), 2);
    EXPECT_NEAR(rms, std::sqrt(s / (7.0 * 7.0 / 4.0)), 1e-5);
}

TEST_F(Align, NoPointsIsAFailure) {
    auto p = points();
    psi = 5;
    int status = 0;
    EXPECT_EQ(captureStderr([&] {
                  status = fitAlignCoords(p.data(), p.data(), 0, &psi, &theta, &phi, &tx, &ty, &tz, &rms, 0, 0);
              }),
              "MERIDO Error finding alignment.\n");
    EXPECT_TRUE(status == 1 && psi == 0.0f && rms == 0.0f);
}

TEST_F(Align, WholeStructures) {
    const char* ubq = korim_test::kUbiquitinPdb.c_str();
    PDBInfo ref, mov;
    pdbNull(&ref);
    pdbNull(&mov);
    ASSERT_EQ(readPDB(ubq, &ref, nullptr, nullptr), 0);
    ASSERT_EQ(readPDB(ubq, &mov, nullptr, nullptr), 0);
    pdbSetSelection(&mov, 1);
    pdb3dReset();
    pdb3dAppendRotation0(-30, 20, 110);
    pdb3dAppendTranslation(-4, 10, 2);
    pdb3dApplyTransform(&mov, 1, 1);
    int count = 0;
    // Residues 10..30 of the reference paired with those from firstMoving on.
    auto fitPdb = [&](int firstMoving, const char* atoms) {
        return fitAlignPDB(&ref, &mov, 10, 30, "", "", firstMoving, "", "", atoms, &psi, &theta, &phi, &tx, &ty, &tz,
                           &count, &rms, 0, 0);
    };
    ASSERT_EQ(fitPdb(10, "CA"), 0);
    EXPECT_TRUE(count == 21 && rms < 2e-3) << rms;
    // The pairs are marked and linked.
    AtomInfo* ca = findAtom(&ref, 15, "CA", "A", "");
    EXPECT_TRUE(ca->selected == 2 && ca->auxInfo == findAtom(&mov, 15, "CA", "A", ""));
    EXPECT_EQ(findAtom(&ref, 31, "CA", "A", "")->selected, 0);
    // A shifted residue numbering pairs residue 10 with 12; nothing to pair: status 0 and zero outputs.
    ASSERT_EQ(fitPdb(12, "CA"), 0);
    EXPECT_TRUE(count == 21 && rms > 1.0f) << rms;
    ASSERT_EQ(fitPdb(10, "QQ"), 0);
    EXPECT_TRUE(count == 0 && rms == 0.0f);
    pdbFree(&ref);
    pdbFree(&mov);
}

}  // namespace
