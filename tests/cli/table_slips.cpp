// Slips in a coupling table that would be read as something else: a key word in another case, a
// number after the NULLVALUE's, a residue number beyond what the table holds exactly; and the
// values a table gives as its NULLVALUE, named as missing rather than as a residue 9999 or a D
// beyond the selection's bound.
#include "tests/cli/cli_util.h"

using namespace korim_cli;
using namespace korim_test;

namespace {

// Two rows of the example table (residues 3 and 5), as it writes them.
const std::string kRow3 = "    3  ILE    N    3  ILE    H     8.780     1.000 1.00";
const std::string kRow5 = "    5  VAL    N    5  VAL    H     3.190     1.000 1.00";

// The example table with each (from, to) replaced once, written to d/name.
std::string changed(const TempDir& d, const std::string& name,
                    const std::vector<std::pair<std::string, std::string>>& edits) {
  std::string text = readFile(kCouplings);
  for (const auto& [from, to] : edits) {
    const size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    if (at != std::string::npos) text.replace(at, from.size(), to);
  }
  return writeFile(d / name, text);
}

std::vector<std::string> fit(const std::string& table) {
  return {"-bestFit", "-pdb", kPdb, "-inD", table, "-outD", "out.tab"};
}
std::vector<std::string> conv(const std::string& table) { return {"-conv", "-korim", "-inD", table, "-outD", "out.tab"}; }

// The value of a DATA line of a written table ("DATA Da_HN  -1.2e+01").
std::string dataValue(const std::string& file, const std::string& key) {
  for (const std::string& l : lines(readFile(file)))
    if (l.rfind("DATA " + key + " ", 0) == 0) return l.substr(l.find_last_of(' ') + 1);
  return "";
}

}  // namespace

TEST(TableSlips, RefusedNamingTheLineOrNamedAsMissing) {
  TempDir d;
  const std::string nullLine = "NULLVALUE -666\nVARS";
  const std::string lower = changed(d, "lower.tab", {{"VARS", "nullvalue -666\nVARS"}, {" 8.780", "-666"}});
  const std::string split = changed(d, "split.tab", {{"VARS", "NULLVALUE 2 3\nVARS"}});
  const std::string big = changed(d, "big.tab", {{kRow3, "16777217" + kRow3.substr(5)}});
  const std::string least = changed(d, "least.tab", {{kRow3, kRow3.substr(0, 15) + " -2147483648" + kRow3.substr(20)}});
  const std::string nulls =
      changed(d, "nulls.tab", {{"VARS", nullLine}, {" 8.780", "-666"}, {kRow5, " -666" + kRow5.substr(5)}});
  const std::string kSkip = " in another case, which korim would skip: it reads a key word only as written in capitals";
  const std::string kBeyond = ", beyond the whole numbers from -16777216 to 16777216 that a table holds exactly";
  const Expect cases[] = {
      {fit(lower), 1, {"RdTable Error: line 5 of " + lower + " begins with nullvalue, the key word NULLVALUE" + kSkip}},
      {fit(split), 1,
       {"RdTable Error: line 5 of " + split + " gives NULLVALUE the value 2 followed by the number 3, where one value "
                                               "is taken (one number split by a space?"}},
      {conv(big), 1, {"RdTable Error: line 9 of " + big + " holds 16777217 in column 1 (RESID_I)" + kBeyond}},
      {conv(least), 1, {"RdTable Error: line 9 of " + least + " holds -2147483648 in column 4 (RESID_J)" + kBeyond}},
      {fit(nulls), 0,
       {"korim: 1 row of " + nulls + " gives D as the file's NULLVALUE -666: its coupling is missing",
        "   row 4: its residue number is missing (RESID_I holds the file's NULLVALUE -666)\n"},
       true},
      {{"-conv", "-xplor", "-inD", nulls, "-outD", "out.tab"}, 0,
       {"   row 4: holds no residue number in RESID_I (missing: the file's NULLVALUE -666)\n"}, true},
  };
  for (const Expect& c : cases) expectRun(c);
}

// The rows whose values are missing leave the fit as the table without them would; the largest
// residue number a table holds is written back as read.
TEST(TableSlips, MissingValuesLeaveTheFitAndTheLargestResidueReadsBack) {
  TempDir d;
  const std::string nulls =
      changed(d, "nulls.tab", {{"VARS", "NULLVALUE -666\nVARS"}, {" 8.780", "-666"}, {kRow5, " -666" + kRow5.substr(5)}});
  const std::string without = changed(d, "without.tab", {{kRow3 + "\n", ""}, {kRow5 + "\n", ""}});
  const std::string largest = changed(d, "largest.tab", {{kRow3, "16777216" + kRow3.substr(5)}});
  ASSERT_EQ(runKorim({"-bestFit", "-pdb", kPdb, "-inD", nulls, "-outD", "o1.tab"}, d).status, 0);
  ASSERT_EQ(runKorim({"-bestFit", "-pdb", kPdb, "-inD", without, "-outD", "o2.tab"}, d).status, 0);
  EXPECT_EQ(dataValue(d / "o1.tab", "N"), "61");
  EXPECT_EQ(dataValue(d / "o1.tab", "Da_HN"), dataValue(d / "o2.tab", "Da_HN"));
  // A table's residue range is its own above 1000000 and below 0 too.
  for (const char* id : {"2000002", "-7"}) {
    const std::string one = writeFile(d / "one.tab", std::string("VARS RESID_I ATOMNAME_I RESID_J ATOMNAME_J D\n"
                                                                 "FORMAT %d %s %d %s %f\n") +
                                                         id + " N " + id + " H -13.2\n");
    const RunResult r = runKorim(conv(one), d);
    EXPECT_NE(r.err.find(one + ", 1 Couplings, Residues " + id + " to " + id + ".\n"), std::string::npos) << r.err;
  }
  ASSERT_EQ(runKorim(conv(largest), d).status, 0);
  int found = 0;
  for (const std::vector<std::string>& row : readTable(d / "out.tab").rows) found += row.at(0) == "16777216";
  EXPECT_EQ(found, 1);
}
