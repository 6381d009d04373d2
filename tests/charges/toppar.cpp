// Atom-type, residue-type and fixed-charge look-ups: known keys, aliases, unknown names and table invariants.
#include "charges/toppar.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <set>
#include <string>

using namespace korim::charges;

namespace {

// Runs f with stdout captured; returns what it printed.
template <typename F>
std::string stdoutOf(F f) {
  testing::internal::CaptureStdout();
  f();
  std::fflush(stdout);
  return testing::internal::GetCapturedStdout();
}

}  // namespace

TEST(AtomType, KnownNamesAndAliases) {
  const std::string out = stdoutOf([] {
    EXPECT_EQ(get_atom_type_index("C"), 1);
    EXPECT_EQ(get_atom_type_index("CA"), 114);
    EXPECT_EQ(get_atom_type_index("CL"), 151);
    EXPECT_EQ(get_atom_type_index("Cl"), 196);
    EXPECT_EQ(get_atom_type_index("Na"), 243);
    EXPECT_EQ(get_atom_type_index("NA"), 228);
    EXPECT_EQ(get_atom_type_index("SOD"), 316);
    EXPECT_EQ(get_atom_type_index("YB"), 328);
    EXPECT_EQ(get_atom_type_index("HN"), 551);
    EXPECT_EQ(get_atom_type_index("2HG1"), 588);
    EXPECT_EQ(get_atom_type_index("H"), 551);
    EXPECT_EQ(get_atom_type_index("H1"), 330);
    EXPECT_EQ(get_atom_type_index("1H"), 330);
    EXPECT_EQ(get_atom_type_index("2H"), 391);
    EXPECT_EQ(get_atom_type_index("H3"), 407);
    EXPECT_EQ(get_atom_type_index("3H"), 407);
    EXPECT_EQ(get_atom_type_index("1HG"), 585);
    EXPECT_EQ(get_atom_type_index("2HG"), 587);
    EXPECT_EQ(get_atom_type_index("1HA"), 1000);
    EXPECT_EQ(get_atom_type_index("3HG1"), 1000);
    EXPECT_EQ(get_atom_type_index("3HT"), 1000);
    EXPECT_EQ(get_atom_type_index("OXT"), -1);
    EXPECT_EQ(get_atom_type_index("OT1"), -2);
    EXPECT_EQ(get_atom_type_index("OT2"), -3);
    EXPECT_EQ(get_atom_type_index("OT3"), -4);
    EXPECT_EQ(get_atom_type_index("X"), 0);
    EXPECT_EQ(get_atom_type_index("QB"), 0);
    EXPECT_EQ(get_atom_type_index("1NE2"), 209);
    EXPECT_EQ(get_atom_type_index("ZN"), 252);
    EXPECT_EQ(get_atom_type_index("O"), 253);
    EXPECT_EQ(get_atom_type_index("HZ3"), 584);
  });
  EXPECT_EQ(out, "");  // known names are silent
}

TEST(AtomType, UnknownNamesPrintOnStdout) {
  struct Case {
    const char* name;
  } cases[] = {{"ca"}, {"CA "}, {" CA"}, {"HT3"}, {"HN'"}, {"HN''"}, {""}};
  for (const Case& c : cases) {
    int index = 0;
    const std::string out = stdoutOf([&] { index = get_atom_type_index(c.name); });
    EXPECT_EQ(index, -999) << c.name;
    EXPECT_EQ(out, std::string("There is a atom of unknown type: ") + c.name + "\n");
  }
}

TEST(AtomType, TableHoldsEachKeyOnceAndLooksEachUp) {
  std::set<std::string> keys;
  int index1000 = 0, indexZero = 0, indexNegative = 0;
  std::set<int> typeIndexes;
  for (int i = 0; i < kAtomTypeKeyCount; ++i) {
    int index = -12345;
    const char* key = atomTypeKey(i, &index);
    ASSERT_NE(key, nullptr) << i;
    EXPECT_TRUE(keys.insert(key).second) << "duplicate key " << key;
    EXPECT_GE(std::strlen(key), 1u);
    EXPECT_LE(std::strlen(key), 4u);
    EXPECT_EQ(get_atom_type_index(key), index) << key;
    if (index == 1000) ++index1000;
    if (index == 0) ++indexZero;
    if (index < 0) ++indexNegative;
    if (index >= 1 && index <= 588) typeIndexes.insert(index);
  }
  EXPECT_EQ(atomTypeKey(kAtomTypeKeyCount, nullptr), nullptr);
  EXPECT_EQ(keys.size(), 629u);
  EXPECT_EQ(index1000, 32);
  EXPECT_EQ(indexZero, 2);
  EXPECT_EQ(indexNegative, 4);
  // 1..588 all used except 329.
  EXPECT_EQ(typeIndexes.size(), 587u);
  EXPECT_EQ(typeIndexes.count(329), 0u);
}

