// PDB reading and writing: ATOM records formatted as their printf format, messy files (CRLF, short
// lines, HETATM waters, altlocs, insertion codes, bad numbers) and the real ubiquitin file.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <tuple>
#include <utility>
#include <vector>
#include <fcntl.h>
#include <unistd.h>

#include "foundation/memory.h"
#include "foundation/outputfile.h"
#include "structure/pdb.h"
#include "structure/pdbline.h"
#include "tests/support/capture.h"
#include "tests/support/files.h"

using namespace korim::structure;
using namespace korim_test;
namespace fnd = korim::foundation;

namespace {

std::string fixture(const char* name) { return testData(std::string("pdb/") + name); }

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
        pdbFree(&pdb);
        int status = 0;
        err = captureStderr([&] { status = readPDB(path.c_str(), &pdb, sel, nullptr); });
        return status;
    }
    // Reads a structure of the line first and then record (HETATM records read where hetatm is
    // 1), expecting the status and the atom count; the standard error text with the file's name
    // put for "@" in message.
    std::string readRecord(const TempDir& dir, const std::string& first, const std::string& record, int hetatm,
                           int status, int atoms, std::string message) {
        const std::string path = writeFile(dir / "record.pdb", first + record + "\n");
        PDBSelectInfo sel;
        pdbSelectNull(&sel);
        sel.hetatmFlag = hetatm;
        EXPECT_EQ(read(path, &sel), status) << record;
        EXPECT_EQ(pdb.atomCount, atoms) << record;
        if (const size_t at = message.find('@'); at != std::string::npos) message.replace(at, 1, path);
        return message;
    }
};

TEST_F(Io, FieldColumns) {
    const char* line = "ATOM   1234 HD21 ASN B  52A     -1.500  22.250-100.125  0.50 12.34      SEGA H1-";
    const std::pair<int, const char*> want[] = {
        {PDB_ATOMID, "1234"},    {PDB_ATOMNAME, "HD21"},  {PDB_LOCID, ""},         {PDB_RESNAME, "ASN"},
        {PDB_CHAINID, "B"},      {PDB_RESID, "52"},       {PDB_ICODE, "A"},        {PDB_X, "-1.500"},
        {PDB_Y, "22.250"},       {PDB_Z, "-100.125"},     {PDB_OCCUPANCY, "0.50"}, {PDB_TEMPFACTOR, "12.34"},
        {PDB_SEGID, "SEGA"},     {PDB_ELEMENT, "H"},      {PDB_CHARGE, "1-"}};
    char f[16];
    for (const auto& [field, text] : want) {
        getPDBField(line, field, f, sizeof(f));
        EXPECT_STREQ(f, text) << pdbFieldList[field].fieldName;
    }
    // Blanks inside a field are dropped; a field past the end is empty.
    getPDBField("ATOM      1 C A ", PDB_ATOMNAME, f, sizeof(f));
    EXPECT_STREQ(f, "CA");
    getPDBField("ATOM      1 CA", PDB_RESNAME, f, sizeof(f));
    EXPECT_STREQ(f, "");
}

TEST_F(Io, CrlfAndShortLines) {
    ASSERT_EQ(read(fixture("crlf.pdb")), 0);
    EXPECT_EQ(err, "");
    ASSERT_EQ(pdb.atomCount, 4);
    EXPECT_EQ(pdb.resCount, 2);
    const AtomInfo& hn = pdb.atomList[2];
    EXPECT_EQ(std::string(hn.atomName) + "|" + hn.element, "HN|H");
    EXPECT_TRUE(hn.x == -1.25f && hn.z == 10.125f);  // exact binary fractions

    // A record that ends before the last column of z (line 2 ends after x; later ones after the
    // residue number, inside the residue name, after the record name) would read its missing
    // coordinates as 0: the file is refused at the first such line.
    const std::string shortLines = fixture("short_lines.pdb");
    EXPECT_EQ(read(shortLines), 1);
    EXPECT_EQ(err, "PDB Error: atom record ends before its z coordinate (column 54) in line 2 of PDB file " +
                       shortLines + "\n");
}

