// Charge set-up: source choice, default pKa rules on ubiquitin, pKa files, force-field sets, capacity and messages.
#include "charges/korim_charge_setup.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "tests/support/atoms.h"
#include "tests/support/capture.h"
#include "tests/support/files.h"
#include "tests/support/pdbtext.h"

using namespace korim::charges;
using korim::settings::KorimInfo;
using korim_test::TestStructure;

namespace {

korim_test::TempDir gDir;

// Adds atoms of one residue to a structure.
TestStructure& add(TestStructure& m, int resID, const char* res, std::initializer_list<const char*> names,
                   int selected = 1) {
  for (const char* name : names) m.add(0, 0, 0, selected, resID, name, res);
  return m;
}

TestStructure ubiquitin() {
  const korim_test::PdbAtoms c = korim_test::readPdbAtoms(korim_test::kUbiquitinPdb, true);
  TestStructure m;
  for (int i = 1; i <= c.n(); i++) m.add(c.x[i], c.y[i], c.z[i], 1, c.resIDs[i], c.names[i].c_str(), c.resNames[i].c_str());
  return m;
}

// Default pKa rules at pH 7 with charged termini and unit scaling; elFlag 0 is a steric run,
// charmm picks a force-field set.
KorimInfo settings(int elFlag = 1, int charmm = 0, float pH = 7.0f) {
  KorimInfo k{};
  k.elInfo.pkaFlag = k.elInfo.chTerminiFlag = 1;
  k.elInfo.kMonoCh = k.elInfo.kQuadCh = k.elInfo.kDipoCh = 1.0f;
  k.elInfo.pH = pH, k.elInfo.elFlag = elFlag, k.elInfo.charmm = charmm;
  return k;
}

struct Outcome {
  int status = -1, n = -1;
  float sum = 0.0f;
  std::vector<int> ids = std::vector<int>(kChargeArraySize, -7);
  std::vector<float> q = std::vector<float>(kChargeArraySize, 1.0f);
  std::string err, listing;
  // Charge of atom i (in its last slot), NaN when it has no slot.
  float of(int atom) const {
    float c = std::nanf("");
    for (int s = 1; s <= n; ++s)
      if (ids[s] == atom) c = q[s];
    return c;
  }
};

// A listing name with a directory is used as given, a bare one goes to the scratch directory.
Outcome run(TestStructure& m, const KorimInfo& k, const std::string& pka = "", const std::string& listName = "") {
  Outcome r;
  const bool scratch = !listName.empty() && listName[0] != '/';
  const std::string out = scratch ? gDir / listName : listName;
  if (scratch) std::remove(out.c_str());
  r.err = korim_test::captureStderr(
      [&] { r.status = chargeSetup(pka.c_str(), m.get(), &k, &r.n, &r.sum, r.ids.data(), r.q.data(), out.c_str()); });
  if (scratch) r.listing = korim_test::readFile(out);
  return r;
}

std::string pkaFile(const std::string& name, const std::string& text) { return korim_test::writeFile(gDir / name, text); }

// Per-atom charges in atom order; NaN: the atom has no slot.
void expectPerAtom(const Outcome& r, std::initializer_list<float> expected) {
  int i = 0;
  for (float q : expected) {
    if (std::isnan(q)) { EXPECT_TRUE(std::isnan(r.of(i))) << "atom " << i; } else { EXPECT_FLOAT_EQ(r.of(i), q) << "atom " << i; }
    ++i;
  }
}

// Protonation fraction as the chemistry defines it here: natural exponential of pH - pKa.
double frac(double pKa, double pH = 7.0) { return std::exp(pH - pKa) / (1.0 + std::exp(pH - pKa)); }

}  // namespace

TEST(ChargeSource, NoSourceAndListingFiles) {
  TestStructure m;
  add(m, 1, "LYS", {"NZ"});
  // No source: electrostatics off (a pKa file is then ignored, even with a set chosen), or
  // no pkaFlag. The listing is created, and empty.
  KorimInfo noPka = settings();
  noPka.elInfo.pkaFlag = 0;
  const std::pair<KorimInfo, std::string> none[] = {
      {settings(0), ""}, {settings(0, 1), pkaFile("ignored.pka", "1 NZ charge 1.0\n")}, {noPka, ""}};
  for (const auto& [k, pka] : none) {
    const Outcome r = run(m, k, pka, "none.lst");
    EXPECT_TRUE(r.status == 0 && r.n == 0 && r.sum == 0.0f && r.err.empty() && r.listing.empty());
    EXPECT_TRUE(korim_test::fileExists(gDir / "none.lst"));
  }
  // A listing that cannot be opened or written out is a failure, not a silent short file.
  using Case = std::pair<std::string, std::string>;
  for (const auto& [path, message] :
       {Case{"/nonexistent-dir/x.lst",
             "KORIM Error opening file for pka output /nonexistent-dir/x.lst: No such file or directory\n"},
        Case{"/dev/full", "KORIM Error writing pka output /dev/full: No space left on device\n"}}) {
    const Outcome r = run(m, settings(0, 1), "", path);
    EXPECT_TRUE(r.status == 1 && r.err == message) << r.err;
  }
}

