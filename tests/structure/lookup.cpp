// Indexing and look-up: key texts, residues, chains and segments built from the atoms, atom-name
// expressions, residue types.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "foundation/memory.h"
#include "structure/pdb.h"
#include "tests/support/capture.h"
#include "tests/support/structure.h"

using namespace korim::structure;
using namespace korim_test;
namespace fnd = korim::foundation;

namespace {

struct Index : ::testing::Test {
    void SetUp() override {
        pdbModuleReset();
        fnd::memoryReset();
    }
};

TEST_F(Index, KeyTexts) {
    // Fixed-width fields counted by hand.
    char key[PDB_KEY_LEN];
    auto atom = [&](int res, const char* name, const char* loc, const char* chain, const char* seg) {
        buildAtomText(res, name, loc, chain, seg, key);
        return std::string(key);
    };
    auto res = [&](int id, const char* chain, const char* seg) {
        buildResText(id, chain, seg, key);
        return std::string(key);
    };
    auto seg = [&](const char* s, const char* chain) {
        buildSegText(s, chain, key);
        return std::string(key);
    };
    EXPECT_EQ(atom(12, "CA", nullptr, "A", "PROT"), "12 CA    A PROT");
    EXPECT_EQ(atom(-3, "HD21", nullptr, "", ""), "-3 HD21        ");
    EXPECT_EQ(atom(7, "OXT12", nullptr, "AB", "SEGMENT"), "7 OXT12 AB SEGMENT");
    EXPECT_EQ(atom(7, "N", "", "", "S"), "7 N       S   ");
    EXPECT_EQ(atom(7, "N", "B", "A", ""), "7 N    BA     ");
    EXPECT_EQ(res(42, "A", "S1"), "42 A  S1  ");
    EXPECT_EQ(seg("S1", "A"), "S1   A ");
    buildChainText("A", "", key);
    EXPECT_STREQ(key, "A      ");
    // Ignored names become one blank.
    setPDBChainMode(1);
    EXPECT_EQ(atom(12, "CA", nullptr, "A", "PROT"), "12 CA      PROT");
    EXPECT_EQ(res(42, "A", "S1"), "42    S1  ");
    setPDBSegMode(1);
    EXPECT_EQ(seg("S1", "A"), "       ");
    EXPECT_EQ(res(42, "A", "S1"), "42        ");
}

TEST_F(Index, ResiduesChainsSegmentsAndNeighbours) {
    PDBInfo p;
    pdbNull(&p);
    pdbInit(&p);
    EXPECT_TRUE(indexPDB(&p) == 0 && p.resCount == 0);  // no atoms
    pdbFree(&p);

    const AtomSpec specs[] = {
        {5, "Ala", "N", "A", "S1", ""}, {5, "Ala", "CA", "A", "S1", ""}, {6, "HOH", "O", "A", "S1", ""},
        {8, "GLY", "CA", "A", "S1", ""}, {9, "GLY", "CA", "A", "S1", ""}, {6, "SER", "CA", "A", "S2", ""},
        {7, "SER", "CA", "A", "S2", ""},
    };
    appendAtoms(&p, specs, 7);
    ASSERT_EQ(indexPDB(&p), 0);
    // Chain A in segments S1 and S2: two chain and two segment records.
    const int counts[5] = {p.minResID, p.maxResID, p.chainCount, p.segCount, p.resCount}, want[5] = {5, 9, 2, 2, 6};
    for (int k = 0; k < 5; k++) EXPECT_EQ(counts[k], want[k]) << k;
    EXPECT_STREQ(p.defSegName, "S1");
    ChainInfo* c1 = findChain(&p, "A", "S1");
    ChainInfo* c2 = findChain(&p, "A", "S2");
    ASSERT_TRUE(c1 && c2);
    EXPECT_TRUE(c1->atomCount == 5 && c1->resCount == 4 && c2->minResID == 6);
    // Residues 5, 6, 8, 9: an array of five with a hole at 7.
    ASSERT_EQ(c1->maxResID - c1->minResID, 4);
    EXPECT_TRUE(c1->resArray[1]->resID == 6 && c1->resArray[2] == nullptr && c1->resArray[4]->resID == 9);
    EXPECT_EQ(findSeg(&p, "S2", "A")->resCount, 2);

    // Neighbours within a chain and segment: previous<residue>next, "-" for none;
    // 7 is missing in S1 and present in S2.
    std::string links;
    for (int i = 0; i < p.resCount; i++) {
        const ResInfo& r = p.resList[i];
        links += (r.prev ? std::to_string(r.prev->resID) : "-") + "<" + std::to_string(r.resID) + ">" +
                 (r.next ? std::to_string(r.next->resID) : "-") + " ";
    }
    EXPECT_EQ(links, "-<5>6 5<6>- -<8>9 8<9>- -<6>7 6<7>- ");
    // Residue types ignore case; HOH has the sentinel row.
    EXPECT_STREQ(p.resList[0].resType->resName, "ALA");
    EXPECT_EQ(p.resList[1].resType->resCode, 0);
    // Links from atoms to their records.
    AtomInfo* ca5 = findAtom(&p, 5, "CA", "A", "S1");
    ASSERT_NE(ca5, nullptr);
    EXPECT_TRUE(ca5->resInfo == &p.resList[0] && ca5->chainInfo == c1 && ca5->segInfo == findSeg(&p, "S1", "A") &&
                p.resList[0].atomList[1] == ca5);
    pdbFree(&p);
}

TEST_F(Index, IgnoredChainAndSegmentNames) {
    const AtomSpec specs[] = {{1, "ALA", "CA", "A", "S1", ""}, {2, "GLY", "CA", "B", "S2", ""}};
    PDBInfo p;
    setPDBChainMode(1);
    setPDBSegMode(1);
    appendAtoms(&p, specs, 2);
    ASSERT_EQ(indexPDB(&p), 0);
    // One chain and one segment record for all atoms; any names find them.
    EXPECT_TRUE(p.chainCount == 1 && p.resCount == 2 && p.resList[0].next == &p.resList[1]);
    EXPECT_EQ(findAtom(&p, 2, "CA", "Q", "Z")->atomID, 2);
    EXPECT_EQ(findRes(&p, 1, nullptr, nullptr), &p.resList[0]);
    pdbFree(&p);
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

TEST_F(Lookup, ResiduesOutsideTheRange) {
    // Chains, segments and the residue array inside the range are checked with the index above.
    EXPECT_TRUE(findRes(&p, 4, "A", "") == nullptr && findRes(&p, 10, "A", "") == nullptr);
    EXPECT_EQ(std::string(findResName(&p, 7, "A", "")) + "|" + findResName(&p, 70, "A", ""), "LEU|");
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
    } lists[] = {{7, "HN#", {5, 6}}, {7, "HB*", {7, 8, 9, 10, 8, 9, 10}}, {7, "CA", {}},
                 {9, "H%d", {15}},    {9, "%s%s%n*", {}}};
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
    a[1].x = 3.0f, a[1].y = 4.0f;  // |a0 a1| = 5
    a[2].z = 12.0f;                // |a0 a2| = 12, |a1 a2| = 13
    a[3].x = 6.0f, a[3].y = 8.0f;  // |a0 a3| = 10, |a1 a3| = 5
    AtomInfo* li[2] = {&a[0], &a[1]};
    AtomInfo* lj[2] = {&a[2], &a[3]};
    float r = -1.0f;
    EXPECT_EQ(findAtomListRad(li, 2, lj, 2, &r), 0);
    EXPECT_NEAR(r, (12.0f + 10.0f + 13.0f + 5.0f) / 4, 1e-5);
}

TEST(ResidueTypes, TableAndTranslations) {
    EXPECT_EQ(std::string(findResTypeByName("ala")->resName) + findResTypeByName("HOH")->resName, "ALANone");
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

TEST_F(Index, KeyTextsEqualTheirPrintfFormats) {
    // Names of every length around the field widths, empty and long, with
    // and without the chain and segment ignored.
    const char* names[] = {"", "A", "AB", "CA", "HD21", "LONGNAME", ""};
    const std::string longName(300, 'X');
    names[6] = longName.c_str();
    char key[PDB_KEY_LEN], want[PDB_KEY_LEN];
    for (int chainMode : {0, 1})
        for (int segMode : {0, 1}) {
            setPDBChainMode(chainMode);
            setPDBSegMode(segMode);
            for (const char* a : names)
                for (const char* b : names)
                    for (int res : {0, 7, -12, 2147483647, -2147483647 - 1}) {
                        const char* ch = chainMode ? " " : b;
                        const char* sg = segMode ? " " : a;
                        buildAtomText(res, a, b, b, a, key);
                        std::snprintf(want, sizeof want, "%d %-4s %s%s %-4s", res, a, b[0] ? b : " ",
                                      ch[0] ? ch : " ", sg);
                        EXPECT_STREQ(key, want);
                        buildAtomText(res, a, nullptr, b, a, key);
                        std::snprintf(want, sizeof want, "%d %-4s %2s %-4s", res, a, ch, sg);
                        EXPECT_STREQ(key, want);
                        buildResText(res, b, a, key);
                        std::snprintf(want, sizeof want, "%d %-2s %-4s", res, ch, sg);
                        EXPECT_STREQ(key, want);
                    }
            for (const char* a : names)
                for (const char* b : names) {
                    const char* ch = chainMode ? " " : b;
                    const char* sg = segMode ? " " : a;
                    buildChainText(b, a, key);
                    std::snprintf(want, sizeof want, "%-2s %-4s", ch, sg);
                    EXPECT_STREQ(key, want);
                    buildSegText(a, b, key);
                    std::snprintf(want, sizeof want, "%-4s %-2s", sg, ch);
                    EXPECT_STREQ(key, want);
                }
        }
    setPDBChainMode(0);
    setPDBSegMode(0);
}

}  // namespace
