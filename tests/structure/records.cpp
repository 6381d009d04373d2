// Structure records: defaults, list growth, name copies, saved coordinates, copies and release.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "foundation/memory.h"
#include "structure/pdb.h"
#include "tests/support/capture.h"

using namespace korim::structure;
using korim_test::captureStderr;
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

TEST_F(Records, ListsGrowAndReleaseBalancesTheAccounts) {
    PDBInfo p;
    const long long before = fnd::memoryBytesUsed();
    setPDBVerbose(1, 0);
    EXPECT_EQ(captureStderr([&] { fill(&p, 4097); }),
              "REMARK Expanding Atom List: 4096 atoms max.\n"
              "REMARK Expanding Atom List: 5120 atoms max.\n");
    setPDBVerbose(0, 0);
    // New slots carry the defaults.
    EXPECT_TRUE(p.maxAtomCount == 5120 && p.atomList[5000].vdwfc == 1.0 && p.atomList[4096].atomID == 4097);
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

TEST_F(Records, NameCopiesAndFixes) {
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
    char wide[32];
    EXPECT_EQ(captureStderr([&] { pdbNameCpy(wide, "0123456789012345678901234567890123"); }),
              "PDB Error: name item too long: 23\n");
    EXPECT_STREQ(wide, "0123456789012345678901234567890");

    char a[16] = "NONE", b[16] = "N", c[16] = "{}", d[16] = "(null)", f[16] = "{x}";
    EXPECT_EQ(fixResName(a) + fixResName(b) + fixAtomName(c) + fixChainName(d) + fixSegName(f), 3);
    EXPECT_EQ(std::string(a) + b + c + d + f, "N{x}");
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
    EXPECT_TRUE(q.atomList[3].y == 42.0f && q.atomList[3].selected == 5 && q.coordList[3].y == 42.0f);

    EXPECT_EQ(captureStderr([&] { EXPECT_EQ(pdbCopy(nullptr, &p), 1); }), "Error (PDBCopy): Null PDB Data.\n");
    fill(&r, 10);  // same atoms, not indexed: no residues
    EXPECT_EQ(captureStderr([&] { EXPECT_EQ(pdbCopy(&r, &p), 1); }), "Error (PDBCopy): Residue Count Mismatch.\n");
    getNextAtom(&r);
    EXPECT_EQ(captureStderr([&] { EXPECT_EQ(pdbCopy(&r, &p), 1); }), "Error (PDBCopy): Atom Count Mismatch.\n");
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

    // Centre of atoms 3 and 4 (x 2 and 3, y 4 and 6, z -2 and -3); of atoms 1, 2 and 6.
    float x, y, z;
    getPDBCenter(&p, &x, &y, &z, 2);
    EXPECT_TRUE(x == 2.5f && y == 5.0f && z == -2.5f) << x << " " << y << " " << z;
    AtomInfo* list[3] = {&p.atomList[0], &p.atomList[1], &p.atomList[5]};
    findAtomListPos(list, 3, &x, &y, &z);
    EXPECT_TRUE(std::fabs(x - 2.0f) < 1e-6f && std::fabs(y - 4.0f) < 1e-6f) << x << " " << y;

    // Only the atoms marked 2 are renamed, names cut to 15 characters.
    captureStderr([&] { pdbSetChain(&p, "LONGCHAINNAME1234", 2); });
    EXPECT_EQ(std::string(p.atomList[2].chainID) + "|" + p.atomList[4].chainID, "LONGCHAINNAME12|");
    pdbFree(&p);
}

TEST_F(Records, IndexedStructureRefusesToMoveItsAtoms) {
    PDBInfo p;
    fill(&p, 4096);  // exactly full
    ASSERT_EQ(indexPDB(&p), 0);
    ResInfo* first = p.atomList[0].resInfo;
    EXPECT_EQ(captureStderr([&] { EXPECT_EQ(getNextAtom(&p), nullptr); }),
              "PDB Error: atoms cannot be added to an indexed structure.\n");
    // The residue still points at live atoms.
    EXPECT_EQ(first->atomList[0], &p.atomList[0]);
    pdbFree(&p);
}

}  // namespace
