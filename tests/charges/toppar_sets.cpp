// Force-field charge sets: row and block counts, block net charges, groups, set C against set B, shared name spaces.
#include "charges/toppar_sets.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <set>
#include <string>

#include "charges/toppar.h"
#include "tests/support/capture.h"

using namespace korim::charges;

namespace {

struct Expected {
  const char* name;
  int rows;
  double net;
};

// Sum of a block's rows (of one group, or all when group is -1), counting an
// atom with two names once: the second names H, HN', HN'' and THY's CM.
double rowSum(const ChargeBlock& b, int group = -1) {
  double sum = 0.0;
  for (int r = 0; r < b.rowCount; ++r) {
    const std::string atom = b.rows[r].atomName;
    const bool second =
        atom == "H" || atom == "HN'" || atom == "HN''" || (std::strcmp(b.resName, "THY") == 0 && atom == "CM");
    if (!second && (group < 0 || b.rows[r].group == group)) sum += b.rows[r].charge;
  }
  return sum;
}

double termSum(const ChargeRow* rows, int n) {
  double sum = 0.0;
  for (int r = 0; r < n; ++r) sum += rows[r].charge;
  return sum;
}

float rowCharge(const ChargeBlock& b, const char* atom) {
  for (int r = 0; r < b.rowCount; ++r) {
    if (std::strcmp(b.rows[r].atomName, atom) == 0) return b.rows[r].charge;
  }
  ADD_FAILURE() << b.resName << " has no row " << atom;
  return 99.0f;
}

// Checks block order, row counts, net charges and unique names; returns the row count of the set.
int checkBlocks(const ChargeSet& set, const Expected* expected, int count) {
  EXPECT_EQ(set.blockCount, count);
  int rows = set.nTermCount + set.cTermCount;
  for (int k = 0; k < set.blockCount && k < count; ++k) {
    const ChargeBlock& block = set.blocks[k];
    EXPECT_STREQ(block.resName, expected[k].name);
    EXPECT_EQ(block.rowCount, expected[k].rows) << block.resName;
    EXPECT_NEAR(rowSum(block), expected[k].net, 1e-5) << block.resName;
    std::set<std::string> names;
    for (int r = 0; r < block.rowCount; ++r) {
      EXPECT_TRUE(names.insert(block.rows[r].atomName).second) << block.resName << " " << block.rows[r].atomName;
    }
    rows += block.rowCount;
  }
  return rows;
}

}  // namespace