TEST(DefaultRules, UbiquitinAtNeutralPh) {
  // Sequence MQIFVKTLTGKTITLEVEPSDTIENVKAKIQDKEGIPPDQQRLIFAGKQLEDGRTLSDYNIQKESTLHLVLRLRGG:
  // 4 Arg, 7 Lys, 1 His, 1 Tyr, 6 Glu, 5 Asp; N-terminal N, C-terminal O and OXT.
  TestStructure m = ubiquitin();
  ASSERT_EQ(m.atoms.size(), 1231u);
  const Outcome r = run(m, settings(), "", "ubq_default.lst");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.n, 1 + 2 + 4 * 2 + 7 + 2 + 1 + 6 * 2 + 5 * 2);
  const double net = (1 - frac(7.9)) - frac(3.0) + 4 * (1 - frac(12.0)) + 7 * (1 - frac(11.5)) + (1 - frac(5.8)) -
                     frac(10.2) - 6 * frac(4.5) - 5 * frac(4.5);
  EXPECT_NEAR(r.sum, net, 1e-4);
  EXPECT_EQ(r.err, "pka Default Values, 43 Charges/pka Values, Net charge 0.652   Residues 1 to 76.\n");
  const std::set<int> atoms(r.ids.begin() + 1, r.ids.begin() + 1 + r.n);
  EXPECT_EQ(atoms.size(), size_t(r.n));  // one slot per atom under the default rules
  // Listing: one terminus row, two C-terminal rows, one row per side group.
  EXPECT_EQ(std::count(r.listing.begin(), r.listing.end(), '\n'), 1 + 2 + 4 + 7 + 1 + 1 + 6 + 5);
  EXPECT_EQ(r.listing.find("1\tterminus\tcharge\t0.711\n"), 0u);
  for (const char* row : {"76\tO\tcharge\t-0.491\n76\tOXT\tcharge\t-0.491\n", "42\tdefault\tcharge\t0.993\n",
                          "68\tdefault\tcharge\t0.231\n", "59\tdefault\tcharge\t-0.039\n"})
    EXPECT_NE(r.listing.find(row), std::string::npos) << row;
  // The listing read back as a pKa file gives the same atoms the listed charges.
  const Outcome back = run(m, settings(), gDir / "ubq_default.lst");
  ASSERT_TRUE(back.status == 0 && back.n == r.n) << back.err;
  for (int s = 1; s <= r.n; ++s) EXPECT_NEAR(back.of(r.ids[s]), r.q[s], 5e-4) << r.ids[s];
}

TEST(DefaultRules, NaturalExponentTerminiGroupsAndSelection) {
  TestStructure m;
  add(add(add(m, 1, "MET", {"N"}), 2, "LYS", {"NZ"}), 3, "GLY", {"O", "OXT"});
  KorimInfo k = settings(1, 0, 9.0f);
  Outcome r = run(m, k);
  ASSERT_EQ(r.n, 4);
  // Lys: 0.924, not 0.997 of a decimal exponent.
  const double want[4] = {1 - frac(7.9, 9.0), 1 - frac(11.5, 9.0), -frac(3.0, 9.0) / 2, -frac(3.0, 9.0) / 2};
  for (int i = 0; i < 4; ++i) EXPECT_NEAR(r.of(i), want[i], 1e-6) << i;
  k.elInfo.chTerminiFlag = 0;
  r = run(m, k);
  EXPECT_EQ(r.n, 1);
  EXPECT_EQ(r.err, "pka Default Values, 1 Charges/pka Values, Net charge 0.924   Residues 1 to 3.\n");
  // Phosphates, a lone carboxyl oxygen, an unselected group.
  TestStructure g;
  add(add(g, 1, "ALA", {"CA"}), 2, "GLU", {"OE1"});  // the partner OE2 is missing
  add(add(g, 3, "ASP", {"OD1", "OD2"}), 4, "GUA", {"O1P", "O2P"});
  add(add(g, 5, "LYS", {"NZ"}, 0), 6, "ALA", {"CA"});
  r = run(g, settings(), "", "groups.lst");
  EXPECT_TRUE(r.n == 5 && std::isnan(r.of(6)));
  EXPECT_NEAR(r.of(4), -frac(6.8), 1e-6);  // each phosphate oxygen takes the whole fraction
  // The lone OE1 half is carried into the row written when OD1 makes two atoms.
  EXPECT_EQ(r.listing, "3\tdefault\tcharge\t-0.924\n4\tdefault\tcharge\t-1.012\n4\tdefault\tcharge\t-0.550\n");
}

