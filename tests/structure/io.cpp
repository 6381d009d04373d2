// PDB reading and writing on messy files: CRLF, short lines, HETATM waters, altlocs, insertion codes, models, bad numbers.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <fcntl.h>
#include <unistd.h>

#include "foundation/memory.h"
#include "structure/pdb.h"
#include "tests/structure/support.h"

using namespace korim::structure;
using namespace korim::structure::testing_support;
namespace fnd = korim::foundation;

namespace {

std::string fixture(const char* name) { return std::string(KORIM_TEST_DATA) + "/pdb/" + name; }

struct Io : ::testing::Test {
    PDBInfo pdb;
    std::string err;
    void SetUp() override {
        pdbModuleReset();
        fnd::memoryReset();
        pdbNull(&pdb);
    }
    void TearDown() override { pdbFree(&pdb); }
    int read(const std::string& path, PDBSelectInfo* sel = nullptr) {
        int status = 0;
        err = stderrOf([&] { status = readPDB(path.c_str(), &pdb, sel, nullptr); });
        return status;
    }
};

TEST_F(Io, FieldColumns) {
    const char* line = "ATOM   1234 HD21 ASN B  52A     -1.500  22.250-100.125  0.50 12.34      SEGA H1-";
    char f[16];
    const struct {
        int field;
        const char* text;
    } want[] = {{PDB_ATOMID, "1234"}, {PDB_ATOMNAME, "HD21"}, {PDB_LOCID, ""},
                {PDB_RESNAME, "ASN"}, {PDB_CHAINID, "B"},     {PDB_RESID, "52"},
                {PDB_ICODE, "A"},     {PDB_X, "-1.500"},      {PDB_Y, "22.250"},
                {PDB_Z, "-100.125"},  {PDB_OCCUPANCY, "0.50"}, {PDB_TEMPFACTOR, "12.34"},
                {PDB_SEGID, "SEGA"},  {PDB_ELEMENT, "H"},     {PDB_CHARGE, "1-"}};
    for (const auto& w : want) {
        getPDBField(line, w.field, f, sizeof(f));
        EXPECT_STREQ(f, w.text) << pdbFieldList[w.field].fieldName;
    }
    // Blanks inside a field are dropped; a field past the end is empty.
    getPDBField("ATOM      1 C A ", PDB_ATOMNAME, f, sizeof(f));
    EXPECT_STREQ(f, "CA");
    getPDBField("ATOM      1 CA", PDB_RESNAME, f, sizeof(f));
    EXPECT_STREQ(f, "");
}

TEST_F(Io, CrlfLineEnds) {
    ASSERT_EQ(read(fixture("crlf.pdb")), 0);
    EXPECT_EQ(err, "");
    ASSERT_EQ(pdb.atomCount, 4);
    EXPECT_EQ(pdb.resCount, 2);
    const AtomInfo& hn = pdb.atomList[2];
    EXPECT_STREQ(hn.atomName, "HN");
    EXPECT_FLOAT_EQ(hn.x, -1.25f);
    EXPECT_FLOAT_EQ(hn.z, 10.125f);
    EXPECT_STREQ(hn.element, "H");
}

TEST_F(Io, ShortLines) {
    ASSERT_EQ(read(fixture("short_lines.pdb")), 0);
    ASSERT_EQ(pdb.atomCount, 5);
    const AtomInfo* a = pdb.atomList;
    // Ends after the temperature factor: no element, segment or charge.
    EXPECT_FLOAT_EQ(a[0].z, 13.0f);
    EXPECT_FLOAT_EQ(a[0].occupancy, 0.5f);
    EXPECT_FLOAT_EQ(a[0].tempFactor, 20.0f);
    EXPECT_STREQ(a[0].element, "");
    // Ends after x: y, z, occupancy 0.
    EXPECT_FLOAT_EQ(a[1].x, 14.0f);
    EXPECT_EQ(a[1].y, 0.0f);
    EXPECT_EQ(a[1].occupancy, 0.0f);
    // Ends after the residue number: coordinates 0.
    EXPECT_EQ(a[2].resID, 8);
    EXPECT_EQ(a[2].x, 0.0f);
    // Ends before column 23: residue number 0, no chain.
    EXPECT_EQ(a[3].resID, 0);
    EXPECT_STREQ(a[3].resName, "LYS");
    EXPECT_STREQ(a[3].chainID, "");
    EXPECT_EQ(pdb.minResID, 0);
}

TEST_F(Io, HetatmRecordsOnlyOnRequest) {
    ASSERT_EQ(read(fixture("hetatm_water.pdb")), 0);
    EXPECT_EQ(pdb.atomCount, 2);
    EXPECT_EQ(pdb.maxResID, 1);
    pdbFree(&pdb);

    PDBSelectInfo sel;
    pdbSelectNull(&sel);
    sel.hetatmFlag = 1;
    ASSERT_EQ(read(fixture("hetatm_water.pdb"), &sel), 0);
    ASSERT_EQ(pdb.atomCount, 5);
    EXPECT_EQ(pdb.resCount, 4);
    // The serial runs into the record name: "HETATM10001".
    const AtomInfo& zn = pdb.atomList[4];
    EXPECT_EQ(zn.atomID, 10001);
    EXPECT_STREQ(zn.chargeStr, "2+");
    EXPECT_EQ(findAtom(&pdb, 102, "O", "A", "")->atomID, 4);
    pdbFree(&pdb);

    // Waters are no amino acids.
    sel.selectClass = 4;
    ASSERT_EQ(read(fixture("hetatm_water.pdb"), &sel), 0);
    EXPECT_EQ(pdb.atomCount, 2);
}

TEST_F(Io, RecordNamesAreColumnsOneToSix) {
    std::string path = tempFile();
    FILE* f = std::fopen(path.c_str(), "w");
    std::fputs("atom      1  N   ALA A   1       1.000   2.000   3.000\n", f);
    std::fputs("ATOM 100000  CA  ALA A   1       1.000   2.000   3.000\n", f);
    std::fputs("ATOMS     3  C   ALA A   1       1.000   2.000   3.000\n", f);
    std::fputs("REMARK ATOM  4  O   ALA A   1\n", f);
    std::fputs("\n", f);
    std::fclose(f);
    ASSERT_EQ(read(path), 0);
    ASSERT_EQ(pdb.atomCount, 2);
    EXPECT_EQ(pdb.atomList[0].atomID, 1);
    EXPECT_EQ(pdb.atomList[1].atomID, 100000);
    EXPECT_STREQ(pdb.atomList[1].atomName, "CA");
    // Written back, the six-digit serial grows into columns 5-6 and every
    // other field keeps its columns, so reading again gives the same atom.
    ASSERT_EQ(writePDB(path.c_str(), &pdb, nullptr, nullptr), 0);
    EXPECT_EQ(fileText(path).substr(81, 54), "ATOM 100000  CA  ALA A   1       1.000   2.000   3.000");
    pdbFree(&pdb);
    ASSERT_EQ(read(path), 0);
    ASSERT_EQ(pdb.atomCount, 2);
    EXPECT_EQ(pdb.atomList[1].atomID, 100000);
    EXPECT_STREQ(pdb.atomList[1].resName, "ALA");
    EXPECT_EQ(pdb.atomList[1].resID, 1);
    EXPECT_EQ(pdb.atomList[1].z, 3.0f);
    std::remove(path.c_str());
}

TEST_F(Io, AltLocsAndInsertionCodes) {
    ASSERT_EQ(read(fixture("altloc_icode.pdb")), 0);
    // The two conformers of OG1 share one key: one warning, both kept.
    EXPECT_EQ(err,
              "PDB Warning: Redundant Atom Specification.\n"
              " ResID: 51 AtomName: OG1 Chain: A Segment: \n");
    ASSERT_EQ(pdb.atomCount, 6);
    EXPECT_STREQ(pdb.atomList[2].locID, "B");
    AtomInfo* og1 = findAtom(&pdb, 51, "OG1", "A", "");
    ASSERT_NE(og1, nullptr);
    EXPECT_EQ(og1->atomID, 2);
    EXPECT_EQ(og1->resInfo->atomCount, 3);
    // 52 and 52A are one residue (the residue key has no insertion code),
    // named after its last atom; the inserted atom has its own key.
    EXPECT_EQ(pdb.resCount, 3);
    ResInfo* r52 = findRes(&pdb, 52, "A", "");
    ASSERT_NE(r52, nullptr);
    EXPECT_EQ(r52->atomCount, 2);
    EXPECT_STREQ(r52->resName, "ALA");
    AtomInfo* gly = findAtom(&pdb, 52, "CA", "A", "");
    ASSERT_NE(gly, nullptr);
    EXPECT_EQ(gly->atomID, 4);
    EXPECT_STREQ(pdb.atomList[4].icode, "A");
}

TEST_F(Io, SeveralModelsAreReadAsOne) {
    ASSERT_EQ(read(fixture("two_models.pdb")), 0);
    EXPECT_EQ(pdb.atomCount, 6);
    EXPECT_EQ(pdb.resCount, 2);
    // Every atom of the second model repeats a key of the first.
    size_t warnings = 0;
    for (size_t pos = 0; (pos = err.find("Redundant Atom", pos)) != std::string::npos; pos++) warnings++;
    EXPECT_EQ(warnings, 3u);
    EXPECT_EQ(findAtom(&pdb, 1, "CA", "A", "")->y, 0.0f);
}

TEST_F(Io, MalformedNumbersAndMissingFiles) {
    EXPECT_EQ(read(fixture("bad_coordinate.pdb")), 1);
    EXPECT_EQ(err, "PDB Error: bad Y field '2.x00' in line 2 of PDB file " +
                       fixture("bad_coordinate.pdb") + "\n");
    EXPECT_EQ(pdb.atomCount, 1);  // what was read before the bad line
    pdbFree(&pdb);
    EXPECT_EQ(read(fixture("bad_resid.pdb")), 1);
    EXPECT_EQ(err, "PDB Error: bad RESID field '1O' in line 2 of PDB file " +
                       fixture("bad_resid.pdb") + "\n");
    pdbFree(&pdb);
    EXPECT_EQ(read(fixture("no_such_file.pdb")), 1);
    EXPECT_EQ(err, "PDB Error opening PDB file " + fixture("no_such_file.pdb") + "\n");
    EXPECT_EQ(pdb.atomCount, 0);
}

TEST_F(Io, EmptyInputAndSelectionWhileReading) {
    std::string path = tempFile();
    ASSERT_EQ(read(path), 0);
    EXPECT_EQ(pdb.atomCount, 0);
    EXPECT_EQ(pdb.resCount, 0);
    pdbFree(&pdb);
    std::remove(path.c_str());

    PDBSelectInfo sel;
    pdbSelectNull(&sel);
    sel.selectMode = 0;
    ASSERT_EQ(read(fixture("two_chains.pdb"), &sel), 0);
    EXPECT_EQ(pdb.atomCount, 0);
    pdbFree(&pdb);

    pdbSelectNull(&sel);
    sel.selectMode = 2;
    sel.resIDMode = 1;
    sel.res1 = sel.resN = 2;
    sel.atomNameMode = 0;
    ASSERT_EQ(read(fixture("two_chains.pdb"), &sel), 0);
    EXPECT_EQ(pdb.atomCount, 8);  // residue 2 of both chains
    EXPECT_EQ(pdb.minResID, 2);
    EXPECT_EQ(pdb.maxResID, 2);
    EXPECT_EQ(pdb.chainCount, 2);
}

TEST_F(Io, WriterColumns) {
    pdbInit(&pdb);
    const struct {
        const char* name;
        const char* loc;
        const char* icode;
        const char* seg;
    } atoms[] = {{"N", "", "", ""}, {"HD21", "B", "A", "S1"}, {"OXT", "", "", "LONG"}};
    for (int i = 0; i < 3; i++) {
        AtomInfo* a = getNextAtom(&pdb);
        a->atomID = 100 * (i + 1);
        pdbStrCpy(a->atomName, atoms[i].name);
        pdbStrCpy(a->locID, atoms[i].loc);
        pdbStrCpy(a->resName, "ASN");
        pdbStrCpy(a->chainID, "B");
        pdbStrCpy(a->icode, atoms[i].icode);
        pdbStrCpy(a->segID, atoms[i].seg);
        pdbStrCpy(a->element, i == 1 ? "H" : "N");
        a->resID = -7 + i;
        a->x = -12.3456f;
        a->y = 0.0f;
        a->z = 123.4564f;
        a->occupancy = 1.0f;
        a->tempFactor = 9.5f;
    }
    std::string path = tempFile();
    ASSERT_EQ(writePDB(path.c_str(), &pdb, nullptr, nullptr), 0);
    // Columns counted by hand: name 13-16 (short names from 14), altloc 17,
    // residue 18-21, chain 22, number 23-26, icode 27, x/y/z 31-54,
    // occupancy 55-60, B 61-66, segment 73-76, element 77-78, charge 79-80.
    EXPECT_EQ(fileText(path),
              "ATOM    100  N   ASN B  -7     -12.346   0.000 123.456  1.00  9.50           N  \n"
              "ATOM    200 HD21BASN B  -6A    -12.346   0.000 123.456  1.00  9.50        S1 H  \n"
              "ATOM    300  OXT ASN B  -5     -12.346   0.000 123.456  1.00  9.50      LONG N  \n"
              "END\n");
    // Only the selected atoms, after the remark line and an empty line.
    PDBSelectInfo sel;
    pdbSelectNull(&sel);
    sel.selectMode = 2;
    sel.atomNameMode = 3;
    std::strcpy(sel.atomNameList, "H*");
    ASSERT_EQ(writePDB(path.c_str(), &pdb, &sel, "from korim"), 0);
    EXPECT_EQ(fileText(path),
              "REMARK from korim\n\n"
              "ATOM    200 HD21BASN B  -6A    -12.346   0.000 123.456  1.00  9.50        S1 H  \n"
              "END\n");
    std::remove(path.c_str());

    testing::internal::CaptureStderr();
    EXPECT_EQ(writePDB("/nonexistent-dir/x.pdb", &pdb, nullptr, nullptr), 1);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "PDB Error opening PDB file /nonexistent-dir/x.pdb\n");
    EXPECT_EQ(writePDB("/nonexistent-dir/x.pdb", nullptr, nullptr, nullptr), 0);
}

