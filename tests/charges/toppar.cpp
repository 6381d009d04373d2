// Atom-type, residue-type and fixed-charge look-ups: known keys, aliases, unknown names and table invariants.
#include "charges/toppar.h"

#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>

#include "tests/support/capture.h"

using namespace korim::charges;
using korim_test::captureStdout;

TEST(AtomType, NamesAliasesAndSpecialValues) {
  const struct {
    const char* name;
    int index;
  } cases[] = {{"C", 1},      {"CA", 114},   {"CL", 151},   {"Cl", 196},  {"NA", 228},  {"Na", 243},  {"SOD", 316},
               {"YB", 328},   {"HN", 551},   {"H", 551},    {"H1", 330},  {"1H", 330},  {"2H", 391},  {"H3", 407},
               {"3H", 407},   {"1NE2", 209}, {"ZN", 252},   {"O", 253},   {"HZ3", 584}, {"1HG", 585}, {"2HG", 587},
               {"2HG1", 588}, {"1HA", 1000}, {"3HG1", 1000}, {"3HT", 1000}, {"OXT", -1}, {"OT1", -2},  {"OT2", -3},
               {"OT3", -4},   {"X", 0},      {"QB", 0}};
  const std::string out = captureStdout([&] {
    for (const auto& c : cases) EXPECT_EQ(get_atom_type_index(c.name), c.index) << c.name;
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
  EXPECT_EQ(out, "");
  EXPECT_EQ(atomTypeKey(kAtomTypeKeyCount, nullptr), nullptr);
  EXPECT_EQ(byIndex[551], "HN");  // the alias H comes later and leaves the type name in place
  const int groups[][2] = {{1, 196},   {197, 199}, {200, 208}, {209, 210}, {211, 243}, {244, 252},
                           {253, 315}, {317, 321}, {322, 328}, {330, 584}, {585, 588}};
  for (const auto& g : groups) {
    for (int i = g[0]; i < g[1]; ++i) EXPECT_LT(byIndex[i], byIndex[i + 1]) << i;
  }
}

TEST(ResidueType, NamesAndIndexAsPlaceInByteOrder) {
  const struct {
    const char* name;
    int index;
  } cases[] = {{"1MA", 1},    {"2'OM", 4},  {"ALA", 35},  {"BtoA", 57}, {"C", 58},    {"CA++", 60}, {"HIS", 137},
               {"HSD", 144},  {"LtoD", 162}, {"MP_0", 178}, {"TIP3", 246}, {"WAT", 256}, {"ZNK", 269}};
  const std::string out = captureStdout([&] {
    for (const auto& c : cases) EXPECT_EQ(get_aa_index(c.name), c.index) << c.name;
    for (int i = 1; i <= kResidueTypeCount; ++i) {
      const char* name = residueTypeName(i);
      ASSERT_NE(name, nullptr) << i;
      if (i > 1) {
        EXPECT_LT(std::strcmp(residueTypeName(i - 1), name), 0) << name;  // also: no name twice
      }
      EXPECT_EQ(get_aa_index(name), i);
    }
  });
  EXPECT_EQ(out, "");
  EXPECT_EQ(residueTypeName(0), nullptr);
  EXPECT_EQ(residueTypeName(270), nullptr);
}

TEST(FixedCharge, ValuesByAtomName) {
  const struct {
    const char* name;
    float q;
  } cases[] = {{"PN", 1.21f},    {"1ZN", 2.0f}, {"N7N", -0.83f}, {"H71N", 0.415f}, {"O2'N", -0.548f}, {"PF", 1.2f},
               {"CA", 0},        {"N", 0},      {"HN", 0},       {"X", 0},         {"1HA", 0},        {"OXT", 0}};
  const std::string out = captureStdout([&] {
    for (const auto& c : cases) EXPECT_FLOAT_EQ(return_charge(c.name), c.q) << c.name;
  });
  EXPECT_EQ(out, "");
}

TEST(Lookups, UnknownNamesPrintOneLineOnStdout) {
  const std::string atomMsg = "There is a atom of unknown type: ";
  const std::string resMsg = "There is a residue of unknown type: ";
  for (const char* name : {"ca", "CA ", " CA", "HT3", "HN'", "HN''", ""}) {
    int index = 0;
    EXPECT_EQ(captureStdout([&] { index = get_atom_type_index(name); }), atomMsg + name + "\n");
    EXPECT_EQ(index, -999) << name;
  }
  for (const char* name : {"ala", "ALA ", "HSC", "BTOA", "LTOD", ""}) {
    int index = 0;
    EXPECT_EQ(captureStdout([&] { index = get_aa_index(name); }), resMsg + name + "\n");
    EXPECT_EQ(index, -999) << name;
  }
  for (const char* name : {"HT3", "", "pn"}) {
    float q = 1.0f;
    EXPECT_EQ(captureStdout([&] { q = return_charge(name); }), atomMsg + name + "\n");
    EXPECT_EQ(q, 0.0f) << name;
  }
}
