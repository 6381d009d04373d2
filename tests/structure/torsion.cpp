// Backbone and side-chain torsions of ubiquitin: measured against atan2, set and measured again with rigid bonds.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "structure/pdb.h"
#include "tests/support/capture.h"
#include "tests/support/files.h"
#include "tests/support/structure.h"

using namespace korim::structure;
using namespace korim_test;

namespace {

double angleDiff(double a, double b) { return std::fabs(std::fmod(a - b + 540.0, 360.0) - 180.0); }

struct Torsion : ::testing::Test {
    PDBInfo pdb;
    void SetUp() override {
        pdbNull(&pdb);
        ASSERT_EQ(readPDB(kUbiquitinPdb.c_str(), &pdb, nullptr, nullptr), 0);
    }
    void TearDown() override { pdbFree(&pdb); }
    AtomInfo* at(int res, const char* name) { return findAtom(&pdb, res, name, "A", ""); }

    // Covalent bonds of the structure with their lengths: heavy atoms closer
    // than 1.9 A, bonds to hydrogen shorter than 1.25 A (hydrogen bonds are
    // longer); with heavyOnly, between non-hydrogens only.
    struct Bond { AtomInfo *a, *b; float length; };
    std::vector<Bond> bonds(bool heavyOnly) {
        std::vector<AtomInfo*> atoms;
        for (int i = 0; i < pdb.atomCount; i++)
            if (!heavyOnly || std::strcmp(pdb.atomList[i].element, "H") != 0) atoms.push_back(&pdb.atomList[i]);
        std::vector<Bond> out;
        for (size_t i = 0; i < atoms.size(); i++)
            for (size_t j = i + 1; j < atoms.size(); j++) {
                bool withH = std::strcmp(atoms[i]->element, "H") == 0 || std::strcmp(atoms[j]->element, "H") == 0;
                float d = pdbDist(atoms[i], atoms[j]);
                if (d < (withH ? 1.25f : 1.9f)) out.push_back({atoms[i], atoms[j], d});
            }
        return out;
    }
    void expectSameLengths(const std::vector<Bond>& before) {
        for (const Bond& b : before)
            EXPECT_NEAR(pdbDist(b.a, b.b), b.length, 2e-4) << b.a->atomName << "-" << b.b->atomName << " of " << b.a->resID;
    }
};

TEST_F(Torsion, BackboneAnglesAgainstAtan2) {
    // Peptide bond C(1)-N(2) from the file's coordinates; a missing atom gives no torsion.
    EXPECT_NEAR(pdbDist(at(1, "C"), at(2, "N")), std::hypot(50.851 - 49.535, -89.086 + 88.953, 7.556 - 7.698), 1e-5);
    EXPECT_EQ(pdbDihedral(at(1, "C"), at(2, "N"), nullptr, at(1, "C")), 9999.0f);
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
    EXPECT_TRUE(std::fabs(phi + 63.0f) < 20.0f && std::fabs(psi + 42.0f) < 20.0f) << phi << " " << psi;
    // Chain ends.
    EXPECT_TRUE(getPDBPhiPsi(&pdb, 1, "A", "", &phi, &psi) == 2 && phi == 9999.0f);
    EXPECT_TRUE(getPDBPhiPsi(&pdb, 76, "A", "", &phi, &psi) == 1 && psi == 9999.0f);
    EXPECT_EQ(getPDBPhiPsi(&pdb, 77, "A", "", &phi, &psi), 0);
    // C-alpha pseudo-angles: the 28-30-32 bond angle by the dot product, and a torsion.
    float kappa, alpha;
    ASSERT_EQ(getPDBKappa(&pdb, 30, "A", "", &kappa), 1);
    const AtomInfo *c28 = at(28, "CA"), *c30 = at(30, "CA"), *c32 = at(32, "CA");
    const double a[3] = {c28->x - c30->x, c28->y - c30->y, c28->z - c30->z};
    const double b[3] = {c32->x - c30->x, c32->y - c30->y, c32->z - c30->z};
    const double ab = a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
    const double aa = a[0] * a[0] + a[1] * a[1] + a[2] * a[2], bb = b[0] * b[0] + b[1] * b[1] + b[2] * b[2];
    EXPECT_NEAR(kappa, std::acos(ab / std::sqrt(aa * bb)) * 180.0 / M_PI, 1e-2);
    ASSERT_EQ(getPDBAlpha(&pdb, 30, "A", "", &alpha), 1);
    EXPECT_NEAR(alpha, refDihedral(at(29, "CA"), at(30, "CA"), at(31, "CA"), at(32, "CA")), 1e-3);
    EXPECT_TRUE(getPDBAlpha(&pdb, 75, "A", "", &alpha) == 0 && getPDBKappa(&pdb, 2, "A", "", &kappa) == 0);

    // Stored angles for residues 5..10 and their neighbours.
    ASSERT_EQ(updatePDBAngles(&pdb, 5, 10), 0);
    for (int r = 1; r <= 76; r++) {
        const ResInfo* res = findRes(&pdb, r, "A", "");
        const bool inside = r >= 4 && r <= 11;
        EXPECT_EQ(res->phi != 9999.0f && res->psi != 9999.0f, inside) << r;
    }
    getPDBPhiPsi(&pdb, 7, "A", "", &phi, &psi);
    EXPECT_EQ(findRes(&pdb, 7, "A", "")->phi, phi);
}

TEST(StoredAngles, EveryResidueGetsTheAnglesMeasuredForItAlone) {
    // Two chains whose residue numbers run on (A 1-76, B 77-152): the last residue of A has no
    // psi and the first of B no phi, whatever atoms the residue next in number has.
    std::string text, line;
    std::istringstream in(readFile(kUbiquitinPdb));
    std::string chainB;
    while (std::getline(in, line)) {
        if (line.compare(0, 4, "ATOM") != 0) continue;
        text += line + "\n";
        char resID[12];  // room for any int: the residue numbers here take four columns
        std::snprintf(resID, sizeof resID, "%4d", std::stoi(line.substr(22, 4)) + 76);
        chainB += line.substr(0, 21) + "B" + resID + line.substr(26) + "\n";
    }
    TempDir dir;
    PDBInfo pdb;
    pdbNull(&pdb);
    ASSERT_EQ(readPDB(writeFile(dir / "two.pdb", text + chainB).c_str(), &pdb, nullptr, nullptr), 0);
    ASSERT_EQ(pdb.resCount, 152);
    ASSERT_EQ(updatePDBAngles(&pdb, 1, 152), 0);
    for (int r = 0; r < pdb.resCount; r++) {
        const ResInfo& res = pdb.resList[r];
        float phi = 0.0f, psi = 0.0f;
        getPDBPhiPsi(&pdb, res.resID, res.chainID, res.segID, &phi, &psi);
        EXPECT_EQ(res.phi, phi) << res.chainID << res.resID;
        EXPECT_EQ(res.psi, psi) << res.chainID << res.resID;
    }
    EXPECT_EQ(findRes(&pdb, 76, "A", "")->psi, 9999.0f);
    EXPECT_EQ(findRes(&pdb, 77, "B", "")->phi, 9999.0f);
    EXPECT_NE(findRes(&pdb, 78, "B", "")->phi, 9999.0f);
    pdbFree(&pdb);
}

TEST_F(Torsion, SetPhiPsiOmegaKeepsBondsAndMovesTheNearerEnd) {
    const auto before = bonds(false);
    // Residue 3 lies in the first half: the N-terminal part moves; residue 70:
    // the C-terminal part.
    const struct {
        int res;
        float phi, psi;
        int still, moved;
    } cases[] = {{3, -120.0f, 130.0f, 76, 1}, {70, -60.0f, -45.0f, 1, 76}};
    for (const auto& c : cases) {
        const float stillX = at(c.still, "CA")->x, movedX = at(c.moved, "CA")->x;
        ASSERT_EQ(setPDBPhiPsi(&pdb, c.res, "A", "", c.phi, c.psi), 3);
        float phi, psi;
        getPDBPhiPsi(&pdb, c.res, "A", "", &phi, &psi);
        EXPECT_TRUE(angleDiff(phi, c.phi) < 0.01 && angleDiff(psi, c.psi) < 0.01) << c.res;
        EXPECT_NEAR(findRes(&pdb, c.res, "A", "")->phi, phi, 1e-3);
        EXPECT_TRUE(at(c.still, "CA")->x == stillX && at(c.moved, "CA")->x != movedX) << c.res;
    }
    for (int r : {20, 60}) {
        const float omega = 170.0f;
        ASSERT_EQ(setPDBOmega(&pdb, r, "A", "", &omega), 1);
        float got;
        getPDBOmega(&pdb, r, "A", "", &got);
        EXPECT_LT(angleDiff(got, omega), 0.01) << r;
    }
    expectSameLengths(before);
    // No residue 99; phi of the first residue cannot be set, psi can.
    EXPECT_TRUE(setPDBPhiPsi(&pdb, 99, "A", "", 0, 0) == 0 && setPDBPhiPsi(&pdb, 1, "A", "", 0, 100) == 2);
}

TEST_F(Torsion, ChiAnglesMeasuredAndMissingNames) {
    float chi[PDB_MAX_CHI];
    const TorsionDefInfo* rows[PDB_MAX_CHI];
    int count = -1;
    // Arg 42 has every atom of the table's seven rows.
    EXPECT_EQ(getPDBChi(&pdb, 42, "A", "", chi, rows, nullptr, &count), 127);
    ASSERT_EQ(count, 7);
    EXPECT_NEAR(chi[0], refDihedral(at(42, "N"), at(42, "CA"), at(42, "CB"), at(42, "CG")), 1e-3);
    EXPECT_NEAR(chi[3], refDihedral(at(42, "CG"), at(42, "CD"), at(42, "NE"), at(42, "CZ")), 1e-3);
    EXPECT_TRUE(rows[6]->angleID == 7 && chi[7] == 9999.0f);
    // (Chi angles are not used by the program: one check each.) Gln 2 chi 1 keeps "N HN HA C O":
    // this file calls the amide proton H.
    float target[1] = {60.0f};
    int id[1] = {1}, set = -1;
    EXPECT_EQ(captureStderr([&] { set = setPDBChi(&pdb, 2, "A", "", target, id, 1); }),
              "MerSetChi Error finding 2 HN\n");
    EXPECT_EQ(set, 1);
    // No angle asked for; glycine.
    EXPECT_TRUE(setPDBChi(&pdb, 2, "A", "", target, id, 0) == 0 && setPDBChi(&pdb, 10, "A", "", target, id, 1) == 0);
}

TEST_F(Torsion, ChiAnglesSetKeepHeavyAtomBonds) {
    // Arg 42, Glu 51, Lys 63, Leu 50, Ile 44, Gln 62, Met 1: every chi of the
    // table turned by 40 degrees and measured again; heavy-atom bonds stay.
    const auto before = bonds(true);
    for (int r : {42, 51, 63, 50, 44, 62, 1}) {
        float chi[PDB_MAX_CHI], again[PDB_MAX_CHI];
        const TorsionDefInfo* rows[PDB_MAX_CHI];
        int count = -1;
        const int mask = getPDBChi(&pdb, r, "A", "", chi, rows, nullptr, &count);
        ASSERT_GT(count, 0) << r;
        for (int k = 0; k < count; k++) {
            int id[1] = {rows[k]->angleID}, one = 1, set = 0;
            if (!(mask & (1 << (id[0] - 1)))) continue;
            float target[1] = {chi[k] + 40.0f};
            captureStderr([&] { set = setPDBChi(&pdb, r, "A", "", target, id, 1); });
            EXPECT_EQ(set, 1 << (id[0] - 1));
            getPDBChi(&pdb, r, "A", "", again, nullptr, id, &one);
            EXPECT_LT(angleDiff(again[0], target[0]), 0.02) << r << " chi" << id[0];
        }
    }
    expectSameLengths(before);
}

TEST(ChiTable, FixedSides) {
    for (const TorsionDefInfo* r = ChiDef; r->resCode != 0; r++) {
        // A fixed side (flag 0) never leaves the atom before the bond free:
        // the first atom of the torsion and everything nearer the backbone stay.
        if (r->rotateFlag == 0 && std::strcmp(r->atomNameI, "N") != 0) {
            std::string list = std::string(" ") + r->rotateList + " ";
            EXPECT_NE(list.find(std::string(" ") + r->atomNameI + " "), std::string::npos)
                << r->resName << " chi" << r->angleID;
        }
    }
}

}  // namespace
