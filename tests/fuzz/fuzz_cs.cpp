// Fuzz target: a chemical shift table (-inCS).
#include <cstddef>
#include <cstdint>

#include "restraints/cs.h"
#include "restraints/merido.h"
#include "tests/fuzz/fuzz_file.h"

using namespace korim::restraints;

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  merInit(2, 2);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string name = korim::fuzz::inputFile(data, size, "shifts.tab");
  CSTable tab{};
  csTabNull(&tab);
  readCS(name.c_str(), &tab);
  csTabFree(&tab);
  return 0;
}
