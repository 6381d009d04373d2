// Force-field charge sets: block order and net charges, groups, terminal rows, set C against set B, shared name spaces.
#include "charges/toppar_sets.h"

#include <gtest/gtest.h>

#include <cmath>
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
  for (int r = 0; r < b.rowCount; ++r)
    if (std::strcmp(b.rows[r].atomName, atom) == 0) return b.rows[r].charge;
  ADD_FAILURE() << b.resName << " has no row " << atom;
  return 99.0f;
}

// Block order, net charges (the residues' formal charges) and unique atom names.
void checkBlocks(const ChargeSet& set, const Expected* expected, int count) {
  ASSERT_EQ(set.blockCount, count);
  for (int k = 0; k < count; ++k) {
    const ChargeBlock& block = set.blocks[k];
    EXPECT_STREQ(block.resName, expected[k].name);
    EXPECT_NEAR(rowSum(block), expected[k].net, 1e-5) << block.resName;
    std::set<std::string> names;
    for (int r = 0; r < block.rowCount; ++r)
      EXPECT_TRUE(names.insert(block.rows[r].atomName).second) << block.resName << " " << block.rows[r].atomName;
  }
}

}  // namespace

TEST(ChargeSetA, BlocksGroupsTerminiAndNetCharges) {
  const Expected expected[] = {
      {"ALA", 0},     {"ARG", 1},   {"ASN", 0},     {"ASP", -1},  {"CYS", 0},    {"GLN", 0},  {"GLU", -1},
      {"GLY", 0},     {"HIS", 0},   {"HSC", 1},     {"ILE", 0},   {"LEU", 0},    {"LYS", 1},  {"MET", 0},
      {"PHE", 0},     {"PRO", 0},   {"SER", 0},     {"THR", 0},   {"TRP", 0},    {"TYR", 0},  {"VAL", 0},
      {"HEME", -2.23}, {"ACE", 0},  {"SO4", -2},    {"GUA", -1},  {"ADE", -1},   {"CYT", -1}, {"THY", -1},
      {"URA", -1},    {"DMPA", -1}, {"MP_0", 0},    {"MP_1", -1}, {"MP_2", -2},  {"TIP3", 0}, {"SOD", 1},
      {"MG", 2},      {"RIBT", 0},  {"DEOT", 0}};
  const ChargeSet& a = kChargeSetA;
  checkBlocks(a, expected, 38);
  for (int b = 0; b < a.blockCount; ++b) {
    const ChargeBlock& block = a.blocks[b];
    if (b < 21) {  // amino acids: N-side and C-side groups each sum to 0
      EXPECT_TRUE(std::fabs(rowSum(block, kCSide)) < 1e-6 && std::fabs(rowSum(block, kNSide)) < 1e-6) << block.resName;
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
  const char* const pairs[][3] = {{"GUA", "H21", "HN'"}, {"GUA", "H22", "HN''"}, {"ADE", "H61", "HN'"},
                                  {"ADE", "H62", "HN''"}, {"CYT", "H41", "HN'"}, {"CYT", "H42", "HN''"},
                                  {"THY", "C5M", "CM"},   {"ALA", "HN", "H"},    {"TRP", "HN", "H"}};
  for (const auto& p : pairs) {
    const ChargeBlock* b = findChargeBlock(&a, p[0]);
    ASSERT_NE(b, nullptr) << p[0];
    EXPECT_EQ(rowCharge(*b, p[1]), rowCharge(*b, p[2])) << p[0];
  }
  // The histidine block answers to HIS and HSD; names are matched whole and case-sensitively.
  EXPECT_STREQ(findChargeBlock(&a, "HSD")->resName, "HIS");
  for (const char* absent : {"HSE", "ala", "ALA ", "AL"}) EXPECT_EQ(findChargeBlock(&a, absent), nullptr) << absent;
}

TEST(ChargeSetB, BlocksGroupsTerminiAndNetCharges) {
  const Expected expected[] = {{"ALA", 0}, {"ARG", 1}, {"ASN", 0}, {"ASP", -1}, {"CYS", 0}, {"GLN", 0},
                               {"GLU", -1}, {"GLY", 0}, {"HSD", 0}, {"HSE", 0}, {"HSP", 1}, {"HIS", 1},
                               {"ILE", 0}, {"LEU", 0}, {"LYS", 1}, {"MET", 0}, {"PHE", 0}, {"PRO", 0},
                               {"SER", 0}, {"THR", 0}, {"TRP", 0}, {"TYR", 0}, {"VAL", 0}};
  const ChargeSet& b = kChargeSetB;
  checkBlocks(b, expected, 23);
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
  EXPECT_TRUE(std::fabs(termSum(b.nTermRows, 6) - 1.0) < 1e-6 && std::fabs(termSum(b.cTermRows, 3) + 1.0) < 1e-6);
  // HIS holds the doubly protonated rows, in HSP's order.
  const ChargeBlock *his = findChargeBlock(&b, "HIS"), *hsp = findChargeBlock(&b, "HSP");
  ASSERT_EQ(his->rowCount, hsp->rowCount);
  for (int r = 0; r < his->rowCount; ++r)
    EXPECT_TRUE(!std::strcmp(his->rows[r].atomName, hsp->rows[r].atomName) && his->rows[r].charge == hsp->rows[r].charge) << r;
  EXPECT_EQ(findChargeBlock(&b, "HSC"), nullptr);
}

TEST(ChargeSetC, DiffersFromSetBInExactlyTenRows) {
  const ChargeSet &b = kChargeSetB, &c = kChargeSetC;
  ASSERT_TRUE(c.blockCount == b.blockCount && c.nTermCount == b.nTermCount && c.cTermCount == b.cTermCount);
  // (place, atom) -> set C charge
  std::map<std::string, float> expected = {
      {"Cterm OT1", -0.17f}, {"Cterm OT2", -0.17f}, {"ASP CB", -0.21f}, {"ASP CG", 0.75f},  {"ASP OD1", -0.36f},
      {"ASP OD2", -0.36f},   {"GLU CG", -0.21f},    {"GLU CD", 0.75f},  {"GLU OE1", -0.36f}, {"GLU OE2", -0.36f}};
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

// Every atom name the sets charge, but HN', HN'' and HT3, is an atom-type key; every residue
// name but HSC is a residue-type key.
TEST(ChargeSets, ShareTheAtomAndResidueNameSpaces) {
  std::set<std::string> unknown;
  korim_test::captureStdout([&] {
    const auto check = [&](const ChargeRow* rows, int n) {
      for (int r = 0; r < n; ++r)
        if (get_atom_type_index(rows[r].atomName) == kUnknownType) unknown.insert(rows[r].atomName);
    };
    for (const ChargeSet* set : {&kChargeSetA, &kChargeSetB, &kChargeSetC}) {
      check(set->nTermRows, set->nTermCount);
      check(set->cTermRows, set->cTermCount);
      for (const ChargeBlock* block = set->blocks; block < set->blocks + set->blockCount; ++block) {
        check(block->rows, block->rowCount);
        EXPECT_EQ(get_aa_index(block->resName) > 0, std::strcmp(block->resName, "HSC") != 0) << block->resName;
        EXPECT_TRUE(block->altResName == nullptr || get_aa_index(block->altResName) > 0) << block->resName;
      }
    }
  });
  EXPECT_EQ(unknown, (std::set<std::string>{"HN'", "HN''", "HT3"}));
}
