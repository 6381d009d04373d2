// Structure records: defaults, list growth, name copies, saved coordinates, copies and release.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <utility>

#include "foundation/memory.h"
#include "structure/pdb.h"
#include "tests/structure/support.h"

using namespace korim::structure;
using namespace korim::structure::testing_support;
namespace fnd = korim::foundation;

namespace {

// A fresh structure of n atoms in residues of two atoms each, key tables
// created; indexed on request.
void fill(PDBInfo* p, int n, bool index = false) {
    pdbNull(p);
    pdbInit(p);
    for (int i = 0; i < n; i++) {
        AtomInfo* a = getNextAtom(p);
        ASSERT_NE(a, nullptr);
        a->atomID = i + 1;
        a->resID = i / 2 + 1;
        pdbStrCpy(a->atomName, i % 2 ? "CA" : "N");
        pdbStrCpy(a->resName, "ALA");
        a->x = static_cast<float>(i);
        a->y = static_cast<float>(2 * i);
        a->z = static_cast<float>(-i);
    }
    if (index) {
        ASSERT_EQ(indexPDB(p), 0);
    }
}

struct Records : ::testing::Test {
    void SetUp() override {
        pdbModuleReset();
        fnd::memoryReset();
    }
};

TEST_F(Records, DefaultsOverwriteEveryField) {
    // Records filled with garbage get the defaults, the non-zero ones included.
    AtomInfo a;
    std::memset(&a, 0x5a, sizeof(a));
    atomNull(&a);
    EXPECT_EQ(a.resInfo, nullptr);
    EXPECT_STREQ(a.chargeStr, "");
    EXPECT_EQ(a.vdwfc, 1.0);
    ResInfo r;
    std::memset(&r, 0x5a, sizeof(r));
    resNull(&r);
    EXPECT_EQ(r.phi, 9999.0f);
    EXPECT_EQ(r.psi, 9999.0f);
    EXPECT_EQ(r.val, 777777.0f);
    EXPECT_EQ(r.phiPsiSurf, nullptr);
}

TEST_F(Records, AtomListGrowsByFixedSteps) {
    PDBInfo p;
    setPDBVerbose(1, 0);
    std::string err = stderrOf([&] { fill(&p, 4097); });
    EXPECT_EQ(err,
              "REMARK Expanding Atom List: 4096 atoms max.\n"
              "REMARK Expanding Atom List: 5120 atoms max.\n");
    EXPECT_EQ(p.maxAtomCount, 5120);
    EXPECT_EQ(p.atomCount, 4097);
    // New slots carry the defaults.
    EXPECT_EQ(p.atomList[5000].vdwfc, 1.0);
    EXPECT_EQ(p.atomList[4096].atomID, 4097);
    pdbFree(&p);
}

TEST_F(Records, ReleaseBalancesTheAccounts) {
    PDBInfo p;
    pdbNull(&p);
    long long before = fnd::memoryBytesUsed();
    fill(&p, 10);
    ASSERT_EQ(indexPDB(&p), 0);
    ASSERT_EQ(merAllocInfo(&p), 0);
    EXPECT_GT(fnd::memoryBytesUsed(), before);
    pdbFree(&p);
    EXPECT_EQ(fnd::memoryBytesUsed(), before);
    // Freeing a freshly nulled structure is harmless and leaves it empty.
    pdbFree(&p);
    EXPECT_EQ(p.atomTab, nullptr);
    EXPECT_EQ(fnd::memoryBytesUsed(), before);
}

TEST_F(Records, AllocationFailuresAreReported) {
    PDBInfo p;
    pdbNull(&p);
    const std::pair<std::function<void*()>, const char*> lists[] = {
        {[&] { return static_cast<void*>(getNextAtom(&p)); }, "PDB Error Allocating Atom memory.\n"},
        {[&] { return static_cast<void*>(getNextRes(&p)); }, "PDB Error Allocating Residue memory.\n"},
        {[&] { return static_cast<void*>(getNextChain(&p)); }, "PDB Error Allocating Chain memory.\n"},
        {[&] { return static_cast<void*>(getNextSeg(&p)); }, "PDB Error Allocating Seg memory.\n"}};
    for (const auto& l : lists) {
        fnd::memoryFailAt(1);
        std::string err = stderrOf([&] { EXPECT_EQ(l.first(), nullptr); });
        EXPECT_NE(err.find(l.second), std::string::npos);
    }
    EXPECT_EQ(p.atomCount, 0);

    fill(&p, 3);
    for (int n = 1; n <= 6; n++) {
        fnd::memoryFailAt(n);
        int status = -1;
        stderrOf([&] { status = merAllocInfo(&p); });
        EXPECT_EQ(status, 1) << "failing allocation " << n;
        fnd::memoryFailAt(0);
    }
    fnd::memoryFailAt(0);
    EXPECT_EQ(merAllocInfo(&p), 0);
    EXPECT_EQ(p.neighborList[1][2], 0);
    p.bondMatrix[1][2] = 1;
    EXPECT_EQ(p.bondMatrix[0][1 * 3 + 2], 1);  // rows of one block
    std::string err = stderrOf([&] { updateVDWFromPDB(&p); });
    EXPECT_EQ(err, "MERIDO updating VDW coords.\n");
    EXPECT_EQ(p.vdwList[2].y, 4.0f);
    pdbFree(&p);
}

TEST_F(Records, NameCopiesKeepFifteenCharacters) {
    char field[16];
    std::string err = stderrOf([&] { pdbStrCpy(field, "ABCDEFGHIJKLMNO"); });
    EXPECT_EQ(err, "");
    EXPECT_STREQ(field, "ABCDEFGHIJKLMNO");
    char* end = nullptr;
    err = stderrOf([&] { end = pdbStrCpy(field, "ABCDEFGHIJKLMNOP"); });
    EXPECT_STREQ(field, "ABCDEFGHIJKLMNO");
    EXPECT_EQ(end, field + 15);
    EXPECT_EQ(err, "PDB Error: string item too long: \n");
    err = stderrOf([&] { pdbStrCpy(field, "ABCDEFGHIJKLMNOPQRS"); });
    EXPECT_EQ(err, "PDB Error: string item too long: QRS\n");
    char wide[32];
    err = stderrOf([&] { pdbNameCpy(wide, "0123456789012345678901234567890123"); });
    EXPECT_STREQ(wide, "0123456789012345678901234567890");
    EXPECT_EQ(err, "PDB Error: name item too long: 23\n");
}

TEST_F(Records, FixNames) {
    char a[16] = "NONE", b[16] = "N", c[16] = "{}", d[16] = "(null)", f[16] = "{x}";
    EXPECT_EQ(fixResName(a), 1);
    EXPECT_STREQ(a, "");
    EXPECT_EQ(fixResName(b), 0);
    EXPECT_STREQ(b, "N");
    EXPECT_EQ(fixAtomName(c) + fixChainName(d) + fixSegName(f), 2);
    EXPECT_STREQ(f, "{x}");
}

TEST_F(Records, SavedCoordinatesAndCopies) {
    PDBInfo p, q, r;
    fill(&p, 10, true);
    fill(&q, 10, true);
    // indexPDB saved the coordinates; move the atoms and restore them.
    for (int i = 0; i < 10; i++) p.atomList[i].x += 100.0f;
    restorePDBCoords(&p);
    EXPECT_EQ(p.atomList[7].x, 7.0f);
    p.atomList[3].y = 42.0f;
    storePDBCoords(&p);
    p.atomList[3].selected = 5;
    ASSERT_EQ(pdbCopy(&q, &p), 0);
    EXPECT_EQ(q.atomList[3].y, 42.0f);
    EXPECT_EQ(q.atomList[3].selected, 5);
    EXPECT_EQ(q.coordList[3].y, 42.0f);

    EXPECT_EQ(stderrOf([&] { EXPECT_EQ(pdbCopy(nullptr, &p), 1); }), "Error (PDBCopy): Null PDB Data.\n");
    fill(&r, 10);  // same atoms, not indexed: no residues
    EXPECT_EQ(stderrOf([&] { EXPECT_EQ(pdbCopy(&r, &p), 1); }), "Error (PDBCopy): Residue Count Mismatch.\n");
    getNextAtom(&r);
    EXPECT_EQ(stderrOf([&] { EXPECT_EQ(pdbCopy(&r, &p), 1); }), "Error (PDBCopy): Atom Count Mismatch.\n");
    pdbFree(&p);
    pdbFree(&q);
    pdbFree(&r);
}

TEST_F(Records, MarksRenamingAndCentres) {
    PDBInfo p;
    fill(&p, 6, true);
    EXPECT_EQ(pdbSetSelection(&p, 3), 6);
    EXPECT_EQ(pdbClearSelection(&p), 6);
    EXPECT_EQ(pdbSetResSelection(&p.resList[1], 2), 2);
    EXPECT_EQ(p.atomList[2].selected + p.atomList[3].selected + p.atomList[4].selected, 4);

    // Centre of atoms 3 and 4 (x 2 and 3, y 4 and 6, z -2 and -3).
    float x, y, z;
    getPDBCenter(&p, &x, &y, &z, 2);
    EXPECT_FLOAT_EQ(x, 2.5f);
    EXPECT_FLOAT_EQ(y, 5.0f);
    EXPECT_FLOAT_EQ(z, -2.5f);
    AtomInfo* list[3] = {&p.atomList[0], &p.atomList[1], &p.atomList[5]};
    findAtomListPos(list, 3, &x, &y, &z);
    EXPECT_FLOAT_EQ(x, 2.0f);
    EXPECT_FLOAT_EQ(y, 4.0f);

    std::string err = stderrOf([&] { pdbSetChain(&p, "LONGCHAINNAME1234", 2); });
    // One message per renamed atom (residue 2 has two).
    EXPECT_EQ(err, "PDB Error: string item too long: 4\nPDB Error: string item too long: 4\n");
    EXPECT_STREQ(p.atomList[2].chainID, "LONGCHAINNAME12");
    EXPECT_STREQ(p.atomList[4].chainID, "");
    pdbSetSeg(&p, "S9", 2);
    EXPECT_STREQ(p.atomList[3].segID, "S9");

    AtomInfo dst;
    atomNull(&dst);
    setAtomInfo(&p, &dst, &p.atomList[5], 0);
    EXPECT_STREQ(dst.atomName, "CA");
    EXPECT_EQ(p.minResID, 3);
    EXPECT_EQ(p.maxResID, 3);
    setAtomInfo(&p, &dst, &p.atomList[0], 1);
    EXPECT_EQ(p.minResID, 1);
    EXPECT_EQ(p.maxResID, 3);
    pdbFree(&p);
}

TEST_F(Records, IndexedStructureRefusesToMoveItsAtoms) {
    PDBInfo p;
    fill(&p, 4096);  // exactly full
    ASSERT_EQ(indexPDB(&p), 0);
    ResInfo* first = p.atomList[0].resInfo;
    std::string err = stderrOf([&] { EXPECT_EQ(getNextAtom(&p), nullptr); });
    EXPECT_EQ(err, "PDB Error: atoms cannot be added to an indexed structure.\n");
    // The residue still points at live atoms.
    EXPECT_EQ(first->atomList[0], &p.atomList[0]);
    pdbFree(&p);
}

}  // namespace
