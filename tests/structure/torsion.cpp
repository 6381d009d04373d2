// Backbone and side-chain torsions of ubiquitin: measured against atan2, set and measured again with rigid bonds.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "structure/pdb.h"
#include "tests/structure/support.h"

using namespace korim::structure;
using namespace korim::structure::testing_support;

namespace {

const std::string kUbq = std::string(KORIM_TEST_DATA) + "/ubiquitin_1d3z_model1.pdb";

double refDihedral(const AtomInfo* a, const AtomInfo* b, const AtomInfo* c, const AtomInfo* d) {
    const double p[12] = {a->x, a->y, a->z, b->x, b->y, b->z, c->x, c->y, c->z, d->x, d->y, d->z};
    return testing_support::refDihedral(p);
}

double angleDiff(double a, double b) {
    double d = std::fmod(a - b + 540.0, 360.0) - 180.0;
    return std::fabs(d);
}

struct Torsion : ::testing::Test {
    PDBInfo pdb;
    void SetUp() override {
        pdbNull(&pdb);
        ASSERT_EQ(readPDB(kUbq.c_str(), &pdb, nullptr, nullptr), 0);
    }
    void TearDown() override { pdbFree(&pdb); }
    AtomInfo* at(int res, const char* name) { return findAtom(&pdb, res, name, "A", ""); }

