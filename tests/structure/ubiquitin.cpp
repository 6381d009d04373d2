// The real NMR structure of ubiquitin (model 1 with hydrogens): counts, sequence, a look-up and a byte-exact rewrite.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "structure/pdb.h"
#include "tests/support/capture.h"
#include "tests/support/files.h"

using namespace korim::structure;
using namespace korim_test;

namespace {

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

TEST_F(Ubq, CountsSequenceAndALookUp) {
    // 1231 ATOM records (grep -c '^ATOM'), one chain, residues 1..76.
    const int got[6] = {pdb.atomCount, pdb.resCount, pdb.chainCount, pdb.segCount, pdb.minResID, pdb.maxResID};
    const int want[6] = {1231, 76, 1, 1, 1, 76};
    for (int k = 0; k < 6; k++) EXPECT_EQ(got[k], want[k]) << k;
    EXPECT_EQ(std::string(pdb.defChainName) + "|" + pdb.defSegName, "A|");
    // Human ubiquitin, by residue names and by the residue array's types.
    const std::string sequence = "MQIFVKTLTGKTITLEVEPSDTIENVKAKIQDKEGIPPDQQRLIFAGKQLEDGRTLSDYNIQKESTLHLVLRLRGG";
    ChainInfo* chain = findChain(&pdb, "A", "");
    ASSERT_TRUE(chain != nullptr && chain->minResID == 1 && chain->maxResID == 76);
    std::string byName, byType;
    for (int r = 1; r <= 76; r++) {
        byName += getResName1(findResName(&pdb, r, "A", ""));
        byType += chain->resArray[r - 1]->resID == r ? chain->resArray[r - 1]->resType->resLetter : '!';
    }
    EXPECT_EQ(byName, sequence);
    EXPECT_EQ(byType, sequence);
    // The file's line: ATOM 303 CA PRO A 19 58.089 -84.957 8.021 1.00 7.07
    AtomInfo* ca = findAtom(&pdb, 19, "CA", "A", "");
    ASSERT_NE(ca, nullptr);
    const float fields[5] = {static_cast<float>(ca->atomID), ca->x, ca->y, ca->z, ca->tempFactor};
    const float file[5] = {303, 58.089f, -84.957f, 8.021f, 7.07f};
    for (int k = 0; k < 5; k++) EXPECT_FLOAT_EQ(fields[k], file[k]) << k;
    EXPECT_STREQ(ca->resInfo->resName, "PRO");
}

TEST_F(Ubq, WriteReadRoundTripKeepsEveryField) {
    TempDir dir;
    const std::string path = dir / "round_trip.pdb";
    ASSERT_EQ(writePDB(path.c_str(), &pdb, nullptr, "round trip"), 0);
    // The ATOM lines of the source file are reproduced byte for byte (the source has the same
    // column layout), so reading the file back gives every field of every atom again.
    std::string want = "REMARK round trip\n\n";
    const std::string src = readFile(kUbiquitinPdb);
    for (size_t pos = 0, end; pos < src.size(); pos = end) {
        end = std::min(src.find('\n', pos), src.size() - 1) + 1;
        if (src.compare(pos, 4, "ATOM") == 0) want += src.substr(pos, end - pos);
    }
    EXPECT_EQ(readFile(path), want + "END\n");
}

}  // namespace