TEST(DefaultRules, NucleotidesUnderOlderAndCurrentPdbNames) {
  // Four nucleotides in chain B beside the example protein, their atoms placed on its residues 1-4
  // (inside its residue range, so no terminus moves): each phosphate oxygen takes -f at pKa 6.8,
  // under the older residue and atom names (ADE, O1P) and those of PDB files since 2007 (DA, OP1).
  TestStructure protein = ubiquitin();
  const Outcome alone = run(protein, settings());
  ASSERT_EQ(alone.n, 43);
  const double net = alone.sum - 8 * frac(6.8);  // the protein's net charge and eight oxygens
  const struct { const char* res; const char* o1; const char* o2; } cases[] = {
      {"ADE", "O1P", "O2P"}, {"A", "O1P", "O2P"}, {"DA", "OP1", "OP2"}, {"A", "OP1", "OP2"},
      {"DA", "O1P", "O2P"},  {"DG", "OP1", "OP2"}, {"DC", "OP1", "OP2"}, {"DT", "OP1", "OP2"},
      {"DU", "OP1", "OP2"},  {"G", "OP1", "OP2"},  {"C", "OP1", "OP2"},  {"U", "OP1", "OP2"}};
  for (const auto& c : cases) {
    TestStructure m = protein;
    for (const korim::structure::AtomInfo& a : protein.atoms) {
      const char* name = std::strcmp(a.atomName, "N") == 0    ? "P"
                         : std::strcmp(a.atomName, "CA") == 0 ? c.o1
                         : std::strcmp(a.atomName, "C") == 0  ? c.o2
                                                              : nullptr;
      if (a.resID > 4 || name == nullptr) continue;
      std::snprintf(m.add(a.x, a.y, a.z, 1, a.resID, name, c.res).chainID, 16, "B");
    }
    const Outcome r = run(m, settings());
    EXPECT_TRUE(r.status == 0 && r.n == 43 + 8) << c.res << " " << c.o1 << ": " << r.n;
    EXPECT_NEAR(r.sum, net, 1e-5) << c.res << " " << c.o1;
    EXPECT_EQ(r.err, "pka Default Values, 51 Charges/pka Values, Net charge -3.747   Residues 1 to 76.\n") << c.res;
  }
}

TEST(PkaFile, OverridesSingleResiduesOfUbiquitin) {
  TestStructure m = ubiquitin();
  const std::string pka = korim_test::testData("charges/ubiquitin_overrides.pka");
  const Outcome r = run(m, settings(1, 1), pka, "override.lst");  // a pKa file wins over every built-in source
  ASSERT_EQ(r.status, 0) << r.err;
  ASSERT_EQ(r.n, 8);
  EXPECT_NEAR(r.sum, 0.8 + (1 - frac(12.0)) + 1.0 + (1 - frac(7.9)) - frac(3.0), 1e-5);
  EXPECT_EQ(r.err,
            "WARNING:   There is no residue 100 or the proper atom in the given PDB file! (line 6 of " + pka + ")\n"
            "WARNING:   There is no residue 3 or the proper atom in the given PDB file! (line 7 of " + pka + ")\n"
            "REMARK " + pka + ", 8 Charges/pka Values, Net Charge 2.522 Residues 1 to 100.\n");
  EXPECT_EQ(r.listing, "");  // the pKa file source lists nothing
  // Slots follow the file's lines: LYS 6 NZ first, the C-terminal O and OXT last.
  std::string slots;
  for (int s : {1, 4, 7, 8}) slots += std::to_string(m.atoms[r.ids[s]].resID) + m.atoms[r.ids[s]].atomName + " ";
  EXPECT_EQ(slots, "6NZ 68ND1 76O 76OXT ");
  EXPECT_TRUE(r.q[1] == 0.8f && r.q[4] == 0.5f);
  // A copy that begins with a byte-order mark gives the same charges.
  TestStructure again = ubiquitin();
  const Outcome marked = run(again, settings(1, 1), pkaFile("marked.pka", "\xEF\xBB\xBF" + korim_test::readFile(pka)));
  EXPECT_TRUE(marked.status == 0 && marked.n == r.n && marked.sum == r.sum && marked.ids == r.ids && marked.q == r.q)
      << marked.err;
}

