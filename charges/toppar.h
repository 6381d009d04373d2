// Topology look-ups: atom-type index, residue-type index and fixed charge by atom name.
#pragma once

namespace korim::charges {

// Highest atom-type index of a type name (index 329 is unused).
inline constexpr int kAtomTypeCount = 588;
// Number of residue-type names; indexes run 1 .. kResidueTypeCount without gaps.
inline constexpr int kResidueTypeCount = 269;
// Number of keys in the atom-type table: type names, aliases, placeholders,
// C-terminal oxygen names and the digit-first hydrogen names.
inline constexpr int kAtomTypeKeyCount = 629;
// Result of the two index look-ups for a name that is not in their table.
inline constexpr int kUnknownType = -999;
// Index shared by the digit-first hydrogen names ("1HA", "3HT", ...).
inline constexpr int kDigitHydrogenType = 1000;

// Atom-type index of an atom name (exact, case-sensitive, whole text).
// Unknown names print "There is a atom of unknown type: %s\n" on stdout
// and give kUnknownType.
int get_atom_type_index(const char* residuetype);

// Residue-type index (1 .. 269) of a residue name; unknown names print
// "There is a residue of unknown type: %s\n" on stdout and give kUnknownType.
int get_aa_index(const char* residuetype);

// Fixed partial charge (e) of an atom name of the atom-type table; 0.0 for
// most names. Unknown names print the atom-type message and give 0.0.
float return_charge(const char* residuetype);

// Key i (0 .. kAtomTypeKeyCount-1) of the atom-type table with its index;
// nullptr when i is out of range. For tests that walk the whole table.
const char* atomTypeKey(int i, int* index);

// Residue name of index 1 .. kResidueTypeCount, nullptr otherwise.
const char* residueTypeName(int index);

}  // namespace korim::charges
