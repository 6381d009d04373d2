// Force-field charge sets: row and block counts, block net charges, groups, set C against set B, shared name spaces.
#include "charges/toppar_sets.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <set>
#include <string>

#include "charges/toppar.h"

using namespace korim::charges;

namespace {

struct Expected {
  const char* name;
  int rows;
  double net;
};

// Second names of an atom that already has a row in the block: left out of
// the net charge so that each atom counts once.
bool isSecondName(const char* block, const char* atom) {
  if (std::strcmp(atom, "H") == 0 || std::strcmp(atom, "HN'") == 0 || std::strcmp(atom, "HN''") == 0) return true;
  return std::strcmp(block, "THY") == 0 && std::strcmp(atom, "CM") == 0;
}

double blockNet(const ChargeBlock& b) {
  double sum = 0.0;
  for (int r = 0; r < b.rowCount; ++r) {
    if (!isSecondName(b.resName, b.rows[r].atomName)) sum += b.rows[r].charge;
  }
  return sum;
}

double groupSum(const ChargeBlock& b, int group) {
  double sum = 0.0;
  for (int r = 0; r < b.rowCount; ++r) {
    if (b.rows[r].group == group && !isSecondName(b.resName, b.rows[r].atomName)) sum += b.rows[r].charge;
  }
  return sum;
}

int totalRows(const ChargeSet& set) {
  int n = set.nTermCount + set.cTermCount;
  for (int b = 0; b < set.blockCount; ++b) n += set.blocks[b].rowCount;
  return n;
}

float rowCharge(const ChargeRow* rows, int n, const char* atom) {
  for (int r = 0; r < n; ++r) {
    if (std::strcmp(rows[r].atomName, atom) == 0) return rows[r].charge;
  }
  ADD_FAILURE() << "no row " << atom;
  return 0.0f;
}

}  // namespace

TEST(ChargeSetA, BlocksRowsAndNetCharges) {
  // Block order, row counts and net charges of the first set.
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
  ASSERT_EQ(a.blockCount, 38);
  EXPECT_EQ(a.nTermCount, 5);
  EXPECT_EQ(a.cTermCount, 5);
  EXPECT_EQ(totalRows(a), 505);
  for (int b = 0; b < a.blockCount; ++b) {
    const ChargeBlock& block = a.blocks[b];
    EXPECT_STREQ(block.resName, expected[b].name);
    EXPECT_EQ(block.rowCount, expected[b].rows) << block.resName;
    EXPECT_NEAR(blockNet(block), expected[b].net, 1e-5) << block.resName;
    std::set<std::string> names;
    for (int r = 0; r < block.rowCount; ++r) {
      EXPECT_TRUE(names.insert(block.rows[r].atomName).second) << block.resName << " " << block.rows[r].atomName;
      // Groups only in the amino-acid blocks, i.e. before HEME.
      if (b >= 21) {
        EXPECT_EQ(block.rows[r].group, kOther) << block.resName;
      }
    }
    if (b < 21) {
      EXPECT_NEAR(groupSum(block, kCSide), 0.0, 1e-6) << block.resName;  // C 0.55 + O -0.55
      EXPECT_NEAR(groupSum(block, kNSide), 0.0, 1e-6) << block.resName;
    }
  }
  // The histidine block answers to two names; the other blocks to one.
  EXPECT_STREQ(a.blocks[8].altResName, "HSD");
  EXPECT_EQ(findChargeBlock(&a, "HSD"), findChargeBlock(&a, "HIS"));
  EXPECT_EQ(findChargeBlock(&a, "HSE"), nullptr);
  EXPECT_EQ(findChargeBlock(&a, "ala"), nullptr);
  EXPECT_EQ(findChargeBlock(&a, "ALA "), nullptr);
}

