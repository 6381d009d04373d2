// Atom columns of restraint tables and the sequence header: read from a real table file, written back.
#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <tuple>
#include <vector>

#include "foundation/table.h"
#include "structure/pdb.h"
#include "tests/support/capture.h"
#include "tests/support/files.h"

using namespace korim::structure;
using korim_test::captureStderr;
namespace fnd = korim::foundation;

namespace {

const std::string kTable = korim_test::testData("pdb/restraint_columns.tab");

struct Table : ::testing::Test {
    float* matrix = nullptr;
    int varCount = 0, entryCount = 0;
    fnd::tabVar* varInfo = nullptr;
    fnd::hdrList* hdr = nullptr;
    void SetUp() override {
        hdr = fnd::hdrInit();
        ASSERT_EQ(fnd::rdTable2(kTable.c_str(), &matrix, &varCount, &entryCount, &varInfo, &hdr, 0, 0, 1), 0);
        ASSERT_EQ(entryCount, 3);
    }
    void TearDown() override {
        fnd::freeTab(matrix, varInfo, varCount, entryCount);
        fnd::freeHdr(hdr);
    }
    const float* row(int r) { return matrix + r * varCount; }
};

TEST_F(Table, ColumnsBySuffix) {
    int loc[5];
    int resID = -99;
    char resName[16] = "keep", atomName[16], chain[16] = "keep", seg[16] = "keep";
    auto vals = [&](int r) {
        return getAtomTabVals(varInfo, varCount, row(r), loc[0], loc[1], loc[2], loc[3], loc[4], &resID,
                              resName, atomName, chain, seg);
    };
    // RESID_I and ATOMNAME_I only.
    getAtomTabLocs(varInfo, varCount, "_I", &loc[0], &loc[1], &loc[2], &loc[3], &loc[4]);
    EXPECT_EQ(std::vector<int>(loc, loc + 5), (std::vector<int>{0, -1, 1, -1, -1}));
    // Absent columns leave their fields.
    EXPECT_TRUE(vals(0) == 3 && resID == 5);
    EXPECT_EQ(std::string(atomName) + "|" + resName, "HN|keep");
    // "none" reads as an empty name, and the bit is still set.
    EXPECT_TRUE(vals(1) == 3 && atomName[0] == '\0');

    getAtomTabLocs(varInfo, varCount, "_J", &loc[0], &loc[1], &loc[2], &loc[3], &loc[4]);
    EXPECT_EQ(vals(0), 31);
    EXPECT_EQ(std::string(resName) + atomName + chain + seg, "METNAS1");
    // "{}", the table's null text and "(Null)" all read as empty names.
    vals(1);
    EXPECT_EQ(resID, 13);
    EXPECT_EQ(std::string(resName) + atomName + chain + seg, "lys");
    // Long names are cut to 15 characters with the copy's message; NONE is empty.
    EXPECT_EQ(captureStderr([&] { vals(2); }), "PDB Error: string item too long: NAME\n");
    EXPECT_EQ(std::to_string(resID) + resName + seg, "-3AVERYLONGRESIDU");
}

TEST(TableCells, IndexesOutsideTheTextListGiveEmptyNames) {
    char a[] = "ATOMNAME", t0[] = "CA";
    char* texts[] = {t0, nullptr};
    fnd::tabVar var{};
    var.type = fnd::TAB_TEXT;
    var.name = a;
    var.equivCount = 1;
    var.equivList = texts;
    char atomName[16] = "x";
    const float cells[] = {0.0f, 1.0f, -1.0f, 1e30f};
    for (int i = 0; i < 4; i++) {
        EXPECT_EQ(getAtomTabVals(&var, 1, &cells[i], -1, -1, 0, -1, -1, nullptr, nullptr, atomName, nullptr, nullptr), 2);
        EXPECT_STREQ(atomName, i == 0 ? "CA" : "") << i;
    }
    // A column index beyond the column count is not read.
    EXPECT_EQ(getAtomTabVals(&var, 1, cells, -1, -1, 3, -1, -1, nullptr, nullptr, atomName, nullptr, nullptr),
              0);
}

TEST_F(Table, SequenceFromTheHeader) {
    SeqInfo seq;
    seqInfoNull(&seq);
    // FIRST_RESID 5 after the SEQUENCE line: order does not matter.
    ASSERT_EQ(getSeqInfo(hdr, &seq), 8);
    EXPECT_TRUE(seq.firstResID == 5 && seq.resNameList[8] == nullptr);
    const std::tuple<int, int, const char*> cases[] = {{5, 1, "M"}, {12, 1, "K"}, {13, 0, "None"}, {4, 0, "None"}};
    for (const auto& [res, found, text] : cases) {
        char name[16] = "";
        EXPECT_EQ(getSeqResName(&seq, res, name), found) << res;
        EXPECT_STREQ(name, text) << res;
    }
    seqInfoFree(&seq);
    char name[16];
    EXPECT_TRUE(seq.resCount == 0 && getSeqResName(&seq, 5, name) == 0);
}

// A header of the given lines, released at the end of the scope.
struct Header {
    fnd::hdrList* list = fnd::hdrInit();
    explicit Header(std::initializer_list<std::string> lines) {
        for (const auto& l : lines) fnd::addHdrLine(l.c_str(), list);
    }
    ~Header() { fnd::freeHdr(list); }
};

std::string written(const SeqInfo& seq) {
    return korim_test::captureStdout([&] { wrSeqInfo(stdout, &seq); });
}

TEST(Sequence, WriteReadBackAndABadFirstResidue) {
    std::string letters;
    for (int i = 0; i < 51; i++) letters += "ACDEFGHIKLMNPQRSTVWY"[i % 20];
    Header h{"DATA FIRST_RESID -2", "DATA SEQUENCE " + letters.substr(0, 30), "data sequence " + letters.substr(30)};
    SeqInfo seq;
    seqInfoNull(&seq);
    ASSERT_EQ(getSeqInfo(h.list, &seq), 51);
    EXPECT_EQ(seq.firstResID, -2);
    // 50 names on the first line in groups of ten, the 51st on a second line.
    std::string want = "\nDATA FIRST_RESID -2\n\nDATA SEQUENCE ";
    for (int g = 0; g < 5; g++) want += letters.substr(10 * g, 10) + (g < 4 ? " " : "\n");
    want += "DATA SEQUENCE " + letters.substr(50) + "\n\n";
    EXPECT_EQ(written(seq), want);
    seqInfoFree(&seq);
    EXPECT_EQ(written(seq), "");
    // Twelve names: ten, a blank, two; an empty name is written as "?".
    Header twelve{"DATA SEQUENCE MKTAYIAKQR QL"};
    ASSERT_EQ(getSeqInfo(twelve.list, &seq), 12);
    seq.resNameList[11][0] = '\0';
    EXPECT_EQ(written(seq), "\nDATA FIRST_RESID 1\n\nDATA SEQUENCE MKTAYIAKQR Q?\n\n");
    seqInfoFree(&seq);
    // A first residue that is no number is refused.
    Header bad{"DATA SEQUENCE MKT", "DATA FIRST_RESID 5x"};
    int count = -1;
    EXPECT_EQ(captureStderr([&] { count = getSeqInfo(bad.list, &seq); }),
              "MERIDO Error: bad FIRST_RESID value '5x' in header line: DATA FIRST_RESID 5x\n");
    EXPECT_TRUE(count == 0 && seq.resNameList == nullptr);
}

}  // namespace