TEST_F(Io, RecordsEndAnywhereAfterZOnlyWhereRead) {
    const std::string whole = "ATOM      1  CA  LYS A   7      11.000  12.000  13.000  0.50 20.00\n";
    const std::string toZ = "ATOM      2  CB  LYS A   7      14.000  15.000  16.000\r\n";
    const std::string cutAtom = "ATOM      3  CG  LYS A   7      17.000  18.000  19.00\n";
    const std::string cutWater = "HETATM    4  O   HOH W 101      1.000\n";
    // (file text, HETATM records read, status)
    const std::tuple<std::string, int, int> cases[] = {
        {whole + toZ, 0, 0},                                          // no element; no columns after z
        {whole + cutAtom, 0, 1},                                      // one column short of z
        {whole + cutWater, 0, 0},                                     // a HETATM record not read
        {whole + cutWater, 1, 1},                                     // ... and read
        {"MODEL 1\n" + whole + "ENDMDL\nMODEL 2\n" + cutAtom, 0, 0}};  // a later model: not read
    TempDir dir;
    for (const auto& [text, hetatm, status] : cases) {
        const std::string path = writeFile(dir / "cut.pdb", text);
        PDBSelectInfo sel;
        pdbSelectNull(&sel);
        sel.hetatmFlag = hetatm;
        ASSERT_EQ(read(path, &sel), status) << text;
        if (status == 1) {
            EXPECT_NE(err.find("column 54) in line 2 of PDB file " + path), std::string::npos) << err;
        }
    }
    ASSERT_EQ(read(writeFile(dir / "to_z.pdb", whole + toZ)), 0);
    ASSERT_EQ(pdb.atomCount, 2);
    const AtomInfo* a = pdb.atomList;
    EXPECT_TRUE(a[0].z == 13.0f && a[0].tempFactor == 20.0f && a[0].element[0] == '\0');
    EXPECT_TRUE(a[1].z == 16.0f && a[1].occupancy == 0.0f);
}

TEST_F(Io, HetatmRecordsOnlyOnRequest) {
    ASSERT_EQ(read(fixture("hetatm_water.pdb")), 0);
    EXPECT_EQ(pdb.atomCount, 2);
    PDBSelectInfo sel;
    pdbSelectNull(&sel);
    sel.hetatmFlag = 1;
    ASSERT_EQ(read(fixture("hetatm_water.pdb"), &sel), 0);
    ASSERT_EQ(pdb.atomCount, 5);
    EXPECT_EQ(pdb.resCount, 4);
    // The serial runs into the record name: "HETATM10001".
    EXPECT_EQ(std::to_string(pdb.atomList[4].atomID) + pdb.atomList[4].chargeStr, "100012+");
    EXPECT_EQ(findAtom(&pdb, 102, "O", "A", "")->atomID, 4);
    // Waters are no amino acids.
    sel.selectClass = 4;
    ASSERT_EQ(read(fixture("hetatm_water.pdb"), &sel), 0);
    EXPECT_EQ(pdb.atomCount, 2);
}

TEST_F(Io, SkippedHetatmRecordsAreCountedByResidueName) {
    // Selenomethionine and a methylated lysine written as HETATM records (as crystal structures
    // write them), three waters after them; then 40 ligands of 40 names, of which the names field
    // holds the first 33 (7 characters each) and counts the rest.
    TempDir dir;
    const std::string alanine = "ATOM      1  CA  ALA A   1       1.000   2.000   3.000\n";
    std::string modified = alanine, ligands = alanine;
    for (const char* het : {"MSE", "MSE", "MLY", "HOH", "HOH", "HOH"})
        modified += std::string("HETATM    2  C   ") + het + " A   2       1.000   2.000   3.000\n";
    for (int k = 0; k < 40; k++) {
        char line[96];
        std::snprintf(line, sizeof line, "HETATM %4d  C1  L%02d X %3d       1.000   2.000   3.000\n", k + 1, k, k + 1);
        ligands += line;
    }
    const struct {
        std::string text;
        int skipped;
        std::string names;
    } cases[] = {
        {modified, 6, "MSE 2, MLY 1 and HOH 3"},
        {ligands, 40,
         "L00 1, L01 1, L02 1, L03 1, L04 1, L05 1, L06 1, L07 1, L08 1, L09 1, L10 1, L11 1, L12 1, L13 1, L14 1, "
         "L15 1, L16 1, L17 1, L18 1, L19 1, L20 1, L21 1, L22 1, L23 1, L24 1, L25 1, L26 1, L27 1, L28 1, L29 1, "
         "L30 1, L31 1, L32 1 and 7 more names"},
    };
    for (const auto& c : cases) {
        const std::string path = writeFile(dir / "het.pdb", c.text);
        ASSERT_EQ(read(path), 0);
        EXPECT_EQ(pdb.atomCount, 1);
        EXPECT_EQ(skippedHetatm(&pdb), std::to_string(c.skipped) + " HETATM records skipped (" + c.names + ")");
        EXPECT_EQ(err, "PDB Warning: " + std::to_string(c.skipped) + " HETATM records skipped in " + path + " (" +
                           c.names + "): korim reads ATOM records only; a modified residue stays in the structure "
                           "when its records are written as ATOM records, and takes charges only where a charge rule "
                           "or a pKa file names it.\n");
    }
    // Read as asked (-hetatm), nothing is skipped or said.
    PDBSelectInfo sel;
    pdbSelectNull(&sel);
    sel.hetatmFlag = 1;
    ASSERT_EQ(read(dir / "het.pdb", &sel), 0);
    EXPECT_TRUE(pdb.atomCount == 41 && pdb.hetatmSkipped == 0 && skippedHetatm(&pdb).empty() && err.empty()) << err;
}

