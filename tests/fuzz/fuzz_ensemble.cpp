// Fuzz target: an ensemble orientation file into arrays of the program's size.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "simulation/korim_input.h"
#include "tests/fuzz/fuzz_file.h"

using namespace korim::simulation;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string name = korim::fuzz::inputFile(data, size, "ensemble.txt");
  std::vector<double> a(kEnsembleMaxRows + 1), b(kEnsembleMaxRows + 1), g(kEnsembleMaxRows + 1);
  int n = 0;
  readEnsemble(name.c_str(), &n, a.data(), b.data(), g.data());
  return 0;
}