TEST(AtomType, NamesStandInByteOrderWithinTheirGroups) {
  // Group boundaries of the type indexes: each group is byte-ordered.
  const int groups[][2] = {{1, 196},   {197, 199}, {200, 208}, {209, 210}, {211, 243}, {244, 252},
                           {253, 315}, {317, 321}, {322, 328}, {330, 584}, {585, 588}};
  std::string byIndex[589];
  for (int i = 0; i < kAtomTypeKeyCount; ++i) {
    int index = 0;
    const char* key = atomTypeKey(i, &index);
    if (index >= 1 && index <= 588 && byIndex[index].empty()) byIndex[index] = key;
  }
  // The aliases give an index that already has its own name: the first key wins above.
  EXPECT_EQ(byIndex[551], "HN");
  EXPECT_EQ(byIndex[330], "H1");
  for (const auto& g : groups) {
    for (int i = g[0]; i < g[1]; ++i) {
      EXPECT_LT(std::strcmp(byIndex[i].c_str(), byIndex[i + 1].c_str()), 0) << i;
    }
  }
  EXPECT_EQ(byIndex[151], "CL");
  EXPECT_EQ(byIndex[196], "Cl");
  EXPECT_EQ(byIndex[316], "SOD");
  EXPECT_EQ(byIndex[243], "Na");
}

TEST(ResidueType, KnownNames) {
  const std::string out = stdoutOf([] {
    EXPECT_EQ(get_aa_index("1MA"), 1);
    EXPECT_EQ(get_aa_index("ALA"), 35);
    EXPECT_EQ(get_aa_index("C"), 58);
    EXPECT_EQ(get_aa_index("CA++"), 60);
    EXPECT_EQ(get_aa_index("HIS"), 137);
    EXPECT_EQ(get_aa_index("HSD"), 144);
    EXPECT_EQ(get_aa_index("MP_0"), 178);
    EXPECT_EQ(get_aa_index("TIP3"), 246);
    EXPECT_EQ(get_aa_index("WAT"), 256);
    EXPECT_EQ(get_aa_index("ZNK"), 269);
    EXPECT_EQ(get_aa_index("BtoA"), 57);
    EXPECT_EQ(get_aa_index("LtoD"), 162);
    EXPECT_EQ(get_aa_index("2'OM"), 4);
  });
  EXPECT_EQ(out, "");
}

TEST(ResidueType, UnknownNamesPrintOnStdout) {
  for (const char* name : {"ala", "ALA ", "HSC", "BTOA", "LTOD", ""}) {
    int index = 0;
    const std::string out = stdoutOf([&] { index = get_aa_index(name); });
    EXPECT_EQ(index, -999) << name;
    EXPECT_EQ(out, std::string("There is a residue of unknown type: ") + name + "\n");
  }
}

TEST(ResidueType, IndexIsPlaceInByteOrder) {
  std::set<std::string> seen;
  for (int i = 1; i <= kResidueTypeCount; ++i) {
    const char* name = residueTypeName(i);
    ASSERT_NE(name, nullptr) << i;
    EXPECT_TRUE(seen.insert(name).second) << name;
    if (i > 1) {
      EXPECT_LT(std::strcmp(residueTypeName(i - 1), name), 0) << name;
    }
    EXPECT_EQ(get_aa_index(name), i);
  }
  EXPECT_EQ(seen.size(), 269u);
  EXPECT_EQ(residueTypeName(0), nullptr);
  EXPECT_EQ(residueTypeName(270), nullptr);
}

TEST(FixedCharge, ValuesByAtomName) {
  const std::string out = stdoutOf([] {
    EXPECT_FLOAT_EQ(return_charge("PN"), 1.21f);
    EXPECT_FLOAT_EQ(return_charge("1ZN"), 2.0f);
    EXPECT_FLOAT_EQ(return_charge("N7N"), -0.83f);
    EXPECT_FLOAT_EQ(return_charge("H71N"), 0.415f);
    EXPECT_FLOAT_EQ(return_charge("O2'N"), -0.548f);
    EXPECT_FLOAT_EQ(return_charge("PF"), 1.2f);
    EXPECT_EQ(return_charge("CA"), 0.0f);
    EXPECT_EQ(return_charge("N"), 0.0f);
    EXPECT_EQ(return_charge("HN"), 0.0f);
    EXPECT_EQ(return_charge("X"), 0.0f);
    EXPECT_EQ(return_charge("1HA"), 0.0f);
    EXPECT_EQ(return_charge("OXT"), 0.0f);
  });
  EXPECT_EQ(out, "");
  for (const char* name : {"HT3", "", "pn"}) {
    float q = 1.0f;
    const std::string msg = stdoutOf([&] { q = return_charge(name); });
    EXPECT_EQ(q, 0.0f);
    EXPECT_EQ(msg, std::string("There is a atom of unknown type: ") + name + "\n");
  }
}

TEST(FixedCharge, FiftyTwoNonZeroKeysSummingToTheTable) {
  int nonZero = 0;
  double sum = 0.0;
  const std::string out = stdoutOf([&] {
    for (int i = 0; i < kAtomTypeKeyCount; ++i) {
      const float q = return_charge(atomTypeKey(i, nullptr));
      if (q != 0.0f) ++nonZero;
      sum += q;
    }
  });
  EXPECT_EQ(out, "");
  EXPECT_EQ(nonZero, 52);
  // Hand sum of the 52 listed charges.
  EXPECT_NEAR(sum, -2.722, 1e-4);
}