TEST(PkaFile, LineRules) {
  TestStructure m;
  add(m, 10, "ARG", {"NH2", "NH1"});  // second of the pair first: it completes the line alone
  add(add(add(m, 11, "ARG", {"NH1", "NH2"}), 12, "SER", {"OG"}), 13, "GLY", {"CA"});
  add(add(add(m, 14, "LYS", {"NZ"}), 15, "TYR", {"OH"}), 16, "GLU", {"OE1", "OE2"});
  const std::string pka = pkaFile("rules.pka",
                                  "11 default pKa 12.0\n11 default charge 1.0\n10 default charge 1.0\n"
                                  "12 OG pKa 13.0\n12 OG charge 0.25\n12 terminus charge 1.0\n13 default charge 1.0\n"
                                  "14 NZ pKa 11.5\n15 default pKa 10.2\n16 default pKa 4.5\n");
  const Outcome r = run(m, settings(), pka);
  ASSERT_EQ(r.status, 0) << r.err;
  ASSERT_EQ(r.n, 11);
  // The same atoms again take a slot per line; NH2 of residue 10 completes its line
  // while NH1 stays bare; a named atom of another residue is acidic, a pKa or a charge;
  // a named atom of a basic group; the one atom of an acidic group.
  const double expect[12] = {0,         (1 - frac(12.0)) / 2, (1 - frac(12.0)) / 2, 0.5, 0.5, 0.5,
                             -frac(13), 0.25,                 1 - frac(11.5),       -frac(10.2), -frac(4.5) / 2,
                             -frac(4.5) / 2};
  for (int s = 1; s <= 11; ++s) EXPECT_NEAR(r.q[s], expect[s], 1e-6) << s;
  EXPECT_EQ(r.ids[5], 0);
  // An atom charged again is named with both lines and its total: NH1 and NH2 of residue 11 take
  // (1 - f) / 2 + 0.5 = 0.997 e, OG -f(13) + 0.25 = 0.248 e.
  const auto again = [&](int line, const char* atom, int res, const char* name, const char* total) {
    return "chargeSetup Warning: line " + std::to_string(line) + " of " + pka + " charges atom " + atom +
           " of residue " + std::to_string(res) + " " + name + ", which line " + std::to_string(line - 1) +
           " charged already; the atom takes the charge of each line, " + total + " e in all.\n";
  };
  EXPECT_EQ(r.err,
            again(2, "NH1", 11, "ARG", "0.997") + again(2, "NH2", 11, "ARG", "0.997") +
            again(5, "OG", 12, "SER", "0.248") +
            "WARNING:   There is no residue 12 or the proper atom in the given PDB file! (line 6 of " + pka + ")\n"
            "WARNING:   There is no residue 13 or the proper atom in the given PDB file! (line 7 of " + pka + ")\n"
            "REMARK " + pka + ", 11 Charges/pka Values, Net Charge 2.767 Residues 10 to 16.\n");
}

