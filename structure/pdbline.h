// ATOM records of a PDB file, formatted without a printf call per field.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "structure/pdb.h"

namespace korim::structure {

// Room the widest ATOM record takes (five numbers of at most 330 characters
// and short text fields).
constexpr std::size_t kRecordRoom = 2048;

// Writes at dest (which has kRecordRoom bytes of room) the ATOM record of a
// (with its line end) exactly as the format
// "%s  %-3s%1c%-4s%1c%4d%1c   % 8.3f% 8.3f% 8.3f%6.2f%6.2f      %4s%2s%2s\n"
// (one column less before names of four or more characters) gives it, the
// record name and serial being "ATOM  %5d" or, for serials of six or seven
// digits, "ATOM%7d"; returns the end of the record.
char* putAtomRecord(char* dest, const AtomInfo& a);
// The same record with the coordinates x, y, z in place of the atom's own.
char* putAtomRecord(char* dest, const AtomInfo& a, float x, float y, float z);

// One record of a RecordFrame.
struct FramedRecord {
  int atom;             // index of its atom
  std::uint32_t xyzAt;  // where in the frame's text its coordinates' 24 columns begin
};

// The ATOM records of a list of atoms formatted once with blank coordinates,
// for writing the same atoms at several sets of coordinates; text may hold
// other lines around the records.
struct RecordFrame {
  std::string text;
  std::vector<FramedRecord> records;
};

// Appends to frame.text the records of atoms[0..n-1] whose flag in selected
// is set (null: all of them), in order, as putAtomRecord writes them but with
// blanks for the coordinates, and notes them in frame.records.
void frameRecords(RecordFrame& frame, const AtomInfo* atoms, int n, const char* selected);
// Writes the coordinates xyz (x, y, z of atom i at xyz[3 i]) into the
// records of frame.text, which then hold the bytes putAtomRecord writes for
// their atoms at these coordinates; false, with some records not written,
// when the coordinates of a record take more than their 24 columns (moving
// the rest of its line): such a text is made of whole records.
bool setFramedCoordinates(RecordFrame& frame, const float* xyz);

}  // namespace korim::structure
