// Look-up of atoms, residues, chains and segments, atom-name expressions and residue types.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>

#include "structure/pdb.h"
#include "tests/structure/support.h"

using namespace korim::structure;
using namespace korim::structure::testing_support;

namespace {

// An indexed structure built from a list of atoms; atom i sits at (i, 0, 0).
void build(PDBInfo* p, const AtomSpec* specs, int n) {
    appendAtoms(p, specs, n);
    ASSERT_EQ(indexPDB(p), 0);
}

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
        build(&p, kAtoms, sizeof(kAtoms) / sizeof(kAtoms[0]));
    }
    void TearDown() override { pdbFree(&p); }
    int id(AtomInfo* a) { return a != nullptr ? a->atomID : 0; }
};

TEST_F(Lookup, AtomsAndResidues) {
    EXPECT_EQ(id(findAtom(&p, 5, "HA2", "A", "")), 3);
    EXPECT_EQ(findAtom(&p, 5, "ha2", "A", ""), nullptr);  // exact
    EXPECT_EQ(findAtom(&p, 5, "HA2", "B", ""), nullptr);
    EXPECT_EQ(findAtom(&p, 5, "HA2", "A", "X"), nullptr);
    // An atom with an insertion code is keyed with it and not found.
    EXPECT_EQ(findAtom(&p, 8, "CA", "A", ""), nullptr);
    EXPECT_EQ(findRes(&p, 4, "A", ""), nullptr);  // below the range
    EXPECT_EQ(findRes(&p, 10, "A", ""), nullptr);
    ResInfo* r7 = findRes(&p, 7, "A", "");
    ASSERT_NE(r7, nullptr);
    EXPECT_EQ(r7->atomCount, 6);
    EXPECT_STREQ(findResName(&p, 7, "A", ""), "LEU");
    EXPECT_STREQ(findResName(&p, 70, "A", ""), "");
    // Chain and segment records per pair of names.
    ChainInfo* c = findChain(&p, "A", "");
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->atomCount, 15);
    EXPECT_EQ(findChain(&p, "B", ""), nullptr);
    SegInfo* s = findSeg(&p, "", "A");
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->resCount, 5);
}

TEST_F(Lookup, AlternativesAndGlycineFallBacks) {
    EXPECT_EQ(id(findAtomN(&p, 9, "HN|H", "A", "")), 13);
    EXPECT_EQ(id(findAtomN(&p, 8, "HN|H", "A", "")), 11);
    EXPECT_EQ(id(findAtomN(&p, 8, "X  Y |H", "A", "")), 11);
    EXPECT_EQ(findAtomN(&p, 8, " | ", "A", ""), nullptr);
    // Gly 5 has HA1 and HA2; Gly 6 only HA.
    EXPECT_EQ(id(findBestAtom(&p, 5, "GLY", "HA3", "A", "")), 2);
    EXPECT_EQ(id(findBestAtom(&p, 6, "gly", "HA2", "A", "")), 4);
    EXPECT_EQ(id(findBestAtom(&p, 6, "GLY", "ha3", "A", "")), 4);
    EXPECT_EQ(findBestAtom(&p, 5, "GLY", "HA", "A", ""), nullptr);
    EXPECT_EQ(findBestAtom(&p, 6, "ALA", "HA2", "A", ""), nullptr);
    EXPECT_EQ(findBestAtom(&p, 6, "GLY", "HB2", "A", ""), nullptr);
}

