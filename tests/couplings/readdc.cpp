// Reading coupling tables: columns, defaults, markers, work space and bad inputs.
#include <gtest/gtest.h>

#include "couplings/dc.h"
#include "dc_test_util.h"
#include "foundation/memory.h"

using namespace korim::couplings;

using namespace dctest;

namespace {
int read(const std::string& path, DTable* t, std::string* err = nullptr) {
    dTabNull(t);
    int rc = -1;
    std::string e = captureStderr([&] { rc = readDC(path.c_str(), t); });
    if (err != nullptr) *err = e;
    return rc;
}
}  // namespace

TEST(ReadDC, NoneOrEmptyNameReadsNothing) {
    DTable t;
    dTabNull(&t);
    t.dCount = 0;
    for (const char* name : {"", "None", "NONE", "none", "nOnE"}) {
        EXPECT_EQ(readDC(name, &t), 0) << name;
        EXPECT_EQ(t.dObsList, nullptr);
        EXPECT_EQ(t.dCount, 0);
    }
}

TEST(ReadDC, MissingOptionalColumnsTakeTheirDefaults) {
    DTable t;
    std::string err;
    ASSERT_EQ(read(dataPath("dc/no_optional.tab"), &t, &err), 0);
    EXPECT_EQ(err, "");
    ASSERT_EQ(t.dCount, 3);
    for (int k = 0; k < 3; ++k) {
        const DInfo& r = t.dObsList[k];
        EXPECT_EQ(r.id, k + 1);
        EXPECT_EQ(r.valid, 1);
        EXPECT_EQ(r.count, 1);
        EXPECT_EQ(r.absFlag, 0);
        EXPECT_EQ(r.d, 0.0f);  // no D column: 0, not the missing marker
        EXPECT_EQ(r.w, 1.0f);
        EXPECT_EQ(r.s, 1.0f);
        EXPECT_EQ(r.fc, 1.0f);
        EXPECT_EQ(r.sigma, 1.0f);
        EXPECT_EQ(t.dCalcList[k].valid, 0);  // calculated rows hold the row defaults
    }
    // H-N and CA-HA of one residue: standard constants; CB-HB: none (no distance yet)
    EXPECT_EQ(t.dObsList[0].diFixedFlag, 1);
    EXPECT_NEAR(t.dObsList[0].di, -21585.2, 0.05);
    EXPECT_EQ(t.dObsList[1].diFixedFlag, 1);
    EXPECT_NEAR(t.dObsList[1].di, physicalDI(gC, gH, 1.107), 0.1);
    EXPECT_EQ(t.dObsList[2].diFixedFlag, 0);
    EXPECT_EQ(t.dObsList[2].di, 0.0f);
    EXPECT_EQ(t.dMinRes, 7);
    EXPECT_EQ(t.dMaxRes, 9);
    EXPECT_EQ(t.nullChainName, 1);
    EXPECT_EQ(t.nullSegName, 1);
    EXPECT_EQ(t.workSize, 12 * 3 + 12);
    dTabFree(&t);
}

TEST(ReadDC, ValueColumnsTruncationNullsAndStandardConstants) {
    DTable t;
    ASSERT_EQ(read(dataPath("dc/values.tab"), &t), 0);
    ASSERT_EQ(t.dCount, 3);
    const DInfo* r = t.dObsList;
    EXPECT_EQ(r[0].id, 3);
    EXPECT_EQ(r[1].id, -3);
    EXPECT_EQ(r[2].id, 12);
    EXPECT_EQ(r[0].absFlag, 2);
    EXPECT_EQ(r[1].absFlag, -1);
    EXPECT_FLOAT_EQ(r[0].d, -4.25f);
    EXPECT_EQ(r[1].d, 9999.0f);  // the file's null marker reads as the missing coupling
    EXPECT_FLOAT_EQ(r[2].d, 1.125f);
    // H-N of residue 7: the DI column is overridden by the standard constant
    EXPECT_EQ(r[0].diFixedFlag, 1);
    EXPECT_NEAR(r[0].di, -21585.2, 0.05);
    // C(6)-N(7): standard peptide-bond length
    EXPECT_EQ(r[1].diFixedFlag, 1);
    EXPECT_NEAR(r[1].di, physicalDI(gC, gN, 1.329), 0.05);
    // C(7)-N(6): no standard length, the DI column stands
    EXPECT_EQ(r[2].diFixedFlag, 0);
    EXPECT_FLOAT_EQ(r[2].di, -1234.5f);
    EXPECT_FLOAT_EQ(r[0].sigma, 0.5f);
    EXPECT_FLOAT_EQ(r[0].s, 0.9f);
    EXPECT_FLOAT_EQ(r[0].w, 2.0f);
    EXPECT_FLOAT_EQ(r[0].fc, 3.0f);
    EXPECT_FLOAT_EQ(r[2].w, 0.5f);
    EXPECT_STREQ(r[1].resNameI, "GLY");
    EXPECT_STREQ(r[1].chainNameJ, "A");
    EXPECT_EQ(t.nullChainName, 0);
    EXPECT_EQ(t.nullSegName, 1);
    EXPECT_EQ(t.dMinRes, 6);
    EXPECT_EQ(t.dMaxRes, 7);
    dTabFree(&t);
}