TEST(ChargeSetA, TerminalRowsAndAlternativeNames) {
  const ChargeSet& a = kChargeSetA;
  const char* nOrder[] = {"N", "HT1", "HT2", "HT3", "CA"};
  const char* cOrder[] = {"OT1", "OT2", "O", "OXT", "C"};
  double nSum = 0.0;
  for (int r = 0; r < 5; ++r) {
    EXPECT_STREQ(a.nTermRows[r].atomName, nOrder[r]);
    EXPECT_STREQ(a.cTermRows[r].atomName, cOrder[r]);
    nSum += a.nTermRows[r].charge;
  }
  EXPECT_NEAR(nSum, 1.0, 1e-6);
  EXPECT_NEAR(rowCharge(a.cTermRows, 5, "C") + rowCharge(a.cTermRows, 5, "OT1") + rowCharge(a.cTermRows, 5, "OT2"),
              -1.0, 1e-6);
  EXPECT_NEAR(rowCharge(a.cTermRows, 5, "C") + rowCharge(a.cTermRows, 5, "O") + rowCharge(a.cTermRows, 5, "OXT"),
              -1.0, 1e-6);
  // Pairs of names for one atom carry one charge.
  const struct {
    const char* block;
    const char* first;
    const char* second;
  } pairs[] = {{"GUA", "H21", "HN'"}, {"GUA", "H22", "HN''"}, {"ADE", "H61", "HN'"}, {"ADE", "H62", "HN''"},
               {"CYT", "H41", "HN'"}, {"CYT", "H42", "HN''"}, {"THY", "C5M", "CM"},   {"ALA", "HN", "H"},
               {"TRP", "HN", "H"}};
  for (const auto& p : pairs) {
    const ChargeBlock* b = findChargeBlock(&a, p.block);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(rowCharge(b->rows, b->rowCount, p.first), rowCharge(b->rows, b->rowCount, p.second)) << p.block;
  }
  // PRO has no amide hydrogen; RIBT has O2', DEOT not.
  const ChargeBlock* pro = findChargeBlock(&a, "PRO");
  for (int r = 0; r < pro->rowCount; ++r) {
    EXPECT_STRNE(pro->rows[r].atomName, "HN");
    EXPECT_STRNE(pro->rows[r].atomName, "H");
  }
  const ChargeBlock* deot = findChargeBlock(&a, "DEOT");
  for (int r = 0; r < deot->rowCount; ++r) EXPECT_STRNE(deot->rows[r].atomName, "O2'");
  const ChargeBlock* ribt = findChargeBlock(&a, "RIBT");
  EXPECT_FLOAT_EQ(rowCharge(ribt->rows, ribt->rowCount, "O2'"), -0.66f);
  EXPECT_EQ(a.slotNeedsBlock, 0);
}

TEST(ChargeSetB, BlocksRowsGroupsAndNetCharges) {
  const Expected expected[] = {
      {"ALA", 10, 0}, {"ARG", 24, 1}, {"ASN", 14, 0}, {"ASP", 12, -1}, {"CYS", 11, 0}, {"GLN", 17, 0},
      {"GLU", 15, -1}, {"GLY", 7, 0}, {"HSD", 17, 0}, {"HSE", 17, 0}, {"HSP", 18, 1}, {"HIS", 18, 1},
      {"ILE", 19, 0}, {"LEU", 19, 0}, {"LYS", 22, 1}, {"MET", 17, 0}, {"PHE", 20, 0}, {"PRO", 14, 0},
      {"SER", 11, 0}, {"THR", 14, 0}, {"TRP", 24, 0}, {"TYR", 21, 0}, {"VAL", 16, 0},
  };
  const ChargeSet& b = kChargeSetB;
  ASSERT_EQ(b.blockCount, 23);
  EXPECT_EQ(b.nTermCount, 6);
  EXPECT_EQ(b.cTermCount, 3);
  EXPECT_EQ(totalRows(b), 386);
  EXPECT_EQ(b.slotNeedsBlock, 1);
  for (int k = 0; k < b.blockCount; ++k) {
    const ChargeBlock& block = b.blocks[k];
    EXPECT_STREQ(block.resName, expected[k].name);
    EXPECT_EQ(block.altResName, nullptr);
    EXPECT_EQ(block.rowCount, expected[k].rows) << block.resName;
    double sum = 0.0;
    int lastGroupSeen = kNSide;
    std::set<std::string> names;
    for (int r = 0; r < block.rowCount; ++r) {
      const ChargeRow& row = block.rows[r];
      sum += row.charge;
      EXPECT_TRUE(names.insert(row.atomName).second) << block.resName << " " << row.atomName;
      // Test order N-side, other, C-side; terminal-only names never in a block.
      const int rank = row.group == kNSide ? 0 : row.group == kOther ? 1 : 2;
      const int lastRank = lastGroupSeen == kNSide ? 0 : lastGroupSeen == kOther ? 1 : 2;
      EXPECT_GE(rank, lastRank) << block.resName << " " << row.atomName;
      lastGroupSeen = row.group;
      for (const char* t : {"HT1", "HT2", "HT3", "OT1", "OT2"}) EXPECT_STRNE(row.atomName, t);
    }
    EXPECT_NEAR(sum, expected[k].net, 1e-5) << block.resName;
    EXPECT_NEAR(groupSum(block, kCSide), 0.0, 1e-6) << block.resName;
    const double nSide = std::strcmp(block.resName, "PRO") == 0 ? -0.18 : 0.0;
    EXPECT_NEAR(groupSum(block, kNSide), nSide, 1e-6) << block.resName;
  }
  double nSum = 0.0, cSum = 0.0;
  for (int r = 0; r < b.nTermCount; ++r) nSum += b.nTermRows[r].charge;
  for (int r = 0; r < b.cTermCount; ++r) cSum += b.cTermRows[r].charge;
  EXPECT_NEAR(nSum, 1.0, 1e-6);
  EXPECT_NEAR(cSum, -1.0, 1e-6);
  // HIS holds the doubly protonated rows, in HSP's order.
  const ChargeBlock* his = findChargeBlock(&b, "HIS");
  const ChargeBlock* hsp = findChargeBlock(&b, "HSP");
  ASSERT_EQ(his->rowCount, hsp->rowCount);
  for (int r = 0; r < his->rowCount; ++r) {
    EXPECT_STREQ(his->rows[r].atomName, hsp->rows[r].atomName);
    EXPECT_EQ(his->rows[r].charge, hsp->rows[r].charge);
  }
  EXPECT_EQ(findChargeBlock(&b, "HSC"), nullptr);
}