TEST_F(Io, RecordNamesAreColumnsOneToSix) {
    TempDir dir;
    const std::string path = writeFile(dir / "names.pdb",
                                       "atom      1  N   ALA A   1       1.000   2.000   3.000\n"
                                       "ATOM 100000  CA  ALA A   1       1.000   2.000   3.000\n"
                                       "ATOMS     3  C   ALA A   1       1.000   2.000   3.000\n"
                                       "REMARK ATOM  4  O   ALA A   1\n"
                                       "\n");
    ASSERT_EQ(read(path), 0);
    ASSERT_EQ(pdb.atomCount, 2);
    EXPECT_TRUE(pdb.atomList[0].atomID == 1 && pdb.atomList[1].atomID == 100000);
    // Written back, the six-digit serial grows into columns 5-6 and every
    // other field keeps its columns (the line read above).
    ASSERT_EQ(writePDB(path.c_str(), &pdb, nullptr, nullptr), 0);
    EXPECT_EQ(readFile(path).substr(81, 54), "ATOM 100000  CA  ALA A   1       1.000   2.000   3.000");
}

TEST_F(Io, AltLocsAndInsertionCodes) {
    // The second conformer of OG1 is skipped. (The warnings for skipped locations and further
    // models, and that both give the single-model result: cli
    // MessyStructures.FirstModelAndFirstLocationsGiveTheSingleModelResult.)
    ASSERT_EQ(read(fixture("altloc_icode.pdb")), 0);
    ASSERT_EQ(pdb.atomCount, 5);
    EXPECT_STREQ(pdb.atomList[1].locID, "A");
    AtomInfo* og1 = findAtom(&pdb, 51, "OG1", "A", "");
    ASSERT_NE(og1, nullptr);
    EXPECT_TRUE(og1->atomID == 2 && og1->x == 1.0f && og1->resInfo->atomCount == 2);
    // 52 and 52A are one residue (the residue key has no insertion code),
    // named after its last atom; the inserted atom has its own key.
    EXPECT_EQ(pdb.resCount, 3);
    ResInfo* r52 = findRes(&pdb, 52, "A", "");
    ASSERT_NE(r52, nullptr);
    EXPECT_EQ(std::to_string(r52->atomCount) + r52->resName, "2ALA");
    EXPECT_EQ(findAtom(&pdb, 52, "CA", "A", "")->atomID, 4);
    EXPECT_STREQ(pdb.atomList[3].icode, "A");
}

TEST_F(Io, MalformedNumbersAndMissingFiles) {
    const struct {
        const char* file;
        const char* message;  // followed by the path, the reason and a newline
        int atomsKept;
        const char* reason = "";
    } cases[] = {{"bad_coordinate.pdb", "PDB Error: bad Y field '2.x00' in line 2 of PDB file ", 1},
                 {"bad_resid.pdb", "PDB Error: bad RESID field '1O' in line 2 of PDB file ", 1},
                 {"no_such_file.pdb", "PDB Error opening PDB file ", 0, ": No such file or directory"}};
    for (const auto& c : cases) {
        EXPECT_EQ(read(fixture(c.file)), 1) << c.file;
        EXPECT_EQ(err, c.message + fixture(c.file) + c.reason + "\n");
        EXPECT_EQ(pdb.atomCount, c.atomsKept) << c.file;  // what was read before the bad line
    }
}

// A blank residue number or coordinate would read as 0 (residue 0, an atom moved to a plane of
// the origin): the record is refused, naming its line. Blank fields that read as a default, a
// written 0, and a HETATM record the run does not read stay read.
TEST_F(Io, BlankNumbersRefusedWhereTheyWouldReadAsZero) {
    const std::string first = "ATOM      1  N   MET A   1      27.340  24.430   2.614  1.00  9.67      SEGA N\n";
    const std::string blankNote = " in line 2 of PDB file @, where an atom record holds its ";
    const struct {
        std::string record;
        int hetatm, status, atoms;
        std::string message;  // the whole standard error text; the file's name where it holds "@"
    } cases[] = {
        {"ATOM      2  CA  MET A   1              24.430   2.614  1.00  9.67           C", 0, 1, 1,
         "PDB Error: blank X field (columns 31-38)" + blankNote + "x coordinate\n"},
        {"ATOM      2  CA  MET A   1      27.340           2.614", 0, 1, 1,
         "PDB Error: blank Y field (columns 39-46)" + blankNote + "y coordinate\n"},
        {"ATOM      2  CA  MET A   1      27.340  24.430        ", 0, 1, 1,
         "PDB Error: blank Z field (columns 47-54)" + blankNote + "z coordinate\n"},
        {"ATOM      2  CA  MET A   1      27.340  24.430  \t     ", 0, 1, 1,
         "PDB Error: blank Z field (columns 47-54)" + blankNote + "z coordinate\n"},
        {"ATOM      2  CA  MET A           27.340  24.430   2.614  1.00  9.67           C", 0, 1, 1,
         "PDB Error: blank RESID field (columns 23-26)" + blankNote + "residue number\n"},
        {"HETATM    2  O   HOH W             1.000   2.000   3.000", 1, 1, 1,
         "PDB Error: blank RESID field (columns 23-26)" + blankNote + "residue number\n"},
        // Read: zeros written out, blank occupancy, B-factor, chain, insertion code, segment and
        // element, a record ending at column 54, a HETATM record not read.
        {"ATOM      2  CA  MET A   0       0.000    -0.0       0", 0, 0, 2, ""},
        {"ATOM      2  CA  MET     1      27.340  24.430   2.614", 0, 0, 2, ""},
        {"ATOM      2  CA  MET A   1      27.340  24.430   2.614                        ", 0, 0, 2, ""},
        {"HETATM    2  O   HOH W             1.000           3.000", 0, 0, 1,
         "PDB Warning: 1 HETATM record skipped in @ (HOH 1): korim reads ATOM records only; a modified residue "
         "stays in the structure when its records are written as ATOM records, and takes charges only where a "
         "charge rule or a pKa file names it.\n"},
    };
    TempDir dir;
    for (const auto& c : cases)
        EXPECT_EQ(err, readRecord(dir, first, c.record, c.hetatm, c.status, c.atoms, c.message)) << c.record;
}