TEST(PkaFile, EmptyMissingAndMalformedFiles) {
  TestStructure m;
  add(m, 10, "ARG", {"NH1"});
  // An empty file is refused, not read as a molecule without charges (a byte-order mark alone is empty).
  const std::string holdsNoLine = " is empty: it holds no line (each line of a pKa file holds a residue number, an "
                                  "atom name or default or terminus, charge or pKa, and the value, as \"68 default "
                                  "charge 1.0\").\n";
  Outcome r;
  for (const std::string& empty : {pkaFile("empty.pka", ""), pkaFile("mark.pka", "\xEF\xBB\xBF")}) {
    r = run(m, settings(), empty);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "chargeSetup Error: " + empty + holdsNoLine);
  }
  // A directory is refused as one: not an empty pKa file.
  using Case = std::pair<std::string, std::string>;
  for (const auto& [path, message] :
       {Case{"/nonexistent-dir/none.pka", "open error: /nonexistent-dir/none.pka: No such file or directory"},
        Case{gDir.path, "open error: " + gDir.path + ": Is a directory"}}) {
    r = run(m, settings(), path);
    EXPECT_TRUE(r.status == 1 && r.err == "chargeSetup File " + message + ".\n") << r.err;
  }
  // Each refusal names the file, the line, what is wrong and what was expected, then the line; a
  // residue number or a value must be wholly one number ("2,5" is not 2).
  const std::string holds = " (each line of a pKa file holds a residue number, an atom name or default or terminus, "
                            "charge or pKa, and the value, as \"68 default charge 1.0\")";
  const std::string few = "holds fewer than four items" + holds;
  const std::string split = ", where one value is taken (one number split by a space? words after the value are a "
                            "comment, which may not begin with a number)";
  const std::string bound = ", where a charge from -10 to 10 e is expected (no atom of a molecule carries more)";
  const std::string kind = ", where pKa (the value is a pKa) or charge (the value is a charge in e) is expected";
  const struct { std::string bad, shown, why; } bads[] = {
      {"10 ARG\n", "10 ARG", few},
      {"\n", "", few},
      {"10 default pKa", "10 default pKa", few},
      {"ten default pKa 12.0\n", "", "holds the residue number ten, where a whole number is expected" + holds},
      {"12abc default pKa 12.0\n", "", "holds the residue number 12abc, where a whole number is expected" + holds},
      {"10.5 default pKa 12.0\n", "", "holds the residue number 10.5, where a whole number is expected" + holds},
      {"99999999999 default pKa 12.0\n", "",
       "holds the residue number 99999999999, where a whole number from -2147483648 to 2147483647 is expected" + holds},
      {"10 default pKa twelve\n", "", "holds the value twelve, where a finite number is expected" + holds},
      {"10 default pKa nan\n", "", "holds the value nan, where a finite number is expected" + holds},
      {"10 default charge 2,5\n", "", "holds the value 2,5, where a finite number is expected" + holds},
      {"10 default pKa 1.2.3\n", "", "holds the value 1.2.3, where a finite number is expected" + holds},
      {"10 default\x01 pKa 1e39\n", "10 default\\x01 pKa 1e39",
       "holds the value 1e39, where a finite number within about -3.4e38 to 3.4e38 is expected" + holds},
      // A number after the value: one split by a space, or a second value.
      {"10 default charge 2 5\n", "", "holds the value 2 followed by the number 5" + split + holds},
      {"10 NH1 pKa 12 .5 # twelve and a half\n", "", "holds the value 12 followed by the number .5" + split + holds},
      // A charge no atom carries (a pKa of any size is a pKa).
      {"10 NH1 charge -1e30\n", "", "holds the charge -1e30" + bound + holds},
      {"10 default charge 10.01\n", "", "holds the charge 10.01" + bound + holds},
      // The kind is pKa or charge, written so: any other word (a pKa in another case above all)
      // would read its value as a charge.
      {"10 default kind 10.01\n", "", "holds the kind kind" + kind + holds},
      {"42 default pka 5.0\n", "", "holds the kind pka" + kind + holds},
      {"42 default PKA 5.0\n", "", "holds the kind PKA" + kind + holds},
      {"42 default pKx 5.0\n", "", "holds the kind pKx" + kind + holds},
      {"42 default chrg 1.0\n", "", "holds the kind chrg" + kind + holds},
      {"42 default Charge 1.0\n", "", "holds the kind Charge" + kind + holds},
  };
  for (const auto& c : bads) {
    const std::string bad = pkaFile("bad.pka", "10 NH1 charge 1.0\n" + c.bad);
    r = run(m, settings(), bad);
    const std::string shown = c.shown.empty() && c.bad != "\n" ? c.bad.substr(0, c.bad.size() - 1) : c.shown;
    EXPECT_TRUE(r.status == 1 && r.err == "chargeSetup Error: line 2 of " + bad + " " + c.why + ":\n" + shown + "\n")
        << c.bad << r.err;
  }
  // A hexadecimal value is a number (0x1p-1 is 0.5); a whole number written with a point or an
  // exponent is a residue number.
  r = run(m, settings(), pkaFile("hex.pka", "1e1 NH1 charge 0x1p-1\n"));
  EXPECT_TRUE(r.status == 0 && r.n == 1 && r.of(0) == 0.5f) << r.err;
  // Words after the value that are no number are a comment; charges of 10 e and pKa values of
  // any size are read.
  r = run(m, settings(), pkaFile("comment.pka", "10 NH1 charge -10 e (a cluster)\n10 NH1 pKa 1e30 5A\n"));
  EXPECT_TRUE(r.status == 0 && r.n == 2 && r.q[1] == -10.0f && r.q[2] == 1.0f) << r.err;
  // A line longer than the read buffer is refused whole, not read as pieces.
  const std::string longLine = pkaFile("bad.pka", "10 NH1 charge 1.0\n10 NH1 charge 1.0" + std::string(90, ' ') + "7\n");
  r = run(m, settings(), longLine);
  EXPECT_TRUE(r.status == 1 && r.err == "chargeSetup Error: line 2 of " + longLine + " is longer than 98 characters.\n")
      << r.err;
}

