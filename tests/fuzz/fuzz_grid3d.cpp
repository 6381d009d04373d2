// Fuzz target: the 3-D potential grid (-pot3D), read as potential and as steric mask into arrays
// of exactly the grid's size. The first byte chooses the grid (1..4 points per axis).
#include <cstddef>
#include <cstdint>
#include <vector>

#include "app/korim_utils_read.h"
#include "settings/settings_null.h"
#include "tests/fuzz/fuzz_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const std::string name = korim::fuzz::inputFile(data + 1, size - 1, "grid.pot");
  korim::settings::KorimInfo info{};
  korim::settings::korimInfoNull(&info);
  info.grid3DnX = 1 + (data[0] & 3);
  info.grid3DnY = 1 + ((data[0] >> 2) & 3);
  info.grid3DnZ = 1 + ((data[0] >> 4) & 3);
  const size_t n = static_cast<size_t>(info.grid3DnX) * info.grid3DnY *
                   info.grid3DnZ;
  std::vector<double> pot(n);
  std::vector<float> mask(n);
  int count = 0;
  korim::app::read3DPotential(name.c_str(), &info, &count, pot.data());
  korim::app::read3DPotSteric(name.c_str(), &info, &count, mask.data());
  return 0;
}