    // Covalent bonds among the atoms of residues lo..hi: heavy atoms closer
    // than 1.9 A, bonds to hydrogen shorter than 1.25 A (hydrogen bonds are
    // longer); with heavyOnly, between non-hydrogens only.
    std::vector<std::pair<AtomInfo*, AtomInfo*>> bonds(int lo, int hi, bool heavyOnly) {
        std::vector<AtomInfo*> atoms;
        for (int i = 0; i < pdb.atomCount; i++) {
            AtomInfo* a = &pdb.atomList[i];
            if (a->resID < lo || a->resID > hi) continue;
            if (heavyOnly && std::strcmp(a->element, "H") == 0) continue;
            atoms.push_back(a);
        }
        std::vector<std::pair<AtomInfo*, AtomInfo*>> out;
        for (size_t i = 0; i < atoms.size(); i++)
            for (size_t j = i + 1; j < atoms.size(); j++)
            {
                bool withH = std::strcmp(atoms[i]->element, "H") == 0 || std::strcmp(atoms[j]->element, "H") == 0;
                if (pdbDist(atoms[i], atoms[j]) < (withH ? 1.25f : 1.9f)) out.push_back({atoms[i], atoms[j]});
            }
        return out;
    }
    std::vector<float> lengths(const std::vector<std::pair<AtomInfo*, AtomInfo*>>& b) {
        std::vector<float> out;
        for (auto& p : b) out.push_back(pdbDist(p.first, p.second));
        return out;
    }
};

TEST_F(Torsion, DistancesAndAngles) {
    // Peptide bond C(1)-N(2) from the file's coordinates.
    AtomInfo* c = at(1, "C");
    AtomInfo* n = at(2, "N");
    double want = std::sqrt(std::pow(50.851 - 49.535, 2) + std::pow(-89.086 + 88.953, 2) + std::pow(7.556 - 7.698, 2));
    EXPECT_NEAR(pdbDist(c, n), want, 1e-5);
    EXPECT_NEAR(pdbAngle(at(2, "N"), at(2, "CA"), at(2, "C")), 111.0, 6.0);  // tetrahedral-ish
    EXPECT_EQ(pdbDihedral(c, n, nullptr, c), 9999.0f);
}

TEST_F(Torsion, BackboneAnglesAgainstAtan2) {
    for (int r : {2, 10, 23, 45, 70}) {
        float phi, psi, omega;
        ASSERT_EQ(getPDBPhiPsi(&pdb, r, "A", "", &phi, &psi), 3) << r;
        EXPECT_NEAR(phi, refDihedral(at(r - 1, "C"), at(r, "N"), at(r, "CA"), at(r, "C")), 1e-3) << r;
        EXPECT_NEAR(psi, refDihedral(at(r, "N"), at(r, "CA"), at(r, "C"), at(r + 1, "N")), 1e-3) << r;
        ASSERT_EQ(getPDBOmega(&pdb, r, "A", "", &omega), 1);
        EXPECT_NEAR(omega, refDihedral(at(r - 1, "CA"), at(r - 1, "C"), at(r, "N"), at(r, "CA")), 1e-3);
        EXPECT_GT(std::fabs(omega), 150.0f);  // trans peptides
    }
    // Ubiquitin's first helix (residues 23-34) is alpha-helical.
    float phi, psi;
    getPDBPhiPsi(&pdb, 28, "A", "", &phi, &psi);
    EXPECT_NEAR(phi, -63.0, 20.0);
    EXPECT_NEAR(psi, -42.0, 20.0);
    // Chain ends.
    EXPECT_EQ(getPDBPhiPsi(&pdb, 1, "A", "", &phi, &psi), 2);
    EXPECT_EQ(phi, 9999.0f);
    EXPECT_EQ(getPDBPhiPsi(&pdb, 76, "A", "", &phi, &psi), 1);
    EXPECT_EQ(psi, 9999.0f);
    EXPECT_EQ(getPDBPhiPsi(&pdb, 77, "A", "", &phi, &psi), 0);
    // C-alpha pseudo-angles.
    float kappa, alpha;
    ASSERT_EQ(getPDBKappa(&pdb, 30, "A", "", &kappa), 1);
    AtomInfo *c28 = at(28, "CA"), *c30 = at(30, "CA"), *c32 = at(32, "CA");
    double ax = c28->x - c30->x, ay = c28->y - c30->y, az = c28->z - c30->z;
    double bx = c32->x - c30->x, by = c32->y - c30->y, bz = c32->z - c30->z;
    double cosk = (ax * bx + ay * by + az * bz) /
                  std::sqrt((ax * ax + ay * ay + az * az) * (bx * bx + by * by + bz * bz));
    EXPECT_NEAR(kappa, std::acos(cosk) * 180.0 / M_PI, 1e-2);
    ASSERT_EQ(getPDBAlpha(&pdb, 30, "A", "", &alpha), 1);
    EXPECT_NEAR(alpha, refDihedral(at(29, "CA"), at(30, "CA"), at(31, "CA"), at(32, "CA")), 1e-3);
    EXPECT_EQ(getPDBAlpha(&pdb, 75, "A", "", &alpha), 0);
    EXPECT_EQ(getPDBKappa(&pdb, 2, "A", "", &kappa), 0);
}

TEST_F(Torsion, UpdateAnglesOfARange) {
    ASSERT_EQ(updatePDBAngles(&pdb, 5, 10), 0);
    for (int r = 1; r <= 76; r++) {
        ResInfo* res = findRes(&pdb, r, "A", "");
        bool inside = r >= 4 && r <= 11;
        EXPECT_EQ(res->phi != 9999.0f, inside) << r;
        EXPECT_EQ(res->psi != 9999.0f, inside) << r;
    }
    float phi, psi;
    getPDBPhiPsi(&pdb, 7, "A", "", &phi, &psi);
    EXPECT_EQ(findRes(&pdb, 7, "A", "")->phi, phi);
}

TEST_F(Torsion, SetPhiPsiOmegaKeepsBondsAndMovesTheNearerEnd) {
    auto all = bonds(1, 76, false);
    std::vector<float> before = lengths(all);
    Coord3D first = {at(1, "CA")->x, at(1, "CA")->y, at(1, "CA")->z};
    Coord3D last = {at(76, "CA")->x, at(76, "CA")->y, at(76, "CA")->z};
    // Residue 3 lies in the first half: the N-terminal part moves.
    ASSERT_EQ(setPDBPhiPsi(&pdb, 3, "A", "", -120.0f, 130.0f), 3);
    float phi, psi;
    getPDBPhiPsi(&pdb, 3, "A", "", &phi, &psi);
    EXPECT_LT(angleDiff(phi, -120.0), 0.01);
    EXPECT_LT(angleDiff(psi, 130.0), 0.01);
    EXPECT_NEAR(findRes(&pdb, 3, "A", "")->phi, phi, 1e-3);
    EXPECT_EQ(at(76, "CA")->x, last.x);
    EXPECT_NE(at(1, "CA")->x, first.x);
    // Residue 70: the C-terminal part moves.
    first = {at(1, "CA")->x, at(1, "CA")->y, at(1, "CA")->z};
    ASSERT_EQ(setPDBPhiPsi(&pdb, 70, "A", "", -60.0f, -45.0f), 3);
    getPDBPhiPsi(&pdb, 70, "A", "", &phi, &psi);
    EXPECT_LT(angleDiff(phi, -60.0), 0.01);
    EXPECT_LT(angleDiff(psi, -45.0), 0.01);
    EXPECT_EQ(at(1, "CA")->x, first.x);
    EXPECT_NE(at(76, "CA")->x, last.x);
    // Omega, on both halves.
    for (int r : {20, 60}) {
        const float omega = 170.0f;
        ASSERT_EQ(setPDBOmega(&pdb, r, "A", "", &omega), 1);
        float got;
        getPDBOmega(&pdb, r, "A", "", &got);
        EXPECT_LT(angleDiff(got, omega), 0.01) << r;
    }
    std::vector<float> after = lengths(all);
    for (size_t i = 0; i < all.size(); i++)
        EXPECT_NEAR(after[i], before[i], 2e-4) << all[i].first->atomName << "-" << all[i].second->atomName
                                               << " of " << all[i].first->resID;
    EXPECT_EQ(setPDBPhiPsi(&pdb, 99, "A", "", 0, 0), 0);
    // Phi of the first residue cannot be set; psi can.
    EXPECT_EQ(setPDBPhiPsi(&pdb, 1, "A", "", 0, 100), 2);
}

TEST_F(Torsion, ChiAnglesMeasured) {
    float chi[PDB_MAX_CHI];
    const TorsionDefInfo* rows[PDB_MAX_CHI];
    int count = -1;
    // Arg 42 has every atom of the table's seven rows.
    EXPECT_EQ(getPDBChi(&pdb, 42, "A", "", chi, rows, nullptr, &count), 127);
    ASSERT_EQ(count, 7);
    EXPECT_NEAR(chi[0], refDihedral(at(42, "N"), at(42, "CA"), at(42, "CB"), at(42, "CG")), 1e-3);
    EXPECT_NEAR(chi[3], refDihedral(at(42, "CG"), at(42, "CD"), at(42, "NE"), at(42, "CZ")), 1e-3);
    EXPECT_EQ(rows[6]->angleID, 7);
    EXPECT_EQ(chi[7], 9999.0f);
    // Glycine has no row.
    count = -1;
    EXPECT_EQ(getPDBChi(&pdb, 10, "A", "", chi, rows, nullptr, &count), 0);
    EXPECT_EQ(count, 0);
    // Pro 19, chi 3: two rows.
    int want3[] = {3};
    count = 1;
    EXPECT_EQ(getPDBChi(&pdb, 19, "A", "", chi, rows, want3, &count), 4);
    EXPECT_EQ(count, 2);
    EXPECT_STREQ(rows[1]->atomNameL, "CA");
    // Ala 28 chi 1 names HB1, which this file has.
    count = -1;
    EXPECT_EQ(getPDBChi(&pdb, 28, "A", "", chi, rows, nullptr, &count), 1);
}

TEST_F(Torsion, ChiAnglesSetKeepHeavyAtomBonds) {
    // Arg 42, Glu 51, Lys 63, Leu 50, Ile 44, Gln 62, Met 1: every chi of the
    // table turned by 40 degrees and measured again; heavy-atom bonds stay.
    auto heavy = bonds(1, 76, true);
    std::vector<float> before = lengths(heavy);
    for (int r : {42, 51, 63, 50, 44, 62, 1}) {
        float chi[PDB_MAX_CHI];
        const TorsionDefInfo* rows[PDB_MAX_CHI];
        int count = -1;
        int mask = getPDBChi(&pdb, r, "A", "", chi, rows, nullptr, &count);
        ASSERT_GT(count, 0) << r;
        for (int k = 0; k < count; k++) {
            if (!(mask & (1 << (rows[k]->angleID - 1)))) continue;
            float target[1] = {chi[k] + 40.0f};
            int id[1] = {rows[k]->angleID};
            int set = 0;
            stderrOf([&] { set = setPDBChi(&pdb, r, "A", "", target, id, 1); });
            EXPECT_EQ(set, 1 << (id[0] - 1));
            float again[PDB_MAX_CHI];
            int one = 1;
            getPDBChi(&pdb, r, "A", "", again, rows, id, &one);
            EXPECT_LT(angleDiff(again[0], target[0]), 0.02) << r << " chi" << id[0];
            // refresh: rows[] was overwritten by the single-angle query
            count = -1;
            getPDBChi(&pdb, r, "A", "", chi, rows, nullptr, &count);
        }
    }
    std::vector<float> after = lengths(heavy);
    for (size_t i = 0; i < heavy.size(); i++)
        EXPECT_NEAR(after[i], before[i], 2e-4) << heavy[i].first->atomName << "-" << heavy[i].second->atomName
                                               << " of " << heavy[i].first->resID;
}

TEST_F(Torsion, SetChiReportsMissingNames) {
    float target[1] = {60.0f};
    int id[1] = {1};
    std::string err = stderrOf([&] { EXPECT_EQ(setPDBChi(&pdb, 2, "A", "", target, id, 1), 1); });
    // Gln 2 chi 1 keeps "N HN HA C O": this file calls the amide proton H.
    EXPECT_EQ(err, "MerSetChi Error finding 2 HN\n");
    EXPECT_EQ(setPDBChi(&pdb, 2, "A", "", target, id, 0), 0);
    EXPECT_EQ(setPDBChi(&pdb, 10, "A", "", target, id, 1), 0);  // glycine
}

TEST(ChiTable, RowsAndFixedSides) {
    int rows = 0;
    for (const TorsionDefInfo* r = ChiDef; r->resCode != 0; r++) {
        rows++;
        EXPECT_STREQ(r->angleName, "chi");
        // A fixed side (flag 0) never leaves the atom before the bond free:
        // the first atom of the torsion and everything nearer the backbone stay.
        if (r->rotateFlag == 0 && std::strcmp(r->atomNameI, "N") != 0) {
            std::string list = std::string(" ") + r->rotateList + " ";
            EXPECT_NE(list.find(std::string(" ") + r->atomNameI + " "), std::string::npos)
                << r->resName << " chi" << r->angleID;
        }
    }
    EXPECT_EQ(rows, CHI_DEF_COUNT - 1);
    EXPECT_STREQ(ChiDef[CHI_DEF_COUNT - 1].resName, "None");
}

}  // namespace
