// Fuzz target: the radial (1-D) potential (-pot) into an array of the program's size.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "app/korim_utils_read.h"
#include "settings/settings_null.h"
#include "tests/fuzz/fuzz_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string name = korim::fuzz::inputFile(data, size, "radial.pot");
  korim::settings::KorimInfo info{};
  korim::settings::korimInfoNull(&info);
  std::vector<double> potential(korim::app::kPotentialClear + 1);
  int dig = 0;
  double offset = 0.0, step = 0.0;
  korim::app::readPotential(name.c_str(), &info, &dig, potential.data(), &offset, &step);
  return 0;
}
