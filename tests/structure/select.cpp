// Atom selection: the option reader, the per-atom test and the two ways of applying a selection.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "foundation/cmndargs.h"
#include "structure/pdb.h"
#include "tests/support/capture.h"
#include "tests/support/files.h"

using namespace korim::structure;
using namespace korim_test;
namespace fnd = korim::foundation;

namespace {

// Reads the selection options of a command line; returns getPDBSelectArgs's
// status and leaves what it wrote to stderr in err.
int parse(std::vector<std::string> words, PDBSelectInfo* sel, std::string* err = nullptr) {
    words.insert(words.begin(), "prog");
    std::vector<char*> argv;
    for (auto& w : words) argv.push_back(w.data());
    argv.push_back(nullptr);
    pdbSelectNull(sel);
    fnd::nullArgs();
    int status = 0;
    std::string e = captureStderr([&] { status = getPDBSelectArgs(static_cast<int>(words.size()), argv.data(), sel); });
    if (err != nullptr) *err = e;
    return status;
}

// The fields the options set, in one line.
std::string summary(const PDBSelectInfo& s) {
    char buf[512];
    std::snprintf(buf, sizeof buf, "mode %d id %d res %d %d..%d atoms %d [%s] %d names %d chains %d class %d het %d",
                  s.selectMode, s.selectID, s.resIDMode, s.res1, s.resN, s.atomNameMode, s.atomNameList,
                  s.atomNameCount, s.resNameMode, s.chainNameMode, s.selectClass, s.hetatmFlag);
    return buf;
}

TEST(SelectArgs, OptionsAndTheirOrder) {
    const struct {
        std::vector<std::string> args;
        const char* want;
    } cases[] = {
        // Range normalised; -aRegex after -glob wins; "*" switches a list off.
        {{"-atom", "CA", "HA", "-resName", "GLY", "-r1", "20", "-rN", "10", "-glob", "-aRegex", "-id", "3", "-hetatm"},
         "mode 2 id 3 res 1 10..20 atoms 2 [CA HA] 2 names 3 chains 0 class 1 het 1"},
        {{"-r1", "5"}, "mode 2 id 1 res 1 0..5 atoms 0 [*] 1 names 0 chains 0 class 1 het 0"},
        {{"-res", "-3"}, "mode 2 id 1 res 1 -3..-3 atoms 0 [*] 1 names 0 chains 0 class 1 het 0"},
        {{"-r1", "*", "-rN", "9"}, "mode 2 id 1 res 0 0..0 atoms 0 [*] 1 names 0 chains 0 class 1 het 0"},
        {{"-inv"}, "mode -1 id 1 res 0 0..0 atoms 0 [*] 1 names 0 chains 0 class 1 het 0"},
        {{"-atom", "CA", "-clear"}, "mode 0 id 1 res 0 0..0 atoms 1 [CA] 1 names 0 chains 0 class 1 het 0"},
        {{"-hetatm", "-nohetatm", "-protein"}, "mode 1 id 1 res 0 0..0 atoms 0 [*] 1 names 0 chains 0 class 4 het 0"},
    };
    for (const auto& c : cases) {
        PDBSelectInfo s;
        ASSERT_EQ(parse(c.args, &s), 0) << c.want;
        EXPECT_EQ(summary(s), c.want);
    }
}

TEST(SelectArgs, VerboseReportAndBadInput) {
    PDBSelectInfo s;
    std::string err;
    parse({"-verb", "-r1", "2", "-rN", "4", "-atom", "N", "CA", "-chain", "A"}, &s, &err);
    EXPECT_EQ(err, "PDB Selection: 2 to 4 Atoms: N CA Residues: * Chains A Segs: *.\n");

    // A name list longer than its buffer is refused; the buffer keeps its old list.
    std::vector<std::string> words = {"-atom"};
    for (int i = 0; i < 80; i++) words.push_back("HB" + std::to_string(i));
    EXPECT_EQ(parse(words, &s, &err), 1);
    EXPECT_EQ(err.find("PDB Error: name list of -atom longer than 255 characters: HB0 HB1"), 0u);
    EXPECT_STREQ(s.atomNameList, "*");
    EXPECT_EQ(parse({"-res", "12x"}, &s, &err), 1);
    EXPECT_EQ(err, "PDB Error: bad residue number in selection: -res 12x (a whole number, or * for every residue)\n");
    EXPECT_EQ(parse({"-r1", "3", "-rN", "inf"}, &s, &err), 1);
    EXPECT_EQ(err, "PDB Error: bad residue number in selection: -rN inf (a whole number, or * for every residue)\n");
    PDBInfo p;
    pdbNull(&p);
    const std::string longList(300, 'C');
    int marked = -1;
    err = captureStderr([&] { marked = pdbSelect1(&p, 1, 2, longList.c_str(), 1, 1); });
    EXPECT_TRUE(marked == 0 && err.find("longer than 255") != std::string::npos) << err;
}

struct Select : ::testing::Test {
    PDBInfo pdb;
    void SetUp() override {
        pdbModuleReset();
        pdbNull(&pdb);
        ASSERT_EQ(readPDB(kUbiquitinPdb.c_str(), &pdb, nullptr, nullptr), 0);
    }
    void TearDown() override { pdbFree(&pdb); }
    // Applies the selection to a structure whose marks were cleared first.
    int apply(PDBSelectInfo* sel) {
        pdbClearSelection(&pdb);
        if (sel->res1 == 0 && sel->resN == 0) {
            sel->res1 = pdb.minResID;
            sel->resN = pdb.maxResID;
        }
        return pdbSelect(&pdb, sel);
    }
    int marked(int id) {
        int n = 0;
        for (int i = 0; i < pdb.atomCount; i++) n += pdb.atomList[i].selected == id;
        return n;
    }
};

TEST_F(Select, UbiquitinByNamesRangesClassAndHydrogenRemoval) {
    // Counts of the ATOM records of the file taken with awk on the name and
    // residue columns.
    const struct {
        std::vector<std::string> args;
        int count;
    } cases[] = {{{}, 1231},
                 {{"-atom", "CA", "HA"}, 146},  // every residue but the six Gly has HA
                 {{"-atom", "CA", "HA", "-resName", "GLY"}, 6},
                 {{"-atom", "ca"}, 0},  // case-sensitive
                 {{"-atom", "^H[AB]", "-aRegex"}, 206}, {{"-atom", "H?", "-glob"}, 110},
                 {{"-res", "10"}, 7},  // Gly 10: N CA C O H HA2 HA3
                 {{"-r1", "20", "-rN", "10", "-atom", "CA"}, 11},
                 {{"-inv", "-atom", "CA"}, 76}, {{"-protein", "-atom", "N"}, 76}};
    for (const auto& c : cases) {
        PDBSelectInfo s;
        parse(c.args, &s);
        EXPECT_EQ(apply(&s), c.count) << summary(s);
        EXPECT_EQ(marked(1), c.count);
    }
    // Inverted by hand: everything except CA.
    PDBSelectInfo s;
    parse({"-atom", "CA"}, &s);
    s.selectMode = -1;
    EXPECT_TRUE(apply(&s) == 1231 - 76 && findAtom(&pdb, 5, "CA", "A", "")->selected == 0);
    // -inv alone: the inverted selection of every atom is empty; marks stay.
    pdbSetSelection(&pdb, 4);
    parse({"-inv"}, &s);
    pdbSelectAdjust(&s);
    s.res1 = 1, s.resN = 76;
    EXPECT_TRUE(pdbSelect(&pdb, &s) == 0 && marked(4) == 1231);

    pdbClearSelection(&pdb);
    EXPECT_EQ(pdbSelect1(&pdb, 1, 76, "C*", 2, 3), 378);  // awk: names starting with C
    EXPECT_TRUE(pdbSelect1(&pdb, 3, 4, "N", 5, 1) == 2 && marked(5) == 2);

    // The program's own removal of hydrogens: mark 0 for "[1-3]H* H*".
    pdbSetSelection(&pdb, 1);
    pdbSelectNull(&s);
    std::strcpy(s.atomNameList, "[1-3]H* H*");
    s.atomNameMode = 3, s.selectMode = 2, s.selectID = 0;
    s.res1 = pdb.minResID, s.resN = pdb.maxResID;
    EXPECT_EQ(pdbSelect(&pdb, &s), 629);
    for (int i = 0; i < pdb.atomCount; i++) {
        bool hydrogen = std::strcmp(pdb.atomList[i].element, "H") == 0;
        EXPECT_EQ(pdb.atomList[i].selected, hydrogen ? 0 : 1) << pdb.atomList[i].atomName;
    }
}

TEST(SelectChains, TwoChainsUseTheFullTest) {
    PDBInfo p;
    pdbNull(&p);
    ASSERT_EQ(readPDB(testData("pdb/two_chains.pdb").c_str(), &p, nullptr, nullptr), 0);
    ASSERT_EQ(p.chainCount, 2);
    PDBSelectInfo s;
    parse({"-chain", "B"}, &s);
    s.dbgFlag = 1;
    int n = 0;
    EXPECT_EQ(captureStderr([&] { n = pdbSelect(&p, &s); }),
              "MERIDO Info: Complex Selection Atom 0 Res 0 Seg 0 Chain 1\n");
    EXPECT_EQ(n, 8);
    // Without the range mode the range is ignored on the complex path.
    parse({"-atom", "CA"}, &s);
    s.res1 = s.resN = 99;
    EXPECT_EQ(pdbSelect(&p, &s), 5);
    const struct {
        std::vector<std::string> args;
        int count;
    } cases[] = {{{"-atom", "CA", "-res", "2"}, 2},
                 {{"-seg", "S1", "-atom", "HN", "C"}, 6},
                 {{"-seg", "S.", "-sRegex", "-chain", "[AB]", "-cGlob", "-atom", "N"}, 5}};
    for (const auto& c : cases) {
        parse(c.args, &s);
        EXPECT_EQ(pdbSelect(&p, &s), c.count) << summary(s);
    }
    pdbFree(&p);

    // One chain takes the simple path, which walks the given range only:
    // 0..0 (not in use) covers residue 0 alone.
    ASSERT_EQ(readPDB(testData("pdb/crlf.pdb").c_str(), &p, nullptr, nullptr), 0);
    pdbSelectNull(&s);
    s.selectMode = 2, s.dbgFlag = 1;
    EXPECT_EQ(captureStderr([&] { n = pdbSelect(&p, &s); }), "MERIDO Info: Simple Selection.\n");
    EXPECT_EQ(n, 0);
    s.res1 = 1, s.resN = 2, s.dbgFlag = 0;
    EXPECT_EQ(pdbSelect(&p, &s), 4);
    pdbFree(&p);
}

}  // namespace