TEST(ChargeSetA, BlocksRowsGroupsAndNetCharges) {
  const Expected expected[] = {
      {"ALA", 6, 0},   {"ARG", 16, 1},   {"ASN", 9, 0},   {"ASP", 10, -1},  {"CYS", 8, 0},    {"GLN", 11, 0},
      {"GLU", 10, -1}, {"GLY", 6, 0},    {"HIS", 12, 0},  {"HSC", 14, 1},   {"ILE", 6, 0},    {"LEU", 6, 0},
      {"LYS", 11, 1},  {"MET", 9, 0},    {"PHE", 6, 0},   {"PRO", 5, 0},    {"SER", 9, 0},    {"THR", 9, 0},
      {"TRP", 13, 0},  {"TYR", 9, 0},    {"VAL", 6, 0},   {"HEME", 43, -2.23}, {"ACE", 2, 0}, {"SO4", 4, -2},
      {"GUA", 36, -1}, {"ADE", 35, -1},  {"CYT", 33, -1}, {"THY", 34, -1},  {"URA", 30, -1},  {"DMPA", 13, -1},
      {"MP_0", 11, 0}, {"MP_1", 10, -1}, {"MP_2", 9, -2}, {"TIP3", 3, 0},   {"SOD", 1, 1},    {"MG", 1, 2},
      {"RIBT", 20, 0}, {"DEOT", 19, 0},
  };
  const ChargeSet& a = kChargeSetA;
  EXPECT_EQ(checkBlocks(a, expected, 38), 505);
  for (int b = 0; b < a.blockCount; ++b) {
    const ChargeBlock& block = a.blocks[b];
    if (b < 21) {  // amino acids: N-side and C-side groups each sum to 0
      EXPECT_NEAR(rowSum(block, kCSide), 0.0, 1e-6) << block.resName;
      EXPECT_NEAR(rowSum(block, kNSide), 0.0, 1e-6) << block.resName;
    } else {  // from HEME on: no groups
      for (int r = 0; r < block.rowCount; ++r) EXPECT_EQ(block.rows[r].group, kOther) << block.resName;
    }
  }
  // Terminal rows in test order: N, HT1..HT3, CA sum to +1; C with OT1/OT2 or with O/OXT to -1.
  ASSERT_TRUE(a.nTermCount == 5 && a.cTermCount == 5);
  std::string order;
  for (const ChargeRow* rows : {a.nTermRows, a.cTermRows})
    for (int r = 0; r < 5; ++r) order += std::string(rows[r].atomName) + " ";
  EXPECT_EQ(order, "N HT1 HT2 HT3 CA OT1 OT2 O OXT C ");
  EXPECT_NEAR(termSum(a.nTermRows, 5), 1.0, 1e-6);
  EXPECT_NEAR(a.cTermRows[4].charge + a.cTermRows[0].charge + a.cTermRows[1].charge, -1.0, 1e-6);
  EXPECT_NEAR(a.cTermRows[4].charge + a.cTermRows[2].charge + a.cTermRows[3].charge, -1.0, 1e-6);
  // Two names of one atom carry one charge.
  const struct {
    const char* block;
    const char* first;
    const char* second;
  } pairs[] = {{"GUA", "H21", "HN'"}, {"GUA", "H22", "HN''"}, {"ADE", "H61", "HN'"}, {"ADE", "H62", "HN''"},
               {"CYT", "H41", "HN'"}, {"CYT", "H42", "HN''"}, {"THY", "C5M", "CM"},   {"ALA", "HN", "H"},
               {"TRP", "HN", "H"}};
  for (const auto& p : pairs) {
    const ChargeBlock* b = findChargeBlock(&a, p.block);
    ASSERT_NE(b, nullptr) << p.block;
    EXPECT_EQ(rowCharge(*b, p.first), rowCharge(*b, p.second)) << p.block;
  }
  // The histidine block answers to HIS and HSD; names are matched whole and case-sensitively.
  EXPECT_STREQ(findChargeBlock(&a, "HSD")->resName, "HIS");
  for (const char* absent : {"HSE", "ala", "ALA ", "AL"}) EXPECT_EQ(findChargeBlock(&a, absent), nullptr) << absent;
}

TEST(ChargeSetB, BlocksRowsGroupsAndNetCharges) {
  const Expected expected[] = {
      {"ALA", 10, 0}, {"ARG", 24, 1}, {"ASN", 14, 0}, {"ASP", 12, -1}, {"CYS", 11, 0}, {"GLN", 17, 0},
      {"GLU", 15, -1}, {"GLY", 7, 0}, {"HSD", 17, 0}, {"HSE", 17, 0}, {"HSP", 18, 1}, {"HIS", 18, 1},
      {"ILE", 19, 0}, {"LEU", 19, 0}, {"LYS", 22, 1}, {"MET", 17, 0}, {"PHE", 20, 0}, {"PRO", 14, 0},
      {"SER", 11, 0}, {"THR", 14, 0}, {"TRP", 24, 0}, {"TYR", 21, 0}, {"VAL", 16, 0},
  };
  const ChargeSet& b = kChargeSetB;
  EXPECT_EQ(checkBlocks(b, expected, 23), 386);
  for (int k = 0; k < b.blockCount; ++k) {
    const ChargeBlock& block = b.blocks[k];
    int lastRank = 0;  // test order: N-side, other, C-side
    for (int r = 0; r < block.rowCount; ++r) {
      const ChargeRow& row = block.rows[r];
      const int rank = row.group == kNSide ? 0 : row.group == kOther ? 1 : 2;
      EXPECT_GE(rank, lastRank) << block.resName << " " << row.atomName;
      lastRank = rank;
      for (const char* t : {"HT1", "HT2", "HT3", "OT1", "OT2"}) EXPECT_STRNE(row.atomName, t);
    }
    EXPECT_NEAR(rowSum(block, kCSide), 0.0, 1e-6) << block.resName;
    EXPECT_NEAR(rowSum(block, kNSide), std::strcmp(block.resName, "PRO") == 0 ? -0.18 : 0.0, 1e-6) << block.resName;
  }
  ASSERT_TRUE(b.nTermCount == 6 && b.cTermCount == 3);
  EXPECT_NEAR(termSum(b.nTermRows, 6), 1.0, 1e-6);
  EXPECT_NEAR(termSum(b.cTermRows, 3), -1.0, 1e-6);
  // HIS holds the doubly protonated rows, in HSP's order.
  const ChargeBlock* his = findChargeBlock(&b, "HIS");
  const ChargeBlock* hsp = findChargeBlock(&b, "HSP");
  ASSERT_EQ(his->rowCount, hsp->rowCount);
  for (int r = 0; r < his->rowCount; ++r)
    EXPECT_TRUE(!std::strcmp(his->rows[r].atomName, hsp->rows[r].atomName) && his->rows[r].charge == hsp->rows[r].charge) << r;
  EXPECT_EQ(findChargeBlock(&b, "HSC"), nullptr);
}