TEST(Capacity, FullWhileInputRemainsFailsAndWritesStayInTheArrays) {
  const std::string full = "chargeSetup Error: too many charges; the charge arrays hold at most 1199.\n";
  TestStructure m;
  std::string text;
  for (int i = 1; i <= kChargeCapacity; ++i) {
    add(m, i, "LYS", {"NZ"});
    text += std::to_string(i) + " NZ charge 1.0\n";
  }
  Outcome r = run(m, settings());
  EXPECT_TRUE(r.status == 0 && r.n == 1199);  // 1199 charges on the last atoms of the list fit
  r = run(m, settings(), pkaFile("full.pka", text));
  EXPECT_TRUE(r.status == 1 && r.err == full);  // a pKa file that fills 1199 slots fails even at its end
  add(m, 1200, "ALA", {"CA"});  // uncharged, yet an atom remains after the 1199th charge
  // Default rules and set A (NZ -0.3, and a charge on CA): set A needs 1200 charges, which the
  // message names.
  const auto needs = [](int n) {
    return "chargeSetup Error: too many charges; the structure needs " + std::to_string(n) +
           ", and the charge arrays hold at most 1199.\n";
  };
  for (const auto& [k, message] : {std::pair{settings(), full}, std::pair{settings(0, 1), needs(1200)}}) {
    r = run(m, k);
    EXPECT_TRUE(r.status == 1 && r.err == message) << r.err;
  }
  for (int i = 1201; i <= 1300; ++i) add(m, i, "LYS", {"NZ"});
  for (const auto& [k, message] : {std::pair{settings(), needs(1299)}, std::pair{settings(0, 1), needs(1300)}}) {
    r = run(m, k);
    EXPECT_TRUE(r.status == 1 && r.err == message) << r.err;
  }
  // One terminus line that would charge 1300 atoms named O of the last residue stops at the
  // end of the arrays; slot 0 is never written.
  TestStructure big;
  add(big, 1, "GLY", {"CA"});
  for (int i = 0; i < 1300; ++i) add(big, 2, "GLY", {"O"});
  r = run(big, settings(), pkaFile("bound.pka", "2 terminus charge -1.0\n"));
  EXPECT_TRUE(r.status == 1 && r.err == "chargeSetup Error: more than 1200 charges do not fit the charge arrays.\n");
  for (int s = 1; s <= kMaxChargeSlot; ++s) ASSERT_EQ(r.q[s], -0.5f) << s;
  EXPECT_EQ(r.ids[0], -7);
}

TEST(Scaling, FixedSlotsAndNetOverFilledSlots) {
  TestStructure m;
  add(add(add(m, 1, "LYS", {"NZ"}), 2, "LYS", {"NZ"}), 3, "LYS", {"NZ"});
  KorimInfo k = settings(0, 1);
  k.elInfo.chTerminiFlag = 0;
  k.elInfo.kMonoCh = 2.0f, k.elInfo.kQuadCh = 3.0f, k.elInfo.kDipoCh = 5.0f;
  const Outcome r = run(m, k);
  ASSERT_EQ(r.n, 3);
  // Slot 1 by kMono, 2-8 by kQuad, 9-10 by kDipo, also past n (they held 1.0).
  const float expect[12] = {0, -0.6f, -0.9f, -0.9f, 3, 3, 3, 3, 3, 5, 5, 1};
  for (int s = 1; s <= 11; ++s) EXPECT_FLOAT_EQ(r.q[s], expect[s]) << s;
  EXPECT_NEAR(r.sum, -2.4, 1e-6);
  EXPECT_EQ(r.err, "pka Default Values, 3 Charges/pka Values  Net Charge -2.400, Residues 1 to 3.\n");
}

