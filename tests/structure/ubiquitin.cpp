// The real NMR structure of ubiquitin (model 1 with hydrogens): counts, sequence, look-ups and a write/read round trip.
#include <gtest/gtest.h>

#include <string>

#include "structure/pdb.h"
#include "tests/support/capture.h"
#include "tests/support/files.h"

using namespace korim::structure;
using namespace korim_test;

namespace {

// Human ubiquitin, 76 residues.
const char* const kSequence =
    "MQIFVKTLTGKTITLEVEPSDTIENVKAKIQDKEGIPPDQQRLIFAGKQLEDGRTLSDYNIQKESTLHLVLRLRGG";

struct Ubq : ::testing::Test {
    PDBInfo pdb;
    void SetUp() override {
        pdbModuleReset();
        pdbNull(&pdb);
        int status = 0;
        std::string err = captureStderr([&] { status = readPDB(kUbiquitinPdb.c_str(), &pdb, nullptr, nullptr); });
        ASSERT_EQ(status, 0);
        // The real file has no duplicate atoms: reading it is silent.
        EXPECT_EQ(err, "");
    }
    void TearDown() override { pdbFree(&pdb); }
};

TEST_F(Ubq, CountsAndRange) {
    // 1231 ATOM records (grep -c '^ATOM'), one chain, residues 1..76.
    EXPECT_EQ(pdb.atomCount, 1231);
    EXPECT_EQ(pdb.resCount, 76);
    EXPECT_EQ(pdb.chainCount, 1);
    EXPECT_EQ(pdb.segCount, 1);
    EXPECT_EQ(pdb.minResID, 1);
    EXPECT_EQ(pdb.maxResID, 76);
    EXPECT_STREQ(pdb.defChainName, "A");
    EXPECT_STREQ(pdb.defSegName, "");
}

TEST_F(Ubq, SequenceFromResidueTypes) {
    std::string seq;
    for (int r = 1; r <= 76; r++) seq += getResName1(findResName(&pdb, r, "A", ""));
    EXPECT_EQ(seq, kSequence);
    ChainInfo* chain = findChain(&pdb, "A", "");
    ASSERT_NE(chain, nullptr);
    EXPECT_EQ(chain->atomCount, 1231);
    for (int r = 1; r <= 76; r++) {
        ResInfo* res = chain->resArray[r - chain->minResID];
        ASSERT_NE(res, nullptr);
        EXPECT_EQ(res->resID, r);
        EXPECT_EQ(res->resType->resLetter, kSequence[r - 1]);
        EXPECT_EQ(res->prev, r > 1 ? chain->resArray[r - 2] : nullptr);
        EXPECT_EQ(res->next, r < 76 ? chain->resArray[r] : nullptr);
        EXPECT_EQ(res->phiPsiSurf, nullptr);
    }
}

TEST_F(Ubq, AtomLookUpMatchesFileLines) {
    // Lines of the file: ATOM 303 CA PRO A 19 58.089 -84.957 8.021 1.00 7.07
    AtomInfo* ca = findAtom(&pdb, 19, "CA", "A", "");
    ASSERT_NE(ca, nullptr);
    EXPECT_EQ(ca->atomID, 303);
    EXPECT_FLOAT_EQ(ca->x, 58.089f);
    EXPECT_FLOAT_EQ(ca->y, -84.957f);
    EXPECT_FLOAT_EQ(ca->z, 8.021f);
    EXPECT_FLOAT_EQ(ca->tempFactor, 7.07f);
    EXPECT_STREQ(ca->resInfo->resName, "PRO");
    // The amide proton is called H here: HN|H falls back to it.
    AtomInfo* h = findAtomN(&pdb, 10, "HN|H", "A", "");
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(h->atomID, 165);
}

TEST_F(Ubq, WriteReadRoundTripKeepsEveryField) {
    TempDir dir;
    const std::string name = dir / "round_trip.pdb";
    const char* path = name.c_str();
    ASSERT_EQ(writePDB(path, &pdb, nullptr, "round trip"), 0);
    PDBInfo back;
    pdbNull(&back);
    ASSERT_EQ(readPDB(path, &back, nullptr, nullptr), 0);
    ASSERT_EQ(back.atomCount, pdb.atomCount);
    EXPECT_EQ(back.resCount, pdb.resCount);
    auto names = [](const AtomInfo& a) {
        return std::to_string(a.atomID) + "|" + a.atomName + "|" + a.locID + "|" + a.resName + "|" + a.chainID + "|" +
               std::to_string(a.resID) + "|" + a.icode + "|" + a.segID + "|" + a.element + "|" + a.chargeStr;
    };
    for (int i = 0; i < pdb.atomCount; i++) {
        const AtomInfo& a = pdb.atomList[i];
        const AtomInfo& b = back.atomList[i];
        EXPECT_EQ(names(a), names(b)) << i;
        // Coordinates are printed with three decimals, the factors with two.
        EXPECT_NEAR(a.x, b.x, 5e-4);
        EXPECT_NEAR(a.y, b.y, 5e-4);
        EXPECT_NEAR(a.z, b.z, 5e-4);
        EXPECT_NEAR(a.occupancy + a.tempFactor, b.occupancy + b.tempFactor, 1e-2);
    }
    pdbFree(&back);
    // The ATOM lines of the source file are reproduced byte for byte: the
    // source was written with the same column layout.
    std::string want = "REMARK round trip\n\n";
    std::string src = readFile(kUbiquitinPdb);
    for (size_t pos = 0; pos < src.size();) {
        size_t nl = src.find('\n', pos);
        size_t end = nl == std::string::npos ? src.size() : nl + 1;
        if (src.compare(pos, 4, "ATOM") == 0) want += src.substr(pos, end - pos);
        pos = end;
    }
    EXPECT_EQ(readFile(path), want + "END\n");
}

}  // namespace