TEST(ChargeSetC, DiffersFromSetBInExactlyTenRows) {
  const ChargeSet& b = kChargeSetB;
  const ChargeSet& c = kChargeSetC;
  ASSERT_TRUE(c.blockCount == b.blockCount && c.nTermCount == b.nTermCount && c.cTermCount == b.cTermCount);
  // (place, atom) -> set C charge
  std::map<std::string, float> expected = {
      {"Cterm OT1", -0.17f}, {"Cterm OT2", -0.17f}, {"ASP CB", -0.21f}, {"ASP CG", 0.75f},
      {"ASP OD1", -0.36f},   {"ASP OD2", -0.36f},   {"GLU CG", -0.21f}, {"GLU CD", 0.75f},
      {"GLU OE1", -0.36f},   {"GLU OE2", -0.36f},
  };
  int differences = 0;
  auto compare = [&](const std::string& place, const ChargeRow* rb, const ChargeRow* rc, int n) {
    for (int r = 0; r < n; ++r) {
      EXPECT_TRUE(!std::strcmp(rb[r].atomName, rc[r].atomName) && rb[r].group == rc[r].group) << place << r;
      if (rb[r].charge == rc[r].charge) continue;
      ++differences;
      const std::string key = place + " " + rb[r].atomName;
      ASSERT_EQ(expected.count(key), 1u) << key;
      EXPECT_EQ(rc[r].charge, expected[key]) << key;
    }
  };
  compare("Nterm", b.nTermRows, c.nTermRows, b.nTermCount);
  compare("Cterm", b.cTermRows, c.cTermRows, b.cTermCount);
  for (int k = 0; k < b.blockCount; ++k) {
    ASSERT_TRUE(!std::strcmp(b.blocks[k].resName, c.blocks[k].resName) && b.blocks[k].rowCount == c.blocks[k].rowCount);
    compare(b.blocks[k].resName, b.blocks[k].rows, c.blocks[k].rows, b.blocks[k].rowCount);
  }
  EXPECT_EQ(differences, 10);
  // Neutral carboxyls and C-terminus at acidic pH.
  for (const char* acid : {"ASP", "GLU"}) EXPECT_NEAR(rowSum(*findChargeBlock(&c, acid)), 0.0, 1e-6) << acid;
  EXPECT_NEAR(termSum(c.cTermRows, c.cTermCount), 0.0, 1e-6);
}

TEST(ChargeSets, ShareTheAtomAndResidueNameSpaces) {
  // Every atom name the sets charge, but HN', HN'' and HT3, is an atom-type
  // key; every residue name but HSC is a residue-type key.
  std::set<std::string> unknown;
  korim_test::captureStdout([&] {
    for (const ChargeSet* set : {&kChargeSetA, &kChargeSetB, &kChargeSetC}) {
      auto check = [&](const ChargeRow* rows, int n) {
        for (int r = 0; r < n; ++r) {
          if (get_atom_type_index(rows[r].atomName) == kUnknownType) unknown.insert(rows[r].atomName);
        }
      };
      check(set->nTermRows, set->nTermCount);
      check(set->cTermRows, set->cTermCount);
      for (int k = 0; k < set->blockCount; ++k) {
        const ChargeBlock& block = set->blocks[k];
        check(block.rows, block.rowCount);
        EXPECT_EQ(get_aa_index(block.resName) > 0, std::strcmp(block.resName, "HSC") != 0) << block.resName;
        EXPECT_TRUE(block.altResName == nullptr || get_aa_index(block.altResName) > 0) << block.resName;
      }
    }
  });
  EXPECT_EQ(unknown, (std::set<std::string>{"HN'", "HN''", "HT3"}));
}
