// Structure records (list growth, names, saved coordinates, release), indexing and look-up: key
// texts, residues, chains and segments built from the atoms, the surface hook indexing calls,
// atom-name expressions, residue types.
#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <string>
#include <vector>

#include "foundation/hsymbol.h"
#include "foundation/memory.h"
#include "structure/pdb.h"
#include "structure/pdbhooks.h"
#include "tests/support/capture.h"
#include "tests/support/structure.h"

using namespace korim::structure;
using namespace korim_test;
namespace fnd = korim::foundation;

namespace {

struct Index : ::testing::Test {
    void SetUp() override {
        pdbModuleReset();
        pdbHooksReset();
        fnd::memoryReset();
    }
    void TearDown() override {
        setPDBChainMode(0);
        setPDBSegMode(0);
        pdbHooksReset();
    }
};

// A fresh structure of n atoms in residues of two atoms each (atom i at x = i, y = 2i), key tables
// created; indexed on request.
void fill(PDBInfo* p, int n, bool index = false) {
    std::vector<AtomSpec> specs(n);
    for (int i = 0; i < n; i++) specs[i] = {i / 2 + 1, "ALA", i % 2 ? "CA" : "N", "", "", ""};
    appendAtoms(p, specs.data(), n);
    for (int i = 0; i < n; i++) p->atomList[i].y = 2.0f * i;
    ASSERT_EQ(index ? indexPDB(p) : 0, 0);
}

TEST_F(Index, ListsGrowAndReleaseBalancesTheAccounts) {
    PDBInfo p;
    const long long before = fnd::memoryBytesUsed();
    fill(&p, 4097);
    // New slots carry the defaults.
    EXPECT_TRUE(p.atomList[p.maxAtomCount - 1].vdwfc == 1.0 && p.atomList[4096].atomID == 4097);
    ASSERT_EQ(indexPDB(&p), 0);
    // The van der Waals list follows the atoms.
    ASSERT_EQ(merAllocInfo(&p), 0);
    EXPECT_EQ(captureStderr([&] { updateVDWFromPDB(&p); }), "MERIDO updating VDW coords.\n");
    EXPECT_EQ(p.vdwList[2].y, 4.0f);
    pdbFree(&p);
    EXPECT_EQ(fnd::memoryBytesUsed(), before);
    // Freeing a freed structure is harmless and leaves it empty.
    pdbFree(&p);
    EXPECT_TRUE(p.atomTab == nullptr && fnd::memoryBytesUsed() == before);
}

TEST_F(Index, IndexedStructureRefusesToMoveItsAtoms) {
    PDBInfo p;
    fill(&p, 4096, true);  // exactly full
    ResInfo* first = p.atomList[0].resInfo;
    EXPECT_EQ(captureStderr([&] { EXPECT_EQ(getNextAtom(&p), nullptr); }),
              "PDB Error: atoms cannot be added to an indexed structure.\n");
    // The residue still points at live atoms.
    EXPECT_EQ(first->atomList[0], &p.atomList[0]);
    // indexPDB saved the coordinates; move the atoms and restore them, store new ones.
    for (int i = 0; i < 10; i++) p.atomList[i].x += 100.0f;
    restorePDBCoords(&p);
    EXPECT_EQ(p.atomList[7].x, 7.0f);
    p.atomList[3].y = 42.0f;
    storePDBCoords(&p);
    EXPECT_EQ(p.coordList[3].y, 42.0f);
    pdbFree(&p);
}

TEST(Names, CopiesAndFixes) {
    // Names keep 15 characters; the message shows what was cut off.
    const char* cases[][2] = {{"ABCDEFGHIJKLMNO", ""},
                              {"ABCDEFGHIJKLMNOP", "PDB Error: string item too long: \n"},
                              {"ABCDEFGHIJKLMNOPQRS", "PDB Error: string item too long: QRS\n"}};
    for (const auto& c : cases) {
        char field[16];
        char* end = nullptr;
        EXPECT_EQ(captureStderr([&] { end = pdbStrCpy(field, c[0]); }), c[1]);
        EXPECT_TRUE(std::string(field) == "ABCDEFGHIJKLMNO" && end == field + 15) << c[0];
    }
    char a[16] = "NONE", b[16] = "N", c[16] = "{}", d[16] = "(null)", f[16] = "{x}";
    EXPECT_EQ(fixResName(a) + fixResName(b) + fixAtomName(c) + fixChainName(d) + fixSegName(f), 3);
    EXPECT_EQ(std::string(a) + b + c + d + f, "N{x}");
}

TEST_F(Index, KeyTextsEqualTheirPrintfFormats) {
    char key[PDB_KEY_LEN], want[PDB_KEY_LEN];
    // Counted by hand: fixed-width fields, long names not cut.
    buildAtomText(7, "OXT12", "B", "AB", "SEGMENT", key);
    EXPECT_STREQ(key, "7 OXT12 BAB SEGMENT");
    buildResText(42, "A", "S1", key);
    EXPECT_STREQ(key, "42 A  S1  ");
    // Names of every length around the field widths, empty and long, with and without the chain
    // and segment ignored (an ignored name is one blank).
    const std::string longName(300, 'X');
    const char* names[] = {"", "A", "AB", "CA", "HD21", "LONGNAME", longName.c_str()};
    auto same = [&](const char* fmt, auto... args) {
        std::snprintf(want, sizeof want, fmt, args...);
        EXPECT_STREQ(key, want);
    };
    for (int mode : {0, 1, 2, 3}) {
        setPDBChainMode(mode & 1);
        setPDBSegMode(mode >> 1);
        for (const char* a : names)
            for (const char* b : names) {
                const char* ch = mode & 1 ? " " : b;
                const char* sg = mode >> 1 ? " " : a;
                buildChainText(b, a, key);
                same("%-2s %-4s", ch, sg);
                buildSegText(a, b, key);
                same("%-4s %-2s", sg, ch);
                for (int res : {0, 7, -12, INT_MAX, INT_MIN}) {
                    buildAtomText(res, a, b, b, a, key);
                    same("%d %-4s %s%s %-4s", res, a, b[0] ? b : " ", ch[0] ? ch : " ", sg);
                    buildAtomText(res, a, nullptr, b, a, key);
                    same("%d %-4s %2s %-4s", res, a, ch, sg);
                    buildResText(res, b, a, key);
                    same("%d %-2s %-4s", res, ch, sg);
                }
            }
    }
}

TEST_F(Index, IndexedAtomsAreFoundUnderTheirPrintfKeys) {
    // Names of every length to the longest a record keeps, empty and short insertion codes,
    // chains and segments, with and without the chain and segment ignored.
    const char* names[] = {"", "A", "CA", "HD21", "OXT12", "ABCDEFGHIJKLMNO"};
    const char* codes[] = {"", "B", "AB"};
    const char* chains[] = {"", "A", "AB"};
    const char* segs[] = {"", "S", "SEGMENT"};
    const int resIDs[] = {-12, -1, 0, 7, 9, 10, 99, 12345};
    std::vector<AtomSpec> specs;
    for (int res : resIDs)
        for (const char* name : names)
            for (const char* code : codes) {
                const size_t i = specs.size();
                specs.push_back({res, "ALA", name, chains[i % 3], segs[(i / 3) % 3], code});
            }
    for (int mode : {0, 1, 2, 3}) {
        setPDBChainMode(mode & 1);
        setPDBSegMode(mode >> 1);
        PDBInfo p;
        appendAtoms(&p, specs.data(), static_cast<int>(specs.size()));
        ASSERT_EQ(indexPDB(&p), 0);
        EXPECT_EQ(p.atomTab->symbolCount, p.atomCount);
        for (int i = 0; i < p.atomCount; i++) {
            const AtomSpec& a = specs[i];
            const char* ch = mode & 1 ? " " : a.chain;
            const char* sg = mode >> 1 ? " " : a.seg;
            char want[PDB_KEY_LEN];
            std::snprintf(want, sizeof want, "%d %-4s %s%s %-4s", a.resID, a.atomName,
                          a.icode[0] ? a.icode : " ", ch[0] ? ch : " ", sg);
            int found = -1;
            EXPECT_EQ(fnd::hGetSymInt(want, p.atomTab, &found), 1) << '[' << want << ']';
            EXPECT_EQ(found, i) << '[' << want << ']';
        }
        pdbFree(&p);
    }
}

// The registered surface assignment: counts its calls and marks every residue.
struct HookCall { int calls = 0, resCount = 0, xPROFlag = -1; } seen;
PhiPsiSurface marker;
int markAll(ResInfo* resList, int resCount, int xPROFlag) {
    seen = {seen.calls + 1, resCount, xPROFlag};
    for (int r = 0; r < resCount; r++) resList[r].phiPsiSurf = &marker;
    return 0;
}

TEST_F(Index, ResiduesChainsSegmentsNeighboursAndTheSurfaceHook) {
    PDBInfo p;
    fill(&p, 0, true);  // no atoms
    EXPECT_EQ(p.resCount, 0);
    pdbFree(&p);

    const AtomSpec specs[] = {
        {5, "Ala", "N", "A", "S1", ""}, {5, "Ala", "CA", "A", "S1", ""}, {6, "HOH", "O", "A", "S1", ""},
        {8, "GLY", "CA", "A", "S1", ""}, {9, "GLY", "CA", "A", "S1", ""}, {6, "SER", "CA", "A", "S2", ""},
        {7, "SER", "CA", "A", "S2", ""},
    };
    appendAtoms(&p, specs, 7);
    seen = HookCall{};
    setPhiPsiSurfHook(markAll);
    ASSERT_EQ(indexPDB(&p), 0);
    // Indexing calls the hook once over every residue.
    EXPECT_TRUE(seen.calls == 1 && seen.resCount == 6 && seen.xPROFlag == 1);
    EXPECT_EQ(p.resList[5].phiPsiSurf, &marker);
    // Chain A in segments S1 and S2: two chain and two segment records.
    EXPECT_EQ((std::vector<int>{p.minResID, p.maxResID, p.chainCount, p.segCount, p.resCount}),
              (std::vector<int>{5, 9, 2, 2, 6}));
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
    EXPECT_TRUE(std::string(p.resList[0].resType->resName) == "ALA" && p.resList[1].resType->resCode == 0);
    // Links from atoms to their records.
    AtomInfo* ca5 = findAtom(&p, 5, "CA", "A", "S1");
    ASSERT_NE(ca5, nullptr);
    EXPECT_TRUE(ca5->resInfo == &p.resList[0] && ca5->chainInfo == c1 && ca5->segInfo == findSeg(&p, "S1", "A") &&
                p.resList[0].atomList[1] == ca5);
    pdbFree(&p);
}

TEST_F(Index, IgnoredChainAndSegmentNamesAndNoSurfaceHook) {
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
    // Without a registered hook no residue has a surface.
    EXPECT_TRUE(p.resList[0].phiPsiSurf == nullptr && p.resList[1].phiPsiSurf == nullptr);
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
        // Names are case-sensitive; CA of 8 is keyed with its insertion code.
        {"exact", 5, "", "HA2", "A", "", 3}, {"exact", 5, "", "ha2", "A", "", 0}, {"exact", 5, "", "HA2", "B", "", 0},
        {"exact", 5, "", "HA2", "A", "X", 0}, {"exact", 8, "", "CA", "A", "", 0},
        {"alt", 9, "", "HN|H", "A", "", 13}, {"alt", 8, "", "HN|H", "A", "", 11},
        {"alt", 8, "", "X  Y |H", "A", "", 11}, {"alt", 8, "", " | ", "A", "", 0},
        // Gly 5 has HA1 and HA2; Gly 6 only HA.
        {"best", 5, "GLY", "HA3", "A", "", 2}, {"best", 6, "gly", "HA2", "A", "", 4},
        {"best", 6, "GLY", "ha3", "A", "", 4}, {"best", 5, "GLY", "HA", "A", "", 0},
        {"best", 6, "ALA", "HA2", "A", "", 0}, {"best", 6, "GLY", "HB2", "A", "", 0},
    };
    for (const auto& c : cases) {
        const std::string how = c.how;
        const AtomInfo* a = how == "exact" ? findAtom(&p, c.res, c.name, c.chain, c.seg)
                            : how == "alt" ? findAtomN(&p, c.res, c.name, c.chain, c.seg)
                                           : findBestAtom(&p, c.res, c.resName, c.name, c.chain, c.seg);
        EXPECT_EQ(id(a), c.want) << how << " " << c.res << " " << c.name;
    }
    // Residues outside the range (the index test reaches those inside).
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

TEST(LookupLimits, AtMostNineAtomsAndTheMeanDistance) {
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
    EXPECT_TRUE(findResTypeByName("dgua")->resClass == 3 && findResTypeByName("rURI")->resLetter == 'T');
    EXPECT_EQ(isAminoAcid("Trp") * 2 + isAminoAcid("ADE"), 2);
    // Nucleotides are not translated to one letter.
    const char* tr[][3] = {{"1", "gly", "G"}, {"1", "HOH", "?"}, {"1", "URI", "?"}, {"3", "w", "TRP"},
                           {"3", "Z", "None"}, {"3", "A", "ALA"}, {"3", "AL", "None"}};
    for (auto& t : tr) EXPECT_STREQ(t[0][0] == '1' ? getResName1(t[1]) : getResName3(t[1]), t[2]) << t[1];
    // Every amino acid translates to its letter and back.
    int amino = 0;
    for (const ResTypeInfo* r = CanonicalResList; r->resCode != 0; r++) {
        if (r->resClass != 1) continue;
        amino++;
        EXPECT_STREQ(getResName3(std::string(getResName1(r->resName)).c_str()), r->resName);
    }
    EXPECT_EQ(amino, 20);
}

}  // namespace
