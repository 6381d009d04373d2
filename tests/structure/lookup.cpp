// Look-up of atoms, residues, chains and segments, atom-name expressions and residue types.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "structure/pdb.h"
#include "tests/support/structure.h"

using namespace korim::structure;
using namespace korim_test;

namespace {

const AtomSpec kAtoms[] = {
    {5, "GLY", "N", "A", "", ""},    {5, "GLY", "HA1", "A", "", ""}, {5, "GLY", "HA2", "A", "", ""},
    {6, "GLY", "HA", "A", "", ""},   {7, "LEU", "HN1", "A", "", ""}, {7, "LEU", "HN3", "A", "", ""},
    {7, "LEU", "HB", "A", "", ""},   {7, "LEU", "HB1", "A", "", ""}, {7, "LEU", "HB2", "A", "", ""},
    {7, "LEU", "HB3", "A", "", ""},  {8, "ALA", "H", "A", "", ""},   {8, "ALA", "CA", "A", "", "B"},
    {9, "ALA", "HN", "A", "", ""},   {9, "ALA", "H", "A", "", ""},   {9, "ALA", "H%d", "A", "", ""},
};

struct Lookup : ::testing::Test {
    PDBInfo p;
    void SetUp() override {
        pdbModuleReset();
        appendAtoms(&p, kAtoms, sizeof(kAtoms) / sizeof(kAtoms[0]));
        ASSERT_EQ(indexPDB(&p), 0);
    }
    void TearDown() override { pdbFree(&p); }
};

int id(const AtomInfo* a) { return a != nullptr ? a->atomID : 0; }

TEST_F(Lookup, AtomsAlternativesAndGlycineFallBacks) {
    // Serial of the atom found, 0 for none.
    const struct {
        const char* how;
        int res;
        const char *resName, *name, *chain, *seg;
        int want;
    } cases[] = {
        {"exact", 5, "", "HA2", "A", "", 3},
        {"exact", 5, "", "ha2", "A", "", 0},  // names are case-sensitive
        {"exact", 5, "", "HA2", "B", "", 0},
        {"exact", 5, "", "HA2", "A", "X", 0},
        {"exact", 8, "", "CA", "A", "", 0},  // keyed with its insertion code
        {"alt", 9, "", "HN|H", "A", "", 13},
        {"alt", 8, "", "HN|H", "A", "", 11},
        {"alt", 8, "", "X  Y |H", "A", "", 11},
        {"alt", 8, "", " | ", "A", "", 0},
        // Gly 5 has HA1 and HA2; Gly 6 only HA.
        {"best", 5, "GLY", "HA3", "A", "", 2},
        {"best", 6, "gly", "HA2", "A", "", 4},
        {"best", 6, "GLY", "ha3", "A", "", 4},
        {"best", 5, "GLY", "HA", "A", "", 0},
        {"best", 6, "ALA", "HA2", "A", "", 0},
        {"best", 6, "GLY", "HB2", "A", "", 0},
    };
    for (const auto& c : cases) {
        const std::string how = c.how;
        const AtomInfo* a = how == "exact" ? findAtom(&p, c.res, c.name, c.chain, c.seg)
                            : how == "alt" ? findAtomN(&p, c.res, c.name, c.chain, c.seg)
                                           : findBestAtom(&p, c.res, c.resName, c.name, c.chain, c.seg);
        EXPECT_EQ(id(a), c.want) << how << " " << c.res << " " << c.name;
    }
}

TEST_F(Lookup, ResiduesChainsAndSegments) {
    EXPECT_EQ(findRes(&p, 4, "A", ""), nullptr);  // outside the range
    EXPECT_EQ(findRes(&p, 10, "A", ""), nullptr);
    ResInfo* r7 = findRes(&p, 7, "A", "");
    ASSERT_NE(r7, nullptr);
    EXPECT_EQ(r7->atomCount, 6);
    EXPECT_STREQ(findResName(&p, 7, "A", ""), "LEU");
    EXPECT_STREQ(findResName(&p, 70, "A", ""), "");
    ChainInfo* c = findChain(&p, "A", "");
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->atomCount, 15);
    EXPECT_EQ(findChain(&p, "B", ""), nullptr);
    SegInfo* s = findSeg(&p, "", "A");
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->resCount, 5);
}

