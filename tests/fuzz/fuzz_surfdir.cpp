// Fuzz target: a surface directory (surfRead). The input is a list of files (see inputParts and
// surfaceBytes) written into a directory of this process; the first byte says whether the
// random-coil (bit 0) and homology (bit 1) tables are asked for. The loaded surfaces are then
// looked up, and everything is released and the files removed.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "restraints/merido.h"
#include "restraints/surf.h"
#include "tests/fuzz/fuzz_file.h"
#include "tests/fuzz/surface_parts.h"

using namespace korim::restraints;

namespace {

// The files a part may be: shift surfaces with their density and deviation grids, atom-only
// shift surfaces, conformation surfaces, the zero surface and the two tables.
const char* const kNames[] = {"CA.ALA.dat", "CA.ALA.d.dat", "CA.ALA.q.dat", "HA.dat",     "HA.d.dat",
                              "HA.q.dat",   "ALA.dat",      "xPRO.dat",     "zero.dat",   "rc.tab",
                              "homo.tab",   "CA.xPRO.dat",  "CA.xPRO.d.dat", "CA.xPRO.q.dat", "GLY.dat"};
constexpr size_t kNameCount = sizeof kNames / sizeof kNames[0];

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  merInit(2, 2);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const std::string dir = korim::fuzz::inputDir("surfdir");
  for (const korim::fuzz::InputPart& part : korim::fuzz::inputParts(data + 1, size - 1, 32)) {
    const std::vector<uint8_t> bytes = korim::fuzz::surfaceBytes(part);
    korim::fuzz::writeBytes(dir + "/" + kNames[(part.choice & 0x7f) % kNameCount], bytes.data(), bytes.size());
  }
  surfFree();
  if (surfRead(dir.c_str(), (data[0] & 1) ? "rc.tab" : "None", (data[0] & 2) ? "homo.tab" : "None") == 0) {
    int count = 0;
    const korim::structure::PhiPsiSurface* list = getSurfList(&count);
    for (int i = 0; i < count; i++) {
      float val = 0, dens = 0, dev = 0;
      getSurfVal(&list[i], -60.0f, -45.0f, &val, &dens, &dev);
      getSurfVal(&list[i], 180.0f, -180.0f, &val, &dens, &dev);
    }
    CSInfo cs{};
    std::snprintf(cs.atomName, sizeof cs.atomName, "CA");
    getCSSurface("A", "G", "P", &cs);
    getCSSurface("A", "G", "A", &cs);
    float shift = 0, homo = 0;
    getRandCoilShift("A", "G", "P", "CA", 0, &shift);
    getHomoVal("ALA", "GLY", &homo);
  }
  surfFree();
  for (const char* name : kNames) unlink((dir + "/" + name).c_str());
  return 0;
}
