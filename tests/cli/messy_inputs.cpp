// Real inputs that are messy: multi-model and alternate-location structures read as their first
// model and locations, and inputs that cannot give a result fail with a message naming why.
#include "tests/cli/cli_util.h"

using namespace korim_cli;
using namespace korim_test;

namespace {

std::vector<std::string> steric(const std::string& pdb, std::vector<std::string> extra = {}) {
  std::vector<std::string> args = {"-stKorim", "-dot", "30", "-pdb", pdb, "-outD", "out.tab"};
  args.insert(args.end(), extra.begin(), extra.end());
  return args;
}

// The ATOM lines of the example, each turned by edit (which returns the lines to write).
template <typename Edit>
std::string everyAtom(Edit edit) {
  std::string text;
  for (const std::string& l : lines(readFile(kPdb)))
    if (l.rfind("ATOM", 0) == 0) text += edit(l);
  return text;
}

std::string shifted(std::string line) {
  line.replace(30, 8, "  99.000");  // x of a far-away copy
  return line;
}

int countOf(const std::string& text, const std::string& piece) {
  int n = 0;
  for (size_t pos = 0; (pos = text.find(piece, pos)) != std::string::npos; pos++) n++;
  return n;
}

}  // namespace

TEST(MessyStructures, FirstModelAndFirstLocationsGiveTheSingleModelResult) {
  TempDir d;
  RunResult single = runKorim(steric(kPdb, {"-inD", kCouplings}), d);
  ASSERT_EQ(single.status, 0);
  const std::string want = readFile(d / "out.tab");
  const std::string models = writeFile(d / "models.pdb",
      "MODEL        1\n" + everyAtom([](const std::string& l) { return l + "\n"; }) + "ENDMDL\n" +
      "MODEL        2\n" + everyAtom([](const std::string& l) { return shifted(l) + "\n"; }) +
      "ENDMDL\nEND\n");
  const std::string altlocs = writeFile(d / "altloc.pdb", everyAtom([](std::string l) {
    l[16] = 'A';
    std::string b = shifted(l);
    b[16] = 'B';
    return l + "\n" + b + "\n";
  }));
  const struct {
    std::string pdb, warning;
  } cases[] = {
      {models, "PDB Warning: " + models + " holds 2 models; model 1 is used.\n"},
      {altlocs, "PDB Warning: 1231 alternate locations skipped in " + altlocs +
                    "; the first location of each atom is kept.\n"},
  };
  for (const auto& c : cases) {
    std::remove((d / "out.tab").c_str());
    RunResult r = runKorim(steric(c.pdb, {"-inD", kCouplings}), d);
    EXPECT_EQ(r.status, 0) << c.pdb;
    EXPECT_EQ(readFile(d / "out.tab"), want) << c.pdb;
    EXPECT_EQ(countOf(r.err, c.warning), 1) << r.err;
    EXPECT_EQ(countOf(r.err, "Warning"), 1) << r.err;
  }
}

TEST(MessyInputs, MessagesStatusAndResult) {
  TempDir d;
  const std::string empty = writeFile(d / "empty.pdb", "");
  const std::string header = writeFile(d / "header.pdb", "HEADER    UBIQUITIN\nREMARK   1\nEND\n");
  const std::string binary = writeFile(d / "binary.pdb", std::string("\x7f" "ELF\x02\x01\x00\xff\xfe", 9));
  const std::string noD = testData("dc/no_d.tab");
  const std::string hn = writeFile(d / "hn.tab", [] {
    std::string t = readFile(kCouplings);
    for (size_t pos = 0; (pos = t.find("    H  ", pos)) != std::string::npos;) t.replace(pos, 7, "    HN ");
    return t;
  }());
  const struct {
    std::vector<std::string> args;
    int status;
    std::vector<std::string> messages;  // in this order on stderr
    bool table;                         // out.tab written
  } cases[] = {
      {steric(empty), 1, {"PDB Error: no atoms read from " + empty + "\n"}, false},
      {steric(header), 1, {"PDB Error: no atoms read from " + header + "\n"}, false},
      {steric(binary), 1, {"PDB Error: no atoms read from " + binary + "\n"}, false},
      {steric(kPdb, {"-chain", "X"}), 1,
       {"PDB Error: no atom selected; the selection options match no atom of the structure.\n"}, false},
      {steric(kPdb, {"-inD", noD}), 1,
       {"DC Error: " + noD + " has no column D (the measured couplings).\n", "Error reading DC input " + noD + "\n"},
       false},
      {steric(kPdb, {"-inD", hn}), 0,
       {"DC Warning: 63 selected couplings map to no atom of the structure and are not used:\n"
        "   row 1: residue 2 GLN has no atom HN (the structure names it H)\n",
        "   row 5: residue 6 LYS has no atom HN (the structure names it H)\n   ... and 58 more.\n"},
       true},
      {steric(kPdb, {"-inD", testData("cli/messy_couplings.tab")}), 0,
       {"DC Warning: 1 selected couplings map to no atom of the structure and are not used:\n"
        "   row 4: residue 200 is not in the structure\n",
        "DC Warning: 1 couplings repeat the atom pair of an earlier row:\n   row 2: 2 N - 2 H, as row 1\n",
        "DC Warning: 1 couplings name a residue differently from the structure:\n"
        "   row 3: residue 3 is ALA in the table, ILE in the structure\n"},
       true},
      {steric(kPdb, {"-Pf1"}), 0, {"  Argument 8 may be unknown or unused:\n  ' -Pf1 '\n"}, true},
      {steric(kPdb, {"-elKorimFree"}), 0,
       {"korim: this mode sets up the charges only; no coupling table is written to out.tab.\n"}, false},
      {steric(kPdb, {"-inD", kCouplings, "-wv"}), 1,
       {"KORIM Error: option -wv needs a value.\n", "KORIM Error extracting command-line arguments.\n"}, false},
      {steric(kPdb, {"-charmm22"}), 0,
       {"WARNING: 9 of 602 selected atoms got no charge: their residue or atom names are not in the "
        "force-field table.\n"},
       true},
  };
  for (const auto& c : cases) {
    std::remove((d / "out.tab").c_str());
    RunResult r = runKorim(c.args, d);
    const std::string what = c.messages.front();
    EXPECT_EQ(r.status, c.status) << what;
    std::vector<std::string> want = c.messages;
    want.push_back(kMemoryLine);
    EXPECT_TRUE(inOrder(r.err, want)) << r.err;
    EXPECT_EQ(fileExists(d / "out.tab"), c.table) << what;
  }
}
