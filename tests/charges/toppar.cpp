// Atom-type, residue-type and fixed-charge look-ups: aliases, reserved values, unknown names and table invariants.
#include "charges/toppar.h"

#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>

#include "tests/support/capture.h"

using namespace korim::charges;
using korim_test::captureStdout;

// Aliases share their type's index (H of HN, digit-first hydrogens of H1 and H3), names are
// case-sensitive, the C-terminal oxygens and placeholders have their reserved values.
TEST(AtomType, AliasesAndReservedValues) {
  const struct {
    const char *name, *same;
    int index;
  } cases[] = {{"H", "HN", 551},    {"1H", "H1", 330}, {"3H", "H3", 407}, {"Cl", nullptr, 196},
               {"CL", nullptr, 151}, {"OXT", nullptr, -1}, {"OT1", nullptr, -2}, {"OT3", nullptr, -4},
               {"1HA", nullptr, 1000}, {"3HT", nullptr, 1000}, {"X", nullptr, 0},  {"QB", nullptr, 0}};
  const std::string out = captureStdout([&] {
    for (const auto& c : cases) {
      EXPECT_EQ(get_atom_type_index(c.name), c.index) << c.name;
      EXPECT_EQ(c.same ? get_atom_type_index(c.same) : c.index, c.index) << c.same;
    }
  });
  EXPECT_EQ(out, "");  // known names are silent
}

// Every key is unique, one to four characters, and found again with its own index; type names
// (the first key of an index) stand in byte order within each group, as the search needs.
TEST(AtomType, WholeTableKeysAndByteOrder) {
  std::set<std::string> keys;
  std::string byIndex[kAtomTypeCount + 1];
  const std::string out = captureStdout([&] {
    for (int i = 0; i < kAtomTypeKeyCount; ++i) {
      int index = -12345;
      const char* key = atomTypeKey(i, &index);
      ASSERT_NE(key, nullptr) << i;
      EXPECT_TRUE(keys.insert(key).second && std::strlen(key) >= 1 && std::strlen(key) <= 4) << key;
      EXPECT_EQ(get_atom_type_index(key), index) << key;
      if (index >= 1 && index <= kAtomTypeCount && byIndex[index].empty()) byIndex[index] = key;
    }
  });
  EXPECT_TRUE(out.empty() && atomTypeKey(kAtomTypeKeyCount, nullptr) == nullptr);
  EXPECT_EQ(byIndex[551], "HN");  // the alias H comes later and leaves the type name in place
  const int groups[][2] = {{1, 196},   {197, 199}, {200, 208}, {209, 210}, {211, 243}, {244, 252},
                           {253, 315}, {317, 321}, {322, 328}, {330, 584}, {585, 588}};
  for (const auto& g : groups)
    for (int i = g[0]; i < g[1]; ++i) EXPECT_LT(byIndex[i], byIndex[i + 1]) << i;
}

// The residue index is the place of the name in byte order: every name found again at its place.
TEST(ResidueType, IndexAsPlaceInByteOrder) {
  const std::string out = captureStdout([&] {
    for (int i = 1; i <= kResidueTypeCount; ++i) {
      const char* name = residueTypeName(i);
      ASSERT_NE(name, nullptr) << i;
      EXPECT_TRUE(i == 1 || std::strcmp(residueTypeName(i - 1), name) < 0) << name;  // also: no name twice
      EXPECT_EQ(get_aa_index(name), i);
    }
    for (const char* name : {"2'OM", "ALA", "HSD", "TIP3", "WAT"}) EXPECT_GT(get_aa_index(name), 0) << name;
  });
  EXPECT_EQ(out, "");
  EXPECT_TRUE(residueTypeName(0) == nullptr && residueTypeName(kResidueTypeCount + 1) == nullptr);
}

TEST(FixedCharge, ValuesByAtomName) {
  const struct {
    const char* name;
    float q;
  } cases[] = {{"PN", 1.21f}, {"1ZN", 2.0f}, {"N7N", -0.83f}, {"H71N", 0.415f}, {"O2'N", -0.548f},
               {"PF", 1.2f},  {"CA", 0},     {"HN", 0},       {"1HA", 0},       {"OXT", 0}};
  const std::string out = captureStdout([&] {
    for (const auto& c : cases) EXPECT_FLOAT_EQ(return_charge(c.name), c.q) << c.name;
  });
  EXPECT_EQ(out, "");
}

// Unknown names give the unknown index (and no charge) after one line on stdout.
TEST(Lookups, UnknownNamesPrintOneLineOnStdout) {
  const std::string atom = "There is a atom of unknown type: ", res = "There is a residue of unknown type: ";
  for (const char* name : {"ca", "CA ", " CA", "HT3", "HN'", "", "pn"}) {
    EXPECT_EQ(captureStdout([&] { EXPECT_EQ(get_atom_type_index(name), kUnknownType) << name; }), atom + name + "\n");
    EXPECT_EQ(captureStdout([&] { EXPECT_EQ(return_charge(name), 0.0f) << name; }), atom + name + "\n");
  }
  for (const char* name : {"ala", "ALA ", "HSC", "BTOA", ""})
    EXPECT_EQ(captureStdout([&] { EXPECT_EQ(get_aa_index(name), kUnknownType) << name; }), res + name + "\n");
}