TEST(SetA, ChainEndsSpecialBlocksAndTermini) {
  TestStructure m;
  add(add(m, 1, "PRO", {"N", "CD", "CA", "C"}), 2, "HSD", {"HD1"});
  add(add(add(m, 2, "HSC", {"CB"}), 2, "HSE", {"ND1"}), 3, "SOD", {"SOD", "NA"});
  add(add(add(m, 3, "MG", {"MG"}), 4, "TIP3", {"OH2"}), 4, "WAT", {"OH2"});
  add(add(add(m, 4, "THY", {"CM"}), 4, "DEOT", {"O2'"}), 5, "ACE", {"C", "O"});
  add(add(m, 5, "GLY", {"OXT"}), 5, "WAT", {"OXT"});
  const Outcome r = run(m, settings(0, 1), "", "seta.lst");  // in a steric run: electrostatics off
  ASSERT_EQ(r.status, 0) << r.err;
  // PRO's CD is in its skipped N-side group; at the C-terminus ACE's block rows,
  // tested after the terminal ones, stand; a terminal row alone places a
  // charge on a residue without a block.
  expectPerAtom(r, {-0.3f, NAN, 0.25f, 0.55f, 0.3f, 0.1f, NAN, 1.0f, NAN, 2.0f, -0.834f, NAN, -0.11f, NAN, 0.55f,
                    -0.55f, -0.57f, -0.57f});
  EXPECT_EQ(r.n, 13);
  EXPECT_EQ(r.listing.substr(0, 38), "1\tN\tcharge\t-0.300\n1\tCA\tcharge\t0.250\n1\t");
  EXPECT_NE(r.listing.find("5\tC\tcharge\t0.140\n5\tC\tcharge\t0.550\n5\tO\tcharge\t-0.570\n5\tO\tcharge\t-0.550\n"),
            std::string::npos);
  // Termini on and off; one residue that is both ends; pH has no effect.
  TestStructure chain;
  add(add(chain, 1, "ALA", {"N", "HN", "CA", "C", "O"}), 2, "GLY", {"C", "O", "OXT"});
  KorimInfo k = settings(0, 1);
  expectPerAtom(run(chain, k), {-0.3f, NAN, 0.25f, 0.55f, -0.55f, 0.14f, -0.57f, -0.57f});
  k.elInfo.chTerminiFlag = 0;
  expectPerAtom(run(chain, k), {-0.35f, 0.25f, 0.1f, 0.55f, -0.55f, 0.55f, -0.55f, NAN});
  TestStructure one;
  add(one, 7, "ALA", {"N", "HT1", "CA", "C", "O", "OXT"});
  const Outcome single = run(one, settings(0, 1, 2.0f));
  expectPerAtom(single, {-0.3f, 0.35f, 0.25f, 0.14f, -0.57f, -0.57f});
  EXPECT_EQ(single.err, "pka Default Values, 6 Charges/pka Values  Net Charge -0.700, Residues 7 to 7.\n");
}

// Sets B and C by pH window; between and above the two tables: nothing placed, and a warning says so.
TEST(SetsBC, PhWindowChoosesTheTable) {
  TestStructure m;
  add(add(add(m, 1, "ALA", {"CA"}), 2, "ASP", {"OD1"}), 3, "GLY", {"OT1"});
  for (float pH : {6.0f, 7.0f}) expectPerAtom(run(m, settings(0, 2, pH)), {0.21f, -0.76f, -0.67f});
  expectPerAtom(run(m, settings(0, 2, 4.0f)), {0.21f, -0.36f, -0.17f});
  for (const char* pH : {"4.50", "7.50"}) {
    const Outcome r = run(m, settings(0, 2, std::stof(pH)), "", "window.lst");
    EXPECT_TRUE(r.status == 0 && r.n == 0 && r.listing.empty());
    EXPECT_EQ(r.err, std::string("WARNING: no CHARMM22 charge table for pH ") + pH +
                         " (tables for pH 6.0 to 7.0 and pH 4.0 or below); no charges placed.\n");
  }
}

