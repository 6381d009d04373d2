// Coordinate selection: the charged points and selected atoms that the
// alignment models see, laid out in 1-based coordinate arrays.
#pragma once

#include "foundation/memory.h"
#include "settings/settings.h"
#include "structure/pdb.h"

namespace korim::simulation {

// Three coordinate arrays of len values of type T (float or double) from the
// tagged allocator under allocTag, released (accounting only) on scope exit
// under releaseTag, which is allocTag unless given: a few routines have
// always released under another tag than the one they allocated with.
template <typename T>
struct CoordArrays {
  const char* releaseTag;
  int bytes;
  T* x = nullptr;
  T* y = nullptr;
  T* z = nullptr;
  CoordArrays(const char* allocTag, int len, const char* relTag = nullptr)
      : releaseTag(relTag != nullptr ? relTag : allocTag),
        bytes(len * static_cast<int>(sizeof(T))) {
    static_assert(sizeof(T) == 4 || sizeof(T) == 8, "float or double coordinates");
    if constexpr (sizeof(T) == 8) {
      x = foundation::dFltAlloc(allocTag, len);
      y = foundation::dFltAlloc(allocTag, len);
      z = foundation::dFltAlloc(allocTag, len);
    } else {
      x = foundation::fltAlloc(allocTag, len);
      y = foundation::fltAlloc(allocTag, len);
      z = foundation::fltAlloc(allocTag, len);
    }
  }
  ~CoordArrays() {
    foundation::unAlloc(releaseTag, x, bytes);
    foundation::unAlloc(releaseTag, y, bytes);
    foundation::unAlloc(releaseTag, z, bytes);
  }
  CoordArrays(const CoordArrays&) = delete;
  CoordArrays& operator=(const CoordArrays&) = delete;
  bool ok() const { return x && y && z; }
};

// Largest number of charges the charge arrays hold (1-based, 1201 entries).
constexpr int kMaxCharges = 1200;

// Fills xI, yI, zI (1-based; room for atom count + 1201 entries): with
// elInfo.elFlag the chCount charged atoms first (chargeAtomID[i], a 0-based
// atom index, is rewritten to i, its coordinate position), reduced to a
// two-charge dipole model with elInfo.dipoleFlag; then, unless dipoleFlag or
// chSelFlag is set, the selected atoms. surfFlag first narrows the selection
// to the surface atoms. *chAtomSelCount receives the number of points.
// Returns 0; 1 after "chCoorSelect: Error allocating coord buffers.\n" or a
// message naming a charge outside the structure or too many charges (arrays
// untouched); the surface selection's status after "Error reading selection
// of atoms.\n".
int chCoorSelect(structure::PDBInfo* pdbInfo, settings::KorimInfo* korimInfo, int* chAtomSelCount,
                 double* xI, double* yI, double* zI, int* chCount, int* chargeAtomID,
                 float* charges, int verb);

// The selected atoms (after the optional surface marking, whose status is
// returned at once) to entries 1..n of xI, yI, zI; n to *atomSelCount.
int coorSelect(structure::PDBInfo* pdbInfo, settings::KorimInfo* korimInfo, int* atomSelCount,
               double* xI, double* yI, double* zI);

}  // namespace korim::simulation