TEST(ChargeSetC, DiffersFromSetBInExactlyTenRows) {
  const ChargeSet& b = kChargeSetB;
  const ChargeSet& c = kChargeSetC;
  ASSERT_EQ(c.blockCount, b.blockCount);
  ASSERT_EQ(c.nTermCount, b.nTermCount);
  ASSERT_EQ(c.cTermCount, b.cTermCount);
  EXPECT_EQ(totalRows(c), 386);
  // (place, atom) -> set C charge
  std::map<std::string, float> expected = {
      {"Cterm OT1", -0.17f}, {"Cterm OT2", -0.17f}, {"ASP CB", -0.21f}, {"ASP CG", 0.75f},
      {"ASP OD1", -0.36f},   {"ASP OD2", -0.36f},   {"GLU CG", -0.21f}, {"GLU CD", 0.75f},
      {"GLU OE1", -0.36f},   {"GLU OE2", -0.36f},
  };
  int differences = 0;
  auto compare = [&](const std::string& place, const ChargeRow& rb, const ChargeRow& rc) {
    EXPECT_STREQ(rb.atomName, rc.atomName) << place;
    EXPECT_EQ(rb.group, rc.group) << place;
    if (rb.charge != rc.charge) {
      ++differences;
      const std::string key = place + " " + rb.atomName;
      ASSERT_EQ(expected.count(key), 1u) << key;
      EXPECT_EQ(rc.charge, expected[key]) << key;
    }
  };
  for (int r = 0; r < b.nTermCount; ++r) compare("Nterm", b.nTermRows[r], c.nTermRows[r]);
  for (int r = 0; r < b.cTermCount; ++r) compare("Cterm", b.cTermRows[r], c.cTermRows[r]);
  for (int k = 0; k < b.blockCount; ++k) {
    ASSERT_STREQ(b.blocks[k].resName, c.blocks[k].resName);
    ASSERT_EQ(b.blocks[k].rowCount, c.blocks[k].rowCount);
    for (int r = 0; r < b.blocks[k].rowCount; ++r) compare(b.blocks[k].resName, b.blocks[k].rows[r], c.blocks[k].rows[r]);
  }
  EXPECT_EQ(differences, 10);
  // Neutral carboxyls and C-terminus at acidic pH.
  double asp = 0.0, glu = 0.0, cterm = 0.0;
  const ChargeBlock* a = findChargeBlock(&c, "ASP");
  const ChargeBlock* g = findChargeBlock(&c, "GLU");
  for (int r = 0; r < a->rowCount; ++r) asp += a->rows[r].charge;
  for (int r = 0; r < g->rowCount; ++r) glu += g->rows[r].charge;
  for (int r = 0; r < c.cTermCount; ++r) cterm += c.cTermRows[r].charge;
  EXPECT_NEAR(asp, 0.0, 1e-6);
  EXPECT_NEAR(glu, 0.0, 1e-6);
  EXPECT_NEAR(cterm, 0.0, 1e-6);
}

TEST(ChargeSets, ShareTheAtomAndResidueNameSpaces) {
  // Every atom name the sets charge, but HN', HN'' and HT3, is an atom-type
  // key; every residue name but HSC is a residue-type key.
  testing::internal::CaptureStdout();
  int unknownAtoms = 0;
  std::set<std::string> unknown;
  for (const ChargeSet* set : {&kChargeSetA, &kChargeSetB, &kChargeSetC}) {
    auto check = [&](const char* atom) {
      if (get_atom_type_index(atom) == kUnknownType) {
        ++unknownAtoms;
        unknown.insert(atom);
      }
    };
    for (int r = 0; r < set->nTermCount; ++r) check(set->nTermRows[r].atomName);
    for (int r = 0; r < set->cTermCount; ++r) check(set->cTermRows[r].atomName);
    for (int k = 0; k < set->blockCount; ++k) {
      const ChargeBlock& block = set->blocks[k];
      for (int r = 0; r < block.rowCount; ++r) check(block.rows[r].atomName);
      if (std::strcmp(block.resName, "HSC") != 0) {
        EXPECT_GT(get_aa_index(block.resName), 0) << block.resName;
      }
      if (block.altResName != nullptr) {
        EXPECT_GT(get_aa_index(block.altResName), 0);
      }
    }
  }
  EXPECT_EQ(get_aa_index("HSC"), kUnknownType);
  std::fflush(stdout);
  testing::internal::GetCapturedStdout();
  EXPECT_EQ(unknown, (std::set<std::string>{"HN'", "HN''", "HT3"}));
  EXPECT_GT(unknownAtoms, 0);
}