// A number field whose columns hold two numbers (a field before it lost or gained a column) would
// read, without its blanks, as one number far from the one written: refused, naming its columns.
// Numbers that fill their fields and touch their neighbours, and serials grown into columns 5-6,
// are read by their columns.
TEST_F(Io, NumberFieldsHoldingTwoNumbersAreRefused) {
    const std::string first = "ATOM      1  N   MET A   1      27.340  24.430   2.614  1.00  9.67           N\n";
    const std::string moved = " holds more than one number: a field of the record has moved out of its columns";
    const struct {
        std::string record;
        std::string field;  // the start of the message, empty for a record read
        float x = 0, z = 0, occupancy = 0, tempFactor = 0;
        int serial = 0;
    } cases[] = {
        // The y field of the example's atom 548 deleted: z then holds "  1.00 2".
        {"ATOM    548  OE1 GLU A  34      43.993 -10.247  1.00 21.95           O  ",
         "Z field (columns 47-54) '  1.00 2'"},
        // A blank put in column 47 of the example's atom 1: z reads 8.50, the occupancy "9  1.0".
        {"ATOM      1  N   MET A   1      52.923 -90.016    8.509  1.00  9.67           N  ",
         "OCCUPANCY field (columns 55-60) '9  1.0'"},
        {"ATOM      2  CA  MET A 1 2       1.000   2.000   3.000", "RESID field (columns 23-26) ' 1 2'"},
        {"ATOM  1   2  CA  MET A   1       1.000   2.000   3.000", "ATOMID field (columns 7-11) '1   2'"},
        {"ATOM1    23  CA  MET A   1       1.000   2.000   3.000", "ATOMID field (columns 5-11) '1    23'"},
        // Read: coordinates that fill and touch their fields, the edges of occupancy and B factor,
        // serials of six and seven digits.
        {"ATOM      2  CA  MET A   1    -100.123-200.456-300.789100.00-99.99", "", -100.123f, -300.789f, 100.0f,
         -99.99f, 2},
        {"ATOM 100000  CA  MET A   1       1.000   2.000   3.000  0.50", "", 1.0f, 3.0f, 0.5f, 0.0f, 100000},
        {"ATOM1234567  CA  MET A   1       1.000   2.000   3.000", "", 1.0f, 3.0f, 0.0f, 0.0f, 1234567},
    };
    TempDir dir;
    for (const auto& c : cases) {
        const std::string path = writeFile(dir / "moved.pdb", first + c.record + "\n");
        if (!c.field.empty()) {
            EXPECT_EQ(read(path), 1) << c.record;
            EXPECT_EQ(pdb.atomCount, 1) << c.record;
            EXPECT_EQ(err.substr(0, err.find(" (an atom record")),
                      "PDB Error: " + c.field + " in line 2 of PDB file " + path + moved)
                << err;
            continue;
        }
        ASSERT_EQ(read(path), 0) << c.record << err;
        ASSERT_EQ(pdb.atomCount, 2);
        const AtomInfo& a = pdb.atomList[1];
        EXPECT_TRUE(a.x == c.x && a.z == c.z && a.occupancy == c.occupancy && a.tempFactor == c.tempFactor &&
                    a.atomID == c.serial)
            << c.record;
    }
    // The message in whole, with the columns of each number it names.
    read(writeFile(dir / "moved.pdb", first + cases[0].record + "\n"));
    EXPECT_EQ(err, "PDB Error: Z field (columns 47-54) '  1.00 2' in line 2 of PDB file " + dir / "moved.pdb" + moved +
                       " (an atom record holds its serial in columns 7-11, residue number in 23-26, x in 31-38, y in "
                       "39-46, z in 47-54, occupancy in 55-60 and temperature factor in 61-66)\n");
}

