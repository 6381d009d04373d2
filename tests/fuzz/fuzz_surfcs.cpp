// Fuzz target: one shift surface with its density and deviation grids (surfReadCS). The input is
// a list of files (see inputParts and surfaceBytes): a part's choice picks the value, density or
// deviation grid. The surface is looked up, its grids released and the files removed.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "foundation/memory.h"
#include "restraints/merido.h"
#include "restraints/surf.h"
#include "tests/fuzz/fuzz_file.h"
#include "tests/fuzz/surface_parts.h"

using namespace korim::restraints;

namespace {

const char* const kNames[] = {"CA.ALA.dat", "CA.ALA.d.dat", "CA.ALA.q.dat"};

void release(float*& grid, const korim::structure::PhiPsiSurface& s) {
  if (grid != nullptr) korim::foundation::unAlloc("CS", grid, 4 * s.phiCount * s.psiCount);
  grid = nullptr;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  merInit(2, 2);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string dir = korim::fuzz::inputDir("surfcs");
  for (const korim::fuzz::InputPart& part : korim::fuzz::inputParts(data, size, 8)) {
    const std::vector<uint8_t> bytes = korim::fuzz::surfaceBytes(part);
    korim::fuzz::writeBytes(dir + "/" + kNames[(part.choice & 0x7f) % 3], bytes.data(), bytes.size());
  }
  korim::structure::PhiPsiSurface surf{};
  surfNull2(&surf);
  if (surfReadCS(dir.c_str(), "CA.ALA", &surf) == 0) {
    float val = 0, dens = 0, dev = 0;
    getSurfVal(&surf, -60.0f, -45.0f, &val, &dens, &dev);
    getSurfVal(&surf, 180.0f, 180.0f, &val, &dens, &dev);
    release(surf.value, surf);
    release(surf.density, surf);
    release(surf.dev, surf);
  }
  for (const char* name : kNames) unlink((dir + "/" + name).c_str());
  return 0;
}
