// The real NMR structure of ubiquitin (model 1 with hydrogens): counts, sequence, look-ups and a byte-exact rewrite.
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
    const int got[6] = {pdb.atomCount, pdb.resCount, pdb.chainCount, pdb.segCount, pdb.minResID, pdb.maxResID};
    const int want[6] = {1231, 76, 1, 1, 1, 76};
    for (int k = 0; k < 6; k++) EXPECT_EQ(got[k], want[k]) << k;
    EXPECT_EQ(std::string(pdb.defChainName) + "|" + pdb.defSegName, "A|");
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
    }
}

TEST_F(Ubq, AtomLookUpMatchesFileLines) {
    // Lines of the file: ATOM 303 CA PRO A 19 58.089 -84.957 8.021 1.00 7.07
    AtomInfo* ca = findAtom(&pdb, 19, "CA", "A", "");
    ASSERT_NE(ca, nullptr);
    EXPECT_EQ(ca->atomID, 303);
    const float got[4] = {ca->x, ca->y, ca->z, ca->tempFactor}, want[4] = {58.089f, -84.957f, 8.021f, 7.07f};
    for (int k = 0; k < 4; k++) EXPECT_FLOAT_EQ(got[k], want[k]) << k;
    EXPECT_STREQ(ca->resInfo->resName, "PRO");
    // The amide proton is called H here: HN|H falls back to it.
    AtomInfo* h = findAtomN(&pdb, 10, "HN|H", "A", "");
    EXPECT_EQ(h != nullptr ? h->atomID : 0, 165);
}

TEST_F(Ubq, WriteReadRoundTripKeepsEveryField) {
    TempDir dir;
    const std::string name = dir / "round_trip.pdb";
    const char* path = name.c_str();
    ASSERT_EQ(writePDB(path, &pdb, nullptr, "round trip"), 0);
    // The ATOM lines of the source file are reproduced byte for byte (the source has the same
    // column layout), so reading the file back gives every field of every atom again.
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