TEST_F(Lookup, Expressions) {
    char fmt[PDB_KEY_LEN];
    EXPECT_EQ(isAtomExpr("CA", fmt), 0);
    EXPECT_STREQ(fmt, "CA");
    EXPECT_EQ(isAtomExpr("HN#", fmt), 1);
    EXPECT_STREQ(fmt, "HN%d");
    EXPECT_EQ(isAtomExpr("HB*", fmt), 2);
    EXPECT_STREQ(fmt, "HB%s%s");
    EXPECT_EQ(isAtomExpr("H*#", fmt), 1);  // the last wildcard decides
    EXPECT_STREQ(fmt, "H%s%s%d");
    EXPECT_EQ(isAtomExpr("H%s", fmt), 0);  // a literal percent sign stays literal
    EXPECT_STREQ(fmt, "H%%s");

    AtomInfo* list[PDB_MAX_ATOM_LIST];
    ASSERT_EQ(findAtomList(&p, 7, "HN#", "A", "", list), 2);
    EXPECT_EQ(id(list[0]), 5);
    EXPECT_EQ(id(list[1]), 6);
    // HB then HB1-3 from the empty first text, then HB1-3 again.
    ASSERT_EQ(findAtomList(&p, 7, "HB*", "A", "", list), 7);
    const int want[] = {7, 8, 9, 10, 8, 9, 10};
    for (int i = 0; i < 7; i++) EXPECT_EQ(id(list[i]), want[i]) << i;
    EXPECT_EQ(findAtomList(&p, 7, "CA", "A", "", list), 0);
    EXPECT_EQ(list[0], nullptr);
    // A name holding printf directives is only text.
    ASSERT_EQ(findAtomList(&p, 9, "H%d", "A", "", list), 1);
    EXPECT_EQ(id(list[0]), 15);
    EXPECT_EQ(findAtomList(&p, 9, "%s%s%n*", "A", "", list), 0);
}

TEST(LookupLimits, AtMostNineAtoms) {
    // A residue with H, H1..H3, H11..H33: "H*" names 16 candidates.
    AtomSpec specs[13] = {};
    const char* names[] = {"H", "H1", "H2", "H3", "H11", "H12", "H13", "H21",
                           "H22", "H23", "H31", "H32", "H33"};
    for (int i = 0; i < 13; i++) specs[i] = {1, "ALA", names[i], "", "", ""};
    PDBInfo p;
    build(&p, specs, 13);
    AtomInfo* list[PDB_MAX_ATOM_LIST + 1];
    list[PDB_MAX_ATOM_LIST] = reinterpret_cast<AtomInfo*>(0x1);  // guard
    EXPECT_EQ(findAtomList(&p, 1, "H*", "", "", list), 9);
    EXPECT_EQ(list[PDB_MAX_ATOM_LIST], reinterpret_cast<AtomInfo*>(0x1));
    // Order: H, H1, H2, H3, then H1, H11, H12, H13, then H2.
    const char* want[] = {"H", "H1", "H2", "H3", "H1", "H11", "H12", "H13", "H2"};
    for (int i = 0; i < 9; i++) EXPECT_STREQ(list[i]->atomName, want[i]);
    pdbFree(&p);
}

TEST(LookupLimits, MeanDistance) {
    AtomInfo a[4];
    for (auto& x : a) atomNull(&x);
    a[1].x = 3.0f;
    a[1].y = 4.0f;   // |a0 a1| = 5
    a[2].z = 12.0f;  // |a0 a2| = 12, |a1 a2| = 13
    a[3].x = 6.0f;
    a[3].y = 8.0f;  // |a0 a3| = 10
    AtomInfo* li[2] = {&a[0], &a[1]};
    AtomInfo* lj[2] = {&a[2], &a[3]};
    float r = -1.0f;
    EXPECT_EQ(findAtomListRad(li, 2, lj, 2, &r), 0);
    // Pairs: 12, 10, 13, |a1 a3| = 5; mean 10.
    EXPECT_NEAR(r, 10.0f, 1e-5);
}

TEST(ResidueTypes, TableAndTranslations) {
    EXPECT_STREQ(findResTypeByName("ala")->resName, "ALA");
    EXPECT_STREQ(findResTypeByName("HOH")->resName, "None");
    EXPECT_EQ(findResTypeByName("dgua")->resClass, 3);
    EXPECT_EQ(findResTypeByName("rURI")->resLetter, 'T');
    EXPECT_EQ(isAminoAcid("Trp"), 1);
    EXPECT_EQ(isAminoAcid("ADE"), 0);
    EXPECT_STREQ(getResName1("gly"), "G");
    EXPECT_STREQ(getResName1("HOH"), "?");
    EXPECT_STREQ(getResName1("URI"), "?");  // nucleotides are not translated
    EXPECT_STREQ(getResName3("w"), "TRP");
    EXPECT_STREQ(getResName3("Z"), "None");
    EXPECT_STREQ(getResName3("A"), "ALA");
    EXPECT_STREQ(getResName3("AL"), "None");
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
