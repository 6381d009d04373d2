// Atom selection: the option reader, the per-atom test and the two ways of applying a selection.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "foundation/cmndargs.h"
#include "structure/pdb.h"
#include "tests/structure/support.h"

using namespace korim::structure;
using namespace korim::structure::testing_support;
namespace fnd = korim::foundation;

namespace {

const std::string kUbq = std::string(KORIM_TEST_DATA) + "/ubiquitin_1d3z_model1.pdb";
const std::string kTwoChains = std::string(KORIM_TEST_DATA) + "/pdb/two_chains.pdb";

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
    std::string e = stderrOf([&] { status = getPDBSelectArgs(static_cast<int>(words.size()), argv.data(), sel); });
    if (err != nullptr) *err = e;
    return status;
}

struct Select : ::testing::Test {
    PDBInfo pdb;
    void SetUp() override {
        pdbModuleReset();
        pdbNull(&pdb);
        ASSERT_EQ(readPDB(kUbq.c_str(), &pdb, nullptr, nullptr), 0);
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
    // Marked atoms counted by a plain scan of the atom list.
    int marked(int id = 1) {
        int n = 0;
        for (int i = 0; i < pdb.atomCount; i++) n += pdb.atomList[i].selected == id;
        return n;
    }
    int countIf(bool (*pred)(const AtomInfo&)) {
        int n = 0;
        for (int i = 0; i < pdb.atomCount; i++) n += pred(pdb.atomList[i]);
        return n;
    }
};

TEST(SelectArgs, OptionsAndTheirOrder) {
    PDBSelectInfo s;
    ASSERT_EQ(parse({"-atom", "CA", "HA", "-resName", "GLY", "-r1", "20", "-rN", "10", "-glob", "-aRegex",
                     "-id", "3", "-hetatm"},
                    &s),
              0);
    EXPECT_STREQ(s.atomNameList, "CA HA");
    EXPECT_EQ(s.atomNameCount, 2);
    EXPECT_EQ(s.res1, 10);  // normalised
    EXPECT_EQ(s.resN, 20);
    EXPECT_EQ(s.resIDMode, 1);
    EXPECT_EQ(s.selectMode, 2);
    EXPECT_EQ(s.atomNameMode, 2);  // -aRegex after -glob
    EXPECT_EQ(s.resNameMode, 3);
    EXPECT_EQ(s.chainNameMode, 0);  // list "*" switched off
    EXPECT_EQ(s.selectID, 3);

    ASSERT_EQ(parse({"-r1", "5"}, &s), 0);
    EXPECT_EQ(s.res1, 0);
    EXPECT_EQ(s.resN, 5);
    ASSERT_EQ(parse({"-res", "-3"}, &s), 0);
    EXPECT_EQ(s.res1 + s.resN, -6);
    ASSERT_EQ(parse({"-r1", "*", "-rN", "9"}, &s), 0);
    EXPECT_EQ(s.resIDMode, 0);
    ASSERT_EQ(parse({"-inv"}, &s), 0);
    EXPECT_EQ(s.selectMode, -1);
    ASSERT_EQ(parse({"-inv", "-atom", "CA"}, &s), 0);
    EXPECT_EQ(s.selectMode, 2);
    ASSERT_EQ(parse({"-atom", "CA", "-clear"}, &s), 0);
    EXPECT_EQ(s.selectMode, 0);
    ASSERT_EQ(parse({"-hetatm", "-nohetatm", "-protein"}, &s), 0);
    EXPECT_EQ(s.hetatmFlag, 0);
    EXPECT_EQ(s.selectClass, 4);
}

TEST(SelectArgs, VerboseReportAndUsage) {
    PDBSelectInfo s;
    std::string err;
    parse({"-verb"}, &s, &err);
    EXPECT_EQ(err, "PDB Selection: All Atoms.\n");
    parse({"-verb", "-r1", "2", "-rN", "4", "-atom", "N", "CA", "-chain", "A"}, &s, &err);
    EXPECT_EQ(err, "PDB Selection: 2 to 4 Atoms: N CA Residues: * Chains A Segs: *.\n");
    parse({"-help", "-atom", "CA"}, &s, &err);
    EXPECT_EQ(s.selectMode, 1);  // nothing else read
    EXPECT_EQ(err.substr(0, 52), " -res      resID  Single Residue for Selection.\n -r1");
    EXPECT_NE(err.find("\nReset Selection; No Other Selection Performed:\n"), std::string::npos);
    EXPECT_EQ(err.substr(err.size() - 51), "\n -hetatm       Interpret HETATM records as ATOMs.\n");
}

TEST(SelectArgs, BadInputIsRefused) {
    PDBSelectInfo s;
    std::string err;
    std::vector<std::string> words = {"-atom"};
    for (int i = 0; i < 80; i++) words.push_back("HB" + std::to_string(i));
    EXPECT_EQ(parse(words, &s, &err), 1);
    EXPECT_EQ(err.find("PDB Error: name list of -atom longer than 255 characters: HB0 HB1"), 0u);
    EXPECT_STREQ(s.atomNameList, "*");  // the buffer keeps its old list
    EXPECT_EQ(parse({"-res", "12x"}, &s, &err), 1);
    EXPECT_EQ(err, "PDB Error: bad residue number in selection: 12x\n");
    // pdbSelect1 with an overlong list marks nothing.
    PDBInfo p;
    pdbNull(&p);
    std::string longList(300, 'C');
    testing::internal::CaptureStderr();
    EXPECT_EQ(pdbSelect1(&p, 1, 2, longList.c_str(), 1, 1), 0);
    EXPECT_NE(testing::internal::GetCapturedStderr().find("longer than 255"), std::string::npos);
}

TEST_F(Select, DefaultMarksEveryAtom) {
    PDBSelectInfo s;
    pdbSelectNull(&s);
    EXPECT_EQ(pdbSelect(&pdb, &s), 1231);
    EXPECT_EQ(marked(), 1231);
}

TEST_F(Select, NamesByExactRegexAndGlob) {
    PDBSelectInfo s;
    parse({"-atom", "CA", "HA"}, &s);
    // 76 CA; every residue but the six Gly (10, 35, 47, 53, 75, 76) has HA.
    EXPECT_EQ(apply(&s), 76 + 70);
    EXPECT_EQ(marked(), 146);
    parse({"-atom", "CA", "HA", "-resName", "GLY"}, &s);
    EXPECT_EQ(apply(&s), 6);
    parse({"-atom", "ca"}, &s);
    EXPECT_EQ(apply(&s), 0);  // case-sensitive
    parse({"-atom", "^H[AB]", "-aRegex"}, &s);
    int want = countIf([](const AtomInfo& a) {
        return std::strncmp(a.atomName, "HA", 2) == 0 || std::strncmp(a.atomName, "HB", 2) == 0;
    });
    EXPECT_EQ(apply(&s), want);
    parse({"-atom", "H?", "-glob"}, &s);
    want = countIf([](const AtomInfo& a) { return a.atomName[0] == 'H' && std::strlen(a.atomName) == 2; });
    EXPECT_EQ(apply(&s), want);
}

TEST_F(Select, ResidueRangesAndInversion) {
    PDBSelectInfo s;
    parse({"-res", "10"}, &s);
    EXPECT_EQ(apply(&s), 7);  // Gly 10: N CA C O H HA2 HA3
    parse({"-r1", "20", "-rN", "10", "-atom", "CA"}, &s);
    EXPECT_EQ(apply(&s), 11);
    // -inv alone: the inverted selection of every atom is empty; marks stay.
    pdbSetSelection(&pdb, 4);
    parse({"-inv"}, &s);
    pdbSelectAdjust(&s);
    s.res1 = 1;
    s.resN = 76;
    EXPECT_EQ(pdbSelect(&pdb, &s), 0);
    EXPECT_EQ(marked(4), 1231);
    parse({"-inv", "-atom", "CA"}, &s);
    EXPECT_EQ(apply(&s), 76);
    // Inverted by hand: everything except CA.
    s.selectMode = -1;
    EXPECT_EQ(apply(&s), 1231 - 76);
    EXPECT_EQ(findAtom(&pdb, 5, "CA", "A", "")->selected, 0);
}

TEST_F(Select, HydrogenRemovalByGlob) {
    // The program's own removal of hydrogens: mark 0 for "[1-3]H* H*".
    pdbSetSelection(&pdb, 1);
    PDBSelectInfo s;
    pdbSelectNull(&s);
    std::strcpy(s.atomNameList, "[1-3]H* H*");
    s.atomNameMode = 3;
    s.selectMode = 2;
    s.selectID = 0;
    s.res1 = pdb.minResID;
    s.resN = pdb.maxResID;
    EXPECT_EQ(pdbSelect(&pdb, &s), 629);
    EXPECT_EQ(marked(1), 1231 - 629);
    for (int i = 0; i < pdb.atomCount; i++) {
        bool hydrogen = std::strcmp(pdb.atomList[i].element, "H") == 0;
        EXPECT_EQ(pdb.atomList[i].selected, hydrogen ? 0 : 1) << pdb.atomList[i].atomName;
    }
}

TEST_F(Select, ProteinClassAndSelect1) {
    PDBSelectInfo s;
    parse({"-protein", "-atom", "N"}, &s);
    EXPECT_EQ(apply(&s), 76);
    AtomInfo water;
    atomNull(&water);
    std::strcpy(water.resName, "HOH");
    std::strcpy(water.atomName, "N");
    EXPECT_EQ(pdbSelectTest(&s, &water), 0);
    std::strcpy(water.resName, "dADE");
    EXPECT_EQ(pdbSelectTest(&s, &water), 0);
    s.selectClass = 1;
    EXPECT_EQ(pdbSelectTest(&s, &water), 1);

    pdbClearSelection(&pdb);
    EXPECT_EQ(pdbSelect1(&pdb, 1, 76, "C*", 2, 3), 76 * 2 + countIf([](const AtomInfo& a) {
                  return a.atomName[0] == 'C' && std::strcmp(a.atomName, "C") != 0 &&
                         std::strcmp(a.atomName, "CA") != 0;
              }));
    EXPECT_EQ(pdbSelect1(&pdb, 3, 4, "N", 5, 1), 2);
    EXPECT_EQ(marked(5), 2);
}

TEST(SelectChains, TwoChainsUseTheFullTest) {
    PDBInfo p;
    pdbNull(&p);
    ASSERT_EQ(readPDB(kTwoChains.c_str(), &p, nullptr, nullptr), 0);
    ASSERT_EQ(p.chainCount, 2);
    PDBSelectInfo s;
    parse({"-chain", "B"}, &s);
    s.dbgFlag = 1;
    int n = 0;
    std::string err = stderrOf([&] { n = pdbSelect(&p, &s); });
    EXPECT_EQ(n, 8);
    EXPECT_EQ(err, "MERIDO Info: Complex Selection Atom 0 Res 0 Seg 0 Chain 1\n");
    // Without the range mode the range is ignored on the complex path.
    parse({"-atom", "CA"}, &s);
    s.res1 = s.resN = 99;
    pdbClearSelection(&p);
    EXPECT_EQ(pdbSelect(&p, &s), 5);
    parse({"-atom", "CA", "-res", "2"}, &s);
    EXPECT_EQ(pdbSelect(&p, &s), 2);
    parse({"-seg", "S1", "-atom", "HN", "C"}, &s);
    EXPECT_EQ(pdbSelect(&p, &s), 6);
    parse({"-seg", "S.", "-sRegex", "-chain", "[AB]", "-cGlob", "-atom", "N"}, &s);
    EXPECT_EQ(pdbSelect(&p, &s), 5);
    pdbFree(&p);
}

TEST(SelectChains, SimplePathVisitsTheGivenRange) {
    PDBInfo p;
    pdbNull(&p);
    ASSERT_EQ(readPDB(std::string(std::string(KORIM_TEST_DATA) + "/pdb/crlf.pdb").c_str(), &p,
                      nullptr, nullptr),
              0);
    PDBSelectInfo s;
    pdbSelectNull(&s);
    s.selectMode = 2;
    s.dbgFlag = 1;
    testing::internal::CaptureStderr();
    // Range 0..0 (not in use) on one chain: the walk covers residue 0 only.
    EXPECT_EQ(pdbSelect(&p, &s), 0);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "MERIDO Info: Simple Selection.\n");
    s.res1 = 1;
    s.resN = 2;
    s.dbgFlag = 0;
    EXPECT_EQ(pdbSelect(&p, &s), 4);
    pdbFree(&p);
}

}  // namespace
