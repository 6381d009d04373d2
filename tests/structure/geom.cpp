// Current 4x4 transform against hand results and Rodrigues' formula; bond and torsion angles against
// atan2; superposition: point sets turned and shifted by known amounts are brought back (bounds, fixed
// mode, the distance-matrix RMS, whole structures).
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <vector>

#include "structure/pdb.h"
#include "tests/support/capture.h"
#include "tests/support/files.h"
#include "tests/support/structure.h"

using namespace korim::structure;
using korim_test::captureStderr;
using korim_test::refDihedral;

namespace {

struct P { float x, y, z; };

P apply(P p) {
    Coord3D c{p.x, p.y, p.z};
    pdb3dCoordTransform(&c, 1);
    return {c.x, c.y, c.z};
}

void expectNear(P a, P b, float tol = 1e-5f) {
    EXPECT_NEAR(a.x, b.x, tol);
    EXPECT_NEAR(a.y, b.y, tol);
    EXPECT_NEAR(a.z, b.z, tol);
}

// Rodrigues' rotation of p about the axis through a along unit k by theta degrees.
P rodrigues(P p, P a, P k, double theta) {
    double t = theta * M_PI / 180.0, c = std::cos(t), s = std::sin(t);
    double vx = p.x - a.x, vy = p.y - a.y, vz = p.z - a.z;
    double kv = k.x * vx + k.y * vy + k.z * vz;
    double cx = k.y * vz - k.z * vy, cy = k.z * vx - k.x * vz, cz = k.x * vy - k.y * vx;
    return {static_cast<float>(a.x + vx * c + cx * s + k.x * kv * (1 - c)),
            static_cast<float>(a.y + vy * c + cy * s + k.y * kv * (1 - c)),
            static_cast<float>(a.z + vz * c + cz * s + k.z * kv * (1 - c))};
}

TEST(Transform, AxisRotationsTranslationsScaleAndOrder) {
    // The identity before any reset.
    expectNear(apply({1, 2, 3}), {1, 2, 3}, 0.0f);
    const P o{0, 0, 0}, q{0.3f, -1.2f, 2.0f};
    const struct {
        const char* what;
        std::function<void()> append;
        P in, want;
    } cases[] = {
        {"z 90", [] { pdb3dAppendZRotation0(90); }, {1, 0, 0}, {0, 1, 0}},
        {"x 90", [] { pdb3dAppendXRotation0(90); }, {0, 1, 0}, {0, 0, 1}},
        {"y 90", [] { pdb3dAppendYRotation0(90); }, {0, 0, 1}, {1, 0, 0}},
        {"x 180 through (0,1,0)", [] { pdb3dAppendXRotation1(0, 1, 0, 180); }, {0, 1, 1}, {0, 1, -1}},
        {"scale about (1,1,1)", [] { pdb3dAppendScale(2, 2, 2, 1, 1, 1); }, {2, 1, 1}, {3, 1, 1}},
        // Appended transforms act after the earlier ones.
        {"shift, then turn", [] { pdb3dAppendTranslation(1, 0, 0); pdb3dAppendZRotation0(90); }, o, {0, 1, 0}},
        {"turn, then shift", [] { pdb3dAppendZRotation0(90); pdb3dAppendTranslation(1, 0, 0); }, o, {1, 0, 0}},
        // About a centre: y by alpha, then x by beta; by hand:
        // (1,1,2) - c = (0,0,1) -> y 90: (1,0,0) -> x 90: (1,0,0) -> (2,1,1)
        // (1,2,1) - c = (0,1,0) -> y 90: (0,1,0) -> x 90: (0,0,1) -> (1,1,2)
        {"rotation1 a", [] { pdb3dAppendRotation1(1, 1, 1, 90, 90); }, {1, 1, 2}, {2, 1, 1}},
        {"rotation1 b", [] { pdb3dAppendRotation1(1, 1, 1, 90, 90); }, {1, 2, 1}, {1, 1, 2}},
        // x by psi, then y by theta, then z by phi.
        {"rotation0", [] { pdb3dAppendRotation0(30, 40, 50); }, q,
         rodrigues(rodrigues(rodrigues(q, o, {1, 0, 0}, 30), o, {0, 1, 0}, 40), o, {0, 0, 1}, 50)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        pdb3dReset();
        c.append();
        expectNear(apply(c.in), c.want);
    }
}

TEST(Transform, RotationAboutTwoPointsMatchesRodrigues) {
    const P a{1.5f, -2.0f, 0.5f}, b{-0.5f, 1.0f, 3.5f};
    double dx = b.x - a.x, dy = b.y - a.y, dz = b.z - a.z, n = std::sqrt(dx * dx + dy * dy + dz * dz);
    P k{static_cast<float>(dx / n), static_cast<float>(dy / n), static_cast<float>(dz / n)};
    for (double theta : {-170.0, -45.0, 10.0, 90.0, 123.0}) {
        pdb3dReset();
        pdb3dAppendRotation2(a.x, a.y, a.z, b.x, b.y, b.z, static_cast<float>(theta));
        for (P p : {P{0, 0, 0}, P{3, 1, -2}, P{-1, 4, 2}}) expectNear(apply(p), rodrigues(p, a, k, theta), 2e-5f);
        expectNear(apply(b), b, 2e-5f);  // points on the axis stay
    }
    // Coincident points change nothing.
    pdb3dReset();
    pdb3dAppendTranslation(1, 2, 3);
    pdb3dAppendRotation2(1, 1, 1, 1, 1, 1, 45);
    expectNear(apply({1, 1, 1}), {2, 3, 4}, 0.0f);
}

TEST(Transform, OnlyMarkedAtomsMove) {
    PDBInfo p;
    pdbNull(&p);
    for (int i = 0; i < 3; i++) {
        AtomInfo* at = getNextAtom(&p);
        at->x = 1.0f;
        at->selected = i;
    }
    pdb3dReset();
    pdb3dAppendTranslation(0, 0, 2);
    pdb3dApplyTransform(&p, 1, 1);
    pdb3dApplyTranslation(&p, 1, 2, -1, 0, 0);
    const P want[] = {{1, 0, 0}, {0, 0, 2}, {0, 0, 0}};
    for (int i = 0; i < 3; i++) expectNear({p.atomList[i].x, p.atomList[i].y, p.atomList[i].z}, want[i], 0.0f);
    pdbFree(&p);
}

TEST(Angles, BondAngles) {
    // No first arm: status 1 and 0; tetrahedral; a straight angle whose rounding lands beyond -1
    // is still 180.
    const struct {
        float p[9];
        int status;
        double angle, tol;
    } cases[] = {{{1, 0, 0, 0, 0, 0, 0, 1, 0}, 0, 90, 1e-4},
                 {{0, 0, 0, 0, 0, 0, 0, 1, 0}, 1, 0, 0},
                 {{1, 1, 1, 0, 0, 0, -1, -1, 1}, 0, std::acos(-1.0 / 3.0) * 180.0 / M_PI, 1e-3},
                 {{0.1f, 0.2f, 0.3f, 0.4f, 0.5f, 0.6f, 0.7f, 0.8f, 0.9f}, 0, 180, 0.1}};
    for (const auto& c : cases) {
        float t = -1;
        const float* p = c.p;
        EXPECT_EQ(get3DAngle(p[0], p[1], p[2], p[3], p[4], p[5], p[6], p[7], p[8], &t), c.status) << c.angle;
        EXPECT_NEAR(t, c.angle, c.tol);
    }
    double d = -1;
    EXPECT_EQ(get3DAngleD(2, 0, 0, 0, 0, 0, 1, std::sqrt(3.0), 0, &d), 0);
    EXPECT_NEAR(d, 60.0, 1e-6);
}

TEST(Angles, Torsions) {
    float phi = 5;
    EXPECT_EQ(getDihedralAngle(1, 1, 0, 0, 1, 0, 0, 0, 0, -1, 0, 0, &phi), 0);
    EXPECT_EQ(phi, -180.0f);
    EXPECT_EQ(getDihedralAngle(1, 1, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, &phi), 0);
    EXPECT_TRUE(phi == 0.0f && !std::signbit(phi));
    EXPECT_TRUE(getDihedralAngle(0, 0, 0, 1, 0, 0, 2, 0, 0, 3, 0, 0, &phi) == 0 && phi == 0.0f);  // collinear
    // Against the textbook atan2 form on pseudo-random points, both precisions.
    std::srand(12345);
    for (int n = 0; n < 200; n++) {
        double p[12];
        float f[12];
        for (int i = 0; i < 12; i++) {
            f[i] = static_cast<float>(4.0 * std::rand() / RAND_MAX - 2.0);
            p[i] = f[i];
        }
        double want = refDihedral(p), got = 0;
        ASSERT_EQ(getDihedralAngleD(p[0], p[1], p[2], p[3], p[4], p[5], p[6], p[7], p[8], p[9], p[10], p[11], &got), 0);
        EXPECT_NEAR(got, want, 1e-6) << n;
        ASSERT_EQ(getDihedralAngle(f[0], f[1], f[2], f[3], f[4], f[5], f[6], f[7], f[8], f[9], f[10], f[11], &phi), 0);
        if (std::fabs(std::fabs(want) - 180.0) > 0.05) {
            EXPECT_NEAR(phi, want, 0.05) << n;
        }
    }
    // A torsion of +-90 decided by the sign of M.v even when components of M
    // are rounding noise.
    for (double side : {1.0, -1.0}) {
        const double q[12] = {1, 0, 0, 0, 0, 0, 1e-12, -1e-12, 1, 0, side, 1};
        double got = 0;
        getDihedralAngleD(q[0], q[1], q[2], q[3], q[4], q[5], q[6], q[7], q[8], q[9], q[10], q[11], &got);
        EXPECT_NEAR(got, refDihedral(q), 1e-6);
        EXPECT_NEAR(std::fabs(got), 90.0, 1e-6);
    }
}

TEST(Angles, IntToStr) {
    // Length written, 0 and an empty text when the digits and sign do not fit
    // with the terminating zero; the most negative int keeps its digits.
    const struct {
        int value, room, length;
        const char* text;
    } cases[] = {{-45, 4, 3, "-45"}, {-45, 3, 0, ""}, {12345, 6, 5, "12345"}, {0, 2, 1, "0"},
                 {7, 1, 0, ""},      {INT_MIN, 80, 11, "-2147483648"}};
    for (const auto& c : cases) {
        char d[80];
        EXPECT_EQ(intToStr(c.value, d, c.room), c.length) << c.value << " in " << c.room;
        EXPECT_STREQ(d, c.text);
    }
}

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

TEST_F(Align, TurnedAndShiftedSetComesBackAndDistanceMatrixRms) {
    auto ref = points();
    // The moving set is the reference turned and shifted away; the fit must
    // find the motion that brings it back.
    auto a = moved(ref, 25, -40, 70, 3, -2, 5);
    ASSERT_EQ(fit(ref, a), 0);
    EXPECT_LT(rms, 1e-3);
    auto back = moved(a, psi, theta, phi, tx, ty, tz);
    for (size_t i = 0; i < ref.size(); i++)
        EXPECT_LT(std::hypot(back[i].x - ref[i].x, back[i].y - ref[i].y, back[i].z - ref[i].z), 2e-3) << i;
    // On the distance matrix: no change of shape.
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

TEST_F(Align, ShiftOnlyAndItsBounds) {
    auto a = points();
    auto ref = moved(a, 0, 0, 0, 1, 2, 3);
    // Rotation held at the identity: the translation is the known shift.
    setAlignLimits(0, 0, 0, 0, 0, 0, 0, 0, 0, 0, -1e17f, 1e17f, 0, -1e17f, 1e17f, 0, -1e17f, 1e17f, 0);
    ASSERT_EQ(fit(ref, a), 0);
    EXPECT_LT(std::hypot(tx - 1.0f, ty - 2.0f, tz - 3.0f) + rms, 3e-5);
    // Fixed mode: one evaluation with no rotation and no shift.
    setAlignLimits(9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 1);
    ASSERT_EQ(fit(ref, a), 0);
    EXPECT_TRUE(tx == 0.0f && psi == 0.0f);
    EXPECT_NEAR(rms, std::sqrt(1.0f + 4.0f + 9.0f), 1e-4);
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
    // The C-alpha atoms of residues 10..30 of the reference paired with those of the moved copy.
    ASSERT_EQ(fitAlignPDB(&ref, &mov, 10, 30, "", "", 10, "", "", "CA", &psi, &theta, &phi, &tx, &ty, &tz, &count,
                          &rms, 0, 0),
              0);
    EXPECT_TRUE(count == 21 && rms < 2e-3) << rms;
    // The pairs are marked and linked.
    AtomInfo* ca = findAtom(&ref, 15, "CA", "A", "");
    EXPECT_TRUE(ca->selected == 2 && ca->auxInfo == findAtom(&mov, 15, "CA", "A", ""));
    EXPECT_EQ(findAtom(&ref, 31, "CA", "A", "")->selected, 0);
    pdbFree(&ref);
    pdbFree(&mov);
}

}  // namespace