TEST(ReadDC, AtomExpressionsWidenTheWorkSpace) {
    const long long before = korim::foundation::memoryBytesUsed();
    DTable t;
    ASSERT_EQ(read(dataPath("dc/expressions.tab"), &t), 0);
    EXPECT_EQ(korim::foundation::memoryBytesUsed() - before,
              2LL * 4 * static_cast<long long>(sizeof(DInfo)) + (12 * 92 + 12) * 4);
    EXPECT_EQ(t.dCount, 4);
    EXPECT_EQ(t.maxCount, 1 + 9 + 81 + 1);
    EXPECT_EQ(t.workSize, 12 * 92 + 12);
    EXPECT_STREQ(t.dObsList[1].atomNameJ, "HB#");
    EXPECT_STREQ(t.dObsList[2].atomNameI, "HB*");
    dTabFree(&t);  // the release gives back exactly what the read took
    EXPECT_EQ(korim::foundation::memoryBytesUsed(), before);
    EXPECT_EQ(t.work, nullptr);
}

TEST(ReadDC, RowsWithoutResidueNumbersDoNotSetTheRange) {
    DTable t;
    ASSERT_EQ(read(dataPath("dc/one_residue_end.tab"), &t), 0);
    EXPECT_EQ(t.dObsList[0].resIDJ, kNoResID);
    EXPECT_EQ(t.dMinRes, -3);
    EXPECT_EQ(t.dMaxRes, 15);
    dTabFree(&t);
}

TEST(ReadDC, UnknownNucleusRowIsUnusedWhereverItStands) {
    for (const char* f : {"dc/unknown_first.tab", "dc/unknown_last.tab"}) {
        DTable t;
        std::string err;
        EXPECT_EQ(read(dataPath(f), &t, &err), 0) << f;
        EXPECT_EQ(err, "Dipolar Interaction - Unknown atom O.\n");
        ASSERT_EQ(t.dCount, 2);
        const int bad = std::string(f).find("first") != std::string::npos ? 0 : 1;
        EXPECT_EQ(t.dObsList[bad].valid, 0);
        EXPECT_EQ(t.dObsList[1 - bad].valid, 1);
        // and row selection keeps it out
        EXPECT_EQ(selectD(t.dObsList, 2, 1, 100, 1), 1);
        EXPECT_EQ(t.dObsList[bad].valid, 0);
        dTabFree(&t);
    }
}

TEST(ReadDC, FileErrorsAreTheReadersStatus) {
    DTable t;
    std::string err;
    const std::string missing = dataPath("dc/does_not_exist.tab");
    EXPECT_NE(read(missing, &t, &err), 0);
    EXPECT_EQ(err, "RdTable File open error: " + missing + ".\n");
    EXPECT_EQ(t.dCount, 0);
    EXPECT_EQ(t.dObsList, nullptr);

    const std::string empty = dataPath("dc/no_rows.tab");
    EXPECT_NE(read(empty, &t, &err), 0);
    EXPECT_EQ(err, "RdTable Error: no entries in " + empty + "\n");
    EXPECT_EQ(t.dCount, 0);
}

// A non-number and a short row: each is named with its line and the table is refused, so no
// missing coupling can enter a fit as 0 Hz.
TEST(ReadDC, NonNumericCouplingAndShortRowAreRefused) {
    DTable t;
    std::string err;
    const std::string path = dataPath("dc/bad_number.tab");
    EXPECT_NE(read(path, &t, &err), 0);
    EXPECT_NE(err.find("RdTable Warning: Bad F-Item 5:\n   5    N    5    H    abc\n\n"
                       "RdTable Warning: Bad F-Item 5:\n   6    N    6    H\n\n"
                       "RdTable Error: 2 bad items in " + path + "\n"),
              std::string::npos)
        << err;
    dTabFree(&t);
}

// Every allocation of a read made to fail in turn: a non-zero status with a message each time,
// the table's own two messages among them, and a complete read once memory is there.
TEST(ReadDC, AllocationFailuresAreReported) {
    using namespace korim::foundation;
    bool values = false, workspace = false;
    int rc = 1;
    for (int n = 1; rc != 0 && n < 200; ++n) {
        DTable t;
        memoryFailAt(n);
        std::string err;
        rc = read(dataPath("dc/values.tab"), &t, &err);
        memoryFailAt(0);
        if (rc == 0) {
            EXPECT_EQ(t.dCount, 3);
            dTabFree(&t);
            break;
        }
        EXPECT_NE(err, "") << n;
        const auto endsWith = [&err](const std::string& m) {
            return err.size() >= m.size() && err.compare(err.size() - m.size(), m.size(), m) == 0;
        };
        values = values || endsWith("DC Error Allocating DC Values.");
        workspace = workspace || (endsWith("DC Error Allocating DC Workspaces.\n") && t.work == nullptr);
    }
    EXPECT_EQ(rc, 0);
    EXPECT_TRUE(values);
    EXPECT_TRUE(workspace);
}