TEST(SetsBC, ChainEndsNamesAndListingFormat) {
  TestStructure m;
  add(m, 1, "GLY", {"N", "HN", "CA", "HA1", "HA2", "C"});
  add(add(m, 2, "ILE", {"CD1"}), 2, "ILE", {"H"});  // the table has CD; only HN names the amide hydrogen
  add(add(add(m, 2, "PHE", {"CG"}), 2, "TRP", {"CD1"}), 2, "HIS", {"HE2"});  // PHE CG: a zero row takes a slot
  add(add(m, 3, "LYS", {"C", "O", "OXT", "OT1"}), 4, "TIP3", {"OT1"});  // highest residue, no block: listed only
  KorimInfo k = settings(0, 2);
  const Outcome r = run(m, k, "", "setb.lst");
  ASSERT_EQ(r.status, 0);
  // The N-terminal rows know HA only; residue 3 is not the highest number, so its C-side rows apply.
  expectPerAtom(r, {-0.3f, NAN, 0.21f, NAN, NAN, 0.51f, NAN, NAN, 0.0f, 0.035f, 0.44f, 0.51f, -0.51f, NAN, NAN, NAN});
  EXPECT_EQ(r.n, 8);
  EXPECT_NE(r.listing.find("2\tCG\tcharge\t0.000\n2\tCD1\tcharge\t0.035\n"), std::string::npos);
  EXPECT_EQ(r.listing.substr(r.listing.size() - 21), "\n4\tOT1\tcharge\t-0.670\n");
  // Without the water, residue 3 is last: O and OXT stay bare, C takes 0.34;
  // without termini the ends get their full blocks and OT1 nothing.
  m.atoms.pop_back();
  expectPerAtom(run(m, k), {-0.3f, NAN, 0.21f, NAN, NAN, 0.51f, NAN, NAN, 0.0f, 0.035f, 0.44f, 0.34f, NAN, NAN, -0.67f});
  k.elInfo.chTerminiFlag = 0;
  expectPerAtom(run(m, k),
                {-0.47f, 0.31f, -0.02f, 0.09f, 0.09f, 0.51f, NAN, NAN, 0.0f, 0.035f, 0.44f, 0.51f, -0.51f, NAN, NAN});
}

// Residues whose names no rule of the source names take no charge and are named in one line after
// the summary, by name and count; residues the rules charge or leave uncharged by design (the amino
// acids without a titratable group, water) are not, nor residues a pKa-file line charges.
TEST(UnnamedResidues, OneLineNamesThemByNameAndCount) {
  const auto ubq = [](int selected) {  // lysines 48 and 63 as MLY
    TestStructure m = ubiquitin();
    for (auto& a : m.atoms)
      if (a.resID == 48 || a.resID == 63) std::snprintf(a.resName, sizeof a.resName, "MLY"), a.selected = selected;
    return m;
  };
  TestStructure mixed, many;  // nucleotides, a water, a cap and an amino acid; 14 unknown names
  for (const char* res : {"DA", "DI", "I", "HOH", "ACE", "ALA"}) add(mixed, mixed.atoms.size() + 1, res, {"OP1", "OP2"});
  for (int i = 10; i < 24; ++i) add(many, i, ("X" + std::to_string(i)).c_str(), {"C"});
  const struct { TestStructure m; KorimInfo k; std::string listed; } cases[] = {
      {ubiquitin(), settings(), ""},
      {ubiquitin(), settings(0, 1), ""},
      {ubiquitin(), settings(0, 2), ""},
      {ubq(0), settings(), ""},
      {ubq(1), settings(0, 2), "2 residues of the structure (MLY 2)"},
      {mixed, settings(), "3 residues of the structure (DI 1, I 1 and ACE 1)"},
      {mixed, settings(0, 1), "3 residues of the structure (DA 1, DI 1 and I 1)"},
      {many, settings(), "14 residues of the structure (X10 1, X11 1, X12 1, X13 1, X14 1, X15 1, X16 1, X17 1, "
                         "X18 1, X19 1, X20 1, X21 1 and 2 more names)"},
  };
  for (auto c : cases) {
    const Outcome r = run(c.m, c.k);
    const size_t at = r.err.find("chargeSetup Warning: no ");
    EXPECT_TRUE(r.status == 0 && (at == std::string::npos) == c.listed.empty()) << r.err;
    EXPECT_EQ(r.err.find("chargeSetup Warning: no ", at + 1), std::string::npos) << r.err;  // once
    EXPECT_TRUE(c.listed.empty() || r.err.find(c.listed, at) != std::string::npos) << c.listed << "\n" << r.err;
  }
  // The whole line of each form, after the summary; a residue a pKa-file line charges is named by it.
  TestStructure m = ubq(1);
  EXPECT_EQ(run(m, settings()).err,
            "pka Default Values, 41 Charges/pka Values, Net charge -1.326   Residues 1 to 76.\n"
            "chargeSetup Warning: no charge rule names 2 residues of the structure (MLY 2), so they carry no charge; a "
            "pKa file (-pka) charges their atoms, a line each, and -outPka writes this run's charges as such a file.\n");
  const std::string nz48 = pkaFile("nz48.pka", "48 NZ charge 1.0\n");
  EXPECT_EQ(run(m, settings(), nz48).err,
            "REMARK " + nz48 + ", 1 Charges/pka Values, Net Charge 1.000 Residues 48 to 48.\n"
            "chargeSetup Warning: no line of " + nz48 + " charges 1 residue of the structure that no charge rule names "
            "(MLY 1), so it carries no charge; a line for each of its atoms charges it.\n");
}
