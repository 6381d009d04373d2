// Fuzz target: restraint tables. The first byte chooses the reader: distances, atom-to-point,
// distance sums, angles, torsions, J couplings, radius of gyration.
#include <cstddef>
#include <cstdint>

#include "restraints/angle.h"
#include "restraints/dist.h"
#include "restraints/jcoup.h"
#include "restraints/merido.h"
#include "restraints/radgyr.h"
#include "restraints/torsion.h"
#include "tests/fuzz/fuzz_file.h"

using namespace korim::restraints;

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  merInit(2, 2);
  return 0;
}

// The tables have no release function (they live for the run): leaks are not findings here.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const std::string name = korim::fuzz::inputFile(data + 1, size - 1, "restraints.tab");
  const char* f = name.c_str();
  switch (data[0] % 7) {
    case 0: { DistTable t{}; distTabNull(&t); readDist(f, &t, 1); break; }
    case 1: { ACTable t{}; acTabNull(&t); readAC(f, &t, 1); break; }
    case 2: { DSTable t{}; dsTabNull(&t); readDS(f, &t, 1); break; }
    case 3: { AngleTable t{}; angleTabNull(&t); readAngle(f, &t, 1); break; }
    case 4: { TorsionTable t{}; torsionTabNull(&t); readTorsion(f, &t, 1); break; }
    case 5: { JTable t{}; jTabNull(&t); readJcoup(f, &t); break; }
    default: { RadGyrTable t{}; radGyrTabNull(&t); readRadGyr(f, &t); break; }
  }
  return 0;
}