// Atom records after an ENDMDL that no MODEL record follows belong to no model (an ENDMDL inside
// a model, or models told apart by ENDMDL alone): refused, naming both lines. A single model
// ending in ENDMDL, with or without MODEL 1, and MODEL/ENDMDL pairs are read (model 1).
TEST_F(Io, AtomRecordsAfterAnEndmdlThatNoModelFollowsAreRefused) {
    const std::string a = "ATOM      1  N   MET A   1      27.340  24.430   2.614  1.00  9.67           N\n";
    const std::string b = "ATOM      2  CA  MET A   1      26.266  25.413   2.842  1.00 10.38           C\n";
    const std::string water = "HETATM    3  O   HOH W 101       1.000   2.000   3.000\n";
    const std::string stray = " holds an atom record after the ENDMDL of line ";
    const struct {
        std::string text;
        int hetatm, status, atoms;
        std::string message;  // the start of standard error; "@" for the file's name
    } cases[] = {
        {a + "ENDMDL\n" + b, 0, 1, 1, "PDB Error: line 3 of PDB file @" + stray + "2, and no MODEL record"},
        {"MODEL        1\n" + a + "ENDMDL\n" + b + "ENDMDL\n", 0, 1, 1, "PDB Error: line 4 of PDB file @" + stray + "3"},
        {a + "ENDMDL\n" + water, 1, 1, 1, "PDB Error: line 3 of PDB file @" + stray + "2"},
        // Read.
        {a + water + "ENDMDL\n" + water, 0, 0, 1, "PDB Warning: 1 HETATM record skipped"},  // not read either way
        {a + b + "TER       3      MET A   1\nENDMDL\nCONECT    1    2\nMASTER        0    0\nEND\n", 0, 0, 2, ""},
        {"MODEL        1\n" + a + b + "ENDMDL\nEND\n", 0, 0, 2, ""},
        {"MODEL        1\n" + a + "ENDMDL\nMODEL        2\n" + b + "ENDMDL\nEND\n", 0, 0, 1,
         "PDB Warning: @ holds 2 models; model 1 is used.\n"},
        {a + "ENDMDL\nMODEL        2\n" + b + "ENDMDL\n", 0, 0, 1, ""},
    };
    TempDir dir;
    for (const auto& c : cases) {
        const std::string want = readRecord(dir, "", c.text, c.hetatm, c.status, c.atoms, c.message);
        if (want.empty()) {
            EXPECT_EQ(err, "") << c.text;
        } else {
            EXPECT_EQ(err.substr(0, want.size()), want) << c.text;
        }
    }
}

// A coordinate the eight columns of a PDB coordinate cannot hold (the writer would move the rest
// of its record) is refused, naming the line; a line that begins with a record name but holds no
// record (a tab, a control byte after it) is skipped, counted, the first one named.
TEST_F(Io, CoordinatesBeyondTheColumnsAndLinesThatAreNoRecord) {
    const std::string first = "ATOM      1  N   ALA A   1       1.000   2.000   3.000\n";
    const std::string tabbed = "ATOM\t    2  CA  ALA A   1       1.000   2.000   3.000";
    const std::string water = "HETATM\t   3  O   HOH W 101       1.000   2.000   3.000";
    const std::string note = " holds a tab where a record has a blank or its serial number:\n";
    const struct {
        std::string record;
        int hetatm, status, atoms;
        std::string message;  // after "PDB ", the file's name where it holds "@"
    } cases[] = {
        {"ATOM      2  CA  ALA A   1    9999.999-999.999   3.000", 0, 0, 2, ""},  // the edges
        {"ATOM      2  CA  ALA A   1       1.000-1000.00   3.000", 0, 1, 1,
         "Error: Y coordinate '-1000.00' in line 2 of PDB file @ lies outside -999.999 to 9999.999 A (what the eight "
         "columns of a PDB coordinate hold)\n"},
        {"ATOM      2  CA  ALA A   1       1.000   2.00010000.00", 0, 1, 1, "Error: Z coordinate '10000.00' in line 2"},
        {tabbed + "\nATOM \x01   3  C   ALA A   1       1.000   2.000   3.000", 0, 0, 1,
         "Warning: 2 lines skipped in @: they begin with ATOM or HETATM but are no atom records; the first is line 2"},
        {"ATOM \x01   3  C   ALA A   1       1.000   2.000   3.000", 0, 0, 1,
         "Warning: 1 line skipped in @: it begins with ATOM or HETATM but is no atom record; the first is line 2, "
         "whose column 6 holds \\x01 where"},
        {water, 1, 0, 1, "Warning: 1 line skipped in @: it begins with ATOM or HETATM but is no atom record; the "
                         "first is line 2, whose column 7" + note + water + "\n"},
        {water, 0, 0, 1, ""},  // HETATM records not read: no word about one that is no record
    };
    TempDir dir;
    for (const auto& c : cases) {
        const std::string want = readRecord(dir, first, c.record, c.hetatm, c.status, c.atoms, c.message);
        if (want.empty()) {
            EXPECT_EQ(err, "") << c.record;
        } else {
            EXPECT_NE(err.find("PDB " + want), std::string::npos) << err;
        }
    }
}