TEST_F(Lookup, Expressions) {
    // The last wildcard decides the kind; a literal percent sign stays literal.
    const struct {
        const char *name, *format;
        int kind;
    } exprs[] = {{"CA", "CA", 0}, {"HN#", "HN%d", 1}, {"HB*", "HB%s%s", 2}, {"H*#", "H%s%s%d", 1}, {"H%s", "H%%s", 0}};
    for (const auto& e : exprs) {
        char fmt[PDB_KEY_LEN];
        EXPECT_EQ(isAtomExpr(e.name, fmt), e.kind) << e.name;
        EXPECT_STREQ(fmt, e.format);
    }
    // Serials found, in order: HB then HB1-3 from the empty first text, then
    // HB1-3 again; a name holding printf directives is only text.
    const struct {
        int res;
        const char* name;
        std::vector<int> want;
    } lists[] = {{7, "HN#", {5, 6}}, {7, "HB*", {7, 8, 9, 10, 8, 9, 10}}, {7, "CA", {}}, {9, "H%d", {15}}, {9, "%s%s%n*", {}}};
    for (const auto& l : lists) {
        AtomInfo* list[PDB_MAX_ATOM_LIST];
        const int n = findAtomList(&p, l.res, l.name, "A", "", list);
        std::vector<int> got;
        for (int i = 0; i < n; i++) got.push_back(id(list[i]));
        EXPECT_EQ(got, l.want) << l.name;
    }
}

TEST(LookupLimits, AtMostNineAtoms) {
    // A residue with H, H1..H3, H11..H33: "H*" names 16 candidates.
    const char* names[] = {"H", "H1", "H2", "H3", "H11", "H12", "H13", "H21", "H22", "H23", "H31", "H32", "H33"};
    AtomSpec specs[13];
    for (int i = 0; i < 13; i++) specs[i] = {1, "ALA", names[i], "", "", ""};
    PDBInfo p;
    appendAtoms(&p, specs, 13);
    ASSERT_EQ(indexPDB(&p), 0);
    AtomInfo* list[PDB_MAX_ATOM_LIST + 1];
    list[PDB_MAX_ATOM_LIST] = reinterpret_cast<AtomInfo*>(0x1);  // guard
    EXPECT_EQ(findAtomList(&p, 1, "H*", "", "", list), 9);
    EXPECT_EQ(list[PDB_MAX_ATOM_LIST], reinterpret_cast<AtomInfo*>(0x1));
    std::string got;
    for (int i = 0; i < 9; i++) got += std::string(list[i]->atomName) + " ";
    EXPECT_EQ(got, "H H1 H2 H3 H1 H11 H12 H13 H2 ");
    pdbFree(&p);
}

TEST(LookupLimits, MeanDistance) {
    AtomInfo a[4];
    for (auto& x : a) atomNull(&x);
    a[1].x = 3.0f;
    a[1].y = 4.0f;   // |a0 a1| = 5
    a[2].z = 12.0f;  // |a0 a2| = 12, |a1 a2| = 13
    a[3].x = 6.0f;
    a[3].y = 8.0f;  // |a0 a3| = 10, |a1 a3| = 5
    AtomInfo* li[2] = {&a[0], &a[1]};
    AtomInfo* lj[2] = {&a[2], &a[3]};
    float r = -1.0f;
    EXPECT_EQ(findAtomListRad(li, 2, lj, 2, &r), 0);
    EXPECT_NEAR(r, (12.0f + 10.0f + 13.0f + 5.0f) / 4, 1e-5);
}

TEST(ResidueTypes, TableAndTranslations) {
    EXPECT_STREQ(findResTypeByName("ala")->resName, "ALA");
    EXPECT_STREQ(findResTypeByName("HOH")->resName, "None");
    EXPECT_EQ(findResTypeByName("dgua")->resClass, 3);
    EXPECT_EQ(findResTypeByName("rURI")->resLetter, 'T');
    EXPECT_EQ(isAminoAcid("Trp") * 2 + isAminoAcid("ADE"), 2);
    // Nucleotides are not translated to one letter.
    const char* to1[][2] = {{"gly", "G"}, {"HOH", "?"}, {"URI", "?"}};
    for (auto& t : to1) EXPECT_STREQ(getResName1(t[0]), t[1]) << t[0];
    const char* to3[][2] = {{"w", "TRP"}, {"Z", "None"}, {"A", "ALA"}, {"AL", "None"}};
    for (auto& t : to3) EXPECT_STREQ(getResName3(t[0]), t[1]) << t[0];
    // Every amino acid translates to its letter and back.
    int amino = 0;
    for (const ResTypeInfo* r = CanonicalResList; r->resCode != 0; r++) {
        if (r->resClass != 1) continue;
        amino++;
        std::string one = getResName1(r->resName);
        EXPECT_STREQ(getResName3(one.c_str()), r->resName);
    }
    EXPECT_EQ(amino, 20);
}

}  // namespace