TEST_F(Io, WriteFailureIsReported) {
    // /dev/full accepts the open and fails every write.
    if (access("/dev/full", W_OK) != 0) GTEST_SKIP() << "no /dev/full";
    pdbInit(&pdb);
    AtomInfo* a = getNextAtom(&pdb);
    pdbStrCpy(a->atomName, "CA");
    testing::internal::CaptureStderr();
    EXPECT_EQ(writePDB("/dev/full", &pdb, nullptr, nullptr), 1);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "PDB Error writing PDB file /dev/full\n");
}

TEST_F(Io, StandardStreams) {
    // An empty name reads standard input and never closes it.
    FILE* saved = std::freopen(fixture("crlf.pdb").c_str(), "r", stdin);
    ASSERT_NE(saved, nullptr);
    ASSERT_EQ(read(""), 0);
    EXPECT_EQ(pdb.atomCount, 4);
    EXPECT_NE(fcntl(STDIN_FILENO, F_GETFD), -1);
    EXPECT_EQ(std::fgetc(stdin), EOF);  // still a usable stream, at its end
}

TEST_F(Io, AllocationFailureWhileReading) {
    // Fail each allocation of reading and indexing in turn: every run ends
    // with status 1 and the allocator's message, or 0 and a whole structure;
    // never a crash, and pdbFree releases whatever was built.
    int failures = 0;
    for (int n = 1; n <= 60; n++) {
        PDBInfo p;
        pdbNull(&p);
        fnd::memoryFailAt(n);
        int status = 0;
        std::string e = stderrOf([&] { status = readPDB(fixture("two_chains.pdb").c_str(), &p, nullptr, nullptr); });
        fnd::memoryFailAt(0);
        if (status != 0 || !e.empty()) {
            failures++;
            EXPECT_NE(e.find("Memory allocation failure."), std::string::npos) << n;
        }
        if (status == 0) {
            EXPECT_EQ(p.atomCount, 20) << n;
            for (int i = 0; i < p.atomCount; i++) EXPECT_NE(p.atomList[i].resInfo, nullptr) << n;
        }
        pdbFree(&p);
    }
    EXPECT_GT(failures, 10);
}

}  // namespace