TEST_F(Io, EmptyInputAndSelectionWhileReading) {
    TempDir dir;
    ASSERT_EQ(read(writeFile(dir / "empty.pdb", "")), 0);
    EXPECT_EQ(pdb.atomCount + pdb.resCount, 0);

    PDBSelectInfo sel;
    pdbSelectNull(&sel);
    sel.selectMode = 2, sel.resIDMode = 1, sel.atomNameMode = 0;
    sel.res1 = sel.resN = 2;
    ASSERT_EQ(read(fixture("two_chains.pdb"), &sel), 0);
    // Residue 2 of both chains.
    EXPECT_TRUE(pdb.atomCount == 8 && pdb.minResID == 2 && pdb.maxResID == 2 && pdb.chainCount == 2);
}

// A structure's records formatted once without their coordinates and then given one set of
// coordinates after another are the records putAtomRecord writes, as long as every coordinate
// fits its eight columns ("% 8.3f" by printf says whether it does); a wider one, which moves the
// rest of its line, is refused.
TEST(PdbLine, FramedRecordsEqualWholeRecords) {
    const struct {
        int id;
        const char *name, *res, *chain, *seg, *elem, *charge;
        int resID;
        float occ, b;
        bool selected;
    } rows[] = {
        {1, "N", "MET", "A", "", "N", "", 1, 1.0f, 9.67f, true},
        {2, "HD21", "ASN", "B", "S1", "H", "", 52, 0.5f, 12.34f, true},  // four letters
        {3, "CA", "GLY", "", "", "", "", -7, 0.0f, -3.25f, true},
        {99999, "OXT", "LYS", "Z", "LONGSEG", "O", "1-", 9999, 12345.6f, 100.0f, true},
        {123456, "CD21", "GLYX", "", "SEG1", "C", "1+", 12345, 1.0f, 0.0f, true},
        {12345678, "", "", "", "", "", "", 0, 1.0f, 0.0f, true},  // empty fields
        {7, "NOPE", "ALA", "A", "", "N", "", 3, 1.0f, 0.0f, false},
        {8, "HG123", "LEU", "A", "", "H", "", 4, 1.0f, 0.0f, true},  // five letters
    };
    // Negative zero, ties of the decimal grid exact in binary, the edges of the columns.
    const float sets[][3] = {{2.546f, 3.4f, 13.551f},         {-0.0f, -0.0004f, 0.0f},
                             {1.0625f, -0.1875f, 2.5625f},    {-999.999f, 999.999f, -0.0625f},
                             {999.9996f, 0.0f, 0.0f},         {-1000.0f, 12345.678f, -1.0e7f},
                             {-999.9995f, 0.0005f, 99.9995f}, {3.0e38f, 1.0f, -1.0f}};
    constexpr int n = static_cast<int>(std::size(rows)), nSets = static_cast<int>(std::size(sets));
    std::vector<AtomInfo> atoms(n);
    char selected[n];
    for (int i = 0; i < n; i++) {
        AtomInfo& a = atoms[i];
        a.atomID = rows[i].id, a.resID = rows[i].resID, a.occupancy = rows[i].occ, a.tempFactor = rows[i].b;
        for (auto [field, text] : {std::pair{a.atomName, rows[i].name}, {a.locID, ""}, {a.resName, rows[i].res},
                                   {a.chainID, rows[i].chain}, {a.icode, ""}, {a.segID, rows[i].seg},
                                   {a.element, rows[i].elem}, {a.chargeStr, rows[i].charge}})
            pdbStrCpy(field, text);
        selected[i] = rows[i].selected;
    }
    RecordFrame frame;
    frame.text = "REMARK x\n";
    frameRecords(frame, atoms.data(), n, selected);
    const std::string before = frame.text.substr(0, 9);
    // Each row's coordinates from the table in turn, then random ones, most of them a few steps
    // of float from an edge of the columns or a tie.
    std::mt19937 gen(11);
    std::uniform_real_distribution<float> any(-1000.5f, 1000.5f);
    std::uniform_int_distribution<int> pick(0, 9), steps(-3, 3);
    auto randomCoordinate = [&] {
        const float edges[] = {999.9995f, 1000.0f, 99.9995f, 9.9995f, 0.0005f, 1.0625f, 0.0f};
        const int e = pick(gen);
        if (e >= 7) return any(gen);
        float v = edges[e];
        for (int s = steps(gen); s != 0; s -= s > 0 ? 1 : -1) v = std::nextafter(v, s > 0 ? INFINITY : -INFINITY);
        return pick(gen) % 2 ? -v : v;
    };
    for (int turn = 0; turn < nSets + 2000; turn++) {
        std::vector<float> xyz(3 * n);
        for (int i = 0; i < 3 * n; i++)
            xyz[i] = turn < nSets ? sets[(i / 3 + turn) % nSets][i % 3] : randomCoordinate();
        std::string want;
        bool fits = true;
        for (int i = 0; i < n; i++) {
            if (!selected[i]) continue;
            char rec[kRecordRoom], text[64];
            want.append(rec, putAtomRecord(rec, atoms[i], xyz[3 * i], xyz[3 * i + 1], xyz[3 * i + 2]));
            for (int c = 0; c < 3; c++) fits = fits && std::snprintf(text, sizeof text, "% 8.3f", xyz[3 * i + c]) == 8;
        }
        ASSERT_EQ(setFramedCoordinates(frame, xyz.data()), fits) << turn;
        if (fits) {
            ASSERT_EQ(frame.text, before + want) << turn;
        }
    }
}

