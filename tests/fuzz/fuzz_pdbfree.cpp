// Fuzz target: free-format coordinates (ATOM records up to END) into arrays of the program's size.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "simulation/korim_input.h"
#include "tests/fuzz/fuzz_file.h"

using namespace korim::simulation;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string name = korim::fuzz::inputFile(data, size, "free.txt");
  std::vector<double> x(kFreeAtomMax + 1), y(kFreeAtomMax + 1), z(kFreeAtomMax + 1);
  int count = 0;
  readPDBfree(name.c_str(), &count, x.data(), y.data(), z.data());
  return 0;
}
