// Fuzz target: shift surfaces. The first byte chooses the file: 0 a phi/psi grid file (data
// header and grid), 1 a random-coil table, 2 a homology table.
#include <cstddef>
#include <cstdint>

#include "foundation/memory.h"
#include "restraints/merido.h"
#include "restraints/surf.h"
#include "tests/fuzz/fuzz_file.h"

using namespace korim::restraints;

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  merInit(2, 2);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const std::string name = korim::fuzz::inputFile(data + 1, size - 1, "surface.dat");
  switch (data[0] % 3) {
    case 0: {
      korim::structure::PhiPsiSurface surf{};
      surfNull2(&surf);
      float* grid = surfRead2D(name.c_str(), "HA.ALA", &surf, kSurfShift);
      if (grid != nullptr) {
        surf.value = grid;
        float val = 0, dens = 0, dev = 0;
        getSurfVal(&surf, -60.0f, -45.0f, &val, &dens, &dev);
        getSurfVal(&surf, 180.0f, 180.0f, &val, &dens, &dev);
        korim::foundation::unAlloc("CS", grid, 4 * surf.phiCount * surf.psiCount);
      }
      break;
    }
    case 1: {
      surfNull();
      if (surfReadRC(name.c_str()) == 0) {
        float shift = 0;
        getRandCoilShift("ALA", "GLY", "PRO", "HA", 0, &shift);
        getRandCoilShift("GLY", "ALA", "ALA", "HA1", 0, &shift);
      }
      surfFree();
      break;
    }
    default: {
      surfNull();
      if (surfReadHomo(name.c_str()) == 0) {
        float homo = 0;
        getHomoVal("ALA", "GLY", &homo);
      }
      surfFree();
      break;
    }
  }
  return 0;
}