// The ATOM record of the writer as its printf format: serials of six and seven digits grow into
// columns 5-6, four-letter names start a column early.
std::string printfRecord(const AtomInfo& a) {
    char head[32], line[256];
    std::snprintf(head, sizeof head, a.atomID > 99999 && a.atomID <= 9999999 ? "ATOM%7d" : "ATOM  %5d", a.atomID);
    auto first = [](const char* s) { return s[0] ? s[0] : ' '; };
    std::snprintf(line, sizeof line,
                  std::strlen(a.atomName) < 4
                      ? "%s  %-3s%1c%-4s%1c%4d%1c   % 8.3f% 8.3f% 8.3f%6.2f%6.2f      %4s%2s%2s\n"
                      : "%s %-4s%1c%-4s%1c%4d%1c   % 8.3f% 8.3f% 8.3f%6.2f%6.2f      %4s%2s%2s\n",
                  head, a.atomName, first(a.locID), a.resName, first(a.chainID), a.resID, first(a.icode), a.x, a.y,
                  a.z, a.occupancy, a.tempFactor, a.segID, a.element, a.chargeStr);
    return line;
}

TEST_F(Io, WriterFormatSelectionAndFailures) {
    pdbInit(&pdb);
    const struct {
        int id;
        const char *name, *loc, *res, *chain;
        int resID;
        const char *icode, *seg, *elem, *charge;
        float x, y, z, occ, b;
    } atoms[] = {
        {100, "N", "", "ASN", "B", -7, "", "", "N", "", -12.3456f, 0, 123.4564f, 1, 9.5f},
        {200, "HD21", "B", "ASN", "B", -6, "A", "S1", "H", "", -12.3456f, 0, 123.4564f, 1, 9.5f},
        {300, "OXT", "", "ASN", "B", -5, "", "LONG", "N", "", -12.3456f, 0, 123.4564f, 1, 9.5f},
        {123456, "CD21", "B", "ASN", "", -12, "A", "SEG1", "C", "1+", -999.999f, 0.0f, -0.0001f, 0.5f, 100.0f},
        {99999, "CA", "", "GLYX", "Z", 9999, "", "LONGSEG", "FE", "", 999.999f, -9.9995f, -0.0005f, 12345.6f, -3.25f},
        {12345678, "OXT", "", "LYS", "", 76, "", "", "O", "1-", 1.0f, 2.0f, 3.0f, 1.0f, 0.0f},
    };
    std::string want;
    for (const auto& c : atoms) {
        AtomInfo* a = getNextAtom(&pdb);
        a->atomID = c.id, a->resID = c.resID;
        for (auto [field, text] : {std::pair{a->atomName, c.name}, {a->locID, c.loc}, {a->resName, c.res},
                                   {a->chainID, c.chain}, {a->icode, c.icode}, {a->segID, c.seg},
                                   {a->element, c.elem}, {a->chargeStr, c.charge}})
            pdbStrCpy(field, text);
        a->x = c.x, a->y = c.y, a->z = c.z, a->occupancy = c.occ, a->tempFactor = c.b;
        want += printfRecord(*a);
    }
    TempDir dir;
    const std::string path = dir / "out.pdb";
    ASSERT_EQ(writePDB(path.c_str(), &pdb, nullptr, nullptr), 0);
    EXPECT_EQ(readFile(path), want + "END\n");
    // Only the selected atoms, after the remark line and an empty line. Columns counted by hand:
    // name 13-16, altloc 17, residue 18-21, chain 22, number 23-26, icode 27, x/y/z 31-54,
    // occupancy 55-60, B 61-66, segment 73-76, element 77-78, charge 79-80.
    PDBSelectInfo sel;
    pdbSelectNull(&sel);
    sel.selectMode = 2, sel.atomNameMode = 3;
    std::strcpy(sel.atomNameList, "H*");
    ASSERT_EQ(writePDB(path.c_str(), &pdb, &sel, "from korim"), 0);
    EXPECT_EQ(readFile(path),
              "REMARK from korim\n\n"
              "ATOM    200 HD21BASN B  -6A    -12.346   0.000 123.456  1.00  9.50        S1 H  \n"
              "END\n");

    // /dev/full accepts the open and fails every write.
    const struct {
        const char *path, *message;
    } failing[] = {{"/nonexistent-dir/x.pdb",
                    "PDB Error opening PDB file /nonexistent-dir/x.pdb: No such file or directory\n"},
                   {"/dev/full", "PDB Error writing PDB file /dev/full: No space left on device\n"}};
    for (const auto& f : failing) {
        if (std::strcmp(f.path, "/dev/full") == 0 && access(f.path, W_OK) != 0) continue;
        int status = 0;
        EXPECT_EQ(captureStderr([&] { status = writePDB(f.path, &pdb, nullptr, nullptr); }), f.message);
        EXPECT_EQ(status, 1) << f.path;
    }
    EXPECT_EQ(writePDB("/nonexistent-dir/x.pdb", nullptr, nullptr, nullptr), 0);  // nothing to write
}

