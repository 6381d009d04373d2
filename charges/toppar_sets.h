// Built-in force-field partial-charge sets: rows of charges by residue and atom name.
#pragma once

namespace korim::charges {

// Group of a row inside an amino-acid block. At a chain end (with terminal
// charges on) the terminal rows replace the backbone rows of that side, so
// the N-side group is skipped for the first residue and the C-side group
// for the last one.
enum ChargeGroup : int { kOther = 0, kNSide = 1, kCSide = 2 };

// One partial charge (e) for one atom name.
struct ChargeRow {
  const char* atomName;
  float charge;
  int group;  // ChargeGroup
};

// The rows of one residue name (altResName: a second name answering to the
// same block, or nullptr), in the order in which they are tested.
struct ChargeBlock {
  const char* resName;
  const char* altResName;
  const ChargeRow* rows;
  int rowCount;
};

// A complete charge set: terminal rows and residue blocks in test order.
struct ChargeSet {
  const ChargeRow* nTermRows;
  int nTermCount;
  const ChargeRow* cTermRows;
  int cTermCount;
  const ChargeBlock* blocks;
  int blockCount;
  // 1: an atom takes a charge slot only when its residue name has a block
  // (a terminal-row match alone is listed but not placed); 0: any match places.
  int slotNeedsBlock;
};

// Set A: united-atom protein charges plus heme, nucleotides, ions, water (pH-independent).
extern const ChargeSet kChargeSetA;
// Set B: all-atom protein charges for pH 6.0 to 7.0 (charged carboxyls and C-terminus).
extern const ChargeSet kChargeSetB;
// Set C: set B with neutral carboxyl groups and C-terminus, for pH 4.0 or below.
extern const ChargeSet kChargeSetC;

// The block of a set whose name (or second name) equals resName exactly, or nullptr.
const ChargeBlock* findChargeBlock(const ChargeSet* set, const char* resName);

}  // namespace korim::charges
