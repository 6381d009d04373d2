// Structure indexing: key texts, residues, chains and segments built from the atoms, neighbours and failures.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "foundation/memory.h"
#include "restraints/surf_services.h"
#include "structure/pdb.h"
#include "tests/structure/support.h"

using namespace korim::structure;
using namespace korim::structure::testing_support;
namespace fnd = korim::foundation;

namespace {

struct Index : ::testing::Test {
    void SetUp() override {
        pdbModuleReset();
        fnd::memoryReset();
    }
};

TEST_F(Index, KeyTexts) {
    char key[PDB_KEY_LEN];
    buildAtomText(12, "CA", nullptr, "A", "PROT", key);
    EXPECT_STREQ(key, "12 CA    A PROT");
    buildAtomText(-3, "HD21", nullptr, "", "", key);
    EXPECT_STREQ(key, "-3 HD21        ");
    buildAtomText(7, "OXT12", nullptr, "AB", "SEGMENT", key);
    EXPECT_STREQ(key, "7 OXT12 AB SEGMENT");
    buildAtomText(7, "N", "", "", "S", key);
    EXPECT_STREQ(key, "7 N       S   ");
    buildAtomText(7, "N", "B", "A", "", key);
    EXPECT_STREQ(key, "7 N    BA     ");
    buildResText(42, "A", "S1", key);
    EXPECT_STREQ(key, "42 A  S1  ");
    buildChainText("A", "", key);
    EXPECT_STREQ(key, "A      ");
    buildSegText("S1", "A", key);
    EXPECT_STREQ(key, "S1   A ");
    // Ignored names become one blank.
    setPDBChainMode(1);
    buildAtomText(12, "CA", nullptr, "A", "PROT", key);
    EXPECT_STREQ(key, "12 CA      PROT");
    buildResText(42, "A", "S1", key);
    EXPECT_STREQ(key, "42    S1  ");
    setPDBSegMode(1);
    buildSegText("S1", "A", key);
    EXPECT_STREQ(key, "       ");
    buildResText(42, "A", "S1", key);
    EXPECT_STREQ(key, "42        ");
}

TEST_F(Index, EmptyStructure) {
    PDBInfo p;
    pdbNull(&p);
    pdbInit(&p);
    EXPECT_EQ(indexPDB(&p), 0);
    EXPECT_EQ(p.resCount, 0);
    pdbFree(&p);
}

TEST_F(Index, ResiduesChainsSegmentsAndNeighbours) {
    const AtomSpec specs[] = {
        {5, "Ala", "N", "A", "S1", ""}, {5, "Ala", "CA", "A", "S1", ""}, {6, "HOH", "O", "A", "S1", ""},
        {8, "GLY", "CA", "A", "S1", ""}, {9, "GLY", "CA", "A", "S1", ""}, {6, "SER", "CA", "A", "S2", ""},
        {7, "SER", "CA", "A", "S2", ""},
    };
    PDBInfo p;
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
    SegInfo* s2 = findSeg(&p, "S2", "A");
    ASSERT_NE(s2, nullptr);
    EXPECT_EQ(s2->resCount, 2);

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

TEST_F(Index, DuplicateAtomsWarnOnceAndKeepBoth) {
    const AtomSpec specs[] = {{1, "ALA", "CA", "A", "", ""}, {1, "ALA", "CA", "A", "", ""}, {1, "ALA", "CB", "A", "", ""}};
    PDBInfo p;
    appendAtoms(&p, specs, 3);
    testing::internal::CaptureStderr();
    ASSERT_EQ(indexPDB(&p), 0);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "PDB Warning: Redundant Atom Specification.\n"
              " ResID: 1 AtomName: CA Chain: A Segment: \n");
    EXPECT_EQ(p.atomCount, 3);
    EXPECT_EQ(p.resList[0].atomCount, 3);
    EXPECT_EQ(findAtom(&p, 1, "CA", "A", ""), &p.atomList[0]);
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

TEST_F(Index, DebugAndVerboseLines) {
    const AtomSpec specs[] = {{3, "ALA", "N", "A", "", ""}};
    PDBInfo p;
    appendAtoms(&p, specs, 1);
    setPDBVerbose(1, 1);
    testing::internal::CaptureStderr();
    ASSERT_EQ(indexPDB(&p), 0);
    findAtom(&p, 3, "N", "A", "");
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "PDB inserting atom |3 N     A     |\n"
              "PDB inserting residiue |3 A      |\n"
              "REMARK Expanding Res List: 512 residues max.\n"
              "REMARK Expanding Atom Index List: 32 atoms max.\n"
              "PDB inserting chain |A      |\n"
              "REMARK Expanding Chain List: 8 chains max.\n"
              "REMARK Expanding Atom Index List: 4096 atoms max.\n"
              "PDB inserting segment |     A |\n"
              "REMARK Expanding Seg List: 8 segs max.\n"
              "REMARK Expanding Atom Index List: 4096 atoms max.\n"
              "REMARK Expanding Res Index List: 512 residues max.\n"
              "REMARK Expanding Res Index List: 512 residues max.\n"
              "PDB finding   |3 N     A     |\n");
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
    testing::internal::CaptureStderr();
    AtomInfo** none = nullptr;
    int n = 0, m = 0;
    EXPECT_EQ(getNextAtomPtr(&none, &n, &m, 4, 4), nullptr);
    EXPECT_NE(testing::internal::GetCapturedStderr().find("PDB Error Allocating Atom Index memory.\n"),
              std::string::npos);
    EXPECT_EQ(n, 0);
}

TEST_F(Index, SurfacesAreNullWithoutLoadedSurfaces) {
    ResInfo res[3];
    for (auto& r : res) {
        resNull(&r);
        r.atomCount = 1;
        r.phiPsiSurf = reinterpret_cast<PhiPsiSurface*>(&r);  // stale
    }
    std::strcpy(res[0].resName, "ALA");
    std::strcpy(res[1].resName, "PRO");
    std::strcpy(res[2].resName, "GLY");
    EXPECT_EQ(korim::restraints::setPhiPsiSurf(res, 3, 1), 0);
    for (auto& r : res) EXPECT_EQ(r.phiPsiSurf, nullptr);
}

}  // namespace