// A structure korim writes is one it reads: coordinates up to the edges of what "% 8.3f" puts in
// eight columns come back as written; one beyond them (or not a number) is refused before the file
// is opened, naming the atom and the coordinate, and a file of that name is left as it was.
TEST_F(Io, WriterRefusesACoordinateWiderThanItsColumns) {
    pdbInit(&pdb);
    AtomInfo* a = getNextAtom(&pdb);
    a->atomID = 7, a->resID = 3;
    pdbStrCpy(a->atomName, "CA"), pdbStrCpy(a->resName, "GLY");
    const struct {
        float x, y, z;
        const char* refused;  // the coordinate named; null: written and read back
    } cases[] = {
        {-999.999f, 999.999f, 999.9994f, nullptr},
        {-999.9994f, 0.0f, -0.0f, nullptr},
        {1000.0f, 0.0f, 0.0f, "X coordinate 1000.000"},
        {0.0f, 999.9996f, 0.0f, "Y coordinate 1000.000"},
        {0.0f, 0.0f, -1000.0f, "Z coordinate -1000.000"},
        {0.0f, -16770.584f, 0.0f, "Y coordinate -16770.584"},
        {0.0f, 0.0f, NAN, "Z coordinate nan"},
    };
    TempDir dir;
    const std::string path = dir / "w.pdb";
    for (const auto& c : cases) {
        a->x = c.x, a->y = c.y, a->z = c.z;
        writeFile(path, "kept\n");
        korim::foundation::outputLostReset();
        int status = -1;
        const std::string err = captureStderr([&] { status = writePDB(path.c_str(), &pdb, nullptr, nullptr); });
        if (c.refused == nullptr) {
            EXPECT_TRUE(status == 0 && err.empty()) << c.x << " " << err;
            PDBInfo back;
            pdbNull(&back);
            ASSERT_EQ(readPDB(path.c_str(), &back, nullptr, nullptr), 0);
            EXPECT_TRUE(back.atomCount == 1 && back.atomList[0].x == std::round(c.x * 1000) / 1000 &&
                        back.atomList[0].y == std::round(c.y * 1000) / 1000 &&
                        back.atomList[0].z == std::round(c.z * 1000) / 1000)
                << c.x;
            pdbFree(&back);
            continue;
        }
        EXPECT_EQ(status, 1);
        EXPECT_EQ(err, std::string("PDB Error: the ") + c.refused + " of atom CA of residue 3 GLY (serial 7) lies "
                       "outside -999.999 to 999.999 A (what the eight columns of a PDB coordinate hold as korim "
                       "writes it); korim could not read it back, so PDB file " + path + " is not written.\n");
        EXPECT_TRUE(korim::foundation::outputLost());
        EXPECT_EQ(readFile(path), "kept\n");
    }
    korim::foundation::outputLostReset();
}

TEST_F(Io, EmptyNameReadsStandardInputAndLeavesItOpen) {
    ASSERT_NE(std::freopen(fixture("crlf.pdb").c_str(), "r", stdin), nullptr);
    ASSERT_EQ(read(""), 0);
    EXPECT_EQ(pdb.atomCount, 4);
    EXPECT_NE(fcntl(STDIN_FILENO, F_GETFD), -1);
    EXPECT_EQ(std::fgetc(stdin), EOF);  // still a usable stream, at its end
}

TEST_F(Io, UbiquitinCountsSequenceAndALookUp) {
    // The real NMR structure (model 1 with hydrogens) has no duplicate atoms: reading it is silent.
    ASSERT_EQ(read(kUbiquitinPdb), 0);
    EXPECT_EQ(err, "");
    // 1231 ATOM records (grep -c '^ATOM'), one chain, residues 1..76.
    EXPECT_EQ((std::vector<int>{pdb.atomCount, pdb.resCount, pdb.chainCount, pdb.segCount, pdb.minResID, pdb.maxResID}),
              (std::vector<int>{1231, 76, 1, 1, 1, 76}));
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

TEST_F(Io, UbiquitinRewriteIsByteExact) {
    ASSERT_EQ(read(kUbiquitinPdb), 0);
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
