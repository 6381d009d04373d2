// Phi/psi shift surfaces: the module-wide surface list with the random-coil and homology tables,
// loading from a surface directory, grid files, cell look-up and the choice of surfaces.
#pragma once

#include "restraints/cs.h"
#include "structure/pdb.h"

namespace korim::restraints {

using structure::PhiPsiSurface;

constexpr float kSurfNoValue = 777777.0f;  // result of a look-up that found nothing
constexpr float kAngleUndefined = 999.0f;  // phi or psi above this: undefined

// Surface types.
constexpr int kSurfEmpty = 0;  // empty slot or the zero surface
constexpr int kSurfShift = 1;  // secondary shift with density and deviation grids
constexpr int kSurfConf = 2;   // conformation surface of a residue type

// Empties the module (surface list, counts, random-coil and homology tables) without releasing
// anything. Returns 0.
int surfNull();
// Clears one surface record (empty name, type 0, no grids, all numbers 0). Returns 0.
int surfNull2(PhiPsiSurface* surf);

// Loads the surfaces of directory surfPath (shift surfaces "<atom>.<residue>.dat" with their
// ".d.dat" density and ".q.dat" deviation grids, atom-only shift surfaces "<atom>.dat",
// conformation surfaces "<residue>.dat", the zero surface "zero.dat") and the random-coil and
// homology tables named rcName, homoName ("None": not read). Paths have no fixed length; file
// names are never run as commands. Returns 0, or 1 after a message; what was loaded before a
// failure stays loaded and is released by surfFree.
int surfRead(const char* surfPath, const char* rcName, const char* homoName);

// Loads one shift surface "<surfPath>/<surfName>.dat" with its density and deviation grids,
// which must all have the same size. Returns 0, or 1 after a message (the record then holds no
// grid).
int surfReadCS(const char* surfPath, const char* surfName, PhiPsiSurface* surf);

// Reads one grid file (a data header, then phiCount x psiCount floats, phi fastest) and sets the
// record's statistics, axis range (degrees), counts, type and threshold from it. A file of the
// other byte order is read swapped; a header whose sizes disagree with the file length is
// refused. Returns the grid (tag "CS", owned by the caller), or null after a message.
float* surfRead2D(const char* inName, const char* surfName, PhiPsiSurface* surf, int surfType);

// Writes the value grid of a surface behind a header that describes it (sizes, axis range,
// observation count, mean deviation, threshold; other words from the header of the last grid
// read). Returns 0, or 1 after a message when the file was not completely written.
int surfWrite2D(const char* outName, const PhiPsiSurface* surf);

// Random-coil (columns RESNAME ATOMNAME TYPE OFFSET SHIFT) and homology (RESNAME and one column
// per second residue name) tables. Return 0, or non-zero after a message.
int surfReadRC(const char* inName);
int surfReadHomo(const char* inName);

// Index of the grid cell of (phi, psi) (degrees; nearest cell truncated toward zero, clamped to
// the grid), or -1 with no surface, no value grid or an angle above 999.
int surfCell(const PhiPsiSurface* surf, float phi, float psi);

// Value, density and deviation at (phi, psi): 777777, 0, 0 when nothing is found; a missing
// density or deviation grid leaves its output 0. Returns the cell index (0 when none).
int getSurfVal(const PhiPsiSurface* surf, float phi, float psi, float* val, float* density, float* dev);

// Random-coil shift (ppm) of an atom with the neighbour corrections; atomNameMode 0 reads a
// glycine HA1 as HA3. *shiftPtr is 9999 without a table. Returns 1 when the random-coil entry
// was found, else 0.
int getRandCoilShift(const char* resName, const char* prevResName, const char* nextResName,
                     const char* atomNameOrig, int atomNameMode, float* shiftPtr);

// Homology score of two residue names (777777 when absent). Returns 1 when found, else 0.
int getHomoVal(const char* resNameI, const char* resNameJ, float* homoPtr);

// Chooses the shift surface of a record from the one-letter names of its residue and the next
// one: the residue-specific surface ("<atom>.<RES>", "<atom>.xPRO" before a proline) when
// loaded, else the atom-only one. Returns its index in the list, or -1 (no surface).
int getCSSurface(const char* resName1, const char* prevName1, const char* nextName1, CSInfo* cs);

// Points each residue's phiPsiSurf at the first conformation surface named like the residue
// (ignoring case); with xPROFlag set, a residue other than PRO or GLY before a PRO uses "xPRO".
// Residues without atoms, and every residue while none is loaded, get none. Returns 0.
int setPhiPsiSurf(structure::ResInfo* resList, int resCount, int xPROFlag);

// Releases every surface's grids, the list and both tables, then empties the module. Returns 0.
int surfFree();

// The loaded surface list (the zero surface is the last record) and its counts.
PhiPsiSurface* getSurfList(int* surfCount);
int getShiftSurfCount();
int getConfSurfCount();
// 1 when a homology table is loaded.
int haveHomoTab();

}  // namespace korim::restraints
