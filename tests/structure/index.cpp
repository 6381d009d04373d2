// Structure indexing: key texts, residues, chains and segments built from the atoms, neighbours and failures.
#include <gtest/gtest.h>

#include <string>

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
    void TearDown() override { fnd::memoryFailAt(0); }
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
    EXPECT_EQ(indexPDB(&p), 0);  // no atoms
    EXPECT_EQ(p.resCount, 0);
    pdbFree(&p);

    const AtomSpec specs[] = {
        {5, "Ala", "N", "A", "S1", ""}, {5, "Ala", "CA", "A", "S1", ""}, {6, "HOH", "O", "A", "S1", ""},
        {8, "GLY", "CA", "A", "S1", ""}, {9, "GLY", "CA", "A", "S1", ""}, {6, "SER", "CA", "A", "S2", ""},
        {7, "SER", "CA", "A", "S2", ""},
    };
    appendAtoms(&p, specs, 7);
    ASSERT_EQ(indexPDB(&p), 0);
    EXPECT_EQ(p.minResID, 5);
    EXPECT_EQ(p.maxResID, 9);
    EXPECT_STREQ(p.defSegName, "S1");
    // Chain A in segments S1 and S2: two chain and two segment records.
    EXPECT_EQ(p.chainCount, 2);
    EXPECT_EQ(p.segCount, 2);
    EXPECT_EQ(p.resCount, 6);
    ChainInfo* c1 = findChain(&p, "A", "S1");
    ChainInfo* c2 = findChain(&p, "A", "S2");
    ASSERT_TRUE(c1 && c2);
    EXPECT_EQ(c1->atomCount, 5);
    EXPECT_EQ(c1->resCount, 4);
    // Residues 5, 6, 8, 9: an array of five with a hole at 7.
    ASSERT_EQ(c1->maxResID - c1->minResID, 4);
    EXPECT_EQ(c1->resArray[1]->resID, 6);
    EXPECT_EQ(c1->resArray[2], nullptr);
    EXPECT_EQ(c1->resArray[4]->resID, 9);
    EXPECT_EQ(c2->minResID, 6);
    EXPECT_EQ(findSeg(&p, "S2", "A")->resCount, 2);

    ResInfo* r5 = findRes(&p, 5, "A", "S1");
    ResInfo* r6 = findRes(&p, 6, "A", "S1");
    ResInfo* r8 = findRes(&p, 8, "A", "S1");
    ResInfo* r9 = findRes(&p, 9, "A", "S1");
    ResInfo* s6 = findRes(&p, 6, "A", "S2");
    ResInfo* s7 = findRes(&p, 7, "A", "S2");
    ASSERT_TRUE(r5 && r6 && r8 && r9 && s6 && s7);
    EXPECT_EQ(r5->prev, nullptr);
    EXPECT_EQ(r5->next, r6);
    EXPECT_EQ(r6->next, nullptr);  // 7 is missing in S1 ...
    EXPECT_EQ(r8->prev, nullptr);
    EXPECT_EQ(r9->prev, r8);
    EXPECT_EQ(s6->next, s7);  // ... and present in S2
    EXPECT_EQ(s7->prev, s6);
    // Residue types ignore case; HOH has the sentinel row.
    EXPECT_STREQ(r5->resType->resName, "ALA");
    EXPECT_EQ(r6->resType->resCode, 0);
    // Links from atoms to their records.
    AtomInfo* ca5 = findAtom(&p, 5, "CA", "A", "S1");
    ASSERT_NE(ca5, nullptr);
    EXPECT_EQ(ca5->resInfo, r5);
    EXPECT_EQ(ca5->chainInfo, c1);
    EXPECT_EQ(ca5->segInfo, findSeg(&p, "S1", "A"));
    EXPECT_EQ(r5->chainInfo, c1);
    EXPECT_EQ(r5->atomList[1], ca5);
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
    EXPECT_EQ(p.chainCount, 1);
    EXPECT_EQ(p.resCount, 2);
    EXPECT_EQ(findAtom(&p, 2, "CA", "Q", "Z")->atomID, 2);
    EXPECT_EQ(findRes(&p, 1, nullptr, nullptr), &p.resList[0]);
    EXPECT_EQ(p.resList[0].next, &p.resList[1]);
    pdbFree(&p);
}

TEST_F(Index, PointerListsGrowByTheirSteps) {
    AtomInfo a[40];
    ResInfo r;
    resNull(&r);
    for (int i = 0; i < 40; i++) {
        atomNull(&a[i]);
        ASSERT_EQ(setResInfo(&r, &a[i]), 0);
    }
    EXPECT_EQ(r.maxAtomCount, 40);  // 32, then 40
    EXPECT_EQ(r.atomList[39], &a[39]);
    int count = 0, max = 0;
    ResInfo** list = nullptr;
    for (int i = 0; i < 3; i++) ASSERT_NE(getNextResPtr(&list, &count, &max, 2, 5), nullptr);
    EXPECT_EQ(max, 7);
    EXPECT_EQ(list[2], nullptr);  // new entries are null
    fnd::memoryFailAt(1);
    AtomInfo** none = nullptr;
    int n = 0, m = 0;
    AtomInfo** got = none;
    EXPECT_NE(captureStderr([&] { got = getNextAtomPtr(&none, &n, &m, 4, 4); })
                  .find("PDB Error Allocating Atom Index memory.\n"),
              std::string::npos);
    EXPECT_EQ(got, nullptr);
    EXPECT_EQ(n, 0);
}

}  // namespace
